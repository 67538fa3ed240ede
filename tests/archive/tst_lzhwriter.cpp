#include "archive/lzhwriter.h"
#include "platform/filesystem.h"
#include "platform/names.h"
#include "support/tempdir.h"

#include "archive/lzhcodec.h"
#include "support/ownmounts.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtTest>

#include <sys/mount.h>
#include <unistd.h>

using namespace tovane;
using namespace tovane::test;

Q_DECLARE_METATYPE(tovane::LzhMethod)

namespace {

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray out(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        out[i] = char(gen.generate() & 0xff);
    return out;
}

// Text with the repetition of real prose: words from a small vocabulary.
QByteArray textBytes(qsizetype size, quint32 seed)
{
    static const char* words[] = {"ファイル", "folder", "the", "archive", "圧縮", "copy",
                                  "and",      "window", "of",  "\n",      "data", "一覧"};
    QRandomGenerator gen(seed);
    QByteArray out;
    while (out.size() < size) {
        out += words[gen.bounded(12)];
        out += ' ';
    }
    out.truncate(size);
    return out;
}

struct ToolRun {
    int exitCode = -1;
    QByteArray output;
};

ToolRun run(const QString& program, const QStringList& args, const QString& folder = {})
{
    QProcess p;
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.closeWriteChannel(); // a question from the tool fails instead of waiting
    ToolRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.output = p.readAll();
    return r;
}

QString methodText(LzhMethod m)
{
    return QStringLiteral("-lh%1-").arg(int(m));
}

} // namespace

class LzhWriterTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void pieceByPiece_data();
    void pieceByPiece();
    void damagedStreams_data();
    void damagedStreams();
    void readByTools_data();
    void readByTools();
    void names_data();
    void names();
    void update_data();
    void update();
    void refusedTargets_data();
    void refusedTargets();
    void updateOlderHeaders_data();
    void updateOlderHeaders();
    void refusedSources_data();
    void refusedSources();
    void interrupt_data();
    void interrupt();
    void fullDisk_data();
    void fullDisk();
};

void LzhWriterTest::roundTrip_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("shrinks");
    QTest::addColumn<LzhMethod>("method");
    struct Content {
        const char* name;
        QByteArray data;
        bool shrinks;
    };
    QByteArray pattern;
    for (int i = 0; i < 20000; ++i)
        pattern += QByteArray::number(i % 97) + ",";
    QByteArray shortRun;
    for (int i = 0; i < 5000; ++i)
        shortRun += char(i % 3 == 0 ? 'a' : 'b');
    // Noise that repeats at exactly the smallest window's distance.
    const QByteArray block = randomBytes(8192, 3);
    const QList<Content> contents{
        {"empty", QByteArray(), false},
        {"one byte", QByteArray("x"), false},
        {"one byte repeated", QByteArray(300000, 'z'), true},
        {"repeated pattern", pattern, true},
        {"two symbols", shortRun, true},
        {"random", randomBytes(200000, 1), false},
        {"text 1 MB", textBytes(1 << 20, 2), true},
        {"random block repeated", block + block + block + block.left(3000), true},
        {"all byte values",
         [] {
             QByteArray b;
             for (int r = 0; r < 50; ++r)
                 for (int i = 0; i < 256; ++i)
                     b += char(i);
             return b;
         }(),
         true},
    };
    for (LzhMethod m : {Lh5, Lh6, Lh7})
        for (const Content& c : contents)
            QTest::newRow(qPrintable(methodText(m) + " " + c.name)) << c.data << c.shrinks << m;
}

void LzhWriterTest::roundTrip()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, shrinks);
    QFETCH(LzhMethod, method);
    const QByteArray packed = lzhCompress(data, method);
    if (shrinks)
        QVERIFY2(packed.size() < data.size(), qPrintable(QString::number(packed.size())));
    QByteArray out;
    QVERIFY(lzhDecompress(packed, data.size(), method, out));
    QCOMPARE(out.size(), data.size());
    QVERIFY(out == data);
}

void LzhWriterTest::pieceByPiece_data()
{
    QTest::addColumn<LzhMethod>("method");
    QTest::addColumn<int>("piece");
    for (LzhMethod m : {Lh5, Lh6, Lh7})
        for (int piece : {1, 255, 4099, 65543, 300000})
            QTest::newRow(qPrintable(methodText(m) + QStringLiteral(" pieces of %1").arg(piece)))
                << m << piece;
}

// A file read in pieces of any size gives the stream of the whole buffer:
// the window carries over between pieces, never from an earlier file.
void LzhWriterTest::pieceByPiece()
{
    QFETCH(LzhMethod, method);
    QFETCH(int, piece);
    QByteArray data = textBytes(700000, 17);
    // Noise that repeats from far back, across many pieces.
    const QByteArray noise = randomBytes(60000, 18);
    data.replace(100000, noise.size(), noise);
    data.replace(161000, noise.size(), noise);
    // The encoder has served another file before: nothing of it may show.
    lzh::Encoder encoder(method);
    encoder.feed(data.constData() + 1000, 300000);
    encoder.finish();
    encoder.takeOutput();
    encoder.restart();
    QByteArray packed;
    for (qsizetype at = 0; at < data.size(); at += piece) {
        encoder.feed(data.constData() + at, std::min<qsizetype>(piece, data.size() - at));
        packed += encoder.takeOutput();
    }
    encoder.finish();
    packed += encoder.takeOutput();
    QVERIFY(packed == lzhCompress(data, method));
    QByteArray out;
    QVERIFY(lzhDecompress(packed, data.size(), method, out));
    QVERIFY(out == data);
}

void LzhWriterTest::damagedStreams_data()
{
    QTest::addColumn<QByteArray>("packed");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<LzhMethod>("method");
    const QByteArray text = textBytes(100000, 5);
    const QByteArray good = lzhCompress(text, Lh5);
    QTest::newRow("truncated to half") << good.left(good.size() / 2) << qint64(text.size()) << Lh5;
    QTest::newRow("truncated to 3 bytes") << good.left(3) << qint64(text.size()) << Lh5;
    QTest::newRow("nothing") << QByteArray() << qint64(10) << Lh5;
    QTest::newRow("longer than stream") << good << qint64(text.size() * 2) << Lh5;
    QTest::newRow("zero block size") << QByteArray(64, '\0') << qint64(10) << Lh5;
    QTest::newRow("all ones") << QByteArray(4096, char(0xff)) << qint64(5000) << Lh7;
    QTest::newRow("claims 2 GB") << good.left(200) << qint64(0x7fffffff) << Lh5;
    QTest::newRow("stream longer than the size") << good << qint64(1) << Lh5;
    for (int seed = 0; seed < 40; ++seed) {
        QByteArray broken = good;
        QRandomGenerator gen{quint32(seed)};
        for (int k = 0; k < 3; ++k)
            broken[gen.bounded(int(std::min<qsizetype>(broken.size(), 64)))] ^=
                char(1 << gen.bounded(8));
        QTest::newRow(qPrintable(QStringLiteral("flipped table bits %1").arg(seed)))
            << broken << qint64(text.size()) << Lh5;
    }
    for (int seed = 0; seed < 20; ++seed)
        QTest::newRow(qPrintable(QStringLiteral("garbage %1").arg(seed)))
            << randomBytes(2000, quint32(100 + seed)) << qint64(30000) << LzhMethod(Lh5 + seed % 3);
}

// Damage is reported, never read past the input, and never taken for the
// right size of output.
void LzhWriterTest::damagedStreams()
{
    QFETCH(QByteArray, packed);
    QFETCH(qint64, size);
    QFETCH(LzhMethod, method);
    QByteArray out;
    const QByteArray copy(packed.constData(), packed.size()); // exact-size heap buffer
    if (lzhDecompress(copy, size, method, out))
        QCOMPARE(out.size(), qsizetype(size));
}

namespace {

bool haveTool(const char* name)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

// The files of a small tree, written under `dir`/src.
struct Tree {
    QList<LzhSource> sources;
    QList<QPair<QByteArray, QByteArray>> files; // stored name bytes, content
};

} // namespace

void LzhWriterTest::readByTools_data()
{
    QTest::addColumn<LzhMethod>("method");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expectedMethod");
    for (LzhMethod m : {Lh5, Lh6, Lh7}) {
        QTest::newRow(qPrintable(methodText(m) + " text"))
            << m << textBytes(1 << 20, 7) << methodText(m);
        QTest::newRow(qPrintable(methodText(m) + " one byte repeated"))
            << m << QByteArray(300000, 'z') << methodText(m);
        QTest::newRow(qPrintable(methodText(m) + " random stored"))
            << m << randomBytes(70000, 8) << QStringLiteral("-lh0-");
    }
    QTest::newRow("empty file stored") << Lh5 << QByteArray() << QStringLiteral("-lh0-");
}

// Archives as lha and libarchive read them: lists, tests and extracts to
// the same bytes, with folders as folders.
void LzhWriterTest::readByTools()
{
    QFETCH(LzhMethod, method);
    QFETCH(QByteArray, content);
    QFETCH(QString, expectedMethod);
    if (!haveTool("lha"))
        QSKIP("lha (package lhasa) is not installed");
    TempDir dir;
    QVERIFY(dir.makeFolder("src"));
    QVERIFY(dir.makeFolder("src/sub"));
    QVERIFY(dir.makeFolder("src/sub/deeper"));
    QVERIFY(dir.writeFile("src/main.dat", content));
    QVERIFY(dir.writeFile("src/sub/deeper/small.txt", "hello\n"));
    const QList<LzhSource> sources{
        {dir.filePath("src/sub"), "sub", true},
        {dir.filePath("src/sub/deeper"), "sub/deeper", true},
        {dir.filePath("src/main.dat"), "main.dat", false},
        {dir.filePath("src/sub/deeper/small.txt"), "sub/deeper/small.txt", false},
    };
    LzhOptions options;
    options.method = method;
    const QString archive = dir.filePath("out.lzh");
    QCOMPARE(writeLzh(archive, sources, options), 0);

    const QByteArray bytes = readAll(joined(dir, "out.lzh"));
    QVERIFY(bytes.endsWith('\0'));
    QVERIFY(bytes.contains(expectedMethod.toLatin1()));
    QVERIFY(bytes.contains("-lhd-"));

    ToolRun t = run("lha", {"t", archive});
    QVERIFY2(t.exitCode == 0, t.output.constData());
    QVERIFY(dir.makeFolder("lha"));
    t = run("lha", {"x", archive}, dir.filePath("lha"));
    QVERIFY2(t.exitCode == 0, t.output.constData());
    QVERIFY(readAll(joined(dir, "lha/main.dat")) == content);
    QCOMPARE(readAll(joined(dir, "lha/sub/deeper/small.txt")), QByteArray("hello\n"));

    if (!haveTool("bsdtar"))
        QSKIP("bsdtar (package libarchive-tools) is not installed");
    t = run("bsdtar", {"-tvf", archive});
    QVERIFY2(t.exitCode == 0, t.output.constData());
    QVERIFY2(t.output.contains("sub/deeper/\n") || t.output.contains("sub/deeper\n"),
             t.output.constData());
    QVERIFY(dir.makeFolder("bsd"));
    t = run("bsdtar", {"-xf", archive}, dir.filePath("bsd"));
    QVERIFY2(t.exitCode == 0, t.output.constData());
    QVERIFY(readAll(joined(dir, "bsd/main.dat")) == content);
    QCOMPARE(readAll(joined(dir, "bsd/sub/deeper/small.txt")), QByteArray("hello\n"));
    ItemRecord record;
    QCOMPARE(platform::statPath(pathOf(dir, "bsd/sub/deeper"), record), 0);
    QVERIFY(record.isFolder());
}

void LzhWriterTest::names_data()
{
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<QByteArray>("expectedBytes");
    QTest::newRow("ascii") << "plain.txt" << QByteArray("plain.txt");
    QTest::newRow("katakana and kanji fit CP932")
        << QString::fromUtf8("ｶﾀｶﾅ漢字.txt") << QByteArray("\xb6\xc0\xb6\xc5\x8a\xbf\x8e\x9a.txt");
    QTest::newRow("trail byte 0x5C in CP932")
        << QString::fromUtf8("ソ表.txt") << QByteArray("\x83\x5c\x95\x5c.txt");
    QTest::newRow("emoji: UTF-8") << QString::fromUtf8("写真😀.jpg")
                                  << QByteArray("\xe5\x86\x99\xe7\x9c\x9f\xf0\x9f\x98\x80.jpg");
    QTest::newRow("hangul: UTF-8") << QString::fromUtf8("한.txt") << QByteArray("\xed\x95\x9c.txt");
    QTest::newRow("raw bytes from disk")
        << platform::nameFromBytes("raw\xff\xfe.bin") << QByteArray("raw\xff\xfe.bin");
}

// Each name is stored in the bytes lha writes back to disk.
void LzhWriterTest::names()
{
    QFETCH(QString, storedName);
    QFETCH(QByteArray, expectedBytes);
    TempDir dir;
    QVERIFY(dir.writeFile("content", "named content"));
    QCOMPARE(writeLzh(dir.filePath("n.lzh"), {{dir.filePath("content"), storedName, false}}), 0);
    const QByteArray archive = readAll(joined(dir, "n.lzh"));
    QVERIFY(archive.contains(expectedBytes));
    if (!haveTool("lha"))
        QSKIP("lha (package lhasa) is not installed");
    QVERIFY(dir.makeFolder("x"));
    const ToolRun t = run("lha", {"x", dir.filePath("n.lzh")}, dir.filePath("x"));
    QVERIFY2(t.exitCode == 0, t.output.constData());
    QCOMPARE(entries(joined(dir, "x")), QList<QByteArray>{expectedBytes});
    QCOMPARE(readAll(joined(dir, "x/" + expectedBytes)), QByteArray("named content"));
    // libarchive turns the name into Unicode itself when told its encoding.
    if (!haveTool("bsdtar") || storedName.contains(QChar(0xDCFF)))
        return;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    p.setProcessEnvironment(env);
    p.start("bsdtar", {"-tf", dir.filePath("n.lzh")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), storedName + u'\n');
}

void LzhWriterTest::update_data()
{
    QTest::addColumn<int>("ageShift"); // seconds the changed source is moved from the entry's time
    QTest::addColumn<bool>("replaced");
    QTest::newRow("newer source replaces") << 100 << true;
    QTest::newRow("same time keeps") << 0 << false;
    QTest::newRow("older source keeps") << -100 << false;
}

// An update keeps untouched entries byte for byte, replaces a newer one in
// its place and adds new names at the end.
void LzhWriterTest::update()
{
    QFETCH(int, ageShift);
    QFETCH(bool, replaced);
    TempDir dir;
    const qint64 base = qint64(1700000000) * 1000000000;
    QVERIFY(dir.writeFile("a.txt", textBytes(50000, 11)));
    QVERIFY(dir.writeFile("b.txt", "old b"));
    QVERIFY(dir.makeFolder("f"));
    platform::FileTimes times;
    times.write = base;
    QCOMPARE(platform::setTimes(dir.filePath("b.txt"), times, platform::TimeWrite), 0);
    const QString archive = dir.filePath("u.lzh");
    QCOMPARE(writeLzh(archive, {{dir.filePath("a.txt"), "a.txt", false},
                                {dir.filePath("f"), "f", true},
                                {dir.filePath("b.txt"), "f/b.txt", false}}),
             0);
    const QByteArray before = readAll(joined(dir, "u.lzh"));

    QVERIFY(dir.writeFile("b.txt", "new b, longer"));
    times.write = base + qint64(ageShift) * 1000000000;
    QCOMPARE(platform::setTimes(dir.filePath("b.txt"), times, platform::TimeWrite), 0);
    QVERIFY(dir.writeFile("c.txt", "c"));
    QCOMPARE(writeLzh(archive, {{dir.filePath("b.txt"), "f/b.txt", false},
                                {dir.filePath("c.txt"), "c.txt", false}}),
             0);
    const QByteArray after = readAll(joined(dir, "u.lzh"));
    // a.txt and the folder come first, unchanged.
    const qsizetype bAt = before.indexOf("b.txt");
    const qsizetype bHeader = before.lastIndexOf("-lh", bAt) - 2;
    QVERIFY(bHeader > 0);
    QVERIFY(after.startsWith(before.left(bHeader)));
    if (!replaced)
        QVERIFY(after.startsWith(before.left(before.size() - 1)));

    if (!haveTool("lha"))
        QSKIP("lha (package lhasa) is not installed");
    QVERIFY(dir.makeFolder("x"));
    const ToolRun t = run("lha", {"x", archive}, dir.filePath("x"));
    QVERIFY2(t.exitCode == 0, t.output.constData());
    QCOMPARE(readAll(joined(dir, "x/f/b.txt")),
             replaced ? QByteArray("new b, longer") : QByteArray("old b"));
    QCOMPARE(readAll(joined(dir, "x/c.txt")), QByteArray("c"));
    QVERIFY(readAll(joined(dir, "x/a.txt")) == textBytes(50000, 11));
}

void LzhWriterTest::refusedTargets_data()
{
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<int>("expected");
    QTest::newRow("text file") << QByteArray("just some text, no archive\n")
                               << int(LzhNotAnArchive);
    QTest::newRow("empty file") << QByteArray() << int(LzhNotAnArchive);
    QTest::newRow("zeros") << QByteArray(100, '\0') << int(LzhNotAnArchive);
    QByteArray fake(40, 'x');
    fake.replace(2, 5, "-lh5-");
    fake[20] = 2;
    QTest::newRow("method but no sound header") << fake << int(LzhNotAnArchive);
}

// A file that is no archive is never overwritten; a damaged archive neither.
void LzhWriterTest::refusedTargets()
{
    QFETCH(QByteArray, existing);
    QFETCH(int, expected);
    TempDir dir;
    QVERIFY(dir.writeFile("target.lzh", existing));
    QVERIFY(dir.writeFile("in.txt", "data"));
    QCOMPARE(writeLzh(dir.filePath("target.lzh"), {{dir.filePath("in.txt"), "in.txt", false}}),
             expected);
    QCOMPARE(readAll(joined(dir, "target.lzh")), existing);
    QCOMPARE(entries(dir.pathBytes()), (QList<QByteArray>{"in.txt", "target.lzh"}));
}

void LzhWriterTest::refusedSources_data()
{
    QTest::addColumn<QString>("source"); // below the temporary folder
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<int>("expected");
    QTest::newRow("missing file") << "nothing.txt"
                                  << "nothing.txt" << false << ENOENT;
    QTest::newRow("folder given as file") << "sub"
                                          << "sub" << false << EISDIR;
    QTest::newRow("file given as folder") << "in.txt"
                                          << "in.txt" << true << ENOTDIR;
    QTest::newRow("no stored name") << "in.txt"
                                    << "/" << false << EINVAL;
    QTest::newRow("name beyond a header")
        << "in.txt" << QString(70000, QLatin1Char('n')) << false << ENAMETOOLONG;
}

// A source that cannot be stored fails the whole write: the archive stays
// as it was and no temporary is left.
void LzhWriterTest::refusedSources()
{
    QFETCH(QString, source);
    QFETCH(QString, storedName);
    QFETCH(bool, folder);
    QFETCH(int, expected);
    TempDir dir;
    QVERIFY(dir.writeFile("in.txt", "data"));
    QVERIFY(dir.makeFolder("sub"));
    QCOMPARE(writeLzh(dir.filePath("a.lzh"), {{dir.filePath("in.txt"), "first.txt", false}}), 0);
    const QByteArray before = readAll(joined(dir, "a.lzh"));
    QCOMPARE(writeLzh(dir.filePath("a.lzh"), {{dir.filePath("in.txt"), "second.txt", false},
                                              {dir.filePath(source), storedName, folder}}),
             expected);
    QCOMPARE(readAll(joined(dir, "a.lzh")), before);
    QCOMPARE(entries(dir.pathBytes()), (QList<QByteArray>{"a.lzh", "in.txt", "sub"}));
}

void LzhWriterTest::interrupt_data()
{
    QTest::addColumn<int>("stopAfter"); // calls of the callback answered "go on"
    QTest::newRow("at once") << 0;
    QTest::newRow("inside the large file") << 3;
    QTest::newRow("near the end") << 9;
}

// An interrupted write leaves the old archive byte for byte and no
// temporary beside it.
void LzhWriterTest::interrupt()
{
    QFETCH(int, stopAfter);
    TempDir dir;
    QVERIFY(dir.writeFile("small.txt", "small"));
    QCOMPARE(writeLzh(dir.filePath("i.lzh"), {{dir.filePath("small.txt"), "small.txt", false}}), 0);
    const QByteArray before = readAll(joined(dir, "i.lzh"));
    QVERIFY(dir.writeFile("big.bin", textBytes(3 << 20, 13)));
    int calls = 0;
    qint64 lastProgress = 0;
    LzhOptions options;
    options.interrupted = [&] { return calls++ >= stopAfter; };
    options.progress = [&](qint64 bytes) {
        QVERIFY(bytes > lastProgress);
        lastProgress = bytes;
    };
    QCOMPARE(
        writeLzh(dir.filePath("i.lzh"), {{dir.filePath("big.bin"), "big.bin", false}}, options),
        int(LzhWriterInterrupted));
    QCOMPARE(readAll(joined(dir, "i.lzh")), before);
    QCOMPARE(entries(dir.pathBytes()), (QList<QByteArray>{"big.bin", "i.lzh", "small.txt"}));
    // 3 MiB in chunks of at most 256 KiB: asked at least 12 times when let run.
    calls = 0;
    lastProgress = 0;
    options.interrupted = [&] { return ++calls < 0; };
    QCOMPARE(
        writeLzh(dir.filePath("i.lzh"), {{dir.filePath("big.bin"), "big.bin", false}}, options), 0);
    QVERIFY(calls >= 12);
    QCOMPARE(lastProgress, qint64(3 << 20));
}

namespace {

void putLe(QByteArray& b, quint32 v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}

// A stored entry with a level-0 or level-1 header as older archivers wrote
// them; level 1 puts the folder into an extended header.
QByteArray oldEntry(int level, const QByteArray& dir, const QByteArray& name,
                    const QByteArray& data, quint32 dosTime)
{
    const QByteArray baseName = level == 0 && !dir.isEmpty() ? dir + '\\' + name : name;
    QByteArray ext;
    if (level == 1 && !dir.isEmpty()) {
        ext.append(char(0x02));
        ext.append(dir + char(0xff));
        putLe(ext, 0, 2);
    }
    QByteArray h;
    h.append("\0\0-lh0-", 7);
    putLe(h, quint32(data.size() + ext.size()), 4);
    putLe(h, quint32(data.size()), 4);
    putLe(h, dosTime, 4);
    h.append(char(0x20));
    h.append(char(level));
    h.append(char(baseName.size()));
    h.append(baseName);
    putLe(h, lzh::crc16(0, data.constData(), data.size()), 2);
    if (level == 1) {
        h.append('U');
        putLe(h, quint32(ext.size()), 2);
    }
    h[0] = char(h.size() - 2);
    quint8 sum = 0;
    for (qsizetype i = 2; i < h.size(); ++i)
        sum = quint8(sum + quint8(h[i]));
    h[1] = char(sum);
    return h + ext + data;
}

quint32 dosTime(int year)
{
    return quint32(year - 1980) << 25 | 1u << 21 | 1u << 16;
}

} // namespace

void LzhWriterTest::updateOlderHeaders_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("entryYear");
    QTest::addColumn<bool>("replaced");
    for (int level : {0, 1}) {
        QTest::newRow(qPrintable(QStringLiteral("level %1, older entry").arg(level)))
            << level << 1990 << true;
        QTest::newRow(qPrintable(QStringLiteral("level %1, entry from the future").arg(level)))
            << level << 2100 << false;
    }
}

// Archives of other writers are updated too: their entries are read,
// matched by folder and name, and copied without a change.
void LzhWriterTest::updateOlderHeaders()
{
    QFETCH(int, level);
    QFETCH(int, entryYear);
    QFETCH(bool, replaced);
    TempDir dir;
    const QByteArray first = oldEntry(level, {}, "keep.txt", "kept as it was", dosTime(2000));
    // "\x83\x5c" is one CP932 character (ソ), not a folder separator.
    const QByteArray second = oldEntry(level, "d", "\x83\x5c.txt", "old one", dosTime(entryYear));
    QVERIFY(dir.writeFile("old.lzh", first + second + QByteArray(1, '\0')));
    QVERIFY(dir.writeFile("one.txt", "new one"));
    QVERIFY(dir.writeFile("add.txt", "added"));
    QCOMPARE(writeLzh(dir.filePath("old.lzh"),
                      {{dir.filePath("one.txt"), QString::fromUtf8("d/ソ.txt"), false},
                       {dir.filePath("add.txt"), "add.txt", false}}),
             0);
    const QByteArray after = readAll(joined(dir, "old.lzh"));
    QVERIFY(after.startsWith(replaced ? first : first + second));
    QCOMPARE(after.count("\x83\x5c.txt"), 1);
    QCOMPARE(after.contains("old one"), !replaced);
    QCOMPARE(after.contains("new one"), replaced);
    if (!haveTool("lha"))
        QSKIP("lha (package lhasa) is not installed");
    QVERIFY(dir.makeFolder("x"));
    const ToolRun t = run("lha", {"x", dir.filePath("old.lzh")}, dir.filePath("x"));
    QVERIFY2(t.exitCode == 0, t.output.constData());
    QCOMPARE(readAll(joined(dir, "x/keep.txt")), QByteArray("kept as it was"));
    QCOMPARE(readAll(joined(dir, "x/add.txt")), QByteArray("added"));
}

void LzhWriterTest::fullDisk_data()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("new archive") << false;
    QTest::newRow("archive being updated") << true;
}

// A full disk is reported as such; the old archive stays and no partial
// file is left behind.
void LzhWriterTest::fullDisk()
{
    QFETCH(bool, existing);
    TempDir dir;
    QVERIFY(dir.makeFolder("vol"));
    QVERIFY(dir.writeFile("big.bin", randomBytes(1 << 20, 21)));
    QVERIFY(dir.writeFile("small.txt", "small"));
    const QByteArray vol = dir.pathBytes() + "/vol";
    const QString big = dir.filePath("big.bin");
    const QString small = dir.filePath("small.txt");
    const int status = runWithOwnMounts([&] {
        if (::mount("tovane-test", vol.constData(), "tmpfs", 0, "size=256k,mode=0755") != 0)
            ::_exit(ChildSkipped);
        const QString archive = QString::fromUtf8(vol + "/a.lzh");
        QByteArray before;
        if (existing) {
            QCOMPARE(writeLzh(archive, {{small, "small.txt", false}}), 0);
            before = readAll(vol + "/a.lzh");
        }
        QCOMPARE(writeLzh(archive, {{big, "big.bin", false}}), ENOSPC);
        QCOMPARE(entries(vol), existing ? QList<QByteArray>{"a.lzh"} : QList<QByteArray>{});
        if (existing)
            QCOMPARE(readAll(vol + "/a.lzh"), before);
    });
    if (status == ChildSkipped)
        QSKIP("no private mount namespace here (needs root or user namespaces)");
    QCOMPARE(status, 0);
}

QTEST_GUILESS_MAIN(LzhWriterTest)
#include "tst_lzhwriter.moc"
