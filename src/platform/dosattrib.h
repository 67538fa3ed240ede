#pragma once
// The DOS-attribute record kept in the user.DOSATTRIB extended attribute, in
// the layout Samba defines (hex text, NUL, then an NDR record). Pure codec:
// no system calls here; filesystem.cpp reads and writes the attribute.

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

namespace tovane::platform {

struct DosInfo {
    quint32 attributes = 0;      // FILE_ATTRIBUTE_* bits (R 1, H 2, S 4, A 32, ...)
    bool hasCreateTime = false;
    qint64 createTime = 0;       // nanoseconds since 1970-01-01 UTC
};

// Reads every form: hex text only ("0x20"), and the binary versions 1..5 after
// the text. Returns false for a blob that fails validation (then `out` is
// untouched).
bool decodeDosAttrib(QByteArrayView blob, DosInfo& out);

// Writes version 3: "0x<hex>", NUL, version 3 record with valid flags ATTRIB
// and, when set, CREATE_TIME.
QByteArray encodeDosAttrib(const DosInfo& info);

// NTTIME (100 ns since 1601 UTC) <-> nanoseconds since 1970 UTC.
qint64 ntTimeToUnixNs(quint64 ntTime);
quint64 unixNsToNtTime(qint64 unixNs);

} // namespace tovane::platform
