// tovane-cli: the command-line front end. It runs the same engine code as the
// GUI; messages go to stderr and questions are answered by policy.

#include "cli/commands.h"
#include "platform/names.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstring>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tovane-cli"));
    // Arguments are paths: decode them losslessly, not through the locale.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << tovane::platform::nameFromBytes(
            QByteArrayView(argv[i], qsizetype(std::strlen(argv[i]))));
    return tovane::cli::run(args);
}
