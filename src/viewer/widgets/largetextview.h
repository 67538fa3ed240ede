#pragma once
// A read-mostly view of a large plain text. A QPlainTextEdit lays out a
// block per line up front, which costs seconds and several times the file's
// size on a large log; this view keeps the text and an index of its line
// starts and lays out only the lines it paints, all of one height (no
// wrapping). It has a caret and a selection and copies; it never edits: the
// first edit is handed to the owner (editRequested), who moves the text into
// an editor and passes the event on.
//
// GUI thread only.

#include "viewer/lineindex.h"

#include <QAbstractScrollArea>
#include <QString>

class QTextLayout;

namespace tovane {

class LargeTextView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit LargeTextView(QWidget* parent = nullptr);
    ~LargeTextView() override;

    // The caret goes to the start and the view to the top.
    void setText(QString text);
    void clear();
    const QString& text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    qsizetype lineCount() const { return m_index.lineCount(); }
    QString lineText(qsizetype line) const;

    void setReadOnly(bool on);
    bool isReadOnly() const { return m_readOnly; }
    void setTabStopDistance(qreal distance);

    qsizetype cursorPosition() const { return m_caret; }
    qsizetype anchorPosition() const { return m_anchor; }
    qsizetype selectionStart() const { return std::min(m_caret, m_anchor); }
    qsizetype selectionEnd() const { return std::max(m_caret, m_anchor); }
    QString selectedText() const;
    // Moves the caret (and with keepAnchor the selection's end) and scrolls to it.
    void setCursorPosition(qsizetype position, bool keepAnchor = false);
    void selectAll();
    void copy() const;
    // The first line shown and the horizontal scroll, in lines and pixels.
    int firstVisibleLine() const;
    int horizontalOffset() const;

Q_SIGNALS:
    // A key, paste or input method event that would change an editable
    // text. The receiver moves the text into an editor and sends it there.
    void editRequested(QEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void layoutLine(QTextLayout& layout, qsizetype line) const;
    void updateMetrics();
    void updateScrollBars();
    int fullLinesShown() const;
    void ensureCaretVisible();
    qsizetype positionAt(const QPoint& point) const;
    qsizetype lineEnd(qsizetype line) const;
    // Caret moves within or across lines.
    qsizetype stepped(qsizetype position, bool forward, bool words) const;
    qsizetype lineMoved(qsizetype position, qsizetype lines);
    bool isEditKey(QKeyEvent* event) const;

    QString m_text;
    LineIndex m_index;
    qsizetype m_caret = 0;
    qsizetype m_anchor = 0;
    // The x the caret keeps over vertical moves, -1 when it is the caret's.
    qreal m_wantX = -1;
    qreal m_lineHeight = 1;
    qreal m_tabStop = 80;
    qreal m_contentWidth = 0;
    qreal m_estimatedWidth = 0;
    bool m_readOnly = true;
    bool m_dragging = false;
};

} // namespace tovane
