#pragma once
// The marks of both windows' lists and their bookkeeping: clicks and Shift
// ranges, select all / invert / clear, the counters and copy targets of the
// marked items, the check-state snapshot, the remembered items and the
// invalid-name notice. The compare selection marks through the same state.
//
// UI thread only. Walks pump events through the progress service and stop at
// the interrupt request. Messages go through the message service; everything
// else outside the engine goes through SelectionHost.

#include "core/windows.h"
#include "fs/enumeration.h"
#include "list/listlabels.h"
#include "selection/compareflags.h"

#include <QHash>
#include <QString>

#include <array>
#include <vector>

namespace tovane {

class FileList;
class FileListModel;
class MessageService;
class ProgressService;
class SelectionHost;
struct AppSettings;

struct SelectionContext {
    AppSettings& settings; // hidden mask and list filter of the item-count check
    MessageService& messages;
    ProgressService& progress;
    SelectionHost& host;
};

// The counters of one window's marks.
struct SelectionCounters {
    ItemCounts marked;      // bytes only while size totals are shown
    ItemCounts copyTargets; // the same for the copy targets among them
    qint64 shortcuts = 0;   // marked files with the extension "lnk"
    QString firstName;      // first marked item that is not a shortcut
    int lastMarked = -1;
    int lastMarkedFolder = -1;
    int lastMarkedFile = -1;
    int lastCopyTarget = -1;
    // A marked folder holds the destination path.
    bool destinationInsideSelection = false;
};

// What was counted for one marked item, so that unmarking it takes back
// exactly that.
struct CountedMark {
    double bytes = 0;
    bool copyTarget = false;
};

struct RememberedItem {
    int row = -1;
    QString name;
};
constexpr int RememberedSlots = 6;

// Bits of rememberItems' flags.
enum RememberFlag : unsigned {
    RememberClearRows = 1,
    RememberClearNames = 2,
    RememberUpperSlots = 4, // only slots 3-5
    RememberRefind = 8,     // rows found again by name
};

struct WindowSelection {
    bool selectionPresent = false;
    bool compareActive = false;
    bool invalidNameSeen = false;
    SelectionCounters counters;
    // One bit per list row (row i is bit i % 8 of byte i / 8): the marks as
    // the last bookkeeping saw them.
    std::vector<quint8> snapshot;
    std::array<RememberedItem, RememberedSlots> remembered;
    QHash<QString, CountedMark> counted; // by name: rows move when the list sorts
    // The conditions of the last comparison, kept for re-runs and the
    // selective folder copy.
    CompareFlags compareFlags;
    int retries = 0; // rounds of the item-count cross-check
};

// Bits of a FolderUnlisted-style skip test.
enum SkipFlags : unsigned { SkipTrash = UnlistedInTrash, SkipNotEnterable = UnlistedNotEnterable };

class DesignatedSelection {
public:
    explicit DesignatedSelection(SelectionContext context);

    const WindowSelection& state(WindowIndex w) const { return m_windows[size_t(w & 1)]; }
    WindowSelection& state(WindowIndex w) { return m_windows[size_t(w & 1)]; }
    bool selectionPresent(WindowIndex w) const { return state(w).selectionPresent; }
    bool compareActive(WindowIndex w) const { return state(w).compareActive; }
    void setCompareActive(WindowIndex w, bool on) { state(w).compareActive = on; }
    const SelectionCounters& counters(WindowIndex w) const { return state(w).counters; }

    // --- events ---
    // ListHost::markClicked: the list already inverted `row`. `modifiers`:
    // Shift 1 marks the range from the previous current item (Ctrl 2 keeps
    // the status line quiet).
    void markClicked(WindowIndex w, int row, int modifiers);
    // ListHost::listFilled: counters and snapshot start again and the
    // remembered items are found again by name; marks a refresh kept are
    // counted again (outside a compare selection).
    void listFilled(WindowIndex w);
    // The rows were sorted: the snapshot follows the rows.
    void listSorted(WindowIndex w);

    // --- mnuFileSel ---
    // 0 全項目を選択, 1 選択状態を反転, 2 選択を解除. 0 when done, a check code
    // or ResultCancelled otherwise.
    int fileSelCommand(WindowIndex w, int index);
    int selectAll(WindowIndex w);
    int invert(WindowIndex w);
    void clear(WindowIndex w);

    // --- building blocks (also used by the compare selection) ---
    // Depth 0: counters, flags and marks; 1: the same, the remembered first
    // name and names stay; 2: counters and flags only, the marks stay.
    void clearSelectionState(WindowIndex w, int depth);
    // Rebuilds the snapshot from the marks (`rebuild` also sizes it anew).
    void snapshotChecks(WindowIndex w, bool rebuild = true);
    // Bookkeeping of every row whose mark differs from the snapshot: new
    // marks are counted (with the copy-target check against the window's
    // destination), removed ones taken back. `onlyRow` >= 0 limits it to
    // that row; `backward` walks from the last row. ResultCancelled when
    // the interrupt request stopped it.
    int processNewMarks(WindowIndex w, int onlyRow = -1, bool backward = false);
    // The rows `first`..`last` (either order) through processNewMarks.
    int processRange(WindowIndex w, int first, int last);
    // Counts a row marked by the compare selection with its verdict.
    void countMark(WindowIndex w, int row, bool copyTarget, double bytes);

    void rememberItems(WindowIndex w, unsigned flags);
    void rememberItem(WindowIndex w, int slot, int row);
    int rememberedRow(WindowIndex w, int slot) const;

    // The destination of copy and move for window w: the opposite window's
    // path, unless another is set (the tree's destination list).
    QString destination(WindowIndex w) const;
    void setDestinationOverride(WindowIndex w, const QString& folder);
    // Every marked item evaluated again against `folder` (the tree's
    // destination list); the copy-target counts follow.
    void evaluateCopyTargets(WindowIndex w, const QString& folder);

    // CrossCheckItemCounts: `both` checks the opposite window first, then
    // w. 0 when the lists agree with their folders; otherwise the sum of
    // 4 * (window + 1) per folder-count and window + 1 per file-count
    // mismatch, after the message; ResultCancelled when a window has
    // reached the retry limit.
    int crossCheckItemCounts(WindowIndex w, bool both);
    static constexpr int RetryLimit = 2;

    // The counters go to the list's labels.
    void publishCounts(WindowIndex w);

    // The check of one row as the commands apply it: trash items with
    // SkipTrash, unreadable folders with SkipNotEnterable.
    bool rowSkipped(WindowIndex w, int row, unsigned flags) const;

    // Bookkeeping runs since start (items examined), for tests and the
    // benchmark: one click must cost one item.
    qint64 itemsProcessed() const { return m_processed; }
    // Folders read in full by the item-count cross-check.
    qint64 foldersCounted() const { return m_foldersCounted; }

    static bool nameHasInvalidCharacters(QStringView name);
    static QString invalidNameText(const QString& name);

private:
    FileListModel* model(WindowIndex w) const;
    bool snapshotBit(WindowIndex w, int row) const;
    void setSnapshotBit(WindowIndex w, int row, bool on);
    void bookNewMark(WindowIndex w, int row);
    void bookRemovedMark(WindowIndex w, int row);
    // Counts one marked row (what unmarking it takes back is kept by name).
    void addToCounters(WindowSelection& s, int row, const QString& name, bool folder,
                       bool copyTarget, double bytes);
    int prepareCommand(WindowIndex w);
    void showClickSelStatus(WindowIndex w);
    void finishCommand(WindowIndex w);

    SelectionContext m_context;
    std::array<WindowSelection, 2> m_windows;
    std::array<QString, 2> m_destinationOverride;
    qint64 m_processed = 0;
    qint64 m_foldersCounted = 0;
    // While a walk books marks, the destination it checks against, opened once.
    struct TargetLookup;
    TargetLookup* m_targetLookup = nullptr;
};

} // namespace tovane
