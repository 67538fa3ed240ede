// The rename of one item: never over another entry, also when that entry
// appeared after the name was checked, with the message the user sees.

#include "core/scriptedservices.h"
#include "ops/renaming.h"
#include "support/tempdir.h"

#include <QtTest>

#include <cerrno>

using namespace tovane;
using tovane::test::readAll;
using tovane::test::TempDir;

class RenameOneTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void renames_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("result");
        QTest::newRow("plain") << "a.txt" << "c.txt" << 0;
        QTest::newRow("letter case") << "a.txt" << "A.TXT" << 0;
        QTest::newRow("same name") << "a.txt" << "a.txt" << -1;
        // The name was free when checked; another program took it since.
        QTest::newRow("taken meanwhile") << "a.txt" << "b.txt" << int(EEXIST);
        QTest::newRow("gone meanwhile") << "gone.txt" << "x.txt" << int(ENOENT);
    }
    void renames()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, result);
        TempDir dir;
        QVERIFY(dir.writeFile("a.txt", "a"));
        QVERIFY(dir.writeFile("b.txt", "b"));
        ScriptedMessageService messages;
        QCOMPARE(renameOne(messages, dir.path(), from, to, false, renameTitle()), result);
        QCOMPARE(readAll(dir.filePath(QStringLiteral("b.txt")).toUtf8()), QByteArray("b"));
        if (result > 0) {
            QCOMPARE(messages.texts().size(), 1);
            QVERIFY(messages.texts().first().startsWith(dir.filePath(from) +
                                                        QStringLiteral(" は\r\n\r\nエラーが発生して")));
            QCOMPARE(messages.captions().first(), QStringLiteral("名前変更"));
        } else {
            QVERIFY(messages.texts().isEmpty());
        }
        if (result == 0)
            QCOMPARE(readAll(dir.filePath(to).toUtf8()), QByteArray("a"));
    }
};

QTEST_GUILESS_MAIN(RenameOneTest)
#include "tst_renameone.moc"
