#pragma once
// The file records of a cabinet read directly: libarchive turns every 0x5C
// byte of a name into "/", also the second byte of a CP932 character, and
// does not report the hidden and system attributes.

#include <QByteArray>
#include <QtGlobal>

#include <vector>

namespace tovane {

struct CabFileRecord {
    QByteArray name; // as stored, "\" between folders
    quint32 size = 0;
    quint16 attributes = 0; // 0x01 read-only, 0x02 hidden, 0x04 system, 0x20 archive, 0x80 UTF-8
};

// The records in their stored order; false when the header cannot be read.
bool readCabDirectory(int fd, std::vector<CabFileRecord>& out);

} // namespace tovane
