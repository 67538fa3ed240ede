#include "platform/archivefs.h"

#include "platform/names.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovane::platform {

int openFolderPath(const QString& path, UniqueFd& out)
{
    const int fd = ::open(pathToBytes(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return lastErrno();
    out.reset(fd);
    return 0;
}

int openFileForReading(const QString& path, UniqueFd& out)
{
    const int fd = ::open(pathToBytes(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return lastErrno();
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int e = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return e;
    }
    out.reset(fd);
    return 0;
}

int openSubfolder(int dirFd, const QByteArray& name, bool create, UniqueFd& out)
{
    if (!isPlainName(name))
        return EINVAL;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd =
            ::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            out.reset(fd);
            return 0;
        }
        const int e = lastErrno();
        if (e != ENOENT || !create) {
            struct stat st;
            if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
                return S_ISLNK(st.st_mode) ? ELOOP : S_ISDIR(st.st_mode) ? e : ENOTDIR;
            return e;
        }
        if (::mkdirat(dirFd, name.constData(), 0777) != 0 && errno != EEXIST)
            return lastErrno();
    }
    return ENOTDIR;
}

int createTemporaryAt(int dirFd, QByteArray& tempName, UniqueFd& out)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = QByteArrayLiteral(".tovane-") + randomName(6);
        const int fd = ::openat(dirFd, tempName.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            out.reset(fd);
            return 0;
        }
        if (errno != EEXIST)
            return lastErrno();
    }
    return EEXIST;
}

int writeFully(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastErrno();
        }
        if (n == 0)
            return EIO;
        data += n;
        size -= size_t(n);
    }
    return 0;
}

int setModeAndTimes(int fd, unsigned mode, qint64 accessNs, qint64 writeNs)
{
    if (::fchmod(fd, mode & 07777) != 0)
        return lastErrno();
    if (writeNs >= 0 || accessNs >= 0) {
        timespec times[2];
        times[0] = accessNs >= 0 ? toTimespec(accessNs) : timespec{0, UTIME_OMIT};
        times[1] = writeNs >= 0 ? toTimespec(writeNs) : timespec{0, UTIME_OMIT};
        if (::futimens(fd, times) != 0)
            return lastErrno();
    }
    return 0;
}

int renameAt(int dirFd, const QByteArray& from, const QByteArray& to)
{
    return ::renameat(dirFd, from.constData(), dirFd, to.constData()) == 0 ? 0 : lastErrno();
}

int removeAt(int dirFd, const QByteArray& name)
{
    return ::unlinkat(dirFd, name.constData(), 0) == 0 ? 0 : lastErrno();
}

namespace {

// A fresh temporary name for a link, so that the final rename replaces
// whatever stood under the name in one step.
template <typename Make> int makeUnderTemporary(int dirFd, const QByteArray& name, Make make)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temp = QByteArrayLiteral(".tovane-") + randomName(6);
        if (make(temp) != 0) {
            if (errno == EEXIST)
                continue;
            return lastErrno();
        }
        if (::renameat(dirFd, temp.constData(), dirFd, name.constData()) != 0) {
            const int e = lastErrno();
            ::unlinkat(dirFd, temp.constData(), 0);
            return e;
        }
        return 0;
    }
    return EEXIST;
}

} // namespace

int makeSymlinkAt(int dirFd, const QByteArray& target, const QByteArray& name, qint64 writeNs)
{
    const int e = makeUnderTemporary(dirFd, name, [&](const QByteArray& temp) {
        return ::symlinkat(target.constData(), dirFd, temp.constData());
    });
    if (e == 0 && writeNs >= 0) {
        const timespec times[2] = {{0, UTIME_OMIT}, toTimespec(writeNs)};
        ::utimensat(dirFd, name.constData(), times, AT_SYMLINK_NOFOLLOW);
    }
    return e;
}

int makeHardLinkAt(int fromDirFd, const QByteArray& fromName, int dirFd, const QByteArray& name)
{
    struct stat st;
    if (::fstatat(fromDirFd, fromName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return lastErrno();
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    return makeUnderTemporary(dirFd, name, [&](const QByteArray& temp) {
        return ::linkat(fromDirFd, fromName.constData(), dirFd, temp.constData(), 0);
    });
}

namespace {

void fill(const struct stat& st, SourceEntry& out)
{
    out.mode = st.st_mode;
    out.size = S_ISREG(st.st_mode) ? quint64(st.st_size) : 0;
    out.writeNs = toNanoseconds(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    out.accessNs = toNanoseconds(st.st_atim.tv_sec, st.st_atim.tv_nsec);
}

} // namespace

int statAt(int dirFd, const QByteArray& name, SourceEntry& out)
{
    struct stat st;
    const int r = name.isEmpty() ? ::fstat(dirFd, &st)
                                 : ::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW);
    if (r != 0)
        return lastErrno();
    out.name = name;
    fill(st, out);
    return 0;
}

int listAt(int dirFd, std::vector<SourceEntry>& out)
{
    const int fd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return lastErrno();
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int e = lastErrno();
        ::close(fd);
        return e;
    }
    int result = 0;
    for (;;) {
        errno = 0;
        const dirent* d = ::readdir(dir);
        if (!d) {
            if (errno != 0)
                result = errno;
            break;
        }
        const QByteArray name(d->d_name);
        if (name == "." || name == "..")
            continue;
        SourceEntry entry;
        struct stat st;
        if (::fstatat(dirFd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // vanished meanwhile
        entry.name = name;
        fill(st, entry);
        out.push_back(std::move(entry));
    }
    ::closedir(dir);
    return result;
}

int openFileAt(int dirFd, const QByteArray& name, UniqueFd& out)
{
    const int fd = ::openat(dirFd, name.constData(),
                            O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return lastErrno();
    struct stat st;
    if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) {
        ::close(fd);
        return EINVAL;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    out.reset(fd);
    return 0;
}

int readLinkAt(int dirFd, const QByteArray& name, QByteArray& target)
{
    QByteArray buffer(4096, Qt::Uninitialized);
    const ssize_t n = ::readlinkat(dirFd, name.constData(), buffer.data(), size_t(buffer.size()));
    if (n < 0)
        return lastErrno();
    if (n >= buffer.size())
        return ENAMETOOLONG;
    buffer.truncate(n);
    target = buffer;
    return 0;
}

int readSome(int fd, char* data, size_t size, size_t& got)
{
    for (;;) {
        const ssize_t n = ::read(fd, data, size);
        if (n >= 0) {
            got = size_t(n);
            return 0;
        }
        if (errno != EINTR)
            return lastErrno();
    }
}

bool hasWritePermission(const QString& path)
{
    struct stat st;
    if (::stat(pathToBytes(path).constData(), &st) != 0)
        return true; // nothing there to protect
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    return ::getuid() == 0 || ::access(pathToBytes(path).constData(), W_OK) == 0;
}

void relaxHeapTrimming()
{
    static const bool done = [] { return ::mallopt(M_TRIM_THRESHOLD, 32 * 1024 * 1024) == 1; }();
    Q_UNUSED(done);
}

unsigned newFileMode()
{
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~unsigned(mask);
}

int fileSize(int fd, qint64& size)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return lastErrno();
    size = st.st_size;
    return 0;
}

int setFileSize(int fd, qint64 size)
{
    return ::ftruncate(fd, off_t(size)) == 0 ? 0 : lastErrno();
}

int seekTo(int fd, qint64 offset)
{
    return ::lseek(fd, off_t(offset), SEEK_SET) >= 0 ? 0 : lastErrno();
}

int duplicate(int fd, UniqueFd& out)
{
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return lastErrno();
    out.reset(copy);
    return 0;
}

int readAt(int fd, char* data, size_t size, qint64 offset, size_t& got)
{
    got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, data + got, size - got, off_t(offset + qint64(got)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastErrno();
        }
        if (n == 0)
            break;
        got += size_t(n);
    }
    return 0;
}

} // namespace tovane::platform
