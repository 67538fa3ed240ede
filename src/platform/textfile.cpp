#include "platform/textfile.h"

#include "platform/names.h"
#include "platform/posixutil.h"

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

} // namespace

int readWholeFile(const QString& path, QByteArray& out)
{
    out.clear();
    const QByteArray bytes = pathToBytes(path);
    if (bytes.isEmpty() || bytes.contains('\0'))
        return EINVAL;
    // O_NONBLOCK: opening a FIFO without a writer would wait for ever.
    UniqueFd fd(::open(bytes.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.isValid())
        return lastErrno();
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return lastErrno();
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    if (st.st_size >= MaxTextFileSize)
        return EFBIG;
    QByteArray data;
    data.reserve(qsizetype(st.st_size) + 1);
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastErrno();
        }
        if (n == 0)
            break;
        if (data.size() + n >= MaxTextFileSize)
            return EFBIG;
        data.append(buf, n);
    }
    out = data;
    return 0;
}

bool isRegularFile(const QString& path)
{
    const QByteArray bytes = pathToBytes(path);
    struct stat st;
    return !bytes.isEmpty() && !bytes.contains('\0') && ::stat(bytes.constData(), &st) == 0 &&
           S_ISREG(st.st_mode);
}

int writeFileAtomically(const QString& path, const QByteArray& bytes)
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
    if (::fstatat(dir.get(), name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        !S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode))
        return S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;

    QByteArray tempName;
    UniqueFd file;
    for (int attempt = 0; attempt < 16 && !file.isValid(); ++attempt) {
        tempName = "." + name + ".tmp-" + randomName(8);
        file.reset(::openat(dir.get(), tempName.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.isValid() && errno != EEXIST)
            return lastErrno();
    }
    if (!file.isValid())
        return EEXIST;

    int error = writeAll(file.get(), bytes.constData(), size_t(bytes.size()), 0);
    // The umask may only narrow 0600; set it exactly so the mode never
    // depends on the environment.
    if (error == 0 && ::fchmod(file.get(), 0600) != 0)
        error = lastErrno();
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
