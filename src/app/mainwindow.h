#pragma once
// The main window `Form1`: two windows side by side, the menu bar, the
// toolbar and the status panels. It shows the main state and the settings
// and forwards commands; the rules themselves live in tovane-core.
//
// GUI thread only.

#include "app/menubar.h"
#include "app/qtservices.h"
#include "app/toolbar.h"
#include "core/appsettings.h"
#include "core/deferredjobs.h"
#include "core/dialogplacement.h"
#include "core/keymap.h"
#include "core/layoutrules.h"
#include "core/mainstate.h"
#include "core/startup.h"

#include <QMainWindow>
#include <QSet>
#include <array>
#include <functional>
#include <memory>

class QLabel;
class QTimer;
class QToolBar;

namespace tovane {

class Browsing;
class ContentArea;
class Texting;
class HelpBrowser;
class HelpWindow;
class Launching;
class ListImaging;
class ListMenu;
class Operating;
class Placing;
class Selecting;
class Watching;
class WindowPane;

class MainWindow : public QMainWindow, private SwitchHost {
    Q_OBJECT
public:
    explicit MainWindow(const QString& settingsFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs the start-up sequence: system facts, settings, probes, both
    // windows, then shows the window. Call once.
    void startUp();
    // The shut-down sequence with a reset mode (0 ordinary close, 1-5 the
    // reset command). False when it was refused or cancelled.
    bool shutDown(int resetMode);

    // The services the engines talk through. Tests may put scripted ones in
    // before startUp(); the window does not own replacements.
    MessageService& messages() { return *m_messages; }
    void setMessageService(MessageService* service);
    QtProgressService& progress() { return m_progress; }

    MainState& state() { return m_state; }
    const AppSettings& settings() const { return m_settings; }
    AppSettings& settings() { return m_settings; }
    const StartupFacts& facts() const { return m_facts; }
    MenuBar& menus() { return m_menus; }
    Toolbar& toolbar() { return m_toolbar; }
    WindowPane* pane(WindowIndex w) const { return m_panes[w == RightWindow ? 1 : 0]; }
    QLabel* statusPanel(int n) const { return m_statusPanels[qBound(1, n, 3) - 1]; }
    DialogEnvironment dialogEnvironment();
    void syncDialogEnvironment();
    ScreenMetrics screenMetrics() const { return m_metrics; }
    QString settingsFolder() const { return m_settingsFolder; }
    QString settingsFile() const;
    QString imageCacheFile() const;

    // Part of the window state the commands change.
    WindowIndex selectedWindow() const { return m_state.selected(); }
    void activateWindowIndex(WindowIndex w, int mode);
    void focusWindow(WindowIndex w, int flag = 0);
    void setWindowPath(WindowIndex w, const QString& path);
    // Tree and list of w are read again once no operation runs any more.
    void markForRefresh(WindowIndex w);

    // Commands.
    void commandWindowCount();
    void commandSwitchWindow();
    void commandFunctionMode(int mode);
    void commandReset(int index);
    void commandFontSize(int index);
    void commandConfirmMessages(bool on);
    void commandAbout();
    void commandHelp();
    // The desktop browser 使用方法 tries first; tests put in one that is
    // missing. The window does not own a replacement.
    void setHelpBrowser(HelpBrowser* browser);
    bool helpBrowserReplaced() const { return m_helpBrowser != m_ownHelpBrowser.get(); }
    bool helpBrowserIs(const HelpBrowser* browser) const { return m_helpBrowser == browser; }
    // Tovane's own help window once it was needed, else null.
    HelpWindow* helpWindow() const { return m_helpWindow; }
    void commandStop();

    // The key handling of the main window and of the dialogs' Ctrl keys.
    // Returns true when the key was taken.
    bool handleKey(int key, Qt::KeyboardModifiers modifiers);
    KeyContext keyContext() const;

    // Hooks of later subsystems. The unsaved-text question returns false
    // when the user cancels the close.
    std::function<bool(WindowIndex)> unsavedTextCheck;
    std::function<void()> deselectAll;
    std::function<void(WindowIndex)> refreshVolumes;
    // The window's tree and list read again (最新の情報に更新).
    std::function<void(WindowIndex)> refreshWindow;
    std::function<int(WindowIndex)> chosenFileCount;
    // CheckUnsaved of the text viewer: 1 when the user chose to save.
    std::function<int(WindowIndex)> checkUnsaved;
    // Keys that act on the shown content; true when taken.
    std::function<bool(const KeyAction&)> viewerKey;
    // The slide show: its deferred jobs and whether it runs.
    std::function<void()> slideStep;
    std::function<void()> slidePause;
    std::function<bool()> slideShowRunning;

    // The trees and lists of both windows; null before startUp().
    Browsing* browsing() const { return m_browsing.get(); }
    Selecting* selecting() const { return m_selecting.get(); }
    Operating* operating() const { return m_operating.get(); }
    Placing* placing() const { return m_placing.get(); }
    Watching* watching() const { return m_watching.get(); }
    ListMenu* listMenu() const { return m_listMenu; }
    ContentArea* content() const { return m_content.get(); }
    Texting* texting() const { return m_texting.get(); }
    Launching* launching() const { return m_launching.get(); }
    ListImaging* listImaging() const { return m_listImaging.get(); }
    const CapabilityFlags& capabilities() const { return m_capabilities; }
    void closeDestinationList();
    // The window's state shown again after a change: menu enabling, the
    // menus' check marks, the panes' layout.
    void updateMenus(WindowIndex w);
    void applyMenuMarks();
    void layoutPanes();

    DeferredJobs& deferredJobs() { return m_jobs; }
    bool startupFinished() const { return m_state.started(); }
    int resetModeOfLastClose() const { return m_lastResetMode; }

Q_SIGNALS:
    void closedWithResetMode(int mode);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildStatusBar();
    void wireMenus();
    void wireToolbar();
    void wireJobs();
    void applyBusy(bool on, int mode);
    void refreshScreenMetrics();
    void applyActivation(const Activation& a);
    void applyDivisions(WindowIndex w);
    void onTreeDrag(WindowIndex w, int width, bool released);
    void onUpperDrag(WindowIndex w, int height, bool released);
    void moveDivider(int direction, bool shift);
    void applyMainGeometry();
    void applyFontSize();
    void onApplicationActive();
    void onMousePress(QWidget* widget);
    bool destinationListOpen() const;
    void startupWarnings();
    void applyBusySwitchLabels();
    void perform(const SwitchStep& step) override;
    void runImageCacheStep(int resetMode);
    SettingsContext settingsContext() const;
    int panelCapacity() const;

    QString m_settingsFolder;
    MainState m_state;
    AppSettings m_settings;
    StartupFacts m_facts;
    CapabilityFlags m_capabilities;
    ScreenMetrics m_metrics;
    DialogPositions m_positions;
    MenuBar m_menus;
    Toolbar m_toolbar;
    QToolBar* m_toolbarWidget = nullptr;
    std::array<WindowPane*, 2> m_panes{};
    std::array<QLabel*, 3> m_statusPanels{};
    QtProgressService m_progress;
    std::unique_ptr<QtMessageService> m_ownMessages;
    MessageService* m_messages = nullptr;
    DeferredJobs m_jobs;
    std::unique_ptr<Browsing> m_browsing;
    std::unique_ptr<Selecting> m_selecting;
    std::unique_ptr<Operating> m_operating;
    std::unique_ptr<Placing> m_placing;
    std::unique_ptr<Watching> m_watching;
    std::unique_ptr<ContentArea> m_content;
    std::unique_ptr<Texting> m_texting;
    std::unique_ptr<Launching> m_launching;
    std::unique_ptr<ListImaging> m_listImaging;
    ListMenu* m_listMenu = nullptr; // a child: it goes with the window
    std::unique_ptr<HelpBrowser> m_ownHelpBrowser;
    HelpBrowser* m_helpBrowser = nullptr;
    HelpWindow* m_helpWindow = nullptr;
    QString m_helpPage; // the page shipped with the program, when there is one
    QToolBar* m_compareBar = nullptr;
    QTimer* m_jobTimer = nullptr;
    std::unique_ptr<JobTimer> m_jobTimerAdapter;
    std::array<bool, ToolbarPositions + 1> m_enabledBeforeBusy{};
    std::array<bool, 7> m_menusEnabledBeforeBusy{};
    // The commands that follow the window's state (wired at start-up).
    QSet<QAction*> m_wiredCommands;
    int m_startModifiers = 0;
    int m_lastResetMode = -1;
    int m_pendingResetMode = 0;
    bool m_closing = false;
    bool m_interruptRequested = false;
};

} // namespace tovane
