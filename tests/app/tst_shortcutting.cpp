// The File-menu items for shortcuts, properties and format in the main
// window, and the shortcut entry of the tree's destination list, in a fake
// home with the desktop's services replaced.

#include "app/browsing.h"
#include "app/dialogr.h"
#include "app/mainwindow.h"
#include "app/operating.h"
#include "app/shortcutting.h"
#include "app/watching.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "fs/pathrules.h"
#include "platform/filesystem.h"
#include "platform/names.h"
#include "platform/volumes.h"
#include "support/tempdir.h"
#include "tree/treenavigator.h"

#include <QAction>
#include <QListWidget>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

using namespace tovane;
using tovane::test::TempDir;

namespace {

void prepare(TempDir& dir)
{
    for (const char* f : {"cfg", "home", "home/Desktop", "l", "l/sub", "r", "r/target"})
        QVERIFY(dir.makeFolder(f));
    QVERIFY(dir.writeFile("l/memo.txt", "hello"));
    QVERIFY(dir.writeFile("l/menu.desktop", "[Desktop Entry]\n"));
}

struct Started {
    explicit Started(TempDir& dir) : window(dir.filePath(QStringLiteral("cfg")))
    {
        const QByteArray home = dir.pathBytes() + "/home";
        qputenv("HOME", home);
        qputenv("XDG_DATA_HOME", home + "/.local/share");
        qputenv("XDG_CONFIG_HOME", home + "/.config");
        const QByteArray settings = "[Tovane]\r\nApType=x\r\nApMode=3\r\n[Position]\r\nPath=_," +
                                    dir.pathBytes() + "/l,_," + dir.pathBytes() + "/r,\r\n";
        writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        window.setMessageService(&messages);
        messages.setDefaultAnswer(AnswerYes);
        window.startUp();
        window.activateWindowIndex(LeftWindow, 0);
        messages.clearLog(); // start-up notes (no help page here)
        shortcuts().desktopProperties = [this](const QStringList& given) {
            uris << given;
            return desktopAnswers;
        };
    }
    Shortcutting& shortcuts() { return *window.operating()->shortcutting(); }
    FileList& list(WindowIndex w) { return window.browsing()->list(w); }
    int rowOf(WindowIndex w, const QString& name) { return list(w).model()->rowOfName(name); }
    void mark(const char* name)
    {
        const int row = rowOf(LeftWindow, QString::fromUtf8(name));
        QVERIFY(row >= 0);
        list(LeftWindow).itemClicked(row, 0);
    }
    QAction* action(const char* control, int index)
    {
        return window.menus().action(control, index);
    }
    void trigger(const char* control, int index)
    {
        QAction* a = action(control, index);
        QVERIFY2(a && a->isEnabled() && a->isVisible(), control);
        a->trigger();
    }
    // The entries the destination list offers for a node of the right tree.
    QStringList destinationEntries(const QString& key)
    {
        TreeNavigator& navigator = window.browsing()->navigator();
        navigator.trees().addSubfolders(RightWindow, stripSeparator(parentOf(key)));
        navigator.mouseDown(RightWindow, TreeButton::Right, 0);
        navigator.mouseUp(RightWindow, TreeButton::Right);
        navigator.nodeClick(RightWindow, key, TreeButton::Right);
        QStringList texts;
        if (!navigator.destinationListOpen())
            return texts;
        auto* listF = window.findChild<QListWidget*>(QStringLiteral("ListF"));
        for (int i = 1; listF && i < listF->count(); ++i)
            texts << listF->item(i)->text();
        return texts;
    }

    MainWindow window;
    ScriptedMessageService messages;
    QStringList uris;
    bool desktopAnswers = false;
};

QByteArray linkText(const QString& path)
{
    char buf[4096];
    const ssize_t n = ::readlink(platform::pathToBytes(path).constData(), buf, sizeof buf);
    return n < 0 ? QByteArray("<no link>") : QByteArray(buf, n);
}

} // namespace

class ShortcuttingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void menuItems()
    {
        TempDir dir;
        prepare(dir);
        Started s(dir);
        QVERIFY(s.action("mnuFileItem", 7)->isVisible());
        QVERIFY(!s.action("mnuFileShCt", 3)->isVisible()); // クイックランチャ
        for (int i : {0, 1, 2, 4, 5})
            QVERIFY(s.action("mnuFileShCt", i)->isVisible());
        // Nothing marked: no shortcut; an item to show and a volume to format.
        QVERIFY(!s.action("mnuFileItem", 7)->isEnabled());
        QVERIFY(s.action("mnuFileItem", 8)->isEnabled());
        QVERIFY(s.action("mnuFileItem", 15)->isEnabled());
        s.mark("memo.txt");
        QVERIFY(s.action("mnuFileItem", 7)->isEnabled());
        // The basic function mode hides the item, as it hides the others.
        s.window.commandFunctionMode(0);
        QVERIFY(!s.action("mnuFileItem", 7)->isVisible());
    }

    void desktopShortcutFromTheMenu()
    {
        TempDir dir;
        prepare(dir);
        Started s(dir);
        s.mark("memo.txt");
        s.mark("menu.desktop");
        s.trigger("mnuFileShCt", 2);
        QCOMPARE(s.messages.texts().value(0),
                 QStringLiteral("memo.txt の\r\nショートカットを\r\n\r\nデスクトップ に作成します。"
                                "\r\n\r\n（ショートカット項目は対象外です。）"));
        QCOMPARE(linkText(dir.filePath(QStringLiteral("home/Desktop/memo.txtへのショートカット"))),
                 dir.pathBytes() + "/l/memo.txt");
    }

    void startMenuEntryFromTheMenu()
    {
        TempDir dir;
        prepare(dir);
        Started s(dir);
        s.mark("memo.txt");
        s.trigger("mnuFileShCt", 4);
        const QByteArray entry = test::readAll(
            dir.pathBytes() + "/home/.local/share/applications/memo.txtへのショートカット.desktop");
        QVERIFY2(entry.contains("\nExec=xdg-open \"" + dir.pathBytes() + "/l/memo.txt\"\n"),
                 entry.constData());
    }

    // The entry needs exactly one item that is no desktop entry.
    void destinationListEntry_data()
    {
        QTest::addColumn<QStringList>("marked");
        QTest::addColumn<bool>("offered");
        QTest::newRow("one file") << QStringList{"memo.txt"} << true;
        QTest::newRow("one file and a desktop entry")
            << QStringList{"memo.txt", "menu.desktop"} << true;
        QTest::newRow("two items") << QStringList{"memo.txt", "sub"} << false;
        QTest::newRow("only a desktop entry") << QStringList{"menu.desktop"} << false;
    }
    void destinationListEntry()
    {
        QFETCH(QStringList, marked);
        QFETCH(bool, offered);
        TempDir dir;
        prepare(dir);
        Started s(dir);
        for (const QString& name : marked)
            s.mark(name.toUtf8().constData());
        const QString key = dir.filePath(QStringLiteral("r/target"));
        const QStringList entries = s.destinationEntries(key);
        const qsizetype at = entries.indexOf(QStringLiteral(" ショートカットを作成"));
        QCOMPARE(at >= 0, offered);
        if (!offered)
            return;
        s.window.browsing()->navigator().destinationChosen(int(at));
        QCOMPARE(linkText(key + QStringLiteral("/memo.txtへのショートカット")),
                 dir.pathBytes() + "/l/memo.txt");
    }

    void propertiesOfAFile_data()
    {
        QTest::addColumn<bool>("desktopAnswers");
        QTest::newRow("the desktop's window") << true;
        QTest::newRow("our own window") << false;
    }
    void propertiesOfAFile()
    {
        QFETCH(bool, desktopAnswers);
        TempDir dir;
        prepare(dir);
        Started s(dir);
        s.desktopAnswers = desktopAnswers;
        s.list(LeftWindow).setCurrent(s.rowOf(LeftWindow, QStringLiteral("memo.txt")));
        QHash<QString, QString> shown;
        QString caption;
        s.shortcuts().propertiesForm = [&](DialogR& d) {
            caption = d.windowTitle();
            for (const char* key : {"Name", "Location", "Type", "Size", "Owner", "Permissions",
                                    "Attributes", "Modified"})
                shown.insert(QString::fromLatin1(key), d.shownValue(QString::fromLatin1(key)));
        };
        s.trigger("mnuFileItem", 8);
        QCOMPARE(s.uris, QStringList{QStringLiteral("file://") + dir.path() +
                                     QStringLiteral("/l/memo.txt")});
        QVERIFY(s.messages.log().isEmpty());
        if (desktopAnswers) {
            QCOMPARE(s.shortcuts().lastPropertiesShown(), QStringLiteral("desktop"));
            QVERIFY(shown.isEmpty());
            return;
        }
        QCOMPARE(s.shortcuts().lastPropertiesShown(), QStringLiteral("own"));
        QCOMPARE(caption, QStringLiteral("memo.txt のプロパティ"));
        QCOMPARE(shown.value("Name"), QStringLiteral("memo.txt"));
        QCOMPARE(shown.value("Location"), dir.filePath(QStringLiteral("l")));
        QVERIFY(shown.value("Type").startsWith(QStringLiteral("text/plain")));
        QCOMPARE(shown.value("Size"), QStringLiteral("5 バイト"));
        QCOMPARE(shown.value("Owner"), QString::fromUtf8(::getpwuid(::geteuid())->pw_name));
        QVERIFY(shown.value("Permissions").contains(u'('));
        QVERIFY(!shown.value("Attributes").isEmpty());
        QVERIFY(shown.value("Modified").startsWith(u'2'));
    }

    void propertiesOfAVolume()
    {
        TempDir dir;
        prepare(dir);
        Started s(dir);
        const QString mountPoint = platform::mountPointOf(dir.path());
        s.window.browsing()->list(LeftWindow).fill(QStringLiteral("_"));
        QVERIFY(s.list(LeftWindow).showsDriveList());
        const int row = s.rowOf(LeftWindow, mountPoint);
        QVERIFY(row >= 0);
        s.list(LeftWindow).setCurrent(row);
        QHash<QString, QString> shown;
        s.shortcuts().propertiesForm = [&](DialogR& d) {
            for (const char* key : {"MountPoint", "Device", "FileSystem", "Capacity", "Free"})
                shown.insert(QString::fromLatin1(key), d.shownValue(QString::fromLatin1(key)));
        };
        s.trigger("mnuFileItem", 8);
        platform::VolumeInfo volume;
        for (const platform::VolumeInfo& v : platform::listVolumes())
            if (v.mountPoint == mountPoint)
                volume = v;
        QCOMPARE(shown.value("MountPoint"), mountPoint);
        QCOMPARE(shown.value("Device"), volume.device);
        QCOMPARE(shown.value("FileSystem"), volume.fileSystem);
        QVERIFY(shown.value("Capacity").contains(QStringLiteral("バイト")));
        QVERIFY(shown.value("Free").contains(QStringLiteral("バイト")));
        // A volume's shortcut from the drive list.
        s.trigger("mnuFileShCt", 2);
        const QList<QByteArray> made = test::entries(dir.pathBytes() + "/home/Desktop");
        QCOMPARE(made.size(), 1);
        QCOMPARE(
            linkText(dir.filePath(QStringLiteral("home/Desktop/")) + QString::fromUtf8(made[0])),
            mountPoint.toUtf8());
    }

    // Without the utility a message; with it the device goes there, and the
    // opposite window on that volume is read again once it has ended.
    void format_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::newRow("no utility") << false;
        QTest::newRow("utility") << true;
    }
    void format()
    {
        QFETCH(bool, installed);
        TempDir dir;
        prepare(dir);
        Started s(dir);
        const QString mountPoint = platform::mountPointOf(dir.path());
        QString device;
        for (const platform::VolumeInfo& v : platform::listVolumes())
            if (v.mountPoint == mountPoint)
                device = v.device;
        if (!device.startsWith(QStringLiteral("/dev/")))
            QSKIP("the test folder lies on no block device here");
        // Only the end of the format may read the right list again.
        s.window.watching()->watch(RightWindow).follow(QString());
        QStringList started;
        bool ended = false;
        int polls = 0;
        s.shortcuts().formatTool.findProgram = [&](const QString& name) {
            return installed ? QStringLiteral("/opt/") + name : QString();
        };
        s.shortcuts().formatTool.start = [&](const QString& program, const QStringList& args,
                                             pid_t& pid) {
            started << program << args;
            pid = 99999;
            return 0;
        };
        s.shortcuts().programEnded = [&](pid_t) {
            ++polls;
            return ended;
        };
        s.trigger("mnuFileItem", 15);
        if (!installed) {
            QCOMPARE(s.messages.captions(), QStringList{QStringLiteral("フォーマット")});
            QVERIFY(started.isEmpty());
            return;
        }
        QVERIFY(s.messages.log().isEmpty());
        QCOMPARE(started,
                 (QStringList{QStringLiteral("/opt/gnome-disks"), QStringLiteral("--block-device"),
                              device, QStringLiteral("--format-device")}));
        QVERIFY(dir.writeFile("r/new.txt", "n"));
        QTRY_VERIFY(polls >= 1);
        QVERIFY(s.rowOf(RightWindow, QStringLiteral("new.txt")) < 0);
        ended = true;
        QTRY_VERIFY(s.rowOf(RightWindow, QStringLiteral("new.txt")) >= 0);
    }
};

QTEST_MAIN(ShortcuttingTest)
#include "tst_shortcutting.moc"
