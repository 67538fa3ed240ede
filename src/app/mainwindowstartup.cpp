// Start-up and shut-down of the main window.

#include "app/mainwindow.h"

#include "app/browsing.h"
#include "app/contentarea.h"
#include "app/launching.h"
#include "app/listimaging.h"
#include "app/listmenu.h"
#include "app/operating.h"
#include "app/placing.h"
#include "app/selecting.h"
#include "app/texting.h"
#include "app/watching.h"
#include "app/windowpane.h"
#include "core/commandstates.h"
#include "core/settingsfile.h"
#include "fs/pathrules.h"
#include "platform/filesystem.h"
#include "platform/launch.h"
#include "platform/system.h"
#include "platform/textfile.h"
#include "selection/widgets/comparepanel.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QToolBar>

namespace tovane {

namespace {

QString helpMissingText(const QString& helpFile)
{
    return helpFile + QStringLiteral("\r\nファイルが見つかりません。\r\n\r\n"
                                     "このファイラのあるフォルダに入れてください。\r\n\r\n"
                                     "今後このメッセージが不要なら\r\n"
                                     "「キャンセル」をクリックしてください。");
}

} // namespace

SettingsContext MainWindow::settingsContext() const
{
    SettingsContext c;
    c.screenWidthTwips = m_metrics.screenWidth;
    c.screenHeightTwips = m_metrics.screenHeight;
    c.archiveExtensions = m_facts.archivers.archiveExtensionSet();
    c.homeFolder = platform::homeFolder();
    c.driveAExists = false;
    c.programPathValid = [](const QString& program) {
        return !platform::findProgram(program).isEmpty();
    };
    return c;
}

void MainWindow::startUp()
{
    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    m_startModifiers =
        (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0);

    const QString programFolder = parentOf(platform::executablePath());
    provideHelpFile(m_settingsFolder, programFolder);
    m_helpPage = shippedHelpFile(programFolder);
    m_facts = collectStartupFacts(QStringLiteral(TOVANE_VERSION), m_settingsFolder);
    refreshScreenMetrics();

    // What the archive back ends allow.
    for (int i = 0; i < 3; ++i) {
        if (QAction* a = m_menus.action("mnuFileFrz", i))
            a->setEnabled(m_facts.archivers.canCompress(i));
    }
    if (QAction* a = m_menus.action("mnuFileArc", 0))
        a->setEnabled(!m_facts.archivers.compressionExtensionSet().isEmpty());
    m_menus.applyFixedStates(m_facts.ntFamily, false);
    m_menus.setVersionCaption(m_facts.captionText);
    if (QAction* stop = m_toolbar.button(ToolbarStopButton))
        stop->setEnabled(false);

    m_settings = readSettings(readSettingsText(settingsFile()), settingsContext());
    m_state.setFunctionMode(m_settings.functionMode);
    m_state.readFlags(m_settings.switches);
    m_messages->setConfirmationMessages(m_settings.switchOn(FlagConfirmMessages));
    m_state.setMessageBoxAtRemembered(m_settings.messagesAtRememberedPosition);
    m_state.setFontSizeIndex(m_settings.fontSizeIndex);

    syncDialogEnvironment();
    startupWarnings();

    m_state.readScroll(m_settings.divisions);
    for (int i = 0; i < DialogPositions::Slots && i < DialogSlots; ++i) {
        m_positions.left[i] = m_settings.dialogLeft[i];
        m_positions.top[i] = m_settings.dialogTop[i];
    }
    for (int i = 0; i < DialogPositions::SizeSlots && i < DialogSlots; ++i)
        m_positions.sizeFactor[i] = m_settings.dialogSize[i];

    const auto probe = [this](int k) {
        return m_settings.capabilities[k] ? 1 : (m_settings.probeNeeded[k] ? 0 : 2);
    };
    m_capabilities = runCapabilityProbes(m_settingsFolder, probe(CapabilityAttributes),
                                         probe(CapabilityShellObject));

    m_state.readCollapse(m_settings.collapseFlags);
    m_state.readZoomModes(m_settings.zoomModes);

    m_menus.applyFunctionMode(m_state.functionMode());
    applyFontSize();

    m_browsing = std::make_unique<Browsing>(*this);
    m_browsing->wireMenus();
    m_listImaging = std::make_unique<ListImaging>(*this, *m_browsing);
    m_listImaging->startUp();
    m_selecting = std::make_unique<Selecting>(*this, *m_browsing);
    addToolBarBreak(Qt::TopToolBarArea);
    m_compareBar = new QToolBar(this);
    m_compareBar->setObjectName(QStringLiteral("ToolbarC"));
    m_compareBar->setMovable(false);
    m_compareBar->setFloatable(false);
    m_compareBar->addWidget(m_selecting->panel());
    addToolBar(Qt::TopToolBarArea, m_compareBar);
    refreshVolumes = [this](WindowIndex w) { m_browsing->navigator().trees().probeAndResync(w); };
    refreshWindow = [this](WindowIndex w) {
        // Read again in place: an operation's summary promised to keep the marks.
        if (!m_watching || m_browsing->list(w).showsDriveList()) {
            m_browsing->navigator().refreshWindowPath(w);
            return;
        }
        m_watching->refreshList(w);
        TreeNavigator& navigator = m_browsing->navigator();
        navigator.updateDriveStatus(w, m_state.listedPath(w));
        navigator.trees().refreshFolders(w);
    };

    // Both windows, the selected one first.
    const QString home = platform::homeFolder();
    const PathCheck check = [this](const QString& path, QString& fallback) {
        return m_browsing->startupCheck(path, fallback);
    };
    for (int i = 0; i < 2; ++i) {
        const WindowIndex w = m_state.pair()[i];
        WindowPaths stored{m_settings.paths[size_t(2 * w)], m_settings.paths[size_t(2 * w + 1)]};
        stored.path = stripSeparator(stored.path);
        if (stored.treeTop != QLatin1String("_"))
            stored.treeTop = stripSeparator(stored.treeTop);
        const WindowPaths repaired = repairWindowPaths(stored, home, check);
        m_state.setTreeTop(w, repaired.treeTop);
        setWindowPath(w, repaired.path);
        pane(w)->allLevelsBox()->setChecked(m_settings.switchOn(FlagCheckBoxA + w));
        if (i == 0) {
            applyMainGeometry();
            layoutPanes();
            show();
            if (m_settings.windowState == 2)
                showMaximized();
        }
    }

    m_selecting->wireMenus();
    m_operating = std::make_unique<Operating>(*this, *m_browsing, *m_selecting);
    m_operating->wireMenus();
    m_placing = std::make_unique<Placing>(*this, *m_browsing);
    m_placing->wireMenus();
    m_content = std::make_unique<ContentArea>(*this, *m_browsing);
    m_content->wireMenus();
    m_texting = std::make_unique<Texting>(*this, *m_browsing, *m_content);
    m_texting->wireMenus();
    m_launching = std::make_unique<Launching>(*this, *m_browsing);
    m_launching->wireMenus();
    m_content->contentChangedHook = [this](WindowIndex w) {
        if (w == m_state.selected())
            updateMenus(w);
    };
    for (const CommandState& s : commandStates(WindowCommandFacts())) {
        if (QAction* a = m_menus.action(s.control, s.index); a && a->isEnabled())
            m_wiredCommands.insert(a);
    }
    for (const WindowIndex w : {LeftWindow, RightWindow}) {
        FileList* l = &m_browsing->list(w);
        connect(l, &FileList::labelsChanged, this, [this, w] { updateMenus(w); });
    }
    m_listMenu = new ListMenu(*this, *m_browsing, *m_selecting);
    m_watching = std::make_unique<Watching>(*this, *m_browsing);
    applyFontSize(); // again: the list labels and the destination list exist now
    m_state.setStarted(true);
    m_browsing->buildTrees();
    for (int i = 0; i < 2; ++i) {
        const WindowIndex w = m_state.pair()[i];
        m_state.setVolumeWritable(
            w, m_browsing->checker().checkWritable(m_state.listedPath(w), false, QString()));
    }
    layoutPanes();
    activateWindowIndex(m_state.selected(), 0);
    focusWindow(m_state.selected());
}

void MainWindow::startupWarnings()
{
    if (m_facts.osClass < 2)
        m_messages->showMessage(
            QStringLiteral("このファイラは Windows ME 以降のＯＳでないと\r\n\r\n"
                           "正常に動作する可能性は低いです。"),
            ButtonsOk, QStringLiteral("注　意 ！"));
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (s) {
        const QString warning = screenScaleWarning(twipsPerPixelForDpi(s->logicalDotsPerInch()));
        if (!warning.isEmpty())
            m_messages->showMessage(warning);
    }
    if (!m_facts.helpFilePresent) {
        if (QAction* a = m_menus.action("mnuHelpItem", 3))
            a->setEnabled(false);
        if (QAction* a = m_toolbar.button(ToolbarHelpButton))
            a->setEnabled(false);
        if (!m_settings.switchOn(FlagNoHelpMessage)) {
            int answer = MsgOk;
            m_messages->showMessage(helpMissingText(m_facts.helpFile), ButtonsOkCancel,
                                    QStringLiteral("Tovane"), true, answer);
            if (answer == MsgCancel)
                m_settings.setSwitch(FlagNoHelpMessage, true);
        }
    } else {
        if (QAction* a = m_menus.action("mnuHelpItem", 3))
            a->setEnabled(true);
        if (QAction* a = m_toolbar.button(ToolbarHelpButton))
            a->setEnabled(true);
    }
}

void MainWindow::runImageCacheStep(int resetMode)
{
    if (m_listImaging) {
        m_listImaging->shutDown(resetMode);
        return;
    }
    if (resetMode == ResetImages) {
        m_settings.imageCount = 0;
        m_settings.imageKeys.clear();
    }
    // The image list holds only the program's own images so far, so there is
    // never more to save than was loaded.
    const bool keep = !m_settings.imageKeys.isEmpty() && resetMode < ResetAll &&
                      m_settings.functionMode == ModeExtended3;
    if (!keep) {
        // Only our own cache goes; a FIFO or device under its name is not it.
        if (platform::isRegularFile(imageCacheFile()))
            platform::deleteFile(imageCacheFile());
        m_settings.setSwitch(FlagImageCache, false);
    }
}

bool MainWindow::shutDown(int resetMode)
{
    if (closeRefused(m_progress.busy(), m_progress.progress(), destinationListOpen()))
        return false;
    closeDestinationList();
    if (unsavedTextCheck) {
        for (int i = 0; i < 2; ++i) {
            if (!unsavedTextCheck(m_state.pair()[i])) {
                focusWindow(m_state.selected());
                return false;
            }
        }
    }

    runImageCacheStep(resetMode);

    // Everything that lives in the state goes back into the settings.
    m_state.writeFlags(m_settings.switches);
    m_settings.setSwitch(FlagConfirmMessages, m_messages->confirmationMessages());
    for (int w = 0; w < 2; ++w) {
        m_settings.setSwitch(FlagCheckBoxA + w, pane(w)->allLevelsBox()->isChecked());
        m_settings.paths[size_t(2 * w)] = m_state.treeTop(w);
        m_settings.paths[size_t(2 * w + 1)] = m_state.listedPath(w);
    }
    m_settings.functionMode = m_state.functionMode();
    m_settings.fontSizeIndex = m_state.fontSizeIndex();
    m_settings.messagesAtRememberedPosition = m_state.messageBoxAtRemembered();
    m_settings.windowState = isMaximized() ? 2 : (isMinimized() ? 1 : 0);
    const auto scroll = m_state.scrollItems();
    for (size_t i = 0; i < scroll.size() && i < m_settings.divisions.size(); ++i)
        m_settings.divisions[i] = scroll[i];
    m_settings.collapseFlags = m_state.collapseItems();
    m_settings.zoomModes = m_state.zoomModeItems();
    for (int i = 0; i < DialogPositions::Slots && i < DialogSlots; ++i) {
        m_settings.dialogLeft[i] = m_positions.left[i];
        m_settings.dialogTop[i] = m_positions.top[i];
    }
    for (int i = 0; i < DialogPositions::SizeSlots && i < DialogSlots; ++i)
        m_settings.dialogSize[i] = m_positions.sizeFactor[i];
    m_settings.capabilities[CapabilityAttributes] = m_capabilities.attributeChange;
    m_settings.capabilities[CapabilityShellObject] = m_capabilities.shellFolders;

    // A failed write does not keep the program from ending.
    writeSettingsText(settingsFile(), writeSettings(m_settings, resetMode, settingsContext()));
    m_lastResetMode = resetMode;
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    const int mode = m_pendingResetMode;
    m_pendingResetMode = 0;
    if (!shutDown(mode)) {
        event->ignore();
        return;
    }
    m_closing = true;
    event->accept();
    Q_EMIT closedWithResetMode(mode);
}

} // namespace tovane
