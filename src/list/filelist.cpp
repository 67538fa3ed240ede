#include "list/filelist.h"

#include "core/appsettings.h"
#include "core/conventions.h"
#include "core/mainstate.h"
#include "core/messageservice.h"
#include "core/progressservice.h"
#include "fs/enumeration.h"
#include "fs/pathcheck.h"
#include "fs/pathrules.h"
#include "fs/volumesource.h"
#include "list/listhost.h"
#include "platform/system.h"

#include <algorithm>

namespace tovane {

ListHost::~ListHost() = default;

namespace {

bool isComputerKey(const QString& key)
{
    return key.isEmpty() || key == ComputerKey || key == ComputerText;
}

constexpr int HiddenAttributeSwitches[] = {FlagHideReadOnly, FlagHideHidden, FlagHideSystem,
                                           FlagHideCompressed};

} // namespace

FileList::FileList(WindowIndex window, ListContext context, QObject* parent)
    : QObject(parent), m_window(window), m_context(std::move(context))
{
    if (!m_context.memory) {
        m_context.memory = [] {
            const platform::MemoryFacts facts = platform::memoryFacts();
            return std::make_pair(facts.totalBytes, facts.availableBytes);
        };
    }
    m_images = FileImageRules(m_context.settings.dispExtList);
    loadViewSlot(m_context.state.settingsOf(window));
    connect(&m_model, &FileListModel::markToggled, this, [this](int row) {
        // The check box itself was clicked: the click that follows must not
        // invert the mark a second time.
        m_toggledByBox = row;
        m_context.host.markClicked(m_window, row, m_context.host.modifiers());
    });
}

FileList::~FileList() = default;

int FileList::sortColumn() const
{
    return m_context.settings.sortColumn(m_window);
}

bool FileList::sortDescending() const
{
    return m_context.settings.sortDescending(m_window);
}

void FileList::loadViewSlot(const ViewSlotSettings& slot)
{
    m_sizeUnitKB = slot.sizeUnitKB;
    m_driveDigitsSix = slot.driveDigitsSix;
    m_model.setSixDigits(m_driveDigitsSix);
    if (m_listForm != slot.listForm) {
        m_listForm = slot.listForm;
        Q_EMIT listFormChanged(m_listForm);
    }
    if (m_model.kilobytes() != m_sizeUnitKB && m_model.layout() == ListLayout::FolderItems &&
        m_columnsCreated)
        updateSizeColumn();
    else
        m_model.setKilobytes(m_sizeUnitKB);
}

int FileList::columnWidthSet() const
{
    return tovane::columnWidthSet(m_context.state.viewSlot(m_window), m_model.layout());
}

QString FileList::label() const
{
    return m_context.state.windowLabel(m_window);
}

bool FileList::showSizeTotals() const
{
    return m_context.settings.switchOn(FlagCountSize);
}

bool FileList::showFolderSizes() const
{
    return m_context.settings.switchOn(FlagFolderSize);
}

quint32 FileList::hiddenMask() const
{
    return m_context.settings.hiddenAttributeMask();
}

void FileList::showStatus(const QString& text)
{
    m_context.progress.showProgress(ProgressService::PointerBusy, text,
                                    ProgressService::SetPointer | ProgressService::SetText);
}

void FileList::clearStatus()
{
    m_context.progress.showProgress(ProgressService::PointerDefault, QString(),
                                    ProgressService::SetPointer | ProgressService::SetText);
}

void FileList::setCurrent(int row)
{
    m_currentRow = row;
    Q_EMIT currentRowChanged(row);
}

int FileList::refill()
{
    const QString path = m_context.state.listedPath(m_window);
    return fill(showsDriveList() ? ComputerKey : path);
}

int FileList::refresh()
{
    if (m_model.layout() != ListLayout::FolderItems || m_filling)
        return ResultSkipped;
    Kept kept;
    kept.current = currentName();
    kept.currentRow = m_currentRow;
    for (int row = 0, n = m_model.count(); row < n; ++row)
        if (m_model.marked(row))
            kept.marked.insert(m_model.nameAt(row));
    const QString shown = m_lastShown;
    m_keep = &kept;
    const int code = fill(m_context.state.listedPath(m_window));
    m_keep = nullptr;
    // The content area still shows the same item: a click on it is no news.
    if (m_currentRow >= 0 && m_model.nameAt(m_currentRow) == shown)
        m_lastShown = shown;
    return code;
}

void FileList::restoreMarks(const Kept& kept)
{
    if (!kept.marked.isEmpty()) {
        for (int row = 0, n = m_model.count(); row < n; ++row)
            if (kept.marked.contains(m_model.nameAt(row)))
                m_model.setMarked(row, true);
    }
}

int FileList::fill(const QString& nodeKey)
{
    if (m_filling)
        return ResultSkipped;
    // A refresh shows the same folder and item: an edited text stays open.
    if (!m_keep && !m_context.host.prepareFill(m_window))
        return ResultSkipped;
    m_filling = true;
    bool complete = true;
    {
        // An Esc pressed while nothing ran was not meant for this fill; one
        // pressed during an operation that refills as it goes still counts.
        if (!m_context.progress.busy())
            m_context.progress.clearInterrupt();
        BusyScope busy(m_context.progress);
        showStatus(label() + QStringLiteral("リスト表示の準備中 "));
        Q_EMIT fillStarted();
        const QString previous = m_context.state.listedPath(m_window);
        m_images = FileImageRules(m_context.settings.dispExtList);
        m_currentRow = -1;
        m_lastShown.clear();
        m_toggledByBox = -1;
        // Marks never survive a refill.
        m_selection = ItemCounts();
        m_compareSelection = false;
        m_copyTargets = ItemCounts();
        if (isComputerKey(nodeKey))
            complete = fillDrives(previous);
        else
            complete = fillFolder(addSeparator(nodeKey));
        if (m_keep && !showsDriveList())
            restoreMarks(*m_keep);
        sortList();
        if (m_keep && !showsDriveList()) {
            // A current item that went leaves its place to its neighbour.
            m_currentRow = m_model.rowOfName(m_keep->current);
            if (m_currentRow < 0 && m_keep->currentRow >= 0)
                m_currentRow = std::min(m_keep->currentRow, m_model.count() - 1);
        }
        Q_EMIT fillFinished();
        if (m_currentRow >= 0 && (showsDriveList() || m_keep))
            Q_EMIT currentRowChanged(m_currentRow);
        showStatus(label() + QStringLiteral("リスト項目数表示"));
        updateSizeTotals();
        clearStatus();
    }
    m_filling = false;
    m_context.host.listFilled(m_window);
    return complete ? ResultDone : ResultCancelled;
}

double FileList::folderSizeFor(const QString& path)
{
    FolderSizeOptions options;
    options.hiddenMask = hiddenMask();
    return folderSizeOf(path, &m_context.progress, options).value();
}

bool FileList::fillFolder(const QString& folder)
{
    const bool newColumns = !m_columnsCreated || showsDriveList();
    QStringList headers;
    if (newColumns) {
        headers = folderHeaders(m_sizeUnitKB);
    }
    m_context.state.setListedPath(m_window, folder);
    m_context.host.folderListed(m_window, folder);

    const bool folderSizes = showFolderSizes();
    const quint32 mask = hiddenMask();
    std::shared_ptr<const QSet<QString>> boundaries;
    FolderSizeOptions sizeOptions;
    if (folderSizes) {
        boundaries = volumeBoundaries();
        sizeOptions.hiddenMask = mask;
        sizeOptions.boundaries = boundaries;
    }

    std::vector<FileListModel::Row> rows;
    ItemCounts counts;
    // Taken before reading: a change while we read moves the folder's times.
    platform::FolderStamp stamp;
    platform::folderStamp(folder, stamp);
    const ListFolderResult listed = listFolder(
        folder, mask,
        [&](const ItemRecord& record) {
            FileListModel::Row row;
            if (record.isFolder()) {
                // A filtered list shows the chosen kinds of file and nothing else.
                if (m_images.filterActive())
                    return true;
                const QString path = folder + record.name;
                row.image = qint16(FileImageRules::folderImage(path));
                // Another volume mounted here is not sized: a size never
                // mixes volumes, and a hung mount cannot freeze the fill.
                if (folderSizes && !boundaries->contains(path))
                    row.folderSize = folderSizeOf(path, &m_context.progress, sizeOptions).value();
                ++counts.folders;
            } else {
                const int image = fileImageOf(folder, record.name);
                if (image == NotListed)
                    return true;
                row.image = qint16(image);
                ++counts.files;
            }
            row.record = record;
            rows.push_back(std::move(row));
            return true;
        },
        &m_context.progress);
    counts.items = counts.folders + counts.files;
    m_counts = counts;
    m_stamp = stamp;
    m_stamp.trusted = stamp.trusted && !listed.interrupted && listed.error == 0;
    m_stampMask = mask;

    m_model.setKilobytes(m_sizeUnitKB);
    m_pendingRemovals.clear();
    m_model.resetFolderItems(folder, std::move(rows), newColumns ? &headers : nullptr);
    if (newColumns) {
        m_columnsCreated = true;
        Q_EMIT columnsCreated(ListLayout::FolderItems);
    }
    return !listed.interrupted;
}

bool FileList::fillDrives(const QString& previousPath)
{
    const QStringList headers = driveHeaders();
    m_context.state.setListedPath(m_window, ComputerText);
    showMemoryStatus();
    std::function<int(const QString&)> check;
    if (m_context.checker) {
        check = [this](const QString& mountPoint) {
            return m_context.checker->checkPath(m_window, mountPoint, QString(), false);
        };
    }
    QList<DriveRow> rows = readDriveRows(m_context.volumes, &m_context.progress, check);
    m_counts = ItemCounts();
    m_counts.items = rows.size();
    m_stamp = platform::FolderStamp();
    m_model.setSixDigits(m_driveDigitsSix);
    m_pendingRemovals.clear();
    m_model.resetDrives(std::move(rows), &headers);
    m_columnsCreated = false; // the folder columns are created again after the drives
    Q_EMIT columnsCreated(ListLayout::Drives);

    if (!previousPath.isEmpty() && previousPath.startsWith(u'/'))
        m_currentRow = m_model.rowOfName(m_context.volumes.mountPointOf(previousPath));
    return !m_context.progress.interruptRequested();
}

void FileList::sortList()
{
    removePending();
    if (m_model.layout() == ListLayout::FolderItems)
        m_model.sortRows(sortColumn(), sortDescending());
    updateHeaderMarks();
    Q_EMIT hiddenColumnsReset();
    Q_EMIT sorted();
}

void FileList::updateHeaderMarks()
{
    // The drive list is never sorted by clicks; its header keeps the mark it
    // was created with.
    if (m_model.layout() != ListLayout::FolderItems)
        return;
    QStringList headers = m_model.headerTexts();
    markSortedHeader(headers, sortColumn(), sortDescending());
    m_model.setHeaderTexts(headers);
}

void FileList::updateSizeColumn()
{
    if (m_model.layout() != ListLayout::FolderItems)
        return;
    BusyScope busy(m_context.progress);
    showStatus(label() + QStringLiteral("リストの項目サイズ表示を更新中 "));
    QStringList headers = m_model.headerTexts();
    headers[ColumnSize] = sizeHeaderText(m_sizeUnitKB, true);
    m_model.setHeaderTexts(headers);
    updateHeaderMarks();
    m_model.setKilobytes(m_sizeUnitKB);

    const bool folderSizes = showFolderSizes();
    FolderSizeOptions options;
    options.hiddenMask = hiddenMask();
    std::shared_ptr<const QSet<QString>> boundaries;
    if (folderSizes) {
        boundaries = volumeBoundaries();
        options.boundaries = boundaries;
    }
    bool interrupted = false;
    for (int row = 0, n = m_model.count(); row < n; ++row) {
        if (!m_model.isFolderRow(row))
            continue;
        double size = NoFolderSize;
        const QString path = m_model.pathAt(row);
        if (folderSizes && !interrupted && !boundaries->contains(path)) {
            const FolderSizeResult result = folderSizeOf(path, &m_context.progress, options);
            interrupted = result.interrupted;
            size = result.value();
        }
        m_model.setFolderSize(row, size);
    }
    updateSizeTotals();
    clearStatus();
}

bool FileList::removeListItem(const QString& name, int kind)
{
    if (kind >= 10) {
        m_context.host.removeTreeNode(m_window, name);
        return true;
    }
    const int row = m_model.rowOfName(name);
    if (row < 0 || m_pendingRemovals.contains(name))
        return false;
    m_stamp.trusted = false;
    const double bytes =
        double(m_model.data(m_model.index(row, 0), FileListModel::SizeBytesRole).toULongLong());
    if (m_holdRemovals && m_model.layout() == ListLayout::FolderItems) {
        m_pendingRemovals.insert(name);
    } else {
        if (!m_model.removeName(name))
            return false;
        if (m_currentRow == row)
            m_currentRow = -1;
        else if (m_currentRow > row)
            --m_currentRow;
    }
    m_counts.items = qMax<qint64>(0, m_counts.items - 1);
    if (kind == 0)
        m_counts.folders = qMax<qint64>(0, m_counts.folders - 1);
    else
        m_counts.files = qMax<qint64>(0, m_counts.files - 1);
    // A filtered listing's total is the sum of its rows.
    if (m_listTotal >= 0 && m_images.filterActive())
        m_listTotal = qMax(0.0, m_listTotal - bytes);
    updateCountLabels();
    return true;
}

void FileList::holdRemovals(bool hold)
{
    m_holdRemovals = hold;
    if (!hold)
        removePending();
}

void FileList::removePending()
{
    if (m_pendingRemovals.isEmpty())
        return;
    const std::vector<int> removed = m_model.removeNames(m_pendingRemovals);
    m_pendingRemovals.clear();
    if (m_currentRow >= 0) {
        const auto before = std::lower_bound(removed.begin(), removed.end(), m_currentRow);
        if (before != removed.end() && *before == m_currentRow)
            m_currentRow = -1;
        else
            m_currentRow -= int(before - removed.begin());
    }
}

bool FileList::addOrUpdateItem(const QString& oldName, const ItemRecord& record)
{
    // A name removed a moment ago may be written again.
    if (m_pendingRemovals.contains(oldName) || m_pendingRemovals.contains(record.name))
        removePending();
    m_stamp.trusted = false;
    if (m_model.layout() != ListLayout::FolderItems || (record.attributes & hiddenMask()))
        return false;
    FileListModel::Row row;
    row.record = record;
    if (record.isFolder()) {
        if (m_images.filterActive())
            return false;
        row.image = qint16(FileImageRules::folderImage(m_model.folder() + record.name));
    } else {
        const int image = fileImageOf(m_model.folder(), record.name);
        if (image == NotListed)
            return false;
        row.image = qint16(image);
    }
    const bool existed = m_model.rowOfName(oldName) >= 0;
    m_model.upsertRow(oldName, std::move(row));
    if (!existed) {
        ++m_counts.items;
        ++(record.isFolder() ? m_counts.folders : m_counts.files);
    }
    updateCountLabels();
    return true;
}

bool FileList::listingUnchanged(quint32 mask) const
{
    if (!m_stamp.trusted || mask != m_stampMask || m_model.layout() != ListLayout::FolderItems)
        return false;
    platform::FolderStamp now;
    return platform::folderStamp(m_model.folder(), now) == 0 &&
           platform::folderUnchanged(m_stamp, now);
}

void FileList::countsConfirmed(const platform::FolderStamp& stamp, quint32 mask)
{
    m_stamp = stamp;
    m_stampMask = mask;
}

void FileList::renewImages()
{
    m_stamp.trusted = false; // the rules decide which files are listed
    m_images = FileImageRules(m_context.settings.dispExtList);
    if (m_model.layout() != ListLayout::FolderItems)
        return;
    const QString folder = m_model.folder();
    m_model.renewImages([&](int row) {
        const int image = fileImageOf(folder, m_model.nameAt(row));
        // A row the rules would leave out now stays until the next fill.
        return image == NotListed ? int(ImageFile) : image;
    });
}

void FileList::renewFileImages()
{
    if (m_model.layout() != ListLayout::FolderItems)
        return;
    BusyScope busy(m_context.progress);
    showStatus(label() + QStringLiteral("リスト項目イメージを更新中 "));
    renewImages();
    clearStatus();
}

int FileList::fileImageOf(const QString& folder, const QString& name)
{
    return m_imageCache ? m_imageCache->fileImage(m_images, folder, name)
                        : m_images.fileImage(name);
}

void FileList::setSelectionCounts(const ItemCounts& counts, bool compareSelection)
{
    m_selection = counts;
    m_compareSelection = compareSelection;
    updateCountLabels();
}

void FileList::setCopyTargetCounts(const ItemCounts& counts)
{
    m_copyTargets = counts;
    updateCountLabels();
}

void FileList::updateSizeTotals()
{
    m_listTotal = -1;
    if (showSizeTotals() && m_model.layout() == ListLayout::FolderItems) {
        if (m_images.filterActive()) {
            // The filtered listing is itself the answer.
            double sum = 0;
            for (int row = 0, n = m_model.count(); row < n; ++row)
                sum += double(m_model.data(m_model.index(row, 0), FileListModel::SizeBytesRole)
                                  .toULongLong());
            m_listTotal = sum;
        } else {
            // A text left standing would keep the window from closing: the
            // caller's own text, or none, comes back.
            const QString before = m_context.progress.progress();
            showStatus(QStringLiteral("表示パスのサイズを取得中 ") + label());
            m_listTotal = folderSizeFor(m_model.folder());
            if (before.isEmpty())
                clearStatus();
            else
                showStatus(before);
        }
    }
    updateCountLabels();
}

void FileList::updateCountLabels()
{
    const bool folderItems = m_model.layout() == ListLayout::FolderItems;
    const bool totals = showSizeTotals() && folderItems;
    m_listLabel = listCountText(m_counts, folderItems);
    if (totals && m_listTotal >= 0)
        m_listLabel = withSizeTotal(m_listLabel, m_listTotal, m_sizeUnitKB);
    m_selectionLabel = selectionCountText(m_selection, m_compareSelection, folderItems);
    if (totals)
        m_selectionLabel = withSizeTotal(m_selectionLabel, m_selection.bytes, m_sizeUnitKB);
    m_copyLabel = copyTargetCountText(m_copyTargets, m_compareSelection, folderItems);
    if (totals)
        m_copyLabel = withSizeTotal(m_copyLabel, m_copyTargets.bytes, m_sizeUnitKB);
    Q_EMIT labelsChanged();
}

void FileList::showMemoryStatus()
{
    const auto [total, available] = m_context.memory();
    m_memoryLabel = memoryStatusText(total, available, m_context.host.modifiers());
    Q_EMIT memoryLabelChanged(m_memoryLabel);
}

void FileList::setListForm(int form)
{
    form = form == ListFormList ? ListFormList : ListFormDetails;
    m_context.state.settingsOf(m_window).listForm = form;
    if (m_listForm == form)
        return;
    m_listForm = form;
    Q_EMIT listFormChanged(form);
}

void FileList::setSizeUnit(bool kilobytes)
{
    m_context.state.settingsOf(m_window).sizeUnitKB = kilobytes;
    m_sizeUnitKB = kilobytes;
    if (m_model.layout() == ListLayout::FolderItems && m_columnsCreated)
        updateSizeColumn();
    else
        m_model.setKilobytes(kilobytes);
}

void FileList::setDriveDigits(bool six)
{
    m_context.state.settingsOf(m_window).driveDigitsSix = six;
    m_driveDigitsSix = six;
    m_model.setSixDigits(six);
    if (showsDriveList())
        fill(ComputerKey);
}

void FileList::setShowSizeTotals(std::array<FileList*, 2> lists, bool on)
{
    for (FileList* list : lists) {
        if (!list)
            continue;
        list->m_context.settings.setSwitch(FlagCountSize, on);
        list->updateSizeTotals();
    }
}

void FileList::setShowFolderSizes(std::array<FileList*, 2> lists, bool on)
{
    for (FileList* list : lists) {
        if (!list)
            continue;
        list->m_context.settings.setSwitch(FlagFolderSize, on);
        list->updateSizeColumn();
    }
}

quint32 FileList::toggleHiddenAttribute(AppSettings& settings, ListHost& host, int item)
{
    if (item >= 0 && item < 4) {
        const int flag = HiddenAttributeSwitches[item];
        settings.setSwitch(flag, !settings.switchOn(flag));
    }
    const quint32 mask = settings.hiddenAttributeMask();
    host.hiddenMaskChanged(mask);
    return mask;
}

void FileList::columnClicked(int column)
{
    if (m_model.layout() != ListLayout::FolderItems)
        return;
    if (column >= FirstHiddenColumn) {
        Q_EMIT hiddenColumnsReset();
        return;
    }
    if (column < 0)
        return;
    m_context.settings.sort[size_t(m_window & 1)] = sortValue(column, !sortDescending());
    sortList();
}

void FileList::itemClicked(int row, int modifiers)
{
    if (row < 0 || row >= m_model.count())
        return;
    m_currentRow = row;
    if (m_model.layout() == ListLayout::FolderItems) {
        if (m_toggledByBox == row) {
            m_toggledByBox = -1;
        } else {
            m_toggledByBox = -1;
            m_model.setMarked(row, !m_model.marked(row));
            m_context.host.markClicked(m_window, row, modifiers);
        }
    }
    m_context.host.activateWindow(m_window);
    if (m_model.layout() == ListLayout::Drives) {
        const QString mountPoint = m_model.nameAt(row);
        if (m_context.checker)
            m_context.checker->checkPath(m_window, mountPoint, QString(), true);
        m_context.host.driveChosen(m_window, mountPoint);
        return;
    }
    // A new item is shown afresh; the same one only where the content area
    // lacks it (the display was off, or something else was shown since).
    const QString name = m_model.nameAt(row);
    const bool fresh = name != m_lastShown;
    m_lastShown = name;
    m_context.host.showContent(m_window, row + 1, fresh);
}

void FileList::currentMoved(int row, bool show)
{
    if (row < 0 || row >= m_model.count() || m_filling)
        return;
    m_currentRow = row;
    if (!show || m_model.layout() != ListLayout::FolderItems || m_context.progress.busy())
        return;
    m_lastShown = m_model.nameAt(row);
    m_context.host.showContent(m_window, row + 1, false);
}

void FileList::itemDoubleClicked(int row)
{
    if (m_model.layout() != ListLayout::FolderItems || m_context.progress.busy() ||
        m_model.count() == 0 || row < 0 || row >= m_model.count())
        return;
    const QString path = m_model.pathAt(row);
    const bool folder = m_model.isFolderRow(row);
    const int mode = folder ? (AccessRead | AccessSearch) : AccessRead;
    if (m_context.volumes.access(path, mode) != 0) {
        m_context.messages.showMessage(path + QStringLiteral(" にはアクセスできません。"),
                                       ButtonsOk, QStringLiteral("表示パス選択"));
        return;
    }
    if (folder)
        m_context.host.openFolder(m_window, path);
    else
        m_context.host.openFile(m_window, path);
}

void FileList::keyReleased(int modifiers)
{
    if (modifiers == 0 && m_currentRow >= 0 && m_currentRow < m_model.count())
        Q_EMIT currentRowChanged(m_currentRow);
}

} // namespace tovane
