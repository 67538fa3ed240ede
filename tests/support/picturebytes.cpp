#include "support/picturebytes.h"

#include <cmath>

namespace tovane::test {

QByteArray le16(int v)
{
    return QByteArray(1, char(v & 0xff)) + char((v >> 8) & 0xff);
}

QByteArray le32(qint64 v)
{
    return le16(int(v & 0xffff)) + le16(int((v >> 16) & 0xffff));
}

QByteArray bmp24(QSize size, const std::function<quint32(int, int)>& pixel)
{
    const int stride = (size.width() * 3 + 3) & ~3;
    QByteArray data;
    for (int y = size.height() - 1; y >= 0; --y) {
        QByteArray row;
        for (int x = 0; x < size.width(); ++x) {
            const quint32 c = pixel(x, y);
            row += char(c & 0xff);
            row += char((c >> 8) & 0xff);
            row += char((c >> 16) & 0xff);
        }
        data += row.leftJustified(stride, '\0');
    }
    return "BM" + le32(54 + data.size()) + le32(0) + le32(54) + le32(40) + le32(size.width()) +
           le32(size.height()) + le16(1) + le16(24) + le32(0) + le32(data.size()) + le32(2835) +
           le32(2835) + le32(0) + le32(0) + data;
}

namespace {

// LZW codes of three bits, a clear code before every second pixel so the
// code width never grows.
QByteArray gifPixels(qsizetype count, int index)
{
    QByteArray out;
    quint32 bits = 0;
    int used = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << used;
        used += 3;
        while (used >= 8) {
            out += char(bits & 0xff);
            bits >>= 8;
            used -= 8;
        }
    };
    for (qsizetype i = 0; i < count; ++i) {
        if (i % 2 == 0)
            put(4);
        put(index);
    }
    put(5);
    if (used > 0)
        out += char(bits & 0xff);
    QByteArray blocks(1, '\x02'); // minimum code size
    for (qsizetype at = 0; at < out.size(); at += 255) {
        const QByteArray part = out.mid(at, 255);
        blocks += char(part.size()) + part;
    }
    return blocks + '\0';
}

} // namespace

QByteArray gifOf(QSize size, const QList<quint32>& frameColours)
{
    QByteArray out = "GIF89a" + le16(size.width()) + le16(size.height()) + "\x91" + '\0' + '\0';
    for (int i = 0; i < 4; ++i) {
        const quint32 c = i < frameColours.size() ? frameColours.at(i) : 0;
        out += char((c >> 16) & 0xff);
        out += char((c >> 8) & 0xff);
        out += char(c & 0xff);
    }
    for (int i = 0; i < frameColours.size() && i < 4; ++i) {
        out += QByteArray("\x21\xf9\x04\x00", 4) + le16(10) + '\0' + '\0';
        out += ',' + le16(0) + le16(0) + le16(size.width()) + le16(size.height()) + '\0';
        out += gifPixels(qsizetype(size.width()) * size.height(), i);
    }
    return out + ';';
}

namespace {

QByteArray colourRef(quint32 rgb)
{
    return le32(((rgb >> 16) & 0xff) | (rgb & 0xff00) | (rgb & 0xff) << 16);
}

QByteArray wmfRecord(int function, const QByteArray& parameters)
{
    return le32(3 + parameters.size() / 2) + le16(function) + parameters;
}

QByteArray emfRecord(int type, const QByteArray& data)
{
    return le32(type) + le32(8 + data.size()) + data;
}

QByteArray rectL(int left, int top, int right, int bottom)
{
    return le32(left) + le32(top) + le32(right) + le32(bottom);
}

} // namespace

QByteArray wmfRectangle(QSize size, QRect rect, quint32 fill, bool placeable)
{
    QByteArray records;
    records += wmfRecord(0x020b, le16(0) + le16(0));                        // window origin
    records += wmfRecord(0x020c, le16(size.height()) + le16(size.width())); // window extent
    records += wmfRecord(0x02fc, le16(0) + colourRef(fill) + le16(0));      // solid brush
    records += wmfRecord(0x012d, le16(0));                                  // select it
    records += wmfRecord(0x041b, le16(rect.bottom() + 1) + le16(rect.right() + 1) +
                                     le16(rect.top()) + le16(rect.left())); // rectangle
    records += wmfRecord(0x0000, QByteArray());                             // end
    const QByteArray header = le16(1) + le16(9) + le16(0x300) + le32((18 + records.size()) / 2) +
                              le16(1) + le32(7) + le16(0);
    if (!placeable)
        return header + records;
    QByteArray aldus = le32(0x9ac6cdd7) + le16(0) + le16(0) + le16(0) + le16(size.width()) +
                       le16(size.height()) + le16(96) + le32(0);
    int checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= uchar(aldus[i]) | uchar(aldus[i + 1]) << 8;
    return aldus + le16(checksum) + header + records;
}

QByteArray emfRectangle(QSize size, QRect rect, quint32 fill)
{
    QByteArray records;
    records += emfRecord(39, le32(1) + le32(0) + colourRef(fill) + le32(0)); // brush 1, solid
    records += emfRecord(37, le32(1));                                       // select it
    records += emfRecord(43, rectL(rect.left(), rect.top(), rect.right(), rect.bottom()));
    records += emfRecord(14, le32(0) + le32(16) + le32(20)); // end
    constexpr int HeaderBytes = 108;
    auto himetric = [](int pixels) { return int(std::lround(pixels * 2540.0 / 96)); };
    const QByteArray header =
        le32(1) + le32(HeaderBytes) + rectL(0, 0, size.width() - 1, size.height() - 1) +
        rectL(0, 0, himetric(size.width()), himetric(size.height())) + le32(0x464d4520) +
        le32(0x10000) + le32(HeaderBytes + records.size()) + le32(5) + le16(2) + le16(0) + le32(0) +
        le32(0) + le32(0) + le32(1920) + le32(1080) + le32(508) +
        le32(286) + // reference device at 96 dpi
        le32(0) + le32(0) + le32(0) + le32(508000) + le32(286000);
    return header + records;
}

} // namespace tovane::test
