#pragma once
// The context menu of both windows' file lists (`lvwFilesMenu`), and the
// press on a list that makes its window the selected one. Every entry but
// 開く stands for an item of the menu bar and runs it, so a command behaves
// the same from either place; an entry with nothing to act on is disabled.
//
// GUI thread only.

#include "core/windows.h"

#include <QMenu>
#include <QObject>
#include <QPointer>

class QAction;
class QPoint;
class QTreeView;

namespace tovane {

class Browsing;
class MainWindow;
class Selecting;

class ListMenu : public QObject {
    Q_OBJECT
public:
    ListMenu(MainWindow& window, Browsing& browsing, Selecting& selecting);

    // The menu for a press at `pos` of window w's list viewport (no row
    // there: the entries for the list as a whole). The menu deletes itself
    // when it closes.
    QMenu* buildMenu(WindowIndex w, const QPoint& pos);
    // The menu open now, or null.
    QMenu* openMenu() const { return m_open; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeView* view(WindowIndex w) const;
    int windowOfViewport(QObject* watched) const;
    void popup(WindowIndex w, const QPoint& pos, const QPoint& globalPos);
    QAction* addItem(QMenu* menu, const char* control, int index, bool applies);

    MainWindow& m_window;
    Browsing& m_browsing;
    Selecting& m_selecting;
    QPointer<QMenu> m_open;
};

} // namespace tovane
