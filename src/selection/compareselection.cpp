#include "selection/compareselection.h"

#include "core/appsettings.h"
#include "core/conventions.h"
#include "core/messageservice.h"
#include "core/progressservice.h"
#include "fs/enumeration.h"
#include "fs/itemtext.h"
#include "fs/pathrules.h"
#include "list/filelist.h"
#include "ops/copytarget.h"
#include "platform/filesystem.h"
#include "selection/selectionhost.h"

#include <QScopedValueRollback>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace tovane {

namespace {

const QString CompareTitle = QStringLiteral("比較");

bool mayBeInTrash(QStringView folder, QStringView name)
{
    // Every trash folder has "Trash" in its path; the rest is never read.
    return folder.contains(u"Trash") || name.contains(u"Trash");
}

QString joinPath(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

} // namespace

struct CompareSelection::Pass {
    WindowIndex selected = LeftWindow;
    WindowIndex opposite = RightWindow;
    CompareFlags flags;
    bool allLevels = false;
    bool confirm = true;
    bool sizeTotals = false;
    quint32 hiddenMask = 0;
    QString destination; // the opposite folder, trailing "/"
    platform::ListOptions options;
    // The destination opened once for all rows of the pass.
    std::optional<platform::FolderLookup> lookup;
    // Counterparts of the rows from batchStart on, looked up together.
    int batchStart = -1;
    std::vector<ItemRecord> batchRecords;
    std::vector<int> batchCodes;
};

CompareSelection::CompareSelection(SelectionContext context, DesignatedSelection& marks)
    : m_context(context), m_marks(marks)
{
}

bool CompareSelection::filesDiffer(const CompareFlags& flags, const ItemRecord& source,
                                   const ItemRecord& destination)
{
    return filePairDiffers(
        flags, localTimeSeconds(source.writeTime), localTimeSeconds(destination.writeTime),
        source.size, destination.size, source.attributes & AttributeBitsUsed,
        destination.attributes & AttributeBitsUsed, source.name != destination.name);
}

int CompareSelection::compareSelect(const CompareConditions& conditions)
{
    const CompareFlags flags = conditions.flags(m_context.host.folderAttributesSettable());
    return run(m_context.host.selectedWindow(), false, &flags);
}

int CompareSelection::recompareIfActive(WindowIndex w)
{
    if (!m_marks.compareActive(w)) {
        m_marks.publishCounts(w);
        return ResultDone;
    }
    return run(w, true, nullptr);
}

void CompareSelection::listFilled(WindowIndex w)
{
    m_marks.listFilled(w);
    if (!m_running)
        recompareIfActive(w);
}

void CompareSelection::cancelMarks(WindowIndex w)
{
    m_marks.clearSelectionState(w, 0);
    m_marks.state(w).selectionPresent = false;
    // A comparison that did not finish holds no compare selection to renew.
    m_marks.setCompareActive(w, false);
    m_marks.publishCounts(w);
}

int CompareSelection::run(WindowIndex selected, bool rerun, const CompareFlags* flags)
{
    if (m_running)
        return ResultSkipped;
    QScopedValueRollback<bool> guard(m_running, true);
    SelectionHost& host = m_context.host;
    const WindowIndex opposite = oppositeOf(selected);

    const QString oppositePath = host.windowPath(opposite);
    if (oppositePath.startsWith(u'/')) {
        if (const int code = host.checkPathWithRepair(opposite, oppositePath); code != 0)
            return code;
    }
    BusyScope busy(m_context.progress);
    m_context.progress.clearInterrupt();

    const bool both = !rerun && host.compareBothWindows();
    if (!rerun) {
        WindowSelection& s = m_marks.state(selected);
        s.compareActive = true;
        s.selectionPresent = false;
        if (flags)
            s.compareFlags = *flags;
        if (both) {
            WindowSelection& o = m_marks.state(opposite);
            o.compareActive = true;
            o.selectionPresent = false;
            o.compareFlags = s.compareFlags;
        }
        host.forgetDoubleClickPath(selected);
    }
    m_marks.state(LeftWindow).retries = 0;
    m_marks.state(RightWindow).retries = 0;

    // The lists must show what the folders hold, or the marks would point
    // at the wrong items: rebuild and look again, within the retry limit.
    while (true) {
        const int code = m_marks.crossCheckItemCounts(selected, true);
        if (code == 0)
            break;
        if (code == ResultCancelled)
            return ResultCancelled;
        if (code & 5)
            host.rebuildAndRefill(LeftWindow);
        if (code & 10)
            host.rebuildAndRefill(RightWindow);
    }

    const auto passOf = [&](WindowIndex w) {
        Pass pass;
        pass.selected = w;
        pass.opposite = oppositeOf(w);
        pass.flags = m_marks.state(w).compareFlags;
        pass.allLevels = host.allLevels(w);
        pass.confirm = host.confirmMessages();
        pass.sizeTotals = host.sizeTotalsShown();
        pass.hiddenMask = m_context.settings.hiddenAttributeMask();
        pass.destination = host.windowPath(pass.opposite);
        // The store is read only when attributes decide something: hidden
        // and system bits of the mask, or the attribute condition.
        pass.options.readAttributeStore = pass.flags.fileAttributes ||
                                          pass.flags.folderAttributes ||
                                          (pass.hiddenMask & (AttrHidden | AttrSystem));
        return pass;
    };

    Pass first = passOf(selected);
    int result = walk(first);
    if (result == ResultCancelled) {
        cancelMarks(selected);
        return ResultCancelled;
    }
    if (result != ResultDone)
        return result;
    if (both) {
        Pass second = passOf(opposite);
        result = walk(second);
        if (result == ResultCancelled) {
            cancelMarks(opposite);
            cancelMarks(selected);
            return ResultCancelled;
        }
    }
    return result;
}

int CompareSelection::walk(Pass& pass)
{
    SelectionHost& host = m_context.host;
    const WindowIndex w = pass.selected;
    if (!host.confirmUnsavedText(w))
        return ResultSkipped;
    m_marks.clearSelectionState(w, 0);
    m_marks.rememberItems(w, RememberClearRows);

    FileList* list = host.list(w);
    const bool comparable = list && !list->showsDriveList() && pass.destination.startsWith(u'/');
    if (comparable) {
        host.setStatusText(host.windowLabel(w) + QStringLiteral("比較選択中 "));
        pass.destination = addSeparator(pass.destination);
        const FileListModel* model = list->model();
        pass.lookup.emplace(pass.destination, pass.options, model->folder());
        const int n = model->count();
        // Small enough that a batch never keeps the events waiting.
        constexpr int Batch = 2048;
        for (int start = 0; start < n; start += Batch) {
            const int end = std::min(n, start + Batch);
            QStringList names;
            names.reserve(end - start);
            for (int row = start; row < end; ++row)
                names.append(model->rowAt(row).record.name);
            pass.lookup->lookupMany(names, pass.batchRecords, pass.batchCodes);
            pass.batchStart = start;
            for (int row = start; row < end; ++row) {
                if (m_context.progress.pumpEvents() || !compareRow(pass, row)) {
                    pass.batchStart = -1;
                    host.setStatusText(QString());
                    return ResultCancelled;
                }
            }
        }
        pass.batchStart = -1;
        host.setStatusText(QString());
    }
    m_marks.snapshotChecks(w, true);
    const int last = m_marks.counters(w).lastMarked;
    if (last >= 0)
        host.makeCurrentRow(w, last);
    m_marks.publishCounts(w);
    return ResultDone;
}

bool CompareSelection::compareRow(Pass& pass, int row)
{
    const FileListModel* model = m_context.host.list(pass.selected)->model();
    const FileListModel::Row& item = model->rowAt(row);
    const ItemRecord& x = item.record;
    const QString& folder = model->folder();
    const bool isFolder = x.isFolder();

    QString path;
    const auto itemPath = [&]() -> const QString& {
        if (path.isEmpty())
            path = folder + x.name;
        return path;
    };
    // Trash items and unreadable folders never take part, but the root's
    // own entries are always compared.
    if (!isRootPath(folder)) {
        if (mayBeInTrash(folder, x.name) && insideTrash(itemPath()))
            return true;
        if (isFolder && folderUnlisted(itemPath(), UnlistedNotEnterable))
            return true;
    }

    const bool inside = isFolder && destinationInsideSource(itemPath(), pass.destination);
    if (inside && pass.confirm)
        m_context.messages.showMessage(conflictMessage(itemPath(), ConflictSameOrLowerFolder),
                                       ButtonsOk, CompareTitle);

    ItemRecord other;
    ++m_lookups;
    int code = 0;
    const int slot = row - pass.batchStart;
    if (pass.batchStart >= 0 && slot < int(pass.batchCodes.size())) {
        code = pass.batchCodes[size_t(slot)];
        other = std::move(pass.batchRecords[size_t(slot)]);
    } else {
        code = pass.lookup->lookup(x.name, other);
    }
    const bool found = code == 0 && !hiddenByMask(other.attributes, pass.hiddenMask);

    const CompareFlags& f = pass.flags;
    bool marked = false;
    bool copyTarget = false;
    if (!found) {
        marked = f.existence;
        copyTarget = marked && !inside;
    } else if (isFolder && other.isFolder()) {
        marked = (f.folderAttributes &&
                  (x.attributes & AttributeBitsUsed) != (other.attributes & AttributeBitsUsed)) ||
                 (f.letterCase && x.name != other.name);
        // Another file system mounted there is not walked into.
        if (!marked && pass.allLevels && !x.mountPoint && !other.mountPoint) {
            bool interrupted = false;
            marked = foldersDiffer(pass, itemPath(), pass.destination + other.name, interrupted);
            if (interrupted)
                return false;
        }
        copyTarget = marked && !inside;
    } else if (isFolder != other.isFolder()) {
        marked = true;
        if (pass.confirm)
            m_context.messages.showMessage(conflictMessage(itemPath(), ConflictDifferentKind),
                                           ButtonsOk, CompareTitle);
    } else {
        marked = filesDiffer(f, x, other);
        if (marked) {
            const int conflict =
                copyTargetConflict(itemPath(), false, pass.destination, &other, true);
            copyTarget = conflict == ConflictNone;
            if (!copyTarget && pass.confirm)
                m_context.messages.showMessage(conflictMessage(itemPath(), conflict), ButtonsOk,
                                               CompareTitle);
        }
    }
    if (marked)
        m_marks.countMark(pass.selected, row, copyTarget,
                          pass.sizeTotals && !isFolder ? double(x.size) : 0.0);
    return true;
}

bool CompareSelection::foldersDiffer(Pass& pass, const QString& source, const QString& destination,
                                     bool& interrupted)
{
    const CompareFlags& f = pass.flags;
    bool differs = false;
    // Opened at the first entry: an empty source needs no destination.
    std::optional<platform::FolderLookup> lookup;
    const ListFolderResult listed = listFolder(
        source, pass.hiddenMask,
        [&](const ItemRecord& entry) {
            if (mayBeInTrash(source, entry.name) && insideTrash(joinPath(source, entry.name)))
                return true;
            ItemRecord other;
            ++m_lookups;
            if (!lookup)
                lookup.emplace(destination, pass.options, source);
            const bool found = lookup->lookup(entry.name, other) == 0 &&
                               !hiddenByMask(other.attributes, pass.hiddenMask);
            if (!found) {
                differs = f.existence;
            } else if (entry.isFolder() && other.isFolder()) {
                differs = (f.folderAttributes && (entry.attributes & AttributeBitsUsed) !=
                                                     (other.attributes & AttributeBitsUsed)) ||
                          (f.letterCase && entry.name != other.name) ||
                          (!entry.mountPoint && !other.mountPoint &&
                           foldersDiffer(pass, joinPath(source, entry.name),
                                         joinPath(destination, other.name), interrupted));
            } else if (entry.isFolder() != other.isFolder()) {
                differs = true;
            } else {
                differs = filesDiffer(f, entry, other);
            }
            // The first difference decides; nothing below needs reading.
            return !differs && !interrupted;
        },
        &m_context.progress, pass.options);
    if (listed.interrupted)
        interrupted = true;
    return differs && !interrupted;
}

} // namespace tovane
