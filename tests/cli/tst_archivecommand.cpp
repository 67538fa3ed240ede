// tovane-cli archive as scripts see it: the listing on stdout, archives
// created and unpacked under the names the window would choose, names with
// shell characters, and every argument that is refused with its exit code.

#include "support/clirun.h"
#include "support/tempdir.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using tovane::test::readAll;
using tovane::test::TempDir;

namespace {

using Run = tovane::test::CliRun;

Run run(const QStringList& args)
{
    return tovane::test::runCli(args, 120000);
}

struct Folders {
    Folders()
    {
        QVERIFY(dir.makeFolder("src"));
        QVERIFY(dir.makeFolder("dst"));
        QVERIFY(dir.makeFolder("src/in"));
        QVERIFY(dir.writeFile("src/a.txt", "alpha\n"));
        QVERIFY(dir.writeFile("src/$(touch x) 'q'.txt", "quoted\n"));
        QVERIFY(dir.writeFile("src/in/b.txt", "beta\n"));
    }
    QString src() const { return dir.filePath(QStringLiteral("src")); }
    QString dst() const { return dir.filePath(QStringLiteral("dst")); }
    TempDir dir;
};

} // namespace

class ArchiveCommandTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refusedArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("no action") << QStringList{"archive"} << 2;
        QTest::newRow("unknown action") << QStringList{"archive", "pack"} << 2;
        QTest::newRow("list without archive") << QStringList{"archive", "list"} << 2;
        QTest::newRow("list with two") << QStringList{"archive", "list", "a", "b"} << 2;
        QTest::newRow("create without format")
            << QStringList{"archive", "create", "SRC", "DST", "a.txt"} << 2;
        QTest::newRow("create, bad format")
            << QStringList{"archive", "create", "rar", "SRC", "DST", "a.txt"} << 2;
        QTest::newRow("title without value")
            << QStringList{"archive", "create", "zip", "SRC", "DST", "a.txt", "--title"} << 2;
        QTest::newRow("empty title")
            << QStringList{"archive", "create", "zip", "--title", "", "SRC", "DST", "a.txt"} << 2;
        QTest::newRow("title on extract")
            << QStringList{"archive", "extract", "--title", "x", "SRC", "DST", "a.zip"} << 2;
        QTest::newRow("unknown option")
            << QStringList{"archive", "extract", "--force", "SRC", "DST", "a.zip"} << 2;
        QTest::newRow("no name") << QStringList{"archive", "extract", "SRC", "DST"} << 2;
        QTest::newRow("a path as name")
            << QStringList{"archive", "extract", "SRC", "DST", "in/b.zip"} << 2;
        QTest::newRow("dot-dot as name")
            << QStringList{"archive", "create", "zip", "SRC", "DST", ".."} << 2;
        QTest::newRow("missing source folder")
            << QStringList{"archive", "extract", "NOWHERE", "DST", "a.zip"} << 4;
        QTest::newRow("missing archive") << QStringList{"archive", "list", "SRC/none.zip"} << 4;
        QTest::newRow("not an archive") << QStringList{"archive", "list", "SRC/a.txt"} << 1;
        QTest::newRow("named item missing")
            << QStringList{"archive", "extract", "SRC", "DST", "none.zip"} << 1;
    }
    void refusedArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        Folders f;
        for (QString& a : args) {
            a.replace(QLatin1String("SRC"), f.src());
            a.replace(QLatin1String("DST"), f.dst());
            a.replace(QLatin1String("NOWHERE"), f.dir.filePath(QStringLiteral("nowhere")));
        }
        const Run r = run(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY(r.out.isEmpty());
        QVERIFY(!r.err.isEmpty());
        QVERIFY(readAll(f.dir.filePath(QStringLiteral("x")).toUtf8()) == "<missing>");
    }

    void createListExtract_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("headerLines");
        QTest::newRow("zip") << "zip" << 2;
        QTest::newRow("lzh") << "lzh" << 5;
        QTest::newRow("cab") << "cab" << 5;
    }
    void createListExtract()
    {
        QFETCH(QString, format);
        QFETCH(int, headerLines);
        Folders f;
        Run r = run({"archive", "create", format, "--all-levels", "--title", "t", f.src(), f.dst(),
                     "a.txt", "$(touch x) 'q'.txt", "in"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QString archive = f.dst() + QStringLiteral("/t.") + format;
        QVERIFY(QFile::exists(archive));

        r = run({"archive", "list", archive});
        QCOMPARE(r.exitCode, 0);
        const QList<QByteArray> lines = r.out.split('\n');
        QVERIFY(lines.size() > headerLines + 3);
        QVERIFY(r.out.contains("a.txt"));
        QVERIFY(r.out.contains("b.txt"));
        bool endMark = false;
        for (const QByteArray& line : lines)
            endMark = endMark || line.startsWith("-----");
        QVERIFY(endMark);
        for (int i = 0; i < headerLines; ++i)
            QVERIFY2(!lines[i].startsWith("-----"), lines[i].constData());

        // Unpacked into DST/t_<format>/ as the window does.
        QVERIFY(QFile::rename(archive, f.src() + QStringLiteral("/t.") + format));
        r = run({"archive", "extract", "--quiet", f.src(), f.dst(), QStringLiteral("t.") + format});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        const QString out = f.dst() + QStringLiteral("/t_") + format + u'/';
        QCOMPARE(readAll((out + QStringLiteral("a.txt")).toUtf8()), QByteArray("alpha\n"));
        QCOMPARE(readAll((out + QStringLiteral("$(touch x) 'q'.txt")).toUtf8()),
                 QByteArray("quoted\n"));
        QCOMPARE(readAll((out + QStringLiteral("in/b.txt")).toUtf8()), QByteArray("beta\n"));
        QVERIFY(readAll(f.dir.filePath(QStringLiteral("src/x")).toUtf8()) == "<missing>");
    }

    void withoutTitleTheFirstNameIsProposed()
    {
        Folders f;
        const Run r = run({"archive", "create", "zip", "--quiet", f.src(), f.dst(), "a.txt"});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY(QFile::exists(f.dst() + QStringLiteral("/a.zip")));
        if (!QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty()) {
            QProcess p;
            p.start(QStringLiteral("unzip"), {"-t", f.dst() + QStringLiteral("/a.zip")});
            QVERIFY(p.waitForFinished());
            QCOMPARE(p.exitCode(), 0);
        }
    }
};

QTEST_GUILESS_MAIN(ArchiveCommandTest)
#include "tst_archivecommand.moc"
