#pragma once
// Shortcut files of the desktop: symbolic links and desktop entries, and the
// folders where the desktop looks for menu and autostart entries. Nothing
// here replaces an existing name. Same error contract as filesystem.h: 0 or
// a positive errno, never a throw.

#include <QByteArray>
#include <QString>

namespace tovane::platform {

// A symbolic link at `linkPath` whose text is `target` (symlinkat); EEXIST
// when anything, a dangling link included, has that name.
int createSymlink(const QString& target, const QString& linkPath);

// Writes `bytes` as a new file at `path` (mode 0644 less the umask): the data
// goes into a temporary beside it, is synced and only then takes the name,
// which must still be free (EEXIST otherwise, and the temporary goes).
int writeNewFile(const QString& path, const QByteArray& bytes);

// $XDG_DATA_HOME/applications and $XDG_CONFIG_HOME/autostart (each variable
// only when it holds an absolute path, else ~/.local/share and ~/.config).
QString applicationsFolder();
QString autostartFolder();

// Creates `folder` and the folders above it that are missing (0700, as the
// XDG base folders want). 0 when it exists as a folder afterwards.
int ensureFolder(const QString& folder);

// A program that starts by itself: a regular file (links followed) with the
// execute bit for us that is an ELF image (AppImages included) or a script
// with a "#!" line.
bool isExecutableProgram(const QString& path);

} // namespace tovane::platform
