#include "support/clirun.h"

#include <QProcess>

namespace tovane::test {

CliRun runCli(const QStringList& args, int timeoutMs)
{
    QProcess p;
    p.start(qEnvironmentVariable("TOVANE_BUILD_DIR") + QStringLiteral("/src/tovane-cli"), args);
    CliRun r;
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace tovane::test
