#pragma once
// Picture files written byte by byte, for formats Qt cannot write (GIF,
// metafiles, cursors) and for tests that have no QtGui.

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QSize>

#include <functional>

namespace tovane::test {

QByteArray le16(int v);
QByteArray le32(qint64 v);

// An uncompressed 24-bit BMP; `pixel(x, y)` gives 0xRRGGBB.
QByteArray bmp24(QSize size, const std::function<quint32(int, int)>& pixel);

// A GIF of one or more frames over the whole screen, each of one colour.
QByteArray gifOf(QSize size, const QList<quint32>& frameColours);

// A metafile of `size` pixels (at 96 dpi) with one rectangle filled in
// `fill` (0xRRGGBB) over `rect`. `placeable` adds the Aldus header.
QByteArray wmfRectangle(QSize size, QRect rect, quint32 fill, bool placeable = true);
QByteArray emfRectangle(QSize size, QRect rect, quint32 fill);

} // namespace tovane::test
