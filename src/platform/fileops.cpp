#include "platform/fileops.h"
#include "platform/names.h"
#include "platform/posixutil.h"

#include <QByteArray>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/msdos_fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace tovane::platform {

namespace {

constexpr size_t ChunkSize = 1 << 20;
constexpr quint64 SmallFileBytes = 64 * 1024;

struct SplitPath {
    QByteArray folder;
    QByteArray name;
};

int splitItemPath(const QString& path, SplitPath& out)
{
    const QByteArray bytes = pathToBytes(path);
    // A NUL would cut the path short for the kernel: another item would be hit.
    if (bytes.contains('\0'))
        return EINVAL;
    splitPath(stripTrailingSlashes(bytes), out.folder, out.name);
    return isPlainName(out.name) ? 0 : EINVAL;
}

int openFolderPath(const QByteArray& folder, UniqueFd& fd)
{
    fd.reset(::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    return fd.isValid() ? 0 : errno;
}

constexpr QByteArrayView TempPrefix = ".tovane-";
constexpr int TempRandomLength = 6;

QByteArray tempName()
{
    return TempPrefix.toByteArray() + randomName(TempRandomLength);
}

bool isTempName(QByteArrayView name)
{
    if (name.size() != TempPrefix.size() + TempRandomLength || !name.startsWith(TempPrefix))
        return false;
    for (char c : name.sliced(TempPrefix.size())) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

FileState stateOf(const struct stat& st)
{
    FileState state;
    state.device = quint64(st.st_dev);
    state.inode = quint64(st.st_ino);
    state.size = quint64(st.st_size);
    state.writeTime = toNanoseconds(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    state.changeTime = toNanoseconds(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
    return state;
}

bool sameState(const FileState& a, const FileState& b)
{
    return a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.writeTime == b.writeTime && a.changeTime == b.changeTime;
}

// Whether the folder entry `name` is the root of a mount. Bind mounts of
// the same file system keep the device number; only statx tells those.
bool isMountRootAt(int dirFd, const char* name, const struct stat& st, dev_t parentDevice)
{
    struct statx sx;
    if (::statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, 0, &sx) == 0 &&
        (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT))
        return (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    return st.st_dev != parentDevice;
}

// The process umask, read without changing it (umask() is process-wide and
// would race with other threads).
mode_t currentUmask()
{
    UniqueFd fd(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
    if (fd.isValid()) {
        char buf[4096];
        const ssize_t n = ::read(fd.get(), buf, sizeof buf - 1);
        if (n > 0) {
            buf[n] = 0;
            if (const char* at = std::strstr(buf, "Umask:"))
                return mode_t(std::strtoul(at + 6, nullptr, 8) & 0777);
        }
    }
    return 022;
}

int renameNoReplace(int fromDir, const char* from, int toDir, const char* to)
{
    if (::renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP)
        return error;
    // File systems without the flag: check, then rename (a small race only there).
    struct stat st;
    if (::fstatat(toDir, to, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return errno;
    return ::renameat(fromDir, from, toDir, to) == 0 ? 0 : errno;
}

int renameInto(int fromDir, const char* from, int toDir, const char* to, bool replace)
{
    if (!replace)
        return renameNoReplace(fromDir, from, toDir, to);
    return ::renameat(fromDir, from, toDir, to) == 0 ? 0 : errno;
}

int removeTreeAt(int parent, const QByteArray& name, bool unlock);

// Removes a temporary entry unless it was handed over.
struct TempGuard {
    int dirFd = -1;
    QByteArray name;
    bool isFolder = false;
    bool armed = false;
    ~TempGuard()
    {
        if (!armed)
            return;
        if (isFolder)
            removeTreeAt(dirFd, name, true);
        else
            ::unlinkat(dirFd, name.constData(), 0);
    }
};

// How new files get their mode in one destination folder.
struct CreationRules {
    mode_t umask = 022;
    // The requested mode minus the umask is what a new file gets: no default
    // ACL of the folder decides instead.
    bool modePredictable = false;
    bool unnamedRefused = false; // O_TMPFILE failed here once
};

constexpr mode_t UnknownMode = mode_t(-1);

std::atomic<bool> unnamedTemporaries{true};
std::atomic<int> temporaryQuietSeconds{60};

// How an unnamed file gets its name; only ever moves towards LinkNever.
enum LinkMethod : int { LinkEmptyPath, LinkProcPath, LinkNever };
std::atomic<int> linkMethod{LinkEmptyPath};

struct Internal {
    CopyOptions options;
    const ChunkCallback* onChunk = nullptr;
    bool keepOwner = false;         // moves keep the owner where allowed
    CreationRules* rules = nullptr; // known for a FolderPair only

    int report(quint64 done, quint64 total) const
    {
        return (onChunk && *onChunk) ? (*onChunk)(done, total) : 0;
    }
    // EBUSY when a source that must stay still was written to during the copy.
    int settled(int in, const struct stat& before) const
    {
        if (!options.stableSource)
            return 0;
        struct stat now;
        if (::fstat(in, &now) != 0)
            return errno;
        return sameState(stateOf(now), stateOf(before)) ? 0 : EBUSY;
    }
};

bool fallsBackToReadWrite(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
           error == ENOTSUP;
}

// Copies the data of `in` to the empty file `out`, keeping holes that the
// source reports through SEEK_DATA/SEEK_HOLE.
int copyData(int in, int out, quint64 size, dev_t sourceDevice, const Internal& ctx)
{
    if (int r = ctx.report(0, size))
        return r;
    if (size == 0)
        return 0;
    // A file system that cannot share blocks says so for every file. Those
    // answers only come when both files are on one file system (another one
    // gives EXDEV, which is not kept), so the source's device is the key.
    thread_local std::vector<dev_t> noClone;
    if (std::find(noClone.begin(), noClone.end(), sourceDevice) == noClone.end()) {
        if (::ioctl(out, FICLONE, in) == 0)
            return ctx.report(size, size);
        if (errno == EOPNOTSUPP || errno == ENOTTY || errno == ENOSYS || errno == EINVAL)
            noClone.push_back(sourceDevice);
    }

    bool useCopyRange = true;
    // Holes in a file of a few blocks are not worth two seeks.
    bool seekHoles = size > SmallFileBytes;
    std::unique_ptr<char[]> buffer;
    off_t pos = 0;
    off_t writtenEnd = 0;
    off_t end = off_t(size);
    while (pos < end) {
        off_t segmentEnd = end;
        if (seekHoles) {
            const off_t data = ::lseek(in, pos, SEEK_DATA);
            if (data < 0) {
                if (errno == ENXIO) {
                    pos = end; // only a hole is left
                    break;
                }
                seekHoles = false;
            } else if (data >= end) {
                pos = end;
                break;
            } else {
                const off_t hole = ::lseek(in, data, SEEK_HOLE);
                pos = data;
                if (hole < 0)
                    seekHoles = false;
                else
                    segmentEnd = std::min(hole, end);
            }
        }
        while (pos < segmentEnd) {
            const size_t want = size_t(std::min<off_t>(off_t(ChunkSize), segmentEnd - pos));
            ssize_t n;
            if (useCopyRange) {
                off_t inOffset = pos;
                off_t outOffset = pos;
                n = ::copy_file_range(in, &inOffset, out, &outOffset, want, 0);
                if (n < 0) {
                    if (errno == EINTR)
                        continue;
                    if (!fallsBackToReadWrite(errno))
                        return errno;
                    useCopyRange = false;
                    continue;
                }
                if (n == 0) {
                    // No progress: let read() tell a shrunk file from a refusing one.
                    useCopyRange = false;
                    continue;
                }
            } else {
                if (!buffer)
                    buffer.reset(new char[ChunkSize]);
                n = ::pread(in, buffer.get(), want, pos);
                if (n < 0) {
                    if (errno == EINTR)
                        continue;
                    return errno;
                }
                if (n == 0) {
                    end = pos; // the source shrank while we copied it
                    break;
                }
                if (int r = writeAll(out, buffer.get(), size_t(n), pos))
                    return r;
            }
            pos += n;
            writtenEnd = pos;
            if (int r = ctx.report(quint64(pos), size))
                return r;
        }
    }
    // Trailing holes leave the size short of the source's.
    if (writtenEnd != end && ::ftruncate(out, end) != 0)
        return errno;
    return 0;
}

bool ignorableMetadataError(int error)
{
    // vfat and some FUSE file systems refuse modes or times they cannot store.
    return error == EPERM || error == EOPNOTSUPP || error == ENOTSUP || error == EINVAL;
}

// Xattrs, permission bits and times, in that order. user.* xattrs need
// write permission on the inode whatever the descriptor allows, so a
// read-only mode set first would silently lose the DOS store; times go last
// because every earlier change could still touch them. `createdMode`: the
// mode `out` is known to have, so that an equal one is not set again.
int applyMetadata(int in, int out, const struct stat& source, const Internal& ctx, bool isFolder,
                  mode_t createdMode = UnknownMode)
{
    if (ctx.keepOwner && ::fchown(out, source.st_uid, source.st_gid) != 0) {
        // Without the privilege the mover becomes the owner, as with mv.
    }
    mode_t mode;
    if (ctx.options.copyAttributes) {
        mode = source.st_mode & 07777;
        struct stat now;
        if ((mode & (S_ISUID | S_ISGID)) && ::fstat(out, &now) == 0) {
            // A set-id bit only makes sense with the owner it was set for.
            if (now.st_uid != source.st_uid)
                mode &= ~mode_t(S_ISUID);
            if (now.st_gid != source.st_gid)
                mode &= ~mode_t(S_ISGID);
        }
    } else {
        mode = (isFolder ? 0777 : 0666) & ~(ctx.rules ? ctx.rules->umask : currentUmask());
    }
    // An access ACL or FAT's read-only bit can change the mode on the way.
    bool modeTouched = false;
    if (ctx.options.copyAttributes && in >= 0) {
        modeTouched = copyXattrs(in, out);
        modeTouched = copyFatAttributes(in, out, source.st_dev) || modeTouched;
    }
    if ((modeTouched || mode != createdMode) && ::fchmod(out, mode) != 0 &&
        !ignorableMetadataError(errno))
        return errno;
    if (ctx.options.copyTimes) {
        const timespec times[2] = {source.st_atim, source.st_mtim};
        if (::futimens(out, times) != 0 && !ignorableMetadataError(errno))
            return errno;
    }
    return 0;
}

int createTempFile(int dirFd, QByteArray& name, UniqueFd& fd)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = tempName();
        fd.reset(::openat(dirFd, name.constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd.isValid())
            return 0;
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

// Checks the target before any data moves, so that a refused replace costs
// nothing; the final rename checks again. Replacing the source by its own
// copy would be harmless, but a move would then remove the only file.
int checkTarget(int dstDir, const QByteArray& name, bool replace, const struct stat& source,
                bool& exists)
{
    struct stat st;
    exists = false;
    if (::fstatat(dstDir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? 0 : errno;
    exists = true;
    if (sameInode(st, source))
        return EINVAL;
    if (!replace)
        return EEXIST;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    return 0;
}

// Whether O_TMPFILE is missing here (kernel, file system), not refused.
bool unnamedUnsupported(int error)
{
    return error == EOPNOTSUPP || error == ENOTSUP || error == EISDIR || error == EINVAL ||
           error == ENOSYS;
}

constexpr int LinkUnavailable = -1;

// Gives the unnamed file `fd` the name `name`; EEXIST when it is taken.
// LinkUnavailable when this system cannot name unnamed files at all.
int linkUnnamed(int fd, int dstDir, const char* name)
{
    const int method = linkMethod.load(std::memory_order_relaxed);
    if (method == LinkEmptyPath) {
        if (::linkat(fd, "", dstDir, name, AT_EMPTY_PATH) == 0)
            return 0;
        // Kernels before 6.10 allow AT_EMPTY_PATH only with CAP_DAC_READ_SEARCH.
        if (errno != ENOENT)
            return errno;
    }
    char proc[40];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, proc, dstDir, name, AT_SYMLINK_FOLLOW) == 0) {
        if (method == LinkEmptyPath)
            linkMethod.store(LinkProcPath, std::memory_order_relaxed);
        return 0;
    }
    const int error = errno;
    if (error != ENOENT)
        return error;
    // Either the folder was removed meanwhile, or there is no /proc to go by.
    struct stat folder;
    if (::fstat(dstDir, &folder) != 0 || folder.st_nlink == 0)
        return ENOENT;
    linkMethod.store(LinkNever, std::memory_order_relaxed);
    return LinkUnavailable;
}

// Gives the complete unnamed file `fd` a temporary name and renames it over
// `dstName`: the named temporary lives only for that instant.
int replaceWithUnnamed(int fd, int dstDir, const QByteArray& dstName)
{
    // The old contents must not give way to blocks that are not on disk yet.
    if (::fsync(fd) != 0)
        return errno;
    TempGuard guard;
    guard.dirFd = dstDir;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        guard.name = tempName();
        error = linkUnnamed(fd, dstDir, guard.name.constData());
    }
    if (error)
        return error;
    guard.armed = true;
    if (int r = renameInto(dstDir, guard.name.constData(), dstDir, dstName.constData(), true))
        return r;
    guard.armed = false;
    return 0;
}

// Copies into a file without a name that appears under `dstName` only when
// complete: nothing half-written ever carries a real name, not even after a
// crash. LinkUnavailable when the caller has to use a temporary name.
int copyUnnamed(int in, const struct stat& st, int dstDir, const QByteArray& dstName,
                const Internal& ctx)
{
    // Created with the final permission bits where they are foreseeable, so
    // that they need not be set again; user.* xattrs need write permission.
    mode_t createMode = 0600;
    mode_t createdMode = UnknownMode;
    if (!ctx.keepOwner) {
        createMode = ctx.options.copyAttributes ? ((st.st_mode & 0777) | S_IWUSR) : 0666;
        if (ctx.rules && ctx.rules->modePredictable)
            createdMode = createMode & ~ctx.rules->umask;
    }
    UniqueFd out(::openat(dstDir, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, createMode));
    if (!out.isValid()) {
        const int error = errno;
        if (!unnamedUnsupported(error))
            return error;
        if (ctx.rules)
            ctx.rules->unnamedRefused = true;
        return LinkUnavailable;
    }
    if (int r = copyData(in, out.get(), quint64(st.st_size), st.st_dev, ctx))
        return r;
    if (int r = applyMetadata(in, out.get(), st, ctx, false, createdMode))
        return r;
    if (int r = ctx.settled(in, st))
        return r;
    if (ctx.options.replaceExisting) {
        const int r = replaceWithUnnamed(out.get(), dstDir, dstName);
        // Linking may still turn out impossible here (no /proc): a named
        // temporary then takes over, as nothing was replaced yet.
        if (r == 0)
            return out.close();
        return r;
    }
    if (int r = linkUnnamed(out.get(), dstDir, dstName.constData()))
        return r;
    if (int r = out.close()) {
        // A late write error (FUSE): the name must not keep a broken copy.
        // It is taken back only while it still looks like the file just made.
        struct stat now;
        if (::fstatat(dstDir, dstName.constData(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(now.st_mode) && now.st_nlink == 1 && now.st_size == st.st_size &&
            (!ctx.options.copyTimes || (now.st_mtim.tv_sec == st.st_mtim.tv_sec &&
                                        now.st_mtim.tv_nsec == st.st_mtim.tv_nsec)))
            ::unlinkat(dstDir, dstName.constData(), 0);
        return r;
    }
    return 0;
}

bool mayCopyUnnamed(const Internal& ctx)
{
    return unnamedTemporaries.load(std::memory_order_relaxed) &&
           linkMethod.load(std::memory_order_relaxed) != LinkNever &&
           !(ctx.rules && ctx.rules->unnamedRefused);
}

// `in`: an open source of any type; only a regular file is copied.
int copyOpenedRegular(int in, int dstDir, const QByteArray& dstName, const Internal& ctx)
{
    struct stat st;
    if (::fstat(in, &st) != 0)
        return errno;
    // O_NONBLOCK does nothing to a regular file, so it may stay set.
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    if (ctx.options.sourceState)
        *ctx.options.sourceState = stateOf(st);

    // Without replacing, the final link or rename refuses a taken name
    // anyway; asking first only pays where a refused copy would be long.
    bool targetExists = false;
    if (ctx.options.replaceExisting || quint64(st.st_size) > SmallFileBytes) {
        if (int r = checkTarget(dstDir, dstName, ctx.options.replaceExisting, st, targetExists))
            return r;
    }

    if (mayCopyUnnamed(ctx)) {
        const int r = copyUnnamed(in, st, dstDir, dstName, ctx);
        if (r != LinkUnavailable)
            return r;
    }

    TempGuard guard;
    guard.dirFd = dstDir;
    UniqueFd out;
    if (int r = createTempFile(dstDir, guard.name, out))
        return r;
    guard.armed = true;

    if (int r = copyData(in, out.get(), quint64(st.st_size), st.st_dev, ctx))
        return r;
    if (int r = applyMetadata(in, out.get(), st, ctx, false))
        return r;
    if (int r = ctx.settled(in, st))
        return r;
    // The old contents must not be replaced by blocks that are not on disk yet.
    if (targetExists && ::fsync(out.get()) != 0)
        return errno;
    if (int r = out.close())
        return r;
    if (int r = renameInto(dstDir, guard.name.constData(), dstDir, dstName.constData(),
                           ctx.options.replaceExisting))
        return r;
    guard.armed = false;
    return 0;
}

int copyRegularAt(int srcDir, const QByteArray& srcName, int dstDir, const QByteArray& dstName,
                  const Internal& ctx)
{
    // O_NONBLOCK: a FIFO swapped in after the caller's lstat must not hang us.
    UniqueFd in(
        ::openat(srcDir, srcName.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!in.isValid())
        return errno == ELOOP ? EINVAL : errno;
    return copyOpenedRegular(in.get(), dstDir, dstName, ctx);
}

int readLinkAt(int dirFd, const QByteArray& name, qint64 sizeHint, QByteArray& target)
{
    qsizetype capacity = std::max<qsizetype>(qsizetype(sizeHint) + 1, 256);
    for (int attempt = 0; attempt < 8; ++attempt) {
        target.resize(capacity);
        const ssize_t n = ::readlinkat(dirFd, name.constData(), target.data(), size_t(capacity));
        if (n < 0)
            return errno;
        if (n < capacity) {
            target.resize(n);
            return 0;
        }
        capacity *= 2;
    }
    return ENAMETOOLONG;
}

int copyLinkAt(int srcDir, const QByteArray& srcName, const struct stat& st, int dstDir,
               const QByteArray& dstName, const Internal& ctx)
{
    QByteArray target;
    if (int r = readLinkAt(srcDir, srcName, st.st_size, target))
        return r;
    if (int r = ctx.report(0, 0))
        return r;
    bool targetExists = false;
    if (int r = checkTarget(dstDir, dstName, ctx.options.replaceExisting, st, targetExists))
        return r;

    TempGuard guard;
    guard.dirFd = dstDir;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        guard.name = tempName();
        error = ::symlinkat(target.constData(), dstDir, guard.name.constData()) == 0 ? 0 : errno;
    }
    if (error)
        return error;
    guard.armed = true;
    if (ctx.keepOwner)
        ::fchownat(dstDir, guard.name.constData(), st.st_uid, st.st_gid, AT_SYMLINK_NOFOLLOW);
    if (ctx.options.copyTimes) {
        const timespec times[2] = {st.st_atim, st.st_mtim};
        ::utimensat(dstDir, guard.name.constData(), times, AT_SYMLINK_NOFOLLOW);
    }
    if (int r = renameInto(dstDir, guard.name.constData(), dstDir, dstName.constData(),
                           ctx.options.replaceExisting))
        return r;
    guard.armed = false;
    return 0;
}

int copyEntryAt(int srcDir, const QByteArray& srcName, int dstDir, const QByteArray& dstName,
                const Internal& ctx)
{
    struct stat st;
    if (::fstatat(srcDir, srcName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (S_ISLNK(st.st_mode))
        return copyLinkAt(srcDir, srcName, st, dstDir, dstName, ctx);
    if (S_ISREG(st.st_mode))
        return copyRegularAt(srcDir, srcName, dstDir, dstName, ctx);
    return EINVAL;
}

// Reads the names in an open folder (the descriptor stays usable), all but
// "." and "..". `onName` returning false stops early.
template <typename F> int forEachName(int folderFd, F&& onName)
{
    const int dupFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dupFd < 0)
        return errno;
    DIR* dir = ::fdopendir(dupFd);
    if (!dir) {
        const int error = errno;
        ::close(dupFd);
        return error;
    }
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            error = errno;
            break;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        if (!onName(entry->d_name))
            break;
    }
    ::closedir(dir);
    return error;
}

int listNames(int folderFd, std::vector<QByteArray>& names)
{
    return forEachName(folderFd, [&](const char* name) {
        names.emplace_back(name);
        return true;
    });
}

int removeTreeAt(int parent, const QByteArray& name, bool unlock)
{
    struct stat st;
    if (::fstatat(parent, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? 0 : errno;
    if (!S_ISDIR(st.st_mode))
        return ::unlinkat(parent, name.constData(), 0) == 0 ? 0 : errno;
    // What is mounted below is another volume's: never emptied from here.
    struct stat parentStat;
    if (::fstat(parent, &parentStat) != 0)
        return errno;
    if (isMountRootAt(parent, name.constData(), st, parentStat.st_dev))
        return EBUSY;
    if (unlock && (st.st_mode & S_IRWXU) != S_IRWXU)
        ::fchmodat(parent, name.constData(), (st.st_mode & 07777) | S_IRWXU, 0);
    UniqueFd fd(
        ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.isValid())
        return errno;
    std::vector<QByteArray> names;
    int error = listNames(fd.get(), names);
    for (const QByteArray& child : names) {
        const int r = removeTreeAt(fd.get(), child, unlock);
        if (r && !error)
            error = r;
    }
    fd.reset();
    if (::unlinkat(parent, name.constData(), AT_REMOVEDIR) != 0 && !error)
        error = errno;
    return error;
}

// What a cross-volume folder copy took over, so that only that is removed
// from the source afterwards (entries created meanwhile stay where they are).
struct CopiedEntry {
    QByteArray name;
    std::vector<CopiedEntry> children;
    bool isFolder = false;
};

int copySpecialAt(int dstDir, const QByteArray& name, const struct stat& st, const Internal& ctx)
{
    if (::mknodat(dstDir, name.constData(), st.st_mode & (S_IFMT | 0777), st.st_rdev) != 0)
        return errno;
    if (ctx.keepOwner)
        ::fchownat(dstDir, name.constData(), st.st_uid, st.st_gid, AT_SYMLINK_NOFOLLOW);
    if (ctx.options.copyTimes) {
        const timespec times[2] = {st.st_atim, st.st_mtim};
        ::utimensat(dstDir, name.constData(), times, AT_SYMLINK_NOFOLLOW);
    }
    return 0;
}

int copyFolderContents(int srcFd, int dstFd, dev_t device, std::vector<CopiedEntry>& copied,
                       const Internal& ctx)
{
    if (int r = ctx.report(0, 0))
        return r;
    std::vector<QByteArray> names;
    if (int r = listNames(srcFd, names))
        return r;
    for (const QByteArray& name : names) {
        struct stat st;
        if (::fstatat(srcFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue; // gone meanwhile: nothing to take over
            return errno;
        }
        CopiedEntry entry;
        entry.name = name;
        if (S_ISDIR(st.st_mode)) {
            // A mount below the source would be emptied by the removal: refuse.
            if (isMountRootAt(srcFd, name.constData(), st, device))
                return EBUSY;
            UniqueFd childSrc(
                ::openat(srcFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!childSrc.isValid())
                return errno;
            if (::mkdirat(dstFd, name.constData(), 0700) != 0)
                return errno;
            UniqueFd childDst(
                ::openat(dstFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!childDst.isValid())
                return errno;
            entry.isFolder = true;
            if (int r =
                    copyFolderContents(childSrc.get(), childDst.get(), device, entry.children, ctx))
                return r;
            // Folder bits and times after the contents: a read-only folder
            // could not be filled, and every new entry would touch its mtime.
            if (int r = applyMetadata(childSrc.get(), childDst.get(), st, ctx, true))
                return r;
        } else if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) {
            if (int r = copyEntryAt(srcFd, name, dstFd, name, ctx))
                return r;
        } else {
            if (int r = copySpecialAt(dstFd, name, st, ctx))
                return r;
        }
        copied.push_back(std::move(entry));
    }
    return 0;
}

int removeCopied(int folderFd, const std::vector<CopiedEntry>& entries)
{
    for (const CopiedEntry& entry : entries) {
        if (entry.isFolder) {
            UniqueFd child(::openat(folderFd, entry.name.constData(),
                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!child.isValid())
                return errno;
            if (int r = removeCopied(child.get(), entry.children))
                return r;
            child.reset();
            if (::unlinkat(folderFd, entry.name.constData(), AT_REMOVEDIR) != 0)
                return errno;
        } else if (::unlinkat(folderFd, entry.name.constData(), 0) != 0 && errno != ENOENT) {
            return errno;
        }
    }
    return 0;
}

int moveFolderByCopy(int srcDir, const QByteArray& srcName, const struct stat& st, int dstDir,
                     const QByteArray& dstName, const Internal& ctx)
{
    struct stat target;
    if (::fstatat(dstDir, dstName.constData(), &target, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!ctx.options.replaceExisting)
            return EEXIST;
        if (!S_ISDIR(target.st_mode))
            return ENOTDIR;
    } else if (errno != ENOENT) {
        return errno;
    }
    UniqueFd src(
        ::openat(srcDir, srcName.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!src.isValid())
        return errno;

    // The copy grows under a hidden name and appears in one rename, so that
    // an interrupted move never leaves a half folder under the real name.
    TempGuard guard;
    guard.dirFd = dstDir;
    guard.isFolder = true;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        guard.name = tempName();
        error = ::mkdirat(dstDir, guard.name.constData(), 0700) == 0 ? 0 : errno;
    }
    if (error)
        return error;
    guard.armed = true;
    UniqueFd dst(
        ::openat(dstDir, guard.name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dst.isValid())
        return errno;

    Internal inner = ctx;
    inner.options.replaceExisting = false;
    std::vector<CopiedEntry> copied;
    if (int r = copyFolderContents(src.get(), dst.get(), st.st_dev, copied, inner))
        return r;
    if (int r = applyMetadata(src.get(), dst.get(), st, ctx, true))
        return r;
    dst.reset();
    // Replacing renames over an empty folder only; a full one gives ENOTEMPTY.
    if (int r = renameInto(dstDir, guard.name.constData(), dstDir, dstName.constData(),
                           ctx.options.replaceExisting))
        return r;
    guard.armed = false;

    if (int r = removeCopied(src.get(), copied))
        return r;
    src.reset();
    return ::unlinkat(srcDir, srcName.constData(), AT_REMOVEDIR) == 0 ? 0 : errno;
}

struct OpenedPair {
    SplitPath source;
    SplitPath destination;
    UniqueFd sourceDir;
    UniqueFd destinationDir;
};

int openPair(const QString& source, const QString& destination, OpenedPair& pair)
{
    if (int r = splitItemPath(source, pair.source))
        return r;
    if (int r = splitItemPath(destination, pair.destination))
        return r;
    if (int r = openFolderPath(pair.source.folder, pair.sourceDir))
        return r;
    return openFolderPath(pair.destination.folder, pair.destinationDir);
}

// Whether the folder holds both names as entries of their own. On a file
// system that ignores case (or folds Unicode forms) two spellings can reach
// one entry; only the listing tells that apart from two hard links.
int listsBothNames(int folderFd, const QByteArray& first, const QByteArray& second, bool& both)
{
    bool seenFirst = false, seenSecond = false;
    const int error = forEachName(folderFd, [&](const char* name) {
        seenFirst = seenFirst || first == name;
        seenSecond = seenSecond || second == name;
        return !(seenFirst && seenSecond);
    });
    both = seenFirst && seenSecond;
    return both ? 0 : error;
}

// rename() between two names of one file does nothing and still returns 0,
// which would report a move that never happened.
int moveOntoSameFile(const OpenedPair& pair, const struct stat& source, bool replace)
{
    const int srcDir = pair.sourceDir.get();
    const int dstDir = pair.destinationDir.get();
    const QByteArray& srcName = pair.source.name;
    const QByteArray& dstName = pair.destination.name;
    struct stat srcFolder, dstFolder;
    if (::fstat(srcDir, &srcFolder) != 0 || ::fstat(dstDir, &dstFolder) != 0)
        return errno;
    if (sameInode(srcFolder, dstFolder)) {
        if (srcName == dstName)
            return replace ? 0 : EEXIST; // one entry spelled twice
        // A change of letter case only: the file system must carry it out,
        // and RENAME_NOREPLACE would see the entry itself as the target.
        bool twoEntries = false;
        if (int r = listsBothNames(srcDir, srcName, dstName, twoEntries))
            return r;
        if (!twoEntries)
            return ::renameat(srcDir, srcName.constData(), dstDir, dstName.constData()) == 0
                       ? 0
                       : errno;
    }
    if (!replace)
        return EEXIST;
    // A folder has no hard links; two paths to it are one folder.
    if (S_ISDIR(source.st_mode))
        return EEXIST;
    // Hard links: the destination already holds the data, so the move is
    // complete once the source name is gone.
    return ::unlinkat(srcDir, srcName.constData(), 0) == 0 ? 0 : errno;
}

} // namespace

int copyFile(const QString& source, const QString& destination, const CopyOptions& options,
             const ChunkCallback& onChunk)
{
    OpenedPair pair;
    if (int r = openPair(source, destination, pair))
        return r;
    Internal ctx;
    ctx.options = options;
    ctx.onChunk = &onChunk;
    return copyEntryAt(pair.sourceDir.get(), pair.source.name, pair.destinationDir.get(),
                       pair.destination.name, ctx);
}

struct FolderPair::State {
    UniqueFd source;
    UniqueFd destination;
    CreationRules rules;
};

FolderPair::FolderPair() = default;
FolderPair::~FolderPair() = default;
FolderPair::FolderPair(FolderPair&& other) noexcept = default;
FolderPair& FolderPair::operator=(FolderPair&& other) noexcept = default;

int FolderPair::open(const QString& sourceFolder, const QString& destinationFolder)
{
    d.reset();
    const QByteArray source = pathToBytes(sourceFolder);
    const QByteArray destination = pathToBytes(destinationFolder);
    if (source.isEmpty() || destination.isEmpty() || source.contains('\0') ||
        destination.contains('\0'))
        return EINVAL;
    auto state = std::make_unique<State>();
    if (int r = openFolderPath(source, state->source))
        return r;
    // Readable, to ask for a default ACL; a folder we may only enter and
    // write still works, with every mode set explicitly.
    state->destination.reset(::open(destination.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (state->destination.isValid()) {
        if (::fgetxattr(state->destination.get(), "system.posix_acl_default", nullptr, 0) < 0 &&
            errno == ENODATA)
            state->rules.modePredictable = true;
    } else if (errno != EACCES) {
        return errno;
    } else if (int r = openFolderPath(destination, state->destination)) {
        return r;
    }
    state->rules.umask = currentUmask();
    d = std::move(state);
    return 0;
}

bool FolderPair::isOpen() const
{
    return d != nullptr;
}

int FolderPair::copyFile(const QString& sourceName, const QString& destinationName,
                         const CopyOptions& options, const ChunkCallback& onChunk,
                         bool listedAsFile) const
{
    if (!d)
        return EBADF;
    const QByteArray from = nameToBytes(sourceName);
    const QByteArray to = nameToBytes(destinationName);
    if (!isPlainName(from) || !isPlainName(to))
        return EINVAL;
    Internal ctx;
    ctx.options = options;
    ctx.onChunk = &onChunk;
    ctx.rules = &d->rules;
    const int srcDir = d->source.get();
    const int dstDir = d->destination.get();
    if (listedAsFile) {
        UniqueFd in(
            ::openat(srcDir, from.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (in.isValid())
            return copyOpenedRegular(in.get(), dstDir, to, ctx);
        // A link or a socket now: copyFile's way tells them apart.
        if (errno != ELOOP && errno != ENXIO)
            return errno;
    }
    return copyEntryAt(srcDir, from, dstDir, to, ctx);
}

int moveItem(const QString& source, const QString& destination, const CopyOptions& options,
             const ChunkCallback& onChunk)
{
    OpenedPair pair;
    if (int r = openPair(source, destination, pair))
        return r;
    const int srcDir = pair.sourceDir.get();
    const int dstDir = pair.destinationDir.get();
    const char* srcName = pair.source.name.constData();
    const char* dstName = pair.destination.name.constData();
    struct stat src, dst;
    if (::fstatat(srcDir, srcName, &src, AT_SYMLINK_NOFOLLOW) == 0 &&
        ::fstatat(dstDir, dstName, &dst, AT_SYMLINK_NOFOLLOW) == 0 && sameInode(src, dst))
        return moveOntoSameFile(pair, src, options.replaceExisting);
    const int r = renameInto(srcDir, srcName, dstDir, dstName, options.replaceExisting);
    if (r != EXDEV)
        return r;
    return detail::moveByCopy(source, destination, options, onChunk);
}

namespace detail {

void setUnnamedTemporaries(bool on)
{
    unnamedTemporaries.store(on, std::memory_order_relaxed);
}

void setTemporaryQuietSeconds(int seconds)
{
    temporaryQuietSeconds.store(seconds, std::memory_order_relaxed);
}

int moveByCopy(const QString& source, const QString& destination, const CopyOptions& options,
               const ChunkCallback& onChunk)
{
    OpenedPair pair;
    if (int r = openPair(source, destination, pair))
        return r;
    const int srcDir = pair.sourceDir.get();
    const int dstDir = pair.destinationDir.get();
    const QByteArray& srcName = pair.source.name;
    const QByteArray& dstName = pair.destination.name;
    struct stat st;
    if (::fstatat(srcDir, srcName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    Internal ctx;
    ctx.options = options;
    ctx.options.stableSource = true;
    FileState copied;
    ctx.options.sourceState = &copied;
    ctx.onChunk = &onChunk;
    ctx.keepOwner = true;
    // The same item under another mount (a bind mount): replacing it by its
    // copy and then removing the source would lose it.
    struct stat target;
    const bool targetExisted =
        ::fstatat(dstDir, dstName.constData(), &target, AT_SYMLINK_NOFOLLOW) == 0;
    if (targetExisted && target.st_dev == st.st_dev && target.st_ino == st.st_ino)
        return EEXIST;
    if (S_ISDIR(st.st_mode))
        return moveFolderByCopy(srcDir, srcName, st, dstDir, dstName, ctx);

    int r;
    if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) {
        r = copyEntryAt(srcDir, srcName, dstDir, dstName, ctx);
    } else {
        if (targetExisted) {
            if (!options.replaceExisting)
                return EEXIST;
            if (S_ISDIR(target.st_mode))
                return EISDIR;
            if (::unlinkat(dstDir, dstName.constData(), 0) != 0)
                return errno;
        }
        r = copySpecialAt(dstDir, dstName, st, ctx);
    }
    if (r)
        return r;
    struct stat now;
    if (S_ISREG(st.st_mode) &&
        (::fstatat(srcDir, srcName.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
         !sameState(stateOf(now), copied))) {
        // Written to or replaced after the copy: both stay.
        if (!targetExisted)
            ::unlinkat(dstDir, dstName.constData(), 0);
        return EBUSY;
    }
    if (::unlinkat(srcDir, srcName.constData(), 0) != 0) {
        const int error = errno;
        // Both still whole: undo the copy so that a retry starts clean.
        if (!targetExisted)
            ::unlinkat(dstDir, dstName.constData(), 0);
        return error;
    }
    return 0;
}

} // namespace detail

int deleteUnchangedFile(const QString& path, const FileState& state)
{
    SplitPath split;
    if (int r = splitItemPath(path, split))
        return r;
    UniqueFd folder;
    if (int r = openFolderPath(split.folder, folder))
        return r;
    struct stat st;
    if (::fstatat(folder.get(), split.name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISREG(st.st_mode) || !sameState(stateOf(st), state))
        return EBUSY;
    return ::unlinkat(folder.get(), split.name.constData(), 0) == 0 ? 0 : errno;
}

void removeStaleTemporaries(const QString& folder)
{
    const QByteArray bytes = pathToBytes(folder);
    if (bytes.isEmpty() || bytes.contains('\0'))
        return;
    UniqueFd fd(::open(bytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.isValid())
        return;
    std::vector<QByteArray> stale;
    forEachName(fd.get(), [&](const char* name) {
        if (isTempName(name))
            stale.emplace_back(name);
        return true;
    });
    if (stale.empty())
        return;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const time_t quiet = temporaryQuietSeconds.load(std::memory_order_relaxed);
    for (const QByteArray& name : stale) {
        struct stat st;
        if (::fstatat(fd.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (st.st_uid != ::geteuid() || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)))
            continue;
        // The change time too: a temporary linked a moment ago carries the
        // source's old modification time.
        if (now.tv_sec - st.st_mtim.tv_sec < quiet || now.tv_sec - st.st_ctim.tv_sec < quiet)
            continue;
        removeTreeAt(fd.get(), name, false);
    }
}

} // namespace tovane::platform
