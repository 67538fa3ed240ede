#include "archive/lzhwriter.h"
#include "archive/archivebackends.h"
#include "archive/archivezipdirectory.h"
#include "platform/names.h"
#include "support/ownmounts.h"
#include "support/tempdir.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include <ctime>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using tovane::test::entries;
using tovane::test::readAll;
using tovane::test::TempDir;
using tovane::test::writeBytes;

namespace {

// One entry of a zip built byte by byte: the hostile archives and names in
// foreign encodings that no well-behaved writer makes.
struct RawEntry {
    QByteArray name;
    QByteArray data;
    unsigned mode = 0100644; // with the type bits, host Unix
    bool utf8Flag = false;
};

quint32 crc32(const QByteArray& data)
{
    static quint32 table[256];
    static bool ready = false;
    if (!ready) {
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        ready = true;
    }
    quint32 c = 0xFFFFFFFFu;
    for (char b : data)
        c = table[(c ^ quint8(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void put(QByteArray& out, quint64 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

QByteArray rawZip(const QList<RawEntry>& items)
{
    QByteArray out;
    QByteArray directory;
    for (const RawEntry& e : items) {
        const quint32 offset = quint32(out.size());
        const quint16 flags = e.utf8Flag ? 0x800 : 0;
        QByteArray common;
        put(common, 10, 2);     // version needed
        put(common, flags, 2);  // flags
        put(common, 0, 2);      // stored
        put(common, 0x5421, 2); // time 10:33:02
        put(common, 0x5A21, 2); // date 2025-01-01
        put(common, crc32(e.data), 4);
        put(common, quint64(e.data.size()), 4);
        put(common, quint64(e.data.size()), 4);
        put(common, quint64(e.name.size()), 2);
        put(common, 0, 2); // extra
        out += QByteArray("PK\x03\x04", 4) + common + e.name + e.data;
        directory += QByteArray("PK\x01\x02", 4);
        put(directory, 0x031E, 2); // made by Unix, 3.0
        directory += common;
        put(directory, 0, 2); // comment
        put(directory, 0, 2); // disk
        put(directory, 0, 2); // internal attributes
        put(directory, quint64(e.mode) << 16, 4);
        put(directory, offset, 4);
        directory += e.name;
    }
    const quint32 directoryOffset = quint32(out.size());
    out += directory;
    out += QByteArray("PK\x05\x06", 4);
    put(out, 0, 4);
    put(out, quint64(items.size()), 2);
    put(out, quint64(items.size()), 2);
    put(out, quint64(directory.size()), 4);
    put(out, directoryOffset, 4);
    put(out, 0, 2);
    return out;
}

quint16 crc16(const QByteArray& data)
{
    quint16 c = 0;
    for (char b : data) {
        c ^= quint8(b);
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? quint16((c >> 1) ^ 0xA001) : quint16(c >> 1);
    }
    return c;
}

// An lzh of stored (-lh0-) entries under level-0 headers (the name as
// given) or level-2 headers (folder and file name in extended headers, 0xFF
// between folders): the layouts every lzh reader takes, names in any bytes.
QByteArray rawLzh(const QList<RawEntry>& items, int level = 0)
{
    QByteArray out;
    for (const RawEntry& e : items) {
        QByteArray header("-lh0-");
        put(header, quint64(e.data.size()), 4);
        put(header, quint64(e.data.size()), 4);
        if (level == 0) {
            put(header, 0x5A215421, 4); // 2025-01-01 10:33:02
            put(header, 0x20, 1);       // archive attribute
            put(header, 0, 1);
            put(header, quint64(e.name.size()), 1);
            header += e.name;
            put(header, crc16(e.data), 2);
            quint8 sum = 0;
            for (char b : header)
                sum = quint8(sum + quint8(b));
            out.append(char(header.size()));
            out.append(char(sum));
            out += header + e.data;
            continue;
        }
        put(header, quint64(QDateTime(QDate(2025, 1, 1), QTime(10, 33, 2)).toSecsSinceEpoch()), 4);
        put(header, 0x20, 1);
        put(header, 2, 1);
        put(header, crc16(e.data), 2);
        header += 'M';
        const qsizetype slash = e.name.lastIndexOf('/');
        QByteArray folder = slash < 0 ? QByteArray() : e.name.left(slash + 1);
        folder.replace('/', '\xff');
        // The header's own CRC (type 0x00) comes first; level-2 readers check it.
        QList<QPair<int, QByteArray>> extensions{{0x00, QByteArray(2, '\0')},
                                                 {0x01, e.name.mid(slash + 1)}};
        if (!folder.isEmpty())
            extensions.append({0x02, folder});
        QByteArray tail;
        put(tail, quint64(1 + extensions[0].second.size() + 2), 2);
        for (qsizetype i = 0; i < extensions.size(); ++i) {
            tail += char(extensions[i].first);
            tail += extensions[i].second;
            const quint64 next =
                i + 1 < extensions.size() ? quint64(1 + extensions[i + 1].second.size() + 2) : 0;
            put(tail, next, 2);
        }
        QByteArray whole;
        put(whole, quint64(2 + header.size() + tail.size()), 2);
        whole += header + tail;
        const quint16 crc = crc16(whole);
        const qsizetype crcAt = 2 + header.size() + 2 + 1;
        whole[crcAt] = char(crc & 0xFF);
        whole[crcAt + 1] = char(crc >> 8);
        out += whole + e.data;
    }
    out.append('\0');
    return out;
}

// A cabinet of one uncompressed folder; `mode` of each entry holds its
// cabinet attributes (0x80: the name is UTF-8).
QByteArray rawCab(const QList<RawEntry>& items)
{
    QByteArray files;
    QByteArray stream;
    for (const RawEntry& e : items) {
        put(files, quint64(e.data.size()), 4);
        put(files, quint64(stream.size()), 4);
        put(files, 0, 2);      // folder 0
        put(files, 0x5A21, 2); // 2025-01-01
        put(files, 0x5421, 2); // 10:33:02
        put(files, e.mode, 2);
        files += e.name + '\0';
        stream += e.data;
    }
    QByteArray blocks;
    int count = 0;
    for (qsizetype at = 0; at < stream.size() || count == 0; at += 32768, ++count) {
        const QByteArray part = stream.mid(at, 32768);
        put(blocks, 0, 4); // no checksum
        put(blocks, quint64(part.size()), 2);
        put(blocks, quint64(part.size()), 2);
        blocks += part;
    }
    const quint64 filesOffset = 36 + 8;
    const quint64 dataOffset = filesOffset + quint64(files.size());
    QByteArray out("MSCF");
    put(out, 0, 4);
    put(out, dataOffset + quint64(blocks.size()), 4);
    put(out, 0, 4);
    put(out, filesOffset, 4);
    put(out, 0, 4);
    put(out, 0x0103, 2); // version 1.3
    put(out, 1, 2);      // folders
    put(out, quint64(items.size()), 2);
    put(out, 0, 2); // flags
    put(out, 0, 2); // set
    put(out, 0, 2); // cabinet number
    put(out, dataOffset, 4);
    put(out, quint64(count), 2);
    put(out, 0, 2); // stored
    return out + files + blocks;
}

QString tool(const QStringList& candidates)
{
    for (const QString& name : candidates) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

int runTool(const QString& program, const QStringList& arguments, const QString& folder,
            QByteArray* output = nullptr)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    // The tools print names in the locale's charset.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return -1;
    if (output)
        *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QByteArray pattern(qsizetype size, int seed)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (qsizetype i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        // Half of the bytes repeat, so that deflate has something to do.
        data[i] = (i / 64) % 2 ? char('a' + i % 7) : char(x >> 16);
    }
    return data;
}

QString folderOf(const TempDir& dir, const QByteArray& relative)
{
    return platform::pathFromBytes(dir.pathBytes() + '/' + relative + '/');
}

QString fileOf(const TempDir& dir, const QByteArray& relative)
{
    return platform::pathFromBytes(dir.pathBytes() + '/' + relative);
}

bool isLink(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool exists(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// A small tree of files under `root` of dir: name -> content.
using Tree = QList<QPair<QByteArray, QByteArray>>;

bool makeTree(const TempDir& dir, const QByteArray& root, const Tree& tree)
{
    for (const auto& [name, content] : tree) {
        const QByteArray path = root + '/' + name;
        const qsizetype slash = path.lastIndexOf('/');
        for (qsizetype i = 0; i <= slash; ++i) {
            if (path[i] == '/' && i > 0)
                dir.makeFolder(path.left(i));
        }
        if (!dir.writeFile(path, content))
            return false;
    }
    return true;
}

bool hasTemporaries(const QByteArray& folder)
{
    for (const QByteArray& name : entries(folder)) {
        if (name.startsWith(".tovane-"))
            return true;
    }
    return false;
}

QStringList listingLines(const QString& listing)
{
    QStringList lines = listing.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

Q_DECLARE_METATYPE(QList<RawEntry>)

class TestArchiveBackends : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void unsafeEntriesAreRefused_data();
    void unsafeEntriesAreRefused();
    void existingLinksAreNotFollowed_data();
    void existingLinksAreNotFollowed();
    void modesAndTimesAreRestored_data();
    void modesAndTimesAreRestored();
    void brokenArchivesFail_data();
    void brokenArchivesFail();
    void storedNamesDecode_data();
    void storedNamesDecode();
    void roundTripsWithOtherTools_data();
    void roundTripsWithOtherTools();
    void undecodableNamesSurvive_data();
    void undecodableNamesSurvive();
    void foreignArchivesAreRead_data();
    void foreignArchivesAreRead();
    void handMadeCabIsRead_data();
    void handMadeCabIsRead();
    void handMadeLzhIsRead_data();
    void handMadeLzhIsRead();
    void listingLayout_data();
    void listingLayout();
    void updateKeepsOtherEntries_data();
    void updateKeepsOtherEntries();
    void interruptKeepsOldArchive_data();
    void interruptKeepsOldArchive();
    void interruptedExtractionLeavesNoTemporary();
    void readOnlyArchiveIsRefused_data();
    void readOnlyArchiveIsRefused();
    void fullDiskIsReported();
    void reentryIsRefused();
    void foldersWithoutRecursionAreLeftOut();
    void versionsAreReported();
};

void TestArchiveBackends::unsafeEntriesAreRefused_data()
{
    QTest::addColumn<QList<RawEntry>>("items");
    QTest::addColumn<int>("result");
    QTest::addColumn<QList<QByteArray>>("present"); // below dest
    QTest::addColumn<QList<QByteArray>>("absent");  // below the test folder
    QTest::addColumn<int>("refused");

    const QByteArray ok("ok.txt");
    QTest::newRow("parent component")
        << QList<RawEntry>{{"../escape.txt", "x"}, {ok, "ok"}} << int(ArchiveUnsafeEntry)
        << QList<QByteArray>{ok} << QList<QByteArray>{"escape.txt"} << 1;
    QTest::newRow("parent inside a path")
        << QList<RawEntry>{{"a/../../escape.txt", "x"}, {ok, "ok"}} << int(ArchiveUnsafeEntry)
        << QList<QByteArray>{ok} << QList<QByteArray>{"escape.txt", "dest/a"} << 1;
    QTest::newRow("absolute name")
        << QList<RawEntry>{{"@ROOT@/outside/abs.txt", "x"}, {ok, "ok"}} << int(ArchiveUnsafeEntry)
        << QList<QByteArray>{ok} << QList<QByteArray>{"outside/abs.txt"} << 1;
    QTest::newRow("link outside, then through it")
        << QList<RawEntry>{{"link", "@ROOT@/outside", 0120777},
                           {"link/through.txt", "x"},
                           {ok, "ok"}}
        << int(ArchiveUnsafeEntry) << QList<QByteArray>{ok}
        << QList<QByteArray>{"outside/through.txt"} << 1;
    QTest::newRow("relative link climbing out")
        << QList<RawEntry>{{"sub/link", "../../outside", 0120777}, {"sub/link/t.txt", "x"}}
        << int(ArchiveUnsafeEntry) << QList<QByteArray>{"sub"} << QList<QByteArray>{"outside/t.txt"}
        << 1;
    QTest::newRow("link inside, then through it")
        << QList<RawEntry>{{"sub/", "", 040755}, {"in", "sub", 0120777}, {"in/x.txt", "x"}}
        << int(ArchiveUnsafeEntry) << QList<QByteArray>{"sub", "in"}
        << QList<QByteArray>{"dest/sub/x.txt"} << 1;
    // Each link alone stays inside; through the first, ".." of the second
    // would climb above the destination.
    QTest::newRow("chained links")
        << QList<RawEntry>{{"a/b/c", "../..", 0120777}, {"up", "a/b/c/..", 0120777}, {ok, "ok"}}
        << int(ArchiveUnsafeEntry) << QList<QByteArray>{ok, "a/b/c"} << QList<QByteArray>{"dest/up"}
        << 1;
    QTest::newRow("fifo and device")
        << QList<RawEntry>{{"fifo", "", 010644}, {"dev", "", 020644}, {ok, "ok"}}
        << int(ArchiveUnsafeEntry) << QList<QByteArray>{ok}
        << QList<QByteArray>{"dest/fifo", "dest/dev"} << 2;
    QTest::newRow("set-id bits dropped") << QList<RawEntry>{{"tool", "#!/bin/sh\n", 0106755}} << 0
                                         << QList<QByteArray>{"tool"} << QList<QByteArray>{} << 0;
}

void TestArchiveBackends::unsafeEntriesAreRefused()
{
    QFETCH(QList<RawEntry>, items);
    QFETCH(int, result);
    QFETCH(QList<QByteArray>, present);
    QFETCH(QList<QByteArray>, absent);
    QFETCH(int, refused);

    TempDir dir;
    QVERIFY(dir.makeFolder("dest"));
    QVERIFY(dir.makeFolder("outside"));
    for (RawEntry& e : items) {
        e.name.replace("@ROOT@", dir.pathBytes());
        e.data.replace("@ROOT@", dir.pathBytes());
    }
    QVERIFY(dir.writeFile("hostile.zip", rawZip(items)));
    QList<ArchiveEntryProblem> problems;
    QCOMPARE(ArchiveBackends::extract(fileOf(dir, "hostile.zip"), ArchiveZip, folderOf(dir, "dest"),
                                      {}, &problems),
             result);
    QCOMPARE(problems.size(), refused);
    for (const ArchiveEntryProblem& p : problems)
        QCOMPARE(p.code, int(ArchiveUnsafeEntry));
    for (const QByteArray& name : present)
        QVERIFY2(exists(dir.pathBytes() + "/dest/" + name), name.constData());
    for (const QByteArray& name : absent)
        QVERIFY2(!exists(dir.pathBytes() + '/' + name), name.constData());
    QVERIFY(entries(dir.pathBytes() + "/outside").isEmpty());
    QVERIFY(!hasTemporaries(dir.pathBytes() + "/dest"));
    // A refused link leaves no link: what follows under its name is a folder.
    for (const QByteArray& name : {QByteArray("link"), QByteArray("sub/link")})
        QVERIFY(!isLink(dir.pathBytes() + "/dest/" + name));
    struct stat st;
    if (::stat((dir.pathBytes() + "/dest/tool").constData(), &st) == 0) {
        QCOMPARE(st.st_mode & 07777, mode_t(0755));
    }
}

void TestArchiveBackends::existingLinksAreNotFollowed_data()
{
    QTest::addColumn<QByteArray>("linkName");
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<int>("result");

    // A link already in the destination is replaced, never written through.
    QTest::newRow("file over a link") << QByteArray("out.txt") << QByteArray("out.txt") << 0;
    QTest::newRow("file below a linked folder")
        << QByteArray("dir") << QByteArray("dir/x.txt") << int(ArchiveUnsafeEntry);
}

void TestArchiveBackends::existingLinksAreNotFollowed()
{
    QFETCH(QByteArray, linkName);
    QFETCH(QByteArray, entry);
    QFETCH(int, result);

    TempDir dir;
    QVERIFY(dir.makeFolder("dest"));
    QVERIFY(dir.makeFolder("outside"));
    QVERIFY(dir.writeFile("outside/out.txt", "untouched"));
    const QByteArray target =
        dir.pathBytes() + (linkName == "dir" ? "/outside" : "/outside/out.txt");
    QCOMPARE(::symlink(target.constData(), (dir.pathBytes() + "/dest/" + linkName).constData()), 0);
    QVERIFY(dir.writeFile("in.zip", rawZip({{entry, "from the archive"}})));
    QCOMPARE(ArchiveBackends::extract(fileOf(dir, "in.zip"), ArchiveZip, folderOf(dir, "dest")),
             result);
    QCOMPARE(entries(dir.pathBytes() + "/outside"), QList<QByteArray>{"out.txt"});
    QCOMPARE(readAll(dir.pathBytes() + "/outside/out.txt"), QByteArray("untouched"));
    if (result == 0) {
        QVERIFY(!isLink(dir.pathBytes() + "/dest/" + entry));
        QCOMPARE(readAll(dir.pathBytes() + "/dest/" + entry), QByteArray("from the archive"));
    }
}

void TestArchiveBackends::modesAndTimesAreRestored_data()
{
    QTest::addColumn<QList<RawEntry>>("items");
    QTest::addColumn<QByteArray>("checked");
    QTest::addColumn<int>("mode");

    QTest::newRow("read-only file")
        << QList<RawEntry>{{"r.txt", "r", 0100444}} << QByteArray("r.txt") << 0444;
    QTest::newRow("executable") << QList<RawEntry>{{"x.sh", "x", 0100750}} << QByteArray("x.sh")
                                << 0750;
    // A folder's mode comes last, so that its files could still be written.
    QTest::newRow("read-only folder")
        << QList<RawEntry>{{"ro/", "", 040555}, {"ro/in.txt", "in", 0100644}} << QByteArray("ro")
        << 0755;
    QTest::newRow("set-group-ID folder")
        << QList<RawEntry>{{"g/", "", 042775}} << QByteArray("g") << 0775;
    // A folder only implied by a path gets the usual mode, not a private one.
    QTest::newRow("implied folder")
        << QList<RawEntry>{{"implied/f.txt", "f", 0100644}} << QByteArray("implied") << -1;
}

void TestArchiveBackends::modesAndTimesAreRestored()
{
    QFETCH(QList<RawEntry>, items);
    QFETCH(QByteArray, checked);
    QFETCH(int, mode);

    TempDir dir;
    QVERIFY(dir.makeFolder("dest"));
    QVERIFY(dir.writeFile("m.zip", rawZip(items)));
    QCOMPARE(ArchiveBackends::extract(fileOf(dir, "m.zip"), ArchiveZip, folderOf(dir, "dest")), 0);
    struct stat st;
    QCOMPARE(::lstat((dir.pathBytes() + "/dest/" + checked).constData(), &st), 0);
    if (mode < 0) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        QCOMPARE(int(st.st_mode & 07777), int(0777 & ~mask));
    } else {
        QCOMPARE(int(st.st_mode & 07777), mode);
        const QDateTime stored(QDate(2025, 1, 1), QTime(10, 33, 2));
        QCOMPARE(qint64(st.st_mtim.tv_sec), stored.toSecsSinceEpoch());
    }
    for (const RawEntry& e : items) {
        if (!e.name.endsWith('/'))
            QCOMPARE(readAll(dir.pathBytes() + "/dest/" + e.name), e.data);
    }
}

void TestArchiveBackends::brokenArchivesFail_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<int>("result");

    const QByteArray zip = rawZip({{"a.txt", pattern(4000, 1)}, {"b.txt", pattern(4000, 2)}});
    QByteArray badCrc = zip;
    badCrc[30 + 5 + 100] = char(badCrc[30 + 5 + 100] ^ 0x55); // a byte of a.txt's data
    const QByteArray lzh = rawLzh({{"a.txt", pattern(4000, 1)}});
    QByteArray badLzh = lzh;
    badLzh[lzh.size() - 100] = char(badLzh[lzh.size() - 100] ^ 0x55);
    QTest::newRow("zip missing") << int(ArchiveZip) << QByteArray() << int(ArchiveNotFound);
    QTest::newRow("zip noise") << int(ArchiveZip) << pattern(5000, 7) << int(ArchiveDamaged);
    QTest::newRow("zip cut short")
        << int(ArchiveZip) << zip.left(zip.size() / 2) << int(ArchiveDamaged);
    QTest::newRow("zip data changed") << int(ArchiveZip) << badCrc << int(ArchiveDamaged);
    QTest::newRow("cab noise") << int(ArchiveCab) << pattern(5000, 7) << int(ArchiveDamaged);
    QTest::newRow("lzh cut short")
        << int(ArchiveLzh) << lzh.left(lzh.size() / 2) << int(ArchiveDamaged);
    QTest::newRow("lzh data changed") << int(ArchiveLzh) << badLzh << int(ArchiveDamaged);
}

void TestArchiveBackends::brokenArchivesFail()
{
    QFETCH(int, format);
    QFETCH(QByteArray, content);
    QFETCH(int, result);

    TempDir dir;
    QVERIFY(dir.makeFolder("dest"));
    if (!content.isEmpty())
        QVERIFY(dir.writeFile("broken", content));
    QList<ArchiveEntryProblem> problems;
    QCOMPARE(ArchiveBackends::extract(fileOf(dir, "broken"), format, folderOf(dir, "dest"), {},
                                      &problems),
             result);
    QVERIFY(!hasTemporaries(dir.pathBytes() + "/dest"));
    // A file that failed its checksum is not left behind as if it were whole;
    // the entries after it are still extracted.
    if (QTest::currentDataTag() == QByteArray("zip data changed")) {
        QVERIFY(!exists(dir.pathBytes() + "/dest/a.txt"));
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems.first().entry, QStringLiteral("a.txt"));
        QCOMPARE(readAll(dir.pathBytes() + "/dest/b.txt"), pattern(4000, 2));
    }
    if (QTest::currentDataTag() == QByteArray("lzh data changed"))
        QVERIFY(!exists(dir.pathBytes() + "/dest/a.txt"));
}

void TestArchiveBackends::storedNamesDecode_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("flag");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("onDisk");

    const QString nihongo = QStringLiteral("日本語.txt");
    QTest::newRow("utf-8 flagged") << nihongo.toUtf8() << true << nihongo << nihongo.toUtf8();
    QTest::newRow("utf-8 unflagged") << nihongo.toUtf8() << false << nihongo << nihongo.toUtf8();
    QTest::newRow("cp932") << QByteArray("\x93\xfa\x96\x7b\x8c\xea.txt") << false << nihongo
                           << nihongo.toUtf8();
    // 0x5C as a second byte is no folder separator in CP932.
    QTest::newRow("cp932 with 0x5c")
        << QByteArray("\x95\x5c.txt") << false << QStringLiteral("表.txt")
        << QStringLiteral("表.txt").toUtf8();
    QTest::newRow("user-defined cp932 row")
        << QByteArray("\xf0\x40.txt") << false << platform::nameFromBytes("\xf0\x40.txt")
        << QByteArray("\xf0\x40.txt");
    QTest::newRow("undecodable") << QByteArray("\xff\xfe\xfd.bin") << false
                                 << platform::nameFromBytes("\xff\xfe\xfd.bin")
                                 << QByteArray("\xff\xfe\xfd.bin");
}

void TestArchiveBackends::storedNamesDecode()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, flag);
    QFETCH(QString, shown);
    QFETCH(QByteArray, onDisk);

    TempDir dir;
    QVERIFY(dir.makeFolder("dest"));
    QVERIFY(dir.writeFile("names.zip", rawZip({{stored, "content", 0100644, flag}})));
    QString listing;
    QCOMPARE(ArchiveBackends::list(fileOf(dir, "names.zip"), ArchiveZip, listing), 0);
    const QStringList lines = listingLines(listing);
    QVERIFY(lines.size() >= 3);
    QVERIFY2(lines[2].startsWith(shown + QLatin1Char(' ')), qPrintable(lines[2]));
    QCOMPARE(ArchiveBackends::extract(fileOf(dir, "names.zip"), ArchiveZip, folderOf(dir, "dest")),
             0);
    QCOMPARE(entries(dir.pathBytes() + "/dest"), QList<QByteArray>{onDisk});
    QCOMPARE(readAll(dir.pathBytes() + "/dest/" + onDisk), QByteArray("content"));
}

void TestArchiveBackends::roundTripsWithOtherTools_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QStringList>("checker");
    QTest::addColumn<QStringList>("lister"); // when the check does not show names
    QTest::addColumn<Tree>("tree");

    const Tree tree{{"a.txt", "alpha\n"},
                    {"empty", ""},
                    {"sub/deeper/big.bin", pattern(3 * 1024 * 1024 + 17, 3)},
                    {QStringLiteral("日本語/名前.txt").toUtf8(), "japanese\n"}};
    QTest::newRow("zip unzip") << int(ArchiveZip) << QStringList{"unzip", "-t"} << QStringList{}
                               << tree;
    QTest::newRow("zip 7z") << int(ArchiveZip) << QStringList{"7zz", "t"} << QStringList{"l"}
                            << tree;
    QTest::newRow("cab cabextract")
        << int(ArchiveCab) << QStringList{"cabextract", "-t"} << QStringList{} << tree;
}

void TestArchiveBackends::roundTripsWithOtherTools()
{
    QFETCH(int, format);
    QFETCH(QStringList, checker);
    QFETCH(QStringList, lister);
    QFETCH(Tree, tree);

    QString program = tool({checker.first(), checker.first() == "7zz" ? "7z" : checker.first()});
    if (program.isEmpty())
        QSKIP(qPrintable(checker.first() + " is not installed"));
    TempDir dir;
    QVERIFY(makeTree(dir, "src", tree));
    QVERIFY(dir.makeFolder("dest"));
    const QString archive = fileOf(dir, format == ArchiveZip ? "out.zip" : "out.cab");
    QCOMPARE(ArchiveBackends::create(format, archive, folderOf(dir, "src"),
                                     {"a.txt", "empty", "sub", QStringLiteral("日本語")}, true),
             0);
    QByteArray output;
    QCOMPARE(runTool(program, QStringList(checker.mid(1)) << archive, dir.path(), &output), 0);
    if (!lister.isEmpty())
        QCOMPARE(runTool(program, QStringList(lister) << archive, dir.path(), &output), 0);
    if (format == ArchiveCab)
        QVERIFY2(output.contains(QStringLiteral("日本語\\名前.txt").toUtf8()) ||
                     output.contains(QStringLiteral("日本語/名前.txt").toUtf8()),
                 output.constData());
    else
        QVERIFY2(output.contains(QStringLiteral("日本語/名前.txt").toUtf8()), output.constData());
    if (format == ArchiveZip) {
        // Non-ASCII names carry the UTF-8 flag, so that other tools do not
        // read them as CP437 or CP932.
        const int fd = ::open(platform::pathToBytes(archive).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        QHash<QByteArray, ZipDirectoryEntry> facts;
        QVERIFY(readZipDirectory(fd, facts));
        ::close(fd);
        const QByteArray japanese = QStringLiteral("日本語/名前.txt").toUtf8();
        QVERIFY(facts.contains(japanese));
        QVERIFY(facts.value(japanese).flags & 0x800);
        QCOMPARE(facts.value("sub/deeper/big.bin").size, quint64(3 * 1024 * 1024 + 17));
        QVERIFY(facts.value("sub/deeper/big.bin").packed < facts.value("sub/deeper/big.bin").size);
    }
    QCOMPARE(ArchiveBackends::extract(archive, format, folderOf(dir, "dest")), 0);
    for (const auto& [name, content] : tree)
        QCOMPARE(readAll(dir.pathBytes() + "/dest/" + name), content);
}

void TestArchiveBackends::undecodableNamesSurvive_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("zip") << int(ArchiveZip);
    QTest::newRow("cab") << int(ArchiveCab);
}

// Names on disk that are no UTF-8 keep their bytes through our own archive
// and its update, and two of them stay two.
void TestArchiveBackends::undecodableNamesSurvive()
{
    QFETCH(int, format);
    const Tree tree{{"\xff\xfe.bin", "one"}, {"\xff\xfd.bin", "two"}, {"ok.txt", "three"}};
    TempDir dir;
    QVERIFY(makeTree(dir, "src", tree));
    QVERIFY(dir.writeFile("src/later.txt", "four"));
    QVERIFY(dir.makeFolder("dest"));
    const QString archive = fileOf(dir, format == ArchiveZip ? "b.zip" : "b.cab");
    QStringList names;
    for (const auto& [name, content] : tree)
        names << platform::nameFromBytes(name);
    QCOMPARE(ArchiveBackends::create(format, archive, folderOf(dir, "src"), names, true), 0);
    // An update copies the old entries, names included.
    QCOMPARE(ArchiveBackends::create(format, archive, folderOf(dir, "src"), {"later.txt"}, true),
             0);
    QString listing;
    QCOMPARE(ArchiveBackends::list(archive, format, listing), 0);
    QVERIFY(listing.contains(platform::nameFromBytes("\xff\xfe.bin")));
    QVERIFY(listing.contains(platform::nameFromBytes("\xff\xfd.bin")));
    QCOMPARE(ArchiveBackends::extract(archive, format, folderOf(dir, "dest")), 0);
    for (const auto& [name, content] : tree)
        QCOMPARE(readAll(dir.pathBytes() + "/dest/" + name), content);
    QCOMPARE(readAll(dir.pathBytes() + "/dest/later.txt"), QByteArray("four"));
}

void TestArchiveBackends::foreignArchivesAreRead_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("zip") << "zip" << QStringList{"-r", "-q", "../in.zip", "."};
    QTest::newRow("7z zip") << "7zz" << QStringList{"a", "-tzip", "-bd", "../in.zip", "."};
    QTest::newRow("7z zip stored")
        << "7zz" << QStringList{"a", "-tzip", "-mx0", "-bd", "../in.zip", "."};
}

void TestArchiveBackends::foreignArchivesAreRead()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);

    const QString found = tool({program, program == "7zz" ? "7z" : program});
    if (found.isEmpty())
        QSKIP(qPrintable(program + " is not installed"));
    const Tree tree{{"one.txt", "1\n"},
                    {"folder/two.bin", pattern(700000, 9)},
                    {QStringLiteral("フォルダ/三.txt").toUtf8(), "3\n"}};
    TempDir dir;
    QVERIFY(makeTree(dir, "src", tree));
    QVERIFY(dir.makeFolder("dest"));
    QCOMPARE(runTool(found, arguments, fileOf(dir, "src")), 0);
    const QString archive = fileOf(dir, "in.zip");
    QVERIFY(ArchiveBackends::isArchive(archive, ArchiveZip));
    QVERIFY(!ArchiveBackends::isArchive(archive, ArchiveCab));
    QString listing;
    QCOMPARE(ArchiveBackends::list(archive, ArchiveZip, listing), 0);
    for (const auto& [name, content] : tree)
        QVERIFY2(listing.contains(QString::fromUtf8(name) + QLatin1Char(' ')), qPrintable(listing));
    QCOMPARE(ArchiveBackends::extract(archive, ArchiveZip, folderOf(dir, "dest")), 0);
    for (const auto& [name, content] : tree)
        QCOMPARE(readAll(dir.pathBytes() + "/dest/" + name), content);
}

void TestArchiveBackends::handMadeCabIsRead_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("attributes");
    QTest::addColumn<QString>("listed"); // "\\" between folders
    QTest::addColumn<QString>("letters");
    QTest::addColumn<QByteArray>("onDisk"); // empty: refused

    const QString table = QStringLiteral("表.txt");
    QTest::newRow("cp932 with 0x5c")
        << QByteArray("\x95\x5c.txt") << 0x20 << table << QStringLiteral("---a") << table.toUtf8();
    QTest::newRow("cp932 in a folder")
        << QByteArray("\x95\x5c\\\x95\x5c.txt") << 0x21 << QStringLiteral("表\\表.txt")
        << QStringLiteral("r--a") << QStringLiteral("表/表.txt").toUtf8();
    QTest::newRow("utf-8 flagged")
        << QStringLiteral("日本\\語.txt").toUtf8() << 0x86 << QStringLiteral("日本\\語.txt")
        << QStringLiteral("-hs-") << QStringLiteral("日本/語.txt").toUtf8();
    QTest::newRow("parent folder")
        << QByteArray("..\\up.txt") << 0x20 << QStringLiteral("..\\up.txt")
        << QStringLiteral("---a") << QByteArray();
}

void TestArchiveBackends::handMadeCabIsRead()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, attributes);
    QFETCH(QString, listed);
    QFETCH(QString, letters);
    QFETCH(QByteArray, onDisk);

    TempDir dir;
    QVERIFY(dir.makeFolder("dest"));
    const QByteArray data = pattern(70000, 3); // three data blocks
    QVERIFY(dir.writeFile(
        "in.cab", rawCab({{"first.txt", "1", 0x20}, {stored, data, unsigned(attributes)}})));
    const QString archive = fileOf(dir, "in.cab");
    QString listing;
    QCOMPARE(ArchiveBackends::list(archive, ArchiveCab, listing), 0);
    const QStringList lines = listingLines(listing);
    QCOMPARE(lines.size(), 5 + 2 + 2);
    const QStringList fields = lines[6].split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QCOMPARE(fields.size(), 5);
    QCOMPARE(fields[0], QString::number(data.size()));
    QCOMPARE(fields[1] + QLatin1Char(' ') + fields[2],
             QDateTime(QDate(2025, 1, 1), QTime(10, 33, 2)).toString("yy-MM-dd HH:mm:ss"));
    QCOMPARE(fields[3], letters);
    QCOMPARE(fields[4], listed);

    QList<ArchiveEntryProblem> problems;
    const int result =
        ArchiveBackends::extract(archive, ArchiveCab, folderOf(dir, "dest"), {}, &problems);
    QCOMPARE(readAll(dir.pathBytes() + "/dest/first.txt"), QByteArray("1"));
    if (onDisk.isEmpty()) {
        QCOMPARE(result, int(ArchiveUnsafeEntry));
        QCOMPARE(problems.size(), 1);
        QCOMPARE(entries(dir.pathBytes()), (QList<QByteArray>{"dest", "in.cab"}));
    } else {
        QCOMPARE(result, 0);
        QCOMPARE(readAll(dir.pathBytes() + "/dest/" + onDisk), data);
    }
}

void TestArchiveBackends::handMadeLzhIsRead_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("onDisk"); // empty: refused
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("level");

    const QString nihongo = QStringLiteral("日本語.txt");
    QTest::newRow("level 2 folder, cp932 with 0x5c")
        << QByteArray("sub/\x95\x5c/\x95\x5c.txt") << QStringLiteral("sub/表/表.txt")
        << QStringLiteral("sub/表/表.txt").toUtf8() << 0 << 2;
    QTest::newRow("level 2 parent folder") << QByteArray("../x.txt") << QStringLiteral("../x.txt")
                                           << QByteArray() << int(ArchiveUnsafeEntry) << 2;
    QTest::newRow("ascii") << QByteArray("plain.txt") << QStringLiteral("plain.txt")
                           << QByteArray("plain.txt") << 0 << 0;
    QTest::newRow("cp932") << QByteArray("\x93\xfa\x96\x7b\x8c\xea.txt") << nihongo
                           << nihongo.toUtf8() << 0 << 0;
    QTest::newRow("utf-8") << nihongo.toUtf8() << nihongo << nihongo.toUtf8() << 0 << 0;
    QTest::newRow("cp932 with 0x5c") << QByteArray("\x95\x5c.txt") << QStringLiteral("表.txt")
                                     << QStringLiteral("表.txt").toUtf8() << 0 << 0;
    QTest::newRow("undecodable") << QByteArray("\xff\xfd.bin")
                                 << platform::nameFromBytes("\xff\xfd.bin")
                                 << QByteArray("\xff\xfd.bin") << 0 << 0;
    QTest::newRow("parent component") << QByteArray("../up.txt") << QStringLiteral("../up.txt")
                                      << QByteArray() << int(ArchiveUnsafeEntry) << 0;
}

void TestArchiveBackends::handMadeLzhIsRead()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, shown);
    QFETCH(QByteArray, onDisk);
    QFETCH(int, result);
    QFETCH(int, level);

    TempDir dir;
    QVERIFY(dir.makeFolder("dest"));
    const QByteArray data = pattern(5000, 8);
    QVERIFY(dir.writeFile("in.lzh", rawLzh({{stored, data}}, level)));
    const QString archive = fileOf(dir, "in.lzh");
    QVERIFY(ArchiveBackends::isArchive(archive, ArchiveLzh));
    QVERIFY(!ArchiveBackends::isArchive(archive, ArchiveZip));
    QString listing;
    QCOMPARE(ArchiveBackends::list(archive, ArchiveLzh, listing), 0);
    const QStringList lines = listingLines(listing);
    QCOMPARE(lines.size(), 5 + 2 + 2);
    QCOMPARE(lines[5], shown);
    QCOMPARE(lines[6].left(14), QStringLiteral("-lh0-         "));
    const QStringList fields = lines[6].mid(14).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QCOMPARE(fields.size(), 6);
    QCOMPARE(fields[0], QString::number(data.size()));
    QCOMPARE(fields[1], QString::number(data.size()));
    QCOMPARE(fields[2], QStringLiteral("0%"));
    QCOMPARE(fields[3] + QLatin1Char(' ') + fields[4],
             QDateTime(QDate(2025, 1, 1), QTime(10, 33, 2)).toString("yyyy-MM-dd HH:mm:ss"));
    QCOMPARE(fields[5], QStringLiteral("---a"));
    QVERIFY(lines[7].startsWith(QStringLiteral("-----")));

    QList<ArchiveEntryProblem> problems;
    QCOMPARE(ArchiveBackends::extract(archive, ArchiveLzh, folderOf(dir, "dest"), {}, &problems),
             result);
    if (onDisk.isEmpty()) {
        QCOMPARE(problems.size(), 1);
        QVERIFY(entries(dir.pathBytes() + "/dest").isEmpty());
        QCOMPARE(entries(dir.pathBytes()), (QList<QByteArray>{"dest", "in.lzh"}));
    } else {
        QCOMPARE(entries(dir.pathBytes() + "/dest"), QList<QByteArray>{onDisk.split('/').first()});
        QCOMPARE(readAll(dir.pathBytes() + "/dest/" + onDisk), data);
    }
}

void TestArchiveBackends::listingLayout_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("headerLines");
    QTest::addColumn<int>("linesPerEntry");

    QTest::newRow("zip") << int(ArchiveZip) << 2 << 1;
    QTest::newRow("cab") << int(ArchiveCab) << 5 << 1;
    QTest::newRow("lzh") << int(ArchiveLzh) << 5 << 2;
}

void TestArchiveBackends::listingLayout()
{
    QFETCH(int, format);
    QFETCH(int, headerLines);
    QFETCH(int, linesPerEntry);

    if (format == ArchiveLzh && ArchiveBackends::lzhVersion().isEmpty())
        QSKIP("no lzh writer in this build");
    TempDir dir;
    const QByteArray big = pattern(200000, 5);
    QVERIFY(makeTree(dir, "src", {{"a.txt", "hello\n"}, {"sub/b.bin", big}}));
    ::chmod((dir.pathBytes() + "/src/a.txt").constData(), 0444);
    const char* const names[] = {"x.cab", "x.lzh", "x.zip"};
    const QString archive = fileOf(dir, names[format]);
    QCOMPARE(ArchiveBackends::create(format, archive, folderOf(dir, "src"), {"a.txt", "sub"}, true),
             0);
    QString listing;
    QCOMPARE(ArchiveBackends::list(archive, format, listing), 0);
    QVERIFY(listing.endsWith(QStringLiteral("\r\n")));
    QVERIFY(!listing.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
    const QStringList lines = listingLines(listing);
    const qsizetype rule = lines.indexOf(QRegularExpression(QStringLiteral("^-----.*")));
    QVERIFY(rule > headerLines);
    QCOMPARE(rule + 2, lines.size()); // the summary closes the text
    for (int i = 0; i < headerLines; ++i)
        QVERIFY(!lines[i].startsWith(QStringLiteral("-----")));

    const QRegularExpression number(QStringLiteral("^\\d+$"));
    const QRegularExpression ratio(QStringLiteral("^\\d{1,3}%$"));
    const QRegularExpression attributes(QStringLiteral("^[r-][h-][s-][a-]$"));
    const QRegularExpression longDate(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d$"));
    const QRegularExpression shortDate(QStringLiteral("^\\d\\d-\\d\\d-\\d\\d$"));
    const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    QHash<QString, QStringList> byName;
    for (qsizetype i = headerLines; i < rule; i += linesPerEntry) {
        QString line = lines[i];
        if (linesPerEntry == 2) {
            QCOMPARE(lines[i + 1].size() > 14, true);
            line += QLatin1Char(' ') + lines[i + 1].mid(14);
        }
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QVERIFY2(fields.size() <= 9, qPrintable(line));
        if (format == ArchiveCab) {
            QCOMPARE(fields.size(), 5);
            QVERIFY(number.match(fields[0]).hasMatch());
            QVERIFY(shortDate.match(fields[1]).hasMatch());
            QVERIFY(time.match(fields[2]).hasMatch());
            QVERIFY(attributes.match(fields[3]).hasMatch());
            byName.insert(fields[4], fields);
        } else {
            QCOMPARE(fields.size(), 7);
            QVERIFY(number.match(fields[1]).hasMatch());
            QVERIFY(number.match(fields[2]).hasMatch());
            QVERIFY(ratio.match(fields[3]).hasMatch());
            QVERIFY(longDate.match(fields[4]).hasMatch());
            QVERIFY(time.match(fields[5]).hasMatch());
            QVERIFY(attributes.match(fields[6]).hasMatch());
            byName.insert(fields[0], fields);
        }
    }
    const QString sub =
        format == ArchiveCab ? QStringLiteral("sub\\b.bin") : QStringLiteral("sub/b.bin");
    QVERIFY2(byName.contains(sub), qPrintable(listing));
    QVERIFY(byName.contains(QStringLiteral("a.txt")));
    const QStringList a = byName.value(QStringLiteral("a.txt"));
    const QStringList b = byName.value(sub);
    if (format == ArchiveCab) {
        QCOMPARE(b[0], QString::number(big.size()));
        QVERIFY(a[3].startsWith(QLatin1Char('r')));
    } else {
        QCOMPARE(b[1], QString::number(big.size()));
        QVERIFY2(b[2].toLongLong() < big.size(), qPrintable(listing)); // compressed for real
        QVERIFY(a[6].startsWith(QLatin1Char('r')));
        if (format == ArchiveZip)
            QVERIFY(byName.contains(QStringLiteral("sub/")));
    }
}

void TestArchiveBackends::updateKeepsOtherEntries_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("zip") << int(ArchiveZip);
    QTest::newRow("cab") << int(ArchiveCab);
}

void TestArchiveBackends::updateKeepsOtherEntries()
{
    QFETCH(int, format);
    TempDir dir;
    QVERIFY(makeTree(dir, "src", {{"old.txt", "old\n"}, {"same.txt", "first\n"}}));
    const QString archive = fileOf(dir, format == ArchiveZip ? "u.zip" : "u.cab");
    QCOMPARE(ArchiveBackends::create(format, archive, folderOf(dir, "src"), {"old.txt", "same.txt"},
                                     true),
             0);
    // A newer source replaces its entry; an unchanged one keeps it; a new
    // name is added.
    QVERIFY(dir.writeFile("src/same.txt", "second\n"));
    const timespec later[2] = {{0, UTIME_OMIT}, {time(nullptr) + 10, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, (dir.pathBytes() + "/src/same.txt").constData(), later, 0), 0);
    QVERIFY(dir.writeFile("src/new.txt", "new\n"));
    QVERIFY(dir.writeFile("src/old.txt", "changed but older\n"));
    const timespec earlier[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, (dir.pathBytes() + "/src/old.txt").constData(), earlier, 0), 0);
    QCOMPARE(ArchiveBackends::create(format, archive, folderOf(dir, "src"),
                                     {"same.txt", "new.txt", "old.txt"}, true),
             0);
    QVERIFY(dir.makeFolder("dest"));
    QCOMPARE(ArchiveBackends::extract(archive, format, folderOf(dir, "dest")), 0);
    QCOMPARE(entries(dir.pathBytes() + "/dest"),
             (QList<QByteArray>{"new.txt", "old.txt", "same.txt"}));
    QCOMPARE(readAll(dir.pathBytes() + "/dest/old.txt"), QByteArray("old\n"));
    QCOMPARE(readAll(dir.pathBytes() + "/dest/same.txt"), QByteArray("second\n"));
    QCOMPARE(readAll(dir.pathBytes() + "/dest/new.txt"), QByteArray("new\n"));
}

void TestArchiveBackends::interruptKeepsOldArchive_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("afterCalls");
    QTest::newRow("zip at once") << int(ArchiveZip) << int(ZipInterrupted) << 0;
    QTest::newRow("zip inside a big file") << int(ArchiveZip) << int(ZipInterrupted) << 3;
    QTest::newRow("cab at once") << int(ArchiveCab) << int(CabInterruptedOrReadOnly) << 0;
    QTest::newRow("cab inside a big file") << int(ArchiveCab) << int(CabInterruptedOrReadOnly) << 3;
}

void TestArchiveBackends::interruptKeepsOldArchive()
{
    QFETCH(int, format);
    QFETCH(int, result);
    QFETCH(int, afterCalls);

    TempDir dir;
    QVERIFY(makeTree(dir, "src", {{"first.txt", "1\n"}, {"big.bin", pattern(4 << 20, 2)}}));
    const QString archive = fileOf(dir, format == ArchiveZip ? "i.zip" : "i.cab");
    QCOMPARE(ArchiveBackends::create(format, archive, folderOf(dir, "src"), {"first.txt"}, true),
             0);
    const QByteArray before = readAll(platform::pathToBytes(archive));
    const QList<QByteArray> listed = entries(dir.pathBytes());
    int calls = 0;
    ArchiveCallbacks callbacks;
    callbacks.interrupted = [&] { return calls++ >= afterCalls; };
    QCOMPARE(ArchiveBackends::create(format, archive, folderOf(dir, "src"), {"big.bin"}, true,
                                     callbacks),
             result);
    QCOMPARE(readAll(platform::pathToBytes(archive)), before);
    QCOMPARE(entries(dir.pathBytes()), listed);
}

void TestArchiveBackends::interruptedExtractionLeavesNoTemporary()
{
    TempDir dir;
    QVERIFY(makeTree(dir, "src", {{"big.bin", pattern(3 << 20, 4)}}));
    QVERIFY(dir.makeFolder("dest"));
    const QString archive = fileOf(dir, "e.zip");
    QCOMPARE(ArchiveBackends::create(ArchiveZip, archive, folderOf(dir, "src"), {"big.bin"}, true),
             0);
    int calls = 0;
    ArchiveCallbacks callbacks;
    callbacks.interrupted = [&] { return ++calls > 3; }; // inside the entry
    QCOMPARE(ArchiveBackends::extract(archive, ArchiveZip, folderOf(dir, "dest"), callbacks),
             int(ZipInterrupted));
    QVERIFY(calls > 3);
    QVERIFY(entries(dir.pathBytes() + "/dest").isEmpty());
}

void TestArchiveBackends::readOnlyArchiveIsRefused_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("result");
    QTest::newRow("zip") << int(ArchiveZip) << int(ZipArchiveReadOnly);
    QTest::newRow("cab") << int(ArchiveCab) << int(CabInterruptedOrReadOnly);
    QTest::newRow("lzh") << int(ArchiveLzh) << int(EACCES);
}

void TestArchiveBackends::readOnlyArchiveIsRefused()
{
    QFETCH(int, format);
    QFETCH(int, result);
    TempDir dir;
    QVERIFY(makeTree(dir, "src", {{"a.txt", "a\n"}, {"b.txt", "b\n"}}));
    const char* const names[] = {"r.cab", "r.lzh", "r.zip"};
    const QString archive = fileOf(dir, names[format]);
    if (format == ArchiveLzh)
        QVERIFY(dir.writeFile(names[format], rawLzh({{"a.txt", "a\n"}})));
    else
        QCOMPARE(ArchiveBackends::create(format, archive, folderOf(dir, "src"), {"a.txt"}, true),
                 0);
    QCOMPARE(::chmod(platform::pathToBytes(archive).constData(), 0444), 0);
    const QByteArray before = readAll(platform::pathToBytes(archive));
    QCOMPARE(ArchiveBackends::create(format, archive, folderOf(dir, "src"), {"b.txt"}, true),
             result);
    QCOMPARE(readAll(platform::pathToBytes(archive)), before);
}

// A real full disk: a small tmpfs in a private mount namespace.
void TestArchiveBackends::fullDiskIsReported()
{
    TempDir dir;
    QVERIFY(makeTree(dir, "src", {{"big.bin", pattern(2 << 20, 6)}}));
    QVERIFY(dir.makeFolder("vol"));
    const QString archive = fileOf(dir, "f.zip");
    QCOMPARE(ArchiveBackends::create(ArchiveZip, archive, folderOf(dir, "src"), {"big.bin"}, true),
             0);
    const QByteArray vol = dir.pathBytes() + "/vol";
    const int status = test::runWithOwnMounts([&] {
        if (::mount("tovane-test", vol.constData(), "tmpfs", 0, "size=512k") != 0)
            ::_exit(test::ChildSkipped);
        QList<ArchiveEntryProblem> problems;
        QCOMPARE(ArchiveBackends::extract(archive, ArchiveZip, folderOf(dir, "vol"), {}, &problems),
                 int(ArchiveWriteFailed));
        QCOMPARE(problems.size(), 1);
        QVERIFY(entries(vol).isEmpty());
        QCOMPARE(ArchiveBackends::create(ArchiveZip, folderOf(dir, "vol") + "g.zip",
                                         folderOf(dir, "src"), {"big.bin"}, true),
                 int(ArchiveWriteFailed));
        QVERIFY(entries(vol).isEmpty());
    });
    if (status == test::ChildSkipped)
        QSKIP("no private mount namespace here (needs root or user namespaces)");
    QCOMPARE(status, 0);
}

void TestArchiveBackends::reentryIsRefused()
{
    TempDir dir;
    QVERIFY(makeTree(dir, "src", {{"a.txt", "a\n"}, {"b.txt", "b\n"}}));
    QVERIFY(dir.makeFolder("dest"));
    const QString archive = fileOf(dir, "b.zip");
    QCOMPARE(ArchiveBackends::create(ArchiveZip, archive, folderOf(dir, "src"), {"a.txt", "b.txt"},
                                     true),
             0);
    QVERIFY(!ArchiveBackends::busy(ArchiveZip));
    int inner = -1;
    bool zipBusy = false;
    bool cabBusy = true;
    QString listing;
    ArchiveCallbacks callbacks;
    callbacks.progress = [&](qint64, const QString&) {
        zipBusy = ArchiveBackends::busy(ArchiveZip);
        cabBusy = ArchiveBackends::busy(ArchiveCab);
        inner = ArchiveBackends::list(archive, ArchiveZip, listing);
    };
    QCOMPARE(ArchiveBackends::extract(archive, ArchiveZip, folderOf(dir, "dest"), callbacks), 0);
    QCOMPARE(inner, int(ArchiveBusy));
    QVERIFY(zipBusy);
    QVERIFY(!cabBusy);
    QVERIFY(!ArchiveBackends::busy(ArchiveZip));
    QCOMPARE(ArchiveBackends::list(archive, ArchiveZip, listing), 0);
}

void TestArchiveBackends::foldersWithoutRecursionAreLeftOut()
{
    TempDir dir;
    QVERIFY(makeTree(dir, "src", {{"top.txt", "t\n"}, {"sub/inner.txt", "i\n"}}));
    QVERIFY(dir.makeFolder("dest"));
    const QString archive = fileOf(dir, "n.zip");
    QCOMPARE(ArchiveBackends::create(ArchiveZip, archive, folderOf(dir, "src"), {"top.txt", "sub"},
                                     false),
             0);
    QCOMPARE(ArchiveBackends::extract(archive, ArchiveZip, folderOf(dir, "dest")), 0);
    QCOMPARE(entries(dir.pathBytes() + "/dest"), QList<QByteArray>{"top.txt"});
}

void TestArchiveBackends::versionsAreReported()
{
    QVERIFY(ArchiveBackends::libarchiveVersion().startsWith(QStringLiteral("libarchive ")));
    QVERIFY(
        ArchiveBackends::gcabVersion().contains(QRegularExpression(QStringLiteral("\\d+\\.\\d+"))));
    QCOMPARE(ArchiveBackends::lzhVersion(), lzhWriterVersion());
}

QTEST_GUILESS_MAIN(TestArchiveBackends)
#include "tst_archivebackends.moc"
