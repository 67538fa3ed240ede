#include "app/listmenu.h"

#include "app/browsing.h"
#include "app/mainwindow.h"
#include "app/selecting.h"
#include "app/windowpane.h"
#include "core/mainstate.h"
#include "list/filelist.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeView>

namespace tovane {

ListMenu::ListMenu(MainWindow& window, Browsing& browsing, Selecting& selecting)
    : QObject(&window), m_window(window), m_browsing(browsing), m_selecting(selecting)
{
    for (const WindowIndex w : {LeftWindow, RightWindow}) {
        view(w)->viewport()->installEventFilter(this);
        view(w)->installEventFilter(this); // the keyboard's context-menu key
    }
}

QTreeView* ListMenu::view(WindowIndex w) const
{
    return m_window.pane(w)->list();
}

int ListMenu::windowOfViewport(QObject* watched) const
{
    for (const WindowIndex w : {LeftWindow, RightWindow})
        if (watched == view(w)->viewport())
            return w;
    return -1;
}

bool ListMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        const int w = windowOfViewport(watched);
        const auto* press = static_cast<QMouseEvent*>(event);
        // A click on a row activates through the list; one beside the rows,
        // and a right click anywhere, must do it here: the menu's commands
        // act on the selected window.
        if (w >= 0 && (press->button() == Qt::RightButton ||
                       !view(w)->indexAt(press->position().toPoint()).isValid()))
            m_window.activateWindowIndex(w, 0);
        return false;
    }
    if (event->type() != QEvent::ContextMenu)
        return QObject::eventFilter(watched, event);
    auto* request = static_cast<QContextMenuEvent*>(event);
    if (const int w = windowOfViewport(watched); w >= 0) {
        popup(w, request->pos(), request->globalPos());
        return true;
    }
    for (const WindowIndex w : {LeftWindow, RightWindow}) {
        if (watched != view(w) || request->reason() != QContextMenuEvent::Keyboard)
            continue;
        const QModelIndex current = view(w)->currentIndex();
        const QPoint at = current.isValid() ? view(w)->visualRect(current).center() : QPoint();
        popup(w, at, view(w)->viewport()->mapToGlobal(at));
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void ListMenu::popup(WindowIndex w, const QPoint& pos, const QPoint& globalPos)
{
    if (m_open)
        m_open->close();
    m_window.activateWindowIndex(w, 0);
    QMenu* menu = buildMenu(w, pos);
    m_open = menu;
    menu->popup(globalPos);
}

QAction* ListMenu::addItem(QMenu* menu, const char* control, int index, bool applies)
{
    QAction* item = m_window.menus().action(control, index);
    if (!item)
        return nullptr;
    // The key shows as a hint only: the menu bar's item keeps the shortcut.
    QString text = item->text();
    if (!item->shortcut().isEmpty())
        text += u'\t' + item->shortcut().toString(QKeySequence::NativeText);
    QAction* a = menu->addAction(text);
    a->setObjectName(item->objectName());
    a->setEnabled(applies && item->isEnabled() && !m_window.progress().busy());
    connect(a, &QAction::triggered, item, [item] {
        if (item->isEnabled())
            item->trigger();
    });
    return a;
}

QMenu* ListMenu::buildMenu(WindowIndex w, const QPoint& pos)
{
    FileList& list = m_browsing.list(w);
    const FileListModel* model = list.model();
    const QModelIndex index = view(w)->indexAt(pos);
    const int row = index.isValid() ? index.row() : -1;
    if (row >= 0)
        list.setCurrent(row);

    const bool folderItems = !list.showsDriveList();
    const bool hasRows = model->count() > 0;
    const SelectionCounters& counts = m_selecting.marks().counters(w);
    const bool marked = counts.marked.items > 0;
    const bool copyTargets = counts.copyTargets.items > 0;
    const bool busy = m_window.progress().busy();

    auto* menu = new QMenu(&m_window);
    menu->setObjectName(QStringLiteral("lvwFilesMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);

    QAction* open = menu->addAction(QStringLiteral("開く(&O)"));
    open->setObjectName(QStringLiteral("lvwFilesMenu_open"));
    open->setEnabled(row >= 0 && !busy);
    const QString name = row >= 0 ? model->nameAt(row) : QString();
    connect(open, &QAction::triggered, &list, [&list, row, name, folderItems] {
        // The list may have been refilled while the menu was open.
        if (row >= list.model()->count() || list.model()->nameAt(row) != name)
            return;
        if (folderItems)
            list.itemDoubleClicked(row); // a folder opens in the list, a file outside
        else
            list.itemClicked(row, 0); // a volume row lists the volume
    });
    menu->addSeparator();
    addItem(menu, "mnuFileItem", 4, folderItems && copyTargets);
    addItem(menu, "mnuFileItem", 5, folderItems && copyTargets);
    addItem(menu, "mnuFileItem", 6, folderItems && marked);
    menu->addSeparator();
    addItem(menu, "mnuFileSel", 0, folderItems && hasRows);
    addItem(menu, "mnuFileSel", 1, folderItems && hasRows);
    addItem(menu, "mnuFileSel", 2, marked);
    menu->addSeparator();
    addItem(menu, "mnuDispItem", 18, true);
    return menu;
}

} // namespace tovane
