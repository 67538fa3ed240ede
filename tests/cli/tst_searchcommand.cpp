// tovane-cli search as scripts see it: the TAB-separated hits after the name
// sort and the count line, narrowing in turn, archives, and exit codes.

#include "support/clirun.h"
#include "support/tempdir.h"

#include <QtTest>

using tovane::test::runCli;
using tovane::test::TempDir;

namespace {

// The names of the hit lines, and the count line.
QStringList names(const QByteArray& out, QString* countLine = nullptr)
{
    QStringList result;
    const QList<QByteArray> lines = out.split('\n');
    for (const QByteArray& line : lines) {
        if (line.isEmpty())
            continue;
        if (!line.contains('\t')) {
            if (countLine)
                *countLine = QString::fromUtf8(line);
            continue;
        }
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() == 5)
            result << QString::fromUtf8(fields[1] + fields[0]);
    }
    return result;
}

} // namespace

class SearchCommandTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void results_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("count");
        QTest::newRow("extension")
            << QStringList{"*.txt"} << QStringList{"a.txt", "sub/b.TXT"}
            << " 該当 2 件（ 0 フォルダ、 2 ファイル ）";
        QTest::newRow("narrowed twice")
            << QStringList{"--narrow", "*b*", "--narrow", "[a-b]*", "*"}
            << QStringList{"sub/b.TXT"} << " 該当 1 件（ 0 フォルダ、 1 ファイル ）";
        QTest::newRow("folders count apart")
            << QStringList{"s*"} << QStringList{"sub"} << " 該当 1 件（ 1 フォルダ、 0 ファイル ）";
        QTest::newRow("filter") << QStringList{"--filter=log", "*"} << QStringList{"sub/c.log"}
                                << " 該当 1 件（ 0 フォルダ、 1 ファイル ）";
        QTest::newRow("hidden shown when not hidden")
            << QStringList{"--hide=", "*.cfg"} << QStringList{".x.cfg"}
            << " 該当 1 件（ 0 フォルダ、 1 ファイル ）";
        QTest::newRow("hidden left out by default")
            << QStringList{"*.cfg"} << QStringList{} << " 該当 0 件（ 0 フォルダ、 0 ファイル ）";
        QTest::newRow("inside an archive")
            << QStringList{"--in-archives", "*.zz"} << QStringList{"p.zip/in.zz", "in.zz"}
            << " 該当 2 件（ 0 フォルダ、 2 ファイル ）";
    }
    void results()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, expected);
        QFETCH(QString, count);
        TempDir dir;
        QVERIFY(dir.makeFolder("sub"));
        for (const char* f : {"a.txt", "sub/b.TXT", "sub/c.log", ".x.cfg", "in.zz"})
            QVERIFY(dir.writeFile(f, "data"));
        QCOMPARE(runCli({"archive", "create", "zip", "--quiet", "--title", "p", dir.path(),
                         dir.path(), "in.zz"})
                     .exitCode,
                 0);
        const tovane::test::CliRun r = runCli(QStringList{"search"} + options << dir.path());
        QCOMPARE(r.exitCode, 0);
        QString line;
        QStringList got = names(r.out, &line);
        QStringList want = expected;
        got.sort();
        want.sort();
        QCOMPARE(got, want);
        QCOMPARE(line, count);
    }

    void sizesAndUnits()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("big.bin", QByteArray(2500, 'x')));
        tovane::test::CliRun r = runCli({"search", "big.bin", dir.path()});
        QVERIFY(r.out.startsWith("big.bin\t\t2,500\t"));
        r = runCli({"search", "--kb", "big.bin", dir.path()});
        QVERIFY2(r.out.startsWith("big.bin\t\t3\t"), r.out.constData());
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("no pattern") << QStringList{"search"} << 2;
        QTest::newRow("no folder") << QStringList{"search", "*"} << 2;
        QTest::newRow("empty pattern") << QStringList{"search", "", "DIR"} << 2;
        QTest::newRow("bad hide") << QStringList{"search", "--hide=X", "*", "DIR"} << 2;
        QTest::newRow("narrow without pattern") << QStringList{"search", "*", "DIR", "--narrow"} << 2;
        QTest::newRow("unknown option") << QStringList{"search", "--deep", "*", "DIR"} << 2;
        QTest::newRow("missing folder") << QStringList{"search", "*", "NOWHERE"} << 4;
    }
    void refused()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        TempDir dir;
        for (QString& a : args) {
            a.replace(QLatin1String("NOWHERE"), dir.filePath(QStringLiteral("nowhere")));
            a.replace(QLatin1String("DIR"), dir.path());
        }
        const tovane::test::CliRun r = runCli(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY(r.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(SearchCommandTest)
#include "tst_searchcommand.moc"
