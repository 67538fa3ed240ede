#pragma once
// tovane-cli copy, move, delete and attr: the file operations of the GUI on
// a designated selection of named items, without a window. Messages and
// questions go to stderr as "title: text"; the summary is taken as OK.

#include <QString>
#include <QStringList>

namespace tovane {
class ProgressService;
}

namespace tovane::cli {

// Beyond the shared exit codes: the run was cancelled (answer or SIGINT).
constexpr int ExitCancelled = 3;

// `command` is "copy", "move", "delete" or "attr"; `args` the words after it.
int runOpsCommand(const QString& command, const QStringList& args, ProgressService& progress);

// "rename" DIR OLD NEW, "mkdir" DIR NAME and "touch" [times] DIR NAME....
int runRenameCommand(const QString& command, const QStringList& args, ProgressService& progress);

// `args` are the words after "archive": list, extract or create.
int runArchiveCommand(const QStringList& args, ProgressService& progress);

QString opsUsage();

} // namespace tovane::cli
