#include "core/deferredjobs.h"

namespace tovane {

JobTimer::~JobTimer() = default;

void DeferredJobs::arm(int intervalMs)
{
    m_interval = intervalMs < 0 ? 0 : intervalMs;
    m_armed = true;
    if (m_timer)
        m_timer->start(m_interval);
}

void DeferredJobs::schedule(WindowIndex w, int job, int intervalMs)
{
    setJob(w, job);
    arm(intervalMs);
}

void DeferredJobs::disarm()
{
    m_armed = false;
    if (m_timer)
        m_timer->stop();
}

void DeferredJobs::runWindowJob(WindowIndex w, int job)
{
    if (m_handlers.windowJob)
        m_handlers.windowJob(w, job);
}

void DeferredJobs::fire()
{
    disarm();
    // A job that lets events run can bring the next tick in while the jobs
    // are still running; running them nested would reorder them.
    if (m_running) {
        arm(m_interval);
        return;
    }
    m_running = true;

    int passes = 0;
    while (m_mask & WindowJobBits) {
        if (++passes > MaxPasses) {
            if (!m_armed)
                arm(1);
            break;
        }
        const WindowIndex first =
            m_handlers.selectedWindow ? m_handlers.selectedWindow() : LeftWindow;
        const SelectedPair pair = SelectedPair::of(isWindowIndex(first) ? first : LeftWindow);
        for (int i = 0; i < 2; ++i) {
            const WindowIndex w = pair[i];
            for (int job = 0; job < WindowJobCount; ++job) {
                const quint32 bit = jobBit(w, job);
                if (m_mask & bit) {
                    m_mask &= ~bit;
                    runWindowJob(w, job);
                }
            }
        }
    }

    if (m_mask & GlobalNone)
        m_mask &= ~quint32(GlobalNone);
    if (m_mask & GlobalSlideStep) {
        m_mask &= ~quint32(GlobalSlideStep);
        if (m_handlers.slideStep)
            m_handlers.slideStep();
    }
    if (m_mask & GlobalSlidePause) {
        m_mask &= ~quint32(GlobalSlidePause);
        if (m_handlers.slidePause)
            m_handlers.slidePause();
    }

    const bool pending = m_handlers.refreshPending && m_handlers.refreshPending();
    const bool busy = m_handlers.operationRunning && m_handlers.operationRunning();
    if (pending && !busy && m_handlers.refreshMarked)
        m_handlers.refreshMarked();
    // The refresh waits for the running operation, not for the next job.
    if (pending && busy && !m_armed)
        arm(RefreshRetryMs);

    m_running = false;
}

} // namespace tovane
