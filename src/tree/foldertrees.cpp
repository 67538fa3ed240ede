#include "tree/foldertrees.h"

#include "core/messageservice.h"
#include "core/progressservice.h"
#include "fs/enumeration.h"
#include "fs/itemtext.h"
#include "fs/pathcheck.h"
#include "fs/pathrules.h"
#include "fs/volumesource.h"
#include "platform/filesystem.h"
#include "tree/treehost.h"
#include "tree/treerules.h"

#include <cerrno>
#include <optional>

namespace tovane {

namespace {

constexpr int ProgressFlags = ProgressService::SetPointer | ProgressService::SetText;

class Counter {
public:
    explicit Counter(int& count) : m_count(count) { ++m_count; }
    ~Counter() { --m_count; }

private:
    int& m_count;
};

// Keeps the lazy rule's guide for the length of one step and puts the
// previous one back afterwards.
class TargetScope {
public:
    TargetScope(FolderTrees& trees, const QString& target)
        : m_trees(trees), m_saved(trees.targetPath())
    {
        trees.setTargetPath(target);
    }
    ~TargetScope() { m_trees.setTargetPath(m_saved); }

private:
    FolderTrees& m_trees;
    QString m_saved;
};

} // namespace

FolderTrees::FolderTrees(TreeServices services) : m_services(std::move(services))
{
    for (PerWindow& pw : m_windows)
        pw.model = std::make_unique<FolderTreeModel>();
}

FolderTrees::~FolderTrees() = default;

bool FolderTrees::stopRequested() const
{
    return m_buildAbort || m_services.progress.interruptRequested();
}

// --- reading ---

void FolderTrees::refreshVolumes()
{
    m_volumes = m_services.volumes.volumes();
    m_mountPoints.clear();
    for (const platform::VolumeInfo& v : std::as_const(m_volumes))
        m_mountPoints.insert(v.mountPoint);
}

QString FolderTrees::volumeKeyOf(const QString& path) const
{
    QString best;
    for (const QString& point : m_mountPoints)
        if (point.size() > best.size() && pathLiesWithin(path, point))
            best = point;
    return best;
}

DriveState FolderTrees::readDrive(const QString& mountPoint)
{
    DriveState d;
    d.mountPoint = mountPoint;
    bool listed = false;
    for (const platform::VolumeInfo& v : std::as_const(m_volumes)) {
        if (v.mountPoint == mountPoint) {
            d.driveType = v.driveType;
            d.label = v.label;
            d.device = v.device;
            listed = true;
            break;
        }
    }
    if (!listed) {
        const VolumeMatch match = m_services.volumes.volumeOf(mountPoint);
        if (match.mountPoint != mountPoint || !match.mounted) {
            d.error = ENOENT;
            return d;
        }
        d.driveType = match.info.driveType;
        d.label = match.info.label;
        d.device = match.info.device;
    }
    ItemRecord record;
    d.error = m_services.volumes.statPath(mountPoint, record);
    // A network volume may answer for its root from a cache while the
    // server is gone; asking for its space goes to the server.
    if (d.error == 0 && d.driveType == platform::DriveNetwork) {
        platform::VolumeSpace space;
        d.error = m_services.volumes.volumeSpace(mountPoint, space);
    }
    return d;
}

bool FolderTrees::isReady(const QString& mountPoint)
{
    return readDrive(mountPoint).error == 0;
}

int FolderTrees::readSubfolders(WindowIndex w, const QString& path, QStringList& names)
{
    names.clear();
    // A volume is read only while it answers, so a hung network mount below
    // a folder cannot freeze the tree.
    if (m_mountPoints.contains(path)) {
        const DriveState d = readDrive(path);
        if (d.error != 0)
            return d.error;
    }
    const bool whole = wholeComputerTree(w);
    platform::ListOptions options;
    options.readAttributeStore = (m_hiddenMask & (AttrReadOnly | AttrHidden | AttrSystem)) != 0;
    options.foldersOnly = true;
    const ListFolderResult result = listFolder(
        path, m_hiddenMask,
        [&](const ItemRecord& record) {
            if (!record.isFolder() || record.isSymlink)
                return true;
            if (whole && m_mountPoints.contains(childKey(path, record.name)))
                return true;
            names.append(record.name);
            return true;
        },
        &m_services.progress, options);
    return result.error;
}

// --- building ---

void FolderTrees::noteDrive(WindowIndex w, const QString& mountPoint)
{
    if (mountPoint.isEmpty())
        return;
    QStringList& drives = m_windows[slot(w)].drives;
    if (drives.contains(mountPoint))
        return;
    auto at = std::lower_bound(drives.begin(), drives.end(), mountPoint);
    drives.insert(at, mountPoint);
}

void FolderTrees::outOfMemory()
{
    if (m_buildAbort)
        return;
    m_buildAbort = true;
    m_services.messages.showMessage(outOfMemoryText(), ButtonsOk, TreeExpandTitle);
}

void FolderTrees::addFolderNodes(WindowIndex w, const QString& parentKey, const QString& parentPath,
                                 const QStringList& names)
{
    FolderTreeModel& m = model(w);
    QList<NodeSpec> specs;
    specs.reserve(names.size());
    for (const QString& name : names) {
        const QString key = childKey(parentPath, name);
        const ImagePair images = folderImages(key);
        specs.append({key, name, images.image, images.selected, NodeKind::Folder});
    }
    bool limit = false;
    m.addNodes(parentKey, specs, &limit);
    if (limit)
        outOfMemory();
    if (!lazyRuleLoads(m_target, parentPath) && !fullExpandRequest(w))
        return;
    for (const NodeSpec& spec : std::as_const(specs)) {
        if (stopRequested())
            break;
        addSubfolders(w, spec.key);
    }
}

FolderTreeModel::AddResult FolderTrees::addFolderNode(WindowIndex w, const QString& parentKey,
                                                      const QString& parentPath,
                                                      const QString& name)
{
    const QString key = childKey(parentPath, name);
    const FolderTreeModel& m = model(w);
    if (m.contains(key))
        return FolderTreeModel::KeyExists;
    if (!m.contains(parentKey))
        return FolderTreeModel::NoParent;
    const int before = m.nodeCount();
    addFolderNodes(w, parentKey, parentPath, {name});
    if (m.nodeCount() == before)
        return FolderTreeModel::NodeLimit;
    return FolderTreeModel::Added;
}

int FolderTrees::addSubfolders(WindowIndex w, const QString& key)
{
    QStringList names;
    const int error = readSubfolders(w, key, names);
    if (error != 0)
        return error;
    model(w).setChildrenRead(key);
    addFolderNodes(w, key, key, names);
    return 0;
}

void FolderTrees::addWholeSubtree(WindowIndex w, const QString& key)
{
    if (stopRequested())
        return;
    // Nodes that exist already are walked as well: their subtrees may have
    // been read only one level deep.
    const QStringList existing = model(w).childKeys(key);
    addSubfolders(w, key);
    for (const QString& child : existing) {
        if (stopRequested())
            return;
        addWholeSubtree(w, child);
    }
}

void FolderTrees::refreshFolders(WindowIndex w)
{
    FolderTreeModel& m = model(w);
    QStringList read;
    for (const QString& top : m.topKeys()) {
        for (const QString& key : m.subtreeKeys(top)) {
            const FolderTreeModel::Node* node = m.node(key);
            if (node && node->childrenRead && key != ComputerKey)
                read.append(key);
        }
    }
    ++m_working;
    for (const QString& key : std::as_const(read)) {
        if (stopRequested())
            break;
        if (!m.contains(key))
            continue; // went with a vanished parent
        QStringList names;
        if (readSubfolders(w, key, names) != 0)
            continue;
        QSet<QString> present;
        for (const QString& name : std::as_const(names))
            present.insert(childKey(key, name));
        for (const QString& child : m.childKeys(key)) {
            const FolderTreeModel::Node* node = m.node(child);
            if (node && node->kind == NodeKind::Folder && !present.contains(child))
                m.removeNode(child);
        }
        QStringList added;
        for (const QString& name : std::as_const(names)) {
            if (!m.contains(childKey(key, name)))
                added.append(name);
        }
        if (added.isEmpty())
            continue;
        addFolderNodes(w, key, key, added);
        // An open node shows whether its new children can be opened too.
        if (m.isExpanded(key)) {
            for (const QString& name : std::as_const(added))
                addSubfolders(w, childKey(key, name));
        }
    }
    --m_working;
}

void FolderTrees::addDriveNode(WindowIndex w, const QString& parentKey, const DriveState& drive)
{
    FolderTreeModel& m = model(w);
    const DriveRead read = drive.error == 0 ? DriveRead::Read : DriveRead::Failed;
    const int image = driveImage(drive.driveType, drive.device);
    const NodeSpec spec{drive.mountPoint, driveText(drive.mountPoint, drive.label, read), image,
                        image, NodeKind::Drive};
    m_driveReadError = drive.error;
    FolderTreeModel::AddResult result = m.addNode(parentKey, spec);
    if (result == FolderTreeModel::KeyExists) {
        // A folder that became a mount point leaves for the volume's node.
        const FolderTreeModel::Node* existing = m.node(drive.mountPoint);
        if (existing->kind == NodeKind::Drive)
            return;
        m.removeNode(drive.mountPoint);
        result = m.addNode(parentKey, spec);
    }
    if (result == FolderTreeModel::NodeLimit)
        outOfMemory();
    if (result != FolderTreeModel::Added)
        return;
    noteDrive(w, drive.mountPoint);
    if (drive.error == 0)
        addSubfolders(w, drive.mountPoint);
}

bool FolderTrees::selectNearest(WindowIndex w, const QString& key)
{
    FolderTreeModel& m = model(w);
    QString k = key;
    while (!k.isEmpty()) {
        if (m.select(k))
            return true;
        if (k == ComputerKey)
            break;
        const QString up = treeKeyOf(parentOf(k));
        if (up == k)
            break;
        k = up;
    }
    const QString first = m.firstKey();
    return !first.isEmpty() && m.select(first);
}

void FolderTrees::fillWithSelection(WindowIndex w)
{
    const QString path = windowPathOf(model(w).selectedKey());
    m_services.host.setCurrentPath(w, path);
    m_services.host.fillList(w, path);
}

void FolderTrees::buildTree(WindowIndex w, const QString& top, const QString& target, bool fillList)
{
    Counter working(m_working);
    PerWindow& pw = m_windows[slot(w)];
    FolderTreeModel& m = *pw.model;
    ProgressService& progress = m_services.progress;
    refreshVolumes();

    std::optional<BusyScope> busy(std::in_place, progress);
    progress.showProgress(ProgressService::PointerBusy,
                          m_services.host.windowLabel(w) + BuildProgressText, ProgressFlags);

    QString topKey = treeKeyOf(top);
    QString targetKey = treeKeyOf(target);
    if (targetKey == ComputerKey)
        targetKey = topKey;
    if (topKey != ComputerKey && !pathLiesWithin(targetKey, topKey))
        targetKey = topKey;

    m.beginBulk();
    m.clear();
    pw.drives.clear();
    pw.wholeComputer = topKey == ComputerKey;
    m_target = targetKey;
    m_buildAbort = false;

    if (!pw.wholeComputer) {
        const bool needStore = (m_hiddenMask & (AttrReadOnly | AttrHidden | AttrSystem)) != 0;
        for (;;) {
            if (m_mountPoints.contains(topKey)) {
                addDriveNode(w, QString(), readDrive(topKey));
                break;
            }
            ItemRecord record;
            bool shown = m_services.volumes.statPath(topKey, record) == 0 && record.isFolder() &&
                         !record.isSymlink;
            if (shown && needStore) {
                ItemRecord full;
                if (platform::statPath(topKey, full) == 0)
                    record.attributes |= full.attributes;
            }
            if (shown && hiddenByMask(record.attributes, m_hiddenMask))
                shown = false;
            const QString up = treeKeyOf(parentOf(topKey));
            if (!shown && up != topKey) {
                // A hidden or vanished top gives way to its parent.
                topKey = up;
                targetKey = topKey;
                m_target = targetKey;
                continue;
            }
            const ImagePair images = folderImages(topKey);
            m.addNode(QString(), {topKey, topKey, images.image, images.selected, NodeKind::Top});
            noteDrive(w, volumeKeyOf(topKey));
            m_buildAbort = false;
            addSubfolders(w, topKey);
            break;
        }
    } else {
        m.addNode(QString(),
                  {ComputerKey, ComputerText, ImageComputer, ImageNone, NodeKind::Computer});
        for (const platform::VolumeInfo& v : std::as_const(m_volumes)) {
            if (m_buildAbort)
                break;
            addDriveNode(w, ComputerKey, readDrive(v.mountPoint));
        }
    }

    const QString first = m.firstKey();
    m.setExpanded(first, true);
    pw.topKey = first.isEmpty() ? ComputerKey : first;
    selectNearest(w, targetKey);
    m.ensureVisible(m.selectedKey());
    m.endBulk();

    progress.showProgress(ProgressService::PointerDefault, QString(), ProgressFlags);
    busy.reset();
    if (fillList || m_services.host.currentPath(w) != ComputerText)
        fillWithSelection(w);
    m_services.host.focusWindow(w);
}

// --- volumes coming and going ---

void FolderTrees::markDriveFailed(WindowIndex w, const QString& mountPoint)
{
    FolderTreeModel& m = model(w);
    const FolderTreeModel::Node* node = m.node(mountPoint);
    if (!node)
        return;
    const NodeSpec spec{mountPoint, mountPoint + DriveFailedSuffix, node->image,
                        node->selectedImage, NodeKind::Drive};
    const QString parentKey = node->parent ? node->parent->key : QString();
    const bool wasSelected = m.selectedKey() == mountPoint;
    m.removeNode(mountPoint);
    m.addNode(parentKey, spec);
    if (wasSelected)
        m.select(mountPoint);
}

void FolderTrees::resyncDriveNodes(WindowIndex w)
{
    PerWindow& pw = m_windows[slot(w)];
    FolderTreeModel& m = *pw.model;
    if (m.nodeCount() == 0)
        return;
    TreeHost& host = m_services.host;

    if (!pw.wholeComputer) {
        // A subtree only needs its top to be there still.
        PathChecker& checker = m_services.checker;
        const int code = checker.checkPath(w, pw.topKey, QString(), false);
        if (code == CheckAvailable || code == CheckNotAPath)
            return;
        const QString fallback = checker.fallbackPath(w);
        if (isPathFailure(code) && !fallback.isEmpty())
            buildTree(w, fallback, fallback, true);
        else
            buildTree(w, ComputerKey, ComputerKey, true);
        return;
    }

    refreshVolumes();
    TargetScope guide(*this, ComputerKey);
    QHash<QString, DriveState> now;
    for (const platform::VolumeInfo& v : std::as_const(m_volumes))
        now.insert(v.mountPoint, readDrive(v.mountPoint));

    const QString currentKey = treeKeyOf(host.currentPath(w));
    const bool showsDrives = host.listShowsDrives(w);
    const auto holdsCurrent = [&](const QString& mountPoint) {
        return currentKey != ComputerKey && pathLiesWithin(currentKey, mountPoint) &&
               volumeKeyOf(currentKey).size() <= mountPoint.size();
    };

    bool reselect = false;
    const QStringList drives = pw.drives;
    for (const QString& point : drives) {
        if (!m_mountPoints.contains(point)) {
            if (holdsCurrent(point) || showsDrives)
                reselect = true;
            m.removeNode(point);
            pw.drives.removeAll(point);
            if (!m_vanished.contains(point))
                m_vanished.append(point);
            continue;
        }
        const FolderTreeModel::Node* node = m.node(point);
        if (node && now.value(point).error != 0 && !node->text.endsWith(DriveFailedSuffix)) {
            markDriveFailed(w, point);
            if (holdsCurrent(point) || showsDrives)
                reselect = true;
        }
    }
    for (const platform::VolumeInfo& v : std::as_const(m_volumes)) {
        const QString& point = v.mountPoint;
        const FolderTreeModel::Node* node = m.node(point);
        if (!node || node->kind != NodeKind::Drive) {
            addDriveNode(w, ComputerKey, now.value(point));
        } else if (node->text.endsWith(DriveFailedSuffix) && now.value(point).error == 0) {
            const bool wasSelected = m.selectedKey() == point;
            m.removeNode(point);
            addDriveNode(w, ComputerKey, now.value(point));
            if (wasSelected)
                m.select(point);
        }
    }

    if (reselect) {
        m.select(m.firstKey());
        host.setCurrentPath(w, ComputerText);
        host.fillList(w, ComputerText);
    } else if (m.selectedKey().isEmpty()) {
        selectNearest(w, currentKey);
    }
}

void FolderTrees::restoreFolderNode(WindowIndex w, const QString& path)
{
    // The former mount point is a folder of its parent volume again; it is
    // shown at once where the parent's folders were read.
    FolderTreeModel& m = model(w);
    const QString parentKey = treeKeyOf(parentOf(path));
    const FolderTreeModel::Node* parent = m.node(parentKey);
    if (!parent || !parent->childrenRead || parent->kind == NodeKind::Computer)
        return;
    // Asked of the parent volume directly: the volume source may still count
    // the path as part of the vanished volume.
    ItemRecord record;
    platform::ListOptions options;
    options.readAttributeStore = (m_hiddenMask & (AttrHidden | AttrSystem | AttrReadOnly)) != 0;
    if (platform::statPath(path, record, options) != 0 || !record.isFolder() || record.isSymlink)
        return;
    if (hiddenByMask(record.attributes, m_hiddenMask))
        return;
    addFolderNode(w, parentKey, parentKey, fileNameOf(path));
}

void FolderTrees::probeAndResync(WindowIndex w)
{
    Counter working(m_working);
    if (m_services.reprobeVolumes)
        m_services.reprobeVolumes();
    m_vanished.clear();
    resyncDriveNodes(w);
    resyncDriveNodes(oppositeOf(w));
    if (!m_vanished.isEmpty()) {
        if (m_services.forgetVanishedVolumes)
            m_services.forgetVanishedVolumes();
        refreshVolumes();
        TargetScope guide(*this, ComputerKey);
        for (const QString& point : std::as_const(m_vanished))
            for (WindowIndex v : {w, oppositeOf(w)})
                if (wholeComputerTree(v))
                    restoreFolderNode(v, point);
        m_vanished.clear();
    }
    m_services.host.focusWindow(w);
}

void FolderTrees::driveUnusable(WindowIndex w, const QString& mountPoint)
{
    PerWindow& pw = m_windows[slot(w)];
    FolderTreeModel& m = *pw.model;
    if (!pw.wholeComputer) {
        buildTree(w, ComputerKey, ComputerKey, true);
        return;
    }
    if (m.contains(mountPoint))
        markDriveFailed(w, mountPoint);
    m.select(m.firstKey());
    m_services.host.setCurrentPath(w, ComputerText);
    m_services.host.fillList(w, ComputerText);
}

void FolderTrees::renewDrive(const QString& mountPoint)
{
    refreshVolumes();
    TreeHost& host = m_services.host;
    for (WindowIndex w : {LeftWindow, RightWindow}) {
        PerWindow& pw = m_windows[slot(w)];
        FolderTreeModel& m = *pw.model;
        const QString currentKey = treeKeyOf(host.currentPath(w));
        const bool currentOnDrive = currentKey != ComputerKey &&
                                    pathLiesWithin(currentKey, mountPoint) &&
                                    volumeKeyOf(currentKey) == mountPoint;
        if (!pw.wholeComputer && pw.topKey != mountPoint) {
            ItemRecord record;
            if (pathLiesWithin(pw.topKey, mountPoint) && volumeKeyOf(pw.topKey) == mountPoint &&
                m_services.volumes.statPath(pw.topKey, record) != 0)
                buildTree(w, ComputerKey, host.currentPath(w), true);
            continue;
        }
        const FolderTreeModel::Node* node = m.node(mountPoint);
        if (!node)
            continue;
        const QString parentKey = node->parent ? node->parent->key : QString();
        QStringList expanded;
        for (const QString& key : m.expandedKeys())
            if (pathLiesWithin(key, mountPoint))
                expanded.append(key);
        const QString selected = m.selectedKey();
        {
            TargetScope guide(*this, currentOnDrive ? currentKey : mountPoint);
            m.removeNode(mountPoint);
            addDriveNode(w, parentKey, readDrive(mountPoint));
        }
        for (const QString& key : std::as_const(expanded))
            if (m.contains(key))
                m.setExpanded(key, true);
        if (m.selectedKey().isEmpty())
            selectNearest(w, selected);
        if (currentOnDrive)
            host.fillList(w, host.currentPath(w));
    }
}

} // namespace tovane
