#include "app/windowpane.h"

#include "viewer/widgets/largetextview.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTreeView>

#include <algorithm>

namespace tovane {

DividerLabel::DividerLabel(Qt::Orientation orientation, QWidget* parent)
    : QFrame(parent), m_orientation(orientation)
{
    setFrameShape(QFrame::NoFrame);
    setCursor(orientation == Qt::Vertical ? Qt::SizeHorCursor : Qt::SizeVerCursor);
}

int DividerLabel::offsetOf(QMouseEvent* event) const
{
    const QPoint delta = event->globalPosition().toPoint() - m_pressAt;
    return m_orientation == Qt::Vertical ? delta.x() : delta.y();
}

void DividerLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QFrame::mousePressEvent(event);
    m_pressAt = event->globalPosition().toPoint();
    m_dragging = true;
    Q_EMIT pressed();
}

void DividerLabel::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        Q_EMIT dragged(offsetOf(event));
}

void DividerLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return QFrame::mouseReleaseEvent(event);
    m_dragging = false;
    Q_EMIT released(offsetOf(event));
}

WindowPane::WindowPane(int window, QWidget* parent) : QFrame(parent), m_window(window)
{
    const QString suffix = QLatin1Char('_') + QString::number(window);
    setObjectName(QStringLiteral("Frame") + suffix);
    setFrameShape(QFrame::StyledPanel);

    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("lblP") + suffix);
    m_header->setAutoFillBackground(true);
    m_header->setMargin(2);
    m_header->setTextInteractionFlags(Qt::NoTextInteraction);

    m_allLevels = new QCheckBox(QStringLiteral("全階層"), this);
    m_allLevels->setObjectName(QStringLiteral("CheckBoxA") + suffix);
    m_allLevels->setFocusPolicy(Qt::NoFocus);
    m_contentBox = new QCheckBox(QStringLiteral("内容表示"), this);
    m_contentBox->setObjectName(QStringLiteral("CheckBoxD") + suffix);
    m_contentBox->setFocusPolicy(Qt::NoFocus);

    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("TreeView") + suffix);
    m_tree->setHeaderHidden(true);
    m_tree->setUniformRowHeights(true);

    m_list = new QTreeView(this);
    m_list->setObjectName(QStringLiteral("lvwFiles") + suffix);
    m_list->setUniformRowHeights(true);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);

    m_content = new QFrame(this);
    m_content->setObjectName(QStringLiteral("txtContents") + suffix);
    m_content->setFrameShape(QFrame::StyledPanel);
    m_richText = new QTextEdit(m_content);
    m_richText->setObjectName(QStringLiteral("RTBoxC") + suffix);
    m_richText->setFrameShape(QFrame::NoFrame);
    m_richText->hide();
    m_plainText = new QPlainTextEdit(m_content);
    m_plainText->setObjectName(QStringLiteral("txtPlain") + suffix);
    m_plainText->setFrameShape(QFrame::NoFrame);
    m_plainText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_plainText->hide();
    m_largeText = new LargeTextView(m_content);
    m_largeText->setObjectName(QStringLiteral("txtLarge") + suffix);
    m_largeText->hide();
    m_picture = new QWidget(m_content);
    m_picture->setObjectName(QStringLiteral("PictureC") + suffix);
    m_picture->hide();

    m_driveStatus = new QLabel(this);
    m_driveStatus->setObjectName(QStringLiteral("lblDrive") + suffix);
    m_driveStatus->setTextFormat(Qt::PlainText);
    m_memoryStatus = new QLabel(this);
    m_memoryStatus->setObjectName(QStringLiteral("lblMemory") + suffix);
    m_memoryStatus->setTextFormat(Qt::PlainText);
    m_memoryStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_treeDivider = new DividerLabel(Qt::Vertical, this);
    m_treeDivider->setObjectName(QStringLiteral("LabelB") + suffix);
    m_contentDivider = new DividerLabel(Qt::Horizontal, this);
    m_contentDivider->setObjectName(QStringLiteral("LabelBH") + suffix);

    for (DividerLabel* d : {m_treeDivider, m_contentDivider})
        connect(d, &DividerLabel::pressed, this, [this] {
            m_dragStartTree = m_treeWidth;
            m_dragStartUpper = m_upperHeight;
            Q_EMIT activated(m_window);
        });
    connect(m_treeDivider, &DividerLabel::dragged, this,
            [this](int dx) { Q_EMIT treeWidthDragged(m_window, m_dragStartTree + dx, false); });
    connect(m_treeDivider, &DividerLabel::released, this,
            [this](int dx) { Q_EMIT treeWidthDragged(m_window, m_dragStartTree + dx, true); });
    connect(m_contentDivider, &DividerLabel::dragged, this,
            [this](int dy) { Q_EMIT upperHeightDragged(m_window, m_dragStartUpper + dy, false); });
    connect(m_contentDivider, &DividerLabel::released, this,
            [this](int dy) { Q_EMIT upperHeightDragged(m_window, m_dragStartUpper + dy, true); });
}

void WindowPane::setHeaderColour(const QColor& colour)
{
    QPalette pal = m_header->palette();
    pal.setColor(QPalette::Window, colour);
    pal.setColor(QPalette::WindowText, Qt::black);
    m_header->setPalette(pal);
}

QWidget* WindowPane::textBox() const
{
    if (!m_plainText->isHidden())
        return m_plainText;
    if (!m_largeText->isHidden())
        return m_largeText;
    if (!m_richText->isHidden())
        return m_richText;
    return nullptr;
}

bool WindowPane::textEditable() const
{
    if (!m_plainText->isHidden())
        return !m_plainText->isReadOnly();
    if (!m_largeText->isHidden())
        return !m_largeText->isReadOnly();
    if (!m_richText->isHidden())
        return !m_richText->isReadOnly();
    return false;
}

void WindowPane::setContentMaximized(bool on)
{
    m_contentMaximized = on;
    layoutParts();
}

void WindowPane::setDivisions(int treeWidth, int upperHeight, bool contentShown)
{
    m_treeWidth = treeWidth;
    m_upperHeight = upperHeight;
    m_contentShown = contentShown;
    layoutParts();
}

int WindowPane::bodyTop() const
{
    const int f = frameWidth();
    return f + std::max(m_header->sizeHint().height(), m_contentBox->sizeHint().height());
}

void WindowPane::setMemoryText(const QString& text)
{
    m_memoryStatus->setText(text);
    layoutParts();
}

int WindowPane::statusHeight() const
{
    return m_driveStatus->sizeHint().height();
}

void WindowPane::setListLabels(QWidget* labels)
{
    m_listLabels = labels;
    if (labels) {
        labels->setParent(this);
        labels->show();
    }
    layoutParts();
}

int WindowPane::usableWidth() const
{
    return std::max(0, contentsRect().width() - DividerWidth);
}

int WindowPane::usableHeight() const
{
    return std::max(0, contentsRect().bottom() + 1 - bodyTop() - statusHeight());
}

void WindowPane::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    layoutParts();
    Q_EMIT resized(m_window);
}

bool WindowPane::event(QEvent* event)
{
    // The count labels took another number of lines.
    if (event->type() == QEvent::LayoutRequest)
        layoutParts();
    return QFrame::event(event);
}

void WindowPane::fillContentArea()
{
    const QRect area = m_content->contentsRect();
    for (QWidget* box : {static_cast<QWidget*>(m_richText), static_cast<QWidget*>(m_plainText),
                         static_cast<QWidget*>(m_largeText), m_picture})
        box->setGeometry(area);
}

void WindowPane::layoutParts()
{
    const QRect inner = contentsRect();
    const int top = bodyTop();
    const int headerHeight = top - inner.top();

    const int boxA = m_allLevels->sizeHint().width();
    const int boxD = m_contentBox->sizeHint().width();
    const int headerWidth = std::max(0, inner.width() - boxA - boxD - 8);
    m_header->setGeometry(inner.left(), inner.top(), headerWidth, headerHeight);
    m_allLevels->setGeometry(inner.left() + headerWidth + 4, inner.top(), boxA, headerHeight);
    m_contentBox->setGeometry(inner.left() + headerWidth + 4 + boxA + 4, inner.top(), boxD,
                              headerHeight);

    const int bodyHeight = usableHeight();
    const bool maximized = m_contentShown && m_contentMaximized;
    m_tree->setVisible(!maximized);
    m_list->setVisible(!maximized);
    m_treeDivider->setVisible(!maximized);
    if (m_listLabels)
        m_listLabels->setVisible(!maximized);
    const int tree = maximized ? 0 : std::clamp(m_treeWidth, 0, usableWidth());
    m_tree->setGeometry(inner.left(), top, tree, bodyHeight);
    m_treeDivider->setGeometry(inner.left() + tree, top, DividerWidth, bodyHeight);

    const int statusTop = top + bodyHeight;
    // The volume text gets whatever the memory note leaves.
    const int memoryWidth =
        m_memoryStatus->text().isEmpty()
            ? 0
            : std::min(inner.width() / 2,
                       m_memoryStatus->fontMetrics().horizontalAdvance(m_memoryStatus->text()) + 8);
    m_driveStatus->setGeometry(inner.left() + 2, statusTop, inner.width() - memoryWidth - 4,
                               statusHeight());
    m_memoryStatus->setGeometry(inner.right() + 1 - memoryWidth - 2, statusTop, memoryWidth,
                                statusHeight());

    const int right = inner.left() + tree + DividerWidth;
    const int rightWidth = std::max(0, inner.right() + 1 - right);
    const int labelsWidth = std::max(0, rightWidth - 4);
    int labelsHeight = 0;
    if (m_listLabels)
        labelsHeight = m_listLabels->hasHeightForWidth() ? m_listLabels->heightForWidth(labelsWidth)
                                                         : m_listLabels->sizeHint().height();
    auto placeList = [&](int height) {
        const int listHeight = std::max(0, height - labelsHeight);
        m_list->setGeometry(right, top, rightWidth, listHeight);
        if (m_listLabels)
            m_listLabels->setGeometry(right + 2, top + listHeight, labelsWidth,
                                      std::min(labelsHeight, height));
    };
    if (maximized) {
        m_contentDivider->hide();
        m_content->setGeometry(inner.left(), top, inner.width(), bodyHeight);
        m_content->show();
        fillContentArea();
    } else if (m_contentShown) {
        const int upper = std::clamp(m_upperHeight, 0, std::max(0, bodyHeight - DividerWidth));
        placeList(upper);
        m_contentDivider->setGeometry(right, top + upper, rightWidth, DividerWidth);
        m_content->setGeometry(right, top + upper + DividerWidth, rightWidth,
                               std::max(0, bodyHeight - upper - DividerWidth));
        m_contentDivider->show();
        m_content->show();
        fillContentArea();
    } else {
        placeList(bodyHeight);
        m_contentDivider->hide();
        m_content->hide();
    }
}

} // namespace tovane
