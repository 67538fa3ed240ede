#include "tree/widgets/destinationlistwidget.h"

#include "viewer/editrules.h"

#include "tree/foldertreemodel.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeView>

namespace tovane {

DestinationListWidget::DestinationListWidget(QWidget* parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("ListF"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    hide();
}

void DestinationListWidget::showFor(const DestinationListView& view, QTreeView* tree)
{
    clear();
    auto* heading = new QListWidgetItem(view.heading, this);
    heading->setFlags(Qt::NoItemFlags);
    for (const QString& entry : view.entries)
        addItem(entry);
    // Rows of the text size with some air, so the entries are easy to hit.
    const QSize row(0, destinationListItemHeight(QFontMetrics(font()).height()));
    for (int i = 0; i < count(); ++i)
        item(i)->setSizeHint(row);

    const QFontMetrics metrics(font());
    const int width = metrics.averageCharWidth() * view.widthChars + 2 * frameWidth();
    const int height = sizeHintForRow(0) * count() + 2 * frameWidth();
    QWidget* area = parentWidget();
    QPoint at(0, 0);
    if (tree && area) {
        const QModelIndex index =
            static_cast<FolderTreeModel*>(tree->model())->indexOf(view.nodeKey);
        const QRect rect = tree->visualRect(index);
        at = tree->viewport()->mapTo(area, QPoint(rect.right() + 4, rect.top()));
        at.setX(std::clamp(at.x(), 0, std::max(0, area->width() - width)));
        at.setY(std::clamp(at.y(), 0, std::max(0, area->height() - height)));
    }
    setGeometry(at.x(), at.y(), width, height);
    setCurrentRow(-1);
    show();
    raise();
}

void DestinationListWidget::mousePressEvent(QMouseEvent* event)
{
    const int row = indexAt(event->position().toPoint()).row();
    if (row < 1)
        return;
    hide();
    Q_EMIT entryChosen(row - 1);
}

void DestinationListWidget::mouseMoveEvent(QMouseEvent* event)
{
    const int row = indexAt(event->position().toPoint()).row();
    if (row >= 1)
        setCurrentRow(row);
}

void DestinationListWidget::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentRow() >= 1) {
        const int row = currentRow();
        hide();
        Q_EMIT entryChosen(row - 1);
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace tovane
