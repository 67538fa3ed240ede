#include "fs/enumeration.h"

#include "core/progressservice.h"
#include "fs/itemtext.h"
#include "fs/pathrules.h"
#include "platform/fileops.h"
#include "platform/volumes.h"

#include <QStringList>

namespace tovane {

namespace {

// The path of the computer node and the tree key that stands for it.
const QString ComputerPath = QStringLiteral("ｺﾝﾋﾟｭｰﾀ");
const QString ComputerKey = QStringLiteral("_");

bool pumpAndCheck(ProgressService* progress)
{
    return progress && progress->pumpEvents();
}

struct SizeWalk {
    ProgressService* progress = nullptr;
    const FolderSizeOptions* options = nullptr;
    const QSet<QString>* boundaries = nullptr;
    FolderSizeResult* result = nullptr;
};

// Adds the bytes below `folder` (no trailing "/" except the root) to
// `total`. False when the folder cannot be read; it then adds nothing.
bool addFolderSize(SizeWalk& walk, const QString& folder, quint64& total)
{
    const FolderSizeOptions& options = *walk.options;
    FolderSizeResult& result = *walk.result;
    if (options.knownSize) {
        if (const std::optional<double> known = options.knownSize(addSeparator(folder))) {
            if (*known > 0)
                total += quint64(*known);
            return true;
        }
    }

    // Subfolders wait until the search is closed: one open folder at a time
    // whatever the depth.
    QStringList subfolders;
    quint64 own = 0;
    qint64 files = 0;
    const ListFolderResult listed = listFolder(
        folder, options.hiddenMask,
        [&](const ItemRecord& record) {
            if (record.isFolder()) {
                // Another file system mounted below holds none of these bytes.
                if (!record.mountPoint)
                    subfolders.append(record.name);
            } else {
                own += record.size;
                ++files;
            }
            return true;
        },
        walk.progress, options.list);
    if (listed.error != 0)
        return false;
    total += own;
    result.files += files;
    if (listed.interrupted) {
        result.interrupted = true;
        return true;
    }

    const QString prefix = addSeparator(folder);
    for (const QString& name : std::as_const(subfolders)) {
        if (pumpAndCheck(walk.progress)) {
            result.interrupted = true;
            break;
        }
        const QString child = prefix + name;
        ++result.folders;
        if (walk.boundaries && walk.boundaries->contains(child))
            continue;
        quint64 below = 0;
        if (!addFolderSize(walk, child, below)) {
            ++result.unreadable;
            continue;
        }
        total += below;
        if (result.interrupted)
            break;
    }
    return true;
}

} // namespace

ListFolderResult listFolder(const QString& folder, quint32 hiddenMask, const ListedEntry& onEntry,
                            ProgressService* progress, const platform::ListOptions& options)
{
    ListFolderResult result;
    const quint32 mask = hiddenMask & HideableAttributes;
    bool first = true;
    result.error = platform::listFolder(
        folder,
        [&](const ItemRecord& record) {
            if (!first && pumpAndCheck(progress)) {
                result.interrupted = true;
                return false;
            }
            first = false;
            if (record.attributes & mask)
                return true;
            ++result.handedOut;
            if (!onEntry(record)) {
                result.stoppedByCaller = true;
                return false;
            }
            return true;
        },
        options);
    return result;
}

void ListingCounts::add(const ItemRecord& record)
{
    if (record.isFolder()) {
        ++folders;
    } else {
        ++files;
        fileBytes += record.size;
    }
}

ListingCounts countFolderItems(const QString& folder, quint32 hiddenMask, ProgressService* progress,
                               const std::function<bool(const ItemRecord&)>& accept,
                               ListFolderResult* result)
{
    ListingCounts counts;
    const ListFolderResult listed = listFolder(
        folder, hiddenMask,
        [&](const ItemRecord& record) {
            if (!accept || accept(record))
                counts.add(record);
            return true;
        },
        progress);
    if (result)
        *result = listed;
    return counts;
}

std::shared_ptr<const QSet<QString>> volumeBoundaries()
{
    auto points = std::make_shared<QSet<QString>>();
    for (const platform::VolumeInfo& volume : platform::listVolumes())
        points->insert(stripSeparator(volume.mountPoint));
    return points;
}

FolderSizeResult folderSizeOf(const QString& folder, ProgressService* progress,
                              const FolderSizeOptions& options)
{
    FolderSizeResult result;
    if (pumpAndCheck(progress)) {
        result.interrupted = true;
        return result;
    }
    std::shared_ptr<const QSet<QString>> boundaries;
    if (options.stayOnVolume)
        boundaries = options.boundaries ? options.boundaries : volumeBoundaries();

    SizeWalk walk;
    walk.progress = progress;
    walk.options = &options;
    walk.boundaries = boundaries.get();
    walk.result = &result;
    quint64 total = 0;
    result.readable = addFolderSize(walk, stripSeparator(folder), total);
    result.bytes = result.readable ? total : 0;
    return result;
}

double folderSize(const QString& folder, quint32 hiddenMask, ProgressService* progress)
{
    FolderSizeOptions options;
    options.hiddenMask = hiddenMask;
    return folderSizeOf(folder, progress, options).value();
}

quint32 pathAttributes(const QString& path, const QString& stopPrefix)
{
    QString current = stripSeparator(path);
    const QString stop = stopPrefix.isEmpty() ? platform::mountPointOf(current) : stopPrefix;
    quint32 attributes = 0;
    while (current.size() > stop.size()) {
        ItemRecord record;
        if (platform::statPath(current, record) != 0)
            break;
        attributes |= record.attributes & AttributeBitsUsed;
        const QString parent = stripSeparator(parentOf(current));
        if (parent.size() >= current.size())
            break;
        current = parent;
    }
    return attributes;
}

bool insideTrash(const QString& path)
{
    // Every trash folder, and every folder holding per-user trash folders,
    // has "Trash" in its own name; most paths are rejected here unread.
    if (!path.contains(u"Trash"))
        return false;
    QString current = stripSeparator(path);
    while (!current.isEmpty() && !isRootPath(current)) {
        if (fileNameOf(current).contains(u"Trash") && platform::isTrashFolder(current))
            return true;
        const QString parent = stripSeparator(parentOf(current));
        if (parent.size() >= current.size())
            break;
        current = parent;
    }
    return false;
}

bool folderUnlisted(const QString& path, unsigned flags)
{
    if (path.isEmpty() || path == ComputerKey || path.startsWith(ComputerPath))
        return false;
    if ((flags & UnlistedInTrash) && insideTrash(path))
        return true;
    if (flags & UnlistedNotEnterable) {
        const QString folder = stripSeparator(path);
        ItemRecord record;
        platform::ListOptions quick;
        quick.readAttributeStore = false;
        if (platform::statPath(folder, record, quick) != 0 || !record.isFolder())
            return false;
        const int error = platform::listFolder(
            folder, [](const ItemRecord&) { return false; }, quick);
        return error != 0;
    }
    return false;
}

} // namespace tovane
