#include "viewer/widgets/contentviews.h"

#include "platform/textfile.h"
#include "viewer/widgets/largetextview.h"
#include "viewer/widgets/richtextdocument.h"

#include <QBuffer>
#include <QEvent>
#include <QFont>
#include <QImageReader>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace tovane {

namespace {

// Images larger than this are not read whole into memory.
constexpr qint64 MaxImageBytes = qint64(256) * 1024 * 1024;
constexpr int MaxImagePixels = 16384;

} // namespace

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
    Q_UNUSED(path);
    Q_UNUSED(out);
    clear();
    return LoadReported;
}

void ListingView::clear()
{
    m_box->clear();
}

// ---------------------------------------------------------------- image

ImageView::ImageView(QWidget* picture) : m_picture(picture)
{
    m_picture->installEventFilter(this);
    m_picture->setAutoFillBackground(true);
    setBackground(Qt::white);
}

QWidget* ImageView::widget() const
{
    return m_picture;
}

void ImageView::setBackground(const QColor& colour)
{
    QPalette pal = m_picture->palette();
    pal.setColor(QPalette::Window, colour);
    m_picture->setPalette(pal);
}

int ImageView::load(const QString& path, ContentLoad& out)
{
    clear();
    // Names are bytes: the file is read by the platform layer, not by path.
    QByteArray bytes;
    const int error = platform::readWholeFile(path, bytes, MaxImageBytes);
    if (error != 0)
        return error;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > MaxImagePixels || size.height() > MaxImagePixels))
        return LoadFailed;
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return LoadFailed;
    m_image = std::move(image);
    out.width = m_image.width();
    out.height = m_image.height();
    m_picture->update();
    return 0;
}

void ImageView::clear()
{
    m_image = QImage();
    m_picture->update();
}

bool ImageView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_picture && event->type() == QEvent::Paint && !m_image.isNull()) {
        QPainter p(m_picture);
        const QSize area = m_picture->size();
        QSize shown = m_image.size();
        if (shown.width() > area.width() || shown.height() > area.height())
            shown.scale(area, Qt::KeepAspectRatio);
        const QRect target(
            QPoint((area.width() - shown.width()) / 2, (area.height() - shown.height()) / 2),
            shown);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, m_image);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tovane
