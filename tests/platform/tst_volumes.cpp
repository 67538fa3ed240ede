#include "platform/names.h"
#include "platform/volumes.h"
#include "support/tempdir.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tovane::platform;
using tovane::test::TempDir;

namespace {

// One mountinfo line; the folders used as mount points exist in `root` or
// are absent, which the parser must accept as well.
QByteArray line(int id, int parent, const QByteArray& point, const QByteArray& type,
                const QByteArray& source = "src", const QByteArray& options = "rw,relatime",
                const QByteArray& optional = "shared:1")
{
    QByteArray text = QByteArray::number(id) + ' ' + QByteArray::number(parent) + " 0:99 / " +
                      point + ' ' + options;
    if (!optional.isEmpty())
        text += ' ' + optional;
    return text + " - " + type + ' ' + source + " rw\n";
}

QStringList mountPoints(const QList<VolumeInfo>& volumes)
{
    QStringList points;
    for (const VolumeInfo& v : volumes)
        points.append(v.mountPoint);
    return points;
}

} // namespace

class VolumesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decodesEscapes_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain") << QByteArray("/mnt/usb") << QByteArray("/mnt/usb");
        QTest::newRow("space") << QByteArray("/mnt/my\\040disk") << QByteArray("/mnt/my disk");
        QTest::newRow("tab and newline") << QByteArray("/a\\011b\\012c") << QByteArray("/a\tb\nc");
        QTest::newRow("backslash") << QByteArray("/x\\134y") << QByteArray("/x\\y");
        QTest::newRow("invalid utf8 byte") << QByteArray("/caf\\351") << QByteArray("/caf\xe9");
        QTest::newRow("utf8 kept") << QByteArray("/\xe6\x97\xa5") << QByteArray("/\xe6\x97\xa5");
        QTest::newRow("short escape kept") << QByteArray("/a\\04") << QByteArray("/a\\04");
        QTest::newRow("non-octal kept") << QByteArray("/a\\089") << QByteArray("/a\\089");
        QTest::newRow("escape at end") << QByteArray("/a\\040") << QByteArray("/a ");
    }
    void decodesEscapes()
    {
        QFETCH(QByteArray, field);
        QFETCH(QByteArray, bytes);
        QCOMPARE(pathToBytes(decodeMountInfoField(field)), bytes);
    }

    void pseudoFileSystems_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("pseudo");
        for (const char* t : {"proc", "sysfs", "cgroup", "cgroup2", "devpts", "mqueue", "debugfs",
                              "tracefs", "securityfs", "pstore", "bpf", "autofs", "binfmt_misc",
                              "fusectl", "configfs", "hugetlbfs", "devtmpfs", "nsfs"})
            QTest::newRow(t) << QString::fromLatin1(t) << true;
        for (const char* t : {"ext4", "btrfs", "xfs", "vfat", "tmpfs", "overlay", "nfs4",
                              "fuse.sshfs", "iso9660"})
            QTest::newRow(t) << QString::fromLatin1(t) << false;
    }
    void pseudoFileSystems()
    {
        QFETCH(QString, type);
        QFETCH(bool, pseudo);
        QCOMPARE(isPseudoFileSystem(type), pseudo);
    }

    void driveTypes_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("expected");
        QTest::newRow("nfs") << "nfs" << "server:/export" << int(DriveNetwork);
        QTest::newRow("nfs4") << "nfs4" << "server:/" << int(DriveNetwork);
        QTest::newRow("cifs") << "cifs" << "//host/share" << int(DriveNetwork);
        QTest::newRow("smb3") << "smb3" << "//host/share" << int(DriveNetwork);
        QTest::newRow("sshfs") << "fuse.sshfs" << "me@host:" << int(DriveNetwork);
        QTest::newRow("9p") << "9p" << "hostshare" << int(DriveNetwork);
        QTest::newRow("glusterfs") << "glusterfs" << "h:/v" << int(DriveNetwork);
        QTest::newRow("ceph") << "ceph" << "1.2.3.4:/" << int(DriveNetwork);
        QTest::newRow("iso9660") << "iso9660" << "/dev/loop9" << int(DriveCdRom);
        QTest::newRow("udf") << "udf" << "/dev/sdz1" << int(DriveCdRom);
        QTest::newRow("optical device") << "auto" << "/dev/sr0" << int(DriveCdRom);
        QTest::newRow("tmpfs") << "tmpfs" << "tmpfs" << int(DriveRamDisk);
        QTest::newRow("ramfs") << "ramfs" << "none" << int(DriveRamDisk);
        QTest::newRow("overlay") << "overlay" << "overlay" << int(DriveUnknown);
        QTest::newRow("missing device") << "ext4" << "/dev/no-such-device" << int(DriveUnknown);
        QTest::newRow("not a device") << "ext4" << "/dev/null" << int(DriveUnknown);
    }
    void driveTypes()
    {
        QFETCH(QString, type);
        QFETCH(QString, device);
        QFETCH(int, expected);
        QCOMPARE(driveTypeFor(type, device), expected);
    }

    void blockDeviceIsFixedOrRemovable()
    {
        const QList<VolumeInfo> volumes = listVolumes();
        for (const VolumeInfo& v : volumes) {
            struct stat st;
            const QByteArray dev = pathToBytes(v.device);
            if (::stat(dev.constData(), &st) != 0 || !S_ISBLK(st.st_mode) ||
                v.device.startsWith(QLatin1String("/dev/sr")))
                continue;
            const QByteArray name = dev.mid(dev.lastIndexOf('/') + 1);
            QByteArray sys = "/sys/class/block/" + name;
            char real[4096];
            if (!::realpath(sys.constData(), real))
                continue;
            const bool usb = QByteArray(real).contains("/usb");
            const int type = driveTypeFor(v.fileSystem, v.device);
            if (v.fileSystem == QLatin1String("iso9660") || v.fileSystem == QLatin1String("udf"))
                continue;
            QVERIFY2(type == DriveFixed || type == DriveRemovable, qPrintable(v.device));
            if (usb)
                QCOMPARE(type, int(DriveRemovable));
            return;
        }
        QSKIP("no volume on a block device here");
    }

    void parsesCraftedMountInfo()
    {
        TempDir dir;
        const QByteArray t = dir.pathBytes();
        QVERIFY(dir.makeFolder("data"));
        QVERIFY(dir.makeFolder("my disk"));
        QVERIFY(dir.makeFolder("stack"));
        QVERIFY(dir.makeFolder("over"));
        QVERIFY(dir.makeFolder("over/inner"));
        QVERIFY(dir.writeFile("resolv.conf", "nameserver"));
        const QByteArray spaced = t + "/my\\040disk";

        QByteArray text;
        text += line(20, 26, "/proc", "proc", "proc");
        text += line(21, 26, "/sys", "sysfs", "sysfs");
        text += line(22, 21, "/sys/fs/cgroup", "tmpfs", "tmpfs");
        text += line(26, 1, "/", "ext4", "/dev/vda", "rw,relatime", "");
        text += line(30, 26, t + "/data", "ext4", "/dev/sdb1", "ro,nosuid", "shared:5 master:2");
        text += line(31, 26, spaced, "vfat", "/dev/sdc1", "rw", "");
        text += line(32, 26, t + "/resolv.conf", "ext4", "/dev/vda");
        text += line(33, 26, t + "/stack", "tmpfs", "first");
        text += line(34, 33, t + "/stack", "tmpfs", "second");
        text += line(35, 26, t + "/over/inner", "ext4", "/dev/sdd1");
        text += line(36, 26, t + "/over", "xfs", "/dev/sde1");
        text += line(37, 26, "/dev/pts", "devpts", "devpts");
        text += line(38, 26, "/mnt/nfs", "nfs4", "server:/export");
        text += "garbage line\n\n";
        text += "40 26 0:1 / /broken rw shared:1 no-separator ext4 x rw\n";

        const QList<VolumeInfo> volumes = parseMountInfo(text);
        const QString base = dir.path();
        QStringList expected{"/", "/mnt/nfs", base + "/data", base + "/my disk", base + "/over",
                             base + "/stack"};
        std::sort(expected.begin(), expected.end());
        QCOMPARE(mountPoints(volumes), expected);
        const auto at = [&](const QString& point) {
            return *std::find_if(volumes.begin(), volumes.end(),
                                 [&](const VolumeInfo& v) { return v.mountPoint == point; });
        };
        QCOMPARE(at("/").fileSystem, QStringLiteral("ext4"));
        QCOMPARE(at("/").device, QStringLiteral("/dev/vda"));
        QVERIFY(!at("/").readOnly);
        QVERIFY(at(base + "/data").readOnly);
        QCOMPARE(at(base + "/data").device, QStringLiteral("/dev/sdb1"));
        QCOMPARE(at(base + "/my disk").fileSystem, QStringLiteral("vfat"));
        QCOMPARE(at("/mnt/nfs").driveType, int(DriveNetwork));
        QCOMPARE(at(base + "/over").fileSystem, QStringLiteral("xfs"));
        QCOMPARE(at(base + "/stack").device, QStringLiteral("second"));
        QCOMPARE(at(base + "/stack").driveType, int(DriveRamDisk));
    }

    void hiddenMounts_data()
    {
        // Each row: mountinfo lines (id parent point source) and the sources
        // that stay visible besides "/".
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QStringList>("visible");
        QTest::newRow("stacked twice") << QByteArray("2 1 /a A|3 2 /a B|4 3 /a C")
                                       << QStringList{"C"};
        QTest::newRow("over a parent folder") << QByteArray("2 1 /a/b A|3 1 /a B")
                                              << QStringList{"B"};
        QTest::newRow("child of a covered mount")
            << QByteArray("2 1 /a A|3 2 /a/b B|4 1 /a C") << QStringList{"C"};
        QTest::newRow("child of the top of a stack")
            << QByteArray("2 1 /a A|3 2 /a B|4 3 /a/b C") << QStringList{"B", "C"};
        QTest::newRow("not a prefix") << QByteArray("2 1 /ab A|3 1 /a B")
                                      << QStringList{"B", "A"};
        QTest::newRow("same point, same parent: later wins")
            << QByteArray("2 1 /a A|3 1 /a B") << QStringList{"B"};
        QTest::newRow("pseudo on top hides") << QByteArray("2 1 /a A|3 2 /a proc")
                                             << QStringList{};
    }
    void hiddenMounts()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QStringList, visible);
        QByteArray text = line(1, 0, "/", "ext4", "root");
        for (const QByteArray& spec : lines.split('|')) {
            const QList<QByteArray> f = spec.split(' ');
            const QByteArray type = f.at(3) == "proc" ? "proc" : "nfs"; // nfs: no lstat
            text += line(f.at(0).toInt(), f.at(1).toInt(), "/nonexistent-tovane" + f.at(2), type,
                         f.at(3));
        }
        QStringList sources;
        for (const VolumeInfo& v : parseMountInfo(text)) {
            if (v.mountPoint != QLatin1String("/"))
                sources.append(v.device);
        }
        QCOMPARE(sources, visible);
    }

    void rootIsAlwaysFirst()
    {
        const QList<VolumeInfo> none = parseMountInfo(QByteArray());
        QCOMPARE(mountPoints(none), QStringList{"/"});
        const QList<VolumeInfo> live = listVolumes();
        QVERIFY(!live.isEmpty());
        QCOMPARE(live.first().mountPoint, QStringLiteral("/"));
        for (const VolumeInfo& v : live)
            QVERIFY2(!isPseudoFileSystem(v.fileSystem), qPrintable(v.mountPoint));
    }

    void mountPointOfPaths()
    {
        // Live table: the deepest listed mount point is the answer, and a
        // name that only begins like a mount point is not inside it.
        const QList<VolumeInfo> volumes = listVolumes();
        QString deepest;
        for (const VolumeInfo& v : volumes) {
            if (v.mountPoint != QLatin1String("/") && v.mountPoint.size() > deepest.size())
                deepest = v.mountPoint;
        }
        QCOMPARE(mountPointOf(QStringLiteral("/")), QStringLiteral("/"));
        if (deepest.isEmpty())
            QSKIP("only / is mounted here");
        QCOMPARE(mountPointOf(deepest), deepest);
        QCOMPARE(mountPointOf(deepest + QStringLiteral("/x/y")), deepest);
        QVERIFY(mountPointOf(deepest + QStringLiteral("zz")) != deepest);
    }

    void spaceOfRoot()
    {
        VolumeSpace space;
        QCOMPARE(volumeSpace(QStringLiteral("/"), space), 0);
        QVERIFY(space.totalBytes > 0);
        QVERIFY(space.availableBytes <= space.totalBytes);
        QVERIFY(space.blockSize > 0);
        QCOMPARE(volumeSpace(QStringLiteral("/no/such/mount"), space), ENOENT);
    }

    void timeLimit_data()
    {
        QTest::addColumn<int>("workMs");
        QTest::addColumn<int>("limitMs");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("expected");
        QTest::newRow("quick success") << 0 << 2000 << 0 << 0;
        QTest::newRow("quick error") << 10 << 2000 << EIO << EIO;
        QTest::newRow("hung") << 5000 << 200 << 0 << ETIMEDOUT;
        QTest::newRow("zero limit") << 1000 << 0 << 0 << ETIMEDOUT;
    }
    void timeLimit()
    {
        QFETCH(int, workMs);
        QFETCH(int, limitMs);
        QFETCH(int, result);
        QFETCH(int, expected);
        QElapsedTimer timer;
        timer.start();
        const int r = runWithTimeLimit(
            [workMs, result] {
                std::this_thread::sleep_for(std::chrono::milliseconds(workMs));
                return result;
            },
            limitMs);
        const qint64 elapsed = timer.elapsed();
        QCOMPARE(r, expected);
        if (expected == ETIMEDOUT)
            QVERIFY2(elapsed < limitMs + 700, qPrintable(QString::number(elapsed)));
    }

    void timedOutWorkOutlivesCaller()
    {
        // The helper keeps running on its own copies after the time-out.
        auto finished = std::make_shared<std::atomic<bool>>(false);
        {
            QByteArray local = "copied";
            QCOMPARE(runWithTimeLimit(
                         [finished, local] {
                             std::this_thread::sleep_for(std::chrono::milliseconds(300));
                             finished->store(local == "copied");
                             return 0;
                         },
                         50),
                     ETIMEDOUT);
        }
        QTRY_VERIFY_WITH_TIMEOUT(finished->load(), 3000);
    }
};

QTEST_GUILESS_MAIN(VolumesTest)
#include "tst_volumes.moc"
