#include "ops/markedlist.h"

#include "fs/enumeration.h"
#include "fs/pathrules.h"
#include "list/filelistmodel.h"

#include <vector>

namespace tovane {

int loadFolderModel(FileListModel& model, const QString& folder, quint32 hiddenMask)
{
    std::vector<FileListModel::Row> rows;
    const ListFolderResult r = listFolder(
        folder, hiddenMask,
        [&rows](const ItemRecord& record) {
            FileListModel::Row row;
            row.record = record;
            rows.push_back(std::move(row));
            return true;
        },
        nullptr);
    model.resetFolderItems(addSeparator(folder), std::move(rows));
    model.sortRows(0, false);
    return r.error;
}

QStringList markNames(FileListModel& model, const QStringList& names)
{
    QStringList missing;
    for (const QString& name : names) {
        const int row = model.rowOfName(name);
        if (row < 0)
            missing.append(name);
        else
            model.setMarked(row, true);
    }
    return missing;
}

} // namespace tovane
