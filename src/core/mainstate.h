#pragma once
// Program-wide and per-window state of the main window, and the window
// operations (activate, switch, one/two windows) as pure transitions. The
// widget applies the results it gets back; it keeps no state of its own that
// these rules depend on.

#include "core/windows.h"

#include <QList>
#include <QString>

#include <array>
#include <span>

namespace tovane {

// Header label colours (0x00BBGGRR).
constexpr BgrColour SelectedLeftHeader = 0x60FFFF;
constexpr BgrColour SelectedRightHeader = 0xFFFF80;
constexpr BgrColour OppositeHeader = 0xFFFFFF;
// The two lblP labels while the "busy leaves the toolbar alone" switch is on/off.
constexpr BgrColour BusySwitchOnLabel = 0xE0D0FF;
constexpr BgrColour BusySwitchOffLabel = 0xFFFFFF;

constexpr int ViewSlotCount = 3;
constexpr int CollapseFlagCount = 3;

// Index of mnuListView.
enum ListForm { ListFormList = 0, ListFormDetails = 1 };
// Index of mnuDispImgCff.
enum ZoomMode { ZoomAuto = 0, ZoomAutoOverflow = 1, ZoomAutoStretch = 2, ZoomManual = 3 };

// Settings kept per view slot (0 left, 1 right, 2 the selected window alone).
struct ViewSlotSettings {
    bool contentDisplay = false; // "ファイル内容表示" 必要
    bool sizeUnitKB = false;     // "ファイルサイズ表示単位" kB
    int listForm = ListFormDetails;
    bool driveDigitsSix = false; // "ドライブ容量表示桁数" ６桁
    int zoomMode = ZoomManual;
    // Divisions as proportions 0-1000 in 1/1250 of the usable size.
    int treeDivision = 350;
    int upperDivision = 700;
    std::array<bool, CollapseFlagCount> collapsed{};

    bool operator==(const ViewSlotSettings&) const = default;
};

// What activateWindow asks the widget to apply.
struct Activation {
    bool applied = false;          // false: ignored, nothing to do
    bool selectionChanged = false; // the selected window is another one now
    bool closeDestinationList = false;
    WindowIndex selected = LeftWindow;
    int viewSlot = 0;              // of the selected window
    bool refreshZoomPanel = false; // one window shown: text size / zoom panel
    bool setCaption = false;       // false while the one-window display swaps
    QString caption;
    std::array<quint32, 2> headerRgb{}; // 0x00RRGGBB per window
    ViewSlotSettings settings;          // the selected window's, for the menu marks
};

// One step of a window switch, in the order the widget performs them.
struct SwitchStep {
    enum Kind { EnterBusy, ShowFrame, HideFrame, Layout, Activate, RepaintImage, LeaveBusy };
    Kind kind = EnterBusy;
    WindowIndex window = LeftWindow;
    Activation activation; // Activate only

    bool operator==(const SwitchStep& o) const { return kind == o.kind && window == o.window; }
};

// Receives the steps of a switch while the state is at that point (the
// switching flag is set during the swap), so the widget can lay out and
// activate in between.
class SwitchHost {
public:
    virtual ~SwitchHost();
    virtual void perform(const SwitchStep& step) = 0;
};

struct WindowCountChange {
    bool twoWindows = true; // the display after the change
    int widthItem = 4;      // Frm1Size item that holds the width to apply
    // Going back to two: the windows whose listed path differs from the one
    // remembered when the display went to one window.
    std::array<bool, 2> changed{};
    // The window shown again (two windows now) or hidden (one window now).
    WindowIndex otherWindow = RightWindow;
    // Going back to two: the shown-again window's view slot wants content.
    bool showOtherContent = false;
    int selectedSlotBefore = 0;
    int selectedSlotAfter = 0;
    WindowIndex focus = LeftWindow;
    Activation activation; // refresh of the selected window for its new view slot
};

class MainState {
public:
    MainState();

    // --- identity of the windows ---
    SelectedPair pair() const { return m_pair; }
    WindowIndex selected() const { return m_pair.selected; }
    WindowIndex opposite() const { return m_pair.opposite; }
    // Start-up only (FlgXX item 10); later changes go through activateWindow.
    void setInitialSelection(WindowIndex w);

    bool twoWindows() const { return m_twoWindows; }
    // Start-up only; later changes go through toggleWindowCount.
    void setInitialTwoWindows(bool on) { m_twoWindows = on; }
    bool switching() const { return m_switching; }
    bool started() const { return m_started; }
    void setStarted(bool on) { m_started = on; }
    // While the main window is being rebuilt, activation is ignored.
    bool rebuilding() const { return m_rebuilding; }
    void setRebuilding(bool on) { m_rebuilding = on; }

    int viewSlot(WindowIndex w) const;
    QString windowLabel(WindowIndex w) const;

    // --- function mode 0 基本, 1-3 拡張１-３ ---
    int functionMode() const { return m_functionMode; }
    void setFunctionMode(int mode);
    bool extendedMode() const { return m_functionMode > 0; }
    // ApType / ApMode as stored: without ApType "x" the mode is basic; with
    // it a mode outside 1-3 becomes 1.
    static int functionModeFrom(const QString& apType, const QString& apMode);
    QString apTypeText() const; // "x" or empty (the key is then not written)
    QString apModeText() const;

    // --- per window ---
    QString listedPath(WindowIndex w) const { return m_windows[index(w)].listedPath; }
    void setListedPath(WindowIndex w, const QString& path)
    {
        m_windows[index(w)].listedPath = path;
    }
    QString treeTop(WindowIndex w) const { return m_windows[index(w)].treeTop; }
    void setTreeTop(WindowIndex w, const QString& key) { m_windows[index(w)].treeTop = key; }
    QString rememberedPath(WindowIndex w) const { return m_windows[index(w)].rememberedPath; }
    bool pathChangedWhileHidden(WindowIndex w) const { return m_windows[index(w)].changed; }
    void clearPathChanged(WindowIndex w) { m_windows[index(w)].changed = false; }

    // Whether the volume of the window's path could be written when it was
    // last asked (start-up); the operations ask again before they write.
    bool volumeWritable(WindowIndex w) const { return m_windows[index(w)].writable; }
    void setVolumeWritable(WindowIndex w, bool on) { m_windows[index(w)].writable = on; }

    // Windows marked for a tree and list refresh (run by the deferred jobs).
    bool refreshMarked(WindowIndex w) const { return m_windows[index(w)].refresh; }
    void markForRefresh(WindowIndex w) { m_windows[index(w)].refresh = true; }
    bool anyRefreshMarked() const { return m_windows[0].refresh || m_windows[1].refresh; }
    void clearRefreshMarks() { m_windows[0].refresh = m_windows[1].refresh = false; }

    // The viewer tells what the content area holds; it stays known while the
    // content display is switched off, so it can be shown again.
    ContentKind shownContent(WindowIndex w) const { return m_windows[index(w)].content; }
    QString shownFile(WindowIndex w) const { return m_windows[index(w)].shownFile; }
    void setShownContent(WindowIndex w, ContentKind kind, const QString& fileName = QString());
    // Shown and the window's view slot has the content display on.
    bool contentDisplayed(WindowIndex w) const;
    ContentKind displayedContent(WindowIndex w) const;

    // --- per view slot ---
    const ViewSlotSettings& slot(int s) const { return m_slots[slotIndex(s)]; }
    ViewSlotSettings& slot(int s) { return m_slots[slotIndex(s)]; }
    // The settings of window w through its current view slot.
    const ViewSlotSettings& settingsOf(WindowIndex w) const { return slot(viewSlot(w)); }
    ViewSlotSettings& settingsOf(WindowIndex w) { return slot(viewSlot(w)); }

    // --- program-wide ---
    // Screen character size 0-3 = 9-12 points.
    int fontSizeIndex() const { return m_fontSizeIndex; }
    void setFontSizeIndex(int i);
    int fontPoints() const { return 9 + m_fontSizeIndex; }

    // Ctrl+Shift+L: entering and leaving the busy state touch only the stop button.
    bool busyLeavesToolbar() const { return m_busyLeavesToolbar; }
    // Refused (false) while an operation runs.
    bool toggleBusyLeavesToolbar(bool operationRunning);
    quint32 busySwitchLabelRgb() const;
    // 0x00RRGGBB of both header labels for the current selection and switch.
    std::array<quint32, 2> headerColours() const;

    // FlgMsgBoxPos: plain messages open at their remembered position.
    bool messageBoxAtRemembered() const { return m_messageBoxAtRemembered; }
    void setMessageBoxAtRemembered(bool on) { m_messageBoxAtRemembered = on; }
    // "（１窓時）非表示窓再選択" 必要 (FlgXX item 3).
    bool reselectHidden() const { return m_reselectHidden; }
    void setReselectHidden(bool on) { m_reselectHidden = on; }

    // Picture background: index into the colour cycle of Ctrl+C.
    int pictureBackground() const { return m_pictureBackground; }
    void setPictureBackground(int index);

    // --- operations ---
    // ActivateWindow (w, mode). Mode 3 and modes above 6 are ignored; while an
    // operation runs only a negative mode may change the selected window.
    Activation activateWindow(WindowIndex w, int mode, bool operationRunning);
    // "選択窓を切替": one- and two-window variants. Calls the host at each
    // step when one is given, and returns the steps.
    QList<SwitchStep> switchWindow(SwitchHost* host = nullptr);
    // "窓数を増減".
    WindowCountChange toggleWindowCount();

    // --- stored forms (only the items this state owns are read or written;
    // a shorter vector leaves the values of its missing items alone) ---
    // FlgXX items 0, 3-10, 23-28. Item 23 + s on means 一覧 for slot s.
    void readFlags(std::span<const bool> flags);
    void writeFlags(std::span<bool> flags) const;
    // Scroll: 6 items, the two divisions of slots 0, 1, 2 in turn; an item
    // outside 0-1000 keeps the current value.
    void readScroll(std::span<const int> items);
    std::array<int, 2 * ViewSlotCount> scrollItems() const;
    // FlgTVH: 9 items, item 3k + s is collapse flag k of slot s.
    void readCollapse(std::span<const bool> items);
    std::array<bool, CollapseFlagCount * ViewSlotCount> collapseItems() const;
    // PicSizeAutoMan: the zoom mode of slots 0, 1, 2.
    void readZoomModes(std::span<const int> items);
    std::array<int, ViewSlotCount> zoomModeItems() const;

private:
    struct PerWindow {
        QString listedPath;
        QString treeTop = QStringLiteral("_");
        QString rememberedPath;
        bool changed = false;
        bool refresh = false;
        bool writable = true;
        ContentKind content = ContentKind::None;
        QString shownFile;
    };
    static int index(WindowIndex w) { return w == RightWindow ? 1 : 0; }
    static int slotIndex(int s) { return s < 0 || s >= ViewSlotCount ? 0 : s; }

    SelectedPair m_pair;
    bool m_twoWindows = true;
    bool m_switching = false;
    bool m_started = false;
    bool m_rebuilding = false;
    int m_functionMode = 0;
    std::array<PerWindow, 2> m_windows;
    std::array<ViewSlotSettings, ViewSlotCount> m_slots;
    int m_fontSizeIndex = 0;
    bool m_busyLeavesToolbar = false;
    bool m_messageBoxAtRemembered = false;
    bool m_reselectHidden = false;
    int m_pictureBackground = 0;
};

} // namespace tovane
