#pragma once
// The pixel size of a picture from its header alone, for the formats of the
// default image list (BMP/DIB, GIF, JPEG, PNG, ICO/CUR, WMF, EMF). Windows
// metafiles measure their frame; it becomes pixels at 96 dots per inch, as
// the image size label counts them.

#include <QByteArray>
#include <QSize>

namespace tovane {

// True with `size` set when `bytes` start like a picture of a known format
// with a positive width and height; false for anything else, never a guess.
bool imageSizeOf(const QByteArray& bytes, QSize& size);

} // namespace tovane
