#pragma once
// Whole-file reads and atomic replacement of files (the settings file, texts
// saved from the viewer).
// Same error contract as filesystem.h: 0 or a positive errno, never a throw.

#include <QByteArray>
#include <QString>

namespace tovane::platform {

// Size and modification time of a file as it was read.
struct FileStamp {
    qint64 size = 0;
    qint64 writeTime = 0; // nanoseconds since 1970 UTC
};

// Reads the whole regular file at `path` into `out` (emptied first). A
// symbolic link is followed: the settings file may be linked from elsewhere.
// The open never waits: a FIFO, device or socket in the file's place gives
// EINVAL (a folder EISDIR) without a byte read. A file of `limit` bytes or
// more gives EFBIG.
int readWholeFile(const QString& path, QByteArray& out);
// At most the first `maxBytes` of a regular file (a header), opened as above.
int readFileStart(const QString& path, QByteArray& out, qint64 maxBytes);
int readWholeFile(const QString& path, QByteArray& out, qint64 limit, FileStamp* stamp = nullptr);

// Size and modification time of the file at `path` (links followed), to
// tell whether it changed since it was read.
int fileStamp(const QString& path, FileStamp& out);

// True when `path` (links followed) is a regular file: our own files are
// used only then; anything else in their place counts as absent.
bool isRegularFile(const QString& path);

// Replaces the file at `path` with `bytes` so that a crash or a failed write
// never leaves half a file: the data goes into a new temporary file in the
// same folder (mode 0600), is fsynced and renamed over the target, then the
// folder is fsynced. On any failure the temporary file is removed and an
// existing file is left as it was. When `path` is a symbolic link, the file
// it points to is replaced and the link stays. Only a regular file is
// replaced: a FIFO, device or socket there gives EINVAL, a folder EISDIR,
// and it is left alone.
//
// WriteMode::Private gives the new file mode 0600 (our own files).
// WriteMode::KeepMetadata (a user's file saved over) gives it what the old
// file had: the owner and group where allowed, the permission bits (set-id
// bits only with their owner), the xattrs (DOS attributes, ACLs) and FAT
// attributes; a file that did not exist is created as any new file (0666
// less the umask, or the folder's default ACL).
enum class WriteMode { Private, KeepMetadata };
int writeFileAtomically(const QString& path, const QByteArray& bytes,
                        WriteMode mode = WriteMode::Private);

} // namespace tovane::platform
