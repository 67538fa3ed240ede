#include "viewer/slideshow.h"

#include "core/keymap.h"

#include <algorithm>

namespace tovane {

void SlideShow::start(bool testRun)
{
    if (m_running)
        return;
    if (m_interval < MinSlideInterval)
        m_interval = DefaultSlideInterval;
    m_testRun = testRun;
    if (testRun) {
        m_savedInterval = m_interval;
        m_interval = 1;
    }
    m_running = true;
    m_paused = false;
    m_direction = 1;
    m_lastShown = 0;
    m_host.begin();
    const int current = m_host.shownItem();
    if (current > 0) {
        // What is on screen counts as the first picture; the show goes on
        // from there at once.
        m_start = m_item = current;
        m_shown = 1;
        m_lastShown = current;
        m_host.armStep(1);
        return;
    }
    m_start = 1;
    m_item = 0;
    m_shown = 0;
    step();
}

void SlideShow::step()
{
    if (!m_running || m_paused)
        return;
    // Items that cannot be shown are passed over at once; one round through
    // the list always ends at the start item, where the count decides.
    for (int tries = m_host.itemCount() + 2; tries > 0; --tries) {
        const int count = m_host.itemCount();
        if (count <= 0)
            break;
        const bool first = m_item == 0;
        if (m_item > 0)
            m_host.unmark(m_item);
        m_item += m_direction;
        if (m_item > count || m_item < 1) {
            if (m_testRun) {
                m_host.message(testEndText(), title());
                end();
                return;
            }
            m_item = m_item < 1 ? count : 1;
        }
        if (!first && m_item == m_start && m_shown < 2) {
            if (m_host.confirmationMessages())
                m_host.message(fewItemsText(), title());
            end();
            return;
        }
        if (m_host.showItem(m_item, m_testRun)) {
            m_lastShown = m_item;
            m_shown = std::min(m_shown + 1, std::max(1, m_host.fileCount()));
            m_host.shown(m_item);
            waitOrPause();
            return;
        }
        if (!m_running)
            return;
    }
    if (m_host.confirmationMessages())
        m_host.message(fewItemsText(), title());
    end();
}

void SlideShow::waitOrPause()
{
    if (m_paused) {
        m_host.disarmStep();
        m_host.setStatus(pausedText(m_label));
        return;
    }
    m_host.armStep(m_interval);
    m_host.setStatus(runningText(m_label, m_interval, m_direction));
}

void SlideShow::togglePause()
{
    if (!m_running)
        return;
    if (!m_paused) {
        m_paused = true;
        m_host.disarmStep();
        m_host.setStatus(pausedText(m_label));
        m_host.pauseCaption(resumeCaption());
        return;
    }
    m_paused = false;
    m_host.pauseCaption(pauseCaption());
    step();
}

void SlideShow::reverse()
{
    m_direction = -m_direction;
    if (!m_running || m_paused)
        return;
    m_host.disarmStep();
    step();
}

void SlideShow::end()
{
    if (!m_running)
        return;
    m_host.disarmStep();
    const bool testRun = m_testRun;
    m_running = false;
    if (m_paused) {
        m_paused = false;
        m_host.pauseCaption(pauseCaption());
    }
    m_testRun = false;
    if (testRun)
        m_interval = m_savedInterval;
    m_host.finish(m_shown > 0 ? m_lastShown : 0, testRun);
}

void SlideShow::changeInterval(int deltaMs)
{
    if (m_testRun)
        return;
    m_interval = slideIntervalStep(m_interval, deltaMs);
    if (m_running && !m_paused) {
        m_host.armStep(m_interval);
        m_host.setStatus(runningText(m_label, m_interval, m_direction));
    }
}

QString SlideShow::runningText(const QString& label, int intervalMs, int direction)
{
    return label + QStringLiteral("スライドショウ中（間隔：") + QString::number(intervalMs / 1000) +
           QStringLiteral("秒）") +
           (direction > 0 ? QStringLiteral("（↓向き）") : QStringLiteral("（↑向き）"));
}

QString SlideShow::pausedText(const QString& label)
{
    return label + QStringLiteral("スライドショウ停止中");
}

QString SlideShow::fewItemsText()
{
    return QStringLiteral("表示対象項目数が２未満なので\r\n\r\nスライドショウを中止します。");
}

QString SlideShow::testEndText()
{
    return QStringLiteral("テスト表示を終了します。");
}

QString SlideShow::title()
{
    return QStringLiteral("スライドショウ");
}

QString SlideShow::pauseCaption()
{
    return QStringLiteral("一時停止(&S)");
}

QString SlideShow::resumeCaption()
{
    return QStringLiteral("再開(&S)");
}

} // namespace tovane
