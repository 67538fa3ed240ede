#include "core/scriptedservices.h"
#include "platform/names.h"
#include "programs/launcher.h"
#include "support/tempdir.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using tovane::test::joined;
using tovane::test::readAll;
using tovane::test::TempDir;

namespace {

// Records its arguments (NUL-terminated) and its folder beside itself; the
// rename makes the record appear whole. Exits with `code`.
QByteArray recorder(int code = 0)
{
    return "#!/bin/sh\n"
           "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$0.tmp\"\n"
           "pwd >> \"$0.tmp\"\n"
           "mv \"$0.tmp\" \"$0.out\"\n"
           "exit " +
           QByteArray::number(code) + "\n";
}

bool writeFile(const TempDir& dir, const QByteArray& name, const QByteArray& content,
               mode_t mode = 0644)
{
    return dir.writeFile(name, content) && ::chmod(joined(dir, name).constData(), mode) == 0;
}

// The record of a recorder that ran, or "<none>" when it has not run by
// the time a started program would have.
QByteArray recordOf(const TempDir& dir, const QByteArray& name, bool expectRun = true)
{
    const QByteArray out = joined(dir, name + ".out");
    QElapsedTimer t;
    t.start();
    while (::access(out.constData(), F_OK) != 0 && t.elapsed() < (expectRun ? 10000 : 300))
        QTest::qWait(20);
    return ::access(out.constData(), F_OK) == 0 ? readAll(out) : QByteArray("<none>");
}

QByteArray args(std::initializer_list<QByteArray> items, const QByteArray& folder)
{
    QByteArray out;
    for (const QByteArray& a : items)
        out += a + '\0';
    return out + folder + '\n';
}

struct Fixture {
    TempDir dir;
    QList<Association> table;
    ScriptedMessageService messages;
    ScriptedProgressService progress;
    QString edited; // the path with unsaved changes
    Launcher launcher{LaunchContext{table,
                                    messages,
                                    progress,
                                    [this](const QString& p) { return p == edited; },
                                    {},
                                    {},
                                    {},
                                    QStringLiteral("x-terminal-emulator")}};

    Fixture()
    {
        dir.makeFolder("bin");
        dir.makeFolder("files");
        writeFile(dir, "bin/rec", recorder(), 0755);
    }
    QString path(const QByteArray& relative) const { return tovane::test::pathOf(dir, relative); }
    void useOpener(DesktopOpener::Kind kind, int code)
    {
        writeFile(dir, "bin/opener", recorder(code), 0755);
        DesktopOpener& o = launcher.context().opener;
        o.kind = kind;
        o.program = path("bin/opener");
        o.leadingArguments =
            kind == DesktopOpener::Gio ? QStringList{QStringLiteral("open")} : QStringList{};
        o.waitMs = 5000;
    }
    QByteArray url(const QByteArray& relative) const
    {
        return "file://" + joined(dir, relative).toPercentEncoding("/");
    }
};

const QList<QByteArray> HostileNames{"$(rm -rf ~).txt",       "it's \"quoted\" `x`.txt",
                                     "two  words ; ls *.txt", "line\nbreak.txt",
                                     "bad\xff\xfe byte.txt",  "-rf.txt"};

} // namespace

class LauncherTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tableProgramGetsThePathAsOneArgument_data();
    void tableProgramGetsThePathAsOneArgument();
    void executablesRunThemselves_data();
    void executablesRunThemselves();
    void otherFilesGoToTheDesktop_data();
    void otherFilesGoToTheDesktop();
    void failuresEndInOneMessage_data();
    void failuresEndInOneMessage();
    void desktopEntriesRunTheirCommand_data();
    void desktopEntriesRunTheirCommand();
};

void LauncherTest::tableProgramGetsThePathAsOneArgument_data()
{
    QTest::addColumn<QByteArray>("name");
    for (const QByteArray& name : HostileNames)
        QTest::newRow(name.toPercentEncoding(" $()'\"`;*-").constData()) << name;
}

void LauncherTest::tableProgramGetsThePathAsOneArgument()
{
    QFETCH(QByteArray, name);
    Fixture f;
    QVERIFY(writeFile(f.dir, "files/" + name, "text"));
    // An entry without a program comes first and is passed over; the
    // comment never reaches the program.
    f.table = {{"txt", ""}, {"txt", f.path("bin/rec") + QStringLiteral("  'my editor --flag")}};
    const QString file = f.path("files/" + name);
    QCOMPARE(f.launcher.launch(file), 0);
    QCOMPARE(recordOf(f.dir, "bin/rec"),
             args({joined(f.dir, "files/" + name)}, joined(f.dir, "files")));
    QCOMPARE(f.messages.texts(), QStringList());
    QVERIFY(f.progress.statusTexts().contains(platform::nameFromBytes(name) +
                                              QStringLiteral(" 関連プログラムを起動中")));
}

void LauncherTest::executablesRunThemselves_data()
{
    QTest::addColumn<QByteArray>("name");
    for (const QByteArray& name : HostileNames)
        QTest::newRow(name.toPercentEncoding(" $()'\"`;*-").constData()) << name;
    QTest::newRow("no extension") << QByteArray("tool");
}

void LauncherTest::executablesRunThemselves()
{
    QFETCH(QByteArray, name);
    Fixture f;
    QVERIFY(writeFile(f.dir, "files/" + name, recorder(), 0755));
    // The table's program for the extension is not asked.
    f.table = {{"txt", f.path("bin/rec")}, {"desktop", f.path("bin/rec")}};
    f.useOpener(DesktopOpener::XdgOpen, 0);
    QCOMPARE(f.launcher.launch(f.path("files/" + name)), 0);
    QCOMPARE(recordOf(f.dir, "files/" + name), args({}, joined(f.dir, "files")));
    QCOMPARE(recordOf(f.dir, "bin/rec", false), QByteArray("<none>"));
    QCOMPARE(recordOf(f.dir, "bin/opener", false), QByteArray("<none>"));
    QCOMPARE(f.messages.texts(), QStringList());
}

void LauncherTest::otherFilesGoToTheDesktop_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("detail"); // "-": no message
    const QString none = QStringLiteral("-");
    const QString noApp = QStringLiteral("\r\n\r\n実行ファイルが関連づけられていません。");
    const QString notFound = QStringLiteral(
        "\r\n\r\n対象ファイルが見つからないか、\r\n対象ファイル名に異常文字があります。");
    QTest::newRow("gio opens") << int(DesktopOpener::Gio) << 0 << true << none;
    QTest::newRow("xdg-open opens") << int(DesktopOpener::XdgOpen) << 0 << true << none;
    QTest::newRow("xdg-open: no application") << int(DesktopOpener::XdgOpen) << 3 << true << noApp;
    QTest::newRow("gio: no application") << int(DesktopOpener::Gio) << 2 << true << noApp;
    QTest::newRow("xdg-open: not found") << int(DesktopOpener::XdgOpen) << 2 << true << notFound;
    QTest::newRow("xdg-open: action failed")
        << int(DesktopOpener::XdgOpen) << 4 << true << QString();
    QTest::newRow("file gone") << int(DesktopOpener::Gio) << 0 << false << notFound;
    QTest::newRow("no opener installed") << int(DesktopOpener::None) << 0 << true << noApp;
}

void LauncherTest::otherFilesGoToTheDesktop()
{
    QFETCH(int, kind);
    QFETCH(int, exitCode);
    QFETCH(bool, present);
    QFETCH(QString, detail);
    Fixture f;
    const QByteArray name = "$(id) it's.pdf";
    if (present)
        QVERIFY(writeFile(f.dir, "files/" + name, "%PDF"));
    f.table = {{"pdf", ""}, {"txt", f.path("bin/rec")}};
    f.useOpener(DesktopOpener::Kind(kind), exitCode);
    if (kind == DesktopOpener::None)
        f.launcher.context().opener = DesktopOpener();
    const int result = f.launcher.launch(f.path("files/" + name));
    const bool opened = present && kind != DesktopOpener::None;
    const QByteArray leading = kind == DesktopOpener::Gio ? QByteArray("open") : QByteArray();
    QCOMPARE(recordOf(f.dir, "bin/opener", opened),
             opened ? (leading.isEmpty()
                           ? args({f.url("files/" + name)}, joined(f.dir, "files"))
                           : args({leading, f.url("files/" + name)}, joined(f.dir, "files")))
                    : QByteArray("<none>"));
    QCOMPARE(recordOf(f.dir, "bin/rec", false), QByteArray("<none>"));
    if (detail == QStringLiteral("-")) {
        QCOMPARE(result, 0);
        QCOMPARE(f.messages.texts(), QStringList());
        return;
    }
    QCOMPARE(result, 1);
    QCOMPARE(f.messages.texts(),
             QStringList{QStringLiteral("対象ファイル\r\n") + platform::nameFromBytes(name) +
                         QStringLiteral("\r\nを起動できませんでした。") + detail});
    QCOMPARE(f.messages.captions(), QStringList{QStringLiteral("プログラム起動")});
}

void LauncherTest::failuresEndInOneMessage_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("program"); // of the "txt" entry
    QTest::addColumn<bool>("edited");
    QTest::addColumn<QString>("message");
    QTest::newRow("failing executable is silent") << QByteArray("broken")
                                                  << QByteArray("\x7f"
                                                                "ELF garbage",
                                                                12)
                                                  << 0755 << QString() << false << QString();
    QTest::newRow("missing program")
        << QByteArray("a.txt") << QByteArray("x") << 0644 << "/nonexistent/ed" << false
        << "拡張子 txt に関連づけられた実行ファイル\r\n/nonexistent/ed が\r\n\r\n"
           "見つからないか、実行できません。";
    QTest::newRow("program that cannot run") << QByteArray("A.TXT") << QByteArray("x") << 0644
                                             << "<not executable>" << false << "<program text>";
    QTest::newRow("edited file refused")
        << QByteArray("a b.txt") << QByteArray("x") << 0644 << "<recorder>" << true
        << "a b.txt ファイルは編集中です。";
}

void LauncherTest::failuresEndInOneMessage()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, content);
    QFETCH(int, mode);
    QFETCH(QString, program);
    QFETCH(bool, edited);
    QFETCH(QString, message);
    Fixture f;
    QVERIFY(writeFile(f.dir, "files/" + name, content, mode_t(mode)));
    if (program == QStringLiteral("<recorder>")) {
        program = f.path("bin/rec");
    } else if (program == QStringLiteral("<not executable>")) {
        QVERIFY(writeFile(f.dir, "bin/plain", "#!/bin/sh\n", 0644));
        program = f.path("bin/plain");
        message = programFailedText(QStringLiteral("txt"), program);
    }
    f.table = {{"txt", program}};
    f.useOpener(DesktopOpener::XdgOpen, 0);
    const QString file = f.path("files/" + name);
    if (edited)
        f.edited = file;
    QCOMPARE(f.launcher.launch(file), message.isEmpty() ? 0 : 1);
    QCOMPARE(f.messages.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(recordOf(f.dir, "bin/rec", false), QByteArray("<none>"));
    QCOMPARE(recordOf(f.dir, "bin/opener", false), QByteArray("<none>"));
}

void LauncherTest::desktopEntriesRunTheirCommand_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("expected"); // "<refused>": the broken-link message
    QTest::newRow("runs with its arguments")
        << QByteArray("Exec=REC --name %c %f %U \"a b\" %k\n") << 0755 << QByteArray("args");
    QTest::newRow("starts with a #! line")
        << QByteArray("#!/usr/bin/env xdg-open\nExec=REC --name %c %f %U \"a b\" %k\n") << 0755
        << QByteArray("args");
    QTest::newRow("working folder")
        << QByteArray("Exec=REC\nPath=WORK\n") << 0755 << QByteArray("work");
    QTest::newRow("in a terminal")
        << QByteArray("Exec=REC x\nTerminal=true\n") << 0755 << QByteArray("terminal");
    QTest::newRow("not marked executable")
        << QByteArray("Exec=REC\n") << 0644 << QByteArray("<refused>");
    // A link always looks executable itself: the file it points to counts.
    QTest::newRow("link to an unmarked entry")
        << QByteArray("Exec=REC\n") << 0 << QByteArray("<refused>");
    QTest::newRow("hidden") << QByteArray("Exec=REC\nHidden=true\n") << 0755
                            << QByteArray("<refused>");
    QTest::newRow("TryExec missing")
        << QByteArray("Exec=REC\nTryExec=/nonexistent/x\n") << 0755 << QByteArray("<refused>");
    QTest::newRow("program missing")
        << QByteArray("Exec=/nonexistent/x\n") << 0755 << QByteArray("<refused>");
    QTest::newRow("unknown field code")
        << QByteArray("Exec=REC %q\n") << 0755 << QByteArray("<refused>");
}

void LauncherTest::desktopEntriesRunTheirCommand()
{
    QFETCH(QByteArray, keys);
    QFETCH(int, mode);
    QFETCH(QByteArray, expected);
    Fixture f;
    QVERIFY(f.dir.makeFolder("work dir"));
    QVERIFY(writeFile(f.dir, "bin/term", recorder(), 0755));
    f.launcher.context().terminal = f.path("bin/term");
    keys.replace("REC", joined(f.dir, "bin/rec"));
    keys.replace("WORK", joined(f.dir, "work dir"));
    const QByteArray name = "my app.desktop";
    QByteArray head;
    if (keys.startsWith("#!")) {
        head = keys.left(keys.indexOf('\n') + 1);
        keys.remove(0, head.size());
    }
    const QByteArray content = head + "[Desktop Entry]\nType=Application\nName=My App\n" + keys;
    if (mode == 0) {
        QVERIFY(writeFile(f.dir, "files/target", content, 0644));
        QVERIFY(::symlink("target", joined(f.dir, "files/" + name).constData()) == 0);
    } else {
        QVERIFY(writeFile(f.dir, "files/" + name, content, mode_t(mode)));
    }
    // The table's entry for the extension is not asked.
    f.table = {{"desktop", f.path("bin/term")}};
    f.useOpener(DesktopOpener::Gio, 0);
    const QString file = f.path("files/" + name);
    const int result = f.launcher.launch(file);
    QCOMPARE(recordOf(f.dir, "bin/opener", false), QByteArray("<none>"));
    if (expected == "<refused>") {
        QCOMPARE(result, 1);
        QCOMPARE(f.messages.texts(),
                 QStringList{openFailedText(QString::fromUtf8(name), OpenFailure::LinkBroken)});
        QCOMPARE(recordOf(f.dir, "bin/rec", false), QByteArray("<none>"));
        return;
    }
    QCOMPARE(result, 0);
    QCOMPARE(f.messages.texts(), QStringList());
    // Started without a folder of its own, the entry runs where Tovane runs.
    char cwd[4096];
    const QByteArray here = ::getcwd(cwd, sizeof cwd) ? QByteArray(cwd) : QByteArray();
    if (expected == "args") {
        QCOMPARE(recordOf(f.dir, "bin/rec"),
                 args({"--name", "My App", "a b", joined(f.dir, "files/" + name)}, here));
    } else if (expected == "work") {
        QCOMPARE(recordOf(f.dir, "bin/rec"), args({}, joined(f.dir, "work dir")));
    } else {
        QCOMPARE(recordOf(f.dir, "bin/term"), args({"-e", joined(f.dir, "bin/rec"), "x"}, here));
    }
}

QTEST_GUILESS_MAIN(LauncherTest)
#include "tst_launcher.moc"
