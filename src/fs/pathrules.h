#pragma once
// Path helpers every subsystem applies to POSIX paths. "/" is the only root:
// it is its own parent, has no name and keeps its separator unless a strip
// is forced. All helpers work on text only and never touch the disk.

#include <QChar>
#include <QString>

namespace tovane {

inline constexpr QChar PathSeparator = u'/';

// True for the root "/" itself (the only path that is "a root").
bool isRootPath(const QString& path);

// Removes one trailing "/" when force is set or the path is longer than the
// root; "/" stays "/" unless forced (then "").
QString stripSeparator(const QString& path, bool force = false);

// Appends "/" to a non-empty path that does not already end in one.
QString addSeparator(const QString& path);

// The last component ("/a/b/" -> "b"). The root and the empty path have no
// name. A relative text without "/" is its own name.
QString fileNameOf(const QString& path);

// Everything up to and including the last "/" after a non-forced strip
// ("/a/b/" -> "/a/", "/a" -> "/"). The root and the empty path are their own
// parent; a relative text without "/" has the empty parent.
QString parentOf(const QString& path);

// `path` taken against the absolute folder `base` (when not absolute itself)
// and cleaned on its text alone: no empty, "." or ".." parts ("/.." is "/"),
// no trailing "/" except on the root. Links are not looked at, as a shell's
// cd does not. An empty `path` stays empty: it names no folder.
QString lexicalPath(const QString& base, const QString& path);

// Text after the last "." (empty without one). The search deliberately does
// not stop at "/", so callers pass names, not paths.
QString extensionOf(const QString& name);

// Text before the last "." (the whole text without one).
QString baseNameOf(const QString& name);

// Takes the next item off a separator-terminated list: the text before the
// first separator, dropping it and exactly one separator from `list`. Without
// a separator the whole list is the item and the list becomes empty.
QString nextToken(QString& list, QChar separator);

// The text before the first NUL (fixed-length platform strings).
QString trimAtNul(const QString& text);

} // namespace tovane
