#include "archive/archiverlibraries.h"

namespace tovane {

ArchiverLibraries::ArchiverLibraries()
{
    static const char* const names[Count] = {"CAB32.DLL", "UNLHA32.DLL", "UNZIP32.DLL",
                                             "ZIP32J.DLL", "ZIP32.DLL"};
    for (int i = 0; i < Count; ++i)
        m_entries[i].name = QString::fromLatin1(names[i]);
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
