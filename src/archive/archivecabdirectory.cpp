#include "archive/archivecabdirectory.h"

#include "platform/archivefs.h"

#include <algorithm>

namespace tovane {

namespace {

quint32 le(const char* p, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | quint8(p[i]);
    return value;
}

} // namespace

bool readCabDirectory(int fd, std::vector<CabFileRecord>& out)
{
    char header[36];
    size_t got = 0;
    if (platform::readAt(fd, header, sizeof header, 0, got) != 0 || got < sizeof header ||
        QByteArray(header, 4) != "MSCF")
        return false;
    const quint32 filesOffset = le(header + 16, 4);
    const quint32 count = le(header + 28, 2);
    qint64 fileSize = 0;
    if (platform::fileSize(fd, fileSize) != 0 || filesOffset >= fileSize)
        return false;
    // Each record is 16 bytes and a name of at most 256 bytes and its NUL.
    const qint64 span = std::min<qint64>(fileSize - filesOffset, qint64(count) * (16 + 257));
    QByteArray records(span, Qt::Uninitialized);
    if (platform::readAt(fd, records.data(), size_t(span), filesOffset, got) != 0)
        return false;
    records.truncate(qsizetype(got));
    qsizetype at = 0;
    for (quint32 i = 0; i < count; ++i) {
        if (records.size() - at < 17)
            return false;
        const qsizetype end = records.indexOf('\0', at + 16);
        if (end < 0)
            return false;
        CabFileRecord record;
        record.size = le(records.constData() + at, 4);
        record.attributes = quint16(le(records.constData() + at + 14, 2));
        record.name = records.mid(at + 16, end - at - 16);
        out.push_back(std::move(record));
        at = end + 1;
    }
    return true;
}

} // namespace tovane
