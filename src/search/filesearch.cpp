#include "search/filesearch.h"

#include "archive/archivebackends.h"
#include "core/progressservice.h"
#include "fs/enumeration.h"
#include "fs/itemtext.h"
#include "fs/numberformat.h"
#include "fs/pathrules.h"
#include "list/filelistmodel.h"
#include "platform/filesystem.h"
#include "search/namepattern.h"
#include "tree/treerules.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <vector>
#include <cmath>

namespace tovane {

namespace {

constexpr int ArchiveHeaderLines[3] = {5, 5, 2};

bool inList(const QString& list, const QString& name)
{
    const QString e = extensionOf(name).toLower();
    return !e.isEmpty() && list.contains(u' ' + e + u',');
}

QString sizeInUnit(double bytes, bool kilobytes)
{
    return formatCount(kilobytes ? toKilobytes(bytes) : bytes);
}

// Attribute letters of a listing: later letters go in front ("a" of "rhsa" first).
QString listingAttributes(const QString& field, quint32& bits)
{
    QString out;
    bits = 0;
    for (const QChar c : field) {
        QChar letter;
        if (c == u'o' || c == u'r') {
            letter = u'R';
            bits |= AttrReadOnly;
        } else if (c == u'h') {
            letter = u'H';
            bits |= AttrHidden;
        } else if (c == u's') {
            letter = u'S';
            bits |= AttrSystem;
        } else if (c == u'a') {
            letter = u'A';
            bits |= AttrArchive;
        } else {
            continue;
        }
        out.prepend(letter);
    }
    return out;
}

QString lastEight(const QString& text)
{
    const QString padded = u'0' + text;
    return padded.right(8);
}

class Walker {
public:
    Walker(const SearchOptions& options, ProgressService* progress, SearchResult& out)
        : m_options(options), m_pattern(options.pattern), m_progress(progress), m_out(out),
          m_boundaries(volumeBoundaries())
    {
    }

    void root(const QString& folder)
    {
        ItemRecord self;
        if (platform::statPath(stripSeparator(folder), self) != 0)
            return;
        walk(addSeparator(folder), QString(), self.device, self.inode);
    }

private:
    bool stop()
    {
        if (m_progress && m_progress->pumpEvents())
            m_out.interrupted = true;
        return m_out.interrupted;
    }

    void walk(const QString& folder, const QString& relative, quint64 device, quint64 inode)
    {
        if (inode != 0 && m_visited.contains({device, inode}))
            return;
        m_visited.insert({device, inode});
        if (m_progress)
            m_progress->showProgress(ProgressService::PointerBusy, folder, ProgressService::SetText);
        QList<ItemRecord> folders;
        QList<ItemRecord> archives;
        platform::ListOptions only;
        only.prefilter = [this](const QString& name, bool maybeFolder) {
            return maybeFolder || m_pattern.matches(name) ||
                   (m_options.inArchives && inList(m_options.archiveExtensions, name));
        };
        const ListFolderResult listed = listFolder(
            folder, m_options.hiddenMask,
            [&](const ItemRecord& r) {
                const bool realFolder = r.isFolder() && !r.isSymlink;
                if (m_pattern.matches(r.name) &&
                    (m_options.listFilter.isEmpty() || inList(m_options.listFilter, r.name)))
                    take(r, relative);
                if (realFolder)
                    folders.append(r);
                else if (m_options.inArchives && !r.isSymlink &&
                         inList(m_options.archiveExtensions, r.name))
                    archives.append(r);
                return true;
            },
            m_progress, only);
        if (listed.interrupted) {
            m_out.interrupted = true;
            return;
        }
        for (const ItemRecord& a : archives) {
            if (stop())
                return;
            searchArchive(folder + a.name, relative + a.name);
        }
        for (const ItemRecord& f : folders) {
            if (stop())
                return;
            const QString path = folder + f.name;
            // Another file system below: only a listed volume is entered,
            // never /proc, /sys and their kin.
            if (f.device != device && !m_boundaries->contains(path))
                continue;
            walk(path + u'/', relative + f.name + u'/', f.device, f.inode);
        }
    }

    void take(const ItemRecord& r, const QString& relative)
    {
        SearchHit hit;
        hit.name = r.name;
        hit.path = relative;
        const bool folder = r.isFolder() && !r.isSymlink;
        if (!folder) {
            hit.size = sizeText(r.size, m_options.kilobytes);
            hit.sizeKey = sizeSortKey(r.size);
        }
        hit.date = fileTimeText(r.writeTime);
        hit.attributes = attributeLetters(r.attributes);
        m_out.add(hit);
    }

    void searchArchive(const QString& path, const QString& relative)
    {
        const QString e = extensionOf(path).toLower();
        const int format = e == QLatin1String("cab") ? 0 : e == QLatin1String("lzh") ? 1 : 2;
        QString listing;
        if (ArchiveBackends::busy(format) || ArchiveBackends::list(path, format, listing) != 0)
            return;
        for (const SearchHit& hit : hitsOfListing(listing, format, relative + u'/', m_options))
            m_out.add(hit);
    }

    const SearchOptions& m_options;
    NamePattern m_pattern;
    ProgressService* m_progress;
    SearchResult& m_out;
    std::shared_ptr<const QSet<QString>> m_boundaries;
    QSet<std::pair<quint64, quint64>> m_visited;
};

} // namespace

QStringList volumeSearchRoots(const QList<std::pair<QString, QString>>& volumes)
{
    QStringList roots;
    for (const auto& [mount, text] : volumes) {
        if (text.startsWith(driveText(mount, QString(), DriveRead::Failed)) ||
            text.startsWith(driveText(mount, QString(), DriveRead::Unread)))
            continue;
        roots << addSeparator(mount);
    }
    return roots;
}

void SearchResult::add(const SearchHit& hit)
{
    hits.append(hit);
    (hit.hasSize() ? files : folders) += 1;
}

QList<SearchHit> hitsOfListing(const QString& listing, int format, const QString& prefix,
                               const SearchOptions& options)
{
    QList<SearchHit> hits;
    if (format < 0 || format > 2)
        return hits;
    QStringList lines = listing.section(QStringLiteral("-----"), 0, 0).split(QLatin1String("\r\n"));
    lines = lines.mid(ArchiveHeaderLines[format]);
    if (format == 1) {
        // Two lines per entry: the second one's first 14 characters go.
        QStringList joined;
        for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
            joined << lines[i] + lines[i + 1].mid(14);
        lines = joined;
    }
    const NamePattern pattern(options.pattern);
    for (QString line : lines) {
        while (!line.isEmpty() && line.front() == u' ')
            line.remove(0, 1);
        if (line.endsWith(u'\r'))
            line.chop(1);
        QStringList fields = line.split(u' ', Qt::SkipEmptyParts);
        if (fields.size() > 9)
            fields = fields.mid(0, 8) << QStringList(fields.mid(8)).join(u' ');
        QString fullName, date, attributes;
        double size = 0;
        if (format == 0) {
            if (fields.size() < 5)
                continue;
            size = fields[0].toDouble();
            date = lastEight(fields[1]) + u' ' + lastEight(fields[2]);
            attributes = fields[3];
            fullName = fields[4];
            fullName.replace(u'\\', u'/');
        } else {
            if (fields.size() < 7)
                continue;
            fullName = fields[0];
            size = fields[1].toDouble();
            date = fields[4] + u' ' + fields[5];
            attributes = fields[6];
        }
        const qsizetype slash = fullName.lastIndexOf(u'/');
        const QString name = fullName.mid(slash + 1);
        const QString inside = slash >= 0 ? fullName.left(slash + 1) : QString();
        quint32 bits = 0;
        SearchHit hit;
        hit.attributes = listingAttributes(attributes, bits);
        if (name.isEmpty() || !pattern.matches(name) || (bits & options.hiddenMask) ||
            (!options.listFilter.isEmpty() && !inList(options.listFilter, name)))
            continue;
        for (qsizetype i = 1; i < date.size(); ++i)
            if (date[i] == u'-')
                date[i] = u'/';
        hit.name = name;
        hit.path = prefix + inside;
        hit.size = sizeInUnit(size, options.kilobytes);
        hit.sizeKey = sizeSortKey(quint64(std::max(0.0, size)));
        hit.date = date.rightJustified(20);
        hit.inArchive = true;
        hits.append(hit);
    }
    return hits;
}

void searchFolders(const QStringList& roots, const SearchOptions& options,
                   ProgressService* progress, SearchResult& out)
{
    Walker walker(options, progress, out);
    for (const QString& r : roots) {
        if (out.interrupted)
            break;
        walker.root(r);
    }
}

void narrowResult(const SearchResult& previous, const QString& pattern,
                  ProgressService* progress, SearchResult& out)
{
    const NamePattern p(pattern, true);
    for (const SearchHit& hit : previous.hits) {
        if (progress && progress->pumpEvents()) {
            out.interrupted = true;
            break;
        }
        if (p.matches(hit.name))
            out.add(hit);
    }
}

void sortHitsByName(QList<SearchHit>& hits)
{
    // Keys first, in one small array: a hundred thousand hits would
    // otherwise be compared through their scattered names.
    struct Entry {
        std::array<quint64, 2> key;
        qsizetype index;
    };
    std::vector<Entry> order;
    order.reserve(size_t(hits.size()));
    for (qsizetype i = 0; i < hits.size(); ++i)
        order.push_back({namePrefixKey(hits[i].name), i});
    std::stable_sort(order.begin(), order.end(), [&hits](const Entry& a, const Entry& b) {
        if (a.key != b.key)
            return a.key < b.key;
        const SearchHit& x = hits[a.index];
        const SearchHit& y = hits[b.index];
        const int c = compareNames(x.name, y.name);
        return c != 0 ? c < 0 : compareNames(x.path, y.path) < 0;
    });
    QList<SearchHit> sorted;
    sorted.reserve(hits.size());
    for (const Entry& e : order)
        sorted.append(std::move(hits[e.index]));
    hits = std::move(sorted);
}

QString searchResultLine(const SearchResult& r)
{
    return QStringLiteral(" 該当 ") + QString::number(r.hits.size()) + QStringLiteral(" 件（ ") +
           QString::number(r.folders) + QStringLiteral(" フォルダ、 ") + QString::number(r.files) +
           QStringLiteral(" ファイル ）");
}

} // namespace tovane
