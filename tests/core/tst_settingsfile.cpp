#include "core/settingsfile.h"
#include "platform/textfile.h"
#include "support/tempdir.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace tovane;
using tovane::test::TempDir;

namespace {

QByteArray fileBytes(const QString& path)
{
    QByteArray bytes;
    return platform::readWholeFile(path, bytes) == 0 ? bytes : QByteArray("<unreadable>");
}

QStringList entriesOf(const QString& folder)
{
    QStringList names;
    if (DIR* dir = ::opendir(folder.toUtf8().constData())) {
        while (dirent* e = ::readdir(dir))
            if (qstrcmp(e->d_name, ".") != 0 && qstrcmp(e->d_name, "..") != 0)
                names << QString::fromUtf8(e->d_name);
        ::closedir(dir);
    }
    names.sort();
    return names;
}

} // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lookup_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("defaultValue");
        QTest::addColumn<bool>("validate");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("sort pair") << "[Position]\r\nSort=3,12,\r\n" << "Sort" << "0,0," << true << 2 << 13 << "3,12,";
        QTest::newRow("sort one too many") << "Sort=3,12,4,\r\n" << "Sort" << "0,0," << true << 2 << 13 << "0,0,";
        QTest::newRow("sort one too few") << "Sort=3,\r\n" << "Sort" << "0,0," << true << 2 << 13 << "0,0,";
        QTest::newRow("sort without last comma") << "Sort=3,12\r\n" << "Sort" << "0,0," << true << 2 << 13 << "3,12";
        QTest::newRow("sort out of range") << "Sort=3,14,\r\n" << "Sort" << "0,0," << true << 2 << 13 << "0,0,";
        QTest::newRow("negative item") << "Sort=-1,2,\r\n" << "Sort" << "0,0," << true << 2 << 13 << "0,0,";
        QTest::newRow("spaces around numbers") << "Sort= 3, 12 ,\r\n" << "Sort" << "0,0," << true << 2 << 13 << " 3, 12 ,";
        QTest::newRow("letter in item") << "Sort=3,1a,\r\n" << "Sort" << "0,0," << true << 2 << 13 << "0,0,";
        QTest::newRow("no crlf runs to next equals") << "A=1B=2" << "A" << "" << false << 0 << 0 << "1B";
        QTest::newRow("no crlf last key") << "A=1B=2" << "B" << "" << false << 0 << 0 << "2";
        QTest::newRow("no crlf ends at bracket") << "A=1[Position]" << "A" << "" << false << 0 << 0 << "1";
        QTest::newRow("runs to end") << "A=xyz" << "A" << "d" << false << 0 << 0 << "xyz";
        QTest::newRow("equals inside a line stays") << "A=x=y\r\nB=2\r\n" << "A" << "" << false << 0 << 0 << "x=y";
        QTest::newRow("missing key") << "B=1\r\n" << "A" << "dflt" << false << 0 << 0 << "dflt";
        QTest::newRow("letter case counts") << "sort=3,4,\r\n" << "Sort" << "0,0," << true << 2 << 13 << "0,0,";
        QTest::newRow("empty value kept unvalidated") << "A=\r\n" << "A" << "dflt" << false << 0 << 0 << "";
        QTest::newRow("empty value fails check") << "A=\r\n" << "A" << "0," << true << 1 << 1 << "0,";
        QTest::newRow("one item without comma") << "FlgMsgBoxPos=1\r\n" << "FlgMsgBoxPos" << "0" << true << 1 << 1 << "1";
        QTest::newRow("first occurrence inside a value") << "BookMarkData=/a/Ext=x, ;\r\nExt=rtf, ;\r\n" << "Ext" << "d" << false << 0 << 0 << "x, ;";
        QTest::newRow("key found as a suffix") << "XSort=5,5,\r\nSort=1,2,\r\n" << "Sort" << "0,0," << true << 2 << 13 << "5,5,";
        QTest::newRow("fraction rounds into range") << "A=0.4,\r\n" << "A" << "d" << true << 1 << 1 << "0.4,";
        // clang-format on
    }
    void lookup()
    {
        QFETCH(QString, text);
        QFETCH(QString, key);
        QFETCH(QString, defaultValue);
        QFETCH(bool, validate);
        QFETCH(int, count);
        QFETCH(int, max);
        QFETCH(QString, expected);
        QCOMPARE(getIniValue(text, key, defaultValue, validate, count, 0, max), expected);
    }

    void numeric_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<int>("value");
        // clang-format off
        QTest::newRow("plain") << "1700" << true << 1700;
        QTest::newRow("padded") << "   0" << true << 0;
        QTest::newRow("signs") << "-250" << true << -250;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("half to even down") << "2.5" << true << 2;
        QTest::newRow("half to even up") << "3.5" << true << 4;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blank") << "  " << false << 0;
        QTest::newRow("trailing letter") << "1B" << false << 0;
        QTest::newRow("lone dot") << "." << false << 0;
        QTest::newRow("inner space") << "1 2" << false << 0;
        QTest::newRow("beyond int") << "99999999999" << false << 0;
        QTest::newRow("full-width digit") << "１" << false << 0;
        // clang-format on
    }
    void numeric()
    {
        QFETCH(QString, item);
        QFETCH(bool, numeric);
        QFETCH(int, value);
        int got = -12345;
        QCOMPARE(numericValue(item, got), numeric);
        if (numeric)
            QCOMPARE(got, value);
    }

    void split_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<int>("filled");
        // clang-format off
        QTest::newRow("all") << "1,2,3," << QList<int>{1, 2, 3} << 3;
        QTest::newRow("longer list") << "1,2,3,4,5," << QList<int>{1, 2, 3} << 3;
        QTest::newRow("stops at text") << "1,x,3," << QList<int>{1, 9, 9} << 1;
        QTest::newRow("short list keeps the rest") << "5," << QList<int>{5, 9, 9} << 1;
        QTest::newRow("empty") << "" << QList<int>{9, 9, 9} << 0;
        QTest::newRow("no last comma") << "4,5,6" << QList<int>{4, 5, 6} << 3;
        // clang-format on
    }
    void split()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, expected);
        QFETCH(int, filled);
        std::array<int, 3> values{9, 9, 9};
        QCOMPARE(splitValues(text, values), filled);
        QCOMPARE(QList<int>(values.begin(), values.end()), expected);
        // What split fills, join writes back in the same form.
        if (filled == 3)
            QCOMPARE(splitValues(joinValues(values), values), 3);
    }

    void join()
    {
        QCOMPARE(joinValues(std::array<int, 3>{1, -2, 0}), QStringLiteral("1,-2,0,"));
        QCOMPARE(joinValues(std::span<const int>()), QString());
    }

    void writerHeaders()
    {
        IniTextWriter writer;
        QVERIFY(!writer.sectionWritten(SectionPosition));
        writer.putIniValue(SectionMain, QStringLiteral("ApMode"), QStringLiteral("0"));
        writer.putIniValue(SectionPosition, QStringLiteral("A"), QStringLiteral("1,"));
        writer.putIniValue(SectionPosition, QStringLiteral("B"), QString());
        writer.putIniValue(SectionExeTbl, QStringLiteral("TblSz"), QStringLiteral("1,"));
        writer.putIniValue(SectionPosition, QStringLiteral("ImgCount"), QStringLiteral("3,"));
        QCOMPARE(writer.text(),
                 QStringLiteral("[Tovane]\r\nApMode=0\r\n[Position]\r\nA=1,\r\nB=\r\n"
                                "[ExeTbl]\r\nTblSz=1,\r\nImgCount=3,\r\n"));
        QVERIFY(writer.sectionWritten(SectionPosition));
        QVERIFY(!writer.sectionWritten(SectionDispExt));
    }

    void writerKeepsOneLine()
    {
        // A line break in a value must not end the line: the tail would be
        // read as lines of their own.
        IniTextWriter writer;
        writer.putIniValue(SectionPosition, QStringLiteral("Path"),
                           QStringLiteral("_,/a\r\n[ExeTbl]\nb,"));
        writer.putIniValue(SectionPosition, QStringLiteral("Sort"), QStringLiteral("1,2,"));
        QCOMPARE(getIniValue(writer.text(), QStringLiteral("Path"), QString()),
                 QStringLiteral("_,/a  [ExeTbl] b,"));
        QCOMPARE(writer.text().count(QStringLiteral("\r\n")), 3);
        QCOMPARE(writer.text().count(u'\n'), 3);
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        // clang-format off
        QTest::newRow("lf only") << QByteArray("A=1\nB=2\n") << "A=1\r\nB=2\r\n";
        QTest::newRow("crlf kept") << QByteArray("A=1\r\nB=2\r\n") << "A=1\r\nB=2\r\n";
        QTest::newRow("mixed") << QByteArray("A=1\r\nB=2\nC=3") << "A=1\r\nB=2\r\nC=3";
        QTest::newRow("leading lf") << QByteArray("\nA=1") << "\r\nA=1";
        QTest::newRow("bom dropped") << QByteArray("\xEF\xBB\xBF[Tovane]\r\n") << "[Tovane]\r\n";
        QTest::newRow("japanese") << QByteArray("C=\xE8\xA8\x80\xE8\xAA\x9E" "1\r\n") << "C=言語1\r\n";
        // clang-format on
    }
    void decoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(settingsTextFromBytes(bytes), text);
        QCOMPARE(
            getIniValue(settingsTextFromBytes(bytes), QStringLiteral("A"), QStringLiteral("-")),
            getIniValue(text, QStringLiteral("A"), QStringLiteral("-")));
    }

    void invalidBytesSurvive()
    {
        const QByteArray bytes("Path=_,/home/u/caf\xE9/\xFF\xFE,\r\n");
        const QString text = settingsTextFromBytes(bytes);
        QCOMPARE(settingsTextToBytes(text), bytes);
    }

    void fileRoundTrip()
    {
        TempDir dir;
        const QString path = settingsFilePath(dir.path());
        QCOMPARE(path, dir.path() + QStringLiteral("/Tovane.ini"));
        QCOMPARE(readSettingsText(path), QString()); // missing file
        const QString text = QStringLiteral("[Tovane]\r\nApMode=0\r\nC=言語\r\n");
        QCOMPARE(writeSettingsText(path, text), 0);
        QCOMPARE(readSettingsText(path), text);
        QCOMPARE(fileBytes(path), text.toUtf8());
        struct stat st;
        QCOMPARE(::stat(path.toUtf8().constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 07777), 0600);
        QCOMPARE(entriesOf(dir.path()), QStringList{SettingsFileName});

        // Emptying the file (reset of everything) is a real write, too.
        QCOMPARE(writeSettingsText(path, QString()), 0);
        QCOMPARE(fileBytes(path), QByteArray());
    }

    void unreadableIsEmpty()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("Tovane.ini"));
        QCOMPARE(readSettingsText(settingsFilePath(dir.path())), QString());
        QByteArray out("x");
        QCOMPARE(platform::readWholeFile(dir.filePath(QStringLiteral("Tovane.ini")), out), EISDIR);
        QVERIFY(out.isEmpty());
    }

    // A FIFO, a device or a socket under the settings name reads as no file,
    // at once, and a write leaves it where and what it was.
    void specialFileIsAbsent_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("link to a FIFO") << "link";
        QTest::newRow("device") << "device";
        QTest::newRow("socket") << "socket";
    }
    void specialFileIsAbsent()
    {
        QFETCH(QString, kind);
        TempDir dir;
        const QString path = settingsFilePath(dir.path());
        const QByteArray bytes = path.toUtf8();
        const QByteArray fifo = dir.filePath(QStringLiteral("pipe")).toUtf8();
        int socketFd = -1;
        if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(bytes.constData(), 0600), 0);
        } else if (kind == QLatin1String("link")) {
            QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
            QCOMPARE(::symlink(fifo.constData(), bytes.constData()), 0);
        } else if (kind == QLatin1String("device")) {
            // The null device's numbers, as a node of our own.
            if (::mknod(bytes.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
                QSKIP("device nodes cannot be made here");
        } else {
            socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QVERIFY(socketFd >= 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            QVERIFY(size_t(bytes.size()) < sizeof address.sun_path);
            qstrcpy(address.sun_path, bytes.constData());
            QCOMPARE(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        }
        struct stat before;
        QCOMPARE(::lstat(bytes.constData(), &before), 0);

        // An open that waits for a writer would wait for ever; after two
        // seconds this one comes, so such a wait fails the test instead of
        // hanging it.
        std::atomic<bool> done{false};
        std::thread writer([&] {
            for (int i = 0; i < 200 && !done; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                if (i < 40)
                    continue;
                for (const QByteArray& p : {bytes, fifo}) {
                    const int fd = ::open(p.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                    if (fd >= 0)
                        ::close(fd);
                }
            }
        });
        QElapsedTimer timer;
        timer.start();
        const QString text = readSettingsText(path);
        const qint64 waited = timer.elapsed();
        QByteArray raw("x");
        const int readError = platform::readWholeFile(path, raw);
        const int writeError = writeSettingsText(path, QStringLiteral("Sort=3,4,\r\n"));
        done = true;
        writer.join();
        if (socketFd >= 0)
            ::close(socketFd);

        QCOMPARE(text, QString());
        QVERIFY2(waited < 1000, qPrintable(QString::number(waited)));
        QVERIFY(readError != 0);
        QVERIFY(raw.isEmpty());
        QCOMPARE(writeError, EINVAL);
        struct stat after;
        QCOMPARE(::lstat(bytes.constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode, before.st_mode);
        // No temporary file is left beside it.
        QStringList expected{SettingsFileName};
        if (kind == QLatin1String("link"))
            expected << QStringLiteral("pipe");
        QCOMPARE(entriesOf(dir.path()), expected);
    }

    void failedWriteKeepsOldFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("file size limit") << "fsize";
        QTest::newRow("folder missing") << "nofolder";
        QTest::newRow("target is a folder") << "folder";
        QTest::newRow("read-only folder") << "readonly";
    }
    void failedWriteKeepsOldFile()
    {
        QFETCH(QString, how);
        TempDir dir;
        const QString path = settingsFilePath(dir.path());
        const QByteArray old("Sort=1,2,\r\n");
        QCOMPARE(writeSettingsText(path, QString::fromLatin1(old)), 0);
        const QString next = QStringLiteral("Sort=3,4,\r\n") + QString(4000, u'x');

        int error = 0;
        if (how == QLatin1String("fsize")) {
            // A write that stops halfway, as on a full disk.
            rlimit saved{};
            QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
            const auto previous = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = saved;
            small.rlim_cur = 100;
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
            error = writeSettingsText(path, next);
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, previous);
            QCOMPARE(error, EFBIG);
        } else if (how == QLatin1String("nofolder")) {
            error = writeSettingsText(dir.filePath(QStringLiteral("gone/Tovane.ini")), next);
            QCOMPARE(error, ENOENT);
        } else if (how == QLatin1String("folder")) {
            QVERIFY(dir.makeFolder("sub"));
            QVERIFY(dir.makeFolder("sub/Tovane.ini"));
            QVERIFY(dir.writeFile("sub/Tovane.ini/keep", "k"));
            error = writeSettingsText(dir.filePath(QStringLiteral("sub/Tovane.ini")), next);
            QVERIFY(error != 0);
            QCOMPARE(entriesOf(dir.filePath(QStringLiteral("sub"))), QStringList{SettingsFileName});
            QCOMPARE(entriesOf(dir.filePath(QStringLiteral("sub/Tovane.ini"))),
                     QStringList{QStringLiteral("keep")});
        } else {
            if (::geteuid() == 0)
                QSKIP("root may write into read-only folders");
            QCOMPARE(::chmod(dir.pathBytes().constData(), 0500), 0);
            error = writeSettingsText(path, next);
            ::chmod(dir.pathBytes().constData(), 0700);
            QCOMPARE(error, EACCES);
        }
        QCOMPARE(fileBytes(path), old);
        const QStringList left = how == QLatin1String("folder")
                                     ? QStringList{SettingsFileName, QStringLiteral("sub")}
                                     : QStringList{SettingsFileName};
        QCOMPARE(entriesOf(dir.path()), left);
    }

    void linkIsKept()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("real"));
        const QString target = dir.filePath(QStringLiteral("real/Tovane.ini"));
        QCOMPARE(writeSettingsText(target, QStringLiteral("A=1\r\n")), 0);
        const QString link = dir.filePath(QStringLiteral("Tovane.ini"));
        QCOMPARE(::symlink(target.toUtf8().constData(), link.toUtf8().constData()), 0);
        QCOMPARE(writeSettingsText(link, QStringLiteral("A=2\r\n")), 0);
        struct stat st;
        QCOMPARE(::lstat(link.toUtf8().constData(), &st), 0);
        QVERIFY(S_ISLNK(st.st_mode));
        QCOMPARE(fileBytes(target), QByteArray("A=2\r\n"));
    }
};

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "tst_settingsfile.moc"
