#include "search/searchresultmodel.h"

#include "list/filelistmodel.h"

#include <algorithm>

namespace tovane {

void SearchResultModel::setKilobytes(bool on)
{
    m_kilobytes = on;
    Q_EMIT headerDataChanged(Qt::Horizontal, Size, Size);
}

void SearchResultModel::setResult(SearchResult result)
{
    beginResetModel();
    m_result = std::move(result);
    endResetModel();
}

int SearchResultModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_result.hits.size());
}

int SearchResultModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SearchResultModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_result.hits.size())
        return QVariant();
    const SearchHit& h = m_result.hits[index.row()];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(
            (index.column() == Size || index.column() == SizeKey ? Qt::AlignRight : Qt::AlignLeft) |
            Qt::AlignVCenter));
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case Name:
        return h.name;
    case Path:
        return h.path;
    case Size:
        return h.size;
    case Date:
        return h.date;
    case Attributes:
        return h.attributes;
    default:
        return h.sizeKey;
    }
}

QVariant SearchResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return QVariant();
    static const char* const headers[ColumnCount] = {"名　　　前 ", "相 対 パ ス ", "サイズ kB ",
                                                     "更新日時 ", "属性 ", ""};
    QString text = QString::fromUtf8(headers[section]);
    if (section == Size && !m_kilobytes)
        text = QStringLiteral("サイズ B ");
    return text;
}

void SearchResultModel::sort(int column, Qt::SortOrder order)
{
    Q_EMIT layoutAboutToBeChanged();
    auto key = [column](const SearchHit& h) -> const QString& {
        switch (column) {
        case Path:
            return h.path;
        case Size:
        case SizeKey:
            return h.sizeKey;
        case Date:
            return h.date;
        case Attributes:
            return h.attributes;
        default:
            return h.name;
        }
    };
    std::stable_sort(m_result.hits.begin(), m_result.hits.end(),
                     [&](const SearchHit& a, const SearchHit& b) {
                         const int c = compareNames(key(a), key(b));
                         return order == Qt::AscendingOrder ? c < 0 : c > 0;
                     });
    Q_EMIT layoutChanged();
}

void PatternHistory::add(const QString& pattern)
{
    if (pattern.isEmpty() || m_entries.contains(pattern))
        return;
    if (m_entries.size() < Capacity) {
        m_entries.append(pattern);
        return;
    }
    m_entries[m_next] = pattern;
    m_next = (m_next + 1) % Capacity;
}

} // namespace tovane
