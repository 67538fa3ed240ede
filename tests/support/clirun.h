#pragma once
// Runs the built tovane-cli (TOVANE_BUILD_DIR) with its stdin closed and
// gives back what a script would see.

#include <QByteArray>
#include <QStringList>

namespace tovane::test {

struct CliRun {
    int exitCode = -1; // -1: it did not finish in time
    QByteArray out;
    QByteArray err;
};

CliRun runCli(const QStringList& args, int timeoutMs = 60000);

} // namespace tovane::test
