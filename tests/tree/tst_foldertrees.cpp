#include "fs/itemtext.h"
#include "fs/pathrules.h"
#include "platform/names.h"
#include "tree/foldertrees.h"
#include "tree/treerules.h"
#include "tree/treetestenv.h"

#include <QtTest>

#include <cerrno>

using namespace tovane;
using tovane::test::TreeEnv;

namespace {

using Node = FolderTreeModel::Node;

QString parentKeyOf(const FolderTreeModel& model, const QString& key)
{
    const Node* node = model.node(key);
    return node && node->parent ? node->parent->key : QString();
}

} // namespace

class FolderTreesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Build reads the folders on the way to the target and one level beyond
    // each node shown; everything else waits for an expansion.
    void lazyChildren_data()
    {
        QTest::addColumn<QList<QByteArray>>("entries");
        QTest::addColumn<QString>("target");
        QTest::addColumn<quint32>("mask");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("top only") << QList<QByteArray>{"a/b/c/", "x/y/z/"} << "" << quint32(0)
                                  << QStringList{"a", "a/b", "x", "x/y"};
        QTest::newRow("deep target")
            << QList<QByteArray>{"a/b/c/d/", "x/y/z/"} << "a/b/c" << quint32(0)
            << QStringList{"a", "a/b", "a/b/c", "a/b/c/d", "x", "x/y"};
        // Containment, not a prefix: the sibling Data is read along with Data2.
        QTest::newRow("prefix sibling")
            << QList<QByteArray>{"Data/k/m/", "Data2/X/q/"} << "Data2/X" << quint32(0)
            << QStringList{"Data", "Data/k", "Data/k/m", "Data2", "Data2/X", "Data2/X/q"};
        QTest::newRow("hidden folders left out")
            << QList<QByteArray>{".hid/a/", "vis/b/"} << "" << quint32(AttrHidden)
            << QStringList{"vis", "vis/b"};
        QTest::newRow("hidden folders shown without mask")
            << QList<QByteArray>{".hid/a/", "vis/"} << "" << quint32(0)
            << QStringList{".hid", ".hid/a", "vis"};
        QTest::newRow("files and links are no nodes")
            << QList<QByteArray>{"real/sub/", "real/f", "f2", "link->real"} << "" << quint32(0)
            << QStringList{"real", "real/sub"};
    }
    void lazyChildren()
    {
        QFETCH(QList<QByteArray>, entries);
        QFETCH(QString, target);
        QFETCH(quint32, mask);
        QFETCH(QStringList, keys);
        TreeEnv env;
        QVERIFY(env.make(entries));
        env.trees().setHiddenMask(mask);
        env.trees().buildTree(LeftWindow, env.root(), env.path(target), true);
        QCOMPARE(env.relativeKeys(LeftWindow, env.root()), keys);
        QCOMPARE(env.model().selectedKey(), env.path(target));
    }

    void subtreeNodes()
    {
        TreeEnv env;
        QVERIFY(env.make({"a/b/"}));
        env.trees().buildTree(LeftWindow, env.root() + QLatin1Char('/'), QString(), false);
        const FolderTreeModel& m = env.model();
        QCOMPARE(m.topKeys(), QStringList{env.root()});
        const Node* top = m.node(env.root());
        QCOMPARE(top->text, env.root());
        QCOMPARE(top->kind, NodeKind::Top);
        QCOMPARE(top->image, int(ImageFolder));
        QVERIFY(top->expanded);
        const Node* a = m.node(env.path("a"));
        QCOMPARE(a->text, QStringLiteral("a"));
        QCOMPARE(a->image, int(ImageFolder));
        QCOMPARE(a->selectedImage, int(ImageFolderOpen));
        QCOMPARE(env.trees().treeTopKey(LeftWindow), env.root());
        QVERIFY(!env.trees().wholeComputerTree(LeftWindow));
        QCOMPARE(env.trees().treeDrives(LeftWindow), QStringList{QStringLiteral("/")});
        // Without the flag the list is still filled: the path lies on a volume.
        env.host.paths[0] = env.path("a") + QLatin1Char('/');
        env.trees().buildTree(LeftWindow, env.root(), env.path("a"), false);
        QCOMPARE(env.host.fillsOf(LeftWindow).last(), env.path("a") + QLatin1Char('/'));
    }

    void targets_data()
    {
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("selected");
        QTest::newRow("target outside the top") << "@/a"
                                                << "@/x/y"
                                                << "@/a";
        QTest::newRow("look-alike outside the top") << "@/a"
                                                    << "@/ab/c"
                                                    << "@/a";
        QTest::newRow("vanished components") << "@"
                                             << "@/a/b/gone/deeper"
                                             << "@/a/b";
        QTest::newRow("computer target") << "@"
                                         << "ｺﾝﾋﾟｭｰﾀ"
                                         << "@";
        QTest::newRow("hidden top moves up") << "@/.h"
                                             << "@/.h/in"
                                             << "@";
    }
    void targets()
    {
        QFETCH(QString, top);
        QFETCH(QString, target);
        QFETCH(QString, selected);
        TreeEnv env;
        QVERIFY(env.make({"a/b/", "ab/c/", "x/y/", ".h/in/"}));
        env.trees().setHiddenMask(AttrHidden);
        env.trees().buildTree(LeftWindow, env.at(top), env.at(target), true);
        QCOMPARE(env.model().selectedKey(), env.at(selected));
        QCOMPARE(env.host.paths[0], env.at(selected) + QLatin1Char('/'));
        QCOMPARE(env.host.fillsOf(LeftWindow), QStringList{env.at(selected) + QLatin1Char('/')});
        // The selected node can be seen: every ancestor is expanded.
        for (const Node* p = env.model().node(env.at(selected))->parent; p; p = p->parent)
            QVERIFY(p->expanded);
    }

    void hiddenTopClimbs()
    {
        TreeEnv env;
        QVERIFY(env.make({".h/in/"}));
        env.trees().setHiddenMask(AttrHidden);
        env.trees().buildTree(LeftWindow, env.path(".h"), env.path(".h/in"), true);
        QCOMPARE(env.trees().treeTopKey(LeftWindow), env.root());
        QVERIFY(!env.model().contains(env.path(".h")));
    }

    // Volume nodes: keys, texts and images by type, and no children for a
    // volume that does not answer.
    void volumeNodes_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("image");
        QTest::addColumn<bool>("children");
        QTest::newRow("labelled fixed") << "v" << int(platform::DriveFixed) << "DATA" << 0 << ""
                                        << "@/v [ DATA ]" << 2 << true;
        QTest::newRow("no label") << "v" << int(platform::DriveFixed) << "" << 0 << ""
                                  << "@/v" << 2 << true;
        QTest::newRow("optical") << "cd" << int(platform::DriveCdRom) << "DISC" << 0 << ""
                                 << "@/cd [ DISC ]" << 4 << true;
        QTest::newRow("usb stick") << "s" << int(platform::DriveRemovable) << "" << 0 << "/dev/sdc1"
                                   << "@/s" << 5 << true;
        QTest::newRow("floppy") << "f" << int(platform::DriveRemovable) << "" << 0 << "/dev/fd0"
                                << "@/f" << 1 << true;
        QTest::newRow("network") << "n" << int(platform::DriveNetwork) << "" << 0 << ""
                                 << "@/n" << 3 << true;
        QTest::newRow("no medium")
            << "m" << int(platform::DriveRemovable) << "X" << ENOMEDIUM << "/dev/sdc1"
            << "@/m ―" << 5 << false;
        QTest::newRow("hung") << "h" << int(platform::DriveNetwork) << "" << ETIMEDOUT << ""
                              << "@/h ―" << 3 << false;
    }
    void volumeNodes()
    {
        QFETCH(QString, relative);
        QFETCH(int, type);
        QFETCH(QString, label);
        QFETCH(int, error);
        QFETCH(QString, device);
        QFETCH(QString, text);
        QFETCH(int, image);
        QFETCH(bool, children);
        TreeEnv env;
        QVERIFY(env.make({(relative + QStringLiteral("/inner/")).toUtf8()}));
        FakeVolumeSource::Volume v = env.volume(relative, type, label, error);
        v.device = device;
        env.volumes.addVolume(v);
        env.trees().buildTree(LeftWindow, ComputerKey, ComputerKey, true);
        const FolderTreeModel& m = env.model();
        const Node* computer = m.node(ComputerKey);
        QCOMPARE(computer->text, ComputerText);
        QCOMPARE(computer->image, int(ImageComputer));
        QCOMPARE(m.topKeys(), QStringList{ComputerKey});
        const Node* node = m.node(env.path(relative));
        QVERIFY(node);
        QCOMPARE(node->kind, NodeKind::Drive);
        QCOMPARE(node->text, env.at(text));
        QCOMPARE(node->image, image);
        QCOMPARE(node->selectedImage, image);
        QCOMPARE(parentKeyOf(m, node->key), ComputerKey);
        QCOMPARE(m.contains(env.path(relative + QStringLiteral("/inner"))), children);
        QCOMPARE(env.trees().treeDrives(LeftWindow),
                 (QStringList{QStringLiteral("/"), env.path(relative)}));
        QCOMPARE(env.host.fillsOf(LeftWindow), QStringList{ComputerText});
    }

    // A mount point of a listed volume appears once: as the volume's node in
    // the whole-computer tree, as a plain folder in a subtree.
    void mountPointOnce()
    {
        TreeEnv env;
        QVERIFY(env.make({"a/x/", "vol/inside/"}));
        env.addVolume(QStringLiteral("vol"));
        env.trees().buildTree(LeftWindow, ComputerKey, env.path("a/x"), true);
        FolderTreeModel& whole = env.model(LeftWindow);
        QVERIFY(whole.contains(env.path("a/x")));
        QCOMPARE(whole.node(env.path("vol"))->kind, NodeKind::Drive);
        QCOMPARE(parentKeyOf(whole, env.path("vol")), ComputerKey);
        QVERIFY(!whole.childKeys(env.root()).contains(env.path("vol")));
        QCOMPARE(whole.childKeys(env.root()), QStringList{env.path("a")});

        env.trees().buildTree(RightWindow, env.root(), env.root(), true);
        FolderTreeModel& sub = env.model(RightWindow);
        QCOMPARE(sub.node(env.path("vol"))->kind, NodeKind::Folder);
        QCOMPARE(parentKeyOf(sub, env.path("vol")), env.root());
        QVERIFY(sub.contains(env.path("vol/inside")));
    }

    // A volume as the subtree top is a volume node.
    void volumeTop()
    {
        TreeEnv env;
        QVERIFY(env.make({"vol/d/"}));
        env.addVolume(QStringLiteral("vol"), platform::DriveFixed, QStringLiteral("L"));
        env.trees().buildTree(LeftWindow, env.path("vol"), QString(), true);
        const Node* top = env.model().node(env.path("vol"));
        QCOMPARE(top->kind, NodeKind::Drive);
        QCOMPARE(top->text, env.path("vol") + QStringLiteral(" [ L ]"));
        QCOMPARE(env.trees().treeDrives(LeftWindow), QStringList{env.path("vol")});
        QVERIFY(env.model().contains(env.path("vol/d")));
    }

    void newVolumeAppears()
    {
        TreeEnv env;
        QVERIFY(env.make({"a/", "stick/docs/"}));
        env.trees().buildTree(LeftWindow, ComputerKey, env.root(), true);
        env.trees().buildTree(RightWindow, ComputerKey, ComputerKey, true);
        // The folder was a plain folder until the stick was mounted on it.
        QCOMPARE(env.model().node(env.path("stick"))->kind, NodeKind::Folder);
        FakeVolumeSource::Volume v =
            env.volume(QStringLiteral("stick"), platform::DriveRemovable, QStringLiteral("STICK"));
        v.device = QStringLiteral("/dev/sdb1");
        env.volumes.addVolume(v);
        const int probes = env.reprobes;
        env.trees().probeAndResync(LeftWindow);
        QCOMPARE(env.reprobes, probes + 1);
        for (WindowIndex w : {LeftWindow, RightWindow}) {
            const FolderTreeModel& m = env.model(w);
            const Node* node = m.node(env.path("stick"));
            QVERIFY(node);
            QCOMPARE(node->kind, NodeKind::Drive);
            QCOMPARE(node->text, env.path("stick") + QStringLiteral(" [ STICK ]"));
            QCOMPARE(node->image, int(ImageRemovableMedia));
            QCOMPARE(parentKeyOf(m, node->key), ComputerKey);
            QVERIFY(m.contains(env.path("stick/docs")));
            QVERIFY(env.trees().treeDrives(w).contains(env.path("stick")));
        }
        QVERIFY(!env.model().childKeys(env.root()).contains(env.path("stick")));
    }

    void volumeVanishes()
    {
        TreeEnv env;
        QVERIFY(env.make({"a/", "vol/docs/"}));
        env.addVolume(QStringLiteral("vol"));
        env.host.paths[0] = env.path("vol/docs/");
        env.host.paths[1] = env.path("a/");
        env.trees().buildTree(LeftWindow, ComputerKey, env.path("vol/docs"), true);
        env.trees().buildTree(RightWindow, ComputerKey, env.path("a"), true);
        QCOMPARE(env.model().selectedKey(), env.path("vol/docs"));
        env.host.fills.clear();

        env.volumes.removeVolume(env.path("vol"));
        env.trees().probeAndResync(LeftWindow);
        // The window on the volume goes to the volume list; the other keeps
        // its path and list.
        QVERIFY(!env.model(LeftWindow).contains(env.path("vol/docs")));
        QCOMPARE(env.host.paths[0], ComputerText);
        QCOMPARE(env.model(LeftWindow).selectedKey(), ComputerKey);
        QCOMPARE(env.host.fillsOf(LeftWindow), QStringList{ComputerText});
        QCOMPARE(env.host.paths[1], env.path("a/"));
        QCOMPARE(env.host.fillsOf(RightWindow), QStringList());
        QCOMPARE(env.model(RightWindow).selectedKey(), env.path("a"));
        for (WindowIndex w : {LeftWindow, RightWindow}) {
            QVERIFY(!env.trees().treeDrives(w).contains(env.path("vol")));
            // The folder left behind is a folder of its parent again.
            const Node* node = env.model(w).node(env.path("vol"));
            QVERIFY(node);
            QCOMPARE(node->kind, NodeKind::Folder);
            QCOMPARE(parentKeyOf(env.model(w), env.path("vol")), env.root());
        }
    }

    void volumeNotReadyAndBack()
    {
        TreeEnv env;
        QVERIFY(env.make({"cd/inner/"}));
        env.addVolume(QStringLiteral("cd"), platform::DriveCdRom, QStringLiteral("DISC"));
        env.host.paths[0] = env.path("cd/");
        env.trees().buildTree(LeftWindow, ComputerKey, env.path("cd"), true);
        env.host.fills.clear();

        env.volumes.setVolumeError(env.path("cd"), ENOMEDIUM);
        env.trees().probeAndResync(LeftWindow);
        const Node* node = env.model().node(env.path("cd"));
        QCOMPARE(node->text, env.path("cd") + QStringLiteral(" ―"));
        QCOMPARE(node->image, int(ImageCdRom));
        QVERIFY(node->children.empty());
        QCOMPARE(env.host.paths[0], ComputerText);
        QCOMPARE(env.host.fillsOf(LeftWindow), QStringList{ComputerText});

        // Probing again changes nothing while the medium is still out.
        env.trees().probeAndResync(LeftWindow);
        QCOMPARE(env.host.fillsOf(LeftWindow), QStringList{ComputerText});

        env.volumes.setVolumeError(env.path("cd"), 0);
        env.model().select(env.path("cd"));
        env.trees().probeAndResync(LeftWindow);
        node = env.model().node(env.path("cd"));
        QCOMPARE(node->text, env.path("cd") + QStringLiteral(" [ DISC ]"));
        QVERIFY(env.model().contains(env.path("cd/inner")));
        QCOMPARE(env.model().selectedKey(), env.path("cd"));
    }

    // A subtree whose top vanished is rebuilt at the nearest existing folder.
    void subtreeTopVanishes()
    {
        TreeEnv env;
        QVERIFY(env.make({"a/b/c/"}));
        env.trees().buildTree(LeftWindow, env.path("a/b"), env.path("a/b/c"), true);
        QVERIFY(test::removeTree(platform::pathToBytes(env.path("a/b"))));
        env.trees().probeAndResync(LeftWindow);
        QCOMPARE(env.trees().treeTopKey(LeftWindow), env.path("a"));
        QCOMPARE(env.host.paths[0], env.path("a/"));
        QVERIFY(env.messages.texts().isEmpty());
    }

    // Names that are not valid UTF-8 keep their bytes through key and path.
    void invalidUtf8Names()
    {
        TreeEnv env;
        const QByteArray raw = QByteArray("bad\xff\xfe") + "name";
        QVERIFY(env.dir.makeFolder(raw));
        QVERIFY(env.dir.makeFolder(raw + "/sub"));
        env.trees().buildTree(LeftWindow, env.root(), env.root(), true);
        const QString key = env.root() + QLatin1Char('/') + platform::nameFromBytes(raw);
        const Node* node = env.model().node(key);
        QVERIFY(node);
        QCOMPARE(platform::nameToBytes(node->text), raw);
        QCOMPARE(platform::pathToBytes(key), env.dir.pathBytes() + '/' + raw);
        QVERIFY(env.model().contains(key + QStringLiteral("/sub")));

        env.navigator->nodeClick(LeftWindow, key);
        QCOMPARE(env.host.paths[0], key + QLatin1Char('/'));
        QCOMPARE(env.host.fillsOf(LeftWindow).last(), key + QLatin1Char('/'));
        QVERIFY(env.messages.texts().isEmpty());
    }

    // The tree's guard against exhausting memory: the message once, the
    // partial tree stays.
    void nodeLimit()
    {
        TreeEnv env;
        QList<QByteArray> entries;
        for (int i = 0; i < 10; ++i)
            entries.append(QByteArray("f") + QByteArray::number(i) + "/g/");
        QVERIFY(env.make(entries));
        env.model().setNodeLimit(6);
        env.trees().buildTree(LeftWindow, env.root(), env.root(), true);
        QCOMPARE(env.model().nodeCount(), 6);
        QVERIFY(env.trees().buildAborted());
        QCOMPARE(env.messages.texts(), QStringList{outOfMemoryText()});
        QCOMPARE(env.messages.captions(), QStringList{TreeExpandTitle});
        QCOMPARE(env.model().selectedKey(), env.root());
    }

    void renewDrive()
    {
        TreeEnv env;
        QVERIFY(env.make({"v/a/b/"}));
        env.addVolume(QStringLiteral("v"), platform::DriveFixed, QStringLiteral("OLD"));
        env.host.paths[0] = env.path("v/a/b/");
        env.trees().buildTree(LeftWindow, ComputerKey, env.path("v/a/b"), true);
        env.host.fills.clear();
        env.addVolume(QStringLiteral("v"), platform::DriveFixed, QStringLiteral("NEW"));
        env.trees().renewDrive(env.path("v"));
        QCOMPARE(env.model().node(env.path("v"))->text, env.path("v") + QStringLiteral(" [ NEW ]"));
        QCOMPARE(env.model().selectedKey(), env.path("v/a/b"));
        QVERIFY(env.model().isExpanded(env.path("v/a")));
        QCOMPARE(env.host.fillsOf(LeftWindow), QStringList{env.path("v/a/b/")});
    }
};

QTEST_GUILESS_MAIN(FolderTreesTest)
#include "tst_foldertrees.moc"
