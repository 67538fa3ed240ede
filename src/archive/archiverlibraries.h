#pragma once
// The table of archive back ends found at start-up. Five entries in a fixed
// order, each the Linux library that fills the role: cab (libgcab writes,
// libarchive reads), lzh (Tovane's own writer, libarchive reads), zip
// reading and writing (libarchive) and the deflate engine beneath (zlib).
// An entry whose version text is empty was not found.

#include <QString>
#include <array>

namespace tovane {

struct ArchiverLibrary {
    QString name;    // the table name shown in the version window
    QString version; // empty: not found
    QString holder;  // its copyright holder
};

class ArchiverLibraries {
public:
    static constexpr int Count = 5;
    enum Index { Cab = 0, Lzh = 1, ZipRead = 2, ZipWriteHelper = 3, ZipWrite = 4 };

    ArchiverLibraries();

    // The versions of the back ends linked into this program.
    static ArchiverLibraries detect();

    const ArchiverLibrary& at(int i) const { return m_entries[i]; }
    void setVersion(int i, const QString& version) { m_entries[i].version = version; }
    bool found(int i) const { return !m_entries[i].version.isEmpty(); }

    // " cab, lzh, zip," form: what can be listed and extracted.
    QString archiveExtensionSet() const;
    // What can be created: zip needs both writing entries.
    QString compressionExtensionSet() const;
    bool canCompress(int extensionIndex) const;

    // The version window's line for entry i: "未装備" when not found.
    QString versionLine(int i) const;

    static QString extension(int extensionIndex); // 0 cab, 1 lzh, 2 zip

private:
    std::array<ArchiverLibrary, Count> m_entries;
};

} // namespace tovane
