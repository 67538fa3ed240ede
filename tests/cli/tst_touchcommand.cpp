// tovane-cli touch as scripts see it: times in local time written and read
// back, the access date alone, folders on all levels, protected items
// following the answer policy, and refused arguments.

#include "platform/filesystem.h"
#include "support/clirun.h"
#include "support/tempdir.h"

#include <QDateTime>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>

using namespace tovane;
using tovane::test::TempDir;

namespace {

int run(const QStringList& args)
{
    return tovane::test::runCli(args, 20000).exitCode;
}

qint64 localNs(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::LocalTime).toMSecsSinceEpoch() * 1000000;
}

platform::FileTimes timesOf(const QString& path)
{
    platform::FileTimes t;
    platform::getTimes(path, t);
    return t;
}

} // namespace

class TouchCommandTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("no time") << QStringList{"touch", "DIR", "a.txt"} << 2;
        QTest::newRow("bad form") << QStringList{"touch", "--modified", "2024-01-01", "DIR", "a.txt"}
                                  << 2;
        QTest::newRow("no day 30 in February")
            << QStringList{"touch", "--modified", "2024/02/30 00:00:00", "DIR", "a.txt"} << 2;
        QTest::newRow("hour 24") << QStringList{"touch", "--created", "2024/01/01 24:00:00", "DIR",
                                                "a.txt"}
                                 << 2;
        QTest::newRow("missing value") << QStringList{"touch", "DIR", "a.txt", "--accessed"} << 2;
        QTest::newRow("unknown option")
            << QStringList{"touch", "--now", "--modified", "2024/01/01 00:00:00", "DIR", "a.txt"} << 2;
        QTest::newRow("a path as name")
            << QStringList{"touch", "--modified", "2024/01/01 00:00:00", "DIR", "x/a.txt"} << 2;
        QTest::newRow("no such folder")
            << QStringList{"touch", "--modified", "2024/01/01 00:00:00", "NOWHERE", "a.txt"} << 4;
        QTest::newRow("no such item")
            << QStringList{"touch", "--modified", "2024/01/01 00:00:00", "DIR", "zz.txt"} << 1;
    }
    void refused()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        TempDir dir;
        QVERIFY(dir.writeFile("a.txt", "a"));
        const qint64 before = timesOf(dir.filePath(QStringLiteral("a.txt"))).write;
        for (QString& a : args) {
            a.replace(QLatin1String("NOWHERE"), dir.filePath(QStringLiteral("nowhere")));
            a.replace(QLatin1String("DIR"), dir.path());
        }
        QCOMPARE(run(args), exitCode);
        QCOMPARE(timesOf(dir.filePath(QStringLiteral("a.txt"))).write, before);
    }

    void timesWritten()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("sub"));
        QVERIFY(dir.writeFile("a.txt", "a"));
        QVERIFY(dir.writeFile("sub/b.txt", "b"));
        QCOMPARE(run({"touch", "--quiet", "--modified", "2024/02/29 10:11:13", "--accessed",
                      "2024/03/01 09:08:07", "--created", "2023/01/02 03:04:05", "--all-levels",
                      dir.path(), "a.txt", "sub"}),
                 0);
        for (const char* name : {"a.txt", "sub", "sub/b.txt"}) {
            const platform::FileTimes t = timesOf(dir.filePath(QLatin1String(name)));
            QCOMPARE(t.write, localNs(2024, 2, 29, 10, 11, 12)); // the odd second lowered
            QCOMPARE(t.access, localNs(2024, 3, 1, 0, 0, 0));    // the date alone
            QCOMPARE(t.creation, localNs(2023, 1, 2, 3, 4, 4));
        }
    }

    void protectedItemsFollowThePolicy_data()
    {
        QTest::addColumn<QString>("policy");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("written");
        QTest::newRow("no to all (default)") << "" << 1 << false;
        QTest::newRow("yes to all") << "--yes-all" << 0 << true;
    }
    void protectedItemsFollowThePolicy()
    {
        QFETCH(QString, policy);
        QFETCH(int, exitCode);
        QFETCH(bool, written);
        TempDir dir;
        QVERIFY(dir.writeFile("ro.txt", "r"));
        const QString path = dir.filePath(QStringLiteral("ro.txt"));
        QCOMPARE(::chmod(path.toUtf8().constData(), 0444), 0);
        QStringList args{"touch", "--modified", "2022/05/05 05:05:05", dir.path(), "ro.txt"};
        if (!policy.isEmpty())
            args.insert(1, policy);
        QCOMPARE(run(args), exitCode);
        QCOMPARE(timesOf(path).write == localNs(2022, 5, 5, 5, 5, 4), written);
        struct stat st;
        QCOMPARE(::stat(path.toUtf8().constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0444));
    }
};

QTEST_GUILESS_MAIN(TouchCommandTest)
#include "tst_touchcommand.moc"
