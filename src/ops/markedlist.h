#pragma once
// A window's list without a window: the items of a folder in list order
// (folders first, then names) with chosen names marked. The command line and
// the tests hand the operations exactly what a designated selection gives.

#include <QString>
#include <QStringList>

namespace tovane {

class FileListModel;

// Fills `model` with the items of `folder` that share no bit with
// `hiddenMask`, sorted by name. 0 or the errno of reading the folder.
int loadFolderModel(FileListModel& model, const QString& folder, quint32 hiddenMask = 0);

// Marks the rows of `names` (exact names); returns the names not listed.
QStringList markNames(FileListModel& model, const QStringList& names);

} // namespace tovane
