#pragma once
// Opening a file with its program: the association table's program started
// with the file as its one argument; executables started in their own
// folder; desktop entries started as their Exec key says; everything else
// handed to the desktop's opener (gio open, else xdg-open). All failures end
// in one message titled "プログラム起動".
//
// GUI thread only.

#include "core/appsettings.h"
#include "programs/desktopentry.h"

#include <QStringList>

#include <functional>

namespace tovane {

class MessageService;
class ProgressService;

// The program that opens files with the desktop's default application.
struct DesktopOpener {
    enum Kind { None, Gio, XdgOpen };
    Kind kind = None;
    QString program;
    QStringList leadingArguments; // "open" for gio
    // An opener still running after this long has started the application
    // (xdg-open may wait for it to end).
    int waitMs = 2000;

    // gio where it is installed, else xdg-open, else none.
    static DesktopOpener find();
};

// What the desktop opener's end says.
enum class OpenFailure { None, NotFound, NoApplication, LinkBroken, Other };
OpenFailure openFailureFor(DesktopOpener::Kind kind, int exitCode);

// The texts of a failed launch.
QString launchTitle();
QString programFailedText(const QString& extension, const QString& program);
QString openFailedText(const QString& name, OpenFailure failure);
QString beingEditedText(const QString& name);

struct LaunchContext {
    const QList<Association>& table;
    MessageService& messages;
    ProgressService& progress;
    // Whether `path` is in a text editor with unsaved changes (either window).
    std::function<bool(const QString& path)> editedUnsaved;
    DesktopOpener opener;
    QStringList localeNames; // for a desktop entry's Name
    // Folders whose desktop entries are trusted without the execute bit.
    QStringList applicationFolders;
    QString terminal = QStringLiteral("x-terminal-emulator");
};

enum class LaunchResult { Started, MessageShown, SilentFailure, NoApplication };

class Launcher {
public:
    explicit Launcher(LaunchContext context);

    LaunchContext& context() { return m_context; }

    // Launch(path): 1 when an error message was shown, else 0.
    int launch(const QString& path);
    // The same; with `quietNoApplication` a file no desktop application
    // takes gives NoApplication instead of the message.
    LaunchResult open(const QString& path, bool quietNoApplication);

    // The application folders of $XDG_DATA_HOME and $XDG_DATA_DIRS.
    static QStringList standardApplicationFolders();
    static QStringList systemLocaleNames();

private:
    LaunchResult fail(const QString& text);
    OpenFailure startDesktopEntry(const QString& path);
    OpenFailure runOpener(const QString& target, const QString& folder);

    LaunchContext m_context;
};

} // namespace tovane
