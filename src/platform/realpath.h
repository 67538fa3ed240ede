#pragma once
// Canonical paths and file identity: the checks that must see through links
// and other spellings of the same folder or file.

#include <QString>

namespace tovane::platform {

// The absolute path with every link, "." and ".." resolved (realpath);
// empty when the path or one of its parents does not exist.
QString realPath(const QString& path);

// True when both paths exist and name the same file (device and inode, links
// followed).
bool sameFile(const QString& a, const QString& b);

} // namespace tovane::platform
