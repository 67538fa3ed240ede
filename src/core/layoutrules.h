#pragma once
// Layout arithmetic of the main window: the divisions of a window between
// tree, list and content area, the size limits of the main window and its
// remembered geometry (Frm1Size, in twips), and the keyboard nudges of the
// dividers. Sizes are pixels unless a name says twips.

#include <QRect>
#include <QString>

#include <array>

namespace tovane {

constexpr int TwipsPerPixel = 15;

// Divisions are stored as proportions 0-1000 in units of 1/1250 of the
// usable size: size = p * usable * 80 / 100000.
constexpr int MaxDivision = 1000;
constexpr int MinTreeWidth = 80;

struct DivisionLimits {
    int minTree = MinTreeWidth; // tree beside the list
    int minList = 80;           // what the tree must leave of the width
    int minUpper = 80;          // list above the content area
    int minLower = 80;          // what the list must leave of the height
};

// The size a proportion gives, at least `minimum` and, where the usable size
// allows, leaving `otherMinimum` for the other part.
int divisionSize(int proportion, int usable, int minimum, int otherMinimum = 0);
// The proportion a released size gives, within 0-1000. Without usable room
// nothing can be measured and `previous` is kept.
int divisionProportion(int size, int usable, int previous);
// A dragged size bounded by the minimum and by the room left for the other part.
int boundDivision(int wanted, int usable, int minimum, int otherMinimum);

struct DivisionGeometry {
    int usableWidth = 0;
    int usableHeight = 0;
    int treeWidth = 0;
    int upperHeight = 0;
};

struct DivisionChange {
    int treeWidth = 0;
    int upperHeight = 0;
    int treeDivision = 0;  // to store for the view slot
    int upperDivision = 0; // to store for the view slot
};

// A drag of the divider label by (dx, dy), as stored on release.
DivisionChange dragDivision(const DivisionGeometry& g, int dx, int dy, int treeDivision,
                            int upperDivision, const DivisionLimits& limits = DivisionLimits());

// MoveFormByKeys directions: Ctrl+G/H/Y/B move left, right, up, down;
// Ctrl+",", "O", "P", "." make narrower, lower, higher, wider.
enum MoveDirection : int {
    MoveLeft = 0,
    MoveNarrower = 1,
    MoveRight = 2,
    MoveLower = 3,
    MoveUp = 4,
    MoveHigher = 5,
    MoveDown = 6,
    MoveWider = 7,
};
// The direction of a Qt key of either group, or -1.
int moveDirectionForKey(int qtKey);

struct DividerNudge {
    int dx = 0; // tree width
    int dy = 0; // height of the upper area
};
// One pixel, ten with Shift. In the main window both groups move the
// selected window's dividers.
DividerNudge nudgeFor(int direction, bool shift);

// --- main window size ---
// Width within half the screen ... screen + 8 px; the height likewise.
int clampMainExtent(int extent, int screenExtent);

// Frm1Size items: top, left, height, width with one window, width with two.
using Frm1Size = std::array<int, 5>;
constexpr int Frm1Top = 0, Frm1Left = 1, Frm1Height = 2, Frm1WidthOne = 3, Frm1WidthTwo = 4;

inline int frm1WidthItem(bool twoWindows)
{
    return twoWindows ? Frm1WidthTwo : Frm1WidthOne;
}

struct MainResize {
    bool ignored = false;              // minimised, or the one-window display is swapping
    bool closeDestinationList = false; // before anything else
    bool setBack = false;              // the size was outside its bounds
    QSize size;                        // the size to keep (bounded)
};

// The main window was resized to `geometry` (frame position, client size).
// Notes top, left, height and the width of the current window count in
// `frm1` (twips) and says whether the size must be set back to a bound.
MainResize noteMainResize(Frm1Size& frm1, const QRect& geometry, const QSize& screen,
                          bool twoWindows, bool minimised, bool switching);

// The default before the key is read, from the designed position (twips).
Frm1Size defaultFrm1Size(int designTop, int designLeft, const QSize& screenTwips);
// After reading: a top or left far off the screen becomes 0.
void checkFrm1Size(Frm1Size& frm1, const QSize& screenTwips);

// --- screen scale ---
double twipsPerPixelForDpi(double logicalDpi);
// The start-up warning for a scale other than 15, 12, 10 or 20 twips per
// pixel; empty when none is due.
QString screenScaleWarning(double twipsPerPixel);

} // namespace tovane
