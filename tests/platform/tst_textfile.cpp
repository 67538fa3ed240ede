// Whole-file reads with a limit, and saving a user's file over the old one:
// what the old file carried stays, a failed save leaves it untouched, and
// nothing else ever takes its place.

#include "platform/names.h"
#include "platform/textfile.h"
#include "support/asuser.h"
#include "support/tempdir.h"

#include <QtTest>

#include <cerrno>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace tovane;
using namespace tovane::platform;
using tovane::test::asUnprivileged;
using tovane::test::entries;
using tovane::test::NobodyId;
using tovane::test::readAll;
using tovane::test::TempDir;

namespace {

struct stat statOf(const QByteArray& path)
{
    struct stat st {};
    ::lstat(path.constData(), &st);
    return st;
}

QByteArray xattrValue(const QByteArray& path, const char* name)
{
    char buf[256];
    const ssize_t n = ::lgetxattr(path.constData(), name, buf, sizeof buf);
    return n < 0 ? QByteArray("<none>") : QByteArray(buf, n);
}

} // namespace

class TextFileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepsMetadata_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("byNobody");
        QTest::addColumn<int>("expectedMode");
        QTest::addColumn<uint>("expectedOwner"); // NobodyId or our own id

        const uint me = uint(::geteuid());
        QTest::newRow("0640") << 0640 << false << 0640 << me;
        QTest::newRow("read-only 0444") << 0444 << false << 0444 << me;
        QTest::newRow("0755") << 0755 << false << 0755 << me;
        if (::geteuid() == 0) {
            QTest::newRow("someone else's file, saved by root: owner kept")
                << 0664 << false << 0664 << uint(NobodyId);
            QTest::newRow("root's file saved by nobody: mode kept, set-gid dropped")
                << 02666 << true << 0666 << uint(NobodyId);
        }
    }
    void keepsMetadata()
    {
        QFETCH(int, mode);
        QFETCH(bool, byNobody);
        QFETCH(int, expectedMode);
        QFETCH(uint, expectedOwner);
        TempDir dir;
        QVERIFY(dir.writeFile("t.txt", "old"));
        const QByteArray file = dir.pathBytes() + "/t.txt";
        const bool xattrs = ::lsetxattr(file.constData(), "user.DOSATTRIB", "0x21", 4, 0) == 0;
        if (expectedOwner == NobodyId && !byNobody)
            QVERIFY(::chown(file.constData(), NobodyId, NobodyId) == 0);
        QVERIFY(::chmod(file.constData(), mode_t(mode)) == 0);
        if (byNobody)
            QVERIFY(::chmod(dir.pathBytes().constData(), 0777) == 0);

        auto body = [&] {
            return writeFileAtomically(pathFromBytes(file), "new text", WriteMode::KeepMetadata);
        };
        QCOMPARE(byNobody ? asUnprivileged(body) : body(), 0);

        QCOMPARE(readAll(file), QByteArray("new text"));
        const struct stat st = statOf(file);
        QCOMPARE(int(st.st_mode & 07777), expectedMode);
        QCOMPARE(uint(st.st_uid), expectedOwner);
        if (xattrs)
            QCOMPARE(xattrValue(file, "user.DOSATTRIB"), QByteArray("0x21"));
        QCOMPARE(entries(dir.pathBytes()), QList<QByteArray>{"t.txt"});
    }

    // A new file of the user's is made as any program makes one; our own
    // files stay private.
    void newFileModes_data()
    {
        QTest::addColumn<int>("writeMode");
        QTest::addColumn<int>("expectedMode");
        QTest::newRow("user's file") << int(WriteMode::KeepMetadata) << 0644;
        QTest::newRow("own file") << int(WriteMode::Private) << 0600;
    }
    void newFileModes()
    {
        QFETCH(int, writeMode);
        QFETCH(int, expectedMode);
        TempDir dir;
        const mode_t old = ::umask(022);
        const int rc =
            writeFileAtomically(dir.filePath(QStringLiteral("n.txt")), "x", WriteMode(writeMode));
        ::umask(old);
        QCOMPARE(rc, 0);
        QCOMPARE(int(statOf(dir.pathBytes() + "/n.txt").st_mode & 07777), expectedMode);
    }

    // Through a link the file it points to is replaced, with its own mode.
    void throughLink()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("real.txt", "old"));
        const QByteArray real = dir.pathBytes() + "/real.txt";
        const QByteArray link = dir.pathBytes() + "/link.txt";
        QVERIFY(::chmod(real.constData(), 0604) == 0);
        QVERIFY(::symlink("real.txt", link.constData()) == 0);
        QCOMPARE(writeFileAtomically(pathFromBytes(link), "new", WriteMode::KeepMetadata), 0);
        QVERIFY(S_ISLNK(statOf(link).st_mode));
        QCOMPARE(readAll(real), QByteArray("new"));
        QCOMPARE(int(statOf(real).st_mode & 07777), 0604);
    }

    // A save that cannot be done leaves the old file as it was and no
    // temporary behind.
    void failedSaveKeepsOld_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("error");
        QTest::newRow("a folder in the way") << QByteArray("sub") << EISDIR;
        QTest::newRow("a FIFO in the way") << QByteArray("fifo") << EINVAL;
        QTest::newRow("folder gone") << QByteArray("gone/t.txt") << ENOENT;
        QTest::newRow("folder not writable") << QByteArray("locked/t.txt") << EACCES;
    }
    void failedSaveKeepsOld()
    {
        QFETCH(QByteArray, target);
        QFETCH(int, error);
        TempDir dir;
        QVERIFY(dir.makeFolder("sub") && dir.makeFolder("locked"));
        QVERIFY(dir.writeFile("locked/t.txt", "old"));
        const QByteArray base = dir.pathBytes() + "/";
        QVERIFY(::mkfifo((base + "fifo").constData(), 0600) == 0);
        QVERIFY(::chmod((base + "locked/t.txt").constData(), 0666) == 0);
        QVERIFY(::chmod((base + "locked").constData(), 0755) == 0);
        QVERIFY(::chmod(dir.pathBytes().constData(), 0755) == 0);

        auto body = [&] {
            return writeFileAtomically(pathFromBytes(base + target), "new",
                                       WriteMode::KeepMetadata);
        };
        const bool unprivileged = target.startsWith("locked");
        QCOMPARE(unprivileged ? asUnprivileged(body) : body(), error);
        QCOMPARE(readAll(base + "locked/t.txt"), QByteArray("old"));
        QCOMPARE(entries(base + "locked"), QList<QByteArray>{"t.txt"});
        QCOMPARE(entries(dir.pathBytes()), (QList<QByteArray>{"fifo", "locked", "sub"}));
    }

    void readLimited_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<int>("error");
        QTest::newRow("one byte more than the file") << qint64(6) << 0;
        QTest::newRow("the file's size") << qint64(5) << EFBIG;
    }
    void readLimited()
    {
        QFETCH(qint64, limit);
        QFETCH(int, error);
        TempDir dir;
        QVERIFY(dir.writeFile("f.txt", "12345"));
        QByteArray out("stale");
        FileStamp stamp;
        QCOMPARE(readWholeFile(dir.filePath(QStringLiteral("f.txt")), out, limit, &stamp), error);
        if (error == 0) {
            QCOMPARE(out, QByteArray("12345"));
            const struct stat st = statOf(dir.pathBytes() + "/f.txt");
            QCOMPARE(stamp.size, qint64(5));
            QCOMPARE(stamp.writeTime, qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);
        } else {
            QVERIFY(out.isEmpty());
        }
    }

    // A FIFO without a writer is refused at once, not waited on.
    void readFifo()
    {
        TempDir dir;
        const QByteArray fifo = dir.pathBytes() + "/p.txt";
        QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
        QByteArray out;
        QCOMPARE(readWholeFile(pathFromBytes(fifo), out, 1 << 20), EINVAL);
    }
};

QTEST_GUILESS_MAIN(TextFileTest)
#include "tst_textfile.moc"
