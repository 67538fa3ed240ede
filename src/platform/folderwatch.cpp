#include "platform/folderwatch.h"

#include "platform/names.h"

#include <cerrno>
#include <cstddef>
#include <sys/inotify.h>
#include <unistd.h>

namespace tovane::platform {

namespace {

// IN_MODIFY comes with every write of a file being written; the owner
// throttles how often it drains, so the flood costs one read per drain.
constexpr uint32_t EntryEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_CLOSE_WRITE | IN_MODIFY;
constexpr uint32_t SelfEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;

} // namespace

int FolderWatch::open()
{
    if (m_fd.isValid())
        return 0;
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return lastErrno();
    m_fd.reset(fd);
    return 0;
}

int FolderWatch::watch(const QString& folder)
{
    unwatch();
    if (const int code = open(); code != 0)
        return code;
    QByteArray bytes = pathToBytes(folder);
    if (bytes.size() > 1 && bytes.endsWith('/'))
        bytes.chop(1);
    // A listed folder may be a link to one; the list reads through it, and
    // so does the watch.
    const int wd =
        inotify_add_watch(m_fd.get(), bytes.constData(), EntryEvents | SelfEvents | IN_ONLYDIR);
    if (wd < 0)
        return lastErrno();
    m_wd = wd;
    m_folder = folder;
    return 0;
}

void FolderWatch::unwatch()
{
    if (m_wd >= 0 && m_fd.isValid())
        inotify_rm_watch(m_fd.get(), m_wd); // fails harmlessly when the folder went
    m_wd = -1;
    m_folder.clear();
}

unsigned FolderWatch::drain()
{
    if (!m_fd.isValid())
        return 0;
    unsigned found = 0;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(m_fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // EAGAIN: drained
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event)) + e->len;
            if (e->mask & IN_Q_OVERFLOW) {
                found |= ChangeLost;
                continue;
            }
            if (e->wd != m_wd || m_wd < 0)
                continue;
            if (e->mask & (SelfEvents | IN_IGNORED)) {
                found |= ChangeGone;
            } else if (e->mask & EntryEvents) {
                found |= ChangeEntries;
            }
        }
    }
    // A folder moved away keeps its watch, but the path now names another
    // folder or nothing: the next watch() of the path starts afresh.
    if ((found & ChangeGone) && m_wd >= 0) {
        inotify_rm_watch(m_fd.get(), m_wd);
        m_wd = -1;
    }
    return found;
}

} // namespace tovane::platform
