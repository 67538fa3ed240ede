#include "platform/volumes.h"
#include "platform/filesystem.h"
#include "platform/names.h"
#include "platform/posixutil.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <linux/magic.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace tovane::platform {

namespace {

// Starts `work` on a helper thread and waits for it at most `timeLimitMs`.
// `started` tells a refused thread (EAGAIN, work never ran) from work that
// itself returned EAGAIN.
int runLimited(std::function<int()> work, int timeLimitMs, bool& started)
{
    struct Shared {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        int result = 0;
    };
    started = false;
    auto shared = std::make_shared<Shared>();
    std::thread helper;
    try {
        helper = std::thread([shared, work = std::move(work)]() {
            const int result = work ? work() : 0;
            std::lock_guard<std::mutex> lock(shared->mutex);
            shared->result = result;
            shared->done = true;
            shared->finished.notify_all();
        });
    } catch (const std::system_error&) {
        return EAGAIN;
    }
    started = true;
    std::unique_lock<std::mutex> lock(shared->mutex);
    const bool done = shared->finished.wait_for(
        lock, std::chrono::milliseconds(std::max(0, timeLimitMs)), [&] { return shared->done; });
    const int result = shared->result;
    lock.unlock();
    if (done) {
        helper.join();
        return result;
    }
    helper.detach();
    return ETIMEDOUT;
}

// Calls still stuck on a volume, by kind and path. Such a call is not made
// again until it returns: each try would leave one more blocked thread.
// Never destroyed, because detached helpers may finish after exit starts.
std::mutex& pendingMutex()
{
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

QSet<QByteArray>& pendingCalls()
{
    static QSet<QByteArray>* calls = new QSet<QByteArray>;
    return *calls;
}

void finishPending(const QByteArray& key)
{
    std::lock_guard<std::mutex> lock(pendingMutex());
    pendingCalls().remove(key);
}

int runOncePerKey(const QByteArray& key, std::function<int()> work, int timeLimitMs)
{
    {
        std::lock_guard<std::mutex> lock(pendingMutex());
        if (pendingCalls().contains(key))
            return ETIMEDOUT;
        pendingCalls().insert(key);
    }
    bool started = false;
    const int r = runLimited(
        [key, work = std::move(work)]() {
            const int error = work();
            finishPending(key);
            return error;
        },
        timeLimitMs, started);
    // No thread means nothing is stuck: the next call may try again.
    if (!started)
        finishPending(key);
    return r;
}

QByteArray pendingKey(const char* kind, const QByteArray& path)
{
    return QByteArray(kind) + '\0' + path;
}

// A path for the kernel: a NUL inside would make the call act on another
// item.
bool kernelPath(const QString& path, QByteArray& out)
{
    out = pathToBytes(path);
    return !out.contains('\0');
}

QByteArray decodeOctalEscapes(const QByteArray& field)
{
    const auto isOctal = [](char d) { return d >= '0' && d <= '7'; };
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size() && isOctal(field.at(i + 1)) &&
            isOctal(field.at(i + 2)) && isOctal(field.at(i + 3))) {
            const int value = (field.at(i + 1) - '0') * 64 + (field.at(i + 2) - '0') * 8 +
                              (field.at(i + 3) - '0');
            if (value <= 0xFF) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

// udev writes unsafe bytes of label link names as \xHH.
QByteArray decodeHexEscapes(const QByteArray& name)
{
    QByteArray out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name.at(i) == '\\' && i + 3 < name.size() && name.at(i + 1) == 'x') {
            bool ok = false;
            const int value = name.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(name.at(i));
    }
    return out;
}

QByteArray realPath(const QByteArray& path)
{
    char buffer[PATH_MAX];
    if (::realpath(path.constData(), buffer))
        return QByteArray(buffer);
    return QByteArray();
}

bool isNetworkFileSystem(const QString& fs)
{
    static const QSet<QString> types = {QStringLiteral("nfs"),        QStringLiteral("nfs4"),
                                        QStringLiteral("cifs"),       QStringLiteral("smb3"),
                                        QStringLiteral("fuse.sshfs"), QStringLiteral("9p"),
                                        QStringLiteral("glusterfs"),  QStringLiteral("ceph")};
    return types.contains(fs);
}

bool mentionsSshfs(const QString& fileSystem, const QString& device)
{
    return fileSystem.contains(QLatin1String("sshfs")) ||
           device.startsWith(QLatin1String("sshfs#"));
}

bool isFuse(const QString& fileSystem)
{
    return fileSystem == QLatin1String("fuse") || fileSystem.startsWith(QLatin1String("fuse."));
}

// statfs f_type values of network file systems. FUSE says nothing by
// itself; the name has to name sshfs.
bool isNetworkMagic(quint32 magic, const QString& fileSystem, const QString& device)
{
    switch (magic) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case CODA_SUPER_MAGIC:
    case AFS_SUPER_MAGIC:
    case AFS_FS_MAGIC:
    case V9FS_MAGIC:
    case CEPH_SUPER_MAGIC:
        return true;
    case FUSE_SUPER_MAGIC:
        return mentionsSshfs(fileSystem, device);
    default:
        return false;
    }
}

// Types whose name already tells everything; the others get a statfs.
bool isKnownLocalFileSystem(const QString& fs)
{
    static const QSet<QString> types = {
        QStringLiteral("ext2"),     QStringLiteral("ext3"),     QStringLiteral("ext4"),
        QStringLiteral("btrfs"),    QStringLiteral("xfs"),      QStringLiteral("vfat"),
        QStringLiteral("msdos"),    QStringLiteral("exfat"),    QStringLiteral("ntfs"),
        QStringLiteral("ntfs3"),    QStringLiteral("fuseblk"),  QStringLiteral("f2fs"),
        QStringLiteral("jfs"),      QStringLiteral("reiserfs"), QStringLiteral("hfs"),
        QStringLiteral("hfsplus"),  QStringLiteral("iso9660"),  QStringLiteral("udf"),
        QStringLiteral("tmpfs"),    QStringLiteral("ramfs"),    QStringLiteral("squashfs"),
        QStringLiteral("overlay"),  QStringLiteral("zfs"),      QStringLiteral("erofs"),
        QStringLiteral("bcachefs"), QStringLiteral("nilfs2"),   QStringLiteral("minix"),
        QStringLiteral("cramfs"),   QStringLiteral("romfs")};
    return types.contains(fs);
}

// A type probe needs no patience: a volume that answers does so at once.
constexpr int MagicProbeTimeLimitMs = 500;

// f_type of a mount point, 0 when it does not answer or is not there.
quint32 fileSystemMagic(const QString& mountPoint)
{
    QByteArray path;
    if (!kernelPath(mountPoint, path))
        return 0;
    auto magic = std::make_shared<quint32>(0);
    const int r = runOncePerKey(
        pendingKey("statfs", path),
        [path, magic]() {
            struct statfs st;
            if (::statfs(path.constData(), &st) != 0)
                return errno;
            *magic = quint32(st.f_type);
            return 0;
        },
        MagicProbeTimeLimitMs);
    return r == 0 ? *magic : 0;
}

// Type of a block device from its sysfs folder (/sys/class/block/NAME or
// /sys/dev/block/MAJ:MIN).
int blockDriveType(const QByteArray& sysLink)
{
    const QByteArray sysPath = realPath(sysLink);
    if (sysPath.isEmpty())
        return DriveUnknown;
    if (sysPath.contains("/usb"))
        return DriveRemovable;
    QByteArray disk = sysPath;
    struct stat st;
    if (::stat((sysPath + "/partition").constData(), &st) == 0)
        disk = sysPath.left(sysPath.lastIndexOf('/'));
    if (readSmallFile(disk + "/removable").trimmed() == "1")
        return DriveRemovable;
    return DriveFixed;
}

int driveTypeOf(const QString& fileSystem, const QString& device, const QByteArray& majorMinor,
                quint32 fsMagic)
{
    if (isNetworkFileSystem(fileSystem) ||
        (isFuse(fileSystem) && mentionsSshfs(fileSystem, device)) ||
        isNetworkMagic(fsMagic, fileSystem, device))
        return DriveNetwork;
    if (fileSystem == QLatin1String("tmpfs") || fileSystem == QLatin1String("ramfs"))
        return DriveRamDisk;
    if (fileSystem == QLatin1String("iso9660") || fileSystem == QLatin1String("udf") ||
        device.startsWith(QLatin1String("/dev/sr")))
        return DriveCdRom;
    if (device.startsWith(QLatin1String("/dev/"))) {
        const QByteArray resolved = realPath(pathToBytes(device));
        struct stat st;
        if (!resolved.isEmpty() && ::stat(resolved.constData(), &st) == 0 && S_ISBLK(st.st_mode)) {
            if (resolved.startsWith("/dev/sr"))
                return DriveCdRom;
            return blockDriveType("/sys/class/block/" +
                                  resolved.mid(resolved.lastIndexOf('/') + 1));
        }
    }
    // Sources such as /dev/root name no node; the device number still does.
    if (!majorMinor.isEmpty() && !majorMinor.startsWith("0:")) {
        const QByteArray link = "/sys/dev/block/" + majorMinor;
        struct stat st;
        if (::stat(link.constData(), &st) == 0)
            return blockDriveType(link);
    }
    return DriveUnknown;
}

// Component-wise: "/a" holds "/a/b" but not "/ab".
bool pathIsWithin(const QString& path, const QString& folder)
{
    if (folder == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == folder ||
           (path.startsWith(folder) && path.at(folder.size()) == QLatin1Char('/'));
}

struct MountLine {
    int id = -1;
    int parent = -1;
    QByteArray majorMinor;
    QString mountPoint;
    QString fileSystem;
    QString source;
    bool readOnly = false;
};

bool hasOption(const QByteArray& options, const char* option)
{
    const QList<QByteArray> parts = options.split(',');
    return std::any_of(parts.begin(), parts.end(),
                       [option](const QByteArray& p) { return p == option; });
}

bool parseLine(const QByteArray& line, MountLine& out)
{
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() < 10)
        return false;
    qsizetype separator = -1;
    for (qsizetype i = 6; i < fields.size(); ++i) {
        if (fields.at(i) == "-") {
            separator = i;
            break;
        }
    }
    if (separator < 0 || separator + 2 >= fields.size())
        return false;
    bool ok1 = false, ok2 = false;
    out.id = fields.at(0).toInt(&ok1);
    out.parent = fields.at(1).toInt(&ok2);
    if (!ok1 || !ok2)
        return false;
    out.majorMinor = fields.at(2);
    out.mountPoint = decodeMountInfoField(fields.at(4));
    out.fileSystem = decodeMountInfoField(fields.at(separator + 1));
    out.source = decodeMountInfoField(fields.at(separator + 2));
    const QByteArray superOptions = separator + 3 < fields.size() ? fields.at(separator + 3) : "";
    out.readOnly = hasOption(fields.at(5), "ro") || hasOption(superOptions, "ro");
    return !out.mountPoint.isEmpty();
}

// Which mounts can be reached by path. A mount is covered when another one
// sits on its root (a child with the same mount point), when a sibling was
// mounted on its mount point or a folder above it, or when its parent is
// covered by something other than this mount itself.
class Visibility {
public:
    explicit Visibility(const QList<MountLine>& lines) : m_lines(lines)
    {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            m_byId.insert(lines.at(i).id, i);
            m_children[lines.at(i).parent].append(i);
        }
    }

    bool hidden(qsizetype index) const
    {
        if (coveredAtRoot(index, -1) || coveredBySibling(index))
            return true;
        return parentCovered(index, 0);
    }

private:
    bool coveredAtRoot(qsizetype index, qsizetype except) const
    {
        const MountLine& m = m_lines.at(index);
        for (qsizetype child : m_children.value(m.id)) {
            if (child != index && child != except && m_lines.at(child).mountPoint == m.mountPoint)
                return true;
        }
        return false;
    }

    bool coveredBySibling(qsizetype index) const
    {
        const MountLine& m = m_lines.at(index);
        for (qsizetype other : m_children.value(m.parent)) {
            if (other == index)
                continue;
            const QString& point = m_lines.at(other).mountPoint;
            if (point == m.mountPoint ? other > index : pathIsWithin(m.mountPoint, point))
                return true;
        }
        return false;
    }

    bool parentCovered(qsizetype index, int depth) const
    {
        const auto it = m_byId.constFind(m_lines.at(index).parent);
        if (it == m_byId.constEnd() || *it == index || depth > 64)
            return false;
        const qsizetype parent = *it;
        return coveredAtRoot(parent, index) || coveredBySibling(parent) ||
               parentCovered(parent, depth + 1);
    }

    const QList<MountLine>& m_lines;
    QHash<int, qsizetype> m_byId;
    QHash<int, QList<qsizetype>> m_children;
};

QHash<QByteArray, QString> readLabels()
{
    QHash<QByteArray, QString> labels;
    const QByteArray folder = "/dev/disk/by-label";
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return labels;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray target = realPath(folder + '/' + name);
        if (!target.isEmpty())
            labels.insert(target, nameFromBytes(decodeHexEscapes(name)));
    }
    ::closedir(dir);
    return labels;
}

bool mayBlock(const QString& fileSystem)
{
    return isNetworkFileSystem(fileSystem) || fileSystem == QLatin1String("fuse") ||
           fileSystem.startsWith(QLatin1String("fuse."));
}

} // namespace

QString decodeMountInfoField(const QByteArray& field)
{
    return pathFromBytes(decodeOctalEscapes(field));
}

bool isPseudoFileSystem(const QString& fileSystem)
{
    static const QSet<QString> types = {
        QStringLiteral("proc"),        QStringLiteral("sysfs"),    QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"),     QStringLiteral("devpts"),   QStringLiteral("mqueue"),
        QStringLiteral("debugfs"),     QStringLiteral("tracefs"),  QStringLiteral("securityfs"),
        QStringLiteral("pstore"),      QStringLiteral("bpf"),      QStringLiteral("autofs"),
        QStringLiteral("binfmt_misc"), QStringLiteral("fusectl"),  QStringLiteral("configfs"),
        QStringLiteral("hugetlbfs"),   QStringLiteral("devtmpfs"), QStringLiteral("rpc_pipefs"),
        QStringLiteral("nsfs"),        QStringLiteral("efivarfs"), QStringLiteral("selinuxfs")};
    return types.contains(fileSystem);
}

int driveTypeFor(const QString& fileSystem, const QString& device, quint32 fsMagic)
{
    return driveTypeOf(fileSystem, device, QByteArray(), fsMagic);
}

QList<VolumeInfo> parseMountInfo(const QByteArray& mountInfoText)
{
    QList<MountLine> lines;
    for (const QByteArray& raw : mountInfoText.split('\n')) {
        MountLine line;
        if (parseLine(raw.trimmed(), line))
            lines.append(line);
    }
    const Visibility visibility(lines);

    // Whatever is mounted inside /proc or /sys belongs to the kernel, not to
    // the user, whatever its type (e.g. the tmpfs at /sys/fs/cgroup).
    QList<QString> kernelAreas;
    for (const MountLine& line : lines) {
        if (line.fileSystem == QLatin1String("proc") || line.fileSystem == QLatin1String("sysfs"))
            kernelAreas.append(line.mountPoint);
    }

    const QHash<QByteArray, QString> labels = readLabels();
    QList<VolumeInfo> volumes;
    bool haveRoot = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const MountLine& line = lines.at(i);
        if (visibility.hidden(i) || isPseudoFileSystem(line.fileSystem))
            continue;
        if (line.mountPoint != QLatin1String("/") &&
            std::any_of(kernelAreas.begin(), kernelAreas.end(),
                        [&](const QString& area) { return pathIsWithin(line.mountPoint, area); }))
            continue;
        // Bind mounts of single files (containers do that with resolv.conf);
        // network mounts are not touched: lstat could hang on them.
        if (!mayBlock(line.fileSystem)) {
            struct stat st;
            if (::lstat(pathToBytes(line.mountPoint).constData(), &st) == 0 && !S_ISDIR(st.st_mode))
                continue;
        }
        VolumeInfo volume;
        volume.mountPoint = line.mountPoint;
        volume.device = line.source;
        volume.fileSystem = line.fileSystem;
        volume.readOnly = line.readOnly;
        // FUSE mounts are left to their names: their f_type is the same for
        // all of them, and a hung daemon would hold the probe up.
        const bool probe = !isNetworkFileSystem(line.fileSystem) &&
                           !isKnownLocalFileSystem(line.fileSystem) && !isFuse(line.fileSystem);
        volume.driveType = driveTypeOf(line.fileSystem, line.source, line.majorMinor,
                                       probe ? fileSystemMagic(line.mountPoint) : 0);
        if (line.source.startsWith(QLatin1String("/dev/"))) {
            const QByteArray device = realPath(pathToBytes(line.source));
            if (!device.isEmpty())
                volume.label = labels.value(device);
        }
        haveRoot = haveRoot || volume.mountPoint == QLatin1String("/");
        // Stacked mounts seen through bind tricks can still repeat a point.
        const auto same = std::find_if(volumes.begin(), volumes.end(), [&](const VolumeInfo& v) {
            return v.mountPoint == volume.mountPoint;
        });
        if (same != volumes.end())
            *same = volume;
        else
            volumes.append(volume);
    }
    if (!haveRoot) {
        VolumeInfo root;
        root.mountPoint = QStringLiteral("/");
        volumes.append(root);
    }
    std::sort(volumes.begin(), volumes.end(), [](const VolumeInfo& a, const VolumeInfo& b) {
        return pathToBytes(a.mountPoint) < pathToBytes(b.mountPoint);
    });
    return volumes;
}

bool holdsMountPoint(const QString& folder)
{
    QByteArray bytes;
    if (!kernelPath(folder, bytes))
        return false;
    const QByteArray real = realPath(bytes);
    if (real.isEmpty())
        return false;
    const QString base = nameFromBytes(real);
    // Every mount counts here, pseudo file systems and single files included.
    const QByteArray text =
        readSmallFile("/proc/self/mountinfo", std::numeric_limits<qsizetype>::max());
    for (const QByteArray& raw : text.split('\n')) {
        MountLine line;
        if (parseLine(raw.trimmed(), line) && line.mountPoint != base &&
            pathIsWithin(line.mountPoint, base))
            return true;
    }
    return false;
}

QList<VolumeInfo> listVolumes()
{
    return parseMountInfo(
        readSmallFile("/proc/self/mountinfo", std::numeric_limits<qsizetype>::max()));
}

QString mountPointOf(const QString& path)
{
    QString best = QStringLiteral("/");
    for (const VolumeInfo& volume : listVolumes()) {
        if (volume.mountPoint.size() > best.size() && pathIsWithin(path, volume.mountPoint))
            best = volume.mountPoint;
    }
    return best;
}

int runWithTimeLimit(std::function<int()> work, int timeLimitMs)
{
    bool started = false;
    return runLimited(std::move(work), timeLimitMs, started);
}

int volumeSpace(const QString& mountPoint, VolumeSpace& out, int timeLimitMs)
{
    QByteArray path;
    if (!kernelPath(mountPoint, path))
        return EINVAL;
    auto result = std::make_shared<struct statvfs>();
    const int r = runOncePerKey(
        pendingKey("statvfs", path),
        [path, result]() { return ::statvfs(path.constData(), result.get()) == 0 ? 0 : errno; },
        timeLimitMs);
    if (r)
        return r;
    const quint64 unit = result->f_frsize ? result->f_frsize : result->f_bsize;
    out.totalBytes = double(result->f_blocks) * double(unit);
    out.availableBytes = double(result->f_bavail) * double(unit);
    out.blockSize = unit;
    out.readOnly = (result->f_flag & ST_RDONLY) != 0;
    return 0;
}

namespace detail {

int statPathWithTimeLimit(const QString& path, ItemRecord& out, int timeLimitMs,
                          const StatWork& work)
{
    // The helper may outlive this call: it works on copies and a record of
    // its own, and `out` is filled here only when it finished in time.
    auto record = std::make_shared<ItemRecord>();
    const int r = runOncePerKey(
        pendingKey("stat", pathToBytes(path)),
        [path, record, work]() { return work ? work(path, *record) : EINVAL; }, timeLimitMs);
    if (r == 0)
        out = *record;
    return r;
}

} // namespace detail

int statPathWithTimeLimit(const QString& path, ItemRecord& out, int timeLimitMs)
{
    return detail::statPathWithTimeLimit(
        path, out, timeLimitMs,
        [](const QString& p, ItemRecord& record) { return statPath(p, record); });
}

int accessWithTimeLimit(const QString& path, int mode, int timeLimitMs)
{
    QByteArray bytes;
    if (!kernelPath(path, bytes))
        return EINVAL;
    return runOncePerKey(
        pendingKey("access", bytes) + '\0' + QByteArray::number(mode),
        [bytes, mode]() {
            return ::faccessat(AT_FDCWD, bytes.constData(), mode, AT_EACCESS) == 0 ? 0 : errno;
        },
        timeLimitMs);
}

} // namespace tovane::platform
