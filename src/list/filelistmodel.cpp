#include "list/filelistmodel.h"

#include <algorithm>
#include <array>
#include <memory>

namespace tovane {

namespace {

// Case folding of every UTF-16 code unit, built once: a sort of 100,000
// names compares millions of characters.
const char16_t* foldTable()
{
    static const std::unique_ptr<char16_t[]> table = [] {
        auto t = std::make_unique<char16_t[]>(65536);
        for (int c = 0; c < 65536; ++c) {
            const QChar ch{char16_t(c)};
            t[size_t(c)] = ch.isSurrogate() ? char16_t(c) : ch.toCaseFolded().unicode();
        }
        return t;
    }();
    return table.get();
}

int compareFolded(QStringView a, QStringView b)
{
    const char16_t* fold = foldTable();
    const qsizetype n = qMin(a.size(), b.size());
    const char16_t* pa = a.utf16();
    const char16_t* pb = b.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t fa = fold[pa[i]];
        const char16_t fb = fold[pb[i]];
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

quint64 sortSize(const FileListModel::Row& row)
{
    if (!row.record.isFolder())
        return row.record.size;
    return row.folderSize >= 0 ? quint64(row.folderSize) : 0;
}

// The time text "yyyy/mm/dd hh:nn:ss" as one number with the same order.
quint64 timeKey(const ItemRecord& record)
{
    const QString text = fileTimeText(record.writeTime);
    quint64 key = 0;
    for (QChar c : text) {
        if (c.isDigit())
            key = key * 10 + quint64(c.unicode() - u'0');
    }
    return key;
}

// The attribute letters as one number with the same order as their text:
// each position holds its letter + 1, or 0 past the end (shorter first).
quint64 attributeKey(quint32 attributes)
{
    quint64 key = 0;
    int used = 0;
    for (const AttributeEntry& entry : attributeTable()) {
        if (attributes & entry.bit) {
            key = (key << 8) | quint64(entry.letter.unicode() + 1);
            ++used;
        }
    }
    for (; used < 8; ++used)
        key <<= 8;
    return key;
}

} // namespace

std::array<quint64, 2> namePrefixKey(QStringView name)
{
    const char16_t* fold = foldTable();
    std::array<quint64, 2> key{};
    const qsizetype n = qMin<qsizetype>(name.size(), 8);
    for (qsizetype i = 0; i < 8; ++i) {
        const quint64 c = i < n ? fold[name.utf16()[i]] : 0;
        key[size_t(i / 4)] = (key[size_t(i / 4)] << 16) | c;
    }
    return key;
}

int compareNames(QStringView a, QStringView b)
{
    const int folded = compareFolded(a, b);
    if (folded != 0)
        return folded;
    return a.compare(b, Qt::CaseSensitive);
}

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent)
{
    m_headers = folderHeaders(false);
}

void FileListModel::resetFolderItems(const QString& folder, std::vector<Row> rows,
                                     const QStringList* headers)
{
    beginResetModel();
    m_layout = ListLayout::FolderItems;
    m_folder = folder;
    m_rows = std::move(rows);
    m_drives.clear();
    if (headers)
        m_headers = *headers;
    m_headers.resize(FolderColumnCount);
    invalidateNames();
    endResetModel();
}

void FileListModel::resetDrives(QList<DriveRow> rows, const QStringList* headers)
{
    beginResetModel();
    m_layout = ListLayout::Drives;
    m_folder.clear();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_drives = std::move(rows);
    if (headers)
        m_headers = *headers;
    m_headers.resize(DriveColumnCount);
    invalidateNames();
    endResetModel();
}

void FileListModel::setHeaderTexts(const QStringList& headers)
{
    m_headers = headers;
    m_headers.resize(columnCountOf(m_layout));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, int(m_headers.size()) - 1);
}

void FileListModel::setKilobytes(bool on)
{
    if (m_kilobytes == on)
        return;
    m_kilobytes = on;
    if (m_layout == ListLayout::FolderItems && !m_rows.empty())
        Q_EMIT dataChanged(index(0, ColumnSize), index(int(m_rows.size()) - 1, ColumnSize),
                           {Qt::DisplayRole});
}

void FileListModel::setSixDigits(bool on)
{
    if (m_sixDigits == on)
        return;
    m_sixDigits = on;
    if (m_layout == ListLayout::Drives && !m_drives.isEmpty())
        Q_EMIT dataChanged(index(0, DriveColumnTotal),
                           index(int(m_drives.size()) - 1, DriveColumnFree), {Qt::DisplayRole});
}

void FileListModel::sortRows(int column, bool descending)
{
    if (m_layout != ListLayout::FolderItems || m_rows.size() < 2)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

    // Names in one folder often share a long start ("IMG_0001.jpg", ...).
    // Eight folded characters after the part all names share settle most
    // comparisons without touching the names.
    const size_t n = m_rows.size();
    const char16_t* fold = foldTable();
    qsizetype shared = m_rows[0].record.name.size();
    const QString& first = m_rows[0].record.name;
    for (size_t i = 1; i < n && shared > 0; ++i) {
        const QString& name = m_rows[i].record.name;
        qsizetype k = 0;
        const qsizetype limit = qMin(shared, name.size());
        while (k < limit && fold[first[k].unicode()] == fold[name[k].unicode()])
            ++k;
        shared = k;
    }

    struct SortItem {
        quint64 primary;
        quint64 nameKey;
        quint64 nameKey2;
        quint32 row;
        quint32 isFile;
    };
    std::vector<SortItem> items(n);
    for (size_t i = 0; i < n; ++i) {
        const Row& r = m_rows[i];
        const QString& name = r.record.name;
        quint64 keys[2] = {0, 0};
        for (qsizetype k = 0; k < 8; ++k) {
            const qsizetype at = shared + k;
            keys[k / 4] = (keys[k / 4] << 16) | (at < name.size() ? fold[name[at].unicode()] : 0u);
        }
        quint64 primary = 0;
        if (column == ColumnSize)
            primary = sortSize(r);
        else if (column == ColumnTime)
            primary = timeKey(r.record);
        else if (column == ColumnAttributes)
            primary = attributeKey(r.record.attributes);
        items[i] = {primary, keys[0], keys[1], quint32(i), r.record.isFolder() ? 0u : 1u};
    }
    const auto compare = [&](const SortItem& a, const SortItem& b) {
        if (a.primary != b.primary)
            return a.primary < b.primary ? -1 : 1;
        if (a.isFile != b.isFile)
            return a.isFile < b.isFile ? -1 : 1;
        if (a.nameKey != b.nameKey)
            return a.nameKey < b.nameKey ? -1 : 1;
        if (a.nameKey2 != b.nameKey2)
            return a.nameKey2 < b.nameKey2 ? -1 : 1;
        return compareNames(m_rows[a.row].record.name, m_rows[b.row].record.name);
    };
    std::sort(items.begin(), items.end(), [&](const SortItem& a, const SortItem& b) {
        const int c = compare(a, b);
        return descending ? c > 0 : c < 0;
    });
    std::vector<quint32> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = items[i].row;
    items.clear();
    items.shrink_to_fit();

    std::vector<Row> sorted;
    sorted.reserve(n);
    std::vector<int> newRowOf(n);
    for (size_t i = 0; i < n; ++i) {
        sorted.push_back(std::move(m_rows[order[i]]));
        newRowOf[order[i]] = int(i);
    }
    m_rows.swap(sorted);

    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& i : from)
        to.append(i.isValid() && size_t(i.row()) < n ? index(newRowOf[size_t(i.row())], i.column())
                                                     : QModelIndex());
    changePersistentIndexList(from, to);
    invalidateNames();
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool FileListModel::isFolderRow(int row) const
{
    if (m_layout != ListLayout::FolderItems || row < 0 || size_t(row) >= m_rows.size())
        return false;
    return m_rows[size_t(row)].record.isFolder();
}

QString FileListModel::nameAt(int row) const
{
    if (row < 0 || row >= count())
        return QString();
    return m_layout == ListLayout::Drives ? m_drives[row].mountPoint
                                          : m_rows[size_t(row)].record.name;
}

QString FileListModel::pathAt(int row) const
{
    if (row < 0 || row >= count())
        return QString();
    if (m_layout == ListLayout::Drives)
        return m_drives[row].mountPoint;
    return m_folder + m_rows[size_t(row)].record.name;
}

QString FileListModel::folderCellText(const Row& row, int column) const
{
    const ItemRecord& r = row.record;
    switch (column) {
    case ColumnName:
        return r.name;
    case ColumnSize:
        return sizeCellText(r, m_kilobytes, row.folderSize);
    case ColumnTime:
        return fileTimeText(r.writeTime);
    case ColumnAttributes:
        return attributeLetters(r.attributes);
    case ColumnNameKey:
        return nameSortKey(r);
    case ColumnSizeKey:
        return sizeCellKey(r, row.folderSize);
    case ColumnAttributeNumber:
        return attributeNumberText(r.attributes);
    default:
        return QString();
    }
}

QString FileListModel::cellText(int row, int column) const
{
    if (row < 0 || row >= count())
        return QString();
    if (m_layout == ListLayout::Drives)
        return driveCellText(m_drives[row], column, m_sixDigits);
    return folderCellText(m_rows[size_t(row)], column);
}

int FileListModel::rowOfName(const QString& name) const
{
    if (!m_namesValid) {
        ++m_indexBuilds;
        m_rowOfName.clear();
        m_rowOfName.reserve(count());
        for (int r = 0, n = count(); r < n; ++r)
            m_rowOfName.insert(nameAt(r), r);
        m_namesValid = true;
    }
    return m_rowOfName.value(name, -1);
}

int FileListModel::rowOfKey(const QString& key) const
{
    if (!key.endsWith(u'/'))
        return -1;
    return rowOfName(key.chopped(1));
}

bool FileListModel::removeName(const QString& name)
{
    const int row = rowOfName(name);
    if (row < 0)
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    if (m_layout == ListLayout::Drives)
        m_drives.removeAt(row);
    else
        m_rows.erase(m_rows.begin() + row);
    invalidateNames();
    endRemoveRows();
    return true;
}

std::vector<int> FileListModel::removeNames(const QSet<QString>& names)
{
    std::vector<int> rows;
    if (m_layout != ListLayout::FolderItems)
        return rows;
    for (const QString& name : names) {
        const int row = rowOfName(name);
        if (row >= 0)
            rows.push_back(row);
    }
    if (rows.empty())
        return rows;
    std::sort(rows.begin(), rows.end());
    std::vector<std::pair<int, int>> ranges; // first, last
    for (int row : rows) {
        if (!ranges.empty() && ranges.back().second + 1 == row)
            ranges.back().second = row;
        else
            ranges.emplace_back(row, row);
    }
    // A few ranges keep the view where it is; many would make it relayout
    // once per range, and moving the rows behind each range adds up.
    constexpr size_t FewRanges = 8;
    if (ranges.size() <= FewRanges) {
        for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) {
            beginRemoveRows(QModelIndex(), it->first, it->second);
            m_rows.erase(m_rows.begin() + it->first, m_rows.begin() + it->second + 1);
            endRemoveRows();
        }
    } else {
        beginResetModel();
        std::vector<Row> kept;
        kept.reserve(m_rows.size() - rows.size());
        size_t next = 0;
        for (size_t r = 0; r < m_rows.size(); ++r) {
            if (next < rows.size() && size_t(rows[next]) == r)
                ++next;
            else
                kept.push_back(std::move(m_rows[r]));
        }
        m_rows = std::move(kept);
        endResetModel();
    }
    invalidateNames();
    return rows;
}

int FileListModel::upsertRow(const QString& oldName, Row row)
{
    if (m_layout != ListLayout::FolderItems)
        return -1;
    const int at = rowOfName(oldName);
    if (at >= 0) {
        Row& r = m_rows[size_t(at)];
        row.marked = r.marked;
        // The name index follows in place: operations update rows one by one.
        if (r.record.name != row.record.name && m_namesValid) {
            m_rowOfName.remove(r.record.name);
            m_rowOfName.insert(row.record.name, at);
        }
        r = std::move(row);
        Q_EMIT dataChanged(index(at, 0), index(at, columnCount() - 1));
        return at;
    }
    const int end = int(m_rows.size());
    beginInsertRows(QModelIndex(), end, end);
    if (m_namesValid)
        m_rowOfName.insert(row.record.name, end);
    m_rows.push_back(std::move(row));
    endInsertRows();
    return end;
}

void FileListModel::setFolderSize(int row, double size)
{
    if (m_layout != ListLayout::FolderItems || row < 0 || size_t(row) >= m_rows.size())
        return;
    m_rows[size_t(row)].folderSize = size;
    Q_EMIT dataChanged(index(row, ColumnSize), index(row, ColumnSizeKey), {Qt::DisplayRole});
}

void FileListModel::setImage(int row, int image)
{
    if (m_layout != ListLayout::FolderItems || row < 0 || size_t(row) >= m_rows.size())
        return;
    m_rows[size_t(row)].image = qint16(image);
    Q_EMIT dataChanged(index(row, ColumnName), index(row, ColumnName), {ImageIndexRole});
}

void FileListModel::renewImages(const std::function<int(int row)>& imageOf)
{
    if (m_layout != ListLayout::FolderItems || m_rows.empty())
        return;
    for (size_t row = 0; row < m_rows.size(); ++row) {
        if (!m_rows[row].record.isFolder())
            m_rows[row].image = qint16(imageOf(int(row)));
    }
    Q_EMIT dataChanged(index(0, ColumnName), index(int(m_rows.size()) - 1, ColumnName),
                       {ImageIndexRole});
}

bool FileListModel::marked(int row) const
{
    if (m_layout != ListLayout::FolderItems || row < 0 || size_t(row) >= m_rows.size())
        return false;
    return m_rows[size_t(row)].marked;
}

void FileListModel::setMarked(int row, bool on)
{
    if (m_layout != ListLayout::FolderItems || row < 0 || size_t(row) >= m_rows.size())
        return;
    if (m_rows[size_t(row)].marked == on)
        return;
    m_rows[size_t(row)].marked = on;
    Q_EMIT dataChanged(index(row, ColumnName), index(row, ColumnName), {Qt::CheckStateRole});
}

int FileListModel::markedCount() const
{
    return int(std::count_if(m_rows.begin(), m_rows.end(), [](const Row& r) { return r.marked; }));
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

int FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnCountOf(m_layout);
}

bool FileListModel::rightAligned(int column) const
{
    if (m_layout == ListLayout::Drives) {
        static const auto right = driveAlignments();
        return column >= 0 && column < DriveColumnCount && right[size_t(column)];
    }
    static const auto right = folderAlignments();
    return column >= 0 && column < FolderColumnCount && right[size_t(column)];
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count() || index.column() >= columnCount())
        return QVariant();
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (role == Qt::ToolTipRole && column != ColumnName)
            return QVariant();
        return cellText(row, column);
    case Qt::EditRole:
        if (m_layout != ListLayout::FolderItems || column != ColumnName)
            return QVariant();
        return nameAt(row);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(
            (rightAligned(column) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    case Qt::CheckStateRole:
        if (m_layout != ListLayout::FolderItems || column != ColumnName)
            return QVariant();
        return m_rows[size_t(row)].marked ? Qt::Checked : Qt::Unchecked;
    case ImageIndexRole:
        if (column != ColumnName)
            return QVariant();
        return m_layout == ListLayout::Drives ? m_drives[row].image
                                              : int(m_rows[size_t(row)].image);
    case IsFolderRole:
        return isFolderRow(row);
    case NameRole:
        return nameAt(row);
    case ItemKeyRole:
        return itemKey(nameAt(row));
    case AttributesRole:
        return m_layout == ListLayout::FolderItems ? m_rows[size_t(row)].record.attributes : 0u;
    case SizeBytesRole:
        return m_layout == ListLayout::FolderItems
                   ? QVariant::fromValue<qulonglong>(sortSize(m_rows[size_t(row)]))
                   : QVariant();
    default:
        return QVariant();
    }
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role == Qt::EditRole && index.isValid() && index.column() == ColumnName &&
        m_layout == ListLayout::FolderItems && index.row() < count()) {
        // The rename decides; the row changes only when the disk did.
        Q_EMIT nameEdited(index.row(), value.toString());
        return false;
    }
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != ColumnName ||
        m_layout != ListLayout::FolderItems || index.row() >= count())
        return false;
    const bool on = value.toInt() == Qt::Checked;
    if (m_rows[size_t(index.row())].marked == on)
        return true;
    setMarked(index.row(), on);
    Q_EMIT markToggled(index.row());
    return true;
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QVariant();
    if (role == Qt::DisplayRole)
        return section < m_headers.size() ? m_headers[section] : QString();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(
            (rightAligned(section) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    return QVariant();
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_layout == ListLayout::FolderItems && index.column() == ColumnName) {
        f |= Qt::ItemIsUserCheckable;
        if (m_namesEditable)
            f |= Qt::ItemIsEditable;
    }
    return f;
}

} // namespace tovane
