#include "app/browsing.h"
#include "app/mainwindow.h"
#include "app/selecting.h"
#include "app/watching.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "platform/filesystem.h"
#include "selection/widgets/comparepanel.h"
#include "support/tempdir.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTreeView>
#include <QtTest>

#include <unistd.h>

using namespace tovane;
using tovane::test::joined;
using tovane::test::TempDir;

namespace {

// Generous: the events come at once, the event loop only has to pass by.
constexpr int EventWaitMs = 10000;

// Left folder l with sub/, a.txt, b.txt, c.txt; right folder r with a.txt.
struct Started {
    explicit Started(TempDir& dir, const char* left = "l")
        : window(dir.filePath(QStringLiteral("cfg")))
    {
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
        const QByteArray settings = "[Tovane]\r\n[Position]\r\nPath=_," +
                                    dir.filePath(QString::fromUtf8(left)).toUtf8() + ",_," +
                                    dir.filePath(QStringLiteral("r")).toUtf8() + ",\r\n";
        writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        window.setMessageService(&messages);
        messages.setDefaultAnswer(AnswerYes);
        window.startUp();
        window.activateWindowIndex(LeftWindow, 0);
    }
    FileList& list(WindowIndex w = LeftWindow) { return window.browsing()->list(w); }
    ListWatch& watch(WindowIndex w = LeftWindow) { return window.watching()->watch(w); }
    int rowOf(const QString& name, WindowIndex w = LeftWindow)
    {
        return list(w).model()->rowOfName(name);
    }
    QStringList names(WindowIndex w = LeftWindow)
    {
        QStringList out;
        for (int row = 0; row < list(w).model()->count(); ++row)
            out << list(w).model()->nameAt(row);
        return out;
    }
    QStringList markedNames(WindowIndex w = LeftWindow)
    {
        QStringList out;
        for (int row = 0; row < list(w).model()->count(); ++row)
            if (list(w).model()->marked(row))
                out << list(w).model()->nameAt(row);
        return out;
    }
    void mark(const QString& name)
    {
        const int row = rowOf(name);
        QVERIFY(row >= 0);
        list().itemClicked(row, 0);
    }
    void trigger(const char* control, int index)
    {
        QAction* a = window.menus().action(control, index);
        QVERIFY2(a && a->isEnabled(), control);
        a->trigger();
    }
    // The change reached the watch and waits for its quiet period.
    bool changeSeen(WindowIndex w = LeftWindow)
    {
        return QTest::qWaitFor([&] { return watch(w).pending(); }, EventWaitMs);
    }
    qint64 markedCount(WindowIndex w = LeftWindow)
    {
        return window.selecting()->marks().counters(w).marked.items;
    }
    MainWindow window;
    ScriptedMessageService messages;
};

void prepare(TempDir& dir)
{
    for (const char* f : {"cfg", "data", "l", "l/sub", "r"})
        QVERIFY(dir.makeFolder(f));
    for (const char* f : {"l/a.txt", "l/b.txt", "l/c.txt", "r/a.txt"})
        QVERIFY(dir.writeFile(f, "text"));
}

} // namespace

class WatchingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void changeRefreshesKeepingMarks_data();
    void changeRefreshesKeepingMarks();
    void noRefreshWhileHeld_data();
    void noRefreshWhileHeld();
    void activeCompareIsComputedAgain();
    void scrollPositionStays();
    void vanishedFolderMovesTheWindow();
    void driveListIsNotWatched();
};

void WatchingTest::changeRefreshesKeepingMarks_data()
{
    QTest::addColumn<QByteArray>("action");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("marked");
    QTest::addColumn<QString>("current");

    const QString b = QStringLiteral("b.txt");
    QTest::newRow("file added") << QByteArray("add")
                                << QStringList{"sub", "a.txt", "b.txt", "c.txt", "d.txt"}
                                << QStringList{"a.txt", "c.txt"} << b;
    QTest::newRow("marked file deleted")
        << QByteArray("delete-c") << QStringList{"sub", "a.txt", "b.txt"} << QStringList{"a.txt"}
        << b;
    // The neighbour takes the place of a current item that went.
    QTest::newRow("current file deleted")
        << QByteArray("delete-b") << QStringList{"sub", "a.txt", "c.txt"}
        << QStringList{"a.txt", "c.txt"} << QStringLiteral("c.txt");
    // Marks follow names exactly: another letter case is another item.
    QTest::newRow("marked file renamed")
        << QByteArray("rename-a") << QStringList{"sub", "A.txt", "b.txt", "c.txt"}
        << QStringList{"c.txt"} << b;
    QTest::newRow("marked file written")
        << QByteArray("write-c") << QStringList{"sub", "a.txt", "b.txt", "c.txt"}
        << QStringList{"a.txt", "c.txt"} << b;
}

void WatchingTest::changeRefreshesKeepingMarks()
{
    QFETCH(QByteArray, action);
    QFETCH(QStringList, names);
    QFETCH(QStringList, marked);
    QFETCH(QString, current);
    TempDir dir;
    prepare(dir);
    Started s(dir);
    QVERIFY(s.watch().watching());
    s.mark(QStringLiteral("a.txt"));
    s.mark(QStringLiteral("c.txt"));
    s.list().setCurrent(s.rowOf(QStringLiteral("b.txt")));
    QCOMPARE(s.markedCount(), 2);

    if (action == "add") {
        QVERIFY(dir.writeFile("l/d.txt", "new"));
    } else if (action == "delete-c") {
        QCOMPARE(::unlink(joined(dir, "l/c.txt").constData()), 0);
    } else if (action == "delete-b") {
        QCOMPARE(::unlink(joined(dir, "l/b.txt").constData()), 0);
    } else if (action == "rename-a") {
        QCOMPARE(::rename(joined(dir, "l/a.txt").constData(), joined(dir, "l/A.txt").constData()),
                 0);
    } else if (action == "write-c") {
        QVERIFY(dir.writeFile("l/c.txt", "longer text"));
    }
    QVERIFY(s.changeSeen());
    QVERIFY(s.watch().refreshNow());

    QCOMPARE(s.names(), names);
    QCOMPARE(s.markedNames(), marked);
    QCOMPARE(s.markedCount(), marked.size());
    QVERIFY(s.window.selecting()->marks().selectionPresent(LeftWindow));
    QCOMPARE(s.list().currentName(), current);
    QCOMPARE(s.window.pane(LeftWindow)->list()->currentIndex().row(), s.rowOf(current));
    const QLabel* label = s.window.findChild<QLabel*>(QStringLiteral("lblSelCount_0"));
    QVERIFY2(label->text().contains(QStringLiteral(" %1 項目").arg(marked.size())),
             qPrintable(label->text()));
    QVERIFY(!s.watch().pending());
}

void WatchingTest::noRefreshWhileHeld_data()
{
    QTest::addColumn<QByteArray>("hold");
    // An overwrite question inside a copy: the operation runs and asks.
    QTest::newRow("operation asking") << QByteArray("operation");
    // A message outside any operation.
    QTest::newRow("question open") << QByteArray("question");
    // The busy state alone, as a compare holds it.
    QTest::newRow("busy state") << QByteArray("busy");
}

void WatchingTest::noRefreshWhileHeld()
{
    QFETCH(QByteArray, hold);
    TempDir dir;
    prepare(dir);
    Started s(dir);
    s.mark(QStringLiteral("a.txt"));
    const QStringList before = s.names();
    const int refreshes = s.watch().refreshCount();

    bool checked = false;
    QStringList during;
    bool refreshedDuring = true;
    const auto changeAndTry = [&] {
        QVERIFY(dir.writeFile("l/new.txt", "new"));
        QVERIFY(s.changeSeen());
        QVERIFY(!s.window.watching()->mayRefresh());
        refreshedDuring = s.watch().refreshNow();
        during = s.names();
        checked = true;
    };
    s.messages.onPresent = [&](const ScriptedMessageService::Presented& p) {
        if (checked)
            return;
        if (hold == "operation" && p.kind != 0) {
            QVERIFY(s.window.progress().busy());
            changeAndTry();
        } else if (hold == "question") {
            changeAndTry();
        }
    };
    if (hold == "operation") {
        s.trigger("mnuFileItem", 4); // r/a.txt is there: the overwrite question comes
    } else if (hold == "question") {
        s.window.messages().showMessage(QStringLiteral("確認"));
    } else {
        s.window.progress().setBusy(true);
        changeAndTry();
        s.window.progress().setBusy(false);
    }
    QVERIFY(checked);
    QVERIFY(!refreshedDuring);
    QCOMPARE(during, before);
    QCOMPARE(s.watch().refreshCount(), refreshes);

    // Once the window is free again the held refresh runs by itself.
    QVERIFY(s.window.watching()->mayRefresh());
    QTRY_VERIFY_WITH_TIMEOUT(s.rowOf(QStringLiteral("new.txt")) >= 0, EventWaitMs);
    // (A copy marks the windows on its destination volume for a full refill,
    // which does not keep marks.)
    if (hold != "operation") {
        QCOMPARE(s.markedNames(), QStringList{QStringLiteral("a.txt")});
        QCOMPARE(s.markedCount(), 1);
    }
}

void WatchingTest::activeCompareIsComputedAgain()
{
    TempDir dir;
    prepare(dir);
    Started s(dir);
    // Existence only: what the right folder lacks is marked.
    const int menuItemOfBox[] = {0, 1, 3, 5, 6};
    for (int box = 0; box < 5; ++box) {
        if (s.window.selecting()->panel()->conditions().boxes[size_t(box)] != (box == 0))
            s.trigger("mnuSetCmp", menuItemOfBox[box]);
    }
    s.trigger("mnuFileItem", 3);
    QVERIFY(s.window.selecting()->marks().compareActive(LeftWindow));
    QCOMPARE(s.markedNames(), (QStringList{"sub", "b.txt", "c.txt"}));

    QVERIFY(dir.writeFile("l/d.txt", "new"));
    QVERIFY(dir.writeFile("r/b.txt", "text"));
    QCOMPARE(::unlink(joined(dir, "l/c.txt").constData()), 0);
    QVERIFY(s.changeSeen());
    QVERIFY(s.watch().refreshNow());
    QVERIFY(s.window.selecting()->marks().compareActive(LeftWindow));
    QCOMPARE(s.markedNames(), (QStringList{"sub", "d.txt"}));
    QCOMPARE(s.markedCount(), 2);
}

void WatchingTest::scrollPositionStays()
{
    TempDir dir;
    prepare(dir);
    for (int i = 0; i < 300; ++i)
        QVERIFY(dir.writeFile("l/f" + QByteArray::number(1000 + i), "x"));
    Started s(dir);
    QTreeView* view = s.window.pane(LeftWindow)->list();
    const int row = s.rowOf(QStringLiteral("f1150"));
    s.list().setCurrent(s.rowOf(QStringLiteral("f1160")));
    view->scrollTo(s.list().model()->index(row, 0), QAbstractItemView::PositionAtTop);
    QCOMPARE(view->indexAt(QPoint(1, 1)).row(), row);

    // Rows come in above and below the rows in view.
    for (const char* name : {"l/0", "l/1", "l/2", "l/z"})
        QVERIFY(dir.writeFile(name, "x"));
    QVERIFY(s.changeSeen());
    QVERIFY(s.watch().refreshNow());
    QCOMPARE(s.rowOf(QStringLiteral("f1150")), row + 3);
    QCOMPARE(s.list().model()->nameAt(view->indexAt(QPoint(1, 1)).row()), QStringLiteral("f1150"));
    QCOMPARE(s.list().currentName(), QStringLiteral("f1160"));
}

void WatchingTest::vanishedFolderMovesTheWindow()
{
    TempDir dir;
    prepare(dir);
    Started s(dir, "l/sub");
    QCOMPARE(s.window.state().listedPath(LeftWindow), dir.filePath(QStringLiteral("l/sub/")));
    QCOMPARE(::rmdir(joined(dir, "l/sub").constData()), 0);
    QVERIFY(s.changeSeen());
    QVERIFY(s.watch().refreshNow());
    QCOMPARE(s.window.state().listedPath(LeftWindow), dir.filePath(QStringLiteral("l/")));
    QCOMPARE(s.watch().folder(), dir.filePath(QStringLiteral("l/")));
    QVERIFY(s.rowOf(QStringLiteral("a.txt")) >= 0);
}

void WatchingTest::driveListIsNotWatched()
{
    TempDir dir;
    prepare(dir);
    Started s(dir);
    QVERIFY(s.watch().watching());
    s.list().fill(QStringLiteral("_"));
    QVERIFY(s.list().showsDriveList());
    QVERIFY(!s.watch().watching());
    s.list().fill(dir.filePath(QStringLiteral("r")));
    QCOMPARE(s.watch().folder(), dir.filePath(QStringLiteral("r/")));
    QVERIFY(s.watch().watching());
}

QTEST_MAIN(WatchingTest)
#include "tst_watching.moc"
