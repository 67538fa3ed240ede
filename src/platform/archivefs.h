#pragma once
// Descriptor-relative file operations for archive work: extraction creates
// everything relative to an open destination folder and never follows a
// link on the way, so no entry can reach outside it; creation walks the
// source tree the same way. Every function returns 0 or a positive errno.

#include "platform/posixutil.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace tovane::platform {

// A folder the user chose (links on its path followed), or a file to read.
int openFolderPath(const QString& path, UniqueFd& out);
int openFileForReading(const QString& path, UniqueFd& out);

// `name` inside `dirFd` as a folder, made (0777 less the umask) when
// missing. A link there gives ELOOP, anything else ENOTDIR; links are
// never followed.
int openSubfolder(int dirFd, const QByteArray& name, bool create, UniqueFd& out);

// A new empty file ".tovane-XXXXXX" (0600) inside `dirFd`.
int createTemporaryAt(int dirFd, QByteArray& tempName, UniqueFd& out);
// Appends all of `size` bytes at the descriptor's position.
int writeFully(int fd, const char* data, size_t size);
// Mode (permission bits only) and times (nanoseconds; negative keeps them)
// of an open file or folder.
int setModeAndTimes(int fd, unsigned mode, qint64 accessNs, qint64 writeNs);
// Renames inside one folder, replacing the target (not a folder).
int renameAt(int dirFd, const QByteArray& from, const QByteArray& to);
int removeAt(int dirFd, const QByteArray& name);
// A link `name` -> `target`, replacing a file or link of that name.
int makeSymlinkAt(int dirFd, const QByteArray& target, const QByteArray& name, qint64 writeNs);
// A hard link `name` in `dirFd` to the non-folder `fromName` in `fromDirFd`
// (a link there is linked itself, never followed); replaces a file there.
int makeHardLinkAt(int fromDirFd, const QByteArray& fromName, int dirFd, const QByteArray& name);

// One entry of a source folder.
struct SourceEntry {
    QByteArray name;
    unsigned mode = 0; // st_mode, not followed
    quint64 size = 0;
    qint64 writeNs = 0;
    qint64 accessNs = 0;
};
// lstat of `name` in `dirFd` ("" for the folder itself).
int statAt(int dirFd, const QByteArray& name, SourceEntry& out);
// The entries of the folder `dirFd` (the descriptor stays usable).
int listAt(int dirFd, std::vector<SourceEntry>& out);
// Opens a regular file or a folder without following a link.
int openFileAt(int dirFd, const QByteArray& name, UniqueFd& out);
int readLinkAt(int dirFd, const QByteArray& name, QByteArray& target);
// Reads up to `size` bytes; `got` 0 at the end.
int readSome(int fd, char* data, size_t size, size_t& got);

// The writable check an archive update needs: rename would replace even a
// read-only file, and root passes every access() test.
bool hasWritePermission(const QString& path);
// zlib allocates and frees its state for every entry; with glibc's default
// trim threshold each free hands the heap top back to the kernel and the
// next entry faults it in again, which tripled the time of zipping many
// small files. Raises the threshold once for the process.
void relaxHeapTrimming();

// 0666 less the umask: the mode a new archive gets.
unsigned newFileMode();
int fileSize(int fd, qint64& size);
int setFileSize(int fd, qint64 size);
int seekTo(int fd, qint64 offset);
int duplicate(int fd, UniqueFd& out);
int readAt(int fd, char* data, size_t size, qint64 offset, size_t& got);

} // namespace tovane::platform
