#pragma once

#include <QStringList>

namespace tovane::cli {

// Exit codes shared by every command.
enum ExitCode { ExitOk = 0, ExitFailed = 1, ExitUsage = 2, ExitPathUnavailable = 4 };

int run(const QStringList& args);

} // namespace tovane::cli
