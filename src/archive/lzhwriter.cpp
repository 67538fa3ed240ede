#include "archive/lzhwriter.h"

#include "archive/lzhcodec.h"
#include "platform/filesystem.h"
#include "platform/names.h"
#include "platform/streamfile.h"
#include "viewer/textcodec.h"

#include <QDateTime>
#include <QHash>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace tovane {

namespace {

constexpr qint64 Chunk = qint64(256) * 1024;
constexpr qint64 MaxEntrySize = 0xffffffffLL; // level-2 sizes are 32 bits
constexpr qint64 NanosPerSecond = 1000000000;

quint16 le16(const QByteArray& b, qsizetype at)
{
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

quint32 le32(const QByteArray& b, qsizetype at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 |
           quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24;
}

void put16(QByteArray& b, quint16 v)
{
    b.append(char(v & 0xff));
    b.append(char(v >> 8));
}

void put32(QByteArray& b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}

void set16(QByteArray& b, qsizetype at, quint16 v)
{
    b[at] = char(v & 0xff);
    b[at + 1] = char(v >> 8);
}

void set32(QByteArray& b, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xff);
}

bool hasEscapedBytes(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF)
            return true;
    return false;
}

// The stored name's folders and name, each as the bytes written: raw bytes
// for names read from disk that were no UTF-8, else CP932 when the whole
// name fits it, else UTF-8. Empty when nothing is left of the name.
// `codepage` tells readers which: 932, 65001, or 0 for unknown bytes.
QList<QByteArray> nameParts(const QString& storedName, quint32& codepage)
{
    const QStringList parts = storedName.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QList<QByteArray> out;
    if (parts.isEmpty())
        return out;
    const bool raw = hasEscapedBytes(storedName);
    TextFormat cp932;
    cp932.encoding = TextEncoding::ShiftJis;
    bool fitsCp932 = !raw;
    for (const QString& part : parts) {
        QByteArray bytes;
        if (fitsCp932 && encodeText(part, cp932, bytes) == 0) {
            out.append(bytes);
            continue;
        }
        fitsCp932 = false;
        break;
    }
    if (fitsCp932) {
        codepage = 932;
        return out;
    }
    codepage = raw ? 0 : 65001;
    out.clear();
    for (const QString& part : parts)
        out.append(platform::nameToBytes(part));
    return out;
}

QByteArray joinedKey(const QList<QByteArray>& parts)
{
    QByteArray key;
    for (const QByteArray& p : parts) {
        if (!key.isEmpty())
            key.append('/');
        key.append(p);
    }
    return key;
}

// An entry of the archive being updated, found by readIndex.
struct OldEntry {
    QByteArray key; // folders and name with "/" between, no trailing "/"
    qint64 offset = 0;
    qint64 length = 0;    // header and data
    qint64 writeTime = 0; // seconds since 1970
};

qint64 dosTimeToUnix(quint32 t)
{
    const QDate date(int(1980 + (t >> 25)), int((t >> 21) & 15), int((t >> 16) & 31));
    const QTime time(int((t >> 11) & 31), int((t >> 5) & 63), int((t & 31) * 2));
    const QDateTime dt(date, time.isValid() ? time : QTime(0, 0), Qt::LocalTime);
    return dt.isValid() ? dt.toSecsSinceEpoch() : 0;
}

// Folders and name with one "/" between: headers may end the folder part
// with a separator or not.
QByteArray normalizedKey(const QByteArray& dir, const QByteArray& name)
{
    QByteArray all = dir + char(0xff) + name;
    all.replace(char(0xff), '/');
    QByteArray key;
    for (const QByteArray& part : all.split('/')) {
        if (part.isEmpty())
            continue;
        if (!key.isEmpty())
            key.append('/');
        key.append(part);
    }
    return key;
}

// Level-0 and level-1 names of DOS archivers separate folders with "\\",
// which is also the second byte of some CP932 characters.
QByteArray dosSeparators(QByteArray name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        const quint8 c = quint8(name[i]);
        if ((c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc))
            ++i;
        else if (c == '\\')
            name[i] = '/';
    }
    return name;
}

// Reads exactly `size` bytes; EILSEQ when the file ends first.
int readExact(platform::InputFile& in, QByteArray& out, qint64 size)
{
    out.resize(qsizetype(size));
    qint64 done = 0;
    while (done < size) {
        const qint64 n = in.read(out.data() + done, size - done);
        if (n < 0)
            return int(-n);
        if (n == 0)
            return EILSEQ;
        done += n;
    }
    return 0;
}

bool isMethod(const QByteArray& h)
{
    return h[2] == '-' && h[3] == 'l' && h[6] == '-';
}

// Walks the headers of an existing archive (levels 0, 1 and 2). EILSEQ
// for anything that is not a sound LZH archive.
int readIndex(platform::InputFile& in, std::vector<OldEntry>& entries)
{
    const qint64 fileSize = in.size();
    qint64 offset = 0;
    for (;;) {
        if (int e = in.seek(offset))
            return e;
        QByteArray head;
        if (offset >= fileSize || (readExact(in, head, 1) == 0 && head[0] == 0)) {
            // Nothing but a terminator is no archive of ours to update.
            return entries.empty() && fileSize != 1 ? EILSEQ : 0;
        }
        if (offset + 24 > fileSize)
            return EILSEQ;
        in.seek(offset);
        if (int e = readExact(in, head, 24))
            return e;
        if (!isMethod(head))
            return EILSEQ;
        const int level = quint8(head[20]);
        OldEntry entry;
        entry.offset = offset;
        QByteArray dir;
        QByteArray name;
        if (level == 0 || level == 1) {
            const qint64 baseSize = quint8(head[0]) + 2;
            if (baseSize < 24 || offset + baseSize > fileSize)
                return EILSEQ;
            in.seek(offset);
            if (int e = readExact(in, head, baseSize))
                return e;
            quint8 sum = 0;
            for (qsizetype i = 2; i < baseSize; ++i)
                sum = quint8(sum + quint8(head[i]));
            if (sum != quint8(head[1]))
                return EILSEQ;
            const int nameLength = quint8(head[21]);
            if (22 + nameLength > baseSize)
                return EILSEQ;
            name = dosSeparators(head.mid(22, nameLength));
            const qint64 packed = le32(head, 7);
            entry.writeTime = dosTimeToUnix(le32(head, 15));
            qint64 extTotal = 0;
            if (level == 1) {
                quint16 next = le16(head, baseSize - 2);
                while (next != 0) {
                    QByteArray ext;
                    if (next < 3 || offset + baseSize + extTotal + next > fileSize)
                        return EILSEQ;
                    if (int e = readExact(in, ext, next))
                        return e;
                    extTotal += next;
                    const QByteArray data = ext.mid(1, next - 3);
                    switch (quint8(ext[0])) {
                    case 0x01:
                        name = data;
                        break;
                    case 0x02:
                        dir = data + char(0xff);
                        break;
                    case 0x54:
                        if (data.size() >= 4)
                            entry.writeTime = le32(data, 0);
                        break;
                    default:
                        break;
                    }
                    next = le16(ext, next - 2);
                }
                if (extTotal > packed)
                    return EILSEQ;
            }
            entry.length = baseSize + packed;
        } else if (level == 2) {
            const qint64 total = le16(head, 0);
            if (total < 26 || offset + total > fileSize)
                return EILSEQ;
            in.seek(offset);
            if (int e = readExact(in, head, total))
                return e;
            entry.writeTime = le32(head, 15);
            qsizetype at = 24;
            quint16 next = le16(head, at);
            at += 2;
            qsizetype crcAt = -1;
            while (next != 0) {
                const quint16 size = next;
                if (size < 3 || at + size > total)
                    return EILSEQ;
                const QByteArray data = head.mid(at + 1, size - 3);
                switch (quint8(head[at])) {
                case 0x00:
                    if (data.size() >= 2)
                        crcAt = at + 1;
                    break;
                case 0x01:
                    name = data;
                    break;
                case 0x02:
                    dir = data + char(0xff);
                    break;
                default:
                    break;
                }
                next = le16(head, at + size - 2);
                at += size;
            }
            if (crcAt >= 0) {
                QByteArray zeroed = head;
                const quint16 stored = le16(head, crcAt);
                set16(zeroed, crcAt, 0);
                if (lzh::crc16(0, zeroed.constData(), zeroed.size()) != stored)
                    return EILSEQ;
            }
            entry.length = total + qint64(le32(head, 7));
        } else {
            return EILSEQ;
        }
        if (offset + entry.length > fileSize)
            return EILSEQ;
        entry.key = normalizedKey(dir, name);
        entries.push_back(entry);
        offset += entry.length;
    }
}

// The level-2 header of an entry; sizes and CRCs are filled in later with
// finishHeader, which keeps its length.
struct Header {
    QByteArray bytes;
    qsizetype headerCrcAt = 0;
};

Header makeHeader(const QList<QByteArray>& parts, quint32 codepage, bool folder, quint32 mode,
                  qint64 writeSeconds)
{
    Header h;
    QByteArray& b = h.bytes;
    b.append(2, '\0');
    b.append(folder ? "-lhd-" : "-lh5-", 5);
    put32(b, 0);
    put32(b, 0);
    put32(b, quint32(qBound<qint64>(0, writeSeconds, 0xffffffffLL)));
    b.append(char(0x20)); // libarchive takes level 1-3 headers only with this
    b.append(char(2));
    put16(b, 0); // data CRC
    b.append('U');

    QList<QByteArray> exts;
    exts.append(QByteArray(1, '\0') + QByteArray(2, '\0'));
    // libarchive reads the names' encoding from here; lha skips it.
    if (codepage != 0) {
        QByteArray cp(1, '\x46');
        put32(cp, codepage);
        exts.append(cp);
    }
    QByteArray dir;
    const qsizetype folders = folder ? parts.size() : parts.size() - 1;
    for (qsizetype i = 0; i < folders; ++i)
        dir += parts[i] + char(0xff);
    if (!folder)
        exts.append(QByteArray(1, '\x01') + parts.last());
    if (!dir.isEmpty())
        exts.append(QByteArray(1, '\x02') + dir);
    QByteArray perm(1, '\x50');
    put16(perm, quint16(mode & 0xffff));
    exts.append(perm);
    QByteArray time(1, '\x54');
    put32(time, quint32(qBound<qint64>(0, writeSeconds, 0xffffffffLL)));
    exts.append(time);

    put16(b, quint16(exts.first().size() + 2));
    for (qsizetype i = 0; i < exts.size(); ++i) {
        if (i == 0)
            h.headerCrcAt = b.size() + 1;
        b.append(exts[i]);
        put16(b, i + 1 < exts.size() ? quint16(exts[i + 1].size() + 2) : 0);
    }
    // A size whose low byte is 0 would read as the end of the archive.
    if ((b.size() & 0xff) == 0)
        b.append('\0');
    if (b.size() > 0xffff)
        return {}; // no room in the 16-bit header size
    set16(b, 0, quint16(b.size()));
    return h;
}

void finishHeader(Header& h, const char* method, qint64 packed, qint64 original, quint16 crc)
{
    std::memcpy(h.bytes.data() + 2, method, 5);
    set32(h.bytes, 7, quint32(packed));
    set32(h.bytes, 11, quint32(original));
    set16(h.bytes, 21, crc);
    set16(h.bytes, h.headerCrcAt, 0);
    set16(h.bytes, h.headerCrcAt, lzh::crc16(0, h.bytes.constData(), h.bytes.size()));
}

class ArchiveWriter {
public:
    ArchiveWriter(platform::ReplacementFile& out, const LzhOptions& options)
        : m_out(out), m_options(options), m_buffer(qsizetype(Chunk), Qt::Uninitialized)
    {
    }

    qint64 position() const { return m_position; }

    int write(const QByteArray& bytes)
    {
        if (bytes.isEmpty())
            return 0;
        const int e = m_out.writeAt(m_position, bytes.constData(), bytes.size());
        m_position += bytes.size();
        return e;
    }

    int copy(platform::InputFile& in, const OldEntry& entry)
    {
        if (int e = in.seek(entry.offset))
            return e;
        qint64 left = entry.length;
        while (left > 0) {
            if (stopped())
                return LzhWriterInterrupted;
            const qint64 n = in.read(m_buffer.data(), std::min(left, Chunk));
            if (n < 0)
                return int(-n);
            if (n == 0)
                return EIO; // the archive shrank while we read it
            if (int e = m_out.writeAt(m_position, m_buffer.constData(), n))
                return e;
            m_position += n;
            left -= n;
        }
        return 0;
    }

    int addFolder(const QList<QByteArray>& parts, quint32 codepage, const QString& path)
    {
        ItemRecord record;
        if (int e = platform::statPath(path, record))
            return e;
        if (!record.isFolder())
            return ENOTDIR;
        Header h = makeHeader(parts, codepage, true, record.mode ? record.mode : 040755,
                              floorSeconds(record.writeTime));
        if (h.bytes.isEmpty())
            return ENAMETOOLONG;
        finishHeader(h, "-lhd-", 0, 0, 0);
        return write(h.bytes);
    }

    int addFile(const QList<QByteArray>& parts, quint32 codepage, const QString& path)
    {
        platform::InputFile in;
        if (int e = in.open(path))
            return e;
        if (in.size() > MaxEntrySize)
            return EFBIG;
        Header h = makeHeader(parts, codepage, false, in.mode(), floorSeconds(in.writeTime()));
        if (h.bytes.isEmpty())
            return ENAMETOOLONG;
        const qint64 headerAt = m_position;
        const qint64 dataAt = headerAt + h.bytes.size();
        m_position = dataAt;

        if (!m_encoder)
            m_encoder = std::make_unique<lzh::Encoder>(m_options.method);
        lzh::Encoder& encoder = *m_encoder;
        encoder.restart();
        quint16 crc = 0;
        qint64 original = 0;
        bool shrinks = true;
        for (;;) {
            if (stopped())
                return LzhWriterInterrupted;
            const qint64 n = in.read(m_buffer.data(), Chunk);
            if (n < 0)
                return int(-n);
            if (n == 0)
                break;
            original += n;
            if (original > MaxEntrySize)
                return EFBIG;
            m_read += n;
            if (m_options.progress)
                m_options.progress(m_read);
            crc = lzh::crc16(crc, m_buffer.constData(), n);
            encoder.feed(m_buffer.constData(), n);
            if (int e = write(encoder.takeOutput()))
                return e;
            // Already larger than the file: storing it is the better choice.
            if (encoder.producedBytes() >= std::max(in.size(), original)) {
                shrinks = false;
                break;
            }
        }
        if (shrinks) {
            encoder.finish();
            if (int e = write(encoder.takeOutput()))
                return e;
            shrinks = encoder.producedBytes() < original;
        }
        const char* method = m_options.method == Lh7   ? "-lh7-"
                             : m_options.method == Lh6 ? "-lh6-"
                                                       : "-lh5-";
        if (!shrinks) {
            method = "-lh0-";
            m_position = dataAt;
            if (int e = in.seek(0))
                return e;
            crc = 0;
            original = 0;
            for (;;) {
                if (stopped())
                    return LzhWriterInterrupted;
                const qint64 n = in.read(m_buffer.data(), Chunk);
                if (n < 0)
                    return int(-n);
                if (n == 0)
                    break;
                original += n;
                if (original > MaxEntrySize)
                    return EFBIG;
                crc = lzh::crc16(crc, m_buffer.constData(), n);
                if (int e = m_out.writeAt(m_position, m_buffer.constData(), n))
                    return e;
                m_position += n;
            }
        }
        finishHeader(h, method, m_position - dataAt, original, crc);
        return m_out.writeAt(headerAt, h.bytes.constData(), h.bytes.size());
    }

private:
    static qint64 floorSeconds(qint64 nanos)
    {
        return nanos >= 0 ? nanos / NanosPerSecond
                          : -((-nanos + NanosPerSecond - 1) / NanosPerSecond);
    }
    bool stopped() const { return m_options.interrupted && m_options.interrupted(); }

    platform::ReplacementFile& m_out;
    const LzhOptions& m_options;
    QByteArray m_buffer;
    std::unique_ptr<lzh::Encoder> m_encoder;
    qint64 m_position = 0;
    qint64 m_read = 0;
};

// What goes into the new archive, in order.
struct Step {
    int oldIndex = -1;    // an entry copied as it is
    int sourceIndex = -1; // else a source written anew
    QList<QByteArray> parts;
};

} // namespace

int writeLzh(const QString& archivePath, const QList<LzhSource>& sources, const LzhOptions& options)
{
    // The sources' names and times first: a missing source fails before
    // anything is written.
    QList<QList<QByteArray>> names;
    QList<QByteArray> keys;
    QList<qint64> times;
    QList<QString> utf8Names;
    QList<quint32> codepages;
    for (const LzhSource& source : sources) {
        quint32 codepage = 0;
        const QList<QByteArray> parts = nameParts(source.storedName, codepage);
        if (parts.isEmpty())
            return EINVAL;
        ItemRecord record;
        if (int e = platform::statPath(source.path, record))
            return e;
        names.append(parts);
        codepages.append(codepage);
        utf8Names.append(
            source.storedName.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/')));
        keys.append(joinedKey(parts));
        times.append(record.writeTime / NanosPerSecond);
    }

    platform::InputFile old;
    std::vector<OldEntry> oldEntries;
    if (platform::pathExists(archivePath)) {
        if (int e = old.open(archivePath))
            return e;
        const int e = readIndex(old, oldEntries);
        if (e == EILSEQ)
            return LzhNotAnArchive;
        if (e)
            return e;
    }

    // Kept entries stay where they were, replaced ones take their place,
    // new names follow in the order given.
    std::vector<Step> steps;
    // Entries written by others may carry a CP932-fitting name as UTF-8.
    QHash<QByteArray, int> bySourceKey;
    for (int s = int(sources.size()) - 1; s >= 0; --s) { // the first of a name wins
        bySourceKey.insert(platform::nameToBytes(utf8Names[s]), s);
        bySourceKey.insert(keys[s], s);
    }
    QList<bool> placed(sources.size(), false);
    QList<bool> replacing(sources.size(), false);
    for (int i = 0; i < int(oldEntries.size()); ++i) {
        const OldEntry& entry = oldEntries[size_t(i)];
        const int match = bySourceKey.value(entry.key, -1);
        if (match >= 0 && placed[match]) {
            // A second entry of a name being replaced goes with the first.
            if (!replacing[match])
                steps.push_back({i, -1, {}});
            continue;
        }
        if (match >= 0) {
            placed[match] = true;
            replacing[match] = times[match] > entry.writeTime;
        }
        if (match >= 0 && replacing[match])
            steps.push_back({-1, match, names[match]});
        else
            steps.push_back({i, -1, {}});
    }
    QSet<QByteArray> added;
    for (int s = 0; s < sources.size(); ++s) {
        if (added.contains(keys[s]))
            continue; // a name given twice is stored once
        added.insert(keys[s]);
        if (!placed[s])
            steps.push_back({-1, s, names[s]});
    }

    platform::ReplacementFile out;
    if (int e = out.open(archivePath))
        return e;
    ArchiveWriter writer(out, options);
    for (const Step& step : steps) {
        if (options.interrupted && options.interrupted())
            return LzhWriterInterrupted;
        int e = 0;
        if (step.oldIndex >= 0) {
            e = writer.copy(old, oldEntries[size_t(step.oldIndex)]);
        } else {
            const LzhSource& source = sources[step.sourceIndex];
            const quint32 codepage = codepages[step.sourceIndex];
            e = source.folder ? writer.addFolder(step.parts, codepage, source.path)
                              : writer.addFile(step.parts, codepage, source.path);
        }
        if (e)
            return e;
    }
    if (int e = writer.write(QByteArray(1, '\0')))
        return e;
    return out.commit(writer.position());
}

QString lzhWriterVersion()
{
    return QStringLiteral("Tovane LZH 1.0");
}

QByteArray lzhCompress(const QByteArray& data, LzhMethod method)
{
    lzh::Encoder encoder(method);
    encoder.feed(data.constData(), data.size());
    encoder.finish();
    return encoder.takeOutput();
}

bool lzhDecompress(const QByteArray& packed, qint64 originalSize, LzhMethod method, QByteArray& out)
{
    return lzh::decode(packed, originalSize, method, out);
}

} // namespace tovane
