#include "app/browsing.h"
#include "app/listmenu.h"
#include "app/mainwindow.h"
#include "app/selecting.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "platform/filesystem.h"
#include "support/tempdir.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTreeView>
#include <QtTest>

using namespace tovane;
using tovane::test::TempDir;

namespace {

const QStringList AllEntries{"lvwFilesMenu_open", "mnuFileItem_4", "mnuFileItem_5",
                             "mnuFileItem_6",     "mnuFileSel_0",  "mnuFileSel_1",
                             "mnuFileSel_2",      "mnuDispItem_18"};

// Left folder l with a.txt, b.txt and sub/, right folder r empty; the trash
// lives in the test folder. The left window starts selected.
struct Started {
    explicit Started(TempDir& dir) : window(dir.filePath(QStringLiteral("cfg")))
    {
        for (const char* f : {"cfg", "data", "l", "l/sub", "r"})
            dir.makeFolder(f);
        dir.writeFile("l/a.txt", "alpha");
        dir.writeFile("l/b.txt", "beta");
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
        const QByteArray settings = "[Tovane]\r\n[Position]\r\nPath=_," +
                                    dir.filePath(QStringLiteral("l")).toUtf8() + ",_," +
                                    dir.filePath(QStringLiteral("r")).toUtf8() + ",\r\n";
        writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        window.setMessageService(&messages);
        messages.setDefaultAnswer(AnswerYes);
        window.startUp();
        window.activateWindowIndex(LeftWindow, 0);
        QApplication::processEvents();
    }
    FileList& list(WindowIndex w) { return window.browsing()->list(w); }
    QTreeView* view(WindowIndex w) { return window.pane(w)->list(); }
    int rowOf(WindowIndex w, const QString& name) { return list(w).model()->rowOfName(name); }
    // Inside the row of `name`, or below the last row when the name is empty.
    QPoint pointAt(WindowIndex w, const QString& name)
    {
        if (name.isEmpty())
            return QPoint(view(w)->viewport()->width() / 2, view(w)->viewport()->height() - 4);
        const int row = rowOf(w, name);
        return view(w)->visualRect(list(w).model()->index(row, 0)).center();
    }
    void mark(const char* name)
    {
        const int row = rowOf(LeftWindow, QString::fromUtf8(name));
        QVERIFY(row >= 0);
        list(LeftWindow).itemClicked(row, 0);
    }
    // A right click as the platform delivers it: the press, then the request.
    QMenu* rightClick(WindowIndex w, const QString& name)
    {
        QWidget* viewport = view(w)->viewport();
        const QPoint at = pointAt(w, name);
        QTest::mousePress(viewport, Qt::RightButton, {}, at);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &request);
        QTest::mouseRelease(viewport, Qt::RightButton, {}, at);
        return window.listMenu()->openMenu();
    }
    static QStringList enabledEntries(QMenu* menu)
    {
        QStringList names;
        for (QAction* a : menu->actions())
            if (!a->isSeparator() && a->isEnabled())
                names << a->objectName();
        return names;
    }
    MainWindow window;
    ScriptedMessageService messages;
};

enum Effect { Opened, AllMarked, Inverted, Cleared, Copied, Moved, Deleted, Refreshed };

} // namespace

class ListMenuTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void entriesFollowWhatTheyActOn_data();
    void entriesFollowWhatTheyActOn();
    void entriesRunTheMenuCommands_data();
    void entriesRunTheMenuCommands();
    void pressBesideTheRowsSelectsTheWindow_data();
    void pressBesideTheRowsSelectsTheWindow();
};

void ListMenuTest::entriesFollowWhatTheyActOn_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("on");
    QTest::addColumn<bool>("marked");
    QTest::addColumn<QStringList>("enabled");

    const QStringList rowsNoMarks{"lvwFilesMenu_open", "mnuFileSel_0", "mnuFileSel_1",
                                  "mnuDispItem_18"};
    QTest::newRow("file row, nothing marked") << 0 << "a.txt" << false << rowsNoMarks;
    QTest::newRow("folder row, nothing marked") << 0 << "sub" << false << rowsNoMarks;
    QTest::newRow("beside the rows, nothing marked")
        << 0 << "" << false << QStringList{"mnuFileSel_0", "mnuFileSel_1", "mnuDispItem_18"};
    QTest::newRow("file row, marked") << 0 << "b.txt" << true << AllEntries;
    QTest::newRow("beside the rows, marked")
        << 0 << "" << true
        << QStringList{"mnuFileItem_4", "mnuFileItem_5", "mnuFileItem_6", "mnuFileSel_0",
                       "mnuFileSel_1",  "mnuFileSel_2",  "mnuDispItem_18"};
    // The empty other window: its marks are its own, and it has none.
    QTest::newRow("empty list of the other window")
        << 1 << "" << true << QStringList{"mnuDispItem_18"};
}

void ListMenuTest::entriesFollowWhatTheyActOn()
{
    QFETCH(int, window);
    QFETCH(QString, on);
    QFETCH(bool, marked);
    QFETCH(QStringList, enabled);
    TempDir dir;
    Started s(dir);
    if (marked)
        s.mark("a.txt");
    QMenu* menu = s.rightClick(window, on);
    QVERIFY(menu);
    QCOMPARE(s.window.selectedWindow(), WindowIndex(window));
    QCOMPARE(Started::enabledEntries(menu), enabled);
    // The captions are those of the menu bar.
    for (QAction* a : menu->actions()) {
        if (a->isSeparator() || a->objectName() == QLatin1String("lvwFilesMenu_open"))
            continue;
        QAction* item = s.window.findChild<QAction*>(a->objectName());
        QVERIFY(item);
        QCOMPARE(a->text().section(u'\t', 0, 0), item->text());
    }
    menu->close();
}

void ListMenuTest::entriesRunTheMenuCommands_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("on");
    QTest::addColumn<int>("effect");

    // clang-format off
    QTest::newRow("open a folder") << "lvwFilesMenu_open" << "sub" << int(Opened);
    QTest::newRow("select all") << "mnuFileSel_0" << "" << int(AllMarked);
    QTest::newRow("invert") << "mnuFileSel_1" << "b.txt" << int(Inverted);
    QTest::newRow("clear") << "mnuFileSel_2" << "" << int(Cleared);
    QTest::newRow("copy") << "mnuFileItem_4" << "" << int(Copied);
    QTest::newRow("move") << "mnuFileItem_5" << "a.txt" << int(Moved);
    QTest::newRow("delete") << "mnuFileItem_6" << "" << int(Deleted);
    QTest::newRow("refresh") << "mnuDispItem_18" << "" << int(Refreshed);
    // clang-format on
}

void ListMenuTest::entriesRunTheMenuCommands()
{
    QFETCH(QString, entry);
    QFETCH(QString, on);
    QFETCH(int, effect);
    TempDir dir;
    Started s(dir);
    s.mark("a.txt");
    if (effect == Refreshed)
        dir.writeFile("l/new.txt", "n");
    QMenu* menu = s.rightClick(LeftWindow, on);
    QVERIFY(menu);
    auto* action = menu->findChild<QAction*>(entry);
    QVERIFY(action && action->isEnabled());
    action->trigger();

    const FileListModel* left = s.list(LeftWindow).model();
    const qint64 marks = s.window.selecting()->marks().counters(LeftWindow).marked.items;
    switch (effect) {
    case Opened:
        QCOMPARE(s.window.state().listedPath(LeftWindow), dir.filePath(QStringLiteral("l/sub/")));
        break;
    case AllMarked:
        QCOMPARE(marks, qint64(left->count()));
        break;
    case Inverted:
        QVERIFY(!left->marked(s.rowOf(LeftWindow, QStringLiteral("a.txt"))));
        QVERIFY(left->marked(s.rowOf(LeftWindow, QStringLiteral("b.txt"))));
        break;
    case Cleared:
        QCOMPARE(marks, qint64(0));
        break;
    case Copied:
        QVERIFY(platform::pathExists(dir.filePath(QStringLiteral("l/a.txt"))));
        QVERIFY(platform::pathExists(dir.filePath(QStringLiteral("r/a.txt"))));
        break;
    case Moved:
        QVERIFY(!platform::pathExists(dir.filePath(QStringLiteral("l/a.txt"))));
        QVERIFY(platform::pathExists(dir.filePath(QStringLiteral("r/a.txt"))));
        break;
    case Deleted:
        QVERIFY(!platform::pathExists(dir.filePath(QStringLiteral("l/a.txt"))));
        QVERIFY(platform::pathExists(dir.filePath(QStringLiteral("l/b.txt"))));
        break;
    case Refreshed:
        QVERIFY(s.rowOf(LeftWindow, QStringLiteral("new.txt")) >= 0);
        break;
    }
}

void ListMenuTest::pressBesideTheRowsSelectsTheWindow_data()
{
    QTest::addColumn<int>("button");
    QTest::newRow("left button") << int(Qt::LeftButton);
    QTest::newRow("right button") << int(Qt::RightButton);
}

void ListMenuTest::pressBesideTheRowsSelectsTheWindow()
{
    QFETCH(int, button);
    TempDir dir;
    Started s(dir);
    QCOMPARE(s.window.selectedWindow(), LeftWindow);
    // The right list is empty: every point of it lies beside the rows.
    QTest::mouseClick(s.view(RightWindow)->viewport(), Qt::MouseButton(button), {},
                      s.pointAt(RightWindow, QString()));
    QCOMPARE(s.window.selectedWindow(), RightWindow);
    QTest::mouseClick(s.view(LeftWindow)->viewport(), Qt::MouseButton(button), {},
                      s.pointAt(LeftWindow, QString()));
    QCOMPARE(s.window.selectedWindow(), LeftWindow);
    // Beside the rows nothing is marked.
    QCOMPARE(s.window.selecting()->marks().counters(LeftWindow).marked.items, qint64(0));
}

QTEST_MAIN(ListMenuTest)
#include "tst_listmenu.moc"
