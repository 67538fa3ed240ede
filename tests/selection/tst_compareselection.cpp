// The compare selection over real folders: the 3-second rule, every
// condition, one level against all levels, clashes of folder and file,
// hidden counterparts, both windows, the item-count cross-check with its
// retry limit, cancelling, re-runs after a refill and the copy-target rules.

#include "selectiontestenv.h"

#include "core/conventions.h"
#include "ops/copytarget.h"
#include "platform/filesystem.h"
#include "platform/system.h"
#include "tree/treerules.h"

#include <QtTest>

using namespace tovane;
using namespace tovane::test;

class CompareSelectionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("TZ", "Asia/Tokyo"); }

    void timeRule_data()
    {
        QTest::addColumn<qint64>("leftSeconds"); // relative to the right file
        QTest::addColumn<long>("leftNanos");
        QTest::addColumn<int>("detail");
        QTest::addColumn<bool>("marked");
        QTest::newRow("3 s newer, 新しい") << qint64(3) << 0L << 0 << false;
        QTest::newRow("4 s newer, 新しい") << qint64(4) << 0L << 0 << true;
        QTest::newRow("4 s newer, 古い") << qint64(4) << 0L << 1 << false;
        QTest::newRow("3 s older, 古い") << qint64(-3) << 0L << 1 << false;
        QTest::newRow("4 s older, 古い") << qint64(-4) << 0L << 1 << true;
        QTest::newRow("4 s older, 新しい") << qint64(-4) << 0L << 0 << false;
        QTest::newRow("3 s, 差がある") << qint64(3) << 0L << 2 << false;
        QTest::newRow("-3 s, 差がある") << qint64(-3) << 0L << 2 << false;
        QTest::newRow("4 s, 差がある") << qint64(4) << 0L << 2 << true;
        QTest::newRow("-4 s, 差がある") << qint64(-4) << 0L << 2 << true;
        QTest::newRow("3.9 s counts as 3") << qint64(3) << 900000000L << 0 << false;
        QTest::newRow("5 s newer") << qint64(5) << 0L << 0 << true;
        QTest::newRow("same second") << qint64(0) << 500000000L << 2 << false;
    }
    void timeRule()
    {
        QFETCH(qint64, leftSeconds);
        QFETCH(long, leftNanos);
        QFETCH(int, detail);
        QFETCH(bool, marked);
        SelectionEnv env;
        const qint64 base = 1600000000;
        QVERIFY(env.file(RightWindow, "f.txt", "same", base));
        QVERIFY(env.file(LeftWindow, "f.txt", "same", base + leftSeconds));
        platform::FileTimes t;
        t.write = (base + leftSeconds) * 1000000000 + leftNanos;
        QCOMPARE(platform::setTimes(pathOf(env.dir, "L/f.txt"), t, platform::TimeWrite), 0);
        env.fillBoth();
        QCOMPARE(env.compareWith(conditionsOf({BoxDate}, detail)), 0);
        QCOMPARE(env.markedNames(LeftWindow), marked ? QStringList{"f.txt"} : QStringList{});
    }

    void conditions_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QList<int>>("boxes");
        QTest::addColumn<int>("sizeDetail");
        QTest::addColumn<QStringList>("marked");
        const QStringList f{"f"};
        QTest::newRow("archive bit on one side, 属性")
            << "archive" << QList<int>{BoxAttributes} << 2 << f;
        QTest::newRow("archive bit, date and size only")
            << "archive" << QList<int>{BoxDate, BoxSize} << 2 << QStringList{};
        QTest::newRow("README.TXT vs readme.txt, case")
            << "case" << QList<int>{BoxLetterCase} << 2 << QStringList{"README.TXT"};
        QTest::newRow("README.TXT vs readme.txt, no case")
            << "case" << QList<int>{BoxExistence, BoxDate, BoxSize, BoxAttributes} << 2
            << QStringList{};
        QTest::newRow("larger, 大きい") << "larger" << QList<int>{BoxSize} << 0 << f;
        QTest::newRow("larger, 小さい") << "larger" << QList<int>{BoxSize} << 1 << QStringList{};
        QTest::newRow("larger, 差がある") << "larger" << QList<int>{BoxSize} << 2 << f;
        QTest::newRow("smaller, 小さい") << "smaller" << QList<int>{BoxSize} << 1 << f;
        QTest::newRow("smaller, 大きい") << "smaller" << QList<int>{BoxSize} << 0 << QStringList{};
        QTest::newRow("missing, 存在") << "missing" << QList<int>{BoxExistence} << 2 << f;
        QTest::newRow("missing, no 存在")
            << "missing" << QList<int>{BoxDate, BoxSize, BoxAttributes, BoxLetterCase} << 2
            << QStringList{};
        QTest::newRow("nothing on: only folder/file pairs")
            << "mixed" << QList<int>{} << 2 << QStringList{"x"};
        QTest::newRow("everything on: all but the equal pair")
            << "mixed" << QList<int>{BoxExistence, BoxDate, BoxSize, BoxAttributes, BoxLetterCase}
            << 2 << QStringList{"x", "d", "m"};
    }
    void conditions()
    {
        QFETCH(QString, scenario);
        QFETCH(QList<int>, boxes);
        QFETCH(int, sizeDetail);
        QFETCH(QStringList, marked);
        SelectionEnv env;
        if (scenario == "archive") {
            QVERIFY(env.file(LeftWindow, "f") && env.file(RightWindow, "f"));
            if (platform::setAttributes(pathOf(env.dir, "L/f"), AttrArchive) != 0 ||
                platform::setAttributes(pathOf(env.dir, "R/f"), 0) != 0)
                QSKIP("no attribute store on this file system");
        } else if (scenario == "case") {
            QVERIFY(env.file(LeftWindow, "README.TXT") && env.file(RightWindow, "readme.txt"));
        } else if (scenario == "larger" || scenario == "smaller") {
            const bool larger = scenario == "larger";
            QVERIFY(env.file(LeftWindow, "f", larger ? "xx" : "x"));
            QVERIFY(env.file(RightWindow, "f", larger ? "x" : "xx"));
        } else if (scenario == "missing") {
            QVERIFY(env.file(LeftWindow, "f"));
        } else if (scenario == "mixed") {
            QVERIFY(env.folder(LeftWindow, "x") && env.file(RightWindow, "x"));
            QVERIFY(env.file(LeftWindow, "d", "1", 1600000100) && env.file(RightWindow, "d", "22"));
            QVERIFY(env.file(LeftWindow, "m"));
            QVERIFY(env.file(LeftWindow, "e") && env.file(RightWindow, "e"));
        }
        env.fillBoth();
        CompareConditions c;
        for (int b : boxes)
            c.setBox(b, true);
        c.sizeDetail = sizeDetail;
        QCOMPARE(env.compareWith(c), 0);
        QStringList got = env.markedNames(LeftWindow);
        got.sort();
        marked.sort();
        QCOMPARE(got, marked);
        QCOMPARE(env.marks->counters(LeftWindow).marked.items, qint64(marked.size()));
        QVERIFY(env.marks->compareActive(LeftWindow));
        QVERIFY(!env.marks->compareActive(RightWindow));
    }

    void levels_data()
    {
        QTest::addColumn<bool>("allLevels");
        QTest::addColumn<QString>("difference");
        QTest::addColumn<bool>("folderAttributes");
        QTest::addColumn<bool>("marked");
        QTest::newRow("deep size, all levels") << true << "deep" << true << true;
        QTest::newRow("deep size, one level") << false << "deep" << true << false;
        QTest::newRow("deep missing file, all levels") << true << "missing" << true << true;
        QTest::newRow("identical, all levels") << true << "none" << true << false;
        QTest::newRow("deep folder/file clash, all levels") << true << "clash" << true << true;
        QTest::newRow("folder name case, one level") << false << "case" << true << true;
        QTest::newRow("folder archive bit, one level, capability")
            << false << "attr" << true << true;
        QTest::newRow("folder archive bit, one level, no capability")
            << false << "attr" << false << false;
    }
    void levels()
    {
        QFETCH(bool, allLevels);
        QFETCH(QString, difference);
        QFETCH(bool, folderAttributes);
        QFETCH(bool, marked);
        SelectionEnv env;
        const QByteArray right = difference == "case" ? "Top" : "top";
        for (WindowIndex w : {LeftWindow, RightWindow}) {
            const QByteArray top = w == LeftWindow ? QByteArray("top") : right;
            QVERIFY(env.folder(w, top) && env.folder(w, top + "/a") && env.folder(w, top + "/a/b"));
            QVERIFY(env.file(w, top + "/a/b/same"));
            QVERIFY(env.file(w, top + "/near"));
        }
        if (difference == "deep")
            QVERIFY(env.file(LeftWindow, "top/a/b/same", "longer"));
        else if (difference == "missing")
            QVERIFY(env.file(LeftWindow, "top/a/b/extra"));
        else if (difference == "clash")
            QVERIFY(env.folder(LeftWindow, "top/a/b/kind") &&
                    env.file(RightWindow, "top/a/b/kind"));
        else if (difference == "attr" &&
                 platform::setAttributes(pathOf(env.dir, "L/top"), AttrArchive) != 0)
            QSKIP("no attribute store on this file system");
        env.fillBoth();
        env.host.levels = {allLevels, false};
        env.host.folderAttributes = folderAttributes;
        QCOMPARE(env.compareWith(conditionsOf(
                     {BoxExistence, BoxDate, BoxSize, BoxAttributes, BoxLetterCase}, 2, 2)),
                 0);
        QCOMPARE(env.markedNames(LeftWindow), marked ? QStringList{"top"} : QStringList{});
        if (marked)
            QCOMPARE(env.copyTargetNames(LeftWindow), QStringList{"top"});
    }

    void folderAgainstFile_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<bool>("leftIsFolder");
        QTest::newRow("folder vs file, messages on") << true << true;
        QTest::newRow("file vs folder, messages on") << true << false;
        QTest::newRow("folder vs file, messages off") << false << true;
    }
    void folderAgainstFile()
    {
        QFETCH(bool, confirm);
        QFETCH(bool, leftIsFolder);
        SelectionEnv env;
        const WindowIndex folderSide = leftIsFolder ? LeftWindow : RightWindow;
        QVERIFY(env.folder(folderSide, "same") && env.file(oppositeOf(folderSide), "same"));
        env.fillBoth();
        env.host.confirm = confirm;
        QCOMPARE(env.compareWith(conditionsOf({})), 0);
        QCOMPARE(env.markedNames(LeftWindow), QStringList{"same"});
        QCOMPARE(env.copyTargetNames(LeftWindow), QStringList{});
        QCOMPARE(env.marks->counters(LeftWindow).copyTargets.items, qint64(0));
        if (confirm) {
            QCOMPARE(env.messages.log().size(), 1);
            QCOMPARE(env.messages.log()[0].request.title, QStringLiteral("比較"));
            QCOMPARE(env.messages.log()[0].request.text,
                     conflictMessage(env.side(LeftWindow) + "/same", ConflictDifferentKind));
        } else {
            QCOMPARE(env.messages.log().size(), 0);
        }
    }

    void hiddenCounterpart_data()
    {
        QTest::addColumn<bool>("hideReadOnly");
        QTest::addColumn<bool>("marked");
        QTest::newRow("read-only hidden: counts as missing") << true << true;
        QTest::newRow("read-only shown: equal") << false << false;
    }
    void hiddenCounterpart()
    {
        QFETCH(bool, hideReadOnly);
        QFETCH(bool, marked);
        SelectionEnv env;
        QVERIFY(env.file(LeftWindow, "f") && env.file(RightWindow, "f"));
        QVERIFY(::chmod(env.sideBytes(RightWindow, "f").constData(), 0444) == 0);
        env.settings.setSwitch(FlagHideReadOnly, hideReadOnly);
        env.fillBoth();
        QCOMPARE(env.compareWith(conditionsOf({BoxExistence, BoxDate}, 2)), 0);
        QCOMPARE(env.markedNames(LeftWindow), marked ? QStringList{"f"} : QStringList{});
    }

    void bothWindows_data()
    {
        QTest::addColumn<WindowIndex>("selected");
        QTest::newRow("left selected") << LeftWindow;
        QTest::newRow("right selected") << RightWindow;
    }
    void bothWindows()
    {
        QFETCH(WindowIndex, selected);
        SelectionEnv env;
        QVERIFY(env.file(LeftWindow, "only-left") && env.file(RightWindow, "only-right"));
        QVERIFY(env.file(LeftWindow, "both") && env.file(RightWindow, "both"));
        env.fillBoth();
        env.host.both = true;
        env.host.selected = selected;
        QCOMPARE(env.compareWith(conditionsOf({BoxExistence, BoxDate})), 0);
        QCOMPARE(env.markedNames(LeftWindow), QStringList{"only-left"});
        QCOMPARE(env.markedNames(RightWindow), QStringList{"only-right"});
        QVERIFY(env.marks->compareActive(LeftWindow) && env.marks->compareActive(RightWindow));
        QCOMPARE(env.lists[0]->selectionLabel(),
                 QStringLiteral(" 比較選択　 1 項目( 0 ﾌｫﾙﾀﾞ, 1 ﾌｧｲﾙ)"));
        QCOMPARE(env.lists[1]->copyTargetLabel(),
                 QStringLiteral(" コピー対象 1 項目( 0 ﾌｫﾙﾀﾞ, 1 ﾌｧｲﾙ)"));
    }

    void oneLookupPerItem_data()
    {
        QTest::addColumn<bool>("allLevels");
        QTest::addColumn<qint64>("lookups");
        QTest::newRow("one level: one per list item") << false << qint64(4);
        QTest::newRow("all levels: plus one per entry below") << true << qint64(4 + 3);
    }
    void oneLookupPerItem()
    {
        QFETCH(bool, allLevels);
        QFETCH(qint64, lookups);
        SelectionEnv env;
        for (WindowIndex w : {LeftWindow, RightWindow}) {
            QVERIFY(env.folder(w, "sub") && env.file(w, "sub/1") && env.file(w, "sub/2"));
            QVERIFY(env.folder(w, "sub/3"));
            QVERIFY(env.file(w, "a") && env.file(w, "b"));
        }
        QVERIFY(env.file(LeftWindow, "c"));
        env.fillBoth();
        env.host.levels = {allLevels, allLevels};
        const qint64 before = env.compare->lookups();
        QCOMPARE(env.compareWith(conditionsOf({BoxExistence, BoxDate})), 0);
        QCOMPARE(env.compare->lookups() - before, lookups);
        QCOMPARE(env.markedNames(LeftWindow), QStringList{"c"});
    }

    void caseVariantsAmongMissing_data()
    {
        QTest::addColumn<bool>("allLevels");
        QTest::addColumn<bool>("letterCase");
        QTest::addColumn<QStringList>("marked");
        QStringList missing;
        for (int i = 0; i < 40; ++i)
            missing << "gone" + QString::number(i);
        // "Twice" has two case variants there: neither is its counterpart.
        QTest::newRow("one level, case ignored")
            << false << false << (QStringList(missing) << "Twice");
        QTest::newRow("one level, case compared") << false << true
                                                  << (QStringList(missing) << "Keep"
                                                                           << "Twice");
        QTest::newRow("all levels, case ignored")
            << true << false << (QStringList(missing) << "Twice");
        QTest::newRow("all levels, case compared") << true << true
                                                   << (QStringList(missing) << "Keep"
                                                                            << "Twice"
                                                                            << "sub");
    }
    void caseVariantsAmongMissing()
    {
        // Most names miss on the other side; the few that differ only in
        // letter case must still be found as counterparts.
        QFETCH(bool, allLevels);
        QFETCH(bool, letterCase);
        QFETCH(QStringList, marked);
        SelectionEnv env;
        for (int i = 0; i < 40; ++i)
            QVERIFY(env.file(LeftWindow, "gone" + QByteArray::number(i)));
        QVERIFY(env.file(LeftWindow, "Keep") && env.file(RightWindow, "keep"));
        QVERIFY(env.file(LeftWindow, "Twice") && env.file(RightWindow, "TWICE") &&
                env.file(RightWindow, "twice"));
        QVERIFY(env.file(LeftWindow, "same") && env.file(RightWindow, "same"));
        QVERIFY(env.folder(LeftWindow, "sub") && env.folder(RightWindow, "sub"));
        for (int i = 0; i < 20; ++i) {
            const QByteArray name = "sub/n" + QByteArray::number(i);
            QVERIFY(env.file(LeftWindow, name) && env.file(RightWindow, name));
        }
        QVERIFY(env.file(LeftWindow, "sub/Inner") && env.file(RightWindow, "sub/INNER"));
        env.fillBoth();
        env.host.levels = {allLevels, false};
        QList<int> boxes{BoxExistence, BoxDate, BoxSize};
        if (letterCase)
            boxes << BoxLetterCase;
        CompareConditions c;
        for (int b : boxes)
            c.setBox(b, true);
        c.sizeDetail = 2;
        QCOMPARE(env.compareWith(c), 0);
        QStringList got = env.markedNames(LeftWindow);
        got.sort();
        marked.sort();
        QCOMPARE(got, marked);
    }

    void crossCheck_data()
    {
        QTest::addColumn<bool>("rebuildRepairs");
        QTest::addColumn<bool>("bothSides");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("rebuilds");
        QTest::addColumn<QStringList>("texts");
        const QString first = QStringLiteral(
            "の窓の リストに表示されている項目数と\r\n\r\n           リスト表示パス内の項目数とが"
            "\r\n\r\n異なるので ツリーやリストを再表示します。");
        const QString last = QStringLiteral(
            "の窓の リストに表示されている項目数と\r\n\r\n           リスト表示パス内の項目数との"
            "\r\n\r\n差異は修正できず\r\n\r\nデータが壊れている可能性があるのでキャンセルします。");
        QTest::newRow("repaired by one rebuild")
            << true << false << 0 << 1 << QStringList{"左側" + first};
        QTest::newRow("never repaired: two rounds, then cancelled")
            << false << false << int(ResultCancelled) << 2
            << QStringList{"左側" + first, "左側" + first, "左側" + last};
        QTest::newRow("both windows disagree")
            << true << true << 0 << 1 << QStringList{"左右" + first};
    }
    void crossCheck()
    {
        QFETCH(bool, rebuildRepairs);
        QFETCH(bool, bothSides);
        QFETCH(int, result);
        QFETCH(int, rebuilds);
        QFETCH(QStringList, texts);
        SelectionEnv env;
        QVERIFY(env.file(LeftWindow, "a") && env.file(RightWindow, "a"));
        env.fillBoth();
        QVERIFY(env.file(LeftWindow, "late"));
        if (bothSides)
            QVERIFY(env.folder(RightWindow, "late-folder"));
        env.host.rebuildRefills = rebuildRepairs;
        QCOMPARE(env.compareWith(conditionsOf({BoxExistence, BoxDate})), result);
        QCOMPARE(env.host.rebuilds[0], rebuilds);
        QCOMPARE(env.messages.texts(), texts);
        for (const auto& shown : env.messages.log())
            QCOMPARE(shown.request.title, QStringLiteral("項目数比較"));
        if (result == 0)
            QCOMPARE(env.markedNames(LeftWindow), QStringList{"late"});
        else
            QCOMPARE(env.markedNames(LeftWindow), QStringList{});
    }

    // A folder untouched since its list was filled needs no count; one
    // changed behind the list's back, or a list changed by an operation,
    // is counted again.
    void crossCheckCountsOnlyWhatMayHaveChanged()
    {
        SelectionEnv env;
        QVERIFY(env.file(LeftWindow, "a") && env.file(RightWindow, "a"));
        QVERIFY(env.file(LeftWindow, "b"));
        platform::FolderStamp probe;
        QCOMPARE(platform::folderStamp(env.side(LeftWindow), probe, 0), 0);
        if (!probe.trusted)
            QSKIP("the times of this file system are not trusted");
        QTest::qWait(int(platform::FolderSettleNanos / 1000000) + 100);
        env.fillBoth();
        const auto run = [&env]() {
            const qint64 before = env.marks->foldersCounted();
            env.compareWith(conditionsOf({BoxExistence, BoxDate}));
            return env.marks->foldersCounted() - before;
        };

        QCOMPARE(run(), qint64(0));
        QCOMPARE(env.markedNames(LeftWindow), QStringList{"b"});

        // An operation wrote a row of the left list.
        ItemRecord record;
        QCOMPARE(platform::statPath(env.side(LeftWindow) + "/a", record), 0);
        QVERIFY(env.lists[0]->addOrUpdateItem("a", record));
        QCOMPARE(run(), qint64(1));
        // The count agreed: the left folder is trusted again.
        QCOMPARE(run(), qint64(0));

        // A file appears on the right behind the list's back.
        QVERIFY(env.file(RightWindow, "b"));
        QVERIFY(env.messages.texts().isEmpty());
        QVERIFY(run() >= 1);
        QCOMPARE(env.host.rebuilds[1], 1);
        QCOMPARE(env.messages.texts().size(), 1);
        QVERIFY(env.messages.texts().first().startsWith(QStringLiteral("右側の窓の")));
        QCOMPARE(env.markedNames(LeftWindow), QStringList{});
    }

    void crossCheckCode_data()
    {
        QTest::addColumn<QByteArray>("leftExtra");
        QTest::addColumn<QByteArray>("rightExtra");
        QTest::addColumn<int>("code");
        QTest::newRow("left file") << QByteArray("F") << QByteArray() << 1;
        QTest::newRow("left folder") << QByteArray("D") << QByteArray() << 4;
        QTest::newRow("right file") << QByteArray() << QByteArray("F") << 2;
        QTest::newRow("right folder and file") << QByteArray() << QByteArray("DF") << 10;
        QTest::newRow("everything") << QByteArray("DF") << QByteArray("DF") << 15;
        QTest::newRow("agree") << QByteArray() << QByteArray() << 0;
    }
    void crossCheckCode()
    {
        QFETCH(QByteArray, leftExtra);
        QFETCH(QByteArray, rightExtra);
        QFETCH(int, code);
        SelectionEnv env;
        env.fillBoth();
        for (WindowIndex w : {LeftWindow, RightWindow}) {
            const QByteArray extra = w == LeftWindow ? leftExtra : rightExtra;
            if (extra.contains('F'))
                QVERIFY(env.file(w, "new-file"));
            if (extra.contains('D'))
                QVERIFY(env.folder(w, "new-folder"));
        }
        QCOMPARE(env.marks->crossCheckItemCounts(LeftWindow, true), code);
    }

    void cancel_data()
    {
        QTest::addColumn<bool>("both");
        QTest::newRow("first pass") << false;
        QTest::newRow("second pass of both windows") << true;
    }
    void cancel()
    {
        QFETCH(bool, both);
        SelectionEnv env;
        for (int i = 0; i < 6; ++i) {
            QVERIFY(env.file(LeftWindow, "l" + QByteArray::number(i)));
            QVERIFY(env.file(RightWindow, "r" + QByteArray::number(i)));
        }
        env.fillBoth();
        env.host.both = both;
        int firstPassMarks = -1;
        // Esc once the pass of interest has marked two items.
        env.progress.onPump = [&] {
            const WindowIndex w = both ? RightWindow : LeftWindow;
            if (!env.progress.interruptRequested() && env.model(w).markedCount() >= 2) {
                firstPassMarks = env.model(LeftWindow).markedCount();
                env.progress.requestInterrupt();
            }
        };
        QCOMPARE(env.compareWith(conditionsOf({BoxExistence})), int(ResultCancelled));
        QCOMPARE(firstPassMarks, both ? 6 : 2);
        QCOMPARE(env.model(LeftWindow).markedCount(), 0);
        QCOMPARE(env.model(RightWindow).markedCount(), 0);
        QCOMPARE(env.marks->counters(LeftWindow).marked.items, qint64(0));
        QCOMPARE(env.marks->counters(RightWindow).marked.items, qint64(0));
        QVERIFY(!env.marks->compareActive(LeftWindow));
        QCOMPARE(env.lists[0]->selectionLabel(), QString());
        QCOMPARE(env.lists[1]->copyTargetLabel(), QString());
    }

    void rerunAfterRefill_data()
    {
        QTest::addColumn<bool>("clickFirst");
        QTest::addColumn<QStringList>("marked");
        QTest::newRow("compare selection renewed") << false << QStringList{"a", "b"};
        QTest::newRow("a click ended it: nothing renewed") << true << QStringList{};
    }
    void rerunAfterRefill()
    {
        QFETCH(bool, clickFirst);
        QFETCH(QStringList, marked);
        SelectionEnv env;
        QVERIFY(env.file(LeftWindow, "a"));
        env.fillBoth();
        QCOMPARE(env.compareWith(conditionsOf({BoxExistence})), 0);
        QCOMPARE(env.markedNames(LeftWindow), QStringList{"a"});
        if (clickFirst) {
            env.lists[0]->itemClicked(0, 0); // unmarks "a"
            QVERIFY(!env.marks->compareActive(LeftWindow));
        }
        QVERIFY(env.file(LeftWindow, "b"));
        env.lists[0]->refill();
        QCOMPARE(env.markedNames(LeftWindow), marked);
        QCOMPARE(env.marks->compareActive(LeftWindow), !clickFirst);
    }

    void destinationInsideItem()
    {
        SelectionEnv env;
        QVERIFY(env.folder(LeftWindow, "sub") && env.file(LeftWindow, "plain"));
        env.lists[0]->fill(env.side(LeftWindow));
        env.lists[1]->fill(env.side(LeftWindow) + "/sub");
        QCOMPARE(env.compareWith(conditionsOf({BoxExistence})), 0);
        QCOMPARE(env.markedNames(LeftWindow), (QStringList{"sub", "plain"}));
        QCOMPARE(env.copyTargetNames(LeftWindow), QStringList{"plain"});
        QCOMPARE(env.messages.texts(), QStringList{conflictMessage(env.side(LeftWindow) + "/sub",
                                                                   ConflictSameOrLowerFolder)});
    }

    void ownExecutableNeverTarget()
    {
        SelectionEnv env;
        const QString exe = platform::executablePath();
        const QString name = exe.mid(exe.lastIndexOf(u'/') + 1);
        QVERIFY(env.file(LeftWindow, platform::nameToBytes(name), "tiny", 2000000000));
        env.lists[0]->fill(env.side(LeftWindow));
        env.lists[1]->fill(exe.left(exe.lastIndexOf(u'/')));
        QCOMPARE(env.compareWith(conditionsOf({BoxDate, BoxSize}, 2, 2)), 0);
        QCOMPARE(env.markedNames(LeftWindow), QStringList{name});
        QCOMPARE(env.copyTargetNames(LeftWindow), QStringList{});
        QCOMPARE(
            env.messages.texts(),
            QStringList{conflictMessage(env.side(LeftWindow) + "/" + name, ConflictProgramItself)});
    }

    void nothingComparedWithoutFolder_data()
    {
        QTest::addColumn<QString>("opposite");
        QTest::newRow("opposite shows the drives") << "drives";
        QTest::newRow("opposite has no path") << "none";
    }
    void nothingComparedWithoutFolder()
    {
        QFETCH(QString, opposite);
        SelectionEnv env;
        QVERIFY(env.file(LeftWindow, "a"));
        env.lists[0]->fill(env.side(LeftWindow));
        if (opposite == "drives")
            env.lists[1]->fill(ComputerKey);
        env.host.two = opposite != "none";
        QCOMPARE(env.compareWith(conditionsOf({BoxExistence})), 0);
        QCOMPARE(env.markedNames(LeftWindow), QStringList{});
        QCOMPARE(env.compare->lookups(), qint64(0));
    }

    void vanishedOppositePathStops()
    {
        SelectionEnv env;
        QVERIFY(env.file(LeftWindow, "a"));
        env.fillBoth();
        env.host.checkCode = 76;
        const qsizetype busyBefore = env.progress.busyChanges().size();
        QCOMPARE(env.compareWith(conditionsOf({BoxExistence})), 76);
        QCOMPARE(env.markedNames(LeftWindow), QStringList{});
        QVERIFY(!env.marks->compareActive(LeftWindow));
        QCOMPARE(env.progress.busyChanges().size(), busyBefore);
    }

    void sizeTotals()
    {
        SelectionEnv env;
        QVERIFY(env.file(LeftWindow, "big", QByteArray(3000, 'b')));
        QVERIFY(env.file(LeftWindow, "small", "12345"));
        QVERIFY(env.folder(LeftWindow, "x") && env.file(RightWindow, "x"));
        env.fillBoth();
        env.host.totals = true;
        QCOMPARE(env.compareWith(conditionsOf({BoxExistence})), 0);
        QCOMPARE(env.marks->counters(LeftWindow).marked.bytes, 3005.0);
        QCOMPARE(env.marks->counters(LeftWindow).copyTargets.bytes, 3005.0);
        QCOMPARE(env.marks->counters(LeftWindow).copyTargets.items, qint64(2));
        // the last marked row becomes the current item
        QCOMPARE(env.host.currentRow[0], env.model(LeftWindow).rowOfName("small"));
    }
};

QTEST_GUILESS_MAIN(CompareSelectionTest)
#include "tst_compareselection.moc"
