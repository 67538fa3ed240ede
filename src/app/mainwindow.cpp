#include "app/mainwindow.h"

#include "app/browsing.h"
#include "app/contentarea.h"
#include "app/imaging.h"
#include "app/listimaging.h"
#include "app/dialog.h"
#include "app/frmabout.h"
#include "app/helpwindow.h"
#include "app/launching.h"
#include "app/operating.h"
#include "app/placing.h"
#include "app/selecting.h"
#include "app/texting.h"
#include "app/watching.h"
#include "app/windowpane.h"
#include "core/commandstates.h"
#include "core/resetcommand.h"
#include "fs/pathrules.h"
#include "tree/treerules.h"
#include "tree/widgets/destinationlistwidget.h"
#include "viewer/editrules.h"

#include <QAction>
#include <QLineEdit>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

namespace tovane {

namespace {

class QtJobTimer : public JobTimer {
public:
    explicit QtJobTimer(QTimer* timer) : m_timer(timer) {}
    void start(int intervalMs) override { m_timer->start(qMax(0, intervalMs)); }
    void stop() override { m_timer->stop(); }

private:
    QTimer* m_timer;
};

constexpr int TopMenuCount = 6;

} // namespace

MainWindow::MainWindow(const QString& settingsFolder, QWidget* parent)
    : QMainWindow(parent), m_settingsFolder(settingsFolder)
{
    setObjectName(QStringLiteral("Form1"));
    m_ownMessages = std::make_unique<QtMessageService>(this);
    m_ownMessages->selectedWindow = [this] { return int(m_state.selected()); };
    m_ownMessages->reselectWindow = [this](int w) { activateWindowIndex(w, -1); };
    m_messages = m_ownMessages.get();
    m_messages->setDefaultTitle(QStringLiteral("tovane"));
    m_ownHelpBrowser = std::make_unique<HelpBrowser>();
    m_helpBrowser = m_ownHelpBrowser.get();

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Central"));
    for (int w = 0; w < 2; ++w) {
        auto* pane = new WindowPane(w, central);
        m_panes[w] = pane;
        connect(pane, &WindowPane::activated, this,
                [this](int window) { activateWindowIndex(window, 4); });
        connect(
            pane, &WindowPane::treeWidthDragged, this,
            [this](int window, int width, bool released) { onTreeDrag(window, width, released); });
        connect(pane, &WindowPane::upperHeightDragged, this,
                [this](int window, int height, bool released) {
                    onUpperDrag(window, height, released);
                });
        connect(pane, &WindowPane::resized, this, [this](int window) { applyDivisions(window); });
    }
    setCentralWidget(central);
    central->installEventFilter(this);

    m_menus = buildMenuBar(menuBar(), this);
    m_toolbarWidget = new QToolBar(this);
    m_toolbarWidget->setMovable(false);
    m_toolbarWidget->setFloatable(false);
    m_toolbar = buildToolbar(m_toolbarWidget, this);
    addToolBar(Qt::TopToolBarArea, m_toolbarWidget);
    buildStatusBar();

    m_progress.progressTextChanged = [this](const QString& text) {
        m_statusPanels[1]->setText(text);
    };
    m_progress.statusTextChanged = [this](const QString& text) {
        m_statusPanels[0]->setText(text);
    };
    m_progress.busyChanged = [this](bool on, int mode) { applyBusy(on, mode); };
    m_progress.capacity = [this] { return panelCapacity(); };

    wireMenus();
    wireToolbar();
    wireJobs();

    // Keys reach the main window before its controls.
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive)
            onApplicationActive();
    });
    refreshScreenMetrics();
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    m_launching.reset();
    m_texting.reset();
    m_content.reset();
    // The views and their adapters go before the engines they show.
    for (WindowPane*& p : m_panes) {
        delete p;
        p = nullptr;
    }
    m_listImaging.reset();
    m_watching.reset();
    m_placing.reset();
    m_operating.reset();
    m_selecting.reset();
    m_browsing.reset();
}

void MainWindow::setMessageService(MessageService* service)
{
    m_messages = service ? service : m_ownMessages.get();
}

QString MainWindow::settingsFile() const
{
    return addSeparator(m_settingsFolder) + QStringLiteral("Tovane.ini");
}

QString MainWindow::imageCacheFile() const
{
    return addSeparator(m_settingsFolder) + QStringLiteral("Tovane.img");
}

void MainWindow::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("StatusBar_") + QString::number(i + 1));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMinimumWidth(60);
        label->setTextFormat(Qt::PlainText);
        // A long progress line is cut at the panel's edge; it must never
        // widen the main window.
        if (i == 1)
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        m_statusPanels[i] = label;
        bar->addPermanentWidget(label, i == 1 ? 2 : 1);
    }
}

int MainWindow::panelCapacity() const
{
    return qMax(0, (m_statusPanels[1]->width() - 15) / 7);
}

void MainWindow::syncDialogEnvironment()
{
    m_ownMessages->environment() = dialogEnvironment();
}

DialogEnvironment MainWindow::dialogEnvironment()
{
    DialogEnvironment env;
    env.positions = &m_positions;
    env.metrics = m_metrics;
    env.fontSizeIndex = m_state.fontSizeIndex();
    env.messagesAtRememberedPosition = m_state.messageBoxAtRemembered();
    env.stopAction = m_toolbar.button(ToolbarStopButton);
    env.keyHook = [this](QKeyEvent* e) { handleKey(e->key(), e->modifiers()); };
    return env;
}

void MainWindow::refreshScreenMetrics()
{
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    m_metrics = screenMetricsFor(this);
    if (!screen)
        return;
    const int title = style() ? style()->pixelMetric(QStyle::PM_TitleBarHeight) : 23;
    m_metrics.captionHeight = m_metrics.toTwips(title);
    m_metrics.menuHeight = m_metrics.toTwips(menuBar()->sizeHint().height());
    syncDialogEnvironment();
}

// ---------------------------------------------------------------- menus

void MainWindow::wireMenus()
{
    auto on = [this](const char* control, int index, auto handler) {
        if (QAction* a = m_menus.action(control, index)) {
            connect(a, &QAction::triggered, this, handler);
            a->setEnabled(true);
        }
    };
    on("mnuWindowItem", 0, [this] { commandWindowCount(); });
    on("mnuWindowItem", 1, [this] { commandSwitchWindow(); });
    for (int i = 0; i < 4; ++i) {
        on("mnuSetType", i, [this, i] { commandFunctionMode(i); });
        on("mnuDispPoint", i, [this, i] { commandFontSize(i); });
    }
    for (int i = 0; i < 5; ++i)
        on("mnuFileINI", i, [this, i] { commandReset(i); });
    on("mnuFileItem", 21, [this] { close(); });
    on("mnuDispMsg", 0, [this] { commandConfirmMessages(true); });
    on("mnuDispMsg", 1, [this] { commandConfirmMessages(false); });
    on("mnuSetItem", 4, [this] {
        QAction* a = m_menus.action("mnuSetItem", 4);
        m_state.setReselectHidden(a && a->isChecked());
    });
    on("mnuMenu", 6, [this] { commandAbout(); });
    on("mnuHelpItem", 3, [this] { commandHelp(); });
    // Menus with no command of their own yet keep their items disabled; the
    // top-level entry of the version caption opens the version window.
    if (QAction* version = m_menus.action("mnuMenu", 6)) {
        if (QMenu* m = version->menu())
            connect(m, &QMenu::aboutToShow, this,
                    [this] { QTimer::singleShot(0, this, [this] { commandAbout(); }); });
    }
}

void MainWindow::wireToolbar()
{
    for (const ToolbarButton& b : tovane::toolbarButtons()) {
        QAction* a = m_toolbar.button(b.position);
        if (!a)
            continue;
        if (b.position == ToolbarStopButton) {
            connect(a, &QAction::triggered, this, [this] { commandStop(); });
            continue;
        }
        if (b.position == ToolbarHelpButton) {
            connect(a, &QAction::triggered, this, [this] { commandHelp(); });
            continue;
        }
        if (!b.control)
            continue;
        QAction* item = m_menus.action(b.control, b.index);
        if (!item)
            continue;
        // A click stands for the menu item: same command, same enabled state.
        connect(a, &QAction::triggered, this, [this, item] {
            closeDestinationList();
            if (item->isEnabled())
                item->trigger();
        });
        a->setEnabled(item->isEnabled());
        connect(item, &QAction::enabledChanged, a, [this, a](bool enabled) {
            if (!m_progress.busy())
                a->setEnabled(enabled);
        });
    }
}

void MainWindow::wireJobs()
{
    m_jobTimer = new QTimer(this);
    m_jobTimer->setObjectName(QStringLiteral("Timer"));
    m_jobTimer->setSingleShot(true);
    m_jobTimerAdapter = std::make_unique<QtJobTimer>(m_jobTimer);
    m_jobs.setTimer(m_jobTimerAdapter.get());
    connect(m_jobTimer, &QTimer::timeout, this, [this] { m_jobs.fire(); });

    DeferredJobHandlers h;
    h.selectedWindow = [this] { return m_state.selected(); };
    h.operationRunning = [this] { return m_progress.busy(); };
    h.refreshPending = [this] { return m_state.anyRefreshMarked(); };
    h.slideStep = [this] {
        if (slideStep)
            slideStep();
    };
    h.slidePause = [this] {
        if (slidePause)
            slidePause();
    };
    h.refreshMarked = [this] {
        BusyScope busy(m_progress);
        for (int i = 0; i < 2; ++i) {
            const WindowIndex w = m_state.pair()[i];
            if (m_state.refreshMarked(w) && refreshWindow)
                refreshWindow(w);
        }
        m_state.clearRefreshMarks();
        activateWindowIndex(m_state.selected(), 4);
    };
    h.windowJob = [this](WindowIndex w, int job) {
        switch (job) {
        case JobActivate:
            activateWindowIndex(w, 4);
            break;
        case JobFocusList:
            if (pane(w)->list()->isVisible() && pane(w)->list()->isEnabled())
                pane(w)->list()->setFocus();
            break;
        case JobRestorePointer:
            m_progress.showProgress(ProgressService::PointerDefault, QString(),
                                    ProgressService::SetPointer | ProgressService::SetText);
            break;
        case JobRepaintList:
            pane(w)->list()->setEnabled(false);
            pane(w)->list()->setEnabled(true);
            break;
        default:
            break; // the list's own jobs come with the list
        }
    };
    m_jobs.setHandlers(std::move(h));
}

// ---------------------------------------------------------------- busy state

void MainWindow::applyBusy(bool on, int mode)
{
    Q_UNUSED(mode);
    QAction* stop = m_toolbar.button(ToolbarStopButton);
    if (m_state.busyLeavesToolbar()) {
        if (stop)
            stop->setEnabled(on);
        return;
    }
    const QList<QAction*> tops = menuBar()->actions();
    if (on) {
        for (int p = 1; p <= ToolbarPositions; ++p) {
            QAction* a = m_toolbar.button(p);
            m_enabledBeforeBusy[p] = a && a->isEnabled();
            if (a && !isToolbarSeparator(p))
                a->setEnabled(p == ToolbarStopButton);
        }
        for (int i = 0; i < TopMenuCount && i < tops.size(); ++i) {
            m_menusEnabledBeforeBusy[i] = tops[i]->isEnabled();
            tops[i]->setEnabled(false);
        }
    } else {
        for (int p = 1; p <= ToolbarPositions; ++p) {
            QAction* a = m_toolbar.button(p);
            if (!a || isToolbarSeparator(p))
                continue;
            if (p == ToolbarStopButton)
                a->setEnabled(false);
            else if (p == ToolbarHelpButton)
                a->setEnabled(m_facts.helpFilePresent);
            else
                a->setEnabled(m_enabledBeforeBusy[p]);
        }
        for (int i = 0; i < TopMenuCount && i < tops.size(); ++i)
            tops[i]->setEnabled(true);
        updateMenus(m_state.selected());
    }
}

void MainWindow::commandStop()
{
    m_progress.requestInterrupt();
    if (slideShowRunning && slideShowRunning())
        if (QAction* end = m_menus.action("mnuDispSlide", 2))
            end->trigger();
}

// ---------------------------------------------------------------- windows

void MainWindow::applyActivation(const Activation& a)
{
    if (!a.applied)
        return;
    if (a.closeDestinationList)
        closeDestinationList();
    if (!isMinimized() && m_state.started()) {
        m_settings.mainWindow[MainTop] = m_metrics.toTwips(geometry().top());
        m_settings.mainWindow[MainLeft] = m_metrics.toTwips(geometry().left());
    }
    if (a.setCaption)
        setWindowTitle(a.caption.isEmpty() ? m_facts.captionText : a.caption);
    for (int w = 0; w < 2; ++w)
        pane(w)->setHeaderColour(QColor::fromRgb(a.headerRgb[w]));
    applyMenuMarks();
    if (a.refreshZoomPanel && m_content)
        m_content->updateViewLabel(a.selected);
    updateMenus(a.selected);
}

void MainWindow::activateWindowIndex(WindowIndex w, int mode)
{
    applyActivation(m_state.activateWindow(w, mode, m_progress.busy()));
}

void MainWindow::applyMenuMarks()
{
    const ViewSlotSettings& s = m_state.settingsOf(m_state.selected());
    auto check = [this](const char* control, int index, bool on) {
        if (QAction* a = m_menus.action(control, index))
            a->setChecked(on);
    };
    check("mnuListView", s.listForm == ListFormList ? 0 : 1, true);
    check("mnuDispUnit", s.sizeUnitKB ? 1 : 0, true);
    check("mnuDispDigit", s.driveDigitsSix ? 1 : 0, true);
    check("mnuDispFile", s.contentDisplay ? 0 : 1, true);
    check("mnuDispImgCff", qBound(0, s.zoomMode, 3), true);
    check("mnuWindowItem", 0, m_state.twoWindows());
    check("mnuDispMsg", m_messages->confirmationMessages() ? 0 : 1, true);
    check("mnuSetItem", 4, m_state.reselectHidden());
    check("mnuSetProc", pane(m_state.selected())->allLevelsBox()->isChecked() ? 0 : 1, true);
    check("mnuDispPoint", m_state.fontSizeIndex(), true);
    for (int w = 0; w < 2; ++w) {
        const ViewSlotSettings& ws = m_state.settingsOf(w);
        QSignalBlocker block(pane(w)->contentBox());
        pane(w)->contentBox()->setChecked(ws.contentDisplay);
    }
}

void MainWindow::updateMenus(WindowIndex w)
{
    if (m_browsing && m_selecting && !m_progress.busy() && w == m_state.selected()) {
        const FileList& l = m_browsing->list(w);
        const SelectionCounters& c = m_selecting->marks().counters(w);
        WindowCommandFacts facts;
        facts.folderItems = !l.showsDriveList();
        facts.rows = l.model()->count();
        facts.marked = int(c.marked.items);
        facts.copyTargets = int(c.copyTargets.items);
        const QString other = m_state.listedPath(oppositeOf(w));
        facts.oppositeFolder =
            !m_browsing->list(oppositeOf(w)).showsDriveList() && other.startsWith(u'/');
        if (m_texting)
            m_texting->fillFacts(w, facts);
        if (m_content)
            m_content->imaging().fillFacts(w, facts);
        for (const CommandState& s : commandStates(facts)) {
            QAction* a = m_menus.action(s.control, s.index);
            // Items whose command is not wired yet stay as they are.
            if (a && m_wiredCommands.contains(a))
                a->setEnabled(s.enabled);
        }
    }
    if (QAction* a = m_menus.action("mnuFileINI", 2))
        a->setText(resetCaptionWithCount(2, int(m_settings.associations.size())));
    if (QAction* a = m_menus.action("mnuFileINI", 3))
        a->setText(resetCaptionWithCount(
            3, m_listImaging ? m_listImaging->shownCount() : m_settings.imageCount));
}

void MainWindow::focusWindow(WindowIndex w, int flag)
{
    if (!isVisible() || !isEnabled() || !isWindowIndex(w))
        return;
    WindowPane* p = pane(w);
    auto usable = [](QWidget* c) { return c && c->isVisible() && c->isEnabled(); };
    const ContentKind content = m_state.displayedContent(w);
    if (content == ContentKind::Text && usable(p->textBox()) && p->textEditable()) {
        p->textBox()->setFocus();
    } else if (usable(p->list()) &&
               ((p->list()->model() && p->list()->model()->rowCount() > 0) || flag != 0)) {
        p->list()->setFocus();
    } else if (usable(p->tree())) {
        p->tree()->setFocus();
    }
}

void MainWindow::setWindowPath(WindowIndex w, const QString& path)
{
    // A folder path always ends in "/", as the list keeps it.
    const bool bare = !path.isEmpty() && path != ComputerText && !path.endsWith(u'/');
    m_state.setListedPath(w, bare ? path + u'/' : path);
    pane(w)->header()->setText(m_state.listedPath(w));
    if (w == m_state.selected() && m_state.started() && !m_state.switching())
        setWindowTitle(m_state.listedPath(w));
}

void MainWindow::markForRefresh(WindowIndex w)
{
    m_state.markForRefresh(w);
    m_jobs.arm(1);
}

void MainWindow::perform(const SwitchStep& step)
{
    switch (step.kind) {
    case SwitchStep::EnterBusy:
        m_progress.setBusy(true);
        break;
    case SwitchStep::LeaveBusy:
        m_progress.setBusy(false);
        break;
    case SwitchStep::ShowFrame:
        pane(step.window)->show();
        break;
    case SwitchStep::HideFrame:
        pane(step.window)->hide();
        break;
    case SwitchStep::Layout:
        layoutPanes();
        break;
    case SwitchStep::Activate:
        applyActivation(step.activation);
        break;
    case SwitchStep::RepaintImage:
        pane(step.window)->picture()->update();
        break;
    }
}

void MainWindow::commandSwitchWindow()
{
    m_state.switchWindow(this);
    if (m_content)
        m_content->viewSlotsChanged();
    focusWindow(m_state.selected());
}

void MainWindow::commandWindowCount()
{
    const WindowCountChange c = m_state.toggleWindowCount();
    for (int w = 0; w < 2; ++w) {
        if (c.changed[w])
            markForRefresh(w);
    }
    applyMainGeometry();
    layoutPanes();
    if (c.showOtherContent)
        pane(c.otherWindow)->contentArea()->update();
    applyActivation(c.activation);
    if (m_content)
        m_content->viewSlotsChanged();
    focusWindow(c.focus);
}

void MainWindow::layoutPanes()
{
    QWidget* central = centralWidget();
    if (!central)
        return;
    const QRect r = central->contentsRect().adjusted(2, 2, -2, -2);
    const bool two = m_state.twoWindows();
    const WindowIndex sel = m_state.selected();
    if (two) {
        const int gap = 4;
        const int half = (r.width() - gap) / 2;
        pane(LeftWindow)->setGeometry(r.left(), r.top(), half, r.height());
        pane(RightWindow)
            ->setGeometry(r.left() + half + gap, r.top(), r.width() - half - gap, r.height());
        pane(LeftWindow)->show();
        pane(RightWindow)->show();
    } else {
        pane(sel)->setGeometry(r);
        pane(sel)->show();
        pane(oppositeOf(sel))->hide();
    }
    for (int w = 0; w < 2; ++w)
        applyDivisions(w);
}

void MainWindow::applyDivisions(WindowIndex w)
{
    WindowPane* p = pane(w);
    const ViewSlotSettings& s = m_state.settingsOf(w);
    const DivisionLimits limits;
    const int tree = divisionSize(s.treeDivision, p->usableWidth(), limits.minTree, limits.minList);
    const int upper =
        divisionSize(s.upperDivision, p->usableHeight(), limits.minUpper, limits.minLower);
    p->setDivisions(tree, upper, s.contentDisplay);
}

void MainWindow::onTreeDrag(WindowIndex w, int width, bool released)
{
    WindowPane* p = pane(w);
    const DivisionLimits limits;
    const int bounded = boundDivision(width, p->usableWidth(), limits.minTree, limits.minList);
    p->setDivisions(bounded, p->upperHeight(), p->contentShown());
    if (released) {
        ViewSlotSettings& s = m_state.settingsOf(w);
        s.treeDivision = divisionProportion(bounded, p->usableWidth(), s.treeDivision);
    }
}

void MainWindow::onUpperDrag(WindowIndex w, int height, bool released)
{
    WindowPane* p = pane(w);
    const DivisionLimits limits;
    const int bounded = boundDivision(height, p->usableHeight(), limits.minUpper, limits.minLower);
    p->setDivisions(p->treeWidth(), bounded, p->contentShown());
    if (released) {
        ViewSlotSettings& s = m_state.settingsOf(w);
        s.upperDivision = divisionProportion(bounded, p->usableHeight(), s.upperDivision);
    }
}

void MainWindow::moveDivider(int direction, bool shift)
{
    const WindowIndex w = m_state.selected();
    WindowPane* p = pane(w);
    const DividerNudge n = nudgeFor(direction, shift);
    DivisionGeometry g;
    g.usableWidth = p->usableWidth();
    g.usableHeight = p->usableHeight();
    g.treeWidth = p->treeWidth();
    g.upperHeight = p->upperHeight();
    ViewSlotSettings& s = m_state.settingsOf(w);
    const DivisionChange c = dragDivision(g, n.dx, n.dy, s.treeDivision, s.upperDivision);
    p->setDivisions(c.treeWidth, s.contentDisplay ? c.upperHeight : p->upperHeight(),
                    s.contentDisplay);
    s.treeDivision = c.treeDivision;
    if (s.contentDisplay)
        s.upperDivision = c.upperDivision;
}

void MainWindow::applyMainGeometry()
{
    const auto& f = m_settings.mainWindow;
    const int width = f[m_state.twoWindows() ? MainWidthTwoWindows : MainWidthOneWindow];
    const QRect available = screen() ? screen()->availableGeometry() : QRect(0, 0, 1920, 1050);
    QSize size(m_metrics.toPixels(width), m_metrics.toPixels(f[MainHeight]));
    size = QSize(clampMainExtent(size.width(), available.width()),
                 clampMainExtent(size.height(), available.height()));
    if (isMaximized() || isFullScreen())
        return;
    setGeometry(
        QRect(QPoint(m_metrics.toPixels(f[MainLeft]), m_metrics.toPixels(f[MainTop])), size));
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    layoutPanes();
    if (!m_state.started() || m_closing)
        return;
    const QRect available = screen() ? screen()->availableGeometry() : QRect(0, 0, 1920, 1050);
    if (isMaximized())
        return; // the restored size stays the one to remember
    const MainResize r =
        noteMainResize(m_settings.mainWindow, QRect(geometry().topLeft(), size()), available.size(),
                       m_state.twoWindows(), isMinimized(), m_state.switching());
    if (r.ignored)
        return;
    if (r.closeDestinationList)
        closeDestinationList();
    if (r.setBack)
        QTimer::singleShot(0, this, [this, s = r.size] { resize(s); });
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    if (m_state.started() && !isMinimized() && !isMaximized() && !m_closing) {
        m_settings.mainWindow[MainTop] = m_metrics.toTwips(geometry().top());
        m_settings.mainWindow[MainLeft] = m_metrics.toTwips(geometry().left());
    }
}

void MainWindow::onApplicationActive()
{
    if (!m_state.started())
        return;
    refreshScreenMetrics();
    if (refreshVolumes) {
        for (int i = 0; i < 2; ++i)
            refreshVolumes(m_state.pair()[i]);
    }
    focusWindow(m_state.selected());
}

void MainWindow::applyBusySwitchLabels()
{
    const auto rgb = m_state.headerColours();
    for (int w = 0; w < 2; ++w)
        pane(w)->setHeaderColour(QColor::fromRgb(rgb[w]));
}

// ---------------------------------------------------------------- commands

void MainWindow::commandFunctionMode(int mode)
{
    m_state.setFunctionMode(mode);
    m_settings.functionMode = m_state.functionMode();
    m_menus.applyFunctionMode(m_state.functionMode());
    if (m_content)
        m_content->functionModeChanged();
    if (m_listImaging)
        m_listImaging->functionModeChanged();
    focusWindow(m_state.selected());
}

void MainWindow::commandFontSize(int index)
{
    // The checked size again changes nothing (the dialog sizes stay).
    if (index == m_state.fontSizeIndex()) {
        applyMenuMarks();
        return;
    }
    resetDialogSizes(m_settings.dialogSize);
    m_state.setFontSizeIndex(index);
    m_settings.fontSizeIndex = m_state.fontSizeIndex();
    applyFontSize();
    applyMenuMarks();
    syncDialogEnvironment();
}

void MainWindow::applyFontSize()
{
    QFont f = font();
    f.setPointSize(m_state.fontPoints());
    const int index = m_state.fontSizeIndex();
    // Trees, lists, labels, path boxes and the destination list; the content
    // area keeps the window's own text font.
    for (QWidget* c : findChildren<QWidget*>()) {
        const QString name = c->objectName();
        if (!takesScreenTextSize(name) || name.startsWith(QLatin1String("txtContents")) ||
            name.startsWith(QLatin1String("txtPlain")) || c->window() != this)
            continue;
        c->setFont(f);
        if (isSizedLabel(name))
            c->setMinimumHeight(labelHeightPixels(index));
    }
    for (int w = 0; w < 2; ++w)
        pane(w)->tree()->setFont(f);
    for (QLabel* l : m_statusPanels)
        l->setFont(f);
    for (int w = 0; w < 2; ++w)
        applyDivisions(w);
}

void MainWindow::commandConfirmMessages(bool on)
{
    m_messages->setConfirmationMessages(on);
    m_settings.setSwitch(FlagConfirmMessages, on);
    applyMenuMarks();
}

void MainWindow::commandAbout()
{
    QList<frmAbout::ArchiverLine> lines;
    for (int i = 0; i < ArchiverLibraries::Count; ++i)
        lines.append({m_facts.archivers.at(i).name, m_facts.archivers.at(i).version,
                      m_facts.archivers.at(i).holder});
    frmAbout about(lines, dialogEnvironment(), this);
    about.exec();
    focusWindow(m_state.selected());
}

void MainWindow::setHelpBrowser(HelpBrowser* browser)
{
    m_helpBrowser = browser ? browser : m_ownHelpBrowser.get();
}

void MainWindow::commandHelp()
{
    if (!m_facts.helpFilePresent)
        return;
    // A copy made by an older version may linger in the settings folder.
    const QString page = m_helpPage.isEmpty() ? m_facts.helpFile : m_helpPage;
    if (m_helpBrowser->available() && m_helpBrowser->open(page))
        return;
    if (!m_helpWindow)
        m_helpWindow = new HelpWindow(this);
    if (!m_helpWindow->load(page) && page != m_facts.helpFile)
        m_helpWindow->load(m_facts.helpFile);
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

void MainWindow::commandReset(int index)
{
    if (!confirmReset(*m_messages, index)) {
        focusWindow(m_state.selected());
        return;
    }
    m_pendingResetMode = resetModeForItem(index);
    if (!close()) {
        m_pendingResetMode = 0;
        focusWindow(m_state.selected());
    }
}

// ---------------------------------------------------------------- keys

KeyContext MainWindow::keyContext() const
{
    KeyContext c;
    c.destinationListOpen = destinationListOpen();
    c.operationRunning = m_progress.busy();
    c.progressShown = !m_progress.progress().isEmpty();
    c.content = m_state.displayedContent(m_state.selected());
    c.chosenFiles = chosenFileCount ? chosenFileCount(m_state.selected()) : 0;
    c.slideShowRunning = slideShowRunning && slideShowRunning();
    const QWidget* focus = QApplication::focusWidget();
    const WindowPane* p = pane(m_state.selected());
    c.typingInContent = focus && focus == p->textBox() && p->textEditable();
    // A name being edited in a list takes its keys as typing too.
    for (int w = 0; focus && w < 2 && !c.typingInContent; ++w)
        c.typingInContent = qobject_cast<const QLineEdit*>(focus) &&
                            pane(WindowIndex(w))->list()->isAncestorOf(focus);
    if (m_browsing) {
        const FileList& l = m_browsing->list(m_state.selected());
        const int row = l.currentRow();
        if (row >= 0 && row < l.model()->count())
            c.currentRow = !l.showsDriveList() && l.model()->isFolderRow(row) ? 2 : 1;
        c.folderShown = !l.showsDriveList();
        for (int r = 0, n = l.model()->count(); c.folderShown && r < n && c.listFiles < 2; ++r)
            c.listFiles += l.model()->isFolderRow(r) ? 0 : 1;
    }
    return c;
}

bool MainWindow::handleKey(int key, Qt::KeyboardModifiers modifiers)
{
    const KeyAction a = classifyKey(key, modifiers, keyContext());
    if (a.setsInterrupt)
        m_progress.requestInterrupt();
    else if (a.clearsInterrupt)
        m_progress.clearInterrupt();

    switch (a.command) {
    case KeyCommand::None:
    case KeyCommand::LeftToMenus:
    case KeyCommand::IgnoredFunctionKey:
        break;
    case KeyCommand::CloseDestinationList:
        closeDestinationList();
        break;
    case KeyCommand::DeselectAll:
        if (deselectAll)
            deselectAll();
        break;
    case KeyCommand::TooManyChosenFiles:
        m_messages->showMessage(tooManyFilesText(), ButtonsOk, tooManyFilesTitle());
        break;
    case KeyCommand::ReapplyState:
        activateWindowIndex(m_state.selected(), 0);
        break;
    case KeyCommand::MoveDivider:
        moveDivider(a.argument, a.shift);
        break;
    case KeyCommand::ToggleBusyLeavesToolbar:
        if (m_state.toggleBusyLeavesToolbar(m_progress.busy()))
            applyBusySwitchLabels();
        break;
    case KeyCommand::ToggleMessageBoxPosition:
        m_state.setMessageBoxAtRemembered(!m_state.messageBoxAtRemembered());
        m_settings.messagesAtRememberedPosition = m_state.messageBoxAtRemembered();
        syncDialogEnvironment();
        break;
    case KeyCommand::StartScreenSaver:
        QProcess::startDetached(QStringLiteral("xdg-screensaver"), {QStringLiteral("activate")});
        break;
    case KeyCommand::ToggleMaximised:
        if (isMaximized())
            showNormal();
        else
            showMaximized();
        break;
    case KeyCommand::InterruptAndRefresh:
        activateWindowIndex(m_state.selected(), 0);
        break;
    case KeyCommand::FocusTree:
        if (pane(m_state.selected())->tree()->isVisible())
            pane(m_state.selected())->tree()->setFocus();
        break;
    case KeyCommand::OpenChosenFiles:
        m_browsing->openChosenFiles(m_state.selected());
        break;
    case KeyCommand::OpenCurrentRow:
        m_browsing->openCurrentRow(m_state.selected());
        break;
    case KeyCommand::ParentFolder:
        m_browsing->openParentFolder(m_state.selected());
        break;
    case KeyCommand::ToggleListForm:
        m_browsing->toggleListForm();
        break;
    case KeyCommand::ListClickCurrent:
        m_browsing->clickCurrentRow(m_state.selected());
        break;
    case KeyCommand::DeleteItems:
        if (QAction* item = m_menus.action("mnuFileItem", 6); item && item->isEnabled())
            m_operating->deleteItems(a.argument);
        break;
    default:
        // The commands of the viewer, the list and the slide show are wired
        // by those subsystems.
        if (viewerKey)
            viewerKey(a);
        break;
    }
    if (a.focusSelected)
        focusWindow(m_state.selected());
    return a.consumed();
}

bool MainWindow::destinationListOpen() const
{
    return m_browsing && m_browsing->navigator().destinationListOpen();
}

void MainWindow::closeDestinationList()
{
    if (destinationListOpen())
        m_browsing->navigator().closeDestinationList();
}

void MainWindow::onMousePress(QWidget* widget)
{
    if (widget->window() != this)
        return;
    TreeNavigator& navigator = m_browsing->navigator();
    for (int n = 0; n < 3; ++n) {
        if (widget == m_statusPanels[n]) {
            navigator.statusBarPanelClick(n + 1);
            return;
        }
    }
    // A press anywhere outside the destination list closes it.
    QWidget* list = m_browsing->destinationList();
    if (navigator.destinationListOpen() && widget != list && !list->isAncestorOf(widget))
        navigator.closeDestinationList();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        layoutPanes();
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress && m_browsing && watched->isWidgetType())
        onMousePress(static_cast<QWidget*>(watched));
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return QMainWindow::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != this || QApplication::activeModalWidget())
        return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    // Only the widget that has the focus sees the key first; its parents get
    // the same event propagated, which must not be handled twice.
    if (widget != QApplication::focusWidget() && QApplication::focusWidget())
        return QMainWindow::eventFilter(watched, event);
    return handleKey(key->key(), key->modifiers());
}

} // namespace tovane
