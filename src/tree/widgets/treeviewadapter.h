#pragma once
// Connects one window's QTreeView to the tree engine: the view shows the
// window's FolderTreeModel, its mouse, click, keyboard and expand/collapse
// events go to the TreeNavigator, and what the engine changes in the model
// (expansion, selection, scrolling, bulk rebuilds) is applied to the view.
//
// Event order on a mouse click: mouseDown on the press (before the view
// reacts, so Shift reaches an expansion the press causes), then on the
// release mouseUp followed by nodeClick when press and release hit the same
// node outside its expander. Keyboard moves of the current node count as
// node clicks. Changes the adapter itself applies never come back as events.

#include "core/windows.h"

#include <QObject>
#include <QPersistentModelIndex>

class QTreeView;

namespace tovane {

class TreeNavigator;

class TreeViewAdapter : public QObject {
    Q_OBJECT
public:
    TreeViewAdapter(QTreeView* view, TreeNavigator& navigator, WindowIndex window,
                    QObject* parent = nullptr);

    QTreeView* view() const { return m_view; }
    WindowIndex window() const { return m_window; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyExpand(const QModelIndex& index, bool expanded, bool recursive);
    void applySelection(const QModelIndex& index);
    void applyScroll(const QModelIndex& index);
    void reapply();
    void onCurrentChanged(const QModelIndex& current);
    void followModelSelection();
    void onExpanded(const QModelIndex& index, bool expanded);

    QTreeView* m_view;
    TreeNavigator& m_navigator;
    WindowIndex m_window;
    bool m_applying = false;
    bool m_mouseHeld = false;
    bool m_pressOnBranch = false;
    bool m_doubleClick = false;
    QPersistentModelIndex m_pressed;
};

} // namespace tovane
