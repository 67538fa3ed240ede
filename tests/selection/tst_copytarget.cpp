// The copy-target rules shared by the selections and the copy engine: the
// three explanation texts, a destination inside the source (whole path
// components, letter case, links), the program's own executable and the
// verdict for one item.

#include "ops/copytarget.h"
#include "platform/itemrecord.h"
#include "platform/names.h"
#include "platform/system.h"
#include "support/tempdir.h"

#include <QtTest>

#include <unistd.h>

using namespace tovane;
using test::TempDir;

class CopyTargetTest : public QObject {
    Q_OBJECT
    TempDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.makeFolder("a") && m_dir.makeFolder("a/b") && m_dir.makeFolder("a/b/c"));
        QVERIFY(m_dir.makeFolder("a/bc") && m_dir.makeFolder("x") && m_dir.makeFolder("x/a"));
        QVERIFY(m_dir.makeFolder("x/a/b"));
        QVERIFY(::symlink(test::joined(m_dir, "a/b").constData(),
                          test::joined(m_dir, "x/link").constData()) == 0);
    }

    void messages_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("different kind")
            << int(ConflictDifferentKind)
            << QStringLiteral("に\r\n\r\n種類の異なる同名項目があるので");
        QTest::newRow("same or lower folder")
            << int(ConflictSameOrLowerFolder)
            << QStringLiteral("が\r\n\r\n同じかまたは下位のフォルダなので");
        QTest::newRow("program itself")
            << int(ConflictProgramItself)
            << QStringLiteral("にある\r\n\r\n同名ファイルがこのファイラ自身なので");
    }
    void messages()
    {
        QFETCH(int, kind);
        QFETCH(QString, reason);
        QCOMPARE(conflictMessage(QStringLiteral("/d/x"), kind),
                 QStringLiteral("/d/x は\r\n\r\n（コピー／移動先となり得る）対象パス") + reason +
                     QStringLiteral("\r\n\r\nコピー／移動対象にはなりません。"));
    }

    void inside_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<bool>("inside");
        QTest::newRow("the folder itself") << "a/b"
                                           << "a/b/" << true;
        QTest::newRow("without trailing separator") << "a/b"
                                                    << "a/b" << true;
        QTest::newRow("below") << "a/b"
                               << "a/b/c/" << true;
        QTest::newRow("parent is not inside") << "a/b"
                                              << "a/" << false;
        QTest::newRow("name prefix only") << "a/b"
                                          << "a/bc/" << false;
        QTest::newRow("same tail elsewhere") << "a/b"
                                             << "x/a/b/" << false;
        // Another folder on Linux, not the same one spelled otherwise.
        QTest::newRow("other letter case") << "A/B"
                                           << "a/b/c/" << false;
        QTest::newRow("through a link") << "a/b"
                                        << "x/link/c/" << true;
        QTest::newRow("sibling") << "a/bc"
                                 << "a/b/" << false;
    }
    void inside()
    {
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(bool, inside);
        const QString base = source.startsWith(u'/') ? QString() : m_dir.path() + u'/';
        QCOMPARE(destinationInsideSource(base + source, base + destination), inside);
    }

    void ownExecutable_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("own");
        QTest::newRow("the executable") << "self" << true;
        QTest::newRow("a link to it") << "link" << true;
        QTest::newRow("another file") << "other" << false;
        QTest::newRow("nothing") << "missing" << false;
    }
    void ownExecutable()
    {
        QFETCH(QString, kind);
        QFETCH(bool, own);
        const QString exe = platform::executablePath();
        QString path = exe;
        if (kind == "link") {
            path = m_dir.filePath("exe-link");
            ::unlink(platform::pathToBytes(path).constData());
            QVERIFY(::symlink(platform::pathToBytes(exe).constData(),
                              platform::pathToBytes(path).constData()) == 0);
        } else if (kind == "other") {
            QVERIFY(m_dir.writeFile("other", "x"));
            path = m_dir.filePath("other");
        } else if (kind == "missing") {
            path = m_dir.filePath("missing");
        }
        QCOMPARE(isOwnExecutable(path), own);
    }

    void verdict_data()
    {
        QTest::addColumn<bool>("sourceIsFolder");
        QTest::addColumn<QString>("counterpart"); // "", "file", "folder", "exe"
        QTest::addColumn<bool>("destinationInside");
        QTest::addColumn<bool>("checkProgram");
        QTest::addColumn<int>("kind");
        QTest::newRow("file, nothing there") << false << "" << false << true << int(ConflictNone);
        QTest::newRow("file over a file") << false << "file" << false << true << int(ConflictNone);
        QTest::newRow("file against a folder")
            << false << "folder" << false << true << int(ConflictDifferentKind);
        QTest::newRow("folder against a file")
            << true << "file" << false << true << int(ConflictDifferentKind);
        QTest::newRow("folder holding the destination")
            << true << "" << true << true << int(ConflictSameOrLowerFolder);
        QTest::newRow("over the program")
            << false << "exe" << false << true << int(ConflictProgramItself);
        QTest::newRow("over the program, not checked")
            << false << "exe" << false << false << int(ConflictNone);
    }
    void verdict()
    {
        QFETCH(bool, sourceIsFolder);
        QFETCH(QString, counterpart);
        QFETCH(bool, destinationInside);
        QFETCH(bool, checkProgram);
        QFETCH(int, kind);
        const QString exe = platform::executablePath();
        const QString exeFolder = exe.left(exe.lastIndexOf(u'/') + 1);
        ItemRecord record;
        record.name = QStringLiteral("item");
        if (counterpart == "folder")
            record.attributes = AttrDirectory;
        QString destination = m_dir.filePath("x/");
        QString source = m_dir.filePath("a/item");
        if (counterpart == "exe") {
            record.name = exe.mid(exe.lastIndexOf(u'/') + 1);
            record.size = 0;
            record.isSymlink = true; // forces the identity check
            destination = exeFolder;
        }
        if (destinationInside) {
            source = m_dir.filePath("a/b");
            destination = m_dir.filePath("a/b/c/");
        }
        QCOMPARE(copyTargetConflict(source, sourceIsFolder, destination,
                                    counterpart.isEmpty() ? nullptr : &record, checkProgram),
                 kind);
    }
};

QTEST_GUILESS_MAIN(CopyTargetTest)
#include "tst_copytarget.moc"
