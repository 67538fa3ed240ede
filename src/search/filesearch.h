#pragma once
// Finding files and folders by name below folders, also inside archives,
// and narrowing a result by another pattern. Hits carry the texts the
// result list shows, taken from the same item records as the file list.

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace tovane {

class ProgressService;

struct SearchHit {
    QString name;
    QString path; // relative to the search root, "/" after each folder; an
                  // archive's hits: its folder + its name + "/" + the path inside
    QString size; // "#,##0" in the unit; empty for a folder
    QString date;
    QString attributes;
    QString sizeKey;
    bool inArchive = false;
    bool hasSize() const { return !size.isEmpty(); }
};

struct SearchOptions {
    QString pattern;
    bool inArchives = false;
    quint32 hiddenMask = 0;
    QString listFilter;        // " ext," run; empty: no filter
    QString archiveExtensions; // " cab, lzh, zip," of the back ends found
    bool kilobytes = true;
};

struct SearchResult {
    QList<SearchHit> hits;
    int folders = 0;
    int files = 0;
    bool interrupted = false;
    void add(const SearchHit& hit);
};

// Walks each root (a folder, "/" at the end) below itself: its own entries
// first, then its subfolders. Links to folders are not followed, pseudo file
// systems are not entered, and no folder is walked twice.
void searchFolders(const QStringList& roots, const SearchOptions& options,
                   ProgressService* progress, SearchResult& out);

// The roots of a search from the volume level: each volume's mount point
// with "/" at the end, except those whose tree text carries a state mark
// (" ―" not ready, " ／" left unread) right after the mount point. Pairs of
// mount point and tree text; a volume without a tree node has empty text.
QStringList volumeSearchRoots(const QList<std::pair<QString, QString>>& volumes);

// The hits of `previous` whose names match `pattern` (sets allowed).
void narrowResult(const SearchResult& previous, const QString& pattern,
                  ProgressService* progress, SearchResult& out);

// Name order as the list sorts it.
void sortHitsByName(QList<SearchHit>& hits);

// " 該当 N 件（ F フォルダ、 G ファイル ）"
QString searchResultLine(const SearchResult& result);

// The hits of one archive listing (the layout of ArchiveBackends::list) of
// `format` (0 cab, 1 lzh, 2 zip); `prefix` is the archive's relative path + "/".
QList<SearchHit> hitsOfListing(const QString& listing, int format, const QString& prefix,
                               const SearchOptions& options);

} // namespace tovane
