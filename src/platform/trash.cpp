#include "platform/trash.h"
#include "platform/fileops.h"
#include "platform/names.h"
#include "platform/posixutil.h"
#include "platform/volumes.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovane::platform {

namespace {

constexpr qsizetype NameMax = 255;
const QByteArray InfoSuffix = QByteArrayLiteral(".trashinfo");

QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray uidText()
{
    return QByteArray::number(qulonglong(::geteuid()));
}

// A folder below `parentFd` that only we may use: created 0700 when
// missing; an existing one must be a real folder (not a link) we own.
int ensurePrivateFolder(int parentFd, const QByteArray& name, bool requireOwner)
{
    if (::mkdirat(parentFd, name.constData(), 0700) != 0 && errno != EEXIST)
        return errno;
    struct stat st;
    if (::fstatat(parentFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    if (requireOwner && st.st_uid != ::geteuid())
        return EPERM;
    return 0;
}

int ensureTrashParts(const QByteArray& trash, bool requireOwner)
{
    UniqueFd fd(::open(trash.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!fd.isValid())
        return errno;
    if (int r = ensurePrivateFolder(fd.get(), "files", requireOwner))
        return r;
    return ensurePrivateFolder(fd.get(), "info", requireOwner);
}

// Device of `path`, or of its nearest existing folder above when it does not
// exist yet (what gets created there lands on that device).
int deviceOf(QByteArray path, dev_t& device)
{
    for (;;) {
        struct stat st;
        if (::stat(path.constData(), &st) == 0) {
            device = st.st_dev;
            return 0;
        }
        if (errno != ENOENT || path == "/")
            return errno;
        path = parentOf(path);
    }
}

QByteArray shortenedBase(const QByteArray& name)
{
    // Room for ".trashinfo" and a collision suffix within NAME_MAX.
    const qsizetype limit = NameMax - InfoSuffix.size() - 8;
    if (name.size() <= limit)
        return name;
    // Keep a UTF-8 sequence whole; a run of stray continuation bytes (a
    // lossless name) is no sequence, so never back off more than three.
    qsizetype cut = limit;
    while (cut > limit - 3 && (static_cast<unsigned char>(name.at(cut)) & 0xC0) == 0x80)
        --cut;
    if ((static_cast<unsigned char>(name.at(cut)) & 0xC0) == 0x80)
        cut = limit;
    return name.left(cut);
}

// Writes the info file first, then moves the item: a crash between the two
// leaves an info file without an item, which trash viewers ignore, never an
// item nobody can restore.
int trashInto(const QByteArray& trash, const QByteArray& infoPath, int parentFd,
              const QByteArray& name, TrashResult* result)
{
    UniqueFd infoDir(
        ::open(joinPath(trash, "info").constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!infoDir.isValid())
        return errno;
    UniqueFd filesDir(::open(joinPath(trash, "files").constData(),
                             O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!filesDir.isValid())
        return errno;

    const QByteArray text =
        detail::trashInfoText(detail::percentEncodePath(infoPath), qint64(::time(nullptr)));
    const QByteArray base = shortenedBase(name);
    for (int n = 1; n < 100000; ++n) {
        const QByteArray candidate = n == 1 ? base : base + '.' + QByteArray::number(n);
        const QByteArray infoName = candidate + InfoSuffix;
        UniqueFd info(::openat(infoDir.get(), infoName.constData(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!info.isValid()) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        int error = 0;
        qsizetype written = 0;
        while (written < text.size()) {
            const ssize_t w =
                ::write(info.get(), text.constData() + written, size_t(text.size() - written));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                error = w < 0 ? errno : EIO;
                break;
            }
            written += w;
        }
        if (const int closeError = info.close(); !error)
            error = closeError;
        if (!error) {
            if (::renameat2(parentFd, name.constData(), filesDir.get(), candidate.constData(),
                            RENAME_NOREPLACE) == 0) {
                if (result) {
                    result->trashedPath =
                        pathFromBytes(joinPath(joinPath(trash, "files"), candidate));
                    result->infoPath = pathFromBytes(joinPath(joinPath(trash, "info"), infoName));
                }
                return 0;
            }
            error = errno;
            if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
                // No RENAME_NOREPLACE here: check first, then rename.
                struct stat st;
                if (::fstatat(filesDir.get(), candidate.constData(), &st, AT_SYMLINK_NOFOLLOW) ==
                    0) {
                    error = EEXIST;
                } else if (::renameat(parentFd, name.constData(), filesDir.get(),
                                      candidate.constData()) == 0) {
                    if (result) {
                        result->trashedPath =
                            pathFromBytes(joinPath(joinPath(trash, "files"), candidate));
                        result->infoPath =
                            pathFromBytes(joinPath(joinPath(trash, "info"), infoName));
                    }
                    return 0;
                } else {
                    error = errno;
                }
            }
        }
        ::unlinkat(infoDir.get(), infoName.constData(), 0);
        if (error != EEXIST)
            return error;
        // A stray entry in files/ without its info file: take the next name.
    }
    return EEXIST;
}

// The trash itself, a folder holding it, or anything inside it: moving any
// of them into the trash would break it (info/ moved into files/, say) or
// leave info files for items that are not where they say.
bool touchesTrash(const QByteArray& itemPath, const QByteArray& trash)
{
    char buffer[PATH_MAX];
    const QByteArray real = ::realpath(trash.constData(), buffer) ? QByteArray(buffer) : trash;
    return itemPath == real || real.startsWith(itemPath + '/') || itemPath.startsWith(real + '/');
}

struct Item {
    QByteArray folder; // canonical
    QByteArray name;
    QByteArray path; // folder + name
};

int resolveItem(const QString& path, Item& item)
{
    const QByteArray bytes = stripTrailingSlashes(pathToBytes(path));
    // A NUL would cut the path short for the kernel: another item would go.
    if (!bytes.contains('/') || bytes.contains('\0'))
        return EINVAL;
    QByteArray folder;
    splitPath(bytes, folder, item.name);
    if (!isPlainName(item.name))
        return EINVAL;
    // The parent's real path: topdir and the relative Path= need it without
    // symbolic links; the item itself may be a link and stays unresolved.
    char buffer[PATH_MAX];
    if (!::realpath(folder.constData(), buffer))
        return errno;
    item.folder = buffer;
    item.path = joinPath(item.folder, item.name);
    return 0;
}

} // namespace

namespace detail {

QByteArray percentEncodePath(const QByteArray& path)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(path.size());
    for (const char ch : path) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                          c == '!' || c == '~' || c == '*' || c == '\'' || c == '(' || c == ')';
        if (keep) {
            out.append(ch);
        } else {
            out.append('%');
            out.append(hex[c >> 4]);
            out.append(hex[c & 15]);
        }
    }
    return out;
}

QByteArray trashInfoText(const QByteArray& encodedPath, qint64 unixSeconds)
{
    const time_t when = time_t(unixSeconds);
    struct tm local {};
    ::localtime_r(&when, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return QByteArrayLiteral("[Trash Info]\nPath=") + encodedPath +
           QByteArrayLiteral("\nDeletionDate=") + QByteArray(date) + '\n';
}

QByteArray homeTrashPath()
{
    QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    // Relative values are invalid by the base-directory rules and ignored.
    if (!dataHome.startsWith('/')) {
        QByteArray home = qgetenv("HOME");
        if (home.isEmpty()) {
            if (const passwd* pw = ::getpwuid(::getuid()))
                home = pw->pw_dir;
        }
        dataHome = stripTrailingSlashes(home) + "/.local/share";
    }
    return joinPath(stripTrailingSlashes(dataHome), "Trash");
}

QByteArray topDirOf(const QByteArray& canonicalFolder)
{
    QByteArray path = stripTrailingSlashes(canonicalFolder);
    struct statx here {};
    if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_MNT_ID,
                &here) != 0)
        return path;
    while (path != "/") {
        const QByteArray parent = parentOf(path);
        struct statx above {};
        if (::statx(AT_FDCWD, parent.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                    STATX_MNT_ID, &above) != 0)
            break;
        const bool sameDevice =
            above.stx_dev_major == here.stx_dev_major && above.stx_dev_minor == here.stx_dev_minor;
        // Bind mounts share the device but not the mount: rename fails there too.
        const bool sameMount = !(here.stx_mask & STATX_MNT_ID) ||
                               !(above.stx_mask & STATX_MNT_ID) ||
                               above.stx_mnt_id == here.stx_mnt_id;
        if (!sameDevice || !sameMount)
            break;
        path = parent;
        here = above;
    }
    return path;
}

int volumeTrashFolder(const QByteArray& topDir, QByteArray& trashFolder)
{
    UniqueFd top(::open(topDir.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!top.isValid())
        return EXDEV;
    const QByteArray uid = uidText();

    // The administrator's shared .Trash counts only as a sticky real folder;
    // a link or a writable non-sticky folder could be a trap set by others.
    struct stat st;
    if (::fstatat(top.get(), ".Trash", &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
        (st.st_mode & S_ISVTX)) {
        UniqueFd shared(
            ::openat(top.get(), ".Trash", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (shared.isValid() && ensurePrivateFolder(shared.get(), uid, true) == 0) {
            const QByteArray candidate = joinPath(joinPath(topDir, ".Trash"), uid);
            if (ensureTrashParts(candidate, true) == 0) {
                trashFolder = candidate;
                return 0;
            }
        }
    }
    const QByteArray own = ".Trash-" + uid;
    if (ensurePrivateFolder(top.get(), own, true) == 0) {
        const QByteArray candidate = joinPath(topDir, own);
        if (ensureTrashParts(candidate, true) == 0) {
            trashFolder = candidate;
            return 0;
        }
    }
    return EXDEV;
}

} // namespace detail

int moveToTrash(const QString& path, TrashResult* result)
{
    Item item;
    if (int r = resolveItem(path, item))
        return r;
    struct stat itemStat;
    if (::lstat(item.path.constData(), &itemStat) != 0)
        return errno;
    struct stat folderStat;
    if (::stat(item.folder.constData(), &folderStat) != 0)
        return errno;
    UniqueFd parent(::open(item.folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!parent.isValid())
        return errno;

    const QByteArray home = detail::homeTrashPath();
    dev_t homeDevice = 0;
    if (deviceOf(home, homeDevice) == 0 && homeDevice == folderStat.st_dev) {
        if (int r = makeFolders(home))
            return r;
        if (int r = ensureTrashParts(home, false))
            return r;
        if (touchesTrash(item.path, home))
            return EINVAL;
        const int r = trashInto(home, item.path, parent.get(), item.name, result);
        if (r != EXDEV)
            return r;
        // Same device, other mount (a bind mount): try the volume's own trash.
    }

    const QByteArray topDir = detail::topDirOf(item.folder);
    QByteArray trash;
    if (int r = detail::volumeTrashFolder(topDir, trash))
        return r;
    if (touchesTrash(item.path, trash))
        return EINVAL;
    const QByteArray relative = topDir == "/" ? item.path.mid(1) : item.path.mid(topDir.size() + 1);
    return trashInto(trash, relative, parent.get(), item.name, result);
}

bool isTrashFolder(const QString& path)
{
    const QByteArray bytes = stripTrailingSlashes(pathToBytes(path));
    if (bytes.isEmpty())
        return false;
    if (bytes == stripTrailingSlashes(detail::homeTrashPath()))
        return true;
    const QByteArray name = bytes.mid(bytes.lastIndexOf('/') + 1);
    const QByteArray parent = parentOf(bytes);
    QByteArray top;
    if (name == ".Trash" || name == ".Trash-" + uidText())
        top = parent;
    else if (name == uidText() && parent.endsWith("/.Trash"))
        top = parentOf(parent);
    else
        return false;
    if (top == bytes)
        return false;
    if (mountPointOf(pathFromBytes(top)) == pathFromBytes(top))
        return true;
    char buffer[PATH_MAX];
    if (!::realpath(top.constData(), buffer))
        return false;
    return detail::topDirOf(QByteArray(buffer)) == QByteArray(buffer);
}

} // namespace tovane::platform
