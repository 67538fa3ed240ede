#include "platform/posixutil.h"

#include <cerrno>
#include <limits>
#include <unistd.h>

namespace tovane::platform {

void UniqueFd::reset(int fd)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

int lastErrno()
{
    const int e = errno;
    return e > 0 ? e : EIO;
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

} // namespace tovane::platform
