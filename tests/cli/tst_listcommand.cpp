// tovane-cli list as scripts see it: the exact lines, the options, the
// TOTAL line, exit 4 with the check's message, and raw name bytes.

#include "platform/filesystem.h"
#include "support/tempdir.h"

#include <QProcess>
#include <QtTest>

#include <unistd.h>

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
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QStringLiteral("Asia/Tokyo"));
    p.setProcessEnvironment(env);
    if (!workingFolder.isEmpty())
        p.setWorkingDirectory(workingFolder);
    p.start(exe(), QStringList{QStringLiteral("list")} + args);
    Run r;
    if (!p.waitForFinished(30000))
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// 2011/02/03 04:05:06 in Tokyo.
constexpr qint64 FixedTime = qint64(1296673506) * 1000000000;

bool fixTime(const QString& path)
{
    platform::FileTimes t;
    t.write = FixedTime;
    return platform::setTimes(path, t, platform::TimeWrite) == 0;
}

} // namespace

class ListCommandTest : public QObject {
    Q_OBJECT
    TempDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.makeFolder("sub") && m_dir.writeFile("sub/in.txt", QByteArray(500, 'i')));
        QVERIFY(m_dir.writeFile("a.txt", "abc") && m_dir.writeFile("k.bin", QByteArray(1025, 'k')));
        QVERIFY(m_dir.writeFile(".h", ""));
        for (const char* name : {"sub", "a.txt", "k.bin", ".h"})
            QVERIFY(fixTime(m_dir.filePath(QString::fromLatin1(name))));
    }

    void listing_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray t = "\t2011/02/03 04:05:06\t";
        const QByteArray everything = "sub\t " + t + " \n.h\t0" + t + "H\na.txt\t3" + t +
                                      "\nk.bin\t1,025" + t + "\nTOTAL\t4\t1\t3\n";
        const QByteArray noHidden =
            "sub\t " + t + " \na.txt\t3" + t + "\nk.bin\t1,025" + t + "\nTOTAL\t3\t1\t2\n";
        // As the main window starts: hidden, system and compressed left out.
        QTest::newRow("defaults: name order, folders first, no hidden")
            << QStringList{} << noHidden;
        QTest::newRow("--hide= alone shows everything") << QStringList{"--hide="} << everything;
        QTest::newRow("letters replace the default") << QStringList{"--hide=R"} << everything;
        QTest::newRow("later letters add") << QStringList{"--hide=", "--hide=H"} << noHidden;
        QTest::newRow("kilobytes") << QStringList{"--kb", "--hide=H"}
                                   << QByteArray("sub\t " + t + " \na.txt\t1" + t + "\nk.bin\t2" +
                                                 t + "\nTOTAL\t3\t1\t2\n");
        QTest::newRow("size descending") << QStringList{"--sort=size", "--desc", "--hide=R,H"}
                                         << QByteArray("k.bin\t1,025" + t + "\na.txt\t3" + t +
                                                       "\nsub\t " + t + " \nTOTAL\t3\t1\t2\n");
        QTest::newRow("filter lists files only")
            << QStringList{"--filter=TXT,doc"} << QByteArray("a.txt\t3" + t + "\nTOTAL\t1\t0\t1\n");
        QTest::newRow("folder sizes") << QStringList{"--folder-sizes", "--hide=h"}
                                      << QByteArray("sub\t500" + t + " \na.txt\t3" + t +
                                                    "\nk.bin\t1,025" + t + "\nTOTAL\t3\t1\t2\n");
        QTest::newRow("attribute order")
            << QStringList{"--sort=attr", "--hide=,"}
            << QByteArray("a.txt\t3" + t + "\nk.bin\t1,025" + t + "\nsub\t " + t + " \n.h\t0" + t +
                          "H\nTOTAL\t4\t1\t3\n");
    }
    void listing()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, expected);
        const Run r = run(options + QStringList{m_dir.path()});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, expected);
        QVERIFY(r.err.isEmpty());
    }

    void relativeFolder()
    {
        const Run r = run({QStringLiteral("--hide=H"), QStringLiteral("sub")}, m_dir.path());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out,
                 QByteArray("in.txt\t500\t") + r.out.split('\t').value(2) + "\t\nTOTAL\t1\t0\t1\n");
    }

    // The working folder is read as its bytes: a name that is not UTF-8
    // reached through a link must not turn into another path.
    void workingFolderNotUtf8_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("firstLine");
        QTest::newRow("dot") << "." << QByteArray("inside\t1\t");
        QTest::newRow("dot with doubled slashes") << ".//./" << QByteArray("inside\t1\t");
        QTest::newRow("up") << ".." << QByteArray("\xff\t \t");
    }
    void workingFolderNotUtf8()
    {
        QFETCH(QString, folder);
        QFETCH(QByteArray, firstLine);
        TempDir dir;
        TempDir links;
        QVERIFY(dir.makeFolder("\xff") && dir.writeFile("\xff/inside", "1"));
        const QByteArray target = dir.pathBytes() + "/\xff";
        QVERIFY(::symlink(target.constData(), (links.pathBytes() + "/l").constData()) == 0);
        // The link leads there; the working folder itself is the raw name.
        const Run r = run({folder}, links.filePath("l"));
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.startsWith(firstLine), r.out.constData());
    }

    void removedWorkingFolder()
    {
        TempDir dir;
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("mkdir g && cd g && rmdir ../g && exec \"$0\" list ."), exe()});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 4);
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(err.startsWith("フォルダ ./ について\n\n"), err.constData());
    }

    void namesAreWrittenAsTheirBytes()
    {
        TempDir dir;
        const QByteArray name("caf\xe9\xff");
        QVERIFY(dir.writeFile(name, "x"));
        const Run r = run({dir.path()});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.startsWith(name + "\t1\t"), r.out.constData());
        QVERIFY(r.out.endsWith("TOTAL\t1\t0\t1\n"));
    }

    void unavailablePath_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("missing folder") << "gone/deeper" << QByteArray("は\n\n見つかりません。\n");
        QTest::newRow("a file, not a folder") << "a.txt" << QByteArray("は\n\n見つかりません。\n");
    }
    void unavailablePath()
    {
        QFETCH(QString, relative);
        QFETCH(QByteArray, message);
        const QString path = m_dir.filePath(relative);
        const Run r = run({path});
        QCOMPARE(r.exitCode, 4);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(r.err, QByteArray("パス ") + path.toUtf8() + "/ " + message);
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no folder") << QStringList{"--kb"};
        QTest::newRow("empty folder") << QStringList{""};
        // An empty word would stand for the working folder.
        QTest::newRow("empty folder before a folder") << QStringList{"", "/"};
        QTest::newRow("two folders") << QStringList{"/", "/tmp"};
        QTest::newRow("unknown sort") << QStringList{"--sort=colour", "/"};
        QTest::newRow("unknown attribute") << QStringList{"--hide=R,X", "/"};
        QTest::newRow("unknown option") << QStringList{"--all", "/"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        const Run r = run(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY(r.err.contains("list [--kb]"));
    }
};

QTEST_GUILESS_MAIN(ListCommandTest)
#include "tst_listcommand.moc"
