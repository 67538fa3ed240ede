#pragma once
// Where each file system keeps the DOS attributes (H, S, A, a folder's R)
// and a settable create time: the FAT ioctls on vfat, system.ntfs_* on NTFS,
// user.cifs.* on SMB mounts, user.DOSATTRIB (Samba layout) everywhere else.

#include <QtGlobal>

namespace tovane::platform {

enum class StoreKind : quint8 { Generic, Fat, Ntfs, Cifs };

// The store of the file system that holds an open folder (or file) / a path
// (followed). Costs one statfs, plus one probe on FUSE and exFAT mounts.
StoreKind storeKindOfFd(int fd);
StoreKind storeKindOfPath(const char* path);

// FILE_ATTRIBUTE_* bits as the stores keep them.
enum StoreBits : quint32 {
    StoreReadOnly = 0x1,
    StoreHidden = 0x2,
    StoreSystem = 0x4,
    StoreDirectory = 0x10,
    StoreArchive = 0x20,
    StoreNormal = 0x80,
};

struct StoreRecord {
    quint32 attributes = 0;
    bool hasCreateTime = false;
    qint64 createTime = 0; // nanoseconds since 1970 UTC
};

// 0 with the record of `path` (all zero when it has none or an unreadable
// one); else the store's errno (ENOTSUP where the file system keeps none).
// The create time is read only when asked for, except from user.DOSATTRIB
// where it comes with the same read.
int readStore(StoreKind kind, const char* path, StoreRecord& out, bool withCreateTime);

// An item's full path and, when a listing knows them, its folder's
// descriptor and entry name: with those the kernel need not walk the whole
// path again for every entry.
struct StorePath {
    const char* path = nullptr;
    int dirFd = -1;
    const char* name = nullptr;
};
int readStore(StoreKind kind, const StorePath& where, StoreRecord& out, bool withCreateTime);

// Read-modify-write of the bits in `mask`; other bits and a create time in
// the record stay. `initial` are the bits a record starts from when the item
// has none yet.
int writeStoreAttributes(StoreKind kind, const char* path, quint32 mask, quint32 values,
                         quint32 initial);

// Stores a create time, keeping the attribute bits. ENOTSUP where the file
// system has no settable create time (vfat).
int writeStoreCreateTime(StoreKind kind, const char* path, qint64 createTime, quint32 initial);

} // namespace tovane::platform
