#include "list/listlabels.h"

#include "fs/numberformat.h"

namespace tovane {

namespace {

QString foldersAndFiles(const ItemCounts& counts)
{
    return QStringLiteral("( ") + formatCount(counts.folders) + QStringLiteral(" ﾌｫﾙﾀﾞ, ") +
           formatCount(counts.files) + QStringLiteral(" ﾌｧｲﾙ)");
}

QString itemsText(qint64 items)
{
    return formatCount(items) + QStringLiteral(" 項目");
}

} // namespace

QString listCountText(const ItemCounts& counts, bool folderItems)
{
    QString text = QStringLiteral(" リスト ") + itemsText(counts.items);
    if (folderItems)
        text += foldersAndFiles(counts);
    return text;
}

QString selectionCountText(const ItemCounts& counts, bool compareSelection, bool folderItems)
{
    if (counts.items < 1)
        return QString();
    QString text =
        (compareSelection ? QStringLiteral(" 比較選択　 ") : QStringLiteral(" 指定選択　 ")) +
        itemsText(counts.items);
    if (folderItems && compareSelection)
        text += foldersAndFiles(counts);
    return text;
}

QString copyTargetCountText(const ItemCounts& counts, bool compareSelection, bool folderItems)
{
    if (counts.items < 1)
        return QString();
    QString text = QStringLiteral(" コピー対象 ") + itemsText(counts.items);
    if (folderItems && compareSelection)
        text += foldersAndFiles(counts);
    return text;
}

QString withSizeTotal(const QString& text, double bytes, bool kilobytes)
{
    if (text.isEmpty())
        return text;
    qsizetype end = text.lastIndexOf(u')');
    if (end < 0)
        end = text.lastIndexOf(u'目');
    const QString head = end < 0 ? text : text.left(end + 1);
    return head + QStringLiteral("    ") + sizeWithUnit(bytes, kilobytes);
}

QString memoryStatusText(double totalBytes, double availableBytes, int modifiers)
{
    double divisor = 1024.0 * 1024.0;
    QString unit = QStringLiteral("MB");
    const bool shift = modifiers & ModifierShift;
    const bool ctrl = modifiers & ModifierCtrl;
    if (shift && !ctrl) {
        divisor = 1024.0;
        unit = QStringLiteral("kB");
    } else if (ctrl && !shift) {
        divisor = 1.0;
        unit = QStringLiteral("B");
    }
    return QStringLiteral("主メモリ容量：") + formatCount(totalBytes / divisor) + unit +
           QStringLiteral("  空きメモリ容量：") + formatCount(availableBytes / divisor) + unit;
}

} // namespace tovane
