#pragma once
// tovane-cli list: one folder's items as the file list shows them.

#include <QStringList>

namespace tovane {
class ProgressService;
}

namespace tovane::cli {

// `args` are the words after "list". Returns the exit code.
int runListCommand(const QStringList& args, ProgressService& progress);

QString listUsage();

} // namespace tovane::cli
