// The designated selection over real folders: select all and invert around
// the trash folder, clicks and Shift ranges, the cost of one click, the
// counters (shortcuts, first name, sizes, copy targets) going up and down,
// the invalid-name notice once per selection, clear, and sorting.

#include "selectiontestenv.h"

#include "core/conventions.h"
#include "ops/copytarget.h"
#include "tree/treerules.h"

#include <QtTest>

using namespace tovane;
using namespace tovane::test;

namespace {

// The home trash of the test: XDG_DATA_HOME points into the left folder, so
// L/Trash is a real trash folder for the platform.
struct TrashInLeft {
    QByteArray saved;
    bool had;
    explicit TrashInLeft(const SelectionEnv& env) : saved(qgetenv("XDG_DATA_HOME"))
    {
        had = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", joined(env.dir, "L"));
        env.folder(LeftWindow, "Trash");
        env.folder(LeftWindow, "Trash/files");
    }
    ~TrashInLeft()
    {
        if (had)
            qputenv("XDG_DATA_HOME", saved);
        else
            qunsetenv("XDG_DATA_HOME");
    }
};

QList<int> marksOf(const FileListModel& m)
{
    QList<int> rows;
    for (int r = 0; r < m.count(); ++r)
        if (m.marked(r))
            rows << r;
    return rows;
}

} // namespace

class DesignatedSelectionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void selectAllSkipsTrash()
    {
        SelectionEnv env;
        TrashInLeft trash(env);
        QVERIFY(env.folder(LeftWindow, "docs") && env.file(LeftWindow, "a") &&
                env.file(LeftWindow, "b"));
        env.fillBoth();
        QCOMPARE(env.marks->fileSelCommand(LeftWindow, 0), 0);
        QCOMPARE(env.markedNames(LeftWindow), (QStringList{"docs", "a", "b"}));
        const SelectionCounters& c = env.marks->counters(LeftWindow);
        QCOMPARE(c.marked.items, qint64(3));
        QCOMPARE(c.marked.folders, qint64(1));
        QCOMPARE(c.marked.files, qint64(2));
        QCOMPARE(c.copyTargets.items, qint64(3));
        QVERIFY(env.marks->selectionPresent(LeftWindow));
        QCOMPARE(env.lists[0]->selectionLabel(), QStringLiteral(" 指定選択　 3 項目"));
        QCOMPARE(env.host.statuses.first(), QStringLiteral("左窓の指定選択中 "));
    }

    void invertTwice_data()
    {
        QTest::addColumn<QStringList>("initial");
        QTest::addColumn<QStringList>("once");
        QTest::addColumn<QStringList>("twice");
        QTest::newRow("nothing marked")
            << QStringList{} << QStringList{"docs", "a", "b"} << QStringList{};
        QTest::newRow("some marked")
            << QStringList{"a"} << QStringList{"docs", "b"} << QStringList{"a"};
        QTest::newRow("trash marked ends unmarked")
            << QStringList{"Trash", "b"} << QStringList{"docs", "a"} << QStringList{"b"};
    }
    void invertTwice()
    {
        QFETCH(QStringList, initial);
        QFETCH(QStringList, once);
        QFETCH(QStringList, twice);
        SelectionEnv env;
        TrashInLeft trash(env);
        QVERIFY(env.folder(LeftWindow, "docs") && env.file(LeftWindow, "a") &&
                env.file(LeftWindow, "b"));
        env.fillBoth();
        for (const QString& name : initial)
            env.lists[0]->itemClicked(env.model(LeftWindow).rowOfName(name), 0);
        QCOMPARE(env.marks->invert(LeftWindow), 0);
        QCOMPARE(env.markedNames(LeftWindow), once);
        QCOMPARE(env.marks->counters(LeftWindow).marked.items, qint64(once.size()));
        QCOMPARE(env.marks->invert(LeftWindow), 0);
        QCOMPARE(env.markedNames(LeftWindow), twice);
        QCOMPARE(env.marks->counters(LeftWindow).marked.items, qint64(twice.size()));
    }

    void invalidNameOnce_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("messages");
        QTest::newRow("messages on: once") << true << 1;
        QTest::newRow("messages off: never") << false << 0;
    }
    void invalidNameOnce()
    {
        QFETCH(bool, confirm);
        QFETCH(int, messages);
        SelectionEnv env;
        for (const QByteArray name : {"a:b", "c?d", "e<f>", "g|h", "plain", "q\"r", "s*t", "u\\v"})
            QVERIFY(env.file(LeftWindow, name) && env.file(RightWindow, name));
        env.fillBoth();
        env.host.confirm = confirm;
        QCOMPARE(env.marks->selectAll(LeftWindow), 0);
        QCOMPARE(env.messages.log().size(), messages);
        if (messages) {
            QCOMPARE(env.messages.log()[0].request.title, QStringLiteral("指定選択"));
            QCOMPARE(env.messages.log()[0].request.text,
                     DesignatedSelection::invalidNameText(env.model(LeftWindow).nameAt(0)));
        }
        QVERIFY(env.marks->state(LeftWindow).invalidNameSeen);
        QCOMPARE(env.model(LeftWindow).markedCount(), 8); // the items stay marked
        // a new selection may report again
        env.marks->clear(LeftWindow);
        env.lists[0]->itemClicked(env.model(LeftWindow).rowOfName("a:b"), 0);
        QCOMPARE(env.messages.log().size(), 2 * messages);
    }

    void invalidCharacters_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("invalid");
        for (const char* bad : {"a\\b", "a:b", "a\"b", "a/b", "a<b", "a>b", "a|b", "a*b", "a?b"})
            QTest::newRow(bad) << QString::fromLatin1(bad) << true;
        QTest::newRow("plain") << "plain.txt" << false;
        QTest::newRow("japanese") << "日本語：全角" << false;
        QTest::newRow("blank and dots") << " .a. b" << false;
    }
    void invalidCharacters()
    {
        QFETCH(QString, name);
        QFETCH(bool, invalid);
        QCOMPARE(DesignatedSelection::nameHasInvalidCharacters(name), invalid);
    }

    void oneClickOneItem_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("100 rows") << 100;
        QTest::newRow("3000 rows") << 3000;
    }
    void oneClickOneItem()
    {
        QFETCH(int, rows);
        SelectionEnv env;
        for (int i = 0; i < rows; ++i)
            QVERIFY(env.file(LeftWindow, "f" + QByteArray::number(100000 + i)));
        env.fillBoth();
        const qint64 before = env.marks->itemsProcessed();
        env.lists[0]->itemClicked(rows / 2, 0);
        QCOMPARE(env.marks->itemsProcessed() - before, qint64(1));
        env.lists[0]->itemClicked(rows / 2, 0);
        QCOMPARE(env.marks->itemsProcessed() - before, qint64(2));
        QCOMPARE(env.marks->counters(LeftWindow).marked.items, qint64(0));
        // a Shift range costs its own rows only
        env.lists[0]->itemClicked(10, 0);
        env.lists[0]->itemClicked(20, 1);
        QCOMPARE(env.marks->itemsProcessed() - before, qint64(2 + 1 + 10));
        QCOMPARE(env.marks->counters(LeftWindow).marked.items, qint64(11));
    }

    void shiftRange_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QStringList>("marked");
        QTest::addColumn<bool>("status");
        // list order: docs, Trash, a, b, c
        QTest::newRow("down over the trash") << "docs"
                                             << "b" << 1 << QStringList{"docs", "a", "b"} << true;
        QTest::newRow("up over the trash")
            << "c"
            << "docs" << 1 << QStringList{"docs", "a", "b", "c"} << true;
        QTest::newRow("Ctrl+Shift: no status") << "a"
                                               << "c" << 3 << QStringList{"a", "b", "c"} << false;
        QTest::newRow("no Shift: two single clicks") << "a"
                                                     << "c" << 0 << QStringList{"a", "c"} << false;
    }
    void shiftRange()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, modifiers);
        QFETCH(QStringList, marked);
        QFETCH(bool, status);
        SelectionEnv env;
        TrashInLeft trash(env);
        QVERIFY(env.folder(LeftWindow, "docs"));
        for (const char* n : {"a", "b", "c"})
            QVERIFY(env.file(LeftWindow, n));
        env.fillBoth();
        FileListModel& m = env.model(LeftWindow);
        env.lists[0]->itemClicked(m.rowOfName(from), 0);
        env.host.statuses.clear();
        env.lists[0]->itemClicked(m.rowOfName(to), modifiers);
        QCOMPARE(env.markedNames(LeftWindow), marked);
        QCOMPARE(env.marks->counters(LeftWindow).marked.items, qint64(marked.size()));
        QCOMPARE(env.host.statuses.contains(QStringLiteral("左窓の指定選択中 ")), status);
    }

    void countersFollowMarks_data()
    {
        QTest::addColumn<QStringList>("click"); // in order; a second click unmarks
        QTest::addColumn<qint64>("items");
        QTest::addColumn<qint64>("shortcuts");
        QTest::addColumn<QString>("firstName");
        QTest::addColumn<double>("bytes");
        QTest::addColumn<qint64>("copyTargets");
        QTest::newRow("shortcuts only") << QStringList{"a.lnk", "B.LNK"} << qint64(2) << qint64(2)
                                        << QString() << 7.0 << qint64(2);
        QTest::newRow("first name after a shortcut")
            << QStringList{"a.lnk", "text.txt"} << qint64(2) << qint64(1) << "text.txt" << 1003.0
            << qint64(2);
        QTest::newRow("folder named .lnk is no shortcut")
            << QStringList{"dir.lnk"} << qint64(1) << qint64(0) << "dir.lnk" << 0.0 << qint64(1);
        QTest::newRow("unmarked again: all back to zero")
            << QStringList{"text.txt", "clash", "text.txt", "clash"} << qint64(0) << qint64(0)
            << QString() << 0.0 << qint64(0);
        QTest::newRow("first name passes on when its item is unmarked")
            << QStringList{"text.txt", "clash", "text.txt"} << qint64(1) << qint64(0) << "clash"
            << 2.0 << qint64(0);
        QTest::newRow("clash is no copy target") << QStringList{"clash", "text.txt"} << qint64(2)
                                                 << qint64(0) << "clash" << 1002.0 << qint64(1);
    }
    void countersFollowMarks()
    {
        QFETCH(QStringList, click);
        QFETCH(qint64, items);
        QFETCH(qint64, shortcuts);
        QFETCH(QString, firstName);
        QFETCH(double, bytes);
        QFETCH(qint64, copyTargets);
        SelectionEnv env;
        QVERIFY(env.file(LeftWindow, "a.lnk", "123") && env.file(LeftWindow, "B.LNK", "4567"));
        QVERIFY(env.file(LeftWindow, "text.txt", QByteArray(1000, 't')));
        QVERIFY(env.file(LeftWindow, "clash", "cc") && env.folder(RightWindow, "clash"));
        QVERIFY(env.folder(LeftWindow, "dir.lnk"));
        env.fillBoth();
        env.host.totals = true;
        env.host.confirm = false;
        for (const QString& name : click)
            env.lists[0]->itemClicked(env.model(LeftWindow).rowOfName(name), 0);
        const SelectionCounters& c = env.marks->counters(LeftWindow);
        QCOMPARE(c.marked.items, items);
        QCOMPARE(c.shortcuts, shortcuts);
        QCOMPARE(c.firstName, firstName);
        QCOMPARE(c.marked.bytes, bytes);
        QCOMPARE(c.copyTargets.items, copyTargets);
        QCOMPARE(env.marks->selectionPresent(LeftWindow), items > 0);
    }

    void copyTargetsAgainstCaseVariants_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<qint64>("copyTargets");
        // 23 files; the destination holds folders spelled like two of them.
        QTest::newRow("select all") << "all" << qint64(21);
        QTest::newRow("shift range over the list") << "range" << qint64(21);
        QTest::newRow("other destination") << "other" << qint64(22);
    }
    void copyTargetsAgainstCaseVariants()
    {
        QFETCH(QString, how);
        QFETCH(qint64, copyTargets);
        SelectionEnv env;
        for (int i = 0; i < 20; ++i)
            QVERIFY(env.file(LeftWindow, "m" + QByteArray::number(i)));
        QVERIFY(env.file(LeftWindow, "clash1") && env.file(LeftWindow, "clash2") &&
                env.file(LeftWindow, "ok"));
        QVERIFY(env.folder(RightWindow, "CLASH1") && env.folder(RightWindow, "Clash2") &&
                env.file(RightWindow, "OK"));
        QVERIFY(env.folder(RightWindow, "alt") && env.folder(RightWindow, "alt/Ok") &&
                env.file(RightWindow, "alt/CLASH1"));
        env.fillBoth();
        env.host.confirm = false;
        FileListModel& m = env.model(LeftWindow);
        if (how == "range") {
            env.lists[0]->itemClicked(0, 0);
            env.lists[0]->itemClicked(m.count() - 1, 1);
        } else {
            QCOMPARE(env.marks->fileSelCommand(LeftWindow, 0), 0);
        }
        if (how == "other")
            env.marks->evaluateCopyTargets(LeftWindow, env.side(RightWindow) + "/alt");
        const SelectionCounters& c = env.marks->counters(LeftWindow);
        QCOMPARE(c.marked.items, qint64(23));
        QCOMPARE(c.copyTargets.items, copyTargets);
    }

    void copyTargetMessages_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("kind");
        QTest::newRow("file against folder") << "clash" << true << int(ConflictDifferentKind);
        QTest::newRow("folder holding the destination")
            << "R" << true << int(ConflictSameOrLowerFolder);
        QTest::newRow("messages off") << "clash" << false << int(ConflictNone);
        QTest::newRow("plain file") << "plain" << true << int(ConflictNone);
    }
    void copyTargetMessages()
    {
        QFETCH(QString, name);
        QFETCH(bool, confirm);
        QFETCH(int, kind);
        SelectionEnv env;
        QVERIFY(env.file(LeftWindow, "clash") && env.file(LeftWindow, "plain"));
        QVERIFY(env.folder(LeftWindow, "R") && env.folder(LeftWindow, "R/inner"));
        env.lists[0]->fill(env.side(LeftWindow));
        // the destination is L/R/inner: it lies inside the left item "R"
        env.lists[1]->fill(env.side(LeftWindow) + "/R/inner");
        QVERIFY(env.folder(LeftWindow, "R/inner/clash"));
        env.host.confirm = confirm;
        env.lists[0]->itemClicked(env.model(LeftWindow).rowOfName(name), 0);
        const QString path = env.side(LeftWindow) + "/" + name;
        if (kind == ConflictNone) {
            QCOMPARE(env.messages.log().size(), 0);
        } else {
            QCOMPARE(env.messages.texts(), QStringList{conflictMessage(path, kind)});
            QCOMPARE(env.messages.log()[0].request.title, QStringLiteral("指定選択"));
            QCOMPARE(env.marks->counters(LeftWindow).copyTargets.items, qint64(0));
        }
        QCOMPARE(env.marks->counters(LeftWindow).destinationInsideSelection, name == "R");
    }

    void clearCommand()
    {
        SelectionEnv env;
        QVERIFY(env.file(LeftWindow, "a") && env.file(LeftWindow, "b"));
        env.fillBoth();
        QCOMPARE(env.marks->selectAll(LeftWindow), 0);
        QVERIFY(!env.lists[0]->selectionLabel().isEmpty());
        env.host.currentRow[0] = 1;
        QCOMPARE(env.marks->fileSelCommand(LeftWindow, 2), 0);
        QCOMPARE(env.model(LeftWindow).markedCount(), 0);
        QVERIFY(!env.marks->selectionPresent(LeftWindow));
        QCOMPARE(env.lists[0]->selectionLabel(), QString());
        QCOMPARE(env.lists[0]->copyTargetLabel(), QString());
        QCOMPARE(env.host.currentRow[0], 0);
        QCOMPARE(env.marks->counters(LeftWindow).marked.items, qint64(0));
    }

    void commandsEndCompareSelection_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("select all") << 0;
        QTest::newRow("invert") << 1;
        QTest::newRow("clear") << 2;
    }
    void commandsEndCompareSelection()
    {
        QFETCH(int, command);
        SelectionEnv env;
        QVERIFY(env.file(LeftWindow, "a") && env.file(LeftWindow, "b"));
        env.fillBoth();
        QCOMPARE(env.compareWith(conditionsOf({BoxExistence})), 0);
        QVERIFY(env.marks->compareActive(LeftWindow));
        QCOMPARE(env.marks->fileSelCommand(LeftWindow, command), 0);
        QVERIFY(!env.marks->compareActive(LeftWindow));
        QCOMPARE(env.marks->counters(LeftWindow).marked.items,
                 qint64(env.model(LeftWindow).markedCount()));
    }

    void commandStopsOnCountMismatch()
    {
        SelectionEnv env;
        QVERIFY(env.file(LeftWindow, "a"));
        env.fillBoth();
        QVERIFY(env.file(LeftWindow, "late"));
        env.host.rebuildRefills = false;
        QVERIFY(env.marks->selectAll(LeftWindow) > 0);
        QCOMPARE(env.host.rebuilds[0], 1);
        QCOMPARE(env.model(LeftWindow).markedCount(), 0);
        QCOMPARE(env.messages.log().size(), 1);
        QCOMPARE(env.messages.log()[0].request.title, QStringLiteral("項目数比較"));
    }

    void sortKeepsBookkeeping()
    {
        SelectionEnv env;
        for (const char* n : {"a", "b", "c", "d"})
            QVERIFY(env.file(LeftWindow, n));
        env.fillBoth();
        FileListModel& m = env.model(LeftWindow);
        env.lists[0]->itemClicked(m.rowOfName("a"), 0);
        env.lists[0]->columnClicked(0); // name descending: "a" moves to the end
        env.marks->listSorted(LeftWindow);
        QCOMPARE(marksOf(m), QList<int>{3});
        // clicking the row now at the top marks "d"; "a" keeps its mark
        const qint64 before = env.marks->itemsProcessed();
        env.lists[0]->itemClicked(0, 0);
        QCOMPARE(env.marks->itemsProcessed() - before, qint64(1));
        QCOMPARE(env.markedNames(LeftWindow), (QStringList{"d", "a"}));
        QCOMPARE(env.marks->counters(LeftWindow).marked.items, qint64(2));
    }

    // The drive list has drive rows but no item rows: nothing of it is marked
    // or counted, whichever event reaches the bookkeeping.
    void driveListHasNoMarks_data()
    {
        QTest::addColumn<QString>("event");
        QTest::newRow("sorted") << "sorted";
        QTest::newRow("compare mark counted") << "counted";
        QTest::newRow("clicked") << "clicked";
    }
    void driveListHasNoMarks()
    {
        QFETCH(QString, event);
        SelectionEnv env;
        FakeVolumeSource::Volume stick;
        stick.mountPoint = QStringLiteral("/media/stick");
        env.volumes.addVolume(stick);
        QVERIFY(env.file(LeftWindow, "a"));
        env.lists[0]->fill(env.side(LeftWindow));
        env.lists[0]->fill(ComputerKey);
        const FileListModel& m = env.model(LeftWindow);
        QVERIFY(m.layout() == ListLayout::Drives);
        QVERIFY(m.count() >= 2);
        if (event == QLatin1String("sorted"))
            env.marks->listSorted(LeftWindow);
        else if (event == QLatin1String("counted"))
            env.marks->countMark(LeftWindow, 1, true, 10);
        else
            env.marks->markClicked(LeftWindow, 1, 0);
        QCOMPARE(m.markedCount(), 0);
        const SelectionCounters& c = env.marks->counters(LeftWindow);
        QCOMPARE(c.marked.items, qint64(0));
        QCOMPARE(c.lastMarked, -1);
        QCOMPARE(c.lastCopyTarget, -1);
    }

    void rememberedItemsRefound()
    {
        SelectionEnv env;
        for (const char* n : {"b", "c"})
            QVERIFY(env.file(LeftWindow, n));
        env.fillBoth();
        env.lists[0]->itemClicked(env.model(LeftWindow).rowOfName("c"), 0);
        env.marks->rememberItem(LeftWindow, 4, env.model(LeftWindow).rowOfName("b"));
        QVERIFY(env.file(LeftWindow, "a"));
        env.lists[0]->refill(); // "a" comes first now
        QCOMPARE(env.marks->rememberedRow(LeftWindow, 0), 2);
        QCOMPARE(env.marks->rememberedRow(LeftWindow, 4), 1);
        QCOMPARE(env.model(LeftWindow).markedCount(), 0);
        QCOMPARE(env.marks->counters(LeftWindow).marked.items, qint64(0));
        env.marks->rememberItems(LeftWindow, RememberClearRows | RememberUpperSlots);
        QCOMPARE(env.marks->rememberedRow(LeftWindow, 0), 2);
        QCOMPARE(env.marks->rememberedRow(LeftWindow, 4), -1);
    }
};

QTEST_GUILESS_MAIN(DesignatedSelectionTest)
#include "tst_designatedselection.moc"
