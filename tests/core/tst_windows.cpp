#include "core/windows.h"

#include <QtTest>

using namespace tovane;

class WindowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void viewSlot_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<bool>("twoWindows");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("slot");
        QTest::newRow("two, left") << 0 << true << 0 << 0;
        QTest::newRow("two, right") << 1 << true << 0 << 1;
        QTest::newRow("one, selected left") << 0 << false << 0 << 2;
        QTest::newRow("one, hidden right") << 1 << false << 0 << 1;
        QTest::newRow("one, selected right") << 1 << false << 1 << 2;
        QTest::newRow("one, hidden left") << 0 << false << 1 << 0;
    }
    void viewSlot()
    {
        QFETCH(int, window);
        QFETCH(bool, twoWindows);
        QFETCH(int, selected);
        QFETCH(int, slot);
        QCOMPARE(viewSlotOf(window, twoWindows, selected), slot);
    }

    void pairStepsFromSelectedToOpposite()
    {
        for (int s = 0; s < 2; ++s) {
            const SelectedPair p = SelectedPair::of(s);
            QCOMPARE(p[0], s);
            QCOMPARE(p[1], 1 - s);
            QCOMPARE(p.selected + p.step, p.opposite);
        }
    }

    void label_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<bool>("wrapped");
        QTest::addColumn<QString>("text");
        QTest::newRow("left") << 0 << false << QStringLiteral("左窓の");
        QTest::newRow("right") << 1 << false << QStringLiteral("右窓の");
        QTest::newRow("right alone") << 1 << true << QStringLiteral("（右窓の）");
    }
    void label()
    {
        QFETCH(int, window);
        QFETCH(bool, wrapped);
        QFETCH(QString, text);
        QCOMPARE(windowLabel(window, wrapped), text);
    }
};

QTEST_GUILESS_MAIN(WindowsTest)
#include "tst_windows.moc"
