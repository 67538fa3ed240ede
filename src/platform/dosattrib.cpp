#include "platform/dosattrib.h"

#include <limits>

namespace tovane::platform {

namespace {

// Seconds from 1601-01-01 to 1970-01-01, in 100 ns ticks.
constexpr qint64 kEpochDeltaTicks = 11644473600LL * 10000000LL;

constexpr quint32 kValidAttrib = 0x01;
constexpr quint32 kValidCreateTime = 0x10;
// Every flag the layout defines (ATTRIB .. ITIME). A record with other bits
// was written wrongly (byte order, misalignment) and is not trusted.
constexpr quint32 kKnownValidFlags = 0x7F;

// Sentinels that mean "no time", never a real creation time.
bool isNullNtTime(quint64 t)
{
    return t == 0 || t >= std::numeric_limits<quint64>::max() - 1;
}

class Reader {
public:
    explicit Reader(QByteArrayView data, qsizetype pos) : m_data(data), m_pos(pos) {}

    // NDR aligns every scalar to its size (4 for 64-bit NTTIME/udlong).
    bool align(qsizetype n)
    {
        m_pos = (m_pos + n - 1) / n * n;
        return m_pos <= m_data.size();
    }
    bool u16(quint16& v)
    {
        if (!align(2) || m_data.size() - m_pos < 2)
            return false;
        v = quint16(byte(0) | byte(1) << 8);
        m_pos += 2;
        return true;
    }
    bool u32(quint32& v)
    {
        if (!align(4) || m_data.size() - m_pos < 4)
            return false;
        v = byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
        m_pos += 4;
        return true;
    }
    bool u64(quint64& v)
    {
        quint32 lo = 0, hi = 0;
        if (!u32(lo) || !u32(hi))
            return false;
        v = quint64(hi) << 32 | lo;
        return true;
    }
    bool skip32(int count)
    {
        quint32 ignored;
        for (int i = 0; i < count; ++i)
            if (!u32(ignored))
                return false;
        return true;
    }

private:
    quint32 byte(qsizetype i) const { return quint8(m_data[m_pos + i]); }
    QByteArrayView m_data;
    qsizetype m_pos;
};

class Writer {
public:
    void align(qsizetype n)
    {
        while (m_out.size() % n)
            m_out.append('\0');
    }
    void u16(quint16 v)
    {
        align(2);
        m_out.append(char(v & 0xFF));
        m_out.append(char(v >> 8));
    }
    void u32(quint32 v)
    {
        align(4);
        for (int i = 0; i < 4; ++i)
            m_out.append(char((v >> (8 * i)) & 0xFF));
    }
    void u64(quint64 v)
    {
        u32(quint32(v));
        u32(quint32(v >> 32));
    }
    void text(const QByteArray& s)
    {
        m_out.append(s);
        m_out.append('\0');
    }
    QByteArray result() const { return m_out; }

private:
    QByteArray m_out;
};

// "0x" and 1..8 hex digits, as every writer of the record produces it.
bool parseHexText(QByteArrayView text, quint32& value)
{
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return false;
    quint32 v = 0;
    for (qsizetype i = 2; i < text.size(); ++i) {
        const char c = text[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v << 4 | quint32(d);
    }
    value = v;
    return true;
}

// The binary union after the hex text; `pos` is just past the text's NUL.
bool decodeBinary(QByteArrayView blob, qsizetype pos, DosInfo& out)
{
    Reader r(blob, pos);
    quint16 version = 0, level = 0;
    if (!r.u16(version) || !r.u16(level) || version != level)
        return false;

    DosInfo info;
    quint32 validFlags = 0;
    quint64 createTime = 0;
    switch (version) {
    case 1: // attrib, ea_size, size, alloc_size, create_time, change_time
        if (!r.u32(info.attributes) || !r.skip32(1 + 2 + 2) || !r.u64(createTime) || !r.skip32(2))
            return false;
        validFlags = isNullNtTime(createTime) ? 0 : kValidCreateTime;
        break;
    case 2: // flags, attrib, ea_size, size, alloc_size, create, change, write, name
        if (!r.skip32(1) || !r.u32(info.attributes) || !r.skip32(1 + 2 + 2) ||
            !r.u64(createTime) || !r.skip32(2 + 2))
            return false;
        validFlags = isNullNtTime(createTime) ? 0 : kValidCreateTime;
        break;
    case 3: // valid_flags, attrib, ea_size, size, alloc_size, create_time, change_time
        if (!r.u32(validFlags) || !r.u32(info.attributes) || !r.skip32(1 + 2 + 2) ||
            !r.u64(createTime) || !r.skip32(2))
            return false;
        break;
    case 4: // valid_flags, attrib, itime, create_time
        if (!r.u32(validFlags) || !r.u32(info.attributes) || !r.skip32(2) || !r.u64(createTime))
            return false;
        break;
    case 5: // valid_flags, attrib, create_time
        if (!r.u32(validFlags) || !r.u32(info.attributes) || !r.u64(createTime))
            return false;
        break;
    default:
        return false;
    }
    if (version >= 3 && (validFlags & ~kKnownValidFlags))
        return false;
    // Without ATTRIB the record's attrib field is whatever the writer left
    // there; the whole record is not trusted, as Samba does.
    if (version >= 3 && !(validFlags & kValidAttrib))
        return false;
    if ((validFlags & kValidCreateTime) && !isNullNtTime(createTime)) {
        info.hasCreateTime = true;
        info.createTime = ntTimeToUnixNs(createTime);
    }
    out = info;
    return true;
}

} // namespace

bool decodeDosAttrib(QByteArrayView blob, DosInfo& out)
{
    const qsizetype nul = blob.indexOf('\0');
    const QByteArrayView text = nul < 0 ? blob : blob.first(nul);
    quint32 hexValue = 0;
    const bool hexValid = parseHexText(text, hexValue);
    // An empty text is normal for the newer versions; anything else must parse.
    if (!text.isEmpty() && !hexValid)
        return false;

    if (nul >= 0 && nul + 1 < blob.size() && decodeBinary(blob, nul + 1, out))
        return true;
    if (!hexValid)
        return false;
    // Text only, or a damaged record after good text: the text's attributes.
    out = DosInfo();
    out.attributes = hexValue;
    return true;
}

QByteArray encodeDosAttrib(const DosInfo& info)
{
    const quint64 createTime = info.hasCreateTime ? unixNsToNtTime(info.createTime) : 0;
    quint32 validFlags = kValidAttrib;
    if (info.hasCreateTime)
        validFlags |= kValidCreateTime;

    Writer w;
    w.text("0x" + QByteArray::number(info.attributes, 16));
    w.u16(3); // version
    w.u16(3); // union level, the same value again
    w.u32(validFlags);
    w.u32(info.attributes);
    w.u32(0);          // ea_size
    w.u64(0);          // size
    w.u64(0);          // alloc_size
    w.u64(createTime); // create_time
    w.u64(0);          // change_time
    return w.result();
}

qint64 ntTimeToUnixNs(quint64 ntTime)
{
    const __int128 ns = (__int128(ntTime) - kEpochDeltaTicks) * 100;
    if (ns > std::numeric_limits<qint64>::max())
        return std::numeric_limits<qint64>::max();
    if (ns < std::numeric_limits<qint64>::min())
        return std::numeric_limits<qint64>::min();
    return qint64(ns);
}

quint64 unixNsToNtTime(qint64 unixNs)
{
    // Round towards the earlier tick, also before 1970.
    qint64 ticks = unixNs / 100;
    if (unixNs % 100 < 0)
        --ticks;
    const __int128 nt = __int128(ticks) + kEpochDeltaTicks;
    if (nt < 0)
        return 0;
    if (nt > std::numeric_limits<quint64>::max())
        return std::numeric_limits<quint64>::max();
    return quint64(nt);
}

} // namespace tovane::platform
