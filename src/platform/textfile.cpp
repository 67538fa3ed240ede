#include "platform/textfile.h"

#include "platform/names.h"
#include "platform/posixutil.h"
#include "platform/system.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovane::platform {

namespace {

// Files this size or larger are not settings text; reading them whole would
// only waste memory.
constexpr qint64 MaxTextFileSize = qint64(64) * 1024 * 1024;

// The file a link points to, so that replacing it keeps the link. Anything
// else (no link, a dangling link) is written at the path itself.
QByteArray resolvedTarget(const QByteArray& path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char buf[PATH_MAX];
    if (!::realpath(path.constData(), buf))
        return path;
    return QByteArray(buf);
}

// The old file's owner, xattrs and mode on the new one, in that order: a
// changed owner clears set-id bits, and user.* xattrs need a writable mode.
// What the file system or our rights refuse is left as it is.
int takeMetadata(int dir, const QByteArray& name, const struct stat& old, int out)
{
    struct stat now;
    if (::fstat(out, &now) != 0)
        return lastErrno();
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
        ::fchown(out, old.st_uid, old.st_gid) != 0) {
        // Without the privilege a member of the old group may still keep it.
        ::fchown(out, uid_t(-1), old.st_gid);
    }
    UniqueFd in(::openat(dir, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (in.isValid()) {
        copyXattrs(in.get(), out);
        copyFatAttributes(in.get(), out, old.st_dev);
    }
    mode_t mode = old.st_mode & 07777;
    if (::fstat(out, &now) == 0) {
        if (now.st_uid != old.st_uid)
            mode &= ~mode_t(S_ISUID);
        if (now.st_gid != old.st_gid)
            mode &= ~mode_t(S_ISGID);
    }
    if (::fchmod(out, mode) != 0 && errno != EPERM && errno != EOPNOTSUPP && errno != EINVAL)
        return lastErrno();
    return 0;
}

} // namespace

int readWholeFile(const QString& path, QByteArray& out)
{
    return readWholeFile(path, out, MaxTextFileSize);
}

int fileStamp(const QString& path, FileStamp& out)
{
    const QByteArray bytes = pathToBytes(path);
    if (bytes.isEmpty() || bytes.contains('\0'))
        return EINVAL;
    struct stat st;
    if (::stat(bytes.constData(), &st) != 0)
        return lastErrno();
    out.size = st.st_size;
    out.writeTime = toNanoseconds(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    return 0;
}

namespace {

// Opens a regular file to read it; a folder gives EISDIR, anything else
// that is no regular file EINVAL, without a byte read.
int openRegular(const QString& path, UniqueFd& fd, struct stat& st)
{
    const QByteArray bytes = pathToBytes(path);
    if (bytes.isEmpty() || bytes.contains('\0'))
        return EINVAL;
    // O_NONBLOCK: opening a FIFO without a writer would wait for ever.
    fd.reset(::open(bytes.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.isValid())
        return lastErrno();
    if (::fstat(fd.get(), &st) != 0)
        return lastErrno();
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    return 0;
}

} // namespace

int readFileStart(const QString& path, QByteArray& out, qint64 maxBytes)
{
    out.clear();
    if (maxBytes <= 0)
        return EINVAL;
    UniqueFd fd;
    struct stat st;
    if (const int error = openRegular(path, fd, st))
        return error;
    QByteArray data(qsizetype(std::min<qint64>(maxBytes, std::max<qint64>(st.st_size, 0))),
                    Qt::Uninitialized);
    qsizetype used = 0;
    while (used < data.size()) {
        const ssize_t n = ::read(fd.get(), data.data() + used, size_t(data.size() - used));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastErrno();
        }
        if (n == 0)
            break;
        used += n;
    }
    data.truncate(used);
    out = std::move(data);
    return 0;
}

int readWholeFile(const QString& path, QByteArray& out, qint64 limit, FileStamp* stamp)
{
    out.clear();
    UniqueFd fd;
    struct stat st;
    if (const int error = openRegular(path, fd, st))
        return error;
    if (st.st_size >= limit)
        return EFBIG;
    if (stamp) {
        stamp->size = st.st_size;
        stamp->writeTime = toNanoseconds(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    }
    // Read straight into the result; one byte more than the size tells the
    // end without a second pass, and a file growing meanwhile still fits.
    QByteArray data(qsizetype(st.st_size) + 1, Qt::Uninitialized);
    adviseLargeBuffer(data.data(), size_t(data.size()));
    qsizetype used = 0;
    for (;;) {
        if (used == data.size()) {
            if (data.size() >= limit)
                return EFBIG;
            data.resize(qsizetype(std::min<qint64>(limit, qint64(data.size()) * 2 + 65536)));
        }
        const ssize_t n = ::read(fd.get(), data.data() + used, size_t(data.size() - used));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastErrno();
        }
        if (n == 0)
            break;
        used += n;
        if (used >= limit)
            return EFBIG;
    }
    data.truncate(used);
    out = std::move(data);
    return 0;
}

bool isRegularFile(const QString& path)
{
    const QByteArray bytes = pathToBytes(path);
    struct stat st;
    return !bytes.isEmpty() && !bytes.contains('\0') && ::stat(bytes.constData(), &st) == 0 &&
           S_ISREG(st.st_mode);
}

int writeFileAtomically(const QString& path, const QByteArray& bytes, WriteMode mode)
{
    const QByteArray original = pathToBytes(path);
    if (original.contains('\0'))
        return EINVAL;
    const QByteArray target = resolvedTarget(original);
    if (target.isEmpty() || target.endsWith('/'))
        return EINVAL;
    QByteArray folder, name;
    splitPath(target, folder, name);

    UniqueFd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.isValid())
        return lastErrno();

    // Someone else's FIFO, device or folder under our name is not ours to
    // replace. A dangling link is replaced as before.
    struct stat existing;
    const bool exists = ::fstatat(dir.get(), name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && !S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode))
        return S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
    const bool keep = mode == WriteMode::KeepMetadata && exists && S_ISREG(existing.st_mode);
    // A new file of the user's is created as any program creates one.
    const mode_t createMode = mode == WriteMode::KeepMetadata && !keep ? 0666 : 0600;

    QByteArray tempName;
    UniqueFd file;
    for (int attempt = 0; attempt < 16 && !file.isValid(); ++attempt) {
        tempName = "." + name + ".tmp-" + randomName(8);
        file.reset(::openat(dir.get(), tempName.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, createMode));
        if (!file.isValid() && errno != EEXIST)
            return lastErrno();
    }
    if (!file.isValid())
        return EEXIST;

    int error = writeAll(file.get(), bytes.constData(), size_t(bytes.size()), 0);
    // The umask may only narrow 0600; set it exactly so the mode never
    // depends on the environment.
    if (error == 0 && mode == WriteMode::Private && ::fchmod(file.get(), 0600) != 0)
        error = lastErrno();
    if (error == 0 && keep)
        error = takeMetadata(dir.get(), name, existing, file.get());
    if (error == 0 && ::fsync(file.get()) != 0)
        error = lastErrno();
    if (error == 0) {
        const int fd = file.release();
        if (::close(fd) != 0 && errno != EINTR)
            error = lastErrno();
    }
    if (error == 0 && ::renameat(dir.get(), tempName.constData(), dir.get(), name.constData()) != 0)
        error = lastErrno();
    if (error != 0) {
        file.reset();
        ::unlinkat(dir.get(), tempName.constData(), 0);
        return error;
    }
    // The rename itself is durable only once the folder is synced; a failure
    // here no longer affects the content, which is already in place.
    ::fsync(dir.get());
    return 0;
}

} // namespace tovane::platform
