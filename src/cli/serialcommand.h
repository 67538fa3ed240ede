#pragma once
// tovane-cli serial: serial-number renaming of the named files of a folder,
// planned as the form plans it from its defaults and the given values.

#include <QString>
#include <QStringList>

namespace tovane {
class ProgressService;
}

namespace tovane::cli {

int runSerialCommand(const QStringList& args, ProgressService& progress);
QString serialUsage();

} // namespace tovane::cli
