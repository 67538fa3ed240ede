#include "archive/archivezipdirectory.h"

#include "platform/archivefs.h"

#include <algorithm>

namespace tovane {

namespace {

quint64 le(const char* p, int bytes)
{
    quint64 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | quint8(p[i]);
    return value;
}

bool readRange(int fd, qint64 offset, qint64 size, QByteArray& out)
{
    if (offset < 0 || size < 0 || size > (qint64(1) << 28))
        return false;
    out.resize(size);
    size_t got = 0;
    return platform::readAt(fd, out.data(), size_t(size), offset, got) == 0 && qint64(got) == size;
}

} // namespace

bool readZipDirectory(int fd, QHash<QByteArray, ZipDirectoryEntry>& out, QList<QByteArray>* order)
{
    qint64 fileSize = 0;
    if (platform::fileSize(fd, fileSize) != 0 || fileSize < 22)
        return false;
    const qint64 tailSize = std::min<qint64>(fileSize, 65535 + 22);
    QByteArray tail;
    if (!readRange(fd, fileSize - tailSize, tailSize, tail))
        return false;
    qsizetype end = -1;
    for (qsizetype i = tail.size() - 22; i >= 0; --i) {
        if (tail[i] == 'P' && tail[i + 1] == 'K' && tail[i + 2] == 5 && tail[i + 3] == 6) {
            end = i;
            break;
        }
    }
    if (end < 0)
        return false;
    const char* e = tail.constData() + end;
    quint64 count = le(e + 10, 2);
    quint64 size = le(e + 12, 4);
    quint64 offset = le(e + 16, 4);
    const qint64 endOffset = fileSize - tailSize + end;
    if (count == 0xFFFF || size == 0xFFFFFFFF || offset == 0xFFFFFFFF) {
        QByteArray locator;
        if (endOffset < 20 || !readRange(fd, endOffset - 20, 20, locator) ||
            le(locator.constData(), 4) != 0x07064b50)
            return false;
        QByteArray end64;
        if (!readRange(fd, qint64(le(locator.constData() + 8, 8)), 56, end64) ||
            le(end64.constData(), 4) != 0x06064b50)
            return false;
        count = le(end64.constData() + 32, 8);
        size = le(end64.constData() + 40, 8);
        offset = le(end64.constData() + 48, 8);
    }
    // Bytes before the archive (a self-extractor) shift every offset.
    const qint64 shift = endOffset - qint64(size) - qint64(offset);
    QByteArray directory;
    if (!readRange(fd, qint64(offset) + std::max<qint64>(shift, 0), qint64(size), directory))
        return false;
    const char* p = directory.constData();
    const char* const stop = p + directory.size();
    for (quint64 n = 0; n < count && stop - p >= 46; ++n) {
        if (le(p, 4) != 0x02014b50)
            return false;
        const int host = quint8(p[5]);
        ZipDirectoryEntry entry;
        entry.flags = unsigned(le(p + 8, 2));
        entry.packed = le(p + 20, 4);
        entry.size = le(p + 24, 4);
        const qint64 nameLength = qint64(le(p + 28, 2));
        const qint64 extraLength = qint64(le(p + 30, 2));
        const qint64 commentLength = qint64(le(p + 32, 2));
        const quint64 external = le(p + 38, 4);
        if (stop - p < 46 + nameLength + extraLength + commentLength)
            return false;
        // MS-DOS, NTFS and VFAT hosts keep the DOS attributes in the low byte.
        if (host == 0 || host == 10 || host == 14)
            entry.dosAttributes = int(external & 0xFF);
        if (host == 3)
            entry.unixMode = unsigned(external >> 16);
        const QByteArray name(p + 46, nameLength);
        const char* extra = p + 46 + nameLength;
        const char* extraEnd = extra + extraLength;
        while (extraEnd - extra >= 4) {
            const quint64 id = le(extra, 2);
            const qint64 length = qint64(le(extra + 2, 2));
            if (extraEnd - extra - 4 < length)
                break;
            if (id == 1) {
                const char* field = extra + 4;
                const char* fieldEnd = field + length;
                if (entry.size == 0xFFFFFFFF && fieldEnd - field >= 8) {
                    entry.size = le(field, 8);
                    field += 8;
                }
                if (entry.packed == 0xFFFFFFFF && fieldEnd - field >= 8)
                    entry.packed = le(field, 8);
            }
            extra += 4 + length;
        }
        out.insert(name, entry);
        if (order)
            order->append(name);
        p += 46 + nameLength + extraLength + commentLength;
    }
    return true;
}

} // namespace tovane
