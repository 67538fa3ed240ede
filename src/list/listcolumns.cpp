#include "list/listcolumns.h"

namespace tovane {

namespace {

constexpr QChar UpMark = u'↑';
constexpr QChar DownMark = u'↓';

template <size_t N> std::array<bool, N> alignmentsFrom(QStringView text)
{
    std::array<bool, N> right{};
    size_t i = 0;
    for (QStringView item : text.split(u',')) {
        if (i >= N)
            break;
        right[i++] = item == u"1";
    }
    return right;
}

} // namespace

QString sizeHeaderText(bool kilobytes, bool trailingBlank)
{
    QString text = kilobytes ? QStringLiteral("ｻｲｽﾞ kB") : QStringLiteral("サイズ B");
    if (trailingBlank)
        text += u' ';
    return text;
}

QStringList folderHeaders(bool kilobytes)
{
    const QString joined = QStringLiteral("名　　　前,") + sizeHeaderText(kilobytes) +
                           QStringLiteral(",更新日時,属性,,,,");
    QStringList headers = joined.split(u',');
    headers.resize(FolderColumnCount);
    return headers;
}

QStringList driveHeaders()
{
    const QString joined =
        QStringLiteral("ドライブ名") + UpMark + QStringLiteral(",全容量,空き容量,ﾌｧｲﾙｼｽﾃﾑ,/ｸﾗｽﾀ");
    QStringList headers = joined.split(u',');
    headers.resize(DriveColumnCount);
    return headers;
}

std::array<bool, FolderColumnCount> folderAlignments()
{
    return alignmentsFrom<FolderColumnCount>(u"0,1,0,0,0,1,1,");
}

std::array<bool, DriveColumnCount> driveAlignments()
{
    return alignmentsFrom<DriveColumnCount>(u"0,1,1,0,1");
}

void markSortedHeader(QStringList& headers, int sortedColumn, bool descending, int visible)
{
    const int n = qMin(visible, int(headers.size()));
    for (int c = 0; c < n; ++c) {
        QString& h = headers[c];
        if (h.endsWith(UpMark) || h.endsWith(DownMark))
            h.chop(1);
    }
    if (sortedColumn >= 0 && sortedColumn < n)
        headers[sortedColumn] += descending ? DownMark : UpMark;
}

int columnWidthSet(int viewSlot, ListLayout layout)
{
    // Stored order of the slots: left, one window, right.
    static constexpr int slotOrder[3] = {0, 2, 1};
    const int slot = viewSlot >= 0 && viewSlot < 3 ? viewSlot : 0;
    return slotOrder[slot] * 2 + (layout == ListLayout::Drives ? 1 : 0);
}

QList<int> hiddenColumnsToReset(std::span<const int> widths)
{
    QList<int> columns;
    for (int c = FirstHiddenColumn; c < FolderColumnCount && c < int(widths.size()); ++c) {
        if (widths[size_t(c)] != 0)
            columns.append(c);
    }
    return columns;
}

} // namespace tovane
