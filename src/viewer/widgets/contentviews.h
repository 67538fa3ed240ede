#pragma once
// One small view per kind of document the content area shows: plain text,
// rich text, archive listing and image. The content area only picks one;
// each view loads its document from a path and clears itself.
//
// GUI thread only.

#include "viewer/contentdisplay.h"
#include "viewer/plaintextfile.h"
#include "viewer/render/picture.h"

#include <QImage>
#include <QObject>

#include <functional>

class QMouseEvent;
class QPlainTextEdit;
class QTextDocument;
class QTextEdit;
class QWidget;

namespace tovane {

class LargeTextView;

class ContentView {
public:
    virtual ~ContentView();
    virtual QWidget* widget() const = 0;
    // 0, or a ContentLoadError / errno with the view left empty.
    virtual int load(const QString& path, ContentLoad& out) = 0;
    virtual void clear() = 0;
};

// Plain text. A small text goes into the text box; a large one into a
// view that lays out only what it shows, until the first edit moves it into
// the text box (handOver). Keeps the encoding, BOM and line ends of the file
// for saving it back. Callers read the text, selection and state through
// this class, so either widget answers.
// The text of a document as the file holds it: block ends become line
// ends, and nothing else is changed (no-break spaces stay).
QString documentText(const QTextDocument& doc);

class PlainTextView : public ContentView {
public:
    PlainTextView(QPlainTextEdit* box, LargeTextView* large);
    // The widget holding the text now.
    QWidget* widget() const override;
    int load(const QString& path, ContentLoad& out) override;
    void clear() override;

    QPlainTextEdit* box() const { return m_box; }
    LargeTextView* largeView() const { return m_large; }
    // The large view holds the text (not yet handed over).
    bool isLarge() const { return m_isLarge; }
    const LoadedText& loaded() const { return m_loaded; }
    // After a save: the file now holds `format` (and no stale verbatim copy).
    void setSavedFormat(const TextFormat& format, const platform::FileStamp& stamp);

    // The text shown, line ends "\n".
    QString text() const;
    qsizetype textLength() const;
    qsizetype selectionStart() const;
    qsizetype selectionEnd() const;
    bool hasFocus() const;
    void setReadOnly(bool on);
    // Caret and view to the start of the text.
    void moveToStart();
    // Loads the large view's text into the text box with the same caret,
    // selection and scroll position, and shows the box in its place.
    // The text box's change signals fire: the caller suppresses them.
    void handOver();

    // Texts of at least this many characters take the large view.
    static constexpr qsizetype LargeTextChars = 1024 * 1024;

private:
    QPlainTextEdit* m_box;
    LargeTextView* m_large;
    LoadedText m_loaded;
    bool m_isLarge = false;
};

// Rich text (RTF) in a QTextEdit.
class RichTextView : public ContentView {
public:
    explicit RichTextView(QTextEdit* box);
    QWidget* widget() const override;
    int load(const QString& path, ContentLoad& out) override;
    void clear() override;
    QTextEdit* box() const { return m_box; }
    // Size and time of the file when it was read.
    const platform::FileStamp& stamp() const { return m_stamp; }
    void setStamp(const platform::FileStamp& stamp) { m_stamp = stamp; }

private:
    QTextEdit* m_box;
    platform::FileStamp m_stamp;
};

// The listing of an archive. No archiver is wired to the viewer yet: the
// listing fails as a failed listing does, with nothing shown and no second
// message.
class ListingView : public ContentView {
public:
    explicit ListingView(QTextEdit* box);
    QWidget* widget() const override;
    int load(const QString& path, ContentLoad& out) override;
    void clear() override;

    // The archive's listing text: 0, or LoadReported after a message, or
    // another load error.
    std::function<int(const QString& path, QString& listing)> lister;

private:
    QTextEdit* m_box;
};

// A picture in the picture box: two buffers (a turn draws from the current
// one into the other), drawn for the view slot's zoom mode and offsets, and
// dragged with the mouse within its range.
class ImageView : public QObject, public ContentView {
    Q_OBJECT
public:
    explicit ImageView(QWidget* picture);
    QWidget* widget() const override;
    int load(const QString& path, ContentLoad& out) override;
    void clear() override;
    const QImage& image() const { return m_buffers[m_current]; }
    void setBackground(const QColor& colour);
    QColor background() const { return m_background; }

    // The view slot's state, asked for at every drawing.
    std::function<PictureView&()> view;
    // A drag may start (no long operation, or a slide show).
    std::function<bool()> dragAllowed;
    // The drag pointer on (true) and off.
    std::function<void(bool)> dragPointer;
    // After each drawing (the zoom of the automatic modes may have changed).
    std::function<void()> painted;

    // Turns the picture by `angle` degrees; false (nothing changed) when the
    // turned picture would be too large.
    bool turn(int angle);
    void mirror(bool horizontal);
    bool freeAngle() const { return m_freeAngle; }
    void setFreeAngle(bool on) { m_freeAngle = on; }
    int lastAngle() const { return m_lastAngle; }
    void setLastAngle(int angle) { m_lastAngle = angle; }
    // The drawing scale of the last paint.
    const ImageScale& lastScale() const { return m_scale; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void press(QMouseEvent* e);
    void move(QMouseEvent* e);
    void release();

    QWidget* m_picture;
    QImage m_buffers[2];
    int m_current = 0;
    bool m_freeAngle = false;
    int m_lastAngle = 0;
    QColor m_background = Qt::white;
    ImageScale m_scale;
    bool m_dragging = false;
    QPointF m_pressAt;
};

} // namespace tovane
