#pragma once
// What a properties window tells about one item: kind, size, the four times,
// owner and group by name, the permission bits. The item itself is read (a
// symbolic link is described, not followed). 0 or a positive errno.

#include <QString>
#include <QtGlobal>

namespace tovane::platform {

struct ItemInfo {
    quint32 mode = 0; // st_mode
    quint64 size = 0;
    qint64 writeTime = 0; // nanoseconds since 1970 UTC
    qint64 accessTime = 0;
    qint64 changeTime = 0; // status change
    qint64 birthTime = 0;
    bool birthKnown = false; // the file system reports a birth time
    quint32 uid = 0;
    quint32 gid = 0;
    QString owner; // user name, or the number when it has none
    QString group;
    QString linkTarget; // symbolic links: the link's text
};

int itemInfo(const QString& path, ItemInfo& out);

} // namespace tovane::platform
