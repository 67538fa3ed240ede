// tovane-cli rename and mkdir: the name check with its refusals, a change
// of letter case, the same name left alone, and never a replaced entry.

#include "support/clirun.h"
#include "support/tempdir.h"

#include <QProcess>
#include <QtTest>

using tovane::test::entries;
using tovane::test::readAll;
using tovane::test::TempDir;

namespace {

int run(const QStringList& args, QByteArray* err = nullptr)
{
    const tovane::test::CliRun r = tovane::test::runCli(args, 20000);
    if (err)
        *err = r.err;
    return r.exitCode;
}

} // namespace

class RenameCommandTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rename_data()
    {
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("after"); // the folder's names afterwards
        QTest::newRow("plain") << "a.txt" << "c.txt" << 0 << "b.txt,c.txt,sub";
        QTest::newRow("other letter case") << "a.txt" << "A.TXT" << 0 << "A.TXT,b.txt,sub";
        QTest::newRow("same name") << "a.txt" << "a.txt" << 0 << "a.txt,b.txt,sub";
        QTest::newRow("onto another, any case") << "a.txt" << "B.TXT" << 1 << "a.txt,b.txt,sub";
        QTest::newRow("folder") << "sub" << "dir" << 0 << "a.txt,b.txt,dir";
        QTest::newRow("bad character") << "a.txt" << "a?.txt" << 1 << "a.txt,b.txt,sub";
        QTest::newRow("trailing dot") << "a.txt" << "a." << 1 << "a.txt,b.txt,sub";
        QTest::newRow("reserved") << "a.txt" << "con.txt" << 1 << "a.txt,b.txt,sub";
        QTest::newRow("missing item") << "zz.txt" << "y.txt" << 1 << "a.txt,b.txt,sub";
        QTest::newRow("a path as new name") << "a.txt" << "sub/a.txt" << 2 << "a.txt,b.txt,sub";
        QTest::newRow("dot-dot as old") << ".." << "x" << 2 << "a.txt,b.txt,sub";
    }
    void rename()
    {
        QFETCH(QString, oldName);
        QFETCH(QString, newName);
        QFETCH(int, exitCode);
        QFETCH(QString, after);
        TempDir dir;
        QVERIFY(dir.writeFile("a.txt", "a"));
        QVERIFY(dir.writeFile("b.txt", "b"));
        QVERIFY(dir.makeFolder("sub"));
        QCOMPARE(run({"rename", dir.path(), oldName, newName}), exitCode);
        QStringList names;
        for (const QByteArray& n : entries(dir.pathBytes()))
            names << QString::fromUtf8(n);
        names.sort(Qt::CaseInsensitive);
        QCOMPARE(names.join(u','), after);
        QCOMPARE(readAll(dir.filePath(QStringLiteral("b.txt")).toUtf8()), QByteArray("b"));
    }

    void mkdir_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("new") << "新しいフォルダ" << 0;
        QTest::newRow("exists in other case") << "A.TXT" << 1;
        QTest::newRow("bad character") << "x|y" << 1;
        QTest::newRow("a path") << "x/y" << 2;
        QTest::newRow("empty") << "" << 2;
    }
    void mkdir()
    {
        QFETCH(QString, name);
        QFETCH(int, exitCode);
        TempDir dir;
        QVERIFY(dir.writeFile("a.txt", "a"));
        QCOMPARE(run({"mkdir", dir.path(), name}), exitCode);
        const QList<QByteArray> names = entries(dir.pathBytes());
        QCOMPARE(names.size(), exitCode == 0 ? 2 : 1);
        if (exitCode == 0)
            QVERIFY(names.contains(name.toUtf8()));
    }

    void missingFolder()
    {
        TempDir dir;
        QCOMPARE(run({"mkdir", dir.filePath(QStringLiteral("none")), "x"}), 4);
        QCOMPARE(run({"rename", dir.filePath(QStringLiteral("none")), "a", "b"}), 4);
    }
};

QTEST_GUILESS_MAIN(RenameCommandTest)
#include "tst_renamecommand.moc"
