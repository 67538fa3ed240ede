#pragma once
// The user's side of the folder trees: mouse, click, expand and collapse
// events of both windows' trees, selecting a node as the window's path,
// jumping to a path given from elsewhere, opening a folder from the list,
// the availability check that repairs both windows when a folder vanished,
// the window path refresh with its volume status text, the display modes,
// and the destination list of a right-click.
//
// One navigator serves both windows (the repair and the volume re-check
// reach across them). User events that arrive while the navigator is at
// work (pumped from inside a long step) are ignored. UI thread only.
//
// Main window wiring:
//   - implement TreeHost; make one PathChecker, then the navigator with
//     TreeServices whose reprobeVolumes calls PlatformVolumeSource::refresh
//     and forgetVanishedVolumes calls PlatformVolumeSource::forgetVanished;
//   - per window a TreeViewAdapter on TreeView_w (tree/widgets), and one
//     DestinationListWidget ("ListF") shown from showDestinationList, its
//     entryChosen connected to destinationChosen;
//   - start-up, per window: trees().buildTree(w, top, path, true); after a
//     change of the hidden-attribute menu: trees().setHiddenMask(mask) and
//     buildTree again with the same top and path;
//   - mnuDispTree(i) -> changeDisplayMode(i); a folder double-clicked in the
//     list -> openFolderFromList(w, path); search results and bookmarks ->
//     jumpToPath(path); list refresh -> refreshWindowPath(w); before acting
//     on a window's path -> checkPathWithRepair(w, path);
//   - status bar panel clicks -> statusBarPanelClick(panel); a click outside
//     the destination list -> closeDestinationList();
//   - after a volume's properties were shown and on re-activation of the
//     application -> trees().renewDrive(mountPoint);
//   - each operation registers its destination entry once
//     (registerDestinationEntry); copy and move come with their engine.

#include "core/windows.h"
#include "tree/foldertrees.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace tovane {

// Operations a right-click destination may start, in list order.
enum class DestinationOperation {
    Copy,
    Move,
    Shortcut,
    SaveAs,
    CompressCab,
    CompressLzh,
    CompressZip,
    Extract,
};
QString destinationEntryText(DestinationOperation operation);

struct DestinationContext {
    WindowIndex selected = LeftWindow;   // the window whose marked items act
    WindowIndex treeWindow = LeftWindow; // the tree that was right-clicked
    QString destination;                 // the node's path with trailing "/"
    int markedItems = 0;
    int copyTargets = 0; // marked items that can go to the destination
};

// An operation that can take a tree node as its destination: `applies`
// tells whether it is offered for this destination, `start` runs it.
struct DestinationEntry {
    DestinationOperation operation = DestinationOperation::Copy;
    std::function<bool(const DestinationContext&)> applies;
    std::function<void(const DestinationContext&)> start;
};

// Mouse buttons as the tree events pass them.
enum class TreeButton { Left, Right, Other };

// Bits of checkPathWithRepair's mode.
enum RepairMode : int { RepairQuiet = 0, RepairShowMessages = 1 };

class TreeNavigator {
public:
    explicit TreeNavigator(TreeServices services);

    FolderTrees& trees() { return m_trees; }
    FolderTreeModel& model(WindowIndex w) { return m_trees.model(w); }

    // --- tree events ---
    // `modifiers` are ModifierBits.
    void mouseDown(WindowIndex w, TreeButton button, int modifiers);
    void mouseUp(WindowIndex w, TreeButton button);
    // A click on a node (after its mouse-up), or a keyboard move onto it.
    void nodeClick(WindowIndex w, const QString& key, TreeButton button = TreeButton::Left);
    // The view expanded or collapsed the node.
    void nodeExpanded(WindowIndex w, const QString& key);
    void nodeCollapsed(WindowIndex w, const QString& key);
    // Set while the navigator itself expands or collapses whole subtrees.
    bool suppressExpandEvents(WindowIndex w) const { return state(w).suppressExpand; }

    // --- navigation ---
    // Makes the tree's selected node the window's path; with `keepList` the
    // list is not filled. 0 when done, else a check code or ResultFailed.
    int selectTreeItem(WindowIndex w, bool keepList = false);
    void jumpToPath(const QString& path);
    // A folder double-clicked in window w's list. 0 when opened.
    int openFolderFromList(WindowIndex w, const QString& path);
    // CheckPath of the window; when the folder (or file `name` in it)
    // vanished, both windows are repaired: its nodes go, windows showing it
    // move to the nearest existing folder and affected lists are filled
    // again. A failing volume is handled as unusable in the windows on it.
    int checkPathWithRepair(WindowIndex w, const QString& path, const QString& name = QString(),
                            int mode = RepairShowMessages);
    // Whether the last checkPathWithRepair moved a window or refilled a list.
    bool lastCheckRepaired() const { return m_repaired; }
    void refreshWindowPath(WindowIndex w);
    // The volume status text of the volume holding `path` (no list fill).
    void updateDriveStatus(WindowIndex w, const QString& path);
    // mnuDispTree 0-2 on the selected window.
    void changeDisplayMode(int index);

    // --- destination list ---
    void registerDestinationEntry(const DestinationEntry& entry);
    bool destinationListOpen() const { return m_destination.open; }
    QString destinationPath() const { return m_destination.path; }
    // Status bar panel 1 scrolls the destination text on, any other back.
    void statusBarPanelClick(int panel);
    void destinationChosen(int row);
    void closeDestinationList();
    static QString destinationHeading(const QString& label);
    static QString destinationBarText(const QString& destination);

private:
    struct WindowState {
        bool suppressExpand = false;
        bool collapseJustHappened = false;
        bool driveRecheckPending = false;
        bool driveChanged = false;
        bool rightButtonDown = false;
    };
    struct Destination {
        bool open = false;
        // The marks were counted against this destination: closing gives
        // the count back to the opposite window.
        bool evaluated = false;
        QString path;
        int start = 1; // first shown character of the bar text, from 1
        DestinationContext context;
        QList<DestinationEntry> shown;
    };
    class Working;

    bool busy() const { return m_working > 0 || m_trees.working(); }
    WindowState& state(WindowIndex w) { return m_state[w == RightWindow ? 1 : 0]; }
    const WindowState& state(WindowIndex w) const { return m_state[w == RightWindow ? 1 : 0]; }

    void expandHandler(WindowIndex w, const QString& key);
    bool driveRecheck(WindowIndex w, const QString& key);
    void loadExpansion(WindowIndex w, const QString& key);
    bool confirmPathChange(WindowIndex w);
    void reselectCurrent(WindowIndex w);
    void syncOtherAfterDriveChange(WindowIndex w, const QString& mountPoint);
    // False only for a folder that exists but may not be entered.
    bool enterable(const QString& path);
    // Selects the node of `key`, adding the folders on the way from the
    // deepest ancestor that has a node. False when it still has none.
    bool revealNode(WindowIndex w, const QString& key);
    void repairVanished(WindowIndex w, const QString& vanished, const QString& fallback);
    void repairDrive(const QString& mountPoint);
    void openDestinationList(WindowIndex w, const QString& key);
    void restoreCopyTargets();
    void showDestinationText();
    bool lying(const QString& path, const QString& volumeKey) const;

    TreeServices m_services;
    FolderTrees m_trees;
    std::array<WindowState, 2> m_state;
    QList<DestinationEntry> m_entries;
    Destination m_destination;
    int m_working = 0;
    bool m_repaired = false;
};

} // namespace tovane
