#include "platform/launch.h"
#include "platform/names.h"
#include "support/tempdir.h"

#include <QtTest>

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using namespace tovane::platform;
using tovane::test::joined;
using tovane::test::readAll;
using tovane::test::TempDir;

namespace {

// Records its arguments, NUL-terminated, beside itself once it ran; the
// rename makes the record appear whole.
const QByteArray Recorder = "#!/bin/sh\n"
                            "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$0.tmp\"\n"
                            "pwd >> \"$0.tmp\"\n"
                            "mv \"$0.tmp\" \"$0.out\"\n";

bool writeExecutable(const TempDir& dir, const QByteArray& name, const QByteArray& content,
                     mode_t mode = 0755)
{
    return dir.writeFile(name, content) && ::chmod(joined(dir, name).constData(), mode) == 0;
}

// Children of this process that ended but were never waited for.
int zombieChildren()
{
    int count = 0;
    const QByteArray self = QByteArray::number(::getpid());
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return -1;
    while (dirent* e = ::readdir(proc)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9')
            continue;
        const QByteArray status = readAll(QByteArray("/proc/") + e->d_name + "/status");
        if (status.contains("\nPPid:\t" + self + "\n") && status.contains("State:\tZ"))
            ++count;
    }
    ::closedir(proc);
    return count;
}

} // namespace

class LaunchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startReportsWhetherTheProgramRan_data();
    void startReportsWhetherTheProgramRan();
    void argumentsArriveAsTheyAre_data();
    void argumentsArriveAsTheyAre();
    void endedChildrenLeaveNoZombies();
    void waitGivesTheExitOrGivesUp_data();
    void waitGivesTheExitOrGivesUp();
    void executablesAreRecognised_data();
    void executablesAreRecognised();
};

void LaunchTest::startReportsWhetherTheProgramRan_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("present");
    QTest::addColumn<int>("error");
    QTest::newRow("script") << QByteArray("#!/bin/sh\nexit 0\n") << 0755 << true << 0;
    QTest::newRow("missing") << QByteArray() << 0755 << false << ENOENT;
    QTest::newRow("not executable") << QByteArray("#!/bin/sh\n") << 0644 << true << EACCES;
    QTest::newRow("unknown format") << QByteArray("just text\n") << 0755 << true << ENOEXEC;
    QTest::newRow("interpreter missing")
        << QByteArray("#!/nonexistent/interpreter\n") << 0755 << true << ENOENT;
}

void LaunchTest::startReportsWhetherTheProgramRan()
{
    QFETCH(QByteArray, content);
    QFETCH(int, mode);
    QFETCH(bool, present);
    QFETCH(int, error);
    TempDir dir;
    if (present)
        QVERIFY(writeExecutable(dir, "prog", content, mode_t(mode)));
    const QString program = dir.filePath(QStringLiteral("prog"));
    QCOMPARE(spawnDetached(program, {program}), error);
}

void LaunchTest::argumentsArriveAsTheyAre_data()
{
    QTest::addColumn<QByteArray>("argument");
    QTest::newRow("command substitution") << QByteArray("$(rm -rf ~).txt");
    QTest::newRow("quotes") << QByteArray("it's \"quoted\" `x`.txt");
    QTest::newRow("spaces and glob") << QByteArray("  two  words * ?.txt");
    QTest::newRow("newline") << QByteArray("line\nbreak;ls.txt");
    QTest::newRow("invalid UTF-8") << QByteArray("bad\xff\xfe name.txt");
    QTest::newRow("leading dash") << QByteArray("--help");
}

void LaunchTest::argumentsArriveAsTheyAre()
{
    QFETCH(QByteArray, argument);
    TempDir dir;
    QVERIFY(dir.makeFolder("run dir"));
    QVERIFY(writeExecutable(dir, "rec", Recorder));
    const QString program = dir.filePath(QStringLiteral("rec"));
    const QString arg = nameFromBytes(argument);
    QCOMPARE(spawnDetached(program, {program, arg}, dir.filePath(QStringLiteral("run dir"))), 0);
    const QByteArray out = joined(dir, "rec.out");
    QTRY_VERIFY_WITH_TIMEOUT(::access(out.constData(), F_OK) == 0, 10000);
    QCOMPARE(readAll(out), argument + '\0' + joined(dir, "run dir") + '\n');
}

void LaunchTest::endedChildrenLeaveNoZombies()
{
    for (int i = 0; i < 3; ++i)
        QCOMPARE(spawnDetached(QStringLiteral("true"), {}), 0);
    bool exited = false;
    int code = -1;
    QCOMPARE(spawnAndWait(QStringLiteral("true"), {}, QString(), 5000, exited, code), 0);
    QTRY_COMPARE_WITH_TIMEOUT(zombieChildren(), 0, 5000);
}

void LaunchTest::waitGivesTheExitOrGivesUp_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<int>("waitMs");
    QTest::addColumn<bool>("exited");
    QTest::addColumn<int>("code");
    QTest::newRow("success") << QByteArray("exit 0") << 5000 << true << 0;
    QTest::newRow("no application") << QByteArray("exit 3") << 5000 << true << 3;
    QTest::newRow("killed") << QByteArray("kill -9 $$") << 5000 << true << 128 + 9;
    QTest::newRow("still running") << QByteArray("sleep 3") << 100 << false << 0;
}

void LaunchTest::waitGivesTheExitOrGivesUp()
{
    QFETCH(QByteArray, script);
    QFETCH(int, waitMs);
    QFETCH(bool, exited);
    QFETCH(int, code);
    TempDir dir;
    QVERIFY(writeExecutable(dir, "opener", "#!/bin/sh\n" + script + "\n"));
    bool ended = !exited;
    int status = -1;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(
        spawnAndWait(dir.filePath(QStringLiteral("opener")), {}, QString(), waitMs, ended, status),
        0);
    QCOMPARE(ended, exited);
    if (exited)
        QCOMPARE(status, code);
    else
        QVERIFY(timer.elapsed() < 2000); // never waits for the program's end
}

void LaunchTest::executablesAreRecognised_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("executable");
    QTest::newRow("script") << QByteArray("#!/bin/sh\n") << 0755 << true;
    QTest::newRow("ELF") << QByteArray("\x7f"
                                       "ELF\x02\x01\x01",
                                       7)
                         << 0700 << true;
    QTest::newRow("script, no execute bit") << QByteArray("#!/bin/sh\n") << 0644 << false;
    QTest::newRow("text with execute bit") << QByteArray("notes\n") << 0755 << false;
    QTest::newRow("empty with execute bit") << QByteArray() << 0755 << false;
    QTest::newRow("folder") << QByteArray("<folder>") << 0755 << false;
}

void LaunchTest::executablesAreRecognised()
{
    QFETCH(QByteArray, content);
    QFETCH(int, mode);
    QFETCH(bool, executable);
    TempDir dir;
    if (content == "<folder>")
        QVERIFY(dir.makeFolder("f"));
    else
        QVERIFY(writeExecutable(dir, "f", content, mode_t(mode)));
    QCOMPARE(isExecutableFile(dir.filePath(QStringLiteral("f"))), executable);
}

QTEST_GUILESS_MAIN(LaunchTest)
#include "tst_launch.moc"
