#pragma once
// The main window's side of the folder trees and file lists: one volume
// source and path checker shared by both windows, the tree navigator, and
// per window the list engine with its view and labels. The hosts here turn
// the engines' requests into main-window state and widget changes.
//
// GUI thread only.

#include "fs/pathcheck.h"
#include "fs/volumesource.h"
#include "list/filelist.h"
#include "list/listhost.h"
#include "tree/treehost.h"
#include "tree/treenavigator.h"

#include <array>
#include <functional>
#include <memory>

namespace tovane {

class DestinationListWidget;
class FileListLabels;
class FileListView;
class MainWindow;
class TreeViewAdapter;

class Browsing : private TreeHost {
public:
    explicit Browsing(MainWindow& window);
    ~Browsing() override;

    TreeNavigator& navigator() { return m_navigator; }
    FileList& list(WindowIndex w) { return *m_lists[slot(w)]; }
    FileListView* listView(WindowIndex w) const { return m_listViews[slot(w)]; }
    PathChecker& checker() { return m_checker; }
    PlatformVolumeSource& volumes() { return m_volumes; }
    DestinationListWidget* destinationList() const { return m_destinationList; }

    // Builds both trees for the stored tree tops and paths and fills the
    // lists (start-up, and after the hidden-attribute mask changed).
    void buildTrees();
    // The menu items of the list and tree, wired to the selected window.
    void wireMenus();
    // Menu checks of the selected window's list settings.
    void applyMenuChecks();
    // Path check for start-up repairs: true when `path` may stay.
    bool startupCheck(const QString& path, QString& fallback);

    // Keys of the list (the selected window's).
    // Enter: each chosen file with its program; folders are skipped.
    void openChosenFiles(WindowIndex w);
    // Enter without chosen files: the current row's folder opens in the
    // list, a file with its program.
    void openCurrentRow(WindowIndex w);
    // Backspace, Alt+Up: the parent folder, with the folder left behind as
    // the current row.
    void openParentFolder(WindowIndex w);
    // Ctrl+W: the other list form.
    void toggleListForm();
    // Ctrl+L: the focus into the list and a click on its current row.
    void clickCurrentRow(WindowIndex w);

    // Later subsystems hook in here.
    std::function<void(WindowIndex, int row, int modifiers)> markClicked;
    // A folder's items are about to be read into the window's list.
    std::function<void(WindowIndex, const QString& folder)> folderListed;
    std::function<void(WindowIndex)> listFilled;
    std::function<bool(WindowIndex)> prepareFill;
    std::function<void(WindowIndex, int itemNumber, bool force)> showContent;
    std::function<SelectionLoad(WindowIndex)> selectionLoadOf;
    std::function<bool(WindowIndex)> selectionPresentIn;
    std::function<int(WindowIndex, const QString&)> copyTargetsFor;
    std::function<int(WindowIndex)> copyTargetCountOf;
    // A file double-clicked or opened by Enter.
    std::function<void(WindowIndex, const QString& path)> launchFile;

private:
    class ListSide;
    static int slot(WindowIndex w) { return w == RightWindow ? 1 : 0; }

    // TreeHost
    int fillList(WindowIndex w, const QString& path) override;
    QString currentPath(WindowIndex w) const override;
    void setCurrentPath(WindowIndex w, const QString& path) override;
    WindowIndex selectedWindow() const override;
    bool twoWindows() const override;
    void activateWindow(WindowIndex w) override;
    void focusWindow(WindowIndex w) override;
    int modifierState() const override;
    void setDriveStatusText(WindowIndex w, const QString& text) override;
    SelectionLoad selectionLoad(WindowIndex w) const override;
    bool selectionPresent(WindowIndex w) const override;
    int renewCopyTargets(WindowIndex selected, const QString& destination) override;
    int copyTargetCount(WindowIndex selected) const override;
    void showDestinationList(const DestinationListView& view) override;
    void closeDestinationList() override;
    void setDestinationText(const QString& shown) override;

    void hiddenMaskChanged(quint32 mask);
    void applyHiddenMaskChecks();

    MainWindow& m_window;
    PlatformVolumeSource m_volumes;
    PathChecker m_checker;
    TreeNavigator m_navigator;
    std::array<std::unique_ptr<ListSide>, 2> m_sides;
    std::array<std::unique_ptr<FileList>, 2> m_lists;
    std::array<TreeViewAdapter*, 2> m_treeAdapters{};
    std::array<FileListView*, 2> m_listViews{};
    std::array<FileListLabels*, 2> m_labels{};
    DestinationListWidget* m_destinationList = nullptr;
};

} // namespace tovane
