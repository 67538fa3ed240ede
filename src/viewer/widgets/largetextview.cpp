#include "viewer/widgets/largetextview.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

#include <cmath>

namespace tovane {

namespace {

// The document margin of a QPlainTextEdit, so both boxes look the same.
constexpr int Margin = 4;

// The layout of one line is built per paint; a line longer than this is
// shown cut, so a text of one enormous line cannot stall every repaint.
constexpr qsizetype MaxLaidOutChars = 100000;

} // namespace

LargeTextView::LargeTextView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    updateMetrics();
}

LargeTextView::~LargeTextView() = default;

void LargeTextView::setText(QString text)
{
    m_text = std::move(text);
    m_index = LineIndex(m_text);
    m_caret = m_anchor = 0;
    m_wantX = -1;
    m_contentWidth = 0;
    updateMetrics();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

void LargeTextView::clear()
{
    setText(QString());
    m_text.squeeze();
}

QString LargeTextView::lineText(qsizetype line) const
{
    if (line < 0 || line >= m_index.lineCount())
        return QString();
    return m_text.mid(m_index.lineStart(line), m_index.lineLength(line));
}

void LargeTextView::setReadOnly(bool on)
{
    m_readOnly = on;
    setAttribute(Qt::WA_InputMethodEnabled, !on);
}

void LargeTextView::setTabStopDistance(qreal distance)
{
    m_tabStop = distance;
    m_contentWidth = 0;
    updateMetrics();
    viewport()->update();
}

QString LargeTextView::selectedText() const
{
    return m_text.mid(selectionStart(), selectionEnd() - selectionStart());
}

void LargeTextView::setCursorPosition(qsizetype position, bool keepAnchor)
{
    m_caret = std::clamp<qsizetype>(position, 0, m_text.size());
    if (!keepAnchor)
        m_anchor = m_caret;
    ensureCaretVisible();
    viewport()->update();
}

void LargeTextView::selectAll()
{
    m_anchor = 0;
    m_caret = m_text.size();
    viewport()->update();
}

void LargeTextView::copy() const
{
    if (selectionEnd() > selectionStart())
        QGuiApplication::clipboard()->setText(selectedText());
}

int LargeTextView::firstVisibleLine() const
{
    return verticalScrollBar()->value();
}

int LargeTextView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

// ---------------------------------------------------------------- layout

void LargeTextView::layoutLine(QTextLayout& layout, qsizetype line) const
{
    const qsizetype length = std::min(m_index.lineLength(line), MaxLaidOutChars);
    layout.setText(m_text.mid(m_index.lineStart(line), length));
    layout.setFont(font());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(m_tabStop);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine l = layout.createLine();
    if (l.isValid())
        l.setPosition(QPointF(0, 0));
    layout.endLayout();
}

void LargeTextView::updateMetrics()
{
    QTextLayout sample(QStringLiteral("X"), font());
    sample.beginLayout();
    QTextLine l = sample.createLine();
    sample.endLayout();
    m_lineHeight = std::max<qreal>(1, l.isValid() ? l.height() : fontMetrics().height());
    // Unseen lines are guessed from their length; painting corrects it.
    m_estimatedWidth = qreal(std::min(m_index.longestLine(), MaxLaidOutChars)) *
                       QFontMetricsF(font()).averageCharWidth();
    updateScrollBars();
}

int LargeTextView::fullLinesShown() const
{
    const int height = viewport()->height() - Margin;
    return std::max(1, int(height / m_lineHeight));
}

void LargeTextView::updateScrollBars()
{
    const int lines = int(std::min<qsizetype>(m_index.lineCount(), INT_MAX));
    const int shown = fullLinesShown();
    verticalScrollBar()->setRange(0, std::max(0, lines - shown));
    verticalScrollBar()->setPageStep(shown);
    const qreal width = std::max(m_contentWidth, m_estimatedWidth) + 2 * Margin + 1;
    const int viewWidth = viewport()->width();
    horizontalScrollBar()->setRange(0, std::max(0, int(std::ceil(width)) - viewWidth));
    horizontalScrollBar()->setPageStep(viewWidth);
    horizontalScrollBar()->setSingleStep(std::max(1, fontMetrics().averageCharWidth()));
}

qsizetype LargeTextView::lineEnd(qsizetype line) const
{
    return m_index.lineStart(line) + m_index.lineLength(line);
}

qsizetype LargeTextView::positionAt(const QPoint& point) const
{
    if (m_index.lineCount() == 0)
        return 0;
    const qreal y = point.y() - Margin;
    qsizetype line = firstVisibleLine() + qsizetype(std::floor(y / m_lineHeight));
    line = std::clamp<qsizetype>(line, 0, m_index.lineCount() - 1);
    QTextLayout layout;
    layoutLine(layout, line);
    const qreal x = point.x() - Margin + horizontalOffset();
    const int column = layout.lineCount() > 0 ? layout.lineAt(0).xToCursor(x) : 0;
    return m_index.lineStart(line) + column;
}

void LargeTextView::ensureCaretVisible()
{
    const qsizetype line = m_index.lineOf(m_caret);
    QScrollBar* v = verticalScrollBar();
    const int shown = fullLinesShown();
    if (line < v->value())
        v->setValue(int(line));
    else if (line >= v->value() + shown)
        v->setValue(int(line - shown + 1));

    QTextLayout layout;
    layoutLine(layout, line);
    if (layout.lineCount() == 0)
        return;
    const QTextLine l = layout.lineAt(0);
    if (l.naturalTextWidth() > m_contentWidth) {
        m_contentWidth = l.naturalTextWidth();
        updateScrollBars();
    }
    const int column = int(std::min(m_caret - m_index.lineStart(line), MaxLaidOutChars));
    const qreal x = l.cursorToX(column) + Margin;
    QScrollBar* h = horizontalScrollBar();
    const int width = viewport()->width();
    if (x < h->value())
        h->setValue(std::max(0, int(x) - width / 3));
    else if (x + Margin > h->value() + width)
        h->setValue(int(x) + Margin - width + width / 3);
}

// ---------------------------------------------------------------- painting

void LargeTextView::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter p(viewport());
    const qsizetype first = firstVisibleLine();
    const int rows = int(std::ceil(viewport()->height() / m_lineHeight)) + 1;
    const qsizetype last = std::min<qsizetype>(m_index.lineCount(), first + rows);
    const qsizetype selStart = selectionStart();
    const qsizetype selEnd = selectionEnd();
    const QPalette& pal = palette();
    QTextCharFormat selected;
    selected.setBackground(pal.brush(QPalette::Highlight));
    selected.setForeground(pal.brush(QPalette::HighlightedText));
    const qreal left = Margin - horizontalOffset();
    const bool showCaret = hasFocus() && selStart == selEnd;
    qreal widest = m_contentWidth;
    p.setPen(pal.color(QPalette::Text));
    for (qsizetype line = first; line < last; ++line) {
        const QPointF origin(left, Margin + (line - first) * m_lineHeight);
        QTextLayout layout;
        layoutLine(layout, line);
        const qsizetype start = m_index.lineStart(line);
        const qsizetype length = layout.text().size();
        QList<QTextLayout::FormatRange> ranges;
        if (selEnd > start && selStart <= lineEnd(line)) {
            QTextLayout::FormatRange r;
            r.start = int(std::max(selStart, start) - start);
            r.length = int(std::min(selEnd, start + length) - start) - r.start;
            r.format = selected;
            if (r.length > 0)
                ranges.append(r);
        }
        layout.draw(&p, origin, ranges);
        const QTextLine l = layout.lineAt(0);
        widest = std::max(widest, l.naturalTextWidth());
        // A selected line end shows as a space's width of highlight.
        if (selStart <= lineEnd(line) && selEnd > lineEnd(line)) {
            const qreal x = origin.x() + l.naturalTextWidth();
            p.fillRect(QRectF(x, origin.y(), fontMetrics().horizontalAdvance(u' '), m_lineHeight),
                       pal.brush(QPalette::Highlight));
        }
        if (showCaret && m_caret >= start && m_caret <= lineEnd(line))
            layout.drawCursor(&p, origin, int(std::min(m_caret - start, length)), 1);
    }
    if (widest > m_contentWidth) {
        m_contentWidth = widest;
        // Not while painting: a scroll bar appearing resizes the viewport.
        QMetaObject::invokeMethod(
            this, [this] { updateScrollBars(); }, Qt::QueuedConnection);
    }
}

void LargeTextView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void LargeTextView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_contentWidth = 0;
        updateMetrics();
        viewport()->update();
    }
}

void LargeTextView::scrollContentsBy(int dx, int dy)
{
    Q_UNUSED(dx);
    Q_UNUSED(dy);
    viewport()->update();
}

void LargeTextView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void LargeTextView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// ---------------------------------------------------------------- keys

qsizetype LargeTextView::stepped(qsizetype position, bool forward, bool words) const
{
    const qsizetype line = m_index.lineOf(position);
    const qsizetype start = m_index.lineStart(line);
    if (forward && position >= lineEnd(line))
        return std::min<qsizetype>(position + 1, m_text.size());
    if (!forward && position <= start)
        return std::max<qsizetype>(position - 1, 0);
    QTextLayout layout;
    layoutLine(layout, line);
    const int column = int(position - start);
    if (column > layout.text().size())
        return forward ? position + 1 : position - 1; // past the laid-out part
    const QTextLayout::CursorMode mode =
        words ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
    const int next = forward ? layout.nextCursorPosition(column, mode)
                             : layout.previousCursorPosition(column, mode);
    if (forward && next == column)
        return lineEnd(line);
    return start + next;
}

qsizetype LargeTextView::lineMoved(qsizetype position, qsizetype lines)
{
    const qsizetype line = m_index.lineOf(position);
    QTextLayout layout;
    layoutLine(layout, line);
    if (m_wantX < 0 && layout.lineCount() > 0)
        m_wantX = layout.lineAt(0).cursorToX(
            int(std::min(position - m_index.lineStart(line), MaxLaidOutChars)));
    const qsizetype target = std::clamp<qsizetype>(line + lines, 0, m_index.lineCount() - 1);
    if (target == line)
        return lines < 0 ? m_index.lineStart(line) : lineEnd(line);
    QTextLayout other;
    layoutLine(other, target);
    const int column =
        other.lineCount() > 0 ? other.lineAt(0).xToCursor(std::max<qreal>(0, m_wantX)) : 0;
    return m_index.lineStart(target) + column;
}

bool LargeTextView::isEditKey(QKeyEvent* event) const
{
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
        event->matches(QKeySequence::Delete) || event->matches(QKeySequence::DeleteEndOfWord) ||
        event->matches(QKeySequence::DeleteStartOfWord) ||
        event->matches(QKeySequence::DeleteEndOfLine))
        return true;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Tab:
        return !(event->modifiers() & Qt::ControlModifier);
    default:
        break;
    }
    const QString text = event->text();
    if (text.isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isPrint(); });
}

void LargeTextView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        copy();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        event->accept();
        return;
    }
    if (isEditKey(event)) {
        if (!m_readOnly)
            Q_EMIT editRequested(event);
        event->accept();
        return;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const qsizetype line = m_index.lineOf(m_caret);
    const qsizetype page = fullLinesShown();
    qsizetype to = -1;
    bool vertical = false;
    switch (event->key()) {
    case Qt::Key_Left:
        to = stepped(m_caret, false, ctrl);
        break;
    case Qt::Key_Right:
        to = stepped(m_caret, true, ctrl);
        break;
    case Qt::Key_Up:
        if (ctrl) {
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
            event->accept();
            return;
        }
        to = lineMoved(m_caret, -1);
        vertical = true;
        break;
    case Qt::Key_Down:
        if (ctrl) {
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            event->accept();
            return;
        }
        to = lineMoved(m_caret, 1);
        vertical = true;
        break;
    case Qt::Key_Home:
        to = ctrl ? 0 : m_index.lineStart(line);
        break;
    case Qt::Key_End:
        to = ctrl ? m_text.size() : lineEnd(line);
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const qsizetype step = event->key() == Qt::Key_PageUp ? -page : page;
        to = lineMoved(m_caret, step);
        vertical = true;
        // The view moves by the page as well, as a text box's does.
        QScrollBar* v = verticalScrollBar();
        v->setValue(int(std::clamp<qsizetype>(v->value() + step, 0, v->maximum())));
        break;
    }
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (!vertical)
        m_wantX = -1;
    setCursorPosition(to, shift);
    event->accept();
}

// ---------------------------------------------------------------- mouse

void LargeTextView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    m_wantX = -1;
    m_dragging = true;
    setCursorPosition(positionAt(event->position().toPoint()),
                      event->modifiers() & Qt::ShiftModifier);
}

void LargeTextView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    setCursorPosition(positionAt(event->position().toPoint()), true);
}

void LargeTextView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void LargeTextView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // The word under the pointer, as a text box selects it.
    const qsizetype at = positionAt(event->position().toPoint());
    const qsizetype line = m_index.lineOf(at);
    QTextLayout layout;
    layoutLine(layout, line);
    const qsizetype start = m_index.lineStart(line);
    const int column = int(at - start);
    if (column >= layout.text().size())
        return;
    const int from = layout.previousCursorPosition(column + 1, QTextLayout::SkipWords);
    int to = layout.nextCursorPosition(from, QTextLayout::SkipWords);
    while (to > column + 1 && layout.text().at(to - 1).isSpace())
        --to;
    m_anchor = start + from;
    m_caret = start + std::max(to, column + 1);
    m_dragging = false;
    viewport()->update();
}

// ---------------------------------------------------------------- input method

void LargeTextView::inputMethodEvent(QInputMethodEvent* event)
{
    if (!m_readOnly && (!event->commitString().isEmpty() || !event->preeditString().isEmpty())) {
        Q_EMIT editRequested(event);
        return;
    }
    event->accept();
}

QVariant LargeTextView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled:
        return !m_readOnly;
    case Qt::ImCursorRectangle: {
        const qsizetype line = m_index.lineOf(m_caret);
        QTextLayout layout;
        layoutLine(layout, line);
        const qreal x = layout.lineCount() > 0
                            ? layout.lineAt(0).cursorToX(
                                  int(std::min(m_caret - m_index.lineStart(line), MaxLaidOutChars)))
                            : 0;
        const QRectF r(Margin + x - horizontalOffset(),
                       Margin + (line - firstVisibleLine()) * m_lineHeight, 1, m_lineHeight);
        return r.toRect().translated(viewport()->pos());
    }
    case Qt::ImCursorPosition:
        return int(m_caret - m_index.lineStart(m_index.lineOf(m_caret)));
    case Qt::ImSurroundingText:
        return lineText(m_index.lineOf(m_caret));
    case Qt::ImCurrentSelection:
        return selectedText();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

} // namespace tovane
