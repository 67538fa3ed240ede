#include "platform/specialfolders.h"

#include "platform/filesystem.h"
#include "platform/names.h"
#include "platform/realpath.h"
#include "platform/system.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace tovane::platform {

namespace {

QString loginName()
{
    struct passwd pw;
    struct passwd* found = nullptr;
    std::vector<char> buf(16384);
    while (::getpwuid_r(::geteuid(), &pw, buf.data(), buf.size(), &found) == ERANGE)
        buf.resize(buf.size() * 2);
    if (found && found->pw_name && found->pw_name[0])
        return nameFromBytes(found->pw_name);
    const char* user = ::getenv("USER");
    return user ? nameFromBytes(user) : QString();
}

QString userPlace(const char* key, const char* usualName)
{
    const QString named = userDirectory(key);
    const QString home = homeFolder();
    if (named.isEmpty())
        return home == QLatin1String("/") ? u'/' + QLatin1String(usualName)
                                          : home + u'/' + QLatin1String(usualName);
    // Set to the home folder: the user does not use this folder.
    return named == home ? QString() : named;
}

QString below(const QString& folder, const char* name)
{
    if (folder.isEmpty())
        return QString();
    return (folder.endsWith(u'/') ? folder : folder + u'/') + QLatin1String(name);
}

} // namespace

QString placeCandidate(Place place)
{
    switch (place) {
    case Place::Home:
        return homeFolder();
    case Place::Desktop:
        return userPlace("DESKTOP", "Desktop");
    case Place::Documents:
        return userPlace("DOCUMENTS", "Documents");
    case Place::Downloads:
        return userPlace("DOWNLOAD", "Downloads");
    case Place::Music:
        return userPlace("MUSIC", "Music");
    case Place::Pictures:
        return userPlace("PICTURES", "Pictures");
    case Place::Videos:
        return userPlace("VIDEOS", "Videos");
    case Place::Templates:
        return userPlace("TEMPLATES", "Templates");
    case Place::PublicShare:
        return userPlace("PUBLICSHARE", "Public");
    case Place::TrashFiles:
        return below(below(dataHome(), "Trash"), "files");
    case Place::Autostart:
        return below(xdgHomeFolder("XDG_CONFIG_HOME", ".config"), "autostart");
    case Place::Applications:
        return below(dataHome(), "applications");
    case Place::DataFonts:
        return below(dataHome(), "fonts");
    case Place::HomeFonts:
        return below(homeFolder(), ".fonts");
    case Place::ConfigHome:
        return xdgHomeFolder("XDG_CONFIG_HOME", ".config");
    case Place::DataHome:
        return dataHome();
    case Place::CacheHome:
        return xdgHomeFolder("XDG_CACHE_HOME", ".cache");
    case Place::StateHome:
        return xdgHomeFolder("XDG_STATE_HOME", ".local/state");
    case Place::Temporary:
        return QStringLiteral("/tmp");
    case Place::Media:
    case Place::RunMedia: {
        const QString user = loginName();
        if (user.isEmpty() || user.contains(u'/'))
            return QString();
        return (place == Place::Media ? QStringLiteral("/media/") : QStringLiteral("/run/media/")) +
               user;
    }
    case Place::Mnt:
        return QStringLiteral("/mnt");
    }
    return QString();
}

QString placeFolder(Place place)
{
    const QString candidate = placeCandidate(place);
    if (candidate.isEmpty())
        return QString();
    const QString real = realPath(candidate);
    ItemRecord record;
    ListOptions options;
    options.readAttributeStore = false;
    if (real.isEmpty() || statPath(real, record, options) != 0 || !record.isFolder())
        return QString();
    return real;
}

} // namespace tovane::platform
