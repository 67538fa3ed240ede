#pragma once
// Small POSIX helpers shared by the platform sources: an owning descriptor,
// errno capture, path bytes, whole reads and writes, and nanosecond time
// conversions.

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <ctime>
#include <sys/types.h>

struct stat;

namespace tovane::platform {

// Closes its descriptor on every way out of a scope.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1);
    // Closes now and reports the failure: NFS and FUSE report late write
    // errors only here. An interrupted close counts as done.
    int close();

private:
    int m_fd = -1;
};

// errno after a failed call; never 0, so a failure is never taken for success.
int lastErrno();

// Splits "/a/b/c" into "/a/b" and "c"; a name without "/" lies in "."; "/"
// has no name and is its own parent.
void splitPath(const QByteArray& path, QByteArray& parent, QByteArray& name);
// Drops trailing "/" but keeps a lone "/".
QByteArray stripTrailingSlashes(QByteArray path);
QByteArray joinPath(const QByteArray& folder, QByteArrayView name);
// A single name inside a folder: no separators, no NUL, not "." or "..".
bool isPlainName(const QByteArray& name);

bool sameInode(const struct stat& a, const struct stat& b);

// All of `size` bytes at `offset`, retried after interruptions and short writes.
int writeAll(int fd, const char* data, size_t size, off_t offset);
// Up to about `limit` bytes of a regular file; empty when it cannot be read
// or is anything else (a FIFO there never blocks the caller).
QByteArray readSmallFile(const QByteArray& path, qsizetype limit = qsizetype(1) << 20);
// mkdir -p with mode 0700 for every folder it creates.
int makeFolders(const QByteArray& path);
// `length` letters and digits for temporary names, random even where the
// kernel has no entropy to give yet.
QByteArray randomName(int length);

// Every xattr of `in` (the DOS-attribute store, ACLs) set on `out` as far as
// `out` takes them. Whether `in` had any.
bool copyXattrs(int in, int out);
// vfat keeps R/H/S/A in the directory entry rather than in an xattr.
// Whether `in` had FAT attributes to copy.
bool copyFatAttributes(int in, int out, dev_t sourceDevice);

// Seconds + nanoseconds -> nanoseconds since 1970, saturating far outside
// the range of qint64 instead of wrapping.
qint64 toNanoseconds(qint64 seconds, qint64 nanoseconds);
// The inverse, with tv_nsec always in 0..999999999 (also before 1970).
timespec toTimespec(qint64 nanoseconds);

} // namespace tovane::platform
