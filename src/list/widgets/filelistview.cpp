#include "list/widgets/filelistview.h"

#include "core/appsettings.h"
#include "core/mainstate.h"
#include "list/filelist.h"
#include "list/listlabels.h"
#include "list/widgets/listimages.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTreeView>

#include <cmath>

namespace tovane {

void FileListDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() != 0)
        return;
    const QVariant image = index.data(FileListModel::ImageIndexRole);
    if (!image.isValid())
        return;
    const QIcon icon = listImage(image.toInt());
    if (icon.isNull())
        return;
    option->icon = icon;
    option->features |= QStyleOptionViewItem::HasDecoration;
    if (!option->decorationSize.isValid() || option->decorationSize.isEmpty())
        option->decorationSize = QSize(16, 16);
}

FileListView::FileListView(QTreeView* view, FileList* list, AppSettings* settings, QObject* parent)
    : QObject(parent), m_view(view), m_list(list), m_settings(settings)
{
    m_view->setModel(list->model());
    m_view->setItemDelegate(new FileListDelegate(m_view));
    m_view->setUniformRowHeights(true);
    m_view->setRootIsDecorated(false);
    m_view->setItemsExpandable(false);
    m_view->setSortingEnabled(false);
    m_view->setAllColumnsShowFocus(true);
    m_view->setIconSize(QSize(16, 16));
    m_view->setMouseTracking(true);
    m_view->viewport()->setMouseTracking(true);
    QHeaderView* header = m_view->header();
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    header->setSortIndicatorShown(false);
    header->setSectionResizeMode(QHeaderView::Interactive);

    m_view->viewport()->installEventFilter(this);
    m_view->installEventFilter(this);

    connect(header, &QHeaderView::sectionClicked, m_list, &FileList::columnClicked);
    connect(header, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (!m_applying)
            storeWidth(column, size);
    });
    connect(m_view, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { m_list->itemClicked(index.row(), modifierBits()); });
    connect(m_view, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { m_list->itemDoubleClicked(index.row()); });

    connect(m_list, &FileList::columnsCreated, this, [this] {
        applyColumnWidths();
        applyListForm(m_list->listForm());
    });
    connect(m_list->model(), &QAbstractItemModel::modelReset, this, [this] {
        applyColumnWidths();
        applyListForm(m_list->listForm());
    });
    connect(m_list, &FileList::listFormChanged, this, &FileListView::applyListForm);
    connect(m_list, &FileList::hiddenColumnsReset, this, &FileListView::resetHiddenColumns);
    connect(m_list, &FileList::currentRowChanged, this, &FileListView::selectRow);
    connect(m_list, &FileList::sorted, this, [this] {
        const QModelIndex current = m_view->currentIndex();
        if (current.isValid())
            m_view->scrollTo(current);
    });
    connect(m_list, &FileList::fillStarted, this, [this] { m_view->setUpdatesEnabled(false); });
    connect(m_list, &FileList::fillFinished, this, [this] { m_view->setUpdatesEnabled(true); });

    applyColumnWidths();
    applyListForm(m_list->listForm());
}

int FileListView::modifierBits()
{
    const Qt::KeyboardModifiers m = QGuiApplication::keyboardModifiers();
    return (m & Qt::ShiftModifier ? ModifierShift : 0) |
           (m & Qt::ControlModifier ? ModifierCtrl : 0);
}

void FileListView::applyColumnWidths()
{
    if (!m_settings)
        return;
    const int set = m_list->columnWidthSet();
    if (set < 0 || set >= ListColumnSets)
        return;
    const auto& widths = m_settings->listColumnWidths[size_t(set)];
    const int columns = m_list->model()->columnCount();
    m_applying = true;
    for (int c = 0; c < columns && c < ListColumnsPerSet; ++c) {
        const bool keyColumn =
            m_list->model()->layout() == ListLayout::FolderItems && c >= FirstHiddenColumn;
        const int pixels =
            keyColumn ? 0 : int(std::lround(double(widths[size_t(c)]) / TwipsPerPixel));
        m_view->header()->resizeSection(c, pixels);
    }
    m_applying = false;
}

bool FileListView::resetHiddenColumns()
{
    if (m_list->model()->layout() != ListLayout::FolderItems)
        return false;
    QHeaderView* header = m_view->header();
    std::array<int, FolderColumnCount> widths{};
    for (int c = 0; c < FolderColumnCount && c < header->count(); ++c)
        widths[size_t(c)] = header->sectionSize(c);
    const QList<int> wide = hiddenColumnsToReset(widths);
    m_applying = true;
    for (int c : wide)
        header->resizeSection(c, 0);
    m_applying = false;
    return !wide.isEmpty();
}

void FileListView::applyListForm(int form)
{
    const bool details = form != ListFormList;
    m_view->setHeaderHidden(!details);
    const int columns = m_list->model()->columnCount();
    // Hiding and showing resize the sections; that is not the user's width.
    m_applying = true;
    for (int c = 1; c < columns; ++c)
        m_view->setColumnHidden(c, !details);
    m_applying = false;
    if (details)
        resetHiddenColumns();
}

void FileListView::storeWidth(int column, int pixels)
{
    if (!m_settings)
        return;
    if (m_list->model()->layout() == ListLayout::FolderItems && column >= FirstHiddenColumn)
        return; // the key columns are always stored as 0
    if (m_view->isColumnHidden(column))
        return;
    const int set = m_list->columnWidthSet();
    if (set < 0 || set >= ListColumnSets || column < 0 || column >= ListColumnsPerSet)
        return;
    m_settings->listColumnWidths[size_t(set)][size_t(column)] =
        qMax(MinimumStoredTwips, pixels * TwipsPerPixel);
}

void FileListView::selectRow(int row)
{
    if (row < 0 || row >= m_list->model()->rowCount()) {
        return;
    }
    const QModelIndex index = m_list->model()->index(row, 0);
    m_view->setCurrentIndex(index);
    m_view->scrollTo(index);
}

bool FileListView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::MouseMove) {
        if (m_list->listForm() != ListFormList)
            resetHiddenColumns();
    } else if (watched == m_view && event->type() == QEvent::KeyRelease) {
        m_list->keyReleased(modifierBits());
    }
    return QObject::eventFilter(watched, event);
}

FileListLabels::FileListLabels(FileList* list, QWidget* parent) : QWidget(parent), m_list(list)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    static const char* names[3] = {"lblListCount_", "lblSelCount_", "lblCopyCount_"};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(names[i]) + QString::number(list->window()));
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label, i == 0 ? 2 : 1);
        m_labels[i] = label;
    }
    connect(list, &FileList::labelsChanged, this, &FileListLabels::refresh);
    refresh();
}

void FileListLabels::refresh()
{
    const QString texts[3] = {m_list->listLabel(), m_list->selectionLabel(),
                              m_list->copyTargetLabel()};
    for (int i = 0; i < 3; ++i) {
        m_labels[i]->setText(texts[i]);
        m_labels[i]->setVisible(!texts[i].isEmpty());
    }
}

} // namespace tovane
