#include "viewer/widgets/contentviews.h"

#include "platform/textfile.h"
#include "viewer/widgets/largetextview.h"
#include "viewer/widgets/richtextdocument.h"

#include <QBuffer>
#include <QEvent>
#include <QFont>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace tovane {

QString documentText(const QTextDocument& doc)
{
    QString text = doc.toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

ContentView::~ContentView() = default;

// ---------------------------------------------------------------- plain text

PlainTextView::PlainTextView(QPlainTextEdit* box, LargeTextView* large) : m_box(box), m_large(large)
{
}

QWidget* PlainTextView::widget() const
{
    return m_isLarge ? static_cast<QWidget*>(m_large) : static_cast<QWidget*>(m_box);
}

int PlainTextView::load(const QString& path, ContentLoad& out)
{
    Q_UNUSED(out);
    LoadedText loaded;
    const int error = loadPlainText(path, loaded);
    if (error != 0) {
        clear();
        return error;
    }
    if (loaded.decoded.text.size() >= LargeTextChars) {
        clear();
        m_large->setText(std::move(loaded.decoded.text));
        m_isLarge = true;
    } else {
        m_large->clear();
        m_large->hide();
        m_isLarge = false;
        // Undo history of a large document costs as much as the text itself.
        m_box->document()->setUndoRedoEnabled(false);
        m_box->setPlainText(loaded.decoded.text);
        m_box->document()->setUndoRedoEnabled(true);
    }
    loaded.decoded.text.clear(); // the widget holds it now
    m_loaded = std::move(loaded);
    return 0;
}

void PlainTextView::clear()
{
    m_box->document()->setUndoRedoEnabled(false);
    m_box->clear();
    m_box->document()->setUndoRedoEnabled(true);
    m_large->clear();
    m_isLarge = false;
    m_loaded = LoadedText();
}

QString PlainTextView::text() const
{
    if (m_isLarge)
        return m_large->text();
    return documentText(*m_box->document());
}

qsizetype PlainTextView::textLength() const
{
    return m_isLarge ? m_large->text().size() : m_box->document()->characterCount() - 1;
}

qsizetype PlainTextView::selectionStart() const
{
    return m_isLarge ? m_large->selectionStart() : m_box->textCursor().selectionStart();
}

qsizetype PlainTextView::selectionEnd() const
{
    return m_isLarge ? m_large->selectionEnd() : m_box->textCursor().selectionEnd();
}

bool PlainTextView::hasFocus() const
{
    return widget()->hasFocus();
}

void PlainTextView::setReadOnly(bool on)
{
    m_box->setReadOnly(on);
    m_large->setReadOnly(on);
}

void PlainTextView::moveToStart()
{
    if (m_isLarge)
        m_large->setCursorPosition(0);
    else
        m_box->moveCursor(QTextCursor::Start);
}

void PlainTextView::handOver()
{
    if (!m_isLarge)
        return;
    const qsizetype caret = m_large->cursorPosition();
    const qsizetype anchor = m_large->anchorPosition();
    const int firstLine = m_large->firstVisibleLine();
    const int left = m_large->horizontalOffset();
    const bool shown = !m_large->isHidden();
    const bool focused = m_large->hasFocus();
    QTextDocument* doc = m_box->document();
    doc->setUndoRedoEnabled(false);
    m_box->setPlainText(m_large->text());
    doc->setUndoRedoEnabled(true);
    m_isLarge = false;
    m_large->clear();
    QTextCursor c(doc);
    c.setPosition(int(anchor));
    c.setPosition(int(caret), QTextCursor::KeepAnchor);
    m_box->setTextCursor(c);
    if (shown) {
        m_box->show();
        m_large->hide();
    }
    m_box->verticalScrollBar()->setValue(firstLine);
    m_box->horizontalScrollBar()->setValue(left);
    if (focused)
        m_box->setFocus();
}

void PlainTextView::setSavedFormat(const TextFormat& format, const platform::FileStamp& stamp)
{
    m_loaded.decoded.format = format;
    m_loaded.decoded.format.verbatim.clear();
    m_loaded.stamp = stamp;
}

// ---------------------------------------------------------------- rich text

RichTextView::RichTextView(QTextEdit* box) : m_box(box) {}

QWidget* RichTextView::widget() const
{
    return m_box;
}

int RichTextView::load(const QString& path, ContentLoad& out)
{
    clear();
    QByteArray bytes;
    platform::FileStamp stamp;
    const int error = platform::readWholeFile(path, bytes, MaxTextBytes + 1, &stamp);
    if (error != 0)
        return error;
    QTextDocument* doc = m_box->document();
    doc->setUndoRedoEnabled(false);
    const int rtfError = loadRtf(*doc, bytes);
    doc->setUndoRedoEnabled(true);
    if (rtfError != 0) {
        clear();
        return LoadFailed;
    }
    m_stamp = stamp;
    // The format before position 1 is that of the first character.
    QTextCursor start(doc);
    if (doc->characterCount() > 1)
        start.setPosition(1);
    const QTextCharFormat first = start.charFormat();
    const double points = first.fontPointSize();
    out.textPoints = points > 0 ? qRound(points) : 0;
    return 0;
}

void RichTextView::clear()
{
    m_box->clear();
    m_stamp = platform::FileStamp();
}

// ---------------------------------------------------------------- listing

ListingView::ListingView(QTextEdit* box) : m_box(box) {}

QWidget* ListingView::widget() const
{
    return m_box;
}

int ListingView::load(const QString& path, ContentLoad& out)
{
    Q_UNUSED(out);
    clear();
    QString listing;
    const int error = lister ? lister(path, listing) : LoadFailed;
    if (error != 0)
        return error;
    // A table of blank-separated columns: a fixed-width font keeps them lined up.
    QTextDocument* doc = m_box->document();
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(m_box->font().pointSize() > 0 ? m_box->font().pointSize() : 9);
    doc->setDefaultFont(fixed);
    listing.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_box->setPlainText(listing);
    return 0;
}

void ListingView::clear()
{
    m_box->clear();
}

// ---------------------------------------------------------------- image

ImageView::ImageView(QWidget* picture) : m_picture(picture)
{
    m_picture->installEventFilter(this);
    m_picture->setAutoFillBackground(false);
    m_picture->setAttribute(Qt::WA_OpaquePaintEvent);
}

QWidget* ImageView::widget() const
{
    return m_picture;
}

void ImageView::setBackground(const QColor& colour)
{
    m_background = colour;
    m_picture->update();
}

int ImageView::load(const QString& path, ContentLoad& out)
{
    clear();
    QImage picture;
    const int error = loadPicture(path, picture);
    if (error != 0)
        return error;
    m_buffers[m_current] = std::move(picture);
    out.width = image().width();
    out.height = image().height();
    if (view) {
        PictureView& v = view();
        v.committed = v.live = QPointF();
    }
    m_picture->update();
    return 0;
}

void ImageView::clear()
{
    m_buffers[0] = QImage();
    m_buffers[1] = QImage();
    m_current = 0;
    m_freeAngle = false;
    m_dragging = false;
    m_picture->update();
}

bool ImageView::turn(int angle)
{
    const int other = 1 - m_current;
    if (!turnPicture(image(), angle, m_buffers[other]))
        return false;
    m_buffers[m_current] = QImage(); // only one full copy is kept
    m_current = other;
    m_picture->update();
    return true;
}

void ImageView::mirror(bool horizontal)
{
    const int other = 1 - m_current;
    m_buffers[other] = mirrorPicture(image(), horizontal);
    m_buffers[m_current] = QImage();
    m_current = other;
    m_picture->update();
}

void ImageView::press(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || image().isNull() || (dragAllowed && !dragAllowed()))
        return;
    m_dragging = true;
    m_pressAt = e->position();
    if (dragPointer)
        dragPointer(true);
}

void ImageView::move(QMouseEvent* e)
{
    if (!m_dragging || !view)
        return;
    PictureView& v = view();
    const ScrollRanges r = pictureRanges(image(), m_picture->size(), m_scale);
    QPointF next;
    if (dragOffset(v.committed, m_pressAt, e->position(), m_scale.zoom, r, next)) {
        v.live = next;
        m_picture->repaint();
    }
}

void ImageView::release()
{
    if (!m_dragging)
        return;
    m_dragging = false;
    if (view) {
        PictureView& v = view();
        v.committed = v.live;
    }
    if (dragPointer)
        dragPointer(false);
}

bool ImageView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_picture)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint: {
        QPainter p(m_picture);
        if (image().isNull() || !view) {
            p.fillRect(m_picture->rect(), m_background);
            return true;
        }
        m_scale = paintPicture(p, image(), m_picture->size(), m_background, view());
        p.end();
        if (painted)
            painted();
        return true;
    }
    case QEvent::MouseButtonPress:
        press(static_cast<QMouseEvent*>(event));
        return m_dragging;
    case QEvent::MouseMove:
        move(static_cast<QMouseEvent*>(event));
        return m_dragging;
    case QEvent::MouseButtonRelease:
        release();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tovane
