#pragma once
// The main window's side of opening files: double-click and Enter in the
// lists, 使用方法, and ファイル → 拡張子関連付け. The launch itself and the
// table's rules are the core's.
//
// GUI thread only.

#include "programs/launcher.h"

#include <functional>
#include <memory>

namespace tovane {

class Browsing;
class DialogX;
class HelpBrowser;
class MainWindow;

class Launching {
public:
    Launching(MainWindow& window, Browsing& browsing);
    ~Launching();

    Launcher& launcher() { return m_launcher; }
    void wireMenus();

    // Launch(path): 1 when a message was shown.
    int launch(const QString& path);
    // Whether `path` is open in either window's editor with unsaved changes.
    bool editedUnsaved(const QString& path) const;

    // 拡張子関連付け. `associationForm` stands in for showing the form
    // (tests): it gets the form and returns its result.
    void editAssociations();
    std::function<int(DialogX&)> associationForm;

    // The "起動中" status line goes a moment after a launch.
    void clearStatusLater();

private:
    class HelpLauncher;

    MainWindow& m_window;
    Browsing& m_browsing;
    Launcher m_launcher;
    std::unique_ptr<HelpLauncher> m_help;
};

} // namespace tovane
