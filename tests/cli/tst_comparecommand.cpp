// tovane-cli compare as scripts see it: the marked lines in list order, the
// COUNT lines, the default conditions, --both, --all-levels, --hide, usage
// errors, exit 4 for a missing folder and raw name bytes.

#include "platform/filesystem.h"
#include "platform/names.h"
#include "support/tempdir.h"

#include <QProcess>
#include <QtTest>

using namespace tovane;
using test::TempDir;

namespace {

QString exe()
{
    return qEnvironmentVariable("TOVANE_BUILD_DIR") + QStringLiteral("/src/tovane-cli");
}

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QStringList& args, const QString& workingFolder = QString())
{
    QProcess p;
    if (!workingFolder.isEmpty())
        p.setWorkingDirectory(workingFolder);
    p.start(exe(), QStringList{QStringLiteral("compare")} + args);
    Run r;
    if (!p.waitForFinished(30000))
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

bool setTime(const QString& path, qint64 seconds)
{
    platform::FileTimes t;
    t.write = seconds * 1000000000;
    return platform::setTimes(path, t, platform::TimeWrite) == 0;
}

} // namespace

class CompareCommandTest : public QObject {
    Q_OBJECT
    TempDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        // L: sub/ (deep difference), clash/ (a file in R), new.txt (newer),
        //    old.txt (older), only.txt, big (larger), .hid (hidden, R only
        //    has it older); R: extra.txt only there.
        QVERIFY(m_dir.makeFolder("L") && m_dir.makeFolder("R"));
        QVERIFY(m_dir.makeFolder("L/sub") && m_dir.makeFolder("R/sub"));
        QVERIFY(m_dir.writeFile("L/sub/deep", "left") && m_dir.writeFile("R/sub/deep", "r"));
        QVERIFY(m_dir.makeFolder("L/clash") && m_dir.writeFile("R/clash", "c"));
        for (const char* n : {"new.txt", "old.txt", "same.txt"}) {
            QVERIFY(m_dir.writeFile(QByteArray("L/") + n, "x"));
            QVERIFY(m_dir.writeFile(QByteArray("R/") + n, "x"));
        }
        QVERIFY(m_dir.writeFile("L/only.txt", "o") && m_dir.writeFile("R/extra.txt", "e"));
        QVERIFY(m_dir.writeFile("L/big", "bigger") && m_dir.writeFile("R/big", "b"));
        QVERIFY(m_dir.writeFile("L/.hid", "h") && m_dir.writeFile("R/.hid", "h"));
        QVERIFY(m_dir.writeFile("L/caf\xe9", "raw"));
        const qint64 t = 1500000000;
        for (const char* n : {"sub/deep", "clash", "old.txt", "same.txt", "only.txt", "big"})
            QVERIFY(setTime(m_dir.filePath("L/" + QString::fromLatin1(n)), t));
        QVERIFY(setTime(platform::pathFromBytes(test::joined(m_dir, "L/caf\xe9")), t));
        QVERIFY(setTime(m_dir.filePath("L/new.txt"), t + 100));
        QVERIFY(setTime(m_dir.filePath("L/.hid"), t + 100));
        for (const char* n :
             {"sub/deep", "clash", "new.txt", "same.txt", "extra.txt", "big", ".hid"})
            QVERIFY(setTime(m_dir.filePath("R/" + QString::fromLatin1(n)), t));
        QVERIFY(setTime(m_dir.filePath("R/old.txt"), t + 100));
    }

    void output_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("--hide= alone compares everything")
            << QStringList{"--hide="}
            << QByteArray("L\tclash\tD\t-\nL\t.hid\tF\tC\nL\tcaf\xe9\tF\tC\nL\tnew.txt\tF\tC\n"
                          "L\tonly.txt\tF\tC\nCOUNT\tL\t5\t1\t4\t4\n");
        // As the main window starts: hidden items are not compared.
        QTest::newRow("defaults: existence and newer, no hidden")
            << QStringList{}
            << QByteArray("L\tclash\tD\t-\nL\tcaf\xe9\tF\tC\nL\tnew.txt\tF\tC\n"
                          "L\tonly.txt\tF\tC\nCOUNT\tL\t4\t1\t3\t3\n");
        QTest::newRow("hidden items left out")
            << QStringList{"--hide=H"}
            << QByteArray("L\tclash\tD\t-\nL\tcaf\xe9\tF\tC\nL\tnew.txt\tF\tC\n"
                          "L\tonly.txt\tF\tC\nCOUNT\tL\t4\t1\t3\t3\n");
        QTest::newRow("older only")
            << QStringList{"--date=older", "--hide=H"}
            << QByteArray("L\tclash\tD\t-\nL\told.txt\tF\tC\nCOUNT\tL\t2\t1\t1\t1\n");
        QTest::newRow("size larger, all levels")
            << QStringList{"--size=larger", "--all-levels", "--hide=H"}
            << QByteArray("L\tclash\tD\t-\nL\tsub\tD\tC\nL\tbig\tF\tC\nCOUNT\tL\t3\t2\t1\t2\n");
        QTest::newRow("size larger, one level")
            << QStringList{"--size=larger", "--hide=H"}
            << QByteArray("L\tclash\tD\t-\nL\tbig\tF\tC\nCOUNT\tL\t2\t1\t1\t1\n");
        QTest::newRow("both windows")
            << QStringList{"--exist", "--both", "--hide=H"}
            << QByteArray("L\tclash\tD\t-\nL\tcaf\xe9\tF\tC\nL\tonly.txt\tF\tC\n"
                          "R\tclash\tF\t-\nR\textra.txt\tF\tC\n"
                          "COUNT\tL\t3\t1\t2\t2\nCOUNT\tR\t2\t0\t2\t1\n");
    }
    void output()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, expected);
        const Run r = run(options + QStringList{"L", "R"}, m_dir.path());
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, expected);
    }

    void errors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("errorPart");
        QTest::newRow("one folder") << QStringList{"L"} << 2 << QByteArray("LEFT RIGHT");
        // An empty word would stand for the working folder.
        QTest::newRow("empty left") << QStringList{"", "R"} << 2 << QByteArray("empty");
        QTest::newRow("empty right") << QStringList{"L", ""} << 2 << QByteArray("empty");
        QTest::newRow("bad date") << QStringList{"--date=later", "L", "R"} << 2
                                  << QByteArray("--date");
        QTest::newRow("bad size") << QStringList{"--size=big", "L", "R"} << 2
                                  << QByteArray("--size");
        QTest::newRow("unknown option")
            << QStringList{"--fast", "L", "R"} << 2 << QByteArray("--fast");
        QTest::newRow("bad hide letter after an empty one")
            << QStringList{"--hide=", "--hide=H,Q", "L", "R"} << 2 << QByteArray("--hide");
        QTest::newRow("missing right") << QStringList{"L", "nowhere"} << 4 << QByteArray("nowhere");
        QTest::newRow("file as folder") << QStringList{"L", "L/big"} << 4 << QByteArray("big");
    }
    void errors()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, errorPart);
        const Run r = run(args, m_dir.path());
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(errorPart), r.err.constData());
        QCOMPARE(r.out, QByteArray());
    }
};

QTEST_GUILESS_MAIN(CompareCommandTest)
#include "tst_comparecommand.moc"
