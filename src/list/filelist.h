#pragma once
// One window's file list: filling it for the tree's selected node (a
// folder's items or the drive list), sorting, the header marks, the size
// column, the count and memory labels, the list's menu settings and its item
// events. The widgets show the model and the label texts and pass the user's
// clicks here; everything else goes through ListHost.
//
// UI thread only. A fill pumps events through the progress service and can
// be interrupted; a fill requested while one runs is skipped.

#include "core/windows.h"
#include "list/fileimagecache.h"
#include "list/fileimages.h"
#include "list/filelistmodel.h"
#include "list/listlabels.h"
#include "platform/filesystem.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <array>
#include <functional>

namespace tovane {

class ListHost;
class MainState;
class MessageService;
class PathChecker;
class ProgressService;
class VolumeSource;
struct AppSettings;
struct ViewSlotSettings;

struct ListContext {
    MainState& state;
    AppSettings& settings; // sort, switches, hidden mask, extension lists
    MessageService& messages;
    ProgressService& progress;
    VolumeSource& volumes;
    PathChecker* checker = nullptr; // drive checks; none: every volume passes
    ListHost& host;
    // Total and available memory in bytes; the platform's when unset.
    std::function<std::pair<double, double>()> memory;
};

class FileList : public QObject {
    Q_OBJECT
public:
    FileList(WindowIndex window, ListContext context, QObject* parent = nullptr);
    ~FileList() override;

    WindowIndex window() const { return m_window; }
    FileListModel* model() { return &m_model; }
    const FileListModel* model() const { return &m_model; }

    // --- per-window state ---
    int sortColumn() const;
    bool sortDescending() const;
    bool sizeUnitKB() const { return m_sizeUnitKB; }
    bool driveDigitsSix() const { return m_driveDigitsSix; }
    int listForm() const { return m_listForm; }
    bool showsDriveList() const { return m_model.layout() == ListLayout::Drives; }
    // Takes unit, digits and list form from a view slot (start-up, and when
    // the window's view slot changes).
    void loadViewSlot(const ViewSlotSettings& slot);
    // The width set of the settings for the current layout and view slot.
    int columnWidthSet() const;

    // --- FillList ---
    // `nodeKey`: the tree's selected node: ComputerKey "_" (or ComputerText)
    // for the drive list, else a folder path (trailing "/" optional). Returns 0 when filled, -10
    // when interrupted (the rows read so far stay), 1 when skipped.
    int fill(const QString& nodeKey);
    // Fills again for the path shown now.
    int refill();
    // Fills the folder shown again because it changed on disk: the current
    // item and the marks of the items still there stay (names compared
    // exactly). The host's listFilled counts the kept marks or renews a
    // compare selection. Skipped for the drive list.
    int refresh();
    // The next fill creates the columns again.
    void invalidateColumns() { m_columnsCreated = false; }

    void sortList();
    void updateHeaderMarks();
    // Unit or folder sizes changed: header, size cells and keys, totals.
    void updateSizeColumn();
    // Kind 0 a folder, 1 a file (the counts follow); 10 and more removes the
    // tree node with that key instead.
    bool removeListItem(const QString& name, int kind);
    // An item written by an operation: the row known as `oldName` takes the
    // new record, or a row is added (at the end until the next sortList).
    // False when the list shows no folder items or the item is not listed.
    bool addOrUpdateItem(const QString& oldName, const ItemRecord& record);
    // While held, removed items keep their rows (the counts drop at once)
    // and go in one pass when released: removing thousands of rows one by
    // one would move the rows behind each of them every time.
    void holdRemovals(bool hold);
    // The images of the file rows again (the extension lists changed).
    void renewImages();
    // RenewFileListImage: the same under the status text of the window
    // label + "リスト項目イメージを更新中 " (individual images switched).
    // Nothing happens while the drive list is shown.
    void renewFileImages();
    // The added file images both lists share; none: category images only.
    void setImageCache(FileImageCache* cache) { m_imageCache = cache; }

    // Whether the folder still holds the entries the last fill counted, as
    // far as its stamp can tell without reading it. Any row changed since
    // the fill, or another hidden mask, voids that.
    bool listingUnchanged(quint32 mask) const;
    // A fresh count taken after `stamp` agreed with the list.
    void countsConfirmed(const platform::FolderStamp& stamp, quint32 mask);

    // --- labels ---
    const ItemCounts& listCounts() const { return m_counts; }
    // The list total as the labels show it; below 0 when not computed.
    double listTotal() const { return m_listTotal; }
    QString listLabel() const { return m_listLabel; }
    QString selectionLabel() const { return m_selectionLabel; }
    QString copyTargetLabel() const { return m_copyLabel; }
    QString memoryLabel() const { return m_memoryLabel; }
    void setSelectionCounts(const ItemCounts& counts, bool compareSelection);
    void setCopyTargetCounts(const ItemCounts& counts);
    void updateCountLabels();
    // Recomputes the list total (when size totals are shown) and the labels.
    void updateSizeTotals();
    void showMemoryStatus();

    // --- menus (the selected window; the view slot keeps a copy) ---
    void setListForm(int form);       // mnuListView 0 一覧, 1 詳細
    void setSizeUnit(bool kilobytes); // mnuDispUnit
    void setDriveDigits(bool six);    // mnuDispDigit
    // Application-wide switches of both lists.
    static void setShowSizeTotals(std::array<FileList*, 2> lists, bool on);  // mnuDispSize
    static void setShowFolderSizes(std::array<FileList*, 2> lists, bool on); // mnuDispFldrSz
    // mnuNDispAttr item 0-3 (read-only, hidden, system, compressed): toggles
    // the bit and tells the host. Returns the new mask.
    static quint32 toggleHiddenAttribute(AppSettings& settings, ListHost& host, int item);

    // --- events ---
    void columnClicked(int column);
    void itemClicked(int row, int modifiers);
    void itemDoubleClicked(int row);
    // The current row moved by keys: it becomes the chosen item at once and,
    // with `show`, is shown in the content area; its mark stays as it is.
    void currentMoved(int row, bool show);
    void keyReleased(int modifiers);
    int currentRow() const { return m_currentRow; }
    // Makes `row` the highlighted row (the view scrolls to it).
    void setCurrent(int row);
    QString currentName() const { return m_model.nameAt(m_currentRow); }

Q_SIGNALS:
    void labelsChanged();
    void memoryLabelChanged(const QString& text);
    // The columns of `layout` were created anew: the widths are applied again.
    void columnsCreated(ListLayout layout);
    void listFormChanged(int form);
    // The row to highlight (-1: none).
    void currentRowChanged(int row);
    // After a sort and whenever hidden columns must show width 0 again.
    void hiddenColumnsReset();
    void sorted();
    void fillStarted();
    void fillFinished();

private:
    bool fillFolder(const QString& folder);
    bool fillDrives(const QString& previousPath);
    double folderSizeFor(const QString& path);
    void showStatus(const QString& text);
    void clearStatus();
    QString label() const;
    bool showSizeTotals() const;
    bool showFolderSizes() const;
    quint32 hiddenMask() const;
    int fileImageOf(const QString& folder, const QString& name);

    WindowIndex m_window;
    ListContext m_context;
    FileListModel m_model;
    FileImageRules m_images;
    FileImageCache* m_imageCache = nullptr;

    bool m_sizeUnitKB = false;
    bool m_driveDigitsSix = false;
    int m_listForm = 1;
    bool m_columnsCreated = false;
    bool m_filling = false;

    bool m_holdRemovals = false;
    QSet<QString> m_pendingRemovals;
    void removePending();

    ItemCounts m_counts;
    platform::FolderStamp m_stamp; // of the folder the counts are of
    quint32 m_stampMask = 0;
    double m_listTotal = -1;
    ItemCounts m_selection;
    bool m_compareSelection = false;
    ItemCounts m_copyTargets;
    QString m_listLabel, m_selectionLabel, m_copyLabel, m_memoryLabel;

    // What a refresh keeps across its fill.
    struct Kept {
        QString current;
        int currentRow = -1;
        QSet<QString> marked;
    };
    const Kept* m_keep = nullptr;
    void restoreMarks(const Kept& kept);

    int m_currentRow = -1;
    QString m_lastShown;
    int m_toggledByBox = -1;
};

} // namespace tovane
