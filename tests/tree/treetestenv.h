#pragma once
// Shared pieces of the tree tests: a host that records what the engine asks
// of the main window, and an environment of scripted services over a fake
// volume source whose volumes live in a temporary folder.

#include "core/scriptedservices.h"
#include "fs/pathcheck.h"
#include "fs/volumesource.h"
#include "platform/names.h"
#include "support/tempdir.h"
#include "tree/treehost.h"
#include "tree/treenavigator.h"

#include <QList>
#include <QSet>
#include <QStringList>

#include <array>
#include <cerrno>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace tovane::test {

class FakeTreeHost : public TreeHost {
public:
    struct Fill {
        WindowIndex window;
        QString path;
        bool operator==(const Fill&) const = default;
    };

    std::array<QString, 2> paths{ComputerText, ComputerText};
    WindowIndex selected = LeftWindow;
    bool two = true;
    int modifiers = 0;
    std::array<SelectionLoad, 2> loads{};
    std::array<bool, 2> marked{};
    int markedCount = 3;

    QList<Fill> fills;
    QList<WindowIndex> contentResets;
    std::array<QString, 2> driveStatus;
    QList<DestinationListView> shownLists;
    int closedLists = 0;
    QStringList destinationTexts;
    QList<std::pair<WindowIndex, QString>> targetRenewals;

    int fillList(WindowIndex w, const QString& path) override
    {
        fills.append({w, path});
        return 0;
    }
    QString currentPath(WindowIndex w) const override { return paths[w]; }
    void setCurrentPath(WindowIndex w, const QString& path) override { paths[w] = path; }
    WindowIndex selectedWindow() const override { return selected; }
    bool twoWindows() const override { return two; }
    void activateWindow(WindowIndex w) override { selected = w; }
    int modifierState() const override { return modifiers; }
    void setDriveStatusText(WindowIndex w, const QString& text) override { driveStatus[w] = text; }
    void resetContentFile(WindowIndex w) override { contentResets.append(w); }
    SelectionLoad selectionLoad(WindowIndex w) const override { return loads[w]; }
    bool selectionPresent(WindowIndex w) const override { return marked[w]; }
    int renewCopyTargets(WindowIndex selectedWindow, const QString& destination) override
    {
        targetRenewals.append({selectedWindow, destination});
        return markedCount;
    }
    void showDestinationList(const DestinationListView& view) override { shownLists.append(view); }
    void closeDestinationList() override { ++closedLists; }
    void setDestinationText(const QString& shown) override { destinationTexts.append(shown); }

    QStringList fillsOf(WindowIndex w) const
    {
        QStringList out;
        for (const Fill& f : fills)
            if (f.window == w)
                out.append(f.path);
        return out;
    }
};

inline const QString TestCaption = QStringLiteral("Tovane　Ver. 0.1.0");

// Creates the folder and the folders above it (within the temporary folder).
inline bool makeFolders(const TempDir& dir, const QByteArray& relative)
{
    QByteArray built = dir.pathBytes();
    for (const QByteArray& part : relative.split('/')) {
        if (part.isEmpty())
            continue;
        built += '/' + part;
        if (::mkdir(built.constData(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// Entries relative to the temporary folder: "a/b/" folders, "a/f" files,
// "l->a" symbolic links. Missing parents are created.
inline bool makeEntries(const TempDir& dir, const QList<QByteArray>& entries)
{
    for (const QByteArray& e : entries) {
        const qsizetype slash = e.lastIndexOf('/', e.endsWith('/') ? e.size() - 2 : -1);
        if (slash > 0 && !makeFolders(dir, e.left(slash)))
            return false;
        const qsizetype arrow = e.indexOf("->");
        bool ok;
        if (arrow > 0)
            ok = ::symlink(e.mid(arrow + 2).constData(),
                           (dir.pathBytes() + '/' + e.left(arrow)).constData()) == 0;
        else if (e.endsWith('/'))
            ok = makeFolders(dir, e.chopped(1));
        else
            ok = dir.writeFile(e, "x");
        if (!ok)
            return false;
    }
    return true;
}

struct TreeEnv {
    TempDir dir;
    ScriptedMessageService messages;
    ScriptedProgressService progress;
    FakeVolumeSource volumes;
    FakeTreeHost host;
    std::unique_ptr<PathChecker> checker;
    std::unique_ptr<TreeNavigator> navigator;
    int reprobes = 0;

    TreeEnv()
    {
        progress.setPumpInterval(0);
        checker = std::make_unique<PathChecker>(CheckContext{
            messages, progress, volumes, TestCaption, [this] { return host.selected; }});
        navigator = std::make_unique<TreeNavigator>(
            TreeServices{messages, progress, volumes, *checker, host, [this] { ++reprobes; }, {}});
    }

    FolderTrees& trees() { return navigator->trees(); }
    FolderTreeModel& model(WindowIndex w = LeftWindow) { return navigator->model(w); }
    QString root() const { return dir.path(); }
    // "@" stands for the temporary folder.
    QString at(const QString& relative) const
    {
        QString out = relative;
        return out.replace(QLatin1Char('@'), dir.path());
    }
    QString path(const QString& relative) const
    {
        return relative.isEmpty() ? dir.path() : dir.path() + QLatin1Char('/') + relative;
    }
    bool make(const QList<QByteArray>& entries) const { return makeEntries(dir, entries); }

    // A volume mounted at `relative` (created as a folder when missing).
    FakeVolumeSource::Volume volume(const QString& relative, int type = platform::DriveFixed,
                                    const QString& label = QString(), int error = 0)
    {
        makeFolders(dir, platform::pathToBytes(relative));
        FakeVolumeSource::Volume v;
        v.mountPoint = path(relative);
        v.driveType = type;
        v.label = label;
        v.error = error;
        return v;
    }
    void addVolume(const QString& relative, int type = platform::DriveFixed,
                   const QString& label = QString(), int error = 0)
    {
        volumes.addVolume(volume(relative, type, label, error));
    }

    // The keys below `key` relative to the temporary folder, sorted.
    QStringList relativeKeys(WindowIndex w, const QString& key) const
    {
        QStringList out;
        const QString prefix = dir.path() + QLatin1Char('/');
        for (const QString& k : navigator->model(w).subtreeKeys(key))
            if (k.startsWith(prefix))
                out.append(k.mid(prefix.size()));
        out.sort();
        return out;
    }
};

} // namespace tovane::test
