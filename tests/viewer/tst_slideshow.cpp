// The slide show's walk over a list: which items are shown in which order,
// when it stops and what it says.

#include "viewer/slideshow.h"

#include <QtTest>

using namespace tovane;

namespace {

// A list where '+' items can be shown and '-' items cannot.
class FakeHost : public SlideShowHost {
public:
    QString items;
    int current = 0;
    bool confirm = true;
    QStringList log;
    QStringList messages;
    int armed = -1;
    int finishedWith = -1;
    QString status;
    QString caption;

    int itemCount() const override { return int(items.size()); }
    int fileCount() const override { return int(items.size()); }
    int shownItem() const override { return current; }
    bool showItem(int item, bool) override
    {
        return item >= 1 && item <= items.size() && items[item - 1] == u'+';
    }
    void begin() override { log << QStringLiteral("begin"); }
    void shown(int item) override { log << QString::number(item); }
    void unmark(int) override {}
    void setStatus(const QString& text) override { status = text; }
    void armStep(int ms) override { armed = ms; }
    void disarmStep() override { armed = -1; }
    bool confirmationMessages() const override { return confirm; }
    void message(const QString& text, const QString&) override { messages << text; }
    void finish(int last, bool) override { finishedWith = last; }
    void pauseCaption(const QString& c) override { caption = c; }
};

// Runs the timer until the show ends or `steps` have passed.
void runSteps(SlideShow& show, FakeHost& host, int steps)
{
    for (int i = 0; i < steps && show.running() && host.armed >= 0; ++i)
        show.step();
}

} // namespace

class SlideShowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void walk_data()
    {
        QTest::addColumn<QString>("items");
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("testRun");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("expected"); // shown items, then "|" + messages count
        QTest::addColumn<bool>("stillRunning");

        QTest::newRow("from the top, wrapping")
            << "+++" << 0 << false << 5 << "1,2,3,1,2,3|0" << true;
        QTest::newRow("from the shown item on")
            << "+++" << 2 << false << 3 << "3,1,2|0" << true;
        QTest::newRow("what cannot be shown is skipped")
            << "+-+-" << 0 << false << 3 << "1,3,1,3|0" << true;
        QTest::newRow("one picture stops with the message")
            << "-+--" << 0 << false << 5 << "2|1" << false;
        QTest::newRow("one picture, shown at the start")
            << "-+--" << 2 << false << 5 << "|1" << false;
        QTest::newRow("nothing to show") << "---" << 0 << false << 5 << "|1" << false;
        QTest::newRow("two pictures keep going")
            << "+-+" << 1 << false << 4 << "3,1,3,1|0" << true;
        QTest::newRow("a test run ends at the last item")
            << "+++" << 0 << true << 5 << "1,2,3|1" << false;
    }
    void walk()
    {
        QFETCH(QString, items);
        QFETCH(int, current);
        QFETCH(bool, testRun);
        QFETCH(int, steps);
        QFETCH(QString, expected);
        QFETCH(bool, stillRunning);

        FakeHost host;
        host.items = items;
        host.current = current;
        SlideShow show(host);
        show.start(testRun);
        if (testRun)
            QCOMPARE(host.armed >= 0 ? host.armed : 1, 1);
        runSteps(show, host, steps);
        host.log.removeAll(QStringLiteral("begin"));
        QCOMPARE(host.log.join(u',') + u'|' + QString::number(host.messages.size()), expected);
        QCOMPARE(show.running(), stillRunning);
    }

    void messagesFollowTheConfirmationSetting()
    {
        FakeHost host;
        host.items = QStringLiteral("-+-");
        host.confirm = false;
        SlideShow show(host);
        show.start(false);
        runSteps(show, host, 5);
        QVERIFY(!show.running());
        QVERIFY(host.messages.isEmpty());
        QCOMPARE(host.finishedWith, 2);
    }

    void reversingWhilePausedWaitsForResume()
    {
        FakeHost host;
        host.items = QStringLiteral("++++");
        SlideShow show(host);
        show.setLabel(QStringLiteral("左窓："));
        show.start(false);
        show.step(); // 1, 2
        QCOMPARE(show.item(), 2);
        show.togglePause();
        QVERIFY(show.paused());
        QCOMPARE(host.caption, QStringLiteral("再開(&S)"));
        QCOMPARE(host.status, QStringLiteral("左窓：スライドショウ停止中"));
        QCOMPARE(host.armed, -1);
        show.reverse();
        QCOMPARE(show.item(), 2); // nothing shown while paused
        QCOMPARE(host.armed, -1);
        show.togglePause();
        QCOMPARE(host.caption, QStringLiteral("一時停止(&S)"));
        QCOMPARE(show.item(), 1);
        QCOMPARE(host.status, QStringLiteral("左窓：スライドショウ中（間隔：5秒）（↑向き）"));
        show.step();
        QCOMPARE(show.item(), 4); // backward past the first wraps to the last
    }

    void reversingWhileRunningStepsAtOnce()
    {
        FakeHost host;
        host.items = QStringLiteral("+++");
        SlideShow show(host);
        show.start(false);
        show.step(); // 2
        show.reverse();
        QCOMPARE(show.item(), 1);
        QCOMPARE(show.direction(), -1);
    }

    void intervalSteps()
    {
        FakeHost host;
        host.items = QStringLiteral("++");
        SlideShow show(host);
        show.start(false);
        QCOMPARE(host.armed, 5000);
        for (int i = 0; i < 40; ++i)
            show.changeInterval(1000);
        QCOMPARE(show.interval(), 30000);
        QCOMPARE(host.armed, 30000);
        for (int i = 0; i < 40; ++i)
            show.changeInterval(-1000);
        QCOMPARE(show.interval(), 1000);
        QCOMPARE(host.status, QStringLiteral("スライドショウ中（間隔：1秒）（↓向き）"));
    }

    void aTestRunLeavesTheIntervalAsItWas()
    {
        FakeHost host;
        host.items = QStringLiteral("+++");
        SlideShow show(host);
        show.changeInterval(2000); // 7000
        show.start(true);
        QCOMPARE(host.armed, 1);
        runSteps(show, host, 10);
        QVERIFY(!show.running());
        QCOMPARE(show.interval(), 7000);
        QCOMPARE(host.messages, QStringList{SlideShow::testEndText()});
        QCOMPARE(host.finishedWith, 3);
    }

    void endRestoresAndNamesTheLastPicture()
    {
        FakeHost host;
        host.items = QStringLiteral("+-+");
        SlideShow show(host);
        show.start(false);
        show.step();
        QCOMPARE(show.item(), 3);
        show.togglePause();
        show.end();
        QVERIFY(!show.running());
        QVERIFY(!show.paused());
        QCOMPARE(host.caption, QStringLiteral("一時停止(&S)"));
        QCOMPARE(host.finishedWith, 3);
        QCOMPARE(host.armed, -1);
    }
};

QTEST_GUILESS_MAIN(SlideShowTest)
#include "tst_slideshow.moc"
