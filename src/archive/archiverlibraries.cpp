#include "archive/archiverlibraries.h"

#include "archive/archivebackends.h"

#include <zlib.h>

namespace tovane {

ArchiverLibraries::ArchiverLibraries()
{
    static const char* const names[Count] = {"libgcab", "Tovane LZH", "libarchive", "libarchive",
                                             "zlib"};
    static const char* const holders[Count] = {"GNOME gcab", "Tovane", "libarchive",
                                               "libarchive", "zlib"};
    for (int i = 0; i < Count; ++i) {
        m_entries[i].name = QString::fromLatin1(names[i]);
        m_entries[i].holder = QString::fromLatin1(holders[i]);
    }
}

ArchiverLibraries ArchiverLibraries::detect()
{
    ArchiverLibraries l;
    const QString reader = ArchiveBackends::libarchiveVersion();
    // Reading every format takes libarchive; a writer alone lists nothing.
    l.setVersion(Cab, reader.isEmpty() ? QString() : ArchiveBackends::gcabVersion());
    l.setVersion(Lzh, reader.isEmpty() ? QString() : ArchiveBackends::lzhVersion());
    l.setVersion(ZipRead, reader);
    l.setVersion(ZipWriteHelper, reader);
    l.setVersion(ZipWrite, QString::fromLatin1(zlibVersion()));
    return l;
}

QString ArchiverLibraries::extension(int extensionIndex)
{
    static const char* const extensions[3] = {"cab", "lzh", "zip"};
    if (extensionIndex < 0 || extensionIndex > 2)
        return QString();
    return QString::fromLatin1(extensions[extensionIndex]);
}

QString ArchiverLibraries::archiveExtensionSet() const
{
    QString set;
    for (int i = 0; i < 3; ++i) {
        if (found(i))
            set += QLatin1Char(' ') + extension(i) + QLatin1Char(',');
    }
    return set;
}

bool ArchiverLibraries::canCompress(int extensionIndex) const
{
    switch (extensionIndex) {
    case 0:
        return found(Cab);
    case 1:
        return found(Lzh);
    case 2:
        return found(ZipWriteHelper) && found(ZipWrite);
    default:
        return false;
    }
}

QString ArchiverLibraries::compressionExtensionSet() const
{
    QString set;
    for (int i = 0; i < 3; ++i) {
        if (canCompress(i))
            set += QLatin1Char(' ') + extension(i) + QLatin1Char(',');
    }
    return set;
}

QString ArchiverLibraries::versionLine(int i) const
{
    if (i < 0 || i >= Count)
        return QString();
    const ArchiverLibrary& e = m_entries[i];
    return e.name + QStringLiteral(" ： ") +
           (e.version.isEmpty() ? QStringLiteral("未装備") : e.version);
}

} // namespace tovane
