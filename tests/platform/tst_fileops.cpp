#include "platform/fileops.h"
#include "platform/filesystem.h"
#include "platform/names.h"
#include "support/asuser.h"
#include "support/tempdir.h"

#include <QElapsedTimer>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace tovane;
using namespace tovane::platform;
using tovane::test::asUnprivileged;
using tovane::test::entries;
using tovane::test::readAll;
using tovane::test::TempDir;
using tovane::test::writeBytes;

namespace {

QString p(const QByteArray& bytes)
{
    return pathFromBytes(bytes);
}

QByteArray pattern(qsizetype size, int seed = 1)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 x = quint32(seed) * 2654435761u;
    for (qsizetype i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        data[i] = char(x >> 16);
    }
    return data;
}

ino_t inodeOf(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 ? st.st_ino : 0;
}

bool hasTemporaries(const QByteArray& folder)
{
    const QList<QByteArray> names = entries(folder);
    return std::any_of(names.begin(), names.end(),
                       [](const QByteArray& n) { return n.startsWith(".tovane-"); });
}

// A readable picture of a tree: path, type, mode and content or link target.
void describeTree(const QByteArray& root, const QByteArray& relative, QStringList& out)
{
    for (const QByteArray& name : entries(root + relative)) {
        const QByteArray rel = relative + '/' + name;
        struct stat st;
        ::lstat((root + rel).constData(), &st);
        QString line = QString::fromLatin1(rel.toPercentEncoding("/")) + QLatin1Char(' ') +
                       QString::number(st.st_mode, 8);
        if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink((root + rel).constData(), target, sizeof target);
            line += QLatin1String(" -> ") + QString::fromLatin1(QByteArray(target, int(n)));
        } else if (S_ISREG(st.st_mode)) {
            line += QLatin1Char(' ') + QString::number(qHash(readAll(root + rel)));
        }
        if (!S_ISLNK(st.st_mode))
            line += QLatin1Char(' ') + QString::number(st.st_mtim.tv_sec);
        out.append(line);
        if (S_ISDIR(st.st_mode))
            describeTree(root, rel, out);
    }
}

QStringList tree(const QByteArray& root)
{
    QStringList out;
    describeTree(root, QByteArray(), out);
    return out;
}

bool setMtime(const QByteArray& path, qint64 seconds, long nanoseconds = 0)
{
    const timespec times[2] = {{seconds - 100, 0}, {seconds, nanoseconds}};
    return ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

// Builds a small tree with a nested read-only folder, a link and odd names.
void buildTree(const QByteArray& root)
{
    QVERIFY(::mkdir(root.constData(), 0750) == 0);
    QVERIFY(writeBytes(root + "/a.txt", "alpha"));
    QVERIFY(writeBytes(root + "/big.bin", pattern(2500000, 7)));
    QVERIFY(::mkdir((root + "/sub").constData(), 0755) == 0);
    QVERIFY(writeBytes(root + "/sub/caf\xe9 \n.txt", "odd"));
    QVERIFY(::symlink("../a.txt", (root + "/sub/link").constData()) == 0);
    QVERIFY(::mkdir((root + "/sub/empty").constData(), 0700) == 0);
    QVERIFY(::mkdir((root + "/ro").constData(), 0755) == 0);
    QVERIFY(writeBytes(root + "/ro/inside", "x"));
    QVERIFY(::chmod((root + "/ro/inside").constData(), 0400) == 0);
    QVERIFY(setMtime(root + "/sub/empty", 1000000000));
    QVERIFY(setMtime(root + "/sub", 1100000000));
    QVERIFY(::chmod((root + "/ro").constData(), 0555) == 0);
    QVERIFY(setMtime(root + "/ro", 1200000000));
    QVERIFY(setMtime(root, 1300000000));
}

struct Call {
    quint64 done;
    quint64 total;
};

QByteArray xattrValue(const QByteArray& path, const char* name)
{
    char buf[256];
    const ssize_t n = ::lgetxattr(path.constData(), name, buf, sizeof buf);
    return n < 0 ? QByteArray("<none>") : QByteArray(buf, int(n));
}

// What a copy left at `path`: type, mode, size, times, xattrs and content.
QString copyPicture(const QByteArray& path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return QStringLiteral("<missing>");
    QString out = QString::number(st.st_mode, 8) + QLatin1Char(' ') + QString::number(st.st_size);
    if (S_ISLNK(st.st_mode)) {
        char target[256];
        const ssize_t n = ::readlink(path.constData(), target, sizeof target);
        return out + QLatin1String(" -> ") + QString::fromLatin1(QByteArray(target, int(n)));
    }
    if (!S_ISREG(st.st_mode))
        return out;
    out += QStringLiteral(" %1.%2 %3.%4")
               .arg(st.st_mtim.tv_sec)
               .arg(st.st_mtim.tv_nsec)
               .arg(st.st_atim.tv_sec)
               .arg(st.st_atim.tv_nsec);
    out += QLatin1Char(' ') + QString::fromLatin1(xattrValue(path, "user.note"));
    return out + QLatin1Char(' ') + QString::number(qHash(readAll(path)));
}

// The umask for one scope; FolderPair reads it when it opens.
struct UmaskScope {
    explicit UmaskScope(mode_t mask) : saved(::umask(mask)) {}
    ~UmaskScope() { ::umask(saved); }
    mode_t saved;
};

// A default ACL of user rw-, group r--, other ---: new files get those bits
// instead of the umask's.
bool setNarrowDefaultAcl(const QByteArray& folder)
{
    struct Entry {
        quint16 tag, perm;
        quint32 id;
    };
    struct {
        quint32 version = 2;
        Entry entries[3] = {{0x01, 6, 0xffffffffu}, {0x04, 4, 0xffffffffu}, {0x20, 0, 0xffffffffu}};
    } acl;
    return ::setxattr(folder.constData(), "system.posix_acl_default", &acl, sizeof acl, 0) == 0;
}

// Unnamed temporary files off for one scope.
struct NamedTemporaries {
    explicit NamedTemporaries(bool named) { detail::setUnnamedTemporaries(!named); }
    ~NamedTemporaries() { detail::setUnnamedTemporaries(true); }
};

} // namespace

class FileOpsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void copiesContent_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::newRow("empty") << qsizetype(0);
        QTest::newRow("one byte") << qsizetype(1);
        QTest::newRow("small") << qsizetype(4000);
        QTest::newRow("one chunk") << qsizetype(1 << 20);
        QTest::newRow("chunk plus one") << qsizetype((1 << 20) + 1);
        QTest::newRow("3 MiB") << qsizetype(3 << 20);
    }
    void copiesContent()
    {
        QFETCH(qsizetype, size);
        TempDir dir;
        const QByteArray data = pattern(size);
        QVERIFY(dir.writeFile("src", data));
        QList<Call> calls;
        const int r = copyFile(dir.filePath("src"), dir.filePath("dst"), {},
                               [&](quint64 done, quint64 total) {
                                   calls.append({done, total});
                                   return 0;
                               });
        QCOMPARE(r, 0);
        QCOMPARE(readAll(dir.pathBytes() + "/dst"), data);
        QVERIFY(!hasTemporaries(dir.pathBytes()));

        QVERIFY(!calls.isEmpty());
        QCOMPARE(calls.first().done, quint64(0));
        for (int i = 0; i < calls.size(); ++i) {
            QCOMPARE(calls.at(i).total, quint64(size));
            if (i > 0)
                QVERIFY(calls.at(i).done > calls.at(i - 1).done);
            QVERIFY(calls.at(i).done - (i ? calls.at(i - 1).done : 0) <= quint64(1 << 20) ||
                    calls.size() == 2); // a clone reports everything at once
        }
        QCOMPARE(calls.last().done, quint64(size));
        if (size > 0)
            QVERIFY(calls.size() >= 2);
    }

    void abortLeavesTargetUntouched_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("abortAtCall");
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("cancel before data") << ECANCELED << 1 << true;
        QTest::newRow("cancel halfway, new target") << ECANCELED << 2 << false;
        QTest::newRow("cancel halfway, old target") << ECANCELED << 2 << true;
        QTest::newRow("disk full halfway") << ENOSPC << 2 << true;
        QTest::newRow("disk full at the end") << ENOSPC << 4 << true;
    }
    void abortLeavesTargetUntouched()
    {
        QFETCH(int, error);
        QFETCH(int, abortAtCall);
        QFETCH(bool, targetExists);
        TempDir dir;
        QVERIFY(dir.writeFile("src", pattern(3 << 20)));
        const QByteArray old = "old contents";
        if (targetExists)
            QVERIFY(dir.writeFile("dst", old));
        CopyOptions options;
        options.replaceExisting = true;
        int calls = 0;
        const int r =
            copyFile(dir.filePath("src"), dir.filePath("dst"), options,
                     [&](quint64, quint64) { return ++calls >= abortAtCall ? error : 0; });
        QCOMPARE(r, error);
        QVERIFY(!hasTemporaries(dir.pathBytes()));
        QCOMPARE(readAll(dir.pathBytes() + "/dst"), targetExists ? old : QByteArray("<missing>"));
    }

    void existingTarget_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::addColumn<int>("expected");
        QTest::newRow("keep") << false << EEXIST;
        QTest::newRow("replace") << true << 0;
    }
    void existingTarget()
    {
        QFETCH(bool, replace);
        QFETCH(int, expected);
        TempDir dir;
        QVERIFY(dir.writeFile("src", "new"));
        QVERIFY(dir.writeFile("dst", "old"));
        CopyOptions options;
        options.replaceExisting = replace;
        QCOMPARE(copyFile(dir.filePath("src"), dir.filePath("dst"), options), expected);
        QCOMPARE(readAll(dir.pathBytes() + "/dst"), QByteArray(replace ? "new" : "old"));
        QVERIFY(!hasTemporaries(dir.pathBytes()));
    }

    void metadata_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("attributes");
        QTest::addColumn<bool>("times");
        QTest::newRow("read-only, all") << 0444 << true << true;
        QTest::newRow("executable, all") << 0751 << true << true;
        QTest::newRow("private, no times") << 0600 << true << false;
        QTest::newRow("no attributes") << 0751 << false << true;
    }
    void metadata()
    {
        QFETCH(int, mode);
        QFETCH(bool, attributes);
        QFETCH(bool, times);
        TempDir dir;
        const QByteArray src = dir.pathBytes() + "/src";
        QVERIFY(dir.writeFile("src", "data"));
        QVERIFY(::chmod(src.constData(), mode_t(mode)) == 0);
        const timespec set[2] = {{1500000000, 123456789}, {1400000000, 987654321}};
        QVERIFY(::utimensat(AT_FDCWD, src.constData(), set, 0) == 0);

        CopyOptions options;
        options.copyAttributes = attributes;
        options.copyTimes = times;
        QCOMPARE(copyFile(dir.filePath("src"), dir.filePath("dst"), options), 0);
        struct stat st;
        QVERIFY(::stat((dir.pathBytes() + "/dst").constData(), &st) == 0);
        if (attributes) {
            QCOMPARE(int(st.st_mode & 07777), mode);
        } else {
            const mode_t mask = ::umask(022);
            ::umask(mask);
            QCOMPARE(int(st.st_mode & 07777), int(0666 & ~mask));
        }
        if (times) {
            QCOMPARE(qint64(st.st_mtim.tv_sec), qint64(1400000000));
            QCOMPARE(qint64(st.st_mtim.tv_nsec), qint64(987654321));
            QCOMPARE(qint64(st.st_atim.tv_sec), qint64(1500000000));
        } else {
            QVERIFY(qint64(st.st_mtim.tv_sec) > qint64(1400000000));
        }
    }

    void copiesUserXattrs()
    {
        TempDir dir;
        const QByteArray src = dir.pathBytes() + "/src";
        QVERIFY(dir.writeFile("src", "data"));
        const QByteArray value("0x22\0binary\xff", 12);
        if (::setxattr(src.constData(), "user.DOSATTRIB", value.constData(), size_t(value.size()),
                       0) != 0)
            QSKIP("the temporary folder's file system keeps no user.* xattrs");
        QVERIFY(::setxattr(src.constData(), "user.empty", "", 0, 0) == 0);
        QCOMPARE(copyFile(dir.filePath("src"), dir.filePath("dst")), 0);
        const QByteArray dst = dir.pathBytes() + "/dst";
        char buf[64];
        const ssize_t n = ::getxattr(dst.constData(), "user.DOSATTRIB", buf, sizeof buf);
        QCOMPARE(QByteArray(buf, int(n)), value);
        QCOMPARE(int(::getxattr(dst.constData(), "user.empty", buf, sizeof buf)), 0);

        // Without attributes nothing of the store travels along.
        CopyOptions plain;
        plain.copyAttributes = false;
        QCOMPARE(copyFile(dir.filePath("src"), dir.filePath("plain"), plain), 0);
        QCOMPARE(int(::getxattr((dir.pathBytes() + "/plain").constData(), "user.DOSATTRIB", buf,
                                sizeof buf)),
                 -1);
    }

    void storeSurvivesReadOnlyCopy_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<uint>("attributes");
        QTest::addColumn<bool>("unprivileged");
        const uint rsa = AttrReadOnly | AttrSystem | AttrArchive;
        QTest::newRow("read-only file, S and A") << false << rsa << false;
        QTest::newRow("read-only file, S and A, as nobody") << false << rsa << true;
        QTest::newRow("read-only hidden file, as nobody")
            << false << uint(AttrReadOnly | AttrHidden) << true;
        QTest::newRow("writable file, S, as nobody") << false << uint(AttrSystem) << true;
        QTest::newRow("read-only folder moved by copy, as nobody")
            << true << uint(AttrSystem | AttrArchive) << true;
    }
    void storeSurvivesReadOnlyCopy()
    {
        QFETCH(bool, folder);
        QFETCH(uint, attributes);
        QFETCH(bool, unprivileged);
        TempDir dir;
        const QByteArray probe = dir.pathBytes() + "/probe";
        QVERIFY(dir.writeFile("probe", ""));
        if (::setxattr(probe.constData(), "user.probe", "1", 1, 0) != 0)
            QSKIP("the temporary folder's file system keeps no user.* xattrs");
        // Everyone may create entries here, so that "nobody" can do the copy.
        QVERIFY(::chmod(dir.pathBytes().constData(), 0777) == 0);

        const QString src = dir.filePath("src");
        const QString dst = dir.filePath("dst");
        const QByteArray srcBytes = dir.pathBytes() + "/src";
        const auto body = [&]() -> int {
            if (folder ? ::mkdir(srcBytes.constData(), 0755) != 0
                       : !writeBytes(srcBytes, "payload"))
                return 101;
            if (::setxattr(srcBytes.constData(), "user.note", "kept", 4, 0) != 0)
                return 102;
            if (setAttributes(src, attributes) != 0)
                return 103;
            if (folder && ::chmod(srcBytes.constData(), 0555) != 0)
                return 104;
            return folder ? detail::moveByCopy(src, dst) : copyFile(src, dst);
        };
        QCOMPARE(unprivileged ? asUnprivileged(body) : body(), 0);

        const QByteArray dstBytes = dir.pathBytes() + "/dst";
        quint32 copied = 0;
        QCOMPARE(getAttributes(dst, copied), 0);
        QCOMPARE(copied, attributes | (folder ? uint(AttrDirectory) : 0u));
        QCOMPARE(xattrValue(dstBytes, "user.note"), QByteArray("kept"));
        // The permission bits still come across, after the xattrs.
        struct stat st, source;
        QVERIFY(::lstat(dstBytes.constData(), &st) == 0);
        if (folder) {
            QCOMPARE(int(st.st_mode & 07777), 0555);
            QVERIFY(::lstat(srcBytes.constData(), &source) != 0);
        } else {
            QVERIFY(::lstat(srcBytes.constData(), &source) == 0);
            QCOMPARE(int(st.st_mode & 07777), int(source.st_mode & 07777));
            QCOMPARE(bool(st.st_mode & 0222), !(attributes & AttrReadOnly));
        }
    }

    void sparseFileStaysSparse()
    {
        TempDir dir;
        const QByteArray src = dir.pathBytes() + "/sparse";
        const qint64 size = qint64(5) << 30;
        const int fd = ::open(src.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        QVERIFY(fd >= 0);
        QVERIFY(::pwrite(fd, "head", 4, 0) == 4);
        QVERIFY(::pwrite(fd, "middle", 6, qint64(3) << 30) == 6);
        QVERIFY(::pwrite(fd, "tail", 4, size - 4) == 4);
        ::close(fd);

        QElapsedTimer timer;
        timer.start();
        int calls = 0;
        QCOMPARE(copyFile(dir.filePath("sparse"), dir.filePath("copy"), {},
                          [&](quint64, quint64) {
                              ++calls;
                              return 0;
                          }),
                 0);
        QVERIFY2(timer.elapsed() < 30000, "a sparse file must not be copied byte by byte");
        QVERIFY(calls < 100);

        struct stat st;
        QVERIFY(::stat((dir.pathBytes() + "/copy").constData(), &st) == 0);
        QCOMPARE(qint64(st.st_size), size);
        QVERIFY2(qint64(st.st_blocks) * 512 < (qint64(64) << 20), "holes were filled");
        const int in = ::open((dir.pathBytes() + "/copy").constData(), O_RDONLY | O_CLOEXEC);
        char buf[8] = {};
        QCOMPARE(int(::pread(in, buf, 4, 0)), 4);
        QCOMPARE(QByteArray(buf, 4), QByteArray("head"));
        QCOMPARE(int(::pread(in, buf, 6, qint64(3) << 30)), 6);
        QCOMPARE(QByteArray(buf, 6), QByteArray("middle"));
        QCOMPARE(int(::pread(in, buf, 8, (qint64(3) << 30) - 8)), 8);
        QCOMPARE(QByteArray(buf, 8), QByteArray(8, '\0'));
        QCOMPARE(int(::pread(in, buf, 4, size - 4)), 4);
        QCOMPARE(QByteArray(buf, 4), QByteArray("tail"));
        ::close(in);
    }

    void copiesLinksAsLinks_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("relative to a file") << QByteArray("file");
        QTest::newRow("dangling") << QByteArray("no/such/thing");
        QTest::newRow("to a folder") << QByteArray("/");
        QTest::newRow("odd bytes") << QByteArray("caf\xe9\n \xff");
    }
    void copiesLinksAsLinks()
    {
        QFETCH(QByteArray, target);
        TempDir dir;
        QVERIFY(dir.writeFile("file", "content"));
        QVERIFY(::symlink(target.constData(), (dir.pathBytes() + "/link").constData()) == 0);
        QCOMPARE(copyFile(dir.filePath("link"), dir.filePath("copy")), 0);
        struct stat st;
        QVERIFY(::lstat((dir.pathBytes() + "/copy").constData(), &st) == 0);
        QVERIFY(S_ISLNK(st.st_mode));
        char buf[256];
        const ssize_t n = ::readlink((dir.pathBytes() + "/copy").constData(), buf, sizeof buf);
        QCOMPARE(QByteArray(buf, int(n)), target);
        QCOMPARE(copyFile(dir.filePath("link"), dir.filePath("copy")), EEXIST);
        QVERIFY(!hasTemporaries(dir.pathBytes()));
    }

    void byteNames_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::newRow("latin1 to utf8") << QByteArray("caf\xe9") << QByteArray("caf\xc3\xa9");
        QTest::newRow("high bytes") << QByteArray("\xff\xfe") << QByteArray("\xfe\xff");
        QTest::newRow("space and newline") << QByteArray(" a\nb ") << QByteArray("a\tb");
        QTest::newRow("escape lookalike") << QByteArray("\xed\xb2\x80") << QByteArray("\x80");
    }
    void byteNames()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        TempDir dir;
        QVERIFY(dir.writeFile(from, "payload"));
        const QString source = p(dir.pathBytes() + '/' + from);
        const QString copy = p(dir.pathBytes() + '/' + to);
        QCOMPARE(copyFile(source, copy), 0);
        QCOMPARE(readAll(dir.pathBytes() + '/' + to), QByteArray("payload"));
        QVERIFY(dir.makeFolder("moved"));
        QCOMPARE(moveItem(copy, p(dir.pathBytes() + "/moved/" + to)), 0);
        QCOMPARE(detail::moveByCopy(source, p(dir.pathBytes() + "/moved/" + from)), 0);
        QList<QByteArray> expected{from, to};
        std::sort(expected.begin(), expected.end());
        QCOMPARE(entries(dir.pathBytes() + "/moved"), expected);
        QCOMPARE(entries(dir.pathBytes()), QList<QByteArray>{"moved"});
    }

    void refusedSources_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<QByteArray>("destination");
        QTest::addColumn<int>("expected");
        QTest::newRow("folder") << QByteArray("folder") << QByteArray("copy") << EINVAL;
        QTest::newRow("fifo") << QByteArray("fifo") << QByteArray("copy") << EINVAL;
        QTest::newRow("missing source") << QByteArray("none") << QByteArray("copy") << ENOENT;
        QTest::newRow("missing folder") << QByteArray("file") << QByteArray("no/copy") << ENOENT;
        QTest::newRow("folder is a file")
            << QByteArray("file") << QByteArray("file/copy") << ENOTDIR;
    }
    void refusedSources()
    {
        QFETCH(QByteArray, kind);
        QFETCH(QByteArray, destination);
        QFETCH(int, expected);
        TempDir dir;
        const QByteArray src = dir.pathBytes() + "/src";
        if (kind == "folder")
            QVERIFY(::mkdir(src.constData(), 0755) == 0);
        else if (kind == "fifo")
            QVERIFY(::mkfifo(src.constData(), 0644) == 0);
        else if (kind == "file")
            QVERIFY(dir.writeFile("src", "x"));
        if (destination.startsWith("file/"))
            QVERIFY(dir.writeFile("file", "x"));
        QCOMPARE(copyFile(dir.filePath("src"), p(dir.pathBytes() + '/' + destination)), expected);
        QVERIFY(!hasTemporaries(dir.pathBytes()));
    }

    void moveOnOneVolume_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<int>("expected");
        QTest::newRow("file") << false << false << false << 0;
        QTest::newRow("file onto file") << false << true << false << EEXIST;
        QTest::newRow("file replacing") << false << true << true << 0;
        QTest::newRow("folder") << true << false << false << 0;
        QTest::newRow("folder onto folder") << true << true << false << EEXIST;
    }
    void moveOnOneVolume()
    {
        QFETCH(bool, folder);
        QFETCH(bool, targetExists);
        QFETCH(bool, replace);
        QFETCH(int, expected);
        TempDir dir;
        const QByteArray src = dir.pathBytes() + "/src";
        const QByteArray dst = dir.pathBytes() + "/dst";
        if (folder) {
            buildTree(src);
            if (targetExists)
                QVERIFY(::mkdir(dst.constData(), 0755) == 0);
        } else {
            QVERIFY(dir.writeFile("src", "new"));
            if (targetExists)
                QVERIFY(dir.writeFile("dst", "old"));
        }
        const QStringList before = folder ? tree(src) : QStringList{};
        struct stat st;
        ::lstat(src.constData(), &st);
        CopyOptions options;
        options.replaceExisting = replace;
        QCOMPARE(moveItem(dir.filePath("src"), dir.filePath("dst"), options), expected);
        if (expected != 0) {
            QVERIFY(::access(src.constData(), F_OK) == 0);
            return;
        }
        QVERIFY(::access(src.constData(), F_OK) != 0);
        struct stat moved;
        ::lstat(dst.constData(), &moved);
        QCOMPARE(moved.st_ino, st.st_ino); // a rename, not a copy
        if (folder)
            QCOMPARE(tree(dst), before);
        else
            QCOMPARE(readAll(dst), QByteArray("new"));
    }

    void moveOntoSameFile_data()
    {
        // The folder holds a, its hard links "hard", "A" and "other/hard",
        // b, and "alias", a link to the folder itself.
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("sourceGone");
        QTest::newRow("onto a hard link")
            << QByteArray("a") << QByteArray("hard") << false << EEXIST << false;
        QTest::newRow("onto a hard link, replacing")
            << QByteArray("a") << QByteArray("hard") << true << 0 << true;
        QTest::newRow("onto a hard link in another folder, replacing")
            << QByteArray("a") << QByteArray("other/hard") << true << 0 << true;
        QTest::newRow("onto a hard link differing in case, replacing")
            << QByteArray("a") << QByteArray("A") << true << 0 << true;
        QTest::newRow("onto itself")
            << QByteArray("a") << QByteArray("a") << false << EEXIST << false;
        QTest::newRow("onto itself, replacing")
            << QByteArray("a") << QByteArray("a") << true << 0 << false;
        QTest::newRow("onto itself by a roundabout path, replacing")
            << QByteArray("a") << QByteArray("other/../a") << true << 0 << false;
        QTest::newRow("onto itself through a folder link, replacing")
            << QByteArray("a") << QByteArray("alias/a") << true << 0 << false;
    }
    void moveOntoSameFile()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(bool, replace);
        QFETCH(int, expected);
        QFETCH(bool, sourceGone);
        TempDir dir;
        const QByteArray base = dir.pathBytes() + '/';
        QVERIFY(dir.writeFile("a", "A"));
        QVERIFY(dir.writeFile("b", "B"));
        QVERIFY(dir.makeFolder("other"));
        for (const char* link : {"hard", "A", "other/hard"})
            QVERIFY(::link((base + "a").constData(), (base + link).constData()) == 0);
        QVERIFY(::symlink(".", (base + "alias").constData()) == 0);
        struct stat before;
        QVERIFY(::lstat((base + "a").constData(), &before) == 0);

        CopyOptions options;
        options.replaceExisting = replace;
        QCOMPARE(moveItem(p(base + from), p(base + to), options), expected);

        struct stat st;
        QCOMPARE(::lstat((base + from).constData(), &st) != 0, sourceGone);
        // The data is never lost: the destination is still the same file.
        QVERIFY(::lstat((base + to).constData(), &st) == 0);
        QCOMPARE(st.st_ino, before.st_ino);
        QCOMPARE(readAll(base + to), QByteArray("A"));
        QCOMPARE(int(st.st_nlink), int(before.st_nlink) - (sourceGone ? 1 : 0));
        QCOMPARE(readAll(base + "b"), QByteArray("B"));
    }

    void moveByCopyTakesEverything()
    {
        TempDir dir;
        const QByteArray src = dir.pathBytes() + "/src";
        buildTree(src);
        QVERIFY(::mkfifo((src + "/pipe").constData(), 0640) == 0);
        const QStringList before = tree(src);
        struct stat rootBefore;
        ::lstat(src.constData(), &rootBefore);
        QVERIFY(dir.makeFolder("target"));
        QCOMPARE(detail::moveByCopy(dir.filePath("src"), dir.filePath("target/moved")), 0);
        QVERIFY(::access(src.constData(), F_OK) != 0);
        const QByteArray moved = dir.pathBytes() + "/target/moved";
        QCOMPARE(tree(moved), before);
        struct stat rootAfter;
        ::lstat(moved.constData(), &rootAfter);
        QCOMPARE(int(rootAfter.st_mode), int(rootBefore.st_mode));
        QCOMPARE(qint64(rootAfter.st_mtim.tv_sec), qint64(rootBefore.st_mtim.tv_sec));
        QCOMPARE(entries(dir.pathBytes() + "/target"), QList<QByteArray>{"moved"});
    }

    void moveByCopyOfFiles_data()
    {
        QTest::addColumn<bool>("link");
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<int>("expected");
        QTest::newRow("file") << false << false << false << 0;
        QTest::newRow("link") << true << false << false << 0;
        QTest::newRow("file onto file") << false << true << false << EEXIST;
        QTest::newRow("file replacing") << false << true << true << 0;
    }
    void moveByCopyOfFiles()
    {
        QFETCH(bool, link);
        QFETCH(bool, targetExists);
        QFETCH(bool, replace);
        QFETCH(int, expected);
        TempDir dir;
        const QByteArray src = dir.pathBytes() + "/src";
        if (link)
            QVERIFY(::symlink("elsewhere", src.constData()) == 0);
        else
            QVERIFY(dir.writeFile("src", "payload"));
        if (targetExists)
            QVERIFY(dir.writeFile("dst", "old"));
        CopyOptions options;
        options.replaceExisting = replace;
        QCOMPARE(detail::moveByCopy(dir.filePath("src"), dir.filePath("dst"), options), expected);
        struct stat st;
        QCOMPARE(::lstat(src.constData(), &st) == 0, expected != 0);
        const QByteArray dst = dir.pathBytes() + "/dst";
        if (expected != 0)
            QCOMPARE(readAll(dst), QByteArray("old"));
        else if (link)
            QVERIFY(::lstat(dst.constData(), &st) == 0 && S_ISLNK(st.st_mode));
        else
            QCOMPARE(readAll(dst), QByteArray("payload"));
        QVERIFY(!hasTemporaries(dir.pathBytes()));
    }

    void interruptedFolderMoveKeepsSource_data()
    {
        QTest::addColumn<int>("abortAtCall");
        QTest::addColumn<int>("error");
        QTest::newRow("at once") << 1 << ECANCELED;
        QTest::newRow("in the first file") << 3 << ECANCELED;
        QTest::newRow("inside the big file") << 6 << ENOSPC;
        QTest::newRow("late") << 12 << ECANCELED;
    }
    void interruptedFolderMoveKeepsSource()
    {
        QFETCH(int, abortAtCall);
        QFETCH(int, error);
        TempDir dir;
        const QByteArray src = dir.pathBytes() + "/src";
        buildTree(src);
        const QStringList before = tree(src);
        QVERIFY(dir.makeFolder("target"));
        int calls = 0;
        const int r = detail::moveByCopy(
            dir.filePath("src"), dir.filePath("target/moved"), {},
            [&](quint64, quint64) { return ++calls >= abortAtCall ? error : 0; });
        QCOMPARE(r, error);
        QCOMPARE(tree(src), before);
        QCOMPARE(entries(dir.pathBytes() + "/target"), QList<QByteArray>{});
    }

    void folderMoveLeavesNewEntries()
    {
        // Something written into the source while the copy runs was never
        // copied, so it must not be removed with the source.
        TempDir dir;
        const QByteArray src = dir.pathBytes() + "/src";
        buildTree(src);
        QVERIFY(dir.makeFolder("target"));
        int calls = 0;
        const int r = detail::moveByCopy(dir.filePath("src"), dir.filePath("target/moved"), {},
                                         [&](quint64, quint64) {
                                             if (++calls == 3)
                                                 writeBytes(src + "/late.txt", "late");
                                             return 0;
                                         });
        QCOMPARE(r, ENOTEMPTY);
        QCOMPARE(readAll(src + "/late.txt"), QByteArray("late"));
        QCOMPARE(entries(src), QList<QByteArray>{"late.txt"});
        QCOMPARE(readAll(dir.pathBytes() + "/target/moved/a.txt"), QByteArray("alpha"));
    }

    // Copies between an open folder pair end as path copies do, along both
    // ways a new file can grow (unnamed, or under a temporary name).
    void folderPairAgreesWithPaths_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<bool>("listedAsFile");
        QTest::addColumn<bool>("named");
        QTest::addColumn<int>("expected");
        for (bool named : {false, true}) {
            const char* way = named ? ", temporary name" : ", unnamed";
            const auto row = [&](const char* what) -> QTestData& {
                return QTest::newRow(qPrintable(QString::fromLatin1(what) + QLatin1String(way)));
            };
            row("new file") << QByteArray("file") << 0644 << false << false << true << named << 0;
            row("read-only file") << QByteArray("file") << 0444 << false << false << true << named
                                  << 0;
            row("executable, group writable")
                << QByteArray("file") << 0775 << false << false << true << named << 0;
            row("set-gid file") << QByteArray("file") << 02755 << false << false << true << named
                                << 0;
            row("file with xattr")
                << QByteArray("xattr") << 0640 << false << false << true << named << 0;
            row("empty file") << QByteArray("empty") << 0600 << false << false << true << named
                              << 0;
            row("large file") << QByteArray("large") << 0644 << false << false << true << named
                              << 0;
            row("not listed as a file")
                << QByteArray("file") << 0644 << false << false << false << named << 0;
            row("link listed as a file")
                << QByteArray("link") << 0777 << false << false << true << named << 0;
            row("link") << QByteArray("link") << 0777 << false << false << false << named << 0;
            row("taken name, no replace")
                << QByteArray("file") << 0644 << true << false << true << named << EEXIST;
            row("taken large name, no replace")
                << QByteArray("large") << 0644 << true << false << true << named << EEXIST;
            row("taken name, replace")
                << QByteArray("file") << 0644 << true << true << true << named << 0;
            row("taken by a folder, no replace")
                << QByteArray("folder target") << 0644 << true << false << true << named << EEXIST;
            row("fifo listed as a file")
                << QByteArray("fifo") << 0644 << false << false << true << named << EINVAL;
            row("missing source") << QByteArray("none") << 0644 << false << false << true << named
                                  << ENOENT;
        }
    }
    void folderPairAgreesWithPaths()
    {
        QFETCH(QByteArray, kind);
        QFETCH(int, mode);
        QFETCH(bool, targetExists);
        QFETCH(bool, replace);
        QFETCH(bool, listedAsFile);
        QFETCH(bool, named);
        QFETCH(int, expected);
        TempDir dir;
        QVERIFY(dir.makeFolder("src") && dir.makeFolder("byPath") && dir.makeFolder("byPair"));
        const QByteArray src = dir.pathBytes() + "/src/item";
        if (kind == "link") {
            QVERIFY(dir.writeFile("src/file", "linked"));
            QVERIFY(::symlink("file", src.constData()) == 0);
        } else if (kind == "fifo") {
            QVERIFY(::mkfifo(src.constData(), 0644) == 0);
        } else if (kind != "none") {
            const QByteArray data = kind == "empty"   ? QByteArray()
                                    : kind == "large" ? pattern((1 << 20) + 5, 3)
                                                      : QByteArray("payload");
            QVERIFY(dir.writeFile("src/item", data));
            if (kind == "xattr" && ::setxattr(src.constData(), "user.note", "kept", 4, 0) != 0)
                QSKIP("the temporary folder's file system keeps no user.* xattrs");
            QVERIFY(::chmod(src.constData(), mode_t(mode)) == 0);
        }
        // Each read moves the atime on (relatime after a ctime change): the
        // times are set again before every copy.
        const auto stamp = [&] {
            const timespec times[2] = {{1500000000, 123456789}, {1400000000, 987654321}};
            return kind == "none" || kind == "link" ||
                   ::utimensat(AT_FDCWD, src.constData(), times, 0) == 0;
        };
        for (const char* folder : {"byPath", "byPair"}) {
            const QByteArray target = dir.pathBytes() + '/' + folder + "/copy";
            if (kind == "folder target")
                QVERIFY(::mkdir(target.constData(), 0755) == 0);
            else if (targetExists)
                QVERIFY(writeBytes(target, "old"));
            // Both old targets alike, whatever clock tick each was written in.
            const timespec old[2] = {{1300000000, 0}, {1300000000, 0}};
            if (targetExists && kind != "folder target")
                QVERIFY(::utimensat(AT_FDCWD, target.constData(), old, 0) == 0);
        }

        NamedTemporaries way(named);
        CopyOptions options;
        options.replaceExisting = replace;
        QVERIFY(stamp());
        QCOMPARE(copyFile(dir.filePath("src/item"), dir.filePath("byPath/copy"), options),
                 expected);
        QVERIFY(stamp());
        FolderPair pair;
        QCOMPARE(pair.open(dir.filePath("src"), dir.filePath("byPair")), 0);
        QVERIFY(pair.isOpen());
        QCOMPARE(pair.copyFile(QStringLiteral("item"), QStringLiteral("copy"), options, {},
                               listedAsFile),
                 expected);

        const QByteArray byPath = dir.pathBytes() + "/byPath/copy";
        const QByteArray byPair = dir.pathBytes() + "/byPair/copy";
        // Reading a copy moves its atime: one picture of each.
        const QString picture = copyPicture(byPair);
        QCOMPARE(picture, copyPicture(byPath));
        if (expected == 0 && kind != "link")
            QVERIFY2(picture.contains(QLatin1String(" 1400000000.987654321 1500000000.123456789 ")),
                     qPrintable(picture));
        if (expected == 0)
            QCOMPARE(picture.section(' ', 0, 0).toInt(nullptr, 8) & 07777, mode);
        if (targetExists && expected != 0 && kind != "folder target")
            QCOMPARE(readAll(byPair), QByteArray("old"));
        QVERIFY(!hasTemporaries(dir.pathBytes() + "/byPair"));
        QVERIFY(!hasTemporaries(dir.pathBytes() + "/byPath"));
    }

    // The mode a new file is made with is only trusted where the folder
    // gives it as asked: a different umask or a default ACL still ends
    // with the source's bits (or 0666 minus the umask without attributes).
    void modesUnderUmaskAndAcl_data()
    {
        QTest::addColumn<int>("umask");
        QTest::addColumn<bool>("acl");
        QTest::addColumn<bool>("attributes");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("expected");
        QTest::newRow("umask 077, attributes") << 077 << false << true << 0644 << 0644;
        QTest::newRow("umask 077, no attributes") << 077 << false << false << 0644 << 0600;
        QTest::newRow("umask 002, no attributes") << 002 << false << false << 0600 << 0664;
        QTest::newRow("umask 000, attributes") << 000 << false << true << 0640 << 0640;
        QTest::newRow("default ACL, attributes") << 022 << true << true << 0644 << 0644;
        QTest::newRow("default ACL, no attributes") << 022 << true << false << 0600 << 0644;
    }
    void modesUnderUmaskAndAcl()
    {
        QFETCH(int, umask);
        QFETCH(bool, acl);
        QFETCH(bool, attributes);
        QFETCH(int, mode);
        QFETCH(int, expected);
        TempDir dir;
        QVERIFY(dir.makeFolder("src") && dir.makeFolder("dst"));
        if (acl && !setNarrowDefaultAcl(dir.pathBytes() + "/dst"))
            QSKIP("no ACLs on the temporary folder's file system");
        QVERIFY(dir.writeFile("src/file", "data"));
        QVERIFY(::chmod((dir.pathBytes() + "/src/file").constData(), mode_t(mode)) == 0);
        UmaskScope scope{mode_t(umask)};
        FolderPair pair;
        QCOMPARE(pair.open(dir.filePath("src"), dir.filePath("dst")), 0);
        CopyOptions options;
        options.copyAttributes = attributes;
        QCOMPARE(pair.copyFile(QStringLiteral("file"), QStringLiteral("file"), options, {}, true),
                 0);
        struct stat st;
        QVERIFY(::stat((dir.pathBytes() + "/dst/file").constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 07777), expected);
    }

    // Interrupted or failed, a pair copy leaves no file under the new name
    // and no temporary one, whichever way it grew.
    void folderPairAbortLeavesNothing_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("abortAtCall");
        QTest::addColumn<bool>("named");
        QTest::newRow("cancel before data, unnamed") << ECANCELED << 1 << false;
        QTest::newRow("cancel halfway, unnamed") << ECANCELED << 2 << false;
        QTest::newRow("disk full at the end, unnamed") << ENOSPC << 4 << false;
        QTest::newRow("cancel halfway, temporary name") << ECANCELED << 2 << true;
        QTest::newRow("disk full at the end, temporary name") << ENOSPC << 4 << true;
    }
    void folderPairAbortLeavesNothing()
    {
        QFETCH(int, error);
        QFETCH(int, abortAtCall);
        QFETCH(bool, named);
        TempDir dir;
        QVERIFY(dir.makeFolder("src") && dir.makeFolder("dst"));
        QVERIFY(dir.writeFile("src/big", pattern(3 << 20)));
        NamedTemporaries way(named);
        FolderPair pair;
        QCOMPARE(pair.open(dir.filePath("src"), dir.filePath("dst")), 0);
        int calls = 0;
        QCOMPARE(pair.copyFile(
                     QStringLiteral("big"), QStringLiteral("big"), {},
                     [&](quint64, quint64) { return ++calls >= abortAtCall ? error : 0; }, true),
                 error);
        QCOMPARE(entries(dir.pathBytes() + "/dst"), QList<QByteArray>{});
    }

    // Names and folders a pair refuses before touching anything.
    void folderPairRefuses_data()
    {
        QTest::addColumn<QString>("sourceFolder");
        QTest::addColumn<QString>("destinationFolder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("openResult");
        QTest::addColumn<int>("copyResult");
        QTest::newRow("missing destination folder") << "src"
                                                    << "none"
                                                    << "f" << ENOENT << EBADF;
        QTest::newRow("destination is a file") << "src"
                                               << "src/f"
                                               << "f" << ENOTDIR << EBADF;
        QTest::newRow("name with a slash") << "src"
                                           << "dst"
                                           << "sub/f" << 0 << EINVAL;
        QTest::newRow("dot dot") << "src"
                                 << "dst"
                                 << ".." << 0 << EINVAL;
        QTest::newRow("empty name") << "src"
                                    << "dst"
                                    << "" << 0 << EINVAL;
    }
    void folderPairRefuses()
    {
        QFETCH(QString, sourceFolder);
        QFETCH(QString, destinationFolder);
        QFETCH(QString, name);
        QFETCH(int, openResult);
        QFETCH(int, copyResult);
        TempDir dir;
        QVERIFY(dir.makeFolder("src") && dir.makeFolder("dst") && dir.makeFolder("src/sub"));
        QVERIFY(dir.writeFile("src/f", "x") && dir.writeFile("src/sub/f", "x"));
        FolderPair pair;
        QCOMPARE(pair.open(dir.filePath(sourceFolder), dir.filePath(destinationFolder)),
                 openResult);
        QCOMPARE(pair.isOpen(), openResult == 0);
        QCOMPARE(pair.copyFile(name, name, {}, {}, true), copyResult);
        QCOMPARE(pair.copyFile(QStringLiteral("f"), name, {}, {}, true), copyResult);
        QCOMPARE(entries(dir.pathBytes() + "/dst"), QList<QByteArray>{});
    }

    void moveAcrossRealVolumes()
    {
        TempDir here;
        struct stat a, b;
        if (::stat("/dev/shm", &b) != 0 || ::stat(here.pathBytes().constData(), &a) != 0 ||
            a.st_dev == b.st_dev)
            QSKIP("no second volume (/dev/shm) next to the temporary folder");
        char templ[] = "/dev/shm/tovane-test-XXXXXX";
        if (!::mkdtemp(templ))
            QSKIP("/dev/shm is not writable");
        const QByteArray other(templ);
        const QByteArray src = here.pathBytes() + "/src";
        buildTree(src);
        QVERIFY(here.writeFile("file", "plain"));
        const QStringList before = tree(src);
        const int folderResult = moveItem(p(src), p(other + "/moved"));
        const int fileResult = moveItem(here.filePath("file"), p(other + "/file"));
        const QStringList after = tree(other + "/moved");
        const QByteArray content = readAll(other + "/file");
        tovane::test::removeTree(other);
        QCOMPARE(folderResult, 0);
        QCOMPARE(fileResult, 0);
        QCOMPARE(after, before);
        QCOMPARE(content, QByteArray("plain"));
        QCOMPARE(entries(here.pathBytes()), QList<QByteArray>{});
    }

    // A copy never replaces a file by itself: a hard link or the same file
    // through another path is refused before any data moves.
    void copyOntoItselfRefused_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<bool>("named");
        QTest::newRow("hard link") << QByteArray("other/hard") << false;
        QTest::newRow("hard link, temporary name") << QByteArray("other/hard") << true;
        QTest::newRow("the file through a folder link") << QByteArray("alias/a") << false;
    }
    void copyOntoItselfRefused()
    {
        QFETCH(QByteArray, target);
        QFETCH(bool, named);
        TempDir dir;
        const QByteArray base = dir.pathBytes() + '/';
        QVERIFY(dir.writeFile("a", "A") && dir.makeFolder("other"));
        QVERIFY(::link((base + "a").constData(), (base + "other/hard").constData()) == 0);
        QVERIFY(::symlink(".", (base + "alias").constData()) == 0);
        const ino_t before = inodeOf(base + "a");
        NamedTemporaries way(named);
        CopyOptions options;
        options.replaceExisting = true;
        QCOMPARE(copyFile(p(base + "a"), p(base + target), options), EINVAL);
        FolderPair pair;
        QCOMPARE(pair.open(p(base), p(base + target.left(target.lastIndexOf('/')))), 0);
        QCOMPARE(pair.copyFile(QStringLiteral("a"), p(target.mid(target.lastIndexOf('/') + 1)),
                               options, {}, true),
                 EINVAL);
        QCOMPARE(inodeOf(base + "a"), before);
        QCOMPARE(inodeOf(base + target), before);
        QCOMPARE(readAll(base + "a"), QByteArray("A"));
        QVERIFY(!hasTemporaries(dir.pathBytes()) && !hasTemporaries(base + "other"));
    }

    // A source that must stay still fails its copy when it is written to
    // meanwhile; nothing appears under the target name and an old target stays.
    void changingSourceFailsTheCopy_data()
    {
        QTest::addColumn<QByteArray>("change");
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<bool>("named");
        for (bool named : {false, true}) {
            const QByteArray way = named ? ", temporary name" : "";
            QTest::newRow("grows" + way) << QByteArray("append") << false << named;
            QTest::newRow("shrinks" + way) << QByteArray("truncate") << false << named;
            QTest::newRow("grows, replacing" + way) << QByteArray("append") << true << named;
            QTest::newRow("rewritten in place" + way) << QByteArray("rewrite") << true << named;
        }
    }
    void changingSourceFailsTheCopy()
    {
        QFETCH(QByteArray, change);
        QFETCH(bool, targetExists);
        QFETCH(bool, named);
        TempDir dir;
        const QByteArray src = dir.pathBytes() + "/src";
        const QByteArray dst = dir.pathBytes() + "/dst";
        const QByteArray data = pattern(3 << 20, 7);
        QVERIFY(writeBytes(src, data));
        if (targetExists)
            QVERIFY(writeBytes(dst, "old"));
        NamedTemporaries way(named);
        CopyOptions options;
        options.replaceExisting = targetExists;
        options.stableSource = true;
        FileState state;
        options.sourceState = &state;
        int calls = 0;
        bool changed = false;
        const int r = copyFile(p(src), p(dst), options, [&](quint64, quint64) -> int {
            if (++calls == 2) {
                const int fd = ::open(src.constData(), O_WRONLY | O_CLOEXEC);
                if (change == "append")
                    ::lseek(fd, 0, SEEK_END);
                changed =
                    change == "truncate" ? ::ftruncate(fd, 10) == 0 : ::write(fd, "more", 4) == 4;
                ::close(fd);
            }
            return 0;
        });
        QVERIFY(changed);
        QCOMPARE(r, EBUSY);
        QCOMPARE(state.size, quint64(data.size()));
        QCOMPARE(entries(dir.pathBytes()),
                 targetExists ? (QList<QByteArray>{"dst", "src"}) : QList<QByteArray>{"src"});
        if (targetExists)
            QCOMPARE(readAll(dst), QByteArray("old"));
        // Without the flag the same copy goes through (a copy may take a
        // moving file as it is).
        options.stableSource = false;
        QCOMPARE(copyFile(p(src), p(dst), options), 0);
    }

    // A moved file's source goes only while it is the file that was copied.
    void deleteUnchangedFile_data()
    {
        QTest::addColumn<QByteArray>("change");
        QTest::addColumn<int>("expected");
        QTest::newRow("unchanged") << QByteArray() << 0;
        QTest::newRow("appended") << QByteArray("append") << EBUSY;
        QTest::newRow("replaced by another file") << QByteArray("replace") << EBUSY;
        QTest::newRow("modification time set") << QByteArray("touch") << EBUSY;
        QTest::newRow("a folder now") << QByteArray("folder") << EBUSY;
        QTest::newRow("gone") << QByteArray("remove") << ENOENT;
    }
    void deleteUnchangedFile()
    {
        QFETCH(QByteArray, change);
        QFETCH(int, expected);
        TempDir dir;
        const QByteArray src = dir.pathBytes() + "/f";
        QVERIFY(writeBytes(src, "contents"));
        FileState state;
        CopyOptions options;
        options.sourceState = &state;
        QVERIFY(dir.makeFolder("copy"));
        QCOMPARE(copyFile(p(src), dir.filePath("copy/f"), options), 0);
        if (change == "append") {
            const int fd = ::open(src.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
            QVERIFY(::write(fd, "!", 1) == 1);
            ::close(fd);
        } else if (change == "replace") {
            QVERIFY(writeBytes(src + ".new", "contents"));
            QVERIFY(::rename((src + ".new").constData(), src.constData()) == 0);
        } else if (change == "touch") {
            const timespec times[2] = {{UTIME_OMIT, UTIME_OMIT}, {1000, 0}};
            QVERIFY(::utimensat(AT_FDCWD, src.constData(), times, 0) == 0);
        } else if (change == "folder") {
            QVERIFY(::unlink(src.constData()) == 0 && ::mkdir(src.constData(), 0755) == 0);
        } else if (change == "remove") {
            QVERIFY(::unlink(src.constData()) == 0);
        }
        QCOMPARE(platform::deleteUnchangedFile(p(src), state), expected);
        QCOMPARE(::access(src.constData(), F_OK) == 0, expected != 0 && change != "remove");
    }

    // Temporaries an interrupted run left behind go when a later copy writes
    // into the folder; anything that could be another's or alive stays.
    void staleTemporaries_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<bool>("old");
        QTest::addColumn<bool>("removed");
        QTest::newRow("old file") << QByteArray(".tovane-Ab3dE9") << QByteArray("file") << true
                                  << true;
        QTest::newRow("old folder")
            << QByteArray(".tovane-Zz0000") << QByteArray("folder") << true << true;
        QTest::newRow("fresh file")
            << QByteArray(".tovane-Ab3dE9") << QByteArray("file") << false << false;
        QTest::newRow("other owner")
            << QByteArray(".tovane-Ab3dE9") << QByteArray("foreign") << true << false;
        QTest::newRow("link") << QByteArray(".tovane-Ab3dE9") << QByteArray("link") << true
                              << false;
        QTest::newRow("longer name")
            << QByteArray(".tovane-Ab3dE9x") << QByteArray("file") << true << false;
        QTest::newRow("other letters")
            << QByteArray(".tovane-Ab3d_9") << QByteArray("file") << true << false;
        QTest::newRow("user's file")
            << QByteArray("tovane-Ab3dE9") << QByteArray("file") << true << false;
    }
    void staleTemporaries()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, kind);
        QFETCH(bool, old);
        QFETCH(bool, removed);
        if (kind == "foreign" && ::geteuid() != 0)
            QSKIP("giving a file away needs root");
        TempDir dir;
        const QByteArray path = dir.pathBytes() + '/' + name;
        if (kind == "folder") {
            QVERIFY(dir.makeFolder(name) && dir.writeFile(name + "/half", "h"));
        } else if (kind == "link") {
            QVERIFY(::symlink("elsewhere", path.constData()) == 0);
        } else {
            QVERIFY(writeBytes(path, "partial"));
            if (kind == "foreign")
                QVERIFY(::chown(path.constData(), 65534, 65534) == 0);
        }
        QVERIFY(dir.writeFile("keep", "k"));
        const timespec times[2] = {{1000, 0}, {1000, 0}};
        QVERIFY(::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0);
        // The change time cannot be set back: the test shortens the wait.
        detail::setTemporaryQuietSeconds(old ? 0 : 3600);
        removeStaleTemporaries(dir.filePath(""));
        detail::setTemporaryQuietSeconds(60);
        QCOMPARE(entries(dir.pathBytes()).contains(name), !removed);
        QCOMPARE(readAll(dir.pathBytes() + "/keep"), QByteArray("k"));
    }
};

QTEST_GUILESS_MAIN(FileOpsTest)
#include "tst_fileops.moc"
