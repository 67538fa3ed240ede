#pragma once
// Tovane's own LZH writer: no Debian library writes LZH. Entries are
// compressed with LZSS + static Huffman blocks (-lh5-, 8 KiB window; -lh6-/
// -lh7- on request) under level-2 headers with the CRC-16 of data and
// header, so that lha, lhasa and libarchive read them.

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace tovane {

struct LzhSource {
    QString path;       // the file or folder on disk (bytes of its name kept)
    QString storedName; // the name inside the archive, "/" between folders
    bool folder = false;
};

enum LzhMethod { Lh5 = 5, Lh6 = 6, Lh7 = 7 };

struct LzhOptions {
    LzhMethod method = Lh5;
    // Called between chunks; true stops the write (the old archive stays).
    std::function<bool()> interrupted;
    // Bytes of source data read so far, for progress.
    std::function<void(qint64)> progress;
};

// Result codes besides 0 and an errno.
enum LzhResult : int {
    LzhWriterInterrupted = -1,
    LzhNotAnArchive = -2, // the existing file at archivePath is no LZH archive
};

// Writes (or updates, as "lha u" does) the archive at `archivePath`: entries
// already in it are kept unless a source of the same stored name is newer,
// which replaces them; new names are added. The result is written under a
// temporary name beside it and renamed over it when complete. Stored names
// are CP932 when every character fits, else UTF-8.
int writeLzh(const QString& archivePath, const QList<LzhSource>& sources,
             const LzhOptions& options = {});

// The writer's name and version, for the version window.
QString lzhWriterVersion();

// Whole-buffer helpers, also used by the tests: one compressed stream of
// `method` for `data`, and its inverse.
QByteArray lzhCompress(const QByteArray& data, LzhMethod method);
bool lzhDecompress(const QByteArray& packed, qint64 originalSize, LzhMethod method,
                   QByteArray& out);

} // namespace tovane
