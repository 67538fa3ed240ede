#include "tree/widgets/treeviewadapter.h"

#include "tree/foldertreemodel.h"
#include "tree/treenavigator.h"
#include "tree/treerules.h"
#include "tree/widgets/treeicons.h"

#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QTreeView>

namespace tovane {

namespace {

TreeButton buttonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return TreeButton::Left;
    case Qt::RightButton:
        return TreeButton::Right;
    default:
        return TreeButton::Other;
    }
}

int modifierBits(Qt::KeyboardModifiers modifiers)
{
    int bits = 0;
    if (modifiers & Qt::ShiftModifier)
        bits |= ModifierShift;
    if (modifiers & Qt::ControlModifier)
        bits |= ModifierCtrl;
    return bits;
}

// Sets a flag for the length of a scope.
class Flag {
public:
    explicit Flag(bool& flag) : m_flag(flag), m_saved(flag) { m_flag = true; }
    ~Flag() { m_flag = m_saved; }

private:
    bool& m_flag;
    bool m_saved;
};

} // namespace

TreeViewAdapter::TreeViewAdapter(QTreeView* view, TreeNavigator& navigator, WindowIndex window,
                                 QObject* parent)
    : QObject(parent), m_view(view), m_navigator(navigator), m_window(window)
{
    FolderTreeModel& model = navigator.model(window);
    model.setDecorationProvider(
        [](int image) { return QVariant::fromValue(treeImageIcon(image)); });
    view->setModel(&model);
    view->setHeaderHidden(true);
    view->setUniformRowHeights(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setExpandsOnDoubleClick(true);
    view->viewport()->installEventFilter(this);

    connect(&model, &FolderTreeModel::expandRequested, this, &TreeViewAdapter::applyExpand);
    connect(&model, &FolderTreeModel::selectionRequested, this, &TreeViewAdapter::applySelection);
    connect(&model, &FolderTreeModel::scrollRequested, this, &TreeViewAdapter::applyScroll);
    connect(&model, &FolderTreeModel::bulkStarted, this,
            [this] { m_view->setUpdatesEnabled(false); });
    connect(&model, &FolderTreeModel::bulkFinished, this, &TreeViewAdapter::reapply);
    connect(&model, &QAbstractItemModel::modelReset, this, [this] {
        if (!m_navigator.model(m_window).inBulk())
            reapply();
    });
    connect(view, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { onExpanded(index, true); });
    connect(view, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { onExpanded(index, false); });
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { onCurrentChanged(current); });
    reapply();
}

void TreeViewAdapter::applyExpand(const QModelIndex& index, bool expanded, bool recursive)
{
    if (!index.isValid())
        return;
    Flag applying(m_applying);
    if (recursive && expanded) {
        m_view->expandRecursively(index);
        return;
    }
    if (recursive) {
        // Collapsing keeps no state below in the control, so every
        // descendant is folded as well.
        QList<QModelIndex> pending{index};
        QAbstractItemModel* model = m_view->model();
        while (!pending.isEmpty()) {
            const QModelIndex at = pending.takeLast();
            m_view->setExpanded(at, false);
            for (int r = 0; r < model->rowCount(at); ++r)
                pending.append(model->index(r, 0, at));
        }
        return;
    }
    m_view->setExpanded(index, expanded);
}

void TreeViewAdapter::applySelection(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    Flag applying(m_applying);
    m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

void TreeViewAdapter::applyScroll(const QModelIndex& index)
{
    if (index.isValid())
        m_view->scrollTo(index);
}

void TreeViewAdapter::reapply()
{
    FolderTreeModel& model = m_navigator.model(m_window);
    {
        Flag applying(m_applying);
        for (const QString& key : model.expandedKeys())
            m_view->setExpanded(model.indexOf(key), true);
        const QModelIndex selected = model.indexOf(model.selectedKey());
        if (selected.isValid())
            m_view->selectionModel()->setCurrentIndex(selected,
                                                      QItemSelectionModel::ClearAndSelect);
    }
    m_view->setUpdatesEnabled(true);
    const QModelIndex selected = model.indexOf(model.selectedKey());
    if (selected.isValid())
        m_view->scrollTo(selected);
}

void TreeViewAdapter::onExpanded(const QModelIndex& index, bool expanded)
{
    const QString key = FolderTreeModel::keyOf(index);
    if (key.isEmpty())
        return;
    if (m_applying) {
        m_navigator.model(m_window).noteExpanded(key, expanded);
        return;
    }
    if (expanded)
        m_navigator.nodeExpanded(m_window, key);
    else
        m_navigator.nodeCollapsed(m_window, key);
}

void TreeViewAdapter::onCurrentChanged(const QModelIndex& current)
{
    // Mouse clicks are reported on their release; here only keyboard moves.
    if (m_applying || m_mouseHeld || !current.isValid())
        return;
    const QString key = FolderTreeModel::keyOf(current);
    if (key == m_navigator.model(m_window).selectedKey())
        return;
    m_navigator.nodeClick(m_window, key, TreeButton::Left);
    followModelSelection();
}

void TreeViewAdapter::followModelSelection()
{
    // A click the engine refused (busy, declined, failed) leaves the view's
    // current node where the engine's selection is.
    const FolderTreeModel& model = m_navigator.model(m_window);
    const QModelIndex selected = model.indexOf(model.selectedKey());
    if (selected.isValid() && m_view->currentIndex() != selected)
        applySelection(selected);
}

bool TreeViewAdapter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view->viewport())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        const QModelIndex index = m_view->indexAt(at);
        m_pressed = index;
        m_pressOnBranch = index.isValid() && at.x() < m_view->visualRect(index).left();
        m_doubleClick = event->type() == QEvent::MouseButtonDblClick;
        m_mouseHeld = true;
        m_navigator.mouseDown(m_window, buttonOf(mouse->button()),
                              modifierBits(mouse->modifiers()));
        // A right press must not move the selection: the node may become a
        // destination while the window's path stays.
        return mouse->button() == Qt::RightButton;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex index = m_view->indexAt(mouse->position().toPoint());
        const bool click =
            index.isValid() && index == m_pressed && !m_pressOnBranch && !m_doubleClick;
        const QString key = FolderTreeModel::keyOf(index);
        m_mouseHeld = false;
        m_doubleClick = false;
        m_pressed = QPersistentModelIndex();
        const TreeButton button = buttonOf(mouse->button());
        m_navigator.mouseUp(m_window, button);
        if (click && button != TreeButton::Other)
            m_navigator.nodeClick(m_window, key, button);
        followModelSelection();
        return button == TreeButton::Right;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tovane
