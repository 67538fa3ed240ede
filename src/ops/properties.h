#pragma once
// The rows of Tovane's own properties window, for when the desktop offers
// none: of one item (name, place, type, size, times, owner, permissions and
// the DOS attributes of our store) or of one volume (device, file system,
// label, capacity, free space). Built from the platform layer only.

#include "platform/volumes.h"

#include <QList>
#include <QString>

namespace tovane {

class MessageService;

struct PropertyRow {
    QString key;     // stable name of the row (the dialog's objectName suffix)
    QString caption; // Japanese caption
    QString value;
};

struct PropertySheet {
    QString title; // window caption: the item's or the volume's name
    QList<PropertyRow> rows;
    QString value(const QString& key) const;
};

QString propertiesTitle(); // プロパティ

// Before a properties window: the volume of the item must answer (else
// "処理できません。"); a write-protected one is asked about, since nothing
// can be changed there. True to go on.
bool propertiesMayOpen(MessageService& messages, const QString& mountPoint, bool available,
                       bool writable, bool writeProtected);
QString propertiesWriteProtectedText(const QString& mountPoint);

// "file://" + the path's bytes on disk, percent-encoded ("/" kept): names
// that are no UTF-8 reach the desktop unchanged.
QString fileUri(const QString& path);

// "rwxr-x--- (750)" of the permission bits; set-id and sticky bits show as
// s/S and t/T and count in the octal number.
QString permissionText(quint32 mode);

// The MIME type's name and description, from the name and the first bytes
// (regular files) or from the kind of the entry (folders, links, devices).
QString mimeTypeText(const QString& name, quint32 mode, const QByteArray& head);

// `path` without trailing "/" (a folder, a file, a link: read itself).
// 0, or the errno of reading it.
int itemProperties(const QString& path, PropertySheet& out);

// `space` may be null when the volume did not answer.
PropertySheet volumeProperties(const platform::VolumeInfo& volume,
                               const platform::VolumeSpace* space);

} // namespace tovane
