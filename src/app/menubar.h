#pragma once
// The main window's menu bar. Menus are control arrays addressed by name and
// item index (objectName = name + "_" + index), the way handlers, settings and
// messages refer to them. Every item exists from the start; an item whose
// command is not wired yet stays disabled rather than missing, so indexes
// never shift.
//
// GUI thread only.

#include <QHash>
#include <QList>
#include <QString>

#include <span>

class QAction;
class QMenu;
class QMenuBar;
class QObject;

namespace tovane {

enum MenuFlag : unsigned {
    MenuCommand = 0,
    MenuCheck = 1, // checkable on its own
    MenuRadio = 2, // exclusive among the same-named items under one parent
    MenuLive = 4,  // enabled from the start
    // The shortcut is only shown: the main window's key handling carries
    // the key out (with its modifier variants), and a focused editor keeps it.
    MenuKeyHint = 8,
};

// One row of the menu table, in display order. `level` is the nesting depth
// (0 = menu-bar item); a row followed by a deeper row opens a submenu.
struct MenuEntry {
    int level;
    const char* control;
    int index;
    const char* caption;  // UTF-8; "-" is a separator
    const char* shortcut; // portable QKeySequence text, or nullptr
    unsigned flags;
};

std::span<const MenuEntry> menuEntries();

// Whether an item shows in function mode 0 (basic) to 3. Items outside the
// function-mode list are not governed by the mode and answer true.
// `shortcutsPossible` is the platform's ability to make shortcut files.
bool shownInFunctionMode(const char* control, int index, int mode, bool shortcutsPossible);

// Whether `control` + `index` is one of the items the function mode governs.
bool governedByFunctionMode(const char* control, int index);

// " ( " + caption text + " )", the last menu-bar item.
QString versionCaption(const QString& captionText);

class MenuBar {
public:
    // The item's action (for an item with a submenu: the submenu's action).
    // nullptr for a name or index that does not exist.
    QAction* action(const char* control, int index) const;
    // The submenu opened by an item (top-level menus: "mnuMenu"), or nullptr.
    QMenu* menu(const char* control, int index) const;
    // Every item's action, separators included, in table order.
    const QList<QAction*>& actions() const { return m_order; }

    // Shows or hides exactly the items of the function-mode list and checks
    // the mode's item of `mnuSetType`. Out-of-range modes count as basic.
    // Symbolic links and desktop entries can always be made here.
    void applyFunctionMode(int mode, bool shortcutsPossible = true);
    int functionMode() const { return m_mode; }

    // Menu states that depend on the machine, set once at start-up.
    void applyFixedStates(bool ntFamily, bool driveAPresent);

    void setVersionCaption(const QString& captionText);

private:
    friend MenuBar buildMenuBar(QMenuBar* bar, QObject* owner);
    void add(const MenuEntry& e, QAction* a, QMenu* opens);

    QHash<QString, QAction*> m_actions;
    QHash<QString, QMenu*> m_menus;
    QList<QAction*> m_order;
    int m_mode = 0;
};

// Fills `bar` with every menu of the table. Action groups are owned by
// `owner`; menus by the bar. Starts in basic function mode with the
// machine-dependent states of this platform applied.
MenuBar buildMenuBar(QMenuBar* bar, QObject* owner);

} // namespace tovane
