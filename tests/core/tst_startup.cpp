#include "core/startup.h"
#include "platform/filesystem.h"
#include "support/tempdir.h"

#include <QtTest>

#include <sys/stat.h>

using namespace tovane;
using tovane::test::TempDir;

class StartupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void osClass_data();
    void osClass();
    void archiveSets_data();
    void archiveSets();
    void repair_data();
    void repair();
    void vanishedFolderFallsBackToParent();
    void helpFileOnlyWhenRegular_data();
    void helpFileOnlyWhenRegular();
    void shippedHelpPage_data();
    void shippedHelpPage();
    void probeLeavesNothingBehind();
    void probeKeepsUserFolder();
    void closeRefusal_data();
    void closeRefusal();
};

void StartupTest::osClass_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("expected");
    QTest::newRow("4.10") << "4.10.2222" << 1;
    QTest::newRow("4.90") << "4.90.3000" << 2;
    QTest::newRow("5.0") << "5.0.2195" << 3;
    QTest::newRow("5.1") << "5.1.2600" << 4;
    QTest::newRow("5.2") << "5.2.3790" << 5;
    QTest::newRow("6.0") << "6.0.6002" << 6;
    QTest::newRow("6.1") << "6.1.7601" << 7;
    QTest::newRow("6.2") << "6.2.9200" << 8;
    QTest::newRow("6.3") << "6.3.9600" << 9;
    QTest::newRow("10.0") << "10.0.19045" << 10;
    QTest::newRow("kernel 6.1") << "6.1.0-28-amd64" << 7;
    QTest::newRow("4.0") << "4.0" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("text") << "Linux" << 0;
}

void StartupTest::osClass()
{
    QFETCH(QString, version);
    QFETCH(int, expected);
    QCOMPARE(osClassOfVersion(version), expected);
}

void StartupTest::archiveSets_data()
{
    QTest::addColumn<QList<int>>("found");
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QString>("compression");
    QTest::newRow("none") << QList<int>{} << "" << "";
    QTest::newRow("unzip only") << QList<int>{2} << " zip," << "";
    QTest::newRow("zip writer without helper") << QList<int>{2, 4} << " zip," << "";
    QTest::newRow("zip complete") << QList<int>{2, 3, 4} << " zip," << " zip,";
    QTest::newRow("all") << QList<int>{0, 1, 2, 3, 4} << " cab, lzh, zip," << " cab, lzh, zip,";
    QTest::newRow("writer without reader") << QList<int>{3, 4} << "" << " zip,";
}

void StartupTest::archiveSets()
{
    QFETCH(QList<int>, found);
    QFETCH(QString, listing);
    QFETCH(QString, compression);
    ArchiverLibraries table;
    for (int i = 0; i < ArchiverLibraries::Count; ++i)
        QVERIFY(table.versionLine(i).endsWith(QStringLiteral("未装備")));
    for (int i : found)
        table.setVersion(i, QStringLiteral(" 1.00"));
    QCOMPARE(table.archiveExtensionSet(), listing);
    QCOMPARE(table.compressionExtensionSet(), compression);
}

void StartupTest::repair_data()
{
    // The fake check knows /good and /good/sub; /gone falls back to /good.
    QTest::addColumn<QString>("top");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expectedTop");
    QTest::addColumn<QString>("expectedPath");
    QTest::newRow("both fine") << "/good" << "/good/sub" << "/good" << "/good/sub";
    QTest::newRow("computer tree") << "_" << "/good" << "_" << "/good";
    QTest::newRow("empty items") << "" << "" << "_" << "/home/u";
    QTest::newRow("gone path takes fallback") << "_" << "/gone/x" << "_" << "/good";
    QTest::newRow("no fallback") << "/nowhere" << "/nowhere" << "_" << "_";
    QTest::newRow("path outside top") << "/good/sub" << "/good" << "/good/sub" << "/good/sub";
    QTest::newRow("prefix is not containment") << "/good" << "/goodness" << "/good" << "/good";
    QTest::newRow("root top contains all") << "/" << "/good" << "/" << "/good";
    // Text that names no folder is repaired as a folder with no existing
    // ancestor, whatever the check would make of it.
    // clang-format off
    QTest::newRow("relative folder") << "_" << "foo" << "_" << "_";
    QTest::newRow("drive letters") << "C:\\" << "C:\\Windows" << "_" << "_";
    QTest::newRow("numbers") << "-1" << "99999999999999" << "_" << "_";
    QTest::newRow("computer key as folder") << "_" << "_" << "_" << "_";
    QTest::newRow("dot-dot component") << "/good/.." << "/good/../good" << "_" << "_";
    QTest::newRow("dot component") << "_" << "/good/./sub" << "_" << "_";
    QTest::newRow("double separator") << "_" << "/good//sub" << "_" << "_";
    QTest::newRow("NUL inside") << "_" << QStringLiteral("/good/sub") + QChar(0) + "x" << "_" << "_";
    QTest::newRow("fallback that is no path") << "_" << "/lost/x" << "_" << "_";
    // A window listing the computer inside a folder tree lists the tree top.
    QTest::newRow("failed path under folder top") << "/good" << "/nowhere" << "/good" << "/good";
    QTest::newRow("computer path under folder top") << "/good" << "_" << "/good" << "/good";
    QTest::newRow("bad path under folder top") << "/good" << "-1" << "/good" << "/good";
    // clang-format on
}

void StartupTest::repair()
{
    QFETCH(QString, top);
    QFETCH(QString, path);
    QFETCH(QString, expectedTop);
    QFETCH(QString, expectedPath);
    // Like a plain stat, the fake resolves text without a leading "/" against
    // the working folder (and finds it) and does not mind "." or "..".
    const PathCheck check = [](const QString& p, QString& fallback) {
        if (!p.startsWith(u'/') || p == QLatin1String("/") || p.startsWith(QLatin1String("/good")))
            return true;
        if (p.startsWith(QLatin1String("/gone")))
            fallback = QStringLiteral("/good");
        else if (p.startsWith(QLatin1String("/lost")))
            fallback = QStringLiteral("good");
        else
            fallback.clear();
        return false;
    };
    const WindowPaths r = repairWindowPaths({top, path}, QStringLiteral("/home/u"), check);
    QCOMPARE(r.treeTop, expectedTop);
    QCOMPARE(r.path, expectedPath);
}

void StartupTest::vanishedFolderFallsBackToParent()
{
    TempDir dir;
    const QString base = dir.path();
    QCOMPARE(platform::createFolder(base + QStringLiteral("/a")), 0);
    QString fallback;
    QVERIFY(folderAvailable(base + QStringLiteral("/a"), fallback));
    QVERIFY(!folderAvailable(base + QStringLiteral("/a/b/c"), fallback));
    QCOMPARE(fallback, base + QStringLiteral("/a"));
    // A file is no folder to list; its folder is the fallback.
    QVERIFY(dir.writeFile("a/f", "x"));
    QVERIFY(!folderAvailable(base + QStringLiteral("/a/f"), fallback));
    QCOMPARE(fallback, base + QStringLiteral("/a"));
    QVERIFY(!folderAvailable(QStringLiteral("relative/path"), fallback));
    QVERIFY(fallback.isEmpty());
}

void StartupTest::helpFileOnlyWhenRegular_data()
{
    // What stands under the help page's name in the settings folder; a
    // shipped copy waits beside the executable.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("present");
    QTest::newRow("regular file") << "file" << true;
    QTest::newRow("nothing: the shipped copy") << "none" << true;
    QTest::newRow("FIFO") << "fifo" << false;
    QTest::newRow("link to a FIFO") << "link" << false;
    QTest::newRow("folder") << "folder" << false;
}

void StartupTest::helpFileOnlyWhenRegular()
{
    QFETCH(QString, kind);
    QFETCH(bool, present);
    TempDir dir;
    QVERIFY(dir.makeFolder("settings") && dir.makeFolder("bin"));
    QVERIFY(dir.writeFile("bin/" + helpFileName().toUtf8(), "<p>help</p>"));
    const QString settings = dir.filePath(QStringLiteral("settings"));
    const QByteArray target = (settings + u'/' + helpFileName()).toUtf8();
    if (kind == QLatin1String("file"))
        QVERIFY(dir.writeFile("settings/" + helpFileName().toUtf8(), "<p>mine</p>"));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(target.constData(), 0600), 0);
    else if (kind == QLatin1String("link"))
        QVERIFY(::mkfifo(dir.filePath(QStringLiteral("pipe")).toUtf8().constData(), 0600) == 0 &&
                ::symlink("../pipe", target.constData()) == 0);
    else if (kind == QLatin1String("folder"))
        QVERIFY(dir.makeFolder("settings/" + helpFileName().toUtf8()));
    struct stat before {};
    const bool existed = ::lstat(target.constData(), &before) == 0;

    QCOMPARE(provideHelpFile(settings, dir.filePath(QStringLiteral("bin"))), present);
    QCOMPARE(collectStartupFacts(QStringLiteral("0.1.0"), settings).helpFilePresent, present);
    struct stat after {};
    QCOMPARE(::lstat(target.constData(), &after), 0);
    if (existed) {
        // Left where and what it was.
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode, before.st_mode);
    }
}

void StartupTest::shippedHelpPage_data()
{
    // What stands under the page's name beside the executable (bin) and in
    // ../share/tovane; the page found, or none.
    QTest::addColumn<QString>("besideExecutable");
    QTest::addColumn<QString>("inShare");
    QTest::addColumn<QString>("found");
    // clang-format off
    QTest::newRow("beside the executable") << "file" << "file" << "bin";
    QTest::newRow("installed under share") << "none" << "file" << "share";
    QTest::newRow("a link is not ours") << "link" << "none" << "";
    QTest::newRow("a link, then share") << "link" << "file" << "share";
    QTest::newRow("folder") << "folder" << "none" << "";
    QTest::newRow("FIFO") << "fifo" << "none" << "";
    QTest::newRow("nothing") << "none" << "none" << "";
    // clang-format on
}

void StartupTest::shippedHelpPage()
{
    QFETCH(QString, besideExecutable);
    QFETCH(QString, inShare);
    QFETCH(QString, found);
    TempDir dir;
    QVERIFY(dir.makeFolder("bin") && dir.makeFolder("share") && dir.makeFolder("share/tovane"));
    QVERIFY(dir.writeFile("elsewhere.html", "<p>other</p>"));
    const QByteArray name = helpFileName().toUtf8();
    const auto place = [&](const QString& kind, const QByteArray& folder) {
        const QByteArray target = tovane::test::joined(dir, folder + '/' + name);
        if (kind == QLatin1String("file"))
            return dir.writeFile(folder + '/' + name, "<p>help</p>");
        if (kind == QLatin1String("link"))
            return ::symlink(tovane::test::joined(dir, "elsewhere.html").constData(),
                             target.constData()) == 0;
        if (kind == QLatin1String("folder"))
            return dir.makeFolder(folder + '/' + name);
        if (kind == QLatin1String("fifo"))
            return ::mkfifo(target.constData(), 0600) == 0;
        return true;
    };
    QVERIFY(place(besideExecutable, "bin"));
    QVERIFY(place(inShare, "share/tovane"));
    const QString expected = found == QLatin1String("bin")
                                 ? dir.filePath(QStringLiteral("bin/")) + helpFileName()
                             : found == QLatin1String("share")
                                 ? dir.filePath(QStringLiteral("share/tovane/")) + helpFileName()
                                 : QString();
    QCOMPARE(shippedHelpFile(dir.filePath(QStringLiteral("bin"))), expected);
}

void StartupTest::probeLeavesNothingBehind()
{
    TempDir dir;
    QVERIFY(probeIndependentWebFolder(dir.path()));
    int entries = 0;
    platform::listFolder(dir.path(), [&entries](const ItemRecord&) { return ++entries, true; });
    QCOMPARE(entries, 0);
    const CapabilityFlags flags = runCapabilityProbes(dir.path(), 2, 2);
    QVERIFY(!flags.pairedWebFolders);
    QVERIFY(!flags.attributeChange); // 2: known off, no probe
    QVERIFY(!flags.shellFolders);
    QVERIFY(runCapabilityProbes(dir.path(), 1, 1).attributeChange);
}

void StartupTest::probeKeepsUserFolder()
{
    // A "Tst.files" of the user's is never removed by the probe.
    TempDir dir;
    const QString mine = dir.path() + QStringLiteral("/Tst.files");
    QCOMPARE(platform::createFolder(mine), 0);
    QVERIFY(dir.writeFile("Tst.files/keep", "data"));
    probeIndependentWebFolder(dir.path());
    QVERIFY(platform::pathExists(mine + QStringLiteral("/keep")));
    QVERIFY(!platform::pathExists(dir.path() + QStringLiteral("/Tst.htm")));
}

void StartupTest::closeRefusal_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<QString>("progress");
    QTest::addColumn<bool>("listOpen");
    QTest::addColumn<bool>("refused");
    QTest::newRow("idle") << false << "" << false << false;
    QTest::newRow("running") << true << "" << false << true;
    QTest::newRow("progress shown") << false << "コピー中" << false << true;
    QTest::newRow("destination list open") << true << "x" << true << false;
}

void StartupTest::closeRefusal()
{
    QFETCH(bool, running);
    QFETCH(QString, progress);
    QFETCH(bool, listOpen);
    QFETCH(bool, refused);
    QCOMPARE(closeRefused(running, progress, listOpen), refused);
}

QTEST_GUILESS_MAIN(StartupTest)
#include "tst_startup.moc"
