#include "app/browsing.h"
#include "app/mainwindow.h"
#include "app/selecting.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "platform/filesystem.h"
#include "selection/widgets/comparepanel.h"
#include "support/tempdir.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QtTest>

using namespace tovane;
using tovane::test::TempDir;

namespace {

constexpr qint64 Second = 1000000000LL;

bool setWriteTime(const QString& path, qint64 seconds)
{
    platform::FileTimes t;
    t.write = seconds * Second;
    t.access = t.write;
    return platform::setTimes(path, t, platform::TimeWrite | platform::TimeAccess) == 0;
}

// Left and right folders: "same" equal on both sides, "newer" 10 s newer on
// the left, "only" on the left alone.
struct Pair {
    Pair()
    {
        QVERIFY(dir.makeFolder("cfg"));
        QVERIFY(dir.makeFolder("l"));
        QVERIFY(dir.makeFolder("r"));
        for (const char* side : {"l/", "r/"}) {
            QVERIFY(dir.writeFile(QByteArray(side) + "same", "1"));
            QVERIFY(dir.writeFile(QByteArray(side) + "newer", "1"));
            QVERIFY(setWriteTime(dir.filePath(QLatin1String(side) + "same"), 1700000000));
            QVERIFY(setWriteTime(dir.filePath(QLatin1String(side) + "newer"), 1700000000));
        }
        QVERIFY(setWriteTime(dir.filePath(QStringLiteral("l/newer")), 1700000010));
        QVERIFY(dir.writeFile("l/only", "1"));
    }
    TempDir dir;
};

struct Started {
    explicit Started(const Pair& pair) : window(pair.dir.filePath(QStringLiteral("cfg")))
    {
        const QByteArray settings = "[Position]\r\nPath=_," +
                                    pair.dir.filePath(QStringLiteral("l")).toUtf8() + ",_," +
                                    pair.dir.filePath(QStringLiteral("r")).toUtf8() + ",\r\n";
        writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        window.setMessageService(&messages);
        messages.setDefaultAnswer(AnswerYes);
        window.startUp();
        window.activateWindowIndex(LeftWindow, 0);
    }
    FileListModel* model(WindowIndex w) { return window.browsing()->list(w).model(); }
    QStringList marked(WindowIndex w)
    {
        QStringList out;
        for (int r = 0; r < model(w)->count(); ++r)
            if (model(w)->marked(r))
                out << model(w)->nameAt(r);
        out.sort();
        return out;
    }
    void trigger(const char* control, int index)
    {
        QAction* a = window.menus().action(control, index);
        QVERIFY2(a && a->isEnabled(), control);
        a->trigger();
    }
    QString label(const char* name)
    {
        auto* l = window.findChild<QLabel*>(QLatin1String(name));
        return l ? l->text() : QStringLiteral("<none>");
    }
    MainWindow window;
    ScriptedMessageService messages;
};

} // namespace

class SelectingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void compareFromTheMenuMarksTheDifferences();
    void panelAndMenuStayInStep_data();
    void panelAndMenuStayInStep();
    void newDetailRerunsAnActiveComparison();
    void designatedCommands();
    void clickEndsTheCompareSelection();
    void refillRenewsTheCompareSelection();
    void allLevelsMenuSetsTheSelectedWindowsBox();
};

void SelectingTest::compareFromTheMenuMarksTheDifferences()
{
    Pair pair;
    Started s(pair);
    s.trigger("mnuFileItem", 3);
    QCOMPARE(s.marked(LeftWindow), (QStringList{"newer", "only"}));
    QVERIFY(s.marked(RightWindow).isEmpty());
    QVERIFY2(s.label("lblSelCount_0").contains(QStringLiteral("比較選択")),
             qPrintable(s.label("lblSelCount_0")));
    QVERIFY2(s.label("lblCopyCount_0").contains(QStringLiteral("2 項目")),
             qPrintable(s.label("lblCopyCount_0")));

    // Both windows: the right one is compared the other way round.
    s.trigger("mnuSetWndw", 0);
    QVERIFY(s.window.settings().switchOn(FlagCompareBoth));
    s.trigger("mnuFileItem", 3);
    QCOMPARE(s.marked(LeftWindow), (QStringList{"newer", "only"}));
    QVERIFY(s.marked(RightWindow).isEmpty()); // older and nothing missing there
    s.trigger("mnuSetCmpDate", 2);            // 差がある
    QCOMPARE(s.marked(RightWindow), QStringList{QStringLiteral("newer")});
}

void SelectingTest::panelAndMenuStayInStep_data()
{
    QTest::addColumn<int>("menuIndex");
    QTest::addColumn<int>("box");
    QTest::newRow("存在") << 0 << 0;
    QTest::newRow("日付") << 1 << 1;
    QTest::newRow("サイズ") << 3 << 2;
    QTest::newRow("属性") << 5 << 3;
    QTest::newRow("名前大・小文字") << 6 << 4;
}

void SelectingTest::panelAndMenuStayInStep()
{
    QFETCH(int, menuIndex);
    QFETCH(int, box);
    Pair pair;
    Started s(pair);
    ComparePanel* panel = s.window.selecting()->panel();
    QAction* item = s.window.menus().action("mnuSetCmp", menuIndex);
    const bool before = panel->checkBox(box)->isChecked();
    QCOMPARE(item->isChecked(), before);
    item->trigger();
    QCOMPARE(panel->checkBox(box)->isChecked(), !before);
    QCOMPARE(item->isChecked(), !before);
    panel->checkBox(box)->click();
    QCOMPARE(item->isChecked(), before);
    // The detail submenu and its buttons follow the date and size boxes.
    if (box == 1 || box == 2) {
        QAction* detail = s.window.menus().action("mnuSetCmp", 2 * box);
        QCOMPARE(detail->isEnabled(), before);
        QCOMPARE(panel->optionButton(3 * (box - 1))->isEnabled(), before);
    }
    // Kept in the settings.
    QCOMPARE(s.window.settings().switchOn(FlagCheckBoxC + box), before);
}

void SelectingTest::newDetailRerunsAnActiveComparison()
{
    Pair pair;
    Started s(pair);
    s.trigger("mnuFileItem", 3);
    QCOMPARE(s.marked(LeftWindow), (QStringList{"newer", "only"}));
    s.window.selecting()->panel()->optionButton(1)->click(); // 古い
    QCOMPARE(s.marked(LeftWindow), QStringList{QStringLiteral("only")});
    QVERIFY(s.window.menus().action("mnuSetCmpDate", 1)->isChecked());
}

void SelectingTest::designatedCommands()
{
    Pair pair;
    Started s(pair);
    s.trigger("mnuFileSel", 0);
    QCOMPARE(s.marked(LeftWindow), (QStringList{"newer", "only", "same"}));
    QVERIFY(s.label("lblSelCount_0").contains(QStringLiteral("指定選択")));
    s.trigger("mnuFileSel", 2);
    QVERIFY(s.marked(LeftWindow).isEmpty());
    QVERIFY(s.label("lblSelCount_0").isEmpty());
    s.window.browsing()
        ->list(LeftWindow)
        .itemClicked(s.model(LeftWindow)->rowOfName(QStringLiteral("same")), 0);
    s.trigger("mnuFileSel", 1);
    QCOMPARE(s.marked(LeftWindow), (QStringList{"newer", "only"}));
    QCOMPARE(s.window.chosenFileCount(LeftWindow), 2);
}

void SelectingTest::clickEndsTheCompareSelection()
{
    Pair pair;
    Started s(pair);
    s.trigger("mnuFileItem", 3);
    QVERIFY(s.window.selecting()->marks().compareActive(LeftWindow));
    s.window.browsing()
        ->list(LeftWindow)
        .itemClicked(s.model(LeftWindow)->rowOfName(QStringLiteral("same")), 0);
    QVERIFY(!s.window.selecting()->marks().compareActive(LeftWindow));
    QCOMPARE(s.marked(LeftWindow), (QStringList{"newer", "only", "same"}));
    QVERIFY(s.label("lblSelCount_0").contains(QStringLiteral("指定選択")));
    QCOMPARE(s.window.selecting()->selectionLoad(LeftWindow).designatedItems, 3);
}

void SelectingTest::refillRenewsTheCompareSelection()
{
    Pair pair;
    Started s(pair);
    s.trigger("mnuFileItem", 3);
    QVERIFY(pair.dir.writeFile("l/added", "1"));
    s.trigger("mnuDispItem", 18); // F5
    QCOMPARE(s.marked(LeftWindow), (QStringList{"added", "newer", "only"}));
}

void SelectingTest::allLevelsMenuSetsTheSelectedWindowsBox()
{
    Pair pair;
    Started s(pair);
    s.trigger("mnuSetProc", 0);
    QVERIFY(s.window.pane(LeftWindow)->allLevelsBox()->isChecked());
    QVERIFY(!s.window.pane(RightWindow)->allLevelsBox()->isChecked());
    s.window.activateWindowIndex(RightWindow, 0);
    QVERIFY(s.window.menus().action("mnuSetProc", 1)->isChecked());
    s.window.pane(RightWindow)->allLevelsBox()->click();
    QVERIFY(s.window.menus().action("mnuSetProc", 0)->isChecked());
    QVERIFY(s.window.settings().switchOn(FlagCheckBoxA + RightWindow));
}

QTEST_MAIN(SelectingTest)
#include "tst_selecting.moc"
