// Pictures decoded from bytes: every format of the image list gives its
// size and its pixels; broken and hostile files are refused, never crash,
// hang or eat memory; files are found by their byte names.

#include "platform/names.h"
#include "support/picturebytes.h"
#include "support/tempdir.h"
#include "viewer/contentdisplay.h"
#include "viewer/render/picture.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QtTest>

#include <cerrno>

#include <sys/stat.h>

using namespace tovane;
using tovane::test::TempDir;

namespace {

constexpr quint32 Red = 0xff0000, Green = 0x00ff00, Blue = 0x0000ff, Yellow = 0xffff00;

// 40x30, each quadrant its own colour.
quint32 quadrant(int x, int y)
{
    return x < 20 ? (y < 15 ? Red : Blue) : (y < 15 ? Green : Yellow);
}

QImage quadrants(QImage::Format format = QImage::Format_RGB32)
{
    QImage image(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixel(x, y, 0xff000000u | quadrant(x, y));
    return image.convertToFormat(format);
}

QByteArray encoded(const QImage& image, const char* format, int quality = -1,
                   QImageIOHandler::Transformations turn = QImageIOHandler::TransformationNone)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setTransformation(turn);
    return writer.write(image) ? bytes : QByteArray();
}

// A cursor is an icon directory of type 2 whose entries hold the hot spot
// where an icon has planes and bit count.
QByteArray asCursor(QByteArray icon)
{
    icon[2] = 2;
    icon.replace(10, 4, test::le16(7) + test::le16(5));
    return icon;
}

QByteArray patched(QByteArray bytes, qsizetype at, const QByteArray& with)
{
    bytes.replace(at, with.size(), with);
    return bytes;
}

QByteArray randomBytes(int count)
{
    QRandomGenerator random(20261209);
    QByteArray bytes(count, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

using Probes = QList<QPair<QPoint, quint32>>; // alpha in the top byte

const Probes QuadrantProbes{{{5, 5}, 0xff000000u | Red},
                            {{35, 5}, 0xff000000u | Green},
                            {{5, 25}, 0xff000000u | Blue},
                            {{35, 25}, 0xff000000u | Yellow}};

// The metafile rectangle: filled inside, nothing drawn outside.
const QSize MetaSize(120, 80);
const QRect MetaRect(20, 10, 60, 50);
// A named SVG colour: the WMF converter writes the nearest named one.
constexpr quint32 MetaFill = 0x4169e1;
const Probes MetaProbes{{{50, 35}, 0xff000000u | MetaFill},
                        {{70, 50}, 0xff000000u | MetaFill},
                        {{5, 5}, 0},
                        {{110, 70}, 0}};

bool near(QRgb actual, quint32 expected, int tolerance)
{
    return std::abs(qAlpha(actual) - int(expected >> 24)) <= tolerance &&
           (qAlpha(actual) == 0 ||
            (std::abs(qRed(actual) - int((expected >> 16) & 0xff)) <= tolerance &&
             std::abs(qGreen(actual) - int((expected >> 8) & 0xff)) <= tolerance &&
             std::abs(qBlue(actual) - int(expected & 0xff)) <= tolerance));
}

} // namespace

class PictureDecodeTest : public QObject {
    Q_OBJECT
    TempDir m_dir;

private Q_SLOTS:
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QByteArray>("plugin"); // the reader this needs, if any
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Probes>("probes");
        QTest::addColumn<int>("tolerance");

        const QByteArray bmp = test::bmp24(QSize(40, 30), quadrant);
        const QByteArray indexed = encoded(quadrants(QImage::Format_Indexed8), "bmp");
        const QByteArray icon = encoded(quadrants(QImage::Format_ARGB32), "ico");
        const QSize q(40, 30);
        QTest::newRow("bmp") << bmp << "bmp" << QByteArray() << q << QuadrantProbes << 0;
        QTest::newRow("dib with file header")
            << bmp << "dib" << QByteArray() << q << QuadrantProbes << 0;
        QTest::newRow("dib without file header, 24 bits")
            << bmp.mid(14) << "dib" << QByteArray() << q << QuadrantProbes << 0;
        QTest::newRow("dib without file header, palette")
            << indexed.mid(14) << "dib" << QByteArray() << q << QuadrantProbes << 0;
        QTest::newRow("bmp under another name")
            << bmp << "jpg" << QByteArray() << q << QuadrantProbes << 0;
        QTest::newRow("gif") << test::gifOf(q, {Red}) << "gif" << QByteArray() << q
                             << Probes{{{0, 0}, 0xffff0000u}, {{39, 29}, 0xffff0000u}} << 0;
        QTest::newRow("gif: its first frame")
            << test::gifOf(q, {Green, Blue}) << "gif" << QByteArray() << q
            << Probes{{{20, 15}, 0xff00ff00u}} << 0;
        QTest::newRow("jpg") << encoded(quadrants(), "jpeg", 95) << "jpg" << QByteArray("jpeg") << q
                             << QuadrantProbes << 24;
        // The orientation tag turns the picture as the camera was held.
        QTest::newRow("jpg turned by its orientation tag")
            << encoded(quadrants(), "jpeg", 95, QImageIOHandler::TransformationRotate90) << "jpg"
            << QByteArray("jpeg") << q.transposed()
            << Probes{{{5, 5}, 0xff000000u | Blue},
                      {{25, 5}, 0xff000000u | Red},
                      {{5, 35}, 0xff000000u | Yellow},
                      {{25, 35}, 0xff000000u | Green}}
            << 24;
        QTest::newRow("ico") << icon << "ico" << QByteArray("ico") << q << QuadrantProbes << 0;
        QTest::newRow("cur") << asCursor(icon) << "cur" << QByteArray("ico") << q << QuadrantProbes
                             << 0;
        QTest::newRow("wmf placeable") << test::wmfRectangle(MetaSize, MetaRect, MetaFill) << "wmf"
                                       << QByteArray("svg") << MetaSize << MetaProbes << 8;
        QTest::newRow("wmf found by content")
            << test::wmfRectangle(MetaSize, MetaRect, MetaFill) << "" << QByteArray("svg")
            << MetaSize << MetaProbes << 8;
        // Without a frame the drawing itself gives the size.
        QTest::newRow("wmf without placeable header")
            << test::wmfRectangle(MetaSize, MetaRect, MetaFill, false) << "wmf" << QByteArray("svg")
            << QSize(61, 51) << Probes{{{30, 25}, 0xff000000u | MetaFill}} << 8;
        QTest::newRow("emf") << test::emfRectangle(MetaSize, MetaRect, MetaFill) << "emf"
                             << QByteArray("svg") << MetaSize << MetaProbes << 8;
        QTest::newRow("emf found by content")
            << test::emfRectangle(MetaSize, MetaRect, MetaFill) << "bin" << QByteArray("svg")
            << MetaSize << MetaProbes << 8;
        QTest::newRow("png") << encoded(quadrants(), "png") << "png" << QByteArray("png") << q
                             << QuadrantProbes << 0;
        QTest::newRow("webp") << encoded(quadrants(), "webp", 100) << "webp" << QByteArray("webp")
                              << q << QuadrantProbes << 24;
        QTest::newRow("tiff") << encoded(quadrants(), "tiff") << "tif" << QByteArray("tiff") << q
                              << QuadrantProbes << 0;
        QTest::newRow("svg") << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='40' "
                                           "height='30'><rect x='20' y='0' width='20' "
                                           "height='15' fill='#00ff00'/></svg>")
                             << "svg" << QByteArray("svg") << q
                             << Probes{{{30, 7}, 0xff00ff00u}, {{5, 25}, 0}} << 8;
    }
    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, extension);
        QFETCH(QByteArray, plugin);
        QFETCH(QSize, size);
        QFETCH(Probes, probes);
        QFETCH(int, tolerance);
        if (!plugin.isEmpty() && !QImageReader::supportedImageFormats().contains(plugin))
            QSKIP(QByteArray("no Qt image plugin for " + plugin).constData());
        QVERIFY2(!bytes.isEmpty(), "the test picture could not be written");
        QImage image;
        QCOMPARE(decodePicture(bytes, extension, image), 0);
        QCOMPARE(image.size(), size);
        for (const auto& [at, colour] : probes)
            QVERIFY2(near(image.pixel(at), colour, tolerance),
                     qPrintable(QStringLiteral("pixel %1,%2 is %3")
                                    .arg(at.x())
                                    .arg(at.y())
                                    .arg(image.pixel(at), 8, 16, QLatin1Char('0'))));
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("extension");

        const QByteArray jpeg = encoded(quadrants(), "jpeg", 90);
        const QByteArray bmp = test::bmp24(QSize(4, 4), quadrant);
        const QByteArray wmf = test::wmfRectangle(MetaSize, MetaRect, MetaFill);
        const QByteArray emf = test::emfRectangle(MetaSize, MetaRect, MetaFill);
        constexpr int FirstWmfRecord = 22 + 18;
        constexpr int FirstEmfRecord = 108;
        QTest::newRow("empty") << QByteArray() << "";
        QTest::newRow("empty bmp") << QByteArray() << "bmp";
        QTest::newRow("empty wmf") << QByteArray() << "wmf";
        QTest::newRow("empty emf") << QByteArray() << "emf";
        QTest::newRow("random bytes") << randomBytes(4096) << "";
        QTest::newRow("random bytes as jpg") << randomBytes(4096) << "jpg";
        QTest::newRow("random bytes as dib") << randomBytes(4096) << "dib";
        QTest::newRow("random bytes as cur") << randomBytes(4096) << "cur";
        QTest::newRow("random bytes as wmf") << randomBytes(4096) << "wmf";
        QTest::newRow("random bytes as emf") << randomBytes(4096) << "emf";
        QTest::newRow("jpeg cut before its image") << jpeg.left(150) << "jpg";
        QTest::newRow("bmp announcing 100000x100000")
            << patched(bmp, 18, test::le32(100000) + test::le32(100000)) << "bmp";
        QTest::newRow("bmp of 40000x1 (a side too long)")
            << patched(bmp, 18, test::le32(40000) + test::le32(1)) << "bmp";
        QTest::newRow("headerless dib announcing 100000x100000")
            << patched(bmp.mid(14), 4, test::le32(100000) + test::le32(100000)) << "dib";
        QTest::newRow("headerless dib of no known header")
            << patched(bmp.mid(14), 0, test::le32(41)) << "dib";
        QTest::newRow("gif screen of 65535x65535")
            << patched(test::gifOf(QSize(2, 2), {Red}), 6, test::le16(65535) + test::le16(65535))
            << "gif";
        QTest::newRow("ico whose picture lies past its end")
            << patched(encoded(quadrants(QImage::Format_ARGB32), "ico"), 6 + 12,
                       test::le32(0x7ffffff0))
            << "ico";
        QTest::newRow("wmf record of size 0")
            << patched(wmf, FirstWmfRecord, test::le32(0)) << "wmf";
        QTest::newRow("wmf record of a huge size")
            << patched(wmf, FirstWmfRecord, test::le32(0x7fffffff)) << "wmf";
        QTest::newRow("wmf cut in its records") << wmf.left(FirstWmfRecord + 10) << "wmf";
        QTest::newRow("wmf header only") << wmf.left(FirstWmfRecord) << "wmf";
        QTest::newRow("emf record of size 0")
            << patched(emf, FirstEmfRecord + 4, test::le32(0)) << "emf";
        QTest::newRow("emf record of a huge size")
            << patched(emf, FirstEmfRecord + 4, test::le32(0x7ffffff0)) << "emf";
        QTest::newRow("emf header of a huge size")
            << patched(emf, 4, test::le32(0x7ffffff0)) << "emf";
        QTest::newRow("emf cut in its header") << emf.left(60) << "emf";
    }
    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, extension);
        QImage image(4, 4, QImage::Format_RGB32); // a failure leaves no picture behind
        QCOMPARE(decodePicture(bytes, extension, image), int(LoadFailed));
        QVERIFY(image.isNull());
    }

    // Without its converter a metafile is refused, not shown empty.
    void missingConverter_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("wmf") << test::wmfRectangle(MetaSize, MetaRect, MetaFill);
        QTest::newRow("emf") << test::emfRectangle(MetaSize, MetaRect, MetaFill);
    }
    void missingConverter()
    {
        QFETCH(QByteArray, bytes);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", m_dir.pathBytes());
        QImage image;
        const int result = decodePicture(bytes, QString(), image);
        qputenv("PATH", path);
        QCOMPARE(result, int(LoadFailed));
        QVERIFY(image.isNull());
    }

    // The converter runs as a child under limits, with a deadline; only a
    // clean exit with a picture counts. Stand-ins on PATH show what it got.
    void converterContract_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QSize>("size"); // invalid: refused
        // Writes its limits as the SVG's size: CPU seconds wide, megabytes
        // of address space high; no core file, output bounded.
        QTest::newRow("limits") << QByteArray(
                                       "test \"$(ulimit -c)\" = 0 || exit 3\n"
                                       "test \"$(ulimit -f)\" != unlimited || exit 4\n"
                                       "printf '<svg xmlns=\"http://www.w3.org/2000/svg\" "
                                       "width=\"%s\" height=\"%s\"/>' "
                                       "\"$(ulimit -t)\" \"$(( $(ulimit -v) / 1024 ))\" > \"$2\"\n")
                                << QSize(MetafileCpuSeconds, MetafileMemoryMb);
        QTest::newRow("a picture, but a failed exit")
            << QByteArray("printf '<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"5\" "
                          "height=\"5\"/>' > \"$2\"\nexit 1\n")
            << QSize();
        QTest::newRow("a clean exit without a picture") << QByteArray("exit 0\n") << QSize();
        QTest::newRow("an SVG announcing 100000x100000")
            << QByteArray("printf '<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100000\" "
                          "height=\"100000\"/>' > \"$2\"\n")
            << QSize();
        QTest::newRow("killed by a signal") << QByteArray("kill -9 $$\n") << QSize();
        QTest::newRow("never ending") << QByteArray("exec sleep 600\n") << QSize();
    }
    void converterContract()
    {
        QFETCH(QByteArray, script);
        QFETCH(QSize, size);
        // wmf2svg is called "-o OUT IN": $2 is OUT.
        const QByteArray folder = m_dir.pathBytes() + "/converter";
        QVERIFY(m_dir.makeFolder("converter") || QFileInfo(QString::fromUtf8(folder)).isDir());
        const QByteArray program = folder + "/wmf2svg";
        QVERIFY(test::writeBytes(program, "#!/bin/sh\n" + script));
        QVERIFY(::chmod(program.constData(), 0755) == 0);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", folder + ":/usr/bin:/bin");
        QImage image;
        // Without a frame the SVG's own size counts.
        const int result =
            decodePicture(test::wmfRectangle(MetaSize, MetaRect, MetaFill, false), "wmf", image);
        qputenv("PATH", path);
        QCOMPARE(result, size.isValid() ? 0 : int(LoadFailed));
        QCOMPARE(image.size(), size.isValid() ? size : QSize(0, 0));
    }

    // No temporary file of a metafile stays behind, converted or refused.
    void metafileLeavesNoTemporaries()
    {
        const QString before =
            QDir(QDir::tempPath()).entryList({"tovane-metafile-*"}, QDir::Files).join(u' ');
        QImage image;
        QCOMPARE(decodePicture(test::emfRectangle(MetaSize, MetaRect, MetaFill), "emf", image), 0);
        QCOMPARE(decodePicture(randomBytes(512), "wmf", image), int(LoadFailed));
        const QString after =
            QDir(QDir::tempPath()).entryList({"tovane-metafile-*"}, QDir::Files).join(u' ');
        QCOMPARE(after, before);
    }

    // Files are read by their byte names; the extension counts in any case.
    void loads_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("result");
        QTest::addColumn<QSize>("size");
        QTest::newRow("headerless dib, upper-case extension")
            << QByteArray("picture.DIB") << 0 << QSize(40, 30);
        QTest::newRow("name not UTF-8")
            << QByteArray("\xff\xfe-\x82\xa0.dib") << 0 << QSize(40, 30);
        QTest::newRow("dot in the folder only")
            << QByteArray("sub.dib/plain") << int(LoadFailed) << QSize();
        QTest::newRow("missing") << QByteArray("gone.png") << ENOENT << QSize();
        QTest::newRow("folder") << QByteArray("sub.dib") << EISDIR << QSize();
    }
    void loads()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, result);
        QFETCH(QSize, size);
        const QByteArray dib = test::bmp24(QSize(40, 30), quadrant).mid(14);
        QVERIFY(m_dir.makeFolder("sub.dib") || QFileInfo(m_dir.filePath("sub.dib")).isDir());
        if (result != ENOENT && result != EISDIR)
            QVERIFY(m_dir.writeFile(name, dib));
        QImage image;
        QCOMPARE(loadPicture(platform::pathFromBytes(test::joined(m_dir, name)), image), result);
        QCOMPARE(image.size(), size.isValid() ? size : QSize(0, 0));
    }
};

QTEST_MAIN(PictureDecodeTest)
#include "tst_picturedecode.moc"
