#pragma once
// Reading folders the one way every listing, comparison, copy and size
// computation does: one search per folder, "." and ".." never seen, entries
// with a hidden attribute left out, pending events served between entries so
// that the interrupt request can stop the work.
//
// All functions run on the UI thread. `progress` may be null (no events are
// pumped and nothing interrupts). Failures are return values, never messages:
// the caller decides what to show.

#include "platform/filesystem.h"
#include "platform/itemrecord.h"

#include <QSet>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <optional>

namespace tovane {

class ProgressService;

// Gets each listed entry; return false to stop the listing.
using ListedEntry = std::function<bool(const ItemRecord&)>;

struct ListFolderResult {
    int error = 0;            // errno of opening/reading the folder, 0 when read
    qint64 handedOut = 0;     // entries given to the callback
    bool interrupted = false; // the interrupt request ended the listing
    bool stoppedByCaller = false;
};

// Lists `folder` (with or without a trailing "/"). Entries that share a bit
// with `hiddenMask` are skipped; the others go to `onEntry` in the folder's
// order. Between entries events are pumped (throttled) and the interrupt
// request stops the loop at once, keeping what was handed out.
ListFolderResult listFolder(const QString& folder, quint32 hiddenMask, const ListedEntry& onEntry,
                            ProgressService* progress, const platform::ListOptions& options = {});

// Counts of a listing as the file list keeps them.
struct ListingCounts {
    qint64 folders = 0;
    qint64 files = 0;
    quint64 fileBytes = 0; // sum of the files' sizes

    qint64 items() const { return folders + files; }
    void add(const ItemRecord& record);
};

// Counts the entries of `folder` that `accept` takes (all when empty), with
// the hidden mask applied first. `result` (optional) gets how the listing went.
ListingCounts countFolderItems(const QString& folder, quint32 hiddenMask, ProgressService* progress,
                               const std::function<bool(const ItemRecord&)>& accept = {},
                               ListFolderResult* result = nullptr);

struct FolderSizeOptions {
    quint32 hiddenMask = 0;
    // When it gives a value for a folder (path with trailing "/"), that value
    // is the folder's size and the folder is not read: a window whose listing
    // already is the answer (extension filter active) passes its total here.
    std::function<std::optional<double>(const QString& folder)> knownSize;
    // Folders that are mount points of other volumes are not entered, so a
    // size never mixes volumes and a hung network mount below a folder cannot
    // freeze the walk.
    bool stayOnVolume = true;
    // The mount points to stop at (volumeBoundaries()); read once per call
    // when empty. A caller sizing many folders in a row reads them once.
    std::shared_ptr<const QSet<QString>> boundaries;
    platform::ListOptions list;
};

struct FolderSizeResult {
    quint64 bytes = 0;        // files below the folder, recursively
    qint64 files = 0;         // files counted
    qint64 folders = 0;       // subfolders entered (readable or not)
    qint64 unreadable = 0;    // subfolders that could not be read (they add nothing)
    bool readable = false;    // the folder itself could be read
    bool interrupted = false; // the walk stopped early; bytes is a partial sum

    // The size as callers show it: -1 for an unreadable folder and for a walk
    // that did not finish, so a partial sum is never shown as a size.
    double value() const { return readable && !interrupted ? double(bytes) : -1.0; }
};

// Total bytes of the files below `folder`: first the folder's files, then
// its subfolders. Symbolic links are counted as entries of their own and
// never followed; hard links are counted once per name.
FolderSizeResult folderSizeOf(const QString& folder, ProgressService* progress,
                              const FolderSizeOptions& options = {});

// The mount points of the listed volumes, without trailing "/".
std::shared_ptr<const QSet<QString>> volumeBoundaries();

// Shorthand for folderSizeOf(...).value().
double folderSize(const QString& folder, quint32 hiddenMask, ProgressService* progress);

// The OR of the attributes (low 15 bits) of `path` and of every folder above
// it, down to but not including `stopPrefix`: a folder whose path (without
// trailing "/") is not longer than the prefix is not read. An empty prefix
// stands for the mount point of the volume holding the path. Stops at the
// first path that does not exist.
quint32 pathAttributes(const QString& path, const QString& stopPrefix = QString());

// Bits of the `flags` argument of folderUnlisted.
enum UnlistedFlag : unsigned {
    UnlistedInTrash = 1 | 2,  // the item is a trash folder or inside one
    UnlistedNotEnterable = 4, // a folder that exists but cannot be read
};

// True when the item must not be listed or marked: with bit 1 or 2, when it
// is a trash folder or lies inside one; with bit 4, when it is a folder that
// exists but cannot be read. The tree key "_", the computer path and a path
// that does not exist give false.
bool folderUnlisted(const QString& path, unsigned flags);

// True when `path` is a trash folder or lies inside one.
bool insideTrash(const QString& path);

} // namespace tovane
