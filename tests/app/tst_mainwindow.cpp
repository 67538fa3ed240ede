#include "app/mainwindow.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "platform/filesystem.h"
#include "platform/system.h"
#include "support/tempdir.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tovane;
using tovane::test::TempDir;

namespace {

// A started main window over a temporary settings folder, with every message
// answered by the script.
struct Started {
    explicit Started(const QString& folder, const QByteArray& settings = QByteArray())
        : window(folder)
    {
        if (!settings.isNull())
            writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        window.setMessageService(&messages);
        window.startUp();
    }
    MainWindow window;
    ScriptedMessageService messages;
};

QString fileText(const QString& path)
{
    return readSettingsText(path);
}

QString valueOf(const QString& text, const QString& key)
{
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return QStringLiteral("<absent>");
}

void sendKey(MainWindow& w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
    QTest::keyClick(target, key, modifiers);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void controlsCarryTheirWindowIndex_data();
    void controlsCarryTheirWindowIndex();
    void startWithoutSettingsFile();
    void roundTripKeepsWhatWasStored();
    void rememberedPathsThatNameNoFolder_data();
    void rememberedPathsThatNameNoFolder();
    void ownFilesThatAreNotRegularStay_data();
    void ownFilesThatAreNotRegularStay();
    void selectedHeaderIsColoured();
    void windowCountAndSwitchKeepBothPaths();
    void resetModes_data();
    void resetModes();
    void resetCancelledKeepsRunning();
    void closeRefusedWhileBusy();
    void unsavedTextCancelsClose();
    void busyStateDisablesToolbarButStop();
    void keys_data();
    void keys();
    void escapeSetsInterruptNextKeyClears();
    void enterWithSixFilesRefuses();
    void dividerKeysStoreTheDivision();
    void functionModeShowsEditMenuAndIsStored();
    void screenshotOptionWritesPngAndExits();
    void terminationSignalsSaveSettings_data();
    void terminationSignalsSaveSettings();
};

void MainWindowTest::controlsCarryTheirWindowIndex_data()
{
    QTest::addColumn<QString>("name");
    for (const char* base : {"lblP", "TreeView", "lvwFiles", "txtContents", "RTBoxC", "PictureC",
                             "CheckBoxA", "CheckBoxD", "LabelB", "Frame"})
        for (int w = 0; w < 2; ++w) {
            const QString name = QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(w);
            QTest::newRow(qPrintable(name)) << name;
        }
    for (const char* name : {"ToolbarT", "StatusBar_1", "StatusBar_2", "StatusBar_3", "Timer"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void MainWindowTest::controlsCarryTheirWindowIndex()
{
    QFETCH(QString, name);
    TempDir dir;
    MainWindow window(dir.path());
    QVERIFY(window.findChild<QObject*>(name));
    QCOMPARE(window.objectName(), QStringLiteral("Form1"));
}

void MainWindowTest::startWithoutSettingsFile()
{
    TempDir dir;
    const QString home = platform::homeFolder();
    {
        Started s(dir.path());
        QVERIFY(s.window.isVisible());
        QVERIFY(s.window.state().twoWindows());
        QCOMPARE(s.window.selectedWindow(), LeftWindow);
        QCOMPARE(s.window.state().listedPath(LeftWindow), home + u'/');
        QCOMPARE(s.window.state().listedPath(RightWindow), home + u'/');
        QCOMPARE(s.window.pane(LeftWindow)->header()->text(), home + u'/');
        QVERIFY(s.window.close());
    }
    const QString text = fileText(dir.filePath(QStringLiteral("Tovane.ini")));
    QVERIFY(text.startsWith(QStringLiteral("[Tovane]\r\n")));
    QVERIFY(!text.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
    QCOMPARE(valueOf(text, QStringLiteral("FlgXX")),
             QStringLiteral("1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0,1,1,0,0,0,0,0,0,0,0,0,0,1,0,1,0,1,1,"
                            "1,0,"));
    QCOMPARE(valueOf(text, QStringLiteral("Path")),
             QStringLiteral("_,%1/,_,%1/,").arg(home));
    QCOMPARE(valueOf(text, QStringLiteral("ApType")), QStringLiteral("<absent>"));
    // The probe files are gone again.
    QVERIFY(!platform::pathExists(dir.filePath(QStringLiteral("Tst.files"))));
    QVERIFY(!platform::pathExists(dir.filePath(QStringLiteral("Tst.htm"))));
}

void MainWindowTest::roundTripKeepsWhatWasStored()
{
    TempDir dir;
    QVERIFY(dir.makeFolder("left"));
    QVERIFY(dir.makeFolder("right"));
    const QString left = dir.filePath(QStringLiteral("left"));
    const QString right = dir.filePath(QStringLiteral("right"));
    // Right window selected, one window, a bad ColWidth, a valid Sort.
    const QByteArray crafted =
        "[Tovane]\r\nApType=x\r\nApMode=2\r\n[Position]\r\nFDrvNr_WndStt=2,0,\r\n"
        "FlgXX=0,1,1,0,0,0,0,0,0,0,1,1,0,0,0,0,1,1,0,0,0,0,0,0,0,0,0,0,1,0,1,0,1,1,1,0,\r\n"
        "Path=_," + left.toUtf8() + ",_," + right.toUtf8() +
        ",\r\nFontSizeIndex=2,\r\nScroll=300,600,400,700,500,650,\r\nSort=3,12,\r\n"
        "ColWidth=40,1100\r\nFrmLeft=1,2,3,4,5,6,7,8,\r\n";
    {
        Started s(dir.path(), crafted);
        QCOMPARE(s.window.selectedWindow(), RightWindow);
        QVERIFY(!s.window.state().twoWindows());
        QVERIFY(!s.window.pane(LeftWindow)->isVisible());
        QVERIFY(s.window.pane(RightWindow)->isVisible());
        QCOMPARE(s.window.state().functionMode(), 2);
        QCOMPARE(s.window.state().fontSizeIndex(), 2);
        QCOMPARE(s.window.state().listedPath(LeftWindow), left + u'/');
        QCOMPARE(s.window.state().listedPath(RightWindow), right + u'/');
        QCOMPARE(s.window.windowTitle(), right + u'/');
        QVERIFY(s.window.close());
    }
    const QString text = fileText(dir.filePath(QStringLiteral("Tovane.ini")));
    QCOMPARE(valueOf(text, QStringLiteral("ApType")), QStringLiteral("x"));
    QCOMPARE(valueOf(text, QStringLiteral("ApMode")), QStringLiteral("2"));
    QCOMPARE(valueOf(text, QStringLiteral("FlgXX")).left(22), QStringLiteral("0,1,1,0,0,0,0,0,0,0,1,"));
    QCOMPARE(valueOf(text, QStringLiteral("Sort")), QStringLiteral("3,12,"));
    QCOMPARE(valueOf(text, QStringLiteral("FontSizeIndex")), QStringLiteral("2,"));
    QCOMPARE(valueOf(text, QStringLiteral("Scroll")), QStringLiteral("300,600,400,700,500,650,"));
    QVERIFY(valueOf(text, QStringLiteral("ColWidth")).startsWith(QStringLiteral("2000,1100,")));
    QVERIFY(valueOf(text, QStringLiteral("FrmLeft")).startsWith(QStringLiteral("1,2,3,4,5,6,7,8,")));
    QCOMPARE(valueOf(text, QStringLiteral("Path")),
             QStringLiteral("_,%1/,_,%2/,").arg(left, right));
    // Keys come in their writing order.
    const QStringList order = settingsKeys();
    int last = -1;
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1Char('[')))
            continue;
        const int at = int(order.indexOf(line.section(QLatin1Char('='), 0, 0)));
        QVERIFY2(at > last, qPrintable(line));
        last = at;
    }
}

void MainWindowTest::rememberedPathsThatNameNoFolder_data()
{
    // "@" is the test folder (with "left" and "right" in it), "~" the home
    // folder; a window that lists the computer shows "ｺﾝﾋﾟｭｰﾀ" and is written
    // as the home folder.
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("leftListed");
    QTest::addColumn<QString>("rightListed");
    QTest::addColumn<QString>("written");
    const QString computer = QStringLiteral("ｺﾝﾋﾟｭｰﾀ");
    QTest::newRow("computer keys only") << "_,_,_,_," << computer << computer << "~/,~/,~/,~/,";
    QTest::newRow("relative folder") << "_,foo,_,@/right/," << computer << "@/right/"
                                     << "~/,~/,_,@/right/,";
    QTest::newRow("drive letters") << "C:\\,C:\\,_,@/right/," << computer << "@/right/"
                                   << "~/,~/,_,@/right/,";
    QTest::newRow("numbers") << "-1,-1,99999999999999,1e300," << computer << computer
                             << "~/,~/,~/,~/,";
    QTest::newRow("folder top, relative path") << "@/left,foo,_,_,"
                                               << "@/left/" << computer << "@/left,@/left/,~/,~/,";
    QTest::newRow("vanished left, relative right") << "_,@/left/gone/deeper,_,foo,"
                                                   << "@/left/" << computer << "_,@/left/,~/,~/,";
}

void MainWindowTest::rememberedPathsThatNameNoFolder()
{
    QFETCH(QString, stored);
    QFETCH(QString, leftListed);
    QFETCH(QString, rightListed);
    QFETCH(QString, written);
    TempDir dir;
    QVERIFY(dir.makeFolder("left") && dir.makeFolder("right"));
    const QString home = platform::homeFolder();
    for (QString* text : {&stored, &leftListed, &rightListed, &written}) {
        text->replace(u'@', dir.path());
        text->replace(u'~', home);
    }
    {
        Started s(dir.path(), "Path=" + stored.toUtf8() + "\r\n");
        QCOMPARE(s.window.state().listedPath(LeftWindow), leftListed);
        QCOMPARE(s.window.state().listedPath(RightWindow), rightListed);
        QVERIFY(s.window.close());
    }
    QCOMPARE(valueOf(fileText(dir.filePath(QStringLiteral("Tovane.ini"))), QStringLiteral("Path")),
             written);
}

void MainWindowTest::ownFilesThatAreNotRegularStay_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("settings file") << "Tovane.ini";
    QTest::newRow("image cache") << "Tovane.img";
    QTest::newRow("help page") << "TovaneHelp.html";
}

void MainWindowTest::ownFilesThatAreNotRegularStay()
{
    // A FIFO under one of our names counts as no file: start-up does not wait
    // on it, nothing replaces or removes it, and help is not offered.
    QFETCH(QString, name);
    TempDir dir;
    const QByteArray fifo = dir.filePath(name).toUtf8();
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    struct stat before {};
    QCOMPARE(::lstat(fifo.constData(), &before), 0);
    // Three seconds on, a reader still waiting on the FIFO is let go (so the
    // test ends) and noted.
    std::atomic<bool> done{false};
    std::atomic<bool> readerWaited{false};
    std::thread writer([&] {
        for (int i = 0; i < 400 && !done; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (i < 60)
                continue;
            const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                readerWaited = true;
                ::close(fd);
            }
        }
    });
    bool helpOffered = true;
    {
        Started s(dir.path());
        helpOffered = s.window.menus().action("mnuHelpItem", 3)->isEnabled();
        QVERIFY(s.window.close());
    }
    done = true;
    writer.join();
    QVERIFY(!readerWaited);
    struct stat after {};
    QCOMPARE(::lstat(fifo.constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QVERIFY(S_ISFIFO(after.st_mode));
    if (name == QLatin1String("TovaneHelp.html"))
        QVERIFY(!helpOffered);
}

void MainWindowTest::selectedHeaderIsColoured()
{
    TempDir dir;
    Started s(dir.path());
    auto* left = s.window.findChild<QLabel*>(QStringLiteral("lblP_0"));
    auto* right = s.window.findChild<QLabel*>(QStringLiteral("lblP_1"));
    QCOMPARE(left->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0x60));
    QCOMPARE(right->palette().color(QPalette::Window), QColor(Qt::white));
    s.window.activateWindowIndex(RightWindow, 0);
    QCOMPARE(s.window.selectedWindow(), RightWindow);
    QCOMPARE(left->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(right->palette().color(QPalette::Window), QColor(0x80, 0xFF, 0xFF));
    s.window.activateWindowIndex(7, 0); // not a window: ignored
    QCOMPARE(s.window.selectedWindow(), RightWindow);
    // Ctrl+Shift+L: the busy state leaves the toolbar alone; the opposite
    // header shows it, also after the selection moves.
    QVERIFY(s.window.handleKey(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier));
    QCOMPARE(left->palette().color(QPalette::Window), QColor(0xFF, 0xD0, 0xE0));
    s.window.activateWindowIndex(LeftWindow, 0);
    QCOMPARE(right->palette().color(QPalette::Window), QColor(0xFF, 0xD0, 0xE0));
    s.window.progress().setBusy(true);
    QVERIFY(s.window.toolbar().button(1)->isEnabled());
    QVERIFY(s.window.toolbar().button(ToolbarStopButton)->isEnabled());
    s.window.progress().setBusy(false);
    QVERIFY(!s.window.toolbar().button(ToolbarStopButton)->isEnabled());
    s.window.handleKey(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(right->palette().color(QPalette::Window), QColor(Qt::white));
}

void MainWindowTest::windowCountAndSwitchKeepBothPaths()
{
    TempDir dir;
    QVERIFY(dir.makeFolder("a"));
    QVERIFY(dir.makeFolder("b"));
    QVERIFY(dir.makeFolder("c"));
    Started s(dir.path());
    MainWindow& w = s.window;
    w.setWindowPath(LeftWindow, dir.filePath(QStringLiteral("a")));
    w.setWindowPath(RightWindow, dir.filePath(QStringLiteral("b")));

    w.menus().action("mnuWindowItem", 0)->trigger(); // to one window
    QVERIFY(!w.state().twoWindows());
    QVERIFY(w.pane(LeftWindow)->isVisible());
    QVERIFY(!w.pane(RightWindow)->isVisible());
    QCOMPARE(w.state().viewSlot(LeftWindow), 2);

    w.menus().action("mnuWindowItem", 1)->trigger(); // switch: the right one shows
    QCOMPARE(w.selectedWindow(), RightWindow);
    QVERIFY(!w.pane(LeftWindow)->isVisible());
    QVERIFY(w.pane(RightWindow)->isVisible());
    QCOMPARE(w.windowTitle(), dir.filePath(QStringLiteral("b/")));
    QCOMPARE(w.state().listedPath(LeftWindow), dir.filePath(QStringLiteral("a/")));
    w.setWindowPath(RightWindow, dir.filePath(QStringLiteral("c")));

    w.menus().action("mnuWindowItem", 0)->trigger(); // back to two
    QVERIFY(w.state().twoWindows());
    QVERIFY(w.pane(LeftWindow)->isVisible() && w.pane(RightWindow)->isVisible());
    QVERIFY(w.state().pathChangedWhileHidden(RightWindow));
    QVERIFY(!w.state().pathChangedWhileHidden(LeftWindow));
    QCOMPARE(w.state().listedPath(LeftWindow), dir.filePath(QStringLiteral("a/")));
}

void MainWindowTest::resetModes_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("absent");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<bool>("cacheDeleted");
    QTest::newRow("positions") << 0 << QStringList{"ApMode", "FlgXX", "Path", "FrmLeft"}
                               << QStringList{"ExtTitle", "Ext"} << false;
    QTest::newRow("extensions") << 1 << QStringList{"ExtTitle", "Ext"}
                                << QStringList{"FlgXX", "Path"} << false;
    QTest::newRow("associations") << 2 << QStringList{"TblSz", "ExeTbl"}
                                  << QStringList{"FlgXX", "Ext"} << false;
    QTest::newRow("images") << 3 << QStringList{"ImgCount", "ImgKeys"}
                            << QStringList{"FlgXX", "Ext"} << true;
    QTest::newRow("all") << 4 << QStringList{"FlgXX", "Ext", "Path"} << QStringList{} << true;
}

void MainWindowTest::resetModes()
{
    QFETCH(int, index);
    QFETCH(QStringList, absent);
    QFETCH(QStringList, present);
    QFETCH(bool, cacheDeleted);
    TempDir dir;
    QVERIFY(dir.writeFile("Tovane.img", "cache"));
    const QByteArray crafted = "ApType=x\r\nApMode=3\r\nImgCount=3,\r\nImgKeys=abc\r\n";
    {
        Started s(dir.path(), crafted);
        s.messages.enqueue(AnswerYes);
        QSignalSpy closed(&s.window, &MainWindow::closedWithResetMode);
        s.window.menus().action("mnuFileINI", index)->trigger();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(closed.first().first().toInt(), index + 1);
        QVERIFY(!s.window.isVisible());
        QCOMPARE(s.messages.log().last().caption, QStringLiteral("動作状態を初期化"));
    }
    const QString text = fileText(dir.filePath(QStringLiteral("Tovane.ini")));
    for (const QString& key : absent)
        QCOMPARE(valueOf(text, key), QStringLiteral("<absent>"));
    for (const QString& key : present)
        QVERIFY2(valueOf(text, key) != QLatin1String("<absent>"), qPrintable(key));
    if (index == 4)
        QVERIFY(text.isEmpty());
    QCOMPARE(!platform::pathExists(dir.filePath(QStringLiteral("Tovane.img"))), cacheDeleted);
}

void MainWindowTest::resetCancelledKeepsRunning()
{
    TempDir dir;
    Started s(dir.path());
    s.messages.enqueue(AnswerCancel);
    s.window.menus().action("mnuFileINI", 4)->trigger();
    QVERIFY(s.window.isVisible());
    QVERIFY(!platform::pathExists(s.window.settingsFile()));
}

void MainWindowTest::closeRefusedWhileBusy()
{
    TempDir dir;
    Started s(dir.path());
    s.window.progress().setBusy(true);
    QVERIFY(!s.window.close());
    QVERIFY(!platform::pathExists(s.window.settingsFile()));
    s.window.progress().setBusy(false);
    s.window.progress().showProgress(0, QStringLiteral("コピー中"), ProgressService::SetText);
    QVERIFY(!s.window.close());
    s.window.progress().showProgress(0, QString(), ProgressService::SetText);
    QVERIFY(s.window.close());
    QVERIFY(platform::pathExists(s.window.settingsFile()));
}

void MainWindowTest::unsavedTextCancelsClose()
{
    TempDir dir;
    Started s(dir.path());
    QList<WindowIndex> asked;
    bool cancel = true;
    s.window.unsavedTextCheck = [&](WindowIndex w) {
        asked.append(w);
        return !cancel;
    };
    s.window.activateWindowIndex(RightWindow, 0);
    QVERIFY(!s.window.close());
    QCOMPARE(asked, QList<WindowIndex>{RightWindow}); // the selected window first, then stop
    QVERIFY(!platform::pathExists(s.window.settingsFile()));
    cancel = false;
    asked.clear();
    QVERIFY(s.window.close());
    QCOMPARE(asked, (QList<WindowIndex>{RightWindow, LeftWindow}));
}

void MainWindowTest::busyStateDisablesToolbarButStop()
{
    TempDir dir;
    Started s(dir.path());
    Toolbar& bar = s.window.toolbar();
    QVERIFY(bar.button(1)->isEnabled());
    QVERIFY(!bar.button(ToolbarStopButton)->isEnabled());
    s.window.progress().setBusy(true);
    QVERIFY(!bar.button(1)->isEnabled());
    QVERIFY(!bar.button(2)->isEnabled());
    QVERIFY(bar.button(ToolbarStopButton)->isEnabled());
    QVERIFY(!s.window.menuBar()->actions().first()->isEnabled());
    bar.button(ToolbarStopButton)->trigger();
    QVERIFY(s.window.progress().interruptRequested());
    s.window.progress().setBusy(false);
    QVERIFY(bar.button(1)->isEnabled());
    QVERIFY(!bar.button(ToolbarStopButton)->isEnabled());
    QVERIFY(s.window.menuBar()->actions().first()->isEnabled());
}

void MainWindowTest::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("effect");
    QTest::newRow("Ctrl+U window count") << int(Qt::Key_U) << int(Qt::ControlModifier) << "count";
    QTest::newRow("Ctrl+E switch") << int(Qt::Key_E) << int(Qt::ControlModifier) << "switch";
    QTest::newRow("Ctrl+Shift+M message position")
        << int(Qt::Key_M) << int(Qt::ControlModifier | Qt::ShiftModifier) << "msgpos";
    QTest::newRow("Tab keeps the window") << int(Qt::Key_Tab) << 0 << "none";
}

void MainWindowTest::keys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, effect);
    TempDir dir;
    Started s(dir.path());
    MainWindow& w = s.window;
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    sendKey(w, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(!w.state().twoWindows(), effect == QLatin1String("count"));
    QCOMPARE(w.selectedWindow() == RightWindow, effect == QLatin1String("switch"));
    QCOMPARE(w.state().messageBoxAtRemembered(), effect == QLatin1String("msgpos"));
}

void MainWindowTest::escapeSetsInterruptNextKeyClears()
{
    TempDir dir;
    Started s(dir.path());
    int deselected = 0;
    s.window.deselectAll = [&] { ++deselected; };
    sendKey(s.window, Qt::Key_Escape);
    QVERIFY(s.window.progress().interruptRequested());
    QCOMPARE(deselected, 1); // nothing running: Esc clears the selection
    sendKey(s.window, Qt::Key_Shift); // a modifier alone keeps the request
    QVERIFY(s.window.progress().interruptRequested());
    sendKey(s.window, Qt::Key_A);
    QVERIFY(!s.window.progress().interruptRequested());
    s.window.progress().setBusy(true);
    sendKey(s.window, Qt::Key_Escape);
    QVERIFY(s.window.progress().interruptRequested());
    QCOMPARE(deselected, 1); // not while an operation runs
    s.window.progress().setBusy(false);
}

void MainWindowTest::enterWithSixFilesRefuses()
{
    TempDir dir;
    Started s(dir.path());
    s.messages.clearLog();
    int chosen = 6;
    s.window.chosenFileCount = [&](WindowIndex) { return chosen; };
    sendKey(s.window, Qt::Key_Return);
    QCOMPARE(s.messages.log().size(), 1);
    QCOMPARE(s.messages.log().first().text,
             QStringLiteral("選択ファイル項目数が多過ぎます。\r\n\r\n５項目以下にしてください。"));
    QCOMPARE(s.messages.log().first().caption, QStringLiteral("プログラム起動"));
    chosen = 5;
    sendKey(s.window, Qt::Key_Return);
    QCOMPARE(s.messages.log().size(), 1);
}

void MainWindowTest::dividerKeysStoreTheDivision()
{
    TempDir dir;
    {
        Started s(dir.path());
        s.window.resize(1000, 700);
        QApplication::processEvents();
        WindowPane* pane = s.window.pane(LeftWindow);
        const int before = pane->treeWidth();
        for (int i = 0; i < 3; ++i)
            sendKey(s.window, Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(pane->treeWidth(), before + 30);
        sendKey(s.window, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(pane->treeWidth(), before + 29);
        for (int i = 0; i < 100; ++i)
            sendKey(s.window, Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(pane->treeWidth(), MinTreeWidth);
        QVERIFY(s.window.close());
    }
    const QString scroll = valueOf(fileText(dir.filePath(QStringLiteral("Tovane.ini"))),
                                   QStringLiteral("Scroll"));
    QVERIFY2(!scroll.startsWith(QStringLiteral("350,")), qPrintable(scroll));
}

void MainWindowTest::functionModeShowsEditMenuAndIsStored()
{
    TempDir dir;
    {
        Started s(dir.path());
        QAction* edit = s.window.menus().action("mnuMenu", 2);
        QVERIFY(!edit->isVisible());
        s.window.menus().action("mnuSetType", 1)->trigger();
        QVERIFY(edit->isVisible());
        QVERIFY(s.window.menus().action("mnuSetType", 1)->isChecked());
        QVERIFY(s.window.close());
    }
    const QString text = fileText(dir.filePath(QStringLiteral("Tovane.ini")));
    QCOMPARE(valueOf(text, QStringLiteral("ApType")), QStringLiteral("x"));
    QCOMPARE(valueOf(text, QStringLiteral("ApMode")), QStringLiteral("1"));
}

void MainWindowTest::screenshotOptionWritesPngAndExits()
{
    const QString exe = qEnvironmentVariable("TOVANE_BUILD_DIR") + QStringLiteral("/src/tovane");
    if (!QFile::exists(exe))
        QSKIP("the tovane executable is not built in this configuration");
    TempDir dir;
    const QString png = dir.filePath(QStringLiteral("shot.png"));
    const QString config = dir.filePath(QStringLiteral("new/config"));
    QProcess p;
    p.start(exe, {QStringLiteral("--config-dir"), config, QStringLiteral("--screenshot"), png});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    QImage image(png);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() > 400);
    QVERIFY(QFileInfo(config).isDir());                        // created when missing
    QVERIFY(QFileInfo(config + QStringLiteral("/Tovane.ini")).isFile()); // closed normally
}

void MainWindowTest::terminationSignalsSaveSettings_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << 15;
    QTest::newRow("SIGINT") << 2;
}

void MainWindowTest::terminationSignalsSaveSettings()
{
    QFETCH(int, signalNumber);
    const QString exe = qEnvironmentVariable("TOVANE_BUILD_DIR") + QStringLiteral("/src/tovane");
    if (!QFile::exists(exe))
        QSKIP("the tovane executable is not built in this configuration");
    TempDir dir;
    QProcess p;
    p.start(exe, {QStringLiteral("--config-dir"), dir.path()});
    QVERIFY(p.waitForStarted());
    // Start-up has run once the help page is in the settings folder.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(dir.filePath(QStringLiteral("TovaneHelp.html"))).isFile(),
                             20000);
    QTest::qWait(200);
    QProcess::execute(QStringLiteral("kill"),
                      {QStringLiteral("-%1").arg(signalNumber), QString::number(p.processId())});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("Tovane.ini"))).isFile());
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
