#pragma once
// The narrow file-system interface of the platform layer. Everything outside
// src/platform reaches files only through these functions.
//
// Contract: every function returns 0 on success or a positive errno value;
// nothing throws. Paths are absolute POSIX paths as QString (lossless names,
// names.h). Symbolic links are never followed unless a function says so.
// All functions are safe to call from any thread, but the program calls them
// from the UI thread only (volumes.h has the time-limited variants).

#include "platform/itemrecord.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace tovane::platform {

struct ListOptions {
    // Read the DOS-attribute store for H/S/A of every entry (one getxattr or
    // ioctl per entry). Off gives R, H (dot names), directory and C only.
    bool readAttributeStore = true;
    // Only folders are wanted: entries the folder itself reports as anything
    // else (files, links, devices) are passed over without reading them.
    bool foldersOnly = false;
    // Asked for each name before the entry is read (`maybeFolder`: the
    // folder reports a folder or nothing): false passes over it unread, so
    // a search by name reads only its hits and the folders.
    std::function<bool(const QString& name, bool maybeFolder)> prefilter;
};

// Called once per entry ("." and ".." never reach it). Return false to stop.
using EntryCallback = std::function<bool(const ItemRecord&)>;

// One open per folder. Returns 0 when the folder was read to its end or the
// callback stopped it, else the errno of opening/reading the folder.
int listFolder(const QString& folder, const EntryCallback& onEntry,
               const ListOptions& options = {});

// The record of one path itself (lstat semantics).
int statPath(const QString& path, ItemRecord& out, const ListOptions& options = {});

// Looks `name` up in `folder` the way Windows file systems do:
// letter case is ignored, but an exact match wins when both exist. On success
// `out.name` holds the true name on disk. ENOENT when nothing matches.
int lookupEntry(const QString& folder, const QString& name, ItemRecord& out,
                const ListOptions& options = {});

// Many lookups in one folder, as lookupEntry gives them: the folder is opened
// once and an exact name costs one statx. The first name without an exact
// match reads the folder once into an index of case-folded names, so later
// misses need no further reads. A case variant created after that read is
// not seen; exact names always are. Movable, not copyable.
//
// With `sourceFolder` (the folder whose entries look for counterparts here)
// a letter-case variant answers only while it is the one entry of its case
// class here and the source folder holds just one such name too: an exact
// name always pairs, and no entry here pairs with two source entries. On
// file systems that fold letter case the listing, not the kernel's lookup,
// tells an exact name from a variant.
class FolderLookup {
public:
    explicit FolderLookup(const QString& folder, const ListOptions& options = {},
                          const QString& sourceFolder = QString());
    ~FolderLookup();
    FolderLookup(FolderLookup&& other) noexcept;
    FolderLookup& operator=(FolderLookup&& other) noexcept;
    FolderLookup(const FolderLookup&) = delete;
    FolderLookup& operator=(const FolderLookup&) = delete;

    // 0, or the errno of opening the folder (EBADF once moved from).
    int error() const;
    // lookupEntry's answer for `name` in this folder.
    int lookup(const QString& name, ItemRecord& out);
    // lookup() for each of `names` (codes[i], out[i]); the exact names are
    // asked on several threads at once, as the kernel's answers per name
    // are what such a batch waits for.
    void lookupMany(const QStringList& names, std::vector<ItemRecord>& out,
                    std::vector<int>& codes);

private:
    struct State;
    std::unique_ptr<State> d;
    friend int lookupEntry(const QString&, const QString&, ItemRecord&, const ListOptions&);
};

// A folder's identity and times at one moment, to tell cheaply that no
// entry was added, removed or renamed since: each of those moves the
// folder's times. Trusted only on local file systems with fine time stamps,
// and only when the last change lies far enough back that a later change
// cannot fall into the same clock tick and leave the times as they were.
struct FolderStamp {
    bool trusted = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 writeTime = 0; // nanoseconds since 1970 UTC
    qint64 changeTime = 0;

    bool sameAs(const FolderStamp& o) const
    {
        return device == o.device && inode == o.inode && writeTime == o.writeTime &&
               changeTime == o.changeTime;
    }
};
// Two seconds cover the coarsest clock tick of the trusted file systems.
constexpr qint64 FolderSettleNanos = qint64(2) * 1000000000;
int folderStamp(const QString& folder, FolderStamp& out, qint64 settleNanos = FolderSettleNanos);
// Whether `later` shows the folder of `earlier` with the same entries.
inline bool folderUnchanged(const FolderStamp& earlier, const FolderStamp& later)
{
    return earlier.trusted && later.trusted && earlier.sameAs(later);
}

// Whether `folder` (links on its path followed) is the folder `item` (not
// followed) or lies below it, by identity: whatever path, link or mount
// leads to either. `within` stays false when `item` is no folder.
int folderWithin(const QString& folder, const QString& item, bool& within);

bool pathExists(const QString& path); // lstat succeeds

// Attributes (Attribute bits). get: as listings report them. set: R, H, S, A
// are applied (R by permission bits for files, the store otherwise; H on a
// dot name stays set); Directory and Compressed are ignored. Fails with the
// store's errno (e.g. ENOTSUP) where the file system keeps no store.
int getAttributes(const QString& path, quint32& attributes);
int setAttributes(const QString& path, quint32 attributes);

struct FileTimes {
    qint64 creation = 0; // nanoseconds since 1970 UTC
    qint64 access = 0;
    qint64 write = 0;
};
enum TimeKind : unsigned { TimeCreation = 1, TimeAccess = 2, TimeWrite = 4 };

int getTimes(const QString& path, FileTimes& out);
// Sets the kinds in `which`. A creation time goes into the DOS-attribute
// store; where no store exists that part fails with ENOTSUP (the others are
// still applied first).
int setTimes(const QString& path, const FileTimes& times, unsigned which);

int createFolder(const QString& path);    // mode 0777 & ~umask; EEXIST when present
int createEmptyFile(const QString& path); // mode 0666 & ~umask; EEXIST when present
int renameItem(const QString& from, const QString& to,
               bool replace = false); // RENAME_NOREPLACE unless replace
int deleteFile(const QString& path);  // files and symbolic links
int deleteEmptyFolder(const QString& path);

} // namespace tovane::platform
