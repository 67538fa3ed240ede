#include "support/tempdir.h"

#include <cstdlib>
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
    const QByteArray full = pathBytes() + '/' + relative;
    int fd = ::open(full.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const ssize_t n = ::write(fd, content.constData(), size_t(content.size()));
    ::close(fd);
    return n == content.size();
}

bool TempDir::makeFolder(const QByteArray& relative) const
{
    const QByteArray full = pathBytes() + '/' + relative;
    return ::mkdir(full.constData(), 0755) == 0;
}

} // namespace tovane::test
