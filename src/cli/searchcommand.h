#pragma once
// tovane-cli search: the search dialog's search and narrowing without a
// window, printing the result list after the name sort.

#include <QString>
#include <QStringList>

namespace tovane {
class ProgressService;
}

namespace tovane::cli {

int runSearchCommand(const QStringList& args, ProgressService& progress);
QString searchUsage();

} // namespace tovane::cli
