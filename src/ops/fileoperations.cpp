#include "ops/fileoperations.h"

#include "core/messageservice.h"
#include "core/progressservice.h"
#include "fs/enumeration.h"
#include "fs/itemtext.h"
#include "fs/pathcheck.h"
#include "fs/pathrules.h"
#include "fs/volumesource.h"
#include "list/filelistmodel.h"
#include "ops/copytarget.h"
#include "ops/operationhost.h"
#include "ops/operationtexts.h"
#include "ops/webpairs.h"
#include "platform/errortext.h"
#include "platform/fileops.h"
#include "platform/filesystem.h"
#include "platform/volumes.h"

#include <QDateTime>
#include <QSet>

#include <cerrno>
#include <optional>
#include <sys/stat.h>

namespace tovane {

namespace {

const QString crlf = QStringLiteral("\r\n");
constexpr quint32 ProtectedBits = AttrReadOnly | AttrHidden | AttrSystem;
constexpr quint32 SettableBits = AttrReadOnly | AttrHidden | AttrSystem | AttrArchive;
constexpr int HideListsOver = 29;

QDateTime localTimeOf(qint64 ns)
{
    return QDateTime::fromMSecsSinceEpoch(ns / 1000000, Qt::LocalTime);
}

bool isRealFolder(const ItemRecord& r)
{
    return r.isFolder() && !r.isSymlink;
}

// One run at a time: an event pumped during a run may not start another.
struct RunningScope {
    explicit RunningScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~RunningScope() { m_flag = false; }
    bool& m_flag;
};

// The counterparts of one source folder's entries in a destination folder:
// an exact name, or the one case variant that no other name could claim.
class Counterparts {
public:
    Counterparts(const QString& destination, const QString& source)
        : m_lookup(destination, platform::ListOptions{}, source)
    {
    }
    bool find(const QString& name, ItemRecord& out) { return m_lookup.lookup(name, out) == 0; }

private:
    platform::FolderLookup m_lookup;
};

// Whether `folder` is the item at `path` or lies below it.
bool folderInside(const QString& folder, const QString& path)
{
    bool within = false;
    return platform::folderWithin(folder, path, within) == 0 && within;
}

// An overwritten file takes the source's attributes plus archive. The archive
// bit alone does not give it a record of attributes that its source has not:
// a new copy takes none either, and both copies must look the same.
quint32 overwrittenAttributes(const ItemRecord& source)
{
    const quint32 bits = source.attributes & SettableBits;
    quint32 recorded = bits & (AttrHidden | AttrSystem | AttrArchive);
    // A dot name shows H without any record.
    if (source.name.startsWith(QLatin1Char('.')))
        recorded &= ~quint32(AttrHidden);
    return recorded ? bits | AttrArchive : bits;
}

bool extensionListed(const QString& list, const QString& name)
{
    const QString ext = extensionOf(name).toLower();
    return !ext.isEmpty() && list.contains(QLatin1Char(' ') + ext + QLatin1Char(','));
}

} // namespace

OperationHost::~OperationHost() = default;

quint32 OperationHost::markedAttributes(WindowIndex w) const
{
    quint32 bits = 0;
    if (const FileListModel* model = listModel(w)) {
        for (int row = 0, n = model->count(); row < n; ++row) {
            if (model->marked(row))
                bits |= model->rowAt(row).record.attributes;
        }
    }
    return bits;
}

struct FileOperations::Marked {
    ItemRecord record;
};

// One folder pair of a walk: where items come from and go to, and the
// protected bits of both paths so far.
struct FileOperations::Place {
    QString source;      // with trailing "/"
    QString destination; // with trailing "/" (delete: the opposite window's counterpart)
    quint32 sourceAttention = 0;
    quint32 destinationAttention = 0;
};

FileOperations::FileOperations(OperationContext context) : m_context(context) {}

// --- shared -----------------------------------------------------------------

int FileOperations::confirmSummary(const SummaryFacts& facts,
                                   const std::function<bool()>& foldersStillThere)
{
    int answer = MsgCancel;
    m_context.messages.showMessage(summaryText(facts, m_context.messages.confirmationMessages()),
                                   ButtonsOkCancel, m_run.name, true, answer);
    // The folders are checked again: the question may have been open a while.
    if (!foldersStillThere()) {
        m_run.outcome.checkFailed = true;
        return StepCheckFailed;
    }
    if (answer != MsgOk) {
        m_run.outcome.cancelled = true;
        return StepSkipped;
    }
    return 0;
}

bool FileOperations::volumeWritable(const QString& folder)
{
    // One message for a volume that cannot be written, not a failure per item.
    return !m_context.checker ||
           m_context.checker->checkWritable(folder, true, QStringLiteral("ドライブの状態"));
}

bool FileOperations::folderAvailable(WindowIndex w, const QString& folder, bool show)
{
    if (folder.isEmpty())
        return false;
    if (m_context.checker &&
        m_context.checker->checkPath(w, folder, QString(), show) != CheckAvailable)
        return false;
    // The check takes a file too; only a folder can hold or give items.
    ItemRecord record;
    return m_context.volumes.statPath(stripSeparator(folder), record) == 0 &&
           (record.isFolder() || record.linkToFolder);
}

std::vector<FileOperations::Marked> FileOperations::markedItems(WindowIndex w) const
{
    std::vector<Marked> items;
    const FileListModel* model = m_context.host.listModel(w);
    if (!model || model->layout() != ListLayout::FolderItems)
        return items;
    for (int row = 0, n = model->count(); row < n; ++row) {
        if (model->marked(row))
            items.push_back(Marked{model->rowAt(row).record});
    }
    return items;
}

void FileOperations::resetRun(int code)
{
    m_run = OperationRun{};
    m_run.code = code;
    m_run.name = OperationRun::nameOf(code);
    m_run.move = code == OpMove;
    m_run.remove = code == OpTrash || code == OpErase;
    m_run.erase = code == OpErase;
    m_bytesCopied = 0;
    m_hidden = {};
    for (WindowIndex w : {LeftWindow, RightWindow})
        m_folders[w] = addSeparator(m_context.host.folderPath(w));
    m_compare = m_context.host.compareSelection(m_selected);
    m_fullSelection = m_context.host.fullSelection(m_selected);
    m_allLevels = m_context.host.allLevels(m_selected);
    m_flags = m_context.host.compareFlags(m_selected);
}

void FileOperations::hideLists(bool hideSelected, bool hideOpposite)
{
    const WindowIndex opposite = oppositeOf(m_selected);
    if (hideSelected) {
        m_hidden[m_selected] = true;
        m_context.host.setListHidden(m_selected, true);
    }
    if (hideOpposite) {
        m_hidden[opposite] = true;
        m_context.host.setListHidden(opposite, true);
    }
}

void FileOperations::finishRun(const QString& destination)
{
    for (WindowIndex w : {LeftWindow, RightWindow}) {
        if (m_hidden[w])
            m_context.host.setListHidden(w, false);
    }
    m_hidden = {};
    if (m_run.changed && !destination.isEmpty())
        markVolumeForRefresh(destination);
    m_context.progress.showProgress(ProgressService::PointerDefault, QString(),
                                    ProgressService::SetPointer | ProgressService::SetText);
    // The progress text is gone; the status line keeps how far the run got.
    if (m_run.outcome.started && m_run.outcome.cancelled)
        m_context.progress.setStatusText(interruptedText(m_run.name, m_run.outcome.done));
    m_context.host.runFinished(m_run);
}

void FileOperations::showStatus(const QString& text, int done, int total)
{
    m_context.progress.showProgress(ProgressService::PointerBusy, text,
                                    ProgressService::SetPointer | ProgressService::SetText, total,
                                    done, done);
}

void FileOperations::reportTransfer(quint64 fileDone, quint64 fileSize)
{
    m_context.progress.showTransfer(
        TransferProgress{quint64(m_run.filesCopied), m_bytesCopied + fileDone, fileDone, fileSize});
}

bool FileOperations::pump()
{
    return m_context.progress.pumpEvents();
}

int FileOperations::listEntries(const QString& folder, quint32 hiddenMask,
                                std::vector<ItemRecord>& out, const platform::ListOptions& options)
{
    // Taken whole first: the walk changes the folder it reads.
    const ListFolderResult r = listFolder(
        folder, hiddenMask,
        [&out](const ItemRecord& record) {
            out.push_back(record);
            return true;
        },
        &m_context.progress, options);
    if (r.interrupted)
        return StepCancelled;
    return r.error;
}

int FileOperations::confirm(DialogRequest& request, int kind, bool moreItems)
{
    if (m_run.noToAll) {
        ++m_run.outcome.skipped;
        return StepSkipped;
    }
    request.kind = qint16(kind + (moreItems ? ConfirmForAll : 0));
    if (request.title.isEmpty())
        request.title = m_run.name;
    const qint16 answer =
        m_context.messages.confirm(request, m_context.progress.interruptRequested());
    switch (answer) {
    case AnswerYes:
        return StepDone;
    case AnswerYesAll:
        if (kind <= ConfirmDestAttr)
            m_run.overwriteAll = true;
        if (kind == ConfirmOverwriteAttr || kind == ConfirmDestAttr)
            m_run.acceptedDestination |= request.attributeMask & ProtectedBits;
        if (kind == ConfirmFileAttr || kind == ConfirmFolderAttr)
            m_run.acceptedSource |= request.attributeMask & ProtectedBits;
        return StepDone;
    case AnswerNo:
        ++m_run.outcome.skipped;
        return StepSkipped;
    case AnswerNoAll:
        m_run.noToAll = true;
        ++m_run.outcome.skipped;
        return StepSkipped;
    default:
        m_run.outcome.cancelled = true;
        return StepCancelled;
    }
}

int FileOperations::askSource(const QString& path, bool isFolder, quint32 attention, bool moreItems)
{
    const quint32 bits = attention & ProtectedBits & ~m_run.acceptedSource;
    if (!bits)
        return StepDone;
    DialogRequest request;
    request.attributeMask = quint16(bits);
    if (isFolder)
        request.folder = addSeparator(path);
    else
        request.text = path;
    return confirm(request, isFolder ? ConfirmFolderAttr : ConfirmFileAttr, moreItems);
}

void FileOperations::showItemError(int errorNumber, const QString& path, bool isFolder,
                                   const QString& title)
{
    QString text = itemErrorText(errorNumber, path, isFolder);
    if (m_run.remove)
        text = m_run.name + QStringLiteral("実行中にエラーが発生しました。") + crlf + crlf + text;
    m_context.messages.showMessage(text, ButtonsOk, title.isEmpty() ? m_run.name : title);
}

void FileOperations::conflict(const QString& path, int kind)
{
    ++m_run.outcome.skipped;
    if (m_context.messages.confirmationMessages())
        m_context.messages.showMessage(conflictMessage(path, kind), ButtonsOk, m_run.name);
}

void FileOperations::leaveMountPoint(const QString& path)
{
    // Another file system is mounted there: like a link, never walked into.
    ++m_run.outcome.skipped;
    showItemError(EBUSY, path, true);
}

void FileOperations::notifyRemoved(const QString& folder, const QString& name, bool isFolder)
{
    for (WindowIndex w : {LeftWindow, RightWindow}) {
        if (m_folders[w] == folder)
            m_context.host.listEntryRemoved(w, name, isFolder);
    }
}

void FileOperations::notifyAdded(const QString& folder, const QString& name, const QString& oldName,
                                 bool existed)
{
    ItemRecord record;
    bool read = false;
    for (WindowIndex w : {LeftWindow, RightWindow}) {
        if (m_folders[w] != folder)
            continue;
        if (!read && platform::statPath(folder + name, record) != 0)
            return;
        read = true;
        record.name = name;
        if (existed)
            m_context.host.listEntryUpdated(w, oldName, record);
        else
            m_context.host.listEntryAdded(w, record);
    }
}

void FileOperations::markVolumeForRefresh(const QString& path)
{
    const QString volume = m_context.volumes.mountPointOf(path);
    for (WindowIndex w : {LeftWindow, RightWindow}) {
        if (!m_folders[w].isEmpty() && m_context.volumes.mountPointOf(m_folders[w]) == volume)
            m_context.host.markForRefresh(w);
    }
}

// --- copy and move ----------------------------------------------------------

int FileOperations::copyOrMove(WindowIndex selected, bool move, const QString& destination)
{
    if (m_running)
        return StepSkipped;
    RunningScope running(m_running);
    m_selected = selected;
    const WindowIndex opposite = oppositeOf(selected);
    resetRun(move ? OpMove : OpCopy);
    OperationHost& host = m_context.host;
    const QString source = m_folders[selected];
    if (!folderAvailable(selected, source, true)) {
        m_run.outcome.checkFailed = true;
        return StepCheckFailed;
    }
    m_run.attention[selected] = pathAttributes(stripSeparator(source));

    const QString target = destination.isEmpty() ? m_folders[opposite] : addSeparator(destination);
    const bool oppositeShows = !target.isEmpty() && m_folders[opposite] == target;
    const bool twoWindows = host.twoWindowsShown();
    const QString phrase = destinationPhrase(source, target, oppositeShows, twoWindows);
    if (!folderAvailable(opposite, target, true)) {
        m_run.outcome.checkFailed = true;
        return StepCheckFailed;
    }
    m_run.attention[opposite] = pathAttributes(stripSeparator(target));
    if (!host.selectionUsable(selected))
        return StepSkipped;
    const std::vector<Marked> items = markedItems(selected);
    if (items.empty())
        return StepSkipped;

    SummaryFacts facts;
    facts.code = m_run.code;
    facts.allLevels = m_allLevels;
    facts.compareSelection = m_compare;
    facts.folderAttributesSettable = host.folderAttributesSettable();
    facts.destinationPhrase = phrase;
    // Names that differ only in case must not land on each other's copy.
    Counterparts destinationIndex(target, source);
    for (const Marked& item : items) {
        const ItemRecord& r = item.record;
        ItemRecord there;
        const bool exists = destinationIndex.find(r.name, there);
        if (exists && (isRealFolder(there) != isRealFolder(r) || there.sameItemAs(r)))
            continue;
        if (isRealFolder(r) && destinationInsideSource(source + r.name, target))
            continue;
        ++facts.items;
        if (isRealFolder(r))
            ++facts.folders;
        facts.firstName = r.name;
    }
    if (facts.items == 0) {
        // Nothing can go there; each item still says why.
        facts.items = int(items.size());
        facts.firstName = items.front().record.name;
    }
    if (const int r = confirmSummary(facts, [&] {
            return folderAvailable(selected, source, false) &&
                   folderAvailable(opposite, target, false) && volumeWritable(target) &&
                   (!move || volumeWritable(source));
        }))
        return r;

    BusyScope busy(m_context.progress);
    m_context.progress.clearInterrupt();
    m_context.progress.setStatusText(QString());
    m_run.outcome.started = true;
    const QString status = runStatusText(m_compare, m_run.name, host.pathText(selected),
                                         !twoWindows, target, oppositeShows && twoWindows);
    showStatus(status, 0, int(items.size()));
    if (facts.items > HideListsOver)
        hideLists(!move ? m_compare : true, oppositeShows);
    m_context.progress.pumpEventsNow();
    platform::removeStaleTemporaries(target);

    Place place{source, target, m_run.attention[selected], m_run.attention[opposite]};
    int result = StepDone;
    for (size_t i = 0; i < items.size(); ++i) {
        if (pump()) {
            m_run.outcome.cancelled = true;
            result = StepCancelled;
            break;
        }
        if (!host.listReady(selected)) {
            ++m_run.outcome.skipped;
            continue;
        }
        showStatus(status, int(i), int(items.size()));
        ItemRecord there;
        const bool exists = destinationIndex.find(items[i].record.name, there);
        const int r =
            copyMoveItem(place, items[i], exists ? &there : nullptr, i + 1 < items.size());
        if (r == StepCancelled || endsRun(r)) {
            result = r;
            break;
        }
    }
    if (result == StepCheckFailed)
        m_run.outcome.checkFailed = true;
    if (result == StepCancelled)
        m_run.outcome.cancelled = true;
    finishRun(target);
    return result == StepCancelled || result == StepCheckFailed ? result : StepDone;
}

int FileOperations::copyMoveItem(const Place& at, const Marked& item, const ItemRecord* existing,
                                 bool moreItems)
{
    const QString path = at.source + item.record.name;
    ItemRecord source;
    const int rc = m_context.volumes.statPath(path, source);
    if (rc == ENOENT || rc == ENOTDIR) {
        ++m_run.outcome.skipped; // gone since the list was filled
        return StepSourceMissing;
    }
    if (rc != 0) {
        if (rc == ETIMEDOUT || rc == EIO || rc == ENOMEDIUM || rc == ENXIO) {
            m_run.outcome.checkFailed = true;
            return StepCheckFailed;
        }
        ++m_run.outcome.skipped;
        return StepSkipped;
    }
    // The full record (attribute store included) for the destination's attributes.
    if (platform::statPath(path, source) != 0) {
        ++m_run.outcome.skipped;
        return StepSourceMissing;
    }
    source.name = item.record.name;
    // A folder into itself or below, by any path, link or mount.
    if (isRealFolder(source) && destinationInsideSource(path, at.destination)) {
        conflict(path, ConflictSameOrLowerFolder);
        return StepSkipped;
    }
    if (isRealFolder(source) && source.mountPoint) {
        leaveMountPoint(path);
        return StepSkipped;
    }
    ItemRecord there;
    const bool exists = existing && platform::statPath(at.destination + existing->name, there) == 0;
    if (exists)
        there.name = existing->name;
    // The destination is the source itself (the same folder twice, a hard
    // link, a bind mount): copying would replace it, moving would lose it.
    if (exists && there.sameItemAs(source)) {
        conflict(path, ConflictSameOrLowerFolder);
        return StepSkipped;
    }
    if (exists && isRealFolder(there) && there.mountPoint) {
        leaveMountPoint(at.destination + there.name);
        return StepSkipped;
    }
    if (exists && isRealFolder(there) != isRealFolder(source)) {
        conflict(path, ConflictDifferentKind);
        return StepSkipped;
    }
    m_run.wholeItemMove = m_run.move && !exists;
    if (!isRealFolder(source)) {
        if (m_run.move) {
            if (int r = askSource(path, false, at.sourceAttention | source.attributes, moreItems))
                return r;
        }
        return copyOneFile(at, source, exists ? &there : nullptr, moreItems);
    }
    if (m_run.wholeItemMove)
        return moveFolderWhole(at, source, moreItems);
    if (!exists) {
        if (int r = makeDestinationFolder(at, source.name, source.attributes, moreItems, false))
            return r;
    }
    Place inner{path + QLatin1Char('/'), at.destination + source.name + QLatin1Char('/'),
                at.sourceAttention | source.attributes,
                at.destinationAttention | (exists ? there.attributes : 0)};
    int r = StepDone;
    if (m_allLevels)
        r = copyFolderContents(inner, !m_fullSelection, !exists);
    if (m_run.move && r != StepCancelled && !endsRun(r))
        finishMovedFolder(at, source.name);
    return r;
}

int FileOperations::copyOneFile(const Place& at, const ItemRecord& source,
                                const ItemRecord* existing, bool moreItems,
                                const platform::FolderPair* pair)
{
    const QString& name = source.name;
    const QString path = at.source + name;
    const bool exists = existing && !m_run.wholeItemMove;
    const ItemRecord there = exists ? *existing : ItemRecord{};

    const quint32 attention = at.destinationAttention | (exists ? there.attributes : 0);
    const quint32 bits = attention & ProtectedBits & ~m_run.acceptedDestination;
    int kind = 0;
    if (bits)
        kind = exists ? ConfirmOverwriteAttr : ConfirmDestAttr;
    else if (exists && !m_run.overwriteAll)
        kind = ConfirmOverwrite;
    if (kind) {
        DialogRequest request;
        request.attributeMask = quint16(bits);
        request.folder = at.destination;
        const QString prefix = QStringLiteral("ファイル") + crlf + path;
        if (kind == ConfirmDestAttr) {
            request.text = prefix;
        } else {
            request.text = there.name;
            request.prefix = prefix;
            request.sourceSize = double(source.size);
            request.destinationSize = double(there.size);
            request.sourceTime = localTimeOf(source.writeTime);
            request.destinationTime = localTimeOf(there.writeTime);
        }
        if (int r = confirm(request, kind, moreItems))
            return r;
    }

    const QString final = at.destination + name;
    const platform::ChunkCallback onChunk = [this](quint64 done, quint64 total) {
        reportTransfer(done, total);
        return m_context.progress.pumpEvents() ? ECANCELED : 0;
    };
    int rc = EXDEV;
    bool renamed = false;
    if (m_run.wholeItemMove) {
        rc = platform::renameItem(path, final, false);
        renamed = rc == 0;
    }
    // What the copy read: a move removes only that file, unchanged.
    platform::FileState copied;
    if (rc == EXDEV) {
        // Across volumes the data is copied; the source goes only after the copy is checked.
        platform::CopyOptions options;
        options.replaceExisting = exists;
        options.stableSource = m_run.move;
        options.sourceState = &copied;
        const QString& target = exists ? there.name : name;
        rc = pair
                 ? pair->copyFile(name, target, options, onChunk, (source.mode & S_IFMT) == S_IFREG)
                 : platform::copyFile(path, at.destination + target, options, onChunk);
    }
    if (rc == ECANCELED) {
        markVolumeForRefresh(at.destination);
        m_context.progress.requestInterrupt();
        m_run.outcome.cancelled = true;
        return StepCancelled;
    }
    if (rc != 0) {
        ++m_run.outcome.failed;
        showItemError(rc, renamed ? final : path, false);
        return rc;
    }
    m_run.changed = true;
    QString written = exists ? at.destination + there.name : final;
    if (exists) {
        if (there.name != name) {
            const int r = platform::renameItem(written, final, false);
            if (r == 0)
                written = final;
            else
                m_context.messages.showMessage(renameErrorText(written, r), ButtonsOk, m_run.name);
        }
        if (!source.isSymlink)
            platform::setAttributes(written, overwrittenAttributes(source));
    }
    ++m_run.filesCopied;
    // A rename copies nothing, but its bytes are done as well.
    m_bytesCopied += copied.size ? copied.size : source.size;
    reportTransfer(0, 0);

    if (m_run.move && !renamed) {
        // The source goes only when the destination holds as many bytes,
        // and only while it is still the file that was copied.
        const bool isLink = (source.mode & S_IFMT) == S_IFLNK;
        ItemRecord check;
        const int sc = platform::statPath(written, check);
        if (sc != 0 || check.size != (isLink ? source.size : copied.size)) {
            ++m_run.outcome.failed;
            showItemError(sc != 0 ? sc : EIO, written, false);
            return StepSkipped;
        }
        const int dc =
            isLink ? platform::deleteFile(path) : platform::deleteUnchangedFile(path, copied);
        if (dc != 0) {
            ++m_run.outcome.failed;
            // Written to meanwhile: the source holds the newer state, and a
            // copy of the older one must not pass for the moved file.
            if (dc == EBUSY && !exists && platform::deleteFile(written) == 0) {
                showItemError(dc, path, false);
                return StepSkipped;
            }
            showItemError(dc, path, false);
            notifyAdded(at.destination, fileNameOf(written), exists ? there.name : QString(),
                        exists);
            return StepSkipped;
        }
    }
    if (m_run.move)
        notifyRemoved(at.source, name, false);
    notifyAdded(at.destination, fileNameOf(written), exists ? there.name : QString(), exists);
    ++m_run.outcome.done;
    return StepDone;
}

int FileOperations::moveFolderWhole(const Place& at, const ItemRecord& source, bool moreItems)
{
    const QString path = at.source + source.name;
    if (int r = askSource(path, true, at.sourceAttention | source.attributes, moreItems))
        return r;
    const QString final = at.destination + source.name;
    const int rc = platform::renameItem(path, final, false);
    if (rc == 0) {
        m_run.changed = true;
        ++m_run.foldersDone;
        const FolderSizeResult stats = folderSizeOf(final, nullptr);
        m_run.filesCopied += int(stats.files);
        m_run.foldersDone += int(stats.folders);
        m_bytesCopied += stats.bytes;
        reportTransfer(0, 0);
        notifyRemoved(at.source, source.name, true);
        for (WindowIndex w : {LeftWindow, RightWindow})
            m_context.host.treeNodeRemoved(w, path);
        notifyAdded(at.destination, source.name, QString(), false);
        ++m_run.outcome.done;
        return StepDone;
    }
    if (rc != EXDEV) {
        ++m_run.outcome.failed;
        showItemError(rc, path, true);
        return rc;
    }
    // Another volume: piece by piece, each file checked before its source goes.
    m_run.wholeItemMove = false;
    if (int r = makeDestinationFolder(at, source.name, source.attributes, moreItems, false))
        return r;
    // The folder's own bits were accepted by the question above.
    Place inner{path + QLatin1Char('/'), final + QLatin1Char('/'), at.sourceAttention,
                at.destinationAttention};
    const int r = copyFolderContents(inner, false, true);
    if (r != StepCancelled && !endsRun(r))
        finishMovedFolder(at, source.name);
    return r;
}

int FileOperations::makeDestinationFolder(const Place& at, const QString& name, quint32 attributes,
                                          bool moreItems, bool fromMenu)
{
    const QString path = at.destination + name;
    const quint32 bits = at.destinationAttention & ProtectedBits & ~m_run.acceptedDestination;
    const QString title = QStringLiteral("フォルダ作成");
    if (bits) {
        DialogRequest request;
        request.attributeMask = quint16(bits);
        request.folder = at.destination;
        if (fromMenu) {
            request.text = name;
            request.title = title;
        } else {
            request.text = QStringLiteral("フォルダ") + crlf + at.source + name;
        }
        if (int r = confirm(request, ConfirmDestAttr, moreItems && !fromMenu))
            return r;
        if (!folderAvailable(fromMenu ? m_selected : oppositeOf(m_selected), at.destination,
                             false)) {
            m_run.outcome.checkFailed = true;
            return StepCheckFailed;
        }
    }
    int rc = platform::createFolder(path);
    if (rc == EEXIST) {
        ItemRecord there;
        if (platform::statPath(path, there) == 0 && isRealFolder(there))
            return StepDone;
    }
    if (rc != 0) {
        ++m_run.outcome.failed;
        showItemError(rc, path, true, title);
        if (rc == EROFS) {
            markVolumeForRefresh(path);
            m_context.progress.requestInterrupt();
        }
        return rc;
    }
    if ((attributes & SettableBits) && m_context.host.folderAttributesSettable())
        platform::setAttributes(path, attributes & SettableBits);
    m_run.changed = true;
    ++m_run.foldersDone;
    notifyAdded(at.destination, name, QString(), false);
    return StepDone;
}

int FileOperations::copyFolderContents(const Place& at, bool selective, bool destinationNew)
{
    std::optional<Counterparts> destination;
    if (!destinationNew) {
        // Below a bind mount or a link the destination may still be the
        // source or lie inside it, at any depth.
        if (folderInside(at.destination, stripSeparator(at.source))) {
            conflict(stripSeparator(at.source), ConflictSameOrLowerFolder);
            return StepSkipped;
        }
        destination.emplace(at.destination, at.source);
        platform::removeStaleTemporaries(at.destination);
    }
    // A plain copy takes the attribute store of a new file along with its
    // xattrs; the store decides something only for moves, the compare
    // selection, folders and overwrites, so only those read it.
    const bool storeNeeded = m_run.move || selective;
    std::vector<ItemRecord> entries;
    if (int rc = listEntries(at.source, 0, entries, platform::ListOptions{storeNeeded})) {
        if (rc == StepCancelled) {
            m_run.outcome.cancelled = true;
            return rc;
        }
        ++m_run.outcome.failed;
        showItemError(rc, at.source, true);
        return rc;
    }
    // Opened at the first file: both folders are resolved once for all files.
    platform::FolderPair pair;
    bool pairTried = false;
    for (const ItemRecord& listed : entries) {
        if (pump()) {
            m_run.outcome.cancelled = true;
            return StepCancelled;
        }
        const QString path = at.source + listed.name;
        if (isRealFolder(listed) && listed.mountPoint) {
            leaveMountPoint(path);
            continue;
        }
        ItemRecord there;
        const bool exists = destination && destination->find(listed.name, there);
        if (exists && there.sameItemAs(listed)) {
            conflict(path, ConflictSameOrLowerFolder);
            continue;
        }
        if (exists && isRealFolder(there) && there.mountPoint) {
            leaveMountPoint(at.destination + there.name);
            continue;
        }
        ItemRecord entry = listed;
        if (!storeNeeded && !entry.isSymlink && (isRealFolder(entry) || exists)) {
            quint32 attributes = 0;
            if (platform::getAttributes(path, attributes) == 0)
                entry.attributes = attributes;
        }
        if (exists && isRealFolder(there) != isRealFolder(entry)) {
            conflict(path, ConflictDifferentKind);
            continue;
        }
        if (selective) {
            if (!exists && !m_flags.existence)
                continue;
            if (exists && !isRealFolder(entry) &&
                !filePairDiffers(m_flags, localTimeSeconds(entry.writeTime),
                                 localTimeSeconds(there.writeTime), entry.size, there.size,
                                 entry.attributes & SettableBits, there.attributes & SettableBits,
                                 entry.name != there.name))
                continue;
        }
        m_run.wholeItemMove = m_run.move && !exists;
        int r = StepDone;
        if (isRealFolder(entry)) {
            if (m_run.wholeItemMove) {
                r = moveFolderWhole(at, entry, true);
            } else {
                if (!exists)
                    r = makeDestinationFolder(at, entry.name, entry.attributes, true, false);
                if (r == StepDone) {
                    Place inner{path + QLatin1Char('/'),
                                at.destination + entry.name + QLatin1Char('/'),
                                at.sourceAttention | entry.attributes,
                                at.destinationAttention | (exists ? there.attributes : 0)};
                    r = copyFolderContents(inner, selective, !exists);
                    if (m_run.move && r != StepCancelled && !endsRun(r))
                        finishMovedFolder(at, entry.name);
                }
            }
        } else {
            if (m_run.move)
                r = askSource(path, false, at.sourceAttention | entry.attributes, true);
            if (r == StepDone && !pairTried) {
                pairTried = true;
                // Not open: each file goes by its paths and reports its own error.
                pair.open(at.source, at.destination);
            }
            if (r == StepDone)
                r = copyOneFile(at, entry, exists ? &there : nullptr, true,
                                pair.isOpen() ? &pair : nullptr);
        }
        if (r == StepCancelled || endsRun(r))
            return r;
    }
    return StepDone;
}

void FileOperations::finishMovedFolder(const Place& at, const QString& name)
{
    const QString path = at.source + name;
    const int rc = platform::deleteEmptyFolder(path);
    if (rc == ENOTEMPTY || rc == EEXIST)
        return; // something inside stayed (skipped); so does the folder
    if (rc != 0) {
        ++m_run.outcome.failed;
        showItemError(rc, path, true);
        return;
    }
    notifyRemoved(at.source, name, true);
    for (WindowIndex w : {LeftWindow, RightWindow})
        m_context.host.treeNodeRemoved(w, path);
}

int FileOperations::createFolder(WindowIndex window, const QString& name)
{
    m_selected = window;
    m_run.noToAll = false;
    m_run.acceptedDestination = 0;
    m_run.outcome = {};
    for (WindowIndex w : {LeftWindow, RightWindow})
        m_folders[w] = addSeparator(m_context.host.folderPath(w));
    const QString folder = m_folders[window];
    if (!folderAvailable(window, folder, true))
        return StepCheckFailed;
    m_run.attention[window] = pathAttributes(stripSeparator(folder));
    const QString saved = m_run.name;
    m_run.name = QStringLiteral("フォルダ作成");
    Place place{folder, folder, m_run.attention[window], m_run.attention[window]};
    const int r = makeDestinationFolder(place, name, AttrDirectory, false, true);
    m_run.name = saved;
    return r;
}

// --- delete -----------------------------------------------------------------

bool deleteErases(VolumeSource& volumes, const QString& folder)
{
    return volumes.volumeOf(folder).info.driveType != platform::DriveFixed;
}

int FileOperations::deleteItems(WindowIndex selected, int modifiers)
{
    if (m_running)
        return StepSkipped;
    RunningScope running(m_running);
    m_selected = selected;
    const WindowIndex opposite = oppositeOf(selected);
    OperationHost& host = m_context.host;
    for (WindowIndex w : {LeftWindow, RightWindow})
        m_folders[w] = addSeparator(host.folderPath(w));
    const QString folder = m_folders[selected];
    const bool erase = (modifiers & ModifierShift) || deleteErases(m_context.volumes, folder);
    resetRun(erase ? OpErase : OpTrash);
    if (!folderAvailable(selected, folder, true)) {
        m_run.outcome.checkFailed = true;
        return StepCheckFailed;
    }
    m_run.attention[selected] = pathAttributes(stripSeparator(folder));
    const quint32 gathered = host.markedAttributes(selected);
    m_run.unconditional = (modifiers & ModifierCtrl) && m_fullSelection;
    if (m_run.unconditional)
        m_run.acceptedSource = gathered & ProtectedBits;
    if (m_compare && !folderAvailable(opposite, m_folders[opposite], true)) {
        m_run.outcome.checkFailed = true;
        return StepCheckFailed;
    }
    if (!host.selectionUsable(selected))
        return StepSkipped;
    const std::vector<Marked> items = markedItems(selected);
    if (items.empty())
        return StepSkipped;

    SummaryFacts facts;
    facts.code = m_run.code;
    facts.unconditional = m_run.unconditional;
    facts.items = int(items.size());
    facts.allLevels = m_allLevels;
    facts.compareSelection = m_compare;
    for (const Marked& item : items)
        facts.folders += isRealFolder(item.record) ? 1 : 0;
    facts.firstName = items.front().record.name;
    if (const int r = confirmSummary(facts, [&] {
            return folderAvailable(selected, folder, false) && volumeWritable(folder);
        }))
        return r;

    BusyScope busy(m_context.progress);
    m_context.progress.clearInterrupt();
    m_context.progress.setStatusText(QString());
    m_run.outcome.started = true;
    const QString status = runStatusText(m_compare, m_run.name, host.pathText(selected),
                                         !host.twoWindowsShown(), QString(), false);
    showStatus(status, 0, int(items.size()));
    if (facts.items > HideListsOver)
        hideLists(true, false);
    m_context.progress.pumpEventsNow();

    // The walk asks about protected items inside; without it a folder goes whole.
    const quint32 hiddenMask = host.hiddenMask();
    const bool walk =
        m_fullSelection && (m_run.unconditional ||
                            ((m_run.acceptedSource & ProtectedBits) == (gathered & ProtectedBits) &&
                             (gathered & hiddenMask) == 0));
    const bool selective = m_compare && m_allLevels;
    Place place{folder, m_folders[opposite], m_run.attention[selected], 0};
    int result = StepDone;
    for (size_t i = 0; i < items.size(); ++i) {
        if (pump()) {
            result = StepCancelled;
            break;
        }
        if (!host.listReady(selected)) {
            ++m_run.outcome.skipped;
            continue;
        }
        showStatus(status, int(i), int(items.size()));
        ItemRecord record;
        const QString path = folder + items[i].record.name;
        const int rc = m_context.volumes.statPath(path, record);
        if (rc != 0) {
            ++m_run.outcome.skipped;
            if (rc == ETIMEDOUT || rc == EIO || rc == ENOMEDIUM) {
                result = StepCheckFailed;
                break;
            }
            continue;
        }
        record.name = items[i].record.name;
        if (isRealFolder(record) && record.mountPoint) {
            leaveMountPoint(path);
            continue;
        }
        const bool more = i + 1 < items.size();
        const int r = isRealFolder(record)
                          ? deleteOneFolder(place, record, more, walk, selective)
                          : deleteOneFile(folder, record, place.sourceAttention, more);
        if (r == StepCancelled || endsRun(r)) {
            result = r;
            break;
        }
    }
    if (result == StepCheckFailed)
        m_run.outcome.checkFailed = true;
    if (result == StepCancelled)
        m_run.outcome.cancelled = true;
    finishRun(QString());
    return result == StepCancelled || result == StepCheckFailed ? result : StepDone;
}

int FileOperations::deleteOneFile(const QString& folder, const ItemRecord& item, quint32 attention,
                                  bool moreItems)
{
    const QString path = folder + item.name;
    if (int r = askSource(path, false, attention | item.attributes, moreItems))
        return r;
    if (removeItem(path, false) != 0)
        return StepSkipped;
    ++m_run.itemsDeleted;
    ++m_run.outcome.done;
    m_run.changed = true;
    notifyRemoved(folder, item.name, false);
    return StepDone;
}

int FileOperations::deleteOneFolder(const Place& at, const ItemRecord& item, bool moreItems,
                                    bool walk, bool selective)
{
    const QString path = at.source + item.name;
    if (int r = askSource(path, true, at.sourceAttention | item.attributes, moreItems))
        return r;
    ItemRecord now;
    if (m_context.volumes.statPath(path, now) != 0 || !isRealFolder(now)) {
        ++m_run.outcome.skipped;
        return StepSkipped;
    }
    const QString inside = path + QLatin1Char('/');
    Place inner{inside, at.destination.isEmpty() ? QString() : at.destination + item.name + '/',
                at.sourceAttention | item.attributes, 0};

    if (selective) {
        const int r = deleteSelectively(inner);
        if (r == StepCancelled || endsRun(r))
            return r;
        // The folder itself goes only when its counterpart is missing and
        // nothing inside stayed.
        ItemRecord there;
        if (!at.destination.isEmpty() &&
            Counterparts(at.destination, at.source).find(item.name, there))
            return StepDone;
        bool empty = true;
        platform::listFolder(inside, [&empty](const ItemRecord&) { return empty = false; });
        if (!empty)
            return StepSkipped;
    } else if (walk && !m_run.erase && walkTakesAll(inside, inner.sourceAttention)) {
        // One trash entry for the whole folder: it is restored as one.
    } else if (walk) {
        const int before = m_run.outcome.skipped + m_run.outcome.failed;
        std::vector<ItemRecord> entries;
        if (int rc = listEntries(inside, m_context.host.hiddenMask(), entries)) {
            if (rc == StepCancelled)
                return rc;
            ++m_run.outcome.failed;
            showItemError(rc, inside, true);
            return StepSkipped;
        }
        for (int pass = 0; pass < 2; ++pass) {
            for (const ItemRecord& entry : entries) {
                if (isRealFolder(entry) != (pass == 0))
                    continue;
                if (pump())
                    return StepCancelled;
                if (pass == 0 && entry.mountPoint) {
                    leaveMountPoint(inside + entry.name);
                    continue;
                }
                const int r = pass == 0 ? deleteOneFolder(inner, entry, true, true, false)
                                        : deleteOneFile(inside, entry, inner.sourceAttention, true);
                if (r == StepCancelled || endsRun(r))
                    return r;
            }
        }
        // Removing the folder now would take what the user chose to keep.
        if (m_run.outcome.skipped + m_run.outcome.failed != before)
            return StepSkipped;
    } else {
        const QString filter = m_context.host.listFilterExtensions();
        if (!filter.trimmed().isEmpty()) {
            bool listed = false;
            platform::listFolder(inside, [&](const ItemRecord& r) {
                listed = !r.isFolder() && extensionListed(filter, r.name);
                return !listed;
            });
            if (listed) {
                ++m_run.outcome.skipped;
                return StepSkipped;
            }
        }
    }
    if (removeItem(path, true) != 0)
        return StepSkipped;
    ++m_run.itemsDeleted;
    ++m_run.foldersDone;
    ++m_run.outcome.done;
    m_run.changed = true;
    folderDeleted(at.source, item.name);
    return StepDone;
}

bool FileOperations::walkTakesAll(const QString& folder, quint32 attention)
{
    if (!m_context.host.listFilterExtensions().trimmed().isEmpty())
        return false;
    const quint32 hiddenMask = m_context.host.hiddenMask();
    std::vector<std::pair<QString, quint32>> subfolders;
    bool all = true;
    const int rc = platform::listFolder(folder, [&](const ItemRecord& entry) {
        // Left out of a listing, on another volume, or asked about: the walk
        // would keep it.
        all = !hiddenByMask(entry.attributes, hiddenMask) &&
              !(isRealFolder(entry) && entry.mountPoint) &&
              !((attention | entry.attributes) & ProtectedBits & ~m_run.acceptedSource);
        if (all && isRealFolder(entry))
            subfolders.emplace_back(entry.name, entry.attributes);
        return all;
    });
    if (rc != 0 || !all || pump())
        return false;
    for (const auto& [name, attributes] : subfolders) {
        if (!walkTakesAll(folder + name + QLatin1Char('/'), attention | attributes))
            return false;
    }
    return true;
}

int FileOperations::deleteSelectively(const Place& at)
{
    std::vector<ItemRecord> entries;
    if (int rc = listEntries(at.source, m_context.host.hiddenMask(), entries)) {
        if (rc == StepCancelled)
            return rc;
        ++m_run.outcome.failed;
        showItemError(rc, at.source, true);
        return StepSkipped;
    }
    std::optional<Counterparts> counterparts;
    if (!at.destination.isEmpty())
        counterparts.emplace(at.destination, at.source);
    for (const ItemRecord& entry : entries) {
        if (pump())
            return StepCancelled;
        if (isRealFolder(entry) && entry.mountPoint) {
            leaveMountPoint(at.source + entry.name);
            continue;
        }
        ItemRecord there;
        const bool exists = counterparts && counterparts->find(entry.name, there);
        int r = StepDone;
        if (isRealFolder(entry)) {
            if (exists && !isRealFolder(there))
                continue;
            if (!exists && !m_flags.existence)
                continue;
            r = deleteOneFolder(at, entry, true, false, true);
        } else {
            bool remove = false;
            if (!exists)
                remove = m_flags.existence;
            else if (isRealFolder(there))
                remove = true;
            else
                remove = filePairDiffers(m_flags, localTimeSeconds(entry.writeTime),
                                         localTimeSeconds(there.writeTime), entry.size, there.size,
                                         entry.attributes & SettableBits,
                                         there.attributes & SettableBits, entry.name != there.name);
            if (!remove)
                continue;
            r = deleteOneFile(at.source, entry, at.sourceAttention, true);
        }
        if (r == StepCancelled || endsRun(r))
            return r;
    }
    return StepDone;
}

int FileOperations::eraseTree(const QString& folder)
{
    std::vector<ItemRecord> entries;
    const int listed = platform::listFolder(
        folder,
        [&entries](const ItemRecord& r) {
            entries.push_back(r);
            return true;
        },
        platform::ListOptions{false});
    if (listed != 0)
        return listed;
    const QString inside = addSeparator(folder);
    int kept = 0;
    for (const ItemRecord& entry : entries) {
        if (pump())
            return ECANCELED;
        // Another file system mounted here is left alone, as is what a link
        // points at: links are removed as links.
        if (isRealFolder(entry) && entry.mountPoint) {
            kept = EBUSY;
            continue;
        }
        const int rc = isRealFolder(entry) ? eraseTree(inside + entry.name)
                                           : platform::deleteFile(inside + entry.name);
        if (rc == EBUSY) {
            kept = rc;
            continue;
        }
        if (rc != 0 && rc != ENOENT)
            return rc;
    }
    return kept ? kept : platform::deleteEmptyFolder(stripSeparator(folder));
}

int FileOperations::removeItem(const QString& path, bool isFolder)
{
    int rc = 0;
    // A folder goes to the trash whole only with nothing mounted inside:
    // emptying the trash would otherwise reach into that file system.
    if (!m_run.erase && isFolder && platform::holdsMountPoint(path))
        rc = EBUSY;
    else if (!m_run.erase)
        rc = platform::moveToTrash(path);
    else if (isFolder)
        rc = eraseTree(path);
    else
        rc = platform::deleteFile(path);
    if (rc == ECANCELED) {
        m_context.progress.requestInterrupt();
        return rc;
    }
    if (rc != 0) {
        ++m_run.outcome.failed;
        showItemError(rc, path, isFolder);
    }
    return rc;
}

void FileOperations::folderDeleted(const QString& parent, const QString& name)
{
    const QString path = parent + name;
    notifyRemoved(parent, name, true);
    for (WindowIndex w : {LeftWindow, RightWindow}) {
        m_context.host.treeNodeRemoved(w, path);
        if (!m_folders[w].isEmpty() && pathLiesWithin(stripSeparator(m_folders[w]), path))
            m_context.host.markForRefresh(w);
    }
}

// --- attributes -------------------------------------------------------------

int FileOperations::changeAttributes(WindowIndex selected, int menuIndex)
{
    if (menuIndex < 0 || menuIndex > 7 || m_running)
        return StepSkipped;
    RunningScope running(m_running);
    m_selected = selected;
    OperationHost& host = m_context.host;
    resetRun(OpAttributes);
    const QString folder = m_folders[selected];
    if (!folderAvailable(selected, folder, true)) {
        m_run.outcome.checkFailed = true;
        return StepCheckFailed;
    }
    const std::vector<Marked> items = markedItems(selected);
    if (items.empty())
        return StepSkipped;
    int folders = 0;
    for (const Marked& item : items)
        folders += isRealFolder(item.record) ? 1 : 0;
    const bool settable = host.folderAttributesSettable();
    const QString text =
        attributeSummaryText(menuIndex, int(items.size()), folders, items.front().record.name,
                             m_allLevels, settable, m_context.messages.confirmationMessages());
    int answer = MsgCancel;
    m_context.messages.showMessage(text, ButtonsOkCancel, m_run.name, true, answer);
    if (answer != MsgOk) {
        m_run.outcome.cancelled = true;
        return StepSkipped;
    }
    if (!folderAvailable(selected, folder, false) || !volumeWritable(folder)) {
        m_run.outcome.checkFailed = true;
        return StepCheckFailed;
    }

    // In list order: the marked items, and an unmarked half of a saved web
    // page whose other half is marked.
    struct Target {
        ItemRecord record;
        bool pairNotice = false;
    };
    std::vector<Target> targets;
    {
        const FileListModel& model = *host.listModel(selected);
        const WebPairs pairs(model);
        QSet<int> excluded;
        for (int row = 0, n = model.count(); row < n; ++row) {
            const int partner = pairs.partner(row);
            const bool marked = model.marked(row);
            if (partner < 0 || (!marked && !model.marked(partner))) {
                if (marked)
                    targets.push_back({model.rowAt(row).record});
                continue;
            }
            if (!settable) {
                // The folder's half cannot change: neither half does.
                if (!excluded.contains(partner) && m_context.messages.confirmationMessages())
                    m_context.messages.showMessage(
                        pairExcludedText(folder,
                                         webPairBase(model.nameAt(row), model.isFolderRow(row))),
                        ButtonsOk, m_run.name);
                excluded.insert(row);
                ++m_run.outcome.skipped;
                continue;
            }
            targets.push_back({model.rowAt(row).record, !marked});
        }
    }

    BusyScope busy(m_context.progress);
    m_context.progress.clearInterrupt();
    m_context.progress.setStatusText(QString());
    m_run.outcome.started = true;
    const QString status = QStringLiteral("指定選択項目の属性を変更中 ") + host.pathText(selected);
    const int total = int(items.size()) - (settable ? 0 : folders);
    showStatus(status, 0, total);
    if (int(items.size()) > HideListsOver)
        hideLists(true, false);
    const quint32 bit = attributeBitOf(menuIndex);
    const bool set = attributeSetBy(menuIndex);
    int result = StepDone;
    int count = 0;
    for (const Target& item : targets) {
        if (pump()) {
            result = StepCancelled;
            break;
        }
        if (item.pairNotice && m_context.messages.confirmationMessages())
            m_context.messages.showMessage(pairIncludedText(item.record.name), ButtonsOk,
                                           m_run.name);
        ItemRecord record;
        if (m_context.volumes.statPath(folder + item.record.name, record) != 0) {
            ++m_run.outcome.skipped;
            continue;
        }
        record.name = item.record.name;
        if (isRealFolder(record) && record.mountPoint) {
            leaveMountPoint(folder + record.name);
            continue;
        }
        changeOneAttribute(folder, record, bit, set);
        showStatus(status, ++count, total);
        if (m_allLevels && isRealFolder(record)) {
            const int r = changeFolderContents(folder + record.name + QLatin1Char('/'), bit, set);
            if (r < -9) {
                result = r;
                break;
            }
        }
    }
    if (result == StepCancelled)
        m_run.outcome.cancelled = true;
    finishRun(QString());
    return result == StepCancelled ? result : StepDone;
}

int FileOperations::changeOneAttribute(const QString& folder, const ItemRecord& item, quint32 bit,
                                       bool set)
{
    const QString path = folder + item.name;
    if (isRealFolder(item) && !m_context.host.folderAttributesSettable()) {
        ++m_run.outcome.skipped;
        return StepSkipped;
    }
    quint32 current = 0;
    int rc = platform::getAttributes(path, current);
    if (rc == 0) {
        const quint32 wanted = set ? (current | bit) : (current & ~bit);
        if (wanted == current) {
            ++m_run.outcome.done;
            return StepDone;
        }
        rc = platform::setAttributes(path, wanted & SettableBits);
    }
    if (rc != 0) {
        ++m_run.outcome.failed;
        if (m_context.messages.confirmationMessages())
            m_context.messages.showMessage(path + crlf + crlf +
                                               QStringLiteral("は属性変更できませんでした。"),
                                           ButtonsOk, m_run.name);
        return StepSkipped;
    }
    m_run.changed = true;
    ++m_run.outcome.done;
    notifyAdded(folder, item.name, item.name, true);
    return StepDone;
}

int FileOperations::changeFolderContents(const QString& folder, quint32 bit, bool set)
{
    std::vector<ItemRecord> entries;
    if (int rc = listEntries(folder, m_context.host.hiddenMask(), entries))
        return rc == StepCancelled ? rc : StepSkipped;
    for (const ItemRecord& entry : entries) {
        if (pump())
            return StepCancelled;
        if (isRealFolder(entry) && entry.mountPoint) {
            leaveMountPoint(folder + entry.name);
            continue;
        }
        changeOneAttribute(folder, entry, bit, set);
        if (isRealFolder(entry)) {
            const int r = changeFolderContents(folder + entry.name + QLatin1Char('/'), bit, set);
            if (r < -9)
                return r;
        }
    }
    return StepDone;
}

} // namespace tovane
