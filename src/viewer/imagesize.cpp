#include "viewer/imagesize.h"

#include <cmath>
#include <cstdint>

namespace tovane {

namespace {

class Reader {
public:
    explicit Reader(const QByteArray& bytes) : m_data(bytes) {}
    bool has(qsizetype at, qsizetype n) const
    {
        return at >= 0 && n >= 0 && at + n <= m_data.size();
    }
    uint32_t u8(qsizetype at) const { return uint8_t(m_data[at]); }
    uint32_t le16(qsizetype at) const { return u8(at) | u8(at + 1) << 8; }
    uint32_t be16(qsizetype at) const { return u8(at) << 8 | u8(at + 1); }
    uint32_t le32(qsizetype at) const { return le16(at) | le16(at + 2) << 16; }
    uint32_t be32(qsizetype at) const { return be16(at) << 16 | be16(at + 2); }
    bool startsWith(const char* magic) const { return m_data.startsWith(magic); }

private:
    const QByteArray& m_data;
};

bool positive(qint64 w, qint64 h, QSize& size)
{
    if (w <= 0 || h <= 0 || w > 1'000'000 || h > 1'000'000)
        return false;
    size = QSize(int(w), int(h));
    return true;
}

bool png(const Reader& r, QSize& size)
{
    if (!r.startsWith("\x89PNG\r\n\x1a\n") || !r.has(16, 8))
        return false;
    return positive(r.be32(16), r.be32(20), size);
}

bool gif(const Reader& r, QSize& size)
{
    if ((!r.startsWith("GIF87a") && !r.startsWith("GIF89a")) || !r.has(6, 4))
        return false;
    return positive(r.le16(6), r.le16(8), size);
}

bool bmp(const Reader& r, QSize& size)
{
    if (!r.startsWith("BM") || !r.has(14, 12))
        return false;
    const uint32_t header = r.le32(14);
    if (header == 12)
        return positive(r.le16(18), r.le16(20), size);
    if (header < 40 || !r.has(14, 16))
        return false;
    // A negative height is a picture stored top-down.
    const int32_t height = int32_t(r.le32(22));
    return positive(int32_t(r.le32(18)), std::abs(qint64(height)), size);
}

bool jpeg(const Reader& r, QSize& size)
{
    if (!r.startsWith("\xff\xd8"))
        return false;
    qsizetype at = 2;
    while (r.has(at, 4)) {
        if (r.u8(at) != 0xff)
            return false;
        const uint32_t marker = r.u8(at + 1);
        if (marker == 0xff) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xd8 || (marker >= 0xd0 && marker <= 0xd7) || marker == 0x01) {
            at += 2;
            continue;
        }
        const uint32_t length = r.be16(at + 2);
        if (length < 2)
            return false;
        const bool frame =
            marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (frame) {
            if (!r.has(at + 5, 4))
                return false;
            return positive(r.be16(at + 7), r.be16(at + 5), size);
        }
        if (marker == 0xd9 || marker == 0xda) // end, or image data before any frame
            return false;
        at += 2 + length;
    }
    return false;
}

// Icons and cursors: the first picture of the directory, as it is shown.
bool icon(const Reader& r, QSize& size)
{
    if (!r.has(0, 6 + 16) || r.le16(0) != 0 || (r.le16(2) != 1 && r.le16(2) != 2) || r.le16(4) == 0)
        return false;
    const uint32_t w = r.u8(6);
    const uint32_t h = r.u8(7);
    return positive(w ? w : 256, h ? h : 256, size);
}

// A placeable metafile: its frame in logical units and the units per inch.
bool wmf(const Reader& r, QSize& size)
{
    if (!r.has(0, 22) || r.le32(0) != 0x9ac6cdd7u)
        return false;
    const int left = int16_t(r.le16(6)), top = int16_t(r.le16(8));
    const int right = int16_t(r.le16(10)), bottom = int16_t(r.le16(12));
    const uint32_t inch = r.le16(14);
    if (inch == 0)
        return false;
    return positive(std::lround(std::abs(right - left) * 96.0 / inch),
                    std::lround(std::abs(bottom - top) * 96.0 / inch), size);
}

// An enhanced metafile: its frame is in hundredths of a millimetre.
bool emf(const Reader& r, QSize& size)
{
    if (!r.has(0, 44) || r.le32(0) != 1 || r.le32(40) != 0x464d4520u) // " EMF"
        return false;
    const qint64 left = int32_t(r.le32(24)), top = int32_t(r.le32(28));
    const qint64 right = int32_t(r.le32(32)), bottom = int32_t(r.le32(36));
    constexpr double PixelsPerHimetric = 0.03779528;
    return positive(std::llround(double(std::abs(right - left)) * PixelsPerHimetric),
                    std::llround(double(std::abs(bottom - top)) * PixelsPerHimetric), size);
}

bool dibBits(uint32_t bits)
{
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
           bits == 32;
}

// A DIB saved without its file header: the info header comes first, of a
// size Windows writes, with one plane, a bit count that exists and (past
// the core header) a known compression.
bool headerlessDib(const Reader& r, QSize& size)
{
    if (!r.has(0, 12))
        return false;
    const uint32_t header = r.le32(0);
    if (header == 12)
        return r.le16(8) == 1 && dibBits(r.le16(10)) && positive(r.le16(4), r.le16(6), size);
    if (header != 40 && header != 52 && header != 56 && header != 108 && header != 124)
        return false;
    if (!r.has(0, 20) || r.le16(12) != 1 || !dibBits(r.le16(14)) || r.le32(16) > 6)
        return false;
    const int32_t height = int32_t(r.le32(8));
    return positive(int32_t(r.le32(4)), std::abs(qint64(height)), size);
}

} // namespace

bool imageSizeOf(const QByteArray& bytes, QSize& size)
{
    const Reader r(bytes);
    return png(r, size) || gif(r, size) || bmp(r, size) || jpeg(r, size) || wmf(r, size) ||
           emf(r, size) || icon(r, size) || headerlessDib(r, size);
}

} // namespace tovane
