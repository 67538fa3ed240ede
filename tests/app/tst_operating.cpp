#include "app/browsing.h"
#include "app/mainwindow.h"
#include "app/operating.h"
#include "app/selecting.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "platform/filesystem.h"
#include "support/tempdir.h"
#include "tree/treenavigator.h"

#include "core/keymap.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTreeView>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using tovane::test::TempDir;

namespace {

// Left folder l with a.txt and sub/inner, right folder r empty; the trash
// lives in the test folder.
struct Started {
    explicit Started(TempDir& dir, bool allLevels = true, const char* right = "r")
        : window(dir.filePath(QStringLiteral("cfg")))
    {
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
        // Function mode 3 shows every attribute entry.
        const QByteArray settings = "[Tovane]\r\nApType=x\r\nApMode=3\r\n[Position]\r\nPath=_," +
                                    dir.filePath(QStringLiteral("l")).toUtf8() + ",_," +
                                    dir.filePath(QString::fromUtf8(right)).toUtf8() + ",\r\n";
        writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        window.setMessageService(&messages);
        messages.setDefaultAnswer(AnswerYes);
        window.startUp();
        window.activateWindowIndex(LeftWindow, 0);
        if (allLevels)
            trigger("mnuSetProc", 0);
    }
    FileList& list(WindowIndex w) { return window.browsing()->list(w); }
    int rowOf(WindowIndex w, const char* name)
    {
        return list(w).model()->rowOfName(QString::fromUtf8(name));
    }
    void mark(const char* name)
    {
        const int row = rowOf(LeftWindow, name);
        QVERIFY(row >= 0);
        list(LeftWindow).itemClicked(row, 0);
    }
    void trigger(const char* control, int index)
    {
        QAction* a = window.menus().action(control, index);
        QVERIFY2(a && a->isEnabled(), control);
        a->trigger();
    }
    bool enabled(const char* control, int index)
    {
        QAction* a = window.menus().action(control, index);
        return a && a->isEnabled();
    }
    // A key as the list of the selected window gets it.
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* view = window.pane(window.selectedWindow())->list();
        view->setFocus();
        QTest::keyClick(view, k, modifiers);
    }
    MainWindow window;
    ScriptedMessageService messages;
};

void prepare(TempDir& dir)
{
    for (const char* f : {"cfg", "data", "l", "l/sub", "r"})
        QVERIFY(dir.makeFolder(f));
    QVERIFY(dir.writeFile("l/a.txt", "alpha"));
    QVERIFY(dir.writeFile("l/sub/inner", "inner"));
}

} // namespace

class OperatingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void copyAddsToTheOtherListAndKeepsMarks();
    void moveTakesTheEntryAcross();
    void deleteToTrashRemovesTheEntry();
    void manyDeletedItemsLeaveTheListTogether();
    void attributeMenuUpdatesTheList();
    void copyOfACompareSelectionRenewsIt();
    void destinationListCopiesIntoTheNode();
    void deletedFolderShownElsewhereIsRefreshed();
    void commandsFollowTheMarks();
    void newFolderAsksUntilTheNameIsFree();
    void closedDestinationListGivesTheCountBack();
    void deleteKeys_data();
    void deleteKeys();
    void listKeys();
    void refreshFindsNewAndRemovedFolders();
    void copyProgressAndInterruption();
};

void OperatingTest::copyAddsToTheOtherListAndKeepsMarks()
{
    TempDir dir;
    prepare(dir);
    Started s(dir);
    s.mark("a.txt");
    s.mark("sub");
    s.trigger("mnuFileItem", 4);
    QVERIFY(platform::pathExists(dir.filePath(QStringLiteral("r/a.txt"))));
    QVERIFY(platform::pathExists(dir.filePath(QStringLiteral("r/sub/inner"))));
    // Shown without a refill: folders first, in name order.
    QCOMPARE(s.rowOf(RightWindow, "sub"), 0);
    QCOMPARE(s.rowOf(RightWindow, "a.txt"), 1);
    QVERIFY(s.window.findChild<QLabel*>(QStringLiteral("lblListCount_1"))
                ->text()
                .contains(QStringLiteral("2 項目")));
    QVERIFY(s.list(LeftWindow).model()->marked(s.rowOf(LeftWindow, "a.txt")));
    QCOMPARE(s.window.selecting()->marks().counters(LeftWindow).marked.items, 2);
    // The windows on the volume are read again afterwards; the marks stay.
    QTRY_VERIFY(!s.window.state().anyRefreshMarked());
    QVERIFY(s.list(LeftWindow).model()->marked(s.rowOf(LeftWindow, "a.txt")));
    QVERIFY(s.list(LeftWindow).model()->marked(s.rowOf(LeftWindow, "sub")));
    QCOMPARE(s.window.selecting()->marks().counters(LeftWindow).marked.items, 2);
}

void OperatingTest::moveTakesTheEntryAcross()
{
    TempDir dir;
    prepare(dir);
    Started s(dir);
    s.mark("a.txt");
    s.trigger("mnuFileItem", 5);
    QVERIFY(!platform::pathExists(dir.filePath(QStringLiteral("l/a.txt"))));
    QVERIFY(platform::pathExists(dir.filePath(QStringLiteral("r/a.txt"))));
    QCOMPARE(s.rowOf(LeftWindow, "a.txt"), -1);
    QVERIFY(s.rowOf(RightWindow, "a.txt") >= 0);
    QCOMPARE(s.window.selecting()->marks().counters(LeftWindow).marked.items, 0);
}

void OperatingTest::deleteToTrashRemovesTheEntry()
{
    TempDir dir;
    prepare(dir);
    Started s(dir);
    s.mark("sub");
    s.trigger("mnuFileItem", 6);
    QVERIFY(!platform::pathExists(dir.filePath(QStringLiteral("l/sub"))));
    // Nothing inside is kept back: the folder goes as one trash entry.
    QVERIFY(!platform::pathExists(dir.filePath(QStringLiteral("data/Trash/files/inner"))));
    QVERIFY(platform::pathExists(dir.filePath(QStringLiteral("data/Trash/files/sub/inner"))));
    QCOMPARE(s.rowOf(LeftWindow, "sub"), -1);
    QVERIFY(s.window.browsing()
                ->navigator()
                .model(LeftWindow)
                .indexOf(dir.filePath(QStringLiteral("l/sub"))) == QModelIndex());
}

void OperatingTest::manyDeletedItemsLeaveTheListTogether()
{
    TempDir dir;
    prepare(dir);
    // More than the run shows in its lists, so the lists are hidden meanwhile.
    for (int i = 0; i < 40; ++i)
        QVERIFY(dir.writeFile("l/m" + QByteArray::number(100 + i), "x"));
    QVERIFY(dir.writeFile("l/keep", "k"));
    Started s(dir);
    for (int i = 0; i < 40; ++i)
        s.mark(QByteArray("m" + QByteArray::number(100 + i)).constData());
    s.trigger("mnuFileItem", 6);
    QVERIFY(!platform::pathExists(dir.filePath(QStringLiteral("l/m120"))));
    const FileListModel* model = s.list(LeftWindow).model();
    QStringList names;
    for (int r = 0; r < model->count(); ++r)
        names << model->nameAt(r);
    QCOMPARE(names, (QStringList{"sub", "a.txt", "keep"}));
    QCOMPARE(s.rowOf(LeftWindow, "keep"), 2);
    QVERIFY(s.window.pane(LeftWindow)->list()->isVisibleTo(&s.window));
    QVERIFY(s.window.findChild<QLabel*>(QStringLiteral("lblListCount_0"))
                ->text()
                .contains(QStringLiteral("3 項目")));
    QCOMPARE(s.window.selecting()->marks().counters(LeftWindow).marked.items, 0);
}

void OperatingTest::attributeMenuUpdatesTheList()
{
    TempDir dir;
    prepare(dir);
    Started s(dir);
    s.mark("a.txt");
    s.trigger("mnuFileAttr", 1); // read-only on
    quint32 attributes = 0;
    QCOMPARE(platform::getAttributes(dir.filePath(QStringLiteral("l/a.txt")), attributes), 0);
    QVERIFY(attributes & AttrReadOnly);
    const int row = s.rowOf(LeftWindow, "a.txt");
    QVERIFY(s.list(LeftWindow).model()->cellText(row, 3).contains(u'R'));
}

void OperatingTest::copyOfACompareSelectionRenewsIt()
{
    TempDir dir;
    prepare(dir);
    Started s(dir);
    s.trigger("mnuFileItem", 3); // compare: everything is missing on the right
    QCOMPARE(s.window.selecting()->marks().counters(LeftWindow).marked.items, 2);
    s.trigger("mnuFileItem", 4);
    QVERIFY(platform::pathExists(dir.filePath(QStringLiteral("r/sub/inner"))));
    // Compared again after the run: nothing differs now.
    QCOMPARE(s.window.selecting()->marks().counters(LeftWindow).marked.items, 0);
}

void OperatingTest::destinationListCopiesIntoTheNode()
{
    TempDir dir;
    prepare(dir);
    QVERIFY(dir.makeFolder("r/target"));
    Started s(dir);
    s.mark("a.txt");
    TreeNavigator& navigator = s.window.browsing()->navigator();
    const QString key = dir.filePath(QStringLiteral("r/target"));
    // The right window's tree must hold the node; the list shows its parent.
    QVERIFY(navigator.model(RightWindow).indexOf(dir.filePath(QStringLiteral("r"))).isValid());
    navigator.trees().addSubfolders(RightWindow, dir.filePath(QStringLiteral("r")));
    QVERIFY(navigator.model(RightWindow).indexOf(key).isValid());
    navigator.mouseDown(RightWindow, TreeButton::Right, 0);
    navigator.mouseUp(RightWindow, TreeButton::Right);
    navigator.nodeClick(RightWindow, key, TreeButton::Right);
    QVERIFY(navigator.destinationListOpen());
    QWidget* listF = s.window.findChild<QWidget*>(QStringLiteral("ListF"));
    QVERIFY(listF && listF->isVisible());
    navigator.destinationChosen(0); // " コピー"
    QVERIFY(platform::pathExists(dir.filePath(QStringLiteral("r/target/a.txt"))));
    QVERIFY(!navigator.destinationListOpen());
    QVERIFY(!platform::pathExists(dir.filePath(QStringLiteral("r/a.txt"))));
}

void OperatingTest::deletedFolderShownElsewhereIsRefreshed()
{
    TempDir dir;
    prepare(dir);
    QVERIFY(dir.makeFolder("l/sub/deeper"));
    // The right window shows a folder inside the one that goes.
    Started s(dir, true, "l/sub/deeper");
    QCOMPARE(s.window.state().listedPath(RightWindow),
             dir.filePath(QStringLiteral("l/sub/deeper/")));
    s.mark("sub");
    s.trigger("mnuFileItem", 6);
    QVERIFY(!platform::pathExists(dir.filePath(QStringLiteral("l/sub"))));
    // The deferred refresh moves it to the nearest folder that is still there.
    QTRY_COMPARE(s.window.state().listedPath(RightWindow), dir.filePath(QStringLiteral("l/")));
    QVERIFY(!s.window.state().anyRefreshMarked());
    QVERIFY(s.rowOf(RightWindow, "a.txt") >= 0);
}

void OperatingTest::commandsFollowTheMarks()
{
    TempDir dir;
    prepare(dir);
    Started s(dir);
    // Nothing marked: nothing to copy, move, delete or change.
    for (int item : {4, 5, 6, 11})
        QVERIFY2(!s.enabled("mnuFileItem", item), qPrintable(QString::number(item)));
    QVERIFY(!s.enabled("mnuFileSel", 2));
    QVERIFY(s.enabled("mnuFileSel", 0) && s.enabled("mnuFileSel", 1));
    QVERIFY(s.enabled("mnuFileItem", 3));
    QVERIFY(!s.window.toolbar().button(16)->isEnabled());
    s.mark("a.txt");
    for (int item : {4, 5, 6, 11})
        QVERIFY2(s.enabled("mnuFileItem", item), qPrintable(QString::number(item)));
    QVERIFY(s.enabled("mnuFileSel", 2));
    QVERIFY(s.window.toolbar().button(16)->isEnabled());
    s.trigger("mnuFileSel", 0); // everything marked: nothing left to mark
    QVERIFY(!s.enabled("mnuFileSel", 0));
    s.trigger("mnuFileItem", 6);
    QVERIFY(!s.enabled("mnuFileItem", 6));
    QVERIFY(!s.window.toolbar().button(18)->isEnabled());
    // The other window has nothing to act on: its commands are off there.
    s.window.activateWindowIndex(RightWindow, 0);
    QVERIFY(!s.enabled("mnuFileSel", 0));
    QVERIFY(!s.enabled("mnuFileItem", 3));
}

void OperatingTest::closedDestinationListGivesTheCountBack()
{
    TempDir dir;
    prepare(dir);
    // The node holds a folder named like the marked file: nothing can go there.
    QVERIFY(dir.makeFolder("r/target") && dir.makeFolder("r/target/a.txt"));
    Started s(dir);
    s.mark("a.txt");
    const DesignatedSelection& marks = s.window.selecting()->marks();
    QCOMPARE(marks.counters(LeftWindow).copyTargets.items, 1);
    TreeNavigator& navigator = s.window.browsing()->navigator();
    navigator.trees().addSubfolders(RightWindow, dir.filePath(QStringLiteral("r")));
    navigator.mouseDown(RightWindow, TreeButton::Right, 0);
    navigator.mouseUp(RightWindow, TreeButton::Right);
    navigator.nodeClick(RightWindow, dir.filePath(QStringLiteral("r/target")), TreeButton::Right);
    // Copy and move do not apply without copy targets; the archive entries
    // do. Closed, the list gives the count of the opposite window back.
    QVERIFY(navigator.destinationListOpen());
    navigator.closeDestinationList();
    QVERIFY(!navigator.destinationListOpen());
    QCOMPARE(marks.destination(LeftWindow), dir.filePath(QStringLiteral("r/")));
    QCOMPARE(marks.counters(LeftWindow).copyTargets.items, 1);
    QVERIFY(s.enabled("mnuFileItem", 4));
}

void OperatingTest::deleteKeys_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QList<int>>("kinds"); // questions asked after the summary
    QTest::addColumn<bool>("trashed");
    QTest::newRow("Delete asks about the read-only file") << 0 << QList<int>{4} << true;
    QTest::newRow("Shift+Delete erases, asking too")
        << int(Qt::ShiftModifier) << QList<int>{4} << false;
    QTest::newRow("Ctrl+Delete takes the marks unconditionally")
        << int(Qt::ControlModifier) << QList<int>{} << true;
}

void OperatingTest::deleteKeys()
{
    QFETCH(int, modifiers);
    QFETCH(QList<int>, kinds);
    QFETCH(bool, trashed);
    TempDir dir;
    prepare(dir);
    QVERIFY(::chmod(dir.filePath(QStringLiteral("l/a.txt")).toUtf8().constData(), 0444) == 0);
    Started s(dir);
    s.mark("a.txt");
    s.messages.clearLog();
    s.key(Qt::Key_Delete, Qt::KeyboardModifiers(modifiers));
    QList<int> asked;
    for (const auto& p : s.messages.log())
        if (p.kind > 0)
            asked << p.kind % 10;
    QCOMPARE(asked, kinds);
    QVERIFY(!platform::pathExists(dir.filePath(QStringLiteral("l/a.txt"))));
    QCOMPARE(platform::pathExists(dir.filePath(QStringLiteral("data/Trash/files/a.txt"))), trashed);
    // Ctrl+D is no delete key.
    QVERIFY(dir.writeFile("l/b.txt", "b"));
    s.trigger("mnuDispItem", 18);
    s.mark("b.txt");
    s.key(Qt::Key_D, Qt::ControlModifier);
    QVERIFY(platform::pathExists(dir.filePath(QStringLiteral("l/b.txt"))));
}

void OperatingTest::listKeys()
{
    TempDir dir;
    prepare(dir);
    for (int i = 0; i < 6; ++i)
        QVERIFY(dir.writeFile("l/f" + QByteArray::number(i), "f"));
    Started s(dir);
    // Ctrl+W: the other list form, and back.
    const int form = s.list(LeftWindow).listForm();
    s.key(Qt::Key_W, Qt::ControlModifier);
    QCOMPARE(s.list(LeftWindow).listForm(), 1 - form);
    s.key(Qt::Key_W, Qt::ControlModifier);
    QCOMPARE(s.list(LeftWindow).listForm(), form);
    // Enter with six chosen files opens none and says why.
    for (int i = 0; i < 6; ++i)
        s.mark(QByteArray("f" + QByteArray::number(i)).constData());
    s.messages.clearLog();
    s.key(Qt::Key_Return);
    QCOMPARE(s.messages.texts(), QStringList{tooManyFilesText()});
    s.trigger("mnuFileSel", 2);
    // Enter on a folder opens it; Backspace goes back with the folder current.
    s.list(LeftWindow).setCurrent(s.rowOf(LeftWindow, "sub"));
    s.key(Qt::Key_Return);
    QCOMPARE(s.window.state().listedPath(LeftWindow), dir.filePath(QStringLiteral("l/sub/")));
    s.key(Qt::Key_Backspace);
    QCOMPARE(s.window.state().listedPath(LeftWindow), dir.filePath(QStringLiteral("l/")));
    QCOMPARE(s.list(LeftWindow).currentRow(), s.rowOf(LeftWindow, "sub"));
    s.key(Qt::Key_Return);
    s.key(Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(s.window.state().listedPath(LeftWindow), dir.filePath(QStringLiteral("l/")));
    // Ctrl+L: the focus into the list and a click on its current row.
    s.window.pane(LeftWindow)->tree()->setFocus();
    QTest::keyClick(s.window.pane(LeftWindow)->tree(), Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), s.window.pane(LeftWindow)->list());
    QVERIFY(s.list(LeftWindow).model()->marked(s.rowOf(LeftWindow, "sub")));
}

void OperatingTest::newFolderAsksUntilTheNameIsFree()
{
    TempDir dir;
    prepare(dir);
    Started s(dir);
    QStringList offered;
    QStringList answers{QStringLiteral("SUB"), QStringLiteral("new")};
    s.window.operating()->askName = [&](const QString& proposal) {
        offered << proposal;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    };
    QVERIFY(s.enabled("mnuMake", 0));
    s.messages.clearLog();
    s.trigger("mnuMake", 0);
    // The default first, then what was typed, after the message.
    QCOMPARE(offered, (QStringList{QStringLiteral("新しいフォルダ"), QStringLiteral("SUB")}));
    QCOMPARE(s.messages.texts().size(), 1);
    QVERIFY(s.messages.texts().first().contains(QStringLiteral("既に使われています")));
    QVERIFY(tovane::test::entries(dir.filePath(QStringLiteral("l")).toUtf8()).contains("new"));
    const int row = s.rowOf(LeftWindow, "new");
    QVERIFY(row >= 0);
    QCOMPARE(s.list(LeftWindow).currentRow(), row);
    // Cancelled: nothing made.
    offered.clear();
    s.trigger("mnuMake", 0);
    QCOMPARE(offered.size(), 1);
    QCOMPARE(tovane::test::entries(dir.filePath(QStringLiteral("l")).toUtf8()).size(), 3);
}

void OperatingTest::refreshFindsNewAndRemovedFolders()
{
    TempDir dir;
    prepare(dir);
    QVERIFY(dir.makeFolder("l/gone"));
    Started s(dir);
    TreeNavigator& navigator = s.window.browsing()->navigator();
    const QString left = dir.filePath(QStringLiteral("l"));
    navigator.trees().addSubfolders(LeftWindow, left);
    navigator.model(LeftWindow).setExpanded(left, true);
    QVERIFY(navigator.model(LeftWindow).contains(left + QStringLiteral("/gone")));
    QVERIFY(dir.makeFolder("l/new") && dir.makeFolder("l/new/inside"));
    QVERIFY(::rmdir(dir.filePath(QStringLiteral("l/gone")).toUtf8().constData()) == 0);
    s.trigger("mnuDispItem", 18);
    QVERIFY(navigator.model(LeftWindow).contains(left + QStringLiteral("/new")));
    // The new node shows that it can be opened.
    QVERIFY(navigator.model(LeftWindow).contains(left + QStringLiteral("/new/inside")));
    QVERIFY(!navigator.model(LeftWindow).contains(left + QStringLiteral("/gone")));
    QVERIFY(s.rowOf(LeftWindow, "new") >= 0);
}

QTEST_MAIN(OperatingTest)
// The status line during a copy: the run's text, its counts, then the files
// and bytes carried so far; Esc at the overwrite question ends the run and
// the line says how far it got.
void OperatingTest::copyProgressAndInterruption()
{
    TempDir dir;
    prepare(dir);
    QVERIFY(dir.writeFile("r/a.txt", "old"));
    Started s(dir);
    s.mark("a.txt");
    s.mark("sub");
    QString progressAtQuestion;
    s.messages.onPresent = [&](const ScriptedMessageService::Presented& p) {
        if (p.kind <= 0)
            return;
        progressAtQuestion = s.window.statusPanel(2)->text();
        // Where a person's Esc goes: the focus, else the main window.
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &s.window, Qt::Key_Escape);
    };
    s.trigger("mnuFileItem", 4);
    QVERIFY2(progressAtQuestion.startsWith(QStringLiteral("指定選択項目をコピー中 ")),
             qPrintable(progressAtQuestion));
    QVERIFY2(progressAtQuestion.contains(QStringLiteral(" 1/2 [")), qPrintable(progressAtQuestion));
    QVERIFY2(progressAtQuestion.endsWith(QStringLiteral("]  1 ファイル 5 B 完了")),
             qPrintable(progressAtQuestion));
    QCOMPARE(s.window.statusPanel(1)->text(),
             QStringLiteral("コピーを中断しました（処理済み 1 項目）"));
    QCOMPARE(s.window.statusPanel(2)->text(), QString());
    QVERIFY(platform::pathExists(dir.filePath(QStringLiteral("r/sub/inner"))));
    QCOMPARE(tovane::test::readAll(dir.pathBytes() + "/r/a.txt"), QByteArray("old"));
}

#include "tst_operating.moc"
