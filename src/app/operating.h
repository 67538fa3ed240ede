#pragma once
// The main window's side of copy, move, delete and attribute change: the
// engine over both windows, the menu items and destination-list entries
// that start it, and the list, tree and mark updates it asks for.
//
// GUI thread only.

#include "archive/archiver.h"
#include "ops/fileoperations.h"
#include "ops/operationhost.h"
#include "ops/timechange.h"

#include <array>
#include <memory>

namespace tovane {

class Browsing;
class MainWindow;
class Selecting;
class Shortcutting;

class Operating : private OperationHost {
public:
    Operating(MainWindow& window, Browsing& browsing, Selecting& selecting);
    ~Operating() override;

    FileOperations& engine() { return m_engine; }
    Archiver& archiver() { return m_archiver; }
    // Shortcuts, properties and format; null before wireMenus().
    Shortcutting* shortcutting() const { return m_shortcutting.get(); }
    void wireMenus();
    // ごみ箱に移動／抹消 with the modifier bits of the key that asked for it.
    void deleteItems(int modifiers);
    // 新規作成 フォルダ: asks for the name until it passes the check.
    // `askName` stands in for the question (tests); "" cancels.
    void newFolder();
    std::function<QString(const QString& proposal)> askName;
    // 名前変更 (F2): the label edit of the list's current entry.
    void renameCurrent(WindowIndex w);
    // The label edit's start checks and its end: the rename.
    bool labelEditStart(WindowIndex w, int row, bool programStarted);
    void labelEditEnd(WindowIndex w, int row, const QString& text);
    // Every window showing `folder` lists the renamed entry under its new name.
    void renamedInFolder(const QString& folder, const QString& oldName, const QString& newName);

    // 検　索 (F3): the search dialog, then the jump to the chosen hit.
    void openSearch();

    // 連番付け over the marked files; `serialForm` stands in for the form
    // (tests): it gets the dialog before it is shown and returns its answer.
    void serialNumbering();
    std::function<int(class DialogN&)> serialForm;
    // 日時変更 over the marked items; `timeForm` stands in for the form.
    void changeTimes();
    TimeForm timeForm;

private:
    // OperationHost
    const FileListModel* listModel(WindowIndex w) const override;
    QString folderPath(WindowIndex w) const override;
    bool twoWindowsShown() const override;
    bool allLevels(WindowIndex w) const override;
    bool compareSelection(WindowIndex w) const override;
    CompareFlags compareFlags(WindowIndex w) const override;
    bool folderAttributesSettable() const override;
    quint32 hiddenMask() const override;
    QString listFilterExtensions() const override;
    void setListHidden(WindowIndex w, bool hidden) override;
    void listEntryRemoved(WindowIndex w, const QString& name, bool isFolder) override;
    void listEntryAdded(WindowIndex w, const ItemRecord& record) override;
    void listEntryUpdated(WindowIndex w, const QString& oldName, const ItemRecord& record) override;
    void treeNodeRemoved(WindowIndex w, const QString& key) override;
    void markForRefresh(WindowIndex w) override;
    void runFinished(const OperationRun& run) override;

    MainWindow& m_window;
    Browsing& m_browsing;
    Selecting& m_selecting;
    FileOperations m_engine;
    Archiver m_archiver;
    std::array<bool, 2> m_added{};
    // The label edit: the name it started from, per-window protection answers.
    bool m_editAccepted = false;
    QString m_oldName;
    std::array<bool, 2> m_renameAccepted{};
    std::unique_ptr<Shortcutting> m_shortcutting;
};

} // namespace tovane
