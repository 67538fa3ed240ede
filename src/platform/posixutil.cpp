#include "platform/posixutil.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace tovane::platform {

void UniqueFd::reset(int fd)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

int UniqueFd::close()
{
    int result = 0;
    if (m_fd >= 0 && ::close(m_fd) != 0 && errno != EINTR)
        result = errno;
    m_fd = -1;
    return result;
}

int lastErrno()
{
    const int e = errno;
    return e > 0 ? e : EIO;
}

void splitPath(const QByteArray& path, QByteArray& parent, QByteArray& name)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        parent = ".";
        name = path;
    } else if (path.size() == 1) {
        parent = path;
        name.clear();
    } else {
        parent = slash == 0 ? QByteArray("/") : path.left(slash);
        name = path.mid(slash + 1);
    }
}

QByteArray stripTrailingSlashes(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

QByteArray joinPath(const QByteArray& folder, QByteArrayView name)
{
    QByteArray path = folder;
    if (!path.endsWith('/'))
        path += '/';
    path.append(name);
    return path;
}

bool isPlainName(const QByteArray& name)
{
    return !name.isEmpty() && !name.contains('/') && !name.contains('\0') && name != "." &&
           name != "..";
}

bool sameInode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int writeAll(int fd, const char* data, size_t size, off_t offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastErrno();
        }
        if (n == 0)
            return EIO;
        data += n;
        size -= size_t(n);
        offset += n;
    }
    return 0;
}

QByteArray readSmallFile(const QByteArray& path, qsizetype limit)
{
    QByteArray out;
    // Never waits on a FIFO; only regular files are read (proc and sysfs
    // files are regular, too).
    UniqueFd fd(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.isValid())
        return out;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return out;
    char buf[4096];
    while (out.size() < limit) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buf, n);
    }
    return out;
}

namespace {

bool isDirectory(const QByteArray& path)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

int makeFolders(const QByteArray& path)
{
    qsizetype from = 1;
    while (true) {
        const qsizetype slash = path.indexOf('/', from);
        const QByteArray prefix = slash < 0 ? path : path.first(slash);
        if (!isDirectory(prefix)) {
            if (::mkdir(prefix.constData(), 0700) != 0) {
                const int e = errno;
                if (e != EEXIST)
                    return e;
                if (!isDirectory(prefix))
                    return ENOTDIR;
            }
        }
        if (slash < 0)
            return 0;
        from = slash + 1;
    }
}

QByteArray randomName(int length)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<unsigned> counter{0};
    QByteArray raw(length, Qt::Uninitialized);
    if (::getrandom(raw.data(), size_t(length), GRND_NONBLOCK) != ssize_t(length)) {
        // Two calls within one clock tick still differ through the counter.
        timespec ts{};
        ::clock_gettime(CLOCK_MONOTONIC, &ts);
        quint64 mix =
            quint64(ts.tv_nsec) ^ (quint64(::getpid()) << 20) ^ (quint64(counter++) << 40);
        for (char& c : raw) {
            c = char(mix >> 33);
            mix = mix * 6364136223846793005ULL + 1442695040888963407ULL;
        }
    }
    QByteArray name(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i)
        name[i] = alphabet[(unsigned char)(raw[i]) % (sizeof alphabet - 1)];
    return name;
}

qint64 toNanoseconds(qint64 seconds, qint64 nanoseconds)
{
    constexpr qint64 perSecond = 1000000000;
    constexpr qint64 maxSeconds = std::numeric_limits<qint64>::max() / perSecond - 1;
    if (seconds > maxSeconds)
        return std::numeric_limits<qint64>::max();
    if (seconds < -maxSeconds)
        return std::numeric_limits<qint64>::min();
    return seconds * perSecond + nanoseconds;
}

timespec toTimespec(qint64 nanoseconds)
{
    constexpr qint64 perSecond = 1000000000;
    qint64 seconds = nanoseconds / perSecond;
    qint64 rest = nanoseconds % perSecond;
    if (rest < 0) {
        rest += perSecond;
        --seconds;
    }
    timespec ts{};
    ts.tv_sec = time_t(seconds);
    ts.tv_nsec = long(rest);
    return ts;
}

bool copyXattrs(int in, int out)
{
    std::vector<char> names;
    ssize_t length = -1;
    for (int attempt = 0; attempt < 4; ++attempt) {
        length = ::flistxattr(in, nullptr, 0);
        if (length <= 0)
            return false;
        names.resize(size_t(length));
        length = ::flistxattr(in, names.data(), names.size());
        if (length >= 0 || errno != ERANGE)
            break;
    }
    if (length <= 0)
        return false;
    std::vector<char> value;
    for (const char* name = names.data(); name < names.data() + length;
         name += std::strlen(name) + 1) {
        ssize_t size = -1;
        for (int attempt = 0; attempt < 4; ++attempt) {
            size = ::fgetxattr(in, name, nullptr, 0);
            if (size < 0)
                break;
            value.resize(size_t(size) + 1);
            size = ::fgetxattr(in, name, value.data(), value.size());
            if (size >= 0 || errno != ERANGE)
                break;
        }
        // The destination may hold no xattrs or not this namespace: the copy
        // still counts, as it does for every file manager.
        if (size >= 0)
            ::fsetxattr(out, name, value.data(), size_t(size), 0);
    }
    return true;
}

bool copyFatAttributes(int in, int out, dev_t sourceDevice)
{
    // Only FAT answers; other file systems are asked once.
    thread_local std::vector<dev_t> notFat;
    if (std::find(notFat.begin(), notFat.end(), sourceDevice) != notFat.end())
        return false;
    quint32 attributes = 0;
    if (::ioctl(in, FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0) {
        ::ioctl(out, FAT_IOCTL_SET_ATTRIBUTES, &attributes);
        return true;
    }
    if (errno == ENOTTY)
        notFat.push_back(sourceDevice);
    return false;
}

} // namespace tovane::platform
