#include "platform/realpath.h"

#include "platform/names.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace tovane::platform {

QString realPath(const QString& path)
{
    if (path.isEmpty())
        return QString();
    const QByteArray bytes = pathToBytes(path);
    char* resolved = ::realpath(bytes.constData(), nullptr);
    if (!resolved)
        return QString();
    const QString result = pathFromBytes(QByteArrayView(resolved));
    std::free(resolved);
    return result;
}

bool sameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    struct stat sa {};
    struct stat sb {};
    if (::stat(pathToBytes(a).constData(), &sa) != 0 ||
        ::stat(pathToBytes(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace tovane::platform
