#include "core/mainstate.h"

namespace tovane {

namespace {
// FlgXX items owned here.
constexpr int ItemTwoWindows = 0;
constexpr int ItemReselectHidden = 3;
constexpr int ItemContentDisplay = 4; // + slot
constexpr int ItemSizeUnitKB = 7;     // + slot
constexpr int ItemRightSelected = 10;
constexpr int ItemListFormList = 23;   // + slot; on = 一覧
constexpr int ItemDriveDigitsSix = 26; // + slot

bool flagAt(std::span<const bool> flags, int i, bool fallback)
{
    return size_t(i) < flags.size() ? flags[size_t(i)] : fallback;
}

void setFlagAt(std::span<bool> flags, int i, bool on)
{
    if (size_t(i) < flags.size())
        flags[size_t(i)] = on;
}
} // namespace

SwitchHost::~SwitchHost() = default;

MainState::MainState()
{
    m_slots[1].treeDivision = 400;
    m_slots[2].driveDigitsSix = true;
}

void MainState::setInitialSelection(WindowIndex w)
{
    m_pair = SelectedPair::of(isWindowIndex(w) ? w : LeftWindow);
}

int MainState::viewSlot(WindowIndex w) const
{
    return viewSlotOf(w, m_twoWindows, m_pair.selected);
}

QString MainState::windowLabel(WindowIndex w) const
{
    return tovane::windowLabel(w, !m_twoWindows || m_switching);
}

void MainState::setFunctionMode(int mode)
{
    m_functionMode = (mode >= 0 && mode <= 3) ? mode : 0;
}

int MainState::functionModeFrom(const QString& apType, const QString& apMode)
{
    if (apType != QLatin1String("x"))
        return 0;
    const QChar first = apMode.isEmpty() ? QChar() : apMode.at(0);
    const int mode =
        (first >= QLatin1Char('0') && first <= QLatin1Char('9')) ? first.digitValue() : 0;
    return (mode >= 1 && mode <= 3) ? mode : 1;
}

QString MainState::apTypeText() const
{
    return extendedMode() ? QStringLiteral("x") : QString();
}

QString MainState::apModeText() const
{
    return QString::number(m_functionMode);
}

void MainState::setShownContent(WindowIndex w, ContentKind kind, const QString& fileName)
{
    PerWindow& pw = m_windows[index(w)];
    pw.content = kind;
    pw.shownFile = kind == ContentKind::None ? QString() : fileName;
}

bool MainState::contentDisplayed(WindowIndex w) const
{
    return shownContent(w) != ContentKind::None && settingsOf(w).contentDisplay;
}

ContentKind MainState::displayedContent(WindowIndex w) const
{
    return contentDisplayed(w) ? shownContent(w) : ContentKind::None;
}

void MainState::setFontSizeIndex(int i)
{
    m_fontSizeIndex = (i >= 0 && i <= 3) ? i : 0;
}

bool MainState::toggleBusyLeavesToolbar(bool operationRunning)
{
    if (operationRunning)
        return false;
    m_busyLeavesToolbar = !m_busyLeavesToolbar;
    return true;
}

quint32 MainState::busySwitchLabelRgb() const
{
    return rgbFromBgr(m_busyLeavesToolbar ? BusySwitchOnLabel : BusySwitchOffLabel);
}

void MainState::setPictureBackground(int index)
{
    m_pictureBackground = index >= 0 ? index : 0;
}

std::array<quint32, 2> MainState::headerColours() const
{
    std::array<quint32, 2> rgb{};
    for (int w = 0; w < 2; ++w) {
        // The opposite header also shows the Ctrl+Shift+L switch.
        const BgrColour bgr = w != m_pair.selected
                                  ? (m_busyLeavesToolbar ? BusySwitchOnLabel : OppositeHeader)
                                  : (w == LeftWindow ? SelectedLeftHeader : SelectedRightHeader);
        rgb[w] = rgbFromBgr(bgr);
    }
    return rgb;
}

Activation MainState::activateWindow(WindowIndex w, int mode, bool operationRunning)
{
    Activation a;
    if (!m_started || m_rebuilding || !isWindowIndex(w) || mode == 3 || mode > 6)
        return a;
    // An operation in progress keeps its window; only the switch (negative
    // modes) moves the selection then.
    if (operationRunning && mode >= 0)
        w = m_pair.selected;

    a.applied = true;
    a.selectionChanged = w != m_pair.selected;
    a.closeDestinationList = a.selectionChanged || mode > 3;
    m_pair = SelectedPair::of(w);
    a.selected = w;
    a.refreshZoomPanel = !m_twoWindows;
    if (!m_switching) {
        a.setCaption = true;
        a.caption = listedPath(w);
        if (contentDisplayed(w))
            a.caption += shownFile(w);
    }
    a.viewSlot = viewSlot(w);
    a.headerRgb = headerColours();
    a.settings = slot(a.viewSlot);
    return a;
}

QList<SwitchStep> MainState::switchWindow(SwitchHost* host)
{
    QList<SwitchStep> steps;
    // Before start-up has finished the selection cannot move, and swapping
    // the frames alone would show the wrong window.
    if (!m_started || m_rebuilding)
        return steps;
    auto step = [&](SwitchStep::Kind kind, WindowIndex w, const Activation& a = Activation()) {
        SwitchStep s;
        s.kind = kind;
        s.window = w;
        s.activation = a;
        steps.append(s);
        if (host)
            host->perform(s);
    };

    const WindowIndex from = m_pair.selected;
    const WindowIndex to = m_pair.opposite;
    step(SwitchStep::EnterBusy, from);
    if (m_twoWindows) {
        step(SwitchStep::Activate, to, activateWindow(to, -1, true));
    } else {
        m_switching = true;
        step(SwitchStep::ShowFrame, to);
        step(SwitchStep::HideFrame, from);
        step(SwitchStep::Layout, to);
        step(SwitchStep::Activate, to, activateWindow(to, -1, true));
        step(SwitchStep::Layout, to);
        if (displayedContent(to) == ContentKind::Image)
            step(SwitchStep::RepaintImage, to);
        m_switching = false;
        // Again, now that the swap is done, so the caption is set.
        step(SwitchStep::Activate, m_pair.selected, activateWindow(m_pair.selected, -1, true));
    }
    step(SwitchStep::LeaveBusy, m_pair.selected);
    return steps;
}

WindowCountChange MainState::toggleWindowCount()
{
    WindowCountChange c;
    c.selectedSlotBefore = viewSlot(m_pair.selected);
    if (m_twoWindows) {
        for (PerWindow& pw : m_windows) {
            pw.changed = false;
            pw.rememberedPath = pw.listedPath;
        }
    } else {
        for (int w = 0; w < 2; ++w) {
            PerWindow& pw = m_windows[w];
            pw.changed = pw.listedPath != pw.rememberedPath;
            c.changed[w] = pw.changed;
        }
    }
    m_twoWindows = !m_twoWindows;

    c.twoWindows = m_twoWindows;
    c.widthItem = m_twoWindows ? 4 : 3;
    c.otherWindow = m_pair.opposite;
    c.showOtherContent = m_twoWindows && shownContent(m_pair.opposite) != ContentKind::None &&
                         settingsOf(m_pair.opposite).contentDisplay;
    c.selectedSlotAfter = viewSlot(m_pair.selected);
    c.focus = m_pair.selected;
    c.activation = activateWindow(m_pair.selected, -1, true);
    return c;
}

void MainState::readFlags(std::span<const bool> flags)
{
    m_twoWindows = flagAt(flags, ItemTwoWindows, m_twoWindows);
    m_reselectHidden = flagAt(flags, ItemReselectHidden, m_reselectHidden);
    for (int s = 0; s < ViewSlotCount; ++s) {
        ViewSlotSettings& v = m_slots[s];
        v.contentDisplay = flagAt(flags, ItemContentDisplay + s, v.contentDisplay);
        v.sizeUnitKB = flagAt(flags, ItemSizeUnitKB + s, v.sizeUnitKB);
        v.listForm = flagAt(flags, ItemListFormList + s, v.listForm == ListFormList)
                         ? ListFormList
                         : ListFormDetails;
        v.driveDigitsSix = flagAt(flags, ItemDriveDigitsSix + s, v.driveDigitsSix);
    }
    if (size_t(ItemRightSelected) < flags.size())
        setInitialSelection(flags[ItemRightSelected] ? RightWindow : LeftWindow);
}

void MainState::writeFlags(std::span<bool> flags) const
{
    setFlagAt(flags, ItemTwoWindows, m_twoWindows);
    setFlagAt(flags, ItemReselectHidden, m_reselectHidden);
    for (int s = 0; s < ViewSlotCount; ++s) {
        const ViewSlotSettings& v = m_slots[s];
        setFlagAt(flags, ItemContentDisplay + s, v.contentDisplay);
        setFlagAt(flags, ItemSizeUnitKB + s, v.sizeUnitKB);
        setFlagAt(flags, ItemListFormList + s, v.listForm == ListFormList);
        setFlagAt(flags, ItemDriveDigitsSix + s, v.driveDigitsSix);
    }
    setFlagAt(flags, ItemRightSelected, m_pair.selected == RightWindow);
}

void MainState::readScroll(std::span<const int> items)
{
    for (size_t i = 0; i < items.size() && i < 2 * ViewSlotCount; ++i) {
        if (items[i] < 0 || items[i] > 1000)
            continue;
        ViewSlotSettings& v = m_slots[i / 2];
        (i % 2 == 0 ? v.treeDivision : v.upperDivision) = items[i];
    }
}

std::array<int, 2 * ViewSlotCount> MainState::scrollItems() const
{
    std::array<int, 2 * ViewSlotCount> items{};
    for (int s = 0; s < ViewSlotCount; ++s) {
        items[2 * s] = m_slots[s].treeDivision;
        items[2 * s + 1] = m_slots[s].upperDivision;
    }
    return items;
}

void MainState::readCollapse(std::span<const bool> items)
{
    for (size_t i = 0; i < items.size() && i < CollapseFlagCount * ViewSlotCount; ++i)
        m_slots[i % ViewSlotCount].collapsed[i / ViewSlotCount] = items[i];
}

std::array<bool, CollapseFlagCount * ViewSlotCount> MainState::collapseItems() const
{
    std::array<bool, CollapseFlagCount * ViewSlotCount> items{};
    for (int k = 0; k < CollapseFlagCount; ++k)
        for (int s = 0; s < ViewSlotCount; ++s)
            items[ViewSlotCount * k + s] = m_slots[s].collapsed[k];
    return items;
}

void MainState::readZoomModes(std::span<const int> items)
{
    for (size_t s = 0; s < items.size() && s < ViewSlotCount; ++s)
        if (items[s] >= ZoomAuto && items[s] <= ZoomManual)
            m_slots[s].zoomMode = items[s];
}

std::array<int, ViewSlotCount> MainState::zoomModeItems() const
{
    std::array<int, ViewSlotCount> items{};
    for (int s = 0; s < ViewSlotCount; ++s)
        items[s] = m_slots[s].zoomMode;
    return items;
}

} // namespace tovane
