#pragma once
// The two layouts of a window's file list: which columns exist, their header
// texts and alignments, the sort mark on the sorted header, and where the
// column widths of a layout are kept in the settings.

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <span>

namespace tovane {

// Columns of the folder-items layout. 4-6 hold the sort keys and stay at
// width 0.
enum ListColumn : int {
    ColumnName = 0,
    ColumnSize = 1,
    ColumnTime = 2,
    ColumnAttributes = 3,
    ColumnNameKey = 4,
    ColumnSizeKey = 5,
    ColumnAttributeNumber = 6,
};
constexpr int FolderColumnCount = 7;
constexpr int FirstHiddenColumn = ColumnNameKey;
// The columns a click can sort by.
constexpr int SortableColumnCount = 4;

// Columns of the drive layout (the newer system family has the cluster column).
enum DriveColumn : int {
    DriveColumnName = 0,
    DriveColumnTotal = 1,
    DriveColumnFree = 2,
    DriveColumnFileSystem = 3,
    DriveColumnCluster = 4,
};
constexpr int DriveColumnCount = 5;

enum class ListLayout { FolderItems, Drives };

inline int columnCountOf(ListLayout layout)
{
    return layout == ListLayout::Drives ? DriveColumnCount : FolderColumnCount;
}

// "サイズ B" / "ｻｲｽﾞ kB"; the size-column update writes them with a trailing
// blank, so the mark then stands one blank apart.
QString sizeHeaderText(bool kilobytes, bool trailingBlank = false);

// Header texts as the columns are created, without a sort mark.
QStringList folderHeaders(bool kilobytes);
QStringList driveHeaders();

// Alignment per column: false left, true right.
std::array<bool, FolderColumnCount> folderAlignments();
std::array<bool, DriveColumnCount> driveAlignments();

// Each of the first `visible` headers loses one trailing "↑" or "↓"; then the
// sorted column gets "↑" (ascending) or "↓" (descending).
void markSortedHeader(QStringList& headers, int sortedColumn, bool descending,
                      int visible = SortableColumnCount);

// The width set of `ColWidth` for a view slot (0 left, 1 right, 2 one window)
// and layout: left folder items, left drives, one-window folder items,
// one-window drives, right folder items, right drives.
int columnWidthSet(int viewSlot, ListLayout layout);

// The hidden columns (4-6) whose width is not 0 and must be set back.
QList<int> hiddenColumnsToReset(std::span<const int> widths);

// The stored sort value: column 0-3, plus 10 when descending.
inline int sortValue(int column, bool descending)
{
    return qBound(0, column, SortableColumnCount - 1) + (descending ? 10 : 0);
}

} // namespace tovane
