#include "core/progressservice.h"
#include "core/scriptedservices.h"

#include <QThread>
#include <QtTest>

using namespace tovane;

class ProgressServiceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void progressText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("bar");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("rangeEnd");
        QTest::addColumn<int>("panel");
        QTest::addColumn<QString>("expected");

        QTest::newRow("empty text") << QString() << 10 << 3 << 3 << 0 << 80 << QString();
        QTest::newRow("no total") << u"削除中"_qs << 0 << 3 << 3 << 0 << 80 << u"削除中"_qs;
        QTest::newRow("negative total") << u"x"_qs << -4 << 3 << 3 << 0 << 80 << u"x"_qs;
        QTest::newRow("total 1, no bar") << u"a"_qs << 1 << 1 << 1 << 0 << 80 << u"a 1/1"_qs;
        // The field is one wider than the total's digits.
        QTest::newRow("right aligned")
            << u"abc"_qs << 10 << 3 << 3 << 0 << 80 << u"abc  3/10 [***.......]"_qs;
        QTest::newRow("range") << u"abc"_qs << 10 << 5 << 3 << 7 << 80
                               << u"abc (3～7)/10 [*****.....]"_qs;
        QTest::newRow("range end not above shown")
            << u"abc"_qs << 10 << 5 << 7 << 7 << 80 << u"abc  7/10 [*****.....]"_qs;
        QTest::newRow("counts clamped")
            << u"abc"_qs << 10 << 20 << 15 << 0 << 80 << u"abc 10/10 [**********]"_qs;
        QTest::newRow("range end clamped")
            << u"abc"_qs << 10 << 0 << 3 << 20 << 80 << u"abc (3～10)/10 [..........]"_qs;
        QTest::newRow("negative counts")
            << u"abc"_qs << 10 << -5 << -1 << -3 << 80 << u"abc  0/10 [..........]"_qs;
        QTest::newRow("total 2 has a bar") << u"x"_qs << 2 << 1 << 1 << 0 << 80 << u"x 1/2 [*.]"_qs;
        // width = panel - bytes of "abc  50/100" (11) - 3
        QTest::newRow("width from panel")
            << u"abc"_qs << 100 << 50 << 50 << 0 << 20 << u"abc  50/100 [***...]"_qs;
        QTest::newRow("panel too small")
            << u"abc"_qs << 100 << 100 << 50 << 0 << 5 << u"abc  50/100 [**]"_qs;
        // Width 5 of total 10 (panel 9 + 3 + 5): stars = round(5 * bar / 10).
        QTest::newRow("round 0.5 up")
            << u"abc"_qs << 10 << 1 << 5 << 0 << 17 << u"abc  5/10 [*....]"_qs;
        QTest::newRow("round 1.5 up")
            << u"abc"_qs << 10 << 3 << 5 << 0 << 17 << u"abc  5/10 [**...]"_qs;
        QTest::newRow("round 2.0")
            << u"abc"_qs << 10 << 4 << 5 << 0 << 17 << u"abc  5/10 [**...]"_qs;
        QTest::newRow("round 2.5 up")
            << u"abc"_qs << 10 << 5 << 5 << 0 << 17 << u"abc  5/10 [***..]"_qs;
        QTest::newRow("round 4.5 up")
            << u"abc"_qs << 10 << 9 << 5 << 0 << 17 << u"abc  5/10 [*****]"_qs;
        // Full-width characters count two bytes: 8 + 4 + 4 = 16, width 30 - 19 = 11.
        QTest::newRow("japanese") << u"コピー中"_qs << 100 << 50 << 100 << 0 << 30
                                  << u"コピー中 100/100 [******.....]"_qs;
        // Half-width katakana count one: 4 + 8 = 12, width 15.
        QTest::newRow("half-width kana")
            << u"ｺﾋﾟｰ"_qs << 100 << 50 << 100 << 0 << 30 << u"ｺﾋﾟｰ 100/100 [********.......]"_qs;
        // The range text's "～" counts two bytes: 16 in all, so width 1 -> 2, and 6.
        QTest::newRow("range bytes")
            << u"abc"_qs << 100 << 100 << 10 << 20 << 20 << u"abc (10～20)/100 [**]"_qs;
        QTest::newRow("range bytes wider")
            << u"abc"_qs << 100 << 50 << 10 << 20 << 25 << u"abc (10～20)/100 [***...]"_qs;
        QTest::newRow("large total") << u"a"_qs << 2147483647 << 2147483647 << 1 << 0 << 20
                                     << u"a          1/2147483647 [**]"_qs;
    }
    void progressText()
    {
        QFETCH(QString, text);
        QFETCH(int, total);
        QFETCH(int, bar);
        QFETCH(int, shown);
        QFETCH(int, rangeEnd);
        QFETCH(int, panel);
        QFETCH(QString, expected);
        QCOMPARE(tovane::progressText(text, total, bar, shown, rangeEnd, panel), expected);
    }

    void transferText_data()
    {
        QTest::addColumn<quint64>("files");
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<quint64>("fileDone");
        QTest::addColumn<quint64>("fileSize");
        QTest::addColumn<QString>("expected");
        const quint64 mb = 1024 * 1024;
        const quint64 gb = 1024 * mb;
        QTest::newRow("nothing yet")
            << quint64(0) << quint64(0) << quint64(0) << quint64(0) << QString();
        QTest::newRow("small file under way")
            << quint64(0) << quint64(10) << quint64(10) << quint64(100) << QString();
        QTest::newRow("files inside folders")
            << quint64(1234) << quint64(34 * mb + mb / 2) << quint64(0) << quint64(0)
            << u"  1,234 ファイル 34.5 MB 完了"_qs;
        QTest::newRow("first file large")
            << quint64(0) << quint64(gb + gb / 5) << quint64(gb + gb / 5) << quint64(3 * gb)
            << u"  1.2 GB / 3.0 GB"_qs;
        QTest::newRow("large file after others")
            << quint64(2) << quint64(gb) << quint64(gb / 2) << quint64(3 * gb)
            << u"  2 ファイル 1.0 GB 完了（512.0 MB / 3.0 GB）"_qs;
        QTest::newRow("large file by its threshold")
            << quint64(0) << quint64(0) << quint64(0) << quint64(16 * mb) << u"  0 B / 16.0 MB"_qs;
        QTest::newRow("below the threshold")
            << quint64(3) << quint64(300) << quint64(0) << quint64(16 * mb - 1)
            << u"  3 ファイル 300 B 完了"_qs;
        // A file that grew while it was copied never shows more than 100 %.
        QTest::newRow("done beyond size") << quint64(0) << quint64(0) << quint64(20 * mb)
                                          << quint64(16 * mb) << u"  16.0 MB / 16.0 MB"_qs;
    }
    void transferText()
    {
        QFETCH(quint64, files);
        QFETCH(quint64, bytes);
        QFETCH(quint64, fileDone);
        QFETCH(quint64, fileSize);
        QFETCH(QString, expected);
        QCOMPARE(tovane::transferText(TransferProgress{files, bytes, fileDone, fileSize}),
                 expected);
    }

    // The addition follows the counts and the bar; the bar gives way so the
    // whole line still fits the panel, and the addition ends with the text.
    void transferFollowsProgress()
    {
        ScriptedProgressService p;
        p.setPanelCapacity(60);
        p.setTransferInterval(0);
        p.showProgress(0, u"コピー中"_qs, ProgressService::SetText, 100, 50, 50);
        const QString plain = p.progress();
        p.showTransfer(TransferProgress{12, 1024 * 1024, 0, 0});
        const QString withTransfer = p.progress();
        QVERIFY(withTransfer.startsWith(u"コピー中  50/100 [****"_qs));
        QVERIFY(withTransfer.endsWith(u"]  12 ファイル 1.0 MB 完了"_qs));
        QCOMPARE(ansiByteLength(plain), 60);
        QCOMPARE(ansiByteLength(withTransfer), 60);
        // The next item keeps the numbers.
        p.showProgress(0, u"コピー中"_qs, ProgressService::SetText, 100, 51, 51);
        QVERIFY(p.progress().endsWith(u"12 ファイル 1.0 MB 完了"_qs));
        // The end of the run drops them; a new run starts without.
        p.showProgress(0, QString(), ProgressService::SetText);
        QCOMPARE(p.progress(), QString());
        p.showProgress(0, u"コピー中"_qs, ProgressService::SetText, 100, 50, 50);
        QCOMPARE(p.progress(), plain);
        // Without a progress text there is nothing to add to.
        p.showProgress(0, QString(), ProgressService::SetText);
        const int shown = p.progressTexts().size();
        p.showTransfer(TransferProgress{1, 1, 0, 0});
        QCOMPARE(p.progressTexts().size(), shown);
        QCOMPARE(p.progress(), QString());
    }

    // Many chunk reports within the interval change the text once; the
    // latest numbers still reach the next item's text.
    void transferThrottled()
    {
        ScriptedProgressService p;
        p.setTransferInterval(100000);
        p.showProgress(0, u"コピー中"_qs, ProgressService::SetText, 1, 0, 0);
        const int before = p.progressTexts().size();
        for (quint64 i = 1; i <= 1000; ++i)
            p.showTransfer(TransferProgress{i, i, 0, 0});
        QCOMPARE(p.progressTexts().size(), before + 1);
        QVERIFY(p.progress().endsWith(u"  1 ファイル 1 B 完了"_qs));
        p.showProgress(0, u"コピー中"_qs, ProgressService::SetText, 1, 1, 1);
        QVERIFY(p.progress().endsWith(u"  1,000 ファイル 1,000 B 完了"_qs));
    }

    void interruptedText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("done");
        QTest::addColumn<QString>("expected");
        QTest::newRow("copy") << u"コピー"_qs << 12
                              << u"コピーを中断しました（処理済み 12 項目）"_qs;
        QTest::newRow("move, none")
            << u"移動"_qs << 0 << u"移動を中断しました（処理済み 0 項目）"_qs;
        QTest::newRow("grouped") << u"削除"_qs << 12345
                                 << u"削除を中断しました（処理済み 12,345 項目）"_qs;
    }
    void interruptedText()
    {
        QFETCH(QString, name);
        QFETCH(int, done);
        QFETCH(QString, expected);
        QCOMPARE(tovane::interruptedText(name, done), expected);
    }

    void byteLength_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bytes");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("ascii") << u"abc /1"_qs << 6;
        QTest::newRow("half-width kana") << u"ｱｲｳﾟ｡"_qs << 5;
        QTest::newRow("hiragana") << u"あいう"_qs << 6;
        QTest::newRow("full-width digits") << u"１２"_qs << 4;
        QTest::newRow("wave dash") << u"～"_qs << 2;
        QTest::newRow("latin-1") << u"é"_qs << 2;
        QTest::newRow("surrogate pair") << u"😀"_qs << 2;
        QTest::newRow("mixed") << u"a漢ｶ"_qs << 4;
    }
    void byteLength()
    {
        QFETCH(QString, text);
        QFETCH(int, bytes);
        QCOMPARE(ansiByteLength(text), bytes);
    }

    void pumpThrottled()
    {
        ScriptedProgressService p;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!p.pumpEvents()); // the first call pumps
        p.pumpEvents();
        // A stalled machine may take the interval between the two calls.
        if (clock.elapsed() < ProgressService::PumpIntervalMs)
            QCOMPARE(p.pumps(), 1);
        QThread::msleep(25);
        const int before = p.pumps();
        p.pumpEvents();
        QCOMPARE(p.pumps(), before + 1);
        clock.restart();
        p.pumpEventsNow();
        QCOMPARE(p.pumps(), before + 2);
        p.pumpEvents(); // just pumped
        if (clock.elapsed() < ProgressService::PumpIntervalMs)
            QCOMPARE(p.pumps(), before + 2);
    }

    void pumpLongInterval()
    {
        ScriptedProgressService p;
        p.setPumpInterval(60000);
        for (int i = 0; i < 100; ++i)
            p.pumpEvents();
        QCOMPARE(p.pumps(), 1);
        p.pumpEventsNow();
        QCOMPARE(p.pumps(), 2);
    }

    void pumpUnthrottled()
    {
        ScriptedProgressService p;
        p.setPumpInterval(0);
        for (int i = 0; i < 5; ++i)
            p.pumpEvents();
        QCOMPARE(p.pumps(), 5);
    }

    void interruptAfterPumps_data()
    {
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("stoppedAt"); // loop iteration that saw the interrupt, -1 none
        QTest::newRow("never") << 0 << -1;
        QTest::newRow("first") << 1 << 0;
        QTest::newRow("third") << 3 << 2;
        QTest::newRow("beyond the loop") << 20 << -1;
    }
    void interruptAfterPumps()
    {
        QFETCH(int, after);
        QFETCH(int, stoppedAt);
        ScriptedProgressService p;
        p.setPumpInterval(0);
        p.interruptAfterPumps(after);
        int stopped = -1;
        for (int i = 0; i < 10; ++i) {
            if (p.pumpEvents()) {
                stopped = i;
                break;
            }
        }
        QCOMPARE(stopped, stoppedAt);
        p.clearInterrupt();
        QVERIFY(!p.pumpEvents());
    }

    void onPumpRuns()
    {
        ScriptedProgressService p;
        int runs = 0;
        p.onPump = [&] {
            if (++runs == 2)
                p.requestInterrupt(); // Esc pressed while the loop runs
        };
        p.setPumpInterval(0);
        QVERIFY(!p.pumpEvents());
        QVERIFY(p.pumpEvents());
    }

    // "+" enters, "-" leaves, "s" opens a nested BusyScope around the rest.
    void busy_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("busyAfter");
        QTest::addColumn<int>("changes");
        QTest::newRow("enter") << u"+"_qs << true << 1;
        QTest::newRow("enter leave") << u"+-"_qs << false << 2;
        QTest::newRow("enter twice leave once") << u"++-"_qs << false << 2;
        QTest::newRow("leave while idle") << u"-"_qs << false << 0;
        QTest::newRow("enter leave twice") << u"+--"_qs << false << 2;
        QTest::newRow("scope") << u"s"_qs << false << 2;
        QTest::newRow("scope inside busy keeps it") << u"+s"_qs << true << 1;
        QTest::newRow("nested scopes") << u"ss"_qs << false << 2;
    }
    void busy()
    {
        QFETCH(QString, steps);
        QFETCH(bool, busyAfter);
        QFETCH(int, changes);
        ScriptedProgressService p;
        std::function<void(qsizetype)> run = [&](qsizetype i) {
            for (; i < steps.size(); ++i) {
                if (steps[i] == u'+') {
                    p.setBusy(true, 1);
                } else if (steps[i] == u'-') {
                    p.setBusy(false, 1);
                } else {
                    BusyScope scope(p);
                    QVERIFY(p.busy());
                    run(i + 1);
                    QVERIFY(p.busy()); // an inner scope never ends the outer one
                    return;
                }
            }
        };
        run(0);
        QCOMPARE(p.busy(), busyAfter);
        QCOMPARE(p.busyChanges().size(), changes);
        for (qsizetype i = 0; i < p.busyChanges().size(); ++i)
            QCOMPARE(p.busyChanges().at(i).on, i % 2 == 0);
    }

    void enteringBusyPumpsFirst()
    {
        ScriptedProgressService p;
        bool busyDuringPump = true;
        p.onPump = [&] { busyDuringPump = p.busy(); };
        p.setBusy(true);
        QCOMPARE(p.pumps(), 1);
        QVERIFY(!busyDuringPump);
        p.setBusy(true); // entering again still lets events run
        QCOMPARE(p.pumps(), 2);
    }

    void showProgressFlags_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("pointerSet");
        QTest::addColumn<bool>("textSet");
        QTest::newRow("none") << 0 << false << false;
        QTest::newRow("pointer") << 1 << true << false;
        QTest::newRow("text") << 2 << false << true;
        QTest::newRow("both") << 3 << true << true;
    }
    void showProgressFlags()
    {
        QFETCH(int, flags);
        QFETCH(bool, pointerSet);
        QFETCH(bool, textSet);
        ScriptedProgressService p;
        p.showProgress(ProgressService::PointerBusy, u"処理中"_qs, flags, 1, 0, 1);
        QCOMPARE(p.pointers().size(), pointerSet ? 1 : 0);
        QCOMPARE(p.progressTexts().size(), textSet ? 1 : 0);
        QCOMPARE(p.progress(), textSet ? u"処理中 1/1"_qs : QString());
        if (textSet) {
            p.showProgress(0, QString(), ProgressService::SetText);
            QCOMPARE(p.progress(), QString());
            QCOMPARE(p.progressTexts().last(), QString());
        }
    }

    // The capacity is measured when a bar first shows, again after a clear.
    void capacityMeasuredOnFirstBar()
    {
        ScriptedProgressService p;
        p.setPanelCapacity(23); // "abc  1/10" is 9, width 23 - 12 = 11 -> 10
        p.showProgress(0, u"abc"_qs, 2, 10, 1, 1);
        QCOMPARE(p.progress(), u"abc  1/10 [*.........]"_qs);
        p.setPanelCapacity(16);
        p.showProgress(0, u"abc"_qs, 2, 10, 2, 2);
        QCOMPARE(p.progress(), u"abc  2/10 [**........]"_qs);
        p.showProgress(0, QString(), 2);
        p.showProgress(0, u"abc"_qs, 2, 10, 2, 2);
        QCOMPARE(p.progress(), u"abc  2/10 [*...]"_qs);
    }

    void statusTexts()
    {
        ScriptedProgressService p;
        p.setStatusText(u"一"_qs);
        p.setStatusText(u"二"_qs);
        QCOMPARE(p.statusText(), u"二"_qs);
        QCOMPARE(p.statusTexts(), (QStringList{u"一"_qs, u"二"_qs}));
    }
};

QTEST_GUILESS_MAIN(ProgressServiceTest)
#include "tst_progressservice.moc"
