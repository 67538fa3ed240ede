#pragma once
// Watching one folder for changes of its entries (inotify). The descriptor
// is non-blocking; the owner waits for it to become readable (a socket
// notifier) and then drains it. Only "something changed" is reported: the
// list is read again anyway, so single events carry no more use.
//
// Error codes are errno values, 0 for success.

#include "platform/posixutil.h"

#include <QString>

namespace tovane::platform {

// What draining the events found.
enum FolderChange : unsigned {
    ChangeEntries = 1, // an entry came, went, was renamed or written
    ChangeGone = 2,    // the folder itself was deleted, moved away or unmounted
    ChangeLost = 4,    // the kernel queue overflowed: anything may have changed
};

class FolderWatch {
public:
    FolderWatch() = default;
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Creates the descriptor; errno when the system refuses (limit reached).
    int open();
    bool isOpen() const { return m_fd.isValid(); }
    int descriptor() const { return m_fd.get(); }

    // Watches `folder` instead of the one watched before. A link to a
    // folder is watched at its target; anything but a folder is refused
    // (ENOTDIR).
    int watch(const QString& folder);
    // Stops watching; pending events of the old folder are ignored.
    void unwatch();
    bool watching() const { return m_wd >= 0; }
    QString folder() const { return m_folder; }

    // Reads every pending event and returns FolderChange bits of the
    // watched folder (0: none, or only events of an earlier folder). After
    // ChangeGone nothing is watched; folder() still names the path.
    unsigned drain();

private:
    UniqueFd m_fd;
    int m_wd = -1;
    QString m_folder;
};

} // namespace tovane::platform
