#include "app/browsing.h"
#include "app/mainwindow.h"
#include "app/selecting.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "platform/filesystem.h"
#include "support/tempdir.h"
#include "tree/treenavigator.h"

#include <QAction>
#include <QLabel>
#include <QTreeView>
#include <QtTest>

using namespace tovane;
using tovane::test::TempDir;

namespace {

// Left folder l with a.txt and sub/inner, right folder r empty; the trash
// lives in the test folder.
struct Started {
    explicit Started(TempDir& dir, bool allLevels = true)
        : window(dir.filePath(QStringLiteral("cfg")))
    {
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
        // Function mode 3 shows every attribute entry.
        const QByteArray settings = "[Tovane]\r\nApType=x\r\nApMode=3\r\n[Position]\r\nPath=_," +
                                    dir.filePath(QStringLiteral("l")).toUtf8() + ",_," +
                                    dir.filePath(QStringLiteral("r")).toUtf8() + ",\r\n";
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

QTEST_MAIN(OperatingTest)
#include "tst_operating.moc"
