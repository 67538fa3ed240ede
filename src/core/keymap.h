#pragma once
// The main window's key handling as a pure classifier: the main window sees
// every key before its controls, asks classifyKey what the key means in the
// current state and carries that out. Also the value steps some keys make
// (picture background, text font size, slide interval).

#include "core/windows.h"

#include <QString>
#include <Qt>

namespace tovane {

struct KeyContext {
    bool destinationListOpen = false; // ListF
    // A long operation runs (the slide show does not count: its keys work).
    bool operationRunning = false;
    bool progressShown = false;
    ContentKind content = ContentKind::None; // displayed in the selected window
    bool slideShowRunning = false;
    int chosenFiles = 0; // chosen files of the selected window's list (no folders)
    int listFiles = 0;   // files in the selected window's list
    // The content box has the focus and takes typing (editable text): Enter
    // and the number keys are then characters of the text.
    bool typingInContent = false;
    // The list's current row: 0 none, 1 a file, 2 a folder.
    int currentRow = 0;
    // The selected window shows a folder (not the drive list).
    bool folderShown = false;
};

enum class KeyCommand {
    None,        // the key goes on to the focused control
    LeftToMenus, // a menu shortcut may take it
    IgnoredFunctionKey,
    Refused, // a command key while an operation runs: the key does nothing
    CloseDestinationList,
    EscapeToContent, // the content viewer takes Esc
    DeselectAll,     // "選択を解除" (mnuFileSel item 2)
    EscapeOnly,      // only the interrupt request and the focus
    OpenChosenFiles,
    TooManyChosenFiles, // the message of tooManyFilesText(), nothing opened
    OpenCurrentRow,     // Enter without chosen files: the current folder or file
    ParentFolder,       // Backspace, Alt+Up
    DeleteItems,        // Delete; argument: ModifierBits (Shift erases, Ctrl unconditional)
    ReapplyState,       // ActivateWindow (selected, 0)
    // Ctrl + letter
    CyclePictureBackground, // C
    ToggleContentSize,      // F: mnuDispScrn
    ListClickCurrent,       // L without an image: focus the list, click its current item
    RotateImage,            // argument: mnuImgRtt item (R 0, L 1, X 2, N 4, V 5)
    SetZoomMode,            // argument: mnuDispImgCff item (A 0, M 3)
    StartSlideShow,         // S or F1; argument 1 for F1 (held: test run)
    FocusTree,              // T
    ToggleListForm,         // W: mnuListView
    MoveDivider,            // argument: MoveDirection; shift: ten pixels
    // Number keys *, +, -, /, 0
    TextFontStep, // argument: FontStep
    ImageZoom,    // argument: mnuDispImg item (* 6, + 5, - 3, / 2, 0 4)
    // Ctrl + Shift + letter
    ToggleBusyLeavesToolbar,  // L
    ToggleMessageBoxPosition, // M: FlgMsgBoxPos
    StartScreenSaver,         // S
    ToggleMaximised,          // X
    InterruptAndRefresh,      // Z
    RefreshTrees,             // T
    RefreshContent,           // V
    // Slide show running, no modifier
    SlideLonger,  // "."
    SlideShorter, // ","
    SlidePause,   // S
    SlideEnd,     // X
};

enum FontStep { FontDouble = 0, FontLarger = 1, FontSmaller = 2, FontHalve = 3, FontReset = 4 };

struct KeyAction {
    KeyCommand command = KeyCommand::None;
    int argument = 0;
    bool shift = false;           // MoveDivider: ten pixels
    bool setsInterrupt = false;   // Esc, Ctrl+Shift+Z
    bool clearsInterrupt = false; // every other key but a modifier alone
    bool focusSelected = false;   // give the focus back to the selected window afterwards
    // The key is handled here; the control must not see it.
    bool consumed() const
    {
        return command != KeyCommand::None && command != KeyCommand::LeftToMenus;
    }
};

KeyAction classifyKey(int qtKey, Qt::KeyboardModifiers modifiers, const KeyContext& context);

// Enter opens at most this many chosen files.
constexpr int MaxFilesToOpen = 5;
QString tooManyFilesText();
QString tooManyFilesTitle();

// Picture background cycle of Ctrl+C (0x00BBGGRR values).
constexpr int PictureBackgroundCount = 7;
BgrColour pictureBackgroundColour(int index);
int nextPictureBackground(int index);

// Text font size of the number keys, kept within 4..512 points.
constexpr int MinFontPoints = 4;
constexpr int MaxFontPoints = 512;
constexpr int DefaultFontPoints = 9;
int textFontSizeStep(int points, int step);

// Slide interval of "." and ",": +/- 1000 ms within 1000..30000.
constexpr int MinSlideInterval = 1000;
constexpr int MaxSlideInterval = 30000;
constexpr int DefaultSlideInterval = 5000;
int slideIntervalStep(int intervalMs, int deltaMs);

} // namespace tovane
