#include "list/desktopentry.h"

#include "programs/desktopentry.h"

namespace tovane {

QString desktopEntryIcon(const QByteArray& text)
{
    const QString icon = parseDesktopEntry(text).icon.trimmed();
    // \n, \t, \r have no place in an icon name.
    for (const QChar c : icon) {
        if (c.unicode() < 0x20)
            return QString();
    }
    return icon;
}

} // namespace tovane
