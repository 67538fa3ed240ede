// The search over real folders: what is found and how it is shown, the
// list filter with subfolders, hidden items, links not followed, folders
// that cannot be read, hits inside archives, narrowing, and cancelling.

#include "archive/archivebackends.h"
#include "core/scriptedservices.h"
#include "platform/itemrecord.h"
#include "search/filesearch.h"
#include "support/tempdir.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using tovane::test::TempDir;

namespace {

QStringList found(const SearchResult& r)
{
    QList<SearchHit> hits = r.hits;
    sortHitsByName(hits);
    QStringList out;
    for (const SearchHit& h : hits)
        out << h.path + h.name;
    return out;
}

struct Tree {
    Tree()
    {
        for (const char* f : {"sub", "sub/deep", "sub/.hidden", "other"})
            QVERIFY(dir.makeFolder(f));
        for (const char* f : {"a.txt", "b.log", "sub/c.TXT", "sub/deep/d.txt", "sub/.hidden/e.txt",
                              "other/f.txt", "noext"})
            QVERIFY(dir.writeFile(f, QByteArray(f)));
        QCOMPARE(::symlink(dir.filePath(QStringLiteral("other")).toUtf8().constData(),
                           dir.filePath(QStringLiteral("sub/link")).toUtf8().constData()),
                 0);
    }
    QString root() const { return dir.path() + u'/'; }
    TempDir dir;
};

} // namespace

class FileSearchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void walk_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<quint32>("hidden");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("extension, all levels, no link followed")
            << "*.txt" << "" << quint32(AttrHidden)
            << QStringList{"a.txt", "sub/c.TXT", "sub/deep/d.txt", "other/f.txt"};
        QTest::newRow("hidden folders searched when not hidden")
            << "e.txt" << "" << quint32(0) << QStringList{"sub/.hidden/e.txt"};
        QTest::newRow("list filter keeps walking subfolders")
            << "*" << " txt," << quint32(AttrHidden)
            << QStringList{"a.txt", "sub/c.TXT", "sub/deep/d.txt", "other/f.txt"};
        QTest::newRow("folders and the link by name")
            << "*e*" << "" << quint32(AttrHidden) << QStringList{"sub/deep", "noext", "other"};
        QTest::newRow("trailing dot: names without extension")
            << "*." << "" << quint32(AttrHidden)
            << QStringList{"sub/deep", "sub/link", "noext", "other", "sub"};
    }
    void walk()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, filter);
        QFETCH(quint32, hidden);
        QFETCH(QStringList, expected);
        Tree t;
        SearchOptions o;
        o.pattern = pattern;
        o.listFilter = filter;
        o.hiddenMask = hidden;
        SearchResult r;
        searchFolders({t.root()}, o, nullptr, r);
        QStringList want = expected;
        QList<SearchHit> sorted;
        for (const QString& e : want) {
            SearchHit h;
            h.name = e.section(u'/', -1);
            h.path = e.left(e.size() - h.name.size());
            sorted << h;
        }
        sortHitsByName(sorted);
        QStringList wantSorted;
        for (const SearchHit& h : sorted)
            wantSorted << h.path + h.name;
        QCOMPARE(found(r), wantSorted);
        QCOMPARE(r.folders + r.files, int(r.hits.size()));
    }

    void hitTextsAreTheListsTexts()
    {
        Tree t;
        SearchOptions o;
        o.pattern = QStringLiteral("a.txt");
        o.kilobytes = false;
        SearchResult r;
        searchFolders({t.root()}, o, nullptr, r);
        QCOMPARE(r.hits.size(), 1);
        QCOMPARE(r.hits[0].size, QStringLiteral("5"));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(r.hits[0].date)
                    .hasMatch());
        QCOMPARE(r.files, 1);
        QCOMPARE(searchResultLine(r), QStringLiteral(" 該当 1 件（ 0 フォルダ、 1 ファイル ）"));
    }

    void unreadableFoldersAreSkipped()
    {
        if (::geteuid() == 0)
            QSKIP("root reads every folder");
        Tree t;
        QCOMPARE(::chmod(t.dir.filePath(QStringLiteral("sub/deep")).toUtf8().constData(), 0), 0);
        SearchOptions o;
        o.pattern = QStringLiteral("*.txt");
        SearchResult r;
        searchFolders({t.root()}, o, nullptr, r);
        QVERIFY(!found(r).contains(QStringLiteral("sub/deep/d.txt")));
        QVERIFY(found(r).contains(QStringLiteral("other/f.txt")));
        ::chmod(t.dir.filePath(QStringLiteral("sub/deep")).toUtf8().constData(), 0755);
    }

    void narrowing()
    {
        Tree t;
        SearchOptions o;
        o.pattern = QStringLiteral("*");
        o.hiddenMask = AttrHidden;
        SearchResult all;
        searchFolders({t.root()}, o, nullptr, all);
        SearchResult narrowed;
        narrowResult(all, QStringLiteral("[a-c]*."), nullptr, narrowed);
        // Without the dot only names without an extension stay: none start with a-c.
        QCOMPARE(found(narrowed), QStringList{});
        SearchResult second;
        narrowResult(all, QStringLiteral("[a-c]*"), nullptr, second);
        QCOMPARE(found(second), (QStringList{"a.txt", "b.log", "sub/c.TXT"}));
        QCOMPARE(second.files, 3);
    }

    void cancelKeepsWhatWasFound()
    {
        Tree t;
        ScriptedProgressService progress;
        progress.setPumpInterval(0);
        progress.requestInterrupt();
        SearchOptions o;
        o.pattern = QStringLiteral("*");
        SearchResult r;
        searchFolders({t.root()}, o, &progress, r);
        QVERIFY(r.interrupted);
        QVERIFY(r.hits.size() < 9);
    }

    void insideArchives()
    {
        Tree t;
        QVERIFY(t.dir.makeFolder("s"));
        // An archive made by our own back end from the tree's files.
        QCOMPARE(ArchiveBackends::create(ArchiveZip, t.dir.filePath(QStringLiteral("s/a.zip")),
                                         t.root(), {QStringLiteral("sub")}, true),
                 0);
        QCOMPARE(ArchiveBackends::create(ArchiveLzh, t.dir.filePath(QStringLiteral("s/a.lzh")),
                                         t.root(), {QStringLiteral("sub")}, true),
                 0);
        SearchOptions o;
        o.pattern = QStringLiteral("*.txt");
        o.hiddenMask = AttrHidden;
        o.inArchives = true;
        o.archiveExtensions = QStringLiteral(" cab, lzh, zip,");
        SearchResult r;
        searchFolders({t.root()}, o, nullptr, r);
        QVERIFY2(found(r).contains(QStringLiteral("s/a.zip/sub/c.TXT")), qPrintable(found(r).join(u'|')));
        QVERIFY(found(r).contains(QStringLiteral("s/a.zip/sub/deep/d.txt")));
        QVERIFY2(found(r).contains(QStringLiteral("s/a.lzh/sub/deep/d.txt")),
                 qPrintable(found(r).join(u'|')));
        for (const SearchHit& h : r.hits)
            if (h.inArchive)
                QCOMPARE(h.date.size(), 20);
    }

    void listingFields_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QString>("expected"); // path|name|size|date|attributes
        QTest::newRow("zip") << 2
                             << "h1\r\nh2\r\ndir/x.txt 1234 500 60% 2024-06-13 12:34:56 ---a\r\n"
                                "-----\r\nsummary\r\n"
                             << "p/dir/|x.txt|1,234| 2024/06/13 12:34:56|A";
        QTest::newRow("cab, backslash, short date")
            << 0 << "1\r\n2\r\n3\r\n4\r\n5\r\n12 6-13-24 1:02:04 rhsa d\\y.txt\r\n-----\r\n"
            << "p/d/|y.txt|12|   06/13/24 01:02:04|ASHR";
        QTest::newRow("lzh on two lines")
            << 1 << "1\r\n2\r\n3\r\n4\r\n5\r\nz.txt\r\n-lh5-          7 7 100% 2024-01-02 03:04:06 r---\r\n-----\r\n"
            << "p/|z.txt|7| 2024/01/02 03:04:06|R";
    }
    void listingFields()
    {
        QFETCH(int, format);
        QFETCH(QString, listing);
        QFETCH(QString, expected);
        SearchOptions o;
        o.pattern = QStringLiteral("*");
        o.kilobytes = false;
        const QList<SearchHit> hits = hitsOfListing(listing, format, QStringLiteral("p/"), o);
        QCOMPARE(hits.size(), 1);
        const SearchHit& h = hits.first();
        QCOMPARE(QStringList({h.path, h.name, h.size, h.date, h.attributes}).join(u'|'), expected);
    }

    // From the volume level, volumes the tree marks as not ready or unread
    // are no roots; a label that merely contains a mark still is one.
    void volumeRoots_data()
    {
        QTest::addColumn<QString>("mount");
        QTest::addColumn<QString>("treeText");
        QTest::addColumn<bool>("searched");
        QTest::newRow("read, label") << "/media/u/USB" << "/media/u/USB [ DATA ]" << true;
        QTest::newRow("read, no label") << "/" << "/" << true;
        QTest::newRow("not ready") << "/media/u/CD" << "/media/u/CD ―" << false;
        QTest::newRow("left unread") << "/mnt/net" << "/mnt/net ／" << false;
        QTest::newRow("mark inside the label") << "/mnt/x" << "/mnt/x [ a ― b ]" << true;
        QTest::newRow("no tree node") << "/srv" << "" << true;
    }
    void volumeRoots()
    {
        QFETCH(QString, mount);
        QFETCH(QString, treeText);
        QFETCH(bool, searched);
        const QStringList roots = volumeSearchRoots({{QStringLiteral("/home"), QStringLiteral("/home")},
                                                     {mount, treeText}});
        QCOMPARE(roots.value(0), QStringLiteral("/home/"));
        QCOMPARE(roots.contains(mount == u"/" ? mount : mount + u'/'), searched);
        QCOMPARE(roots.size(), searched ? 2 : 1);
    }
};

QTEST_GUILESS_MAIN(FileSearchTest)
#include "tst_filesearch.moc"
