#pragma once
// Identity of the two windows and the per-window values derived from it.

#include <QString>
#include <QtGlobal>

namespace tovane {

using WindowIndex = int; // 0 left, 1 right
constexpr WindowIndex LeftWindow = 0;
constexpr WindowIndex RightWindow = 1;

inline bool isWindowIndex(int w)
{
    return w == LeftWindow || w == RightWindow;
}
inline WindowIndex oppositeOf(WindowIndex w)
{
    return 1 - w;
}

// Loops over both windows start with the selected one and step to the other.
struct SelectedPair {
    WindowIndex selected = LeftWindow;
    WindowIndex opposite = RightWindow;
    int step = 1; // opposite - selected

    static SelectedPair of(WindowIndex selectedWindow)
    {
        SelectedPair p;
        p.selected = selectedWindow;
        p.opposite = oppositeOf(selectedWindow);
        p.step = p.opposite - p.selected;
        return p;
    }
    WindowIndex operator[](int i) const { return i == 0 ? selected : opposite; }
};

// Settings kept per view slot have three values: one per window while both are
// shown, and a separate one (slot 2) for the selected window shown alone.
inline int viewSlotOf(WindowIndex w, bool twoWindows, WindowIndex selected)
{
    return (twoWindows || w != selected) ? w : 2;
}

// What a window's content area is showing: the text box or the picture box.
enum class ContentKind { None, Text, Image };

// Colours are kept as the 0x00BBGGRR values the settings and texts use; the
// GUI turns them into 0x00RRGGBB for QColor::fromRgb.
using BgrColour = quint32;
constexpr quint32 rgbFromBgr(BgrColour bgr)
{
    return ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
}

// "左窓の" / "右窓の", wrapped in full-width parentheses while one window is
// shown or the one-window display is switching windows.
QString windowLabel(WindowIndex w, bool oneWindowOrSwitching);

} // namespace tovane
