#include "platform/attributestore.h"

#include "platform/dosattrib.h"
#include "platform/posixutil.h"

#include <QByteArray>
#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>

namespace tovane::platform {

namespace {

constexpr const char* kDosAttrib = "user.DOSATTRIB";
constexpr const char* kNtfsAttrib = "system.ntfs_attrib";
constexpr const char* kNtfsCrtime = "system.ntfs_crtime";
constexpr const char* kCifsAttrib = "user.cifs.dosattrib";
constexpr const char* kCifsCreation = "user.cifs.creationtime";

// Magic numbers not in every <linux/magic.h>.
constexpr unsigned long kNtfsOldMagic = 0x5346544eUL; // read-only "ntfs" driver
constexpr unsigned long kNtfs3Magic = 0x7366746eUL;

// A blob larger than any DOSATTRIB record is not one; don't chase it.
constexpr ssize_t kMaxBlob = 4096;

// getxattrat(2) came with Linux 6.13; older kernels answer ENOSYS once and
// the full path is used from then on.
#ifndef SYS_getxattrat
#define SYS_getxattrat 464
#endif
struct XattrArgs {
    quint64 value;
    quint32 size;
    quint32 flags;
};
std::atomic<bool> relativeXattrs{true};

ssize_t getXattr(const StorePath& where, const char* attr, void* buffer, size_t size)
{
    if (where.dirFd >= 0 && where.name && relativeXattrs.load(std::memory_order_relaxed)) {
        XattrArgs args{quint64(reinterpret_cast<quintptr>(buffer)), quint32(size), 0};
        const long n = ::syscall(SYS_getxattrat, where.dirFd, where.name, AT_SYMLINK_NOFOLLOW, attr,
                                 &args, sizeof args);
        if (n >= 0 || (errno != ENOSYS && errno != EINVAL))
            return ssize_t(n);
        // EINVAL may also mean a kernel that does not know the size of args.
        if (errno == ENOSYS)
            relativeXattrs.store(false, std::memory_order_relaxed);
    }
    return ::lgetxattr(where.path, attr, buffer, size);
}

int readXattr(const StorePath& where, const char* name, QByteArray& out)
{
    char small[256];
    ssize_t n = getXattr(where, name, small, sizeof small);
    if (n >= 0) {
        out = QByteArray(small, qsizetype(n));
        return 0;
    }
    if (errno != ERANGE)
        return lastErrno();
    n = getXattr(where, name, nullptr, 0);
    if (n < 0)
        return lastErrno();
    if (n > kMaxBlob)
        return EINVAL;
    out.resize(qsizetype(n));
    n = getXattr(where, name, out.data(), size_t(out.size()));
    if (n < 0)
        return lastErrno();
    out.resize(qsizetype(n));
    return 0;
}

// Reads an attribute of exactly sizeof(T) bytes.
template <typename T> int readFixed(const StorePath& where, const char* name, T& value)
{
    unsigned char buf[sizeof(T)];
    const ssize_t n = getXattr(where, name, buf, sizeof buf);
    if (n < 0)
        return lastErrno();
    if (size_t(n) != sizeof buf)
        return EINVAL;
    std::memcpy(&value, buf, sizeof buf);
    return 0;
}

template <typename T> int writeFixed(const char* path, const char* name, T value)
{
    return ::lsetxattr(path, name, &value, sizeof value, 0) == 0 ? 0 : lastErrno();
}

quint32 fromLe32(quint32 v)
{
    return qFromLittleEndian(v);
}
quint64 fromLe64(quint64 v)
{
    return qFromLittleEndian(v);
}

int openForIoctl(const char* path, UniqueFd& fd)
{
    fd.reset(::open(path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
    return fd.isValid() ? 0 : lastErrno();
}

int fatGet(const char* path, quint32& attributes)
{
    UniqueFd fd;
    if (int e = openForIoctl(path, fd))
        return e;
    __u32 value = 0;
    if (::ioctl(fd.get(), FAT_IOCTL_GET_ATTRIBUTES, &value) != 0)
        return errno == ENOTTY ? ENOTSUP : lastErrno();
    attributes = value;
    return 0;
}

int fatSet(const char* path, quint32 attributes)
{
    UniqueFd fd;
    if (int e = openForIoctl(path, fd))
        return e;
    __u32 value = attributes;
    if (::ioctl(fd.get(), FAT_IOCTL_SET_ATTRIBUTES, &value) != 0)
        return errno == ENOTTY ? ENOTSUP : lastErrno();
    return 0;
}

// SMB and NTFS read 0 in a set request as "leave unchanged" or expect
// NORMAL alone; keep the value in the form Windows itself writes.
quint32 normalized(quint32 attributes)
{
    attributes &= ~quint32(StoreNormal);
    return attributes ? attributes : quint32(StoreNormal);
}

// The store by file-system type; FUSE and exFAT need a probe to tell.
enum class Probe { None, Ntfs, Fat };

StoreKind kindOfType(unsigned long type, Probe& probe)
{
    probe = Probe::None;
    switch (type) {
    case MSDOS_SUPER_MAGIC:
        return StoreKind::Fat;
    case EXFAT_SUPER_MAGIC:
        probe = Probe::Fat; // newer exFAT drivers take the FAT ioctls
        return StoreKind::Generic;
    case kNtfsOldMagic:
    case kNtfs3Magic:
        return StoreKind::Ntfs;
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
        return StoreKind::Cifs;
    case FUSE_SUPER_MAGIC:
        probe = Probe::Ntfs; // ntfs-3g runs on FUSE; only it answers system.ntfs_attrib
        return StoreKind::Generic;
    default:
        return StoreKind::Generic;
    }
}

// The store a file system type suggests, confirmed by reading the native
// attributes where the type alone cannot tell (a driver without them).
template <typename NtfsReads, typename FatReads>
StoreKind confirmedKind(const struct statfs& sfs, NtfsReads ntfsReads, FatReads fatReads)
{
    Probe probe;
    const StoreKind kind = kindOfType((unsigned long)(sfs.f_type), probe);
    if (probe == Probe::Ntfs && ntfsReads())
        return StoreKind::Ntfs;
    if (probe == Probe::Fat && fatReads())
        return StoreKind::Fat;
    return kind;
}

} // namespace

StoreKind storeKindOfFd(int fd)
{
    struct statfs sfs;
    if (::fstatfs(fd, &sfs) != 0)
        return StoreKind::Generic;
    return confirmedKind(
        sfs,
        [fd] {
            quint32 v;
            return ::fgetxattr(fd, kNtfsAttrib, &v, sizeof v) == ssize_t(sizeof v);
        },
        [fd] {
            __u32 v;
            return ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &v) == 0;
        });
}

StoreKind storeKindOfPath(const char* path)
{
    struct statfs sfs;
    if (::statfs(path, &sfs) != 0)
        return StoreKind::Generic;
    return confirmedKind(
        sfs,
        [path] {
            quint32 v;
            return ::getxattr(path, kNtfsAttrib, &v, sizeof v) == ssize_t(sizeof v);
        },
        [path] {
            quint32 v;
            return fatGet(path, v) == 0;
        });
}

int readStore(StoreKind kind, const char* path, StoreRecord& out, bool withCreateTime)
{
    return readStore(kind, StorePath{path}, out, withCreateTime);
}

int readStore(StoreKind kind, const StorePath& where, StoreRecord& out, bool withCreateTime)
{
    const char* path = where.path;
    out = StoreRecord{};
    switch (kind) {
    case StoreKind::Generic: {
        QByteArray blob;
        const int e = readXattr(where, kDosAttrib, blob);
        if (e == ENODATA)
            return 0;
        if (e)
            return e;
        DosInfo info;
        if (decodeDosAttrib(blob, info)) {
            out.attributes = info.attributes;
            out.hasCreateTime = info.hasCreateTime;
            out.createTime = info.createTime;
        }
        return 0;
    }
    case StoreKind::Fat:
        return fatGet(path, out.attributes);
    case StoreKind::Ntfs:
    case StoreKind::Cifs: {
        const bool ntfs = kind == StoreKind::Ntfs;
        quint32 attributes = 0;
        int e = readFixed(where, ntfs ? kNtfsAttrib : kCifsAttrib, attributes);
        if (e == ENODATA)
            return 0;
        if (e)
            return e;
        out.attributes = ntfs ? fromLe32(attributes) : attributes;
        if (withCreateTime) {
            quint64 nt = 0;
            if (readFixed(where, ntfs ? kNtfsCrtime : kCifsCreation, nt) == 0) {
                out.hasCreateTime = true;
                out.createTime = ntTimeToUnixNs(ntfs ? fromLe64(nt) : nt);
            }
        }
        return 0;
    }
    }
    return ENOTSUP;
}

int writeStoreAttributes(StoreKind kind, const char* path, quint32 mask, quint32 values,
                         quint32 initial)
{
    const auto merge = [&](quint32 old) { return (old & ~mask) | (values & mask); };
    switch (kind) {
    case StoreKind::Generic: {
        QByteArray blob;
        const int e = readXattr(StorePath{path}, kDosAttrib, blob);
        if (e && e != ENODATA)
            return e;
        DosInfo info;
        if (e == ENODATA || !decodeDosAttrib(blob, info)) {
            info = DosInfo{};
            info.attributes = initial;
        }
        info.attributes = merge(info.attributes);
        const QByteArray fresh = encodeDosAttrib(info);
        return ::lsetxattr(path, kDosAttrib, fresh.constData(), size_t(fresh.size()), 0) == 0
                   ? 0
                   : lastErrno();
    }
    case StoreKind::Fat: {
        quint32 attributes = 0;
        if (int e = fatGet(path, attributes))
            return e;
        return fatSet(path, merge(attributes));
    }
    case StoreKind::Ntfs:
    case StoreKind::Cifs: {
        const bool ntfs = kind == StoreKind::Ntfs;
        const char* name = ntfs ? kNtfsAttrib : kCifsAttrib;
        quint32 attributes = 0;
        const int e = readFixed(StorePath{path}, name, attributes);
        if (e && e != ENODATA)
            return e;
        attributes = e ? initial : (ntfs ? fromLe32(attributes) : attributes);
        attributes = normalized(merge(attributes));
        return writeFixed(path, name, ntfs ? qToLittleEndian(attributes) : attributes);
    }
    }
    return ENOTSUP;
}

int writeStoreCreateTime(StoreKind kind, const char* path, qint64 createTime, quint32 initial)
{
    switch (kind) {
    case StoreKind::Generic: {
        QByteArray blob;
        const int e = readXattr(StorePath{path}, kDosAttrib, blob);
        if (e && e != ENODATA)
            return e;
        DosInfo info;
        if (e == ENODATA || !decodeDosAttrib(blob, info)) {
            info = DosInfo{};
            info.attributes = initial;
        }
        info.hasCreateTime = true;
        info.createTime = createTime;
        const QByteArray fresh = encodeDosAttrib(info);
        return ::lsetxattr(path, kDosAttrib, fresh.constData(), size_t(fresh.size()), 0) == 0
                   ? 0
                   : lastErrno();
    }
    case StoreKind::Fat:
        return ENOTSUP;
    case StoreKind::Ntfs:
        return writeFixed(path, kNtfsCrtime, qToLittleEndian(unixNsToNtTime(createTime)));
    case StoreKind::Cifs:
        return writeFixed(path, kCifsCreation, unixNsToNtTime(createTime));
    }
    return ENOTSUP;
}

} // namespace tovane::platform
