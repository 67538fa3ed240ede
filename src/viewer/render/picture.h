#pragma once
// Pictures as the content area shows them, without any window: decoding
// every format of the image list within fixed bounds, turning and mirroring,
// and drawing into an area with a zoom mode and offsets. The window and
// `tovane-cli render` both draw through here, so what one shows the other
// can check.

#include "viewer/imagezoom.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>
#include <QString>

class QPainter;

namespace tovane {

// Decoding bounds: no file larger than this is read, no picture whose
// decoded buffer would exceed the allocation limit is decoded.
inline constexpr qint64 MaxPictureFileBytes = qint64(256) * 1024 * 1024;
inline constexpr int PictureAllocationLimitMb = 1024;
// Metafiles are rendered by converters run as child processes under these
// limits (seconds of CPU, megabytes of address space, wall-clock ms).
inline constexpr int MetafileCpuSeconds = 10;
inline constexpr int MetafileMemoryMb = 1024;
inline constexpr int MetafileTimeoutMs = 15000;

// A picture file's bytes decoded. `extension` is the file's lower-case
// extension without the dot: "wmf" and "emf" are Windows metafiles, "dib"
// is read as BMP; other formats are recognised by their content. 0 or
// LoadFailed (the content display's code); `out` is null on failure.
int decodePicture(const QByteArray& bytes, const QString& extension, QImage& out);

// The file at `path` (bytes of its name kept, read by the platform layer)
// decoded: 0, LoadFailed or the errno of reading it.
int loadPicture(const QString& path, QImage& out);

// The picture turned clockwise by `angle` degrees (any whole number, taken
// modulo 360) into a new buffer of turnedSize(); what the turned picture
// does not cover is transparent. False, and `out` untouched, when that
// buffer is too large (turnedSizeFits) or cannot be had.
bool turnPicture(const QImage& source, int angle, QImage& out);

// Mirror images: left-right (`horizontal`) or top-bottom.
QImage mirrorPicture(const QImage& source, bool horizontal);

// How one view slot shows its picture. Offsets are twips of the picture
// (15 to the pixel); `live` moves during a drag, `committed` when it ends.
struct PictureView {
    int zoomMode = ZoomManual;
    double zoom = ZoomActualSize; // reported only in the automatic modes
    QPointF committed;
    QPointF live;
};

// Draws `picture` over an area of `area` pixels as the picture box does:
// the area filled with `background`, the picture scaled for the view's zoom
// mode and shifted by its live offsets, brought inside the drag range first
// (the view is updated: offsets clamped, zoom recomputed in the automatic
// modes). Returns the scale used.
ImageScale paintPicture(QPainter& painter, const QImage& picture, QSize area,
                        const QColor& background, PictureView& view);

// The drag range of `picture` in an area of `area` pixels at scale `s`.
ScrollRanges pictureRanges(const QImage& picture, QSize area, const ImageScale& s);

} // namespace tovane
