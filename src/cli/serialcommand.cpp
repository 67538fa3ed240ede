#include "cli/serialcommand.h"

#include "cli/clisupport.h"
#include "cli/commands.h"
#include "cli/opscommands.h"
#include "core/consoleservices.h"
#include "core/progressservice.h"
#include "fs/namevalidation.h"
#include "fs/pathcheck.h"
#include "fs/volumesource.h"
#include "list/filelistmodel.h"
#include "ops/markedlist.h"
#include "ops/serialnaming.h"
#include "platform/filesystem.h"
#include "platform/names.h"
#include "platform/signals.h"

#include <cstdio>

namespace tovane::cli {

namespace {

// A number field as the form reads it: full-width digits count, anything
// else is refused.
bool numberOption(const QString& value, qint64& out)
{
    const QString narrow = narrowWidth(value).trimmed();
    if (narrow.isEmpty() || narrow.size() > 9)
        return false;
    for (const QChar c : narrow) {
        if (c < u'0' || c > u'9')
            return false;
    }
    out = narrow.toLongLong();
    return true;
}

void complain(const QString& text)
{
    writeErrorLine(QStringLiteral("tovane-cli serial: ") + text);
    writeBytes(stderr, platform::nameToBytes(serialUsage()));
}

} // namespace

QString serialUsage()
{
    return QStringLiteral(
        "  serial [--fixed TEXT] [--digits N] [--start N] [--step N] [--dry-run] [--quiet]\n"
        "         DIR NAME...\n"
        "                 rename the named files of DIR to TEXT + a running number + their\n"
        "                 extension (defaults: the first name without its trailing digits,\n"
        "                 the fewest digits, from 0 in steps of 1); numbers move past every\n"
        "                 name DIR already holds; prints OLD<TAB>NEW per file\n");
}

int runSerialCommand(const QStringList& args, ProgressService& progress)
{
    bool fixedGiven = false, dryRun = false, quiet = false, optionsEnd = false;
    QString fixed;
    qint64 digits = -1, start = -1, step = -1;
    QStringList words;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!optionsEnd && arg.startsWith(QLatin1String("--"))) {
            auto value = [&](qint64& out) {
                return i + 1 < args.size() && numberOption(args.at(++i), out);
            };
            if (arg == QLatin1String("--"))
                optionsEnd = true;
            else if (arg == QLatin1String("--dry-run"))
                dryRun = true;
            else if (arg == QLatin1String("--quiet"))
                quiet = true;
            else if (arg == QLatin1String("--fixed") && i + 1 < args.size()) {
                fixedGiven = true;
                fixed = args.at(++i);
            } else if (arg == QLatin1String("--digits") && value(digits)) {
            } else if (arg == QLatin1String("--start") && value(start)) {
            } else if (arg == QLatin1String("--step") && value(step)) {
            } else {
                complain(QStringLiteral("unknown option, missing or bad value: ") + arg);
                return ExitUsage;
            }
            continue;
        }
        words.append(arg);
    }
    if (words.size() < 2 || words.first().isEmpty()) {
        complain(QStringLiteral("DIR and at least one NAME are needed"));
        return ExitUsage;
    }
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString& name = words.at(i);
        if (name.isEmpty() || name.contains(u'/') || name == QLatin1String(".") ||
            name == QLatin1String("..")) {
            complain(QStringLiteral("a NAME is an item of DIR, not a path: ") + name);
            return ExitUsage;
        }
    }
    if (fixedGiven && hasInvalidNameCharacter(fixed)) {
        complain(QStringLiteral("the fixed part holds a character names cannot: ") + fixed);
        return ExitUsage;
    }

    // The one question is the confirmation: a script that names the files means it.
    ConsoleMessageService messages(AnswerPolicy::YesToAll, false);
    messages.setConfirmationMessages(!quiet);
    PlatformVolumeSource volumes;
    PathChecker checker(CheckContext{messages, progress, volumes, QStringLiteral("tovane"),
                                     [] { return LeftWindow; }});
    const QString folder = folderArgument(words.first(), messages);
    if (folder.isEmpty() || !folderUsable(checker, volumes, messages, LeftWindow, folder))
        return ExitPathUnavailable;
    // Every entry counts against the planned names, also those a list hides.
    FileListModel model;
    if (const int rc = loadFolderModel(model, folder)) {
        writeErrorLine(QStringLiteral("tovane: ") + PathChecker::systemErrorText(rc));
        return ExitPathUnavailable;
    }
    const QStringList missing = markNames(model, words.mid(1));
    for (const QString& name : missing)
        writeErrorLine(serialTitle() + QStringLiteral(": ") +
                       consoleText(PathChecker::fileMissingText(folder, name)));
    QStringList targets, entries;
    bool foldersMarked = false;
    for (int row = 0, n = model.count(); row < n; ++row) {
        const ItemRecord& r = model.rowAt(row).record;
        entries.append(r.name);
        if (!model.marked(row))
            continue;
        if (r.isFolder())
            foldersMarked = true;
        else
            targets.append(r.name);
    }
    if (targets.isEmpty())
        return ExitFailed;
    if (messages.showMessage(serialConfirmationText(int(targets.size()), foldersMarked),
                             ButtonsOkCancel, serialTitle()) != AnswerYes)
        return ExitCancelled;

    SerialPlan plan = defaultSerialPlan(targets);
    if (fixedGiven)
        plan.fixed = fixed;
    if (digits >= 0)
        plan.digits = int(std::min<qint64>(digits, 99));
    if (start >= 0)
        plan.first = start;
    if (step >= 0)
        plan.step = step;
    plan = clampedSerialPlan(plan, int(targets.size()));
    if (checkSerialPlan(plan, targets, entries) != SerialFree) {
        messages.showMessage(serialNoFreeRunText(), ButtonsOk, serialTitle());
        return ExitFailed;
    }

    platform::installTerminationHandler([&progress](int) { progress.requestInterrupt(); });
    int failed = int(missing.size());
    for (qsizetype k = 0; k < targets.size(); ++k) {
        if (progress.pumpEvents())
            return ExitCancelled;
        const QString next = serialName(plan, int(k), targets[k]);
        writeBytes(stdout, platform::nameToBytes(targets[k] + u'\t' + next + u'\n'));
        if (dryRun)
            continue;
        // Never over an entry that appeared meanwhile.
        const int rc = platform::renameItem(folder + targets[k], folder + next);
        if (rc != 0) {
            ++failed;
            writeErrorLine(serialTitle() + QStringLiteral(": ") + targets[k] +
                           QStringLiteral(" → ") + next + QStringLiteral(": ") +
                           PathChecker::systemErrorText(rc));
        }
    }
    std::fflush(stdout);
    return failed > 0 ? ExitFailed : ExitOk;
}

} // namespace tovane::cli
