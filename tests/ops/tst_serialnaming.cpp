// Serial-number plans: defaults, limits, device names and the numbers that
// move past every existing name until a free run is found.

#include "ops/serialnaming.h"

#include <QtTest>

using namespace tovane;

namespace {

QStringList numbered(const QString& stem, int count, const QString& suffix = QStringLiteral(".jpg"))
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << stem + QString::number(i + 1) + suffix;
    return names;
}

} // namespace

class SerialNamingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void defaults_data()
    {
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<QString>("fixed");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QString>("firstName");
        QTest::newRow("trailing digits go") << QStringList{"IMG_0042.JPG", "b.jpg"} << "IMG_" << 1
                                            << "IMG_0.JPG";
        QTest::newRow("twelve files need two digits") << numbered("p", 12) << "p" << 2 << "p00.jpg";
        QTest::newRow("eleven still do") << numbered("p", 11) << "p" << 2 << "p00.jpg";
        QTest::newRow("ten fit in one") << numbered("p", 10) << "p" << 1 << "p0.jpg";
        QTest::newRow("no extension") << QStringList{"README"} << "README" << 1 << "README0";
        QTest::newRow("only digits") << QStringList{"2024.txt"} << "" << 1 << "0.txt";
        QTest::newRow("a leading dot is no extension") << QStringList{".bashrc"} << ".bashrc" << 1
                                                       << ".bashrc0";
    }
    void defaults()
    {
        QFETCH(QStringList, targets);
        QFETCH(QString, fixed);
        QFETCH(int, digits);
        QFETCH(QString, firstName);
        const SerialPlan plan = defaultSerialPlan(targets);
        QCOMPARE(plan.fixed, fixed);
        QCOMPARE(plan.digits, digits);
        QCOMPARE(serialName(plan, 0, targets.first()), firstName);
    }

    void limits_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("digits");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("step");
        QTest::addColumn<QString>("expected"); // digits,first,step
        QTest::newRow("digits below the minimum") << 12 << 1 << qint64(0) << qint64(1) << "2,0,1";
        QTest::newRow("digits above seven") << 3 << 9 << qint64(0) << qint64(1) << "7,0,1";
        QTest::newRow("first too large") << 3 << 2 << qint64(123456789) << qint64(1)
                                         << "2,9999999,1";
        QTest::newRow("step zero") << 3 << 2 << qint64(5) << qint64(0) << "2,5,1";
    }
    void limits()
    {
        QFETCH(int, count);
        QFETCH(int, digits);
        QFETCH(qint64, first);
        QFETCH(qint64, step);
        QFETCH(QString, expected);
        SerialPlan p;
        p.digits = digits;
        p.first = first;
        p.step = step;
        p = clampedSerialPlan(p, count);
        QCOMPARE(QStringLiteral("%1,%2,%3").arg(p.digits).arg(p.first).arg(p.step), expected);
    }

    void conflicts_data()
    {
        QTest::addColumn<QString>("fixed");
        QTest::addColumn<int>("digits");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("expected"); // digits,first or "none"
        QTest::newRow("free") << "a" << 1 << qint64(0) << 3 << QStringList{"b0.txt"} << "1,0";
        QTest::newRow("an existing name moves past it")
            << "a" << 2 << qint64(0) << 3 << QStringList{"A01.TXT"} << "2,2";
        QTest::newRow("com with one digit starts at 5") << "com" << 1 << qint64(0) << 2
                                                        << QStringList{} << "1,5";
        QTest::newRow("com already later stays") << "COM" << 1 << qint64(7) << 2 << QStringList{}
                                                 << "1,7";
        QTest::newRow("lpt starts at 4") << "Lpt" << 1 << qint64(1) << 3 << QStringList{} << "1,4";
        QTest::newRow("com with two digits is free") << "com" << 2 << qint64(0) << 2
                                                     << QStringList{} << "2,0";
        QTest::newRow("a full run grows the width")
            << "a" << 1 << qint64(0) << 10 << QStringList{"a5.txt"} << "2,0";
        QTest::newRow("com moved on is not moved back")
            << "com" << 1 << qint64(0) << 3 << QStringList{"com5.txt"} << "1,6";
        QTest::newRow("no free run") << "a" << 7 << qint64(9999998) << 2
                                     << QStringList{"a9999999.txt"} << "none";
    }
    void conflicts()
    {
        QFETCH(QString, fixed);
        QFETCH(int, digits);
        QFETCH(qint64, first);
        QFETCH(int, count);
        QFETCH(QStringList, existing);
        QFETCH(QString, expected);
        SerialPlan plan;
        plan.fixed = fixed;
        plan.digits = digits;
        plan.first = first;
        QStringList targets;
        for (int i = 0; i < count; ++i)
            targets << QStringLiteral("t%1.txt").arg(i);
        const int r = checkSerialPlan(plan, targets, existing + targets);
        if (expected == QLatin1String("none")) {
            QCOMPARE(r, int(SerialNoFreeRun));
            return;
        }
        QCOMPARE(r, int(SerialFree));
        QCOMPARE(QStringLiteral("%1,%2").arg(plan.digits).arg(plan.first), expected);
        for (int k = 0; k < count; ++k)
            QVERIFY(!existing.contains(serialName(plan, k, targets[k]), Qt::CaseInsensitive));
    }

    // A thousand files already named as the plan would name them: the plan
    // moves past all of them, so no rename can meet another's name.
    void ownNamesAreMovedPast()
    {
        QStringList targets;
        for (int i = 0; i < 1000; ++i)
            targets << QStringLiteral("s%1.dat").arg(i, 3, 10, QLatin1Char('0'));
        SerialPlan plan = defaultSerialPlan(targets);
        QCOMPARE(plan.fixed, QStringLiteral("s"));
        QCOMPARE(plan.digits, 3);
        QCOMPARE(checkSerialPlan(plan, targets, targets), int(SerialFree));
        QSet<QString> planned;
        for (int k = 0; k < 1000; ++k) {
            const QString name = serialName(plan, k, targets[k]);
            QVERIFY(!targets.contains(name));
            planned.insert(name);
        }
        QCOMPARE(planned.size(), 1000);
        QCOMPARE(plan.digits, 4);
    }

    void texts()
    {
        QCOMPARE(serialConfirmationText(3, false), QStringLiteral("3 ファイルに連番を付けます。"));
        QCOMPARE(serialConfirmationText(1, true),
                 QStringLiteral("1 ファイルに連番を付けます。\r\n\r\n\r\nフォルダは対象外です。"));
    }
};

QTEST_GUILESS_MAIN(SerialNamingTest)
#include "tst_serialnaming.moc"
