#include "viewer/imagesize.h"

#include <QtTest>

using namespace tovane;

namespace {

QByteArray le16(int v)
{
    return QByteArray(1, char(v & 0xff)) + char((v >> 8) & 0xff);
}
QByteArray le32(qint64 v)
{
    return le16(int(v & 0xffff)) + le16(int((v >> 16) & 0xffff));
}
QByteArray be16(int v)
{
    return QByteArray(1, char((v >> 8) & 0xff)) + char(v & 0xff);
}
QByteArray be32(qint64 v)
{
    return be16(int((v >> 16) & 0xffff)) + be16(int(v & 0xffff));
}

QByteArray png(int w, int h)
{
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + be32(13) + "IHDR" + be32(w) + be32(h) +
           QByteArray("\x08\x06\0\0\0", 5);
}
QByteArray bmp(int w, int h)
{
    return "BM" + le32(0) + le32(0) + le32(54) + le32(40) + le32(w) + le32(h) + le16(1) + le16(24) +
           QByteArray(24, '\0');
}
QByteArray jpeg(int w, int h, int exifBytes)
{
    QByteArray app1 = "\xff\xe1" + be16(exifBytes + 2) + QByteArray(exifBytes, 'x');
    return QByteArray("\xff\xd8", 2) + app1 + "\xff\xc0" + be16(17) + '\x08' + be16(h) + be16(w) +
           QByteArray(12, '\1') + "\xff\xd9";
}

QByteArray patched(QByteArray bytes, qsizetype at, const QByteArray& with)
{
    return bytes.replace(at, with.size(), with);
}

} // namespace

class ImageSizeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sizes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size"); // invalid: not a picture
        QTest::newRow("png") << png(37, 21) << QSize(37, 21);
        QTest::newRow("gif") << QByteArray("GIF89a") + le16(33) + le16(17) + QByteArray(8, '\0')
                             << QSize(33, 17);
        QTest::newRow("bmp") << bmp(3, 2) << QSize(3, 2);
        QTest::newRow("bmp stored top-down") << bmp(5, -4) << QSize(5, 4);
        QTest::newRow("bmp core header") << "BM" + le32(0) + le32(0) + le32(26) + le32(12) +
                                                le16(7) + le16(9) + le16(1) + le16(24)
                                         << QSize(7, 9);
        QTest::newRow("jpeg") << jpeg(40, 30, 10) << QSize(40, 30);
        QTest::newRow("jpeg with 60 kB of metadata first")
            << jpeg(640, 480, 60000) << QSize(640, 480);
        QTest::newRow("progressive jpeg") << QByteArray("\xff\xd8\xff\xc2", 4) + be16(17) + '\x08' +
                                                 be16(8) + be16(16) + QByteArray(12, '\1')
                                          << QSize(16, 8);
        QTest::newRow("icon of 256 (width byte 0)")
            << le16(0) + le16(1) + le16(1) + QByteArray(1, '\0') + QByteArray(1, '\0') +
                   QByteArray(14, '\0')
            << QSize(256, 256);
        QTest::newRow("cursor 32x32") << le16(0) + le16(2) + le16(1) + QByteArray(1, ' ') +
                                             QByteArray(1, ' ') + QByteArray(14, '\0')
                                      << QSize(32, 32);
        QTest::newRow("placeable wmf, 1440 units per inch")
            << le32(0x9ac6cdd7) + le16(0) + le16(0) + le16(0) + le16(1440) + le16(720) +
                   le16(1440) + le32(0) + le16(0)
            << QSize(96, 48);
        QTest::newRow("emf frame of 10 x 5 cm")
            << le32(1) + le32(108) + le32(0) + le32(0) + le32(100) + le32(50) + le32(0) + le32(0) +
                   le32(10000) + le32(5000) + le32(0x464d4520) + QByteArray(64, '\0')
            << QSize(378, 189);
        QTest::newRow("dib without its file header") << bmp(21, -13).mid(14) << QSize(21, 13);
        QTest::newRow("dib core header without its file header")
            << le32(12) + le16(7) + le16(9) + le16(1) + le16(8) << QSize(7, 9);
        // Not pictures, or broken ones: never a size.
        QTest::newRow("empty") << QByteArray() << QSize();
        QTest::newRow("text") << QByteArray("hello world, not a picture at all") << QSize();
        QTest::newRow("png cut short") << png(1, 1).left(20) << QSize();
        QTest::newRow("png of width 0") << png(0, 5) << QSize();
        QTest::newRow("jpeg without a frame") << QByteArray("\xff\xd8\xff\xd9", 4) << QSize();
        QTest::newRow("jpeg with a zero length")
            << QByteArray("\xff\xd8\xff\xe0\0\0", 6) << QSize();
        QTest::newRow("jpeg cut in its metadata") << jpeg(4, 4, 100).left(50) << QSize();
        QTest::newRow("bmp with a short header") << bmp(3, 2).left(20) << QSize();
        QTest::newRow("wmf with 0 units per inch")
            << le32(0x9ac6cdd7) + le16(0) + le16(0) + le16(0) + le16(10) + le16(10) + le16(0) +
                   le32(0) + le16(0)
            << QSize();
        QTest::newRow("info header with 3 planes")
            << patched(bmp(3, 2).mid(14), 12, le16(3)) << QSize();
        QTest::newRow("info header of 7 bits")
            << patched(bmp(3, 2).mid(14), 14, le16(7)) << QSize();
        QTest::newRow("info header of an unknown size")
            << patched(bmp(3, 2).mid(14), 0, le32(44)) << QSize();
        QTest::newRow("icon with no pictures")
            << le16(0) + le16(1) + le16(0) + QByteArray(16, '\0') << QSize();
    }
    void sizes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QSize found;
        QCOMPARE(imageSizeOf(bytes, found), size.isValid());
        if (size.isValid())
            QCOMPARE(found, size);
    }

    // Every cut of a valid header either answers its size or nothing.
    void truncatedNeverMisreads()
    {
        for (const QByteArray& whole : {png(9, 7), bmp(9, 7), jpeg(9, 7, 30)}) {
            for (qsizetype n = 0; n < whole.size(); ++n) {
                QSize found;
                if (imageSizeOf(whole.left(n), found))
                    QCOMPARE(found, QSize(9, 7));
            }
        }
    }
};

QTEST_GUILESS_MAIN(ImageSizeTest)
#include "tst_imagesize.moc"
