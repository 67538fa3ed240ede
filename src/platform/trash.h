#pragma once
// Pieces of the trash implementation that tests look at directly.

#include <QByteArray>
#include <QtGlobal>

namespace tovane::platform::detail {

// RFC 2396 path escaping as the trash info files want it: unreserved
// characters and "/" stay, every other byte becomes %XX.
QByteArray percentEncodePath(const QByteArray& path);

// The whole .trashinfo file; the date is written in local time.
QByteArray trashInfoText(const QByteArray& encodedPath, qint64 unixSeconds);

// $XDG_DATA_HOME/Trash, else ~/.local/share/Trash (not created here).
QByteArray homeTrashPath();

// The top folder of the volume holding the existing folder `canonicalFolder`
// (no symbolic links in it): the highest folder on the same mount.
QByteArray topDirOf(const QByteArray& canonicalFolder);

// The trash of the volume whose top folder is `topDir`: $topdir/.Trash/$uid
// when .Trash is a real sticky folder, else $topdir/.Trash-$uid; created as
// needed. EXDEV when neither can be used.
int volumeTrashFolder(const QByteArray& topDir, QByteArray& trashFolder);

} // namespace tovane::platform::detail
