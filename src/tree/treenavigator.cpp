#include "tree/treenavigator.h"

#include "core/conventions.h"
#include "core/messageservice.h"
#include "core/progressservice.h"
#include "fs/pathcheck.h"
#include "fs/pathrules.h"
#include "fs/volumesource.h"
#include "tree/treehost.h"
#include "tree/treerules.h"

#include <algorithm>
#include <cerrno>
#include <optional>

namespace tovane {

namespace {

constexpr int ProgressFlags = ProgressService::SetPointer | ProgressService::SetText;
const QString DestinationCheckTitle = QStringLiteral("処理先ドライブの状態");
constexpr int DestinationWidth = 35;
constexpr int DestinationWidthWithLabel = 41;
constexpr int DestinationScrollStep = 10;

bool strictlyInside(const FolderTreeModel& model, const QString& key, const QString& ancestor)
{
    const FolderTreeModel::Node* node = model.node(key);
    if (!node)
        return false;
    for (const FolderTreeModel::Node* p = node->parent; p; p = p->parent)
        if (p->key == ancestor)
            return true;
    return false;
}

} // namespace

QString destinationEntryText(DestinationOperation operation)
{
    switch (operation) {
    case DestinationOperation::Copy:
        return QStringLiteral(" コピー");
    case DestinationOperation::Move:
        return QStringLiteral(" 移　動");
    case DestinationOperation::Shortcut:
        return QStringLiteral(" ショートカットを作成");
    case DestinationOperation::SaveAs:
        return QStringLiteral(" 名前を付けて保存");
    case DestinationOperation::CompressCab:
        return QStringLiteral(" 圧　縮(cab)");
    case DestinationOperation::CompressLzh:
        return QStringLiteral(" 圧　縮(lzh)");
    case DestinationOperation::CompressZip:
        return QStringLiteral(" 圧　縮(zip)");
    case DestinationOperation::Extract:
        return QStringLiteral(" 解　凍");
    }
    return QString();
}

// Marks the navigator as handling an event; events pumped meanwhile are
// dropped instead of running inside the one in progress.
class TreeNavigator::Working {
public:
    explicit Working(TreeNavigator& navigator) : m_navigator(navigator) { ++m_navigator.m_working; }
    ~Working() { --m_navigator.m_working; }
    Working(const Working&) = delete;
    Working& operator=(const Working&) = delete;

private:
    TreeNavigator& m_navigator;
};

TreeNavigator::TreeNavigator(TreeServices services) : m_services(services), m_trees(services) {}

bool TreeNavigator::lying(const QString& path, const QString& volumeKey) const
{
    return path != ComputerKey && !volumeKey.isEmpty() && pathLiesWithin(path, volumeKey) &&
           m_trees.volumeKeyOf(path).size() <= volumeKey.size();
}

bool TreeNavigator::enterable(const QString& path)
{
    VolumeSource& volumes = m_services.volumes;
    ItemRecord record;
    if (volumes.statPath(path, record) != 0 || !record.isFolder())
        return true; // the availability check tells what is wrong
    const int e = volumes.access(path, AccessRead | AccessSearch);
    return e != EACCES && e != EPERM;
}

bool TreeNavigator::confirmPathChange(WindowIndex w)
{
    TreeHost& host = m_services.host;
    if (!pathChangeNeedsConfirmation(host.selectionLoad(oppositeOf(w)), host.twoWindows()))
        return true;
    int answer = MsgNo;
    m_services.messages.showMessage(pathChangeQuestion(), ButtonsYesNo, PathChangeTitle, true,
                                    answer);
    return answer == MsgYes;
}

void TreeNavigator::reselectCurrent(WindowIndex w)
{
    m_trees.selectNearest(w, treeKeyOf(m_services.host.currentPath(w)));
    model(w).ensureVisible(model(w).selectedKey());
}

// --- tree events ---

void TreeNavigator::mouseDown(WindowIndex w, TreeButton button, int modifiers)
{
    if (busy())
        return;
    m_trees.setFullExpandRequest(w, (modifiers & ModifierShift) != 0);
    WindowState& st = state(w);
    st.collapseJustHappened = false;
    st.rightButtonDown = button == TreeButton::Right;
    if (button != TreeButton::Right)
        m_services.host.activateWindow(w);
}

void TreeNavigator::mouseUp(WindowIndex w, TreeButton button)
{
    if (busy())
        return;
    Working working(*this);
    state(w).collapseJustHappened = false;
    // Shift counts for the expansion its press caused, not for later ones.
    m_trees.setFullExpandRequest(w, false);
    if (m_destination.open) {
        closeDestinationList();
        return;
    }
    if (button != TreeButton::Left)
        return;
    m_services.checker.clearFailedDrives();
    m_trees.probeAndResync(w);
}

void TreeNavigator::nodeClick(WindowIndex w, const QString& key, TreeButton button)
{
    if (busy())
        return;
    Working working(*this);
    FolderTreeModel& m = model(w);
    if (!m.contains(key))
        return;
    TreeHost& host = m_services.host;
    m_services.checker.clearFailedDrives();
    if (button == TreeButton::Right && host.selectionPresent(host.selectedWindow())) {
        openDestinationList(w, key);
        return;
    }

    m.select(key);
    if (!confirmPathChange(w)) {
        reselectCurrent(w);
        return;
    }
    m.ensureVisible(key);
    WindowState& st = state(w);
    if (st.collapseJustHappened) {
        st.collapseJustHappened = false;
        m_trees.probeAndResync(w);
        return;
    }
    const FolderTreeModel::Node* node = m.node(key);
    if (node && node->kind == NodeKind::Drive) {
        st.driveRecheckPending = true;
        expandHandler(w, key);
        // The clicked volume becomes the path, even when its rebuilt node
        // put the selection back on a folder below it.
        if (m.contains(key))
            m.select(key);
    }
    const int result = selectTreeItem(w, false);
    m_trees.probeAndResync(w);
    if (result != 0)
        reselectCurrent(w);
}

void TreeNavigator::nodeExpanded(WindowIndex w, const QString& key)
{
    model(w).noteExpanded(key, true);
    if (busy() || state(w).suppressExpand)
        return;
    Working working(*this);
    m_services.checker.clearFailedDrives();
    expandHandler(w, key);
}

void TreeNavigator::expandHandler(WindowIndex w, const QString& key)
{
    WindowState& st = state(w);
    if (st.suppressExpand)
        return;
    st.collapseJustHappened = false;
    const bool recheck = st.driveRecheckPending;
    st.driveRecheckPending = false;

    PathChecker& checker = m_services.checker;
    if (key != ComputerKey) {
        checker.showCheckProgress(true);
        const int code = checkPathWithRepair(w, key);
        checker.showCheckProgress(false);
        if (code != CheckAvailable) {
            m_services.host.focusWindow(w);
            return;
        }
    }
    const FolderTreeModel::Node* node = model(w).node(key);
    if (!node)
        return;
    if (recheck && node->kind == NodeKind::Drive && driveRecheck(w, key)) {
        m_trees.setFullExpandRequest(w, false);
        m_services.host.focusWindow(w);
        return;
    }
    loadExpansion(w, key);
}

bool TreeNavigator::driveRecheck(WindowIndex w, const QString& key)
{
    FolderTreeModel& m = model(w);
    m_trees.refreshVolumes();
    const DriveState drive = m_trees.readDrive(key);
    const FolderTreeModel::Node* node = m.node(key);
    const QString expected =
        driveText(key, drive.label, drive.error == 0 ? DriveRead::Read : DriveRead::Failed);
    qsizetype subfolders = 0;
    if (drive.error == 0) {
        QStringList names;
        if (m_trees.readSubfolders(w, key, names) == 0)
            subfolders = names.size();
    }
    const bool rebuild = drive.driveType == platform::DriveRemovable ||
                         drive.driveType == platform::DriveCdRom || expected != node->text ||
                         qsizetype(node->children.size()) != subfolders;
    state(w).driveChanged = rebuild;
    if (!rebuild)
        return false;

    const QString currentKey = treeKeyOf(m_services.host.currentPath(w));
    const bool onDrive = lying(currentKey, key);
    const QString parentKey = node->parent ? node->parent->key : QString();
    const bool wasExpanded = node->expanded;
    m_trees.setTargetPath(onDrive && currentKey != key ? currentKey : key);
    m.removeNode(key);
    m_trees.addDriveNode(w, parentKey, drive);
    m_trees.setTargetPath(ComputerKey);
    if (wasExpanded)
        m.setExpanded(key, true);
    if (onDrive)
        m_trees.selectNearest(w, currentKey);
    else
        m.select(key);
    m.ensureVisible(m.selectedKey());
    return true;
}

void TreeNavigator::loadExpansion(WindowIndex w, const QString& key)
{
    FolderTreeModel& m = model(w);
    ProgressService& progress = m_services.progress;
    TreeHost& host = m_services.host;
    WindowState& st = state(w);

    progress.clearInterrupt();
    std::optional<BusyScope> busy(std::in_place, progress);
    progress.showProgress(ProgressService::PointerBusy, host.windowLabel(w) + ExpandProgressText,
                          ProgressFlags);
    m_trees.clearBuildAbort();
    m_trees.setTargetPath(ComputerKey);
    const bool full = m_trees.fullExpandRequest(w);
    if (full)
        m.beginBulk(); // the tree is hidden until the whole subtree is in
    for (const QString& child : m.childKeys(key)) {
        if (m_trees.stopRequested())
            break;
        if (full)
            m_trees.addWholeSubtree(w, child);
        else
            m_trees.addSubfolders(w, child);
    }
    if (full) {
        const bool stopped = m_trees.stopRequested();
        st.suppressExpand = true;
        // An interrupted expansion shows what it read without unfolding it.
        m.setExpanded(key, true, !stopped);
        st.suppressExpand = false;
        m_trees.setFullExpandRequest(w, false);
        m.endBulk();
    }
    progress.clearInterrupt();
    progress.showProgress(ProgressService::PointerDefault, QString(), ProgressFlags);
    busy.reset();
    host.focusWindow(w);
}

void TreeNavigator::nodeCollapsed(WindowIndex w, const QString& key)
{
    FolderTreeModel& m = model(w);
    m.noteExpanded(key, false);
    WindowState& st = state(w);
    if (busy() || st.suppressExpand)
        return;
    Working working(*this);
    m_services.checker.clearFailedDrives();
    st.collapseJustHappened = true;
    if (!confirmPathChange(w)) {
        reselectCurrent(w);
        return;
    }
    if (m_trees.fullExpandRequest(w)) {
        ProgressService& progress = m_services.progress;
        BusyScope busy(progress);
        progress.showProgress(ProgressService::PointerBusy,
                              m_services.host.windowLabel(w) + CollapseProgressText, ProgressFlags);
        st.suppressExpand = true;
        m.setExpanded(key, false, true);
        st.suppressExpand = false;
        m_trees.setFullExpandRequest(w, false);
        progress.showProgress(ProgressService::PointerDefault, QString(), ProgressFlags);
    }
    // A collapse that hides the selected node moves the selection onto it.
    if (strictlyInside(m, m.selectedKey(), key))
        m.select(key);
    QString currentKey = treeKeyOf(m_services.host.currentPath(w));
    while (!m.contains(currentKey) && currentKey != ComputerKey) {
        const QString up = treeKeyOf(parentOf(currentKey));
        if (up == currentKey)
            break;
        currentKey = up;
    }
    const bool currentBelow = strictlyInside(m, currentKey, key);
    selectTreeItem(w, !currentBelow && key != ComputerKey);
}

// --- navigation ---

int TreeNavigator::selectTreeItem(WindowIndex w, bool keepList)
{
    FolderTreeModel& m = model(w);
    TreeHost& host = m_services.host;
    const QString key = m.selectedKey();
    if (key.isEmpty())
        return ResultFailed;
    if (key == ComputerKey) {
        host.setCurrentPath(w, ComputerText);
        host.fillList(w, ComputerText);
        return ResultDone;
    }
    if (!enterable(key)) {
        m_services.messages.showMessage(notAccessibleText(key), ButtonsOk, TreeSelectTitle);
        return ResultFailed;
    }
    PathChecker& checker = m_services.checker;
    checker.showCheckProgress(true);
    const int code = checkPathWithRepair(w, key);
    checker.showCheckProgress(false);
    if (code != CheckAvailable)
        return code;

    const QString path = windowPathOf(key);
    host.setCurrentPath(w, path);
    if (!keepList)
        host.fillList(w, path);
    WindowState& st = state(w);
    if (st.driveChanged) {
        st.driveChanged = false;
        syncOtherAfterDriveChange(w, m_trees.volumeKeyOf(key));
    }
    return ResultDone;
}

void TreeNavigator::syncOtherAfterDriveChange(WindowIndex w, const QString& mountPoint)
{
    const WindowIndex o = oppositeOf(w);
    FolderTreeModel& m = model(o);
    TreeHost& host = m_services.host;
    const bool whole = m_trees.wholeComputerTree(o);
    if (!whole && !m_trees.treeDrives(o).contains(mountPoint))
        return;
    const QString currentKey = treeKeyOf(host.currentPath(o));
    const bool onDrive = lying(currentKey, mountPoint);

    const FolderTreeModel::Node* node = m.node(mountPoint);
    if (node && node->kind == NodeKind::Drive) {
        const QString parentKey = node->parent ? node->parent->key : QString();
        const bool wasExpanded = node->expanded;
        const QString selected = m.selectedKey();
        m_trees.setTargetPath(onDrive ? currentKey : ComputerKey);
        m.removeNode(mountPoint);
        m_trees.addDriveNode(o, parentKey, m_trees.readDrive(mountPoint));
        m_trees.setTargetPath(ComputerKey);
        if (wasExpanded)
            m.setExpanded(mountPoint, true);
        if (m.selectedKey().isEmpty())
            m_trees.selectNearest(o, selected);
    } else if (!whole) {
        // A subtree whose top folder lies on the volume.
        const QString top = m_trees.treeTopKey(o);
        ItemRecord record;
        QString newTop = top;
        if (m_services.volumes.statPath(top, record) != 0) {
            m_services.checker.checkPath(o, top, QString(), false);
            newTop = m_services.checker.fallbackPath(o);
            if (newTop.isEmpty())
                newTop = ComputerKey;
        }
        m_trees.buildTree(o, newTop, host.currentPath(o), false);
        return;
    }
    if (onDrive)
        host.fillList(o, host.currentPath(o));
}

bool TreeNavigator::revealNode(WindowIndex w, const QString& key)
{
    FolderTreeModel& m = model(w);
    if (!m.contains(key)) {
        QString ancestor = key;
        while (!m.contains(ancestor)) {
            const QString up = treeKeyOf(parentOf(ancestor));
            if (up == ancestor)
                break;
            ancestor = up;
        }
        if (m.contains(ancestor)) {
            m_trees.setTargetPath(key);
            m_trees.clearBuildAbort();
            m_trees.addSubfolders(w, ancestor);
            m_trees.setTargetPath(ComputerKey);
        }
    }
    if (!m.select(key))
        return false;
    m.ensureVisible(key);
    return true;
}

void TreeNavigator::jumpToPath(const QString& path)
{
    if (path.isEmpty() || busy())
        return;
    Working working(*this);
    TreeHost& host = m_services.host;
    const WindowIndex w = host.selectedWindow();
    const QString key = treeKeyOf(path);
    const QString top = model(w).firstKey();
    // Component-wise: "/data" does not hold "/database".
    if (top != ComputerKey && !pathLiesWithin(key, top)) {
        m_services.messages.showMessage(jumpOutsideTreeText(path));
        return;
    }
    ProgressService& progress = m_services.progress;
    BusyScope busy(progress);
    progress.showProgress(ProgressService::PointerBusy, JumpProgressText, ProgressFlags);
    m_trees.refreshVolumes();
    if (revealNode(w, key)) {
        const QString windowPath = windowPathOf(key);
        host.setCurrentPath(w, windowPath);
        host.fillList(w, windowPath);
    } else {
        m_services.messages.showMessage(jumpTargetMissingText());
    }
    progress.showProgress(ProgressService::PointerDefault, QString(), ProgressFlags);
}

int TreeNavigator::openFolderFromList(WindowIndex w, const QString& path)
{
    if (busy())
        return ResultFailed;
    Working working(*this);
    m_services.checker.clearFailedDrives();
    const QString key = treeKeyOf(path);
    if (key == ComputerKey)
        return ResultFailed;
    if (!enterable(key)) {
        m_services.messages.showMessage(notAccessibleText(key), ButtonsOk, ListOpenTitle);
        return ResultFailed;
    }
    const int code = checkPathWithRepair(w, key);
    if (code != CheckAvailable)
        return code;
    if (!revealNode(w, key)) {
        const QString top = m_trees.treeTopKey(w);
        if (top != ComputerKey && !pathLiesWithin(key, top))
            m_trees.buildTree(w, top, key, false);
    }
    const QString windowPath = windowPathOf(key);
    m_services.host.setCurrentPath(w, windowPath);
    m_services.host.fillList(w, windowPath);
    return ResultDone;
}

int TreeNavigator::checkPathWithRepair(WindowIndex w, const QString& path, const QString& name,
                                       int mode)
{
    m_repaired = false;
    const QString key = treeKeyOf(path);
    if (key == ComputerKey)
        return CheckAvailable;
    m_trees.refreshVolumes();
    PathChecker& checker = m_services.checker;
    const int code = checker.checkPath(w, key, name, (mode & RepairShowMessages) != 0);
    if (code == CheckFileMissing || code == CheckPathMissing) {
        const QString fallback = treeKeyOf(checker.fallbackPath(w));
        // What vanished: the first item below the fallback on the way to
        // what was checked.
        QString vanished = name.isEmpty() ? key : childKey(key, name);
        for (;;) {
            const QString up = treeKeyOf(parentOf(vanished));
            if (up == fallback || up == vanished)
                break;
            vanished = up;
        }
        if (fallback != ComputerKey && vanished != fallback && pathLiesWithin(vanished, fallback))
            repairVanished(w, vanished, fallback);
    } else if (isDriveFailure(code)) {
        repairDrive(m_services.volumes.volumeOf(key).mountPoint);
    }
    return code;
}

void TreeNavigator::repairVanished(WindowIndex w, const QString& vanished, const QString& fallback)
{
    TreeHost& host = m_services.host;
    for (WindowIndex v : {w, oppositeOf(w)}) {
        FolderTreeModel& m = model(v);
        const QString currentKey = treeKeyOf(host.currentPath(v));
        const bool inside = currentKey != ComputerKey && pathLiesWithin(currentKey, vanished);
        if (inside)
            host.resetContentFile(v);
        if (!m_trees.wholeComputerTree(v) && pathLiesWithin(m_trees.treeTopKey(v), vanished)) {
            m_trees.buildTree(v, fallback, inside ? fallback : currentKey, true);
            m_repaired = true;
            continue;
        }
        m.removeNode(vanished);
        if (inside) {
            const QString windowPath = windowPathOf(fallback);
            host.setCurrentPath(v, windowPath);
            m_trees.selectNearest(v, fallback);
            m.ensureVisible(m.selectedKey());
            host.fillList(v, windowPath);
            m_repaired = true;
        } else {
            if (m.selectedKey().isEmpty())
                m_trees.selectNearest(v, currentKey);
            if (currentKey == fallback) {
                // The list shows the vanished item.
                host.fillList(v, host.currentPath(v));
                m_repaired = true;
            }
        }
    }
}

void TreeNavigator::repairDrive(const QString& mountPoint)
{
    TreeHost& host = m_services.host;
    const WindowIndex first = host.selectedWindow();
    for (WindowIndex v : {first, oppositeOf(first)}) {
        const QString currentKey = treeKeyOf(host.currentPath(v));
        const bool shows =
            lying(currentKey, mountPoint) ||
            (!m_trees.wholeComputerTree(v) && pathLiesWithin(m_trees.treeTopKey(v), mountPoint));
        if (!shows)
            continue;
        m_trees.driveUnusable(v, mountPoint);
        m_repaired = true;
    }
}

void TreeNavigator::refreshWindowPath(WindowIndex w)
{
    if (busy())
        return;
    Working working(*this);
    TreeHost& host = m_services.host;
    PathChecker& checker = m_services.checker;
    checker.clearFailedDrives();
    if (host.currentPath(w) != ComputerText) {
        const int code = checkPathWithRepair(w, host.currentPath(w));
        if (isDriveFailure(code)) {
            m_trees.probeAndResync(w);
            return;
        }
    }
    const QString path = host.currentPath(w);
    updateDriveStatus(w, path);
    host.fillList(w, path);
    m_trees.probeAndResync(w);
    m_trees.refreshFolders(w);
}

void TreeNavigator::updateDriveStatus(WindowIndex w, const QString& path)
{
    if (path.isEmpty() || path == ComputerText)
        return;
    const QString mountPoint = m_trees.volumeKeyOf(treeKeyOf(path));
    PathChecker& checker = m_services.checker;
    if (!mountPoint.isEmpty() &&
        checker.checkPath(w, mountPoint, QString(), false) == CheckAvailable) {
        const DriveFacts& facts = checker.driveFacts();
        m_services.host.setDriveStatusText(
            w, driveStatusText(mountPoint, facts.totalBytes, facts.availableBytes, facts.fileSystem,
                               facts.clusterSize, m_services.host.modifierState()));
    }
}

void TreeNavigator::changeDisplayMode(int index)
{
    if (busy() || index < 0 || index > 2)
        return;
    Working working(*this);
    TreeHost& host = m_services.host;
    m_services.checker.clearFailedDrives();
    const WindowIndex w = host.selectedWindow();
    if (!host.listShowsDrives(w) && checkPathWithRepair(w, host.currentPath(w)) != CheckAvailable)
        return;
    const QString current = host.currentPath(w);
    QString top;
    switch (index) {
    case 0:
        top = ComputerKey;
        break;
    case 1: {
        const QString oldTop = m_trees.treeTopKey(w);
        const FolderTreeModel::Node* node = model(w).node(oldTop);
        if (oldTop == ComputerKey || (node && node->kind == NodeKind::Drive))
            top = ComputerKey;
        else
            top = treeKeyOf(parentOf(oldTop));
        break;
    }
    default:
        top = current;
        break;
    }
    m_trees.buildTree(w, top, current, true);
    m_trees.probeAndResync(w);
}

// --- destination list ---

QString TreeNavigator::destinationHeading(const QString& label)
{
    return QStringLiteral("（ ") + label + QStringLiteral("選択項目を下部バーの処理先に ） ");
}

QString TreeNavigator::destinationBarText(const QString& destination)
{
    return QStringLiteral("処理先 ： ") + destination;
}

void TreeNavigator::registerDestinationEntry(const DestinationEntry& entry)
{
    for (DestinationEntry& e : m_entries) {
        if (e.operation == entry.operation) {
            e = entry;
            return;
        }
    }
    const auto at =
        std::find_if(m_entries.begin(), m_entries.end(), [&](const DestinationEntry& e) {
            return int(e.operation) > int(entry.operation);
        });
    m_entries.insert(at, entry);
}

void TreeNavigator::openDestinationList(WindowIndex w, const QString& key)
{
    TreeHost& host = m_services.host;
    const WindowIndex selected = host.selectedWindow();
    const QString destination = windowPathOf(key);
    if (!m_services.checker.checkWritable(destination, true, DestinationCheckTitle))
        return;
    restoreCopyTargets();
    const int marked = host.renewCopyTargets(selected, destination);
    m_destination = Destination();
    m_destination.evaluated = true;
    if (marked < 1) {
        restoreCopyTargets();
        return;
    }
    m_destination.path = destination;
    m_destination.context = {selected, w, destination, marked, host.copyTargetCount(selected)};
    showDestinationText();

    QStringList texts;
    for (const DestinationEntry& entry : std::as_const(m_entries)) {
        if (entry.applies && !entry.applies(m_destination.context))
            continue;
        m_destination.shown.append(entry);
        texts.append(destinationEntryText(entry.operation));
    }
    if (m_destination.shown.size() < 2) {
        m_destination.shown.clear();
        restoreCopyTargets();
        return;
    }
    const bool two = host.twoWindows();
    DestinationListView view;
    view.treeWindow = w;
    view.nodeKey = key;
    view.heading = destinationHeading(two ? host.windowLabel(selected) : QString());
    view.entries = texts;
    view.widthChars = two ? DestinationWidthWithLabel : DestinationWidth;
    m_destination.open = true;
    host.showDestinationList(view);
}

void TreeNavigator::showDestinationText()
{
    const QString text = destinationBarText(m_destination.path);
    m_services.host.setDestinationText(text.mid(m_destination.start - 1));
}

void TreeNavigator::statusBarPanelClick(int panel)
{
    if (!m_destination.open)
        return;
    const int length = int(destinationBarText(m_destination.path).size());
    const int last = std::max(1, length - 9);
    const int step = panel == 1 ? DestinationScrollStep : -DestinationScrollStep;
    m_destination.start = std::clamp(m_destination.start + step, 1, last);
    showDestinationText();
}

void TreeNavigator::destinationChosen(int row)
{
    if (!m_destination.open || row < 0 || row >= m_destination.shown.size())
        return;
    const DestinationEntry entry = m_destination.shown.at(row);
    const DestinationContext context = m_destination.context;
    closeDestinationList();
    m_services.progress.showProgress(ProgressService::PointerDefault, QString(),
                                     ProgressService::SetText);
    if (entry.start)
        entry.start(context);
}

void TreeNavigator::closeDestinationList()
{
    m_destination.open = false;
    m_destination.shown.clear();
    m_services.host.closeDestinationList();
    restoreCopyTargets();
}

void TreeNavigator::restoreCopyTargets()
{
    if (!m_destination.evaluated)
        return;
    m_destination.evaluated = false;
    m_services.host.renewCopyTargets(m_destination.context.selected, QString());
}

} // namespace tovane
