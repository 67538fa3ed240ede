#include "list/widgets/fileiconsource.h"

#include "fs/pathrules.h"
#include "list/desktopentry.h"
#include "platform/filesystem.h"
#include "platform/textfile.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QPixmap>

namespace tovane {

namespace {

constexpr qint64 MaxIconFileBytes = 4 * 1024 * 1024;
constexpr qint64 EntryHeadBytes = 64 * 1024;
constexpr qint64 ContentHeadBytes = 4096;

bool themeInstalled(const QString& theme)
{
    for (const QString& base : QIcon::themeSearchPaths()) {
        if (platform::isRegularFile(addSeparator(base) + theme + QStringLiteral("/index.theme")))
            return true;
    }
    return false;
}

QIcon themeIcon(const QString& name)
{
    if (name.isEmpty())
        return QIcon();
    const QIcon icon = QIcon::fromTheme(name);
    return icon.isNull() ? QIcon() : icon;
}

} // namespace

QImage smallPicture(const QByteArray& bytes, int size)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // A header may claim anything: bigger than an icon ever is, it is not one.
    const QSize natural = reader.size();
    if (natural.isValid()) {
        if (natural.width() > 2048 || natural.height() > 2048)
            return QImage();
        if (natural.width() > size || natural.height() > size)
            reader.setScaledSize(natural.scaled(size, size, Qt::KeepAspectRatio));
    } else {
        reader.setScaledSize(QSize(size, size)); // vector pictures know no size
    }
    QImage image = reader.read();
    if (image.isNull())
        return QImage();
    if (image.width() > size || image.height() > size)
        image = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

QImage smallPictureOfFile(const QString& path, int size)
{
    QByteArray bytes;
    if (platform::readWholeFile(path, bytes, MaxIconFileBytes) != 0)
        return QImage();
    return smallPicture(bytes, size);
}

FileIconSource::FileIconSource()
{
    setUpThemes();
}

void FileIconSource::setUpThemes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // Platforms without a desktop theme (offscreen, bare X) search only the
    // resources: the desktop's icon folders are added as the standard names them.
    QStringList paths = QIcon::themeSearchPaths();
    QStringList bases{QDir::homePath() + QStringLiteral("/.icons")};
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    bases << (dataHome.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : dataHome) +
                 QStringLiteral("/icons");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dataDirs.split(u':', Qt::SkipEmptyParts))
        bases << dir + QStringLiteral("/icons");
    for (const QString& base : bases) {
        if (!paths.contains(base) && platform::pathExists(base))
            paths << base;
    }
    QIcon::setThemeSearchPaths(paths);

    const QStringList preferred{QStringLiteral("Adwaita"), QStringLiteral("breeze")};
    QStringList installed;
    for (const QString& theme : preferred) {
        if (themeInstalled(theme))
            installed.append(theme);
    }
    if (installed.isEmpty())
        return;
    const QString current = QIcon::themeName();
    // "hicolor" alone holds only application icons, no MIME types.
    if (current.isEmpty() || current == QLatin1String("hicolor") || !themeInstalled(current))
        QIcon::setThemeName(installed.first());
    const QString now = QIcon::themeName();
    for (const QString& theme : installed) {
        if (theme != now) {
            QIcon::setFallbackThemeName(theme);
            return;
        }
    }
    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
}

QIcon FileIconSource::iconForMime(const QMimeType& type) const
{
    if (!type.isValid())
        return QIcon();
    QIcon icon = themeIcon(type.iconName());
    if (icon.isNull())
        icon = themeIcon(type.genericIconName());
    return icon;
}

QIcon FileIconSource::iconForEntryValue(const QString& value) const
{
    if (value.isEmpty())
        return QIcon();
    if (value.startsWith(u'/')) {
        const QImage image = smallPictureOfFile(value, 64);
        return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
    }
    // Names with a file extension are old-style; the theme knows them without.
    QString name = value;
    for (const char* ext : {".png", ".svg", ".xpm"}) {
        if (name.endsWith(QLatin1String(ext), Qt::CaseInsensitive))
            name.chop(4);
    }
    if (name.contains(u'/'))
        return QIcon();
    QIcon icon = themeIcon(name);
    if (icon.isNull()) {
        for (const char* ext : {".png", ".svg", ".xpm"}) {
            const QImage image = smallPictureOfFile(
                QStringLiteral("/usr/share/pixmaps/") + name + QLatin1String(ext), 64);
            if (!image.isNull())
                return QIcon(QPixmap::fromImage(image));
        }
    }
    return icon;
}

QIcon FileIconSource::iconFor(const QString& folder, const QString& name) const
{
    const QString path = folder + name;
    const QString ext = extensionOf(name).toLower();
    if (ext == QLatin1String("desktop")) {
        QByteArray head;
        if (platform::readFileStart(path, head, EntryHeadBytes) == 0) {
            const QIcon icon = iconForEntryValue(desktopEntryIcon(head));
            if (!icon.isNull())
                return icon;
        }
    }
    const QList<QMimeType> byName = m_mime.mimeTypesForFileName(name);
    if (!byName.isEmpty())
        return iconForMime(byName.first());
    // The name tells nothing: the first bytes of a regular file may.
    QByteArray head;
    if (platform::readFileStart(path, head, ContentHeadBytes) != 0)
        return iconForMime(m_mime.mimeTypeForName(QStringLiteral("application/octet-stream")));
    return iconForMime(m_mime.mimeTypeForFileNameAndData(name, head));
}

} // namespace tovane
