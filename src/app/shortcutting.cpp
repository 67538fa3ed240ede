#include "app/shortcutting.h"

#include "app/browsing.h"
#include "app/dialogr.h"
#include "app/mainwindow.h"
#include "core/messageservice.h"
#include "fs/pathcheck.h"
#include "fs/pathrules.h"
#include "list/filelistmodel.h"
#include "ops/fileoperations.h"
#include "ops/operationhost.h"
#include "ops/properties.h"
#include "ops/shortcuts.h"
#include "platform/filesystem.h"
#include "platform/toolstart.h"
#include "tree/treenavigator.h"

#include <QAction>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QTimer>

namespace tovane {

namespace {

const QString FileManagerService = QStringLiteral("org.freedesktop.FileManager1");
// Starting a file manager by D-Bus activation can take a few seconds.
constexpr int PropertiesCallMs = 10000;
constexpr int FormatPollMs = 500;

bool serviceProvided(QDBusConnection& bus)
{
    if (QDBusConnectionInterface* names = bus.interface();
        names && names->isServiceRegistered(FileManagerService))
        return true;
    const QDBusMessage list = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListActivatableNames"));
    const QDBusMessage reply = bus.call(list, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage &&
           reply.arguments().value(0).toStringList().contains(FileManagerService);
}

} // namespace

bool showDesktopProperties(const QStringList& uris)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !serviceProvided(bus))
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        FileManagerService, QStringLiteral("/org/freedesktop/FileManager1"), FileManagerService,
        QStringLiteral("ShowItemProperties"));
    call << uris << QString();
    return bus.call(call, QDBus::Block, PropertiesCallMs).type() == QDBusMessage::ReplyMessage;
}

Shortcutting::Shortcutting(MainWindow& window, Browsing& browsing, OperationHost& host)
    : desktopProperties(showDesktopProperties), programEnded(platform::programEnded),
      m_window(window), m_browsing(browsing), m_host(host)
{
    QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, &m_receiver,
                     [this](Qt::ApplicationState state) {
                         if (state != Qt::ApplicationActive || m_renewOnActivation.isEmpty())
                             return;
                         const QString mountPoint = m_renewOnActivation;
                         m_renewOnActivation.clear();
                         m_browsing.navigator().trees().renewDrive(mountPoint);
                     });
}

Shortcutting::~Shortcutting() = default;

void Shortcutting::wireMenus()
{
    MenuBar& menus = m_window.menus();
    auto on = [this, &menus](const char* control, int index, auto handler) {
        if (QAction* a = menus.action(control, index)) {
            QObject::connect(a, &QAction::triggered, &m_receiver, handler);
            a->setEnabled(true);
        }
    };
    for (int i = ShortcutSelectedPath; i <= ShortcutStartup; ++i) {
        QAction* a = menus.action("mnuFileShCt", i);
        if (!a)
            continue;
        if (!shortcutDestinationOffered(i)) {
            a->setVisible(false);
            continue;
        }
        on("mnuFileShCt", i, [this, i] { createShortcuts(m_window.selectedWindow(), i); });
    }
    if (QAction* a = menus.action("mnuFileItem", 7))
        a->setEnabled(true);
    on("mnuFileItem", 8, [this] { showProperties(); });
    on("mnuFileItem", 15, [this] { formatVolume(); });

    DestinationEntry entry;
    entry.operation = DestinationOperation::Shortcut;
    entry.applies = [this](const DestinationContext& c) {
        const QAction* command = m_window.menus().action("mnuFileItem", 7);
        if (!command || !command->isVisible() || !command->isEnabled())
            return false;
        OperationContext context{m_window.messages(), m_window.progress(), m_browsing.volumes(),
                                 &m_browsing.checker(), m_host};
        ShortcutMaker maker(context);
        maker.currentRow = [this](WindowIndex w) { return m_browsing.list(w).currentRow(); };
        return maker.itemCount(c.selected) == 1;
    };
    entry.start = [this](const DestinationContext& c) {
        createShortcuts(c.selected, ShortcutToNode, c.destination);
    };
    m_browsing.navigator().registerDestinationEntry(entry);
}

int Shortcutting::createShortcuts(WindowIndex selected, int destination, const QString& node)
{
    OperationContext context{m_window.messages(), m_window.progress(), m_browsing.volumes(),
                             &m_browsing.checker(), m_host};
    ShortcutMaker maker(context);
    maker.checkWithRepair = [this](WindowIndex w, const QString& path) {
        m_browsing.checker().clearFailedDrives();
        return m_browsing.navigator().checkPathWithRepair(w, path);
    };
    maker.currentRow = [this](WindowIndex w) { return m_browsing.list(w).currentRow(); };
    if (isExecutable)
        maker.isExecutable = isExecutable;
    const int result = maker.run(selected, destination, node);
    m_window.focusWindow(selected);
    return result;
}

void Shortcutting::showProperties()
{
    m_lastShown.clear();
    const WindowIndex w = m_window.selectedWindow();
    FileList& list = m_browsing.list(w);
    const FileListModel* model = list.model();
    const int row = list.currentRow();
    if (row < 0 || row >= model->count())
        return;
    const bool volume = list.showsDriveList();
    QString path, mountPoint;
    if (volume) {
        mountPoint = model->driveAt(row).mountPoint;
        path = mountPoint;
    } else {
        path = addSeparator(m_host.folderPath(w)) + model->nameAt(row);
        mountPoint = m_browsing.volumes().mountPointOf(path);
    }
    PathChecker& checker = m_browsing.checker();
    checker.clearFailedDrives();
    const bool available = m_browsing.navigator().checkPathWithRepair(
                               w, mountPoint, QString(), RepairQuiet) == CheckAvailable;
    const bool writable = available && checker.checkWritable(mountPoint, false, propertiesTitle());
    if (!propertiesMayOpen(m_window.messages(), mountPoint, available, writable,
                           checker.lastCheckCode() == CheckWriteProtected))
        return;
    ItemRecord record;
    if (platform::statPath(path, record) != 0) {
        // Gone since the list was read.
        m_window.markForRefresh(w);
        return;
    }
    if (desktopProperties && desktopProperties({fileUri(path)})) {
        m_lastShown = QStringLiteral("desktop");
        if (writable)
            m_renewOnActivation = mountPoint;
        return;
    }
    PropertySheet sheet;
    if (volume) {
        platform::VolumeInfo info;
        info.mountPoint = mountPoint;
        for (const platform::VolumeInfo& v : m_browsing.volumes().volumes())
            if (v.mountPoint == mountPoint)
                info = v;
        platform::VolumeSpace space;
        const bool answered = m_browsing.volumes().volumeSpace(mountPoint, space) == 0;
        sheet = volumeProperties(info, answered ? &space : nullptr);
    } else if (itemProperties(path, sheet) != 0) {
        m_window.markForRefresh(w);
        return;
    }
    DialogR dialog(sheet, m_window.dialogEnvironment(), &m_window);
    m_lastShown = QStringLiteral("own");
    if (propertiesForm)
        propertiesForm(dialog);
    else
        dialog.exec();
    m_window.focusWindow(w);
}

void Shortcutting::formatVolume()
{
    const WindowIndex w = m_window.selectedWindow();
    FileList& list = m_browsing.list(w);
    QString mountPoint;
    if (list.showsDriveList()) {
        const int row = list.currentRow();
        if (row < 0 || row >= list.model()->count())
            return;
        mountPoint = list.model()->driveAt(row).mountPoint;
    } else {
        const QString folder = m_host.folderPath(w);
        if (folder.isEmpty())
            return;
        mountPoint = m_browsing.volumes().mountPointOf(folder);
    }
    platform::VolumeInfo info;
    bool found = false;
    for (const platform::VolumeInfo& v : m_browsing.volumes().volumes())
        if (v.mountPoint == mountPoint) {
            info = v;
            found = true;
        }
    if (!found) {
        m_window.messages().showMessage(PathChecker::cannotProcessText(mountPoint), ButtonsOk,
                                        formatTitle());
        return;
    }
    pid_t pid = 0;
    if (startFormat(m_window.messages(), info, formatTool, pid) != FormatStarted)
        return;
    // The utility runs on its own; the windows follow once it has ended.
    auto* poll = new QTimer(&m_receiver);
    poll->setInterval(FormatPollMs);
    QObject::connect(poll, &QTimer::timeout, &m_receiver, [this, poll, pid, mountPoint] {
        if (programEnded && !programEnded(pid))
            return;
        poll->stop();
        poll->deleteLater();
        formatEnded(mountPoint);
    });
    poll->start();
}

void Shortcutting::formatEnded(const QString& mountPoint)
{
    const WindowIndex opposite = oppositeOf(m_window.selectedWindow());
    const QString path = m_window.state().listedPath(opposite);
    if (!path.startsWith(u'/') || m_browsing.volumes().mountPointOf(path) != mountPoint)
        return;
    if (m_window.progress().busy())
        m_window.markForRefresh(opposite);
    else
        m_browsing.navigator().refreshWindowPath(opposite);
}

} // namespace tovane
