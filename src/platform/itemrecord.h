#pragma once
// One directory entry as every listing, comparison and copy sees it.
// Filled only by the platform layer; the derived texts live in fs/.

#include <QString>
#include <QtGlobal>

namespace tovane {

// Attribute bits keep the values of the classic attribute table so that
// stored masks and settings keep their meaning.
enum Attribute : quint32 {
    AttrReadOnly = 1,
    AttrHidden = 2,
    AttrSystem = 4,
    AttrDirectory = 16,
    AttrArchive = 32,
    AttrCompressed = 2048,
};

struct ItemRecord {
    QString name;              // lossless (see platform/names.h)
    quint64 size = 0;          // bytes; 0 for folders
    qint64 writeTime = 0;      // nanoseconds since 1970-01-01 UTC (mtime)
    qint64 accessTime = 0;     // atime
    qint64 creationTime = 0;   // store's create time, else birth time, else min(mtime, ctime)
    quint32 attributes = 0;    // Attribute bits, low 15 bits only
    quint32 mode = 0;          // st_mode of the entry itself (not followed)
    bool isSymlink = false;    // the entry is a symbolic link; walks never follow it
    bool linkToFolder = false; // symbolic link whose target is a folder (lstat+stat)
    bool mountPoint = false;   // the root of a mounted file system: walks never enter it
    quint64 device = 0;        // with `inode`: the identity of the entry itself
    quint64 inode = 0;

    bool isFolder() const { return attributes & AttrDirectory; }
    // One item, whatever path, link or mount leads to each record.
    bool sameItemAs(const ItemRecord& o) const
    {
        return inode != 0 && device == o.device && inode == o.inode;
    }
    quint32 sizeHigh() const { return quint32(size >> 32); }
    quint32 sizeLow() const { return quint32(size & 0xffffffffu); }
};

} // namespace tovane
