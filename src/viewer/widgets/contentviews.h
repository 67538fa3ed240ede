#pragma once
// One small view per kind of document the content area shows: plain text,
// rich text, archive listing and image. The content area only picks one;
// each view loads its document from a path and clears itself.
//
// GUI thread only.

#include "viewer/contentdisplay.h"
#include "viewer/plaintextfile.h"

#include <QImage>
#include <QObject>

class QPlainTextEdit;
class QTextEdit;
class QWidget;

namespace tovane {

class ContentView {
public:
    virtual ~ContentView();
    virtual QWidget* widget() const = 0;
    // 0, or a ContentLoadError / errno with the view left empty.
    virtual int load(const QString& path, ContentLoad& out) = 0;
    virtual void clear() = 0;
};

// Plain text in a widget made for large plain documents. Keeps the
// encoding, BOM and line ends of the file for saving it back.
class PlainTextView : public ContentView {
public:
    explicit PlainTextView(QPlainTextEdit* box);
    QWidget* widget() const override;
    int load(const QString& path, ContentLoad& out) override;
    void clear() override;

    QPlainTextEdit* box() const { return m_box; }
    const LoadedText& loaded() const { return m_loaded; }
    // After a save: the file now holds `format` (and no stale verbatim copy).
    void setSavedFormat(const TextFormat& format, const platform::FileStamp& stamp);

private:
    QPlainTextEdit* m_box;
    LoadedText m_loaded;
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

private:
    QTextEdit* m_box;
};

// An image drawn into the picture box, scaled down to fit and centred.
class ImageView : public QObject, public ContentView {
    Q_OBJECT
public:
    explicit ImageView(QWidget* picture);
    QWidget* widget() const override;
    int load(const QString& path, ContentLoad& out) override;
    void clear() override;
    const QImage& image() const { return m_image; }
    void setBackground(const QColor& colour);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_picture;
    QImage m_image;
};

} // namespace tovane
