#include "list/listwatch.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>

namespace tovane {

void RefreshPacer::changed(qint64 now)
{
    if (!m_pending) {
        m_pending = true;
        m_first = now;
    }
    m_last = now;
}

qint64 RefreshPacer::dueAt() const
{
    const qint64 due = std::min(m_last + QuietMs, m_first + LongestWaitMs);
    return m_refreshedOnce ? std::max(due, m_lastEnd + m_gap) : due;
}

void RefreshPacer::refreshed(qint64 start, qint64 end)
{
    m_pending = false;
    m_refreshedOnce = true;
    m_lastEnd = end;
    m_gap = std::max(MinGapMs, CostFactor * std::max<qint64>(0, end - start));
}

ListWatch::ListWatch(QObject* parent) : QObject(parent)
{
    m_clock.start();
    m_dueTimer = new QTimer(this);
    m_dueTimer->setSingleShot(true);
    connect(m_dueTimer, &QTimer::timeout, this, &ListWatch::due);
    m_readTimer = new QTimer(this);
    m_readTimer->setSingleShot(true);
    connect(m_readTimer, &QTimer::timeout, this, [this] {
        if (m_notifier)
            m_notifier->setEnabled(true);
    });
}

ListWatch::~ListWatch() = default;

int ListWatch::follow(const QString& folder)
{
    if (folder.isEmpty()) {
        m_watch.unwatch();
        m_pacer.forget();
        m_changes = 0;
        return 0;
    }
    if (m_watch.watching() && folder == m_watch.folder())
        return 0;
    const int code = m_watch.watch(folder);
    m_pacer.forget();
    m_changes = 0;
    if (m_watch.isOpen() && !m_notifier) {
        m_notifier = new QSocketNotifier(m_watch.descriptor(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            // While a folder keeps changing, its events are read a few times
            // a second, not once per event.
            m_notifier->setEnabled(false);
            readEvents();
            m_readTimer->start(ReadGapMs);
        });
    }
    return code;
}

void ListWatch::listRead()
{
    m_watch.drain();
    m_pacer.forget();
    m_changes = 0;
}

int ListWatch::dueInMs() const
{
    if (!m_pacer.pending())
        return -1;
    return int(std::max<qint64>(0, m_pacer.dueAt() - now()));
}

void ListWatch::readEvents()
{
    const unsigned found = m_watch.drain();
    if (!found)
        return;
    m_changes |= found;
    m_pacer.changed(now());
    schedule(dueInMs());
}

void ListWatch::schedule(int ms)
{
    m_dueTimer->start(std::max(0, ms));
}

void ListWatch::due()
{
    if (!m_pacer.pending())
        return;
    if (const int ms = dueInMs(); ms > 0) {
        schedule(ms); // more changes came meanwhile
        return;
    }
    refreshNow();
}

bool ListWatch::refreshNow()
{
    readEvents();
    if (!m_pacer.pending() || m_refreshing)
        return false;
    if (mayRefresh && !mayRefresh()) {
        schedule(HoldRetryMs);
        return false;
    }
    const unsigned changes = m_changes;
    m_changes = 0;
    m_refreshing = true;
    const qint64 start = now();
    if (refresh)
        refresh(changes);
    m_refreshing = false;
    ++m_refreshes;
    m_pacer.refreshed(start, now());
    // Events seen while the list was read are still pending: they count
    // from now on.
    if (m_changes) {
        m_pacer.changed(now());
        schedule(dueInMs());
    }
    return true;
}

} // namespace tovane
