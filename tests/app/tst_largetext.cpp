#include "app/browsing.h"
#include "app/contentarea.h"
#include "app/mainwindow.h"
#include "app/texting.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "platform/textfile.h"
#include "support/tempdir.h"
#include "viewer/textcodec.h"
#include "viewer/widgets/contentviews.h"
#include "viewer/widgets/largetextview.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTreeView>
#include <QtTest>

using namespace tovane;
using tovane::test::TempDir;

namespace {

// Lines of Japanese and ASCII with a tab, enough of them for the large view.
constexpr int BigLines = 50000;

QString bigText(bool finalLineEnd)
{
    QString text;
    text.reserve(BigLines * 32);
    for (int i = 0; i < BigLines; ++i) {
        text += QStringLiteral("%1行目 テキスト\tline %2").arg(i, 6, 10, QChar(u'0')).arg(i);
        if (i + 1 < BigLines || finalLineEnd)
            text += u'\n';
    }
    return text;
}

TextFormat formatOf(const QString& name)
{
    TextFormat f;
    if (name.contains(QLatin1String("CP932")))
        f.encoding = TextEncoding::ShiftJis;
    if (name.contains(QLatin1String("CRLF")))
        f.newline = NewlineStyle::CrLf;
    f.bom = name.contains(QLatin1String("BOM"));
    return f;
}

QByteArray encoded(const QString& text, const TextFormat& format)
{
    QByteArray bytes;
    const int error = encodeText(text, format, bytes);
    Q_ASSERT(error == 0);
    return bytes;
}

struct Started {
    Started(const QByteArray& big, int mode = 1)
    {
        QVERIFY(dir.makeFolder("cfg"));
        QVERIFY(dir.makeFolder("l"));
        QVERIFY(dir.makeFolder("r"));
        QVERIFY(dir.writeFile("l/big.txt", big));
        QVERIFY(dir.writeFile("l/small.txt", "small\n"));
        window.emplace(path("cfg"));
        const QByteArray settings =
            "[Position]\r\nPath=_," + path("l").toUtf8() + ",_," + path("r").toUtf8() + ",\r\n";
        writeSettingsText(window->settingsFile(), QString::fromUtf8(settings));
        window->setMessageService(&messages);
        messages.setDefaultAnswer(AnswerYes);
        messages.setConfirmationMessages(false);
        window->startUp();
        window->commandFunctionMode(mode);
        window->activateWindowIndex(LeftWindow, 0);
        QTest::mouseClick(pane()->contentBox(), Qt::LeftButton);
        window->resize(1000, 700);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*window));
    }
    QString path(const char* relative) const { return dir.filePath(QLatin1String(relative)); }
    QByteArray read(const char* relative) const
    {
        QByteArray bytes;
        platform::readWholeFile(path(relative), bytes);
        return bytes;
    }
    WindowPane* pane() { return window->pane(LeftWindow); }
    LargeTextView* large() { return pane()->largeText(); }
    QPlainTextEdit* plain() { return pane()->plainText(); }
    PlainTextView& view() { return window->content()->plainView(LeftWindow); }
    ContentState& content() { return window->content()->display().state(LeftWindow); }
    void click(const char* name)
    {
        FileList& list = window->browsing()->list(LeftWindow);
        list.itemClicked(list.model()->rowOfName(QLatin1String(name)), 0);
    }
    // Shows big.txt and gives its view the focus.
    void showBig()
    {
        click("big.txt");
        large()->setFocus();
        QTRY_VERIFY(large()->hasFocus());
    }

    TempDir dir;
    ScriptedMessageService messages;
    std::optional<MainWindow> window;
};

} // namespace

class LargeTextTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstAndLastLines_data();
    void firstAndLastLines();
    void whichBoxShowsIt_data();
    void whichBoxShowsIt();
    void selectionCopies_data();
    void selectionCopies();
    void firstEditHandsOver_data();
    void firstEditHandsOver();
    void unsavedCheckAfterHandOver();
    void readOnlyNeverHandsOver_data();
    void readOnlyNeverHandsOver();
};

void LargeTextTest::firstAndLastLines_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("finalLineEnd");
    QTest::newRow("UTF-8 LF") << "UTF-8 LF" << true;
    QTest::newRow("UTF-8 CRLF BOM, no final line end") << "UTF-8 CRLF BOM" << false;
    QTest::newRow("CP932 CRLF") << "CP932 CRLF" << true;
}

void LargeTextTest::firstAndLastLines()
{
    QFETCH(QString, format);
    QFETCH(bool, finalLineEnd);
    const QString text = bigText(finalLineEnd);
    QVERIFY(text.size() >= PlainTextView::LargeTextChars);
    Started s(encoded(text, formatOf(format)));
    s.showBig();
    QVERIFY(s.large()->isVisible());
    QVERIFY(!s.plain()->isVisible());
    QCOMPARE(s.pane()->textBox(), s.large());
    QCOMPARE(s.window->statusPanel(1)->text(), QStringLiteral("文字サイズ 9P"));
    QCOMPARE(s.large()->text(), text);
    QCOMPARE(s.large()->lineText(0), QStringLiteral("000000行目 テキスト\tline 0"));
    const qsizetype lines = finalLineEnd ? BigLines + 1 : BigLines;
    QCOMPARE(s.large()->lineCount(), lines);
    QCOMPARE(s.large()->lineText(BigLines - 1), QStringLiteral("049999行目 テキスト\tline 49999"));

    QTest::keyClick(s.large(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(s.view().selectionStart(), text.size());
    const int first = s.large()->firstVisibleLine();
    QVERIFY(first > BigLines - 1000);
    QVERIFY(first <= lines - 1);
    QTest::keyClick(s.large(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(s.large()->firstVisibleLine(), 0);
    QCOMPARE(s.large()->cursorPosition(), 0);
    // The window's text size applies to this view as to the text box.
    s.pane()->list()->setFocus();
    s.window->handleKey(Qt::Key_Asterisk, Qt::NoModifier);
    QCOMPARE(s.large()->font().pointSize(), 18);
    QCOMPARE(s.window->statusPanel(1)->text(), QStringLiteral("文字サイズ 18P"));
}

void LargeTextTest::whichBoxShowsIt_data()
{
    QTest::addColumn<int>("chars");
    QTest::addColumn<bool>("large");
    QTest::newRow("just under") << int(PlainTextView::LargeTextChars - 1) << false;
    QTest::newRow("at the limit") << int(PlainTextView::LargeTextChars) << true;
}

void LargeTextTest::whichBoxShowsIt()
{
    QFETCH(int, chars);
    QFETCH(bool, large);
    QByteArray bytes(chars, 'x');
    for (int i = 99; i < chars; i += 100)
        bytes[i] = '\n';
    Started s(bytes);
    s.click("big.txt");
    QCOMPARE(s.large()->isVisible(), large);
    QCOMPARE(s.plain()->isVisible(), !large);
    QCOMPARE(s.view().text().size(), chars);
    // A small text after a large one: the text box, and the large view lets go.
    s.click("small.txt");
    QVERIFY(s.plain()->isVisible());
    QVERIFY(!s.large()->isVisible());
    QVERIFY(s.large()->text().isEmpty());
    QCOMPARE(s.plain()->toPlainText(), QStringLiteral("small\n"));
}

void LargeTextTest::selectionCopies_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("menu");
    QTest::newRow("Shift+Down, Ctrl+C") << "keys" << false;
    QTest::newRow("Shift+Down, menu copy") << "keys" << true;
    QTest::newRow("mouse drag, Ctrl+C") << "mouse" << false;
    QTest::newRow("Shift+End across a page, menu copy") << "page" << true;
}

void LargeTextTest::selectionCopies()
{
    QFETCH(QString, how);
    QFETCH(bool, menu);
    const QString text = bigText(true);
    Started s(encoded(text, formatOf(QStringLiteral("CP932 CRLF"))));
    s.showBig();
    LargeTextView* v = s.large();
    const QStringList lines = text.split(u'\n');
    QString expected;
    if (how == QLatin1String("keys")) {
        QTest::keyClick(v, Qt::Key_Down);
        QTest::keyClick(v, Qt::Key_Down);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(v, Qt::Key_Down, Qt::ShiftModifier);
        expected = lines.mid(2, 3).join(u'\n') + u'\n';
    } else if (how == QLatin1String("mouse")) {
        const qreal h = QFontMetricsF(v->font()).height();
        const int y0 = int(4 + h * 1.5);
        const int y3 = int(4 + h * 4.5);
        QTest::mousePress(v->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(1, y0));
        QMouseEvent move(QEvent::MouseMove, QPointF(1, y3),
                         v->viewport()->mapToGlobal(QPointF(1, y3)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(v->viewport(), &move);
        QTest::mouseRelease(v->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(1, y3));
        expected = lines.mid(1, 3).join(u'\n') + u'\n';
    } else {
        QTest::keyClick(v, Qt::Key_Right);
        QTest::keyClick(v, Qt::Key_PageDown, Qt::ShiftModifier);
        QTest::keyClick(v, Qt::Key_End, Qt::ShiftModifier);
        const qsizetype line = v->text().left(v->cursorPosition()).count(u'\n');
        QVERIFY(line > 5);
        expected = lines.mid(0, line + 1).join(u'\n').mid(1);
    }
    QGuiApplication::clipboard()->clear();
    if (menu)
        s.window->texting()->editCommand(1);
    else
        QTest::keyClick(v, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    QVERIFY(s.large()->isVisible());
    QVERIFY(!s.content().modified);
}

// The first edit moves the text into the text box where the caret was, and
// the saved file differs from the one read by that edit alone.
void LargeTextTest::firstEditHandsOver_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("expected"); // line 3 after the edit ("|" at the caret before)
    QTest::newRow("UTF-8 LF, printable key") << "UTF-8 LF"
                                             << "Z"
                                             << "Z000003";
    QTest::newRow("UTF-8 CRLF BOM, Enter") << "UTF-8 CRLF BOM"
                                           << "Enter"
                                           << "\n000003";
    QTest::newRow("CP932 CRLF, Backspace") << "CP932 CRLF"
                                           << "Backspace"
                                           << "line 2000003";
    QTest::newRow("CP932 CRLF, Delete") << "CP932 CRLF"
                                        << "Delete"
                                        << "00003";
    QTest::newRow("UTF-8 LF, menu paste over a selection") << "UTF-8 LF"
                                                           << "paste"
                                                           << "貼付00003";
    QTest::newRow("UTF-8 LF, Ctrl+V") << "UTF-8 LF"
                                      << "Ctrl+V"
                                      << "貼付000003";
    QTest::newRow("UTF-8 LF, input method") << "UTF-8 LF"
                                            << "im"
                                            << "変換000003";
}

void LargeTextTest::firstEditHandsOver()
{
    QFETCH(QString, format);
    QFETCH(QString, edit);
    QFETCH(QString, expected);
    const QString text = bigText(true);
    const QByteArray bytes = encoded(text, formatOf(format));
    Started s(bytes);
    s.showBig();
    // Caret at the start of line 3, the view scrolled down a little.
    s.large()->setCursorPosition(s.large()->text().indexOf(QStringLiteral("000003")));
    s.large()->verticalScrollBar()->setValue(2);
    const int first = s.large()->firstVisibleLine();
    QGuiApplication::clipboard()->setText(QStringLiteral("貼付"));

    if (edit == QLatin1String("Enter"))
        QTest::keyClick(s.large(), Qt::Key_Return);
    else if (edit == QLatin1String("Backspace"))
        QTest::keyClick(s.large(), Qt::Key_Backspace);
    else if (edit == QLatin1String("Delete"))
        QTest::keyClick(s.large(), Qt::Key_Delete);
    else if (edit == QLatin1String("paste")) {
        // The menu's paste without a selection replaces the whole text.
        QTest::keyClick(s.large(), Qt::Key_Right, Qt::ShiftModifier);
        s.window->texting()->editCommand(2);
    } else if (edit == QLatin1String("Ctrl+V"))
        QTest::keyClick(s.large(), Qt::Key_V, Qt::ControlModifier);
    else if (edit == QLatin1String("im")) {
        QInputMethodEvent ime(QString(), {});
        ime.setCommitString(QStringLiteral("変換"));
        QCoreApplication::sendEvent(s.large(), &ime);
    } else
        QTest::keyClicks(s.large(), edit);

    QVERIFY(!s.view().isLarge());
    QVERIFY(s.plain()->isVisible());
    QVERIFY(!s.large()->isVisible());
    QVERIFY(s.large()->text().isEmpty());
    // The menu's paste moves the view as it does in a small text; keys leave it.
    if (edit != QLatin1String("paste")) {
        QVERIFY(s.plain()->hasFocus());
        QCOMPARE(s.plain()->verticalScrollBar()->value(), first);
    }
    QVERIFY(s.content().modified);
    QCOMPARE(s.window->statusPanel(1)->text(), QStringLiteral("文字サイズ 9P"));

    QString changed = text;
    const qsizetype at = text.indexOf(QStringLiteral("000003"));
    if (edit == QLatin1String("Backspace"))
        changed.remove(at - 1, 1);
    else if (edit == QLatin1String("Delete"))
        changed.remove(at, 1);
    else if (edit == QLatin1String("Enter"))
        changed.insert(at, u'\n');
    else if (edit == QLatin1String("paste"))
        changed.replace(at, 1, QStringLiteral("貼付"));
    else
        changed.insert(at, expected.left(expected.indexOf(QStringLiteral("00000"))));
    QVERIFY(changed.contains(expected));
    QCOMPARE(s.view().text(), changed);

    // Saved in the file's own encoding, BOM and line ends.
    s.window->texting()->save(SaveOverwrite);
    QVERIFY(!s.content().modified);
    QCOMPARE(s.read("l/big.txt"), encoded(changed, formatOf(format)));
}

void LargeTextTest::unsavedCheckAfterHandOver()
{
    const QString text = bigText(true);
    const TextFormat format = formatOf(QStringLiteral("CP932 CRLF"));
    Started s(encoded(text, format));
    s.showBig();
    QTest::keyClicks(s.large(), QStringLiteral("Q"));
    QVERIFY(s.content().modified);
    s.messages.setConfirmationMessages(true);
    s.messages.clearLog();
    s.messages.enqueue(AnswerYes);
    s.click("small.txt");
    QCOMPARE(s.messages.captions().value(0), QStringLiteral("ファイル保存チェック"));
    QCOMPARE(s.read("l/big.txt"), encoded(u'Q' + text, format));
    QCOMPARE(s.plain()->toPlainText(), QStringLiteral("small\n"));
}

// Where the text box is read-only, nothing the user does edits the large
// view or moves its text into the box; saving an unmodified text writes nothing.
void LargeTextTest::readOnlyNeverHandsOver_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("action");
    QTest::newRow("basic, key") << 0 << "key";
    QTest::newRow("basic, input method") << 0 << "im";
    QTest::newRow("basic, Ctrl+V") << 0 << "Ctrl+V";
    QTest::newRow("basic, menu paste") << 0 << "paste";
    QTest::newRow("basic, menu cut") << 0 << "cut";
    QTest::newRow("extended, save unmodified") << 1 << "save";
}

void LargeTextTest::readOnlyNeverHandsOver()
{
    QFETCH(int, mode);
    QFETCH(QString, action);
    const QString text = bigText(true);
    const QByteArray bytes = encoded(text, formatOf(QStringLiteral("UTF-8 LF")));
    Started s(bytes, mode);
    s.showBig();
    QCOMPARE(s.pane()->textEditable(), mode != 0);
    QGuiApplication::clipboard()->setText(QStringLiteral("貼付"));
    QTest::keyClick(s.large(), Qt::Key_Down, Qt::ShiftModifier);
    if (action == QLatin1String("key"))
        QTest::keyClicks(s.large(), QStringLiteral("abc"));
    else if (action == QLatin1String("im")) {
        QInputMethodEvent ime(QString(), {});
        ime.setCommitString(QStringLiteral("変換"));
        QCoreApplication::sendEvent(s.large(), &ime);
    } else if (action == QLatin1String("Ctrl+V"))
        QTest::keyClick(s.large(), Qt::Key_V, Qt::ControlModifier);
    else if (action == QLatin1String("paste"))
        s.window->texting()->editCommand(2);
    else if (action == QLatin1String("cut"))
        s.window->texting()->editCommand(0);
    else
        s.window->texting()->save(SaveOverwrite);
    QVERIFY(s.view().isLarge());
    QVERIFY(s.large()->isVisible());
    QVERIFY(!s.content().modified);
    QCOMPARE(s.large()->text(), text);
    QCOMPARE(s.read("l/big.txt"), bytes);
    if (action == QLatin1String("cut")) // a read-only cut copies
        QCOMPARE(QGuiApplication::clipboard()->text(), text.left(text.indexOf(u'\n') + 1));
}

QTEST_MAIN(LargeTextTest)
#include "tst_largetext.moc"
