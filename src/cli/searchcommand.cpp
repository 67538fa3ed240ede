#include "cli/searchcommand.h"

#include "archive/archiverlibraries.h"
#include "cli/clisupport.h"
#include "cli/commands.h"
#include "core/consoleservices.h"
#include "core/progressservice.h"
#include "fs/pathcheck.h"
#include "fs/volumesource.h"
#include "platform/names.h"
#include "platform/signals.h"
#include "search/filesearch.h"
#include "search/namepattern.h"

#include <cstdio>

namespace tovane::cli {

namespace {

// A pattern as the pattern box leaves it; empty when nothing is left.
QString boxPattern(const QString& typed)
{
    int caret = int(typed.size());
    QString p = correctedSearchPattern(typed, caret);
    while (p.endsWith(u' '))
        p.chop(1);
    return p;
}

int complain(const QString& text)
{
    writeErrorLine(QStringLiteral("tovane-cli search: ") + text);
    writeBytes(stderr, platform::nameToBytes(searchUsage()));
    return ExitUsage;
}

} // namespace

QString searchUsage()
{
    return QStringLiteral(
        "  search [--in-archives] [--filter=EXT,...] [--hide=R,H,S,C] [--kb]\n"
        "         [--narrow PATTERN]... PATTERN DIR\n"
        "                 find names matching PATTERN below DIR (* and ?, letter case\n"
        "                 ignored), also inside cab/lzh/zip archives; each --narrow\n"
        "                 narrows the result in turn; prints name, relative path, size,\n"
        "                 date and attributes TAB-separated, then the count line\n"
        "                 (exit 0, also without hits; 2 bad usage; 4 DIR not available)\n");
}

int runSearchCommand(const QStringList& args, ProgressService& progress)
{
    SearchOptions options;
    options.kilobytes = false;
    HideOption hide;
    QStringList narrows;
    QStringList words;
    bool optionsEnd = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!optionsEnd && arg.startsWith(QLatin1String("--"))) {
            if (arg == QLatin1String("--")) {
                optionsEnd = true;
            } else if (arg == QLatin1String("--in-archives")) {
                options.inArchives = true;
            } else if (arg == QLatin1String("--kb")) {
                options.kilobytes = true;
            } else if (arg.startsWith(QLatin1String("--filter="))) {
                options.listFilter = extensionRun(QStringView(arg).mid(9));
                if (options.listFilter.isEmpty())
                    return complain(QStringLiteral("--filter takes extensions"));
            } else if (arg.startsWith(QLatin1String("--hide="))) {
                if (!hide.take(QStringView(arg).mid(7)))
                    return complain(QStringLiteral("--hide takes letters of R,H,S,C"));
            } else if (arg == QLatin1String("--narrow") && i + 1 < args.size()) {
                const QString p = boxPattern(args.at(++i));
                if (p.isEmpty())
                    return complain(QStringLiteral("--narrow needs a pattern"));
                narrows << p;
            } else {
                return complain(QStringLiteral("unknown option or missing value ") + arg);
            }
            continue;
        }
        words << arg;
    }
    if (words.size() != 2)
        return complain(QStringLiteral("PATTERN and DIR are needed"));
    options.pattern = boxPattern(words[0]);
    if (options.pattern.isEmpty())
        return complain(QStringLiteral("an empty PATTERN finds nothing"));
    if (words[1].isEmpty())
        return complain(QStringLiteral("an empty DIR names no folder"));
    options.hiddenMask = hide.mask();
    options.archiveExtensions = ArchiverLibraries::detect().archiveExtensionSet();

    ConsoleMessageService messages(AnswerPolicy::NoToAll, false);
    PlatformVolumeSource volumes;
    PathChecker checker(CheckContext{messages, progress, volumes, QStringLiteral("tovane"),
                                     [] { return LeftWindow; }});
    const QString folder = folderArgument(words[1], messages);
    if (folder.isEmpty() || !folderUsable(checker, volumes, messages, LeftWindow, folder))
        return ExitPathUnavailable;

    platform::installTerminationHandler([&progress](int) { progress.requestInterrupt(); });
    SearchResult result;
    searchFolders({folder}, options, &progress, result);
    for (const QString& p : narrows) {
        SearchResult narrowed;
        narrowResult(result, p, &progress, narrowed);
        result = narrowed;
    }
    sortHitsByName(result.hits);
    QString out;
    for (const SearchHit& h : result.hits)
        out += h.name + u'\t' + h.path + u'\t' + h.size + u'\t' + h.date + u'\t' + h.attributes +
               u'\n';
    out += searchResultLine(result) + u'\n';
    writeBytes(stdout, platform::nameToBytes(out));
    std::fflush(stdout);
    return ExitOk;
}

} // namespace tovane::cli
