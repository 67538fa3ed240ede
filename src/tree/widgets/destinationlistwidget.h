#pragma once
// The destination list `ListF`: a small list beside a right-clicked tree
// node offering the operations that can take the node as destination. Its
// first row is the heading; a press on an entry row reports the entry and
// closes the list. The main window owns one and shows it from its
// TreeHost::showDestinationList.

#include "tree/treehost.h"

#include <QListWidget>

class QTreeView;

namespace tovane {

class DestinationListWidget : public QListWidget {
    Q_OBJECT
public:
    explicit DestinationListWidget(QWidget* parent);

    // Fills the list and places it beside the node of `view.nodeKey` in
    // `tree` (inside this widget's parent), within the parent's bounds.
    void showFor(const DestinationListView& view, QTreeView* tree);
    int entryCount() const { return count() > 0 ? count() - 1 : 0; }

Q_SIGNALS:
    // Row of the entry (0 = the first entry below the heading).
    void entryChosen(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace tovane
