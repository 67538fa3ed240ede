#pragma once
// The texts and sort keys derived from an item record: what the file list,
// the search results and the messages show for one directory entry. They are
// computed on demand, so a listing keeps only the records themselves.

#include "platform/itemrecord.h"

#include <QString>
#include <QtGlobal>
#include <array>

namespace tovane {

// Only these bits of an entry's attributes are kept, shown and compared.
constexpr quint32 AttributeBitsUsed = 32767;

// The bits a user can hide items by; any other bit in a mask is ignored.
constexpr quint32 HideableAttributes = AttrReadOnly | AttrHidden | AttrSystem | AttrCompressed;

struct AttributeEntry {
    quint32 bit;
    QStringView name;
    QChar letter;
};

// The attribute table in display order (index 1-6 of the classic table at
// positions 0-5): read-only, hidden, system, archive, compressed, directory.
const std::array<AttributeEntry, 6>& attributeTable();

// True when the entry carries a bit the user chose to hide.
inline bool hiddenByMask(quint32 attributes, quint32 hiddenMask)
{
    return (attributes & hiddenMask & HideableAttributes) != 0;
}

// A size from its two 32-bit halves, the low half taken as unsigned.
constexpr double sizeOf(quint32 high, quint32 low)
{
    return double(high) * 4294967296.0 + double(low);
}

// List item key: the name followed by "/", never a valid name itself.
inline QString itemKey(const QString& name)
{
    return name + u'/';
}

// "#,##0" of the bytes, or of the kilobytes rounded up in kilobyte mode.
QString sizeText(quint64 bytes, bool kilobyteMode);

// Local "yyyy/mm/dd hh:nn:ss" of a time in nanoseconds since 1970 UTC. The
// offset is the one in force at that instant (summer time included), and
// fractions of a second are dropped towards the past.
QString fileTimeText(qint64 nanosecondsSince1970);
// The seconds of that local time text (what two times are compared by).
qint64 localTimeSeconds(qint64 nanosecondsSince1970);

// The letters "RHSAC " for the set bits, in table order; a folder ends with
// a space ("RA" for a read-only archived file, " " for a plain folder).
QString attributeLetters(quint32 attributes);

// " " + name for a folder, the name for anything else: folders sort first.
QString nameSortKey(const QString& name, bool isFolder);
inline QString nameSortKey(const ItemRecord& record)
{
    return nameSortKey(record.name, record.isFolder());
}

// The last 12 digits of the zero-padded decimal size. Sizes of 10^12 bytes
// and more keep only those digits, so the key alone does not order them.
QString sizeSortKey(quint64 bytes);
inline constexpr QStringView UnknownSizeSortKey = u"000000000000";

// The low 15 attribute bits as decimal text.
QString attributeNumberText(quint32 attributes);

// Folder size as the list passes it: below 0 when not computed or unreadable.
constexpr double NoFolderSize = -1;

// The cells of one list row, in column order.
struct ItemTexts {
    QString text;            // the name
    QString key;             // name + "/"
    QString size;            // size text; " " for a folder without a size
    QString time;            // fileTimeText of the last-write time
    QString attributes;      // attribute letters
    QString nameKey;         // name sort key
    QString sizeKey;         // size sort key; UnknownSizeSortKey without a size
    QString attributeNumber; // attribute bits as decimal
};

// `folderSize` is only looked at for folders: a value of 0 or more is the
// computed size, anything else means none is shown.
ItemTexts itemTexts(const ItemRecord& record, bool kilobyteMode, double folderSize = NoFolderSize);

// The size cell and the size key of a row (files: their size; folders: the
// given folder size when there is one).
QString sizeCellText(const ItemRecord& record, bool kilobyteMode, double folderSize = NoFolderSize);
QString sizeCellKey(const ItemRecord& record, double folderSize = NoFolderSize);

} // namespace tovane
