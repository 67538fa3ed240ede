#include "core/deferredjobs.h"

#include <QtTest>

using namespace tovane;

namespace {

class FakeTimer : public JobTimer {
public:
    void start(int intervalMs) override
    {
        active = true;
        lastInterval = intervalMs;
        ++starts;
    }
    void stop() override { active = false; }
    bool active = false;
    int lastInterval = -1;
    int starts = 0;
};

// Jobs named "w:k", global ones by name; `onJob` lets a job act on the jobs.
struct Harness {
    FakeTimer timer;
    DeferredJobs jobs{&timer};
    QStringList log;
    WindowIndex selected = LeftWindow;
    bool refreshPending = false;
    bool operationRunning = false;
    std::function<void(WindowIndex, int)> onJob;

    Harness()
    {
        DeferredJobHandlers h;
        h.windowJob = [this](WindowIndex w, int job) {
            log << QStringLiteral("%1:%2").arg(w).arg(job);
            if (onJob)
                onJob(w, job);
        };
        h.slideStep = [this] { log << u"step"_qs; };
        h.slidePause = [this] { log << u"pause"_qs; };
        h.selectedWindow = [this] { return selected; };
        h.refreshPending = [this] { return refreshPending; };
        h.operationRunning = [this] { return operationRunning; };
        h.refreshMarked = [this] {
            log << u"refresh"_qs;
            refreshPending = false;
        };
        jobs.setHandlers(h);
    }
};

} // namespace

class DeferredJobsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bits_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("job");
        QTest::addColumn<quint32>("bit");
        QTest::newRow("left activate") << 0 << 0 << quint32(1);
        QTest::newRow("right activate") << 1 << 0 << quint32(2);
        QTest::newRow("left pending item") << 0 << 1 << quint32(4);
        QTest::newRow("right focus list") << 1 << 2 << quint32(32);
        QTest::newRow("left pointer") << 0 << 3 << quint32(64);
        QTest::newRow("right repaint") << 1 << 4 << quint32(512);
        QTest::newRow("left remember") << 0 << 5 << quint32(1024);
        QTest::newRow("right remember") << 1 << 5 << quint32(2048);
    }
    void bits()
    {
        QFETCH(int, window);
        QFETCH(int, job);
        QFETCH(quint32, bit);
        QCOMPARE(jobBit(window, job), bit);
    }

    void bitsDoNotOverlap()
    {
        quint32 all = 0;
        for (int w = 0; w < 2; ++w)
            for (int k = 0; k < WindowJobCount; ++k) {
                QCOMPARE(all & jobBit(w, k), quint32(0));
                all |= jobBit(w, k);
            }
        QCOMPARE(all, WindowJobBits);
        QCOMPARE(all & (GlobalNone | GlobalSlideStep | GlobalSlidePause), quint32(0));
    }

    void order_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<quint32>("mask");
        QTest::addColumn<QStringList>("expected");
        const quint32 mixed = jobBit(0, 0) | jobBit(0, 4) | jobBit(1, 2) | jobBit(1, 5);
        QTest::newRow("left first")
            << 0 << mixed << QStringList{u"0:0"_qs, u"0:4"_qs, u"1:2"_qs, u"1:5"_qs};
        QTest::newRow("right first")
            << 1 << mixed << QStringList{u"1:2"_qs, u"1:5"_qs, u"0:0"_qs, u"0:4"_qs};
        QTest::newRow("globals after windows")
            << 0 << (quint32(GlobalSlidePause) | GlobalSlideStep | GlobalNone | jobBit(1, 3))
            << QStringList{u"1:3"_qs, u"step"_qs, u"pause"_qs};
        QTest::newRow("only the empty global") << 0 << quint32(GlobalNone) << QStringList();
    }
    void order()
    {
        QFETCH(int, selected);
        QFETCH(quint32, mask);
        QFETCH(QStringList, expected);
        Harness h;
        h.selected = selected;
        h.jobs.set(mask);
        h.jobs.arm(1);
        h.jobs.fire();
        QCOMPARE(h.log, expected);
        QCOMPARE(h.jobs.mask(), quint32(0));
    }

    void reArmedJobsRunInTheSameTick_data()
    {
        QTest::addColumn<int>("setByJob"); // job of window 0 that a 0:2 job sets
        QTest::addColumn<int>("setWindow");
        QTest::addColumn<QStringList>("expected");
        // A job behind the running one runs in this pass, one before it in the next.
        QTest::newRow("later job") << 4 << 0 << QStringList{u"0:2"_qs, u"0:4"_qs, u"1:1"_qs};
        QTest::newRow("earlier job") << 1 << 0 << QStringList{u"0:2"_qs, u"1:1"_qs, u"0:1"_qs};
        QTest::newRow("itself") << 2 << 0 << QStringList{u"0:2"_qs, u"1:1"_qs, u"0:2"_qs};
        QTest::newRow("other window") << 0 << 1 << QStringList{u"0:2"_qs, u"1:0"_qs, u"1:1"_qs};
    }
    void reArmedJobsRunInTheSameTick()
    {
        QFETCH(int, setByJob);
        QFETCH(int, setWindow);
        QFETCH(QStringList, expected);
        Harness h;
        bool once = true;
        h.onJob = [&](WindowIndex w, int job) {
            if (w == 0 && job == 2 && once) {
                once = false;
                h.jobs.setJob(setWindow, setByJob);
            }
        };
        h.jobs.setJob(0, 2);
        h.jobs.setJob(1, 1);
        h.jobs.fire();
        QCOMPARE(h.log, expected);
        QCOMPARE(h.jobs.mask(), quint32(0));
    }

    void selectionChangeReordersNextPass()
    {
        Harness h;
        h.onJob = [&](WindowIndex w, int job) {
            if (w == 1 && job == 5) {
                h.selected = RightWindow; // ActivateWindow moved the selection
                h.jobs.setJob(0, 0);
                h.jobs.setJob(1, 0);
            }
        };
        h.jobs.setJob(1, 5);
        h.jobs.fire();
        // The next pass starts with the window selected now.
        QCOMPARE(h.log, (QStringList{u"1:5"_qs, u"1:0"_qs, u"0:0"_qs}));
    }

    void bitClearedBeforeJobRuns()
    {
        Harness h;
        bool seenSet = true;
        h.onJob = [&](WindowIndex w, int job) { seenSet = h.jobs.isJobSet(w, job); };
        h.jobs.setJob(1, 4);
        h.jobs.fire();
        QVERIFY(!seenSet);
        bool globalSeen = true;
        DeferredJobHandlers handlers;
        handlers.slideStep = [&] { globalSeen = h.jobs.isSet(GlobalSlideStep); };
        h.jobs.setHandlers(handlers);
        h.jobs.set(GlobalSlideStep);
        h.jobs.fire();
        QVERIFY(!globalSeen);
    }

    void timerArming()
    {
        Harness h;
        h.jobs.schedule(0, JobFocusList, 250);
        QVERIFY(h.timer.active);
        QCOMPARE(h.timer.lastInterval, 250);
        QVERIFY(h.jobs.armed());
        // The slide-show step re-arms the timer from within the jobs.
        h.onJob = [&](WindowIndex, int) {
            QVERIFY(!h.timer.active); // disabled before the jobs run
            h.jobs.set(GlobalSlideStep);
            h.jobs.arm(5000);
        };
        h.jobs.fire();
        QVERIFY(h.timer.active);
        QCOMPARE(h.timer.lastInterval, 5000);
        h.jobs.disarm();
        QVERIFY(!h.timer.active && !h.jobs.armed());
        h.jobs.arm(-3);
        QCOMPARE(h.timer.lastInterval, 0);
    }

    void nestedTickWaits()
    {
        Harness h;
        int nested = 0;
        h.onJob = [&](WindowIndex w, int job) {
            if (w == 0 && job == 1 && nested++ == 0) {
                // The job lets events run and the next tick comes in.
                h.jobs.setJob(1, 0);
                h.jobs.fire();
                QCOMPARE(h.log, QStringList{u"0:1"_qs});
                QVERIFY(h.timer.active);
            }
        };
        h.jobs.setJob(0, 1);
        h.jobs.fire();
        QCOMPARE(h.log, (QStringList{u"0:1"_qs, u"1:0"_qs}));
        QVERIFY(!h.jobs.running());
    }

    void runawayJobYields()
    {
        Harness h;
        int runs = 0;
        h.onJob = [&](WindowIndex w, int job) {
            ++runs;
            h.jobs.setJob(w, job);
        };
        h.jobs.setJob(1, 5);
        h.jobs.set(GlobalSlideStep);
        h.jobs.fire();
        QCOMPARE(runs, DeferredJobs::MaxPasses);
        QVERIFY(h.jobs.isJobSet(1, 5));
        QVERIFY(h.timer.active); // the rest runs at the next tick
        QCOMPARE(h.log.last(), u"step"_qs);
    }

    void refreshOfMarkedWindows_data()
    {
        QTest::addColumn<bool>("pending");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("refreshed");
        QTest::newRow("marked, idle") << true << false << true;
        QTest::newRow("marked, busy") << true << true << false;
        QTest::newRow("nothing marked") << false << false << false;
    }
    void refreshOfMarkedWindows()
    {
        QFETCH(bool, pending);
        QFETCH(bool, busy);
        QFETCH(bool, refreshed);
        Harness h;
        h.refreshPending = pending;
        h.operationRunning = busy;
        h.jobs.setJob(0, 0);
        h.jobs.fire();
        QCOMPARE(h.log.contains(u"refresh"_qs), refreshed);
        if (refreshed)
            QCOMPARE(h.log.last(), u"refresh"_qs);
    }

    // A refresh held back by an operation asks again until the operation
    // ended, then runs once.
    void heldRefreshRunsAfterTheOperation()
    {
        Harness h;
        h.refreshPending = true;
        h.operationRunning = true;
        h.jobs.fire();
        QVERIFY(h.jobs.armed());
        QCOMPARE(h.jobs.interval(), DeferredJobs::RefreshRetryMs);
        h.jobs.fire();
        QVERIFY(h.jobs.armed());
        QVERIFY(!h.log.contains(u"refresh"_qs));
        h.operationRunning = false;
        h.jobs.fire();
        QCOMPARE(h.log, QStringList{u"refresh"_qs});
        QVERIFY(!h.jobs.armed());
    }
};

QTEST_GUILESS_MAIN(DeferredJobsTest)
#include "tst_deferredjobs.moc"
