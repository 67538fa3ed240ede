#include "cli/listcommand.h"

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
#include "platform/filesystem.h"
#include "platform/names.h"

#include <cstdio>

namespace tovane::cli {

namespace {

struct ListOptions {
    bool kilobytes = false;
    bool folderSizes = false;
    HideOption hide;
    int sortColumn = 0;
    bool descending = false;
    QString filter; // " ext," form
    QString folder;
};

bool parseSort(QStringView value, int& column)
{
    static const QStringView names[] = {u"name", u"size", u"time", u"attr"};
    for (int c = 0; c < 4; ++c) {
        if (value == names[c]) {
            column = c;
            return true;
        }
    }
    return false;
}


// Empty on success, else the complaint.
QString parse(const QStringList& args, ListOptions& o)
{
    bool optionsEnd = false;
    for (const QString& arg : args) {
        if (!optionsEnd && arg.startsWith(QLatin1String("--"))) {
            if (arg == QLatin1String("--")) {
                optionsEnd = true;
            } else if (arg == QLatin1String("--kb")) {
                o.kilobytes = true;
            } else if (arg == QLatin1String("--folder-sizes")) {
                o.folderSizes = true;
            } else if (arg == QLatin1String("--desc")) {
                o.descending = true;
            } else if (arg.startsWith(QLatin1String("--hide="))) {
                if (!o.hide.take(QStringView(arg).mid(7)))
                    return QStringLiteral("--hide takes letters of R,H,S,C");
            } else if (arg.startsWith(QLatin1String("--sort="))) {
                if (!parseSort(QStringView(arg).mid(7), o.sortColumn))
                    return QStringLiteral("--sort takes name, size, time or attr");
            } else if (arg.startsWith(QLatin1String("--filter="))) {
                o.filter = extensionRun(QStringView(arg).mid(9));
            } else {
                return QStringLiteral("unknown option ") + arg;
            }
            continue;
        }
        if (arg.isEmpty())
            return QStringLiteral("an empty DIR names no folder");
        if (!o.folder.isEmpty())
            return QStringLiteral("only one folder can be listed");
        o.folder = arg;
    }
    if (o.folder.isEmpty())
        return QStringLiteral("no folder given");
    return QString();
}

} // namespace

QString listUsage()
{
    return QStringLiteral(
        "  list [--kb] [--folder-sizes] [--hide=R,H,S,C] [--sort=name|size|time|attr]\n"
        "       [--desc] [--filter=ext,ext] DIR\n"
        "                 the items of DIR as the file list shows them (name, size,\n"
        "                 time, attributes, TAB-separated), then TOTAL items folders files\n");
}

int runListCommand(const QStringList& args, ProgressService& progress)
{
    ListOptions o;
    const QString complaint = parse(args, o);
    if (!complaint.isEmpty()) {
        writeErrorLine(QStringLiteral("tovane-cli list: ") + complaint + u'\n' + listUsage());
        return ExitUsage;
    }
    CapturingMessages messages;
    const QString folder = folderArgument(o.folder, messages);
    PlatformVolumeSource volumes;
    PathChecker checker(CheckContext{messages, progress, volumes, QStringLiteral("tovane"),
                                     [] { return LeftWindow; }});
    if (folder.isEmpty() ||
        checker.checkPath(LeftWindow, folder, QString(), true) != CheckAvailable) {
        for (const QString& text : std::as_const(messages.texts))
            writeErrorLine(text);
        return ExitPathUnavailable;
    }
    ItemRecord record;
    if (volumes.statPath(stripSeparator(folder), record) != 0 || !record.isFolder()) {
        writeErrorLine(PathChecker::pathMissingText(addSeparator(folder)));
        return ExitPathUnavailable;
    }

    AppSettings settings = listSettings(o.hide.mask(), o.folderSizes);
    settings.sort[0] = sortValue(o.sortColumn, o.descending);
    settings.dispExtList[ListFilterList] = o.filter;
    MainState state;
    state.slot(0).sizeUnitKB = o.kilobytes;
    NoWindowHost host;
    FileList list(LeftWindow,
                  ListContext{state, settings, messages, progress, volumes, &checker, host, {}});
    list.fill(folder);

    const FileListModel& model = *list.model();
    QString out;
    constexpr qsizetype FlushAt = 1 << 16;
    for (int row = 0, n = model.count(); row < n; ++row) {
        for (int column = 0; column < SortableColumnCount; ++column) {
            if (column > 0)
                out += u'\t';
            out += model.cellText(row, column);
        }
        out += u'\n';
        if (out.size() >= FlushAt) {
            writeBytes(stdout, platform::nameToBytes(out));
            out.clear();
        }
    }
    const ItemCounts& counts = list.listCounts();
    out += QStringLiteral("TOTAL\t") + QString::number(counts.items) + u'\t' +
           QString::number(counts.folders) + u'\t' + QString::number(counts.files) + u'\n';
    writeBytes(stdout, platform::nameToBytes(out));
    std::fflush(stdout);
    return ExitOk;
}

} // namespace tovane::cli
