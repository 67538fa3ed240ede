#include "platform/filesystem.h"
#include "platform/names.h"
#include "platform/volumes.h"
#include "support/asuser.h"
#include "support/tempdir.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <functional>
#include <linux/magic.h>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tovane::platform;
using tovane::test::asEffectiveNobody;
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

bool sameRecord(const tovane::ItemRecord& a, const tovane::ItemRecord& b)
{
    return a.name == b.name && a.size == b.size && a.writeTime == b.writeTime &&
           a.accessTime == b.accessTime && a.creationTime == b.creationTime &&
           a.attributes == b.attributes && a.mode == b.mode && a.isSymlink == b.isSymlink &&
           a.linkToFolder == b.linkToFolder;
}

// A work that hangs until the test opens the gate, like stat on a dead
// server; it fills its record only after that.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    std::atomic<int> calls{0};
    std::atomic<bool> finished{false};

    void release()
    {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        opened.notify_all();
    }
};

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
        for (const char* t :
             {"ext4", "btrfs", "xfs", "vfat", "tmpfs", "overlay", "nfs4", "fuse.sshfs", "iso9660"})
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
        QTest::newRow("nfs") << "nfs"
                             << "server:/export" << int(DriveNetwork);
        QTest::newRow("nfs4") << "nfs4"
                              << "server:/" << int(DriveNetwork);
        QTest::newRow("cifs") << "cifs"
                              << "//host/share" << int(DriveNetwork);
        QTest::newRow("smb3") << "smb3"
                              << "//host/share" << int(DriveNetwork);
        QTest::newRow("sshfs") << "fuse.sshfs"
                               << "me@host:" << int(DriveNetwork);
        QTest::newRow("9p") << "9p"
                            << "hostshare" << int(DriveNetwork);
        QTest::newRow("glusterfs") << "glusterfs"
                                   << "h:/v" << int(DriveNetwork);
        QTest::newRow("ceph") << "ceph"
                              << "1.2.3.4:/" << int(DriveNetwork);
        QTest::newRow("iso9660") << "iso9660"
                                 << "/dev/loop9" << int(DriveCdRom);
        QTest::newRow("udf") << "udf"
                             << "/dev/sdz1" << int(DriveCdRom);
        QTest::newRow("optical device") << "auto"
                                        << "/dev/sr0" << int(DriveCdRom);
        QTest::newRow("tmpfs") << "tmpfs"
                               << "tmpfs" << int(DriveRamDisk);
        QTest::newRow("ramfs") << "ramfs"
                               << "none" << int(DriveRamDisk);
        QTest::newRow("overlay") << "overlay"
                                 << "overlay" << int(DriveUnknown);
        QTest::newRow("missing device") << "ext4"
                                        << "/dev/no-such-device" << int(DriveUnknown);
        QTest::newRow("not a device") << "ext4"
                                      << "/dev/null" << int(DriveUnknown);
    }
    void driveTypes()
    {
        QFETCH(QString, type);
        QFETCH(QString, device);
        QFETCH(int, expected);
        QCOMPARE(driveTypeFor(type, device), expected);
    }

    void driveTypesByMagic_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("device");
        QTest::addColumn<uint>("magic");
        QTest::addColumn<int>("expected");
        const auto net = [](const char* name, uint magic) {
            QTest::newRow(name) << "mystery"
                                << "somewhere:/x" << magic << int(DriveNetwork);
        };
        net("nfs", NFS_SUPER_MAGIC);
        net("smb", SMB_SUPER_MAGIC);
        net("smb2", SMB2_SUPER_MAGIC);
        net("cifs", CIFS_SUPER_MAGIC);
        net("coda", CODA_SUPER_MAGIC);
        net("afs", AFS_SUPER_MAGIC);
        net("kafs", AFS_FS_MAGIC);
        net("9p", V9FS_MAGIC);
        net("ceph", CEPH_SUPER_MAGIC);
        QTest::newRow("unknown magic") << "mystery"
                                       << "somewhere:/x" << 0x12345678u << int(DriveUnknown);
        QTest::newRow("no magic") << "mystery"
                                  << "somewhere:/x" << 0u << int(DriveUnknown);
        QTest::newRow("local magic")
            << "ext4"
            << "/dev/no-such-device" << uint(EXT4_SUPER_MAGIC) << int(DriveUnknown);
        QTest::newRow("ram disk stays one") << "tmpfs"
                                            << "tmpfs" << uint(TMPFS_MAGIC) << int(DriveRamDisk);
        // Every FUSE file system has the same f_type; only sshfs is known
        // to be remote, by its name or its old-style source.
        QTest::newRow("fuse, sshfs source")
            << "fuse"
            << "sshfs#me@host:/" << uint(FUSE_SUPER_MAGIC) << int(DriveNetwork);
        QTest::newRow("fuse, sshfs source, no magic")
            << "fuse"
            << "sshfs#me@host:/" << 0u << int(DriveNetwork);
        QTest::newRow("fuse.sshfs") << "fuse.sshfs"
                                    << "me@host:" << uint(FUSE_SUPER_MAGIC) << int(DriveNetwork);
        QTest::newRow("other fuse") << "fuse.rclone"
                                    << "remote:" << uint(FUSE_SUPER_MAGIC) << int(DriveUnknown);
        QTest::newRow("fuse on a disk")
            << "fuseblk"
            << "/dev/no-such-device" << uint(FUSE_SUPER_MAGIC) << int(DriveUnknown);
        QTest::newRow("sshfs named by a local one")
            << "ext4"
            << "sshfs#me@host:/" << uint(EXT4_SUPER_MAGIC) << int(DriveUnknown);
    }
    void driveTypesByMagic()
    {
        QFETCH(QString, type);
        QFETCH(QString, device);
        QFETCH(uint, magic);
        QFETCH(int, expected);
        QCOMPARE(driveTypeFor(type, device, quint32(magic)), expected);
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
        QStringList expected{
            "/", "/mnt/nfs", base + "/data", base + "/my disk", base + "/over", base + "/stack"};
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
        QTest::newRow("stacked twice")
            << QByteArray("2 1 /a A|3 2 /a B|4 3 /a C") << QStringList{"C"};
        QTest::newRow("over a parent folder")
            << QByteArray("2 1 /a/b A|3 1 /a B") << QStringList{"B"};
        QTest::newRow("child of a covered mount")
            << QByteArray("2 1 /a A|3 2 /a/b B|4 1 /a C") << QStringList{"C"};
        QTest::newRow("child of the top of a stack")
            << QByteArray("2 1 /a A|3 2 /a B|4 3 /a/b C") << QStringList{"B", "C"};
        QTest::newRow("not a prefix") << QByteArray("2 1 /ab A|3 1 /a B") << QStringList{"B", "A"};
        QTest::newRow("same point, same parent: later wins")
            << QByteArray("2 1 /a A|3 1 /a B") << QStringList{"B"};
        QTest::newRow("pseudo on top hides") << QByteArray("2 1 /a A|3 2 /a proc") << QStringList{};
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

    void statMatchesPlainStat_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("expected");
        QTest::newRow("file") << QByteArray("file") << 0;
        QTest::newRow("folder") << QByteArray("folder") << 0;
        QTest::newRow("link to a folder") << QByteArray("link") << 0;
        QTest::newRow("dangling link") << QByteArray("dangling") << 0;
        QTest::newRow("odd bytes") << QByteArray("caf\xe9 \n") << 0;
        QTest::newRow("missing") << QByteArray("none") << ENOENT;
        QTest::newRow("below a file") << QByteArray("file/x") << ENOTDIR;
    }
    void statMatchesPlainStat()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, expected);
        TempDir dir;
        QVERIFY(dir.writeFile("file", "12345"));
        QVERIFY(dir.makeFolder("folder"));
        QVERIFY(dir.writeFile("caf\xe9 \n", ""));
        QVERIFY(::symlink("folder", (dir.pathBytes() + "/link").constData()) == 0);
        QVERIFY(::symlink("gone", (dir.pathBytes() + "/dangling").constData()) == 0);
        const QString path = pathFromBytes(dir.pathBytes() + '/' + name);
        tovane::ItemRecord plain;
        // Reading a link's target the first time can move the link's atime.
        QCOMPARE(statPath(path, plain), expected);
        tovane::ItemRecord limited;
        limited.name = QStringLiteral("untouched");
        QCOMPARE(statPathWithTimeLimit(path, limited), expected);
        QCOMPARE(statPath(path, plain), expected);
        if (expected == 0)
            QVERIFY(sameRecord(limited, plain));
        else
            QCOMPARE(limited.name, QStringLiteral("untouched"));
    }

    void stuckStatIsNotRepeated()
    {
        TempDir dir;
        const QString path = dir.filePath("hung");
        auto gate = std::make_shared<Gate>();
        const detail::StatWork blocking = [gate](const QString&, tovane::ItemRecord& record) {
            ++gate->calls;
            std::unique_lock<std::mutex> lock(gate->mutex);
            gate->opened.wait(lock, [&] { return gate->open; });
            record.name = QStringLiteral("late");
            record.size = 99;
            gate->finished = true;
            return 0;
        };
        const detail::StatWork quick = [](const QString&, tovane::ItemRecord& record) {
            record.name = QStringLiteral("quick");
            return 0;
        };

        tovane::ItemRecord out;
        out.name = QStringLiteral("before");
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(detail::statPathWithTimeLimit(path, out, 200, blocking), ETIMEDOUT);
        QVERIFY2(timer.elapsed() < 900, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(out.name, QStringLiteral("before"));

        // While it hangs, asking again answers at once and starts nothing.
        timer.restart();
        QCOMPARE(detail::statPathWithTimeLimit(path, out, 5000, blocking), ETIMEDOUT);
        QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(gate->calls.load(), 1);

        // Other paths are not held up by it.
        tovane::ItemRecord other;
        QCOMPARE(detail::statPathWithTimeLimit(dir.filePath("other"), other, 2000, quick), 0);
        QCOMPARE(other.name, QStringLiteral("quick"));

        // The late answer lands in the helper's own record, never in ours,
        // and afterwards the path is asked again.
        gate->release();
        QTRY_VERIFY_WITH_TIMEOUT(gate->finished.load(), 3000);
        QCOMPARE(out.name, QStringLiteral("before"));
        QTRY_COMPARE_WITH_TIMEOUT(detail::statPathWithTimeLimit(path, out, 2000, quick), 0, 3000);
        QCOMPARE(out.name, QStringLiteral("quick"));
    }

    void accessChecks_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("effectiveNobody");
        QTest::addColumn<int>("expected");
        QTest::newRow("file readable") << QByteArray("open") << int(R_OK) << false << 0;
        QTest::newRow("folder writable") << QByteArray("folder") << int(W_OK | X_OK) << false << 0;
        QTest::newRow("missing") << QByteArray("none") << int(F_OK) << false << ENOENT;
        QTest::newRow("NUL in the path")
            << QByteArray("open\0x", 6) << int(F_OK) << false << EINVAL;
        // The real ids are root's, the effective ones are not: the check
        // must answer for the ids that will do the writing.
        QTest::newRow("read-only file, effective ids")
            << QByteArray("locked") << int(W_OK) << true << EACCES;
        QTest::newRow("read-only file readable, effective ids")
            << QByteArray("locked") << int(R_OK) << true << 0;
        QTest::newRow("private file, effective ids")
            << QByteArray("private") << int(R_OK) << true << EACCES;
    }
    void accessChecks()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, mode);
        QFETCH(bool, effectiveNobody);
        QFETCH(int, expected);
        TempDir dir;
        // Searchable for everyone, so that only the file's own bits decide.
        QVERIFY(::chmod(dir.pathBytes().constData(), 0755) == 0);
        QVERIFY(dir.writeFile("open", "x"));
        QVERIFY(dir.makeFolder("folder"));
        QVERIFY(dir.writeFile("locked", "x"));
        QVERIFY(::chmod((dir.pathBytes() + "/locked").constData(), 0444) == 0);
        QVERIFY(dir.writeFile("private", "x"));
        QVERIFY(::chmod((dir.pathBytes() + "/private").constData(), 0600) == 0);
        const QString path = pathFromBytes(dir.pathBytes() + '/' + name);
        const auto check = [&] { return accessWithTimeLimit(path, mode, 2000); };
        QCOMPARE(effectiveNobody ? asEffectiveNobody(check) : check(), expected);
    }

    void refusedThreadDoesNotStick_data()
    {
        QTest::addColumn<int>("call");
        QTest::newRow("volume space") << 0;
        QTest::newRow("stat") << 1;
        QTest::newRow("access") << 2;
    }
    void refusedThreadDoesNotStick()
    {
        // A process limit makes thread creation fail for real. Root ignores
        // the limit, so the child drops to "nobody" first.
        QFETCH(int, call);
        TempDir dir;
        const QString path = dir.path();
        const auto run = [&]() -> int {
            VolumeSpace space;
            tovane::ItemRecord record;
            switch (call) {
            case 0:
                return volumeSpace(path, space);
            case 1:
                return statPathWithTimeLimit(path, record);
            default:
                return accessWithTimeLimit(path, F_OK, DefaultVolumeTimeLimitMs);
            }
        };
        int results[2] = {-1, -1};
        int fds[2];
        QVERIFY(::pipe(fds) == 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            if (::geteuid() == 0 && !tovane::test::dropToNobody())
                ::_exit(250);
            rlimit old{};
            ::getrlimit(RLIMIT_NPROC, &old);
            const rlimit one{1, old.rlim_max};
            if (::setrlimit(RLIMIT_NPROC, &one) != 0)
                ::_exit(251);
            int out[2];
            out[0] = run();
            const rlimit back{old.rlim_max, old.rlim_max};
            ::setrlimit(RLIMIT_NPROC, &back);
            out[1] = run();
            const bool written = ::write(fds[1], out, sizeof out) == ssize_t(sizeof out);
            ::_exit(written ? 0 : 252);
        }
        ::close(fds[1]);
        const bool got = ::read(fds[0], results, sizeof results) == ssize_t(sizeof results);
        ::close(fds[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        QVERIFY2(got, qPrintable(QString::number(WEXITSTATUS(status))));
        if (results[0] != EAGAIN)
            QSKIP("the process limit does not refuse threads here");
        // The refusal counts for that call only: nothing was left hanging.
        QCOMPARE(results[1], 0);
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
