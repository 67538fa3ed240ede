#include "app/browsing.h"
#include "app/contentarea.h"
#include "app/dialogx.h"
#include "app/helpwindow.h"
#include "app/launching.h"
#include "app/mainwindow.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "core/startup.h"
#include "platform/names.h"
#include "support/tempdir.h"
#include "viewer/contentdisplay.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using tovane::test::joined;
using tovane::test::readAll;
using tovane::test::TempDir;

namespace {

// Appends its arguments, NUL-terminated, one run per start, to "$0.log".
const QByteArray Recorder =
    "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done >> \"$0.log\"\n";

bool writeFile(const TempDir& dir, const QByteArray& name, const QByteArray& content,
               mode_t mode = 0644)
{
    return dir.writeFile(name, content) && ::chmod(joined(dir, name).constData(), mode) == 0;
}

// The arguments the recorder got so far, sorted (starts run side by side),
// once `count` of them arrived.
QList<QByteArray> recorded(const TempDir& dir, const QByteArray& program, int count)
{
    QList<QByteArray> got;
    QElapsedTimer t;
    t.start();
    do {
        QByteArray log = readAll(joined(dir, program + ".log"));
        got.clear();
        if (log != "<missing>") {
            log.chop(1);
            got = log.split('\0');
        }
        if (got.size() >= count && (count > 0 || t.elapsed() > 300))
            break;
        QTest::qWait(20);
    } while (t.elapsed() < 10000);
    std::sort(got.begin(), got.end());
    return got;
}

struct Started {
    explicit Started(TempDir& dir, const QByteArray& table = QByteArray())
        : window(dir.filePath(QStringLiteral("cfg")))
    {
        // Function mode 3 offers 拡張子関連付け.
        const QByteArray settings = "[Tovane]\r\nApType=x\r\nApMode=3\r\n[Position]\r\nPath=_," +
                                    dir.filePath(QStringLiteral("l")).toUtf8() + ",_," +
                                    dir.filePath(QStringLiteral("l")).toUtf8() + ",\r\n" + table;
        writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        window.setMessageService(&messages);
        window.startUp();
        window.activateWindowIndex(LeftWindow, 0);
        // No desktop application is ever started from here.
        DesktopOpener& o = window.launching()->launcher().context().opener;
        o.kind = DesktopOpener::XdgOpen;
        o.program = dir.filePath(QStringLiteral("bin/opener"));
        o.leadingArguments.clear();
        o.waitMs = 5000;
    }
    FileList& list() { return window.browsing()->list(LeftWindow); }
    int rowOf(const QByteArray& name)
    {
        return list().model()->rowOfName(platform::nameFromBytes(name));
    }
    MainWindow window;
    ScriptedMessageService messages;
};

void prepare(TempDir& dir, int openerExit = 0)
{
    for (const char* f : {"cfg", "bin", "l", "l/sub"})
        QVERIFY(dir.makeFolder(f));
    QVERIFY(writeFile(dir, "bin/rec", Recorder, 0755));
    QVERIFY(writeFile(dir, "bin/opener", Recorder + "exit " + QByteArray::number(openerExit) + "\n",
                      0755));
}

} // namespace

class LaunchingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void doubleClickAndEnterOpenFiles_data();
    void doubleClickAndEnterOpenFiles();
    void editedTextIsRefusedInEitherWindow_data();
    void editedTextIsRefusedInEitherWindow();
    void editorChangesReachTheNextLaunch();
    void storedEntriesNeedTheirProgram();
    void closingTheEditorAsksAboutUnsetEntries_data();
    void closingTheEditorAsksAboutUnsetEntries();
    void pathSearchOffersEachMatch_data();
    void pathSearchOffersEachMatch();
    void helpOpensThroughTheLaunch_data();
    void helpOpensThroughTheLaunch();
};

void LaunchingTest::doubleClickAndEnterOpenFiles_data()
{
    QTest::addColumn<bool>("enter");
    QTest::newRow("double click") << false;
    QTest::newRow("Enter on chosen files") << true;
}

void LaunchingTest::doubleClickAndEnterOpenFiles()
{
    QFETCH(bool, enter);
    TempDir dir;
    prepare(dir);
    const QList<QByteArray> names{"$(rm -rf ~).txt", "two words.txt"};
    for (const QByteArray& n : names)
        QVERIFY(dir.writeFile("l/" + n, "x"));
    QVERIFY(dir.writeFile("l/other.pdf", "x"));
    Started s(dir);
    s.window.settings().associations = {{"txt", dir.filePath(QStringLiteral("bin/rec"))}};
    s.messages.clearLog();
    if (enter) {
        for (const QByteArray& n : names + QList<QByteArray>{"other.pdf", "sub"})
            s.list().itemClicked(s.rowOf(n), 0);
        QWidget* view = s.window.pane(LeftWindow)->list();
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Return);
    } else {
        for (const QByteArray& n : names + QList<QByteArray>{"other.pdf"})
            s.list().itemDoubleClicked(s.rowOf(n));
    }
    QList<QByteArray> expected;
    for (const QByteArray& n : names)
        expected << joined(dir, "l/" + n);
    QCOMPARE(recorded(dir, "bin/rec", 2), expected);
    QCOMPARE(recorded(dir, "bin/opener", 1),
             QList<QByteArray>{"file://" + joined(dir, "l/other.pdf")});
    QCOMPARE(s.messages.texts(), QStringList());
}

void LaunchingTest::editedTextIsRefusedInEitherWindow_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<bool>("modified");
    QTest::newRow("selected window, modified") << 0 << true;
    QTest::newRow("opposite window, modified") << 1 << true;
    QTest::newRow("shown, unmodified") << 0 << false;
}

void LaunchingTest::editedTextIsRefusedInEitherWindow()
{
    QFETCH(int, window);
    QFETCH(bool, modified);
    TempDir dir;
    prepare(dir);
    QVERIFY(dir.writeFile("l/a.txt", "x"));
    Started s(dir);
    s.window.settings().associations = {{"txt", dir.filePath(QStringLiteral("bin/rec"))}};
    ContentState& state = s.window.content()->display().state(WindowIndex(window));
    state.shownPath = dir.filePath(QStringLiteral("l/a.txt"));
    state.modified = modified;
    s.messages.clearLog();
    s.list().itemDoubleClicked(s.rowOf("a.txt"));
    if (modified) {
        QCOMPARE(s.messages.texts(), QStringList{QStringLiteral("a.txt ファイルは編集中です。")});
        QCOMPARE(s.messages.captions(), QStringList{QStringLiteral("プログラム起動")});
        QCOMPARE(recorded(dir, "bin/rec", 0), QList<QByteArray>());
    } else {
        QCOMPARE(s.messages.texts(), QStringList());
        QCOMPARE(recorded(dir, "bin/rec", 1), QList<QByteArray>{joined(dir, "l/a.txt")});
    }
    state.modified = false;
}

void LaunchingTest::editorChangesReachTheNextLaunch()
{
    TempDir dir;
    prepare(dir);
    QVERIFY(dir.writeFile("l/a.ex", "x"));
    Started s(dir);
    s.messages.setDefaultAnswer(AnswerYes);
    bool shown = false;
    QString title;
    QString preset;
    QStringList seen; // the boxes and the add button as the steps left them
    s.window.launching()->associationForm = [&](DialogX& form) {
        shown = true;
        form.chooseFile = [&](const QString& t, const QString& p) {
            title = t;
            preset = p;
            return dir.filePath(QStringLiteral("bin/rec"));
        };
        QTest::keyClicks(form.combo(0)->lineEdit(), QStringLiteral("E.XE"));
        seen << form.combo(0)->currentText() << QString::number(form.button(0)->isEnabled());
        form.button(0)->click();
        seen << QString::number(form.button(0)->isEnabled()); // now taken
        form.button(3)->click();
        seen << form.combo(1)->currentText() << form.combo(2)->currentText();
        return 0;
    };
    QAction* item = s.window.menus().action("mnuFileItem", 17);
    QVERIFY(item && item->isEnabled());
    s.messages.clearLog();
    item->trigger();
    QVERIFY(shown);
    QCOMPARE(seen, (QStringList{"ex", "1", "0", "rec", dir.filePath(QStringLiteral("bin/"))}));
    QCOMPARE(title, QStringLiteral("\"ex\" の ﾌｧｲﾙ／ﾊﾟｽ名指定 （「ﾌｧｲﾙの場所」を選択して"
                                   "「ﾌｧｲﾙ名」を表示させます。）"));
    QCOMPARE(preset, DialogX::fileDialogPreset());
    QCOMPARE(s.messages.texts(),
             (QStringList{QStringLiteral("表示されている拡張子 ex を追加します。"),
                          QStringLiteral("指定されたファイル名とパス名を設定しました。")}));
    QCOMPARE(s.window.settings().associations,
             (QList<Association>{{"ex", dir.filePath(QStringLiteral("bin/rec"))}}));
    s.list().itemDoubleClicked(s.rowOf("a.ex"));
    QCOMPARE(recorded(dir, "bin/rec", 1), QList<QByteArray>{joined(dir, "l/a.ex")});
}

void LaunchingTest::storedEntriesNeedTheirProgram()
{
    TempDir dir;
    prepare(dir);
    QVERIFY(writeFile(dir, "bin/plain", "data", 0644));
    const QByteArray rec = joined(dir, "bin/rec");
    Started s(dir, "[ExeTbl]\r\nTblSz=4,\r\nExeTbl=txt/" + rec + " 'note;doc//nonexistent/ed;md/" +
                       joined(dir, "bin/plain") + ";sh/sh;\r\n");
    QCOMPARE(s.window.settings().associations,
             (QList<Association>{{"txt", platform::nameFromBytes(rec) + QStringLiteral(" 'note")},
                                 {"sh", "sh"}}));
}

void LaunchingTest::closingTheEditorAsksAboutUnsetEntries_data()
{
    QTest::addColumn<bool>("unset");
    QTest::addColumn<qint16>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("all set") << false << qint16(AnswerCancel) << true;
    QTest::newRow("unset, OK") << true << qint16(AnswerYes) << true;
    QTest::newRow("unset, cancel") << true << qint16(AnswerCancel) << false;
}

void LaunchingTest::closingTheEditorAsksAboutUnsetEntries()
{
    QFETCH(bool, unset);
    QFETCH(qint16, answer);
    QFETCH(bool, closes);
    QList<Association> table{{"txt", "/usr/bin/ed"}};
    if (unset)
        table.append({"doc", QString()});
    ScriptedMessageService messages;
    messages.enqueue(answer);
    DialogPositions positions;
    DialogEnvironment env;
    env.positions = &positions;
    env.metrics = ScreenMetrics();
    DialogX form(table, messages, true, env);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.move(100, 80);
    form.button(6)->click();
    QCOMPARE(form.isVisible(), !closes);
    QCOMPARE(messages.log().size(), unset ? 1 : 0);
    // Where it was left is where it opens next time.
    QCOMPARE(positions.left[5], closes ? 100 * 15 : DialogPositions::DefaultLeft);
    QCOMPARE(positions.top[5], closes ? 80 * 15 : DialogPositions::DefaultTop);
}

void LaunchingTest::pathSearchOffersEachMatch_data()
{
    QTest::addColumn<QList<qint16>>("answers");
    QTest::addColumn<QString>("application"); // relative to the folder; "" unchanged
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QString>("message");
    const QString found = QStringLiteral("ファイル名とパス名を設定しました。");
    const QString none = QStringLiteral("指定ファイルは見つかりませんでした。");
    const QStringList both{"ed-a", "ed-b"};
    QTest::newRow("first taken") << QList<qint16>{AnswerYes} << "t/ed-a'note" << QStringList{"ed-a"}
                                 << found;
    QTest::newRow("files first, then the subfolder")
        << QList<qint16>{AnswerNo, AnswerYes} << "t/deep/ed-b'note" << both << found;
    QTest::newRow("none taken") << QList<qint16>{AnswerNo, AnswerNo} << "" << both << none;
    QTest::newRow("cancel ends the search")
        << QList<qint16>{AnswerCancel} << "" << QStringList{"ed-a"} << QString();
}

void LaunchingTest::pathSearchOffersEachMatch()
{
    QFETCH(QList<qint16>, answers);
    QFETCH(QString, application);
    QFETCH(QStringList, offered);
    QFETCH(QString, message);
    TempDir dir;
    for (const char* f : {"t", "t/deep", "t/.hidden", "elsewhere"})
        QVERIFY(dir.makeFolder(f));
    for (const char* f :
         {"t/ed-a", "t/deep/ed-b", "t/.ed-hidden", "t/.hidden/ed-c", "t/other", "elsewhere/ed-d"})
        QVERIFY(writeFile(dir, f, "#!/bin/sh\n", 0755));
    // A link to another folder is never followed.
    QVERIFY(::symlink(joined(dir, "elsewhere").constData(), joined(dir, "t/link").constData()) ==
            0);
    QList<Association> table{{"txt", QString()}};
    ScriptedMessageService messages;
    QStringList shownNames;
    DialogX* form = nullptr;
    messages.onPresent = [&](const ScriptedMessageService::Presented& p) {
        if (p.text.contains(QStringLiteral("いいですか")))
            shownNames << form->combo(1)->currentText();
    };
    for (qint16 a : answers)
        messages.enqueue(a);
    DialogX x(table, messages, true, DialogEnvironment());
    form = &x;
    x.combo(1)->setEditText(QStringLiteral("ED* 'note"));
    x.combo(2)->setEditText(dir.filePath(QStringLiteral("t")));
    QList<bool> before;
    for (int i = 0; i < 6; ++i)
        before << x.button(i)->isEnabled();
    x.searchPath();
    QCOMPARE(shownNames, offered);
    QCOMPARE(table.first().command, application.isEmpty() ? QString() : dir.filePath(application));
    QStringList texts = messages.texts();
    texts.removeAll(QStringLiteral(
        "指定ファイルが見つかりました。\r\n\r\nこのファイル名とパス名でいいですか ？"));
    QCOMPARE(texts, message.isEmpty() ? QStringList() : QStringList{message});
    // The buttons are as they were before the search.
    for (int i = 0; i < 6; ++i)
        QCOMPARE(x.button(i)->isEnabled(), before.at(i));
    QCOMPARE(before.at(5), false);
}

void LaunchingTest::helpOpensThroughTheLaunch_data()
{
    QTest::addColumn<bool>("htmlEntry");
    QTest::addColumn<int>("openerExit");
    QTest::addColumn<bool>("ownWindow");
    QTest::newRow("html association") << true << 3 << false;
    QTest::newRow("desktop default") << false << 0 << false;
    QTest::newRow("no application: own window") << false << 3 << true;
}

void LaunchingTest::helpOpensThroughTheLaunch()
{
    QFETCH(bool, htmlEntry);
    QFETCH(int, openerExit);
    QFETCH(bool, ownWindow);
    TempDir dir;
    prepare(dir, openerExit);
    QVERIFY(dir.writeFile("cfg/" + helpFileName().toUtf8(),
                          "<html><head><title>T</title></head><body>キー</body></html>"));
    Started s(dir);
    if (htmlEntry)
        s.window.settings().associations = {{"html", dir.filePath(QStringLiteral("bin/rec"))}};
    s.messages.clearLog();
    QAction* help = s.window.menus().action("mnuHelpItem", 3);
    QVERIFY(help && help->isEnabled());
    help->trigger();
    const QString page = s.window.facts().helpFile;
    if (htmlEntry)
        QCOMPARE(recorded(dir, "bin/rec", 1), QList<QByteArray>{platform::nameToBytes(page)});
    else
        QCOMPARE(recorded(dir, "bin/opener", 1),
                 QList<QByteArray>{"file://" + platform::nameToBytes(page)});
    QCOMPARE(s.window.helpWindow() != nullptr && s.window.helpWindow()->isVisible(), ownWindow);
    QCOMPARE(s.messages.texts(), QStringList());
}

QTEST_MAIN(LaunchingTest)
#include "tst_launching.moc"
