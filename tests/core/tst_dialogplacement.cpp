#include "core/dialogplacement.h"

#include <QtTest>

using namespace tovane;

namespace {

ScreenMetrics screen(int widthPx, int heightPx, int twipsPerPixel = 15, int leftPx = 0,
                     int topPx = 0)
{
    ScreenMetrics m;
    m.twipsPerPixel = twipsPerPixel;
    m.screenLeft = leftPx * twipsPerPixel;
    m.screenTop = topPx * twipsPerPixel;
    m.screenWidth = widthPx * twipsPerPixel;
    m.screenHeight = heightPx * twipsPerPixel;
    return m;
}

} // namespace

class DialogPlacementTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void clampsRememberedPosition_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("scale");
        QTest::addColumn<int>("originPx"); // both axes
        QTest::addColumn<QPoint>("expected");

        // 1024 x 768 pixels; at scale 15 that is 15360 x 11520 twips.
        QTest::newRow("inside") << 400 << 300 << 3000 << 15 << 0 << QPoint(400, 300);
        QTest::newRow("far left keeps 40 px")
            << -100000 << 300 << 3000 << 15 << 0 << QPoint(600 - 3000, 300);
        QTest::newRow("right edge exactly at margin")
            << -2400 << 300 << 3000 << 15 << 0 << QPoint(-2400, 300);
        QTest::newRow("one twip less than the margin")
            << -2401 << 300 << 3000 << 15 << 0 << QPoint(-2400, 300);
        QTest::newRow("far right keeps 40 px")
            << 100000 << 300 << 3000 << 15 << 0 << QPoint(15360 - 600, 300);
        QTest::newRow("left exactly at the right margin")
            << 14760 << 300 << 3000 << 15 << 0 << QPoint(14760, 300);
        QTest::newRow("negative top") << 400 << -1 << 3000 << 15 << 0 << QPoint(400, 0);
        QTest::newRow("top below the screen")
            << 400 << 50000 << 3000 << 15 << 0 << QPoint(400, 11520 - 600);
        QTest::newRow("top exactly at the bottom margin")
            << 400 << 10920 << 3000 << 15 << 0 << QPoint(400, 10920);
        QTest::newRow("both corners off")
            << 90000 << -90000 << 3000 << 15 << 0 << QPoint(15360 - 600, 0);
        // At 12 twips per pixel the 40 pixels are 480 twips.
        QTest::newRow("other scale, far right")
            << 100000 << 300 << 2400 << 12 << 0 << QPoint(1024 * 12 - 480, 300);
        QTest::newRow("other scale, far left")
            << -100000 << 300 << 2400 << 12 << 0 << QPoint(480 - 2400, 300);
        // The available geometry may start beside a panel.
        QTest::newRow("origin, top above the panel")
            << 3000 << 0 << 3000 << 15 << 30 << QPoint(3000, 450);
        QTest::newRow("origin, far left")
            << -100000 << 3000 << 3000 << 15 << 30 << QPoint(450 + 600 - 3000, 3000);
        QTest::newRow("origin, far right")
            << 100000 << 3000 << 3000 << 15 << 30 << QPoint(450 + 15360 - 600, 3000);
    }
    void clampsRememberedPosition()
    {
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(int, scale);
        QFETCH(int, originPx);
        QFETCH(QPoint, expected);
        const ScreenMetrics m = screen(1024, 768, scale, originPx, originPx);
        QCOMPARE(clampDialogPosition(QPoint(left, top), QSize(width, 2000), m), expected);

        // The clamped position is kept for the slot, the others stay.
        DialogPositions positions;
        positions.left[3] = left;
        positions.top[3] = top;
        QCOMPARE(placeDialog(positions, 3, QSize(width, 2000), m), expected);
        QCOMPARE(QPoint(positions.left[3], positions.top[3]), expected);
        QCOMPARE(positions.left[2], DialogPositions::DefaultLeft);
        QCOMPARE(positions.top[4], DialogPositions::DefaultTop);
    }

    void slotsOutsideTheTable_data()
    {
        QTest::addColumn<int>("slot");
        QTest::newRow("-1") << -1;
        QTest::newRow("10") << 10;
        QTest::newRow("1000") << 1000;
    }
    void slotsOutsideTheTable()
    {
        QFETCH(int, slot);
        const ScreenMetrics m = screen(1000, 800);
        DialogPositions positions;
        const DialogPositions before = positions;
        QCOMPARE(placeDialog(positions, slot, QSize(3000, 2000), m),
                 QPoint((15000 - 3000) / 2, (12000 - 2000) / 2));
        rememberDialogPosition(positions, slot, QPoint(1, 2));
        QCOMPARE(positions.left, before.left);
        QCOMPARE(positions.top, before.top);
    }

    void slotsAboveTheStoredOnesWork()
    {
        DialogPositions positions;
        QCOMPARE(positions.left.size(), size_t(DialogPositions::Slots));
        rememberDialogPosition(positions, 9, QPoint(1234, 567));
        QCOMPARE(placeDialog(positions, 9, QSize(3000, 2000), screen(1024, 768)),
                 QPoint(1234, 567));
        QCOMPARE(positions.sizeFactor[9], 100);
    }

    void charactersPerLine_data()
    {
        QTest::addColumn<int>("widthPx");
        QTest::addColumn<int>("scale");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("extra");
        QTest::addColumn<int>("fontSizeIndex");
        QTest::addColumn<int>("expected");
        // (15360 - 15) * 10 / (67 * 15) = 152.7
        QTest::newRow("9 pt") << 1024 << 15 << 0 << 0 << 0 << 152;
        QTest::newRow("10 pt") << 1024 << 15 << 0 << 0 << 1 << 138; // / 74
        QTest::newRow("11 pt") << 1024 << 15 << 0 << 0 << 2 << 126; // / 81
        QTest::newRow("12 pt") << 1024 << 15 << 0 << 0 << 3 << 124; // / 82
        QTest::newRow("index below") << 1024 << 15 << 0 << 0 << -1 << 152;
        QTest::newRow("index above") << 1024 << 15 << 0 << 0 << 9 << 124;
        // (15360 - 3000 - 1500 - 15) * 10 / 1005 = 107.9
        QTest::newRow("left and extra") << 1024 << 15 << 3000 << 1500 << 0 << 107;
        // (15360 - 12) * 10 / (67 * 12) = 190.9
        QTest::newRow("scale 12") << 1280 << 12 << 0 << 0 << 0 << 190;
        QTest::newRow("no room still one") << 100 << 15 << 5000 << 0 << 0 << 1;
    }
    void charactersPerLine()
    {
        QFETCH(int, widthPx);
        QFETCH(int, scale);
        QFETCH(int, left);
        QFETCH(int, extra);
        QFETCH(int, fontSizeIndex);
        QFETCH(int, expected);
        QCOMPARE(tovane::charactersPerLine(left, extra, fontSizeIndex, screen(widthPx, 600, scale)),
                 expected);
    }

    void textLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("widestIn");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("widestOut");
        // The screen below fits exactly 10 bytes on a line.
        QTest::newRow("empty") << QString() << 0 << 1 << 0;
        QTest::newRow("short") << u"abc"_qs << 0 << 1 << 3;
        QTest::newRow("two lines") << u"abc\r\ndefgh"_qs << 0 << 2 << 5;
        QTest::newRow("exactly the limit") << u"0123456789"_qs << 0 << 1 << 10;
        QTest::newRow("one over") << u"0123456789a"_qs << 0 << 2 << 10;
        QTest::newRow("two and a half") << QString(25, u'x') << 0 << 3 << 10;
        QTest::newRow("full width counts double") << u"あいうえお"_qs << 0 << 1 << 10;
        QTest::newRow("full width over") << u"あいうえおか"_qs << 0 << 2 << 10;
        QTest::newRow("half-width kana single") << u"ｱｲｳｴｵｶｷｸｹｺ"_qs << 0 << 1 << 10;
        QTest::newRow("empty middle line") << u"a\r\n\r\nb"_qs << 0 << 3 << 1;
        QTest::newRow("line feed alone") << u"ab\ncde"_qs << 0 << 2 << 3;
        QTest::newRow("wide line later") << u"ab\r\n0123456789abc\r\nc"_qs << 0 << 4 << 10;
        QTest::newRow("widest coming in kept") << u"ab"_qs << 7 << 1 << 7;
        QTest::newRow("widest coming in capped") << u"ab"_qs << 50 << 1 << 10;
    }
    void textLines()
    {
        QFETCH(QString, text);
        QFETCH(int, widestIn);
        QFETCH(int, lines);
        QFETCH(int, widestOut);
        // (1020 - 15) * 10 / (67 * 15) = 10 characters.
        ScreenMetrics m;
        m.screenWidth = 1020;
        QCOMPARE(tovane::charactersPerLine(0, 0, 0, m), 10);
        int widest = widestIn;
        QCOMPARE(textLinesFor(text, 0, 0, widest, 0, m), lines);
        QCOMPARE(widest, widestOut);
    }

    void keyDirections_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("direction");
        QTest::newRow("G") << int(Qt::Key_G) << int(FormLeft);
        QTest::newRow("H") << int(Qt::Key_H) << int(FormRight);
        QTest::newRow("Y") << int(Qt::Key_Y) << int(FormUp);
        QTest::newRow("B") << int(Qt::Key_B) << int(FormDown);
        QTest::newRow(",") << int(Qt::Key_Comma) << int(FormNarrower);
        QTest::newRow("O") << int(Qt::Key_O) << int(FormLower);
        QTest::newRow("P") << int(Qt::Key_P) << int(FormHigher);
        QTest::newRow(".") << int(Qt::Key_Period) << int(FormWider);
        QTest::newRow("< is shifted ,") << int(Qt::Key_Less) << int(FormNarrower);
        QTest::newRow("> is shifted .") << int(Qt::Key_Greater) << int(FormWider);
        QTest::newRow("K") << int(Qt::Key_K) << -1;
        QTest::newRow("Tab") << int(Qt::Key_Tab) << -1;
    }
    void keyDirections()
    {
        QFETCH(int, key);
        QFETCH(int, direction);
        QCOMPARE(formKeyDirection(key), direction);
    }

    void resizeByKey_data()
    {
        QTest::addColumn<QRect>("form");
        QTest::addColumn<int>("direction");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QSize>("expected");

        const QRect form(1500, 1500, 4500, 3000);
        QTest::newRow("narrower") << form << int(FormNarrower) << false << QSize(4485, 3000);
        QTest::newRow("narrower, Shift") << form << int(FormNarrower) << true << QSize(4350, 3000);
        QTest::newRow("left") << form << int(FormLeft) << false << QSize(4485, 3000);
        QTest::newRow("wider") << form << int(FormWider) << false << QSize(4515, 3000);
        QTest::newRow("right, Shift") << form << int(FormRight) << true << QSize(4650, 3000);
        QTest::newRow("lower") << form << int(FormLower) << false << QSize(4500, 2985);
        QTest::newRow("up, Shift") << form << int(FormUp) << true << QSize(4500, 2850);
        QTest::newRow("higher") << form << int(FormHigher) << false << QSize(4500, 3015);
        QTest::newRow("down, Shift") << form << int(FormDown) << true << QSize(4500, 3150);
        QTest::newRow("unknown direction") << form << 8 << true << QSize(4500, 3000);

        // The screen is 15360 x 11520; growth stops 8 px (120 twips) before its edges.
        const QRect nearRight(15360 - 120 - 4500 - 5, 1500, 4500, 3000);
        QTest::newRow("wider stops at the edge")
            << nearRight << int(FormWider) << true << QSize(4505, 3000);
        const QRect pastRight(15000, 1500, 4500, 3000);
        QTest::newRow("wider past the edge does not shrink")
            << pastRight << int(FormWider) << false << QSize(4500, 3000);
        QTest::newRow("narrower past the edge still shrinks")
            << pastRight << int(FormNarrower) << false << QSize(4485, 3000);
        const QRect nearBottom(1500, 11520 - 120 - 3000 - 20, 4500, 3000);
        QTest::newRow("higher stops at the edge")
            << nearBottom << int(FormHigher) << true << QSize(4500, 3020);

        // Minimum 1500 x 900 below.
        const QRect small(1500, 1500, 1560, 960);
        QTest::newRow("narrower stops at the minimum")
            << small << int(FormNarrower) << true << QSize(1500, 960);
        QTest::newRow("lower stops at the minimum")
            << small << int(FormLower) << true << QSize(1560, 900);
        const QRect tiny(1500, 1500, 1000, 600);
        QTest::newRow("below the minimum does not grow by shrinking")
            << tiny << int(FormNarrower) << false << QSize(1000, 600);
    }
    void resizeByKey()
    {
        QFETCH(QRect, form);
        QFETCH(int, direction);
        QFETCH(bool, shift);
        QFETCH(QSize, expected);
        const QRect r =
            resizeFormByKey(form, direction, shift, QSize(1500, 900), screen(1024, 768));
        QCOMPARE(r.size(), expected);
        QCOMPARE(r.topLeft(), form.topLeft());
    }

    void sizeFactors_data()
    {
        QTest::addColumn<int>("designed");
        QTest::addColumn<int>("factor");
        QTest::addColumn<int>("scaled");
        QTest::newRow("default") << 200 << 100 << 200;
        QTest::newRow("half again") << 200 << 150 << 300;
        QTest::newRow("a third") << 200 << 33 << 66;
        QTest::newRow("rounded") << 101 << 150 << 152;
        QTest::newRow("zero is damaged") << 200 << 0 << 200;
        QTest::newRow("negative is damaged") << 200 << -40 << 200;
    }
    void sizeFactors()
    {
        QFETCH(int, designed);
        QFETCH(int, factor);
        QFETCH(int, scaled);
        QCOMPARE(scaledBySizeFactor(designed, factor), scaled);
        if (factor > 0 && designed >= 100)
            QCOMPARE(sizeFactorFor(designed, scaled), factor);
    }

    void sizeFactorEdges()
    {
        QCOMPARE(sizeFactorFor(0, 300), 100);
        QCOMPARE(sizeFactorFor(-5, 300), 100);
        QCOMPARE(sizeFactorFor(200, 0), 1); // never 0, which would read as damaged
        QCOMPARE(sizeFactorFor(200, 301), 151);
    }

    void pixelConversion_data()
    {
        QTest::addColumn<int>("scale");
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("exact") << 15 << 600 << 40;
        QTest::newRow("rounds down") << 15 << 607 << 40;
        QTest::newRow("rounds up") << 15 << 608 << 41;
        QTest::newRow("negative exact") << 15 << -600 << -40;
        QTest::newRow("negative rounds") << 15 << -608 << -41;
        QTest::newRow("scale 12") << 12 << 480 << 40;
        QTest::newRow("no scale counts as 15") << 0 << 600 << 40;
    }
    void pixelConversion()
    {
        QFETCH(int, scale);
        QFETCH(int, twips);
        QFETCH(int, pixels);
        ScreenMetrics m;
        m.twipsPerPixel = scale;
        QCOMPARE(m.toPixels(twips), pixels);
        QCOMPARE(m.toPixels(m.toTwips(pixels)), pixels);
    }
};

QTEST_GUILESS_MAIN(DialogPlacementTest)
#include "tst_dialogplacement.moc"
