#include "cli/clisupport.h"

#include "core/consoleservices.h"
#include "fs/pathcheck.h"
#include "fs/pathrules.h"
#include "fs/volumesource.h"
#include "platform/itemrecord.h"
#include "platform/names.h"
#include "platform/system.h"

#include <cerrno>

namespace tovane::cli {

AppSettings listSettings(quint32 hide, bool folderSizes)
{
    AppSettings settings;
    settings.setSwitch(FlagHideReadOnly, hide & AttrReadOnly);
    settings.setSwitch(FlagHideHidden, hide & AttrHidden);
    settings.setSwitch(FlagHideSystem, hide & AttrSystem);
    settings.setSwitch(FlagHideCompressed, hide & AttrCompressed);
    settings.setSwitch(FlagFolderSize, folderSizes);
    settings.setSwitch(FlagCountSize, false);
    return settings;
}

void writeBytes(std::FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

void writeErrorLine(const QString& text)
{
    writeBytes(stderr, platform::nameToBytes(consoleText(text) + u'\n'));
}

QString absolutePath(const QString& path, int& error)
{
    error = 0;
    if (path.isEmpty())
        return QString();
    QString base;
    if (!path.startsWith(PathSeparator)) {
        base = platform::currentFolder(error);
        if (base.isEmpty())
            return QString();
    }
    return lexicalPath(base, path);
}

QString folderArgument(const QString& arg, MessageService& messages)
{
    int error = 0;
    const QString folder = absolutePath(arg, error);
    if (folder.isEmpty())
        messages.showMessage(QStringLiteral("フォルダ ") + addSeparator(arg) +
                             QStringLiteral(" について\r\n\r\n") +
                             PathChecker::systemErrorText(error ? error : ENOENT));
    return addSeparator(folder);
}

bool folderUsable(PathChecker& checker, VolumeSource& volumes, MessageService& messages,
                  WindowIndex window, const QString& folder)
{
    if (checker.checkPath(window, folder, QString(), true) != CheckAvailable)
        return false;
    ItemRecord record;
    if (volumes.statPath(stripSeparator(folder), record) == 0 &&
        (record.isFolder() || (record.isSymlink && record.linkToFolder)))
        return true;
    messages.showMessage(PathChecker::pathMissingText(addSeparator(folder)));
    return false;
}

bool parseHideLetters(QStringView value, quint32& mask)
{
    for (QStringView letter : value.split(u',', Qt::SkipEmptyParts)) {
        const QStringView l = letter.trimmed();
        if (l.compare(u"R", Qt::CaseInsensitive) == 0)
            mask |= AttrReadOnly;
        else if (l.compare(u"H", Qt::CaseInsensitive) == 0)
            mask |= AttrHidden;
        else if (l.compare(u"S", Qt::CaseInsensitive) == 0)
            mask |= AttrSystem;
        else if (l.compare(u"C", Qt::CaseInsensitive) == 0)
            mask |= AttrCompressed;
        else
            return false;
    }
    return true;
}

quint32 HideOption::mask() const
{
    return given ? letters : AppSettings{}.hiddenAttributeMask();
}

bool HideOption::take(QStringView value)
{
    if (!given)
        letters = 0;
    given = true;
    return parseHideLetters(value, letters);
}

namespace {

// 0-2 for first / second / any, -1 when the word is none of them.
int detailOf(QStringView value, QStringView first, QStringView second)
{
    if (value == first)
        return DetailFirst;
    if (value == second)
        return DetailSecond;
    return value == u"any" ? DetailAny : -1;
}

} // namespace

void CompareOptionSet::applyDefaults()
{
    if (anyCondition)
        return;
    conditions.setBox(BoxExistence, true);
    conditions.setBox(BoxDate, true);
    conditions.setOptionButton(0);
}

int parseCompareOption(const QString& arg, CompareOptionSet& o, QString& error)
{
    const QStringView a(arg);
    if (arg == QLatin1String("--exist")) {
        o.conditions.setBox(BoxExistence, true);
    } else if (a.startsWith(u"--date=")) {
        const int detail = detailOf(a.mid(7), u"newer", u"older");
        if (detail < 0) {
            error = QStringLiteral("--date takes newer, older or any");
            return -1;
        }
        o.conditions.setBox(BoxDate, true);
        o.conditions.setOptionButton(detail);
    } else if (a.startsWith(u"--size=")) {
        const int detail = detailOf(a.mid(7), u"larger", u"smaller");
        if (detail < 0) {
            error = QStringLiteral("--size takes larger, smaller or any");
            return -1;
        }
        o.conditions.setBox(BoxSize, true);
        o.conditions.setOptionButton(3 + detail);
    } else if (arg == QLatin1String("--attr")) {
        o.conditions.setBox(BoxAttributes, true);
    } else if (arg == QLatin1String("--case")) {
        o.conditions.setBox(BoxLetterCase, true);
    } else if (arg == QLatin1String("--both")) {
        o.both = true;
        return 0;
    } else if (a.startsWith(u"--hide=")) {
        if (o.hide.take(a.mid(7)))
            return 0;
        error = QStringLiteral("--hide takes letters of R,H,S,C");
        return -1;
    } else {
        return 1;
    }
    o.anyCondition = true;
    return 0;
}

QString extensionRun(QStringView value)
{
    QString list;
    for (QStringView ext : value.split(u',', Qt::SkipEmptyParts)) {
        QString e = ext.trimmed().toString().toLower();
        if (e.startsWith(u'.'))
            e.remove(0, 1);
        if (!e.isEmpty())
            list += u' ' + e + u',';
    }
    return list;
}

} // namespace tovane::cli
