#include "viewer/widgets/contentviews.h"

#include "platform/textfile.h"
#include "viewer/widgets/richtextdocument.h"

#include <QBuffer>
#include <QEvent>
#include <QFont>
#include <QImageReader>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace tovane {

namespace {

// Images larger than this are not read whole into memory.
constexpr qint64 MaxImageBytes = qint64(256) * 1024 * 1024;
constexpr int MaxImagePixels = 16384;

} // namespace

ContentView::~ContentView() = default;

// ---------------------------------------------------------------- plain text

PlainTextView::PlainTextView(QPlainTextEdit* box) : m_box(box) {}

QWidget* PlainTextView::widget() const
{
    return m_box;
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
    // Undo history of a large document costs as much as the text itself.
    m_box->document()->setUndoRedoEnabled(false);
    m_box->setPlainText(loaded.decoded.text);
    m_box->document()->setUndoRedoEnabled(true);
    loaded.decoded.text.clear(); // the document holds it now
    m_loaded = std::move(loaded);
    return 0;
}

void PlainTextView::clear()
{
    m_box->document()->setUndoRedoEnabled(false);
    m_box->clear();
    m_box->document()->setUndoRedoEnabled(true);
    m_loaded = LoadedText();
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
