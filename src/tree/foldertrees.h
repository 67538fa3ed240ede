#pragma once
// The folder trees of both windows: what their nodes are, how a tree is
// built for its display mode, the lazy rule that reads only what is shown
// or about to be opened, and keeping the volume nodes in line with the
// volumes mounted now.
//
// Volumes stand where drives were: the computer node's children are the
// listed volumes, keyed by mount point. In a whole-computer tree a folder
// that is the mount point of a listed volume appears only as that volume's
// node, never again below its parent. A subtree has no volume nodes besides
// its top, so there such a folder is an ordinary folder node.
//
// Reading a folder pumps events through the progress service; the interrupt
// request and the node limit (the tree's guard against running out of
// memory) stop the running build or expansion, keeping what was added.
// UI thread only.

#include "core/windows.h"
#include "platform/volumes.h"
#include "tree/foldertreemodel.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

namespace tovane {

class MessageService;
class PathChecker;
class ProgressService;
class TreeHost;
class VolumeSource;

struct TreeServices {
    MessageService& messages;
    ProgressService& progress;
    VolumeSource& volumes;
    PathChecker& checker;
    TreeHost& host;
    // Reads the volume list afresh instead of within the source's reuse time.
    std::function<void()> reprobeVolumes;
    // After vanished volumes left the trees: their former mount points are
    // plain folders again.
    std::function<void()> forgetVanishedVolumes;
};

// One volume as the tree reads it.
struct DriveState {
    QString mountPoint;
    int driveType = 0;
    QString label;
    QString device;
    int error = 0; // 0 when the volume answered; else the errno
};

class FolderTrees {
public:
    explicit FolderTrees(TreeServices services);
    ~FolderTrees();

    FolderTreeModel& model(WindowIndex w) { return *m_windows[slot(w)].model; }
    const FolderTreeModel& model(WindowIndex w) const { return *m_windows[slot(w)].model; }
    TreeServices& services() { return m_services; }

    // --- per-window tree state ---
    QString treeTopKey(WindowIndex w) const { return m_windows[slot(w)].topKey; }
    bool wholeComputerTree(WindowIndex w) const { return m_windows[slot(w)].wholeComputer; }
    // Mount points with a volume node in the tree, in text order; in a
    // subtree the volume holding the top.
    QStringList treeDrives(WindowIndex w) const { return m_windows[slot(w)].drives; }
    bool fullExpandRequest(WindowIndex w) const { return m_windows[slot(w)].fullExpand; }
    void setFullExpandRequest(WindowIndex w, bool on) { m_windows[slot(w)].fullExpand = on; }

    // --- shared build state ---
    // The key whose node a build selects at its end, and the lazy rule's
    // guide; "_" loads nothing beyond what is asked.
    QString targetPath() const { return m_target; }
    void setTargetPath(const QString& key) { m_target = key; }
    bool buildAborted() const { return m_buildAbort; }
    void clearBuildAbort() { m_buildAbort = false; }
    quint32 hiddenMask() const { return m_hiddenMask; }
    void setHiddenMask(quint32 mask) { m_hiddenMask = mask; }
    int driveReadError() const { return m_driveReadError; }

    // --- building ---
    // `top`: "_", "" or the computer text for the whole computer, else a
    // folder or mount point. `target`: the node to select ("" or the
    // computer text: the top). The list is filled when asked and whenever
    // the window's path lies on a volume; it then shows the selected node.
    void buildTree(WindowIndex w, const QString& top, const QString& target, bool fillList);
    // Adds a volume node under `parentKey` ("" for a top-level node) with
    // its first-level folders when it answered.
    void addDriveNode(WindowIndex w, const QString& parentKey, const DriveState& drive);
    FolderTreeModel::AddResult addFolderNode(WindowIndex w, const QString& parentKey,
                                             const QString& parentPath, const QString& name);
    // Adds the subfolders of the node's folder that have no node yet, each
    // through the lazy rule. Returns the errno of reading the folder.
    int addSubfolders(WindowIndex w, const QString& key);
    // Reads everything below the node, nodes that exist already included.
    void addWholeSubtree(WindowIndex w, const QString& key);
    // Every folder read so far is read again: subfolders created meanwhile
    // get their nodes, vanished ones lose them. Volume nodes stay as they are.
    void refreshFolders(WindowIndex w);

    // Selects the node of `key` or of its nearest ancestor that has one, else
    // the first node. False when the tree is empty.
    bool selectNearest(WindowIndex w, const QString& key);

    // --- volumes coming and going ---
    void resyncDriveNodes(WindowIndex w);
    // Probes the volumes, resynchronises w and then the other window, and
    // gives w the focus.
    void probeAndResync(WindowIndex w);
    // The volume of the window's path stopped answering.
    void driveUnusable(WindowIndex w, const QString& mountPoint);
    // The volume's label or contents may have changed behind our back:
    // renews its node in every tree that shows it.
    void renewDrive(const QString& mountPoint);

    // --- reading ---
    DriveState readDrive(const QString& mountPoint);
    // Names of the subfolders the tree shows for `path`: real folders only
    // (symbolic links are never tree nodes, so no walk can loop), none with
    // a hidden attribute, and in a whole-computer tree none that is a listed
    // volume's mount point.
    int readSubfolders(WindowIndex w, const QString& path, QStringList& names);
    // The listed mount point holding `path` (the longest), "" when none.
    QString volumeKeyOf(const QString& path) const;
    bool isListedMountPoint(const QString& key) const { return m_mountPoints.contains(key); }
    // Reads the list of volumes again (without forcing a new probe).
    void refreshVolumes();
    // The running build or expansion must stop.
    bool stopRequested() const;
    // A build or resynchronisation is running (events pumped meanwhile must
    // not start another tree action).
    bool working() const { return m_working > 0; }

private:
    struct PerWindow {
        std::unique_ptr<FolderTreeModel> model;
        QString topKey = QStringLiteral("_");
        bool wholeComputer = true;
        QStringList drives;
        bool fullExpand = false;
    };
    static int slot(WindowIndex w) { return w == RightWindow ? 1 : 0; }

    void noteDrive(WindowIndex w, const QString& mountPoint);
    void addFolderNodes(WindowIndex w, const QString& parentKey, const QString& parentPath,
                        const QStringList& names);
    void outOfMemory();
    // Replaces a volume node by one without children that reads " ―".
    void markDriveFailed(WindowIndex w, const QString& mountPoint);
    bool isReady(const QString& mountPoint);
    void restoreFolderNode(WindowIndex w, const QString& path);
    void fillWithSelection(WindowIndex w);

    TreeServices m_services;
    std::array<PerWindow, 2> m_windows;
    QString m_target = QStringLiteral("_");
    bool m_buildAbort = false;
    quint32 m_hiddenMask = 0;
    int m_driveReadError = 0;
    QStringList m_vanished; // mount points that left the trees in this resync
    int m_working = 0;
    QList<platform::VolumeInfo> m_volumes; // listed volumes in the platform's order
    QSet<QString> m_mountPoints;
};

} // namespace tovane
