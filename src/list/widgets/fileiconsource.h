#pragma once
// The desktop's icon for a file: by the MIME type of its name (its first
// bytes only when the name says nothing), from the icon theme; a desktop
// entry shows its own Icon. Programs are never run or mounted to ask them
// (an AppImage shows the executable icon of its type).
//
// GUI thread only.

#include <QIcon>
#include <QMimeDatabase>
#include <QString>

namespace tovane {

class FileIconSource {
public:
    FileIconSource();

    // `folder` ends in "/"; a null icon when the theme has none.
    QIcon iconFor(const QString& folder, const QString& name) const;

    // The theme icon of a MIME type, or of its generic kind.
    QIcon iconForMime(const QMimeType& type) const;
    // An Icon value of a desktop entry: a theme name or an absolute file.
    QIcon iconForEntryValue(const QString& value) const;

    // Without a desktop theme the lookup uses the first installed of
    // Adwaita and breeze; the other one is the fallback. Once per process.
    static void setUpThemes();

private:
    QMimeDatabase m_mime;
};

// The picture of an image file read through the platform layer (never
// waiting on a FIFO, at most a few MiB), scaled to fit `size`; null when it
// is not a picture we can read.
QImage smallPictureOfFile(const QString& path, int size);
// The same for bytes at hand.
QImage smallPicture(const QByteArray& bytes, int size);

} // namespace tovane
