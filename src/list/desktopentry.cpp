#include "list/desktopentry.h"

#include <QList>

namespace tovane {

namespace {

QString unescaped(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        switch (value.at(++i).unicode()) {
        case u's':
            out += u' ';
            break;
        case u'\\':
            out += u'\\';
            break;
        default:
            // \n, \t, \r have no place in an icon name.
            return QString();
        }
    }
    return out;
}

} // namespace

QString desktopEntryIcon(const QByteArray& text)
{
    bool inEntry = false;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            // The groups after the entry are actions with icons of their own.
            if (inEntry)
                return QString();
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || !line.startsWith("Icon"))
            continue;
        const QByteArray rest = line.mid(4).trimmed();
        if (!rest.startsWith('='))
            continue; // Icon[xx]= is not in the standard
        const QString value = QString::fromUtf8(rest.mid(1).trimmed());
        return unescaped(value).trimmed();
    }
    return QString();
}

} // namespace tovane
