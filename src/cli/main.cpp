// tovane-cli: the command-line front end. It runs the same engine code as the
// GUI; messages go to stderr and questions are answered by policy.

#include "cli/commands.h"
#include "platform/names.h"
#include "platform/system.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>

#include <cstring>
#include <memory>

namespace {

// The command word: the first argument that is no global option.
bool drawsPictures(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) != 0)
            return std::strcmp(argv[i], "render") == 0;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    tovane::platform::pinLocalTimeZone();
    // Drawing pictures may lay out text (SVG, metafiles), which needs the GUI
    // application's fonts; no window is ever shown.
    std::unique_ptr<QCoreApplication> app;
    if (drawsPictures(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("tovane-cli"));
    // Arguments are paths: decode them losslessly, not through the locale.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << tovane::platform::nameFromBytes(
            QByteArrayView(argv[i], qsizetype(std::strlen(argv[i]))));
    return tovane::cli::run(args);
}
