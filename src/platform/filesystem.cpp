#include "platform/filesystem.h"

#include "platform/attributestore.h"
#include "platform/names.h"
#include "platform/posixutil.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace tovane::platform {

namespace {

constexpr unsigned kStatxMask = STATX_BASIC_STATS | STATX_BTIME;
constexpr int kStatxFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
constexpr size_t kDirBufferSize = 64 * 1024;

// A path as bytes for the kernel. A NUL inside would silently cut the path
// short and make the call act on another item, so such paths are refused.
// Trailing "/" go too: they would make lstat-style calls follow a link.
bool toKernelPath(const QString& path, QByteArray& out)
{
    out = pathToBytes(path);
    if (out.isEmpty() || out.contains('\0'))
        return false;
    out = stripTrailingSlashes(out);
    return true;
}

// The entry itself (a link is not followed) at a path for the kernel.
int lstatKernelPath(const QString& path, QByteArray& bytes, struct stat& st)
{
    if (!toKernelPath(path, bytes))
        return EINVAL;
    return ::lstat(bytes.constData(), &st) == 0 ? 0 : lastErrno();
}

bool isDotName(const char* name)
{
    return name[0] == '.';
}

qint64 nsOf(const statx_timestamp& t)
{
    return toNanoseconds(t.tv_sec, t.tv_nsec);
}

// Everything a record takes from the entry's own status; the store comes after.
void fillFromStatx(const struct statx& sx, ItemRecord& rec)
{
    rec.mode = sx.stx_mode;
    rec.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    rec.inode = sx.stx_ino;
    rec.mountPoint = (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
                     (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT);
    rec.isSymlink = S_ISLNK(sx.stx_mode);
    rec.linkToFolder = false;
    rec.writeTime = nsOf(sx.stx_mtime);
    rec.accessTime = nsOf(sx.stx_atime);
    rec.creationTime = (sx.stx_mask & STATX_BTIME) ? nsOf(sx.stx_btime)
                                                   : std::min(rec.writeTime, nsOf(sx.stx_ctime));
    quint32 attributes = 0;
    if (S_ISDIR(sx.stx_mode)) {
        attributes |= AttrDirectory;
        rec.size = 0;
    } else {
        rec.size = sx.stx_size;
        if (!rec.isSymlink && (sx.stx_mode & 0222) == 0)
            attributes |= AttrReadOnly;
    }
    if ((sx.stx_attributes_mask & STATX_ATTR_COMPRESSED) &&
        (sx.stx_attributes & STATX_ATTR_COMPRESSED))
        attributes |= AttrCompressed;
    rec.attributes = attributes;
}

// An entry whose status cannot be read (a folder with read but no search
// permission) is still listed, with what the folder itself tells.
void fillFromDirentType(unsigned char type, ItemRecord& rec)
{
    rec = ItemRecord{};
    rec.mode = type == DT_UNKNOWN ? 0 : DTTOIF(type);
    rec.isSymlink = type == DT_LNK;
    if (type == DT_DIR)
        rec.attributes = AttrDirectory;
}

void applyStore(const StoreRecord& store, ItemRecord& rec)
{
    quint32 mask = AttrHidden | AttrSystem | AttrArchive;
    if (rec.isFolder())
        mask |= AttrReadOnly; // a file's R comes from its permission bits only
    rec.attributes |= store.attributes & mask;
    if (store.hasCreateTime)
        rec.creationTime = store.createTime;
}

bool statxAt(int dirfd, const char* name, struct statx& sx, int& error)
{
    if (::statx(dirfd, name, kStatxFlags, kStatxMask, &sx) == 0)
        return true;
    error = lastErrno();
    return false;
}

bool targetIsFolder(int dirfd, const char* name)
{
    struct stat st;
    return ::fstatat(dirfd, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// Stores on NTFS and SMB keep the create time in a second attribute; it is
// the birth time statx already gave whenever the driver reports one.
bool storeCreateTimeNeeded(StoreKind kind, const struct statx& sx)
{
    return kind != StoreKind::Generic && !(sx.stx_mask & STATX_BTIME);
}

// The full record of one entry that exists; `fullPath` names it for the store.
int recordOf(int dirfd, const char* name, const char* fullPath, StoreKind kind,
             const ListOptions& options, bool dotName, ItemRecord& out)
{
    struct statx sx;
    int error = 0;
    if (!statxAt(dirfd, name, sx, error))
        return error;
    fillFromStatx(sx, out);
    if (out.isSymlink)
        out.linkToFolder = targetIsFolder(dirfd, name);
    if (dotName)
        out.attributes |= AttrHidden;
    if (options.readAttributeStore && !out.isSymlink) {
        StoreRecord store;
        if (readStore(kind, fullPath, store, storeCreateTimeNeeded(kind, sx)) == 0)
            applyStore(store, out);
    }
    return 0;
}

// Reads a folder's entries in the kernel's order. `onName` gets the raw name
// and its dirent type; returning false stops.
template <typename F> int readEntries(int fd, F&& onName)
{
    std::unique_ptr<char[]> buffer(new char[kDirBufferSize]);
    for (;;) {
        const ssize_t n = ::getdents64(fd, buffer.get(), kDirBufferSize);
        if (n < 0)
            return lastErrno();
        if (n == 0)
            return 0;
        for (ssize_t off = 0; off < n;) {
            const auto* d = reinterpret_cast<const struct dirent64*>(buffer.get() + off);
            off += d->d_reclen;
            const char* name = d->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            if (!onName(name, d->d_type))
                return 0;
        }
    }
}

int openFolder(const QByteArray& path, UniqueFd& fd)
{
    fd.reset(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.isValid() ? 0 : lastErrno();
}

// Local file systems whose folder times change with every entry change and
// carry sub-second stamps. Network and FUSE file systems take their times
// from elsewhere; FAT keeps two-second steps.
bool fineLocalTimes(int fd)
{
    struct statfs sfs;
    if (::fstatfs(fd, &sfs) != 0)
        return false;
    switch (static_cast<unsigned long>(sfs.f_type)) {
    case EXT4_SUPER_MAGIC: // ext2 and ext3 too
    case BTRFS_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case F2FS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

// The store of an item: a folder (possibly a mount point) is asked itself,
// anything else through its parent, so that a link is never followed.
StoreKind storeKindOfItem(const QByteArray& path, const QByteArray& parent, bool isFolder)
{
    return storeKindOfPath(isFolder ? path.constData() : parent.constData());
}

bool ownsWithoutWriteBit(const struct stat& st)
{
    return S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && !(st.st_mode & S_IWUSR);
}

// user.* attributes need write permission; an owner may lift R for the
// moment of the write. `restoreMode` tells the caller what to put back.
template <typename F>
int withStoreWriteAccess(const QByteArray& path, const struct stat& st, bool& modeLifted, F&& write)
{
    int e = write();
    if (e == EACCES && ownsWithoutWriteBit(st)) {
        if (::chmod(path.constData(), (st.st_mode & 07777) | S_IWUSR) != 0)
            return EACCES;
        modeLifted = true;
        e = write();
    }
    return e;
}

quint32 initialStoreBits(const struct stat& st)
{
    if (S_ISDIR(st.st_mode))
        return StoreDirectory;
    return (st.st_mode & 0222) == 0 ? quint32(StoreReadOnly) : 0;
}

} // namespace

namespace {

// Runs work(from, to) over [0, n) on up to four threads, this one included.
// A thread costs tens of microseconds to start: small counts stay here.
template <typename F> void shareOut(size_t n, F&& work)
{
    constexpr size_t kPerThread = 64;
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t threads = std::min({cores, size_t(4), std::max<size_t>(1, n / kPerThread)});
    const size_t share = (n + threads - 1) / threads;
    const auto part = [&](size_t t) { work(std::min(n, t * share), std::min(n, (t + 1) * share)); };
    std::vector<std::thread> helpers;
    size_t firstHere = threads; // the parts no thread could be started for
    for (size_t t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(part, t);
        } catch (const std::system_error&) {
            firstHere = t;
            break;
        }
    }
    part(0);
    for (size_t t = firstHere; t < threads; ++t)
        part(t);
    for (std::thread& h : helpers)
        h.join();
}

// What every entry of one listing shares.
struct FolderReader {
    int fd = -1;
    StoreKind kind = StoreKind::Generic;
    dev_t folderDev = 0;
    QByteArray base; // "folder/"
    mutable std::atomic<bool> storeWanted{false};

    // The record of one entry; false when it is gone. `path` is this
    // thread's buffer, starting with `base`.
    bool read(const char* name, unsigned char type, QByteArray& path, ItemRecord& rec) const
    {
        struct statx sx;
        int error = 0;
        rec = ItemRecord{};
        if (statxAt(fd, name, sx, error)) {
            fillFromStatx(sx, rec);
            // Kernels before 5.8 do not mark mount roots; another device shows most.
            if (!(sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && rec.isFolder() &&
                rec.device != quint64(folderDev))
                rec.mountPoint = true;
            if (rec.isSymlink)
                rec.linkToFolder = targetIsFolder(fd, name);
        } else if (error == ENOENT) {
            return false; // removed while we read
        } else {
            fillFromDirentType(type, rec);
            error = -1;
        }
        if (isDotName(name))
            rec.attributes |= AttrHidden;
        if (storeWanted.load(std::memory_order_relaxed) && error == 0 && !rec.isSymlink) {
            path.truncate(base.size());
            path.append(name);
            const bool mountPoint =
                rec.isFolder() && makedev(sx.stx_dev_major, sx.stx_dev_minor) != folderDev;
            const StoreKind entryKind = mountPoint ? storeKindOfPath(path.constData()) : kind;
            StoreRecord store;
            const int e =
                readStore(entryKind, StorePath{path.constData(), fd, name}, store,
                          storeCreateTimeNeeded(entryKind, sx));
            if (e == 0)
                applyStore(store, rec);
            else if (e == ENOTSUP && !mountPoint)
                storeWanted = false; // this file system keeps none: spare the rest
        }
        rec.name = nameFromBytes(name);
        return true;
    }
};

} // namespace

int listFolder(const QString& folder, const EntryCallback& onEntry, const ListOptions& options)
{
    QByteArray folderBytes;
    if (!toKernelPath(folder, folderBytes))
        return EINVAL;
    UniqueFd fd;
    if (int e = openFolder(folderBytes, fd))
        return e;

    FolderReader reader;
    reader.fd = fd.get();
    reader.storeWanted = options.readAttributeStore;
    if (options.readAttributeStore)
        reader.kind = storeKindOfFd(fd.get());
    struct stat folderStat;
    if (::fstat(fd.get(), &folderStat) == 0)
        reader.folderDev = folderStat.st_dev;
    reader.base = folderBytes;
    if (!reader.base.endsWith('/'))
        reader.base += '/';

    // Names are gathered in batches whose entries are read on all cores and
    // handed out in directory order. Batches grow from one entry, so that
    // a caller that stops at the first entry waits for one read only.
    constexpr size_t kLargestBatch = 1024;
    size_t batchSize = 1;
    std::vector<QByteArray> names;
    std::vector<unsigned char> types;
    std::vector<ItemRecord> records;
    std::vector<char> present;
    bool stopped = false;
    const auto handOut = [&]() {
        const size_t n = names.size();
        records.resize(n);
        present.assign(n, 0);
        shareOut(n, [&](size_t from, size_t to) {
            QByteArray path = reader.base;
            path.reserve(reader.base.size() + 256);
            for (size_t i = from; i < to; ++i)
                present[i] = reader.read(names[i].constData(), types[i], path, records[i]);
        });
        for (size_t i = 0; i < n && !stopped; ++i) {
            if (present[i] && !onEntry(records[i]))
                stopped = true;
        }
        names.clear();
        types.clear();
        batchSize = std::min(kLargestBatch, batchSize * 4);
        return !stopped;
    };
    const bool foldersOnly = options.foldersOnly;
    const int e = readEntries(fd.get(), [&](const char* name, unsigned char type) {
        if (foldersOnly && type != DT_DIR && type != DT_UNKNOWN)
            return true;
        if (options.prefilter &&
            !options.prefilter(nameFromBytes(QByteArrayView(name)), type == DT_DIR || type == DT_UNKNOWN))
            return true;
        names.emplace_back(name);
        types.push_back(type);
        return names.size() < batchSize || handOut();
    });
    // What was read before an error still counts.
    if (!stopped && !names.empty())
        handOut();
    return e;
}

int statPath(const QString& path, ItemRecord& out, const ListOptions& options)
{
    QByteArray bytes;
    if (!toKernelPath(path, bytes))
        return EINVAL;
    QByteArray parent, name;
    splitPath(bytes, parent, name);
    struct statx sx;
    int error = 0;
    if (!statxAt(AT_FDCWD, bytes.constData(), sx, error))
        return error;
    const bool folder = S_ISDIR(sx.stx_mode);
    const StoreKind kind =
        options.readAttributeStore ? storeKindOfItem(bytes, parent, folder) : StoreKind::Generic;
    if (int e = recordOf(AT_FDCWD, bytes.constData(), bytes.constData(), kind, options,
                         !name.isEmpty() && isDotName(name.constData()), out))
        return e;
    out.name = nameFromBytes(name);
    return 0;
}

namespace {

// A name that arrived as text may spell its bytes another way than the
// disk does (escaped bytes forming valid UTF-8, a lone surrogate); only
// then is the decoded form worth its cost.
QString diskSpelling(const QString& name, const QByteArray& bytes)
{
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = name[i].unicode();
        if (!QChar::isSurrogate(u))
            continue;
        if (QChar::isHighSurrogate(u) && i + 1 < n &&
            QChar::isLowSurrogate(name[i + 1].unicode())) {
            ++i;
            continue;
        }
        return nameFromBytes(bytes);
    }
    return name;
}

// Letter case folded code point by code point (simple folding): equal keys
// exactly when QString::compare with Qt::CaseInsensitive finds the names equal.
// (QString::toCaseFolded would turn escaped bytes into U+FFFD and so make
// different names equal.)
QString caseKey(const QString& name)
{
    const qsizetype n = name.size();
    QString key;
    bool changed = false;
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = name[i].unicode();
        qsizetype width = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < n &&
            QChar::isLowSurrogate(name[i + 1].unicode())) {
            c = QChar::surrogateToUcs4(char16_t(c), name[i + 1].unicode());
            width = 2;
        }
        const char32_t folded = QChar::isSurrogate(c) ? c : QChar::toCaseFolded(c);
        if (!changed && folded != c) {
            changed = true;
            key.reserve(n);
            key.append(QStringView(name).left(i));
        }
        if (changed) {
            if (QChar::requiresSurrogates(folded)) {
                key.append(QChar(QChar::highSurrogate(folded)));
                key.append(QChar(QChar::lowSurrogate(folded)));
            } else {
                key.append(QChar(char16_t(folded)));
            }
        }
        i += width - 1;
    }
    return changed ? key : name;
}

} // namespace

namespace {

// The ASCII letters of `name` in the other case; empty when it has none.
QByteArray otherCase(const char* name)
{
    QByteArray swapped(name);
    bool any = false;
    for (char& c : swapped) {
        if (c >= 'a' && c <= 'z') {
            c = char(c - 'a' + 'A');
            any = true;
        } else if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
            any = true;
        }
    }
    return any ? swapped : QByteArray();
}

// 1: the folder finds an entry under another spelling, 0: it does not,
// -1: it holds no name to try.
int probeFolding(int folderFd)
{
    UniqueFd fd(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.isValid())
        return -1;
    QSet<QByteArray> names;
    QByteArray candidate;
    readEntries(fd.get(), [&](const char* entry, unsigned char) {
        names.insert(QByteArray(entry));
        if (candidate.isEmpty() && !otherCase(entry).isEmpty())
            candidate = entry;
        return true;
    });
    if (candidate.isEmpty())
        return -1;
    const QByteArray swapped = otherCase(candidate.constData());
    if (names.contains(swapped))
        return 0; // both spellings are entries of their own
    // A spelling that is no entry yet is found: the kernel folds. (FUSE may
    // give each spelling an inode number of its own, so they do not tell.)
    struct stat st;
    return ::fstatat(fd.get(), swapped.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 ? 1 : 0;
}

// A FUSE file system does not say whether it folds letter case (exfat and
// NTFS drivers, network mounts): the folder, or the nearest folder above it
// on the same volume that holds a name with letters, is tried. With nothing
// to try, folding is assumed: a lookup then only costs more.
bool fuseFoldsCase(int fd)
{
    struct stat self;
    if (::fstat(fd, &self) != 0)
        return true;
    UniqueFd current(::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (int level = 0; level < 64 && current.isValid(); ++level) {
        const int answer = probeFolding(current.get());
        if (answer >= 0)
            return answer == 1;
        UniqueFd parent(::openat(current.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat up, here;
        if (!parent.isValid() || ::fstat(parent.get(), &up) != 0 ||
            ::fstat(current.get(), &here) != 0 || up.st_dev != self.st_dev ||
            (up.st_ino == here.st_ino && up.st_dev == here.st_dev))
            break;
        current = std::move(parent);
    }
    return true;
}

// File systems that find an entry under any letter case of its name: the
// kernel's answer for an exact name may be another entry's.
bool foldsLetterCase(int fd)
{
    struct statfs sfs;
    if (::fstatfs(fd, &sfs) == 0) {
        switch (static_cast<unsigned long>(sfs.f_type)) {
        case FUSE_SUPER_MAGIC:
            return fuseFoldsCase(fd);
        case MSDOS_SUPER_MAGIC:
        case 0x2011BAB0UL: // exfat
        case 0xFF534D42UL: // cifs
        case 0xFE534D42UL: // smb2
        case SMB_SUPER_MAGIC:
            return true;
        default:
            break;
        }
    }
    int flags = 0;
    return ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL);
}

} // namespace

struct FolderLookup::State {
    ListOptions options;
    bool pathValid = false;
    int error = 0;
    UniqueFd fd;
    StoreKind kind = StoreKind::Generic;
    QByteArray path; // "folder/", each entry's name appended in place for the store
    qsizetype prefix = 0;
    bool foldsCase = false;
    bool indexed = false;
    // Case key -> the first entry in directory order with that key, and
    // how many entries share the key.
    QHash<QString, QByteArray> firstVariant;
    QHash<QString, int> variantCount;
    // The folder whose entries look for their counterparts here; empty:
    // any first variant answers.
    bool sourceGiven = false;
    QByteArray sourcePath;
    bool sourceRead = false;
    QHash<QString, int> sourceCount;

    int fill(const char* entry, ItemRecord& out) { return fillWith(path, entry, out); }

    // `buffer` starts as "folder/"; one per thread.
    int fillWith(QByteArray& buffer, const char* entry, ItemRecord& out) const
    {
        const char* fullPath = nullptr;
        if (options.readAttributeStore) {
            buffer.truncate(prefix);
            buffer.append(entry);
            fullPath = buffer.constData();
        }
        return recordOf(fd.get(), entry, fullPath, kind, options, isDotName(entry), out);
    }

    int buildIndex()
    {
        firstVariant.clear();
        variantCount.clear();
        indexed = false;
        if (::lseek(fd.get(), 0, SEEK_SET) < 0)
            return lastErrno();
        const int e = readEntries(fd.get(), [&](const char* entry, unsigned char) {
            const QString key = caseKey(nameFromBytes(entry));
            QByteArray& first = firstVariant[key];
            if (first.isEmpty())
                first = entry;
            ++variantCount[key];
            return true;
        });
        indexed = e == 0;
        return e;
    }

    // How many entries of the source folder share `key`; 0 when unknown.
    int sourceEntries(const QString& key)
    {
        if (!sourceRead) {
            sourceRead = true;
            UniqueFd source;
            if (openFolder(sourcePath, source) == 0) {
                readEntries(source.get(), [&](const char* entry, unsigned char) {
                    ++sourceCount[caseKey(nameFromBytes(entry))];
                    return true;
                });
            }
        }
        return sourceCount.value(key);
    }

    // A case variant is the counterpart of a source entry only while neither
    // folder holds another name of that letter-case class: otherwise two
    // different files would be taken for one.
    bool variantAllowed(const QString& key)
    {
        if (!sourceGiven)
            return true;
        return variantCount.value(key) == 1 && sourceEntries(key) == 1;
    }

    // The entry equal to `name` but for letter case; one that vanished
    // since the index was read makes us read it again, once. Where the file
    // system folds case, an entry spelled exactly as `name` is taken first.
    int variant(const QString& name, ItemRecord& out)
    {
        const QString key = caseKey(name);
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!indexed || attempt > 0) {
                if (int e = buildIndex())
                    return e;
            }
            const auto it = firstVariant.constFind(key);
            if (it == firstVariant.cend())
                return ENOENT;
            QByteArray entry = *it;
            if (foldsCase && variantCount.value(key) > 0) {
                // At most one spelling exists there; it is exact or a variant.
                const QByteArray exactBytes = nameToBytes(name);
                if (entry != exactBytes && !variantAllowed(key))
                    return ENOENT;
            } else if (!variantAllowed(key)) {
                return ENOENT;
            }
            const int e = fill(entry.constData(), out);
            if (e == 0)
                out.name = nameFromBytes(entry);
            if (e != ENOENT)
                return e;
        }
        return ENOENT;
    }

    // The same search without an index, for a single question: it stops at
    // the first match.
    int scan(const QString& name, ItemRecord& out)
    {
        const QString key = caseKey(name);
        int found = ENOENT;
        const int e = readEntries(fd.get(), [&](const char* entry, unsigned char) {
            const QString decoded = nameFromBytes(entry);
            if (caseKey(decoded) != key)
                return true;
            const int r = fill(entry, out);
            if (r == ENOENT)
                return true;
            found = r;
            if (r == 0)
                out.name = decoded;
            return false;
        });
        return e ? e : found;
    }

    // The exact name only; `searchVariant` tells whether a letter-case
    // variant may still answer.
    int exact(const QString& name, QByteArray& buffer, ItemRecord& out, bool& searchVariant) const
    {
        searchVariant = false;
        if (!pathValid)
            return EINVAL;
        const QByteArray nameBytes = nameToBytes(name);
        if (nameBytes == "." || nameBytes == "..")
            return ENOENT; // never reported by listings either
        if (!isPlainName(nameBytes))
            return EINVAL;
        if (error)
            return error;
        // The kernel would answer for any spelling there: the listing decides.
        if (foldsCase) {
            searchVariant = true;
            return ENOENT;
        }
        // Exact names always go to the kernel: the index may be older.
        const int e = fillWith(buffer, nameBytes.constData(), out);
        if (e == 0)
            out.name = diskSpelling(name, nameBytes);
        searchVariant = e == ENOENT;
        return e;
    }

    int lookup(const QString& name, ItemRecord& out, bool once)
    {
        bool searchVariant = false;
        const int e = exact(name, path, out, searchVariant);
        if (!searchVariant)
            return e;
        return once ? scan(name, out) : variant(name, out);
    }
};

FolderLookup::FolderLookup(const QString& folder, const ListOptions& options,
                           const QString& sourceFolder)
    : d(std::make_unique<State>())
{
    if (!sourceFolder.isEmpty()) {
        d->sourceGiven = true;
        // A source that cannot be named has no entries to count: no variants.
        d->sourceRead = !toKernelPath(sourceFolder, d->sourcePath);
    }
    d->options = options;
    QByteArray folderBytes;
    d->pathValid = toKernelPath(folder, folderBytes);
    if (!d->pathValid) {
        d->error = EINVAL;
        return;
    }
    if ((d->error = openFolder(folderBytes, d->fd)))
        return;
    if (options.readAttributeStore)
        d->kind = storeKindOfFd(d->fd.get());
    d->foldsCase = foldsLetterCase(d->fd.get());
    d->path = folderBytes;
    if (!d->path.endsWith('/'))
        d->path += '/';
    d->prefix = d->path.size();
}

FolderLookup::~FolderLookup() = default;
FolderLookup::FolderLookup(FolderLookup&& other) noexcept = default;
FolderLookup& FolderLookup::operator=(FolderLookup&& other) noexcept = default;

int FolderLookup::error() const
{
    return d ? d->error : EBADF;
}

int FolderLookup::lookup(const QString& name, ItemRecord& out)
{
    return d ? d->lookup(name, out, false) : EBADF;
}

void FolderLookup::lookupMany(const QStringList& names, std::vector<ItemRecord>& out,
                              std::vector<int>& codes)
{
    const size_t n = size_t(names.size());
    out.assign(n, ItemRecord{});
    codes.assign(n, EBADF);
    if (!d)
        return;
    std::vector<char> searchVariant(n, 0);
    const State& state = *d;
    shareOut(n, [&](size_t from, size_t to) {
        QByteArray buffer = state.path;
        buffer.reserve(state.prefix + 256);
        for (size_t i = from; i < to; ++i) {
            bool search = false;
            codes[i] = state.exact(names[qsizetype(i)], buffer, out[i], search);
            searchVariant[i] = search;
        }
    });
    // Variants read the shared index: one thread.
    for (size_t i = 0; i < n; ++i) {
        if (searchVariant[i])
            codes[i] = d->variant(names[qsizetype(i)], out[i]);
    }
}

int folderStamp(const QString& folder, FolderStamp& out, qint64 settleNanos)
{
    out = FolderStamp{};
    QByteArray bytes;
    if (!toKernelPath(folder, bytes))
        return EINVAL;
    UniqueFd fd;
    if (int e = openFolder(bytes, fd))
        return e;
    struct statx sx;
    if (::statx(fd.get(), "", AT_EMPTY_PATH, kStatxMask, &sx) != 0)
        return lastErrno();
    out.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    out.inode = sx.stx_ino;
    out.writeTime = nsOf(sx.stx_mtime);
    out.changeTime = nsOf(sx.stx_ctime);
    out.trusted = fineLocalTimes(fd.get());
    if (out.trusted) {
        struct timespec now;
        ::clock_gettime(CLOCK_REALTIME, &now);
        const qint64 nowNanos = qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
        out.trusted = std::max(out.writeTime, out.changeTime) < nowNanos - settleNanos;
    }
    return 0;
}

int lookupEntry(const QString& folder, const QString& name, ItemRecord& out,
                const ListOptions& options)
{
    FolderLookup lookup(folder, options);
    return lookup.d->lookup(name, out, true);
}

int folderWithin(const QString& folder, const QString& item, bool& within)
{
    within = false;
    QByteArray folderBytes, itemBytes;
    if (!toKernelPath(folder, folderBytes) || !toKernelPath(item, itemBytes))
        return EINVAL;
    struct stat target;
    if (::lstat(itemBytes.constData(), &target) != 0)
        return lastErrno();
    if (!S_ISDIR(target.st_mode))
        return 0;
    UniqueFd fd(::open(folderBytes.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!fd.isValid())
        return lastErrno();
    // Upwards by "..": a link or a bind mount on the way down cannot hide
    // that the folder lies inside the item.
    for (int depth = 0; depth < 4096; ++depth) {
        struct stat st;
        if (::fstat(fd.get(), &st) != 0)
            return lastErrno();
        if (sameInode(st, target)) {
            within = true;
            return 0;
        }
        UniqueFd up(::openat(fd.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!up.isValid())
            return lastErrno();
        struct stat parent;
        if (::fstat(up.get(), &parent) != 0)
            return lastErrno();
        if (sameInode(parent, st))
            return 0; // the root
        fd = std::move(up);
    }
    return ELOOP;
}

bool pathExists(const QString& path)
{
    QByteArray bytes;
    if (!toKernelPath(path, bytes))
        return false;
    struct stat st;
    return ::lstat(bytes.constData(), &st) == 0;
}

int getAttributes(const QString& path, quint32& attributes)
{
    ItemRecord rec;
    if (int e = statPath(path, rec))
        return e;
    attributes = rec.attributes;
    return 0;
}

int setAttributes(const QString& path, quint32 attributes)
{
    QByteArray bytes;
    struct stat st;
    if (int e = lstatKernelPath(path, bytes, st))
        return e;
    QByteArray parent, name;
    splitPath(bytes, parent, name);
    const bool folder = S_ISDIR(st.st_mode);
    const bool link = S_ISLNK(st.st_mode);
    const bool dotName = !name.isEmpty() && isDotName(name.constData());
    const StoreKind kind = storeKindOfItem(bytes, parent, folder);

    StoreRecord current;
    const int readError = readStore(kind, bytes.constData(), current, false);

    // The store bits this request asks for. H on a dot name is shown anyway:
    // a set leaves the store as it is, a clear removes a stored H.
    quint32 storeMask = StoreHidden | StoreSystem | StoreArchive;
    if (folder)
        storeMask |= StoreReadOnly;
    quint32 wanted = attributes & (StoreSystem | StoreArchive);
    if (folder)
        wanted |= attributes & StoreReadOnly;
    if (attributes & AttrHidden)
        wanted |= dotName ? (current.attributes & StoreHidden) : quint32(StoreHidden);
    const quint32 stored = readError ? 0 : current.attributes & storeMask;

    bool modeLifted = false;
    if (wanted != stored) {
        if (readError)
            return readError;
        // A file's R goes along so that SMB clients see the same.
        quint32 mask = storeMask;
        quint32 values = wanted;
        if (!folder && !link) {
            mask |= StoreReadOnly;
            if (attributes & AttrReadOnly)
                values |= StoreReadOnly;
        }
        const int e = withStoreWriteAccess(bytes, st, modeLifted, [&] {
            return writeStoreAttributes(kind, bytes.constData(), mask, values,
                                        initialStoreBits(st));
        });
        if (e) {
            if (modeLifted)
                ::chmod(bytes.constData(), st.st_mode & 07777);
            return e;
        }
    }

    if (folder)
        return 0;
    const bool wantReadOnly = attributes & AttrReadOnly;
    if (link)
        return wantReadOnly ? ENOTSUP : 0; // a link has no permission bits of its own
    const mode_t oldMode = st.st_mode & 07777;
    mode_t newMode = oldMode;
    if (wantReadOnly)
        newMode &= ~mode_t(0222);
    else if ((oldMode & 0222) == 0)
        newMode |= S_IWUSR;
    if (newMode != oldMode || modeLifted) {
        if (::chmod(bytes.constData(), newMode) != 0)
            return lastErrno();
    }
    return 0;
}

int getTimes(const QString& path, FileTimes& out)
{
    QByteArray bytes;
    if (!toKernelPath(path, bytes))
        return EINVAL;
    struct statx sx;
    int error = 0;
    if (!statxAt(AT_FDCWD, bytes.constData(), sx, error))
        return error;
    ItemRecord rec;
    fillFromStatx(sx, rec);
    out.write = rec.writeTime;
    out.access = rec.accessTime;
    out.creation = rec.creationTime;
    if (!rec.isSymlink) {
        QByteArray parent, name;
        splitPath(bytes, parent, name);
        StoreRecord store;
        const StoreKind kind = storeKindOfItem(bytes, parent, rec.isFolder());
        if (readStore(kind, bytes.constData(), store, true) == 0 && store.hasCreateTime)
            out.creation = store.createTime;
    }
    return 0;
}

int setTimes(const QString& path, const FileTimes& times, unsigned which)
{
    QByteArray bytes;
    if (!toKernelPath(path, bytes))
        return EINVAL;
    int result = 0;
    if (which & (TimeAccess | TimeWrite)) {
        timespec ts[2];
        ts[0] = (which & TimeAccess) ? toTimespec(times.access) : timespec{0, UTIME_OMIT};
        ts[1] = (which & TimeWrite) ? toTimespec(times.write) : timespec{0, UTIME_OMIT};
        if (::utimensat(AT_FDCWD, bytes.constData(), ts, AT_SYMLINK_NOFOLLOW) != 0)
            result = lastErrno();
    }
    if (which & TimeCreation) {
        struct stat st;
        if (::lstat(bytes.constData(), &st) != 0)
            return result ? result : lastErrno();
        if (S_ISLNK(st.st_mode))
            return result ? result : ENOTSUP;
        QByteArray parent, name;
        splitPath(bytes, parent, name);
        const StoreKind kind = storeKindOfItem(bytes, parent, S_ISDIR(st.st_mode));
        bool modeLifted = false;
        const int e = withStoreWriteAccess(bytes, st, modeLifted, [&] {
            return writeStoreCreateTime(kind, bytes.constData(), times.creation,
                                        initialStoreBits(st));
        });
        if (modeLifted)
            ::chmod(bytes.constData(), st.st_mode & 07777);
        if (e && !result)
            result = e;
    }
    return result;
}

int createFolder(const QString& path)
{
    QByteArray bytes;
    if (!toKernelPath(path, bytes))
        return EINVAL;
    return ::mkdir(bytes.constData(), 0777) == 0 ? 0 : lastErrno();
}

int createEmptyFile(const QString& path)
{
    QByteArray bytes;
    if (!toKernelPath(path, bytes))
        return EINVAL;
    const int fd =
        ::open(bytes.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return lastErrno();
    return ::close(fd) == 0 ? 0 : lastErrno();
}

namespace {

// rename() succeeds without doing anything when both names are links to one
// file; tell apart a change of letter case (which file systems that ignore
// case must carry out) from everything else.
int renameSameFile(const QByteArray& from, const QByteArray& to, bool replace)
{
    QByteArray fromParent, fromName, toParent, toName;
    splitPath(from, fromParent, fromName);
    splitPath(to, toParent, toName);
    struct stat fp, tp;
    if (::stat(fromParent.constData(), &fp) != 0 || ::stat(toParent.constData(), &tp) != 0)
        return lastErrno();
    if (!sameInode(fp, tp))
        return EEXIST;
    if (fromName == toName)
        return replace ? 0 : EEXIST; // one entry spelled twice
    if (nameFromBytes(fromName).compare(nameFromBytes(toName), Qt::CaseInsensitive) != 0)
        return EEXIST; // hard links: replacing would report a move that never happened
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : lastErrno();
}

// For file systems without RENAME_NOREPLACE: link() refuses an existing
// target atomically; where links are not possible, check first.
int renameNoReplaceFallback(const QByteArray& from, const QByteArray& to, const struct stat& src)
{
    if (!S_ISDIR(src.st_mode)) {
        if (::link(from.constData(), to.constData()) == 0) {
            if (::unlink(from.constData()) == 0)
                return 0;
            const int e = lastErrno();
            ::unlink(to.constData());
            return e;
        }
        if (errno == EEXIST)
            return EEXIST;
    }
    struct stat st;
    if (::lstat(to.constData(), &st) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return lastErrno();
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : lastErrno();
}

} // namespace

int renameItem(const QString& from, const QString& to, bool replace)
{
    QByteArray f, t;
    if (!toKernelPath(from, f) || !toKernelPath(to, t))
        return EINVAL;
    struct stat src, dst;
    if (::lstat(f.constData(), &src) != 0)
        return lastErrno();
    if (::lstat(t.constData(), &dst) == 0 && sameInode(src, dst))
        return renameSameFile(f, t, replace);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(),
                    replace ? 0 : RENAME_NOREPLACE) == 0)
        return 0;
    const int e = lastErrno();
    if (replace || (e != EINVAL && e != ENOSYS))
        return e;
    return renameNoReplaceFallback(f, t, src);
}

int deleteFile(const QString& path)
{
    QByteArray bytes;
    struct stat st;
    if (int e = lstatKernelPath(path, bytes, st))
        return e;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    return ::unlink(bytes.constData()) == 0 ? 0 : lastErrno();
}

int deleteEmptyFolder(const QString& path)
{
    QByteArray bytes;
    if (!toKernelPath(path, bytes))
        return EINVAL;
    return ::rmdir(bytes.constData()) == 0 ? 0 : lastErrno();
}

} // namespace tovane::platform
