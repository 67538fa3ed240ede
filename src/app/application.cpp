#include "app/application.h"

#include "app/mainwindow.h"
#include "platform/signals.h"
#include "platform/system.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

namespace tovane {

QIcon applicationIcon()
{
    return QIcon(QStringLiteral(":/icons/tovane.svg"));
}

int runApplication(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovane"));
    QApplication::setApplicationVersion(QStringLiteral(TOVANE_VERSION));
    QApplication::setWindowIcon(applicationIcon());
    // Lets Wayland compositors and docks match the window to tovane.desktop.
    QGuiApplication::setDesktopFileName(QStringLiteral("tovane"));
    // The whole interface is Japanese, Qt's own dialogs (files, fonts) too.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tovane: two-window file manager"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption configDir(
        QStringLiteral("config-dir"), QStringLiteral("Settings folder (default ~/.config/tovane)."),
        QStringLiteral("DIR"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Render the main window to a PNG after start-up, then close."),
        QStringLiteral("FILE"));
    parser.addOption(configDir);
    parser.addOption(screenshot);
    parser.process(app);

    const QString folder = platform::settingsFolder(parser.value(configDir));
    if (folder.isEmpty()) {
        std::fprintf(stderr, "tovane: the settings folder cannot be created\n");
        return 2;
    }

    MainWindow window(folder);
    platform::installTerminationHandler([&window](int) { window.close(); });
    window.startUp();

    int exitCode = 0;
    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        // After the first layout pass, so the picture shows what a user sees.
        QTimer::singleShot(200, &window, [&window, file, &exitCode]() {
            if (!window.grab().save(file, "PNG")) {
                std::fprintf(stderr, "tovane: cannot write %s\n", qPrintable(file));
                exitCode = 3;
            }
            window.close();
        });
    }
    const int rc = app.exec();
    return exitCode ? exitCode : rc;
}

} // namespace tovane
