#include "fs/pathrules.h"

#include <QStringList>

namespace tovane {

bool isRootPath(const QString& path)
{
    return path.size() == 1 && path.at(0) == PathSeparator;
}

QString stripSeparator(const QString& path, bool force)
{
    if (path.endsWith(PathSeparator) && (force || path.size() > 1))
        return path.left(path.size() - 1);
    return path;
}

QString addSeparator(const QString& path)
{
    if (path.isEmpty() || path.endsWith(PathSeparator))
        return path;
    return path + PathSeparator;
}

QString fileNameOf(const QString& path)
{
    if (path.isEmpty() || isRootPath(path))
        return QString();
    const QString stripped = stripSeparator(path);
    return stripped.mid(stripped.lastIndexOf(PathSeparator) + 1);
}

QString parentOf(const QString& path)
{
    if (path.isEmpty() || isRootPath(path))
        return path;
    const QString stripped = stripSeparator(path);
    return stripped.left(stripped.lastIndexOf(PathSeparator) + 1);
}

QString lexicalPath(const QString& base, const QString& path)
{
    if (path.isEmpty())
        return QString();
    const QString full = path.startsWith(PathSeparator) ? path : base + PathSeparator + path;
    QStringList parts;
    for (const QString& part : full.split(PathSeparator, Qt::SkipEmptyParts)) {
        if (part == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (part != u".") {
            parts.append(part);
        }
    }
    return PathSeparator + parts.join(PathSeparator);
}

QString extensionOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString baseNameOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

QString nextToken(QString& list, QChar separator)
{
    const qsizetype at = list.indexOf(separator);
    if (at < 0) {
        QString item = list;
        list.clear();
        return item;
    }
    QString item = list.left(at);
    list.remove(0, at + 1);
    return item;
}

QString trimAtNul(const QString& text)
{
    const qsizetype at = text.indexOf(QChar(u'\0'));
    return at < 0 ? text : text.left(at);
}

} // namespace tovane
