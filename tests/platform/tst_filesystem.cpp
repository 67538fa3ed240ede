#include "platform/filesystem.h"
#include "platform/names.h"
#include "support/asuser.h"
#include "support/tempdir.h"

#include <QtTest>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using namespace tovane::platform;
using tovane::test::asUnprivileged;
using tovane::test::joined;
using tovane::test::makeSparse;
using tovane::test::pathOf;
using tovane::test::TempDir;

namespace {

QMap<QByteArray, ItemRecord> listAll(const QString& folder, int* error = nullptr,
                                     const ListOptions& options = {})
{
    QMap<QByteArray, ItemRecord> out;
    const int e = listFolder(
        folder,
        [&](const ItemRecord& rec) {
            out.insert(nameToBytes(rec.name), rec);
            return true;
        },
        options);
    if (error)
        *error = e;
    return out;
}

// What a case-ignoring lookup must give, from the listing itself: the exact
// name when present, else the first case variant in directory order.
QByteArray expectedMatch(const QString& folder, const QString& query)
{
    const QByteArray bytes = nameToBytes(query);
    const QString disk = nameFromBytes(bytes);
    QByteArray exact, first;
    listFolder(
        folder,
        [&](const ItemRecord& rec) {
            if (nameToBytes(rec.name) == bytes)
                exact = bytes;
            else if (first.isEmpty() && rec.name.compare(disk, Qt::CaseInsensitive) == 0)
                first = nameToBytes(rec.name);
            return true;
        },
        ListOptions{false});
    return exact.isEmpty() ? first : exact;
}

void compareRecords(const ItemRecord& a, const ItemRecord& b)
{
    QCOMPARE(a.name, b.name);
    QCOMPARE(a.size, b.size);
    QCOMPARE(a.mode, b.mode);
    QCOMPARE(a.attributes, b.attributes);
    QCOMPARE(a.isSymlink, b.isSymlink);
    QCOMPARE(a.linkToFolder, b.linkToFolder);
    QCOMPARE(a.writeTime, b.writeTime);
}

} // namespace

class FileSystemTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void namesRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("plain") << QByteArray("readme.txt");
        QTest::newRow("spaces") << QByteArray(" lead and trail ");
        QTest::newRow("newline") << QByteArray("two\nlines");
        QTest::newRow("tab and cr") << QByteArray("a\tb\rc");
        QTest::newRow("japanese") << QByteArray("\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt");
        QTest::newRow("latin1 byte") << QByteArray("caf\xe9");
        QTest::newRow("lone continuation") << QByteArray("x\x80y");
        QTest::newRow("all high bytes") << QByteArray("\xff\xfe\xfd");
        QTest::newRow("escape lookalike") << QByteArray("\xed\xb2\x80"); // UTF-8 of U+DC80
        QTest::newRow("dot dot prefix") << QByteArray("..x");
    }
    void namesRoundTrip()
    {
        QFETCH(QByteArray, name);
        TempDir dir;
        QVERIFY(dir.writeFile(name, "12345"));

        int error = -1;
        const auto all = listAll(dir.path(), &error);
        QCOMPARE(error, 0);
        QCOMPARE(all.size(), 1);
        QVERIFY(all.contains(name));
        QCOMPARE(all.value(name).size, quint64(5));

        ItemRecord rec;
        QCOMPARE(lookupEntry(dir.path(), nameFromBytes(name), rec), 0);
        QCOMPARE(nameToBytes(rec.name), name);
        QCOMPARE(statPath(pathOf(dir, name), rec), 0);
        QCOMPARE(nameToBytes(rec.name), name);
        QVERIFY(pathExists(pathOf(dir, name)));
    }

    void onlyDotEntriesListAsEmpty()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("empty"));
        int calls = 0;
        QCOMPARE(listFolder(dir.filePath("empty"),
                            [&](const ItemRecord&) {
                                ++calls;
                                return true;
                            }),
                 0);
        QCOMPARE(calls, 0);
    }

    void dotEntriesNeverReported()
    {
        TempDir dir;
        QVERIFY(dir.writeFile(".hidden", ""));
        QVERIFY(dir.makeFolder("..."));
        const auto all = listAll(dir.path());
        QCOMPARE(all.keys(), (QList<QByteArray>{"...", ".hidden"}));
    }

    void callbackStopsListing()
    {
        TempDir dir;
        for (char c = 'a'; c <= 'j'; ++c)
            QVERIFY(dir.writeFile(QByteArray(1, c), ""));
        int calls = 0;
        QCOMPARE(listFolder(dir.path(),
                            [&](const ItemRecord&) {
                                ++calls;
                                return calls < 3;
                            }),
                 0);
        QCOMPARE(calls, 3);
    }

    void largeFolderListsEveryEntry()
    {
        // More entries than one directory read returns.
        TempDir dir;
        for (int i = 0; i < 3000; ++i)
            QVERIFY(dir.writeFile("entry-with-a-longish-name-" + QByteArray::number(i), ""));
        QCOMPARE(listAll(dir.path()).size(), 3000);
    }

    // Entries are read in batches on several threads: whatever the count,
    // each arrives once, in the kernel's order, with its own record.
    void listingKeepsOrderAndRecords_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("stopAfter"); // 0: read to the end
        for (int n : {1, 2, 5, 6, 21, 22, 85, 86, 1365, 1366, 2500})
            QTest::addRow("%d entries", n) << n << 0;
        QTest::newRow("stop at the first") << 500 << 1;
        QTest::newRow("stop inside a batch") << 500 << 40;
    }
    void listingKeepsOrderAndRecords()
    {
        QFETCH(int, entries);
        QFETCH(int, stopAfter);
        TempDir dir;
        for (int i = 0; i < entries; ++i) {
            const QByteArray name = "e" + QByteArray::number(i);
            if (i % 7 == 3)
                QVERIFY(dir.makeFolder(name));
            else
                QVERIFY(dir.writeFile(name, QByteArray(i % 50, 'x'))); // sizes tell them apart
        }
        QByteArrayList kernelOrder;
        DIR* d = ::opendir(dir.pathBytes().constData());
        QVERIFY(d);
        while (const dirent* e = ::readdir(d)) {
            const QByteArray name(e->d_name);
            if (name != "." && name != "..")
                kernelOrder << name;
        }
        ::closedir(d);

        QByteArrayList seen;
        QList<ItemRecord> records;
        QCOMPARE(listFolder(dir.path(),
                            [&](const ItemRecord& rec) {
                                seen << nameToBytes(rec.name);
                                records << rec;
                                return stopAfter == 0 || seen.size() < stopAfter;
                            }),
                 0);
        QCOMPARE(seen, stopAfter ? kernelOrder.mid(0, stopAfter) : kernelOrder);
        for (const ItemRecord& rec : records) {
            ItemRecord alone;
            QCOMPARE(statPath(dir.filePath(rec.name), alone), 0);
            compareRecords(rec, alone);
        }
    }

    void symbolicLinks_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<bool>("toFolder");
        QTest::newRow("to file") << QByteArray("file") << false;
        QTest::newRow("to folder") << QByteArray("folder") << true;
        QTest::newRow("to folder by absolute path") << QByteArray("@/folder") << true;
        QTest::newRow("dangling") << QByteArray("missing") << false;
        QTest::newRow("to itself") << QByteArray("link") << false;
        QTest::newRow("loop of two") << QByteArray("other") << false;
    }
    void symbolicLinks()
    {
        QFETCH(QByteArray, target);
        QFETCH(bool, toFolder);
        TempDir dir;
        QVERIFY(dir.writeFile("file", "data"));
        QVERIFY(dir.makeFolder("folder"));
        QVERIFY(dir.writeFile("folder/inside", ""));
        QVERIFY(::symlink("link", joined(dir, "other").constData()) == 0);
        if (target.startsWith('@'))
            target = dir.pathBytes() + target.mid(1);
        QVERIFY(::symlink(target.constData(), joined(dir, "link").constData()) == 0);

        const auto all = listAll(dir.path());
        QVERIFY(all.contains("link"));
        const ItemRecord listed = all.value("link");
        QVERIFY(listed.isSymlink);
        QVERIFY(!listed.isFolder());
        QCOMPARE(listed.linkToFolder, toFolder);
        QVERIFY(S_ISLNK(listed.mode));
        QCOMPARE(listed.size, quint64(target.size())); // the link itself, not its target

        ItemRecord single;
        QCOMPARE(statPath(dir.filePath("link"), single), 0);
        QVERIFY(single.isSymlink);
        QCOMPARE(single.linkToFolder, toFolder);
        // A trailing separator must not turn lstat into stat.
        QCOMPARE(statPath(dir.filePath("link/"), single), 0);
        QVERIFY(single.isSymlink);
        QCOMPARE(lookupEntry(dir.path(), "LINK", single), 0);
        QCOMPARE(single.name, QString("link"));
        QVERIFY(single.isSymlink);
        QVERIFY(pathExists(dir.filePath("link")));
    }

    void folderRecord()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("sub"));
        QVERIFY(dir.writeFile("sub/x", QByteArray(100, 'x')));
        ItemRecord rec;
        QCOMPARE(statPath(dir.filePath("sub"), rec), 0);
        QVERIFY(rec.isFolder());
        QVERIFY(!rec.isSymlink);
        QCOMPARE(rec.size, quint64(0));
        QCOMPARE(rec.name, QString("sub"));
        QCOMPARE(statPath("/", rec), 0);
        QVERIFY(rec.isFolder());
        QVERIFY(rec.name.isEmpty());
    }

    void sizes_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<quint32>("high");
        QTest::addColumn<quint32>("low");
        QTest::newRow("empty") << qint64(0) << 0u << 0u;
        QTest::newRow("low half all ones") << qint64(0xffffffffLL) << 0u << 0xffffffffu;
        QTest::newRow("exactly 4 GiB") << qint64(0x100000000LL) << 1u << 0u;
        QTest::newRow("above 5 GiB") << qint64(0x140000003LL) << 1u << 0x40000003u;
    }
    void sizes()
    {
        QFETCH(qint64, size);
        QFETCH(quint32, high);
        QFETCH(quint32, low);
        TempDir dir;
        if (!makeSparse(joined(dir, "big"), off_t(size)))
            QSKIP("this file system refuses sparse files of that size");
        ItemRecord rec;
        QCOMPARE(statPath(dir.filePath("big"), rec), 0);
        QCOMPARE(rec.size, quint64(size));
        QCOMPARE(rec.sizeHigh(), high);
        QCOMPARE(rec.sizeLow(), low);
        QCOMPARE(listAll(dir.path()).value("big").size, quint64(size));
    }

    void lookupByName_data()
    {
        QTest::addColumn<QByteArrayList>("present");
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArrayList>("acceptable"); // true names that may come back
        QTest::newRow("exact") << QByteArrayList{"a.txt"} << "a.txt" << 0
                               << QByteArrayList{"a.txt"};
        QTest::newRow("other case")
            << QByteArrayList{"Readme.md"} << "README.MD" << 0 << QByteArrayList{"Readme.md"};
        QTest::newRow("exact lower wins")
            << QByteArrayList{"a.txt", "A.TXT"} << "a.txt" << 0 << QByteArrayList{"a.txt"};
        QTest::newRow("exact upper wins")
            << QByteArrayList{"a.txt", "A.TXT"} << "A.TXT" << 0 << QByteArrayList{"A.TXT"};
        QTest::newRow("mixed finds either")
            << QByteArrayList{"a.txt", "A.TXT"} << "a.TXT" << 0 << QByteArrayList{"a.txt", "A.TXT"};
        QTest::newRow("non-ascii case") << QByteArrayList{"\xc3\xa4pfel"} << "\u00c4PFEL" << 0
                                        << QByteArrayList{"\xc3\xa4pfel"};
        QTest::newRow("full-width case")
            << QByteArrayList{"\xef\xbd\x81"} << "\uff21" << 0 << QByteArrayList{"\xef\xbd\x81"};
        QTest::newRow("invalid bytes")
            << QByteArrayList{"X\xff"} << nameFromBytes("x\xff") << 0 << QByteArrayList{"X\xff"};
        QTest::newRow("missing") << QByteArrayList{"a.txt"} << "b.txt" << ENOENT
                                 << QByteArrayList{};
        QTest::newRow("prefix is no match")
            << QByteArrayList{"abc"} << "ab" << ENOENT << QByteArrayList{};
        QTest::newRow("dot") << QByteArrayList{} << "." << ENOENT << QByteArrayList{};
        QTest::newRow("dot dot") << QByteArrayList{} << ".." << ENOENT << QByteArrayList{};
        QTest::newRow("separator inside")
            << QByteArrayList{"a.txt"} << "../a.txt" << EINVAL << QByteArrayList{};
        QTest::newRow("empty name") << QByteArrayList{} << "" << EINVAL << QByteArrayList{};
        QTest::newRow("nul inside")
            << QByteArrayList{"a"} << QString::fromLatin1("a\0b", 3) << EINVAL << QByteArrayList{};
    }
    void lookupByName()
    {
        QFETCH(QByteArrayList, present);
        QFETCH(QString, query);
        QFETCH(int, error);
        QFETCH(QByteArrayList, acceptable);
        TempDir dir;
        for (const QByteArray& name : present)
            QVERIFY(dir.writeFile(name, name));
        ItemRecord rec;
        QCOMPARE(platform::lookupEntry(dir.path(), query, rec), error);
        if (error == 0) {
            QVERIFY2(acceptable.contains(nameToBytes(rec.name)), qPrintable(rec.name));
            // The record is that of the entry named, not of another one.
            QCOMPARE(rec.size, quint64(nameToBytes(rec.name).size()));
        }
    }

    void lookupInBadFolder_data()
    {
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<int>("error");
        QTest::newRow("missing folder") << QByteArray("nope") << ENOENT;
        QTest::newRow("folder is a file") << QByteArray("file") << ENOTDIR;
    }
    void lookupInBadFolder()
    {
        QFETCH(QByteArray, folder);
        QFETCH(int, error);
        TempDir dir;
        QVERIFY(dir.writeFile("file", ""));
        ItemRecord rec;
        QCOMPARE(platform::lookupEntry(pathOf(dir, folder), "x", rec), error);
    }

    void folderLookupAgrees_data()
    {
        QTest::addColumn<QByteArrayList>("present"); // "name>target" makes a link
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("error");
        QTest::newRow("exact") << QByteArrayList{"a.txt", "b.txt"} << "a.txt" << 0;
        QTest::newRow("case variant") << QByteArrayList{"Readme.md"} << "README.MD" << 0;
        QTest::newRow("exact beats variant")
            << QByteArrayList{"A.TXT", "a.txt", "A.txt"} << "A.txt" << 0;
        QTest::newRow("two variants") << QByteArrayList{"a.txt", "A.TXT"} << "a.TXT" << 0;
        // Enough other names that directory order is not creation order.
        QByteArrayList crowd;
        for (int i = 0; i < 200; ++i)
            crowd << "filler-" + QByteArray::number(i);
        crowd << "NOTE"
              << "Note"
              << "nOtE"
              << "NoTe";
        QTest::newRow("four variants among many") << crowd << "note" << 0;
        QTest::newRow("non-ascii variant") << QByteArrayList{"\xc3\x84pfel"} << "\u00e4PFEL" << 0;
        QTest::newRow("full-width variant") << QByteArrayList{"\xef\xbd\x81"} << "\uff21" << 0;
        QTest::newRow("missing") << QByteArrayList{"a.txt", "A.TXT"} << "b.txt" << ENOENT;
        QTest::newRow("prefix of a name") << QByteArrayList{"abc"} << "AB" << ENOENT;
        QTest::newRow("dot") << QByteArrayList{"x"} << "." << ENOENT;
        QTest::newRow("dot dot") << QByteArrayList{"x"} << ".." << ENOENT;
        QTest::newRow("separator inside") << QByteArrayList{"a", "a/b"} << "a/b" << EINVAL;
        QTest::newRow("separator at end") << QByteArrayList{"a"} << "a/" << EINVAL;
        QTest::newRow("empty name") << QByteArrayList{"a"} << "" << EINVAL;
        QTest::newRow("nul inside")
            << QByteArrayList{"a"} << QString::fromLatin1("a\0b", 3) << EINVAL;
        QTest::newRow("invalid bytes, exact")
            << QByteArrayList{"x\xff", "x\xfe"} << nameFromBytes("x\xff") << 0;
        QTest::newRow("invalid bytes, variant")
            << QByteArrayList{"X\xfe", "X\xff"} << nameFromBytes("x\xff") << 0;
        QTest::newRow("invalid bytes are no letters")
            << QByteArrayList{"x\xfe"} << nameFromBytes("x\xff") << ENOENT;
        QTest::newRow("invalid bytes beside a letter to fold")
            << QByteArrayList{"X\xfe", "x\xfd"} << nameFromBytes("X\xff") << ENOENT;
        // Escaped bytes that form valid UTF-8 name the decoded entry.
        QTest::newRow("escaped spelling")
            << QByteArrayList{"\xc3\xa4"} << (QString(QChar(0xDCC3)) + QChar(0xDCA4)) << 0;
        QTest::newRow("link to folder")
            << QByteArrayList{"target/", "Linked>target"} << "LINKED" << 0;
        QTest::newRow("folder variant") << QByteArrayList{"Sub/"} << "sub" << 0;
    }
    void folderLookupAgrees()
    {
        QFETCH(QByteArrayList, present);
        QFETCH(QString, query);
        QFETCH(int, error);
        TempDir dir;
        for (const QByteArray& entry : present) {
            if (entry.contains('/') && !entry.endsWith('/'))
                continue; // cannot exist: only the query has it
            if (entry.endsWith('/'))
                QVERIFY(dir.makeFolder(entry.chopped(1)));
            else if (entry.contains('>'))
                QVERIFY(::symlink(entry.mid(entry.indexOf('>') + 1).constData(),
                                  joined(dir, entry.left(entry.indexOf('>'))).constData()) == 0);
            else
                QVERIFY(dir.writeFile(entry, entry)); // sizes tell the entries apart
        }

        ItemRecord single;
        QCOMPARE(lookupEntry(dir.path(), query, single), error);
        // A fresh lookup and one whose index is already built.
        FolderLookup fresh(dir.path());
        FolderLookup indexed(dir.path());
        QCOMPARE(fresh.error(), 0);
        ItemRecord scratch;
        QCOMPARE(indexed.lookup("no such name", scratch), ENOENT);
        for (FolderLookup* lookup : {&fresh, &indexed}) {
            ItemRecord rec;
            QCOMPARE(lookup->lookup(query, rec), error);
            if (error == 0) {
                QCOMPARE(nameToBytes(rec.name), expectedMatch(dir.path(), query));
                compareRecords(rec, single);
            }
            // Asking again gives the same answer.
            ItemRecord again;
            QCOMPARE(lookup->lookup(query, again), error);
            if (error == 0)
                QCOMPARE(again.name, rec.name);
        }
        if (query == "LINKED") {
            QVERIFY(single.isSymlink);
            QVERIFY(single.linkToFolder);
            QVERIFY(!single.isFolder());
        }

        // The same question inside a batch large enough to be shared out
        // among threads, first and last, among names that exist and not.
        QStringList batch{query};
        for (int i = 0; i < 300; ++i)
            batch << (i % 2 ? "missing-" + QString::number(i)
                            : nameFromBytes(present[i % present.size()]));
        batch << query;
        FolderLookup many(dir.path());
        std::vector<ItemRecord> records;
        std::vector<int> codes;
        many.lookupMany(batch, records, codes);
        QCOMPARE(int(codes.size()), batch.size());
        QCOMPARE(int(records.size()), batch.size());
        for (int i = 0; i < batch.size(); ++i) {
            ItemRecord alone;
            QCOMPARE(codes[size_t(i)], lookupEntry(dir.path(), batch[i], alone));
            if (codes[size_t(i)] == 0)
                compareRecords(records[size_t(i)], alone);
        }
        QCOMPARE(codes.front(), error);
        QCOMPARE(codes.back(), error);
    }

    void folderStampTellsEntryChanges_data()
    {
        QTest::addColumn<QByteArray>("change");
        QTest::addColumn<bool>("unchanged");
        QTest::newRow("nothing") << QByteArray() << true;
        QTest::newRow("file added") << QByteArray("add") << false;
        QTest::newRow("file removed") << QByteArray("remove") << false;
        QTest::newRow("file renamed") << QByteArray("rename") << false;
        QTest::newRow("folder added") << QByteArray("mkdir") << false;
        // Tools that copy times set a folder's write time back after filling it.
        QTest::newRow("file added, write time put back") << QByteArray("add+restore") << false;
        QTest::newRow("content of a file rewritten") << QByteArray("rewrite") << true;
        QTest::newRow("file added one level down") << QByteArray("deeper") << true;
    }
    void folderStampTellsEntryChanges()
    {
        QFETCH(QByteArray, change);
        QFETCH(bool, unchanged);
        TempDir dir;
        QVERIFY(dir.writeFile("kept", "1"));
        QVERIFY(dir.makeFolder("sub"));
        struct stat before;
        QVERIFY(::stat(dir.pathBytes().constData(), &before) == 0);
        FolderStamp first;
        QCOMPARE(folderStamp(dir.path(), first, 0), 0);
        if (!first.trusted)
            QSKIP("the times of this file system are not trusted");
        // Any later change must fall into another tick of the clock.
        QTest::qWait(20);

        if (change.startsWith("add"))
            QVERIFY(dir.writeFile("new", "2"));
        if (change == "add+restore") {
            const struct timespec times[2] = {before.st_atim, before.st_mtim};
            QVERIFY(::utimensat(AT_FDCWD, dir.pathBytes().constData(), times, 0) == 0);
        }
        if (change == "remove")
            QVERIFY(::unlink(joined(dir, "kept").constData()) == 0);
        if (change == "rename")
            QVERIFY(::rename(joined(dir, "kept").constData(), joined(dir, "Kept").constData()) ==
                    0);
        if (change == "mkdir")
            QVERIFY(dir.makeFolder("sub2"));
        if (change == "rewrite")
            QVERIFY(dir.writeFile("kept", "longer content"));
        if (change == "deeper")
            QVERIFY(dir.writeFile("sub/inner", "3"));

        FolderStamp later;
        QCOMPARE(folderStamp(dir.path(), later, 0), 0);
        QCOMPARE(folderUnchanged(first, later), unchanged);
    }

    void folderStampTrust_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<qint64>("settle");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("trusted");
        QTest::newRow("just changed, default settling") << "" << FolderSettleNanos << 0 << false;
        QTest::newRow("settled") << "" << qint64(0) << 0 << true;
        QTest::newRow("missing folder") << "nope" << qint64(0) << ENOENT << false;
        QTest::newRow("a file") << "file" << qint64(0) << ENOTDIR << false;
    }
    void folderStampTrust()
    {
        QFETCH(QString, folder);
        QFETCH(qint64, settle);
        QFETCH(int, error);
        QFETCH(bool, trusted);
        TempDir dir;
        QVERIFY(dir.writeFile("file", "x"));
        FolderStamp probe;
        QCOMPARE(folderStamp(dir.path(), probe, 0), 0);
        if (!probe.trusted && trusted)
            QSKIP("the times of this file system are not trusted");
        FolderStamp stamp;
        QCOMPARE(folderStamp(folder.isEmpty() ? dir.path() : dir.filePath(folder), stamp, settle),
                 error);
        QCOMPARE(stamp.trusted, trusted);
        // An untrusted stamp never vouches for a folder, not even against itself.
        QCOMPARE(folderUnchanged(stamp, stamp), trusted);
    }

    void folderLookupAfterChanges_data()
    {
        QTest::addColumn<QByteArray>("change"); // "+name" creates, "-name" removes, "a>b" renames
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("created later, exact")
            << QByteArray("+later") << "later" << 0 << QByteArray("later");
        QTest::newRow("removed later, exact")
            << QByteArray("-Alpha") << "Alpha" << ENOENT << QByteArray();
        QTest::newRow("removed later, variant")
            << QByteArray("-Alpha") << "ALPHA" << ENOENT << QByteArray();
        QTest::newRow("renamed to another case")
            << QByteArray("Alpha>ALPHA") << "alpha" << 0 << QByteArray("ALPHA");
        QTest::newRow("first variant removed")
            << QByteArray("-Beta") << "beta" << 0 << QByteArray("BETA");
    }
    void folderLookupAfterChanges()
    {
        QFETCH(QByteArray, change);
        QFETCH(QString, query);
        QFETCH(int, error);
        QFETCH(QByteArray, expected);
        TempDir dir;
        QVERIFY(dir.writeFile("Alpha", "1"));
        QVERIFY(dir.writeFile("Beta", "22"));
        QVERIFY(dir.writeFile("BETA", "333"));
        FolderLookup lookup(dir.path());
        ItemRecord rec;
        QCOMPARE(lookup.lookup("ALPHA", rec), 0); // a miss: the index is read now
        QCOMPARE(rec.name, QString("Alpha"));

        if (change.startsWith('+'))
            QVERIFY(dir.writeFile(change.mid(1), "new"));
        else if (change.startsWith('-'))
            QVERIFY(::unlink(joined(dir, change.mid(1)).constData()) == 0);
        else
            QVERIFY(::rename(joined(dir, change.left(change.indexOf('>'))).constData(),
                             joined(dir, change.mid(change.indexOf('>') + 1)).constData()) == 0);

        QCOMPARE(lookup.lookup(query, rec), error);
        if (error == 0) {
            QCOMPARE(nameToBytes(rec.name), expected);
            ItemRecord single;
            QCOMPARE(lookupEntry(dir.path(), query, single), 0);
            compareRecords(rec, single);
        }
    }

    void folderLookupInBadFolder_data()
    {
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("openError");
        QTest::addColumn<int>("error");
        QTest::newRow("missing folder") << QByteArray("nope") << "x" << ENOENT << ENOENT;
        QTest::newRow("folder is a file") << QByteArray("file") << "x" << ENOTDIR << ENOTDIR;
        QTest::newRow("below a file") << QByteArray("file/sub") << "x" << ENOTDIR << ENOTDIR;
        QTest::newRow("dangling link") << QByteArray("dangling") << "x" << ENOENT << ENOENT;
        QTest::newRow("bad name before bad folder")
            << QByteArray("nope") << "a/b" << ENOENT << EINVAL;
        QTest::newRow("dot in missing folder") << QByteArray("nope") << "." << ENOENT << ENOENT;
        QTest::newRow("nul in folder path")
            << QByteArray("sub\0x", 5) << "file" << EINVAL << EINVAL;
    }
    void folderLookupInBadFolder()
    {
        QFETCH(QByteArray, folder);
        QFETCH(QString, query);
        QFETCH(int, openError);
        QFETCH(int, error);
        TempDir dir;
        QVERIFY(dir.writeFile("file", ""));
        QVERIFY(dir.makeFolder("sub"));
        QVERIFY(dir.writeFile("sub/file", ""));
        QVERIFY(::symlink("missing", joined(dir, "dangling").constData()) == 0);
        const QString path = dir.path() + '/' + nameFromBytes(folder);
        FolderLookup lookup(path);
        QCOMPARE(lookup.error(), openError);
        ItemRecord rec;
        QCOMPARE(lookup.lookup(query, rec), error);
        QCOMPARE(lookupEntry(path, query, rec), error);
    }

    void folderLookupMoves()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("File", "abc"));
        FolderLookup first(dir.path());
        FolderLookup second(std::move(first));
        ItemRecord rec;
        QCOMPARE(second.lookup("file", rec), 0);
        QCOMPARE(rec.name, QString("File"));
        QCOMPARE(first.error(), EBADF); // NOLINT(bugprone-use-after-move)
        QCOMPARE(first.lookup("File", rec), EBADF);
        FolderLookup third(dir.filePath("nope"));
        third = std::move(second);
        QCOMPARE(third.error(), 0);
        QCOMPARE(third.lookup("FILE", rec), 0);
        QCOMPARE(rec.size, quint64(3));
    }

    void folderLookupDeniedFolder()
    {
        TempDir dir;
        QVERIFY(::chmod(dir.pathBytes().constData(), 0755) == 0);
        QVERIFY(dir.makeFolder("locked"));
        QVERIFY(dir.writeFile("locked/x", ""));
        QVERIFY(::chmod(joined(dir, "locked").constData(), 0) == 0);
        const QString locked = dir.filePath("locked");
        QCOMPARE(asUnprivileged([&] {
                     FolderLookup lookup(locked);
                     ItemRecord rec;
                     return lookup.lookup("x", rec) == lookup.error() ? lookup.error() : -1;
                 }),
                 EACCES);
    }

    void listErrors_data()
    {
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<int>("error");
        QTest::newRow("missing") << QByteArray("nope") << ENOENT;
        QTest::newRow("a file") << QByteArray("file") << ENOTDIR;
        QTest::newRow("below a file") << QByteArray("file/x") << ENOTDIR;
        QTest::newRow("dangling link") << QByteArray("dangling") << ENOENT;
    }
    void listErrors()
    {
        QFETCH(QByteArray, folder);
        QFETCH(int, error);
        TempDir dir;
        QVERIFY(dir.writeFile("file", ""));
        QVERIFY(::symlink("missing", joined(dir, "dangling").constData()) == 0);
        int calls = 0;
        QCOMPARE(listFolder(pathOf(dir, folder),
                            [&](const ItemRecord&) {
                                ++calls;
                                return true;
                            }),
                 error);
        QCOMPARE(calls, 0);
        ItemRecord rec;
        if (error == ENOENT) {
            QVERIFY(!pathExists(pathOf(dir, folder + "/x")));
            QCOMPARE(statPath(pathOf(dir, folder + "/x"), rec), ENOENT);
        }
    }

    void deniedFolder()
    {
        TempDir dir;
        QVERIFY(::chmod(dir.pathBytes().constData(), 0755) == 0);
        QVERIFY(dir.makeFolder("locked"));
        QVERIFY(dir.writeFile("locked/x", ""));
        QVERIFY(::chmod(joined(dir, "locked").constData(), 0) == 0);
        const QString locked = dir.filePath("locked");
        QCOMPARE(asUnprivileged(
                     [&] { return listFolder(locked, [](const ItemRecord&) { return true; }); }),
                 EACCES);
        QCOMPARE(asUnprivileged([&] {
                     ItemRecord rec;
                     return platform::lookupEntry(locked, "x", rec);
                 }),
                 EACCES);
        QCOMPARE(asUnprivileged([&] { return createFolder(locked + "/new"); }), EACCES);
    }

    void unsearchableFolderStillLists()
    {
        // Read but no search permission: names are known, their status not.
        TempDir dir;
        QVERIFY(::chmod(dir.pathBytes().constData(), 0755) == 0);
        QVERIFY(dir.makeFolder("names"));
        QVERIFY(dir.writeFile("names/f", "abc"));
        QVERIFY(dir.makeFolder("names/d"));
        QVERIFY(::chmod(joined(dir, "names").constData(), 0444) == 0);
        const QString folder = dir.filePath("names");
        const int result = asUnprivileged([&] {
            int seen = 0;
            const int e = listFolder(folder, [&](const ItemRecord& rec) {
                if (rec.name == "d" && rec.isFolder())
                    seen |= 1;
                if (rec.name == "f" && !rec.isFolder())
                    seen |= 2;
                return true;
            });
            return e ? 100 + e : seen;
        });
        QCOMPARE(result, 3);
    }

    void times_data()
    {
        QTest::addColumn<unsigned>("which");
        QTest::addColumn<qint64>("access");
        QTest::addColumn<qint64>("write");
        QTest::newRow("both with nanoseconds")
            << unsigned(TimeAccess | TimeWrite) << Q_INT64_C(1236236889123456789)
            << Q_INT64_C(1000000000000000001);
        QTest::newRow("write only")
            << unsigned(TimeWrite) << qint64(0) << Q_INT64_C(1500000000999999999);
        QTest::newRow("access only")
            << unsigned(TimeAccess) << Q_INT64_C(1400000000000000007) << qint64(0);
        QTest::newRow("before 1970")
            << unsigned(TimeAccess | TimeWrite) << Q_INT64_C(-1000000000) << Q_INT64_C(-1500000001);
    }
    void times()
    {
        QFETCH(unsigned, which);
        QFETCH(qint64, access);
        QFETCH(qint64, write);
        TempDir dir;
        QVERIFY(dir.writeFile("f", "x"));
        const QString path = dir.filePath("f");
        FileTimes before;
        QCOMPARE(getTimes(path, before), 0);
        FileTimes wanted;
        wanted.access = access;
        wanted.write = write;
        QCOMPARE(setTimes(path, wanted, which), 0);
        FileTimes after;
        QCOMPARE(getTimes(path, after), 0);
        QCOMPARE(after.access, (which & TimeAccess) ? access : before.access);
        QCOMPARE(after.write, (which & TimeWrite) ? write : before.write);

        ItemRecord rec;
        QCOMPARE(statPath(path, rec), 0);
        QCOMPARE(rec.writeTime, after.write);
        QCOMPARE(rec.accessTime, after.access);
        const ItemRecord listed = listAll(dir.path()).value("f");
        QCOMPARE(listed.writeTime, after.write);
        QCOMPARE(listed.creationTime, rec.creationTime);
    }

    void timesOfLinkAreTheLinks()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("target", ""));
        QVERIFY(::symlink("target", joined(dir, "link").constData()) == 0);
        FileTimes targetBefore;
        QCOMPARE(getTimes(dir.filePath("target"), targetBefore), 0);
        FileTimes t;
        t.write = Q_INT64_C(1100000000000000000);
        QCOMPARE(setTimes(dir.filePath("link"), t, TimeWrite), 0);
        FileTimes link, target;
        QCOMPARE(getTimes(dir.filePath("link"), link), 0);
        QCOMPARE(getTimes(dir.filePath("target"), target), 0);
        QCOMPARE(link.write, t.write);
        QCOMPARE(target.write, targetBefore.write);
    }

    void timesOfMissingPath()
    {
        TempDir dir;
        FileTimes t;
        QCOMPARE(getTimes(dir.filePath("nope"), t), ENOENT);
        QCOMPARE(setTimes(dir.filePath("nope"), t, TimeWrite), ENOENT);
    }

    void rename_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArray>("expectFrom"); // content left at `from` ("-" = gone)
        QTest::addColumn<QByteArray>("expectTo");
        QTest::newRow("to a new name") << QByteArray("a") << QByteArray("new") << false << 0
                                       << QByteArray("-") << QByteArray("A");
        QTest::newRow("refuses to replace") << QByteArray("a") << QByteArray("b") << false << EEXIST
                                            << QByteArray("A") << QByteArray("B");
        QTest::newRow("replaces when asked") << QByteArray("a") << QByteArray("b") << true << 0
                                             << QByteArray("-") << QByteArray("A");
        QTest::newRow("case variant of another name")
            << QByteArray("a") << QByteArray("BCASE") << false << 0 << QByteArray("-")
            << QByteArray("A");
        QTest::newRow("onto a hard link") << QByteArray("a") << QByteArray("hard") << false
                                          << EEXIST << QByteArray("A") << QByteArray("A");
        QTest::newRow("onto a hard link, replacing")
            << QByteArray("a") << QByteArray("hard") << true << EEXIST << QByteArray("A")
            << QByteArray("A");
        QTest::newRow("onto itself") << QByteArray("a") << QByteArray("a") << false << EEXIST
                                     << QByteArray("A") << QByteArray("A");
        QTest::newRow("missing source") << QByteArray("none") << QByteArray("x") << false << ENOENT
                                        << QByteArray("-") << QByteArray("-");
        QTest::newRow("into missing folder") << QByteArray("a") << QByteArray("no/x") << false
                                             << ENOENT << QByteArray("A") << QByteArray("-");
        QTest::newRow("folder into itself") << QByteArray("dir") << QByteArray("dir/sub") << false
                                            << EINVAL << QByteArray("") << QByteArray("-");
    }
    void rename()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(bool, replace);
        QFETCH(int, error);
        QFETCH(QByteArray, expectFrom);
        QFETCH(QByteArray, expectTo);
        TempDir dir;
        QVERIFY(dir.writeFile("a", "A"));
        QVERIFY(dir.writeFile("b", "B"));
        QVERIFY(dir.writeFile("bCASE", "b"));
        QVERIFY(::link(joined(dir, "a").constData(), joined(dir, "hard").constData()) == 0);
        QVERIFY(dir.makeFolder("dir"));
        QCOMPARE(renameItem(pathOf(dir, from), pathOf(dir, to), replace), error);

        const auto content = [&](const QByteArray& name) -> QByteArray {
            ItemRecord rec;
            if (statPath(pathOf(dir, name), rec) != 0)
                return "-";
            if (rec.isFolder())
                return "";
            QFile f(dir.path() + '/' + QString::fromLatin1(name));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("?");
        };
        QCOMPARE(content(from), expectFrom);
        if (to != from)
            QCOMPARE(content(to), expectTo);
    }

    void renameKeepsLosslessNames()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("old\xff", "x"));
        QCOMPARE(renameItem(pathOf(dir, "old\xff"), pathOf(dir, "new\xfe\n")), 0);
        QCOMPARE(listAll(dir.path()).keys(), QList<QByteArray>{"new\xfe\n"});
    }

    void deleting_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("asFolder");
        QTest::addColumn<int>("error");
        QTest::newRow("file") << QByteArray("file") << false << 0;
        QTest::newRow("link to folder, as file") << QByteArray("link") << false << 0;
        QTest::newRow("folder, as file") << QByteArray("empty") << false << EISDIR;
        QTest::newRow("missing file") << QByteArray("nope") << false << ENOENT;
        QTest::newRow("empty folder") << QByteArray("empty") << true << 0;
        QTest::newRow("full folder") << QByteArray("full") << true << ENOTEMPTY;
        QTest::newRow("file, as folder") << QByteArray("file") << true << ENOTDIR;
        QTest::newRow("link to folder, as folder") << QByteArray("link") << true << ENOTDIR;
    }
    void deleting()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, asFolder);
        QFETCH(int, error);
        TempDir dir;
        QVERIFY(dir.writeFile("file", ""));
        QVERIFY(dir.makeFolder("empty"));
        QVERIFY(dir.makeFolder("full"));
        QVERIFY(dir.writeFile("full/x", ""));
        QVERIFY(::symlink("full", joined(dir, "link").constData()) == 0);
        const QString path = pathOf(dir, name);
        QCOMPARE(asFolder ? deleteEmptyFolder(path) : deleteFile(path), error);
        QCOMPARE(pathExists(path), error != 0 && error != ENOENT);
        QVERIFY(pathExists(dir.filePath("full/x"))); // a link's target is never touched
    }

    void createFolders_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("error");
        QTest::newRow("new") << QByteArray("new") << 0;
        QTest::newRow("new with odd bytes") << QByteArray("n\xe9w \n") << 0;
        QTest::newRow("exists as folder") << QByteArray("there") << EEXIST;
        QTest::newRow("exists as file") << QByteArray("file") << EEXIST;
        QTest::newRow("parent missing") << QByteArray("no/new") << ENOENT;
        QTest::newRow("parent is a file") << QByteArray("file/new") << ENOTDIR;
    }
    void createFolders()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, error);
        TempDir dir;
        QVERIFY(dir.makeFolder("there"));
        QVERIFY(dir.writeFile("file", ""));
        QCOMPARE(platform::createFolder(pathOf(dir, name)), error);
        if (error == 0) {
            ItemRecord rec;
            QCOMPARE(statPath(pathOf(dir, name), rec), 0);
            QVERIFY(rec.isFolder());
        }
    }

    void embeddedNulIsRefused()
    {
        // Cut at the NUL, these paths would name "victim" instead.
        TempDir dir;
        QVERIFY(dir.writeFile("victim", "keep"));
        QVERIFY(dir.makeFolder("vdir"));
        const QString withNul = dir.filePath(QString::fromLatin1("victim\0tail", 11));
        const QString folderNul = dir.filePath(QString::fromLatin1("vdir\0tail", 9));
        ItemRecord rec;
        FileTimes t;
        QCOMPARE(deleteFile(withNul), EINVAL);
        QCOMPARE(deleteEmptyFolder(folderNul), EINVAL);
        QCOMPARE(renameItem(withNul, dir.filePath("moved")), EINVAL);
        QCOMPARE(renameItem(dir.filePath("victim"), withNul + "x"), EINVAL);
        QCOMPARE(setAttributes(withNul, AttrReadOnly), EINVAL);
        QCOMPARE(setTimes(withNul, t, TimeWrite), EINVAL);
        QCOMPARE(statPath(withNul, rec), EINVAL);
        QCOMPARE(listFolder(folderNul, [](const ItemRecord&) { return true; }), EINVAL);
        QVERIFY(!pathExists(withNul));
        QCOMPARE(statPath(dir.filePath("victim"), rec), 0);
        QCOMPARE(rec.size, quint64(4));
        QVERIFY(!(rec.attributes & AttrReadOnly));
        QVERIFY(pathExists(dir.filePath("vdir")));
    }

    // With a source folder, a case variant pairs only one to one: an exact
    // name always, a variant only while each side holds one such name.
    void counterpartsPairOneToOne_data()
    {
        QTest::addColumn<QByteArrayList>("source");
        QTest::addColumn<QByteArrayList>("destination");
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("expected"); // empty: no counterpart
        using L = QByteArrayList;
        QTest::newRow("exact") << L{"a"} << L{"a", "A"} << QByteArray("a") << QByteArray("a");
        QTest::newRow("exact beside its variant in the source")
            << L{"README.TXT", "readme.txt"} << L{"README.TXT"} << QByteArray("README.TXT")
            << QByteArray("README.TXT");
        QTest::newRow("variant claimed by the source's exact name")
            << L{"README.TXT", "readme.txt"} << L{"README.TXT"} << QByteArray("readme.txt")
            << QByteArray();
        QTest::newRow("the one variant on both sides")
            << L{"Readme.txt"} << L{"README.TXT"} << QByteArray("Readme.txt")
            << QByteArray("README.TXT");
        QTest::newRow("two source names, one variant")
            << L{"readme", "Readme"} << L{"README"} << QByteArray("readme") << QByteArray();
        QTest::newRow("two variants there")
            << L{"readme"} << L{"README", "Readme"} << QByteArray("readme") << QByteArray();
        QTest::newRow("no such name") << L{"x"} << L{"y"} << QByteArray("x") << QByteArray();
        QTest::newRow("not UTF-8, variant") << L{"caf\xe9-A"} << L{"caf\xe9-a"}
                                            << QByteArray("caf\xe9-A") << QByteArray("caf\xe9-a");
    }
    void counterpartsPairOneToOne()
    {
        QFETCH(QByteArrayList, source);
        QFETCH(QByteArrayList, destination);
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, expected);
        TempDir dir;
        QVERIFY(dir.makeFolder("S") && dir.makeFolder("D"));
        for (const QByteArray& n : source)
            QVERIFY(dir.writeFile("S/" + n, "s"));
        for (const QByteArray& n : destination)
            QVERIFY(dir.writeFile("D/" + n, "d"));
        FolderLookup lookup(dir.filePath("D"), {}, dir.filePath("S"));
        ItemRecord rec;
        const int e = lookup.lookup(nameFromBytes(query), rec);
        QCOMPARE(e, expected.isEmpty() ? ENOENT : 0);
        if (!expected.isEmpty())
            QCOMPARE(nameToBytes(rec.name), expected);
        std::vector<ItemRecord> many;
        std::vector<int> codes;
        lookup.lookupMany({nameFromBytes(query)}, many, codes);
        QCOMPARE(codes.at(0), e);
        // Without a source folder the first variant still answers.
        FolderLookup plain(dir.filePath("D"));
        QCOMPARE(plain.lookup(nameFromBytes(query), rec) == 0,
                 !expectedMatch(dir.filePath("D"), nameFromBytes(query)).isEmpty());
    }

    // Whether a folder is an item or lies below it, whatever path leads there.
    void folderWithin_data()
    {
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<bool>("within");
        QTest::newRow("itself") << QByteArray("A") << QByteArray("A") << true;
        QTest::newRow("below") << QByteArray("A/sub/deep") << QByteArray("A") << true;
        QTest::newRow("parent") << QByteArray("A") << QByteArray("A/sub") << false;
        QTest::newRow("sibling with the prefix") << QByteArray("AB") << QByteArray("A") << false;
        QTest::newRow("through a link") << QByteArray("toSub/deep") << QByteArray("A/sub") << true;
        QTest::newRow("roundabout spelling")
            << QByteArray("AB/../A/./sub") << QByteArray("A") << true;
        QTest::newRow("the item is a link") << QByteArray("A/sub") << QByteArray("toSub") << false;
        QTest::newRow("the item is a file") << QByteArray("A") << QByteArray("file") << false;
    }
    void folderWithin()
    {
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, item);
        QFETCH(bool, within);
        TempDir dir;
        QVERIFY(dir.makeFolder("A") && dir.makeFolder("A/sub") && dir.makeFolder("A/sub/deep"));
        QVERIFY(dir.makeFolder("AB") && dir.writeFile("file", "f"));
        QVERIFY(::symlink("A/sub", (dir.pathBytes() + "/toSub").constData()) == 0);
        bool result = !within;
        QCOMPARE(platform::folderWithin(pathOf(dir, folder), pathOf(dir, item), result), 0);
        QCOMPARE(result, within);
    }

    // Asking for folders only passes over what the folder reports as files
    // and links without reading them; folders come with their full records.
    void foldersOnlyListing()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("a") && dir.makeFolder(".hidden") && dir.writeFile("f", "x"));
        QVERIFY(::symlink("a", (dir.pathBytes() + "/link").constData()) == 0);
        QVERIFY(::mkfifo((dir.pathBytes() + "/pipe").constData(), 0600) == 0);
        ListOptions options;
        options.foldersOnly = true;
        const QMap<QByteArray, ItemRecord> all = listAll(dir.path(), nullptr, options);
        QCOMPARE(all.keys(), (QList<QByteArray>{".hidden", "a"}));
        QVERIFY(all.value("a").isFolder());
        QVERIFY(all.value(".hidden").attributes & AttrHidden);
    }
};

QTEST_GUILESS_MAIN(FileSystemTest)
#include "tst_filesystem.moc"
