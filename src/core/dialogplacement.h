#pragma once
// Where dialogs open and how large they are. Positions and sizes stay in
// twips because the settings file stores them so and its defaults and checks
// are written in twips; the widgets convert with the screen metrics.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>

namespace tovane {

// The screen as dialogs see it: the available geometry (without panels), in
// twips, and the heights of a window caption and of a menu bar.
struct ScreenMetrics {
    int twipsPerPixel = 15;
    int screenLeft = 0; // origin of the available geometry
    int screenTop = 0;
    int screenWidth = 1024 * 15;
    int screenHeight = 768 * 15;
    int captionHeight = 23 * 15;
    int menuHeight = 20 * 15;

    // A scale of 0 or below would divide by zero: such metrics count as 15.
    int scale() const { return twipsPerPixel > 0 ? twipsPerPixel : 15; }
    int toTwips(int pixels) const { return pixels * scale(); }
    int toPixels(int twips) const;
    // 40 pixels of a dialog stay on the screen (600 twips at the standard scale).
    int placementMargin() const { return 40 * scale(); }
};

// Remembered dialog positions and size factors. The settings keep slots 0-7
// of the positions and 0-5 of the size factors; the dialogs that use the
// slots above (8, 9) keep theirs for the run only.
struct DialogPositions {
    static constexpr int Slots = 10;
    static constexpr int StoredSlots = 8;
    static constexpr int SizeSlots = 10;
    static constexpr int StoredSizeSlots = 6;
    static constexpr int DefaultLeft = 400;
    static constexpr int DefaultTop = 300;
    static constexpr int DefaultSizeFactor = 100;

    std::array<int, Slots> left;
    std::array<int, Slots> top;
    std::array<int, SizeSlots> sizeFactor; // percent of the designed size

    DialogPositions()
    {
        left.fill(DefaultLeft);
        top.fill(DefaultTop);
        sizeFactor.fill(DefaultSizeFactor);
    }
};

// Position slots of the dialogs built so far.
enum DialogSlot : int {
    SlotConfirmation = 0,
    SlotTextInput = 1,
    SlotDateTime = 2,
    SlotSerial = 3,
    SlotSearch = 4,
    SlotMessage = 7,
};
// Size factor slot of the text input dialog's box height.
constexpr int SizeSlotTextInput = 0;
// Size factor slot of the date/time form's width.
constexpr int SizeSlotDateTime = 1;
// Size factor slots of the search dialog's height and width.
constexpr int SizeSlotSearchHeight = 2;
constexpr int SizeSlotSearchWidth = 3;

// Brings a remembered position back onto the screen so that at least the
// placement margin of the dialog is visible: left + width below the margin
// gives left = margin - width; left beyond screen width - margin gives that;
// a negative top gives 0; a top beyond screen height - margin gives that.
// Coordinates are relative to the available geometry's origin.
QPoint clampDialogPosition(QPoint twips, QSize sizeTwips, const ScreenMetrics& metrics);

// The position a dialog of this size opens at: the remembered one of `slot`,
// clamped (and the clamped value kept in `positions`). A slot outside the
// table has nothing remembered: the dialog is centred.
QPoint placeDialog(DialogPositions& positions, int slot, QSize sizeTwips,
                   const ScreenMetrics& metrics);

// Centred on the available geometry.
QPoint centredDialogPosition(QSize sizeTwips, const ScreenMetrics& metrics);

// Stores where a dialog was left; slots outside the table are ignored.
void rememberDialogPosition(DialogPositions& positions, int slot, QPoint twips);

// Characters of the screen character size that fit on a line beginning at
// `left` with `extraWidth` kept free (both twips), at least 1. The character
// widths of font size index 0-3 are 6.7, 7.4, 8.1 and 8.2 pixels.
int charactersPerLine(int left, int extraWidth, int fontSizeIndex, const ScreenMetrics& metrics);

// Lines a message needs: each line break (CR LF, or LF alone) starts a line,
// and a line longer than charactersPerLine() (counted in bytes of the classic
// code page) wraps onto as many lines as it fills. `widest` comes in with the
// widest line known so far and leaves with the widest line of the text in
// bytes, capped at the characters per line.
int textLinesFor(const QString& text, int left, int extraWidth, int& widest, int fontSizeIndex,
                 const ScreenMetrics& metrics);

// Keyboard size adjustment of dialogs (Ctrl with G, H, Y, B or ",", O, P, ".").
enum FormKeyDirection : int {
    FormLeft = 0,
    FormNarrower = 1,
    FormRight = 2,
    FormLower = 3,
    FormUp = 4,
    FormHigher = 5,
    FormDown = 6,
    FormWider = 7,
};

// The direction of a key pressed with Ctrl, or -1. "<" and ">" stand for ","
// and "." typed with Shift.
int formKeyDirection(int qtKey);

// The new geometry (twips) of a dialog after one size step: 1 pixel, 10 with
// Shift. Left and narrower take width away, right and wider add it; up and
// lower take height away, down and higher add it. Growing stops 8 pixels
// before the screen's right and bottom edges; shrinking stops at `minimum`.
// A step never moves the dialog, and never shrinks it while growing.
QRect resizeFormByKey(const QRect& formTwips, int direction, bool shiftHeld, QSize minimumTwips,
                      const ScreenMetrics& metrics);

// A remembered size factor applied to a designed size; factors of 0 or below
// (a damaged settings value) count as 100.
int scaledBySizeFactor(int designed, int factor);
// The factor that reproduces `actual` from `designed`, rounded.
int sizeFactorFor(int designed, int actual);

} // namespace tovane
