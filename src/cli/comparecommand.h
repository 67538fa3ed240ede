#pragma once
// tovane-cli compare: the compare selection of two folders, as the main
// window runs it, printed as the marked items and their counts.

#include <QStringList>

namespace tovane {
class ProgressService;
}

namespace tovane::cli {

// `args` are the words after "compare". Returns the exit code.
int runCompareCommand(const QStringList& args, ProgressService& progress);

QString compareUsage();

} // namespace tovane::cli
