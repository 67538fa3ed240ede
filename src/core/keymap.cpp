#include "core/keymap.h"

#include "core/layoutrules.h"
#include "tree/treerules.h"

#include <QtGlobal>

namespace tovane {

namespace {

constexpr Qt::KeyboardModifiers HeldMask =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
        return true;
    default:
        return false;
    }
}

bool isFunctionKey(int key)
{
    return key >= Qt::Key_F1 && key <= Qt::Key_F16;
}

// Digits 1-9 and D, E, K, N, U on the main keyboard and F1-F15: the keys the
// menus have shortcuts on.
bool isMenuShortcutKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (key >= Qt::Key_1 && key <= Qt::Key_9)
        return !(modifiers & Qt::KeypadModifier);
    switch (key) {
    case Qt::Key_D:
    case Qt::Key_E:
    case Qt::Key_K:
    case Qt::Key_N:
    case Qt::Key_U:
        return true;
    default:
        return key >= Qt::Key_F1 && key <= Qt::Key_F15;
    }
}

// Keys that run a menu command: while an operation runs the menus are
// disabled, and the keys must not get round that.
bool runsMenuCommand(KeyCommand c)
{
    switch (c) {
    case KeyCommand::OpenChosenFiles:
    case KeyCommand::TooManyChosenFiles:
    case KeyCommand::OpenCurrentRow:
    case KeyCommand::ParentFolder:
    case KeyCommand::DeleteItems:
    case KeyCommand::ToggleContentSize:
    case KeyCommand::ListClickCurrent:
    case KeyCommand::RotateImage:
    case KeyCommand::SetZoomMode:
    case KeyCommand::StartSlideShow:
    case KeyCommand::ToggleListForm:
    case KeyCommand::ImageZoom:
    case KeyCommand::RefreshTrees:
    case KeyCommand::RefreshContent:
        return true;
    default:
        return false;
    }
}

KeyAction make(KeyCommand c, int argument = 0)
{
    KeyAction a;
    a.command = c;
    a.argument = argument;
    return a;
}

KeyAction ctrlShiftLetter(int key, const KeyContext& ctx)
{
    switch (key) {
    case Qt::Key_L:
        return make(ctx.operationRunning ? KeyCommand::Refused
                                         : KeyCommand::ToggleBusyLeavesToolbar);
    case Qt::Key_M:
        return make(KeyCommand::ToggleMessageBoxPosition);
    case Qt::Key_S:
        return make(KeyCommand::StartScreenSaver);
    case Qt::Key_X:
        return make(KeyCommand::ToggleMaximised);
    case Qt::Key_Z:
        return make(KeyCommand::InterruptAndRefresh);
    case Qt::Key_T:
        return make(KeyCommand::RefreshTrees);
    case Qt::Key_V:
        return make(KeyCommand::RefreshContent);
    default:
        return make(KeyCommand::None);
    }
}

KeyAction ctrlLetter(int key, const KeyContext& ctx)
{
    const bool image = ctx.content == ContentKind::Image;
    const bool shown = ctx.content != ContentKind::None;
    switch (key) {
    case Qt::Key_C:
        if (image)
            return make(KeyCommand::CyclePictureBackground);
        break;
    case Qt::Key_F:
        if (shown)
            return make(KeyCommand::ToggleContentSize);
        break;
    case Qt::Key_L:
        return image ? make(KeyCommand::RotateImage, 1) : make(KeyCommand::ListClickCurrent);
    case Qt::Key_R:
        if (image)
            return make(KeyCommand::RotateImage, 0);
        break;
    case Qt::Key_X:
        if (image)
            return make(KeyCommand::RotateImage, 2);
        break;
    case Qt::Key_N:
        if (image)
            return make(KeyCommand::RotateImage, 4);
        break;
    case Qt::Key_V:
        if (image)
            return make(KeyCommand::RotateImage, 5);
        break;
    case Qt::Key_A:
        if (image)
            return make(KeyCommand::SetZoomMode, 0);
        break;
    case Qt::Key_M:
        if (image)
            return make(KeyCommand::SetZoomMode, 3);
        break;
    case Qt::Key_S:
    case Qt::Key_F1:
        if (ctx.listFiles >= 2 && !ctx.slideShowRunning)
            return make(KeyCommand::StartSlideShow, key == Qt::Key_F1 ? 1 : 0);
        break;
    case Qt::Key_T:
        return make(KeyCommand::FocusTree);
    case Qt::Key_W:
        return make(KeyCommand::ToggleListForm);
    default:
        break;
    }
    return make(KeyCommand::None);
}

KeyAction numberKey(int key, const KeyContext& ctx)
{
    int font = -1, zoom = -1;
    switch (key) {
    case Qt::Key_Asterisk:
        font = FontDouble, zoom = 6;
        break;
    case Qt::Key_Plus:
        font = FontLarger, zoom = 5;
        break;
    case Qt::Key_Minus:
        font = FontSmaller, zoom = 3;
        break;
    case Qt::Key_Slash:
        font = FontHalve, zoom = 2;
        break;
    case Qt::Key_0:
        font = FontReset, zoom = 4;
        break;
    default:
        return make(KeyCommand::None);
    }
    if (ctx.content == ContentKind::Text)
        return make(KeyCommand::TextFontStep, font);
    if (ctx.content == ContentKind::Image)
        return make(KeyCommand::ImageZoom, zoom);
    return make(KeyCommand::None);
}

KeyAction classify(int key, Qt::KeyboardModifiers modifiers, const KeyContext& ctx)
{
    const Qt::KeyboardModifiers held = modifiers & HeldMask;
    const bool ctrl = held & Qt::ControlModifier;
    const bool shift = held & Qt::ShiftModifier;
    const bool alt = held & (Qt::AltModifier | Qt::MetaModifier);

    if (ctx.destinationListOpen) {
        KeyAction a = make(KeyCommand::CloseDestinationList);
        a.focusSelected = true;
        return a;
    }

    if (key == Qt::Key_Escape) {
        KeyAction a;
        if (ctx.content != ContentKind::None)
            a.command = KeyCommand::EscapeToContent;
        else if (!ctx.operationRunning && !ctx.progressShown)
            a.command = KeyCommand::DeselectAll;
        else
            a.command = KeyCommand::EscapeOnly;
        a.focusSelected = true;
        return a;
    }

    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !ctx.typingInContent) {
        if (ctx.chosenFiles > MaxFilesToOpen)
            return make(KeyCommand::TooManyChosenFiles);
        if (ctx.chosenFiles >= 1)
            return make(KeyCommand::OpenChosenFiles);
        if (ctx.currentRow != 0 && !held)
            return make(KeyCommand::OpenCurrentRow);
        return make(KeyCommand::None);
    }

    if (!ctx.typingInContent && ctx.folderShown &&
        ((key == Qt::Key_Backspace && !held) || (key == Qt::Key_Up && held == Qt::AltModifier)))
        return make(KeyCommand::ParentFolder);

    // Shift erases and Ctrl deletes unconditionally, as with the menu command.
    if (key == Qt::Key_Delete && !ctx.typingInContent && !alt && ctx.folderShown)
        return make(KeyCommand::DeleteItems,
                    (shift ? ModifierShift : 0) | (ctrl ? ModifierCtrl : 0));

    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && !ctrl)
        return make(KeyCommand::ReapplyState);

    if (ctx.slideShowRunning && !held) {
        switch (key) {
        case Qt::Key_Period:
            return make(KeyCommand::SlideLonger);
        case Qt::Key_Comma:
            return make(KeyCommand::SlideShorter);
        case Qt::Key_S:
            return make(KeyCommand::SlidePause);
        case Qt::Key_X:
            return make(KeyCommand::SlideEnd);
        default:
            break;
        }
    }

    if (ctrl && !alt) {
        const int direction = moveDirectionForKey(key);
        if (direction >= 0) {
            KeyAction a = make(KeyCommand::MoveDivider, direction);
            a.shift = shift;
            return a;
        }
        const KeyAction a = shift ? ctrlShiftLetter(key, ctx) : ctrlLetter(key, ctx);
        if (a.command != KeyCommand::None)
            return a;
    }

    if (!ctrl && !ctx.typingInContent) {
        const KeyAction a = numberKey(key, ctx);
        if (a.command != KeyCommand::None)
            return a;
    }

    if (isMenuShortcutKey(key, modifiers))
        return make(KeyCommand::LeftToMenus);
    if (isFunctionKey(key))
        return make(KeyCommand::IgnoredFunctionKey);
    return make(KeyCommand::None);
}

} // namespace

KeyAction classifyKey(int qtKey, Qt::KeyboardModifiers modifiers, const KeyContext& context)
{
    // Shift, Ctrl and Alt alone do nothing, not even clear the interrupt
    // request: Esc followed by Shift must still stop the running loop.
    if (isModifierKey(qtKey) || qtKey == 0 || qtKey == Qt::Key_unknown)
        return KeyAction();

    KeyAction a = classify(qtKey, modifiers, context);
    if (context.operationRunning && runsMenuCommand(a.command)) {
        a.command = KeyCommand::Refused;
        a.argument = 0;
    }
    a.setsInterrupt = qtKey == Qt::Key_Escape || a.command == KeyCommand::InterruptAndRefresh;
    a.clearsInterrupt = !a.setsInterrupt;
    return a;
}

QString tooManyFilesText()
{
    return QStringLiteral("選択ファイル項目数が多過ぎます。\r\n\r\n５項目以下にしてください。");
}

QString tooManyFilesTitle()
{
    return QStringLiteral("プログラム起動");
}

BgrColour pictureBackgroundColour(int index)
{
    static constexpr BgrColour cycle[PictureBackgroundCount] = {
        0xFFFFFF, 0xE0E0E0, 0xC0FFC0, 0xFFFFC0, 0xC0FFFF, 0xC0E0FF, 0x000000};
    return cycle[(index % PictureBackgroundCount + PictureBackgroundCount) %
                 PictureBackgroundCount];
}

int nextPictureBackground(int index)
{
    if (index < 0 || index >= PictureBackgroundCount - 1)
        return 0;
    return index + 1;
}

int textFontSizeStep(int points, int step)
{
    points = qBound(MinFontPoints, points, MaxFontPoints);
    int next = points;
    switch (step) {
    case FontDouble:
        next = points * 2;
        break;
    case FontLarger:
        next = points + 1;
        break;
    case FontSmaller:
        next = points - 1;
        break;
    case FontHalve:
        next = points / 2;
        break;
    case FontReset:
        next = DefaultFontPoints;
        break;
    default:
        break;
    }
    return qBound(MinFontPoints, next, MaxFontPoints);
}

int slideIntervalStep(int intervalMs, int deltaMs)
{
    return qBound(MinSlideInterval, intervalMs + deltaMs, MaxSlideInterval);
}

} // namespace tovane
