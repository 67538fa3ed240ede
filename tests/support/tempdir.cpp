#include "support/tempdir.h"

#include "platform/names.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovane::test {

namespace {
int removeEntry(const char* path, const struct stat*, int type, struct FTW*)
{
    if (type == FTW_DP || type == FTW_D || type == FTW_DNR)
        return ::rmdir(path) == 0 ? 0 : 0;
    ::unlink(path);
    return 0;
}
int unlockEntry(const char* path, const struct stat* st, int type, struct FTW*)
{
    if (type == FTW_D || type == FTW_DNR)
        ::chmod(path, (st->st_mode & 07777) | S_IRWXU);
    return 0;
}
} // namespace

bool removeTree(const QByteArray& path)
{
    ::nftw(path.constData(), unlockEntry, 32, FTW_PHYS);
    ::nftw(path.constData(), removeEntry, 32, FTW_PHYS | FTW_DEPTH);
    struct stat st;
    return ::lstat(path.constData(), &st) != 0;
}

TempDir::TempDir()
{
    QByteArray base = qgetenv("TMPDIR");
    if (base.isEmpty())
        base = "/tmp";
    QByteArray templ = base + "/tovane-test-XXXXXX";
    if (char* made = ::mkdtemp(templ.data()))
        m_path = QString::fromUtf8(made);
}

TempDir::~TempDir()
{
    if (!m_path.isEmpty())
        removeTree(m_path.toUtf8());
}

bool TempDir::writeFile(const QByteArray& relative, const QByteArray& content) const
{
    return writeBytes(pathBytes() + '/' + relative, content);
}

bool TempDir::makeFolder(const QByteArray& relative) const
{
    const QByteArray full = pathBytes() + '/' + relative;
    return ::mkdir(full.constData(), 0755) == 0;
}

QByteArray joined(const TempDir& dir, const QByteArray& relative)
{
    return relative.isEmpty() ? dir.pathBytes() : dir.pathBytes() + '/' + relative;
}

QString pathOf(const TempDir& dir, const QByteArray& relative)
{
    return platform::nameFromBytes(joined(dir, relative));
}

QByteArray readAll(const QByteArray& path)
{
    QByteArray data;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray("<missing>");
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        data.append(buf, n);
    ::close(fd);
    return data;
}

bool writeBytes(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    ::close(fd);
    return ok;
}

bool makeSparse(const QByteArray& path, qint64 size)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::ftruncate(fd, off_t(size)) == 0;
    ::close(fd);
    return ok;
}

QList<QByteArray> entries(const QByteArray& folder)
{
    QList<QByteArray> names;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return names;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace tovane::test
