#pragma once
// Saved web pages: a page file ("name.htm", "name.html", …) and the folder
// of its parts ("name_files" or "name.files") belong together, so that an
// attribute change of one reaches the other.

#include <QHash>
#include <QString>

namespace tovane {

class FileListModel;

// The base name that pairs `name`, or an empty text when the item is no
// part of a pair: a file whose extension contains "htm", a folder ending in
// "_files" or with the extension "files" (letter case ignored).
QString webPairBase(const QString& name, bool isFolder);

// The pairs among a list's rows, found once for the whole list.
class WebPairs {
public:
    explicit WebPairs(const FileListModel& model);
    // The row of the item that pairs with `row`, or -1.
    int partner(int row) const;

private:
    const FileListModel& m_model;
    QHash<QString, int> m_folders; // folded folder name -> row
    QHash<QString, int> m_pages;   // folded base of a page file -> row
};

// The notices of the attribute change for a pair.
QString pairIncludedText(const QString& name);
QString pairExcludedText(const QString& folder, const QString& base);

} // namespace tovane
