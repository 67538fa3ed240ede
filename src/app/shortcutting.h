#pragma once
// The main window's side of shortcuts, properties and format: the File-menu
// items ショートカットを作成 (mnuFileShCt), プロパティ and フォーマット, and the
// shortcut entry of the tree's destination list. Owned by Operating, whose
// host interface the shortcut command reports through.
//
// GUI thread only.

#include "core/windows.h"
#include "ops/volumeformat.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace tovane {

class Browsing;
class DialogR;
class MainWindow;
class OperationHost;

class Shortcutting {
public:
    Shortcutting(MainWindow& window, Browsing& browsing, OperationHost& host);
    ~Shortcutting();

    void wireMenus();

    // mnuFileShCt `destination`, or a tree node of the destination list.
    int createShortcuts(WindowIndex selected, int destination, const QString& node = QString());
    // プロパティ of the selected window's current item (or volume).
    void showProperties();
    // フォーマット of the volume of the selected window's current item.
    void formatVolume();

    // Seams for tests. The desktop's properties window for the file URIs:
    // true when a file manager answered. The default asks over D-Bus.
    std::function<bool(const QStringList& uris)> desktopProperties;
    // Gets Tovane's own properties window instead of showing it.
    std::function<void(DialogR&)> propertiesForm;
    FormatTool formatTool = FormatTool::platformTool();
    std::function<bool(pid_t)> programEnded;
    std::function<bool(const QString& path)> isExecutable;

    // What the last properties command showed: "" nothing, "desktop", "own".
    QString lastPropertiesShown() const { return m_lastShown; }

private:
    void formatEnded(const QString& mountPoint);

    MainWindow& m_window;
    Browsing& m_browsing;
    OperationHost& m_host;
    // Connections and timers that call back here end with this object.
    QObject m_receiver;
    QString m_renewOnActivation; // a volume whose label the desktop may have changed
    QString m_lastShown;
};

// org.freedesktop.FileManager1.ShowItemProperties on the session bus, when
// a service there provides it. True when it answered.
bool showDesktopProperties(const QStringList& uris);

} // namespace tovane
