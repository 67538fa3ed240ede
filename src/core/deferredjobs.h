#pragma once
// Deferred jobs: event handlers that must not act while a control is still
// inside its own event set a job bit and arm a one-shot timer; when it fires
// the jobs run in a fixed order. The widget binds JobTimer to a QTimer
// (single shot) and calls fire() from its timeout.

#include "core/windows.h"

#include <QtGlobal>

#include <functional>

namespace tovane {

// Per-window jobs; job k of window w is bit (w + 1) * 4^k.
enum WindowJob : int {
    JobActivate = 0,        // ActivateWindow (w, 4)
    JobSelectPending = 1,   // select the pending list item, refresh the marks
    JobFocusList = 2,       // give the list the focus
    JobRestorePointer = 3,  // restore the mouse pointer, clear the progress text
    JobRepaintList = 4,     // disable and re-enable the list so it repaints
    JobRememberCurrent = 5, // remember (or clear) the current item's text
};
constexpr int WindowJobCount = 6;

// Global jobs, run after the per-window jobs in this order.
enum GlobalJob : quint32 {
    GlobalNone = 4096,       // only cleared
    GlobalSlideStep = 8192,  // the next slide-show step
    GlobalSlidePause = 16384 // pause or resume the slide show
};
constexpr quint32 WindowJobBits = 4095;

constexpr quint32 jobBit(WindowIndex w, int job)
{
    return quint32(w + 1) << (2 * job);
}

class JobTimer {
public:
    virtual ~JobTimer();
    // Sets the interval and enables the timer; a running countdown restarts.
    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;
};

struct DeferredJobHandlers {
    std::function<void(WindowIndex, int job)> windowJob;
    std::function<void()> slideStep;
    std::function<void()> slidePause;
    // Read when the jobs run: the selected window decides the order.
    std::function<WindowIndex()> selectedWindow;
    // After the jobs: when a window is marked for refresh and no operation
    // runs, refreshMarked() runs (it refreshes both inside the busy state and
    // activates the selected window again).
    std::function<bool()> refreshPending;
    std::function<bool()> operationRunning;
    std::function<void()> refreshMarked;
};

class DeferredJobs {
public:
    explicit DeferredJobs(JobTimer* timer = nullptr) : m_timer(timer) {}

    void setTimer(JobTimer* timer) { m_timer = timer; }
    void setHandlers(DeferredJobHandlers handlers) { m_handlers = std::move(handlers); }

    quint32 mask() const { return m_mask; }
    bool isSet(quint32 bits) const { return (m_mask & bits) != 0; }
    void set(quint32 bits) { m_mask |= bits; }
    void clear(quint32 bits) { m_mask &= ~bits; }
    void setJob(WindowIndex w, int job) { set(jobBit(w, job)); }
    bool isJobSet(WindowIndex w, int job) const { return isSet(jobBit(w, job)); }

    // SetTimer: arms the one-shot timer with the interval (0 = as soon as
    // the event loop is free).
    void arm(int intervalMs);
    // Sets a window job and arms the timer.
    void schedule(WindowIndex w, int job, int intervalMs = 1);
    void disarm();
    bool armed() const { return m_armed; }
    int interval() const { return m_interval; }

    // The timer fired: it disables itself, then the jobs run.
    void fire();
    bool running() const { return m_running; }

    // A job that keeps setting its own bit would hold the UI thread forever;
    // after this many passes the rest waits for the next timer tick.
    static constexpr int MaxPasses = 64;
    // How often a refresh that an operation holds back asks again.
    static constexpr int RefreshRetryMs = 100;

private:
    void runWindowJob(WindowIndex w, int job);

    JobTimer* m_timer = nullptr;
    DeferredJobHandlers m_handlers;
    quint32 m_mask = 0;
    bool m_armed = false;
    bool m_running = false;
    int m_interval = 1;
};

} // namespace tovane
