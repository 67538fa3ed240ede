// What a place dialog leaves for the main window: chosen path and cancel
// flag after the clicks, double click, mouse-up, Enter and close button.

#include "places/placepick.h"

#include <QtTest>

using namespace tovane;

class PlacePickTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void steps_data()
    {
        // Steps: "load:<first row>" (load:- for an empty list), "click:<row text>",
        // "double", "up", "enter:<current row>" (enter:- with no rows), "close", "disarm".
        QTest::addColumn<QString>("before"); // chosen path left by an earlier dialog
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("cancelFlag");
        QTest::addColumn<bool>("closesOnUp");
        QTest::addColumn<bool>("accepted");

        QTest::newRow("opened and closed")
            << "/old" << QStringList{"load:/a", "close"} << "/a" << 1 << false << false;
        QTest::newRow("empty store keeps the path")
            << "/old" << QStringList{"load:-"} << "/old" << 1 << false << false;
        QTest::newRow("enter on the first row")
            << "" << QStringList{"load:/a", "enter:/a"} << "/a" << 0 << false << true;
        QTest::newRow("enter after a click")
            << "" << QStringList{"load:/a", "click:/b", "enter:/b"} << "/b" << 0 << false << true;
        QTest::newRow("enter on an empty list jumps nowhere")
            << "/old" << QStringList{"load:-", "enter:-"} << "/old" << 1 << false << false;
        QTest::newRow("enter after the clicked row was deleted")
            << "" << QStringList{"load:/a", "click:/b", "disarm", "enter:/c"} << "/c" << 0 << false
            << true;
        QTest::newRow("double click waits for the release")
            << "" << QStringList{"load:/a", "click:/b", "double"} << "/b" << 0 << true << true;
        QTest::newRow("double click without a click")
            << "" << QStringList{"load:/a", "double"} << "/a" << 1 << false << false;
        QTest::newRow("double click after a delete")
            << "" << QStringList{"load:/a", "click:/b", "disarm", "double"} << "/b" << 1 << false
            << false;
        QTest::newRow("close button after a click")
            << "" << QStringList{"load:/a", "click:/b", "close"} << "/b" << 1 << false << false;
        QTest::newRow("reopened: cancelled again")
            << "" << QStringList{"load:/a", "enter:/a", "load:/x"} << "/x" << 1 << false << false;
    }
    void steps()
    {
        QFETCH(QString, before);
        QFETCH(QStringList, steps);
        QFETCH(QString, path);
        QFETCH(int, cancelFlag);
        QFETCH(bool, closesOnUp);
        QFETCH(bool, accepted);
        PlaceChoice choice{before, 0};
        PlacePick pick(choice);
        for (const QString& step : steps) {
            const QString arg = step.section(u':', 1);
            const QString row = arg == QLatin1String("-") ? QString() : arg;
            if (step.startsWith(QLatin1String("load:")))
                pick.load(!row.isEmpty(), row);
            else if (step.startsWith(QLatin1String("click:")))
                pick.rowClicked(row);
            else if (step == QLatin1String("double"))
                pick.doubleClicked();
            else if (step.startsWith(QLatin1String("enter:")))
                pick.enter(!row.isEmpty(), row);
            else if (step == QLatin1String("close"))
                pick.closeButton();
            else if (step == QLatin1String("disarm"))
                pick.disarm();
            else
                QFAIL(qPrintable(step));
        }
        QCOMPARE(choice.path, path);
        QCOMPARE(choice.cancelFlag, cancelFlag);
        QCOMPARE(pick.mouseUp(), closesOnUp);
        QCOMPARE(choice.accepted(), accepted);
    }
};

QTEST_GUILESS_MAIN(PlacePickTest)
#include "tst_placepick.moc"
