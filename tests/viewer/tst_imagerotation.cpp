#include "viewer/imagerotation.h"

#include <QtTest>

using namespace tovane;

class ImageRotationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<int>("angle");
        QTest::newRow("clockwise") << "45" << true << 45;
        QTest::newRow("anticlockwise") << "-30" << true << -30;
        QTest::newRow("blanks around") << " 15 " << true << 15;
        QTest::newRow("full-width digits and minus") << QStringLiteral("－９０") << true << -90;
        QTest::newRow("a whole turn and more") << "370" << true << 10;
        QTest::newRow("a whole turn: nothing to do") << "720" << true << 0;
        QTest::newRow("decimal point") << "1.5" << false << 0;
        QTest::newRow("comma") << "1,5" << false << 0;
        QTest::newRow("full-width point") << QStringLiteral("１．５") << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
    }
    void answers()
    {
        QFETCH(QString, answer);
        QFETCH(bool, taken);
        QFETCH(int, angle);
        int got = 12345;
        QCOMPARE(parseRotationAnswer(answer, got), taken);
        if (taken)
            QCOMPARE(got, angle);
    }

    void howTurnsAreDone_data()
    {
        QTest::addColumn<int>("angle");
        QTest::addColumn<bool>("twoQuarters");
        QTest::addColumn<bool>("upright");
        QTest::newRow("90") << 90 << false << true;
        QTest::newRow("179: one below a right angle") << 179 << true << true;
        QTest::newRow("181") << 181 << true << true;
        QTest::newRow("-180") << -180 << true << true;
        // Anticlockwise angles count from the same upright positions.
        QTest::newRow("-178: a free angle") << -178 << false << false;
        QTest::newRow("-30") << -30 << false << false;
        QTest::newRow("-271") << -271 << false << true;
        QTest::newRow("91: within two degrees above") << 91 << false << true;
        QTest::newRow("92") << 92 << false << false;
        QTest::newRow("89: one below") << 89 << false << true;
        QTest::newRow("45") << 45 << false << false;
    }
    void howTurnsAreDone()
    {
        QFETCH(int, angle);
        QFETCH(bool, twoQuarters);
        QFETCH(bool, upright);
        QCOMPARE(turnsAsTwoQuarters(angle), twoQuarters);
        QCOMPARE(isRightAngle(angle), upright);
    }

    void turnedSizes_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("angle");
        QTest::addColumn<QSize>("turned");
        QTest::newRow("quarter turn swaps the sides") << QSize(200, 100) << 90 << QSize(100, 200);
        QTest::newRow("half turn keeps them") << QSize(200, 100) << 180 << QSize(200, 100);
        QTest::newRow("anticlockwise quarter") << QSize(200, 100) << -90 << QSize(100, 200);
        QTest::newRow("45 degrees holds the corners") << QSize(100, 100) << 45 << QSize(142, 142);
        QTest::newRow("30 degrees") << QSize(200, 100) << 30 << QSize(223, 187);
    }
    void turnedSizes()
    {
        QFETCH(QSize, size);
        QFETCH(int, angle);
        QFETCH(QSize, turned);
        QCOMPARE(turnedSize(size, angle), turned);
    }

    void tooLarge()
    {
        QVERIFY(turnedSizeFits(QSize(8000, 8000)));
        QVERIFY(!turnedSizeFits(turnedSize(QSize(20000, 20000), 45)));
        QVERIFY(!turnedSizeFits(QSize(40000, 10)));
        QVERIFY(!turnedSizeFits(QSize(0, 10)));
        QCOMPARE(rotationTooLargeText(),
                 QStringLiteral("画像が大きくなったので、回転できませんでした。"));
    }
};

QTEST_GUILESS_MAIN(ImageRotationTest)
#include "tst_imagerotation.moc"
