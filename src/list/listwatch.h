#pragma once
// Keeps one window's list in step with its folder on disk. Changes are
// coalesced: the list is read again once the folder has been quiet for a
// moment, or after a short while when it never is; a folder whose refresh is
// costly waits longer between refreshes, so a folder that changes all the
// time cannot keep the window busy. A refresh that is due while the window
// may not refresh (an operation, a compare, an open question) waits until
// it may.
//
// UI thread only. Nothing is watched where the system refuses a watch: the
// list is then refreshed by hand only.

#include "platform/folderwatch.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>

class QSocketNotifier;
class QTimer;

namespace tovane {

// When a coalesced refresh is due, from the times (ms) of the changes and of
// the refreshes. Pure: the caller passes the clock.
class RefreshPacer {
public:
    // The folder has been quiet this long: refresh.
    static constexpr qint64 QuietMs = 300;
    // A folder that is never quiet refreshes this long after its first change.
    static constexpr qint64 LongestWaitMs = 1000;
    // From the end of one refresh to the start of the next at least this, and
    // at least CostFactor times what the last refresh took: the window is then
    // busy refreshing for at most a fifth of the time.
    static constexpr qint64 MinGapMs = 1000;
    static constexpr qint64 CostFactor = 4;

    void changed(qint64 now);
    bool pending() const { return m_pending; }
    // Meaningful while pending.
    qint64 dueAt() const;
    // A refresh ran from `start` to `end`; pending changes are consumed.
    void refreshed(qint64 start, qint64 end);
    // The list was read for another reason: what changed so far is in it.
    void forget() { m_pending = false; }
    qint64 gap() const { return m_gap; }

private:
    bool m_pending = false;
    qint64 m_first = 0;
    qint64 m_last = 0;
    bool m_refreshedOnce = false;
    qint64 m_lastEnd = 0;
    qint64 m_gap = MinGapMs;
};

class ListWatch : public QObject {
    Q_OBJECT
public:
    // How often the events are read at most while a folder keeps changing.
    static constexpr int ReadGapMs = 100;
    // How soon a held refresh asks again whether it may run.
    static constexpr int HoldRetryMs = 100;

    explicit ListWatch(QObject* parent = nullptr);
    ~ListWatch() override;

    // Whether a refresh may run now (no operation, compare or question).
    std::function<bool()> mayRefresh;
    // Reads the list again; `changes` holds platform::FolderChange bits
    // (ChangeGone: the folder is no longer there).
    std::function<void(unsigned changes)> refresh;

    // Watches `folder` (with trailing "/"); an empty one stops watching.
    // Returns 0 or the system's error code. Watching the folder already
    // watched changes nothing.
    int follow(const QString& folder);
    QString folder() const { return m_watch.folder(); }
    bool watching() const { return m_watch.watching(); }

    // The list is being read for another reason: changes seen so far need
    // no refresh of their own.
    void listRead();

    bool pending() const { return m_pacer.pending(); }
    // Milliseconds until the pending refresh is due (0 when due; -1 when
    // none is pending).
    int dueInMs() const;
    const RefreshPacer& pacer() const { return m_pacer; }
    int refreshCount() const { return m_refreshes; }

    // Reads the events now instead of waiting for the descriptor.
    void readEvents();
    // Runs the pending refresh now, whatever the clock says, when the window
    // may refresh (tests drive time through this). True when it ran.
    bool refreshNow();

private:
    void schedule(int ms);
    void due();
    qint64 now() const { return m_clock.elapsed(); }

    platform::FolderWatch m_watch;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_dueTimer = nullptr;
    QTimer* m_readTimer = nullptr;
    QElapsedTimer m_clock;
    RefreshPacer m_pacer;
    unsigned m_changes = 0;
    bool m_refreshing = false;
    int m_refreshes = 0;
};

} // namespace tovane
