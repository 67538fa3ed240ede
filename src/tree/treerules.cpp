#include "tree/treerules.h"

#include "fs/enumeration.h"
#include "fs/numberformat.h"
#include "fs/pathrules.h"
#include "platform/volumes.h"

namespace tovane {

namespace {

const QString CrLf2 = QStringLiteral("\r\n\r\n");

constexpr double KiB = 1024.0;
constexpr double MiB = 1024.0 * 1024.0;
constexpr double GiB = 1024.0 * 1024.0 * 1024.0;
constexpr double GigabyteThreshold = 1048576000.0;
constexpr double MegabyteCapacity = 1024000.0;

} // namespace

QString childKey(const QString& parentKey, const QString& name)
{
    if (isRootPath(parentKey))
        return parentKey + name;
    return parentKey + PathSeparator + name;
}

QString treeKeyOf(const QString& path)
{
    if (path.isEmpty() || path == ComputerKey || path == ComputerText)
        return ComputerKey;
    return stripSeparator(path);
}

QString windowPathOf(const QString& key)
{
    if (key == ComputerKey || key.isEmpty())
        return ComputerText;
    return addSeparator(key);
}

QString driveText(const QString& mountPoint, const QString& label, DriveRead read)
{
    switch (read) {
    case DriveRead::Failed:
        return mountPoint + DriveFailedSuffix;
    case DriveRead::Unread:
        return mountPoint + QStringLiteral(" ／");
    case DriveRead::Read:
        break;
    }
    if (label.isEmpty())
        return mountPoint;
    return mountPoint + QStringLiteral(" [ ") + label + QStringLiteral(" ]");
}

int driveImage(int driveType, const QString& device)
{
    switch (driveType) {
    case platform::DriveRemovable:
        return device.startsWith(QLatin1String("/dev/fd")) ? ImageFloppy : ImageRemovableMedia;
    case platform::DriveNetwork:
        return ImageNetwork;
    case platform::DriveCdRom:
        return ImageCdRom;
    default:
        return ImageFixed;
    }
}

ImagePair folderImages(const QString& path)
{
    if (insideTrash(path))
        return {ImageTrash, ImageTrash};
    return {ImageFolder, ImageFolderOpen};
}

bool lazyRuleLoads(const QString& targetPath, const QString& parentPath)
{
    if (targetPath == ComputerKey || parentPath.isEmpty())
        return false;
    return targetPath.contains(parentPath, Qt::CaseInsensitive);
}

bool nodeTextLess(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    if (c != 0)
        return c < 0;
    return a < b;
}

QString formatParenthesisedThousandths(double value)
{
    QString text = formatNumber(value, 3);
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0)
        return text;
    text.insert(point + 1, QLatin1Char('('));
    text.append(QLatin1Char(')'));
    return text;
}

QString driveStatusText(const QString& mountPoint, double totalBytes, double freeBytes,
                        const QString& fileSystem, quint64 clusterBytes, int modifiers,
                        bool withCluster)
{
    const bool shift = modifiers & ModifierShift;
    const bool ctrl = modifiers & ModifierCtrl;
    const auto sized = [&](double bytes) -> QString {
        if (shift && !ctrl)
            return formatCount(bytes / KiB) + QStringLiteral("kB");
        if (ctrl && !shift)
            return formatCount(bytes) + QStringLiteral("B");
        if (bytes >= GigabyteThreshold)
            return formatParenthesisedThousandths(bytes / GiB) + QStringLiteral("GB");
        if (totalBytes >= MegabyteCapacity)
            return formatParenthesisedThousandths(bytes / MiB) + QStringLiteral("MB");
        return formatParenthesisedThousandths(bytes / KiB) + QStringLiteral("kB");
    };
    QString text = mountPoint + QStringLiteral(": 全容量：") + sized(totalBytes) +
                   QStringLiteral("  空き容量：") + sized(freeBytes) +
                   QStringLiteral("  ファイルシステム：") + fileSystem;
    if (withCluster) {
        const QString cluster =
            clusterBytes < 1024 ? formatCount(clusterBytes) + QStringLiteral("B")
                                : formatCount(double(clusterBytes) / KiB) + QStringLiteral("kB");
        text += QStringLiteral("  ") + cluster + QStringLiteral("/クラスタ");
    }
    return text;
}

bool pathChangeNeedsConfirmation(const SelectionLoad& other, bool twoWindows)
{
    if (!twoWindows || !other.allLevels)
        return false;
    return (other.designated && other.designatedItems > HeavySelectionItems) ||
           (other.compare && other.comparedItems > HeavySelectionItems);
}

QString pathChangeQuestion()
{
    return QStringLiteral("反対窓の処理対象項目が非常に多いので時間がかかります。") + CrLf2 +
           QStringLiteral("表示パスを変更しますか ？") + CrLf2 +
           QStringLiteral("反対窓の選択を解除すれば時間は短くなります。");
}

QString notAccessibleText(const QString& path)
{
    return path + QStringLiteral(" にはアクセスできません。");
}

QString outOfMemoryText()
{
    return QStringLiteral("メモリ不足です。") + CrLf2 + QStringLiteral("このファイラを再起動して") +
           CrLf2 + QStringLiteral("展開対象項目をもっと下位のフォルダにしてください。");
}

QString jumpOutsideTreeText(const QString& jumpPath)
{
    return QStringLiteral("選択窓のツリーに") + CrLf2 + jumpPath + CrLf2 +
           QStringLiteral("は含まれないのでジャンプできません。") + CrLf2;
}

QString jumpTargetMissingText()
{
    return QStringLiteral("ツリーの対象項目は見つかりません。") + CrLf2;
}

} // namespace tovane
