#include "app/browsing.h"
#include "app/contentarea.h"
#include "app/dialogt.h"
#include "app/mainwindow.h"
#include "app/texting.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "platform/textfile.h"
#include "support/tempdir.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeView>
#include <QtTest>

using namespace tovane;
using tovane::test::TempDir;

namespace {

// A folder "l" with two texts, a program source and an image; "r" empty.
struct Files {
    Files()
    {
        QVERIFY(dir.makeFolder("cfg"));
        QVERIFY(dir.makeFolder("l"));
        QVERIFY(dir.makeFolder("r"));
        QVERIFY(dir.writeFile("l/a.txt", "alpha\r\nline two\r\n"));
        QVERIFY(dir.writeFile("l/b.txt", "beta\n"));
        QVERIFY(dir.writeFile("l/m.bas", "Print 1\n"));
        QVERIFY(dir.writeFile("l/r.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Hello "
                                         "\\b bold\\b0\\par}"));
        QImage image(32, 20, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(dir.filePath(QStringLiteral("l/p.bmp"))));
    }
    QString path(const char* relative) const { return dir.filePath(QLatin1String(relative)); }
    QByteArray read(const char* relative) const
    {
        QByteArray bytes;
        platform::readWholeFile(path(relative), bytes);
        return bytes;
    }
    TempDir dir;
};

struct Started {
    explicit Started(const Files& files, int mode = 1) : window(files.path("cfg"))
    {
        const QByteArray settings = "[Position]\r\nPath=_," + files.path("l").toUtf8() + ",_," +
                                    files.path("r").toUtf8() + ",\r\n";
        writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        window.setMessageService(&messages);
        messages.setDefaultAnswer(AnswerYes);
        window.startUp();
        window.commandFunctionMode(mode);
        window.activateWindowIndex(LeftWindow, 0);
        QTest::mouseClick(pane()->contentBox(), Qt::LeftButton);
    }
    WindowPane* pane(WindowIndex w = LeftWindow) { return window.pane(w); }
    FileList& list(WindowIndex w = LeftWindow) { return window.browsing()->list(w); }
    ContentState& content(WindowIndex w = LeftWindow)
    {
        return window.content()->display().state(w);
    }
    int row(const char* name) { return list().model()->rowOfName(QLatin1String(name)); }
    void click(const char* name) { list().itemClicked(row(name), 0); }
    QPlainTextEdit* plain() { return pane()->plainText(); }
    void trigger(const char* control, int index)
    {
        QAction* a = window.menus().action(control, index);
        QVERIFY2(a && a->isEnabled(), control);
        a->trigger();
    }
    // Types at the end of the shown plain text.
    void type(const QString& text)
    {
        plain()->setFocus();
        plain()->moveCursor(QTextCursor::End);
        QTest::keyClicks(plain(), text);
    }
    QString label(int panel) { return window.statusPanel(panel)->text(); }

    MainWindow window;
    ScriptedMessageService messages;
};

// Answers the next text input dialog with `answer` (or cancels it).
void answerDialogT(const QString& answer, bool cancel = false)
{
    QTimer::singleShot(0, [answer, cancel] {
        auto* d = qobject_cast<DialogT*>(QApplication::activeModalWidget());
        if (!d)
            return;
        if (auto* box = d->findChild<QPlainTextEdit*>(QStringLiteral("TextT")))
            box->setPlainText(answer);
        QTest::mouseClick(d->findChild<QPushButton*>(cancel ? QStringLiteral("CmdButtonT_1")
                                                            : QStringLiteral("CmdButtonT_0")),
                          Qt::LeftButton);
    });
}

} // namespace

class ContentTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsByKind_data();
    void showsByKind();
    void displaySwitchOffAndOn();
    void arrowKeysShowWhereTheyStop();
    void functionModeDecidesEditing_data();
    void functionModeDecidesEditing();
    void areaSize();
    void numberKeysStepTheFontSize();
    void categoryAnswers_data();
    void categoryAnswers();
    void categoryCancelKeepsTheList();
    void unsavedTextOnEveryPath_data();
    void unsavedTextOnEveryPath();
    void failedSaveKeepsTheText();
    void shutDownQuestion_data();
    void shutDownQuestion();
    void saveAsFromTheMenu();
    void richText();
    void fontDialog_data();
    void fontDialog();
    void plainTextSavedAsRtf();
};

void ContentTest::showsByKind_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("visible"); // object name prefix of the shown box, or empty
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("editable");
    QTest::newRow("text, extended") << "a.txt" << 1 << "txtPlain"
                                    << "文字サイズ 9P" << true;
    QTest::newRow("text, basic") << "a.txt" << 0 << "txtPlain"
                                 << "文字サイズ 9P" << false;
    QTest::newRow("language, extended") << "m.bas" << 1 << "txtPlain"
                                        << "文字サイズ 9P" << true;
    QTest::newRow("language, basic") << "m.bas" << 0 << ""
                                     << "" << false;
    QTest::newRow("image") << "p.bmp" << 0 << "PictureC"
                           << "表示倍率 100%　(W:32 × H:20)" << false;
}

void ContentTest::showsByKind()
{
    QFETCH(QString, name);
    QFETCH(int, mode);
    QFETCH(QString, visible);
    QFETCH(QString, label);
    QFETCH(bool, editable);
    Files files;
    Started s(files, mode);
    s.click(name.toUtf8().constData());
    for (QWidget* box : {static_cast<QWidget*>(s.pane()->plainText()),
                         static_cast<QWidget*>(s.pane()->richText()), s.pane()->picture()}) {
        const bool expected = !visible.isEmpty() && box->objectName().startsWith(visible);
        QCOMPARE(box->isVisible(), expected);
    }
    QCOMPARE(s.label(1), label);
    QCOMPARE(s.pane()->textEditable(), editable);
    if (visible == QLatin1String("txtPlain") && name == QLatin1String("a.txt"))
        QCOMPARE(s.plain()->toPlainText(), QStringLiteral("alpha\nline two\n"));
    // Shown text is no edit.
    QVERIFY(!s.content().modified);
}

void ContentTest::displaySwitchOffAndOn()
{
    Files files;
    Started s(files);
    s.click("a.txt");
    QVERIFY(s.plain()->isVisible());
    QVERIFY(s.window.menus().action("mnuDispFile", 0)->isChecked());

    QTest::mouseClick(s.pane()->contentBox(), Qt::LeftButton);
    QVERIFY(!s.pane()->contentArea()->isVisible());
    QVERIFY(s.window.menus().action("mnuDispFile", 1)->isChecked());
    QVERIFY(s.label(1).isEmpty());
    // Choosing items meanwhile loads nothing.
    s.click("b.txt");
    QCOMPARE(s.content().shownPath, files.path("l/a.txt"));

    // On again through the menu: the current item is shown.
    s.trigger("mnuDispFile", 0);
    QVERIFY(s.pane()->contentBox()->isChecked());
    QVERIFY(s.plain()->isVisible());
    QCOMPARE(s.plain()->toPlainText(), QStringLiteral("beta\n"));
    QCOMPARE(s.label(1), QStringLiteral("文字サイズ 9P"));
    // Off before anything was shown, an item chosen, on by the box: that
    // item is shown, and choosing it again changes nothing.
    QTest::mouseClick(s.pane()->contentBox(), Qt::LeftButton);
    s.click("m.bas");
    s.click("a.txt");
    QVERIFY(!s.plain()->isVisible());
    QTest::mouseClick(s.pane()->contentBox(), Qt::LeftButton);
    QVERIFY(s.plain()->isVisible());
    QCOMPARE(s.plain()->toPlainText(), QStringLiteral("alpha\nline two\n"));
    // Esc leaves no current row; the same item clicked again is shown where
    // the area had nothing.
    QTest::mouseClick(s.pane()->contentBox(), Qt::LeftButton);
    s.click("b.txt");
    s.window.handleKey(Qt::Key_Escape, Qt::NoModifier);
    QTest::mouseClick(s.pane()->contentBox(), Qt::LeftButton);
    s.click("b.txt");
    QVERIFY(s.plain()->isVisible());
    QCOMPARE(s.plain()->toPlainText(), QStringLiteral("beta\n"));
}

void ContentTest::functionModeDecidesEditing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain text") << "a.txt";
    QTest::newRow("rich text") << "r.rtf";
}

// A text on show follows the function mode: editable only in the extended
// modes, without being shown again.
void ContentTest::functionModeDecidesEditing()
{
    QFETCH(QString, name);
    Files files;
    Started s(files, 1);
    s.click(name.toUtf8().constData());
    QVERIFY(s.pane()->textEditable());
    s.window.commandFunctionMode(0);
    QVERIFY(!s.pane()->textEditable());
    QVERIFY(s.content().readOnly);
    s.window.commandFunctionMode(2);
    QVERIFY(s.pane()->textEditable());
    QCOMPARE(s.content().shownPath, files.path("l/") + name);
    QVERIFY(!s.content().modified);
}

void ContentTest::arrowKeysShowWhereTheyStop()
{
    Files files;
    Started s(files);
    s.click("a.txt");
    QCOMPARE(s.content().shownPath, files.path("l/a.txt"));
    const bool aMarked = s.list().model()->marked(s.row("a.txt"));
    // Keys move the current row only in a view on screen.
    s.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.window));
    QTreeView* view = s.pane()->list();
    view->setFocus();
    QCOMPARE(view->currentIndex().row(), s.row("a.txt"));
    QTest::keyClick(view, Qt::Key_Down);
    QTRY_COMPARE(s.content().shownPath, files.path("l/b.txt"));
    QCOMPARE(s.plain()->toPlainText(), QStringLiteral("beta\n"));
    QCOMPARE(s.list().currentRow(), s.row("b.txt"));
    // Moving marks nothing.
    QVERIFY(!s.list().model()->marked(s.row("b.txt")));
    QCOMPARE(s.list().model()->marked(s.row("a.txt")), aMarked);
    // An edited text is asked about before the next one replaces it.
    s.type(QStringLiteral("edited"));
    QVERIFY(s.content().modified);
    s.messages.setDefaultAnswer(AnswerNo);
    const int asked = int(s.messages.log().size());
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Up);
    QTRY_COMPARE(s.content().shownPath, files.path("l/a.txt"));
    QVERIFY(int(s.messages.log().size()) > asked);
    QCOMPARE(files.read("l/b.txt"), QByteArray("beta\n"));
}

void ContentTest::areaSize()
{
    Files files;
    Started s(files);
    s.click("a.txt");
    QVERIFY(s.pane()->list()->isVisible());
    s.window.handleKey(Qt::Key_F, Qt::ControlModifier);
    QVERIFY(s.window.menus().action("mnuDispScrn", 1)->isChecked());
    QVERIFY(!s.pane()->list()->isVisible());
    QVERIFY(s.plain()->isVisible());
    QVERIFY(s.pane()->contentArea()->height() > s.pane()->height() / 2);
    s.trigger("mnuDispScrn", 0);
    QVERIFY(s.pane()->list()->isVisible());
}

void ContentTest::numberKeysStepTheFontSize()
{
    Files files;
    Started s(files);
    s.click("a.txt");
    s.pane()->list()->setFocus();
    s.window.handleKey(Qt::Key_Asterisk, Qt::NoModifier);
    QCOMPARE(s.label(1), QStringLiteral("文字サイズ 18P"));
    QCOMPARE(s.plain()->font().pointSize(), 18);
    s.window.handleKey(Qt::Key_Minus, Qt::NoModifier);
    QCOMPARE(s.label(1), QStringLiteral("文字サイズ 17P"));
    s.window.handleKey(Qt::Key_0, Qt::NoModifier);
    QCOMPARE(s.label(1), QStringLiteral("文字サイズ 9P"));
}

void ContentTest::categoryAnswers_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("caption"); // of mnuDispExt index, or empty
    QTest::newRow("normalised") << 3 << " TXT, txt ,log "
                                << " txt, log,"
                                << "";
    QTest::newRow("full-width language") << 5 << "ＶＢ(&V) ／ bas"
                                         << " bas,"
                                         << "VB(&V)";
    QTest::newRow("list filter") << 15 << "txt"
                                 << " txt,"
                                 << "";
    QTest::newRow("serial numbering cleared") << 17 << " "
                                              << ""
                                              << "";
}

void ContentTest::categoryAnswers()
{
    QFETCH(int, index);
    QFETCH(QString, answer);
    QFETCH(QString, list);
    QFETCH(QString, caption);
    Files files;
    Started s(files, 3);
    s.messages.setConfirmationMessages(false);
    answerDialogT(answer);
    s.window.content()->editCategory(index);
    QCOMPARE(s.window.settings().dispExtList[size_t(index)], list);
    if (!caption.isEmpty()) {
        QCOMPARE(s.window.menus().action("mnuDispExt", index)->text(), caption);
        QCOMPARE(s.window.settings().extTitles[size_t(index - 5)], caption);
    }
    if (index == 15) // the lists show only texts now
        QCOMPARE(s.list().model()->count(), 2);
}

void ContentTest::categoryCancelKeepsTheList()
{
    Files files;
    Started s(files);
    const QString before = s.window.settings().dispExtList[3];
    s.messages.clearLog();
    answerDialogT(QStringLiteral("zzz"), true);
    s.trigger("mnuDispExt", 3);
    QCOMPARE(s.window.settings().dispExtList[3], before);
    QCOMPARE(s.messages.texts().value(0), QStringLiteral("対象拡張子の変更をキャンセルしました。"));
}

// Each path that would replace an edited text asks first: "No" forgets the
// edit (the file stays as it was), "Yes" saves it over the file.
void ContentTest::unsavedTextOnEveryPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("yes");
    for (const char* p : {"other item", "list refill", "select all", "compare"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1, no").arg(QLatin1String(p))))
            << QString::fromLatin1(p) << false;
        QTest::newRow(qPrintable(QStringLiteral("%1, yes").arg(QLatin1String(p))))
            << QString::fromLatin1(p) << true;
    }
}

void ContentTest::unsavedTextOnEveryPath()
{
    QFETCH(QString, path);
    QFETCH(bool, yes);
    Files files;
    Started s(files);
    s.click("a.txt");
    s.type(QStringLiteral("added"));
    QVERIFY(s.content().modified);
    QVERIFY(s.window.menus().action("mnuTextSave", 0)->isEnabled());
    s.messages.clearLog();
    s.messages.enqueue(yes ? AnswerYes : AnswerNo);

    if (path == QLatin1String("other item"))
        s.click("b.txt");
    else if (path == QLatin1String("list refill"))
        s.list().refill();
    else if (path == QLatin1String("select all"))
        s.trigger("mnuFileSel", 0);
    else
        s.trigger("mnuFileItem", 3);

    QCOMPARE(s.messages.captions().value(0), QStringLiteral("ファイル保存チェック"));
    QCOMPARE(
        s.messages.texts().value(0),
        QStringLiteral("編集中のファイルが保存されていません。\r\n\r\n\r\n上書き保存しますか ？"));
    QCOMPARE(files.read("l/a.txt"),
             yes ? QByteArray("alpha\r\nline two\r\nadded") : QByteArray("alpha\r\nline two\r\n"));
    QVERIFY(!s.content().modified || path != QLatin1String("other item"));
    if (yes)
        QVERIFY(!s.content().modified);
    // The item the user chose stays the list's current one.
    if (path == QLatin1String("other item")) {
        QCOMPARE(s.list().currentRow(), s.row("b.txt"));
        QCOMPARE(s.content().shownPath, files.path("l/b.txt"));
    }
}

void ContentTest::failedSaveKeepsTheText()
{
    Files files;
    Started s(files);
    s.click("a.txt");
    s.type(QStringLiteral("keep me"));
    // The file makes way for a folder of its name: writing it must fail.
    QVERIFY(QFile::remove(files.path("l/a.txt")));
    QVERIFY(QDir().mkdir(files.path("l/a.txt")));
    s.messages.clearLog();
    // Save it: yes, and yes to the file that changed on disk.
    s.messages.enqueue({AnswerYes, AnswerYes});
    s.click("b.txt");
    QCOMPARE(s.messages.captions(),
             (QStringList{"ファイル保存チェック", "上書き保存", "ファイル保存"}));
    QVERIFY(s.content().modified);
    QVERIFY(s.plain()->toPlainText().endsWith(QStringLiteral("keep me")));
    QCOMPARE(s.content().shownPath, files.path("l/a.txt"));
}

void ContentTest::shutDownQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("cancel") << int(AnswerCancel) << false << QByteArray("beta\n");
    QTest::newRow("no") << int(AnswerNo) << true << QByteArray("beta\n");
    QTest::newRow("yes") << int(AnswerYes) << true << QByteArray("beta\nmore");
}

void ContentTest::shutDownQuestion()
{
    QFETCH(int, answer);
    QFETCH(bool, closes);
    QFETCH(QByteArray, file);
    Files files;
    Started s(files);
    s.click("b.txt");
    s.type(QStringLiteral("more"));
    s.messages.clearLog();
    s.messages.enqueue(qint16(answer));
    QCOMPARE(s.window.shutDown(0), closes);
    QCOMPARE(s.messages.captions().value(0), QStringLiteral("終　了"));
    QCOMPARE(s.messages.texts().value(0),
             QStringLiteral(
                 "左窓の変更のあったファイルが保存されていません。\r\n\r\n上書き保存しますか ？"));
    QCOMPARE(files.read("l/b.txt"), file);
}

void ContentTest::saveAsFromTheMenu()
{
    Files files;
    Started s(files);
    s.click("a.txt");
    s.type(QStringLiteral("x"));
    QString proposed;
    s.window.texting()->saveDialog = [&](const SaveDialogRequest& r, QString& chosen) {
        proposed = r.folder + r.name;
        chosen = files.path("l/copy.txt");
        return true;
    };
    s.trigger("mnuTextSave", 1);
    QCOMPARE(proposed, files.path("l/a.txt"));
    QCOMPARE(files.read("l/copy.txt"), QByteArray("alpha\r\nline two\r\nx"));
    QCOMPARE(files.read("l/a.txt"), QByteArray("alpha\r\nline two\r\n"));
    // The saved file is the shown one now, and in the list.
    QCOMPARE(s.content().shownPath, files.path("l/copy.txt"));
    QVERIFY(!s.content().modified);
    QVERIFY(s.row("copy.txt") >= 0);
}

void ContentTest::richText()
{
    Files files;
    Started s(files);
    s.click("r.rtf");
    QTextEdit* box = s.pane()->richText();
    QVERIFY(box->isVisible());
    QVERIFY(!s.plain()->isVisible());
    QCOMPARE(box->toPlainText(), QStringLiteral("Hello bold"));
    QCOMPARE(s.label(1), QStringLiteral("文字サイズ 12P"));
    // Copy of the whole text (nothing selected) carries the rich form too.
    QGuiApplication::clipboard()->clear();
    s.trigger("mnuEditItem", 1);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime);
    QCOMPARE(mime->text(), QStringLiteral("Hello bold"));
    QVERIFY(mime->data(QStringLiteral("text/rtf")).startsWith("{\\rtf"));
    QVERIFY(!s.content().modified);
    // Back to a plain text: its own box again.
    s.click("a.txt");
    QVERIFY(s.plain()->isVisible());
    QVERIFY(!box->isVisible());
}

void ContentTest::fontDialog_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain text") << "a.txt";
    QTest::newRow("rich text") << "r.rtf";
}

// Size and colour from the font dialog; a size out of range is refused
// with its message and the dialog asks again.
void ContentTest::fontDialog()
{
    QFETCH(QString, name);
    Files files;
    Started s(files);
    s.click(name.toUtf8().constData());
    int dialogs = 0;
    QString presetFamily;
    std::function<void()> answer = [&] {
        auto* d = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        if (!d) {
            QTimer::singleShot(10, answer);
            return;
        }
        ++dialogs;
        if (dialogs == 1)
            presetFamily = d->currentFont().family();
        QFont f = d->currentFont();
        f.setPointSize(dialogs == 1 ? 600 : 14);
        d->setCurrentFont(f);
        auto* colours = d->findChild<QComboBox*>(QStringLiteral("FontColour"));
        QVERIFY(colours);
        colours->setCurrentIndex(colours->findData(QColor(Qt::red)));
        d->accept();
        if (dialogs == 1)
            QTimer::singleShot(10, answer);
    };
    QTimer::singleShot(0, answer);
    s.trigger("mnuEditItem", 3);
    QCOMPARE(dialogs, 2);
    QVERIFY(s.messages.texts().contains(
        QStringLiteral("サイズには 4 から 512 ポイントを指定してください。")));
    if (name == QLatin1String("a.txt")) {
        // The Japanese system font is offered as the family that shows it,
        // and kept under its own name.
        if (QFontDatabase::hasFamily(QStringLiteral("Noto Sans Mono CJK JP")))
            QCOMPARE(presetFamily, QStringLiteral("Noto Sans Mono CJK JP"));
        QCOMPARE(s.window.content()->textFont(LeftWindow).family, QStringLiteral("ＭＳ ゴシック"));
        QCOMPARE(s.plain()->font().pointSize(), 14);
        QCOMPARE(s.plain()->palette().color(QPalette::Text), QColor(Qt::red));
        QVERIFY(!s.content().modified);
    } else {
        QTextCursor c(s.pane()->richText()->document());
        c.movePosition(QTextCursor::NextCharacter);
        QCOMPARE(c.charFormat().foreground().color(), QColor(Qt::red));
        QCOMPARE(qRound(c.charFormat().fontPointSize()), 14);
        QVERIFY(s.content().modified);
    }
    QCOMPARE(s.label(1), QStringLiteral("文字サイズ 14P"));
}

void ContentTest::plainTextSavedAsRtf()
{
    Files files;
    Started s(files);
    s.click("b.txt");
    s.window.texting()->saveDialog = [&](const SaveDialogRequest&, QString& chosen) {
        chosen = files.path("l/b.rtf");
        return true;
    };
    s.trigger("mnuTextSave", 1);
    const QByteArray rtf = files.read("l/b.rtf");
    QVERIFY2(rtf.startsWith("{\\rtf"), rtf.constData());
    QVERIFY(rtf.contains("beta"));
}

QTEST_MAIN(ContentTest)
#include "tst_content.moc"
