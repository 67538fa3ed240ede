#include "core/messageservice.h"
#include "fs/keepdigits.h"
#include "fs/numberformat.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace tovane;

namespace {

class RecordingMessages : public MessageService {
public:
    QStringList texts;
    QStringList titles;

protected:
    qint16 present(DialogRequest& request) override
    {
        texts << request.text;
        titles << request.title;
        return AnswerYes;
    }
};

constexpr double KiB = 1024.0;
constexpr double MiB = 1024.0 * 1024.0;

} // namespace

class NumberFormatTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // The texts must not follow the locale.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    void formatsNumbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("zero") << 0.0 << 0 << "0";
        QTest::newRow("below a thousand") << 999.0 << 0 << "999";
        QTest::newRow("a thousand") << 1000.0 << 0 << "1,000";
        QTest::newRow("millions") << 1234567.0 << 0 << "1,234,567";
        QTest::newRow("half rounds up") << 2.5 << 0 << "3";
        QTest::newRow("half below one") << 0.5 << 0 << "1";
        QTest::newRow("negative half away from zero") << -1234.5 << 0 << "-1,235";
        QTest::newRow("negative rounding to zero") << -0.4 << 0 << "0";
        QTest::newRow("negative zero") << -0.0 << 2 << "0.00";
        QTest::newRow("two decimals") << 1234.5678 << 2 << "1,234.57";
        QTest::newRow("binary noise 2.675") << 2.675 << 2 << "2.68";
        QTest::newRow("binary noise 1.005") << 1.005 << 2 << "1.01";
        QTest::newRow("carry into integer") << 9.995 << 2 << "10.00";
        QTest::newRow("carry adds a group") << 999999.95 << 1 << "1,000,000.0";
        QTest::newRow("small fraction") << 0.05 << 1 << "0.1";
        QTest::newRow("tiny") << 0.001 << 2 << "0.00";
        QTest::newRow("padded decimals") << 5.0 << 2 << "5.00";
        QTest::newRow("exact 2^53") << 9007199254740992.0 << 0 << "9,007,199,254,740,992";
        QTest::newRow("huge") << 1e20 << 0 << "100,000,000,000,000,000,000";
        QTest::newRow("nan") << std::nan("") << 0 << "";
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 0 << "";
        // clang-format on
    }
    void formatsNumbers()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, expected);
        QCOMPARE(formatNumber(value, decimals), expected);
        if (decimals == 0)
            QCOMPARE(formatCount(value), expected);
    }

    void formatsIntegers()
    {
        QCOMPARE(formatCount(0), QStringLiteral("0"));
        QCOMPARE(formatCount(-1000), QStringLiteral("-1,000"));
        QCOMPARE(formatCount(std::numeric_limits<qint64>::min()),
                 QStringLiteral("-9,223,372,036,854,775,808"));
        QCOMPARE(formatCount(std::numeric_limits<quint64>::max()),
                 QStringLiteral("18,446,744,073,709,551,615"));
        QCOMPARE(formatCount(size_t(123456)), QStringLiteral("123,456"));
    }

    void kilobytesAndUnits_data()
    {
        QTest::addColumn<double>("bytes");
        QTest::addColumn<double>("kilobytes");
        QTest::addColumn<QString>("kbText");
        QTest::addColumn<QString>("byteText");
        // clang-format off
        QTest::newRow("0") << 0.0 << 0.0 << "0 kB" << "0 B";
        QTest::newRow("1") << 1.0 << 1.0 << "1 kB" << "1 B";
        QTest::newRow("1024") << 1024.0 << 1.0 << "1 kB" << "1,024 B";
        QTest::newRow("1025") << 1025.0 << 2.0 << "2 kB" << "1,025 B";
        QTest::newRow("5 GiB") << 5 * KiB * MiB << 5242880.0 << "5,242,880 kB" << "5,368,709,120 B";
        // clang-format on
    }
    void kilobytesAndUnits()
    {
        QFETCH(double, bytes);
        QFETCH(double, kilobytes);
        QFETCH(QString, kbText);
        QFETCH(QString, byteText);
        QCOMPARE(toKilobytes(bytes), kilobytes);
        QCOMPARE(sizeWithUnit(bytes, true), kbText);
        QCOMPARE(sizeWithUnit(bytes, false), byteText);
    }

    // Copy progress: one decimal from 1 kB on, the unit chosen on the
    // rounded value so that no "1,024.0" is ever shown.
    void byteSizes_data()
    {
        QTest::addColumn<double>("bytes");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("zero") << 0.0 << "0 B";
        QTest::newRow("below a kilobyte") << 1023.0 << "1,023 B";
        QTest::newRow("one kilobyte") << 1024.0 << "1.0 kB";
        QTest::newRow("half up") << 1024.0 * 1.25 << "1.3 kB";
        QTest::newRow("just below a megabyte") << 1024.0 * 1023.96 << "1.0 MB";
        QTest::newRow("megabytes") << 34.5 * 1024 * 1024 << "34.5 MB";
        QTest::newRow("example") << 1.2 * 1024 * 1024 * 1024 << "1.2 GB";
        QTest::newRow("three gigabytes") << 3.0 * 1024 * 1024 * 1024 << "3.0 GB";
        QTest::newRow("terabytes") << 5.0 * 1024 * 1024 * 1024 * 1024 << "5.0 TB";
        QTest::newRow("terabytes stay the unit") << 2048.0 * 1024 * 1024 * 1024 * 1024
                                                 << "2,048.0 TB";
        // clang-format on
    }
    void byteSizes()
    {
        QFETCH(double, bytes);
        QFETCH(QString, expected);
        QCOMPARE(byteSizeText(bytes), expected);
    }

    void driveCapacity_data()
    {
        QTest::addColumn<double>("bytes");
        QTest::addColumn<bool>("sixDigits");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("3: empty") << 0.0 << false << "0kB";
        QTest::newRow("3: 999 kB") << 999 * KiB << false << "999kB";
        QTest::newRow("3: 999.49 kB") << 1023487.0 << false << "999kB";
        QTest::newRow("3: 999.5 kB rounds to 1,000kB") << 1023488.0 << false << "1,000kB";
        QTest::newRow("3: 1000 kB is MB") << 1000 * KiB << false << "0.98MB";
        QTest::newRow("3: 9.4 MB") << 9.4 * MiB << false << "9.40MB";
        QTest::newRow("3: 9.5 MB rounds to ten") << 9.5 * MiB << false << "9.5MB";
        QTest::newRow("3: 9.996 MB") << 9.996 * MiB << false << "10.0MB";
        QTest::newRow("3: 99.4 MB") << 99.4 * MiB << false << "99.4MB";
        QTest::newRow("3: 99.5 MB") << 99.5 * MiB << false << "100MB";
        QTest::newRow("3: 999.9 MB") << 999.9 * MiB << false << "1,000MB";
        QTest::newRow("3: 1000 MB is GB") << 1000 * MiB << false << "0.98GB";
        QTest::newRow("3: 5 GiB") << 5368709120.0 << false << "5.00GB";
        QTest::newRow("3: 2 TiB") << 2048 * KiB * MiB << false << "2,048GB";
        QTest::newRow("6: 999,999 kB") << 999999 * KiB << true << "999,999kB";
        QTest::newRow("6: 1,000,000 kB") << 1000000 * KiB << true << "977MB";
        QTest::newRow("6: 5 GiB") << 5368709120.0 << true << "5,120MB";
        QTest::newRow("6: 9.4 MB stays in kB") << 9.4 * MiB << true << "9,626kB";
        QTest::newRow("6: 999,999 MB") << 999999 * MiB << true << "999,999MB";
        QTest::newRow("6: 1,000,000 MB") << 1000000 * MiB << true << "977GB";
        // clang-format on
    }
    void driveCapacity()
    {
        QFETCH(double, bytes);
        QFETCH(bool, sixDigits);
        QFETCH(QString, expected);
        QCOMPARE(driveCapacityText(bytes, sixDigits), expected);
    }

    void keepsDigits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("expectedCaret");
        QTest::addColumn<int>("messages");
        // clang-format off
        QTest::newRow("letter before caret") << "12a34" << 5 << 10 << true << "1234" << 4 << 1;
        QTest::newRow("right after caret") << "12a34" << 2 << 10 << true << "1234" << 2 << 1;
        QTest::newRow("right before caret") << "12a34" << 3 << 10 << true << "1234" << 2 << 1;
        QTest::newRow("spaces silently") << "1 2 3" << 5 << 10 << true << "123" << 3 << 0;
        QTest::newRow("told once per call") << "a b c" << 5 << 10 << true << "" << 0 << 1;
        QTest::newRow("space first, then letter") << " 1x" << 0 << 10 << true << "1" << 0 << 1;
        QTest::newRow("full-width digit") << "１2" << 2 << 10 << true << "2" << 1 << 1;
        QTest::newRow("confirmation off") << "12a" << 3 << 10 << false << "12" << 2 << 0;
        QTest::newRow("beyond limit: end") << "123456" << 6 << 4 << true << "3456" << 4 << 0;
        QTest::newRow("inside limit: start") << "123456" << 2 << 4 << true << "1234" << 2 << 0;
        QTest::newRow("caret at the limit") << "123456" << 4 << 4 << true << "1234" << 4 << 0;
        QTest::newRow("caret beyond the text") << "12" << 99 << 4 << true << "12" << 2 << 0;
        QTest::newRow("negative caret") << "a1" << -3 << 4 << true << "1" << 0 << 1;
        // clang-format on
    }
    void keepsDigits()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(int, maxLength);
        QFETCH(bool, confirm);
        QFETCH(QString, expected);
        QFETCH(int, expectedCaret);
        QFETCH(int, messages);
        RecordingMessages service;
        service.setConfirmationMessages(confirm);
        QString edited = text;
        int position = caret;
        keepDigits(edited, position, maxLength, QStringLiteral("年 入力"), &service);
        QCOMPARE(edited, expected);
        QCOMPARE(position, expectedCaret);
        QCOMPARE(service.texts.size(), messages);
        for (qsizetype i = 0; i < service.texts.size(); ++i) {
            QCOMPARE(service.texts.at(i), QStringLiteral("数字以外の文字があるので除去します。"));
            QCOMPARE(service.titles.at(i), QStringLiteral("年 入力"));
        }

        // Without a service the filter works the same, silently.
        edited = text;
        position = caret;
        keepDigits(edited, position, maxLength, QString(), nullptr);
        QCOMPARE(edited, expected);
        QCOMPARE(position, expectedCaret);
    }
};

QTEST_GUILESS_MAIN(NumberFormatTest)
#include "tst_numberformat.moc"
