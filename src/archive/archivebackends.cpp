#include "archive/lzhwriter.h"

#include "archive/archivebackends.h"

#include "archive/archivecabdirectory.h"
#include "archive/archivezipdirectory.h"
#include "platform/archivefs.h"
#include "platform/filesystem.h"
#include "platform/names.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QTimeZone>

#include <archive.h>
#include <archive_entry.h>
#include <gio/gio.h>
#include <libgcab.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <clocale>
#include <memory>
#include <sys/stat.h>
#include <vector>

#ifndef TOVANE_GCAB_VERSION
#define TOVANE_GCAB_VERSION ""
#endif

namespace tovane {

namespace {

constexpr size_t Chunk = size_t(256) * 1024;

std::array<bool, 3> busyFlags{};

bool validFormat(int format)
{
    return format >= ArchiveCab && format <= ArchiveZip;
}

// The re-entry flag of one format for the length of a call.
class BusyGuard {
public:
    explicit BusyGuard(int format) : m_format(format)
    {
        m_acquired = validFormat(format) && !busyFlags[format];
        if (m_acquired)
            busyFlags[format] = true;
    }
    ~BusyGuard()
    {
        if (m_acquired)
            busyFlags[m_format] = false;
    }
    bool acquired() const { return m_acquired; }

private:
    int m_format;
    bool m_acquired = false;
};

// libarchive converts flagged UTF-8 names into the locale's charset; a
// UTF-8 locale for this thread keeps them intact whatever the user's is.
class Utf8Locale {
public:
    Utf8Locale()
    {
        m_locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
        if (m_locale)
            m_previous = uselocale(m_locale);
    }
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;
    ~Utf8Locale()
    {
        if (m_locale) {
            uselocale(m_previous);
            freelocale(m_locale);
        }
    }

private:
    locale_t m_locale = nullptr;
    locale_t m_previous = nullptr;
};

int interruptedCode(int format)
{
    switch (format) {
    case ArchiveCab:
        return CabInterruptedOrReadOnly;
    case ArchiveLzh:
        return LzhInterrupted;
    default:
        return ZipInterrupted;
    }
}

bool stopRequested(const ArchiveCallbacks& callbacks)
{
    return callbacks.interrupted && callbacks.interrupted();
}

bool diskFull(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EROFS || error == EFBIG;
}

struct ArchiveFree {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ReaderPtr = std::unique_ptr<archive, ArchiveFree>;

struct Reader {
    platform::UniqueFd fd;
    ReaderPtr a;
};

// 0, ArchiveNotFound or ArchiveDamaged.
int openReader(const QString& path, int format, Reader& reader)
{
    if (platform::openFileForReading(path, reader.fd) != 0)
        return ArchiveNotFound;
    reader.a.reset(archive_read_new());
    archive* a = reader.a.get();
    switch (format) {
    case ArchiveCab:
        archive_read_support_format_cab(a);
        break;
    case ArchiveLzh:
        archive_read_support_format_lha(a);
        archive_read_set_format_option(a, "lha", "hdrcharset", "ISO-8859-1");
        break;
    default:
        archive_read_support_format_zip(a);
        break;
    }
    archive_read_support_filter_none(a);
    if (archive_read_open_fd(a, reader.fd.get(), Chunk) != ARCHIVE_OK)
        return ArchiveDamaged;
    return 0;
}

// Stored name bytes: UTF-8 when valid (flagged or not), else CP932, else the
// bytes themselves kept as surrogate escapes.
QString decodeName(QByteArrayView raw)
{
    using Flag = QStringConverter::Flag;
    {
        QStringDecoder utf8(QStringConverter::Utf8, Flag::Stateless);
        QString text = utf8.decode(raw);
        if (!utf8.hasError())
            return text;
    }
    QStringDecoder cp932("windows-31j", Flag::Stateless);
    if (cp932.isValid()) {
        QString text = cp932.decode(raw);
        // Bytes that land in the private-use area or among the C1 controls
        // (0x80, 0xA0, 0xFD..0xFF, the user-defined rows) name nothing that
        // can be shown: such a name keeps its bytes instead.
        const bool plain = std::none_of(text.cbegin(), text.cend(), [](QChar c) {
            const char16_t u = c.unicode();
            return u == 0xFFFD || (u >= 0x80 && u <= 0xA0) || (u >= 0xE000 && u <= 0xF8FF);
        });
        if (!cp932.hasError() && plain)
            return text;
    }
    return platform::nameFromBytes(raw);
}

// The lzh reader is told that names are ISO-8859-1, which takes every byte:
// it fails on names that do not convert to the locale's charset. Mapping
// the characters back gives the stored bytes.
QByteArray storedBytes(const char* raw, int format)
{
    if (!raw)
        return QByteArray();
    if (format == ArchiveLzh) {
        const QString latin = QString::fromUtf8(raw);
        for (QChar c : latin) {
            if (c.unicode() > 0xFF)
                return QByteArray(raw); // converted by the archive's own code page
        }
        return latin.toLatin1();
    }
    return QByteArray(raw);
}

QString decodeStored(const char* raw, int format)
{
    if (!raw)
        return QString();
    QString name = decodeName(storedBytes(raw, format));
    // Cabinets separate folders with "\\", which libarchive leaves in names it
    // cannot convert.
    if (format == ArchiveCab)
        name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return name;
}

QString entryName(archive_entry* entry, int format)
{
    return decodeStored(archive_entry_pathname(entry), format);
}

QString attributeLetters(bool readOnly, bool hidden, bool system, bool archived)
{
    QString letters = QStringLiteral("----");
    if (readOnly)
        letters[0] = QLatin1Char('r');
    if (hidden)
        letters[1] = QLatin1Char('h');
    if (system)
        letters[2] = QLatin1Char('s');
    if (archived)
        letters[3] = QLatin1Char('a');
    return letters;
}

QString ratioText(qint64 size, qint64 packed)
{
    if (size <= 0 || packed >= size)
        return QStringLiteral("0%");
    return QString::number((size - packed) * 100 / size) + QLatin1Char('%');
}

quint32 le32(const char* p)
{
    return quint32(quint8(p[0])) | quint32(quint8(p[1])) << 8 | quint32(quint8(p[2])) << 16 |
           quint32(quint8(p[3])) << 24;
}

// The method and packed size from an lzh header at `offset`.
bool lzhHeaderFacts(int fd, qint64 offset, QString& method, qint64& packed, int& dosAttributes)
{
    char header[22];
    size_t got = 0;
    if (offset < 0 || platform::readAt(fd, header, sizeof header, offset, got) != 0 ||
        got < sizeof header)
        return false;
    if (header[2] != '-' || header[6] != '-')
        return false;
    method = QString::fromLatin1(header + 2, 5);
    packed = le32(header + 7);
    const int level = quint8(header[20]);
    dosAttributes = level < 2 ? quint8(header[19]) : -1;
    return true;
}

// The stored name of the lzh header at `offset`, folder and file joined by
// "/": libarchive turns every 0x5C byte into "/", also the second byte of a
// CP932 character, so the name is read here and "\\" replaced only after
// decoding. Empty for level 3 and for links ("name|target"), which
// libarchive's own name serves.
QString lzhStoredName(int fd, qint64 offset)
{
    char start[27];
    size_t got = 0;
    if (offset < 0 || platform::readAt(fd, start, sizeof start, offset, got) != 0 || got < 24)
        return QString();
    const int level = quint8(start[20]);
    qint64 size = 0;
    qint64 extOffset = 0;
    QByteArray file;
    QByteArray folder;
    if (level == 0 || level == 1) {
        size = quint8(start[0]) + 2;
        const int length = quint8(start[21]);
        QByteArray header(size, Qt::Uninitialized);
        if (platform::readAt(fd, header.data(), size_t(size), offset, got) != 0 ||
            qint64(got) < size || 22 + length > size)
            return QString();
        file = header.mid(22, length);
        if (level == 0)
            size = 0; // no extended headers to read
        else
            extOffset = offset + 22 + length + 3;
    } else if (level == 2) {
        size = quint8(start[0]) | quint8(start[1]) << 8;
        extOffset = offset + 24;
    } else {
        return QString();
    }
    if (extOffset > 0) {
        // Extended headers: a two-byte size (type, data and the next size),
        // then the type and the data; a size of 0 ends them.
        const qint64 limit = level == 2 ? offset + size : offset + (qint64(1) << 16);
        char nextSize[2];
        if (platform::readAt(fd, nextSize, 2, extOffset, got) != 0 || got < 2)
            return QString();
        qint64 at = extOffset + 2;
        qint64 next = quint8(nextSize[0]) | quint8(nextSize[1]) << 8;
        for (int guard = 0; next >= 3 && at + next <= limit && guard < 64; ++guard) {
            QByteArray ext(next, Qt::Uninitialized);
            if (platform::readAt(fd, ext.data(), size_t(next), at, got) != 0 || qint64(got) < next)
                return QString();
            const int type = quint8(ext[0]);
            if (type == 0x01)
                file = ext.mid(1, next - 3);
            else if (type == 0x02)
                folder = ext.mid(1, next - 3).replace('\xff', '/');
            at += next;
            next = quint8(ext[next - 2]) | quint8(ext[next - 1]) << 8;
        }
    }
    if (file.contains('|'))
        return QString();
    if (!folder.isEmpty() && !folder.endsWith('/'))
        folder += '/';
    QString name = decodeName(folder + file);
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return name;
}

bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes); // decoding happens on assignment
    return !utf8.hasError();
}

// Names read from the archive's own headers where libarchive's lose bytes.
class StoredNames {
public:
    StoredNames(int format, int fd) : m_format(format), m_fd(fd)
    {
        if (format == ArchiveCab)
            readCabDirectory(fd, m_cab);
        if (format == ArchiveZip) {
            QList<QByteArray> order;
            readZipDirectory(fd, m_zipFacts, &order);
            for (const QByteArray& name : order) {
                const ZipDirectoryEntry& e = m_zipFacts[name];
                if ((e.flags & 0x800) && !isUtf8(name))
                    m_unnamed.append({name, e.size});
            }
        }
    }

    // The entry's name, or empty when libarchive's serves; `record` gets
    // the cabinet's file record when one fits.
    QString name(archive* a, archive_entry* entry, const CabFileRecord** record = nullptr)
    {
        if (m_format == ArchiveLzh)
            return lzhStoredName(m_fd, archive_read_header_position(a));
        const char* given = archive_entry_pathname(entry);
        m_lastZipName = QByteArray(given);
        if (!given || !*given)
            return unnamed(entry, record);
        if (m_format != ArchiveCab)
            return QString();
        // libarchive's name is the stored one, or with every 0x5C as "/"
        // when it could convert it; the records come in the same order, some
        // perhaps passed over.
        const QByteArray flat(given);
        for (size_t i = m_next; i < m_cab.size(); ++i) {
            QByteArray candidate = m_cab[i].name;
            const bool same = candidate == flat || candidate.replace('\\', '/') == flat;
            if (same && qint64(m_cab[i].size) == archive_entry_size(entry)) {
                m_next = i + 1;
                return cabRecordName(i, record);
            }
        }
        return QString();
    }

    // What the zip directory says about the entry last named.
    ZipDirectoryEntry zipFacts() const { return m_zipFacts.value(m_lastZipName); }
    bool hasZipFacts() const { return m_zipFacts.contains(m_lastZipName); }

private:
    // The path of cab record i, taken as the entry's record.
    QString cabRecordName(size_t i, const CabFileRecord** record) const
    {
        if (record)
            *record = &m_cab[i];
        QString name = decodeName(m_cab[i].name);
        name.replace(QLatin1Char('\\'), QLatin1Char('/'));
        return name;
    }

    // libarchive gives no name for one flagged UTF-8 that is no UTF-8 (as
    // our writers store names that are no UTF-8 on disk): the next such
    // stored name of the entry's size is taken.
    QString unnamed(archive_entry* entry, const CabFileRecord** record)
    {
        const qint64 size = archive_entry_size(entry);
        if (m_format == ArchiveZip) {
            for (qsizetype i = m_unnamedNext; i < m_unnamed.size(); ++i) {
                if (qint64(m_unnamed[i].second) == size) {
                    m_unnamedNext = i + 1;
                    m_lastZipName = m_unnamed[i].first;
                    return decodeName(m_unnamed[i].first);
                }
            }
        } else if (m_format == ArchiveCab) {
            for (size_t i = m_next; i < m_cab.size(); ++i) {
                if ((m_cab[i].attributes & 0x80) && !isUtf8(m_cab[i].name) &&
                    qint64(m_cab[i].size) == size) {
                    m_next = i + 1;
                    return cabRecordName(i, record);
                }
            }
        }
        return QString();
    }

    int m_format;
    int m_fd;
    std::vector<CabFileRecord> m_cab;
    size_t m_next = 0;
    QList<QPair<QByteArray, quint64>> m_unnamed;
    qsizetype m_unnamedNext = 0;
    QHash<QByteArray, ZipDirectoryEntry> m_zipFacts;
    QByteArray m_lastZipName;
};

struct ListLine {
    QString name;
    qint64 size = 0;
    qint64 packed = 0;
    QDateTime time;
    QString attributes;
    QString method;
};

const QLatin1String CrLf("\r\n");

QString headerLines(int format)
{
    switch (format) {
    case ArchiveCab:
        return QStringLiteral("キャビネット書庫の一覧") + CrLf + CrLf +
               QStringLiteral("サイズ 日付 時刻 属性 名前") + CrLf +
               QStringLiteral("======== ======== ======== ==== ========") + CrLf + CrLf;
    case ArchiveLzh:
        return QStringLiteral("LZH 書庫の一覧") + CrLf + CrLf + QStringLiteral("名前") + CrLf +
               QStringLiteral("方式           サイズ 圧縮後 圧縮率 日付 時刻 属性") + CrLf +
               QStringLiteral("============== ======== ======== ==== ========== ======== ====") +
               CrLf;
    default:
        return QStringLiteral("名前 サイズ 圧縮後 圧縮率 日付 時刻 属性") + CrLf +
               QStringLiteral("======== ======== ======== ==== ========== ======== ====") + CrLf;
    }
}

QString entryLines(int format, const ListLine& line)
{
    const QString size = QString::number(line.size);
    if (format == ArchiveCab) {
        QString name = line.name;
        name.replace(QLatin1Char('/'), QLatin1Char('\\'));
        return size + QLatin1Char(' ') + line.time.toString(QStringLiteral("yy-MM-dd HH:mm:ss")) +
               QLatin1Char(' ') + line.attributes + QLatin1Char(' ') + name + CrLf;
    }
    const QString tail = size + QLatin1Char(' ') + QString::number(line.packed) + QLatin1Char(' ') +
                         ratioText(line.size, line.packed) + QLatin1Char(' ') +
                         line.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                         QLatin1Char(' ') + line.attributes;
    // The reader drops the line break and the 14 characters after it: the
    // blank that follows keeps the name apart from the size.
    if (format == ArchiveLzh)
        return line.name + CrLf + line.method.leftJustified(14, QLatin1Char(' '), true) +
               QLatin1Char(' ') + tail + CrLf;
    return line.name + QLatin1Char(' ') + tail + CrLf;
}

QString summaryLines(int count, qint64 total, qint64 packed)
{
    return QStringLiteral("--------------------------------------------------------") + CrLf +
           QString::number(count) + QStringLiteral(" 個 ") + QString::number(total) +
           QStringLiteral(" バイト (圧縮後 ") + QString::number(packed) +
           QStringLiteral(" バイト)") + CrLf;
}

// ---- extraction -----------------------------------------------------------

// A stored path split into plain components; false when it leaves the
// destination (absolute, "..").
bool safeComponents(const QByteArray& path, QList<QByteArray>& out)
{
    out.clear();
    if (path.startsWith('/'))
        return false;
    for (const QByteArray& part : path.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..")
            return false;
        out.append(part);
    }
    return true;
}

// Whether a link stored at `components` (its own name last) with `target`
// stays inside the destination when resolved from its folder. ".." is
// taken only before the first name: after a name, which may be a link made
// earlier, ".." climbs from wherever that link leads, and two links that
// each stay inside could be chained to get out.
bool linkStaysInside(const QList<QByteArray>& components, const QByteArray& target)
{
    if (target.isEmpty() || target.startsWith('/'))
        return false;
    qsizetype depth = components.size() - 1;
    bool descending = false;
    for (const QByteArray& part : target.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (descending || --depth < 0)
                return false;
        } else {
            descending = true;
        }
    }
    return true;
}

// The disk bytes for a stored path: decoded names are written as UTF-8, the
// undecodable keep their bytes.
QByteArray diskBytes(const char* raw, int format)
{
    return raw ? platform::nameToBytes(decodeStored(raw, format)) : QByteArray();
}

// An entry whose data failed its checksum; the reader goes on.
constexpr int EntryCorrupt = -2;

struct FolderFix {
    QList<QByteArray> components;
    unsigned mode = 0;
    qint64 writeNs = -1;
};

class Extractor {
public:
    Extractor(int format, const ArchiveCallbacks& callbacks, QList<ArchiveEntryProblem>* problems)
        : m_format(format), m_callbacks(callbacks), m_problems(problems)
    {
    }

    int run(const QString& archivePath, const QString& destination);

private:
    // Opens the folders of components[0 .. count) below the destination.
    int openFolders(const QList<QByteArray>& components, qsizetype count, bool create,
                    platform::UniqueFd& out);
    int extractFile(archive* a, int folderFd, const QByteArray& name, unsigned mode, qint64 writeNs,
                    const QString& display);
    void refuse(const QString& entry, int code)
    {
        if (code == ArchiveUnsafeEntry)
            m_unsafe = true;
        else if (m_firstError == 0)
            m_firstError = code;
        if (m_problems)
            m_problems->append({entry, code});
    }
    void applyFolderFixes();

    int m_format;
    const ArchiveCallbacks& m_callbacks;
    QList<ArchiveEntryProblem>* m_problems;
    platform::UniqueFd m_root;
    std::vector<FolderFix> m_folders;
    qint64 m_done = 0;
    qint64 m_sinceCheck = 0;
    bool m_unsafe = false;
    int m_firstError = 0;
};

int Extractor::openFolders(const QList<QByteArray>& components, qsizetype count, bool create,
                           platform::UniqueFd& out)
{
    platform::UniqueFd current;
    if (const int e = platform::duplicate(m_root.get(), current); e != 0)
        return e;
    for (qsizetype i = 0; i < count; ++i) {
        platform::UniqueFd next;
        const int e = platform::openSubfolder(current.get(), components[i], create, next);
        if (e != 0)
            return e;
        current = std::move(next);
    }
    out = std::move(current);
    return 0;
}

int Extractor::extractFile(archive* a, int folderFd, const QByteArray& name, unsigned mode,
                           qint64 writeNs, const QString& display)
{
    QByteArray temp;
    platform::UniqueFd out;
    int e = platform::createTemporaryAt(folderFd, temp, out);
    if (e != 0)
        return diskFull(e) ? ArchiveWriteFailed : e;
    auto fail = [&](int code) {
        out.reset();
        platform::removeAt(folderFd, temp);
        return code;
    };
    qint64 written = 0;
    for (;;) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int r = archive_read_data_block(a, &block, &size, &offset);
        if (r == ARCHIVE_EOF)
            break;
        if (r < ARCHIVE_WARN)
            return fail(ArchiveDamaged);
        // A data warning is a checksum that does not match: the bytes
        // written are not the stored file.
        if (r == ARCHIVE_WARN)
            return fail(EntryCorrupt);
        if (offset > written) {
            // A hole: seek over it; the final size is set below.
            if (platform::seekTo(out.get(), offset) != 0)
                return fail(ArchiveWriteFailed);
            written = offset;
        }
        // Slices keep the interrupt check inside a large block.
        const char* data = static_cast<const char*>(block);
        while (size > 0) {
            const size_t slice = std::min(size, Chunk);
            e = platform::writeFully(out.get(), data, slice);
            if (e != 0)
                return fail(diskFull(e) ? ArchiveWriteFailed : e);
            data += slice;
            size -= slice;
            written += qint64(slice);
            m_done += qint64(slice);
            m_sinceCheck += qint64(slice);
            if (m_sinceCheck >= qint64(Chunk)) {
                m_sinceCheck = 0;
                if (m_callbacks.progress)
                    m_callbacks.progress(m_done, display);
                if (stopRequested(m_callbacks))
                    return fail(interruptedCode(m_format));
            }
        }
    }
    if (const int t = platform::setFileSize(out.get(), written); t != 0)
        return fail(diskFull(t) ? ArchiveWriteFailed : t);
    e = platform::setModeAndTimes(out.get(), mode, -1, writeNs);
    if (e == 0)
        e = out.close();
    if (e != 0)
        return fail(diskFull(e) ? ArchiveWriteFailed : e);
    e = platform::renameAt(folderFd, temp, name);
    if (e != 0) {
        platform::removeAt(folderFd, temp);
        return e;
    }
    return 0;
}

void Extractor::applyFolderFixes()
{
    // Deepest first, so that a read-only folder is closed only after its
    // contents got their times.
    for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it) {
        platform::UniqueFd fd;
        if (openFolders(it->components, it->components.size(), false, fd) == 0)
            platform::setModeAndTimes(fd.get(), it->mode, -1, it->writeNs);
    }
}

unsigned safeMode(unsigned mode, bool folder)
{
    // Set-user/group-ID bits never come from an archive.
    unsigned bits = mode & (folder ? 01777u : 0777u);
    if ((bits & 0777u) == 0)
        bits = folder ? 0755u : 0644u;
    if (folder)
        bits |= 0700u; // the owner must be able to fill it again
    return bits;
}

int Extractor::run(const QString& archivePath, const QString& destination)
{
    Reader reader;
    int r = openReader(archivePath, m_format, reader);
    if (r != 0)
        return r;
    if (platform::openFolderPath(destination, m_root) != 0)
        return ArchiveWriteFailed;
    StoredNames storedNames(m_format, reader.fd.get());
    archive* a = reader.a.get();
    int result = 0;
    for (;;) {
        if (stopRequested(m_callbacks)) {
            result = interruptedCode(m_format);
            break;
        }
        archive_entry* entry = nullptr;
        const int h = archive_read_next_header(a, &entry);
        if (h == ARCHIVE_EOF)
            break;
        if (h < ARCHIVE_WARN) {
            result = ArchiveDamaged;
            break;
        }
        const QString own = storedNames.name(a, entry);
        const QString display = own.isEmpty() ? entryName(entry, m_format) : own;
        if (m_callbacks.progress)
            m_callbacks.progress(m_done, display);
        // A name the reader could not convert is reported, never skipped
        // quietly.
        const char* stored = archive_entry_pathname(entry);
        if (own.isEmpty() && (!stored || !*stored)) {
            refuse(display, EILSEQ);
            continue;
        }
        QList<QByteArray> components;
        const QByteArray path =
            own.isEmpty() ? diskBytes(stored, m_format) : platform::nameToBytes(own);
        if (!safeComponents(path, components)) {
            refuse(display, ArchiveUnsafeEntry);
            continue;
        }
        if (components.isEmpty())
            continue;
        const unsigned type = archive_entry_filetype(entry);
        const char* hardlink = archive_entry_hardlink(entry);
        const bool folder = type == AE_IFDIR && !hardlink;
        // libarchive shows a zip's FIFOs as plain files; the directory tells.
        const unsigned storedType = storedNames.zipFacts().unixMode & S_IFMT;
        const bool special = storedType != 0 && storedType != S_IFREG && storedType != S_IFDIR &&
                             storedType != S_IFLNK;
        if (special || (!hardlink && type != AE_IFDIR && type != AE_IFREG && type != AE_IFLNK)) {
            refuse(display, ArchiveUnsafeEntry); // devices, FIFOs, sockets
            continue;
        }
        const qsizetype parents = folder ? components.size() : components.size() - 1;
        platform::UniqueFd parent;
        int e = openFolders(components, parents, true, parent);
        if (e != 0) {
            refuse(display, e == ELOOP    ? int(ArchiveUnsafeEntry)
                            : diskFull(e) ? int(ArchiveWriteFailed)
                                          : e);
            if (diskFull(e)) {
                result = ArchiveWriteFailed;
                break;
            }
            continue;
        }
        const qint64 writeNs = archive_entry_mtime_is_set(entry)
                                   ? platform::toNanoseconds(archive_entry_mtime(entry),
                                                             archive_entry_mtime_nsec(entry))
                                   : -1;
        if (folder) {
            m_folders.push_back({components, safeMode(archive_entry_mode(entry), true), writeNs});
            continue;
        }
        const QByteArray& name = components.last();
        if (hardlink) {
            QList<QByteArray> targetComponents;
            if (!safeComponents(diskBytes(hardlink, m_format), targetComponents) ||
                targetComponents.isEmpty()) {
                refuse(display, ArchiveUnsafeEntry);
                continue;
            }
            platform::UniqueFd targetFolder;
            e = openFolders(targetComponents, targetComponents.size() - 1, false, targetFolder);
            if (e == 0)
                e = platform::makeHardLinkAt(targetFolder.get(), targetComponents.last(),
                                             parent.get(), name);
            if (e != 0)
                refuse(display, e == ELOOP ? int(ArchiveUnsafeEntry) : e);
            continue;
        }
        if (type == AE_IFLNK) {
            const QByteArray target = diskBytes(archive_entry_symlink(entry), m_format);
            if (!linkStaysInside(components, target)) {
                refuse(display, ArchiveUnsafeEntry);
                continue;
            }
            e = platform::makeSymlinkAt(parent.get(), target, name, writeNs);
            if (e != 0)
                refuse(display, e);
            continue;
        }
        e = extractFile(a, parent.get(), name, safeMode(archive_entry_mode(entry), false), writeNs,
                        display);
        if (e == EntryCorrupt) {
            refuse(display, ArchiveDamaged);
            continue;
        }
        if (e == ArchiveWriteFailed || e == ArchiveDamaged || e == interruptedCode(m_format)) {
            if (e != interruptedCode(m_format))
                refuse(display, e);
            result = e;
            break;
        }
        if (e != 0)
            refuse(display, e);
    }
    applyFolderFixes();
    if (result != 0)
        return result;
    if (m_firstError == ArchiveDamaged)
        return ArchiveDamaged;
    if (m_unsafe)
        return ArchiveUnsafeEntry;
    return m_firstError;
}

// ---- creation ---------------------------------------------------------------

struct SourceItem {
    QByteArray relative; // below the source folder, "/" between folders
    QString storedName;  // "/" between folders, no trailing "/"
    platform::SourceEntry stat;
    QByteArray linkTarget;
};

bool isFolderMode(unsigned mode)
{
    return S_ISDIR(mode);
}

int collectTree(int sourceFd, const QByteArray& relative, std::vector<SourceItem>& out,
                const ArchiveCallbacks& callbacks, int format)
{
    platform::UniqueFd folder;
    int e = platform::openFileAt(sourceFd, relative, folder);
    if (e != 0)
        return e;
    std::vector<platform::SourceEntry> children;
    e = platform::listAt(folder.get(), children);
    if (e != 0)
        return e;
    std::sort(children.begin(), children.end(),
              [](const auto& x, const auto& y) { return x.name < y.name; });
    for (const platform::SourceEntry& child : children) {
        if (stopRequested(callbacks))
            return interruptedCode(format);
        SourceItem item;
        item.relative = relative + '/' + child.name;
        item.storedName = platform::nameFromBytes(item.relative);
        item.stat = child;
        if (S_ISLNK(child.mode)) {
            if (platform::readLinkAt(folder.get(), child.name, item.linkTarget) != 0)
                continue;
        } else if (!S_ISREG(child.mode) && !S_ISDIR(child.mode)) {
            continue; // devices and FIFOs are not archived
        }
        out.push_back(item);
        if (S_ISDIR(child.mode)) {
            e = collectTree(sourceFd, item.relative, out, callbacks, format);
            if (e != 0)
                return e;
        }
    }
    return 0;
}

int collectSources(const QString& sourceFolder, const QStringList& names, bool recurse,
                   const ArchiveCallbacks& callbacks, int format, platform::UniqueFd& sourceFd,
                   std::vector<SourceItem>& out)
{
    int e = platform::openFolderPath(sourceFolder, sourceFd);
    if (e != 0)
        return e;
    for (const QString& name : names) {
        QString cleaned = name;
        while (cleaned.endsWith(QLatin1Char('/')))
            cleaned.chop(1);
        SourceItem item;
        item.relative = platform::nameToBytes(cleaned);
        QList<QByteArray> parts;
        if (item.relative.isEmpty() || !safeComponents(item.relative, parts))
            return EINVAL;
        item.storedName = cleaned;
        e = platform::statAt(sourceFd.get(), item.relative, item.stat);
        if (e != 0)
            return e;
        if (S_ISDIR(item.stat.mode)) {
            if (!recurse)
                continue;
            out.push_back(item);
            e = collectTree(sourceFd.get(), item.relative, out, callbacks, format);
            if (e != 0)
                return e;
            continue;
        }
        if (S_ISLNK(item.stat.mode)) {
            if (platform::readLinkAt(sourceFd.get(), item.relative, item.linkTarget) != 0)
                continue;
        } else if (!S_ISREG(item.stat.mode)) {
            continue;
        }
        out.push_back(item);
    }
    return 0;
}

// Reads a whole source file in chunks, asking about an interrupt between them.
int readSource(int sourceFd, const SourceItem& item, const ArchiveCallbacks& callbacks,
               const std::function<int(const char*, size_t)>& sink, qint64& done, int format,
               std::vector<char>& buffer)
{
    platform::UniqueFd in;
    int e = platform::openFileAt(sourceFd, item.relative, in);
    if (e != 0)
        return e;
    // One buffer for every file: a fresh one per file costs a page-fault
    // storm over thousands of small files.
    if (buffer.size() < Chunk)
        buffer.resize(Chunk);
    for (;;) {
        size_t got = 0;
        e = platform::readSome(in.get(), buffer.data(), buffer.size(), got);
        if (e != 0)
            return e;
        if (got == 0)
            return 0;
        e = sink(buffer.data(), got);
        if (e != 0)
            return e;
        done += qint64(got);
        if (callbacks.progress)
            callbacks.progress(done, item.storedName);
        if (stopRequested(callbacks))
            return interruptedCode(format);
    }
}

// The temporary beside the archive, renamed over it when complete.
struct Target {
    platform::UniqueFd folder;
    QByteArray name;
    QByteArray temp;
    platform::UniqueFd file;
    unsigned mode = 0;

    int open(const QString& archivePath)
    {
        QByteArray parentPath;
        platform::splitPath(platform::pathToBytes(archivePath), parentPath, name);
        if (name.isEmpty())
            return EINVAL;
        int e = platform::openFolderPath(platform::pathFromBytes(parentPath), folder);
        if (e != 0)
            return e;
        platform::SourceEntry old;
        mode = platform::statAt(folder.get(), name, old) == 0 ? (old.mode & 0777)
                                                              : platform::newFileMode();
        return platform::createTemporaryAt(folder.get(), temp, file);
    }
    void discard()
    {
        file.reset();
        if (!temp.isEmpty())
            platform::removeAt(folder.get(), temp);
        temp.clear();
    }
    int commit()
    {
        int e = platform::setModeAndTimes(file.get(), mode, -1, -1);
        if (e == 0)
            e = file.close();
        if (e == 0)
            e = platform::renameAt(folder.get(), temp, name);
        if (e != 0) {
            discard();
            return diskFull(e) ? int(ArchiveWriteFailed) : e;
        }
        temp.clear();
        return 0;
    }
    ~Target() { discard(); }
};

struct WriterFree {
    void operator()(archive* a) const { archive_write_free(a); }
};

// Gives up a zip being written into a temporary that is thrown away. A
// close, not archive_write_fail: after a fail the writer never ends its
// entry, and the entry's deflate state and the descriptor's client data
// would stay allocated.
void abandonWriter(archive* w)
{
    archive_write_close(w);
}

int createZip(const QString& archivePath, int sourceFd, const std::vector<SourceItem>& items,
              const ArchiveCallbacks& callbacks)
{
    const int stopped = ZipInterrupted;
    const bool exists = platform::pathExists(archivePath);
    if (exists && !platform::hasWritePermission(archivePath))
        return ZipArchiveReadOnly;
    Reader old;
    if (exists) {
        const int r = openReader(archivePath, ArchiveZip, old);
        if (r != 0)
            return r;
    }
    Target target;
    int e = target.open(archivePath);
    if (e != 0)
        return diskFull(e) || e == EACCES ? int(ArchiveWriteFailed) : e;
    std::unique_ptr<archive, WriterFree> writer(archive_write_new());
    archive* w = writer.get();
    archive_write_set_format_zip(w);
    // In the UTF-8 locale the writer flags every non-ASCII name as UTF-8 and
    // keeps its bytes; its hdrcharset=UTF-8 would put U+FFFD for the bytes
    // of a name that is no UTF-8, and two such names would become one.
    archive_write_set_options(w, "zip:compression=deflate");
    archive_write_set_bytes_in_last_block(w, 1);
    if (archive_write_open_fd(w, target.file.get()) != ARCHIVE_OK)
        return ArchiveWriteFailed;
    auto writeFailed = [&]() {
        const int errorNumber = archive_errno(w);
        abandonWriter(w);
        return diskFull(errorNumber) || errorNumber == 0 ? int(ArchiveWriteFailed) : errorNumber;
    };

    QHash<QString, const SourceItem*> byName;
    for (const SourceItem& item : items)
        byName.insert(item.storedName, &item);
    QSet<const SourceItem*> keptOld; // sources older than the entry they would replace
    qint64 done = 0;
    std::vector<char> buffer(Chunk);
    if (exists) {
        StoredNames oldNames(ArchiveZip, old.fd.get());
        archive* a = old.a.get();

        for (;;) {
            archive_entry* entry = nullptr;
            const int h = archive_read_next_header(a, &entry);
            if (h == ARCHIVE_EOF)
                break;
            if (h < ARCHIVE_WARN) {
                abandonWriter(w);
                return ArchiveDamaged;
            }
            const QString own = oldNames.name(a, entry);
            const QString storedName = own.isEmpty() ? entryName(entry, ArchiveZip) : own;
            QString name = storedName;
            while (name.endsWith(QLatin1Char('/')))
                name.chop(1);
            const SourceItem* source = byName.value(name);
            if (source) {
                const qint64 oldNs = platform::toNanoseconds(archive_entry_mtime(entry),
                                                             archive_entry_mtime_nsec(entry));
                // Zip keeps two-second times: only a clearly newer source replaces.
                if (source->stat.writeNs / 1000000000 > oldNs / 1000000000)
                    continue;
                keptOld.insert(source);
            }
            // A fresh entry: a clone keeps a name the reader failed to convert.
            archive_entry* copy = archive_entry_new();
            const QByteArray stored = platform::nameToBytes(storedName);
            archive_entry_copy_pathname(copy, stored.constData());
            archive_entry_set_mode(copy, archive_entry_mode(entry));
            archive_entry_set_mtime(copy, archive_entry_mtime(entry),
                                    archive_entry_mtime_nsec(entry));
            if (archive_entry_size_is_set(entry))
                archive_entry_set_size(copy, archive_entry_size(entry));
            if (const char* target = archive_entry_symlink(entry))
                archive_entry_copy_symlink(copy, target);
            const int wh = archive_write_header(w, copy);
            archive_entry_free(copy);
            if (wh < ARCHIVE_WARN)
                return writeFailed();
            for (;;) {
                const la_ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
                if (n < 0) {
                    abandonWriter(w);
                    return ArchiveDamaged;
                }
                if (n == 0)
                    break;
                if (archive_write_data(w, buffer.data(), size_t(n)) < 0)
                    return writeFailed();
                done += n;
                if (stopRequested(callbacks)) {
                    abandonWriter(w);
                    return stopped;
                }
            }
        }
    }
    for (const SourceItem& item : items) {
        if (keptOld.contains(&item))
            continue;
        if (stopRequested(callbacks)) {
            abandonWriter(w);
            return stopped;
        }
        archive_entry* entry = archive_entry_new();
        const QByteArray stored =
            platform::nameToBytes(item.storedName) + (isFolderMode(item.stat.mode) ? "/" : "");
        archive_entry_copy_pathname(entry, stored.constData());
        archive_entry_set_mode(entry, item.stat.mode & ~unsigned(S_ISUID | S_ISGID));
        archive_entry_set_mtime(entry, item.stat.writeNs / 1000000000,
                                long(item.stat.writeNs % 1000000000));
        if (S_ISREG(item.stat.mode))
            archive_entry_set_size(entry, la_int64_t(item.stat.size));
        else
            archive_entry_set_size(entry, 0);
        if (S_ISLNK(item.stat.mode))
            archive_entry_copy_symlink(entry, item.linkTarget.constData());
        const int wh = archive_write_header(w, entry);
        archive_entry_free(entry);
        if (wh < ARCHIVE_WARN)
            return writeFailed();
        if (!S_ISREG(item.stat.mode))
            continue;
        int writeError = 0;
        e = readSource(
            sourceFd, item, callbacks,
            [&](const char* data, size_t size) {
                if (archive_write_data(w, data, size) < 0) {
                    writeError = writeFailed();
                    return writeError;
                }
                return 0;
            },
            done, ArchiveZip, buffer);
        if (writeError != 0)
            return writeError;
        if (e != 0) {
            abandonWriter(w);
            return e;
        }
    }
    if (archive_write_close(w) != ARCHIVE_OK)
        return writeFailed();
    return target.commit();
}

// ---- cab ---------------------------------------------------------------------

template <typename T> struct GObjectPtr {
    T* p = nullptr;
    explicit GObjectPtr(T* object) : p(object) {}
    ~GObjectPtr()
    {
        if (p)
            g_object_unref(p);
    }
    GObjectPtr(const GObjectPtr&) = delete;
    GObjectPtr& operator=(const GObjectPtr&) = delete;
};

bool isAscii(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// Adds one file to the cab folder; `bytes` is taken.
bool addCabFile(GCabFolder* folder, const QString& storedName, GBytes* bytes, qint64 writeNs,
                bool readOnly)
{
    QString name = storedName;
    name.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QByteArray utf8 = platform::nameToBytes(name);
    GCabFile* file = gcab_file_new_with_bytes(utf8.constData(), bytes);
    g_bytes_unref(bytes);
    guint32 attributes = GCAB_FILE_ATTRIBUTE_ARCH;
    if (readOnly)
        attributes |= GCAB_FILE_ATTRIBUTE_RDONLY;
    // Undecodable bytes are stored as they are, without claiming UTF-8.
    if (!isAscii(name) && name.toUtf8() == utf8)
        attributes |= GCAB_FILE_ATTRIBUTE_NAME_IS_UTF;
    gcab_file_set_attributes(file, attributes);
    GDateTime* time = g_date_time_new_from_unix_local(writeNs / 1000000000);
    if (time) {
        gcab_file_set_date_time(file, time);
        g_date_time_unref(time);
    }
    const gboolean added = gcab_folder_add_file(folder, file, FALSE, nullptr, nullptr);
    g_object_unref(file);
    return added;
}

struct CabProgress {
    const ArchiveCallbacks* callbacks;
    GCancellable* cancellable;
};

void cabProgress(goffset, goffset, gpointer data)
{
    auto* progress = static_cast<CabProgress*>(data);
    if (stopRequested(*progress->callbacks))
        g_cancellable_cancel(progress->cancellable);
}

int createCab(const QString& archivePath, int sourceFd, const std::vector<SourceItem>& items,
              const ArchiveCallbacks& callbacks)
{
    const int stopped = CabInterruptedOrReadOnly;
    const bool exists = platform::pathExists(archivePath);
    if (exists && !platform::hasWritePermission(archivePath))
        return CabInterruptedOrReadOnly;
    GObjectPtr<GCabCabinet> cabinet(gcab_cabinet_new());
    GObjectPtr<GCabFolder> folder(gcab_folder_new(GCAB_COMPRESSION_MSZIP));
    if (!gcab_cabinet_add_folder(cabinet.p, folder.p, nullptr))
        return ArchiveWriteFailed;
    g_object_ref(folder.p); // the cabinet holds one reference, the guard another

    QHash<QString, const SourceItem*> byName;
    for (const SourceItem& item : items)
        byName.insert(item.storedName, &item);
    QSet<const SourceItem*> keptOld;
    qint64 done = 0;
    std::vector<char> buffer(Chunk);
    if (exists) {
        Reader old;
        const int r = openReader(archivePath, ArchiveCab, old);
        if (r != 0)
            return r;
        StoredNames oldNames(ArchiveCab, old.fd.get());
        archive* a = old.a.get();

        for (;;) {
            archive_entry* entry = nullptr;
            const int h = archive_read_next_header(a, &entry);
            if (h == ARCHIVE_EOF)
                break;
            if (h < ARCHIVE_WARN)
                return ArchiveDamaged;
            QString name = oldNames.name(a, entry);
            if (name.isEmpty())
                name = entryName(entry, ArchiveCab);
            const qint64 oldNs = platform::toNanoseconds(archive_entry_mtime(entry),
                                                         archive_entry_mtime_nsec(entry));
            if (const SourceItem* source = byName.value(name)) {
                if (source->stat.writeNs / 1000000000 > oldNs / 1000000000)
                    continue;
                keptOld.insert(source);
            }
            QByteArray data;
            for (;;) {
                const la_ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
                if (n < 0)
                    return ArchiveDamaged;
                if (n == 0)
                    break;
                data.append(buffer.data(), n);
                if (stopRequested(callbacks))
                    return stopped;
            }
            const bool readOnly = (archive_entry_mode(entry) & 0222) == 0;
            GBytes* bytes = g_bytes_new(data.constData(), gsize(data.size()));
            if (!addCabFile(folder.p, name, bytes, oldNs, readOnly))
                return ArchiveDamaged;
        }
    }
    for (const SourceItem& item : items) {
        // A cab has no folder entries and no links.
        if (keptOld.contains(&item) || !S_ISREG(item.stat.mode))
            continue;
        QByteArray data;
        data.reserve(qsizetype(item.stat.size));
        const int e = readSource(
            sourceFd, item, callbacks,
            [&](const char* chunk, size_t size) {
                data.append(chunk, qsizetype(size));
                return 0;
            },
            done, ArchiveCab, buffer);
        if (e != 0)
            return e;
        GBytes* bytes = g_bytes_new(data.constData(), gsize(data.size()));
        if (!addCabFile(folder.p, item.storedName, bytes, item.stat.writeNs,
                        (item.stat.mode & 0222) == 0))
            return ArchiveWriteFailed;
    }

    Target target;
    int e = target.open(archivePath);
    if (e != 0)
        return diskFull(e) || e == EACCES ? int(ArchiveWriteFailed) : e;
    // The cabinet writer seeks back to fill in its header: it writes into
    // memory and the bytes go to the descriptor afterwards.
    GObjectPtr<GOutputStream> memory(g_memory_output_stream_new_resizable());
    GObjectPtr<GCancellable> cancellable(g_cancellable_new());
    CabProgress progress{&callbacks, cancellable.p};
    GError* error = nullptr;
    const gboolean written = gcab_cabinet_write(cabinet.p, memory.p, nullptr, cabProgress,
                                                &progress, cancellable.p, &error);
    if (error)
        g_error_free(error);
    if (g_cancellable_is_cancelled(cancellable.p))
        return stopped;
    if (!written || !g_output_stream_close(memory.p, nullptr, nullptr))
        return ArchiveWriteFailed;
    auto* stream = G_MEMORY_OUTPUT_STREAM(memory.p);
    const char* data = static_cast<const char*>(g_memory_output_stream_get_data(stream));
    size_t size = g_memory_output_stream_get_data_size(stream);
    while (size > 0) {
        const size_t slice = std::min(size, Chunk);
        e = platform::writeFully(target.file.get(), data, slice);
        if (e != 0)
            return diskFull(e) ? int(ArchiveWriteFailed) : e;
        data += slice;
        size -= slice;
        if (stopRequested(callbacks))
            return stopped;
    }
    return target.commit();
}

int createLzh(const QString& archivePath, const QString& sourceFolder,
              const std::vector<SourceItem>& items, const ArchiveCallbacks& callbacks)
{
    // The writer renames its result over the old archive, which a read-only
    // file does not prevent.
    if (platform::pathExists(archivePath) && !platform::hasWritePermission(archivePath))
        return EACCES;
    QList<LzhSource> sources;
    for (const SourceItem& item : items) {
        if (S_ISLNK(item.stat.mode))
            continue;
        LzhSource source;
        source.path = sourceFolder + item.storedName;
        source.storedName = item.storedName;
        source.folder = S_ISDIR(item.stat.mode);
        sources.append(source);
    }
    LzhOptions options;
    options.interrupted = callbacks.interrupted;
    if (callbacks.progress)
        options.progress = [&callbacks](qint64 bytes) { callbacks.progress(bytes, QString()); };
    const int r = writeLzh(archivePath, sources, options);
    if (r == LzhWriterInterrupted)
        return LzhInterrupted;
    if (r == LzhNotAnArchive)
        return ArchiveDamaged;
    return diskFull(r) ? int(ArchiveWriteFailed) : r;
}

} // namespace

QString ArchiveBackends::libarchiveVersion()
{
    return QString::fromLatin1(archive_version_string());
}

QString ArchiveBackends::gcabVersion()
{
    const QString version = QString::fromLatin1(TOVANE_GCAB_VERSION);
    return version.isEmpty() ? QString() : QStringLiteral("libgcab ") + version;
}

QString ArchiveBackends::lzhVersion()
{
    return lzhWriterVersion();
}

bool ArchiveBackends::busy(int format)
{
    return validFormat(format) && busyFlags[format];
}

bool ArchiveBackends::isArchive(const QString& path, int format)
{
    if (!validFormat(format))
        return false;
    Utf8Locale locale;
    Reader reader;
    if (openReader(path, format, reader) != 0)
        return false;
    archive_entry* entry = nullptr;
    const int r = archive_read_next_header(reader.a.get(), &entry);
    return r == ARCHIVE_OK || r == ARCHIVE_WARN || r == ARCHIVE_EOF;
}

int ArchiveBackends::list(const QString& path, int format, QString& listing,
                          const ArchiveCallbacks& callbacks)
{
    listing.clear();
    BusyGuard guard(format);
    if (!validFormat(format))
        return EINVAL;
    if (!guard.acquired())
        return ArchiveBusy;
    Utf8Locale locale;
    Reader reader;
    const int r = openReader(path, format, reader);
    if (r != 0)
        return r;
    StoredNames storedNames(format, reader.fd.get());
    archive* a = reader.a.get();
    QString text = headerLines(format);
    // The C library's local time looks at /etc/localtime on every call.
    const QTimeZone zone = QTimeZone::systemTimeZone();
    int count = 0;
    qint64 total = 0;
    qint64 totalPacked = 0;
    for (;;) {
        if ((count & 255) == 0 && stopRequested(callbacks))
            return interruptedCode(format);
        archive_entry* entry = nullptr;
        const int h = archive_read_next_header(a, &entry);
        if (h == ARCHIVE_EOF)
            break;
        if (h < ARCHIVE_WARN)
            return ArchiveDamaged;
        ListLine line;
        const char* raw = archive_entry_pathname(entry);
        const CabFileRecord* cabRecord = nullptr;
        line.name = storedNames.name(a, entry, &cabRecord);
        if (line.name.isEmpty())
            line.name = decodeStored(raw, format);
        const bool folder = archive_entry_filetype(entry) == AE_IFDIR;
        if (folder && !line.name.endsWith(QLatin1Char('/')))
            line.name += QLatin1Char('/');
        line.size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
        line.packed = line.size;
        line.time = QDateTime::fromSecsSinceEpoch(archive_entry_mtime(entry), zone);
        const unsigned mode = archive_entry_mode(entry);
        bool readOnly = (mode & 0222) == 0;
        bool hidden = false;
        bool system = false;
        bool archived = !folder;
        if (cabRecord) {
            readOnly = cabRecord->attributes & 0x01;
            hidden = cabRecord->attributes & 0x02;
            system = cabRecord->attributes & 0x04;
            archived = cabRecord->attributes & 0x20;
        }
        if (format == ArchiveZip && storedNames.hasZipFacts()) {
            const ZipDirectoryEntry facts = storedNames.zipFacts();
            line.packed = qint64(facts.packed);
            if (facts.dosAttributes >= 0) {
                readOnly = facts.dosAttributes & 1;
                hidden = facts.dosAttributes & 2;
                system = facts.dosAttributes & 4;
                archived = facts.dosAttributes & 32;
            }
        } else if (format == ArchiveLzh) {
            qint64 packed = 0;
            int dos = -1;
            if (lzhHeaderFacts(reader.fd.get(), archive_read_header_position(a), line.method,
                               packed, dos))
                line.packed = packed;
            if (dos >= 0) {
                readOnly = dos & 1;
                hidden = dos & 2;
                system = dos & 4;
                archived = dos & 32;
            }
            if (line.method.isEmpty())
                line.method = folder ? QStringLiteral("-lhd-") : QStringLiteral("-lh5-");
        }
        line.attributes = attributeLetters(readOnly, hidden, system, archived);
        text += entryLines(format, line);
        ++count;
        total += line.size;
        totalPacked += line.packed;
        if (callbacks.progress && (count & 255) == 0)
            callbacks.progress(archive_filter_bytes(a, -1), line.name);
    }
    text += summaryLines(count, total, totalPacked);
    listing = text;
    return 0;
}

int ArchiveBackends::extract(const QString& archivePath, int format,
                             const QString& destinationFolder, const ArchiveCallbacks& callbacks,
                             QList<ArchiveEntryProblem>* problems)
{
    BusyGuard guard(format);
    if (!validFormat(format))
        return EINVAL;
    if (!guard.acquired())
        return ArchiveBusy;
    Utf8Locale locale;
    platform::relaxHeapTrimming();
    Extractor extractor(format, callbacks, problems);
    return extractor.run(archivePath, destinationFolder);
}

int ArchiveBackends::create(int format, const QString& archivePath, const QString& sourceFolder,
                            const QStringList& names, bool recurse,
                            const ArchiveCallbacks& callbacks)
{
    BusyGuard guard(format);
    if (!validFormat(format))
        return EINVAL;
    if (!guard.acquired())
        return ArchiveBusy;
    Utf8Locale locale;
    platform::relaxHeapTrimming();
    platform::UniqueFd sourceFd;
    std::vector<SourceItem> items;
    int e = collectSources(sourceFolder, names, recurse, callbacks, format, sourceFd, items);
    if (e != 0)
        return e;
    switch (format) {
    case ArchiveZip:
        return createZip(archivePath, sourceFd.get(), items, callbacks);
    case ArchiveCab:
        return createCab(archivePath, sourceFd.get(), items, callbacks);
    default:
        return createLzh(archivePath, sourceFolder, items, callbacks);
    }
}

} // namespace tovane
