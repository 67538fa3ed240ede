// The compare panel and its menu: the two digit mappings, the enabled
// states, the flags a comparison takes, the settings switches, and the
// decision of one file pair.

#include "core/appsettings.h"
#include "selection/compareconditions.h"
#include "selection/compareflags.h"

#include <QtTest>

using namespace tovane;

Q_DECLARE_METATYPE(CompareFlags)

class CompareConditionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void menuMapping_data()
    {
        QTest::addColumn<int>("menuIndex");
        QTest::addColumn<int>("box");
        QTest::newRow("存　在") << 0 << 0;
        QTest::newRow("日　付") << 1 << 1;
        QTest::newRow("日付内訳 submenu") << 2 << -1;
        QTest::newRow("サイズ") << 3 << 2;
        QTest::newRow("サイズ内訳 submenu") << 4 << -1;
        QTest::newRow("属　性") << 5 << 3;
        QTest::newRow("名前大・小文字") << 6 << 4;
        QTest::newRow("past the end") << 7 << -1;
        QTest::newRow("negative") << -1 << -1;
    }
    void menuMapping()
    {
        QFETCH(int, menuIndex);
        QFETCH(int, box);
        QCOMPARE(CompareConditions::boxOfMenuItem(menuIndex), box);
        if (box >= 0)
            QCOMPARE(CompareConditions::menuItemOfBox(box), menuIndex);
    }

    void boxOutsideRange()
    {
        QCOMPARE(CompareConditions::menuItemOfBox(5), -1);
        QCOMPARE(CompareConditions::menuItemOfBox(-1), -1);
        QCOMPARE(CompareConditions::detailMenuOfBox(BoxDate), 2);
        QCOMPARE(CompareConditions::detailMenuOfBox(BoxSize), 4);
        QCOMPARE(CompareConditions::detailMenuOfBox(BoxAttributes), -1);
    }

    void menuClickTogglesBox_data()
    {
        QTest::addColumn<int>("menuIndex");
        QTest::addColumn<bool>("changes");
        for (int i = 0; i < 7; ++i)
            QTest::newRow(qPrintable(QString::number(i))) << i << (i != 2 && i != 4);
    }
    void menuClickTogglesBox()
    {
        QFETCH(int, menuIndex);
        QFETCH(bool, changes);
        CompareConditions c;
        const auto before = c.boxes;
        QCOMPARE(c.menuItemClicked(menuIndex), changes);
        if (!changes) {
            QCOMPARE(c.boxes, before);
            return;
        }
        const int box = CompareConditions::boxOfMenuItem(menuIndex);
        QVERIFY(c.boxOn(box));
        QVERIFY(c.menuItemChecked(menuIndex));
        QVERIFY(c.menuItemClicked(menuIndex));
        QVERIFY(!c.boxOn(box));
        QCOMPARE(c.boxes, before);
    }

    void enabledStates_data()
    {
        QTest::addColumn<bool>("date");
        QTest::addColumn<bool>("size");
        QTest::newRow("both off") << false << false;
        QTest::newRow("date on") << true << false;
        QTest::newRow("size on") << false << true;
        QTest::newRow("both on") << true << true;
    }
    void enabledStates()
    {
        QFETCH(bool, date);
        QFETCH(bool, size);
        CompareConditions c;
        c.setBox(BoxDate, date);
        c.setBox(BoxSize, size);
        QCOMPARE(c.menuItemEnabled(2), date);
        QCOMPARE(c.menuItemEnabled(4), size);
        for (int i : {0, 1, 3, 5, 6})
            QVERIFY(c.menuItemEnabled(i));
        for (int b = 0; b < 3; ++b) {
            QCOMPARE(c.optionButtonEnabled(b), date);
            QCOMPARE(c.optionButtonEnabled(b + 3), size);
        }
        QVERIFY(!c.menuItemChecked(2) && !c.menuItemChecked(4));
    }

    void optionButtons_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("date");
        QTest::addColumn<int>("size");
        QTest::newRow("新しい") << 0 << 0 << 2;
        QTest::newRow("古い") << 1 << 1 << 2;
        QTest::newRow("日付 差がある") << 2 << 2 << 2;
        QTest::newRow("大きい") << 3 << 0 << 0;
        QTest::newRow("小さい") << 4 << 0 << 1;
        QTest::newRow("サイズ 差がある") << 5 << 0 << 2;
        QTest::newRow("outside: nothing") << 6 << 0 << 2;
    }
    void optionButtons()
    {
        QFETCH(int, button);
        QFETCH(int, date);
        QFETCH(int, size);
        CompareConditions c; // 新しい and サイズ 差がある
        c.setOptionButton(button);
        QCOMPARE(c.dateDetail, date);
        QCOMPARE(c.sizeDetail, size);
        for (int b = 0; b < 6; ++b)
            QCOMPARE(c.optionButtonOn(b), b < 3 ? b == date : b - 3 == size);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(c.detailChecked(0, i), i == date);
            QCOMPARE(c.detailChecked(1, i), i == size);
        }
    }

    void flags_data()
    {
        QTest::addColumn<QList<int>>("boxes");
        QTest::addColumn<int>("date");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("folderCapability");
        QTest::addColumn<QString>("expected"); // E N O L S A F C
        QTest::newRow("nothing") << QList<int>{} << 2 << 2 << true << "";
        QTest::newRow("date any") << QList<int>{1} << 2 << 0 << true << "NO";
        QTest::newRow("date newer") << QList<int>{1} << 0 << 2 << true << "N";
        QTest::newRow("date older") << QList<int>{1} << 1 << 2 << true << "O";
        QTest::newRow("detail without its box") << QList<int>{0} << 2 << 2 << true << "E";
        QTest::newRow("size any") << QList<int>{2} << 0 << 2 << true << "LS";
        QTest::newRow("size smaller") << QList<int>{2} << 0 << 1 << true << "S";
        QTest::newRow("attributes with capability") << QList<int>{3} << 0 << 0 << true << "AF";
        QTest::newRow("attributes without capability") << QList<int>{3} << 0 << 0 << false << "A";
        QTest::newRow("case") << QList<int>{4} << 0 << 0 << true << "C";
    }
    void flags()
    {
        QFETCH(QList<int>, boxes);
        QFETCH(int, date);
        QFETCH(int, size);
        QFETCH(bool, folderCapability);
        QFETCH(QString, expected);
        CompareConditions c;
        for (int b : boxes)
            c.setBox(b, true);
        c.dateDetail = date;
        c.sizeDetail = size;
        const CompareFlags f = c.flags(folderCapability);
        QString got;
        const std::pair<bool, char> parts[] = {
            {f.existence, 'E'},        {f.newer, 'N'},     {f.older, 'O'},
            {f.larger, 'L'},           {f.smaller, 'S'},   {f.fileAttributes, 'A'},
            {f.folderAttributes, 'F'}, {f.letterCase, 'C'}};
        for (const auto& [on, letter] : parts)
            if (on)
                got += QLatin1Char(letter);
        QCOMPARE(got, expected);
    }

    void settingsRoundTrip_data()
    {
        QTest::addColumn<QList<int>>("boxes");
        QTest::addColumn<int>("date");
        QTest::addColumn<int>("size");
        QTest::newRow("all off, firsts") << QList<int>{} << 0 << 0;
        QTest::newRow("mixed") << QList<int>{0, 2, 4} << 1 << 2;
        QTest::newRow("all on, any") << QList<int>{0, 1, 2, 3, 4} << 2 << 1;
    }
    void settingsRoundTrip()
    {
        QFETCH(QList<int>, boxes);
        QFETCH(int, date);
        QFETCH(int, size);
        CompareConditions c;
        for (int b : boxes)
            c.setBox(b, true);
        c.dateDetail = date;
        c.sizeDetail = size;
        AppSettings settings;
        c.writeTo(settings);
        for (int b = 0; b < CompareBoxCount; ++b)
            QCOMPARE(settings.switchOn(FlagCheckBoxC + b), boxes.contains(b));
        QCOMPARE(settings.optionButton(0), date);
        QCOMPARE(settings.optionButton(1), size);
        const CompareConditions back = CompareConditions::fromSettings(settings);
        QCOMPARE(back.boxes, c.boxes);
        QCOMPARE(back.dateDetail, date);
        QCOMPARE(back.sizeDetail, size);
    }

    void defaultsFromSettings()
    {
        // a fresh settings file compares by existence and newer dates
        const CompareConditions c = CompareConditions::fromSettings(AppSettings());
        const CompareFlags f = c.flags(true);
        QVERIFY(f.existence && f.newer);
        QVERIFY(!f.older && !f.larger && !f.smaller && !f.fileAttributes && !f.letterCase);
    }

    void filePair_data()
    {
        QTest::addColumn<QString>("flags");
        QTest::addColumn<qint64>("dt");
        QTest::addColumn<int>("sizeDiff");
        QTest::addColumn<bool>("attrDiff");
        QTest::addColumn<bool>("caseDiff");
        QTest::addColumn<bool>("differs");
        QTest::newRow("newer 3") << "N" << qint64(3) << 0 << false << false << false;
        QTest::newRow("newer 4") << "N" << qint64(4) << 0 << false << false << true;
        QTest::newRow("older -4") << "O" << qint64(-4) << 0 << false << false << true;
        QTest::newRow("older -3") << "O" << qint64(-3) << 0 << false << false << false;
        QTest::newRow("older 100") << "O" << qint64(100) << 0 << false << false << false;
        QTest::newRow("larger") << "L" << qint64(0) << 1 << false << false << true;
        QTest::newRow("larger, smaller one") << "L" << qint64(0) << -1 << false << false << false;
        QTest::newRow("smaller") << "S" << qint64(0) << -1 << false << false << true;
        QTest::newRow("attributes") << "A" << qint64(0) << 0 << true << false << true;
        QTest::newRow("attributes off") << "NOLS" << qint64(0) << 0 << true << true << false;
        QTest::newRow("case") << "C" << qint64(0) << 0 << false << true << true;
        QTest::newRow("everything equal") << "NOLSAC" << qint64(1) << 0 << false << false << false;
    }
    void filePair()
    {
        QFETCH(QString, flags);
        QFETCH(qint64, dt);
        QFETCH(int, sizeDiff);
        QFETCH(bool, attrDiff);
        QFETCH(bool, caseDiff);
        QFETCH(bool, differs);
        CompareFlags f;
        f.newer = flags.contains('N');
        f.older = flags.contains('O');
        f.larger = flags.contains('L');
        f.smaller = flags.contains('S');
        f.fileAttributes = flags.contains('A');
        f.letterCase = flags.contains('C');
        const qint64 base = 1700000000;
        QCOMPARE(filePairDiffers(f, base + dt, base, quint64(100 + sizeDiff), 100,
                                 attrDiff ? 33u : 32u, 32u, caseDiff),
                 differs);
    }

    void localSecondsFollowTheZone_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("offset");
        QTest::newRow("Tokyo") << QByteArray("Asia/Tokyo") << qint64(9 * 3600);
        QTest::newRow("UTC") << QByteArray("UTC") << qint64(0);
    }
    void localSecondsFollowTheZone()
    {
        QFETCH(QByteArray, zone);
        QFETCH(qint64, offset);
        qputenv("TZ", zone);
        const qint64 t = 1700000000;
        QCOMPARE(localTimeSeconds(t * 1000000000 + 999999999), t + offset);
        QCOMPARE(localTimeSeconds(-1), qint64(-1) + offset); // fractions go to the past
    }
};

QTEST_GUILESS_MAIN(CompareConditionsTest)
#include "tst_compareconditions.moc"
