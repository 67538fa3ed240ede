// New files and links that never take a name that is in use, the test for
// programs that start themselves, and helper programs started without a
// shell: found on PATH, given their arguments byte for byte.

#include "platform/filesystem.h"
#include "platform/names.h"
#include "platform/shortcutfiles.h"
#include "platform/toolstart.h"
#include "support/tempdir.h"

#include <QtTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using tovane::test::TempDir;

class ShortcutFilesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newFileNeverReplaces_data()
    {
        QTest::addColumn<QByteArray>("existing"); // "" nothing, "file", "link", "folder"
        QTest::addColumn<int>("error");
        QTest::newRow("free name") << QByteArray() << 0;
        QTest::newRow("file") << QByteArray("file") << int(EEXIST);
        QTest::newRow("dangling link") << QByteArray("link") << int(EEXIST);
        QTest::newRow("folder") << QByteArray("folder") << int(EEXIST);
    }
    void newFileNeverReplaces()
    {
        QFETCH(QByteArray, existing);
        QFETCH(int, error);
        TempDir dir;
        const QByteArray target = dir.pathBytes() + "/entry.desktop";
        if (existing == "file")
            QVERIFY(test::writeBytes(target, "old"));
        else if (existing == "link")
            QCOMPARE(::symlink("/nowhere", target.constData()), 0);
        else if (existing == "folder")
            QCOMPARE(::mkdir(target.constData(), 0700), 0);
        QCOMPARE(platform::writeNewFile(QString::fromUtf8(target), "new"), error);
        if (error == 0)
            QCOMPARE(test::readAll(target), QByteArray("new"));
        else if (existing == "file")
            QCOMPARE(test::readAll(target), QByteArray("old"));
        // Whatever happened, only the one name is there.
        QCOMPARE(test::entries(dir.pathBytes()), QList<QByteArray>{"entry.desktop"});
    }

    void newFileInAMissingFolder()
    {
        TempDir dir;
        QCOMPARE(platform::writeNewFile(dir.filePath(QStringLiteral("no/x")), "x"), ENOENT);
    }

    void linkNeverReplaces()
    {
        TempDir dir;
        const QString link = dir.filePath(QStringLiteral("l"));
        QCOMPARE(platform::createSymlink(QStringLiteral("/first"), link), 0);
        QCOMPARE(platform::createSymlink(QStringLiteral("/second"), link), EEXIST);
        char buf[64];
        const ssize_t n = ::readlink(link.toUtf8().constData(), buf, sizeof buf);
        QCOMPARE(QByteArray(buf, int(n)), QByteArray("/first"));
    }

    void executablePrograms_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("executable");
        QTest::newRow("script") << QByteArray("#!/bin/sh\n") << 0755 << true;
        QTest::newRow("script without x") << QByteArray("#!/bin/sh\n") << 0644 << false;
        QTest::newRow("ELF header") << QByteArray("\x7f"
                                                  "ELF\x02\x01")
                                    << 0700 << true;
        QTest::newRow("text with x") << QByteArray("echo hi\n") << 0755 << false;
        QTest::newRow("empty with x") << QByteArray() << 0755 << false;
    }
    void executablePrograms()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, mode);
        QFETCH(bool, executable);
        TempDir dir;
        const QByteArray path = dir.pathBytes() + "/p";
        QVERIFY(test::writeBytes(path, content));
        QCOMPARE(::chmod(path.constData(), mode_t(mode)), 0);
        QCOMPARE(platform::isExecutableProgram(QString::fromUtf8(path)), executable);
        // A link to it counts as the program; a folder never does.
        QCOMPARE(::symlink(path.constData(), (path + "-link").constData()), 0);
        QCOMPARE(platform::isExecutableProgram(QString::fromUtf8(path + "-link")), executable);
        QVERIFY(!platform::isExecutableProgram(dir.path()));
    }

    void programsOnPath()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("a"));
        QVERIFY(dir.makeFolder("b"));
        QVERIFY(dir.makeFolder("b/tool-dir"));
        QVERIFY(dir.writeFile("a/tool", "#!/bin/sh\n")); // not executable: passed over
        QVERIFY(dir.writeFile("b/tool", "#!/bin/sh\n"));
        QCOMPARE(::chmod((dir.pathBytes() + "/b/tool").constData(), 0755), 0);
        const QByteArray saved = qgetenv("PATH");
        qputenv("PATH", "relative:" + dir.pathBytes() + "/a:" + dir.pathBytes() + "/b");
        const QString found = platform::findProgram(QStringLiteral("tool"));
        const QString none = platform::findProgram(QStringLiteral("tool-dir"));
        const QString sneaky = platform::findProgram(QStringLiteral("../b/tool"));
        qputenv("PATH", saved);
        QCOMPARE(found, dir.filePath(QStringLiteral("b/tool")));
        QVERIFY(none.isEmpty());
        QVERIFY(sneaky.isEmpty());
    }

    // Every argument reaches the program as it was, one by one; the caller
    // learns when it ended.
    void argumentsArriveUnchanged()
    {
        TempDir dir;
        const QByteArray script = dir.pathBytes() + "/record";
        QVERIFY(test::writeBytes(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; "
                                         "done > \"$0.out\"\n"));
        QCOMPARE(::chmod(script.constData(), 0755), 0);
        const QList<QByteArray> args{"--block-device", "/dev/disk/by-label/MY DATA",
                                     "$(touch pwned) `id` ; rm -rf ~", "a\nb\"c'\\", "\xff\xfe"};
        QStringList given;
        for (const QByteArray& a : args)
            given << platform::nameFromBytes(a);
        pid_t pid = 0;
        QCOMPARE(platform::startProgram(QString::fromUtf8(script), given, pid), 0);
        QVERIFY(pid > 0);
        QTRY_VERIFY(platform::programEnded(pid));
        QCOMPARE(test::readAll(script + ".out"),
                 args.join(QByteArray(1, '\0')) + QByteArray(1, '\0'));
        QVERIFY(!platform::pathExists(dir.filePath(QStringLiteral("pwned"))));
    }

    void startFailuresAreReported()
    {
        TempDir dir;
        pid_t pid = 0;
        QCOMPARE(platform::startProgram(QStringLiteral("relative/prog"), {}, pid), EINVAL);
        QVERIFY(platform::startProgram(dir.filePath(QStringLiteral("missing")), {}, pid) != 0);
    }
};

QTEST_GUILESS_MAIN(ShortcutFilesTest)
#include "tst_shortcutfiles.moc"
