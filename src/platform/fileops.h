#pragma once
// Copy, move and trash: the operations that move data. Same error contract as
// filesystem.h: 0 or a positive errno; an interrupt gives ECANCELED.

#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>

namespace tovane::platform {

// Called after every chunk (about 1 MiB) of file data, and once before the
// first. Return 0 to go on; any other value aborts the copy with that errno
// (ECANCELED for the interrupt request; tests use ENOSPC to simulate a full
// disk). Callers pump events from here, throttled.
using ChunkCallback = std::function<int(quint64 done, quint64 total)>;

// A file as a copy found it when it began. A move removes its source only
// while the path still holds this very file, unchanged.
struct FileState {
    quint64 device = 0;
    quint64 inode = 0;
    quint64 size = 0;
    qint64 writeTime = 0;  // nanoseconds since 1970 UTC
    qint64 changeTime = 0; // nanoseconds since 1970 UTC
};

struct CopyOptions {
    bool replaceExisting = false; // otherwise EEXIST when the destination exists
    bool copyAttributes = true;   // permission bits, xattrs incl. the DOS store
    bool copyTimes = true;        // atime/mtime (futimens after the data)
    // A source that is written to while it is copied fails the copy with
    // EBUSY; nothing appears under the target name.
    bool stableSource = false;
    // Receives the state of the regular file that was copied.
    FileState* sourceState = nullptr;
};

// Copies one regular file (or a symbolic link as a link). The data goes via
// FICLONE, else copy_file_range, else read/write into a file that has no
// name yet (O_TMPFILE) and is linked under the target name only when
// complete, which fails with EEXIST when the name is taken. Replacing, the
// complete file is synced, linked under a temporary name and renamed over
// the target at once, so a crash never leaves a large temporary behind.
// Where unnamed files are not possible, the data grows under a temporary
// name (O_EXCL|O_NOFOLLOW, 0600) instead.
// On any failure the temporary file is removed and an old target is intact.
// A target that is the source itself (a hard link, the same file through
// another mount) is refused with EINVAL.
int copyFile(const QString& source, const QString& destination, const CopyOptions& options = {},
             const ChunkCallback& onChunk = {});

// A source and a destination folder held open for many copies between them:
// a folder walk resolves each folder once instead of both full paths for
// every file, and learns once how new files get their mode there. Movable,
// not copyable.
class FolderPair {
public:
    FolderPair();
    ~FolderPair();
    FolderPair(FolderPair&& other) noexcept;
    FolderPair& operator=(FolderPair&& other) noexcept;
    FolderPair(const FolderPair&) = delete;
    FolderPair& operator=(const FolderPair&) = delete;

    // 0, or the errno of opening either folder.
    int open(const QString& sourceFolder, const QString& destinationFolder);
    bool isOpen() const;
    // copyFile for two plain names of the two folders. `listedAsFile`: the
    // caller's listing saw a regular file, so it is opened without asking
    // for its type first (a link or anything else found instead is still
    // handled as copyFile handles it).
    int copyFile(const QString& sourceName, const QString& destinationName,
                 const CopyOptions& options = {}, const ChunkCallback& onChunk = {},
                 bool listedAsFile = false) const;

private:
    struct State;
    std::unique_ptr<State> d;
};

// Moves a file or a whole folder. rename() when possible; across volumes a
// copy of everything, then the source is removed only after the copy is
// complete. With replaceExisting off an existing destination gives EEXIST.
int moveItem(const QString& source, const QString& destination, const CopyOptions& options = {},
             const ChunkCallback& onChunk = {});

// Removes the file at `path` only while it is the file `state` describes,
// unchanged; EBUSY when it was written to or replaced meanwhile.
int deleteUnchangedFile(const QString& path, const FileState& state);

// Temporaries of ours (".tovane-" and six letters or digits) in `folder`
// that an interrupted run left behind: owned by us and untouched for a
// minute. A live copy holds its named temporary only for an instant.
void removeStaleTemporaries(const QString& folder);

struct TrashResult {
    QString trashedPath; // where the item went (…/files/NAME)
    QString infoPath;    // its .trashinfo
};

// The freedesktop.org trash layout: home trash for the home volume,
// $topdir/.Trash/$uid (sticky, not a link) or $topdir/.Trash-$uid elsewhere.
// Never copies across volumes (EXDEV when no trash on the item's volume can
// be used).
int moveToTrash(const QString& path, TrashResult* result = nullptr);

// The trash folders (…/Trash, …/.Trash/$uid, …/.Trash-$uid) that exist for
// the listed volumes: the "recycle area" of the folder tree and selection.
bool isTrashFolder(const QString& path);

namespace detail {
// New files normally grow unnamed (O_TMPFILE) and get their name in one link;
// off, they grow under a temporary name as on file systems without it.
void setUnnamedTemporaries(bool on);
// How long a temporary of ours must stay untouched before it counts as
// left behind (60 seconds).
void setTemporaryQuietSeconds(int seconds);
// The cross-volume branch of moveItem (copy everything, then remove the
// source); callable on one volume so that it can be tested anywhere.
int moveByCopy(const QString& source, const QString& destination, const CopyOptions& options = {},
               const ChunkCallback& onChunk = {});
} // namespace detail

} // namespace tovane::platform
