// tovane-cli serial as scripts see it: the OLD<TAB>NEW lines, a thousand
// files renamed without losing one, --dry-run touching nothing, folders left
// out, and refused arguments.

#include "support/clirun.h"
#include "support/tempdir.h"

#include <QProcess>
#include <QtTest>

using tovane::test::entries;
using tovane::test::readAll;
using tovane::test::TempDir;

namespace {

using Run = tovane::test::CliRun;

Run run(const QStringList& args)
{
    return tovane::test::runCli(args, 120000);
}

} // namespace

class SerialCommandTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("nothing") << QStringList{"serial"} << 2;
        QTest::newRow("no name") << QStringList{"serial", "DIR"} << 2;
        QTest::newRow("bad digits") << QStringList{"serial", "--digits", "x", "DIR", "a.txt"} << 2;
        QTest::newRow("negative start")
            << QStringList{"serial", "--start", "-1", "DIR", "a.txt"} << 2;
        QTest::newRow("missing value") << QStringList{"serial", "DIR", "a.txt", "--step"} << 2;
        QTest::newRow("bad fixed part")
            << QStringList{"serial", "--fixed", "a:b", "DIR", "a.txt"} << 2;
        QTest::newRow("a path as name") << QStringList{"serial", "DIR", "sub/a.txt"} << 2;
        QTest::newRow("unknown option") << QStringList{"serial", "--force", "DIR", "a.txt"} << 2;
        QTest::newRow("no such folder") << QStringList{"serial", "NOWHERE", "a.txt"} << 4;
        QTest::newRow("only a folder") << QStringList{"serial", "DIR", "sub"} << 1;
    }
    void refused()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        TempDir dir;
        QVERIFY(dir.makeFolder("sub"));
        QVERIFY(dir.writeFile("a.txt", "a"));
        for (QString& a : args) {
            a.replace(QLatin1String("NOWHERE"), dir.filePath(QStringLiteral("nowhere")));
            a.replace(QLatin1String("DIR"), dir.path());
        }
        const Run r = run(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(readAll(dir.filePath(QStringLiteral("a.txt")).toUtf8()), QByteArray("a"));
    }

    void plannedNamesAndDryRun()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("sub"));
        for (const char* n : {"img7.jpg", "img8.png", "notes.txt", "img00.jpg"})
            QVERIFY(dir.writeFile(n, n));
        const QStringList names{"img7.jpg", "img8.png", "notes.txt", "sub"};
        Run r = run(QStringList{"serial", "--dry-run", dir.path()} + names);
        QCOMPARE(r.exitCode, 0);
        // Defaults: "img", one digit, from 0; the folder is not a target.
        QCOMPARE(r.out, QByteArray("img7.jpg\timg0.jpg\nimg8.png\timg1.png\nnotes.txt\timg2.txt\n"));
        QVERIFY(r.err.contains("フォルダは対象外です。"));
        QVERIFY(entries(dir.pathBytes()).contains("img7.jpg"));

        r = run(QStringList{"serial", "--fixed", "img", "--digits", "２", "--start", "0",
                            "--step", "5", dir.path()} +
                names);
        QCOMPARE(r.exitCode, 0);
        // img00.jpg exists: the numbers move past it.
        QCOMPARE(r.out,
                 QByteArray("img7.jpg\timg01.jpg\nimg8.png\timg06.png\nnotes.txt\timg11.txt\n"));
        QCOMPARE(readAll(dir.filePath(QStringLiteral("img11.txt")).toUtf8()),
                 QByteArray("notes.txt"));
        QCOMPARE(readAll(dir.filePath(QStringLiteral("img00.jpg")).toUtf8()),
                 QByteArray("img00.jpg"));
    }

    void aThousandOverlappingNamesKeepEveryFile()
    {
        TempDir dir;
        QStringList names;
        for (int i = 0; i < 1000; ++i) {
            const QByteArray name = QByteArray("f") + QByteArray::number(i).rightJustified(3, '0') +
                                    ".dat";
            QVERIFY(dir.writeFile(name, name));
            names << QString::fromLatin1(name);
        }
        const Run r = run(QStringList{"serial", "--quiet", dir.path()} + names);
        QCOMPARE(r.exitCode, 0);
        const QList<QByteArray> left = entries(dir.pathBytes());
        QCOMPARE(left.size(), 1000);
        QSet<QByteArray> contents;
        for (const QByteArray& n : left) {
            QVERIFY2(n.size() == 9 && n.startsWith("f"), n.constData()); // four digits now
            contents.insert(readAll(dir.pathBytes() + '/' + n));
        }
        QCOMPARE(contents.size(), 1000);
    }
};

QTEST_GUILESS_MAIN(SerialCommandTest)
#include "tst_serialcommand.moc"
