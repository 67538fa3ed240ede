#include "fs/itemtext.h"

#include "fs/numberformat.h"

#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <cmath>
#include <cstdlib>
#include <string>

namespace tovane {

namespace {

constexpr quint64 SizeKeyModulus = 1000000000000ull; // 10^12: twelve digits
constexpr qint64 NanosecondsPerSecond = 1000000000;

// Writes `value` as exactly `width` digits ending at `out[end - 1]`.
void putDigits(QChar* out, int end, quint64 value, int width)
{
    for (int i = end - 1; i >= end - width; --i) {
        out[i] = QChar(char16_t(u'0' + value % 10));
        value /= 10;
    }
}

quint64 bytesOfFolderSize(double folderSize)
{
    if (!(folderSize >= 0))
        return 0;
    if (folderSize >= 18446744073709551616.0)
        return ~quint64(0);
    return quint64(folderSize);
}

bool hasFolderSize(double folderSize)
{
    return folderSize >= 0 && std::isfinite(folderSize);
}

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - (a % b < 0 ? 1 : 0);
}

int exactOffsetAt(qint64 utcSeconds)
{
    return QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::LocalTime).offsetFromUtc();
}

// Asking the C library for the local offset re-reads the zone every time
// (several microseconds), which a listing of 100,000 times feels. The offset
// is remembered at every sixth hour of UTC; a time between two such points
// that share their offset takes it (no zone changes its offset and back
// within six hours), otherwise it is converted exactly. The memory is dropped
// when TZ changes and after two seconds, so a new system zone is seen soon.
class LocalOffsets {
public:
    int at(qint64 utcSeconds)
    {
        refresh();
        const qint64 span = floorDiv(utcSeconds, SpanSeconds);
        const int first = boundary(span);
        return first == boundary(span + 1) ? first : exactOffsetAt(utcSeconds);
    }

private:
    static constexpr qint64 SpanSeconds = 6 * 3600;
    static constexpr qsizetype MaxEntries = 32768;

    int boundary(qint64 span)
    {
        const auto it = m_offsets.constFind(span);
        if (it != m_offsets.constEnd())
            return *it;
        const int offset = exactOffsetAt(span * SpanSeconds);
        m_offsets.insert(span, offset);
        return offset;
    }

    void refresh()
    {
        const char* zone = std::getenv("TZ");
        const bool sameZone = (zone != nullptr) == m_hasZone && (!zone || m_zone == zone);
        if (m_age.isValid() && m_age.elapsed() < 2000 && sameZone && m_offsets.size() < MaxEntries)
            return;
        m_offsets.clear();
        m_hasZone = zone != nullptr;
        m_zone = zone ? zone : "";
        m_age.start();
    }

    QHash<qint64, int> m_offsets;
    QElapsedTimer m_age;
    std::string m_zone;
    bool m_hasZone = false;
};

} // namespace

const std::array<AttributeEntry, 6>& attributeTable()
{
    static const std::array<AttributeEntry, 6> table{{
        {AttrReadOnly, u"読取専用", u'R'},
        {AttrHidden, u"隠し", u'H'},
        {AttrSystem, u"システム", u'S'},
        {AttrArchive, u"アーカイブ", u'A'},
        {AttrCompressed, u"圧縮", u'C'},
        {AttrDirectory, u"ディレクトリ", u' '},
    }};
    return table;
}

QString sizeText(quint64 bytes, bool kilobyteMode)
{
    if (kilobyteMode)
        return formatCount(toKilobytes(double(bytes)));
    return formatCount(bytes);
}

qint64 localTimeSeconds(qint64 ns)
{
    // Floor division: -0.5 s is 1969-12-31 23:59:59, not 1970-01-01 00:00:00.
    const qint64 seconds = floorDiv(ns, NanosecondsPerSecond);
    thread_local LocalOffsets offsets;
    return seconds + offsets.at(seconds);
}

QString fileTimeText(qint64 ns)
{
    const qint64 local = localTimeSeconds(ns);
    const qint64 secondOfDay = local - floorDiv(local, 86400) * 86400;
    const QDate date = QDate::fromJulianDay(floorDiv(local, 86400) + 2440588); // 1970-01-01
    if (!date.isValid())
        return QString();

    QString text(QStringLiteral("0000/00/00 00:00:00"));
    QChar* out = text.data();
    const int year = date.year();
    putDigits(out, 4, quint64(year < 0 ? 0 : year), 4);
    putDigits(out, 7, quint64(date.month()), 2);
    putDigits(out, 10, quint64(date.day()), 2);
    putDigits(out, 13, quint64(secondOfDay / 3600), 2);
    putDigits(out, 16, quint64(secondOfDay / 60 % 60), 2);
    putDigits(out, 19, quint64(secondOfDay % 60), 2);
    return text;
}

QString attributeLetters(quint32 attributes)
{
    QString letters;
    for (const AttributeEntry& entry : attributeTable()) {
        if (attributes & entry.bit)
            letters += entry.letter;
    }
    return letters;
}

QString nameSortKey(const QString& name, bool isFolder)
{
    return isFolder ? u' ' + name : name;
}

QString sizeSortKey(quint64 bytes)
{
    QString key(12, u'0');
    putDigits(key.data(), 12, bytes % SizeKeyModulus, 12);
    return key;
}

QString attributeNumberText(quint32 attributes)
{
    return QString::number(attributes & AttributeBitsUsed);
}

QString sizeCellText(const ItemRecord& record, bool kilobyteMode, double folderSize)
{
    if (!record.isFolder())
        return sizeText(record.size, kilobyteMode);
    if (!hasFolderSize(folderSize))
        return QStringLiteral(" ");
    return sizeText(bytesOfFolderSize(folderSize), kilobyteMode);
}

QString sizeCellKey(const ItemRecord& record, double folderSize)
{
    if (!record.isFolder())
        return sizeSortKey(record.size);
    if (!hasFolderSize(folderSize))
        return UnknownSizeSortKey.toString();
    return sizeSortKey(bytesOfFolderSize(folderSize));
}

ItemTexts itemTexts(const ItemRecord& record, bool kilobyteMode, double folderSize)
{
    ItemTexts texts;
    texts.text = record.name;
    texts.key = itemKey(record.name);
    texts.size = sizeCellText(record, kilobyteMode, folderSize);
    texts.time = fileTimeText(record.writeTime);
    texts.attributes = attributeLetters(record.attributes);
    texts.nameKey = nameSortKey(record);
    texts.sizeKey = sizeCellKey(record, folderSize);
    texts.attributeNumber = attributeNumberText(record.attributes);
    return texts;
}

} // namespace tovane
