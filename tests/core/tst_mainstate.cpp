#include "core/mainstate.h"

#include <QtTest>

using namespace tovane;

namespace {

MainState startedState(WindowIndex selected = LeftWindow, bool twoWindows = true)
{
    MainState s;
    s.setInitialSelection(selected);
    s.setInitialTwoWindows(twoWindows);
    s.setListedPath(LeftWindow, u"/home/u/left/"_qs);
    s.setListedPath(RightWindow, u"/srv/right/"_qs);
    s.setStarted(true);
    return s;
}

// Notes what the state looks like at each step the widget performs.
class RecordingHost : public SwitchHost {
public:
    explicit RecordingHost(const MainState& state) : m_state(state) {}
    void perform(const SwitchStep& step) override
    {
        static const char* names[] = {"busy",     "show",    "hide", "layout",
                                      "activate", "repaint", "idle"};
        kinds << QString::fromLatin1(names[step.kind]) + QString::number(step.window);
        switchingAt << m_state.switching();
        selectedAt << m_state.selected();
        labels << m_state.windowLabel(m_state.selected());
    }
    QStringList kinds;
    QList<bool> switchingAt;
    QList<int> selectedAt;
    QStringList labels;

private:
    const MainState& m_state;
};

QList<bool> parseFlags(const QString& text)
{
    QList<bool> flags;
    for (const QString& item : text.split(u',', Qt::SkipEmptyParts))
        flags << (item == u"1");
    return flags;
}

} // namespace

class MainStateTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void activation_data()
    {
        QTest::addColumn<bool>("started");
        QTest::addColumn<bool>("rebuilding");
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("operationRunning");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<int>("selectedAfter");
        QTest::addColumn<bool>("closeList");
        // The selected window is 0 in every row.
        QTest::newRow("before start-up")
            << false << false << 1 << 0 << false << false << 0 << false;
        QTest::newRow("rebuilding") << true << true << 1 << 0 << false << false << 0 << false;
        QTest::newRow("mode 3 ignored") << true << false << 1 << 3 << false << false << 0 << false;
        QTest::newRow("mode 7 ignored") << true << false << 1 << 7 << false << false << 0 << false;
        QTest::newRow("no such window") << true << false << 2 << 0 << false << false << 0 << false;
        QTest::newRow("click other") << true << false << 1 << 0 << false << true << 1 << true;
        QTest::newRow("same, mode 0") << true << false << 0 << 0 << false << true << 0 << false;
        QTest::newRow("same, mode 4 closes list")
            << true << false << 0 << 4 << false << true << 0 << true;
        QTest::newRow("mode 6 other") << true << false << 1 << 6 << false << true << 1 << true;
        QTest::newRow("busy keeps window") << true << false << 1 << 4 << true << true << 0 << true;
        QTest::newRow("busy, switch moves")
            << true << false << 1 << -1 << true << true << 1 << true;
    }
    void activation()
    {
        QFETCH(bool, started);
        QFETCH(bool, rebuilding);
        QFETCH(int, window);
        QFETCH(int, mode);
        QFETCH(bool, operationRunning);
        QFETCH(bool, applied);
        QFETCH(int, selectedAfter);
        QFETCH(bool, closeList);
        MainState s = startedState();
        s.setStarted(started);
        s.setRebuilding(rebuilding);
        const Activation a = s.activateWindow(window, mode, operationRunning);
        QCOMPARE(a.applied, applied);
        QCOMPARE(s.selected(), selectedAfter);
        QCOMPARE(s.opposite(), 1 - selectedAfter);
        QCOMPARE(a.closeDestinationList, closeList);
        QCOMPARE(a.selectionChanged, applied && selectedAfter != 0);
    }

    void headerColours_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<quint32>("left");
        QTest::addColumn<quint32>("right");
        // 0x60FFFF and 0xFFFF80 are blue-green-red values.
        QTest::newRow("left selected") << 0 << quint32(0xFFFF60) << quint32(0xFFFFFF);
        QTest::newRow("right selected") << 1 << quint32(0xFFFFFF) << quint32(0x80FFFF);
    }
    void headerColours()
    {
        QFETCH(int, selected);
        QFETCH(quint32, left);
        QFETCH(quint32, right);
        MainState s = startedState(1 - selected);
        const Activation a = s.activateWindow(selected, 0, false);
        QCOMPARE(a.headerRgb[0], left);
        QCOMPARE(a.headerRgb[1], right);
    }

    void caption_data()
    {
        QTest::addColumn<int>("content");
        QTest::addColumn<bool>("displayOn");
        QTest::addColumn<QString>("caption");
        QTest::newRow("nothing shown") << int(ContentKind::None) << true << u"/srv/right/"_qs;
        QTest::newRow("text shown") << int(ContentKind::Text) << true << u"/srv/right/a.txt"_qs;
        QTest::newRow("display off") << int(ContentKind::Image) << false << u"/srv/right/"_qs;
    }
    void caption()
    {
        QFETCH(int, content);
        QFETCH(bool, displayOn);
        QFETCH(QString, caption);
        MainState s = startedState();
        s.slot(1).contentDisplay = displayOn;
        s.setShownContent(RightWindow, ContentKind(content), u"a.txt"_qs);
        const Activation a = s.activateWindow(RightWindow, 0, false);
        QVERIFY(a.setCaption);
        QCOMPARE(a.caption, caption);
    }

    void switchWindow_data()
    {
        QTest::addColumn<bool>("twoWindows");
        QTest::addColumn<bool>("imageShown");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("two windows")
            << true << false << QStringList{u"busy0"_qs, u"activate1"_qs, u"idle1"_qs};
        QTest::newRow("one window")
            << false << false
            << QStringList{u"busy0"_qs,     u"show1"_qs,   u"hide0"_qs,     u"layout1"_qs,
                           u"activate1"_qs, u"layout1"_qs, u"activate1"_qs, u"idle1"_qs};
        QTest::newRow("one window, image")
            << false << true << QStringList{u"busy0"_qs,    u"show1"_qs,     u"hide0"_qs,
                                            u"layout1"_qs,  u"activate1"_qs, u"layout1"_qs,
                                            u"repaint1"_qs, u"activate1"_qs, u"idle1"_qs};
    }
    void switchWindow()
    {
        QFETCH(bool, twoWindows);
        QFETCH(bool, imageShown);
        QFETCH(QStringList, steps);
        MainState s = startedState(LeftWindow, twoWindows);
        s.slot(2).contentDisplay = true;
        s.slot(1).contentDisplay = true;
        if (imageShown)
            s.setShownContent(RightWindow, ContentKind::Image, u"p.png"_qs);
        RecordingHost host(s);
        const QList<SwitchStep> returned = s.switchWindow(&host);
        QCOMPARE(host.kinds, steps);
        QCOMPARE(returned.size(), steps.size());
        QCOMPARE(s.selected(), RightWindow);
        QVERIFY(!s.switching());
        // Switching never touches the paths of either window.
        QCOMPARE(s.listedPath(LeftWindow), u"/home/u/left/"_qs);
        QCOMPARE(s.listedPath(RightWindow), u"/srv/right/"_qs);
    }

    void oneWindowSwitchWaitsForCaption()
    {
        MainState s = startedState(LeftWindow, false);
        RecordingHost host(s);
        const QList<SwitchStep> steps = s.switchWindow(&host);
        // The first activation runs inside the swap: no caption yet, the
        // label wrapped; the last one sets the caption of the new window.
        const int first = int(host.kinds.indexOf(u"activate1"_qs));
        const int last = int(host.kinds.lastIndexOf(u"activate1"_qs));
        QVERIFY(first >= 0 && last > first);
        QVERIFY(host.switchingAt[first]);
        QVERIFY(!host.switchingAt[last]);
        QVERIFY(!steps[first].activation.setCaption);
        QVERIFY(steps[last].activation.setCaption);
        QCOMPARE(steps[last].activation.caption, u"/srv/right/"_qs);
        QCOMPARE(host.labels[first], u"（右窓の）"_qs);
        // The shown window has the one-window slot, the hidden one its own.
        QCOMPARE(steps[last].activation.viewSlot, 2);
        QCOMPARE(s.viewSlot(LeftWindow), 0);
    }

    void switchBeforeStartDoesNothing()
    {
        MainState s = startedState(LeftWindow, false);
        s.setStarted(false);
        QVERIFY(s.switchWindow().isEmpty());
        QCOMPARE(s.selected(), LeftWindow);
    }

    void windowCount_data()
    {
        QTest::addColumn<bool>("switchWhileAlone");
        QTest::addColumn<QString>("newLeft");
        QTest::addColumn<QString>("newRight");
        QTest::addColumn<bool>("leftChanged");
        QTest::addColumn<bool>("rightChanged");
        QTest::newRow("nothing moved") << false << QString() << QString() << false << false;
        QTest::newRow("selected moved") << false << u"/tmp/"_qs << QString() << true << false;
        QTest::newRow("switched, other moved") << true << QString() << u"/etc/"_qs << false << true;
        QTest::newRow("moved and back")
            << false << u"/home/u/left/"_qs << QString() << false << false;
        QTest::newRow("both moved") << true << u"/a/"_qs << u"/b/"_qs << true << true;
    }
    void windowCount()
    {
        QFETCH(bool, switchWhileAlone);
        QFETCH(QString, newLeft);
        QFETCH(QString, newRight);
        QFETCH(bool, leftChanged);
        QFETCH(bool, rightChanged);
        MainState s = startedState();
        const WindowCountChange toOne = s.toggleWindowCount();
        QVERIFY(!toOne.twoWindows);
        QCOMPARE(toOne.widthItem, 3);
        QCOMPARE(toOne.selectedSlotBefore, 0);
        QCOMPARE(toOne.selectedSlotAfter, 2);
        if (switchWhileAlone)
            s.switchWindow();
        if (!newLeft.isEmpty())
            s.setListedPath(LeftWindow, newLeft);
        if (!newRight.isEmpty())
            s.setListedPath(RightWindow, newRight);
        const WindowCountChange toTwo = s.toggleWindowCount();
        QVERIFY(toTwo.twoWindows);
        QCOMPARE(toTwo.widthItem, 4);
        QCOMPARE(toTwo.changed[0], leftChanged);
        QCOMPARE(toTwo.changed[1], rightChanged);
        QCOMPARE(s.pathChangedWhileHidden(LeftWindow), leftChanged);
        QCOMPARE(s.pathChangedWhileHidden(RightWindow), rightChanged);
        QCOMPARE(toTwo.focus, s.selected());

        // Going to one window again starts afresh.
        s.toggleWindowCount();
        QVERIFY(!s.pathChangedWhileHidden(LeftWindow));
        QVERIFY(!s.pathChangedWhileHidden(RightWindow));
    }

    void settingsFollowTheViewSlot()
    {
        MainState s = startedState(RightWindow);
        s.slot(1).sizeUnitKB = true;
        s.slot(2).sizeUnitKB = false;
        QVERIFY(s.settingsOf(RightWindow).sizeUnitKB);
        s.toggleWindowCount();
        QVERIFY(!s.settingsOf(RightWindow).sizeUnitKB);
        s.settingsOf(RightWindow).listForm = ListFormList;
        QCOMPARE(s.slot(2).listForm, int(ListFormList));
        QCOMPARE(s.slot(1).listForm, int(ListFormDetails));
        // The hidden window keeps its own slot.
        QCOMPARE(&s.settingsOf(LeftWindow), &s.slot(0));
        QCOMPARE(s.windowLabel(LeftWindow), u"（左窓の）"_qs);
    }

    void showOtherContentAfterTwo_data()
    {
        QTest::addColumn<int>("content");
        QTest::addColumn<bool>("displayOn");
        QTest::addColumn<bool>("show");
        QTest::newRow("image, on") << int(ContentKind::Image) << true << true;
        QTest::newRow("text, off") << int(ContentKind::Text) << false << false;
        QTest::newRow("nothing") << int(ContentKind::None) << true << false;
    }
    void showOtherContentAfterTwo()
    {
        QFETCH(int, content);
        QFETCH(bool, displayOn);
        QFETCH(bool, show);
        MainState s = startedState(LeftWindow, false);
        s.slot(1).contentDisplay = displayOn;
        s.setShownContent(RightWindow, ContentKind(content), u"x"_qs);
        const WindowCountChange c = s.toggleWindowCount();
        QCOMPARE(c.otherWindow, RightWindow);
        QCOMPARE(c.showOtherContent, show);
    }

    void flagsRoundTrip()
    {
        // The stored default vector.
        const QList<bool> defaults = parseFlags(
            u"1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0,1,1,0,0,0,0,0,0,0,0,0,0,1,0,1,0,1,1,1,0,"_qs);
        QCOMPARE(defaults.size(), 36);
        QList<bool> flags = defaults;
        flags[10] = true; // right window selected at close
        flags[5] = true;  // content display of slot 1
        flags[24] = true; // slot 1 shows 一覧
        MainState s;
        s.readFlags(flags);
        QVERIFY(s.twoWindows());
        QCOMPARE(s.selected(), RightWindow);
        QVERIFY(s.slot(1).contentDisplay && !s.slot(0).contentDisplay);
        QCOMPARE(s.slot(1).listForm, int(ListFormList));
        QCOMPARE(s.slot(0).listForm, int(ListFormDetails));
        QVERIFY(s.slot(2).driveDigitsSix && !s.slot(0).driveDigitsSix);

        QList<bool> written(36, true);
        s.writeFlags(written);
        for (int i : {0, 3, 4, 5, 6, 7, 8, 9, 10, 23, 24, 25, 26, 27, 28})
            QCOMPARE(written[i], flags[i]);
        QVERIFY(written[1] && written[35]); // items of others untouched

        // A short vector leaves the missing items' values alone.
        MainState partial;
        partial.readFlags(QList<bool>{false});
        QVERIFY(!partial.twoWindows());
        QCOMPARE(partial.selected(), LeftWindow);
        QVERIFY(partial.slot(2).driveDigitsSix);
    }

    void storedLists()
    {
        MainState s;
        QCOMPARE(s.scrollItems(), (std::array<int, 6>{350, 700, 400, 700, 350, 700}));
        const std::array<int, 6> scroll{100, 1001, 0, 1000, -1, 500};
        s.readScroll(scroll);
        QCOMPARE(s.scrollItems(), (std::array<int, 6>{100, 700, 0, 1000, 350, 500}));

        std::array<bool, 9> collapse{};
        collapse[3 * 2 + 1] = true; // flag 2 of slot 1
        s.readCollapse(collapse);
        QVERIFY(s.slot(1).collapsed[2]);
        QVERIFY(!s.slot(2).collapsed[1]);
        QCOMPARE(s.collapseItems(), collapse);

        const std::array<int, 3> zoom{0, 4, 2};
        s.readZoomModes(zoom);
        QCOMPARE(s.zoomModeItems(), (std::array<int, 3>{0, 3, 2}));
    }

    void functionMode_data()
    {
        QTest::addColumn<QString>("apType");
        QTest::addColumn<QString>("apMode");
        QTest::addColumn<int>("mode");
        QTest::newRow("no type") << QString() << u"2"_qs << 0;
        QTest::newRow("extended 2") << u"x"_qs << u"2"_qs << 2;
        QTest::newRow("first character only") << u"x"_qs << u"3abc"_qs << 3;
        QTest::newRow("basic with type") << u"x"_qs << u"0"_qs << 1;
        QTest::newRow("out of range") << u"x"_qs << u"7"_qs << 1;
        QTest::newRow("empty mode") << u"x"_qs << QString() << 1;
        QTest::newRow("not a digit") << u"x"_qs << u"a"_qs << 1;
        QTest::newRow("other type") << u"y"_qs << u"3"_qs << 0;
    }
    void functionMode()
    {
        QFETCH(QString, apType);
        QFETCH(QString, apMode);
        QFETCH(int, mode);
        QCOMPARE(MainState::functionModeFrom(apType, apMode), mode);
        MainState s;
        s.setFunctionMode(mode);
        QCOMPARE(MainState::functionModeFrom(s.apTypeText(), s.apModeText()), mode);
    }

    void busySwitch()
    {
        MainState s;
        QCOMPARE(s.busySwitchLabelRgb(), quint32(0xFFFFFF));
        QVERIFY(!s.toggleBusyLeavesToolbar(true));
        QVERIFY(!s.busyLeavesToolbar());
        QVERIFY(s.toggleBusyLeavesToolbar(false));
        QVERIFY(s.busyLeavesToolbar());
        QCOMPARE(s.busySwitchLabelRgb(), quint32(0xFFD0E0));
    }
};

QTEST_GUILESS_MAIN(MainStateTest)
#include "tst_mainstate.moc"
