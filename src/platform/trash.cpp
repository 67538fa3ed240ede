#include "platform/trash.h"
#include "platform/fileops.h"
#include "platform/names.h"
#include "platform/posixutil.h"
#include "platform/volumes.h"

#include <QHash>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
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

// Where to look for a free number next, per trash and name. Only a hint:
// each candidate is still claimed with O_EXCL.
class SuffixHints {
public:
    int hint(const QByteArray& key)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_next.value(key, 2);
    }
    void remember(const QByteArray& key, int next)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_next.size() > 4096)
            m_next.clear(); // a hint lost costs a longer search, nothing more
        m_next.insert(key, next);
    }

private:
    std::mutex m_mutex;
    QHash<QByteArray, int> m_next;
};

SuffixHints& suffixHints()
{
    static SuffixHints hints;
    return hints;
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
    // The plain name first, then the numbers from where the last item of
    // that name ended: the same name from many folders would otherwise try
    // every number already taken, each time.
    const QByteArray hintKey = trash + '/' + base;
    const int start = std::max(2, suffixHints().hint(hintKey));
    constexpr int kLastSuffix = 99999;
    const auto done = [&](const QByteArray& candidate, const QByteArray& infoName, int n) {
        if (n > 1)
            suffixHints().remember(hintKey, n + 1);
        if (result) {
            result->trashedPath = pathFromBytes(joinPath(joinPath(trash, "files"), candidate));
            result->infoPath = pathFromBytes(joinPath(joinPath(trash, "info"), infoName));
        }
        return 0;
    };
    for (int k = 0; k < kLastSuffix; ++k) {
        const int n = k == 0 ? 1 : 2 + (start - 2 + k - 1) % (kLastSuffix - 1);
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
                            RENAME_NOREPLACE) == 0)
                return done(candidate, infoName, n);
            error = errno;
            if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
                // No RENAME_NOREPLACE here: check first, then rename.
                struct stat st;
                if (::fstatat(filesDir.get(), candidate.constData(), &st, AT_SYMLINK_NOFOLLOW) ==
                    0) {
                    error = EEXIST;
                } else if (::renameat(parentFd, name.constData(), filesDir.get(),
                                      candidate.constData()) == 0) {
                    return done(candidate, infoName, n);
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
bool touchesTrash(const QByteArray& itemPath, const QByteArray& realTrash)
{
    return itemPath == realTrash || realTrash.startsWith(itemPath + '/') ||
           itemPath.startsWith(realTrash + '/');
}

QByteArray realPathOf(const QByteArray& path)
{
    char buffer[PATH_MAX];
    return ::realpath(path.constData(), buffer) ? QByteArray(buffer) : path;
}

// Finding the real folder and the trash walks several paths component by
// component; a delete of thousands of files asks the same again and again.
// The answers are kept for a moment, as paths only: a kept descriptor
// would stop a volume from being unmounted.
constexpr qint64 kRememberNanos = 2000000000;

qint64 steadyNanos()
{
    struct timespec t;
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

struct FolderAnswer {
    QByteArray asked;
    dev_t device = 0;
    ino_t inode = 0;
    QByteArray real;
    qint64 until = 0;
};

struct TrashAnswer {
    dev_t device = 0;
    quint64 mount = 0;
    QByteArray home; // the home trash at the time: the environment may change
    QByteArray trash;
    QByteArray realTrash;
    QByteArray topDir; // empty for the home trash
    qint64 until = 0;
};

std::mutex answersMutex;
FolderAnswer lastFolder;
TrashAnswer lastTrash;

struct Item {
    QByteArray folder; // canonical
    QByteArray name;
    QByteArray path; // folder + name
};

int resolveItem(const QString& path, Item& item, struct statx& folderStat)
{
    const QByteArray bytes = stripTrailingSlashes(pathToBytes(path));
    // A NUL would cut the path short for the kernel: another item would go.
    if (!bytes.contains('/') || bytes.contains('\0'))
        return EINVAL;
    QByteArray folder;
    splitPath(bytes, folder, item.name);
    if (!isPlainName(item.name))
        return EINVAL;
    if (::statx(AT_FDCWD, folder.constData(), 0, STATX_TYPE | STATX_INO | STATX_MNT_ID,
                &folderStat) != 0)
        return errno;
    // The parent's real path: topdir and the relative Path= need it without
    // symbolic links; the item itself may be a link and stays unresolved.
    const dev_t device = makedev(folderStat.stx_dev_major, folderStat.stx_dev_minor);
    const qint64 now = steadyNanos();
    {
        std::lock_guard<std::mutex> lock(answersMutex);
        if (lastFolder.asked == folder && lastFolder.device == device &&
            lastFolder.inode == folderStat.stx_ino && now < lastFolder.until) {
            item.folder = lastFolder.real;
            item.path = joinPath(item.folder, item.name);
            return 0;
        }
    }
    char buffer[PATH_MAX];
    if (!::realpath(folder.constData(), buffer))
        return errno;
    item.folder = buffer;
    item.path = joinPath(item.folder, item.name);
    std::lock_guard<std::mutex> lock(answersMutex);
    lastFolder =
        FolderAnswer{folder, device, ino_t(folderStat.stx_ino), item.folder, now + kRememberNanos};
    return 0;
}

QByteArray relativeTo(const QByteArray& topDir, const QByteArray& path)
{
    return topDir == "/" ? path.mid(1) : path.mid(topDir.size() + 1);
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
    struct statx folderStat {};
    if (int r = resolveItem(path, item, folderStat))
        return r;
    struct stat itemStat;
    if (::lstat(item.path.constData(), &itemStat) != 0)
        return errno;
    UniqueFd parent(::open(item.folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!parent.isValid())
        return errno;

    const dev_t device = makedev(folderStat.stx_dev_major, folderStat.stx_dev_minor);
    const quint64 mount = (folderStat.stx_mask & STATX_MNT_ID) ? folderStat.stx_mnt_id : 0;
    const QByteArray home = detail::homeTrashPath();
    TrashAnswer known;
    {
        std::lock_guard<std::mutex> lock(answersMutex);
        if (lastTrash.device == device && lastTrash.mount == mount && lastTrash.home == home &&
            steadyNanos() < lastTrash.until)
            known = lastTrash;
    }
    if (!known.trash.isEmpty()) {
        if (touchesTrash(item.path, known.realTrash))
            return EINVAL;
        const int r = trashInto(
            known.trash, known.topDir.isEmpty() ? item.path : relativeTo(known.topDir, item.path),
            parent.get(), item.name, result);
        // A trash removed or replaced meanwhile is looked for again.
        if (r != ENOENT && r != ENOTDIR && r != EXDEV && r != ELOOP)
            return r;
    }

    const auto remember = [&](const QByteArray& trash, const QByteArray& realTrash,
                              const QByteArray& topDir) {
        std::lock_guard<std::mutex> lock(answersMutex);
        lastTrash = TrashAnswer{
            device, mount, home, trash, realTrash, topDir, steadyNanos() + kRememberNanos};
    };
    dev_t homeDevice = 0;
    if (deviceOf(home, homeDevice) == 0 && homeDevice == device) {
        if (int r = makeFolders(home))
            return r;
        if (int r = ensureTrashParts(home, false))
            return r;
        const QByteArray realHome = realPathOf(home);
        if (touchesTrash(item.path, realHome))
            return EINVAL;
        const int r = trashInto(home, item.path, parent.get(), item.name, result);
        if (r == 0)
            remember(home, realHome, QByteArray());
        if (r != EXDEV)
            return r;
        // Same device, other mount (a bind mount): try the volume's own trash.
    }

    const QByteArray topDir = detail::topDirOf(item.folder);
    QByteArray trash;
    if (int r = detail::volumeTrashFolder(topDir, trash))
        return r;
    const QByteArray realTrash = realPathOf(trash);
    if (touchesTrash(item.path, realTrash))
        return EINVAL;
    const int r = trashInto(trash, relativeTo(topDir, item.path), parent.get(), item.name, result);
    if (r == 0)
        remember(trash, realTrash, topDir);
    return r;
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
