#include "platform/dosattrib.h"

#include <QtTest>

#include <limits>

using namespace tovane::platform;

namespace {

// Builds records byte by byte; every padding byte is spelled out by the row
// that needs it, so the expected layout never comes from the codec.
class Blob {
public:
    Blob& text(const char* s)
    {
        m_bytes.append(s);
        m_bytes.append('\0');
        return *this;
    }
    Blob& raw(const QByteArray& bytes)
    {
        m_bytes.append(bytes);
        return *this;
    }
    Blob& pad(int n)
    {
        m_bytes.append(QByteArray(n, '\0'));
        return *this;
    }
    Blob& le(quint64 v, int size)
    {
        for (int i = 0; i < size; ++i)
            m_bytes.append(char((v >> (8 * i)) & 0xFF));
        return *this;
    }
    Blob& be(quint64 v, int size)
    {
        for (int i = size - 1; i >= 0; --i)
            m_bytes.append(char((v >> (8 * i)) & 0xFF));
        return *this;
    }
    Blob& u16(quint16 v) { return le(v, 2); }
    Blob& u32(quint32 v) { return le(v, 4); }
    Blob& u64(quint64 v) { return le(v, 8); }
    Blob& chop(int n)
    {
        m_bytes.chop(n);
        return *this;
    }
    operator QByteArray() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

constexpr quint64 kNtSample = 0x01D6442D39BD7734ULL; // 2020-06-16 22:26:48.694354 UTC
constexpr qint64 kNsSample = 1592346408694354000LL;
constexpr quint64 kNtSample4 = 0x01D6BDD58116BC9AULL;
constexpr qint64 kNsSample4 = 1605722774544297000LL;

// A version 3 record as a Samba server stores it for an archive file:
// "0x20", NUL, one byte to reach an even offset, version and level, two
// bytes to reach a multiple of four, then the info3 fields.
QByteArray sambaV3(quint32 flags, quint64 createTime)
{
    return Blob()
        .text("0x20")
        .pad(1)
        .u16(3)
        .u16(3)
        .pad(2)
        .u32(flags)
        .u32(0x20)
        .u32(0)
        .u64(0)
        .u64(0)
        .u64(createTime)
        .u64(0);
}

} // namespace

class DosAttribTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("blob");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<uint>("attributes");
        QTest::addColumn<bool>("hasCreate");
        QTest::addColumn<qint64>("createNs");

        // Text only, as older servers and some tools write it.
        QTest::newRow("hex only") << QByteArray("0x22") << true << 0x22u << false << qint64(0);
        QTest::newRow("hex only with NUL")
            << QByteArray("0x22", 5) << true << 0x22u << false << qint64(0);
        QTest::newRow("hex zero") << QByteArray("0x0") << true << 0u << false << qint64(0);
        QTest::newRow("hex capital X")
            << QByteArray("0X2f") << true << 0x2Fu << false << qint64(0);
        QTest::newRow("hex eight digits")
            << QByteArray("0xffffffff") << true << 0xFFFFFFFFu << false << qint64(0);
        QTest::newRow("hex NUL and padding")
            << QByteArray("0x20\0\0", 6) << true << 0x20u << false << qint64(0);

        // Garbage text is never trusted.
        QTest::newRow("empty") << QByteArray() << false << 0u << false << qint64(0);
        QTest::newRow("NUL only") << QByteArray(1, '\0') << false << 0u << false << qint64(0);
        QTest::newRow("prefix only") << QByteArray("0x") << false << 0u << false << qint64(0);
        QTest::newRow("no prefix") << QByteArray("22") << false << 0u << false << qint64(0);
        QTest::newRow("not hex") << QByteArray("0xZZ", 5) << false << 0u << false << qint64(0);
        QTest::newRow("trailing junk")
            << QByteArray("0x20 ") << false << 0u << false << qint64(0);
        QTest::newRow("nine digits")
            << QByteArray("0x123456789") << false << 0u << false << qint64(0);
        QTest::newRow("junk text before good record")
            << QByteArray(Blob().text("zz").pad(1).u16(5).u16(5).pad(2).u32(0x11).u32(0x20).u64(
                   kNtSample))
            << false << 0u << false << qint64(0);

        // Version 3.
        QTest::newRow("v3 sample") << sambaV3(0x11, kNtSample) << true << 0x20u << true
                                   << kNsSample;
        QTest::newRow("v3 create time not flagged")
            << sambaV3(0x01, kNtSample) << true << 0x20u << false << qint64(0);
        QTest::newRow("v3 flagged zero create time")
            << sambaV3(0x11, 0) << true << 0x20u << false << qint64(0);
        QTest::newRow("v3 flagged sentinel create time")
            << sambaV3(0x11, ~0ULL) << true << 0x20u << false << qint64(0);
        QTest::newRow("v3 all known flags")
            << sambaV3(0x7F, kNtSample) << true << 0x20u << true << kNsSample;
        QTest::newRow("v3 trailing bytes tolerated")
            << QByteArray(sambaV3(0x11, kNtSample) + QByteArray(4, '\0')) << true << 0x20u
            << true << kNsSample;
        QTest::newRow("v3 binary wins over text")
            << QByteArray(Blob()
                              .text("0x1")
                              .u16(3)
                              .u16(3)
                              .u32(0x01)
                              .u32(0x22)
                              .u32(0)
                              .u64(0)
                              .u64(0)
                              .u64(0)
                              .u64(0))
            << true << 0x22u << false << qint64(0);

        // Without the ATTRIB flag the record's attrib field means nothing:
        // the text decides, and without a good text there is no record.
        const auto v3With = [](const char* text, quint32 flags) {
            return QByteArray(Blob()
                                  .text(text)
                                  .u16(3)
                                  .u16(3)
                                  .u32(flags)
                                  .u32(0x26)
                                  .u32(0)
                                  .u64(0)
                                  .u64(0)
                                  .u64(kNtSample)
                                  .u64(0));
        };
        QTest::newRow("v3 attributes not flagged, text differs")
            << v3With("0x1", 0x10) << true << 0x01u << false << qint64(0);
        QTest::newRow("v3 no flags at all, text differs")
            << v3With("0x2", 0x00) << true << 0x02u << false << qint64(0);
        QTest::newRow("v3 attributes flagged, text differs")
            << v3With("0x1", 0x11) << true << 0x26u << true << kNsSample;
        QTest::newRow("v5 attributes not flagged, empty text")
            << QByteArray(
                   Blob().text("").pad(1).u16(5).u16(5).pad(2).u32(0x10).u32(0x26).u64(kNtSample))
            << false << 0u << false << qint64(0);
        const QByteArray v4ItimeOnly = Blob()
                                           .text("")
                                           .pad(1)
                                           .u16(4)
                                           .u16(4)
                                           .pad(2)
                                           .u32(0x40)
                                           .u32(0x22)
                                           .u64(kNtSample4)
                                           .u64(kNtSample4);
        QTest::newRow("v4 only itime flagged, empty text")
            << v4ItimeOnly << false << 0u << false << qint64(0);

        // Versions 1 and 2 have no valid flags: a non-zero time counts.
        const QByteArray v1 = Blob()
                                  .text("0x21")
                                  .pad(1)
                                  .u16(1)
                                  .u16(1)
                                  .pad(2)
                                  .u32(0x21)
                                  .u32(0)
                                  .u64(0)
                                  .u64(0)
                                  .u64(kNtSample)
                                  .u64(0);
        QTest::newRow("v1") << v1 << true << 0x21u << true << kNsSample;
        QTest::newRow("v1 zero create time")
            << QByteArray(Blob().text("0x1").u16(1).u16(1).u32(0x01).u32(0).u64(0).u64(0).u64(0).u64(
                   0))
            << true << 0x01u << false << qint64(0);
        QTest::newRow("v2")
            << QByteArray(Blob()
                              .text("0x2")
                              .u16(2)
                              .u16(2)
                              .u32(0)
                              .u32(0x02)
                              .u32(0)
                              .u64(0)
                              .u64(0)
                              .u64(kNtSample)
                              .u64(0)
                              .u64(0)
                              .text(""))
            << true << 0x02u << true << kNsSample;

        // Version 4 as written from 4.11 on: empty text, info4 with itime.
        const QByteArray v4 = Blob()
                                  .text("")
                                  .pad(1)
                                  .u16(4)
                                  .u16(4)
                                  .pad(2)
                                  .u32(0x51)
                                  .u32(0x22)
                                  .u64(kNtSample4)
                                  .u64(kNtSample4);
        QTest::newRow("v4 sample") << v4 << true << 0x22u << true << kNsSample4;
        QTest::newRow("v4 itime only")
            << QByteArray(Blob()
                              .text("")
                              .pad(1)
                              .u16(4)
                              .u16(4)
                              .pad(2)
                              .u32(0x41)
                              .u32(0x22)
                              .u64(kNtSample4)
                              .u64(0))
            << true << 0x22u << false << qint64(0);

        const QByteArray v5 =
            Blob().text("").pad(1).u16(5).u16(5).pad(2).u32(0x11).u32(0x26).u64(kNtSample);
        QTest::newRow("v5") << v5 << true << 0x26u << true << kNsSample;
        QTest::newRow("v5 create time not flagged")
            << QByteArray(Blob().text("").pad(1).u16(5).u16(5).pad(2).u32(0x01).u32(0x26).u64(
                   kNtSample))
            << true << 0x26u << false << qint64(0);

        // Damaged records: the text's attributes when the text is good,
        // otherwise nothing.
        QTest::newRow("v3 truncated, good text")
            << QByteArray(Blob().raw(sambaV3(0x11, kNtSample)).chop(4)) << true << 0x20u << false
            << qint64(0);
        QTest::newRow("v4 truncated, empty text")
            << QByteArray(Blob().raw(v4).chop(1)) << false << 0u << false << qint64(0);
        QTest::newRow("v5 truncated, empty text")
            << QByteArray(Blob().raw(v5).chop(8)) << false << 0u << false << qint64(0);
        QTest::newRow("only the version after text")
            << QByteArray(Blob().text("0x20").pad(1).u16(3)) << true << 0x20u << false
            << qint64(0);
        QTest::newRow("level differs from version")
            << QByteArray(Blob()
                              .text("0x20")
                              .pad(1)
                              .u16(3)
                              .u16(4)
                              .pad(2)
                              .u32(0x11)
                              .u32(0x27)
                              .u32(0)
                              .u64(0)
                              .u64(0)
                              .u64(kNtSample)
                              .u64(0))
            << true << 0x20u << false << qint64(0);
        QTest::newRow("level differs, empty text")
            << QByteArray(Blob().text("").pad(1).u16(5).u16(4).pad(2).u32(0x11).u32(0x26).u64(
                   kNtSample))
            << false << 0u << false << qint64(0);
        QTest::newRow("unknown version 6")
            << QByteArray(Blob().text("0x20").pad(1).u16(6).u16(6).pad(2).u32(0x11).u32(0x27).u64(
                   kNtSample))
            << true << 0x20u << false << qint64(0);
        QTest::newRow("version 0xFFFF in binary")
            << QByteArray(Blob().text("0x20").pad(1).u16(0xFFFF).u16(0xFFFF).pad(2).u32(0x11))
            << true << 0x20u << false << qint64(0);
        QTest::newRow("version 0")
            << QByteArray(Blob().text("").pad(1).u16(0).u16(0).pad(2).u32(0x11).u32(0x26).u64(
                   kNtSample))
            << false << 0u << false << qint64(0);

        // Writers that got the layout wrong.
        QTest::newRow("big-endian v3, good text")
            << QByteArray(Blob()
                              .text("0x20")
                              .pad(1)
                              .be(3, 2)
                              .be(3, 2)
                              .pad(2)
                              .be(0x11, 4)
                              .be(0x20, 4)
                              .be(0, 4)
                              .be(0, 8)
                              .be(0, 8)
                              .be(kNtSample, 8)
                              .be(0, 8))
            << true << 0x20u << false << qint64(0);
        QTest::newRow("big-endian v5, empty text")
            << QByteArray(Blob()
                              .text("")
                              .pad(1)
                              .be(5, 2)
                              .be(5, 2)
                              .pad(2)
                              .be(0x11, 4)
                              .be(0x26, 4)
                              .be(kNtSample, 8))
            << false << 0u << false << qint64(0);
        QTest::newRow("big-endian fields after a good version")
            << QByteArray(Blob()
                              .text("")
                              .pad(1)
                              .u16(5)
                              .u16(5)
                              .pad(2)
                              .be(0x11, 4)
                              .be(0x26, 4)
                              .be(kNtSample, 8))
            << false << 0u << false << qint64(0);
        QTest::newRow("no alignment padding")
            << QByteArray(Blob()
                              .text("0x20")
                              .u16(3)
                              .u16(3)
                              .u32(0x11)
                              .u32(0x20)
                              .u32(0)
                              .u64(0)
                              .u64(0)
                              .u64(kNtSample)
                              .u64(0))
            << true << 0x20u << false << qint64(0);
        // Level written as 32 bits where no padding belongs (after a text of
        // even length plus NUL): the flags land two bytes late.
        QTest::newRow("two stray bytes after the level")
            << QByteArray(Blob()
                              .text("0x1")
                              .u16(3)
                              .u32(3)
                              .u32(0x11)
                              .u32(0x01)
                              .u32(0)
                              .u64(0)
                              .u64(0)
                              .u64(kNtSample)
                              .u64(0))
            << true << 0x01u << false << qint64(0);
    }
    void decode()
    {
        QFETCH(QByteArray, blob);
        QFETCH(bool, ok);
        QFETCH(uint, attributes);
        QFETCH(bool, hasCreate);
        QFETCH(qint64, createNs);

        DosInfo untouched;
        untouched.attributes = 0xDEAD;
        untouched.hasCreateTime = true;
        untouched.createTime = 42;
        DosInfo info = untouched;
        QCOMPARE(decodeDosAttrib(blob, info), ok);
        if (!ok) {
            QCOMPARE(info.attributes, untouched.attributes);
            QCOMPARE(info.createTime, untouched.createTime);
            return;
        }
        QCOMPARE(info.attributes, quint32(attributes));
        QCOMPARE(info.hasCreateTime, hasCreate);
        if (hasCreate)
            QCOMPARE(info.createTime, createNs);
    }

    void encodeMatchesSambaRecord()
    {
        DosInfo info;
        info.attributes = 0x20;
        info.hasCreateTime = true;
        info.createTime = kNsSample;
        QCOMPARE(encodeDosAttrib(info), sambaV3(0x11, kNtSample));

        info.hasCreateTime = false;
        QCOMPARE(encodeDosAttrib(info), sambaV3(0x01, 0));
    }

    void encodedSize_data()
    {
        QTest::addColumn<uint>("attributes");
        QTest::addColumn<int>("size");
        // The text length decides the padding before and after the version.
        QTest::newRow("0x1") << 0x1u << 52;
        QTest::newRow("0x20") << 0x20u << 56;
        QTest::newRow("0x123") << 0x123u << 56;
        QTest::newRow("0x2020") << 0x2020u << 56;
        QTest::newRow("0x12345") << 0x12345u << 56;
        QTest::newRow("0x123456") << 0x123456u << 60;
        QTest::newRow("0xffffffff") << 0xFFFFFFFFu << 60;
    }
    void encodedSize()
    {
        QFETCH(uint, attributes);
        QFETCH(int, size);
        DosInfo info;
        info.attributes = attributes;
        const QByteArray blob = encodeDosAttrib(info);
        QCOMPARE(blob.size(), size);
        const QByteArray text = "0x" + QByteArray::number(attributes, 16);
        QVERIFY(blob.startsWith(text + '\0'));
        // Little-endian version 3 right after the padded text.
        const qsizetype at = (text.size() + 2) & ~qsizetype(1);
        QCOMPARE(blob.mid(at, 4), QByteArray("\x03\x00\x03\x00", 4));
    }

    void roundTrip_data()
    {
        QTest::addColumn<uint>("attributes");
        QTest::addColumn<bool>("hasCreate");
        QTest::addColumn<qint64>("createNs");
        QTest::newRow("nothing") << 0u << false << qint64(0);
        QTest::newRow("read-only") << 0x1u << false << qint64(0);
        QTest::newRow("RHSA") << 0x27u << false << qint64(0);
        QTest::newRow("all bits") << 0xFFFFFFFFu << false << qint64(0);
        QTest::newRow("archive with time") << 0x20u << true << kNsSample;
        QTest::newRow("at the epoch") << 0x20u << true << qint64(0);
        QTest::newRow("before 1970") << 0x2u << true << qint64(-86400LL * 365 * 1000000000LL);
        QTest::newRow("year 2200") << 0x4u << true << qint64(7258118400LL * 1000000000LL);
    }
    void roundTrip()
    {
        QFETCH(uint, attributes);
        QFETCH(bool, hasCreate);
        QFETCH(qint64, createNs);
        DosInfo in;
        in.attributes = attributes;
        in.hasCreateTime = hasCreate;
        in.createTime = createNs;
        DosInfo out;
        QVERIFY(decodeDosAttrib(encodeDosAttrib(in), out));
        QCOMPARE(out.attributes, in.attributes);
        // The epoch itself is a real time, not "no time".
        QCOMPARE(out.hasCreateTime, hasCreate);
        if (hasCreate)
            QCOMPARE(out.createTime, createNs);
    }

    void subTickPrecisionIsFloored()
    {
        DosInfo in;
        in.hasCreateTime = true;
        in.createTime = kNsSample + 99;
        DosInfo out;
        QVERIFY(decodeDosAttrib(encodeDosAttrib(in), out));
        QCOMPARE(out.createTime, kNsSample);
    }

    void ntToUnix_data()
    {
        QTest::addColumn<quint64>("nt");
        QTest::addColumn<qint64>("ns");
        constexpr qint64 kMax = std::numeric_limits<qint64>::max();
        constexpr qint64 kMin = std::numeric_limits<qint64>::min();
        QTest::newRow("unix epoch") << quint64(116444736000000000ULL) << qint64(0);
        QTest::newRow("one tick after") << quint64(116444736000000001ULL) << qint64(100);
        QTest::newRow("one tick before") << quint64(116444735999999999ULL) << qint64(-100);
        QTest::newRow("2000-01-01") << quint64(125911584000000000ULL)
                                    << qint64(946684800LL * 1000000000LL);
        QTest::newRow("1601 clamps") << quint64(0) << kMin;
        QTest::newRow("largest clamps") << std::numeric_limits<quint64>::max() << kMax;
        QTest::newRow("signed max clamps") << quint64(std::numeric_limits<qint64>::max()) << kMax;
    }
    void ntToUnix()
    {
        QFETCH(quint64, nt);
        QFETCH(qint64, ns);
        QCOMPARE(ntTimeToUnixNs(nt), ns);
    }

    void unixToNt_data()
    {
        QTest::addColumn<qint64>("ns");
        QTest::addColumn<quint64>("nt");
        QTest::newRow("epoch") << qint64(0) << quint64(116444736000000000ULL);
        QTest::newRow("1 ns before epoch") << qint64(-1) << quint64(116444735999999999ULL);
        QTest::newRow("99 ns") << qint64(99) << quint64(116444736000000000ULL);
        QTest::newRow("2000-01-01") << qint64(946684800LL * 1000000000LL)
                                    << quint64(125911584000000000ULL);
        QTest::newRow("smallest") << std::numeric_limits<qint64>::min()
                                  << quint64(24211015631452241ULL);
        QTest::newRow("largest") << std::numeric_limits<qint64>::max()
                                 << quint64(208678456368547758ULL);
    }
    void unixToNt()
    {
        QFETCH(qint64, ns);
        QFETCH(quint64, nt);
        QCOMPARE(unixNsToNtTime(ns), nt);
    }
};

QTEST_GUILESS_MAIN(DosAttribTest)
#include "tst_dosattrib.moc"
