#include "list/widgets/filelistview.h"

#include "core/appsettings.h"
#include "core/mainstate.h"
#include "list/filelist.h"
#include "list/listlabels.h"
#include "list/widgets/listimages.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>
#include <QTreeView>

#include <algorithm>
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
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_slowClick = new QTimer(this);
    m_slowClick->setSingleShot(true);
    connect(m_slowClick, &QTimer::timeout, this, [this] { startEdit(m_pressRow, false); });
    connect(m_view, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        const bool again = index.row() == m_currentAtPress && index.column() == ColumnName &&
                           modifierBits() == 0;
        m_list->itemClicked(index.row(), modifierBits());
        // A second, slow click on the chosen name edits it, as file managers do.
        if (again && editStarting) {
            m_pressRow = index.row();
            m_slowClick->start(QApplication::doubleClickInterval() + 50);
        }
    });
    connect(m_view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        m_slowClick->stop();
        m_list->itemDoubleClicked(index.row());
    });

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
    m_moved = new QTimer(this);
    m_moved->setSingleShot(true);
    m_moved->setInterval(120);
    connect(m_moved, &QTimer::timeout, this, [this] {
        const QModelIndex current = m_view->currentIndex();
        if (current.isValid())
            m_list->currentMoved(current.row(), true);
    });
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                // Only keys: a view that gets the focus with no current row
                // picks one itself, and a click goes through itemClicked.
                if (m_selecting || !m_keyDown || !current.isValid())
                    return;
                m_list->currentMoved(current.row(), false);
                m_moved->start();
            });
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
    static const auto defaults = defaultListColumnWidths();
    const int columns = m_list->model()->columnCount();
    m_applying = true;
    for (int c = 0; c < columns && c < ListColumnsPerSet; ++c) {
        const bool keyColumn =
            m_list->model()->layout() == ListLayout::FolderItems && c >= FirstHiddenColumn;
        const int stored = widths[size_t(c)];
        int pixels = keyColumn ? 0 : int(std::lround(double(stored) / TwipsPerPixel));
        // The defaults were sized for one font; a width the user chose is his.
        if (!keyColumn && stored == defaults[size_t(set)][size_t(c)])
            pixels = std::max(pixels, fittingWidth(c));
        m_view->header()->resizeSection(c, pixels);
    }
    m_applying = false;
}

int FileListView::fittingWidth(int column) const
{
    const bool folders = m_list->model()->layout() == ListLayout::FolderItems;
    // Digits may differ in width: every sample uses the widest one.
    const QFontMetrics fm(m_view->font());
    QChar digit = u'0';
    for (char16_t d = u'1'; d <= u'9'; ++d)
        if (fm.horizontalAdvance(QChar(d)) > fm.horizontalAdvance(digit))
            digit = QChar(d);
    QString sample;
    if (folders && column == ColumnTime)
        sample = QStringLiteral("0000/00/00 00:00:00");
    else if (folders && column == ColumnSize)
        sample = QStringLiteral("000,000,000,000");
    else if (!folders && (column == DriveColumnTotal || column == DriveColumnFree))
        sample = QStringLiteral("000,000kB");
    if (sample.isEmpty())
        return 0;
    sample.replace(u'0', digit);
    // The delegate keeps this margin on either side of a cell's text.
    const int margin =
        m_view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 1;
    const int cell = fm.horizontalAdvance(sample) + 2 * margin + 2;
    return std::max(cell, m_view->header()->sectionSizeHint(column));
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
    m_selecting = true;
    m_view->setCurrentIndex(index);
    m_selecting = false;
    m_view->scrollTo(index);
}

bool FileListView::startEdit(int row, bool programStarted)
{
    m_slowClick->stop();
    if (!editStarting || row < 0 || row >= m_list->model()->count())
        return false;
    if (!editStarting(row, programStarted))
        return false;
    const QModelIndex index = m_list->model()->index(row, ColumnName);
    m_view->setCurrentIndex(index);
    m_view->setFocus();
    m_view->edit(index);
    return m_view->isPersistentEditorOpen(index) || m_view->indexWidget(index) != nullptr ||
           m_view->focusWidget() != m_view;
}

bool FileListView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::MouseButtonPress) {
        m_slowClick->stop();
        const QModelIndex current = m_view->currentIndex();
        m_currentAtPress = current.isValid() && m_view->hasFocus() ? current.row() : -1;
    } else if (watched == m_view->viewport() && event->type() == QEvent::MouseMove) {
        if (m_list->listForm() != ListFormList)
            resetHiddenColumns();
    } else if (watched == m_view && event->type() == QEvent::KeyPress) {
        m_keyDown = true;
    } else if (watched == m_view && event->type() == QEvent::FocusOut) {
        m_keyDown = false; // its release goes elsewhere
    } else if (watched == m_view && event->type() == QEvent::KeyRelease) {
        m_keyDown = false;
        m_list->keyReleased(modifierBits());
    } else if (watched == m_view && event->type() == QEvent::FontChange) {
        applyColumnWidths(); // the screen text size changed what fits
    }
    return QObject::eventFilter(watched, event);
}

FileListLabels::FileListLabels(FileList* list, QWidget* parent) : QWidget(parent), m_list(list)
{
    static const char* names[3] = {"lblListCount_", "lblSelCount_", "lblCopyCount_"};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(names[i]) + QString::number(list->window()));
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
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
        m_texts[i] = texts[i];
        m_labels[i]->setText(texts[i]);
        m_labels[i]->setVisible(!texts[i].isEmpty());
    }
    arrange();
    updateGeometry();
}

int FileListLabels::naturalWidth(int i) const
{
    // Fallback fonts (half-width kana) can draw wider than the advance says.
    const QFontMetrics fm = m_labels[i]->fontMetrics();
    const int text =
        std::max(fm.horizontalAdvance(m_texts[i]), fm.boundingRect(m_texts[i]).width());
    return text + 2 * m_labels[i]->margin() + 4;
}

std::array<QRect, 3> FileListLabels::placements(int width) const
{
    std::array<QRect, 3> places{};
    const int line = lineHeight();
    const int gap = fontMetrics().horizontalAdvance(QStringLiteral("　"));
    int x = 0;
    int y = 0;
    for (int i = 0; i < 3; ++i) {
        if (m_texts[i].isEmpty())
            continue;
        const int natural = naturalWidth(i);
        if (x > 0 && x + natural > width) {
            x = 0;
            y += line;
        }
        if (natural <= width) {
            places[size_t(i)] = QRect(x, y, natural, line);
            x += natural + gap;
        } else {
            // Wider than the list: it takes lines of its own, broken between words.
            const int height = std::max(line, m_labels[i]->heightForWidth(width));
            places[size_t(i)] = QRect(0, y, std::max(1, width), height);
            x = 0;
            y += height;
        }
    }
    return places;
}

int FileListLabels::lineHeight() const
{
    return m_labels[0]->fontMetrics().height() + 2 * m_labels[0]->margin();
}

int FileListLabels::heightForWidth(int width) const
{
    // One line at least, so the list does not jump when the labels empty.
    int bottom = lineHeight();
    for (const QRect& r : placements(width))
        if (!r.isNull())
            bottom = std::max(bottom, r.bottom() + 1);
    return bottom;
}

QSize FileListLabels::sizeHint() const
{
    return QSize(QWidget::sizeHint().width(), heightForWidth(width()));
}

void FileListLabels::arrange()
{
    const std::array<QRect, 3> places = placements(width());
    for (int i = 0; i < 3; ++i)
        if (!places[size_t(i)].isNull())
            m_labels[i]->setGeometry(places[size_t(i)]);
}

void FileListLabels::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrange();
}

void FileListLabels::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        arrange();
        updateGeometry();
    }
}

} // namespace tovane
