#include "platform/iteminfo.h"

#include "platform/names.h"
#include "platform/posixutil.h"

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace tovane::platform {

namespace {

qint64 nsOf(const statx_timestamp& t)
{
    return toNanoseconds(t.tv_sec, t.tv_nsec);
}

QString userName(uid_t uid)
{
    struct passwd pw;
    struct passwd* found = nullptr;
    std::vector<char> buf(16384);
    while (::getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) == ERANGE && buf.size() < 1 << 20)
        buf.resize(buf.size() * 2);
    return found && found->pw_name ? nameFromBytes(found->pw_name) : QString::number(uid);
}

QString groupName(gid_t gid)
{
    struct group gr;
    struct group* found = nullptr;
    std::vector<char> buf(16384);
    while (::getgrgid_r(gid, &gr, buf.data(), buf.size(), &found) == ERANGE && buf.size() < 1 << 20)
        buf.resize(buf.size() * 2);
    return found && found->gr_name ? nameFromBytes(found->gr_name) : QString::number(gid);
}

} // namespace

int itemInfo(const QString& path, ItemInfo& out)
{
    const QByteArray bytes = pathToBytes(path);
    struct statx sx;
    if (::statx(AT_FDCWD, bytes.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return lastErrno();
    out = ItemInfo();
    out.mode = sx.stx_mode;
    out.size = sx.stx_size;
    out.writeTime = nsOf(sx.stx_mtime);
    out.accessTime = nsOf(sx.stx_atime);
    out.changeTime = nsOf(sx.stx_ctime);
    out.birthKnown = (sx.stx_mask & STATX_BTIME) != 0;
    if (out.birthKnown)
        out.birthTime = nsOf(sx.stx_btime);
    out.uid = sx.stx_uid;
    out.gid = sx.stx_gid;
    out.owner = userName(sx.stx_uid);
    out.group = groupName(sx.stx_gid);
    if (S_ISLNK(sx.stx_mode)) {
        std::vector<char> text(size_t(sx.stx_size > 0 ? sx.stx_size : 255) + 1);
        const ssize_t n = ::readlink(bytes.constData(), text.data(), text.size());
        if (n >= 0)
            out.linkTarget = pathFromBytes(QByteArrayView(text.data(), qsizetype(n)));
    }
    return 0;
}

} // namespace tovane::platform
