#include "platform/shortcutfiles.h"

#include "platform/names.h"
#include "platform/posixutil.h"
#include "platform/system.h"
#include "platform/textfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovane::platform {

namespace {

QString xdgFolder(const char* variable, const char* fallback)
{
    const char* v = ::getenv(variable);
    if (v && v[0] == '/')
        return pathFromBytes(stripTrailingSlashes(QByteArray(v)));
    return homeFolder() + QLatin1String(fallback);
}

} // namespace

int createSymlink(const QString& target, const QString& linkPath)
{
    const QByteArray t = pathToBytes(target);
    const QByteArray l = pathToBytes(linkPath);
    if (t.isEmpty() || l.isEmpty() || t.contains('\0') || l.contains('\0'))
        return EINVAL;
    return ::symlinkat(t.constData(), AT_FDCWD, l.constData()) == 0 ? 0 : lastErrno();
}

int writeNewFile(const QString& path, const QByteArray& bytes)
{
    const QByteArray full = pathToBytes(path);
    QByteArray folder, name;
    splitPath(full, folder, name);
    if (!isPlainName(name))
        return EINVAL;
    UniqueFd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.isValid())
        return lastErrno();
    // Checked first only to spare a temporary; the rename below decides.
    struct stat st;
    if (::fstatat(dir.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    QByteArray temp;
    UniqueFd file;
    for (int attempt = 0; attempt < 20 && !file.isValid(); ++attempt) {
        temp = QByteArrayLiteral(".tovane-") + randomName(6);
        file.reset(::openat(dir.get(), temp.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
        if (!file.isValid() && errno != EEXIST)
            return lastErrno();
    }
    if (!file.isValid())
        return EEXIST;
    int error = writeAll(file.get(), bytes.constData(), size_t(bytes.size()), 0);
    if (!error && ::fsync(file.get()) != 0)
        error = lastErrno();
    if (const int closed = file.close(); !error)
        error = closed;
    if (!error) {
        if (::renameat2(dir.get(), temp.constData(), dir.get(), name.constData(),
                        RENAME_NOREPLACE) == 0) {
            ::fsync(dir.get());
            return 0;
        }
        error = lastErrno();
        // Where the file system lacks RENAME_NOREPLACE, link() refuses a
        // taken name just as atomically.
        if (error == EINVAL || error == ENOSYS) {
            error = ::linkat(dir.get(), temp.constData(), dir.get(), name.constData(), 0) == 0
                        ? 0
                        : lastErrno();
        }
    }
    ::unlinkat(dir.get(), temp.constData(), 0);
    if (!error)
        ::fsync(dir.get());
    return error;
}

QString applicationsFolder()
{
    return dataHome() + QStringLiteral("/applications");
}

QString autostartFolder()
{
    return xdgFolder("XDG_CONFIG_HOME", "/.config") + QStringLiteral("/autostart");
}

int ensureFolder(const QString& folder)
{
    const QByteArray path = stripTrailingSlashes(pathToBytes(folder));
    if (!path.startsWith('/'))
        return EINVAL;
    return makeFolders(path);
}

bool isExecutableProgram(const QString& path)
{
    const QByteArray bytes = pathToBytes(path);
    if (!isRegularFile(path) || ::access(bytes.constData(), X_OK) != 0)
        return false;
    QByteArray head;
    if (readFileStart(path, head, 4) != 0)
        return false;
    return head.startsWith("\x7f"
                           "ELF") ||
           head.startsWith("#!");
}

} // namespace tovane::platform
