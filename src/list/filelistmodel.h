#pragma once
// The rows of one window's file list: a vector of small records behind a
// table model. Cell texts are derived on demand from the record, so data()
// is O(1) and a listing keeps little more than the records themselves. A
// fill replaces all rows in one reset; sorting happens inside the model with
// keys computed once per sort; a name-to-row hash is built on first use.
//
// QtCore only; the widgets map ImageIndexRole to pictures. UI thread only.

#include "fs/itemtext.h"
#include "list/drivelist.h"
#include "list/listcolumns.h"
#include "platform/itemrecord.h"

#include <QAbstractTableModel>

#include <array>
#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>
#include <vector>

namespace tovane {

class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role {
        ImageIndexRole = Qt::UserRole + 1, // int: the row's image index (column 0)
        IsFolderRole,                      // bool
        NameRole,                          // the name (drive rows: the mount point)
        ItemKeyRole,                       // name + "/"
        AttributesRole,                    // quint32 attribute bits
        SizeBytesRole,                     // qulonglong: size, or computed folder size
    };

    struct Row {
        ItemRecord record;
        double folderSize = NoFolderSize; // folders: below 0 while not computed
        qint16 image = 11;
        bool marked = false;
    };

    explicit FileListModel(QObject* parent = nullptr);

    ListLayout layout() const { return m_layout; }
    // The listed folder with trailing "/" (empty for the drive list).
    QString folder() const { return m_folder; }
    int count() const
    {
        return m_layout == ListLayout::Drives ? int(m_drives.size()) : int(m_rows.size());
    }

    // Replaces every row in one reset. `headers` (when not null) recreates
    // the columns of the layout in the same reset.
    void resetFolderItems(const QString& folder, std::vector<Row> rows,
                          const QStringList* headers = nullptr);
    void resetDrives(QList<DriveRow> rows, const QStringList* headers = nullptr);

    QStringList headerTexts() const { return m_headers; }
    void setHeaderTexts(const QStringList& headers);

    bool kilobytes() const { return m_kilobytes; }
    void setKilobytes(bool on);
    bool sixDigits() const { return m_sixDigits; }
    void setSixDigits(bool on);

    // Folder items only. Column 0 sorts folders before files and then by
    // name ignoring letter case (an exact comparison breaks ties); 1 by size
    // (a folder without a computed size counts 0); 2 by the time text; 3 by
    // the attribute letters. Ties are broken by the name order; descending
    // reverses the whole order.
    void sortRows(int column, bool descending);

    const Row& rowAt(int row) const { return m_rows[size_t(row)]; }
    const DriveRow& driveAt(int row) const { return m_drives[row]; }
    bool isFolderRow(int row) const;
    QString nameAt(int row) const;
    QString pathAt(int row) const; // folder + name; drive rows: the mount point

    // The text of a cell exactly as shown (hidden key columns included).
    QString cellText(int row, int column) const;

    // Row of the exact name (drive rows: mount point), or -1.
    int rowOfName(const QString& name) const;
    // Row of an item key (name + "/"), or -1.
    int rowOfKey(const QString& key) const;

    // Removes the row of `name`; false when there is none.
    bool removeName(const QString& name);
    // Folder rows of these names, in one pass over the rows; the rows that
    // were removed, in ascending order.
    std::vector<int> removeNames(const QSet<QString>& names);
    // Times the name index was built (it is built again after removals).
    qint64 nameIndexBuilds() const { return m_indexBuilds; }
    // Replaces the record of the row known as `oldName` (its mark stays), or
    // appends `row` when there is none. Returns the row, -1 outside folder
    // items.
    int upsertRow(const QString& oldName, Row row);

    void setFolderSize(int row, double size);
    void setImage(int row, int image);
    // Every file row's image from `imageOf(row)`, with one change signal.
    void renewImages(const std::function<int(int row)>& imageOf);

    // Names may be edited in place; an edit is reported, never applied.
    void setNamesEditable(bool on) { m_namesEditable = on; }
    bool namesEditable() const { return m_namesEditable; }

    bool marked(int row) const;
    void setMarked(int row, bool on);
    int markedCount() const;

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    // The user changed a mark through the view's check box.
    void markToggled(int row);
    // The user ended an edit of the name of `row` with `text`.
    void nameEdited(int row, const QString& text);

private:
    QString folderCellText(const Row& row, int column) const;
    bool rightAligned(int column) const;
    void invalidateNames() { m_namesValid = false; }

    ListLayout m_layout = ListLayout::FolderItems;
    bool m_namesEditable = false;
    QString m_folder;
    std::vector<Row> m_rows;
    QList<DriveRow> m_drives;
    QStringList m_headers;
    bool m_kilobytes = false;
    bool m_sixDigits = false;
    mutable QHash<QString, int> m_rowOfName;
    mutable bool m_namesValid = false;
    mutable qint64 m_indexBuilds = 0;
};

// Orders two names as the name column does: letter case ignored first, then
// an exact comparison. <0, 0, >0.
int compareNames(QStringView a, QStringView b);

// The first eight characters of a name folded as compareNames folds them,
// packed so that unequal keys order as compareNames does; equal keys leave
// the order to compareNames. Sorting on keys first spares most lookups of
// the names themselves.
std::array<quint64, 2> namePrefixKey(QStringView name);

} // namespace tovane
