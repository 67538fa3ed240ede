#include "core/conventions.h"
#include "fs/pathrules.h"
#include "platform/names.h"
#include "tree/treenavigator.h"
#include "tree/treerules.h"
#include "tree/treetestenv.h"

#include <QtTest>

#include <cerrno>

using namespace tovane;
using tovane::test::TreeEnv;

namespace {

const QString Slash = QStringLiteral("/");

// "l1/l2/.../ln"
QString chain(int levels)
{
    QStringList parts;
    for (int i = 1; i <= levels; ++i)
        parts.append(QStringLiteral("l%1").arg(i));
    return parts.join(Slash);
}

// Folders w/i/j/k for i, j, k below `fan`: fan + fan^2 + fan^3 of them.
QList<QByteArray> wideTree(int fan)
{
    QList<QByteArray> entries;
    for (int i = 0; i < fan; ++i)
        for (int j = 0; j < fan; ++j)
            for (int k = 0; k < fan; ++k)
                entries.append(QStringLiteral("w/%1/%2/%3/").arg(i).arg(j).arg(k).toUtf8());
    return entries;
}

} // namespace

class TreeNavigatorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A folder deleted behind the program's back: whatever notices it first,
    // both windows end up at the nearest existing folder with the vanished
    // nodes gone.
    void vanishedPathRepairsBothWindows_data()
    {
        QTest::addColumn<int>("trigger"); // 0 click, 1 refresh, 2 expand, 3 list open
        QTest::newRow("node click") << 0;
        QTest::newRow("window refresh") << 1;
        QTest::newRow("expansion") << 2;
        QTest::newRow("opened from the list") << 3;
    }
    void vanishedPathRepairsBothWindows()
    {
        QFETCH(int, trigger);
        TreeEnv env;
        QVERIFY(env.make({"a/b/c/d/", "a/keep/"}));
        env.host.paths = {env.path("a/b/c/"), env.path("a/b/c/d/")};
        env.trees().buildTree(LeftWindow, env.root(), env.path("a/b/c"), true);
        env.trees().buildTree(RightWindow, env.root(), env.path("a/b/c/d"), true);
        env.host.fills.clear();
        QVERIFY(test::removeTree(platform::pathToBytes(env.path("a/b"))));

        switch (trigger) {
        case 0:
            env.navigator->nodeClick(LeftWindow, env.path("a/b/c"));
            break;
        case 1:
            env.navigator->refreshWindowPath(LeftWindow);
            break;
        case 2:
            env.navigator->nodeExpanded(LeftWindow, env.path("a/b/c"));
            break;
        default:
            env.navigator->openFolderFromList(LeftWindow, env.path("a/b/c/d"));
            break;
        }
        for (WindowIndex w : {LeftWindow, RightWindow}) {
            QCOMPARE(env.host.paths[w], env.path("a/"));
            QVERIFY(!env.model(w).contains(env.path("a/b")));
            QVERIFY(!env.model(w).contains(env.path("a/b/c")));
            QVERIFY(env.model(w).contains(env.path("a/keep")));
            QCOMPARE(env.model(w).selectedKey(), env.path("a"));
            QVERIFY(env.host.fillsOf(w).contains(env.path("a/")));
            QVERIFY(env.host.contentResets.contains(w));
        }
        // One message for the action, naming what was asked for.
        QCOMPARE(env.messages.log().size(), 1);
        QVERIFY(env.messages.texts().first().startsWith(QStringLiteral("パス ")));
        QCOMPARE(env.messages.captions().first(), test::TestCaption);
    }

    // The other window's subtree top vanished with the folder: it is rebuilt
    // at the nearest existing folder.
    void vanishedSubtreeTop()
    {
        TreeEnv env;
        QVERIFY(env.make({"a/b/c/"}));
        env.host.paths = {env.path("a/b/c/"), env.path("a/b/c/")};
        env.trees().buildTree(LeftWindow, env.root(), env.path("a/b/c"), true);
        env.trees().buildTree(RightWindow, env.path("a/b"), env.path("a/b/c"), true);
        QVERIFY(test::removeTree(platform::pathToBytes(env.path("a/b"))));
        QCOMPARE(env.navigator->checkPathWithRepair(LeftWindow, env.path("a/b/c/")),
                 int(CheckPathMissing));
        QVERIFY(env.navigator->lastCheckRepaired());
        QCOMPARE(env.trees().treeTopKey(RightWindow), env.path("a"));
        QCOMPARE(env.host.paths[RightWindow], env.path("a/"));
        QCOMPARE(env.host.paths[LeftWindow], env.path("a/"));
    }

    // A vanished file refills the lists that show its folder and moves no one.
    void vanishedFile()
    {
        TreeEnv env;
        QVERIFY(env.make({"a/f", "b/"}));
        env.host.paths = {env.path("a/"), env.path("b/")};
        env.trees().buildTree(LeftWindow, env.root(), env.path("a"), true);
        env.trees().buildTree(RightWindow, env.root(), env.path("b"), true);
        env.host.fills.clear();
        QVERIFY(::unlink(platform::pathToBytes(env.path("a/f")).constData()) == 0);
        QCOMPARE(env.navigator->checkPathWithRepair(LeftWindow, env.path("a/"), QStringLiteral("f"),
                                                    RepairQuiet),
                 int(CheckFileMissing));
        QVERIFY(env.navigator->lastCheckRepaired());
        QCOMPARE(env.host.paths[0], env.path("a/"));
        QCOMPARE(env.host.fills, (QList<test::FakeTreeHost::Fill>{{LeftWindow, env.path("a/")}}));
        QVERIFY(env.messages.log().isEmpty());
        // An available path changes nothing.
        QCOMPARE(env.navigator->checkPathWithRepair(LeftWindow, env.path("b")), 0);
        QVERIFY(!env.navigator->lastCheckRepaired());
    }

    // A volume that stops answering while a window shows it.
    void volumeGoneWhileShown()
    {
        TreeEnv env;
        QVERIFY(env.make({"v/d/"}));
        env.addVolume(QStringLiteral("v"), platform::DriveRemovable);
        env.host.paths = {env.path("v/d/"), env.path("v/d/")};
        env.trees().buildTree(LeftWindow, ComputerKey, env.path("v/d"), true);
        env.trees().buildTree(RightWindow, env.path("v/d"), env.path("v/d"), true);
        env.volumes.setVolumeError(env.path("v"), ENOMEDIUM);
        QCOMPARE(env.navigator->checkPathWithRepair(LeftWindow, env.path("v/d/")),
                 int(CheckNotReady));
        // Whole computer: the node reads " ―", the window lists the volumes.
        QCOMPARE(env.model(LeftWindow).node(env.path("v"))->text,
                 env.path("v") + QStringLiteral(" ―"));
        QCOMPARE(env.host.paths[LeftWindow], ComputerText);
        // A subtree on it becomes the whole computer.
        QVERIFY(env.trees().wholeComputerTree(RightWindow));
        QCOMPARE(env.host.paths[RightWindow], ComputerText);
        QCOMPARE(env.messages.log().size(), 1);
    }

    void jumpDeep_data()
    {
        QTest::addColumn<bool>("whole");
        QTest::newRow("subtree") << false;
        QTest::newRow("whole computer") << true;
    }
    void jumpDeep()
    {
        QFETCH(bool, whole);
        TreeEnv env;
        QList<QByteArray> entries;
        QString at;
        for (int i = 1; i <= 12; ++i) {
            at += (i > 1 ? QStringLiteral("/") : QString()) + QStringLiteral("l%1").arg(i);
            entries.append((at + QStringLiteral("/side/")).toUtf8());
        }
        QVERIFY(env.make(entries));
        env.host.paths[0] = env.root() + Slash;
        env.trees().buildTree(LeftWindow, whole ? ComputerKey : env.root(), env.root(), true);
        env.host.fills.clear();
        const QString target = env.path(chain(12));
        QVERIFY(!env.model().contains(target));

        env.navigator->jumpToPath(target + Slash);
        QCOMPARE(env.model().selectedKey(), target);
        QCOMPARE(env.host.paths[0], target + Slash);
        QCOMPARE(env.host.fills, (QList<test::FakeTreeHost::Fill>{{LeftWindow, target + Slash}}));
        for (const FolderTreeModel::Node* p = env.model().node(target)->parent; p; p = p->parent)
            QVERIFY(p->expanded);
        QVERIFY(env.progress.progressTexts().contains(JumpProgressText));
        QVERIFY(!env.progress.busy());
        QVERIFY(env.messages.log().isEmpty());
        // Siblings along the way were read one level ahead.
        QVERIFY(env.model().contains(env.path(chain(11) + QStringLiteral("/side"))));
    }

    void jumpRefused_data()
    {
        QTest::addColumn<QString>("jump");
        QTest::addColumn<QString>("message");
        QTest::newRow("outside the subtree") << "@/database/x"
                                             << "選択窓のツリーに\r\n\r\n@/database/x\r\n\r\n"
                                                "は含まれないのでジャンプできません。\r\n\r\n";
        QTest::newRow("missing") << "@/data/none"
                                 << "ツリーの対象項目は見つかりません。\r\n\r\n";
        QTest::newRow("hidden") << "@/data/.h"
                                << "ツリーの対象項目は見つかりません。\r\n\r\n";
        QTest::newRow("no path") << ""
                                 << "";
    }
    void jumpRefused()
    {
        QFETCH(QString, jump);
        QFETCH(QString, message);
        TreeEnv env;
        QVERIFY(env.make({"data/x/", "data/.h/", "database/x/"}));
        env.trees().setHiddenMask(AttrHidden);
        env.host.paths[0] = env.path("data/x/");
        env.trees().buildTree(LeftWindow, env.path("data"), env.path("data/x"), true);
        env.host.fills.clear();
        env.navigator->jumpToPath(env.at(jump));
        QCOMPARE(env.messages.texts(),
                 message.isEmpty() ? QStringList() : QStringList{env.at(message)});
        QCOMPARE(env.host.paths[0], env.path("data/x/"));
        QVERIFY(env.host.fills.isEmpty());
        QVERIFY(!env.progress.busy());
    }

    void openFromList_data()
    {
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("kind");
        QTest::newRow("folder without a node") << "a/b/c"
                                               << "a/b/c" << int(NodeKind::Folder);
        QTest::newRow("mount point selects its volume") << "a/vol"
                                                        << "a/vol" << int(NodeKind::Drive);
        QTest::newRow("below a mount point") << "a/vol/in"
                                             << "a/vol/in" << int(NodeKind::Folder);
    }
    void openFromList()
    {
        QFETCH(QString, open);
        QFETCH(QString, selected);
        QFETCH(int, kind);
        TreeEnv env;
        QVERIFY(env.make({"a/b/c/", "a/vol/in/"}));
        env.addVolume(QStringLiteral("a/vol"));
        env.host.paths[0] = env.path("a/");
        env.trees().buildTree(LeftWindow, ComputerKey, env.root(), true);
        env.host.fills.clear();
        QCOMPARE(env.navigator->openFolderFromList(LeftWindow, env.path(open)), 0);
        QCOMPARE(env.model().selectedKey(), env.path(selected));
        QCOMPARE(int(env.model().node(env.path(selected))->kind), kind);
        QCOMPARE(env.host.paths[0], env.path(selected) + Slash);
        QCOMPARE(env.host.fillsOf(LeftWindow), QStringList{env.path(selected) + Slash});
    }

    void openRefused()
    {
        TreeEnv env;
        QVERIFY(env.make({"a/locked/"}));
        env.volumes.denyAccess(env.path("a/locked"));
        env.host.paths[0] = env.path("a/");
        env.trees().buildTree(LeftWindow, env.root(), env.path("a"), true);
        env.host.fills.clear();
        QCOMPARE(env.navigator->openFolderFromList(LeftWindow, env.path("a/locked")),
                 int(ResultFailed));
        QCOMPARE(env.messages.texts(),
                 QStringList{env.path("a/locked") + QStringLiteral(" にはアクセスできません。")});
        QCOMPARE(env.messages.captions(), QStringList{ListOpenTitle});
        QCOMPARE(env.host.paths[0], env.path("a/"));
        QVERIFY(env.host.fills.isEmpty());

        // The same folder clicked in the tree.
        env.messages.clearLog();
        env.navigator->nodeClick(LeftWindow, env.path("a/locked"));
        QCOMPARE(env.messages.captions(), QStringList{TreeSelectTitle});
        QCOMPARE(env.host.paths[0], env.path("a/"));
        QCOMPARE(env.model().selectedKey(), env.path("a"));
    }

    // Shift at mouse-down: the expansion loads and unfolds the whole
    // subtree, also where nodes were read one level deep before.
    void shiftExpansion_data()
    {
        QTest::addColumn<bool>("readBefore");
        QTest::newRow("first expansion") << false;
        QTest::newRow("expanded before") << true;
    }
    void shiftExpansion()
    {
        QFETCH(bool, readBefore);
        TreeEnv env;
        QVERIFY(env.make(wideTree(3)));
        env.host.paths[0] = env.root() + Slash;
        env.trees().buildTree(LeftWindow, env.root(), env.root(), true);
        const QString w = env.path("w");
        if (readBefore) {
            env.navigator->nodeExpanded(LeftWindow, w);
            env.navigator->nodeCollapsed(LeftWindow, w);
        }
        env.navigator->mouseDown(LeftWindow, TreeButton::Left, ModifierShift);
        QVERIFY(env.trees().fullExpandRequest(LeftWindow));
        env.navigator->nodeExpanded(LeftWindow, w);
        QCOMPARE(env.model().subtreeKeys(w).size(), 1 + 3 + 9 + 27);
        QVERIFY(env.model().isExpanded(env.path("w/2/2")));
        QVERIFY(env.model().isExpanded(env.path("w/0/1/2")));
        QVERIFY(!env.trees().fullExpandRequest(LeftWindow));
        QVERIFY(!env.navigator->suppressExpandEvents(LeftWindow));
        QVERIFY(!env.progress.busy());
        QVERIFY(env.progress.progressTexts().contains(QStringLiteral("左窓のツリーを展開中")));
    }

    void shiftExpansionInterrupted()
    {
        TreeEnv env;
        QVERIFY(env.make(wideTree(6)));
        env.trees().buildTree(LeftWindow, env.root(), env.root(), true);
        const QString w = env.path("w");
        env.navigator->mouseDown(LeftWindow, TreeButton::Left, ModifierShift);
        env.progress.interruptAfterPumps(40);
        env.navigator->nodeExpanded(LeftWindow, w);
        const int loaded = int(env.model().subtreeKeys(w).size());
        QVERIFY2(loaded < 1 + 6 + 36 + 216, qPrintable(QString::number(loaded)));
        QVERIFY(loaded > 1 + 6);
        // Stopped: nothing unfolded below, flags and busy state cleared.
        QVERIFY(env.model().isExpanded(w));
        QVERIFY(!env.model().isExpanded(env.path("w/0")));
        QVERIFY(!env.trees().fullExpandRequest(LeftWindow));
        QVERIFY(!env.progress.interruptRequested());
        QVERIFY(!env.progress.busy());
        // What was read stays consistent: every node's parent is a node.
        for (const QString& key : env.model().subtreeKeys(w))
            QVERIFY(key == w || env.model().contains(treeKeyOf(parentOf(key))));
    }

    // A plain expansion reads one level ahead only, and shows folders made
    // behind the program's back when the parent's parent is expanded again.
    void plainExpansion()
    {
        TreeEnv env;
        QVERIFY(env.make(wideTree(2)));
        env.trees().buildTree(LeftWindow, env.root(), env.root(), true);
        env.navigator->nodeExpanded(LeftWindow, env.path("w"));
        QVERIFY(env.model().contains(env.path("w/1/1")));
        QVERIFY(!env.model().contains(env.path("w/1/1/0")));
        QVERIFY(env.model().isExpanded(env.path("w")));
        QVERIFY(env.make({"w/1/new/"}));
        env.navigator->nodeExpanded(LeftWindow, env.root());
        QVERIFY(!env.model().contains(env.path("w/1/new")));
        env.navigator->nodeExpanded(LeftWindow, env.path("w"));
        QVERIFY(env.model().contains(env.path("w/1/new")));
        QVERIFY(!env.progress.busy());
    }

    void collapse_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("fills");
        QTest::newRow("path below the node") << "a/b/c" << false << "a" << QStringList{"a"};
        QTest::newRow("path elsewhere") << "x" << false << "x" << QStringList();
        QTest::newRow("path is the node") << "a" << false << "a" << QStringList();
        QTest::newRow("shift collapses below") << "a/b/c" << true << "a" << QStringList{"a"};
    }
    void collapse()
    {
        QFETCH(QString, current);
        QFETCH(bool, shift);
        QFETCH(QString, selected);
        QFETCH(QStringList, fills);
        TreeEnv env;
        QVERIFY(env.make({"a/b/c/d/", "x/"}));
        env.host.paths[0] = env.path(current) + Slash;
        env.trees().buildTree(LeftWindow, env.root(), env.path(current), true);
        env.model().setExpanded(env.path("a"), true);
        env.model().setExpanded(env.path("a/b"), true);
        env.host.fills.clear();
        env.navigator->mouseDown(LeftWindow, TreeButton::Left, shift ? ModifierShift : 0);
        env.navigator->nodeCollapsed(LeftWindow, env.path("a"));
        QCOMPARE(env.model().selectedKey(), env.path(selected));
        QCOMPARE(env.host.paths[0], env.path(selected) + Slash);
        QStringList expected;
        for (const QString& f : fills)
            expected.append(env.path(f) + Slash);
        QCOMPARE(env.host.fillsOf(LeftWindow), expected);
        QVERIFY(!env.model().isExpanded(env.path("a")));
        QCOMPARE(env.model().isExpanded(env.path("a/b")), !shift);
        QVERIFY(!env.trees().fullExpandRequest(LeftWindow));
    }

    // Clicking a volume node re-reads the volume; optical and removable
    // volumes are always rebuilt, others when their text or folder count
    // changed. The other window follows a rebuilt volume.
    void volumeClick_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("newFolder");
        QTest::addColumn<bool>("pathOnVolume");
        QTest::addColumn<bool>("rebuilt");
        QTest::newRow("optical always") << int(platform::DriveCdRom) << false << false << true;
        QTest::newRow("optical, path on it") << int(platform::DriveCdRom) << false << true << true;
        QTest::newRow("removable always")
            << int(platform::DriveRemovable) << false << false << true;
        // The nested volume's mount point is no folder of the volume.
        QTest::newRow("fixed unchanged") << int(platform::DriveFixed) << false << false << false;
        QTest::newRow("fixed, path on it") << int(platform::DriveFixed) << false << true << false;
        QTest::newRow("fixed with a new folder")
            << int(platform::DriveFixed) << true << false << true;
    }
    void volumeClick()
    {
        QFETCH(int, type);
        QFETCH(bool, newFolder);
        QFETCH(bool, pathOnVolume);
        QFETCH(bool, rebuilt);
        TreeEnv env;
        QVERIFY(env.make({"v/a/b/c/d/", "v/a/b/x/y/z/", "v/mnt/in/", "other/"}));
        env.addVolume(QStringLiteral("v"), type);
        env.addVolume(QStringLiteral("v/mnt"));
        const QString deep = env.path("v/a/b/c/d");
        env.host.paths = {env.path("other/"), env.path("v/a/b/c/d/")};
        env.trees().buildTree(LeftWindow, ComputerKey, env.path("other"), true);
        env.trees().buildTree(RightWindow, ComputerKey, deep, true);
        env.navigator->jumpToPath(QString()); // nothing
        env.host.selected = LeftWindow;
        // Read only by a jump: a rebuilt volume node has it no more.
        const QString witness = env.path("v/a/b/x/y/z");
        env.navigator->jumpToPath(witness);
        env.navigator->jumpToPath(deep);
        if (!pathOnVolume) {
            env.host.paths[0] = env.path("other/");
            env.model().select(env.path("other"));
        }
        QVERIFY(env.model().contains(witness));
        if (newFolder)
            QVERIFY(env.make({"v/fresh/"}));
        env.host.fills.clear();

        env.navigator->nodeClick(LeftWindow, env.path("v"));
        QCOMPARE(env.model().contains(witness), !rebuilt);
        QCOMPARE(env.model().contains(env.path("v/fresh")), newFolder);
        QCOMPARE(env.model().selectedKey(), env.path("v"));
        QCOMPARE(env.host.paths[0], env.path("v/"));
        // The other window keeps its path; its list is filled again only
        // when the volume was rebuilt.
        QCOMPARE(env.host.paths[1], deep + Slash);
        QCOMPARE(env.host.fillsOf(RightWindow).contains(deep + Slash), rebuilt);
        QCOMPARE(env.model(RightWindow).contains(env.path("v/fresh")), newFolder);
        QCOMPARE(env.model(RightWindow).selectedKey(), deep);
    }

    void pathChangeQuestion_data()
    {
        QTest::addColumn<bool>("heavy");
        QTest::addColumn<qint16>("answer");
        QTest::addColumn<bool>("changed");
        QTest::newRow("light selection, no question") << false << qint16(AnswerYes) << true;
        QTest::newRow("heavy, yes") << true << qint16(AnswerYes) << true;
        QTest::newRow("heavy, no") << true << qint16(AnswerNo) << false;
    }
    void pathChangeQuestion()
    {
        QFETCH(bool, heavy);
        QFETCH(qint16, answer);
        QFETCH(bool, changed);
        TreeEnv env;
        QVERIFY(env.make({"a/", "b/"}));
        env.host.paths[0] = env.path("a/");
        env.trees().buildTree(LeftWindow, env.root(), env.path("a"), true);
        env.host.fills.clear();
        env.host.loads[RightWindow] = {true, true, heavy ? 6000 : 10, false, 0};
        env.messages.enqueue(answer);
        env.navigator->nodeClick(LeftWindow, env.path("b"));
        const QString now = changed ? env.path("b") : env.path("a");
        QCOMPARE(env.host.paths[0], now + Slash);
        QCOMPARE(env.model().selectedKey(), now);
        QCOMPARE(env.host.fillsOf(LeftWindow),
                 changed ? QStringList{env.path("b/")} : QStringList());
        if (heavy) {
            QCOMPARE(env.messages.texts(), QStringList{tovane::pathChangeQuestion()});
            QCOMPARE(env.messages.captions(), QStringList{PathChangeTitle});
            QCOMPARE(env.messages.log().first().flags, quint32(ButtonsYesNo));
        } else {
            QVERIFY(env.messages.log().isEmpty());
        }
    }

    void destinationList_data()
    {
        QTest::addColumn<bool>("two");
        QTest::addColumn<bool>("moveApplies");
        QTest::addColumn<int>("marked");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<int>("width");
        const QString heading = QStringLiteral("（ 左窓の選択項目を下部バーの処理先に ） ");
        QTest::newRow("two windows")
            << true << true << 2 << QStringList{" コピー", " 移　動", " 圧　縮(zip)"} << heading
            << 41;
        QTest::newRow("one window")
            << false << true << 2 << QStringList{" コピー", " 移　動", " 圧　縮(zip)"}
            << QStringLiteral("（ 選択項目を下部バーの処理先に ） ") << 35;
        QTest::newRow("two apply")
            << true << false << 1 << QStringList{" コピー", " 圧　縮(zip)"} << heading << 41;
        QTest::newRow("nothing stays marked")
            << true << true << 0 << QStringList() << QString() << 0;
    }
    void destinationList()
    {
        QFETCH(bool, two);
        QFETCH(bool, moveApplies);
        QFETCH(int, marked);
        QFETCH(QStringList, entries);
        QFETCH(QString, heading);
        QFETCH(int, width);
        TreeEnv env;
        QVERIFY(env.make({"a/", "dest/"}));
        env.host.two = two;
        env.host.marked[LeftWindow] = true;
        env.host.markedCount = marked;
        env.host.paths = {env.path("a/"), env.path("a/")};
        env.trees().buildTree(LeftWindow, env.root(), env.path("a"), true);
        env.trees().buildTree(RightWindow, env.root(), env.path("a"), true);
        env.host.fills.clear();
        QList<DestinationContext> started;
        const auto starter = [&](const DestinationContext& c) { started.append(c); };
        // Registered out of order: the list keeps the operations' order.
        env.navigator->registerDestinationEntry({DestinationOperation::CompressZip,
                                                 [](const DestinationContext&) { return true; },
                                                 starter});
        env.navigator->registerDestinationEntry(
            {DestinationOperation::Move,
             [&](const DestinationContext& c) { return moveApplies && c.markedItems > 1; },
             starter});
        env.navigator->registerDestinationEntry({DestinationOperation::Shortcut,
                                                 [](const DestinationContext&) { return false; },
                                                 starter});
        env.navigator->registerDestinationEntry({DestinationOperation::Copy, {}, starter});

        // A right-click in the other window's tree offers the selected
        // window's items for that node.
        env.navigator->mouseDown(RightWindow, TreeButton::Right, 0);
        QCOMPARE(env.host.selected, LeftWindow);
        env.navigator->mouseUp(RightWindow, TreeButton::Right);
        env.navigator->nodeClick(RightWindow, env.path("dest"), TreeButton::Right);
        QCOMPARE(env.host.paths[1], env.path("a/"));
        QVERIFY(env.host.fills.isEmpty());
        QCOMPARE(env.host.targetRenewals.first().first, LeftWindow);
        QCOMPARE(env.host.targetRenewals.first().second, env.path("dest/"));
        // Whenever no list stays open, the count goes back to the opposite window.
        const auto restored = [&] {
            return env.host.targetRenewals.size() == 2 &&
                   env.host.targetRenewals.last() == qMakePair(LeftWindow, QString());
        };
        if (entries.isEmpty()) {
            QVERIFY(env.host.shownLists.isEmpty());
            QVERIFY(!env.navigator->destinationListOpen());
            QVERIFY(restored());
            return;
        }
        QCOMPARE(env.host.targetRenewals.size(), 1);
        QCOMPARE(env.host.destinationTexts.last(),
                 QStringLiteral("処理先 ： ") + env.path("dest/"));
        QVERIFY(env.navigator->destinationListOpen());
        QCOMPARE(env.host.shownLists.size(), 1);
        const DestinationListView& view = env.host.shownLists.first();
        QCOMPARE(view.entries, entries);
        QCOMPARE(view.heading, heading);
        QCOMPARE(view.widthChars, width);
        QCOMPARE(view.treeWindow, RightWindow);
        QCOMPARE(view.nodeKey, env.path("dest"));

        env.navigator->destinationChosen(int(entries.size()) - 1);
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.first().destination, env.path("dest/"));
        QCOMPARE(started.first().selected, LeftWindow);
        QCOMPARE(started.first().treeWindow, RightWindow);
        QVERIFY(!env.navigator->destinationListOpen());
        QCOMPARE(env.host.closedLists, 1);
        QVERIFY(restored());
        env.navigator->destinationChosen(0);
        QCOMPARE(started.size(), 1);
    }

    // Fewer than two entries: no list. Without marked items a right-click
    // is a plain click.
    void destinationListNotShown()
    {
        TreeEnv env;
        QVERIFY(env.make({"a/", "dest/"}));
        env.host.paths[0] = env.path("a/");
        env.trees().buildTree(LeftWindow, env.root(), env.path("a"), true);
        env.navigator->registerDestinationEntry({DestinationOperation::Copy, {}, {}});
        env.host.marked[0] = true;
        env.navigator->nodeClick(LeftWindow, env.path("dest"), TreeButton::Right);
        QVERIFY(env.host.shownLists.isEmpty());
        QCOMPARE(env.host.paths[0], env.path("a/"));
        env.host.marked[0] = false;
        env.navigator->nodeClick(LeftWindow, env.path("dest"), TreeButton::Right);
        QCOMPARE(env.host.paths[0], env.path("dest/"));
    }

    void destinationReadOnly()
    {
        TreeEnv env;
        QVERIFY(env.make({"a/", "ro/d/"}));
        FakeVolumeSource::Volume v = env.volume(QStringLiteral("ro"), platform::DriveRemovable);
        v.readOnly = true;
        env.volumes.addVolume(v);
        env.host.marked[0] = true;
        env.host.paths[0] = env.path("a/");
        env.trees().buildTree(LeftWindow, ComputerKey, env.path("a"), true);
        env.navigator->registerDestinationEntry({DestinationOperation::Copy, {}, {}});
        env.navigator->registerDestinationEntry({DestinationOperation::Move, {}, {}});
        env.navigator->nodeClick(LeftWindow, env.path("ro/d"), TreeButton::Right);
        QVERIFY(env.host.shownLists.isEmpty());
        QVERIFY(env.host.targetRenewals.isEmpty());
        QCOMPARE(env.messages.captions(), QStringList{QStringLiteral("処理先ドライブの状態")});
    }

    void destinationTextScroll_data()
    {
        QTest::addColumn<QList<int>>("panels");
        QTest::addColumn<int>("start");
        QTest::newRow("on") << QList<int>{1} << 11;
        QTest::newRow("on and back") << QList<int>{1, 1, 2} << 11;
        QTest::newRow("never before the start") << QList<int>{2, 3} << 1;
        QTest::newRow("stops ten before the end") << QList<int>{1, 1, 1, 1, 1, 1, 1, 1} << -9;
    }
    void destinationTextScroll()
    {
        QFETCH(QList<int>, panels);
        QFETCH(int, start);
        TreeEnv env;
        const QString deep = QStringLiteral("a/0123456789/abcdefghij/klmnopqrst");
        QVERIFY(env.make({deep.toUtf8() + '/'}));
        env.host.marked[0] = true;
        env.trees().buildTree(LeftWindow, env.root(), env.path(deep), true);
        env.navigator->registerDestinationEntry({DestinationOperation::Copy, {}, {}});
        env.navigator->registerDestinationEntry({DestinationOperation::Move, {}, {}});
        env.navigator->nodeClick(LeftWindow, env.path(deep), TreeButton::Right);
        QVERIFY(env.navigator->destinationListOpen());
        for (int panel : panels)
            env.navigator->statusBarPanelClick(panel);
        const QString full = QStringLiteral("処理先 ： ") + env.path(deep) + Slash;
        const int first = start > 0 ? start : int(full.size()) + start;
        QCOMPARE(env.host.destinationTexts.last(), full.mid(first - 1));
        // Closed: clicks no longer scroll.
        const int shown = int(env.host.destinationTexts.size());
        env.navigator->mouseUp(LeftWindow, TreeButton::Left);
        QVERIFY(!env.navigator->destinationListOpen());
        env.navigator->statusBarPanelClick(1);
        QCOMPARE(int(env.host.destinationTexts.size()), shown);
    }

    void refreshStatus_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << 0
                               << "@/v: 全容量：100.(000)GB  空き容量：25.(500)GB  "
                                  "ファイルシステム：xfs  4kB/クラスタ";
        QTest::newRow("shift") << int(ModifierShift)
                               << "@/v: 全容量：104,857,600kB  空き容量：26,738,688kB  "
                                  "ファイルシステム：xfs  4kB/クラスタ";
    }
    void refreshStatus()
    {
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        TreeEnv env;
        QVERIFY(env.make({"v/d/"}));
        FakeVolumeSource::Volume v = env.volume(QStringLiteral("v"));
        v.totalBytes = 100.0 * 1024 * 1024 * 1024;
        v.availableBytes = 25.5 * 1024 * 1024 * 1024;
        v.fileSystem = QStringLiteral("xfs");
        env.volumes.addVolume(v);
        env.host.paths[0] = env.path("v/d/");
        env.host.modifiers = modifiers;
        env.trees().buildTree(LeftWindow, ComputerKey, env.path("v/d"), true);
        env.host.fills.clear();
        const int probes = env.reprobes;
        env.navigator->refreshWindowPath(LeftWindow);
        QCOMPARE(env.host.driveStatus[0], env.at(text));
        QCOMPARE(env.host.fillsOf(LeftWindow), QStringList{env.path("v/d/")});
        QVERIFY(env.reprobes > probes);
    }

    void displayModes_data()
    {
        QTest::addColumn<QString>("top");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("newTop");
        QTest::newRow("whole computer") << "@/a" << 0 << "_";
        QTest::newRow("parent of a folder top") << "@/a/b" << 1 << "@/a";
        QTest::newRow("parent of a volume top") << "@/v" << 1 << "_";
        QTest::newRow("parent of the whole computer") << "_" << 1 << "_";
        QTest::newRow("below the selection") << "@" << 2 << "@/a/b/c";
    }
    void displayModes()
    {
        QFETCH(QString, top);
        QFETCH(int, mode);
        QFETCH(QString, newTop);
        TreeEnv env;
        QVERIFY(env.make({"a/b/c/", "v/x/"}));
        env.addVolume(QStringLiteral("v"));
        const QString current = top == QStringLiteral("@/v") ? env.path("v/x") : env.path("a/b/c");
        env.host.paths[0] = current + Slash;
        env.trees().buildTree(LeftWindow, env.at(top), current, true);
        env.navigator->changeDisplayMode(mode);
        QCOMPARE(env.trees().treeTopKey(LeftWindow), env.at(newTop));
        QCOMPARE(env.model().selectedKey(), current);
        QCOMPARE(env.host.paths[0], current + Slash);
    }

    // A vanished path refuses the mode change after repairing the window.
    void displayModeOnVanishedPath()
    {
        TreeEnv env;
        QVERIFY(env.make({"a/b/"}));
        env.host.paths[0] = env.path("a/b/");
        env.trees().buildTree(LeftWindow, env.root(), env.path("a/b"), true);
        QVERIFY(test::removeTree(platform::pathToBytes(env.path("a/b"))));
        env.navigator->changeDisplayMode(0);
        QCOMPARE(env.trees().treeTopKey(LeftWindow), env.root());
        QCOMPARE(env.host.paths[0], env.path("a/"));
    }

    void mouseButtons()
    {
        TreeEnv env;
        QVERIFY(env.make({"a/"}));
        env.trees().buildTree(LeftWindow, env.root(), env.root(), true);
        env.trees().buildTree(RightWindow, env.root(), env.root(), true);
        env.navigator->mouseDown(RightWindow, TreeButton::Right, ModifierShift | ModifierCtrl);
        QCOMPARE(env.host.selected, LeftWindow);
        QVERIFY(env.trees().fullExpandRequest(RightWindow));
        env.navigator->mouseDown(RightWindow, TreeButton::Left, ModifierCtrl);
        QCOMPARE(env.host.selected, RightWindow);
        QVERIFY(!env.trees().fullExpandRequest(RightWindow));
        const int probes = env.reprobes;
        env.navigator->mouseUp(RightWindow, TreeButton::Left);
        QCOMPARE(env.reprobes, probes + 1);
    }
};

QTEST_GUILESS_MAIN(TreeNavigatorTest)
#include "tst_treenavigator.moc"
