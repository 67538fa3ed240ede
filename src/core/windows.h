#pragma once
// Identity of the two windows and the per-window values derived from it.

#include <QString>

namespace tovane {

using WindowIndex = int; // 0 left, 1 right
constexpr WindowIndex LeftWindow = 0;
constexpr WindowIndex RightWindow = 1;

inline bool isWindowIndex(int w) { return w == LeftWindow || w == RightWindow; }
inline WindowIndex oppositeOf(WindowIndex w) { return 1 - w; }

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

// "左窓の" / "右窓の", wrapped in full-width parentheses while one window is
// shown or the one-window display is switching windows.
QString windowLabel(WindowIndex w, bool oneWindowOrSwitching);

} // namespace tovane
