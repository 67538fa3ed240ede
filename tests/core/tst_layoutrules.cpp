#include "core/layoutrules.h"

#include <QtTest>

using namespace tovane;

class LayoutRulesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void divisionSize_data()
    {
        QTest::addColumn<int>("proportion");
        QTest::addColumn<int>("usable");
        QTest::addColumn<int>("size");
        QTest::newRow("default left") << 350 << 1000 << 280;
        QTest::newRow("default right") << 400 << 1000 << 320;
        QTest::newRow("largest") << 1000 << 1000 << 800;
        QTest::newRow("above range") << 5000 << 1000 << 800;
        QTest::newRow("rounded") << 350 << 997 << 279;    // 279.16
        QTest::newRow("rounded up") << 351 << 999 << 281; // 280.52
        QTest::newRow("minimum 80") << 100 << 500 << 80;
        QTest::newRow("zero") << 0 << 1000 << 80;
        QTest::newRow("no room") << 350 << 0 << 80;
        QTest::newRow("negative") << -50 << 1000 << 80;
    }
    void divisionSize()
    {
        QFETCH(int, proportion);
        QFETCH(int, usable);
        QFETCH(int, size);
        QCOMPARE(tovane::divisionSize(proportion, usable, MinTreeWidth), size);
    }

    void divisionProportion_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("usable");
        QTest::addColumn<int>("proportion");
        QTest::newRow("exact") << 280 << 1000 << 350;
        QTest::newRow("minimum") << 80 << 1000 << 100;
        QTest::newRow("rounded") << 279 << 997 << 350; // 349.8
        QTest::newRow("capped") << 900 << 1000 << 1000;
        QTest::newRow("negative size") << -10 << 1000 << 0;
        QTest::newRow("no usable width keeps") << 200 << 0 << 123;
        QTest::newRow("negative usable keeps") << 200 << -5 << 123;
    }
    void divisionProportion()
    {
        QFETCH(int, size);
        QFETCH(int, usable);
        QFETCH(int, proportion);
        QCOMPARE(tovane::divisionProportion(size, usable, 123), proportion);
    }

    // A released size stored and laid out again must not creep: below 1250
    // pixels every size has its own proportion, above it the proportion is
    // what stays.
    void releasedSizeSurvivesRelayout()
    {
        for (int usable = 300; usable <= 2600; usable += 37) {
            for (int size = 80; size <= usable * 8 / 10; size += 13) {
                const int p = tovane::divisionProportion(size, usable, 0);
                const int again = tovane::divisionSize(p, usable, MinTreeWidth);
                if (usable < 1250)
                    QCOMPARE(again, size);
                else
                    QCOMPARE(tovane::divisionProportion(again, usable, 0), p);
            }
        }
    }

    void drag_data()
    {
        QTest::addColumn<int>("usableWidth");
        QTest::addColumn<int>("treeWidth");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("newTree");
        QTest::addColumn<int>("newProportion");
        QTest::newRow("wider") << 1000 << 280 << 20 << 300 << 375;
        QTest::newRow("narrower") << 1000 << 280 << -40 << 240 << 300;
        QTest::newRow("stops at 80") << 1000 << 280 << -500 << 80 << 100;
        QTest::newRow("leaves the list its room") << 1000 << 280 << 5000 << 920 << 1000;
        QTest::newRow("tiny window keeps 80") << 120 << 80 << 10 << 80 << 833;
    }
    void drag()
    {
        QFETCH(int, usableWidth);
        QFETCH(int, treeWidth);
        QFETCH(int, dx);
        QFETCH(int, newTree);
        QFETCH(int, newProportion);
        DivisionGeometry g;
        g.usableWidth = usableWidth;
        g.usableHeight = 600;
        g.treeWidth = treeWidth;
        g.upperHeight = 336; // 700 of 600
        const DivisionChange c = dragDivision(g, dx, 0, 350, 700);
        QCOMPARE(c.treeWidth, newTree);
        QCOMPARE(c.treeDivision, qMin(newProportion, 1000));
        QCOMPARE(c.upperHeight, 336);
        QCOMPARE(c.upperDivision, 700);
    }

    void verticalDrag_data()
    {
        QTest::addColumn<int>("dy");
        QTest::addColumn<int>("height");
        QTest::newRow("down") << 30 << 366;
        QTest::newRow("to the top") << -1000 << 80;
        QTest::newRow("to the bottom") << 1000 << 520;
    }
    void verticalDrag()
    {
        QFETCH(int, dy);
        QFETCH(int, height);
        DivisionGeometry g{1000, 600, 280, 336};
        const DivisionChange c = dragDivision(g, 0, dy, 350, 700);
        QCOMPARE(c.upperHeight, height);
        QCOMPARE(c.upperDivision, tovane::divisionProportion(height, 600, -1));
        QCOMPARE(c.treeWidth, 280);
    }

    void keyNudge_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::newRow("G left") << int(Qt::Key_G) << false << -1 << 0;
        QTest::newRow("H right, shift") << int(Qt::Key_H) << true << 10 << 0;
        QTest::newRow("Y up") << int(Qt::Key_Y) << false << 0 << -1;
        QTest::newRow("B down") << int(Qt::Key_B) << false << 0 << 1;
        QTest::newRow(", narrower") << int(Qt::Key_Comma) << false << -1 << 0;
        QTest::newRow("< narrower, shift") << int(Qt::Key_Less) << true << -10 << 0;
        QTest::newRow("O lower") << int(Qt::Key_O) << false << 0 << -1;
        QTest::newRow("P higher, shift") << int(Qt::Key_P) << true << 0 << 10;
        QTest::newRow(". wider") << int(Qt::Key_Period) << false << 1 << 0;
        QTest::newRow("other key") << int(Qt::Key_Q) << true << 0 << 0;
    }
    void keyNudge()
    {
        QFETCH(int, key);
        QFETCH(bool, shift);
        QFETCH(int, dx);
        QFETCH(int, dy);
        const DividerNudge n = nudgeFor(moveDirectionForKey(key), shift);
        QCOMPARE(n.dx, dx);
        QCOMPARE(n.dy, dy);
    }

    void mainResize_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<bool>("twoWindows");
        QTest::addColumn<bool>("minimised");
        QTest::addColumn<bool>("switching");
        QTest::addColumn<bool>("ignored");
        QTest::addColumn<bool>("setBack");
        QTest::addColumn<QSize>("size");
        // Screen 1600 x 900.
        QTest::newRow("inside") << QRect(10, 20, 1200, 700) << true << false << false << false
                                << false << QSize(1200, 700);
        QTest::newRow("too narrow") << QRect(10, 20, 700, 700) << true << false << false << false
                                    << true << QSize(800, 700);
        QTest::newRow("too wide") << QRect(0, 0, 1700, 700) << false << false << false << false
                                  << true << QSize(1608, 700);
        QTest::newRow("screen + 8 is fine") << QRect(0, 0, 1608, 908) << true << false << false
                                            << false << false << QSize(1608, 908);
        QTest::newRow("too low") << QRect(0, 0, 1200, 300) << true << false << false << false
                                 << true << QSize(1200, 450);
        QTest::newRow("minimised")
            << QRect(0, 0, 100, 30) << true << true << false << true << false << QSize();
        QTest::newRow("switching")
            << QRect(0, 0, 100, 30) << false << false << true << true << false << QSize();
    }
    void mainResize()
    {
        QFETCH(QRect, geometry);
        QFETCH(bool, twoWindows);
        QFETCH(bool, minimised);
        QFETCH(bool, switching);
        QFETCH(bool, ignored);
        QFETCH(bool, setBack);
        QFETCH(QSize, size);
        Frm1Size frm1{1, 2, 3, 4, 5};
        const MainResize r =
            noteMainResize(frm1, geometry, QSize(1600, 900), twoWindows, minimised, switching);
        QCOMPARE(r.ignored, ignored);
        if (ignored) {
            QCOMPARE(frm1, (Frm1Size{1, 2, 3, 4, 5}));
            return;
        }
        QVERIFY(r.closeDestinationList);
        QCOMPARE(r.setBack, setBack);
        QCOMPARE(r.size, size);
        QCOMPARE(frm1[Frm1Top], geometry.top() * 15);
        QCOMPARE(frm1[Frm1Left], geometry.left() * 15);
        QCOMPARE(frm1[Frm1Height], size.height() * 15);
        QCOMPARE(frm1[frm1WidthItem(twoWindows)], size.width() * 15);
        // The width of the other window count stays as it was.
        QCOMPARE(frm1[frm1WidthItem(!twoWindows)], twoWindows ? 4 : 5);
    }

    void frm1Check_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("checkedTop");
        QTest::addColumn<int>("checkedLeft");
        // Screen 24000 x 13500 twips.
        QTest::newRow("on screen") << 300 << 400 << 300 << 400;
        QTest::newRow("top just inside") << -200 << 0 << -200 << 0;
        QTest::newRow("top above") << -201 << 0 << 0 << 0;
        QTest::newRow("top below") << 12501 << 0 << 0 << 0;
        QTest::newRow("left far left") << 0 << -22501 << 0 << 0;
        QTest::newRow("left just inside") << 0 << -22500 << 0 << -22500;
        QTest::newRow("left far right") << 0 << 23001 << 0 << 0;
    }
    void frm1Check()
    {
        QFETCH(int, top);
        QFETCH(int, left);
        QFETCH(int, checkedTop);
        QFETCH(int, checkedLeft);
        Frm1Size frm1{top, left, 9000, 12000, 18000};
        checkFrm1Size(frm1, QSize(24000, 13500));
        QCOMPARE(frm1[Frm1Top], checkedTop);
        QCOMPARE(frm1[Frm1Left], checkedLeft);
        QCOMPARE(frm1[Frm1WidthTwo], 18000);
    }

    void frm1Default()
    {
        QCOMPARE(defaultFrm1Size(450, 600, QSize(24000, 13500)),
                 (Frm1Size{450, 600, 13500 - 1800, 24000 - 1800, 24000 - 1200}));
    }

    void scaleWarning_data()
    {
        QTest::addColumn<double>("twipsPerPixel");
        QTest::addColumn<QString>("factor"); // empty: no warning
        QTest::newRow("standard") << 15.0 << QString();
        QTest::newRow("1.25") << 12.0 << QString();
        QTest::newRow("1.5") << 10.0 << QString();
        QTest::newRow("0.75") << 20.0 << QString();
        QTest::newRow("13") << 13.0 << u"1.153846"_qs;
        QTest::newRow("16") << 16.0 << u"0.9375"_qs;
        QTest::newRow("7.5") << 7.5 << u"2"_qs;
        QTest::newRow("nonsense") << 0.0 << QString();
    }
    void scaleWarning()
    {
        QFETCH(double, twipsPerPixel);
        QFETCH(QString, factor);
        const QString text = screenScaleWarning(twipsPerPixel);
        if (factor.isEmpty()) {
            QVERIFY(text.isEmpty());
            return;
        }
        QCOMPARE(
            text,
            u"フォントサイズは標準の "_qs + factor +
                u" 倍です。\r\n\r\n倍数が 0.75、1、1.25、1.5 以外は、画面を正常に表示できません。"_qs);
    }

    void dpi_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<double>("twips");
        QTest::newRow("96") << 96.0 << 15.0;
        QTest::newRow("120") << 120.0 << 12.0;
        QTest::newRow("144") << 144.0 << 10.0;
        QTest::newRow("unknown") << 0.0 << 15.0;
    }
    void dpi()
    {
        QFETCH(double, dpi);
        QFETCH(double, twips);
        QCOMPARE(twipsPerPixelForDpi(dpi), twips);
    }
};

QTEST_GUILESS_MAIN(LayoutRulesTest)
#include "tst_layoutrules.moc"
