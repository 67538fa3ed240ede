#pragma once
// The archive back ends behind the archiver interface: listing, checking and
// extracting cab, lzh and zip through libarchive; creating zip through
// libarchive, cab through libgcab and lzh through Tovane's own writer.
// Everything is synchronous on the calling (UI) thread; long work asks the
// callbacks whether to stop, between chunks, also inside a large entry.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace tovane {

// The format index of the archiver interface.
enum ArchiveFormat : int { ArchiveCab = 0, ArchiveLzh = 1, ArchiveZip = 2 };

// Result codes that callers interpret (besides 0 = success). Any other
// nonzero value is a failure reported with its number.
enum ArchiveResult : int {
    CabInterruptedOrReadOnly = -1, // cab: stopped by the user, or the archive is read-only
    ZipInterrupted = 9,
    ZipArchiveReadOnly = 15,
    LzhInterrupted = 0x8020,       // reported by nobody: the user knows
    LzhNothingToDo = 0x8027,       // no file was newer: nothing reported
    ArchiveBusy = 0x7001,          // another call of this back end is running
    ArchiveNotFound = 0x7002,      // the archive cannot be opened
    ArchiveDamaged = 0x7003,       // the archive cannot be read to its end
    ArchiveUnsafeEntry = 0x7004,   // an entry was refused (outside the folder, link, device)
    ArchiveWriteFailed = 0x7005,   // the disk refused a write (full, read-only, …)
};

struct ArchiveCallbacks {
    // True stops the work at the next chunk.
    std::function<bool()> interrupted;
    // Bytes handled so far and the current entry's name, for progress.
    std::function<void(qint64 bytes, const QString& entry)> progress;
};

struct ArchiveEntryProblem {
    QString entry; // the name as stored, decoded for display
    int code = 0;  // ArchiveUnsafeEntry, an errno, …
};

class ArchiveBackends {
public:
    // Version texts for the version window ("" when a back end is missing).
    static QString libarchiveVersion(); // reading cab/lzh/zip, writing zip
    static QString gcabVersion();       // writing cab
    static QString lzhVersion();        // Tovane's own lzh writer

    // A call of this format's back end is running (a re-entry from the event
    // loop, since everything runs on the UI thread).
    static bool busy(int format);

    // Whether the file is an archive of `format` that can be read.
    static bool isArchive(const QString& path, int format);

    // The listing text of the archive, CR LF line ends, in the layout the
    // content area shows and the search reads:
    // - a fixed number of header lines (cab 5, lzh 5, zip 2), then one
    //   entry per line (lzh: per two lines), then a line starting "-----"
    //   and a summary;
    // - cab entry: size date time attributes name, blank separated, date
    //   "YY-MM-DD", time "HH:MM:SS", attributes of the letters "rhsa" or
    //   "-" in their places, name with "\" between folders;
    // - zip entry: name size packed ratio date time attributes, date
    //   "YYYY-MM-DD", time "HH:MM:SS", attributes as for cab;
    // - lzh entry: the name alone on the first line, then on the second line
    //   14 characters of method and blanks followed by size packed ratio date
    //   time attributes (so that joining the two lines without the CR LF and
    //   those 14 characters gives the zip layout).
    // Folders are entries whose name ends in "/"; names keep the bytes that
    // cannot be decoded as U+DC80..U+DCFF.
    static int list(const QString& path, int format, QString& listing,
                    const ArchiveCallbacks& callbacks = {});

    // Extracts every entry into `destinationFolder` (existing, ending in
    // "/"), keeping the paths inside the archive and overwriting files
    // there. Never writes outside that folder: "..", absolute names, links
    // from earlier entries and links or hard links pointing outside are
    // refused per entry (listed in `problems`); devices and FIFOs are never
    // made; set-user/group-ID bits are dropped. Times and permissions are
    // restored.
    static int extract(const QString& archivePath, int format, const QString& destinationFolder,
                       const ArchiveCallbacks& callbacks = {},
                       QList<ArchiveEntryProblem>* problems = nullptr);

    // Creates or updates the archive at `archivePath` from `names` relative
    // to `sourceFolder` (ending in "/"). With `recurse` a folder name takes
    // its whole tree; without it folders are left out. An existing archive
    // keeps its other entries (an entry of the same name is replaced when
    // the source is newer). The new archive is written under a temporary
    // name beside it and renamed over it when complete.
    static int create(int format, const QString& archivePath, const QString& sourceFolder,
                      const QStringList& names, bool recurse,
                      const ArchiveCallbacks& callbacks = {});
};

} // namespace tovane
