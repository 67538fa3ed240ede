#include "viewer/imagezoom.h"

#include <QtTest>

using namespace tovane;

namespace {

// A picture of 200 x 100 pixels over an area of 100 x 100, in twips.
const QSizeF Picture(200 * 15, 100 * 15);
const QSizeF Area(100 * 15, 100 * 15);

} // namespace

class ImageZoomTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void modes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("reported");
        QTest::newRow("fit: the whole picture inside")
            << int(ZoomAuto) << 0.0 << 0.5 << 0.5 << 5000.0;
        QTest::newRow("fill: the area covered") << int(ZoomAutoOverflow) << 0.0 << 1.0 << 1.0 << 10000.0;
        QTest::newRow("stretch: each axis to the area")
            << int(ZoomAutoStretch) << 0.0 << 0.5 << 1.0 << 10000.0;
        QTest::newRow("manual 250 %") << int(ZoomManual) << 25000.0 << 2.5 << 2.5 << 25000.0;
    }
    void modes()
    {
        QFETCH(int, mode);
        QFETCH(double, zoom);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, reported);
        const ImageScale s = imageScale(mode, zoom, Picture, Area);
        QCOMPARE(s.x, x);
        QCOMPARE(s.y, y);
        QCOMPARE(s.zoom, reported);
    }

    void emptyPictureIsOneToOne()
    {
        const ImageScale s = imageScale(ZoomAuto, 0, QSizeF(), Area);
        QCOMPARE(s.x, 1.0);
        QCOMPARE(s.zoom, double(ZoomActualSize));
    }

    void steps_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<double>("to");
        QTest::newRow("- 100") << 25000.0 << 0 << true << 15000.0;
        QTest::newRow("- 10") << 25000.0 << 1 << true << 24000.0;
        QTest::newRow("÷ 2") << 25000.0 << 2 << true << 12500.0;
        QTest::newRow("- 1 (digit key)") << 25000.0 << 3 << true << 24900.0;
        QTest::newRow("actual size") << 25000.0 << 4 << true << 10000.0;
        QTest::newRow("+ 1 (digit key)") << 25000.0 << 5 << true << 25100.0;
        QTest::newRow("× 2") << 25000.0 << 6 << true << 50000.0;
        QTest::newRow("+ 10") << 25000.0 << 7 << true << 26000.0;
        QTest::newRow("+ 100") << 25000.0 << 8 << true << 35000.0;
        QTest::newRow("down to 5 % exactly") << 1000.0 << 2 << true << 500.0;
        QTest::newRow("below 5 % refused") << 900.0 << 2 << false << 900.0;
        QTest::newRow("- 100 from 100 % refused") << 10000.0 << 0 << false << 10000.0;
        QTest::newRow("up to 2000 % exactly") << 100000.0 << 6 << true << 200000.0;
        QTest::newRow("above 2000 % refused") << 195000.0 << 8 << false << 195000.0;
        QTest::newRow("no such step") << 10000.0 << 9 << false << 10000.0;
    }
    void steps()
    {
        QFETCH(double, from);
        QFETCH(int, index);
        QFETCH(bool, taken);
        QFETCH(double, to);
        double zoom = from;
        bool reset = true;
        QCOMPARE(stepZoom(index, zoom, reset), taken);
        QCOMPARE(zoom, to);
        QCOMPARE(reset, taken && index == 4);
    }

    // At 100 % a 200 x 100 picture in a 100 x 100 area: it may be dragged
    // until a strip of 450 twips (30 pixels) stays in view.
    void dragStaysWithinTheStrip()
    {
        const ImageScale s = imageScale(ZoomManual, 10000, Picture, Area);
        const ScrollRanges r = scrollRanges(Picture, Area, 100 * 15, s);
        QCOMPARE(r.x.upper, 200 * 15 - 450.0);
        QCOMPARE(r.x.lowerRoom, 100 * 15 - 450.0);
        QCOMPARE(r.y.upper, 100 * 15 - 450.0);
        QPointF out;
        // 10 pixels left: the picture moves left, its offset grows.
        QVERIFY(dragOffset(QPointF(0, 0), QPointF(50, 50), QPointF(40, 50), 10000, r, out));
        QCOMPARE(out, QPointF(150, 0));
        // Past the strip on one axis: nothing moves.
        QVERIFY(!dragOffset(QPointF(0, 0), QPointF(0, 0), QPointF(-200, 0), 10000, r, out));
        QVERIFY(!dragOffset(QPointF(0, 0), QPointF(0, 0), QPointF(0, 80), 10000, r, out));
        // At 200 % a pixel of the pointer is half a pixel of the picture.
        QVERIFY(dragOffset(
            QPointF(0, 0), QPointF(50, 50), QPointF(40, 50), 20000,
            scrollRanges(Picture, Area, 100 * 15, imageScale(ZoomManual, 20000, Picture, Area)),
            out));
        QCOMPARE(out, QPointF(75, 0));
    }

    void offsetsClampedAsDrawingDoes()
    {
        const ImageScale s = imageScale(ZoomManual, 10000, Picture, Area);
        const ScrollRanges r = scrollRanges(Picture, Area, 100 * 15, s);
        QCOMPARE(clampOffset(QPointF(99999, -99999), r), QPointF(r.x.upper, 1 - r.y.lowerRoom));
        QCOMPARE(clampOffset(QPointF(10, 20), r), QPointF(10, 20));
    }

    // A box lower than 480 twips keeps its whole height of the picture.
    void lowBoxKeepsItsHeight()
    {
        const ImageScale s = imageScale(ZoomManual, 10000, Picture, Area);
        const ScrollRanges r = scrollRanges(Picture, Area, 300, s);
        QCOMPARE(r.x.upper, 200 * 15 - 300.0);
        // A picture smaller than what is kept cannot move forward at all.
        const ScrollRanges small = scrollRanges(QSizeF(200, 200), Area, 300, s);
        QCOMPARE(small.x.upper, 1.0);
    }
};

QTEST_GUILESS_MAIN(ImageZoomTest)
#include "tst_imagezoom.moc"
