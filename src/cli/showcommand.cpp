#include "cli/showcommand.h"

#include "cli/clisupport.h"
#include "cli/commands.h"
#include "cli/contenthandlers.h"
#include "core/appsettings.h"
#include "core/messageservice.h"
#include "fs/pathrules.h"
#include "platform/errortext.h"
#include "platform/filesystem.h"
#include "platform/itemrecord.h"
#include "platform/names.h"
#include "viewer/displaycategories.h"

#include <QDateTime>

#include <cerrno>
#include <cstdio>

namespace tovane::cli {

namespace {

struct Arguments {
    bool info = false;
    bool extended = false;
    QString file;
    QString to;
    bool hasTo = false;
};

// Empty on success, else the complaint. `resave` takes --to, show the others.
QString parse(const QStringList& args, bool resave, Arguments& a)
{
    bool optionsEnd = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!optionsEnd && arg.startsWith(QLatin1String("--"))) {
            if (arg == QLatin1String("--")) {
                optionsEnd = true;
            } else if (!resave && arg == QLatin1String("--info")) {
                a.info = true;
            } else if (!resave && arg == QLatin1String("--extended")) {
                a.extended = true;
            } else if (resave &&
                       (arg == QLatin1String("--to") || arg.startsWith(QLatin1String("--to=")))) {
                if (a.hasTo)
                    return QStringLiteral("--to given twice");
                if (arg == QLatin1String("--to")) {
                    if (++i == args.size())
                        return QStringLiteral("--to needs a file");
                    a.to = args.at(i);
                } else {
                    a.to = arg.mid(5);
                }
                if (a.to.isEmpty())
                    return QStringLiteral("an empty OUT names no file");
                a.hasTo = true;
            } else {
                return QStringLiteral("unknown option ") + arg;
            }
            continue;
        }
        if (arg.isEmpty())
            return QStringLiteral("an empty FILE names no file");
        if (!a.file.isEmpty())
            return QStringLiteral("only one file can be given");
        a.file = arg;
    }
    if (a.file.isEmpty())
        return QStringLiteral("no file given");
    return QString();
}

int usageError(const QString& command, const QString& complaint)
{
    writeErrorLine(QStringLiteral("tovane-cli ") + command + QStringLiteral(": ") + complaint +
                   u'\n' + showUsage());
    return ExitUsage;
}

// The file argument made absolute; empty (after the message) when the
// working folder cannot be named.
QString fileArgument(const QString& command, const QString& arg)
{
    int error = 0;
    const QString path = absolutePath(arg, error);
    if (path.isEmpty())
        writeErrorLine(QStringLiteral("tovane-cli ") + command + QStringLiteral(": ") + arg +
                       QStringLiteral(": ") + platform::systemErrorMessage(error ? error : ENOENT));
    return path;
}

QDateTime localTime(qint64 nanoseconds)
{
    return QDateTime::fromMSecsSinceEpoch(nanoseconds / 1000000);
}

// The attribute question of saving over a read-only, hidden or system file;
// true when the answer lets the save go on.
bool protectedTargetAccepted(const QString& source, const QString& destination, bool saveAs,
                             MessageService& messages)
{
    ItemRecord target;
    if (platform::statPath(destination, target) != 0)
        return true;
    const quint32 bits = target.attributes & (AttrReadOnly | AttrHidden | AttrSystem);
    if (!bits)
        return true;
    DialogRequest request;
    request.attributeMask = quint16(bits);
    request.title = saveAs ? QStringLiteral("名前を付けて保存") : QStringLiteral("上書き保存");
    if (saveAs) {
        ItemRecord from;
        platform::statPath(source, from);
        request.text = fileNameOf(destination);
        request.folder = parentOf(destination);
        request.sourceSize = double(from.size);
        request.sourceTime = localTime(from.writeTime);
        request.destinationSize = double(target.size);
        request.destinationTime = localTime(target.writeTime);
        request.kind = ConfirmOverwriteAttr;
    } else {
        request.text = destination;
        request.kind = ConfirmFileAttr;
    }
    const qint16 answer = messages.confirm(request, false);
    return answer == AnswerYes || answer == AnswerYesAll;
}

} // namespace

void writeNotDisplayable(const QString& path)
{
    writeErrorLine(QStringLiteral("ファイル ") + fileNameOf(path) +
                   QStringLiteral(" は\r\n\r\n処理対象形式ではないので表示できません。"));
}

bool isContentError(int error)
{
    return error == EILSEQ || error == EISDIR || error == EINVAL;
}

void writeLoadFailure(const QString& command, const QString& path, int error)
{
    if (!isContentError(error))
        writeErrorLine(QStringLiteral("tovane-cli ") + command + QStringLiteral(": ") + path +
                       QStringLiteral(": ") + platform::systemErrorMessage(error));
    writeNotDisplayable(path);
}

QString showUsage()
{
    return QStringLiteral(
        "  show [--info] [--extended] FILE\n"
        "                 the content of FILE as the content area shows it, as UTF-8;\n"
        "                 --info: category, encoding, bom and newline instead;\n"
        "                 --extended: the language lists of the extended modes too\n"
        "                 (exit 1 when FILE cannot be shown)\n"
        "  resave FILE [--to OUT]\n"
        "                 FILE loaded as the viewer does and saved over itself (or as\n"
        "                 OUT) in the encoding, BOM and line ends it was read with;\n"
        "                 the language lists count, as saving is for the extended modes\n");
}

int runShowCommand(const QStringList& args)
{
    Arguments a;
    const QString complaint = parse(args, false, a);
    if (!complaint.isEmpty())
        return usageError(QStringLiteral("show"), complaint);
    const QString path = fileArgument(QStringLiteral("show"), a.file);
    if (path.isEmpty())
        return ExitFailed;
    const int category = categoryOf(defaultDispExtLists(), fileNameOf(path), a.extended);
    if (category == CategoryNone) {
        writeNotDisplayable(path);
        return ExitFailed;
    }
    ShownContent content;
    const int error = contentHandler(category).show(path, a.info, content);
    if (error != 0) {
        writeLoadFailure(QStringLiteral("show"), path, error);
        return ExitFailed;
    }
    if (a.info) {
        QString text = QStringLiteral("category\t") + QString::number(category) + u'\n';
        for (const auto& [key, value] : std::as_const(content.info))
            text += key + u'\t' + value + u'\n';
        writeBytes(stdout, platform::nameToBytes(text));
    } else {
        writeBytes(stdout, content.output);
    }
    std::fflush(stdout);
    return ExitOk;
}

int runResaveCommand(const QStringList& args, MessageService& messages)
{
    Arguments a;
    const QString complaint = parse(args, true, a);
    if (!complaint.isEmpty())
        return usageError(QStringLiteral("resave"), complaint);
    const QString path = fileArgument(QStringLiteral("resave"), a.file);
    if (path.isEmpty())
        return ExitFailed;
    QString destination = path;
    if (a.hasTo) {
        destination = fileArgument(QStringLiteral("resave"), a.to);
        if (destination.isEmpty())
            return ExitFailed;
    }
    // Only the extended modes edit and save, so their lists count.
    const int category = categoryOf(defaultDispExtLists(), fileNameOf(path), true);
    if (category == CategoryNone) {
        writeNotDisplayable(path);
        return ExitFailed;
    }
    QString failure;
    const int error = contentHandler(category).resave(
        path, destination,
        [&] { return protectedTargetAccepted(path, destination, a.hasTo, messages); }, failure);
    if (error == 0)
        return ExitOk;
    if (!failure.isEmpty())
        messages.showMessage(failure, ButtonsOk, QStringLiteral("ファイル保存"));
    else if (error != ECANCELED) // a cancel has been told already
        writeLoadFailure(QStringLiteral("resave"), path, error);
    return ExitFailed;
}

} // namespace tovane::cli
