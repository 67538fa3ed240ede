#include "ops/properties.h"

#include "core/messageservice.h"
#include "fs/itemtext.h"
#include "fs/numberformat.h"
#include "fs/pathcheck.h"
#include "fs/pathrules.h"
#include "platform/filesystem.h"
#include "platform/iteminfo.h"
#include "platform/names.h"
#include "platform/textfile.h"

#include <QMimeDatabase>

#include <sys/stat.h>

namespace tovane {

namespace {

// As much as the MIME magic rules look at in practice.
constexpr qint64 HeadBytes = 4096;

QString bytesText(double bytes)
{
    const QString exact = formatCount(bytes) + QStringLiteral(" バイト");
    if (bytes < 1024)
        return exact;
    return byteSizeText(bytes) + QStringLiteral("（") + exact + QStringLiteral("）");
}

QString attributeNames(quint32 attributes)
{
    QStringList names;
    for (const AttributeEntry& e : attributeTable())
        if ((attributes & e.bit) && e.bit != AttrDirectory)
            names << e.name.toString();
    if (names.isEmpty())
        return QStringLiteral("なし");
    return names.join(u'・') + QStringLiteral(" (") + attributeLetters(attributes).trimmed() + u')';
}

} // namespace

QString PropertySheet::value(const QString& key) const
{
    for (const PropertyRow& r : rows)
        if (r.key == key)
            return r.value;
    return QString();
}

QString propertiesTitle()
{
    return QStringLiteral("プロパティ");
}

QString propertiesWriteProtectedText(const QString& mountPoint)
{
    return QStringLiteral("ドライブ ") + mountPoint + QStringLiteral(" は\r\n\r\n") +
           QStringLiteral("書込み禁止なので、データの変更はできません。");
}

bool propertiesMayOpen(MessageService& messages, const QString& mountPoint, bool available,
                       bool writable, bool writeProtected)
{
    if (available && writable)
        return true;
    if (available && writeProtected)
        return messages.showMessage(propertiesWriteProtectedText(mountPoint), ButtonsOkCancel,
                                    propertiesTitle()) == AnswerYes;
    messages.showMessage(PathChecker::cannotProcessText(mountPoint), ButtonsOk, propertiesTitle());
    return false;
}

QString fileUri(const QString& path)
{
    // QByteArray's own encoding: QUrl's takes a QString and would turn
    // bytes that are no UTF-8 into U+FFFD.
    return QStringLiteral("file://") +
           QString::fromLatin1(platform::pathToBytes(path).toPercentEncoding("/"));
}

QString permissionText(quint32 mode)
{
    static const char letters[] = "rwxrwxrwx";
    QString text;
    for (int i = 0; i < 9; ++i)
        text += (mode & (0400u >> i)) ? QChar::fromLatin1(letters[i]) : u'-';
    auto special = [&](int position, quint32 bit, char set) {
        const bool x = text.at(position) == u'x';
        if (mode & bit)
            text[position] = x ? QChar::fromLatin1(set) : QChar::fromLatin1(char(set - 32));
    };
    special(2, S_ISUID, 's');
    special(5, S_ISGID, 's');
    special(8, S_ISVTX, 't');
    return text + QStringLiteral(" (") + QString::number(mode & 07777, 8).rightJustified(3, u'0') +
           u')';
}

QString mimeTypeText(const QString& name, quint32 mode, const QByteArray& head)
{
    QMimeDatabase db;
    QMimeType type;
    if (S_ISDIR(mode))
        type = db.mimeTypeForName(QStringLiteral("inode/directory"));
    else if (S_ISLNK(mode))
        type = db.mimeTypeForName(QStringLiteral("inode/symlink"));
    else if (S_ISCHR(mode))
        type = db.mimeTypeForName(QStringLiteral("inode/chardevice"));
    else if (S_ISBLK(mode))
        type = db.mimeTypeForName(QStringLiteral("inode/blockdevice"));
    else if (S_ISFIFO(mode))
        type = db.mimeTypeForName(QStringLiteral("inode/fifo"));
    else if (S_ISSOCK(mode))
        type = db.mimeTypeForName(QStringLiteral("inode/socket"));
    else
        type = db.mimeTypeForFileNameAndData(name, head);
    if (!type.isValid())
        return QStringLiteral("application/octet-stream");
    const QString comment = type.comment();
    return comment.isEmpty() || comment == type.name()
               ? type.name()
               : type.name() + QStringLiteral("（") + comment + QStringLiteral("）");
}

int itemProperties(const QString& path, PropertySheet& out)
{
    platform::ItemInfo info;
    if (const int error = platform::itemInfo(path, info))
        return error;
    const QString name = isRootPath(path) ? path : fileNameOf(path);
    QByteArray head;
    if (S_ISREG(info.mode))
        platform::readFileStart(path, head, HeadBytes);
    out = PropertySheet();
    out.title = name;
    auto add = [&out](const char* key, const char* caption, const QString& value) {
        out.rows.append({QString::fromLatin1(key), QString::fromUtf8(caption), value});
    };
    add("Name", "名前", name);
    add("Location", "場所", isRootPath(path) ? path : stripSeparator(parentOf(path)));
    add("Type", "種類", mimeTypeText(name, info.mode, head));
    if (S_ISLNK(info.mode))
        add("LinkTarget", "リンク先", info.linkTarget);
    add("Size", "サイズ", S_ISDIR(info.mode) ? QStringLiteral("－") : bytesText(double(info.size)));
    add("Modified", "更新日時", fileTimeText(info.writeTime));
    add("Accessed", "アクセス日時", fileTimeText(info.accessTime));
    add("Changed", "属性変更日時", fileTimeText(info.changeTime));
    add("Created", "作成日時",
        info.birthKnown ? fileTimeText(info.birthTime) : QStringLiteral("不明"));
    add("Owner", "所有者", info.owner);
    add("Group", "グループ", info.group);
    add("Permissions", "アクセス権", permissionText(info.mode));
    quint32 attributes = 0;
    add("Attributes", "属性",
        platform::getAttributes(path, attributes) == 0 ? attributeNames(attributes)
                                                       : QStringLiteral("不明"));
    return 0;
}

PropertySheet volumeProperties(const platform::VolumeInfo& volume,
                               const platform::VolumeSpace* space)
{
    PropertySheet out;
    out.title = volume.label.isEmpty() ? volume.mountPoint : volume.label;
    auto add = [&out](const char* key, const char* caption, const QString& value) {
        out.rows.append({QString::fromLatin1(key), QString::fromUtf8(caption), value});
    };
    add("MountPoint", "ドライブ", volume.mountPoint);
    add("Device", "デバイス", volume.device);
    add("FileSystem", "ファイルシステム", volume.fileSystem);
    add("Label", "ラベル", volume.label.isEmpty() ? QStringLiteral("なし") : volume.label);
    const bool readOnly = volume.readOnly || (space && space->readOnly);
    add("State", "状態", readOnly ? QStringLiteral("書込み禁止") : QStringLiteral("書込み可"));
    if (space) {
        add("Capacity", "全容量", bytesText(space->totalBytes));
        add("Free", "空き容量", bytesText(space->availableBytes));
    } else {
        add("Capacity", "全容量", QStringLiteral("不明"));
        add("Free", "空き容量", QStringLiteral("不明"));
    }
    return out;
}

} // namespace tovane
