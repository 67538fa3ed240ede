#include "cli/opscommands.h"

#include "archive/archiver.h"
#include "archive/archiverlibraries.h"
#include "fs/namevalidation.h"
#include "ops/renaming.h"
#include "ops/timechange.h"

#include <QRegularExpression>

#include "cli/clisupport.h"
#include "cli/commands.h"
#include "core/appsettings.h"
#include "core/consoleservices.h"
#include "core/mainstate.h"
#include "core/messageservice.h"
#include "core/progressservice.h"
#include "fs/pathcheck.h"
#include "fs/pathrules.h"
#include "fs/volumesource.h"
#include "list/filelist.h"
#include "list/filelistmodel.h"
#include "list/listhost.h"
#include "ops/fileoperations.h"
#include "ops/markedlist.h"
#include "ops/operationhost.h"
#include "platform/names.h"
#include "platform/signals.h"
#include "platform/system.h"
#include "selection/compareselection.h"
#include "selection/selectionhost.h"

#include <QFile>

#include <cstdio>
#include <memory>

namespace tovane::cli {

namespace {

void writeError(const QString& text)
{
    const QByteArray bytes = platform::nameToBytes(text);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

// Every text as "title: text" on stderr. The summary (OK / cancel) is taken
// as OK; questions follow the answer policy.
class OpsMessages : public MessageService {
public:
    OpsMessages(AnswerPolicy policy, bool interactive)
        : m_policy(policy), m_interactive(interactive)
    {
        if (interactive)
            m_stdin.open(stdin, QIODevice::ReadOnly);
    }

protected:
    qint16 present(DialogRequest& request) override
    {
        const DialogLayout layout = layoutFor(request, defaultTitle());
        const QString title = request.title.isEmpty() ? defaultTitle() : request.title;
        writeError(title + QStringLiteral(": ") + consoleText(layout.message) + u'\n');
        if (!layout.showNo && !layout.showCancel)
            return AnswerYes;
        if (!layout.confirmation && layout.buttonSet == ButtonsOkCancel)
            return AnswerYes;
        if (m_policy == AnswerPolicy::Ask && m_interactive && m_stdin.isOpen())
            return ask(layout);
        return ConsoleMessageService::automaticAnswer(layout, m_policy);
    }

private:
    qint16 ask(const DialogLayout& layout)
    {
        QString prompt = QStringLiteral("(y=はい, n=いいえ");
        if (layout.allAnswers)
            prompt += QStringLiteral(", a=すべて はい, N=すべて いいえ");
        if (layout.showCancel)
            prompt += QStringLiteral(", c=キャンセル");
        prompt += QStringLiteral(") > ");
        for (;;) {
            writeError(prompt);
            const QByteArray line = m_stdin.readLine();
            if (line.isEmpty())
                break;
            const QByteArray reply = line.trimmed();
            if (reply == "y")
                return AnswerYes;
            if (reply == "n")
                return AnswerNo;
            if (layout.allAnswers && reply == "a")
                return AnswerYesAll;
            if (layout.allAnswers && reply == "N")
                return AnswerNoAll;
            if (layout.showCancel && reply == "c")
                return AnswerCancel;
        }
        writeError(QStringLiteral("\n"));
        return ConsoleMessageService::automaticAnswer(layout, AnswerPolicy::NoToAll);
    }

    AnswerPolicy m_policy;
    bool m_interactive;
    QFile m_stdin;
};

// LEFT is the selected window, RIGHT the opposite one; only LEFT has a list.
class CliHost : public OperationHost {
public:
    FileListModel left;
    QString folders[2];
    bool levels = true;

    const FileListModel* listModel(WindowIndex w) const override
    {
        return w == LeftWindow ? &left : nullptr;
    }
    QString folderPath(WindowIndex w) const override { return folders[w == RightWindow ? 1 : 0]; }
    bool allLevels(WindowIndex) const override { return levels; }
};

struct Parsed : CompareOptionSet {
    bool allLevels = false;
    bool quiet = false;
    bool erase = false;
    AnswerPolicy policy = AnswerPolicy::NoToAll;
    int attributeIndex = -1;
    QStringList words; // folders, then names
    // --compare: the marks of a compare selection instead of names
    bool compare = false;
};

int attributeIndexOf(const QString& word)
{
    static const char* names[] = {"-R", "+R", "-H", "+H", "-S", "+S", "-A", "+A"};
    for (int i = 0; i < 8; ++i) {
        if (word.compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// Empty on success, else the complaint.
QString parse(const QString& command, const QStringList& args, Parsed& p)
{
    const bool transfer = command != QLatin1String("delete") && command != QLatin1String("attr");
    bool optionsEnd = false;
    for (const QString& arg : args) {
        if (command == QLatin1String("attr") && p.attributeIndex < 0 && !optionsEnd) {
            p.attributeIndex = attributeIndexOf(arg);
            if (p.attributeIndex < 0)
                return QStringLiteral("attr takes +R, -R, +H, -H, +S, -S, +A or -A first");
            continue;
        }
        if (!optionsEnd && arg.startsWith(QLatin1String("--"))) {
            if (arg == QLatin1String("--"))
                optionsEnd = true;
            else if (arg == QLatin1String("--all-levels") && command != QLatin1String("delete"))
                p.allLevels = true;
            else if (arg == QLatin1String("--quiet") && command != QLatin1String("attr"))
                p.quiet = true;
            else if (arg == QLatin1String("--erase") && command == QLatin1String("delete"))
                p.erase = true;
            else if (arg == QLatin1String("--yes-all") && command != QLatin1String("attr"))
                p.policy = AnswerPolicy::YesToAll;
            else if (arg == QLatin1String("--no-all") && command != QLatin1String("attr"))
                p.policy = AnswerPolicy::NoToAll;
            else if (arg == QLatin1String("--ask") && command != QLatin1String("attr"))
                p.policy = AnswerPolicy::Ask;
            else if (arg == QLatin1String("--compare") && transfer)
                p.compare = true;
            else if (!transfer)
                return QStringLiteral("unknown option ") + arg;
            else if (QString error; const int r = parseCompareOption(arg, p, error)) {
                return r < 0 ? QStringLiteral("bad value in ") + arg
                             : QStringLiteral("unknown option ") + arg;
            }
            continue;
        }
        p.words.append(arg);
    }
    const int folders = transfer ? 2 : 1;
    for (int i = 0; i < folders && i < p.words.size(); ++i) {
        if (p.words.at(i).isEmpty())
            return QStringLiteral("an empty folder argument names no folder");
    }
    if (p.compare) {
        if (p.words.size() != 2)
            return QStringLiteral("--compare takes LEFT RIGHT and no names");
        p.applyDefaults();
        return QString();
    }
    if (p.anyCondition || p.both || p.hide.given)
        return QStringLiteral("compare options need --compare");
    if (p.words.size() <= folders)
        return QStringLiteral("folders and at least one NAME are needed");
    for (int i = folders; i < p.words.size(); ++i) {
        const QString& name = p.words.at(i);
        if (name.isEmpty() || name.contains(u'/') || name == QLatin1String(".") ||
            name == QLatin1String(".."))
            return QStringLiteral("a NAME is an item of the folder, not a path: ") + name;
    }
    return QString();
}

int exitCodeOf(int result, const OperationOutcome& outcome, int missing)
{
    if (result == StepCheckFailed || outcome.checkFailed)
        return ExitPathUnavailable;
    if (result == StepCancelled || outcome.cancelled)
        return ExitCancelled;
    if (!outcome.started || outcome.skipped > 0 || outcome.failed > 0 || missing > 0)
        return ExitFailed;
    return ExitOk;
}

QString noTrashText(const QString& mountPoint)
{
    return QStringLiteral("ドライブ ") + mountPoint +
           QStringLiteral(" には Tovane のごみ箱がないため、削除は抹消になります。") +
           QStringLiteral("\r\n\r\n抹消するときは --erase を付けてください。");
}

// Keeps what the comparison would show: it runs with messages off.
class SilentMessages : public MessageService {
protected:
    qint16 present(DialogRequest&) override { return AnswerYes; }
};

// Both lists as the comparison and the copy see them: left selected.
class CompareHost : public SelectionHost, public OperationHost {
public:
    CompareHost(PathChecker& checker, MainState& state, const Parsed& options)
        : m_checker(checker), m_state(state), m_options(options)
    {
    }
    std::array<FileList*, 2> lists{};
    CompareFlags flags;

    // SelectionHost
    FileList* list(WindowIndex w) override { return lists[size_t(w & 1)]; }
    QString windowPath(WindowIndex w) const override
    {
        return lists[size_t(w & 1)]->model()->folder();
    }
    WindowIndex selectedWindow() const override { return LeftWindow; }
    bool twoWindowsShown() const override { return true; }
    bool allLevels(WindowIndex) const override { return m_options.allLevels; }
    bool compareBothWindows() const override { return m_options.both; }
    bool confirmMessages() const override { return false; }
    bool folderAttributesSettable() const override { return true; }
    bool sizeTotalsShown() const override { return false; }
    QString windowLabel(WindowIndex w) const override { return m_state.windowLabel(w); }
    int checkPathWithRepair(WindowIndex w, const QString& path) override
    {
        return m_checker.checkPath(w, path, QString(), true);
    }
    void rebuildAndRefill(WindowIndex w) override { lists[size_t(w & 1)]->refill(); }
    bool confirmUnsavedText(WindowIndex) override { return true; }
    void makeCurrentRow(WindowIndex, int) override {}
    void setStatusText(const QString&) override {}

    // OperationHost
    const FileListModel* listModel(WindowIndex w) const override
    {
        return lists[size_t(w & 1)]->model();
    }
    QString folderPath(WindowIndex w) const override { return windowPath(w); }
    bool compareSelection(WindowIndex) const override { return true; }
    CompareFlags compareFlags(WindowIndex) const override { return flags; }
    quint32 hiddenMask() const override { return m_options.hide.letters; }

private:
    PathChecker& m_checker;
    MainState& m_state;
    const Parsed& m_options;
};

int runCompareTransfer(bool move, const Parsed& p, ProgressService& progress)
{
    OpsMessages messages(p.policy, platform::questionsCanBeAsked());
    messages.setConfirmationMessages(!p.quiet);
    PlatformVolumeSource volumes;
    PathChecker checker(CheckContext{messages, progress, volumes, QStringLiteral("tovane"),
                                     [] { return LeftWindow; }});
    std::array<QString, 2> folders;
    for (WindowIndex w : {LeftWindow, RightWindow}) {
        folders[size_t(w)] = folderArgument(p.words.at(w), messages);
        if (folders[size_t(w)].isEmpty() ||
            !folderUsable(checker, volumes, messages, w, folders[size_t(w)]))
            return ExitPathUnavailable;
    }
    AppSettings settings = listSettings(p.hide.letters);
    settings.setSwitch(FlagCompareBoth, p.both);
    p.conditions.writeTo(settings);
    MainState state;
    state.setInitialTwoWindows(true);
    SilentMessages silent;
    silent.setConfirmationMessages(false);
    NoWindowHost listHost;
    CompareHost host(checker, state, p);
    std::array<std::unique_ptr<FileList>, 2> lists;
    for (WindowIndex w : {LeftWindow, RightWindow}) {
        lists[size_t(w)] = std::make_unique<FileList>(
            w, ListContext{state, settings, silent, progress, volumes, &checker, listHost, {}});
        host.lists[size_t(w)] = lists[size_t(w)].get();
        lists[size_t(w)]->fill(folders[size_t(w)]);
    }
    DesignatedSelection marks(SelectionContext{settings, silent, progress, host});
    CompareSelection compare(SelectionContext{settings, silent, progress, host}, marks);
    const int code = compare.compareSelect(CompareConditions::fromSettings(settings));
    if (code != 0)
        return code > 0 ? ExitPathUnavailable : ExitFailed;
    host.flags = marks.state(LeftWindow).compareFlags;
    if (lists[0]->model()->markedCount() == 0)
        return ExitOk; // nothing differs: nothing to do

    platform::installTerminationHandler([&progress](int) { progress.requestInterrupt(); });
    FileOperations operations(OperationContext{messages, progress, volumes, &checker, host});
    const int result = operations.copyOrMove(LeftWindow, move);
    return exitCodeOf(result, operations.lastRun().outcome, 0);
}

// Exit code of an archive command run.
int archiveExitCode(int result, int failures)
{
    switch (result) {
    case 0:
        return failures > 0 ? ExitFailed : ExitOk;
    case 3:
        return ExitCancelled;
    case 4:
        return ExitPathUnavailable;
    default:
        return ExitFailed;
    }
}

int runArchiveList(const QStringList& args)
{
    if (args.size() != 1 || args.first().isEmpty() || args.first().startsWith(QLatin1String("--"))) {
        writeError(QStringLiteral("tovane-cli archive list: one ARCHIVE is needed\n") + opsUsage());
        return ExitUsage;
    }
    OpsMessages messages(AnswerPolicy::NoToAll, false);
    int error = 0;
    const QString path = absolutePath(args.first(), error);
    ItemRecord record;
    if (path.isEmpty() || platform::statPath(path, record) != 0) {
        writeError(QStringLiteral("tovane: ") +
                   PathChecker::systemErrorText(error ? error : ENOENT) + u'\n');
        return ExitPathUnavailable;
    }
    ConsoleProgressService progress(false);
    CliHost host;
    const ArchiverLibraries libraries = ArchiverLibraries::detect();
    Archiver archiver(ArchiverContext{messages, progress, host, nullptr, libraries, {}, {}, {}});
    const PrepareResult r =
        archiver.prepare(path, false, true, PrepareList, QStringLiteral("ファイル内容表示"));
    if (r.result != 0) {
        if (r.message.isEmpty())
            writeError(QStringLiteral("ファイル内容表示: ") + fileNameOf(path) +
                       QStringLiteral(" は処理対象形式ではないので表示できません。\n"));
        return ExitFailed;
    }
    const QByteArray bytes = platform::nameToBytes(r.listing);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
    return ExitOk;
}

int runArchiveRun(const QString& action, const QStringList& args, ProgressService& progress)
{
    int kind = KindExtract;
    QStringList rest = args;
    if (action == QLatin1String("create")) {
        const QString format = rest.isEmpty() ? QString() : rest.takeFirst();
        kind = format == QLatin1String("cab")   ? KindCab
               : format == QLatin1String("lzh") ? KindLzh
               : format == QLatin1String("zip") ? KindZip
                                                : -1;
        if (kind < 0) {
            writeError(QStringLiteral("tovane-cli archive create: cab, lzh or zip first\n") +
                       opsUsage());
            return ExitUsage;
        }
    }
    bool titleGiven = false;
    QString title;
    bool allLevels = false, quiet = false, optionsEnd = false;
    AnswerPolicy policy = AnswerPolicy::NoToAll;
    QStringList words;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QString& arg = rest.at(i);
        if (!optionsEnd && arg.startsWith(QLatin1String("--"))) {
            if (arg == QLatin1String("--"))
                optionsEnd = true;
            else if (arg == QLatin1String("--all-levels"))
                allLevels = true;
            else if (arg == QLatin1String("--quiet"))
                quiet = true;
            else if (arg == QLatin1String("--yes-all"))
                policy = AnswerPolicy::YesToAll;
            else if (arg == QLatin1String("--no-all"))
                policy = AnswerPolicy::NoToAll;
            else if (arg == QLatin1String("--title") && kind != KindExtract && i + 1 < rest.size()) {
                titleGiven = true;
                title = rest.at(++i);
            } else {
                writeError(QStringLiteral("tovane-cli archive ") + action +
                           QStringLiteral(": unknown option or missing value ") + arg + u'\n' +
                           opsUsage());
                return ExitUsage;
            }
            continue;
        }
        words.append(arg);
    }
    QString complaint;
    if (words.size() < 3)
        complaint = QStringLiteral("SRC DEST and at least one NAME are needed");
    for (qsizetype i = 0; complaint.isEmpty() && i < words.size(); ++i) {
        const QString& w = words.at(i);
        if (w.isEmpty())
            complaint = QStringLiteral("an empty argument names nothing");
        else if (i >= 2 && (w.contains(u'/') || w == QLatin1String(".") || w == QLatin1String("..")))
            complaint = QStringLiteral("a NAME is an item of SRC, not a path: ") + w;
    }
    if (titleGiven && title.isEmpty())
        complaint = QStringLiteral("--title needs a title (a blank for none)");
    if (!complaint.isEmpty()) {
        writeError(QStringLiteral("tovane-cli archive ") + action + QStringLiteral(": ") + complaint +
                   u'\n' + opsUsage());
        return ExitUsage;
    }

    OpsMessages messages(policy, false);
    messages.setConfirmationMessages(!quiet);
    PlatformVolumeSource volumes;
    PathChecker checker(CheckContext{messages, progress, volumes, QStringLiteral("tovane"),
                                     [] { return LeftWindow; }});
    CliHost host;
    host.levels = allLevels;
    for (WindowIndex w : {LeftWindow, RightWindow}) {
        host.folders[w] = folderArgument(words.at(w), messages);
        if (host.folders[w].isEmpty() ||
            !folderUsable(checker, volumes, messages, w, host.folders[w]))
            return ExitPathUnavailable;
    }
    if (const int rc = loadFolderModel(host.left, host.folders[0])) {
        writeError(QStringLiteral("tovane: ") + PathChecker::systemErrorText(rc) + u'\n');
        return ExitPathUnavailable;
    }
    const QStringList missing = markNames(host.left, words.mid(2));
    const QString verb = kind == KindExtract ? QStringLiteral("解凍") : QStringLiteral("圧縮");
    for (const QString& name : missing)
        writeError(verb + QStringLiteral(": ") +
                   consoleText(PathChecker::fileMissingText(host.folders[0], name)) + u'\n');
    if (host.left.markedCount() == 0)
        return ExitFailed;
    platform::installTerminationHandler([&progress](int) { progress.requestInterrupt(); });
    const ArchiverLibraries libraries = ArchiverLibraries::detect();
    Archiver archiver(ArchiverContext{
        messages, progress, host, &checker, libraries,
        [&](const QString&, const QString&, const QString& proposal) {
            return titleGiven ? title : proposal;
        },
        {}, {}});
    const int result = archiver.run(LeftWindow, kind);
    return archiveExitCode(result, archiver.failures() + int(missing.size()));
}

bool plainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

int runRename(const QStringList& args)
{
    if (args.size() != 3 || args.at(0).isEmpty() || !plainName(args.at(1)) ||
        args.at(2).isEmpty() || args.at(2).contains(u'/')) {
        writeError(QStringLiteral("tovane-cli rename: DIR OLD NEW (names, not paths)\n") +
                   opsUsage());
        return ExitUsage;
    }
    // The command line says what it wants: the extension question is a yes.
    OpsMessages messages(AnswerPolicy::YesToAll, false);
    ConsoleProgressService progress(false);
    PlatformVolumeSource volumes;
    PathChecker checker(CheckContext{messages, progress, volumes, QStringLiteral("tovane"),
                                     [] { return LeftWindow; }});
    const QString folder = folderArgument(args.at(0), messages);
    if (folder.isEmpty() || !folderUsable(checker, volumes, messages, LeftWindow, folder))
        return ExitPathUnavailable;
    const QString oldName = args.at(1);
    ItemRecord record;
    if (platform::lookupEntry(folder, oldName, record) != 0 || record.name != oldName) {
        messages.showMessage(PathChecker::fileMissingText(folder, oldName), ButtonsOk,
                             renameTitle());
        return ExitFailed;
    }
    if (hasInvalidNameCharacter(oldName)) {
        messages.showMessage(invalidOldNameText(), ButtonsOk, renameTitle());
        return ExitFailed;
    }
    const QString newName = args.at(2).trimmed();
    NameCheckContext names{&messages, false};
    const int check = validateName(names, folder, newName, oldName, renameTitle(), NameKindRename,
                                   true, true);
    if (check == NameNothingToDo)
        return ExitOk;
    if (check != NameValid)
        return ExitFailed;
    const int rc = renameOne(messages, folder, oldName, newName, record.isFolder(), renameTitle());
    return rc == 0 || rc == -1 ? ExitOk : ExitFailed;
}

int runMakeFolder(const QStringList& args, ProgressService& progress)
{
    if (args.size() != 2 || args.at(0).isEmpty() || args.at(1).isEmpty() ||
        args.at(1).contains(u'/')) {
        writeError(QStringLiteral("tovane-cli mkdir: DIR NAME (a name, not a path)\n") +
                   opsUsage());
        return ExitUsage;
    }
    OpsMessages messages(AnswerPolicy::NoToAll, false);
    PlatformVolumeSource volumes;
    PathChecker checker(CheckContext{messages, progress, volumes, QStringLiteral("tovane"),
                                     [] { return LeftWindow; }});
    CliHost host;
    host.folders[0] = folderArgument(args.at(0), messages);
    if (host.folders[0].isEmpty() ||
        !folderUsable(checker, volumes, messages, LeftWindow, host.folders[0]))
        return ExitPathUnavailable;
    const QString name = args.at(1);
    NameCheckContext names{&messages, false};
    if (validateName(names, host.folders[0], name, QString(), folderCreateTitle(), NameKindPlain,
                     true, true) != NameValid)
        return ExitFailed;
    FileOperations operations(OperationContext{messages, progress, volumes, &checker, host});
    const int r = operations.createFolder(LeftWindow, name);
    if (r == StepCheckFailed)
        return ExitPathUnavailable;
    return r == StepDone ? ExitOk : ExitFailed;
}

// "yyyy/mm/dd hh:nn:ss" (the time may be left out) as local time, checked
// as the form checks it (an odd second lowered); years 1601 to 9999.
bool parseTouchTime(const QString& text, bool dateOnly, qint64& nanoseconds, QString& complaint)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{4})/(\\d{1,2})/(\\d{1,2})(?: (\\d{1,2}):(\\d{1,2}):(\\d{1,2}))?$"));
    const QRegularExpressionMatch m = pattern.match(narrowWidth(text).trimmed());
    if (!m.hasMatch()) {
        complaint = QStringLiteral("a time is \"yyyy/mm/dd hh:nn:ss\": ") + text;
        return false;
    }
    TimeInput input;
    input.presentYear = 5000;
    input.yearsBack = 3399;
    input.yearsAhead = 4999;
    for (int i = 1; i <= 6; ++i)
        input.fields << (m.captured(i).isEmpty() || (dateOnly && i > 3) ? QStringLiteral("0")
                                                                        : m.captured(i));
    int firstWrong = -1;
    const QString wrong = checkTimeInput(input, firstWrong);
    if (!wrong.isEmpty()) {
        complaint = text + QStringLiteral(": ") + wrong;
        return false;
    }
    const QDateTime local(QDate(input.fields[0].toInt(), input.fields[1].toInt(),
                                input.fields[2].toInt()),
                          QTime(input.fields[3].toInt(), input.fields[4].toInt(),
                                input.fields[5].toInt()),
                          Qt::LocalTime);
    nanoseconds = local.toMSecsSinceEpoch() * 1000000;
    return true;
}

int runTouch(const QStringList& args, ProgressService& progress)
{
    TimeRequest request;
    bool allLevels = false, quiet = false, optionsEnd = false;
    AnswerPolicy policy = AnswerPolicy::NoToAll;
    QStringList words;
    auto fail = [](const QString& complaint) {
        writeError(QStringLiteral("tovane-cli touch: ") + complaint + u'\n' + opsUsage());
        return ExitUsage;
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!optionsEnd && arg.startsWith(QLatin1String("--"))) {
            const bool timed = arg == QLatin1String("--created") ||
                               arg == QLatin1String("--modified") ||
                               arg == QLatin1String("--accessed");
            if (arg == QLatin1String("--")) {
                optionsEnd = true;
            } else if (timed) {
                if (i + 1 >= args.size())
                    return fail(QStringLiteral("missing value of ") + arg);
                qint64 ns = 0;
                QString complaint;
                const bool access = arg == QLatin1String("--accessed");
                if (!parseTouchTime(args.at(++i), access, ns, complaint))
                    return fail(complaint);
                if (arg == QLatin1String("--created")) {
                    request.kinds |= platform::TimeCreation;
                    request.times.creation = ns;
                } else if (access) {
                    request.kinds |= platform::TimeAccess;
                    request.times.access = ns;
                } else {
                    request.kinds |= platform::TimeWrite;
                    request.times.write = ns;
                }
            } else if (arg == QLatin1String("--all-levels")) {
                allLevels = true;
            } else if (arg == QLatin1String("--quiet")) {
                quiet = true;
            } else if (arg == QLatin1String("--yes-all")) {
                policy = AnswerPolicy::YesToAll;
            } else if (arg == QLatin1String("--no-all")) {
                policy = AnswerPolicy::NoToAll;
            } else {
                return fail(QStringLiteral("unknown option ") + arg);
            }
            continue;
        }
        words.append(arg);
    }
    if (request.kinds == 0)
        return fail(QStringLiteral("--created, --modified or --accessed is needed"));
    if (words.size() < 2 || words.first().isEmpty())
        return fail(QStringLiteral("DIR and at least one NAME are needed"));
    for (qsizetype i = 1; i < words.size(); ++i)
        if (!plainName(words.at(i)))
            return fail(QStringLiteral("a NAME is an item of DIR, not a path: ") + words.at(i));

    OpsMessages messages(policy, false);
    messages.setConfirmationMessages(!quiet);
    PlatformVolumeSource volumes;
    PathChecker checker(CheckContext{messages, progress, volumes, QStringLiteral("tovane"),
                                     [] { return LeftWindow; }});
    CliHost host;
    host.levels = allLevels;
    host.folders[0] = folderArgument(words.first(), messages);
    if (host.folders[0].isEmpty() ||
        !folderUsable(checker, volumes, messages, LeftWindow, host.folders[0]))
        return ExitPathUnavailable;
    if (const int rc = loadFolderModel(host.left, host.folders[0])) {
        writeError(QStringLiteral("tovane: ") + PathChecker::systemErrorText(rc) + u'\n');
        return ExitPathUnavailable;
    }
    const QStringList missing = markNames(host.left, words.mid(1));
    for (const QString& name : missing)
        writeError(timeChangeTitle() + QStringLiteral(": ") +
                   consoleText(PathChecker::fileMissingText(host.folders[0], name)) + u'\n');
    if (host.left.markedCount() == 0)
        return ExitFailed;
    platform::installTerminationHandler([&progress](int) { progress.requestInterrupt(); });
    OperationContext context{messages, progress, volumes, &checker, host};
    TimeChange change(context);
    change.preset = request;
    const int r = change.run(LeftWindow);
    if (r == 3)
        return ExitCancelled;
    if (r == 4)
        return ExitPathUnavailable;
    return r == 0 && missing.isEmpty() ? ExitOk : ExitFailed;
}

} // namespace

int runRenameCommand(const QString& command, const QStringList& args, ProgressService& progress)
{
    if (command == QLatin1String("touch"))
        return runTouch(args, progress);
    return command == QLatin1String("rename") ? runRename(args) : runMakeFolder(args, progress);
}

int runArchiveCommand(const QStringList& args, ProgressService& progress)
{
    const QString action = args.value(0);
    if (action == QLatin1String("list"))
        return runArchiveList(args.mid(1));
    if (action == QLatin1String("extract") || action == QLatin1String("create"))
        return runArchiveRun(action, args.mid(1), progress);
    writeError(QStringLiteral("tovane-cli archive: list, extract or create\n") + opsUsage());
    return ExitUsage;
}

QString opsUsage()
{
    return QStringLiteral(
        "  copy|move [--all-levels] [--quiet] [--yes-all|--no-all|--ask] LEFT RIGHT NAME...\n"
        "                 copy or move the named items of LEFT into RIGHT (questions are\n"
        "                 answered no-to-all unless told otherwise)\n"
        "  copy|move [compare options as for compare] --compare LEFT RIGHT\n"
        "                 copy or move what a compare selection of LEFT against RIGHT\n"
        "                 marks (folders: only the entries that differ)\n"
        "  delete [--erase] [--quiet] [--yes-all|--no-all|--ask] DIR NAME...\n"
        "                 move the named items of DIR to the trash, or erase them;\n"
        "                 on a volume without a trash (not a fixed disk: removable,\n"
        "                 network, tmpfs) only --erase deletes, else nothing is done\n"
        "  attr +R|-R|+H|-H|+S|-S|+A|-A [--all-levels] DIR NAME...\n"
        "                 set or clear one attribute of the named items\n"
        "  rename DIR OLD NEW\n"
        "                 rename one item of DIR after the name check (never over another)\n"
        "  mkdir DIR NAME\n"
        "                 create the folder NAME in DIR after the name check\n"
        "  touch [--created T] [--modified T] [--accessed T] [--all-levels] [--quiet]\n"
        "        [--yes-all|--no-all] DIR NAME...\n"
        "                 set the times of the named items (T \"yyyy/mm/dd hh:nn:ss\", local\n"
        "                 time, an odd second lowered; the access time takes the date)\n"
        "  archive list ARCHIVE\n"
        "                 print the listing of a cab, lzh or zip archive\n"
        "  archive extract [--all-levels] [--quiet] [--yes-all|--no-all] SRC DEST NAME...\n"
        "                 extract the named archives of SRC (with --all-levels also the\n"
        "                 archives inside named folders), each into its own folder in DEST\n"
        "  archive create cab|lzh|zip [--title TITLE] [--all-levels] [--quiet]\n"
        "                 [--yes-all|--no-all] SRC DEST NAME...\n"
        "                 pack the named items of SRC into DEST/TITLE.ext (TITLE \" \": .ext;\n"
        "                 without --title the first item's name without its extension)\n"
        "                 exit: 0 all done, 1 some skipped or failed, 3 cancelled,\n"
        "                 4 a folder check failed, 2 bad usage\n");
}

int runOpsCommand(const QString& command, const QStringList& args, ProgressService& progress)
{
    Parsed p;
    const QString complaint = parse(command, args, p);
    if (!complaint.isEmpty()) {
        writeError(QStringLiteral("tovane-cli ") + command + QStringLiteral(": ") + complaint +
                   u'\n' + opsUsage());
        return ExitUsage;
    }
    const bool transfer = command == QLatin1String("copy") || command == QLatin1String("move");
    if (p.compare)
        return runCompareTransfer(command == QLatin1String("move"), p, progress);

    OpsMessages messages(p.policy, platform::questionsCanBeAsked());
    messages.setConfirmationMessages(!p.quiet);
    PlatformVolumeSource volumes;
    PathChecker checker(CheckContext{messages, progress, volumes, QStringLiteral("tovane"),
                                     [] { return LeftWindow; }});
    CliHost host;
    host.levels = command == QLatin1String("delete") || p.allLevels;
    const QStringList names = p.words.mid(transfer ? 2 : 1);
    // Both folders pass before anything is read: a file as RIGHT must not
    // surface later as an error about a source item.
    for (WindowIndex w : {LeftWindow, RightWindow}) {
        if (w == RightWindow && !transfer)
            break;
        host.folders[w] = folderArgument(p.words.at(w), messages);
        if (host.folders[w].isEmpty() ||
            !folderUsable(checker, volumes, messages, w, host.folders[w]))
            return ExitPathUnavailable;
    }
    if (command == QLatin1String("delete") && !p.erase && deleteErases(volumes, host.folders[0])) {
        // The window erases here without asking; a script must say so.
        messages.showMessage(noTrashText(volumes.mountPointOf(host.folders[0])), ButtonsOk,
                             QStringLiteral("削除"));
        return ExitFailed;
    }
    if (const int rc = loadFolderModel(host.left, host.folders[0])) {
        writeError(QStringLiteral("tovane: ") + PathChecker::systemErrorText(rc) + u'\n');
        return ExitPathUnavailable;
    }
    const QStringList missing = markNames(host.left, names);
    const QString title = command == QLatin1String("copy")   ? QStringLiteral("コピー")
                          : command == QLatin1String("move") ? QStringLiteral("移動")
                          : command == QLatin1String("attr") ? QStringLiteral("属性変更")
                                                             : QStringLiteral("削除");
    for (const QString& name : missing)
        writeError(title + QStringLiteral(": ") +
                   consoleText(PathChecker::fileMissingText(host.folders[0], name)) + u'\n');
    if (host.left.markedCount() == 0)
        return ExitFailed;

    // SIGINT becomes the interrupt request, seen at the next event pump
    // (between items and between the chunks of a file).
    platform::installTerminationHandler([&progress](int) { progress.requestInterrupt(); });

    FileOperations operations(OperationContext{messages, progress, volumes, &checker, host});
    int result = StepSkipped;
    if (transfer)
        result = operations.copyOrMove(LeftWindow, command == QLatin1String("move"));
    else if (command == QLatin1String("delete"))
        result = operations.deleteItems(LeftWindow, p.erase ? ModifierShift : 0);
    else
        result = operations.changeAttributes(LeftWindow, p.attributeIndex);
    return exitCodeOf(result, operations.lastRun().outcome, int(missing.size()));
}

} // namespace tovane::cli
