#pragma once
// The zip central directory read directly: libarchive does not report an
// entry's packed size or its DOS attributes, which the listing shows.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QtGlobal>

namespace tovane {

struct ZipDirectoryEntry {
    quint64 packed = 0;
    quint64 size = 0;
    int dosAttributes = -1; // -1: made on a system without them
    unsigned unixMode = 0;  // st_mode bits when made on Unix, else 0
    unsigned flags = 0;     // general purpose bits (11: UTF-8 name)
};

// Facts per stored name (raw bytes), and the names in their stored order
// when `order` is given. False when no directory was found; the listing
// then shows sizes alone.
bool readZipDirectory(int fd, QHash<QByteArray, ZipDirectoryEntry>& out,
                      QList<QByteArray>* order = nullptr);

} // namespace tovane
