#include "list/listwatch.h"
#include "platform/folderwatch.h"
#include "support/tempdir.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using tovane::test::joined;
using tovane::test::pathOf;
using tovane::test::TempDir;

namespace {

// One step of a pacing scenario: a change at `at`, or a refresh from `at`
// to `until`.
struct Step {
    qint64 at = 0;
    qint64 until = -1; // >= 0: a refresh
};

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class ListWatchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pacing_data();
    void pacing();
    void changesSeen_data();
    void changesSeen();
    void earlierFolderIsForgotten();
    void onlyFoldersAreWatched();
    void goneFolderIsWatchedAfresh();
    void heldRefreshRunsOnceAllowed();
};

void ListWatchTest::pacing_data()
{
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<qint64>("due");

    QTest::newRow("one change waits for quiet") << QList<Step>{{500}} << qint64(800);
    QTest::newRow("a later change moves the quiet period")
        << QList<Step>{{0}, {200}} << qint64(500);
    QTest::newRow("a folder never quiet still refreshes")
        << QList<Step>{{0}, {250}, {500}, {750}, {950}} << qint64(1000);
    QTest::newRow("at most one refresh a second")
        << QList<Step>{{0}, {300, 320}, {400}} << qint64(1320);
    QTest::newRow("a quiet change after the gap is not held")
        << QList<Step>{{0}, {300, 320}, {5000}} << qint64(5300);
    QTest::newRow("a costly refresh waits four times its cost")
        << QList<Step>{{0}, {300, 900}, {1000}} << qint64(900 + 4 * 600);
    QTest::newRow("a cheap refresh after a costly one shortens the gap")
        << QList<Step>{{0}, {300, 900}, {3300}, {3300, 3310}, {3400}} << qint64(4310);
}

void ListWatchTest::pacing()
{
    QFETCH(QList<Step>, steps);
    QFETCH(qint64, due);
    RefreshPacer pacer;
    for (const Step& s : steps) {
        if (s.until >= 0) {
            QVERIFY(pacer.pending());
            pacer.refreshed(s.at, s.until);
            QVERIFY(!pacer.pending());
        } else {
            pacer.changed(s.at);
        }
    }
    QVERIFY(pacer.pending());
    QCOMPARE(pacer.dueAt(), due);
}

void ListWatchTest::changesSeen_data()
{
    QTest::addColumn<QByteArray>("action");
    QTest::addColumn<unsigned>("bits");

    const unsigned entries = platform::ChangeEntries;
    const unsigned gone = platform::ChangeGone;
    QTest::newRow("file created") << QByteArray("create") << entries;
    QTest::newRow("file deleted") << QByteArray("delete") << entries;
    QTest::newRow("file renamed in the folder") << QByteArray("rename") << entries;
    QTest::newRow("file moved out") << QByteArray("moveout") << entries;
    QTest::newRow("file written") << QByteArray("write") << entries;
    QTest::newRow("file attributes") << QByteArray("chmod") << entries;
    QTest::newRow("deeper level") << QByteArray("deeper") << 0u;
    QTest::newRow("file only read") << QByteArray("read") << 0u;
    QTest::newRow("folder deleted") << QByteArray("rmdir") << gone;
    QTest::newRow("folder moved away") << QByteArray("mvdir") << gone;
}

void ListWatchTest::changesSeen()
{
    QFETCH(QByteArray, action);
    QFETCH(unsigned, bits);
    TempDir dir;
    // A folder whose name is not UTF-8 is watched by its bytes.
    const QByteArray folder = "w\xff";
    QVERIFY(dir.makeFolder(folder));
    QVERIFY(dir.makeFolder(folder + "/sub"));
    QVERIFY(dir.writeFile(folder + "/f", "x"));
    const QByteArray f = joined(dir, folder + "/f");

    platform::FolderWatch watch;
    QCOMPARE(watch.watch(pathOf(dir, folder) + u'/'), 0);
    QVERIFY(watch.watching());
    QCOMPARE(watch.drain(), 0u);

    if (action == "create") {
        QVERIFY(dir.writeFile(folder + "/g", "y"));
    } else if (action == "delete") {
        QCOMPARE(::unlink(f.constData()), 0);
    } else if (action == "rename") {
        QCOMPARE(::rename(f.constData(), (f + "2").constData()), 0);
    } else if (action == "moveout") {
        QCOMPARE(::rename(f.constData(), joined(dir, "out").constData()), 0);
    } else if (action == "write") {
        const int fd = ::open(f.constData(), O_WRONLY | O_APPEND);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "z", 1), ssize_t(1));
        ::close(fd);
    } else if (action == "chmod") {
        QCOMPARE(::chmod(f.constData(), 0400), 0);
    } else if (action == "deeper") {
        QVERIFY(dir.writeFile(folder + "/sub/inner", "y"));
    } else if (action == "read") {
        QCOMPARE(test::readAll(f), QByteArray("x"));
    } else if (action == "rmdir") {
        QVERIFY(test::removeTree(joined(dir, folder)));
    } else if (action == "mvdir") {
        QCOMPARE(::rename(joined(dir, folder).constData(), joined(dir, "moved").constData()), 0);
    }
    const unsigned found = watch.drain();
    // Deleting the folder deletes its entries first.
    QCOMPARE(found & ~(bits == platform::ChangeGone ? platform::ChangeEntries : 0u), bits);
    QCOMPARE(watch.drain(), 0u);
}

void ListWatchTest::earlierFolderIsForgotten()
{
    TempDir dir;
    QVERIFY(dir.makeFolder("a"));
    QVERIFY(dir.makeFolder("b"));
    platform::FolderWatch watch;
    QCOMPARE(watch.watch(dir.filePath(QStringLiteral("a"))), 0);
    QVERIFY(dir.writeFile("a/1", "x")); // queued before the switch
    QCOMPARE(watch.watch(dir.filePath(QStringLiteral("b"))), 0);
    QVERIFY(dir.writeFile("a/2", "x"));
    QCOMPARE(watch.drain(), 0u);
    QVERIFY(dir.writeFile("b/1", "x"));
    QCOMPARE(watch.drain(), unsigned(platform::ChangeEntries));
    watch.unwatch();
    QVERIFY(dir.writeFile("b/2", "x"));
    QCOMPARE(watch.drain(), 0u);
}

void ListWatchTest::onlyFoldersAreWatched()
{
    TempDir dir;
    QVERIFY(dir.makeFolder("real"));
    QCOMPARE(::symlink("real", joined(dir, "link").constData()), 0);
    QVERIFY(dir.writeFile("file", "x"));
    QCOMPARE(::symlink("file", joined(dir, "filelink").constData()), 0);
    platform::FolderWatch watch;
    QCOMPARE(watch.watch(dir.filePath(QStringLiteral("file"))), ENOTDIR);
    QCOMPARE(watch.watch(dir.filePath(QStringLiteral("filelink/"))), ENOTDIR);
    QCOMPARE(watch.watch(dir.filePath(QStringLiteral("missing"))), ENOENT);
    QVERIFY(!watch.watching());
    // A window may list a folder through a link: its entries are watched.
    QCOMPARE(watch.watch(dir.filePath(QStringLiteral("link/"))), 0);
    QVERIFY(dir.writeFile("real/new", "x"));
    QCOMPARE(watch.drain(), unsigned(platform::ChangeEntries));
}

void ListWatchTest::goneFolderIsWatchedAfresh()
{
    TempDir dir;
    QVERIFY(dir.makeFolder("f"));
    platform::FolderWatch watch;
    const QString f = dir.filePath(QStringLiteral("f/"));
    QCOMPARE(watch.watch(f), 0);
    // Replaced under the same path: the old folder's watch is of no use.
    QCOMPARE(::rename(joined(dir, "f").constData(), joined(dir, "old").constData()), 0);
    QVERIFY(dir.makeFolder("f"));
    QCOMPARE(watch.drain(), unsigned(platform::ChangeGone));
    QVERIFY(!watch.watching());
    QCOMPARE(watch.folder(), f);
    QVERIFY(dir.writeFile("old/x", "x"));
    QCOMPARE(watch.drain(), 0u);
    QCOMPARE(watch.watch(f), 0);
    QVERIFY(dir.writeFile("f/x", "x"));
    QCOMPARE(watch.drain(), unsigned(platform::ChangeEntries));
}

void ListWatchTest::heldRefreshRunsOnceAllowed()
{
    TempDir dir;
    QVERIFY(dir.makeFolder("f"));
    ListWatch watch;
    bool allowed = false;
    QList<unsigned> refreshes;
    watch.mayRefresh = [&] { return allowed; };
    watch.refresh = [&](unsigned changes) { refreshes.append(changes); };
    QCOMPARE(watch.follow(dir.filePath(QStringLiteral("f/"))), 0);

    QVERIFY(!watch.refreshNow()); // nothing changed
    for (const char* name : {"f/1", "f/2", "f/3"})
        QVERIFY(dir.writeFile(name, "x"));
    watch.readEvents();
    QVERIFY(watch.pending());
    QVERIFY(!watch.refreshNow());
    QVERIFY(watch.pending());
    allowed = true;
    QVERIFY(watch.refreshNow());
    QCOMPARE(refreshes, QList<unsigned>{platform::ChangeEntries});
    QVERIFY(!watch.pending());

    // A list read for another reason takes the changes with it.
    QVERIFY(dir.writeFile("f/4", "x"));
    watch.readEvents();
    QVERIFY(watch.pending());
    watch.listRead();
    QVERIFY(!watch.refreshNow());
    QCOMPARE(refreshes.size(), 1);

    // Left alone, the timers run the refresh by themselves.
    QVERIFY(dir.writeFile("f/5", "x"));
    QTRY_COMPARE_WITH_TIMEOUT(refreshes.size(), 2, 10000);
    QCOMPARE(watch.refreshCount(), 2);
}

QTEST_GUILESS_MAIN(ListWatchTest)
#include "tst_listwatch.moc"
