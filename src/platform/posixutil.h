#pragma once
// Small POSIX helpers shared by the platform sources: an owning descriptor,
// errno capture and nanosecond time conversions.

#include <QtGlobal>
#include <ctime>

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

private:
    int m_fd = -1;
};

// errno after a failed call; never 0, so a failure is never taken for success.
int lastErrno();

// Seconds + nanoseconds -> nanoseconds since 1970, saturating far outside
// the range of qint64 instead of wrapping.
qint64 toNanoseconds(qint64 seconds, qint64 nanoseconds);
// The inverse, with tv_nsec always in 0..999999999 (also before 1970).
timespec toTimespec(qint64 nanoseconds);

} // namespace tovane::platform
