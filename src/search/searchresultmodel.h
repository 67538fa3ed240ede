#pragma once
// The result list of the search dialog as a model over the hits, so that a
// hundred thousand hits stay quick; and the pattern history (a ring of 50).

#include "search/filesearch.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace tovane {

class SearchResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name = 0, Path = 1, Size = 2, Date = 3, Attributes = 4, SizeKey = 5 };
    static constexpr int ColumnCount = 6;

    // The size header says "kB" or "B" after the window's unit.
    void setKilobytes(bool on);
    void setResult(SearchResult result);
    const SearchResult& result() const { return m_result; }
    const SearchHit& hit(int row) const { return m_result.hits[row]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // The size column sorts by its hidden key; the others by their text.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    SearchResult m_result;
    bool m_kilobytes = true;
};

class PatternHistory {
public:
    static constexpr int Capacity = 50;
    // A new pattern goes at the end; with 50 stored the oldest slot is reused in turn.
    void add(const QString& pattern);
    QStringList entries() const { return m_entries; }

private:
    QStringList m_entries;
    int m_next = 0;
};

} // namespace tovane
