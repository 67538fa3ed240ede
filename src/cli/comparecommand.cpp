#include "cli/comparecommand.h"

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
#include "list/listhost.h"
#include "platform/names.h"
#include "selection/compareselection.h"
#include "selection/selectionhost.h"

#include <cstdio>
#include <memory>

namespace tovane::cli {

namespace {

struct CompareOptions : CompareOptionSet {
    bool allLevels = false;
    QStringList folders;
};

// Two lists without windows: left selected, both shown.
class CliSelectionHost : public SelectionHost {
public:
    CliSelectionHost(const CompareOptions& options, PathChecker& checker, MainState& state)
        : m_options(options), m_checker(checker), m_state(state)
    {
    }
    std::array<FileList*, 2> lists{};

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

private:
    const CompareOptions& m_options;
    PathChecker& m_checker;
    MainState& m_state;
};

QString parse(const QStringList& args, CompareOptions& o)
{
    bool optionsEnd = false;
    for (const QString& arg : args) {
        if (optionsEnd || !arg.startsWith(QLatin1String("--"))) {
            if (arg.isEmpty())
                return QStringLiteral("an empty LEFT or RIGHT names no folder");
            o.folders.append(arg);
            continue;
        }
        const QStringView a(arg);
        if (arg == QLatin1String("--")) {
            optionsEnd = true;
        } else if (arg == QLatin1String("--all-levels")) {
            o.allLevels = true;
        } else if (arg == QLatin1String("--both")) {
            o.both = true;
        } else {
            QString error;
            const int r = parseCompareOption(arg, o, error);
            if (r < 0)
                return error;
            if (r > 0)
                return QStringLiteral("unknown option ") + arg;
        }
    }
    if (o.folders.size() != 2)
        return QStringLiteral("two folders are compared: LEFT RIGHT");
    o.applyDefaults();
    return QString();
}

void appendMarked(QString& out, QChar side, const FileListModel& model,
                  const DesignatedSelection& marks, WindowIndex w)
{
    const WindowSelection& s = marks.state(w);
    for (int row = 0, n = model.count(); row < n; ++row) {
        const FileListModel::Row& r = model.rowAt(row);
        if (!r.marked)
            continue;
        const bool copyTarget = s.counted.value(r.record.name).copyTarget;
        out += side;
        out += u'\t';
        out += r.record.name;
        out += r.record.isFolder() ? u"\tD\t" : u"\tF\t";
        out += copyTarget ? u'C' : u'-';
        out += u'\n';
        if (out.size() >= (1 << 16)) {
            writeBytes(stdout, platform::nameToBytes(out));
            out.clear();
        }
    }
}

QString countLine(QChar side, const SelectionCounters& c)
{
    return QStringLiteral("COUNT\t") + side + u'\t' + QString::number(c.marked.items) + u'\t' +
           QString::number(c.marked.folders) + u'\t' + QString::number(c.marked.files) + u'\t' +
           QString::number(c.copyTargets.items) + u'\n';
}

} // namespace

QString compareUsage()
{
    return QStringLiteral(
        "  compare [--exist] [--date=newer|older|any] [--size=larger|smaller|any]\n"
        "       [--attr] [--case] [--all-levels] [--both] [--hide=R,H,S,C] LEFT RIGHT\n"
        "                 the compare selection of LEFT against RIGHT (default: --exist\n"
        "                 --date=newer): marked items as L/R, name, D/F, C/- (copy\n"
        "                 target), then COUNT side marked folders files copy-targets\n");
}

int runCompareCommand(const QStringList& args, ProgressService& progress)
{
    CompareOptions o;
    const QString complaint = parse(args, o);
    if (!complaint.isEmpty()) {
        writeErrorLine(QStringLiteral("tovane-cli compare: ") + complaint + u'\n' + compareUsage());
        return ExitUsage;
    }

    CapturingMessages messages;
    messages.setConfirmationMessages(false);
    PlatformVolumeSource volumes;
    PathChecker checker(CheckContext{messages, progress, volumes, QStringLiteral("tovane"),
                                     [] { return LeftWindow; }});
    std::array<QString, 2> folders;
    for (WindowIndex w : {LeftWindow, RightWindow}) {
        folders[size_t(w)] = folderArgument(o.folders[w], messages);
        if (folders[size_t(w)].isEmpty() ||
            checker.checkPath(w, folders[size_t(w)], QString(), true) != CheckAvailable) {
            for (const QString& text : std::as_const(messages.texts))
                writeErrorLine(text);
            return ExitPathUnavailable;
        }
        ItemRecord record;
        if (volumes.statPath(stripSeparator(folders[size_t(w)]), record) != 0 ||
            !record.isFolder()) {
            writeErrorLine(PathChecker::pathMissingText(folders[size_t(w)]));
            return ExitPathUnavailable;
        }
    }

    AppSettings settings = listSettings(o.hide.mask());
    settings.setSwitch(FlagCompareBoth, o.both);
    o.conditions.writeTo(settings);
    MainState state;
    state.setInitialTwoWindows(true);
    NoWindowHost listHost;
    CliSelectionHost host(o, checker, state);
    std::array<std::unique_ptr<FileList>, 2> lists;
    for (WindowIndex w : {LeftWindow, RightWindow}) {
        lists[size_t(w)] = std::make_unique<FileList>(
            w, ListContext{state, settings, messages, progress, volumes, &checker, listHost, {}});
        host.lists[size_t(w)] = lists[size_t(w)].get();
        lists[size_t(w)]->fill(folders[size_t(w)]);
    }

    DesignatedSelection marks(SelectionContext{settings, messages, progress, host});
    CompareSelection compare(SelectionContext{settings, messages, progress, host}, marks);
    messages.texts.clear();
    const int code = compare.compareSelect(CompareConditions::fromSettings(settings));
    for (const QString& text : std::as_const(messages.texts))
        writeErrorLine(text);
    if (code != 0) {
        if (code > 0)
            return ExitPathUnavailable;
        return ExitFailed;
    }

    QString out;
    appendMarked(out, u'L', *lists[0]->model(), marks, LeftWindow);
    if (o.both)
        appendMarked(out, u'R', *lists[1]->model(), marks, RightWindow);
    out += countLine(u'L', marks.counters(LeftWindow));
    if (o.both)
        out += countLine(u'R', marks.counters(RightWindow));
    writeBytes(stdout, platform::nameToBytes(out));
    std::fflush(stdout);
    return ExitOk;
}

} // namespace tovane::cli
