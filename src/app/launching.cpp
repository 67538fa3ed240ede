#include "app/launching.h"

#include "app/browsing.h"
#include "app/contentarea.h"
#include "app/dialogx.h"
#include "app/helpwindow.h"
#include "app/mainwindow.h"
#include "core/appsettings.h"
#include "viewer/contentdisplay.h"

#include <QAction>
#include <QTimer>

namespace tovane {

namespace {
constexpr int StatusClearMs = 3000;
}

// 使用方法 through the launch: the page's association or the desktop's
// default; the window's own help window when no application takes it.
class Launching::HelpLauncher : public HelpBrowser {
public:
    HelpLauncher(Launching& owner, Launcher& launcher) : m_owner(owner), m_launcher(launcher) {}
    bool available() override
    {
        return !programForExtension(m_launcher.context().table, QStringLiteral("html")).isEmpty() ||
               m_launcher.context().opener.kind != DesktopOpener::None;
    }
    bool open(const QString& page) override
    {
        const LaunchResult r = m_launcher.open(page, true);
        m_owner.clearStatusLater();
        return r == LaunchResult::Started || r == LaunchResult::MessageShown;
    }

private:
    Launching& m_owner;
    Launcher& m_launcher;
};

Launching::Launching(MainWindow& window, Browsing& browsing)
    : m_window(window), m_browsing(browsing),
      m_launcher(LaunchContext{window.settings().associations, window.messages(), window.progress(),
                               [this](const QString& path) { return editedUnsaved(path); },
                               DesktopOpener::find(), Launcher::systemLocaleNames(),
                               Launcher::standardApplicationFolders()})
{
    m_browsing.launchFile = [this](WindowIndex, const QString& path) { launch(path); };
    m_help = std::make_unique<HelpLauncher>(*this, m_launcher);
    // A browser put in by a test stays.
    if (!m_window.helpBrowserReplaced())
        m_window.setHelpBrowser(m_help.get());
}

Launching::~Launching()
{
    m_browsing.launchFile = nullptr;
    if (m_window.helpBrowserIs(m_help.get()))
        m_window.setHelpBrowser(nullptr);
}

void Launching::wireMenus()
{
    if (QAction* a = m_window.menus().action("mnuFileItem", 17)) {
        QObject::connect(a, &QAction::triggered, &m_window, [this] { editAssociations(); });
        a->setEnabled(true);
    }
}

int Launching::launch(const QString& path)
{
    const int failed = m_launcher.launch(path);
    clearStatusLater();
    return failed;
}

void Launching::clearStatusLater()
{
    // The status goes once the program had time to show itself, unless
    // something else has been said there meanwhile.
    const QString shown = m_window.progress().statusText();
    QTimer::singleShot(StatusClearMs, &m_window, [window = &m_window, shown] {
        if (window->progress().statusText() == shown)
            window->progress().setStatusText(QString());
    });
}

bool Launching::editedUnsaved(const QString& path) const
{
    ContentArea* content = m_window.content();
    if (!content)
        return false;
    const WindowIndex selected = m_window.selectedWindow();
    for (const WindowIndex w : {selected, WindowIndex(1 - selected)}) {
        const ContentState& s = content->display().state(w);
        if (s.modified && !s.shownPath.isEmpty() && s.shownPath == path)
            return true;
    }
    return false;
}

void Launching::editAssociations()
{
    DialogX form(m_window.settings().associations, m_window.messages(),
                 m_window.settings().switchOn(FlagConfirmMessages), m_window.dialogEnvironment(),
                 &m_window);
    if (associationForm)
        associationForm(form);
    else
        form.exec();
    m_window.syncDialogEnvironment();
    m_window.updateMenus(m_window.selectedWindow());
    m_window.focusWindow(m_window.selectedWindow());
}

} // namespace tovane
