#pragma once
// The main window's toolbar `ToolbarT`: 28 positions numbered from 1, some
// of them separators. Each button stands for a menu item (or, for the stop
// button, for the interrupt request); the main window connects them.
//
// GUI thread only.

#include <QIcon>

#include <array>
#include <span>

class QAction;
class QObject;
class QToolBar;

namespace tovane {

constexpr int ToolbarPositions = 28;
constexpr int ToolbarStopButton = 26;
constexpr int ToolbarHelpButton = 28;

struct ToolbarButton {
    int position;
    const char* tooltip; // UTF-8, shown exactly as written
    const char* control; // the menu item the button stands for, or nullptr
    int index;
};

// The buttons in position order (separators are not listed).
std::span<const ToolbarButton> toolbarButtons();
bool isToolbarSeparator(int position);

// The drawn icon of a button position, at 16 and 24 pixels; null for a
// separator or a position outside 1..28.
QIcon toolbarIcon(int position);

class Toolbar {
public:
    // The action at a position 1..28 (separators included), else nullptr.
    QAction* button(int position) const;

private:
    friend Toolbar buildToolbar(QToolBar* bar, QObject* owner);
    std::array<QAction*, ToolbarPositions + 1> m_buttons{};
};

// Fills `bar` (objectName "ToolbarT") with the 28 positions. Actions are
// owned by `owner`. Only the two window buttons start enabled; the stop
// button waits for a long operation and the help button for the help file.
Toolbar buildToolbar(QToolBar* bar, QObject* owner);

} // namespace tovane
