#include "viewer/render/picture.h"

#include "platform/system.h"
#include "platform/textfile.h"
#include "viewer/contentdisplay.h"
#include "viewer/imagesize.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdint>

#include <sys/resource.h>

namespace tovane {

namespace {

// Beyond these a picture is refused before any pixel is decoded.
constexpr int MaxPictureSide = 32767;
constexpr qint64 MaxPicturePixels = 250'000'000;
// Converters may write no larger SVG than this.
constexpr rlim_t MetafileOutputBytes = rlim_t(64) * 1024 * 1024;

uint32_t le16(const QByteArray& b, qsizetype at)
{
    return uint8_t(b[at]) | uint32_t(uint8_t(b[at + 1])) << 8;
}

uint32_t le32(const QByteArray& b, qsizetype at)
{
    return le16(b, at) | le16(b, at + 2) << 16;
}

bool sizeAllowed(QSize size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= MaxPictureSide &&
           size.height() <= MaxPictureSide &&
           qint64(size.width()) * size.height() <= MaxPicturePixels;
}

// Decodes with Qt's readers; `format` empty lets the content decide. A
// valid `scaled` renders a vector picture at that size.
int decodeWithReader(const QByteArray& bytes, const QByteArray& format, QSize scaled, QImage& out)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return LoadFailed;
    QImageReader reader(&buffer, format);
    reader.setAllocationLimit(PictureAllocationLimitMb);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return LoadFailed;
    const QSize announced = reader.size();
    if (scaled.isValid()) {
        if (!sizeAllowed(scaled))
            return LoadFailed;
        reader.setScaledSize(scaled);
    } else if (announced.isValid() && !sizeAllowed(announced)) {
        return LoadFailed;
    }
    QImage image;
    const QImage::Format pixels = reader.imageFormat();
    // Only within the allocation limit, which a reader does not check on a
    // buffer it is given; a broken header may announce any format value.
    const bool knownPixels = pixels > QImage::Format_Invalid && pixels < QImage::NImageFormats;
    if (!scaled.isValid() && announced.isValid() && knownPixels &&
        qint64(announced.width()) * announced.height() *
                QImage::toPixelFormat(pixels).bitsPerPixel() / 8 <=
            qint64(PictureAllocationLimitMb) * 1024 * 1024) {
        // Readers fill a buffer of their size and format handed to them;
        // under huge pages its first touch costs a few faults, not one per
        // 4 kB (most of a large photo's decode time here).
        image = QImage(announced, pixels);
        if (!image.isNull())
            platform::adviseLargeBuffer(image.bits(), size_t(image.sizeInBytes()));
    }
    if (!reader.read(&image) || image.isNull() || !sizeAllowed(image.size()))
        return LoadFailed;
    out = std::move(image);
    return 0;
}

// A DIB without its file header: the header Windows would write before it.
QByteArray withFileHeader(const QByteArray& dib)
{
    if (dib.size() < 16)
        return QByteArray();
    const uint32_t header = le32(dib, 0);
    uint32_t bits = 0;
    qint64 palette = 0;
    if (header == 12) {
        bits = le16(dib, 10);
        if (bits <= 8)
            palette = qint64(3) << bits;
    } else if (header == 40 || header == 52 || header == 56 || header == 108 || header == 124) {
        if (dib.size() < 40)
            return QByteArray();
        bits = le16(dib, 14);
        const uint32_t compression = le32(dib, 16);
        const uint32_t used = le32(dib, 32);
        if (used > 256 && bits <= 8)
            return QByteArray();
        palette = qint64(4) * (used ? used : (bits <= 8 ? 1u << bits : 0u));
        // Masks follow a plain info header for bit fields.
        if (header == 40 && compression == 3)
            palette += 12;
        else if (header == 40 && compression == 6)
            palette += 16;
    } else {
        return QByteArray();
    }
    if (bits == 0 || bits > 32 || le16(dib, header == 12 ? 8 : 12) != 1)
        return QByteArray();
    const qint64 offset = 14 + qint64(header) + palette;
    const qint64 total = 14 + qint64(dib.size());
    if (offset > total || total > UINT32_MAX)
        return QByteArray();
    QByteArray file("BM", 2);
    auto put32 = [&file](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file.append(char(v >> (8 * i)));
    };
    put32(uint32_t(total));
    put32(0);
    put32(uint32_t(offset));
    return file + dib;
}

enum class Metafile { None, Wmf, Emf };

Metafile metafileOf(const QByteArray& bytes, const QString& extension)
{
    if (bytes.size() >= 4 && le32(bytes, 0) == 0x9ac6cdd7u)
        return Metafile::Wmf;
    if (bytes.size() >= 18 && (le16(bytes, 0) == 1 || le16(bytes, 0) == 2) && le16(bytes, 2) == 9 &&
        (le16(bytes, 4) == 0x100 || le16(bytes, 4) == 0x300))
        return Metafile::Wmf;
    if (bytes.size() >= 44 && le32(bytes, 0) == 1 && le32(bytes, 40) == 0x464d4520u)
        return Metafile::Emf;
    if (extension == QLatin1String("wmf"))
        return Metafile::Wmf;
    if (extension == QLatin1String("emf"))
        return Metafile::Emf;
    return Metafile::None;
}

// The WMF converter fits its output to what is drawn, not to the frame of
// the placeable header, which stretches a drawing that leaves margins. An
// invisible rectangle over the frame, added before the end record, makes
// the two agree. Anything unexpected in the records gives the bytes as
// they are.
QByteArray wmfWithFrame(const QByteArray& bytes)
{
    constexpr qsizetype Placeable = 22, Header = 18;
    if (bytes.size() < Placeable + Header || le32(bytes, 0) != 0x9ac6cdd7u ||
        le16(bytes, Placeable + 2) != 9)
        return bytes;
    const uint32_t objects = le16(bytes, Placeable + 10);
    QList<bool> used(objects, false);
    auto takeSlot = [&used]() {
        const qsizetype free = used.indexOf(false);
        if (free >= 0) {
            used[free] = true;
            return int(free);
        }
        used.append(true);
        return int(used.size() - 1);
    };
    qsizetype at = Placeable + Header;
    qsizetype end = -1;
    while (at + 6 <= bytes.size()) {
        const qint64 size = qint64(le32(bytes, at)) * 2;
        const uint32_t function = le16(bytes, at + 4);
        if (size < 6 || at + size > bytes.size())
            return bytes;
        if (function == 0) {
            end = at;
            break;
        }
        switch (function) {
        case 0x00f7:
        case 0x01f9:
        case 0x02fa:
        case 0x02fb:
        case 0x02fc:
        case 0x0142:
        case 0x06ff:
            takeSlot();
            break;
        case 0x01f0: // delete object
            if (size >= 8 && le16(bytes, at + 6) < uint32_t(used.size()))
                used[le16(bytes, at + 6)] = false;
            break;
        default:
            break;
        }
        at += size;
    }
    if (end < 0 || used.size() > 0xfff0)
        return bytes;
    auto put16 = [](QByteArray& b, int v) {
        b.append(char(v & 0xff));
        b.append(char((v >> 8) & 0xff));
    };
    auto record = [&put16](QByteArray& b, int function, std::initializer_list<int> params) {
        const int words = 3 + int(params.size());
        put16(b, words);
        put16(b, 0);
        put16(b, function);
        for (int p : params)
            put16(b, p);
    };
    const int pen = takeSlot();
    const int brush = takeSlot();
    QByteArray frame;
    record(frame, 0x001e, {});              // save the state
    record(frame, 0x02fa, {5, 0, 0, 0, 0}); // null pen
    record(frame, 0x012d, {pen});           // select it
    record(frame, 0x02fc, {1, 0, 0, 0});    // hollow brush
    record(frame, 0x012d, {brush});         // select it
    record(frame, 0x041b,
           {int(le16(bytes, 12)), int(le16(bytes, 10)), int(le16(bytes, 8)),
            int(le16(bytes, 6))});   // the frame: bottom, right, top, left
    record(frame, 0x0127, {0xffff}); // back to the state saved
    QByteArray out = bytes.left(end) + frame + bytes.mid(end);
    auto set32 = [&out](qsizetype where, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[where + i] = char((v >> (8 * i)) & 0xff);
    };
    // The header's length in words, object count and longest record.
    set32(Placeable + 6, le32(bytes, Placeable + 6) + uint32_t(frame.size() / 2));
    out[Placeable + 10] = char(used.size() & 0xff);
    out[Placeable + 11] = char((used.size() >> 8) & 0xff);
    set32(Placeable + 12, std::max<uint32_t>(le32(bytes, Placeable + 12), 8));
    return out;
}

void limitConverter()
{
    // Runs in the child between fork and exec: system calls only.
    auto limit = [](int resource, rlim_t value) {
        const struct rlimit l {
            value, value
        };
        ::setrlimit(resource, &l);
    };
    limit(RLIMIT_CPU, rlim_t(MetafileCpuSeconds));
    limit(RLIMIT_AS, rlim_t(MetafileMemoryMb) * 1024 * 1024);
    limit(RLIMIT_FSIZE, MetafileOutputBytes);
    limit(RLIMIT_CORE, 0);
}

// The metafile drawn by its converter into SVG, then rendered at the frame
// size its header gives.
int decodeMetafile(const QByteArray& bytes, Metafile kind, QImage& out)
{
    const bool wmf = kind == Metafile::Wmf;
    const QString program = QStandardPaths::findExecutable(wmf ? QStringLiteral("wmf2svg")
                                                               : QStringLiteral("emf2svg-conv"));
    if (program.isEmpty() || bytes.isEmpty())
        return LoadFailed;
    const QString base = QDir::tempPath() + QStringLiteral("/tovane-metafile-XXXXXX");
    QTemporaryFile input(base + (wmf ? QStringLiteral(".wmf") : QStringLiteral(".emf")));
    QTemporaryFile output(base + QStringLiteral(".svg"));
    if (!input.open() || !output.open())
        return LoadFailed;
    if (input.write(bytes) != bytes.size() || !input.flush())
        return LoadFailed;
    input.close();
    output.close();

    QProcess converter;
    converter.setStandardInputFile(QProcess::nullDevice());
    // Unread pipes would stall a talkative converter until the timeout.
    converter.setStandardOutputFile(QProcess::nullDevice());
    converter.setStandardErrorFile(QProcess::nullDevice());
    converter.setChildProcessModifier(limitConverter);
    const QStringList args =
        wmf ? QStringList{QStringLiteral("-o"), output.fileName(), input.fileName()}
            : QStringList{QStringLiteral("-i"), input.fileName(), QStringLiteral("-o"),
                          output.fileName()};
    converter.start(program, args);
    if (!converter.waitForStarted(MetafileTimeoutMs))
        return LoadFailed;
    if (!converter.waitForFinished(MetafileTimeoutMs)) {
        converter.kill();
        converter.waitForFinished(-1);
        return LoadFailed;
    }
    if (converter.exitStatus() != QProcess::NormalExit || converter.exitCode() != 0)
        return LoadFailed;

    if (!output.open())
        return LoadFailed;
    const QByteArray svg = output.readAll();
    if (svg.isEmpty())
        return LoadFailed;
    QSize size;
    if (!imageSizeOf(bytes, size))
        size = QSize();
    return decodeWithReader(svg, "svg", size, out);
}

} // namespace

int decodePicture(const QByteArray& bytes, const QString& extension, QImage& out)
{
    out = QImage();
    const Metafile metafile = metafileOf(bytes, extension);
    if (metafile != Metafile::None)
        return decodeMetafile(metafile == Metafile::Wmf ? wmfWithFrame(bytes) : bytes, metafile,
                              out);
    if (extension == QLatin1String("dib") && !bytes.startsWith("BM")) {
        const QByteArray file = withFileHeader(bytes);
        return file.isEmpty() ? LoadFailed : decodeWithReader(file, "bmp", QSize(), out);
    }
    if (extension == QLatin1String("ico") || extension == QLatin1String("cur")) {
        if (decodeWithReader(bytes, "ico", QSize(), out) == 0)
            return 0;
        // A cursor is an icon directory of type 2; read it as type 1.
        if (bytes.size() >= 6 && le16(bytes, 0) == 0 && le16(bytes, 2) == 2) {
            QByteArray icon = bytes;
            icon[2] = 1;
            if (decodeWithReader(icon, "ico", QSize(), out) == 0)
                return 0;
        }
    }
    return decodeWithReader(bytes, QByteArray(), QSize(), out);
}

int loadPicture(const QString& path, QImage& out)
{
    out = QImage();
    QByteArray bytes;
    if (const int error = platform::readWholeFile(path, bytes, MaxPictureFileBytes))
        return error;
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = dot < 0 ? QString() : name.mid(dot + 1).toLower();
    return decodePicture(bytes, extension, out);
}

} // namespace tovane
