// tovane-cli render as scripts see it: the pixels of the PNG for each zoom
// mode, turn, mirror and area size; arguments that are refused; files that
// are missing, not pictures or hostile.

#include "support/picturebytes.h"
#include "support/tempdir.h"
#include "viewer/render/picture.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QtTest>

using tovane::test::readAll;
using tovane::test::TempDir;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QStringList& args, const QString& workingFolder)
{
    QProcess p;
    p.setWorkingDirectory(workingFolder);
    p.start(qEnvironmentVariable("TOVANE_BUILD_DIR") + QStringLiteral("/src/tovane-cli"),
            QStringList{"render"} + args);
    Run r;
    p.closeWriteChannel();
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

constexpr QRgb Red = 0xffff0000, Green = 0xff00ff00, Blue = 0xff0000ff, Yellow = 0xffffff00;
constexpr QRgb White = 0xffffffff;

quint32 quadrant(int x, int y)
{
    return x < 20 ? (y < 15 ? Red : Blue) : (y < 15 ? Green : Yellow);
}

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray notDisplayable(const QByteArray& name)
{
    return "ファイル " + name + " は\n\n処理対象形式ではないので表示できません。\n";
}

using Probes = QList<QPair<QPoint, QRgb>>;

// Probes at the middle of each quarter of an area of `size`.
Probes quarters(QSize size, QRgb topLeft, QRgb topRight, QRgb bottomLeft, QRgb bottomRight)
{
    const int w = size.width(), h = size.height();
    return {{{w / 4, h / 4}, topLeft},
            {{w * 3 / 4, h / 4}, topRight},
            {{w / 4, h * 3 / 4}, bottomLeft},
            {{w * 3 / 4, h * 3 / 4}, bottomRight}};
}

} // namespace

class RenderCommandTest : public QObject {
    Q_OBJECT
    TempDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        const QByteArray bmp = tovane::test::bmp24(QSize(40, 30), quadrant);
        QVERIFY(m_dir.writeFile("quad.bmp", bmp));
        QVERIFY(m_dir.writeFile("quad.dib", bmp.mid(14)));
        QVERIFY(m_dir.writeFile("meta.wmf", tovane::test::wmfRectangle(
                                                QSize(120, 80), QRect(60, 40, 60, 40), 0x0000ff)));
        QVERIFY(m_dir.writeFile("meta.emf", tovane::test::emfRectangle(
                                                QSize(120, 80), QRect(60, 40, 60, 40), 0x00ff00)));
        QImage strip(30000, 2, QImage::Format_RGB32);
        strip.fill(Qt::red);
        QVERIFY(m_dir.writeFile("strip.png", png(strip)));
        QVERIFY(m_dir.writeFile("notes.png", "just some text\n"));
        QVERIFY(m_dir.writeFile("empty.jpg", ""));
        QVERIFY(m_dir.writeFile("huge.bmp", bmp.left(18) + tovane::test::le32(100000) +
                                                tovane::test::le32(100000) + bmp.mid(26)));
        QVERIFY(m_dir.writeFile(
            "broken.wmf",
            tovane::test::wmfRectangle(QSize(120, 80), QRect(0, 0, 10, 10), 0).left(50)));
        QVERIFY(m_dir.makeFolder("folder.png"));
        QVERIFY(m_dir.makeFolder("out"));
        QVERIFY(m_dir.makeFolder("sizes"));
    }

    void pixels_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Probes>("probes");
        const QSize area(200, 100);
        QTest::newRow("default: fit into 800x600")
            << QStringList{} << "quad.bmp" << QSize(800, 600)
            << quarters(QSize(800, 600), Red, Green, Blue, Yellow);
        QTest::newRow("fit leaves the rest white")
            << QStringList{"--zoom-mode", "0", "--size", "200x100"} << "quad.bmp" << area
            << Probes{{{2, 2}, Red}, {{128, 97}, Yellow}, {{140, 10}, White}};
        QTest::newRow("fill cuts the bottom")
            << QStringList{"--zoom-mode=1", "--size=200x100"} << "quad.bmp" << area
            << Probes{{{2, 2}, Red}, {{197, 2}, Green}, {{2, 97}, Blue}, {{199, 99}, Yellow}};
        QTest::newRow("stretch") << QStringList{"--zoom-mode", "2", "--size", "200x100"}
                                 << "quad.bmp" << area << quarters(area, Red, Green, Blue, Yellow);
        QTest::newRow("manual at 100 %")
            << QStringList{"--zoom-mode", "3", "--size", "200x100"} << "quad.bmp" << area
            << Probes{{{19, 14}, Red}, {{20, 15}, Yellow}, {{40, 0}, White}, {{0, 30}, White}};
        QTest::newRow("--zoom alone is manual")
            << QStringList{"--zoom", "200", "--size", "200x100"} << "quad.bmp" << area
            << Probes{{{39, 29}, Red}, {{79, 59}, Yellow}, {{80, 10}, White}};
        QTest::newRow("manual at 50 %")
            << QStringList{"--zoom-mode", "3", "--zoom", "50", "--size", "200x100"} << "quad.bmp"
            << area << Probes{{{5, 3}, Red}, {{15, 12}, Yellow}, {{25, 3}, White}};
        QTest::newRow("turned 90")
            << QStringList{"--rotate", "90", "--size", "300x400"} << "quad.bmp" << QSize(300, 400)
            << quarters(QSize(300, 400), Blue, Red, Yellow, Green);
        QTest::newRow("turned 180")
            << QStringList{"--rotate", "180", "--size", "400x300"} << "quad.bmp" << QSize(400, 300)
            << quarters(QSize(400, 300), Yellow, Blue, Green, Red);
        QTest::newRow("turned -90")
            << QStringList{"--rotate", "-90", "--size", "300x400"} << "quad.bmp" << QSize(300, 400)
            << quarters(QSize(300, 400), Green, Yellow, Red, Blue);
        // 40x30 turned by 30 needs a box of 50x46: white corners around it.
        QTest::newRow("turned 30")
            << QStringList{"--rotate", "30", "--size", "100x92"} << "quad.bmp" << QSize(100, 92)
            << Probes{{{1, 1}, White},   {{98, 1}, White}, {{1, 90}, White},
                      {{98, 90}, White}, {{50, 16}, Red},  {{50, 76}, Yellow}};
        QTest::newRow("mirrored left-right")
            << QStringList{"--mirror", "h", "--size", "400x300"} << "quad.bmp" << QSize(400, 300)
            << quarters(QSize(400, 300), Green, Red, Yellow, Blue);
        QTest::newRow("mirrored top-bottom")
            << QStringList{"--mirror", "v", "--size", "400x300"} << "quad.bmp" << QSize(400, 300)
            << quarters(QSize(400, 300), Blue, Yellow, Red, Green);
        QTest::newRow("turned, then mirrored")
            << QStringList{"--mirror", "h", "--rotate", "90", "--size", "300x400"} << "quad.bmp"
            << QSize(300, 400) << quarters(QSize(300, 400), Red, Blue, Green, Yellow);
        QTest::newRow("small area") << QStringList{"--size", "8x6"} << "quad.bmp" << QSize(8, 6)
                                    << quarters(QSize(8, 6), Red, Green, Blue, Yellow);
        QTest::newRow("largest area side")
            << QStringList{"--zoom-mode", "3", "--size", "8192x1"} << "quad.bmp" << QSize(8192, 1)
            << Probes{{{0, 0}, Red}, {{39, 0}, Green}, {{40, 0}, White}, {{8191, 0}, White}};
        QTest::newRow("headerless dib")
            << QStringList{"--size", "400x300"} << "quad.dib" << QSize(400, 300)
            << quarters(QSize(400, 300), Red, Green, Blue, Yellow);
        QTest::newRow("wmf: bottom right quarter blue")
            << QStringList{"--size", "120x80"} << "meta.wmf" << QSize(120, 80)
            << quarters(QSize(120, 80), White, White, White, Blue);
        QTest::newRow("emf: bottom right quarter green")
            << QStringList{"--size", "120x80"} << "meta.emf" << QSize(120, 80)
            << quarters(QSize(120, 80), White, White, White, Green);
    }
    void pixels()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, file);
        QFETCH(QSize, size);
        QFETCH(Probes, probes);
        const QByteArray out = m_dir.pathBytes() + "/out/" + QTest::currentDataTag() + ".png";
        const Run r = run(options + QStringList{file, QString::fromUtf8(out)}, m_dir.path());
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QCOMPARE(r.out, QByteArray());
        const QImage image = QImage::fromData(readAll(out), "PNG");
        QCOMPARE(image.size(), size);
        for (const auto& [at, colour] : probes)
            QVERIFY2(image.pixel(at) == colour,
                     qPrintable(QStringLiteral("pixel %1,%2 is %3")
                                    .arg(at.x())
                                    .arg(at.y())
                                    .arg(image.pixel(at), 8, 16, QLatin1Char('0'))));
    }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        const QString in = QStringLiteral("quad.bmp"), out = QStringLiteral("out/bad.png");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("no OUT") << QStringList{in};
        QTest::newRow("three files") << QStringList{in, out, out};
        QTest::newRow("empty FILE") << QStringList{"", out};
        QTest::newRow("unknown option") << QStringList{"--bogus", in, out};
        QTest::newRow("unknown option with a value") << QStringList{"--bogus=1", in, out};
        QTest::newRow("zoom mode 4") << QStringList{"--zoom-mode", "4", in, out};
        QTest::newRow("zoom mode -1") << QStringList{"--zoom-mode=-1", in, out};
        QTest::newRow("zoom mode not a number") << QStringList{"--zoom-mode", "fit", in, out};
        QTest::newRow("zoom mode without a value") << QStringList{in, out, "--zoom-mode"};
        QTest::newRow("zoom mode twice")
            << QStringList{"--zoom-mode", "1", "--zoom-mode", "1", in, out};
        QTest::newRow("zoom 4.9") << QStringList{"--zoom", "4.9", in, out};
        QTest::newRow("zoom 2001") << QStringList{"--zoom", "2001", in, out};
        QTest::newRow("zoom not a number") << QStringList{"--zoom", "big", in, out};
        QTest::newRow("zoom nan") << QStringList{"--zoom", "nan", in, out};
        QTest::newRow("zoom inf") << QStringList{"--zoom", "inf", in, out};
        QTest::newRow("zoom empty") << QStringList{"--zoom=", in, out};
        QTest::newRow("zoom in an automatic mode")
            << QStringList{"--zoom-mode", "0", "--zoom", "100", in, out};
        QTest::newRow("rotate not whole") << QStringList{"--rotate", "1.5", in, out};
        QTest::newRow("rotate not a number") << QStringList{"--rotate", "right", in, out};
        QTest::newRow("rotate beyond an int") << QStringList{"--rotate", "99999999999", in, out};
        QTest::newRow("rotate without a value") << QStringList{in, out, "--rotate"};
        QTest::newRow("mirror x") << QStringList{"--mirror", "x", in, out};
        QTest::newRow("mirror H") << QStringList{"--mirror", "H", in, out};
        QTest::newRow("mirror twice") << QStringList{"--mirror", "h", "--mirror", "v", in, out};
        QTest::newRow("size 0x10") << QStringList{"--size", "0x10", in, out};
        QTest::newRow("size 10x0") << QStringList{"--size", "10x0", in, out};
        QTest::newRow("size 8193x10") << QStringList{"--size", "8193x10", in, out};
        QTest::newRow("size 10x8193") << QStringList{"--size", "10x8193", in, out};
        QTest::newRow("size -5x10") << QStringList{"--size", "-5x10", in, out};
        QTest::newRow("size one number") << QStringList{"--size", "100", in, out};
        QTest::newRow("size 10x") << QStringList{"--size", "10x", in, out};
        QTest::newRow("size x10") << QStringList{"--size", "x10", in, out};
        QTest::newRow("size 10x10x10") << QStringList{"--size", "10x10x10", in, out};
        QTest::newRow("size with a capital X") << QStringList{"--size", "10X10", in, out};
    }
    void badUsage()
    {
        QFETCH(QStringList, args);
        const Run r = run(args, m_dir.path());
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("tovane-cli render: "));
        QVERIFY(r.err.contains("render [--zoom-mode 0-3]"));
        QCOMPARE(readAll(m_dir.pathBytes() + "/out/bad.png"), QByteArray("<missing>"));
    }

    // What cannot be shown gives exit 1 and the console's message, and no
    // file; what cannot be read gives exit 4 with the reason first.
    void refused_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("message"); // the end of stderr
        QTest::newRow("text under a picture's name")
            << QStringList{} << "notes.png" << 1 << notDisplayable("notes.png");
        QTest::newRow("empty") << QStringList{} << "empty.jpg" << 1 << notDisplayable("empty.jpg");
        QTest::newRow("bmp announcing 100000x100000")
            << QStringList{} << "huge.bmp" << 1 << notDisplayable("huge.bmp");
        QTest::newRow("broken metafile")
            << QStringList{} << "broken.wmf" << 1 << notDisplayable("broken.wmf");
        QTest::newRow("a folder") << QStringList{} << "folder.png" << 1
                                  << notDisplayable("folder.png");
        QTest::newRow("turned too large")
            << QStringList{"--rotate", "45"} << "strip.png" << 1
            << QByteArray("画像が大きくなったので、回転できませんでした。\n");
        QTest::newRow("missing") << QStringList{} << "gone.png" << 4 << notDisplayable("gone.png");
        QTest::newRow("below a file")
            << QStringList{} << "quad.bmp/x.png" << 4 << notDisplayable("x.png");
    }
    void refused()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, file);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, message);
        const QByteArray out = m_dir.pathBytes() + "/out/refused.png";
        const Run r = run(options + QStringList{file, QString::fromUtf8(out)}, m_dir.path());
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.endsWith(message), r.err.constData());
        if (exitCode == 4)
            QVERIFY(
                r.err.contains("tovane-cli render: " + path("").toUtf8() + file.toUtf8() + ": "));
        QCOMPARE(readAll(out), QByteArray("<missing>"));
    }

    // `show` tells the size from the header; it is the size drawn.
    void showSizes_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QImage picture(37, 23, QImage::Format_ARGB32);
        picture.fill(Qt::green);
        const QByteArray bmp = tovane::test::bmp24(QSize(37, 23), quadrant);
        QByteArray cursor = encoded(picture, "ico");
        cursor[2] = 2;
        QTest::newRow("bmp") << QByteArray("s.bmp") << bmp << QSize(37, 23);
        QTest::newRow("dib") << QByteArray("s.dib") << bmp << QSize(37, 23);
        QTest::newRow("dib without file header")
            << QByteArray("h.dib") << bmp.mid(14) << QSize(37, 23);
        QTest::newRow("gif") << QByteArray("s.gif") << tovane::test::gifOf(QSize(37, 23), {Red})
                             << QSize(37, 23);
        QTest::newRow("jpg") << QByteArray("s.jpg") << encoded(picture, "JPEG") << QSize(37, 23);
        QTest::newRow("ico") << QByteArray("s.ico") << encoded(picture, "ico") << QSize(37, 23);
        QTest::newRow("cur") << QByteArray("s.cur") << cursor << QSize(37, 23);
        QTest::newRow("wmf") << QByteArray("s.wmf")
                             << tovane::test::wmfRectangle(QSize(37, 23), QRect(0, 0, 5, 5), 0)
                             << QSize(37, 23);
        QTest::newRow("emf") << QByteArray("s.emf")
                             << tovane::test::emfRectangle(QSize(37, 23), QRect(0, 0, 5, 5), 0)
                             << QSize(37, 23);
    }
    void showSizes()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QVERIFY(m_dir.writeFile("sizes/" + name, bytes));
        QProcess p;
        p.start(qEnvironmentVariable("TOVANE_BUILD_DIR") + QStringLiteral("/src/tovane-cli"),
                {"show", m_dir.filePath("sizes/" + QString::fromUtf8(name))});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.readAllStandardOutput(), "image " + QByteArray::number(size.width()) + 'x' +
                                                QByteArray::number(size.height()) + '\n');
        QImage decoded;
        QCOMPARE(tovane::loadPicture(m_dir.filePath("sizes/" + QString::fromUtf8(name)), decoded),
                 0);
        QCOMPARE(decoded.size(), size);
    }

    // OUT is replaced whole; a place it cannot go is a failure, told.
    void output_data()
    {
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("over an existing file") << QByteArray("out/old.png") << 0;
        QTest::newRow("into a missing folder") << QByteArray("nowhere/new.png") << 1;
        QTest::newRow("over a folder") << QByteArray("out") << 1;
    }
    void output()
    {
        QFETCH(QByteArray, out);
        QFETCH(int, exitCode);
        QVERIFY(m_dir.writeFile("out/old.png", "old"));
        const Run r = run({"--size", "4x3", "quad.bmp", QString::fromUtf8(out)}, m_dir.path());
        QCOMPARE(r.exitCode, exitCode);
        const QByteArray written = readAll(m_dir.pathBytes() + '/' + out);
        if (exitCode == 0) {
            QCOMPARE(QImage::fromData(written, "PNG").size(), QSize(4, 3));
            QVERIFY(!tovane::test::entries(m_dir.pathBytes() + "/out").join(' ').contains(".tmp-"));
        } else {
            QVERIFY(r.err.contains("tovane-cli render: "));
            QVERIFY(written == "<missing>" || out == "out");
        }
    }
};

QTEST_MAIN(RenderCommandTest)
#include "tst_rendercommand.moc"
