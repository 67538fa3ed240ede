#include "app/browsing.h"
#include "app/mainwindow.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "platform/filesystem.h"
#include "platform/names.h"
#include "support/tempdir.h"
#include "tree/treerules.h"

#include <QAction>
#include <QLabel>
#include <QTreeView>
#include <QtTest>

using namespace tovane;
using tovane::test::TempDir;

namespace {

// A main window started on two folders of a temporary tree.
struct Started {
    Started(const QString& configFolder, const QString& left, const QString& right)
        : window(configFolder)
    {
        const QByteArray settings =
            "[Position]\r\nPath=_," + left.toUtf8() + ",_," + right.toUtf8() + ",\r\n";
        writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        window.setMessageService(&messages);
        window.startUp();
    }
    FileList& list(WindowIndex w) { return window.browsing()->list(w); }
    QStringList names(WindowIndex w)
    {
        QStringList out;
        const FileListModel* m = list(w).model();
        for (int r = 0; r < m->count(); ++r)
            out << m->nameAt(r);
        return out;
    }
    int rowOf(WindowIndex w, const QString& name) { return list(w).model()->rowOfName(name); }
    void trigger(const char* control, int index)
    {
        QAction* a = window.menus().action(control, index);
        QVERIFY2(a && a->isEnabled(), control);
        a->trigger();
    }
    MainWindow window;
    ScriptedMessageService messages;
};

const QByteArray BadName = QByteArrayLiteral("bad\xff\xfe");

} // namespace

class BrowsingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startShowsBothFoldersInTreeAndList();
    void folderOpenedFromListBecomesWindowPath_data();
    void folderOpenedFromListBecomesWindowPath();
    void refreshShowsChangesAndRepairsVanishedFolder();
    void listMenusChangeTheSelectedWindowOnly();
    void hiddenAttributeMenuRefillsBothWindows();
    void subtreeModeMakesTheFolderTheTreeTop();
    void pathsAreWrittenBackOnClose();
};

void BrowsingTest::startShowsBothFoldersInTreeAndList()
{
    TempDir dir;
    QVERIFY(dir.makeFolder("a"));
    QVERIFY(dir.makeFolder("cfg"));
    QVERIFY(dir.makeFolder("a/sub"));
    QVERIFY(dir.writeFile("a/k1024", QByteArray(1024, 'x')));
    QVERIFY(dir.writeFile("a/k1025", QByteArray(1025, 'x')));
    QVERIFY(dir.makeFolder("b"));
    Started s(dir.filePath(QStringLiteral("cfg")), dir.filePath(QStringLiteral("a")),
              dir.filePath(QStringLiteral("b")));
    QCOMPARE(s.names(LeftWindow), (QStringList{"sub", "k1024", "k1025"}));
    QVERIFY(s.names(RightWindow).isEmpty());
    QCOMPARE(s.window.pane(LeftWindow)->header()->text(), dir.filePath(QStringLiteral("a/")));
    // The tree's selected node is the listed folder in both windows.
    QCOMPARE(s.window.browsing()->navigator().model(LeftWindow).selectedKey(),
             dir.filePath(QStringLiteral("a")));
    QCOMPARE(s.window.browsing()->navigator().model(RightWindow).selectedKey(),
             dir.filePath(QStringLiteral("b")));
    auto* count = s.window.findChild<QLabel*>(QStringLiteral("lblListCount_0"));
    QVERIFY(count);
    QVERIFY2(count->text().contains(QStringLiteral("3 項目")), qPrintable(count->text()));
    // The list widget shows the engine's model, and the volume line is filled.
    QCOMPARE(s.window.pane(LeftWindow)->list()->model()->rowCount(), 3);
    QVERIFY(s.window.pane(LeftWindow)->driveStatus()->text().contains(QStringLiteral("全容量：")));
    // Nothing about the folders was reported (the missing help file may be).
    for (const QString& text : s.messages.texts())
        QVERIFY2(!text.contains(dir.path()) || text.contains(QStringLiteral("Help")),
                 qPrintable(text));
}

void BrowsingTest::folderOpenedFromListBecomesWindowPath_data()
{
    QTest::addColumn<QByteArray>("folder");
    QTest::newRow("plain") << QByteArray("sub");
    QTest::newRow("blank and newline") << QByteArray("a b\nc");
    QTest::newRow("invalid UTF-8") << BadName;
}

void BrowsingTest::folderOpenedFromListBecomesWindowPath()
{
    QFETCH(QByteArray, folder);
    TempDir dir;
    QVERIFY(dir.makeFolder("a"));
    QVERIFY(dir.makeFolder("cfg"));
    QVERIFY(dir.makeFolder("a/" + folder));
    QVERIFY(dir.writeFile("a/" + folder + "/inner.txt", "x"));
    Started s(dir.filePath(QStringLiteral("cfg")), dir.filePath(QStringLiteral("a")),
              dir.filePath(QStringLiteral("a")));
    const QString name = platform::nameFromBytes(folder);
    const int row = s.rowOf(LeftWindow, name);
    QVERIFY(row >= 0);
    s.list(LeftWindow).itemDoubleClicked(row);
    const QString expected = dir.filePath(QStringLiteral("a/")) + name;
    QCOMPARE(s.window.state().listedPath(LeftWindow), expected + u'/');
    QCOMPARE(s.names(LeftWindow), QStringList{QStringLiteral("inner.txt")});
    QCOMPARE(s.window.browsing()->navigator().model(LeftWindow).selectedKey(), expected);
    // The other window stays where it was.
    QCOMPARE(s.window.state().listedPath(RightWindow), dir.filePath(QStringLiteral("a/")));
}

void BrowsingTest::refreshShowsChangesAndRepairsVanishedFolder()
{
    TempDir dir;
    QVERIFY(dir.makeFolder("a"));
    QVERIFY(dir.makeFolder("cfg"));
    QVERIFY(dir.makeFolder("a/gone"));
    Started s(dir.filePath(QStringLiteral("cfg")), dir.filePath(QStringLiteral("a/gone")),
              dir.filePath(QStringLiteral("a")));
    QVERIFY(s.names(LeftWindow).isEmpty());
    QVERIFY(dir.writeFile("a/gone/new.txt", "x"));
    s.trigger("mnuDispItem", 18);
    QCOMPARE(s.names(LeftWindow), QStringList{QStringLiteral("new.txt")});

    // Removed behind the program's back: both windows end on the parent, and
    // the right one (showing the parent) lists it without the folder.
    QCOMPARE(platform::deleteFile(dir.filePath(QStringLiteral("a/gone/new.txt"))), 0);
    QCOMPARE(platform::deleteEmptyFolder(dir.filePath(QStringLiteral("a/gone"))), 0);
    s.trigger("mnuDispItem", 18);
    QCOMPARE(s.window.state().listedPath(LeftWindow), dir.filePath(QStringLiteral("a/")));
    QVERIFY(s.names(LeftWindow).isEmpty());
    QVERIFY(s.names(RightWindow).isEmpty());
    QCOMPARE(s.window.browsing()->navigator().model(LeftWindow).selectedKey(),
             dir.filePath(QStringLiteral("a")));
    QVERIFY(s.window.browsing()
                ->navigator()
                .model(LeftWindow)
                .indexOf(dir.filePath(QStringLiteral("a/gone"))) == QModelIndex());
}

void BrowsingTest::listMenusChangeTheSelectedWindowOnly()
{
    TempDir dir;
    QVERIFY(dir.makeFolder("a"));
    QVERIFY(dir.makeFolder("cfg"));
    QVERIFY(dir.writeFile("a/k1025", QByteArray(1025, 'x')));
    Started s(dir.filePath(QStringLiteral("cfg")), dir.filePath(QStringLiteral("a")),
              dir.filePath(QStringLiteral("a")));
    const WindowIndex selected = s.window.selectedWindow();
    const WindowIndex other = oppositeOf(selected);
    s.trigger("mnuDispUnit", 1);
    QCOMPARE(s.list(selected).model()->cellText(0, 1), QStringLiteral("2"));
    QCOMPARE(s.list(other).model()->cellText(0, 1), QStringLiteral("1,025"));
    QVERIFY(s.window.menus().action("mnuDispUnit", 1)->isChecked());
    s.trigger("mnuListView", 0);
    QCOMPARE(s.list(selected).listForm(), 0);
    QCOMPARE(s.list(other).listForm(), 1);
    // Switching windows shows the other window's settings in the menu.
    s.window.activateWindowIndex(other, 0);
    QVERIFY(s.window.menus().action("mnuDispUnit", 0)->isChecked());
    QVERIFY(s.window.menus().action("mnuListView", 1)->isChecked());
}

void BrowsingTest::hiddenAttributeMenuRefillsBothWindows()
{
    TempDir dir;
    QVERIFY(dir.makeFolder("a"));
    QVERIFY(dir.makeFolder("cfg"));
    QVERIFY(dir.writeFile("a/.hidden", "x"));
    QVERIFY(dir.writeFile("a/shown", "x"));
    QVERIFY(dir.makeFolder("a/.hiddenfolder"));
    Started s(dir.filePath(QStringLiteral("cfg")), dir.filePath(QStringLiteral("a")),
              dir.filePath(QStringLiteral("a")));
    const bool hiddenShownAtStart = s.rowOf(LeftWindow, QStringLiteral(".hidden")) >= 0;
    s.trigger("mnuNDispAttr", 1);
    for (const WindowIndex w : {LeftWindow, RightWindow}) {
        QCOMPARE(s.rowOf(w, QStringLiteral(".hidden")) >= 0, !hiddenShownAtStart);
        QCOMPARE(s.rowOf(w, QStringLiteral("shown")) >= 0, true);
    }
    QCOMPARE(s.window.menus().action("mnuNDispAttr", 1)->isChecked(), hiddenShownAtStart);
    // The tree follows the mask too.
    const QModelIndex node = s.window.browsing()
                                 ->navigator()
                                 .model(LeftWindow)
                                 .indexOf(dir.filePath(QStringLiteral("a/.hiddenfolder")));
    QCOMPARE(node.isValid(), !hiddenShownAtStart);
}

void BrowsingTest::subtreeModeMakesTheFolderTheTreeTop()
{
    TempDir dir;
    QVERIFY(dir.makeFolder("a"));
    QVERIFY(dir.makeFolder("cfg"));
    QVERIFY(dir.makeFolder("a/sub"));
    Started s(dir.filePath(QStringLiteral("cfg")), dir.filePath(QStringLiteral("a")),
              dir.filePath(QStringLiteral("a")));
    const WindowIndex w = s.window.selectedWindow();
    s.trigger("mnuDispTree", 2);
    QCOMPARE(s.window.browsing()->navigator().trees().treeTopKey(w),
             dir.filePath(QStringLiteral("a")));
    QCOMPARE(s.window.state().treeTop(w), dir.filePath(QStringLiteral("a")));
    QCOMPARE(s.window.browsing()->navigator().model(w).firstKey(),
             dir.filePath(QStringLiteral("a")));
    s.trigger("mnuDispTree", 0);
    QCOMPARE(s.window.browsing()->navigator().model(w).firstKey(), ComputerKey);
    QCOMPARE(s.window.state().listedPath(w), dir.filePath(QStringLiteral("a/")));
}

void BrowsingTest::pathsAreWrittenBackOnClose()
{
    TempDir dir;
    QVERIFY(dir.makeFolder("a"));
    QVERIFY(dir.makeFolder("cfg"));
    QVERIFY(dir.makeFolder("a/sub"));
    const QString config = dir.filePath(QStringLiteral("cfg"));
    QString settingsFile;
    {
        Started s(config, dir.filePath(QStringLiteral("a")), dir.filePath(QStringLiteral("a")));
        settingsFile = s.window.settingsFile();
        const WindowIndex w = s.window.selectedWindow();
        s.list(w).itemDoubleClicked(s.rowOf(w, QStringLiteral("sub")));
        QVERIFY(s.window.close());
    }
    const QString text = readSettingsText(settingsFile);
    QVERIFY2(text.contains(dir.filePath(QStringLiteral("a/sub/")) + u','), qPrintable(text));
}

QTEST_MAIN(BrowsingTest)
#include "tst_browsing.moc"
