#include "platform/filesystem.h"
#include "support/ownmounts.h"
#include "support/tempdir.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace tovane;
using tovane::test::ChildSkipped;
using tovane::test::entries;
using tovane::test::readAll;
using tovane::test::runWithOwnMounts;
using tovane::test::TempDir;
using tovane::test::writeBytes;

namespace {

QString exe()
{
    return qEnvironmentVariable("TOVANE_BUILD_DIR") + QStringLiteral("/src/tovane-cli");
}

struct Run {
    int exitCode = -1;
    QString err;
};

Run run(const QStringList& args, const QByteArray& dataHome = QByteArray(),
        const QString& workingFolder = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!dataHome.isEmpty())
        env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromUtf8(dataHome));
    p.setProcessEnvironment(env);
    if (!workingFolder.isEmpty())
        p.setWorkingDirectory(workingFolder);
    p.start(exe(), args);
    p.waitForFinished(60000);
    return Run{p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
}

// A file of `mib` MiB written in 1 MiB blocks of changing bytes.
bool writeBig(const QByteArray& path, int mib)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    bool ok = true;
    for (int i = 0; i < mib && ok; ++i) {
        block.fill(char('a' + i % 26));
        ok = ::write(fd, block.constData(), size_t(block.size())) == block.size();
    }
    ::close(fd);
    return ok;
}

// The folder as the kernel names it (the working folder of a child is that).
QString physical(const QString& path)
{
    char buf[PATH_MAX];
    return ::realpath(path.toUtf8().constData(), buf) ? QString::fromUtf8(buf) : QString();
}

// The command line started plainly (from a forked child, where QProcess has
// no event loop to rely on); stderr goes to `errFile`. The exit code, -1
// when it did not exit.
int runPlain(const QStringList& args, const QByteArray& errFile, const QByteArray& dataHome)
{
    QList<QByteArray> words{exe().toUtf8()};
    for (const QString& a : args)
        words.append(a.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        const int fd = ::open(errFile.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::dup2(fd, STDERR_FILENO) < 0)
            ::_exit(126);
        ::setenv("XDG_DATA_HOME", dataHome.constData(), 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool hasTemporary(const QByteArray& folder)
{
    for (const QByteArray& n : entries(folder))
        if (n.startsWith(".tovane-"))
            return true;
    return false;
}

// Whether process `pid` holds a file of `folder` open that has no name
// (yet): the copy in progress.
bool writingUnnamed(qint64 pid, const QByteArray& folder)
{
    const QByteArray fds = "/proc/" + QByteArray::number(pid) + "/fd";
    for (const QByteArray& n : entries(fds)) {
        char target[4096];
        const ssize_t len = ::readlink((fds + '/' + n).constData(), target, sizeof target);
        if (len <= 0)
            continue;
        const QByteArray link(target, len);
        if (link.startsWith(folder + '/') && link.endsWith(" (deleted)"))
            return true;
    }
    return false;
}

} // namespace

class OpsCommandsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(QFile::exists(exe())); }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("copy without names") << QStringList{"copy", "/tmp", "/tmp"};
        QTest::newRow("name with a slash") << QStringList{"copy", "/tmp", "/tmp", "a/b"};
        QTest::newRow("dot dot") << QStringList{"move", "/tmp", "/tmp", ".."};
        QTest::newRow("unknown option") << QStringList{"delete", "--frob", "/tmp", "x"};
        QTest::newRow("erase is for delete") << QStringList{"copy", "--erase", "/a", "/b", "x"};
        QTest::newRow("attr without change") << QStringList{"attr", "/tmp", "x"};
        QTest::newRow("attr with a bad change") << QStringList{"attr", "+Q", "/tmp", "x"};
    }
    void badUsage()
    {
        QFETCH(QStringList, args);
        QCOMPARE(run(args).exitCode, 2);
    }

    // Exit 0 when everything was done, 1 when something was skipped, 4 when
    // a folder check failed; the destination is touched only when told.
    void copyOutcomes_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("existing"); // R/e after the run
        QTest::newRow("new file") << QStringList{} << "n" << 0 << QByteArray("old");
        QTest::newRow("existing, default no-to-all")
            << QStringList{} << "e" << 1 << QByteArray("old");
        QTest::newRow("existing, --no-all")
            << QStringList{"--no-all"} << "e" << 1 << QByteArray("old");
        QTest::newRow("existing, --yes-all")
            << QStringList{"--yes-all"} << "e" << 0 << QByteArray("new");
        QTest::newRow("existing, --ask without a terminal")
            << QStringList{"--ask"} << "e" << 1 << QByteArray("old");
        QTest::newRow("missing name") << QStringList{} << "absent" << 1 << QByteArray("old");
    }
    void copyOutcomes()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, name);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, existing);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R"));
        QVERIFY(dir.writeFile("L/n", "fresh") && dir.writeFile("L/e", "new"));
        QVERIFY(dir.writeFile("R/e", "old"));
        const Run r = run(QStringList{"copy"} + options +
                          QStringList{dir.filePath("L"), dir.filePath("R"), name});
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(readAll(dir.pathBytes() + "/R/e"), existing);
        QCOMPARE(readAll(dir.pathBytes() + "/R/n"),
                 name == "n" ? QByteArray("fresh") : QByteArray("<missing>"));
        for (const QString& line : r.err.split(u'\n', Qt::SkipEmptyParts))
            QVERIFY2(!line.startsWith(u'['), qPrintable(line));
        QVERIFY(r.err.startsWith(QStringLiteral("コピー: ")));
    }

    void folderCheckFails()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.writeFile("L/a", "a"));
        QCOMPARE(run({"copy", dir.filePath("missing"), dir.filePath("L"), "a"}).exitCode, 4);
        QCOMPARE(run({"move", dir.filePath("L"), dir.filePath("missing"), "a"}).exitCode, 4);
        QCOMPARE(run({"delete", dir.filePath("missing"), "a"}).exitCode, 4);
        QCOMPARE(readAll(dir.pathBytes() + "/L/a"), QByteArray("a"));
    }

    // A file, a device or a dangling link given as a folder fails the folder
    // check (exit 4) naming that path, before any item is looked at.
    void fileAsFolder_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("named");
        QTest::newRow("copy into a file") << QStringList{"copy", "--yes-all", "L", "f", "a"} << "f";
        QTest::newRow("move into a file") << QStringList{"move", "--yes-all", "L", "f", "a"} << "f";
        QTest::newRow("copy into a device")
            << QStringList{"copy", "--yes-all", "L", "/dev/null", "a"} << "/dev/null";
        QTest::newRow("copy into a dangling link")
            << QStringList{"copy", "L", "dangling", "a"} << "dangling";
        QTest::newRow("file as destination, name missing")
            << QStringList{"copy", "L", "f", "absent"} << "f";
        QTest::newRow("copy from a file") << QStringList{"copy", "f", "R", "a"} << "f";
        QTest::newRow("delete in a file")
            << QStringList{"delete", "--erase", "--yes-all", "f", "a"} << "f";
        QTest::newRow("attr in a file") << QStringList{"attr", "+R", "f", "a"} << "f";
        QTest::newRow("compare form into a file")
            << QStringList{"copy", "--yes-all", "--compare", "L", "f"} << "f";
        QTest::newRow("compare form from a file")
            << QStringList{"move", "--yes-all", "--compare", "f", "R"} << "f";
    }
    void fileAsFolder()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, named);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R"));
        QVERIFY(dir.writeFile("L/a", "a") && dir.writeFile("f", "file"));
        QVERIFY(::symlink("nowhere", (dir.pathBytes() + "/dangling").constData()) == 0);
        const Run r = run(args, QByteArray(), dir.path());
        QCOMPARE(r.exitCode, 4);
        const QString path = named.startsWith(u'/') ? named : physical(dir.path()) + u'/' + named;
        QCOMPARE(r.err, QStringLiteral("tovane: パス ") + path +
                            QStringLiteral("/ は\n\n見つかりません。\n"));
        QCOMPARE(readAll(dir.pathBytes() + "/f"), QByteArray("file"));
        QCOMPARE(readAll(dir.pathBytes() + "/L/a"), QByteArray("a"));
        QCOMPARE(entries(dir.pathBytes() + "/R"), QList<QByteArray>{});
    }

    // A link to a folder still counts as that folder on either side.
    void linkedFolders_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QList<QByteArray>>("left");
        QTest::addColumn<QList<QByteArray>>("right");
        using L = QList<QByteArray>;
        QTest::newRow("copy into a link")
            << QStringList{"copy", "L", "Rlink", "a"} << L{"a"} << L{"a"};
        QTest::newRow("copy from a link")
            << QStringList{"copy", "Llink", "R", "a"} << L{"a"} << L{"a"};
        QTest::newRow("delete in a link")
            << QStringList{"delete", "--erase", "Llink", "a"} << L{} << L{};
    }
    void linkedFolders()
    {
        QFETCH(QStringList, args);
        QFETCH(QList<QByteArray>, left);
        QFETCH(QList<QByteArray>, right);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R") && dir.writeFile("L/a", "a"));
        QVERIFY(::symlink("L", (dir.pathBytes() + "/Llink").constData()) == 0);
        QVERIFY(::symlink("R", (dir.pathBytes() + "/Rlink").constData()) == 0);
        const Run r = run(args, QByteArray(), dir.path());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(entries(dir.pathBytes() + "/L"), left);
        QCOMPARE(entries(dir.pathBytes() + "/R"), right);
    }

    // An empty folder word would stand for the working folder: it is bad
    // usage, and nothing there is touched.
    void emptyFolderArgument_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("delete") << QStringList{"delete", "--erase", "--yes-all", "", "victim"};
        QTest::newRow("attr") << QStringList{"attr", "+R", "", "victim"};
        QTest::newRow("copy from it") << QStringList{"copy", "--yes-all", "", "R", "victim"};
        QTest::newRow("move into it") << QStringList{"move", "--yes-all", "L", "", "victim"};
        QTest::newRow("compare form, left")
            << QStringList{"move", "--yes-all", "--compare", "", "R"};
        QTest::newRow("compare form, right")
            << QStringList{"copy", "--yes-all", "--compare", "L", ""};
    }
    void emptyFolderArgument()
    {
        QFETCH(QStringList, args);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R"));
        QVERIFY(dir.writeFile("victim", "v") && dir.writeFile("L/victim", "l"));
        const Run r = run(args, QByteArray(), dir.path());
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(QStringLiteral("empty folder")), qPrintable(r.err));
        QCOMPARE(entries(dir.pathBytes()), (QList<QByteArray>{"L", "R", "victim"}));
        QCOMPARE(readAll(dir.pathBytes() + "/victim"), QByteArray("v"));
        QCOMPARE(readAll(dir.pathBytes() + "/L/victim"), QByteArray("l"));
        QCOMPARE(entries(dir.pathBytes() + "/R"), QList<QByteArray>{});
        struct stat st;
        QVERIFY(::stat((dir.pathBytes() + "/victim").constData(), &st) == 0);
        QVERIFY(st.st_mode & S_IWUSR);
    }

    // Folder words are made absolute and cleaned on their text: "." is the
    // working folder, not a dot-named (hidden) folder above the items, and
    // the working folder keeps its bytes when they are not UTF-8.
    void dottedFolders_data()
    {
        QTest::addColumn<QString>("workingFolder"); // "w", or "link" to "\xff"
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QList<QByteArray>>("here"); // the working folder afterwards
        QTest::addColumn<QList<QByteArray>>("right");
        using L = QList<QByteArray>;
        const L both{"keep", "victim"};
        QTest::newRow("delete in dot")
            << "w" << QStringList{"delete", "--erase", ".", "victim"} << L{"keep"} << L{};
        QTest::newRow("delete, doubled slashes")
            << "w" << QStringList{"delete", "--erase", ".//./", "victim"} << L{"keep"} << L{};
        QTest::newRow("delete, up and back")
            << "w" << QStringList{"delete", "--erase", "../w", "victim"} << L{"keep"} << L{};
        QTest::newRow("copy into a dotted folder")
            << "w" << QStringList{"copy", ".", "../R/.", "victim"} << both << L{"victim"};
        QTest::newRow("move from dot")
            << "w" << QStringList{"move", "./", "../R", "victim"} << L{"keep"} << L{"victim"};
        QTest::newRow("compare form from dot")
            << "w" << QStringList{"copy", "--exist", "--compare", ".", "../R"} << both << both;
        QTest::newRow("delete in a folder named in bytes that are not UTF-8")
            << "link" << QStringList{"delete", "--erase", ".", "victim"} << L{"keep"} << L{};
        QTest::newRow("compare form from a folder named in bytes that are not UTF-8")
            << "link" << QStringList{"copy", "--exist", "--compare", ".", "../R"} << both << both;
    }
    void dottedFolders()
    {
        QFETCH(QString, workingFolder);
        QFETCH(QStringList, args);
        QFETCH(QList<QByteArray>, here);
        QFETCH(QList<QByteArray>, right);
        TempDir dir;
        QVERIFY(dir.makeFolder("R"));
        for (const QByteArray folder : {"w", "\xff"}) {
            QVERIFY(dir.makeFolder(folder));
            QVERIFY(dir.writeFile(folder + "/victim", "v") && dir.writeFile(folder + "/keep", "k"));
        }
        QVERIFY(::symlink("\xff", (dir.pathBytes() + "/link").constData()) == 0);
        const Run r = run(args, QByteArray(), dir.filePath(workingFolder));
        QVERIFY2(!r.err.contains(QStringLiteral("隠し属性")), qPrintable(r.err));
        QCOMPARE(r.exitCode, 0);
        const QByteArray folder = workingFolder == QLatin1String("w") ? "/w" : "/\xff";
        QCOMPARE(entries(dir.pathBytes() + folder), here);
        QCOMPARE(entries(dir.pathBytes() + "/R"), right);
    }

    // A volume without a trash of ours (tmpfs here, as removable and network
    // volumes): the window erases there, so the command line deletes only
    // when --erase says so, and otherwise says why it did nothing.
    void deleteWithoutTrash_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("kept");
        QTest::newRow("default answers") << QStringList{} << 1 << true;
        QTest::newRow("--yes-all") << QStringList{"--yes-all"} << 1 << true;
        QTest::newRow("--ask without a terminal") << QStringList{"--ask"} << 1 << true;
        QTest::newRow("--quiet --yes-all") << QStringList{"--quiet", "--yes-all"} << 1 << true;
        QTest::newRow("--erase") << QStringList{"--erase"} << 0 << false;
        QTest::newRow("--erase --yes-all") << QStringList{"--erase", "--yes-all"} << 0 << false;
    }
    void deleteWithoutTrash()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(bool, kept);
        TempDir dir;
        TempDir data;
        QVERIFY(dir.makeFolder("vol"));
        const QByteArray vol = dir.pathBytes() + "/vol";
        const QByteArray err = dir.pathBytes() + "/err";
        const int status = runWithOwnMounts([&] {
            if (::mount("tovane-test", vol.constData(), "tmpfs", 0, "mode=0755") != 0)
                ::_exit(ChildSkipped);
            QVERIFY(writeBytes(vol + "/victim", "v") &&
                    ::mkdir((vol + "/F").constData(), 0755) == 0);
            QVERIFY(writeBytes(vol + "/F/inside", "i"));
            const QStringList args = QStringList{"delete"} + options +
                                     QStringList{QString::fromUtf8(vol), "victim", "F"};
            QCOMPARE(runPlain(args, err, data.pathBytes()), exitCode);
            QCOMPARE(entries(vol), (kept ? QList<QByteArray>{"F", "victim"} : QList<QByteArray>{}));
            if (kept)
                QCOMPARE(readAll(vol + "/F/inside"), QByteArray("i"));
        });
        if (status == ChildSkipped)
            QSKIP("no private mount namespace here (needs root or user namespaces)");
        QCOMPARE(status, 0);
        const QString text = QString::fromUtf8(readAll(err));
        if (kept) {
            QVERIFY2(text.startsWith(QStringLiteral("削除: ドライブ ") + physical(dir.path()) +
                                     QStringLiteral("/vol には")),
                     qPrintable(text));
            QVERIFY2(text.contains(QStringLiteral("ごみ箱がない")) &&
                         text.contains(QStringLiteral("--erase")),
                     qPrintable(text));
        }
        QCOMPARE(entries(data.pathBytes()), QList<QByteArray>{});
    }

    // Questions and messages as "title: text"; --quiet gives the short summary
    // and no conflict notices.
    void messagesOnStderr_data()
    {
        QTest::addColumn<bool>("quiet");
        QTest::newRow("messages") << false;
        QTest::newRow("quiet") << true;
    }
    void messagesOnStderr()
    {
        QFETCH(bool, quiet);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R") && dir.makeFolder("L/x"));
        QVERIFY(dir.writeFile("R/x", "file"));
        QStringList args{"move", "--all-levels"};
        if (quiet)
            args << "--quiet";
        const Run r = run(args + QStringList{dir.filePath("L"), dir.filePath("R"), "x"});
        QCOMPARE(r.exitCode, 1);
        if (quiet) {
            QCOMPARE(r.err, QStringLiteral("移動: コピー対象項目を移動します。\n"));
        } else {
            QVERIFY(
                r.err.contains(QStringLiteral("\n移動: ") + dir.filePath("L/x") +
                               QStringLiteral(" は\n\n（コピー／移動先となり得る）対象パスに")));
        }
    }

    void moveDeleteAttr()
    {
        TempDir dir;
        TempDir data;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R") && dir.makeFolder("L/F"));
        QVERIFY(dir.writeFile("L/F/inside", "i") && dir.writeFile("L/g", "g"));
        QCOMPARE(
            run({"move", "--all-levels", dir.filePath("L"), dir.filePath("R"), "F", "g"}).exitCode,
            0);
        QCOMPARE(entries(dir.pathBytes() + "/L"), QList<QByteArray>{});
        QCOMPARE(readAll(dir.pathBytes() + "/R/F/inside"), QByteArray("i"));
        QCOMPARE(run({"attr", "+R", dir.filePath("R"), "g"}).exitCode, 0);
        QCOMPARE(::access((dir.pathBytes() + "/R/g").constData(), W_OK) == 0 && ::geteuid() != 0,
                 false);
        QCOMPARE(run({"delete", dir.filePath("R"), "F"}, data.pathBytes()).exitCode, 0);
        // Nothing inside is kept back: one trash entry, restored as one folder.
        QCOMPARE(entries(data.pathBytes() + "/Trash/files"), (QList<QByteArray>{"F"}));
        QCOMPARE(readAll(data.pathBytes() + "/Trash/files/F/inside"), QByteArray("i"));
        // Read-only now: --no-all declines the question, --yes-all erases.
        QCOMPARE(run({"delete", "--erase", dir.filePath("R"), "g"}).exitCode, 1);
        QCOMPARE(run({"delete", "--erase", "--yes-all", dir.filePath("R"), "g"}).exitCode, 0);
        QCOMPARE(entries(dir.pathBytes() + "/R"), QList<QByteArray>{});
    }

    // --compare: what a compare selection marks is copied, and inside marked
    // folders only the entries that differ.
    void compareForm_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("updated"); // R/G/y afterwards
        QTest::addColumn<QList<QByteArray>>("right");
        const QList<QByteArray> all{"F", "G", "a", "b"};
        QTest::newRow("defaults, no-to-all") << QStringList{} << 1 << QByteArray("old") << all;
        QTest::newRow("defaults, yes-to-all")
            << QStringList{"--yes-all"} << 0 << QByteArray("newer") << all;
        QTest::newRow("existence only") << QStringList{"--exist"} << 0 << QByteArray("old") << all;
        QTest::newRow("size only") << QStringList{"--size=larger", "--yes-all"} << 0
                                   << QByteArray("newer") << QList<QByteArray>{"G", "b"};
    }
    void compareForm()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, updated);
        QFETCH(QList<QByteArray>, right);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R") && dir.makeFolder("L/F"));
        QVERIFY(dir.makeFolder("L/G") && dir.makeFolder("R/G"));
        QVERIFY(dir.writeFile("L/a", "a") && dir.writeFile("L/F/x", "x"));
        QVERIFY(dir.writeFile("L/b", "b") && dir.writeFile("R/b", "b"));
        QVERIFY(dir.writeFile("L/G/y", "newer") && dir.writeFile("R/G/y", "old"));
        const timespec older[2] = {{1000000000, 0}, {1000000000, 0}};
        const timespec newer[2] = {{1000000100, 0}, {1000000100, 0}};
        QVERIFY(::utimensat(AT_FDCWD, (dir.pathBytes() + "/R/G/y").constData(), older, 0) == 0);
        QVERIFY(::utimensat(AT_FDCWD, (dir.pathBytes() + "/L/G/y").constData(), newer, 0) == 0);
        for (const char* same : {"/L/b", "/R/b"})
            QVERIFY(::utimensat(AT_FDCWD, (dir.pathBytes() + same).constData(), older, 0) == 0);
        const Run r = run(QStringList{"copy", "--all-levels"} + options +
                          QStringList{"--compare", dir.filePath("L"), dir.filePath("R")});
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(readAll(dir.pathBytes() + "/R/G/y"), updated);
        QCOMPARE(entries(dir.pathBytes() + "/R"), right);
        QCOMPARE(readAll(dir.pathBytes() + "/L/G/y"), QByteArray("newer"));
    }

    void compareFormUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("names with --compare") << QStringList{"copy", "--compare", "/a", "/b", "x"};
        QTest::newRow("compare option without --compare")
            << QStringList{"copy", "--exist", "/a", "/b", "x"};
        QTest::newRow("bad date") << QStringList{"move", "--date=soon", "--compare", "/a", "/b"};
        QTest::newRow("delete has no --compare") << QStringList{"delete", "--compare", "/a", "x"};
    }
    void compareFormUsage()
    {
        QFETCH(QStringList, args);
        QCOMPARE(run(args).exitCode, 2);
    }

    // SIGINT while a big file is copied over an old one: the run stops
    // (exit 3), the old file is intact and no temporary stays; --verbose
    // says on stderr that it was interrupted. kill -9 at the same point
    // leaves the old file intact too.
    void interruptedCopyKeepsOld_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("verbose");
        QTest::newRow("SIGINT") << int(SIGINT) << 3 << false;
        QTest::newRow("SIGINT, verbose") << int(SIGINT) << 3 << true;
        QTest::newRow("kill -9") << int(SIGKILL) << -1 << false;
    }
    void interruptedCopyKeepsOld()
    {
        QFETCH(int, signalNumber);
        QFETCH(int, exitCode);
        QFETCH(bool, verbose);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R"));
        QVERIFY(writeBig(dir.pathBytes() + "/L/big", 768));
        QVERIFY(dir.writeFile("R/big", "old contents"));
        QProcess p;
        const QStringList command{"copy", "--yes-all", dir.filePath("L"), dir.filePath("R"), "big"};
        p.start(exe(), verbose ? QStringList{"--verbose"} + command : command);
        QVERIFY(p.waitForStarted());
        QElapsedTimer t;
        t.start();
        bool seen = false;
        while (!seen && t.elapsed() < 20000 && p.state() == QProcess::Running) {
            seen = writingUnnamed(p.processId(), dir.pathBytes() + "/R") ||
                   hasTemporary(dir.pathBytes() + "/R");
            if (!seen)
                QThread::usleep(200);
        }
        if (!seen) {
            p.waitForFinished();
            QSKIP("the copy ended before it could be interrupted");
        }
        ::kill(pid_t(p.processId()), signalNumber);
        QVERIFY(p.waitForFinished(20000));
        if (signalNumber == SIGKILL) {
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);
        } else {
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            QCOMPARE(p.exitCode(), exitCode);
            QVERIFY(!hasTemporary(dir.pathBytes() + "/R"));
            QVERIFY(p.readAllStandardOutput().isEmpty());
            const QByteArray said = "コピーを中断しました（処理済み 0 項目）\n";
            QCOMPARE(p.readAllStandardError().contains(said), verbose);
        }
        QCOMPARE(readAll(dir.pathBytes() + "/R/big"), QByteArray("old contents"));
        // The new contents grew without a name: not even kill -9 leaves them.
        QCOMPARE(entries(dir.pathBytes() + "/R"), QList<QByteArray>{"big"});
    }

    // No walk enters another file system mounted below where it started:
    // the mount point is reported as in use and left alone, like a link.
    void mountsLeftAlone_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<bool>("transfer");
        QTest::addColumn<QString>("name");
        QTest::newRow("erase") << QStringList{"delete", "--erase", "--yes-all"} << false
                               << "victim";
        QTest::newRow("trash") << QStringList{"delete", "--yes-all"} << false << "victim";
        QTest::newRow("move") << QStringList{"move", "--all-levels", "--yes-all"} << true
                              << "victim";
        QTest::newRow("copy") << QStringList{"copy", "--all-levels", "--yes-all"} << true
                              << "victim";
        QTest::newRow("attributes")
            << QStringList{"attr", "+R", "--all-levels"} << false << "victim";
        QTest::newRow("the mount point marked, erase")
            << QStringList{"delete", "--erase", "--yes-all"} << false << "victim/mnt";
        QTest::newRow("the mount point marked, move")
            << QStringList{"move", "--all-levels", "--yes-all"} << true << "victim/mnt";
        // Hidden: no walk, the folder would go to the trash in one piece.
        QTest::newRow("trash, a hidden folder")
            << QStringList{"delete", "--yes-all"} << false << "victim!";
    }
    void mountsLeftAlone()
    {
        QFETCH(QStringList, command);
        QFETCH(bool, transfer);
        QFETCH(QString, name);
        const bool hidden = name.endsWith(u'!');
        if (hidden)
            name.chop(1);
        TempDir dir;
        TempDir data;
        QVERIFY(dir.makeFolder("T") && dir.makeFolder("T/victim") &&
                dir.makeFolder("T/victim/mnt") && dir.makeFolder("R") && dir.makeFolder("OUTSIDE"));
        QVERIFY(dir.writeFile("T/victim/a", "a") && dir.writeFile("OUTSIDE/secret", "s"));
        const QByteArray base = dir.pathBytes();
        const QByteArray err = base + "/err";
        if (hidden && platform::setAttributes(dir.filePath("T/victim"), AttrHidden) != 0)
            QSKIP("no attribute store here");
        const int status = runWithOwnMounts([&] {
            if (::mount((base + "/OUTSIDE").constData(), (base + "/T/victim/mnt").constData(),
                        nullptr, MS_BIND, nullptr) != 0)
                ::_exit(ChildSkipped);
            const int slash = name.lastIndexOf(u'/');
            const QString folder =
                QString::fromUtf8(base) + "/T" + (slash < 0 ? QString() : u'/' + name.left(slash));
            QStringList args = command + QStringList{folder};
            if (transfer)
                args << QString::fromUtf8(base) + "/R" + (slash < 0 ? QString() : "/victim");
            // A counterpart there: the move walks instead of one rename
            // (which would carry the mount along untouched).
            if (transfer)
                QVERIFY(::mkdir((base + "/R/victim").constData(), 0755) == 0);
            args << name.mid(slash + 1);
            QCOMPARE(runPlain(args, err, data.pathBytes()), 1);
            QCOMPARE(readAll(base + "/OUTSIDE/secret"), QByteArray("s"));
            QCOMPARE(readAll(base + "/T/victim/mnt/secret"), QByteArray("s"));
            QVERIFY(::access((base + "/OUTSIDE/secret").constData(), W_OK) == 0);
            QVERIFY(!entries(base + "/R").contains("mnt"));
            QCOMPARE(entries(base + "/R/victim").contains("mnt"), false);
        });
        if (status == ChildSkipped)
            QSKIP("no private mount namespace here (needs root or user namespaces)");
        QCOMPARE(status, 0);
        QVERIFY2(readAll(err).contains(QStringLiteral("要求されたリソースは使用中です").toUtf8()),
                 readAll(err).constData());
    }

    // The same folder reached through a bind mount: a move or copy onto it
    // is refused with kind 1 and loses nothing.
    void bindMountOfTheSource_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("name");
        QTest::newRow("move a file") << QStringList{"move", "--yes-all"} << "f";
        QTest::newRow("copy a file") << QStringList{"copy", "--yes-all"} << "f";
        QTest::newRow("move a folder") << QStringList{"move", "--all-levels", "--yes-all"} << "sub";
    }
    void bindMountOfTheSource()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, name);
        TempDir dir;
        TempDir data;
        QVERIFY(dir.makeFolder("A") && dir.makeFolder("A/sub") && dir.makeFolder("B"));
        QVERIFY(dir.writeFile("A/f", "file") && dir.writeFile("A/sub/g", "data"));
        const QByteArray base = dir.pathBytes();
        const QByteArray err = base + "/err";
        const int status = runWithOwnMounts([&] {
            if (::mount((base + "/A").constData(), (base + "/B").constData(), nullptr, MS_BIND,
                        nullptr) != 0)
                ::_exit(ChildSkipped);
            const QStringList args = command + QStringList{QString::fromUtf8(base + "/A"),
                                                           QString::fromUtf8(base + "/B"), name};
            QCOMPARE(runPlain(args, err, data.pathBytes()), 1);
            QCOMPARE(readAll(base + "/A/f"), QByteArray("file"));
            QCOMPARE(readAll(base + "/A/sub/g"), QByteArray("data"));
            QCOMPARE(entries(base + "/A"), (QList<QByteArray>{"f", "sub"}));
        });
        if (status == ChildSkipped)
            QSKIP("no private mount namespace here (needs root or user namespaces)");
        QCOMPARE(status, 0);
        QVERIFY2(QString::fromUtf8(readAll(err))
                     .contains(QStringLiteral("同じかまたは下位のフォルダなので")),
                 readAll(err).constData());
    }

    // The folder itself as the destination, or a link to it: nothing is lost.
    void sameFolderRefused_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("name");
        QTest::newRow("move a folder onto itself")
            << QStringList{"move", "--all-levels", "--yes-all"} << "T/A"
            << "sub";
        QTest::newRow("through a link to the folder")
            << QStringList{"move", "--all-levels", "--yes-all"} << "T/L"
            << "sub";
        QTest::newRow("copy a file onto itself") << QStringList{"copy", "--yes-all"} << "T/A"
                                                 << "f";
        QTest::newRow("move a file onto itself through a link")
            << QStringList{"move", "--yes-all"} << "T/L"
            << "f";
    }
    void sameFolderRefused()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, destination);
        QFETCH(QString, name);
        TempDir dir;
        QVERIFY(dir.makeFolder("T") && dir.makeFolder("T/A") && dir.makeFolder("T/A/sub"));
        QVERIFY(dir.writeFile("T/A/sub/g", "data") && dir.writeFile("T/A/f", "file"));
        QVERIFY(::symlink("A", (dir.pathBytes() + "/T/L").constData()) == 0);
        const Run r =
            run(command + QStringList{dir.filePath("T/A"), dir.filePath(destination), name});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("同じかまたは下位のフォルダなので")),
                 qPrintable(r.err));
        QCOMPARE(readAll(dir.pathBytes() + "/T/A/sub/g"), QByteArray("data"));
        QCOMPARE(readAll(dir.pathBytes() + "/T/A/f"), QByteArray("file"));
        QCOMPARE(entries(dir.pathBytes() + "/T/A"), (QList<QByteArray>{"f", "sub"}));
    }

    // The case-variant commands: every file keeps its own contents.
    void caseVariantsNeverMerge_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("move") << "move";
        QTest::newRow("copy") << "copy";
    }
    void caseVariantsNeverMerge()
    {
        QFETCH(QString, command);
        TempDir dir;
        QVERIFY(dir.makeFolder("S") && dir.makeFolder("D"));
        QVERIFY(dir.writeFile("S/README.TXT", "U") && dir.writeFile("S/readme.txt", "l"));
        QVERIFY(dir.writeFile("D/README.TXT", "old"));
        const Run r = run({command, "--yes-all", dir.filePath("S"), dir.filePath("D"), "README.TXT",
                           "readme.txt"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(readAll(dir.pathBytes() + "/D/README.TXT"), QByteArray("U"));
        QCOMPARE(readAll(dir.pathBytes() + "/D/readme.txt"), QByteArray("l"));
        QCOMPARE(entries(dir.pathBytes() + "/S").size(), command == "move" ? 0 : 2);
    }

    // A volume that folds letter case (exfat through FUSE, which does not
    // say so): two source names of one class are never merged there.
    void caseFoldingVolume_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("old"); // D/README.TXT before, none when empty
        QTest::newRow("copy into an empty folder") << "copy" << QByteArray();
        QTest::newRow("copy over one spelling") << "copy" << QByteArray("old");
        QTest::newRow("move into an empty folder") << "move" << QByteArray();
        QTest::newRow("move over one spelling") << "move" << QByteArray("old");
    }
    void caseFoldingVolume()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, old);
        if (::geteuid() != 0 || QStandardPaths::findExecutable("mount.exfat-fuse").isEmpty() ||
            QStandardPaths::findExecutable("mkfs.exfat").isEmpty() ||
            QStandardPaths::findExecutable("losetup").isEmpty() || !QFile::exists("/dev/fuse"))
            QSKIP("needs root, /dev/fuse, exfat-fuse, exfatprogs and losetup");
        TempDir dir;
        TempDir data;
        QVERIFY(dir.makeFolder("S") && dir.makeFolder("M"));
        QVERIFY(dir.writeFile("S/README.TXT", "U") && dir.writeFile("S/readme.txt", "l"));
        const QByteArray base = dir.pathBytes();
        const QByteArray image = base + "/volume.img";
        const QByteArray mountPoint = base + "/M";
        const QByteArray err = base + "/err";
        const int status = runWithOwnMounts([&] {
            const QByteArray make = "truncate -s 32M '" + image + "' && mkfs.exfat '" + image +
                                    "' >/dev/null 2>&1 && losetup -f --show '" + image + "' > '" +
                                    base + "/loop'";
            if (std::system(make.constData()) != 0)
                ::_exit(ChildSkipped);
            const QByteArray loop = readAll(base + "/loop").trimmed();
            struct Detach {
                QByteArray loop, mountPoint;
                ~Detach()
                {
                    std::system(("umount '" + mountPoint + "' 2>/dev/null; losetup -d '" + loop +
                                 "' 2>/dev/null")
                                    .constData());
                }
            } detach{loop, mountPoint};
            if (std::system(("mount.exfat-fuse '" + loop + "' '" + mountPoint + "' >/dev/null 2>&1")
                                .constData()) != 0)
                ::_exit(ChildSkipped);
            const QByteArray d = mountPoint + "/D";
            QVERIFY(::mkdir(d.constData(), 0755) == 0);
            if (!old.isNull())
                QVERIFY(writeBytes(d + "/README.TXT", old));
            const QStringList args{
                command,      "--yes-all", QString::fromUtf8(base + "/S"), QString::fromUtf8(d),
                "README.TXT", "readme.txt"};
            QCOMPARE(runPlain(args, err, data.pathBytes()), 1);
            // The first name arrived; the second, its fold, was reported.
            QCOMPARE(entries(d), QList<QByteArray>{"README.TXT"});
            QCOMPARE(readAll(d + "/README.TXT"), QByteArray("U"));
            QCOMPARE(readAll(base + "/S/readme.txt"), QByteArray("l"));
            QCOMPARE(entries(base + "/S").size(), command == "move" ? 1 : 2);
        });
        if (status == ChildSkipped)
            QSKIP("no private mount namespace, loop device or FUSE mount here");
        QCOMPARE(status, 0);
    }
};

QTEST_GUILESS_MAIN(OpsCommandsTest)
#include "tst_opscommands.moc"
