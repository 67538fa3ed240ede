#include "core/scriptedservices.h"
#include "fs/enumeration.h"
#include "fs/itemtext.h"
#include "platform/names.h"
#include "support/asuser.h"
#include "support/tempdir.h"

#include <QtTest>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using tovane::test::asUnprivileged;
using tovane::test::joined;
using tovane::test::makeSparse;
using tovane::test::pathOf;
using tovane::test::TempDir;

namespace {

bool makeLink(const TempDir& dir, const QByteArray& target, const QByteArray& relative)
{
    return ::symlink(target.constData(), joined(dir, relative).constData()) == 0;
}

bool makeReadOnly(const TempDir& dir, const QByteArray& relative)
{
    return ::chmod(joined(dir, relative).constData(), 0444) == 0;
}

// Names (as bytes) of what listFolder hands out, sorted.
QList<QByteArray> listedNames(const QString& folder, quint32 mask,
                              ListFolderResult* result = nullptr)
{
    QList<QByteArray> names;
    const ListFolderResult r = listFolder(
        folder, mask,
        [&](const ItemRecord& rec) {
            names.append(platform::nameToBytes(rec.name));
            return true;
        },
        nullptr);
    if (result)
        *result = r;
    std::sort(names.begin(), names.end());
    return names;
}

// A folder of `count` small files, for the loops that pump and interrupt.
bool fillFolder(const TempDir& dir, const QByteArray& folder, int count)
{
    if (!dir.makeFolder(folder))
        return false;
    for (int i = 0; i < count; ++i) {
        if (!dir.writeFile(folder + "/f" + QByteArray::number(i), "x"))
            return false;
    }
    return true;
}

} // namespace

class EnumerationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void emptyFolderListsNothing()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("empty"));
        ListFolderResult r;
        QVERIFY(listedNames(pathOf(dir, "empty/"), 0, &r).isEmpty());
        QCOMPARE(r.error, 0);
        QCOMPARE(r.handedOut, 0);
        const FolderSizeResult size = folderSizeOf(pathOf(dir, "empty"), nullptr);
        QVERIFY(size.readable);
        QCOMPARE(size.value(), 0.0);
    }

    void missingFolderIsAnErrorNotAMessage()
    {
        TempDir dir;
        ListFolderResult r;
        QVERIFY(listedNames(pathOf(dir, "gone"), 0, &r).isEmpty());
        QCOMPARE(r.error, ENOENT);
        QCOMPARE(folderSize(pathOf(dir, "gone"), 0, nullptr), -1.0);
        QVERIFY(dir.writeFile("plain", "abc"));
        QCOMPARE(folderSize(pathOf(dir, "plain"), 0, nullptr), -1.0);
    }

    void hiddenMask_data()
    {
        QTest::addColumn<quint32>("mask");
        QTest::addColumn<QList<QByteArray>>("names");
        QTest::addColumn<quint64>("bytes"); // folderSize of the whole tree
        const QList<QByteArray> all = {".dot", ".hsub", "plain", "ro", "sub", "sys"};
        QTest::newRow("nothing hidden") << 0u << all << quint64(1 + 2 + 4 + 8 + 16 + 32);
        QTest::newRow("read-only")
            << quint32(AttrReadOnly) << QList<QByteArray>{".dot", ".hsub", "plain", "sub", "sys"}
            << quint64(1 + 2 + 8 + 16 + 32);
        QTest::newRow("hidden (dot names)")
            << quint32(AttrHidden) << QList<QByteArray>{"plain", "ro", "sub", "sys"}
            << quint64(2 + 4 + 8 + 32);
        QTest::newRow("system (store)")
            << quint32(AttrSystem) << QList<QByteArray>{".dot", ".hsub", "plain", "ro", "sub"}
            << quint64(1 + 2 + 4 + 8 + 16);
        QTest::newRow("compressed (none here)")
            << quint32(AttrCompressed) << all << quint64(1 + 2 + 4 + 8 + 16 + 32);
    }
    void hiddenMask()
    {
        QFETCH(quint32, mask);
        QFETCH(QList<QByteArray>, names);
        QFETCH(quint64, bytes);
        TempDir dir;
        QVERIFY(dir.writeFile(".dot", "1"));
        QVERIFY(dir.writeFile("plain", "22"));
        QVERIFY(dir.writeFile("ro", "4444"));
        QVERIFY(makeReadOnly(dir, "ro"));
        QVERIFY(dir.makeFolder("sub"));
        QVERIFY(dir.writeFile("sub/inner", "88888888"));
        QVERIFY(dir.makeFolder(".hsub"));
        QVERIFY(dir.writeFile(".hsub/inner", QByteArray(16, 'h')));
        QVERIFY(dir.writeFile("sys", QByteArray(32, 's')));
        if (platform::setAttributes(pathOf(dir, "sys"), AttrSystem) != 0)
            QSKIP("this file system keeps no attribute store, so S cannot be set");

        QCOMPARE(listedNames(dir.path(), mask), names);
        FolderSizeOptions options;
        options.hiddenMask = mask;
        const FolderSizeResult size = folderSizeOf(dir.path(), nullptr, options);
        QCOMPARE(size.bytes, bytes);
        QCOMPARE(folderSize(dir.path(), mask, nullptr), double(bytes));
    }

    // A read-only file inside a subfolder is left out of the folder's size.
    void readOnlyHiddenDeepInside()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("a"));
        QVERIFY(dir.makeFolder("a/b"));
        QVERIFY(dir.writeFile("a/b/keep", "12345"));
        QVERIFY(dir.writeFile("a/b/locked", "1234567890"));
        QVERIFY(makeReadOnly(dir, "a/b/locked"));
        QCOMPARE(folderSize(pathOf(dir, "a"), AttrReadOnly, nullptr), 5.0);
        QCOMPARE(folderSize(pathOf(dir, "a"), 0, nullptr), 15.0);
    }

    void sizeAbove4GiB()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("big"));
        if (!makeSparse(joined(dir, "big/sparse"), off_t(4294967296)))
            QSKIP("the file system refuses a sparse file of 4 GiB");
        QVERIFY(makeSparse(joined(dir, "big/almost"), off_t(4294967295)));
        QMap<QString, ItemRecord> records;
        listFolder(
            pathOf(dir, "big"), 0,
            [&](const ItemRecord& r) {
                records.insert(r.name, r);
                return true;
            },
            nullptr);
        const ItemRecord four = records.value(u"sparse"_qs);
        QCOMPARE(four.sizeHigh(), 1u);
        QCOMPARE(four.sizeLow(), 0u);
        QCOMPARE(itemTexts(four, false).size, u"4,294,967,296"_qs);
        QCOMPARE(itemTexts(four, false).sizeKey, u"004294967296"_qs);
        const ItemRecord almost = records.value(u"almost"_qs);
        QCOMPARE(almost.sizeLow(), 0xFFFFFFFFu);
        QCOMPARE(itemTexts(almost, false).size, u"4,294,967,295"_qs);
        QCOMPARE(folderSize(pathOf(dir, "big"), 0, nullptr), 8589934591.0);
    }

    void writeTimeShownInLocalTime()
    {
        qputenv("TZ", "JST-9");
        ::tzset();
        TempDir dir;
        QVERIFY(dir.writeFile("dated", "x"));
        // 2009-03-05 07:08:09 in Japan.
        const struct timespec times[2] = {{1236204489, 0}, {1236204489, 500000000}};
        QVERIFY(::utimensat(AT_FDCWD, joined(dir, "dated").constData(), times, 0) == 0);
        QString text;
        listFolder(
            dir.path(), 0,
            [&](const ItemRecord& r) {
                text = itemTexts(r, false).time;
                return true;
            },
            nullptr);
        QCOMPARE(text, u"2009/03/05 07:08:09"_qs);
    }

    void invalidUtf8Names()
    {
        TempDir dir;
        const QByteArray folder("d\xff\xfe-folder");
        const QByteArray file("f\xc3\x28.txt"); // broken two-byte sequence
        QVERIFY(dir.makeFolder(folder));
        QVERIFY(dir.writeFile(folder + '/' + file, "12345"));
        QVERIFY(dir.makeFolder(folder + "/\x80inner"));
        QVERIFY(dir.writeFile(folder + "/\x80inner/x", "123"));

        QCOMPARE(listedNames(dir.path(), 0), QList<QByteArray>{folder});
        QCOMPARE(listedNames(pathOf(dir, folder), 0),
                 (QList<QByteArray>{file, QByteArray("\x80inner")}));
        // The walk must reopen folders by their exact bytes.
        const FolderSizeResult size = folderSizeOf(pathOf(dir, folder), nullptr);
        QCOMPARE(size.bytes, quint64(8));
        QCOMPARE(size.unreadable, 0);
        QCOMPARE(size.folders, 1);
    }

    void symbolicLinksNotFollowed_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<bool>("linkToFolder");
        QTest::newRow("to a folder outside") << QByteArray("../../outside") << true;
        QTest::newRow("to a big file") << QByteArray("../../outside/big") << false;
        QTest::newRow("dangling") << QByteArray("../nothing-here") << false;
        QTest::newRow("loop to own folder") << QByteArray(".") << true;
        QTest::newRow("loop to the top") << QByteArray("../..") << true;
        QTest::newRow("link to itself") << QByteArray("self") << false;
    }
    void symbolicLinksNotFollowed()
    {
        QFETCH(QByteArray, target);
        QFETCH(bool, linkToFolder);
        TempDir dir;
        QVERIFY(dir.makeFolder("outside"));
        QVERIFY(makeSparse(joined(dir, "outside/big"), 1000000));
        QVERIFY(dir.makeFolder("tree"));
        QVERIFY(dir.makeFolder("tree/sub"));
        QVERIFY(dir.writeFile("tree/sub/a", "0123456789"));
        QVERIFY(makeLink(dir, target, "tree/sub/self"));

        ItemRecord link;
        listFolder(
            pathOf(dir, "tree/sub"), 0,
            [&](const ItemRecord& r) {
                if (r.name == u"self")
                    link = r;
                return true;
            },
            nullptr);
        QVERIFY(link.isSymlink);
        QVERIFY(!link.isFolder());
        QCOMPARE(link.linkToFolder, linkToFolder);

        const FolderSizeResult size = folderSizeOf(pathOf(dir, "tree"), nullptr);
        QVERIFY(size.readable);
        // The link counts as an entry of its own size, never its target's.
        QCOMPARE(size.bytes, quint64(10) + quint64(target.size()));
        QCOMPARE(size.files, 2);
        QCOMPARE(size.folders, 1);
    }

    void unreadableSubfolderAddsNothing()
    {
        TempDir dir;
        QVERIFY(::chmod(dir.pathBytes().constData(), 0755) == 0);
        QVERIFY(dir.writeFile("top", "12345"));
        QVERIFY(dir.makeFolder("open"));
        QVERIFY(dir.writeFile("open/f", "123"));
        QVERIFY(dir.makeFolder("closed"));
        QVERIFY(dir.writeFile("closed/f", "1234567"));
        QVERIFY(::chmod(joined(dir, "open").constData(), 0755) == 0);
        QVERIFY(::chmod(joined(dir, "closed").constData(), 0) == 0);

        const QString top = dir.path();
        const QString closed = pathOf(dir, "closed");
        const QString open = pathOf(dir, "open");
        const int failed = asUnprivileged([&] {
            const FolderSizeResult size = folderSizeOf(top, nullptr);
            if (!size.readable || size.bytes != 8 || size.unreadable != 1 || size.value() != 8.0)
                return 1;
            if (folderSize(closed, 0, nullptr) != -1.0)
                return 2;
            if (!folderUnlisted(closed, UnlistedNotEnterable))
                return 3;
            if (folderUnlisted(open, UnlistedNotEnterable) ||
                folderUnlisted(closed + u"-missing"_qs, UnlistedNotEnterable))
                return 4;
            if (folderUnlisted(closed, UnlistedInTrash))
                return 5;
            return 0;
        });
        QCOMPARE(failed, 0);
    }

    void interruptStopsListing_data()
    {
        QTest::addColumn<int>("interruptAt");
        QTest::addColumn<qint64>("handedOut");
        QTest::newRow("at the first pause") << 1 << qint64(1);
        QTest::newRow("after some entries") << 5 << qint64(5);
        QTest::newRow("never") << 0 << qint64(40);
    }
    void interruptStopsListing()
    {
        QFETCH(int, interruptAt);
        QFETCH(qint64, handedOut);
        TempDir dir;
        QVERIFY(fillFolder(dir, "many", 40));
        ScriptedProgressService progress;
        progress.setPumpInterval(0);
        progress.interruptAfterPumps(interruptAt);
        qint64 seen = 0;
        const ListFolderResult r = listFolder(
            pathOf(dir, "many"), 0,
            [&](const ItemRecord&) {
                ++seen;
                return !progress.interruptRequested(); // must not be asked again
            },
            &progress);
        QCOMPARE(seen, handedOut);
        QCOMPARE(r.handedOut, handedOut);
        QCOMPARE(r.interrupted, interruptAt > 0);
        QCOMPARE(r.error, 0);
    }

    void interruptStopsFolderSize_data()
    {
        QTest::addColumn<int>("interruptAt");
        QTest::newRow("before anything is read") << 1;
        QTest::newRow("inside the first folder") << 3;
        QTest::newRow("deep in the walk") << 60;
    }
    void interruptStopsFolderSize()
    {
        QFETCH(int, interruptAt);
        TempDir dir;
        QVERIFY(fillFolder(dir, "t", 20));
        for (int i = 0; i < 5; ++i)
            QVERIFY(fillFolder(dir, "t/s" + QByteArray::number(i), 20));
        const double full = folderSize(pathOf(dir, "t"), 0, nullptr);
        QCOMPARE(full, 120.0);

        ScriptedProgressService progress;
        progress.setPumpInterval(0);
        progress.interruptAfterPumps(interruptAt);
        const FolderSizeResult r = folderSizeOf(pathOf(dir, "t"), &progress);
        QVERIFY(r.interrupted);
        QCOMPARE(r.value(), -1.0); // a partial sum is not a size
        QVERIFY(r.bytes < 120);
        // Nothing more was read once the request was seen.
        QCOMPARE(progress.pumps(), interruptAt);
    }

    void pumpingIsThrottled()
    {
        TempDir dir;
        QVERIFY(fillFolder(dir, "many", 3000));
        ScriptedProgressService progress; // default interval
        QElapsedTimer clock;
        clock.start();
        const ListFolderResult r = listFolder(
            pathOf(dir, "many"), 0, [](const ItemRecord&) { return true; }, &progress);
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(r.handedOut, 3000);
        QVERIFY(progress.pumps() >= 1);
        QVERIFY2(
            progress.pumps() <= elapsed / ProgressService::PumpIntervalMs + 2,
            qPrintable(QStringLiteral("%1 pumps in %2 ms").arg(progress.pumps()).arg(elapsed)));
    }

    void callerStopsListing()
    {
        TempDir dir;
        QVERIFY(fillFolder(dir, "many", 10));
        int seen = 0;
        const ListFolderResult r = listFolder(
            pathOf(dir, "many"), 0, [&](const ItemRecord&) { return ++seen < 3; }, nullptr);
        QCOMPARE(seen, 3);
        QVERIFY(r.stoppedByCaller);
        QVERIFY(!r.interrupted);
    }

    void listingCounts_data()
    {
        QTest::addColumn<quint32>("mask");
        QTest::addColumn<bool>("onlyTxt");
        QTest::addColumn<qint64>("folders");
        QTest::addColumn<qint64>("files");
        QTest::addColumn<quint64>("bytes");
        QTest::newRow("everything")
            << 0u << false << qint64(2) << qint64(3) << quint64(1 + 20 + 300);
        QTest::newRow("hidden left out")
            << quint32(AttrHidden) << false << qint64(1) << qint64(2) << quint64(1 + 20);
        QTest::newRow("filter on files")
            << 0u << true << qint64(0) << qint64(2) << quint64(1 + 300);
    }
    void listingCounts()
    {
        QFETCH(quint32, mask);
        QFETCH(bool, onlyTxt);
        QFETCH(qint64, folders);
        QFETCH(qint64, files);
        QFETCH(quint64, bytes);
        TempDir dir;
        QVERIFY(dir.writeFile("a.txt", "1"));
        QVERIFY(dir.writeFile("b.dat", QByteArray(20, 'b')));
        QVERIFY(dir.writeFile(".c.txt", QByteArray(300, 'c')));
        QVERIFY(dir.makeFolder("d"));
        QVERIFY(dir.writeFile("d/deep", QByteArray(4000, 'd'))); // not in the listing
        QVERIFY(dir.makeFolder(".e"));
        std::function<bool(const ItemRecord&)> accept;
        if (onlyTxt)
            accept = [](const ItemRecord& r) { return !r.isFolder() && r.name.endsWith(u".txt"); };
        const ListingCounts c = countFolderItems(dir.path(), mask, nullptr, accept);
        QCOMPARE(c.folders, folders);
        QCOMPARE(c.files, files);
        QCOMPARE(c.items(), folders + files);
        QCOMPARE(c.fileBytes, bytes);
    }

    void knownSizeAndBoundaries()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("own", "12"));
        QVERIFY(dir.makeFolder("listed"));
        QVERIFY(dir.writeFile("listed/f", QByteArray(100, 'x')));
        QVERIFY(dir.makeFolder("mounted"));
        QVERIFY(dir.writeFile("mounted/f", QByteArray(1000, 'x')));

        FolderSizeOptions options;
        const QString listed = pathOf(dir, "listed/");
        options.knownSize = [&](const QString& folder) -> std::optional<double> {
            if (folder == listed)
                return 7.0;
            return std::nullopt;
        };
        options.boundaries = std::make_shared<QSet<QString>>(QSet<QString>{pathOf(dir, "mounted")});
        FolderSizeResult r = folderSizeOf(dir.path(), nullptr, options);
        QCOMPARE(r.bytes, quint64(2 + 7));
        QCOMPARE(folderSizeOf(listed, nullptr, options).value(), 7.0);

        options.stayOnVolume = false;
        r = folderSizeOf(dir.path(), nullptr, options);
        QCOMPARE(r.bytes, quint64(2 + 7 + 1000));
    }

    void pathAttributes_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("stop");
        QTest::addColumn<quint32>("expected");
        const quint32 dir = AttrDirectory;
        QTest::newRow("file below a dot folder")
            << QByteArray("plain/.hid/inner/locked") << QByteArray("")
            << quint32(AttrReadOnly | AttrHidden | dir);
        QTest::newRow("stop prefix excludes the dot folder")
            << QByteArray("plain/.hid/inner/locked") << QByteArray("plain/.hid")
            << quint32(AttrReadOnly | dir);
        QTest::newRow("stop prefix with trailing slash")
            << QByteArray("plain/.hid/inner/") << QByteArray("plain/.hid/") << dir;
        QTest::newRow("plain folder") << QByteArray("plain") << QByteArray("") << dir;
        QTest::newRow("missing leaf stops at once")
            << QByteArray("plain/.hid/missing") << QByteArray("") << 0u;
    }
    void pathAttributes()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, stop);
        QFETCH(quint32, expected);
        TempDir dir;
        QVERIFY(dir.makeFolder("plain"));
        QVERIFY(dir.makeFolder("plain/.hid"));
        QVERIFY(dir.makeFolder("plain/.hid/inner"));
        QVERIFY(dir.writeFile("plain/.hid/inner/locked", "x"));
        QVERIFY(makeReadOnly(dir, "plain/.hid/inner/locked"));
        // The temporary folder itself and what lies above it are outside the
        // stop prefix, so they cannot add bits of their own.
        const QString stopPrefix = pathOf(dir, stop);
        QCOMPARE(tovane::pathAttributes(pathOf(dir, path), stopPrefix), expected);
    }

    void pathAttributesDefaultStop()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder(".hid"));
        QVERIFY(dir.writeFile(".hid/f", "x"));
        const quint32 a = tovane::pathAttributes(pathOf(dir, ".hid/f"));
        QVERIFY(a & AttrHidden);
        QVERIFY(a & AttrDirectory);
        QCOMPARE(tovane::pathAttributes(u"/"_qs), 0u);
    }

    void trashIsUnlisted_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<unsigned>("flags");
        QTest::addColumn<bool>("unlisted");
        QTest::newRow("home trash") << QByteArray("data/Trash") << 1u << true;
        QTest::newRow("inside home trash") << QByteArray("data/Trash/files/old") << 2u << true;
        QTest::newRow("trash info, trailing slash") << QByteArray("data/Trash/info/") << 3u << true;
        QTest::newRow("only the not-enterable test")
            << QByteArray("data/Trash/files") << 4u << false;
        QTest::newRow("similar name") << QByteArray("data/Trashcan") << 3u << false;
        QTest::newRow("data folder itself") << QByteArray("data") << 7u << false;
        // A volume trash counts only at the top of a volume.
        QTest::newRow(".Trash-uid not at a volume top")
            << QByteArray(".Trash-") + QByteArray::number(::getuid()) << 3u << false;
    }
    void trashIsUnlisted()
    {
        QFETCH(QByteArray, path);
        QFETCH(unsigned, flags);
        QFETCH(bool, unlisted);
        TempDir dir;
        QVERIFY(dir.makeFolder("data"));
        QVERIFY(dir.makeFolder("data/Trash"));
        QVERIFY(dir.makeFolder("data/Trash/files"));
        QVERIFY(dir.makeFolder("data/Trash/files/old"));
        QVERIFY(dir.makeFolder("data/Trash/info"));
        QVERIFY(dir.makeFolder("data/Trashcan"));
        QVERIFY(dir.makeFolder(".Trash-" + QByteArray::number(::getuid())));
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", joined(dir, "data"));
        const bool result = folderUnlisted(pathOf(dir, path), flags);
        if (saved.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", saved);
        QCOMPARE(result, unlisted);
    }

    void computerNodeNeverUnlisted_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("tree key") << u"_"_qs;
        QTest::newRow("computer path") << u"ｺﾝﾋﾟｭｰﾀ"_qs;
        QTest::newRow("computer path with more") << u"ｺﾝﾋﾟｭｰﾀ/Trash"_qs;
        QTest::newRow("empty") << QString();
    }
    void computerNodeNeverUnlisted()
    {
        QFETCH(QString, path);
        QVERIFY(!folderUnlisted(path, 7));
    }
};

QTEST_GUILESS_MAIN(EnumerationTest)
#include "tst_enumeration.moc"
