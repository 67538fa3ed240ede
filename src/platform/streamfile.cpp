#include "platform/streamfile.h"

#include "platform/names.h"
#include "platform/posixutil.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovane::platform {

InputFile::~InputFile()
{
    close();
}

void InputFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

int InputFile::open(const QString& path)
{
    close();
    const QByteArray bytes = pathToBytes(path);
    if (bytes.isEmpty() || bytes.contains('\0'))
        return EINVAL;
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
    // Reads of a regular file never block; the flag only guarded the open.
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    m_size = st.st_size;
    m_writeTime = toNanoseconds(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    m_mode = st.st_mode;
    m_fd = fd.release();
    return 0;
}

qint64 InputFile::read(char* data, qint64 max)
{
    if (m_fd < 0)
        return -EBADF;
    for (;;) {
        const ssize_t n = ::read(m_fd, data, size_t(max));
        if (n >= 0)
            return n;
        if (errno != EINTR)
            return -lastErrno();
    }
}

int InputFile::seek(qint64 offset)
{
    if (m_fd < 0)
        return EBADF;
    return ::lseek(m_fd, off_t(offset), SEEK_SET) < 0 ? lastErrno() : 0;
}

ReplacementFile::~ReplacementFile()
{
    discard();
}

void ReplacementFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        ::unlinkat(m_dir, m_tempName.constData(), 0);
    }
    if (m_dir >= 0)
        ::close(m_dir);
    m_dir = -1;
}

int ReplacementFile::open(const QString& target)
{
    discard();
    QByteArray path = pathToBytes(target);
    if (path.isEmpty() || path.contains('\0') || path.endsWith('/'))
        return EINVAL;
    struct stat st;
    if (::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char buf[PATH_MAX];
        if (::realpath(path.constData(), buf))
            path = QByteArray(buf);
    }
    QByteArray folder;
    splitPath(path, folder, m_name);
    UniqueFd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.isValid())
        return lastErrno();
    m_keepMode = false;
    if (::fstatat(dir.get(), m_name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(st.st_mode))
            return EISDIR;
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
            return EINVAL;
        m_keepMode = S_ISREG(st.st_mode);
        m_mode = st.st_mode & 07777;
    }
    UniqueFd file;
    for (int attempt = 0; attempt < 16 && !file.isValid(); ++attempt) {
        m_tempName = "." + m_name + ".tmp-" + randomName(8);
        file.reset(::openat(dir.get(), m_tempName.constData(),
                            O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!file.isValid() && errno != EEXIST)
            return lastErrno();
    }
    if (!file.isValid())
        return EEXIST;
    m_dir = dir.release();
    m_fd = file.release();
    return 0;
}

int ReplacementFile::writeAt(qint64 offset, const char* data, qint64 size)
{
    if (m_fd < 0)
        return EBADF;
    return writeAll(m_fd, data, size_t(size), off_t(offset));
}

int ReplacementFile::commit(qint64 length)
{
    if (m_fd < 0)
        return EBADF;
    int error = 0;
    if (::ftruncate(m_fd, off_t(length)) != 0)
        error = lastErrno();
    if (error == 0 && m_keepMode && ::fchmod(m_fd, mode_t(m_mode)) != 0)
        error = lastErrno();
    if (error == 0 && ::fsync(m_fd) != 0)
        error = lastErrno();
    if (error == 0) {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 && errno != EINTR)
            error = lastErrno();
        if (error == 0 && ::renameat(m_dir, m_tempName.constData(), m_dir, m_name.constData()) != 0)
            error = lastErrno();
        if (error != 0)
            ::unlinkat(m_dir, m_tempName.constData(), 0);
        else
            ::fsync(m_dir);
    }
    if (error != 0 && m_fd >= 0) {
        discard();
        return error;
    }
    if (m_dir >= 0)
        ::close(m_dir);
    m_dir = -1;
    return error;
}

} // namespace tovane::platform
