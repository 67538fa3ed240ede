#include "selection/designatedselection.h"

#include "core/appsettings.h"
#include "core/conventions.h"
#include "core/messageservice.h"
#include "core/progressservice.h"
#include "fs/pathrules.h"
#include "list/fileimages.h"
#include "list/filelist.h"
#include "ops/copytarget.h"
#include "platform/filesystem.h"
#include "selection/selectionhost.h"
#include "tree/treerules.h"

#include <QScopedValueRollback>
#include <optional>

namespace tovane {

SelectionHost::~SelectionHost() = default;

namespace {

const QString DesignatedTitle = QStringLiteral("指定選択");

bool isFolderPath(const QString& path)
{
    return path.startsWith(u'/');
}

platform::ListOptions quickOptions()
{
    platform::ListOptions options;
    options.readAttributeStore = false;
    return options;
}

} // namespace

struct DesignatedSelection::TargetLookup {
    QString folder;
    QString source;
    std::optional<platform::FolderLookup> lookup;

    int find(const QString& target, const QString& from, const QString& name, ItemRecord& out)
    {
        if (!lookup || folder != target || source != from) {
            folder = target;
            source = from;
            lookup.emplace(target, quickOptions(), from);
        }
        return lookup->lookup(name, out);
    }
};

DesignatedSelection::DesignatedSelection(SelectionContext context) : m_context(context) {}

FileListModel* DesignatedSelection::model(WindowIndex w) const
{
    FileList* list = m_context.host.list(w);
    return list ? list->model() : nullptr;
}

bool DesignatedSelection::snapshotBit(WindowIndex w, int row) const
{
    const std::vector<quint8>& bits = state(w).snapshot;
    const size_t byte = size_t(row) / 8;
    return byte < bits.size() && (bits[byte] >> (row % 8)) & 1;
}

void DesignatedSelection::setSnapshotBit(WindowIndex w, int row, bool on)
{
    std::vector<quint8>& bits = state(w).snapshot;
    const size_t byte = size_t(row) / 8;
    if (byte >= bits.size())
        bits.resize(byte + 1, 0);
    if (on)
        bits[byte] |= quint8(1u << (row % 8));
    else
        bits[byte] &= quint8(~(1u << (row % 8)));
}

bool DesignatedSelection::nameHasInvalidCharacters(QStringView name)
{
    // Linux takes all of these but "/"; other file systems (and the copies
    // made to them) do not.
    for (QChar c : name) {
        switch (c.unicode()) {
        case u'\\':
        case u':':
        case u'"':
        case u'/':
        case u'<':
        case u'>':
        case u'|':
        case u'*':
        case u'?':
            return true;
        default:
            break;
        }
    }
    return false;
}

QString DesignatedSelection::invalidNameText(const QString& name)
{
    return QStringLiteral("名前に使用できない文字を含むファイルがあります。\r\n\r\n") + name;
}

QString DesignatedSelection::destination(WindowIndex w) const
{
    const QString& override = m_destinationOverride[size_t(w & 1)];
    if (!override.isEmpty())
        return override;
    return m_context.host.windowPath(oppositeOf(w));
}

void DesignatedSelection::setDestinationOverride(WindowIndex w, const QString& folder)
{
    m_destinationOverride[size_t(w & 1)] = folder.isEmpty() ? QString() : addSeparator(folder);
}

bool DesignatedSelection::rowSkipped(WindowIndex w, int row, unsigned flags) const
{
    const FileListModel* m = model(w);
    if (!m)
        return true;
    const QString path = m->pathAt(row);
    if ((flags & SkipTrash) && insideTrash(path))
        return true;
    // Only folders can be unreadable folders; files cost no system call.
    return (flags & SkipNotEnterable) && m->isFolderRow(row) &&
           folderUnlisted(path, UnlistedNotEnterable);
}

void DesignatedSelection::bookNewMark(WindowIndex w, int row)
{
    ++m_processed;
    const FileListModel* m = model(w);
    WindowSelection& s = state(w);
    SelectionCounters& c = s.counters;
    const FileListModel::Row& r = m->rowAt(row);
    const QString& name = r.record.name;
    const bool folder = r.record.isFolder();
    const QString path = m->folder() + name;

    double bytes = 0;
    if (!folder && m_context.host.sizeTotalsShown()) {
        ItemRecord now;
        if (platform::statPath(path, now, quickOptions()) == 0)
            bytes = double(now.size);
    }

    const QString target = destination(w);
    if (folder && isFolderPath(target) && destinationInsideSource(path, target))
        c.destinationInsideSelection = true;

    bool copyTarget = false;
    if (isFolderPath(target)) {
        ItemRecord counterpart;
        const int e = m_targetLookup ? m_targetLookup->find(target, m->folder(), name, counterpart)
                                     : platform::FolderLookup(target, quickOptions(), m->folder())
                                           .lookup(name, counterpart);
        const bool found = e == 0;
        const int conflict =
            copyTargetConflict(path, folder, target, found ? &counterpart : nullptr, false);
        copyTarget = conflict == ConflictNone;
        if (!copyTarget && m_context.host.confirmMessages())
            m_context.messages.showMessage(conflictMessage(path, conflict), ButtonsOk,
                                           DesignatedTitle);
    }

    addToCounters(s, row, name, folder, copyTarget, bytes);

    if (!s.invalidNameSeen && nameHasInvalidCharacters(name)) {
        s.invalidNameSeen = true;
        if (s.selectionPresent && m_context.host.confirmMessages())
            m_context.messages.showMessage(invalidNameText(name), ButtonsOk, DesignatedTitle);
    }
}

void DesignatedSelection::bookRemovedMark(WindowIndex w, int row)
{
    ++m_processed;
    const FileListModel* m = model(w);
    WindowSelection& s = state(w);
    SelectionCounters& c = s.counters;
    const FileListModel::Row& r = m->rowAt(row);
    const QString& name = r.record.name;
    const bool folder = r.record.isFolder();
    const CountedMark counted = s.counted.take(name);

    const auto down = [](qint64& v) { v = v > 0 ? v - 1 : 0; };
    const auto less = [](double& v, double by) { v = v > by ? v - by : 0; };
    down(c.marked.items);
    down(folder ? c.marked.folders : c.marked.files);
    less(c.marked.bytes, counted.bytes);
    if (counted.copyTarget) {
        down(c.copyTargets.items);
        down(folder ? c.copyTargets.folders : c.copyTargets.files);
        less(c.copyTargets.bytes, counted.bytes);
    }
    const bool shortcut = !folder && extensionOf(name).compare(u"lnk", Qt::CaseInsensitive) == 0;
    if (shortcut) {
        down(c.shortcuts);
    } else if (c.firstName == name) {
        // Rare: only the item that gave the first name makes us look again.
        c.firstName.clear();
        for (int i = 0, n = m->count(); i < n && c.marked.items > c.shortcuts; ++i) {
            const FileListModel::Row& other = m->rowAt(i);
            if (i == row || !other.marked)
                continue;
            if (!other.record.isFolder() &&
                extensionOf(other.record.name).compare(u"lnk", Qt::CaseInsensitive) == 0)
                continue;
            c.firstName = other.record.name;
            break;
        }
    }
}

int DesignatedSelection::processNewMarks(WindowIndex w, int onlyRow, bool backward)
{
    FileListModel* m = model(w);
    if (!m || m->layout() != ListLayout::FolderItems)
        return ResultDone;
    const int n = m->count();
    const auto examine = [&](int row) {
        const bool now = m->marked(row);
        if (now == snapshotBit(w, row))
            return false;
        if (now)
            bookNewMark(w, row);
        else
            bookRemovedMark(w, row);
        setSnapshotBit(w, row, now);
        return true;
    };
    if (onlyRow >= 0) {
        if (onlyRow < n)
            examine(onlyRow);
        return ResultDone;
    }
    TargetLookup walkLookup;
    QScopedValueRollback<TargetLookup*> scope(m_targetLookup, &walkLookup);
    for (int i = 0; i < n; ++i) {
        const int row = backward ? n - 1 - i : i;
        if (examine(row) && m_context.progress.pumpEvents())
            return ResultCancelled;
    }
    return ResultDone;
}

int DesignatedSelection::processRange(WindowIndex w, int first, int last)
{
    if (first > last)
        std::swap(first, last);
    TargetLookup walkLookup;
    QScopedValueRollback<TargetLookup*> scope(m_targetLookup, &walkLookup);
    for (int row = first; row <= last; ++row) {
        processNewMarks(w, row);
        if (m_context.progress.pumpEvents())
            return ResultCancelled;
    }
    return ResultDone;
}

void DesignatedSelection::countMark(WindowIndex w, int row, bool copyTarget, double bytes)
{
    FileListModel* m = model(w);
    if (!m || m->layout() != ListLayout::FolderItems || row < 0 || row >= m->count())
        return;
    WindowSelection& s = state(w);
    const FileListModel::Row& r = m->rowAt(row);
    const bool folder = r.record.isFolder();
    m->setMarked(row, true);
    setSnapshotBit(w, row, true);
    addToCounters(s, row, r.record.name, folder, copyTarget, bytes);
}

void DesignatedSelection::addToCounters(WindowSelection& s, int row, const QString& name,
                                        bool folder, bool copyTarget, double bytes)
{
    SelectionCounters& c = s.counters;
    ++c.marked.items;
    ++(folder ? c.marked.folders : c.marked.files);
    c.marked.bytes += bytes;
    c.lastMarked = row;
    (folder ? c.lastMarkedFolder : c.lastMarkedFile) = row;
    if (copyTarget) {
        ++c.copyTargets.items;
        ++(folder ? c.copyTargets.folders : c.copyTargets.files);
        c.copyTargets.bytes += bytes;
        c.lastCopyTarget = row;
    }
    s.counted.insert(name, CountedMark{bytes, copyTarget});
    if (!folder && extensionOf(name).compare(u"lnk", Qt::CaseInsensitive) == 0)
        ++c.shortcuts;
    else if (c.firstName.isEmpty())
        c.firstName = name;
}

void DesignatedSelection::clearSelectionState(WindowIndex w, int depth)
{
    WindowSelection& s = state(w);
    const QString firstName = s.counters.firstName;
    s.counters = SelectionCounters();
    if (depth == 1)
        s.counters.firstName = firstName;
    s.counted.clear();
    s.invalidNameSeen = false;
    FileListModel* m = model(w);
    const int n = m ? m->count() : 0;
    if (depth <= 1 && m) {
        for (int row = 0; row < n; ++row)
            m->setMarked(row, false);
    }
    if (depth == 0)
        rememberItems(w, RememberClearNames);
    // Counters start again from nothing, so every mark left must be seen as new.
    s.snapshot.assign(size_t(n + 7) / 8, 0);
}

void DesignatedSelection::snapshotChecks(WindowIndex w, bool rebuild)
{
    FileListModel* m = model(w);
    WindowSelection& s = state(w);
    const int n = m ? m->count() : 0;
    if (rebuild || s.snapshot.size() != size_t(n + 7) / 8)
        s.snapshot.assign(size_t(n + 7) / 8, 0);
    for (int row = 0; row < n; ++row)
        setSnapshotBit(w, row, m->marked(row));
}

void DesignatedSelection::rememberItems(WindowIndex w, unsigned flags)
{
    WindowSelection& s = state(w);
    const FileListModel* m = model(w);
    const int first = (flags & RememberUpperSlots) ? 3 : 0;
    for (int slot = first; slot < RememberedSlots; ++slot) {
        RememberedItem& item = s.remembered[size_t(slot)];
        if (flags & RememberClearRows)
            item.row = -1;
        if (flags & RememberClearNames)
            item.name.clear();
        if (flags & RememberRefind)
            item.row = item.name.isEmpty() || !m ? -1 : m->rowOfName(item.name);
    }
}

void DesignatedSelection::rememberItem(WindowIndex w, int slot, int row)
{
    if (slot < 0 || slot >= RememberedSlots)
        return;
    RememberedItem& item = state(w).remembered[size_t(slot)];
    const FileListModel* m = model(w);
    item.row = row;
    item.name = m && row >= 0 && row < m->count() ? m->nameAt(row) : QString();
}

int DesignatedSelection::rememberedRow(WindowIndex w, int slot) const
{
    if (slot < 0 || slot >= RememberedSlots)
        return -1;
    return state(w).remembered[size_t(slot)].row;
}

void DesignatedSelection::publishCounts(WindowIndex w)
{
    WindowSelection& s = state(w);
    if (s.counters.marked.items <= 0)
        s.selectionPresent = false;
    FileList* list = m_context.host.list(w);
    if (!list)
        return;
    const bool totals = m_context.host.sizeTotalsShown();
    ItemCounts marked = s.counters.marked;
    ItemCounts targets = s.counters.copyTargets;
    if (!totals)
        marked.bytes = targets.bytes = 0;
    list->setSelectionCounts(marked, s.compareActive);
    list->setCopyTargetCounts(targets);
}

void DesignatedSelection::showClickSelStatus(WindowIndex w)
{
    m_context.host.setStatusText(m_context.host.windowLabel(w) + QStringLiteral("指定選択中 "));
}

void DesignatedSelection::markClicked(WindowIndex w, int row, int modifiers)
{
    FileListModel* m = model(w);
    if (!m || m->layout() != ListLayout::FolderItems || row < 0 || row >= m->count())
        return;
    WindowSelection& s = state(w);
    const int previous = rememberedRow(w, 0);
    rememberItem(w, 0, row);
    s.selectionPresent = true;
    s.compareActive = false;

    if ((modifiers & 1) && previous >= 0 && previous < m->count() && previous != row) {
        const bool quiet = modifiers & 2;
        if (!quiet)
            showClickSelStatus(w);
        const int first = std::min(previous, row);
        const int last = std::max(previous, row);
        for (int r = first; r <= last; ++r) {
            if (!m->marked(r) && !rowSkipped(w, r, SkipTrash | SkipNotEnterable))
                m->setMarked(r, true);
        }
        processRange(w, first, last);
        if (!quiet)
            m_context.host.setStatusText(QString());
    } else {
        processNewMarks(w, row);
    }
    publishCounts(w);
}

void DesignatedSelection::listFilled(WindowIndex w)
{
    WindowSelection& s = state(w);
    s.selectionPresent = false;
    clearSelectionState(w, 2);
    rememberItems(w, RememberRefind);
    // A refresh keeps the marks of the items still there; a compare
    // selection is computed anew instead.
    const FileListModel* m = model(w);
    if (!s.compareActive && m && m->layout() == ListLayout::FolderItems && m->markedCount() > 0) {
        processNewMarks(w);
        s.selectionPresent = s.counters.marked.items > 0;
    }
    publishCounts(w);
}

void DesignatedSelection::listSorted(WindowIndex w)
{
    // Bookkeeping is complete after every event, so the marks are the snapshot.
    snapshotChecks(w, true);
    rememberItems(w, RememberRefind);
    SelectionCounters& c = state(w).counters;
    const FileListModel* m = model(w);
    c.lastMarked = c.lastMarkedFolder = c.lastMarkedFile = c.lastCopyTarget = -1;
    // The drive list counts drive rows, which have no item rows behind them.
    if (!m || m->layout() != ListLayout::FolderItems)
        return;
    for (int row = 0, n = m->count(); row < n; ++row) {
        const FileListModel::Row& r = m->rowAt(row);
        if (!r.marked)
            continue;
        c.lastMarked = row;
        (r.record.isFolder() ? c.lastMarkedFolder : c.lastMarkedFile) = row;
        if (state(w).counted.value(r.record.name).copyTarget)
            c.lastCopyTarget = row;
    }
}

int DesignatedSelection::prepareCommand(WindowIndex w)
{
    FileListModel* m = model(w);
    if (!m || m->layout() != ListLayout::FolderItems)
        return ResultSkipped;
    const QString path = m_context.host.windowPath(w);
    if (const int code = m_context.host.checkPathWithRepair(w, path); code != 0)
        return code;
    state(w).retries = 0;
    if (const int code = crossCheckItemCounts(w, false); code != 0) {
        if (code != ResultCancelled)
            m_context.host.rebuildAndRefill(w);
        return code;
    }
    state(w).selectionPresent = true;
    state(w).compareActive = false;
    showClickSelStatus(w);
    return ResultDone;
}

void DesignatedSelection::finishCommand(WindowIndex w)
{
    processNewMarks(w);
    publishCounts(w);
    m_context.host.setStatusText(QString());
}

int DesignatedSelection::selectAll(WindowIndex w)
{
    BusyScope busy(m_context.progress);
    if (const int code = prepareCommand(w); code != ResultDone)
        return code;
    clearSelectionState(w, 0);
    FileListModel* m = model(w);
    for (int row = 0, n = m->count(); row < n; ++row) {
        if (rowSkipped(w, row, SkipTrash))
            continue;
        m->setMarked(row, true);
    }
    finishCommand(w);
    return ResultDone;
}

int DesignatedSelection::invert(WindowIndex w)
{
    BusyScope busy(m_context.progress);
    if (const int code = prepareCommand(w); code != ResultDone)
        return code;
    clearSelectionState(w, 2);
    FileListModel* m = model(w);
    for (int row = 0, n = m->count(); row < n; ++row)
        m->setMarked(row, !m->marked(row) && !rowSkipped(w, row, SkipTrash));
    finishCommand(w);
    return ResultDone;
}

void DesignatedSelection::clear(WindowIndex w)
{
    WindowSelection& s = state(w);
    s.selectionPresent = false;
    s.compareActive = false;
    clearSelectionState(w, 0);
    FileList* list = m_context.host.list(w);
    if (list && !list->showsDriveList()) {
        if (list->model()->count() > 0) {
            m_context.host.makeCurrentRow(w, 0);
            rememberItem(w, 0, 0);
        }
    } else {
        m_context.host.forgetRememberedDrive(w);
    }
    m_context.host.forgetDoubleClickPath(w);
    publishCounts(w);
}

int DesignatedSelection::fileSelCommand(WindowIndex w, int index)
{
    switch (index) {
    case 0:
        return selectAll(w);
    case 1:
        return invert(w);
    case 2:
        clear(w);
        return ResultDone;
    default:
        return ResultSkipped;
    }
}

void DesignatedSelection::evaluateCopyTargets(WindowIndex w, const QString& folder)
{
    setDestinationOverride(w, folder);
    // Counting everything again against the new destination.
    clearSelectionState(w, 2);
    processNewMarks(w);
    publishCounts(w);
}

int DesignatedSelection::crossCheckItemCounts(WindowIndex w, bool both)
{
    const FileImageRules rules(m_context.settings.dispExtList);
    const quint32 mask = m_context.settings.hiddenAttributeMask();
    int code = 0;
    std::array<bool, 2> mismatch{};
    const std::array<WindowIndex, 2> order{oppositeOf(w), w};
    for (int i = both ? 0 : 1; i < 2; ++i) {
        const WindowIndex win = order[size_t(i)];
        FileList* list = m_context.host.list(win);
        const QString path = m_context.host.windowPath(win);
        if (!list || list->showsDriveList() || !isFolderPath(path) || path == ComputerText)
            continue;
        // A folder whose entries cannot have changed since the list was
        // filled needs no count; a hundred thousand entries take a while.
        if (list->listingUnchanged(mask))
            continue;
        platform::FolderStamp stamp;
        platform::folderStamp(path, stamp);
        ++m_foldersCounted;
        ListFolderResult read;
        const ListingCounts found = countFolderItems(
            path, mask, &m_context.progress,
            [&rules](const ItemRecord& record) {
                return record.isFolder() ? !rules.filterActive()
                                         : rules.fileImage(record.name) != NotListed;
            },
            &read);
        const ItemCounts& listed = list->listCounts();
        if (found.folders != listed.folders)
            code += 4 * (win + 1);
        if (found.files != listed.files)
            code += win + 1;
        mismatch[size_t(win)] = found.folders != listed.folders || found.files != listed.files;
        if (!mismatch[size_t(win)] && !read.interrupted && read.error == 0)
            list->countsConfirmed(stamp, mask);
    }
    if (code == 0)
        return 0;
    static const QString sides = QStringLiteral("左側右側左右");
    const int which = mismatch[0] && mismatch[1] ? 2 : (mismatch[1] ? 1 : 0);
    const QString r = sides.mid(which * 2, 2);
    bool limitReached = false;
    for (WindowIndex win : {LeftWindow, RightWindow}) {
        if (mismatch[size_t(win)] && state(win).retries >= RetryLimit)
            limitReached = true;
    }
    if (limitReached) {
        m_context.messages.showMessage(
            r + QStringLiteral("の窓の リストに表示されている項目数と\r\n\r\n           "
                               "リスト表示パス内の項目数との\r\n\r\n差異は修正できず\r\n\r\n"
                               "データが壊れている可能性があるのでキャンセルします。"),
            ButtonsOk, QStringLiteral("項目数比較"));
        return ResultCancelled;
    }
    for (WindowIndex win : {LeftWindow, RightWindow}) {
        if (mismatch[size_t(win)])
            ++state(win).retries;
    }
    m_context.messages.showMessage(
        r + QStringLiteral("の窓の リストに表示されている項目数と\r\n\r\n           "
                           "リスト表示パス内の項目数とが\r\n\r\n"
                           "異なるので ツリーやリストを再表示します。"),
        ButtonsOk, QStringLiteral("項目数比較"));
    return code;
}

} // namespace tovane
