#pragma once
// Copy, move, delete and attribute change of the marked items of the selected
// window. One run at a time on the UI thread: events are pumped between items
// and between the chunks of a file, so the interrupt request (Esc, the stop
// button, SIGINT of the command line) ends a run cleanly at any point.
//
// Safety holds whatever the answers: an overwritten file is replaced only by
// a complete copy (temporary name + rename); a move removes its source only
// after the destination was checked; walks never follow symbolic links; a
// destination inside the source is refused; failures are reported per item.
//
// Results of the entry points: 0 when the run went through (items may still
// have been skipped, see lastRun().outcome), StepCancelled, StepCheckFailed,
// or 1 when nothing was started (no marks, summary cancelled).

#include "core/windows.h"
#include "ops/operationrun.h"
#include "platform/filesystem.h"
#include "selection/compareflags.h"
#include "tree/treerules.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

namespace tovane {

namespace platform {
class FolderPair;
}

class MessageService;
class OperationHost;
class PathChecker;
class ProgressService;
class VolumeSource;
struct DialogRequest;
struct ItemRecord;
struct SummaryFacts;

struct OperationContext {
    MessageService& messages;
    ProgressService& progress;
    VolumeSource& volumes;
    PathChecker* checker = nullptr; // null: folders are checked by existence only
    OperationHost& host;
};

// deleteItems takes the modifier keys as ModifierBits (Shift 1, Ctrl 2).

// A delete in `folder` erases even without Shift: only a fixed disk keeps a
// trash of ours (removable, network and memory volumes do not).
bool deleteErases(VolumeSource& volumes, const QString& folder);

class FileOperations {
public:
    explicit FileOperations(OperationContext context);

    // mnuFileItem 4 (copy) / 5 (move), toolbar: the marked items of
    // `selected` go to the opposite window's folder, or to `destination`
    // (a folder of the destination list) when given.
    int copyOrMove(WindowIndex selected, bool move, const QString& destination = QString());
    // mnuFileItem 6: to the trash, or erased with Shift or on a volume that is
    // not a fixed disk; Ctrl with a full selection deletes unconditionally.
    int deleteItems(WindowIndex selected, int modifiers);
    // mnuFileAttr 0-7: clear/set R, H, S, A.
    int changeAttributes(WindowIndex selected, int menuIndex);
    // The folder creation of the menu (新規作成 フォルダ): `name` in the
    // window's folder, after the name check. 0 created, 1 skipped, -10, or errno.
    int createFolder(WindowIndex window, const QString& name);

    const OperationRun& lastRun() const { return m_run; }

private:
    struct Marked;
    struct Place;

    bool folderAvailable(WindowIndex w, const QString& folder, bool show);
    // The volume of `folder` can be written; else its one message is shown.
    bool volumeWritable(const QString& folder);
    // The summary question of a run; 0 to go on, else the run's result.
    int confirmSummary(const SummaryFacts& facts, const std::function<bool()>& foldersStillThere);
    std::vector<Marked> markedItems(WindowIndex w) const;
    void resetRun(int code);
    void hideLists(bool hideSelected, bool hideOpposite);
    void finishRun(const QString& destination);
    void showStatus(const QString& text, int done, int total);

    // copy / move
    int copyMoveItem(const Place& at, const Marked& item, const ItemRecord* existing,
                     bool moreItems);
    // `existing`: the destination's record when it exists (else null).
    // `pair`: the open folders of `at`, when the walk holds them.
    int copyOneFile(const Place& at, const ItemRecord& source, const ItemRecord* existing,
                    bool moreItems, const platform::FolderPair* pair = nullptr);
    int moveFolderWhole(const Place& at, const ItemRecord& source, bool moreItems);
    int makeDestinationFolder(const Place& at, const QString& name, quint32 attributes,
                              bool moreItems, bool fromMenu);
    // `destinationNew`: the destination folder was just made (nothing to look up).
    int copyFolderContents(const Place& at, bool selective, bool destinationNew);
    void finishMovedFolder(const Place& at, const QString& name);

    // delete
    int deleteOneFile(const QString& folder, const ItemRecord& item, quint32 attention,
                      bool moreItems);
    int deleteOneFolder(const Place& at, const ItemRecord& item, bool moreItems, bool walk,
                        bool selective);
    int deleteSelectively(const Place& at);
    // Whether a delete walk of `folder` would take every entry.
    bool walkTakesAll(const QString& folder, quint32 attention);
    int removeItem(const QString& path, bool isFolder);
    int eraseTree(const QString& folder);
    void folderDeleted(const QString& parent, const QString& name);

    // attributes
    int changeOneAttribute(const QString& folder, const ItemRecord& item, quint32 bit, bool set);
    int changeFolderContents(const QString& folder, quint32 bit, bool set);

    // shared
    int askSource(const QString& path, bool isFolder, quint32 attention, bool moreItems);
    int confirm(DialogRequest& request, int kind, bool moreItems);
    void showItemError(int errorNumber, const QString& path, bool isFolder,
                       const QString& title = QString());
    void conflict(const QString& path, int kind);
    void leaveMountPoint(const QString& path);
    void notifyRemoved(const QString& folder, const QString& name, bool isFolder);
    void notifyAdded(const QString& folder, const QString& name, const QString& oldName,
                     bool existed);
    void markVolumeForRefresh(const QString& path);
    // The files and bytes carried so far, with the current file's part.
    void reportTransfer(quint64 fileDone, quint64 fileSize);
    bool pump();
    int listEntries(const QString& folder, quint32 hiddenMask, std::vector<ItemRecord>& out,
                    const platform::ListOptions& options = {});

    OperationContext m_context;
    OperationRun m_run;
    WindowIndex m_selected = LeftWindow;
    std::array<QString, 2> m_folders; // per window, trailing "/"
    std::array<bool, 2> m_hidden{};
    CompareFlags m_flags;
    bool m_allLevels = true;
    bool m_fullSelection = true;
    bool m_compare = false;
    bool m_running = false;
    quint64 m_bytesCopied = 0; // files finished in this run
};

} // namespace tovane
