// Pictures drawn into an area: where each zoom mode puts the picture,
// offsets kept within reach, turns that move every pixel exactly, free
// angles that keep the whole picture, and mirrors.

#include "viewer/imagerotation.h"
#include "viewer/render/picture.h"

#include <QPainter>
#include <QtTest>

using namespace tovane;

namespace {

constexpr QRgb Red = 0xffff0000, Green = 0xff00ff00, Blue = 0xff0000ff, Yellow = 0xffffff00;
constexpr QRgb White = 0xffffffff;

// 40x30, each quadrant its own colour.
QImage quadrants()
{
    QImage image(40, 30, QImage::Format_ARGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixel(x, y, x < 20 ? (y < 15 ? Red : Blue) : (y < 15 ? Green : Yellow));
    return image;
}

// Every pixel a colour of its own, so a moved pixel is told by its value.
QImage numbered(QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x, y, (x * 7 + y * 13) & 0xff));
    return image;
}

QImage painted(const QImage& picture, QSize area, PictureView& view)
{
    QImage canvas(area, QImage::Format_RGB32);
    canvas.fill(Qt::black); // anything not painted shows
    QPainter painter(&canvas);
    paintPicture(painter, picture, area, Qt::white, view);
    painter.end();
    return canvas;
}

using Probes = QList<QPair<QPoint, QRgb>>;

QString mismatch(const QImage& image, const Probes& probes)
{
    for (const auto& [at, colour] : probes)
        if (image.pixel(at) != colour)
            return QStringLiteral("pixel %1,%2 is %3, not %4")
                .arg(at.x())
                .arg(at.y())
                .arg(image.pixel(at), 8, 16, QLatin1Char('0'))
                .arg(colour, 8, 16, QLatin1Char('0'));
    return QString();
}

} // namespace

class PicturePaintTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A 40x30 picture in a 200x100 area.
    void zoomModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<double>("scaleX");
        QTest::addColumn<double>("scaleY");
        QTest::addColumn<Probes>("probes");
        // Fit: 133x100 at the top left, the rest background.
        QTest::newRow("fit") << int(ZoomAuto) << 10000.0 << 10.0 / 3 << 10.0 / 3
                             << Probes{{{2, 2}, Red},       {{120, 10}, Green}, {{10, 97}, Blue},
                                       {{128, 97}, Yellow}, {{140, 10}, White}, {{199, 99}, White}};
        // Fill: 200x150, cut at the bottom.
        QTest::newRow("fill") << int(ZoomAutoOverflow) << 10000.0 << 5.0 << 5.0
                              << Probes{{{2, 2}, Red},
                                        {{197, 2}, Green},
                                        {{2, 97}, Blue},
                                        {{197, 97}, Yellow},
                                        {{199, 99}, Yellow}};
        QTest::newRow("stretch") << int(ZoomAutoStretch) << 10000.0 << 5.0 << 10.0 / 3
                                 << Probes{{{2, 2}, Red},
                                           {{197, 2}, Green},
                                           {{2, 97}, Blue},
                                           {{197, 97}, Yellow},
                                           {{199, 99}, Yellow}};
        QTest::newRow("manual 200 %")
            << int(ZoomManual) << 20000.0 << 2.0 << 2.0
            << Probes{{{39, 29}, Red},   {{40, 29}, Green}, {{79, 59}, Yellow},
                      {{80, 10}, White}, {{10, 60}, White}, {{39, 30}, Blue}};
        QTest::newRow("manual 50 %") << int(ZoomManual) << 5000.0 << 0.5 << 0.5
                                     << Probes{{{5, 3}, Red},
                                               {{15, 3}, Green},
                                               {{5, 12}, Blue},
                                               {{25, 3}, White},
                                               {{5, 20}, White}};
        QTest::newRow("manual 100 %")
            << int(ZoomManual) << 10000.0 << 1.0 << 1.0
            << Probes{{{19, 14}, Red}, {{20, 14}, Green}, {{19, 15}, Blue}, {{40, 0}, White}};
    }
    void zoomModes()
    {
        QFETCH(int, mode);
        QFETCH(double, zoom);
        QFETCH(double, scaleX);
        QFETCH(double, scaleY);
        QFETCH(Probes, probes);
        PictureView view;
        view.zoomMode = mode;
        view.zoom = zoom;
        QImage canvas(200, 100, QImage::Format_RGB32);
        QPainter painter(&canvas);
        const ImageScale s = paintPicture(painter, quadrants(), canvas.size(), Qt::white, view);
        painter.end();
        QVERIFY(qAbs(s.x - scaleX) < 1e-9);
        QVERIFY(qAbs(s.y - scaleY) < 1e-9);
        // The automatic modes report the zoom they came to.
        QVERIFY(qAbs(view.zoom - (mode == ZoomManual ? zoom : scaleY * 10000)) < 1e-6);
        const QString wrong = mismatch(canvas, probes);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    // Offsets in twips (15 to the pixel) of a 40x30 picture at 200 % in a
    // 200x100 area; far ones are brought back so a strip stays in view.
    void offsets_data()
    {
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<bool>("clamped");
        QTest::addColumn<Probes>("probes");
        QTest::newRow("within reach: 20 pixels right, 15 down")
            << QPointF(20 * 15, 15 * 15) << false
            << Probes{{{2, 2}, Yellow}, {{39, 29}, Yellow}, {{40, 2}, White}, {{2, 30}, White}};
        QTest::newRow("far right and down")
            << QPointF(1e9, 1e9) << true
            << Probes{{{1, 1}, Yellow}, {{20, 20}, Yellow}, {{40, 40}, White}};
        QTest::newRow("far left and up")
            << QPointF(-1e9, -1e9) << true
            << Probes{{{198, 98}, Red}, {{185, 85}, Red}, {{160, 60}, White}, {{2, 2}, White}};
    }
    void offsets()
    {
        QFETCH(QPointF, offset);
        QFETCH(bool, clamped);
        QFETCH(Probes, probes);
        PictureView view;
        view.zoomMode = ZoomManual;
        view.zoom = 20000;
        view.live = view.committed = offset;
        const QImage canvas = painted(quadrants(), QSize(200, 100), view);
        const QString wrong = mismatch(canvas, probes);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QCOMPARE(view.live != offset, clamped);
        // What was brought back stays where it was brought.
        QCOMPARE(view.committed, view.live);
        PictureView again = view;
        painted(quadrants(), QSize(200, 100), again);
        QCOMPARE(again.live, view.live);
    }

    // Nothing to draw: the background alone, no crash.
    void emptyCases_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<QSize>("area");
        QTest::newRow("no picture") << QImage() << QSize(20, 10);
        QTest::newRow("no area") << quadrants() << QSize(0, 0);
    }
    void emptyCases()
    {
        QFETCH(QImage, picture);
        QFETCH(QSize, area);
        for (int mode : {ZoomAuto, ZoomAutoOverflow, ZoomAutoStretch, ZoomManual}) {
            PictureView view;
            view.zoomMode = mode;
            QImage canvas(20, 10, QImage::Format_RGB32);
            canvas.fill(Qt::black);
            QPainter painter(&canvas);
            paintPicture(painter, picture, area, Qt::white, view);
            painter.end();
            QCOMPARE(canvas.pixel(0, 0), area.isEmpty() ? 0xff000000u : White);
        }
    }

    // Quarter turns clockwise: every pixel lands exactly where it belongs.
    void quarterTurns_data()
    {
        QTest::addColumn<int>("angle");
        QTest::addColumn<int>("quarters"); // clockwise
        QTest::newRow("90") << 90 << 1;
        QTest::newRow("180") << 180 << 2;
        QTest::newRow("270") << 270 << 3;
        QTest::newRow("-90") << -90 << 3;
        QTest::newRow("450") << 450 << 1;
        QTest::newRow("-540") << -540 << 2;
    }
    void quarterTurns()
    {
        QFETCH(int, angle);
        QFETCH(int, quarters);
        const QImage source = numbered(QSize(7, 4));
        QImage turned;
        QVERIFY(turnPicture(source, angle, turned));
        const int w = source.width(), h = source.height();
        QCOMPARE(turned.size(), quarters == 2 ? source.size() : source.size().transposed());
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const QPoint to = quarters == 1   ? QPoint(h - 1 - y, x)
                                  : quarters == 2 ? QPoint(w - 1 - x, h - 1 - y)
                                                  : QPoint(y, w - 1 - x);
                QCOMPARE(turned.pixel(to), source.pixel(x, y));
            }
        }
    }

    // A free angle: the whole picture inside the larger box, nothing but
    // transparency in its corners.
    void freeAngles_data()
    {
        QTest::addColumn<int>("angle");
        QTest::newRow("30") << 30;
        QTest::newRow("45") << 45;
        QTest::newRow("-30") << -30;
        QTest::newRow("135") << 135;
    }
    void freeAngles()
    {
        QFETCH(int, angle);
        QImage source(60, 40, QImage::Format_ARGB32);
        source.fill(Green);
        QImage turned;
        QVERIFY(turnPicture(source, angle, turned));
        QCOMPARE(turned.size(), turnedSize(source.size(), angle));
        const int w = turned.width(), h = turned.height();
        for (const QPoint corner :
             {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
            QCOMPARE(qAlpha(turned.pixel(corner)), 0);
        QCOMPARE(turned.pixel(w / 2, h / 2), Green);
        // All of the picture is there: as much cover as it had pixels.
        double cover = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                cover += qAlpha(turned.pixel(x, y)) / 255.0;
        QVERIFY2(qAbs(cover - 2400) < 2400 * 0.04, qPrintable(QString::number(cover)));
    }

    // Turns whose box would be too large are refused and change nothing.
    void turnRefused_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("angle");
        QTest::addColumn<bool>("done");
        QTest::newRow("long strip upright") << QSize(30000, 2) << 90 << true;
        QTest::newRow("long strip at 45") << QSize(30000, 2) << 45 << false;
        QTest::newRow("no picture") << QSize() << 90 << false;
    }
    void turnRefused()
    {
        QFETCH(QSize, size);
        QFETCH(int, angle);
        QFETCH(bool, done);
        QImage source;
        if (size.isValid()) {
            source = QImage(size, QImage::Format_ARGB32);
            source.fill(Blue);
        }
        const QImage before = numbered(QSize(3, 3));
        QImage out = before;
        QCOMPARE(turnPicture(source, angle, out), done);
        if (done)
            QCOMPARE(out.size(), turnedSize(size, angle));
        else
            QCOMPARE(out, before);
    }

    void mirrors_data()
    {
        QTest::addColumn<bool>("horizontal");
        QTest::newRow("left-right") << true;
        QTest::newRow("top-bottom") << false;
    }
    void mirrors()
    {
        QFETCH(bool, horizontal);
        const QImage source = numbered(QSize(5, 3));
        const QImage mirrored = mirrorPicture(source, horizontal);
        QCOMPARE(mirrored.size(), source.size());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                QCOMPARE(mirrored.pixel(horizontal ? 4 - x : x, horizontal ? y : 2 - y),
                         source.pixel(x, y));
    }
};

QTEST_MAIN(PicturePaintTest)
#include "tst_picturepaint.moc"
