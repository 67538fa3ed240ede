#include "fs/itemtext.h"

#include <QtTest>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <random>

using namespace tovane;

namespace {

constexpr qint64 Second = 1000000000;

ItemRecord record(const QString& name, quint32 attributes, quint64 size = 0)
{
    ItemRecord r;
    r.name = name;
    r.attributes = attributes;
    r.size = size;
    return r;
}

void setZone(const QByteArray& tz)
{
    qputenv("TZ", tz);
    ::tzset();
}

} // namespace

class ItemTextTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { setZone("UTC0"); }

    void sizeFromHalves_data()
    {
        QTest::addColumn<quint32>("high");
        QTest::addColumn<quint32>("low");
        QTest::addColumn<double>("expected");
        QTest::newRow("4 GiB exactly") << 1u << 0u << 4294967296.0;
        QTest::newRow("low half is unsigned") << 0u << 0xFFFFFFFFu << 4294967295.0;
        QTest::newRow("both halves") << 2u << 5u << 8589934597.0;
        QTest::newRow("largest exact double") << 0x1FFFFFu << 0xFFFFFFFFu << 9007199254740991.0;
    }
    void sizeFromHalves()
    {
        QFETCH(quint32, high);
        QFETCH(quint32, low);
        QFETCH(double, expected);
        QCOMPARE(sizeOf(high, low), expected);
        ItemRecord r;
        r.size = quint64(expected);
        QCOMPARE(r.sizeHigh(), high);
        QCOMPARE(r.sizeLow(), low);
    }

    void sizeText_data()
    {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<QString>("bytesText");
        QTest::addColumn<QString>("kilobyteText");
        QTest::newRow("empty") << quint64(0) << "0"
                               << "0";
        QTest::newRow("one byte is a whole kB") << quint64(1) << "1"
                                                << "1";
        QTest::newRow("1,023") << quint64(1023) << "1,023"
                               << "1";
        QTest::newRow("1,024") << quint64(1024) << "1,024"
                               << "1";
        QTest::newRow("1,025 rounds up") << quint64(1025) << "1,025"
                                         << "2";
        QTest::newRow("4 GiB - 1") << quint64(4294967295u) << "4,294,967,295"
                                   << "4,194,304";
        QTest::newRow("4 GiB") << quint64(4294967296u) << "4,294,967,296"
                               << "4,194,304";
        QTest::newRow("4 GiB + 1") << quint64(4294967297u) << "4,294,967,297"
                                   << "4,194,305";
        QTest::newRow("2 TB") << quint64(2000000000000u) << "2,000,000,000,000"
                              << "1,953,125,000";
    }
    void sizeText()
    {
        QFETCH(quint64, bytes);
        QFETCH(QString, bytesText);
        QFETCH(QString, kilobyteText);
        QCOMPARE(tovane::sizeText(bytes, false), bytesText);
        QCOMPARE(tovane::sizeText(bytes, true), kilobyteText);
    }

    void sizeSortKey_data()
    {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<QString>("key");
        QTest::newRow("zero") << quint64(0) << "000000000000";
        QTest::newRow("4 GiB") << quint64(4294967296u) << "004294967296";
        QTest::newRow("largest kept whole") << quint64(999999999999u) << "999999999999";
        QTest::newRow("10^12 keeps last digits") << quint64(1000000000000u) << "000000000000";
        QTest::newRow("above 10^12") << quint64(1234567890123u) << "234567890123";
        QTest::newRow("largest 64-bit") << ~quint64(0) << "073709551615";
    }
    void sizeSortKey()
    {
        QFETCH(quint64, bytes);
        QFETCH(QString, key);
        QCOMPARE(tovane::sizeSortKey(bytes), key);
        QCOMPARE(tovane::sizeSortKey(bytes).size(), 12);
    }

    // The list sorts the size column by comparing keys as text.
    void sizeKeysSortLikeSizes()
    {
        QList<quint64> sizes = {0,          1,          9,          10,          99,
                                100,        1023,       1024,       65536,       999999,
                                4294967295, 4294967296, 4294967297, 99999999999, 999999999999};
        std::mt19937 random(7);
        std::shuffle(sizes.begin(), sizes.end(), random);
        QList<quint64> byKey = sizes;
        std::sort(byKey.begin(), byKey.end(), [](quint64 a, quint64 b) {
            return tovane::sizeSortKey(a) < tovane::sizeSortKey(b);
        });
        std::sort(sizes.begin(), sizes.end());
        QCOMPARE(byKey, sizes);
    }

    void fileTimeText_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("utcSeconds");
        QTest::addColumn<qint64>("extraNs");
        QTest::addColumn<QString>("text");
        // 2009-03-04 22:08:09 UTC is 07:08:09 on the 5th in Japan.
        QTest::newRow("Japan, zero padded")
            << QByteArray("JST-9") << qint64(1236204489) << qint64(0) << "2009/03/05 07:08:09";
        QTest::newRow("fraction dropped") << QByteArray("JST-9") << qint64(1236204489)
                                          << qint64(999999999) << "2009/03/05 07:08:09";
        QTest::newRow("epoch in UTC")
            << QByteArray("UTC0") << qint64(0) << qint64(0) << "1970/01/01 00:00:00";
        QTest::newRow("before 1970 floors")
            << QByteArray("UTC0") << qint64(0) << qint64(-1) << "1969/12/31 23:59:59";
        QTest::newRow("west of UTC, day before")
            << QByteArray("EST5") << qint64(1236218400) << qint64(0) << "2009/03/04 21:00:00";
        // The offset is the one in force at that date, not today's.
        const QByteArray europe("CET-1CEST,M3.5.0,M10.5.0/3");
        QTest::newRow("summer time")
            << europe << qint64(1625140800) << qint64(0) << "2021/07/01 14:00:00";
        QTest::newRow("winter time")
            << europe << qint64(1609502400) << qint64(0) << "2021/01/01 13:00:00";
        QTest::newRow("far future")
            << QByteArray("UTC0") << qint64(4102444799) << qint64(0) << "2099/12/31 23:59:59";
    }
    void fileTimeText()
    {
        QFETCH(QByteArray, zone);
        QFETCH(qint64, utcSeconds);
        QFETCH(qint64, extraNs);
        QFETCH(QString, text);
        setZone(zone);
        QCOMPARE(tovane::fileTimeText(utcSeconds * Second + extraNs), text);
    }

    // Times converted one after another, as a listing does: every one gets
    // the offset of its own instant, also right around a change of offset.
    void timesAroundOffsetChange_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QList<qint64>>("utcSeconds");
        QTest::addColumn<QStringList>("texts");
        const qint64 spring = 1616893620; // 2021-03-28 01:07:00 UTC
        QTest::newRow("change at an odd minute")
            << QByteArray("CET-1CEST,M3.5.0/2:07,M10.5.0/3")
            << QList<qint64>{spring - 1, spring, spring - 60, spring + 60}
            << QStringList{"2021/03/28 02:06:59", "2021/03/28 03:07:00", "2021/03/28 02:06:00",
                           "2021/03/28 03:08:00"};
        const qint64 autumn = 1635642000; // 2021-10-31 01:00:00 UTC
        QTest::newRow("autumn hour shown twice")
            << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3")
            << QList<qint64>{autumn - 1800, autumn + 1800, autumn - 1, autumn}
            << QStringList{"2021/10/31 02:30:00", "2021/10/31 02:30:00", "2021/10/31 02:59:59",
                           "2021/10/31 02:00:00"};
        QTest::newRow("zone changed between calls")
            << QByteArray("JST-9") << QList<qint64>{0, 1}
            << QStringList{"1970/01/01 09:00:00", "1970/01/01 09:00:01"};
    }
    void timesAroundOffsetChange()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QList<qint64>, utcSeconds);
        QFETCH(QStringList, texts);
        setZone("UTC0");
        QCOMPARE(tovane::fileTimeText(0), u"1970/01/01 00:00:00"_qs);
        setZone(zone);
        QStringList shown;
        for (qint64 s : utcSeconds)
            shown.append(tovane::fileTimeText(s * Second));
        QCOMPARE(shown, texts);
    }

    void attributeLetters_data()
    {
        QTest::addColumn<quint32>("attributes");
        QTest::addColumn<QString>("letters");
        QTest::newRow("none") << 0u << "";
        QTest::newRow("read-only archive") << quint32(AttrReadOnly | AttrArchive) << "RA";
        QTest::newRow("plain folder") << quint32(AttrDirectory) << " ";
        QTest::newRow("hidden folder") << quint32(AttrDirectory | AttrHidden) << "H ";
        QTest::newRow("all in table order")
            << quint32(AttrDirectory | AttrCompressed | AttrArchive | AttrSystem | AttrHidden |
                       AttrReadOnly)
            << "RHSAC ";
        QTest::newRow("bits outside the table") << quint32(64 | 128 | 8) << "";
    }
    void attributeLetters()
    {
        QFETCH(quint32, attributes);
        QFETCH(QString, letters);
        QCOMPARE(tovane::attributeLetters(attributes), letters);
    }

    void attributeNumber_data()
    {
        QTest::addColumn<quint32>("attributes");
        QTest::addColumn<QString>("text");
        QTest::newRow("archive read-only") << 33u << "33";
        QTest::newRow("folder") << 16u << "16";
        QTest::newRow("high bits dropped") << quint32(0x18000 | 2048) << "2048";
    }
    void attributeNumber()
    {
        QFETCH(quint32, attributes);
        QFETCH(QString, text);
        QCOMPARE(attributeNumberText(attributes), text);
    }

    void hiddenMask_data()
    {
        QTest::addColumn<quint32>("attributes");
        QTest::addColumn<quint32>("mask");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("no mask") << quint32(AttrHidden | AttrReadOnly) << 0u << false;
        QTest::newRow("shares read-only")
            << quint32(AttrReadOnly | AttrArchive) << quint32(AttrReadOnly) << true;
        QTest::newRow("compressed") << quint32(AttrCompressed) << quint32(AttrCompressed) << true;
        QTest::newRow("other bit only") << quint32(AttrHidden) << quint32(AttrSystem) << false;
        // Only R, H, S and C can hide: a stray folder or archive bit must not
        // empty every listing.
        QTest::newRow("folder bit ignored") << quint32(AttrDirectory) << 0xFFFFu << false;
        QTest::newRow("archive bit ignored")
            << quint32(AttrArchive) << quint32(AttrArchive) << false;
    }
    void hiddenMask()
    {
        QFETCH(quint32, attributes);
        QFETCH(quint32, mask);
        QFETCH(bool, hidden);
        QCOMPARE(hiddenByMask(attributes, mask), hidden);
    }

    void folderSortsBeforeFiles()
    {
        const QStringList keys = {nameSortKey(u"aaa"_qs, false), nameSortKey(u"zzz"_qs, true),
                                  nameSortKey(u"!"_qs, false), nameSortKey(u"~"_qs, true)};
        QStringList sorted = keys;
        sorted.sort();
        QCOMPARE(sorted, QStringList({u" zzz"_qs, u" ~"_qs, u"!"_qs, u"aaa"_qs}));
    }

    void rowTexts_data()
    {
        QTest::addColumn<quint32>("attributes");
        QTest::addColumn<quint64>("size");
        QTest::addColumn<bool>("kilobytes");
        QTest::addColumn<double>("folderSize");
        QTest::addColumn<QString>("sizeCell");
        QTest::addColumn<QString>("sizeKey");
        QTest::addColumn<QString>("nameKey");
        QTest::newRow("file") << quint32(AttrArchive) << quint64(1025) << false << -1.0 << "1,025"
                              << "000000001025"
                              << "item";
        QTest::newRow("file in kB") << quint32(AttrArchive) << quint64(1025) << true << -1.0 << "2"
                                    << "000000001025"
                                    << "item";
        QTest::newRow("folder without size")
            << quint32(AttrDirectory) << quint64(0) << false << -1.0 << " "
            << "000000000000"
            << " item";
        QTest::newRow("empty folder with size")
            << quint32(AttrDirectory) << quint64(0) << false << 0.0 << "0"
            << "000000000000"
            << " item";
        QTest::newRow("folder size in kB")
            << quint32(AttrDirectory) << quint64(0) << true << 1025.0 << "2"
            << "000000001025"
            << " item";
        QTest::newRow("file ignores folder size") << 0u << quint64(7) << false << 5000.0 << "7"
                                                  << "000000000007"
                                                  << "item";
    }
    void rowTexts()
    {
        QFETCH(quint32, attributes);
        QFETCH(quint64, size);
        QFETCH(bool, kilobytes);
        QFETCH(double, folderSize);
        QFETCH(QString, sizeCell);
        QFETCH(QString, sizeKey);
        QFETCH(QString, nameKey);
        setZone("UTC0");
        ItemRecord r = record(u"item"_qs, attributes, size);
        r.writeTime = 86400 * Second;
        const ItemTexts t = itemTexts(r, kilobytes, folderSize);
        QCOMPARE(t.text, u"item"_qs);
        QCOMPARE(t.key, u"item/"_qs);
        QCOMPARE(t.size, sizeCell);
        QCOMPARE(t.sizeKey, sizeKey);
        QCOMPARE(t.nameKey, nameKey);
        QCOMPARE(t.time, u"1970/01/02 00:00:00"_qs);
        QCOMPARE(t.attributes, tovane::attributeLetters(attributes));
        QCOMPARE(t.attributeNumber, QString::number(attributes));
    }
};

QTEST_GUILESS_MAIN(ItemTextTest)
#include "tst_itemtext.moc"
