#include "fs/pathrules.h"
#include "platform/volumes.h"
#include "support/tempdir.h"
#include "tree/treerules.h"

#include <QtTest>

#include <sys/stat.h>

using namespace tovane;

namespace {
constexpr double K = 1024.0;
constexpr double M = 1024.0 * 1024.0;
constexpr double G = 1024.0 * 1024.0 * 1024.0;
} // namespace

class TreeRulesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keys_data()
    {
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("child");
        QTest::newRow("below the root") << "/"
                                        << "usr"
                                        << "/usr";
        QTest::newRow("below a folder") << "/usr"
                                        << "lib"
                                        << "/usr/lib";
        QTest::newRow("below a mount point") << "/media/stick"
                                             << "docs"
                                             << "/media/stick/docs";
        QTest::newRow("name with a space") << "/a"
                                           << "b c"
                                           << "/a/b c";
    }
    void keys()
    {
        QFETCH(QString, parent);
        QFETCH(QString, name);
        QFETCH(QString, child);
        QCOMPARE(childKey(parent, name), child);
        // A key goes to a window path and back unchanged.
        QCOMPARE(treeKeyOf(windowPathOf(child)), child);
        QCOMPARE(windowPathOf(child), child + QLatin1Char('/'));
    }

    void computerKey_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("key");
        QTest::newRow("empty") << ""
                               << "_";
        QTest::newRow("underscore") << "_"
                                    << "_";
        QTest::newRow("computer text") << "ｺﾝﾋﾟｭｰﾀ"
                                       << "_";
        QTest::newRow("root keeps its slash") << "/"
                                              << "/";
        QTest::newRow("trailing slash goes") << "/a/b/"
                                             << "/a/b";
    }
    void computerKey()
    {
        QFETCH(QString, path);
        QFETCH(QString, key);
        QCOMPARE(treeKeyOf(path), key);
    }

    void computerPath() { QCOMPARE(windowPathOf(ComputerKey), ComputerText); }

    void driveTexts_data()
    {
        QTest::addColumn<QString>("mountPoint");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("read");
        QTest::addColumn<QString>("text");
        QTest::newRow("label") << "/"
                               << "SYSTEM" << int(DriveRead::Read) << "/ [ SYSTEM ]";
        QTest::newRow("no label") << "/home"
                                  << "" << int(DriveRead::Read) << "/home";
        QTest::newRow("failed ignores the label")
            << "/media/cd"
            << "DISC" << int(DriveRead::Failed) << "/media/cd ―";
        QTest::newRow("left unread") << "/mnt/a"
                                     << "" << int(DriveRead::Unread) << "/mnt/a ／";
        QTest::newRow("label with spaces")
            << "/media/u/My Disk"
            << "My Disk" << int(DriveRead::Read) << "/media/u/My Disk [ My Disk ]";
    }
    void driveTexts()
    {
        QFETCH(QString, mountPoint);
        QFETCH(QString, label);
        QFETCH(int, read);
        QFETCH(QString, text);
        QCOMPARE(driveText(mountPoint, label, DriveRead(read)), text);
    }

    void driveImages_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("image");
        QTest::newRow("floppy") << int(platform::DriveRemovable) << "/dev/fd0" << 1;
        QTest::newRow("usb stick") << int(platform::DriveRemovable) << "/dev/sdb1" << 5;
        QTest::newRow("card without device") << int(platform::DriveRemovable) << "" << 5;
        QTest::newRow("fixed") << int(platform::DriveFixed) << "/dev/sda1" << 2;
        QTest::newRow("network") << int(platform::DriveNetwork) << "srv:/x" << 3;
        QTest::newRow("optical") << int(platform::DriveCdRom) << "/dev/sr0" << 4;
        QTest::newRow("ram disk shows fixed") << int(platform::DriveRamDisk) << "tmpfs" << 2;
        QTest::newRow("unknown shows fixed") << int(platform::DriveUnknown) << "" << 2;
    }
    void driveImages()
    {
        QFETCH(int, type);
        QFETCH(QString, device);
        QFETCH(int, image);
        QCOMPARE(driveImage(type, device), image);
    }

    void folderImagesOfTrash()
    {
        test::TempDir dir;
        QVERIFY(dir.isValid());
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dir.pathBytes());
        QVERIFY(dir.makeFolder("Trash"));
        QVERIFY(dir.makeFolder("Trash/files"));
        QVERIFY(dir.makeFolder("Trash/files/old"));
        QVERIFY(dir.makeFolder("Trashy"));
        const ImagePair inside = folderImages(dir.filePath(QStringLiteral("Trash/files/old")));
        const ImagePair trash = folderImages(dir.filePath(QStringLiteral("Trash")));
        const ImagePair lookalike = folderImages(dir.filePath(QStringLiteral("Trashy")));
        if (saved.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", saved);
        QCOMPARE(inside, (ImagePair{ImageTrash, ImageTrash}));
        QCOMPARE(trash, (ImagePair{ImageTrash, ImageTrash}));
        QCOMPARE(lookalike, (ImagePair{ImageFolder, ImageFolderOpen}));
    }

    void lazyRule_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<bool>("loads");
        QTest::newRow("parent on the way") << "/a/b/c"
                                           << "/a/b" << true;
        QTest::newRow("parent is the target") << "/a/b"
                                              << "/a/b" << true;
        QTest::newRow("other branch") << "/a/b"
                                      << "/x" << false;
        // Containment, not a prefix: siblings named like a prefix load too.
        QTest::newRow("prefix sibling") << "/data2/x"
                                        << "/data" << true;
        QTest::newRow("letter case ignored") << "/Data/X"
                                             << "/data" << true;
        QTest::newRow("no target") << "_"
                                   << "/a" << false;
        QTest::newRow("root holds every path") << "/home/u"
                                               << "/" << true;
    }
    void lazyRule()
    {
        QFETCH(QString, target);
        QFETCH(QString, parent);
        QFETCH(bool, loads);
        QCOMPARE(lazyRuleLoads(target, parent), loads);
    }

    void order_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("case ignored")
            << QStringList{"b", "A", "a", "C"} << QStringList{"A", "a", "b", "C"};
        QTest::newRow("mount points") << QStringList{"/media/x", "/", "/home", "/boot"}
                                      << QStringList{"/", "/boot", "/home", "/media/x"};
        QTest::newRow("japanese after ascii")
            << QStringList{"資料", "docs", "Zeta"} << QStringList{"docs", "Zeta", "資料"};
    }
    void order()
    {
        QFETCH(QStringList, texts);
        QFETCH(QStringList, sorted);
        std::sort(texts.begin(), texts.end(), nodeTextLess);
        QCOMPARE(texts, sorted);
    }

    void thousandths_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("rounds") << 1234.5678 << "1,234.(568)";
        QTest::newRow("zero") << 0.0 << "0.(000)";
        QTest::newRow("half") << 0.5 << "0.(500)";
        QTest::newRow("large") << 1048576.25 << "1,048,576.(250)";
    }
    void thousandths()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(formatParenthesisedThousandths(value), text);
    }

    void driveStatus_data()
    {
        QTest::addColumn<double>("total");
        QTest::addColumn<double>("free");
        QTest::addColumn<quint64>("cluster");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        const QString fs = QStringLiteral("  ファイルシステム：ext4  ");
        QTest::newRow("gigabytes")
            << 100 * G << 25.5 * G << quint64(4096) << 0
            << "/home: 全容量：100.(000)GB  空き容量：25.(500)GB" + fs + "4kB/クラスタ";
        // The unit follows each value, but MB needs the volume's total.
        QTest::newRow("free below the GB threshold")
            << 100 * G << 512 * M << quint64(4096) << 0
            << "/home: 全容量：100.(000)GB  空き容量：512.(000)MB" + fs + "4kB/クラスタ";
        QTest::newRow("threshold itself is GB")
            << 1048576000.0 << 1048575999.0 << quint64(4096) << 0
            << "/home: 全容量：0.(977)GB  空き容量：1,000.(000)MB" + fs + "4kB/クラスタ";
        QTest::newRow("small volume in kB")
            << 1023999.0 << 512 * K << quint64(512) << 0
            << "/home: 全容量：999.(999)kB  空き容量：512.(000)kB" + fs + "512B/クラスタ";
        QTest::newRow("shift: whole kB")
            << 100 * G << 1536.0 << quint64(4096) << int(ModifierShift)
            << "/home: 全容量：104,857,600kB  空き容量：2kB" + fs + "4kB/クラスタ";
        QTest::newRow("ctrl: bytes")
            << 1.5 * G << 1024.0 << quint64(1024) << int(ModifierCtrl)
            << "/home: 全容量：1,610,612,736B  空き容量：1,024B" + fs + "1kB/クラスタ";
        QTest::newRow("both: like none")
            << 100 * G << 25.5 * G << quint64(1023) << int(ModifierShift | ModifierCtrl)
            << "/home: 全容量：100.(000)GB  空き容量：25.(500)GB" + fs + "1,023B/クラスタ";
    }
    void driveStatus()
    {
        QFETCH(double, total);
        QFETCH(double, free);
        QFETCH(quint64, cluster);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QCOMPARE(driveStatusText(QStringLiteral("/home"), total, free, QStringLiteral("ext4"),
                                 cluster, modifiers),
                 text);
    }

    void confirmation_data()
    {
        QTest::addColumn<bool>("two");
        QTest::addColumn<bool>("allLevels");
        QTest::addColumn<bool>("designated");
        QTest::addColumn<qint64>("designatedItems");
        QTest::addColumn<bool>("compare");
        QTest::addColumn<qint64>("comparedItems");
        QTest::addColumn<bool>("asks");
        QTest::newRow("designated heavy")
            << true << true << true << qint64(5001) << false << qint64(0) << true;
        QTest::newRow("designated at the limit")
            << true << true << true << qint64(5000) << false << qint64(0) << false;
        QTest::newRow("compare heavy")
            << true << true << false << qint64(0) << true << qint64(9000) << true;
        QTest::newRow("one level only")
            << true << false << true << qint64(9000) << true << qint64(9000) << false;
        QTest::newRow("one window")
            << false << true << true << qint64(9000) << true << qint64(9000) << false;
        QTest::newRow("counts without the selection kind")
            << true << true << false << qint64(9000) << false << qint64(9000) << false;
    }
    void confirmation()
    {
        QFETCH(bool, two);
        QFETCH(bool, allLevels);
        QFETCH(bool, designated);
        QFETCH(qint64, designatedItems);
        QFETCH(bool, compare);
        QFETCH(qint64, comparedItems);
        QFETCH(bool, asks);
        const SelectionLoad load{allLevels, designated, designatedItems, compare, comparedItems};
        QCOMPARE(pathChangeNeedsConfirmation(load, two), asks);
    }

    void texts()
    {
        QCOMPARE(pathChangeQuestion(),
                 QStringLiteral("反対窓の処理対象項目が非常に多いので時間がかかります。\r\n\r\n"
                                "表示パスを変更しますか ？\r\n\r\n"
                                "反対窓の選択を解除すれば時間は短くなります。"));
        QCOMPARE(outOfMemoryText(),
                 QStringLiteral("メモリ不足です。\r\n\r\nこのファイラを再起動して\r\n\r\n"
                                "展開対象項目をもっと下位のフォルダにしてください。"));
        QCOMPARE(jumpOutsideTreeText(QStringLiteral("/x/y")),
                 QStringLiteral("選択窓のツリーに\r\n\r\n/x/y\r\n\r\n"
                                "は含まれないのでジャンプできません。\r\n\r\n"));
        QCOMPARE(notAccessibleText(QStringLiteral("/root")),
                 QStringLiteral("/root にはアクセスできません。"));
    }
};

QTEST_GUILESS_MAIN(TreeRulesTest)
#include "tst_treerules.moc"
