#pragma once
// Texts of the three count labels below a file list (listed items, marked
// items, copy targets), the size totals appended to them, and the memory
// label shown with the drive list.

#include "tree/treerules.h"

#include <QString>
#include <QtGlobal>

namespace tovane {

struct ItemCounts {
    qint64 items = 0;
    qint64 folders = 0;
    qint64 files = 0;
    double bytes = 0; // total size of the counted items
};

// " リスト 12 項目", with "( 2 ﾌｫﾙﾀﾞ, 10 ﾌｧｲﾙ)" for folder items.
QString listCountText(const ItemCounts& counts, bool folderItems);

// " 比較選択　 " or " 指定選択　 " + count + " 項目", with the folder/file
// part for folder items under the compare selection. Empty below 1 item.
QString selectionCountText(const ItemCounts& counts, bool compareSelection, bool folderItems);

// " コピー対象 " + count + " 項目", with the folder/file part under the
// compare selection. Empty without copy targets.
QString copyTargetCountText(const ItemCounts& counts, bool compareSelection, bool folderItems);

// Cuts the text after its last ")" (or, without one, after "目") and appends
// four blanks and the size: "#,##0 kB" (rounded up) or "#,##0 B". An empty
// text stays empty.
QString withSizeTotal(const QString& text, double bytes, bool kilobytes);

// "主メモリ容量：" + total + unit + "  空きメモリ容量：" + available + unit;
// MB with neither or both of Shift and Ctrl, kB with Shift, B with Ctrl
// (`modifiers` holds ModifierBits).
QString memoryStatusText(double totalBytes, double availableBytes, int modifiers);

} // namespace tovane
