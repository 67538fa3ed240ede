#include "cli/commands.h"

#include "cli/comparecommand.h"
#include "cli/listcommand.h"
#include "cli/opscommands.h"
#include "cli/rendercommand.h"
#include "cli/searchcommand.h"
#include "cli/serialcommand.h"
#include "cli/showcommand.h"

#include "core/consoleservices.h"
#include "fs/itemtext.h"
#include "platform/errortext.h"
#include "platform/filesystem.h"
#include "platform/names.h"
#include "platform/system.h"
#include "platform/volumes.h"

#include <QTextStream>

#include <cstdio>

namespace tovane::cli {

namespace {

struct Services {
    MessageService& messages;
    ProgressService& progress;
};

void writeOut(const QString& text)
{
    // Names are written back as the bytes they were read as.
    const QByteArray bytes = platform::nameToBytes(text);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void writeErr(const QString& text)
{
    const QByteArray bytes = platform::nameToBytes(text);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

QString usage()
{
    return QStringLiteral(
               "usage: tovane-cli [--answers=no-to-all|yes-to-all|ask] [--verbose] COMMAND [ARGS]\n"
               "options:\n"
               "  --answers=POLICY  how questions are answered (default no-to-all: nothing is\n"
               "                    ever overwritten or deleted without being told to)\n"
               "  --verbose         write progress texts to stderr\n"
               "commands:\n"
               "  volumes        list the volumes (mount point, type, file system, label, sizes)\n"
               "  stat PATH...   show the item record of each path\n"
               "  version        print the version\n") +
           listUsage() + compareUsage() + opsUsage() + serialUsage() + searchUsage() + showUsage() + renderUsage();
}

int commandVolumes()
{
    static const char* typeNames[] = {"unknown", "removable", "fixed",
                                      "network", "cdrom",     "ramdisk"};
    for (const platform::VolumeInfo& v : platform::listVolumes()) {
        platform::VolumeSpace space;
        const int rc = platform::volumeSpace(v.mountPoint, space);
        const QString type = QString::fromLatin1(typeNames[qBound(0, v.driveType, 5)]);
        QString line = v.mountPoint + u'\t' + type + u'\t' + v.fileSystem + u'\t' + v.label + u'\t';
        if (rc == 0)
            line += QString::number(qint64(space.totalBytes)) + u'\t' +
                    QString::number(qint64(space.availableBytes));
        else
            line += QStringLiteral("-\t-");
        line += v.readOnly ? QStringLiteral("\tro") : QStringLiteral("\trw");
        writeOut(line + u'\n');
    }
    return ExitOk;
}

int commandStat(const QStringList& paths)
{
    if (paths.isEmpty()) {
        writeErr(usage());
        return ExitUsage;
    }
    int result = ExitOk;
    for (const QString& path : paths) {
        ItemRecord rec;
        const int rc = platform::statPath(path, rec);
        if (rc != 0) {
            writeErr(path + QStringLiteral(": ") + platform::systemErrorMessage(rc) + u'\n');
            result = ExitFailed;
            continue;
        }
        writeOut(path + u'\t' + QString::number(rec.size) + u'\t' + fileTimeText(rec.writeTime) +
                 u'\t' + fileTimeText(rec.creationTime) + u'\t' + attributeLetters(rec.attributes) +
                 (rec.isSymlink ? QStringLiteral("\tlink") : QString()) + u'\n');
    }
    return result;
}

} // namespace

int run(const QStringList& arguments)
{
    QStringList args = arguments;
    AnswerPolicy policy = AnswerPolicy::NoToAll;
    bool verbose = false;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.first();
        if (option.startsWith(QLatin1String("--answers="))) {
            if (!parseAnswerPolicy(option.mid(10), policy)) {
                writeErr(QStringLiteral("tovane-cli: unknown answer policy ") + option.mid(10) +
                         u'\n');
                return ExitUsage;
            }
        } else if (option == QLatin1String("--verbose")) {
            verbose = true;
        } else {
            break;
        }
        args.removeFirst();
    }
    const bool interactive = platform::questionsCanBeAsked();
    ConsoleMessageService messages(policy, interactive);
    ConsoleProgressService progress(verbose);
    Services services{messages, progress};
    (void)services; // the commands that ask questions or show progress take them

    if (args.isEmpty() || args.first() == QLatin1String("--help") ||
        args.first() == QLatin1String("-h")) {
        writeOut(usage());
        return args.isEmpty() ? ExitUsage : ExitOk;
    }
    const QString command = args.first();
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("version") || command == QLatin1String("--version")) {
        writeOut(QStringLiteral("tovane-cli " TOVANE_VERSION "\n"));
        return ExitOk;
    }
    if (command == QLatin1String("volumes"))
        return commandVolumes();
    if (command == QLatin1String("stat"))
        return commandStat(rest);
    if (command == QLatin1String("list"))
        return runListCommand(rest, progress);
    if (command == QLatin1String("compare"))
        return runCompareCommand(rest, progress);
    if (command == QLatin1String("copy") || command == QLatin1String("move") ||
        command == QLatin1String("delete") || command == QLatin1String("attr"))
        return runOpsCommand(command, rest, progress);
    if (command == QLatin1String("rename") || command == QLatin1String("mkdir") ||
        command == QLatin1String("touch"))
        return runRenameCommand(command, rest, progress);
    if (command == QLatin1String("search"))
        return runSearchCommand(rest, progress);
    if (command == QLatin1String("serial"))
        return runSerialCommand(rest, progress);
    if (command == QLatin1String("archive"))
        return runArchiveCommand(rest, progress);
    if (command == QLatin1String("show"))
        return runShowCommand(rest);
    if (command == QLatin1String("resave"))
        return runResaveCommand(rest, messages);
    if (command == QLatin1String("render"))
        return runRenderCommand(rest);
    writeErr(QStringLiteral("tovane-cli: unknown command ") + command + u'\n' + usage());
    return ExitUsage;
}

} // namespace tovane::cli
