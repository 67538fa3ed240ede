#include "platform/names.h"
#include "platform/system.h"
#include "support/tempdir.h"

#include <QtTest>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <memory>
#include <thread>

using namespace tovane::platform;
using tovane::test::TempDir;

namespace {

const char* const kVariables[] = {"HOME", "TOVANE_CONFIG_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};

bool isDir(const QByteArray& path, mode_t* mode = nullptr)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (mode)
        *mode = st.st_mode & 07777;
    return true;
}

QString passwdHome()
{
    struct passwd* pw = ::getpwuid(::geteuid());
    return pw ? QString::fromLocal8Bit(pw->pw_dir) : QString();
}

} // namespace

class SystemTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TempDir> m_tmp;
    QByteArray m_saved[std::size(kVariables)];
    bool m_was[std::size(kVariables)] = {};
    QByteArray m_cwd;

    QString tmp(const QString& relative = QString()) const
    {
        return relative.isEmpty() ? m_tmp->path() : m_tmp->filePath(relative);
    }
    QByteArray tmpBytes(const QByteArray& relative) const { return m_tmp->pathBytes() + '/' + relative; }
    void writeUserDirs(const QByteArray& content)
    {
        QVERIFY(m_tmp->makeFolder("xdg"));
        QVERIFY(m_tmp->writeFile("xdg/user-dirs.dirs", content));
    }

private Q_SLOTS:
    void init()
    {
        for (size_t i = 0; i < std::size(kVariables); ++i) {
            m_was[i] = qEnvironmentVariableIsSet(kVariables[i]);
            m_saved[i] = qgetenv(kVariables[i]);
            qunsetenv(kVariables[i]);
        }
        char buf[4096];
        m_cwd = ::getcwd(buf, sizeof buf) ? QByteArray(buf) : QByteArray("/");
        m_tmp = std::make_unique<TempDir>();
        QVERIFY(m_tmp->isValid());
        QVERIFY(m_tmp->makeFolder("home"));
        qputenv("HOME", m_tmp->pathBytes() + "/home");
        qputenv("XDG_CONFIG_HOME", m_tmp->pathBytes() + "/xdg");
    }
    void cleanup()
    {
        QVERIFY(::chdir(m_cwd.constData()) == 0);
        m_tmp.reset();
        for (size_t i = 0; i < std::size(kVariables); ++i) {
            if (m_was[i])
                qputenv(kVariables[i], m_saved[i]);
            else
                qunsetenv(kVariables[i]);
        }
    }

    void settingsPrecedence_data()
    {
        QTest::addColumn<QString>("overrideDir"); // "@" stands for the temporary folder
        QTest::addColumn<QByteArray>("tovaneEnv");
        QTest::addColumn<QByteArray>("xdgEnv"); // "-" leaves XDG_CONFIG_HOME unset
        QTest::addColumn<QString>("expected");

        QTest::newRow("option wins") << "@/opt" << QByteArray("@/env") << QByteArray("@/xdg")
                                     << "@/opt";
        QTest::newRow("variable next") << QString() << QByteArray("@/env") << QByteArray("@/xdg")
                                       << "@/env";
        QTest::newRow("XDG config home") << QString() << QByteArray() << QByteArray("@/xdg")
                                         << "@/xdg/tovane";
        QTest::newRow("default") << QString() << QByteArray() << QByteArray("-")
                                 << "@/home/.config/tovane";
        QTest::newRow("empty XDG ignored") << QString() << QByteArray() << QByteArray("")
                                           << "@/home/.config/tovane";
        QTest::newRow("relative XDG ignored") << QString() << QByteArray() << QByteArray("rel")
                                              << "@/home/.config/tovane";
        QTest::newRow("trailing slashes") << "@/opt///" << QByteArray() << QByteArray("-")
                                          << "@/opt";
        QTest::newRow("dot parts") << "@/./a//b/." << QByteArray() << QByteArray("-") << "@/a/b";
        QTest::newRow("relative option") << "rel/conf" << QByteArray() << QByteArray("-")
                                         << "@/rel/conf";
        QTest::newRow("relative variable") << QString() << QByteArray("envrel") << QByteArray("-")
                                           << "@/envrel";
        QTest::newRow("nested missing") << "@/n1/n2/n3" << QByteArray() << QByteArray("-")
                                        << "@/n1/n2/n3";
    }
    void settingsPrecedence()
    {
        QFETCH(QString, overrideDir);
        QFETCH(QByteArray, tovaneEnv);
        QFETCH(QByteArray, xdgEnv);
        QFETCH(QString, expected);
        const QString at = tmp();
        overrideDir.replace(u'@', at);
        expected.replace(u'@', at);
        tovaneEnv.replace('@', m_tmp->pathBytes());
        xdgEnv.replace('@', m_tmp->pathBytes());
        if (!tovaneEnv.isEmpty())
            qputenv("TOVANE_CONFIG_DIR", tovaneEnv);
        if (xdgEnv == "-")
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", xdgEnv);
        QVERIFY(::chdir(m_tmp->pathBytes().constData()) == 0);

        int error = -1;
        const QString folder = settingsFolder(overrideDir, error);
        QCOMPARE(error, 0);
        QCOMPARE(folder, expected);
        mode_t mode = 0;
        QVERIFY(isDir(nameToBytes(folder), &mode));
        QCOMPARE(mode & 0077, mode_t(0)); // private to the user
        // A second call finds the folder and gives the same answer.
        QCOMPARE(settingsFolder(overrideDir), expected);
    }

    void settingsCreatesEveryLevelPrivate()
    {
        mode_t before = 0;
        QVERIFY(isDir(m_tmp->pathBytes(), &before));
        const mode_t mask = ::umask(0);
        ::umask(mask);
        const QString folder = settingsFolder(tmp("a/b/c"));
        QCOMPARE(folder, tmp("a/b/c"));
        for (const char* level : {"a", "a/b", "a/b/c"}) {
            mode_t mode = 0;
            QVERIFY2(isDir(tmpBytes(level), &mode), level);
            QCOMPARE(mode & 0777, mode_t(0700) & ~mask);
        }
        mode_t after = 0;
        QVERIFY(isDir(m_tmp->pathBytes(), &after));
        QCOMPARE(after, before); // existing parents are left alone
    }

    void settingsKeepsInvalidBytes()
    {
        const QByteArray raw = m_tmp->pathBytes() + "/conf\xff";
        const QString name = nameFromBytes(raw);
        QCOMPARE(settingsFolder(name), name);
        QVERIFY(isDir(raw));
    }

    void settingsFailure_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<int>("error");
        QTest::newRow("is a file") << "file" << int(ENOTDIR);
        QTest::newRow("below a file") << "file/sub" << int(ENOTDIR);
    }
    void settingsFailure()
    {
        QFETCH(QString, relative);
        QFETCH(int, error);
        QVERIFY(m_tmp->writeFile("file", "x"));
        int got = 0;
        QCOMPARE(settingsFolder(tmp(relative), got), QString());
        QCOMPARE(got, error);
        QCOMPARE(settingsFolder(tmp(relative)), QString());
    }

    void home_data()
    {
        QTest::addColumn<QByteArray>("home"); // "-" unsets HOME
        QTest::addColumn<QString>("expected"); // "=" is the passwd entry
        QTest::newRow("HOME") << QByteArray("@/home") << "@/home";
        QTest::newRow("trailing slash") << QByteArray("@/home/") << "@/home";
        QTest::newRow("unset") << QByteArray("-") << "=";
        QTest::newRow("empty") << QByteArray("") << "=";
        QTest::newRow("relative") << QByteArray("somewhere") << "=";
    }
    void home()
    {
        QFETCH(QByteArray, home);
        QFETCH(QString, expected);
        home.replace('@', m_tmp->pathBytes());
        expected.replace(u'@', tmp());
        if (expected == u"=")
            expected = passwdHome();
        if (home == "-")
            qunsetenv("HOME");
        else
            qputenv("HOME", home);
        QCOMPARE(homeFolder(), expected);
    }

    void desktop_data()
    {
        QTest::addColumn<QByteArray>("content"); // "-" means no user-dirs.dirs
        QTest::addColumn<QString>("expected");
        QTest::newRow("no file") << QByteArray("-") << "@/home/Desktop";
        QTest::newRow("no entry") << QByteArray("XDG_MUSIC_DIR=\"$HOME/Music\"\n")
                                  << "@/home/Desktop";
        QTest::newRow("home form") << QByteArray("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n")
                                   << "@/home/Schreibtisch";
        QTest::newRow("absolute") << QByteArray("XDG_DESKTOP_DIR=\"@/elsewhere/\"\n")
                                  << "@/elsewhere";
        QTest::newRow("home itself") << QByteArray("XDG_DESKTOP_DIR=\"$HOME/\"\n") << "@/home";
        QTest::newRow("comment and blanks")
            << QByteArray("# written by a tool\n\n  XDG_DESKTOP_DIR = \"$HOME/D\"  \n") << "@/home/D";
        QTest::newRow("commented out")
            << QByteArray("#XDG_DESKTOP_DIR=\"$HOME/Old\"\n") << "@/home/Desktop";
        QTest::newRow("last wins") << QByteArray("XDG_DESKTOP_DIR=\"$HOME/A\"\r\n"
                                                 "XDG_DESKTOP_DIR=\"$HOME/B\"\r\n")
                                   << "@/home/B";
        QTest::newRow("escaped quote and space")
            << QByteArray("XDG_DESKTOP_DIR=\"$HOME/My \\\"Desk\\\"\"\n") << "@/home/My \"Desk\"";
        QTest::newRow("relative value ignored") << QByteArray("XDG_DESKTOP_DIR=\"Desk\"\n")
                                                << "@/home/Desktop";
        QTest::newRow("other variable not expanded")
            << QByteArray("XDG_DESKTOP_DIR=\"$HOMEX/D\"\n") << "@/home/Desktop";
        QTest::newRow("similar key") << QByteArray("XDG_DESKTOP_DIRS=\"$HOME/X\"\n")
                                     << "@/home/Desktop";
        QTest::newRow("UTF-8") << QByteArray("XDG_DESKTOP_DIR=\"$HOME/\xe3\x83\x87\xe3\x82\xb9\"\n")
                               << QString::fromUtf8("@/home/デス");
    }
    void desktop()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        content.replace('@', m_tmp->pathBytes());
        expected.replace(u'@', tmp());
        if (content != "-")
            writeUserDirs(content);
        QCOMPARE(desktopFolder(), expected);
    }

    void desktopKeepsInvalidBytes()
    {
        writeUserDirs("XDG_DESKTOP_DIR=\"$HOME/d\xff\"\n");
        QCOMPARE(nameToBytes(desktopFolder()), m_tmp->pathBytes() + "/home/d\xff");
    }

    void userFoldersThatExist()
    {
        writeUserDirs("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                      "XDG_DOCUMENTS_DIR=\"$HOME/My Docs\"\n"
                      "XDG_DOWNLOAD_DIR=\"" + m_tmp->pathBytes() + "/dl\"\n"
                      "XDG_MUSIC_DIR=\"$HOME/\"\n"
                      "XDG_PICTURES_DIR=\"$HOME/Missing\"\n"
                      "XDG_VIDEOS_DIR=\"$HOME/Schreibtisch\"\n");
        for (const char* dir : {"home/Schreibtisch", "home/My Docs", "dl", "home/Templates",
                                "home/Music", "home/Desktop"})
            QVERIFY(m_tmp->makeFolder(dir));
        QVERIFY(m_tmp->writeFile("home/Public", "a file, not a folder"));

        // Configured folders, the usual name where none is configured, each
        // once, and neither the home folder itself nor missing ones.
        const QStringList expected = {tmp("home/Schreibtisch"), tmp("home/My Docs"), tmp("dl"),
                                      tmp("home/Templates")};
        QCOMPARE(userFolders(), expected);
    }

    // A FIFO in place of user-dirs.dirs is not read: the usual names apply
    // at once. A writer turns up after two seconds, so an open that waits
    // for one shows as a wrong answer instead of a hang.
    void userDirsNotARegularFile_data()
    {
        QTest::addColumn<bool>("viaLink");
        QTest::newRow("FIFO") << false;
        QTest::newRow("link to a FIFO") << true;
    }
    void userDirsNotARegularFile()
    {
        QFETCH(bool, viaLink);
        QVERIFY(m_tmp->makeFolder("xdg"));
        for (const char* dir : {"home/Desktop", "home/Other"})
            QVERIFY(m_tmp->makeFolder(dir));
        const QByteArray fifo = tmpBytes(viaLink ? "pipe" : "xdg/user-dirs.dirs");
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        if (viaLink)
            QCOMPARE(::symlink(fifo.constData(), tmpBytes("xdg/user-dirs.dirs").constData()), 0);
        // The reader may be gone by the time the text is written.
        const auto previous = std::signal(SIGPIPE, SIG_IGN);
        std::atomic<bool> done{false};
        std::thread writer([&] {
            for (int i = 0; i < 200 && !done; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                if (i < 40)
                    continue;
                const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    const char text[] = "XDG_DESKTOP_DIR=\"$HOME/Other\"\n";
                    [[maybe_unused]] const ssize_t n = ::write(fd, text, sizeof text - 1);
                    ::close(fd);
                }
            }
        });
        const QStringList folders = userFolders();
        done = true;
        writer.join();
        std::signal(SIGPIPE, previous);
        QCOMPARE(folders, QStringList{tmp("home/Desktop")});
    }

    void userFoldersDefaults()
    {
        for (const char* dir : {"home/Desktop", "home/Downloads", "home/Videos"})
            QVERIFY(m_tmp->makeFolder(dir));
        const QStringList expected = {tmp("home/Desktop"), tmp("home/Downloads"),
                                      tmp("home/Videos")};
        QCOMPARE(userFolders(), expected);
    }

    void dataHome_data()
    {
        QTest::addColumn<QByteArray>("xdg"); // "-" unsets it
        QTest::addColumn<QString>("expected");
        QTest::newRow("set") << QByteArray("@/data/") << "@/data";
        QTest::newRow("unset") << QByteArray("-") << "@/home/.local/share";
        QTest::newRow("relative ignored") << QByteArray("data") << "@/home/.local/share";
    }
    void dataHome()
    {
        QFETCH(QByteArray, xdg);
        QFETCH(QString, expected);
        xdg.replace('@', m_tmp->pathBytes());
        expected.replace(u'@', tmp());
        if (xdg != "-")
            qputenv("XDG_DATA_HOME", xdg);
        QCOMPARE(tovane::platform::dataHome(), expected);
    }

    void osRelease_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("name");
        QTest::newRow("Debian") << QByteArray("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                                              "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n")
                                << "Debian GNU/Linux 12 (bookworm)";
        QTest::newRow("single quotes") << QByteArray("PRETTY_NAME='Fedora Linux 39'\n")
                                       << "Fedora Linux 39";
        QTest::newRow("unquoted") << QByteArray("PRETTY_NAME=Arch\n") << "Arch";
        QTest::newRow("escapes") << QByteArray("PRETTY_NAME=\"Say \\\"hi\\\" \\\\o/\"\n")
                                 << "Say \"hi\" \\o/";
        QTest::newRow("NAME only") << QByteArray("NAME=\"Alpine Linux\"\nID=alpine\n")
                                   << "Alpine Linux";
        QTest::newRow("NAME first") << QByteArray("NAME=A\nPRETTY_NAME=\"A 1\"\n") << "A 1";
        QTest::newRow("commented") << QByteArray("#PRETTY_NAME=\"Old\"\nNAME=New\n") << "New";
        QTest::newRow("CRLF") << QByteArray("PRETTY_NAME=\"Win Line\"\r\n") << "Win Line";
        QTest::newRow("no newline at end") << QByteArray("PRETTY_NAME=\"Last\"") << "Last";
        QTest::newRow("UTF-8") << QByteArray("PRETTY_NAME=\"\xe6\x97\xa5\xe6\x9c\xac OS\"\n")
                               << QString::fromUtf8("日本 OS");
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void osRelease()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        QCOMPARE(prettyNameFromOsRelease(content), name);
    }

    void osTextFormat_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("architecture");
        QTest::addColumn<QString>("text");
        QTest::newRow("with architecture")
            << "Debian GNU/Linux 12 (bookworm)" << "6.1.0-18-amd64" << "x86_64"
            << QString::fromUtf8(" OS：Debian GNU/Linux 12 (bookworm)\r\n      Ver. "
                                 "6.1.0-18-amd64（x86_64）");
        QTest::newRow("architecture unknown")
            << "Linux" << "5.10.0" << QString()
            << QString::fromUtf8(" OS：Linux\r\n      Ver. 5.10.0");
    }
    void osTextFormat()
    {
        QFETCH(QString, name);
        QFETCH(QString, version);
        QFETCH(QString, architecture);
        QFETCH(QString, text);
        QCOMPARE(osText(OsFacts{name, version, architecture}), text);
    }

    void runningSystem()
    {
        const OsFacts f = osFacts();
        QVERIFY(!f.name.isEmpty());
        struct utsname u;
        QVERIFY(::uname(&u) == 0);
        QCOMPARE(f.version, QString::fromUtf8(u.release));
        QCOMPARE(f.architecture, QString::fromUtf8(u.machine));
        QCOMPARE(osText(), osText(f));
        QCOMPARE(osClass(), 10);

        const MemoryFacts m = memoryFacts();
        QVERIFY(m.totalBytes > 16.0 * 1024 * 1024);
        QVERIFY(m.availableBytes > 0);
        QVERIFY(m.availableBytes <= m.totalBytes);

        QCOMPARE(executablePath(), QCoreApplication::applicationFilePath());
    }
};

QTEST_GUILESS_MAIN(SystemTest)
#include "tst_system.moc"
