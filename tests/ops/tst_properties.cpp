// The rows of Tovane's own properties window, the file URIs handed to the
// desktop's, and the hand-over of a format to the disk utility.

#include "core/scriptedservices.h"
#include "fs/itemtext.h"
#include "ops/properties.h"
#include "ops/volumeformat.h"
#include "platform/names.h"
#include "support/tempdir.h"

#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using tovane::test::TempDir;

class PropertiesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void permissions_data()
    {
        QTest::addColumn<uint>("mode");
        QTest::addColumn<QString>("text");
        QTest::newRow("program") << 0755u << "rwxr-xr-x (755)";
        QTest::newRow("private") << 0600u << "rw------- (600)";
        QTest::newRow("nothing") << 0u << "--------- (000)";
        QTest::newRow("set-uid program") << 04755u << "rwsr-xr-x (4755)";
        QTest::newRow("set-uid without x") << 04644u << "rwSr--r-- (4644)";
        QTest::newRow("set-gid folder") << 02770u << "rwxrws--- (2770)";
        QTest::newRow("sticky tmp") << 01777u << "rwxrwxrwt (1777)";
        QTest::newRow("sticky without x") << 01666u << "rw-rw-rwT (1666)";
    }
    void permissions()
    {
        QFETCH(uint, mode);
        QFETCH(QString, text);
        QCOMPARE(permissionText(mode | S_IFREG), text);
    }

    void uris_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("uri");
        QTest::newRow("plain") << QByteArray("/home/u/a.txt") << "file:///home/u/a.txt";
        QTest::newRow("blank and percent") << QByteArray("/a b/100%") << "file:///a%20b/100%25";
        QTest::newRow("fragment and query marks")
            << QByteArray("/x#1?.txt") << "file:///x%231%3F.txt";
        QTest::newRow("UTF-8") << QByteArray("/日本") << "file:///%E6%97%A5%E6%9C%AC";
        QTest::newRow("no UTF-8") << QByteArray("/caf\xe9\xff") << "file:///caf%E9%FF";
        QTest::newRow("line feed") << QByteArray("/a\nb") << "file:///a%0Ab";
    }
    void uris()
    {
        QFETCH(QByteArray, path);
        QFETCH(QString, uri);
        QCOMPARE(fileUri(platform::pathFromBytes(path)), uri);
    }

    void mimeTypes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<uint>("mode");
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QString>("type");
        QTest::newRow("text by name")
            << "memo.txt" << uint(S_IFREG) << QByteArray("hello") << "text/plain";
        QTest::newRow("pdf by content")
            << "noextension" << uint(S_IFREG) << QByteArray("%PDF-1.4\n") << "application/pdf";
        QTest::newRow("folder named like a file")
            << "a.txt" << uint(S_IFDIR) << QByteArray() << "inode/directory";
        QTest::newRow("link") << "a.txt" << uint(S_IFLNK) << QByteArray() << "inode/symlink";
        QTest::newRow("fifo") << "pipe" << uint(S_IFIFO) << QByteArray() << "inode/fifo";
    }
    void mimeTypes()
    {
        QFETCH(QString, name);
        QFETCH(uint, mode);
        QFETCH(QByteArray, head);
        QFETCH(QString, type);
        const QString text = mimeTypeText(name, mode, head);
        QVERIFY2(text == type || text.startsWith(type + QStringLiteral("（")), qPrintable(text));
    }

    void fileRows()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("f"));
        QVERIFY(dir.writeFile("f/memo.txt", "hello"));
        const QByteArray file = dir.pathBytes() + "/f/memo.txt";
        QCOMPARE(::chmod(file.constData(), 0640), 0);
        const timespec times[2] = {{1700000000, 0}, {1600000000, 0}}; // access, write
        QCOMPARE(::utimensat(AT_FDCWD, file.constData(), times, AT_SYMLINK_NOFOLLOW), 0);
        PropertySheet sheet;
        QCOMPARE(itemProperties(QString::fromUtf8(file), sheet), 0);
        QCOMPARE(sheet.title, QStringLiteral("memo.txt"));
        QCOMPARE(sheet.value(QStringLiteral("Name")), QStringLiteral("memo.txt"));
        QCOMPARE(sheet.value(QStringLiteral("Location")), dir.filePath(QStringLiteral("f")));
        QVERIFY(sheet.value(QStringLiteral("Type")).startsWith(QStringLiteral("text/plain")));
        QCOMPARE(sheet.value(QStringLiteral("Size")), QStringLiteral("5 バイト"));
        QCOMPARE(sheet.value(QStringLiteral("Modified")),
                 fileTimeText(qint64(1600000000) * 1000000000));
        QCOMPARE(sheet.value(QStringLiteral("Accessed")),
                 fileTimeText(qint64(1700000000) * 1000000000));
        QCOMPARE(sheet.value(QStringLiteral("Permissions")), QStringLiteral("rw-r----- (640)"));
        const passwd* me = ::getpwuid(::geteuid());
        QVERIFY(me);
        QCOMPARE(sheet.value(QStringLiteral("Owner")), QString::fromUtf8(me->pw_name));
        QVERIFY(!sheet.value(QStringLiteral("Group")).isEmpty());
        QVERIFY(!sheet.value(QStringLiteral("Created")).isEmpty());
        QVERIFY(sheet.value(QStringLiteral("LinkTarget")).isEmpty());
    }

    void linkAndFolderRows()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("sub"));
        const QByteArray link = dir.pathBytes() + "/to \xff";
        QCOMPARE(::symlink("/nowhere/\xe9", link.constData()), 0);
        PropertySheet sheet;
        QCOMPARE(itemProperties(platform::pathFromBytes(link), sheet), 0);
        QVERIFY(sheet.value(QStringLiteral("Type")).startsWith(QStringLiteral("inode/symlink")));
        QCOMPARE(platform::pathToBytes(sheet.value(QStringLiteral("LinkTarget"))),
                 QByteArray("/nowhere/\xe9"));
        QCOMPARE(platform::nameToBytes(sheet.value(QStringLiteral("Name"))), QByteArray("to \xff"));

        QCOMPARE(itemProperties(dir.filePath(QStringLiteral("sub")), sheet), 0);
        QVERIFY(sheet.value(QStringLiteral("Type")).startsWith(QStringLiteral("inode/directory")));
        QCOMPARE(sheet.value(QStringLiteral("Size")), QStringLiteral("－"));

        QCOMPARE(itemProperties(dir.filePath(QStringLiteral("gone")), sheet), ENOENT);
    }

    void volumeRows_data()
    {
        QTest::addColumn<bool>("answered");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("capacity");
        QTest::addColumn<QString>("state");
        QTest::newRow("answers") << true << false << "1.0 GB（1,073,741,824 バイト）"
                                 << "書込み可";
        QTest::newRow("read-only mount") << true << true << "1.0 GB（1,073,741,824 バイト）"
                                         << "書込み禁止";
        QTest::newRow("does not answer") << false << false << "不明"
                                         << "書込み可";
    }
    void volumeRows()
    {
        QFETCH(bool, answered);
        QFETCH(bool, readOnly);
        QFETCH(QString, capacity);
        QFETCH(QString, state);
        platform::VolumeInfo v;
        v.mountPoint = QStringLiteral("/media/usb");
        v.device = QStringLiteral("/dev/sdb1");
        v.fileSystem = QStringLiteral("vfat");
        v.label = QStringLiteral("DATA");
        v.readOnly = readOnly;
        platform::VolumeSpace space;
        space.totalBytes = 1073741824.0;
        space.availableBytes = 512;
        const PropertySheet sheet = volumeProperties(v, answered ? &space : nullptr);
        QCOMPARE(sheet.title, QStringLiteral("DATA"));
        QCOMPARE(sheet.value(QStringLiteral("MountPoint")), v.mountPoint);
        QCOMPARE(sheet.value(QStringLiteral("Device")), v.device);
        QCOMPARE(sheet.value(QStringLiteral("FileSystem")), v.fileSystem);
        QCOMPARE(sheet.value(QStringLiteral("Label")), v.label);
        QCOMPARE(sheet.value(QStringLiteral("Capacity")), capacity);
        QCOMPARE(sheet.value(QStringLiteral("Free")),
                 answered ? QStringLiteral("512 バイト") : QStringLiteral("不明"));
        QCOMPARE(sheet.value(QStringLiteral("State")), state);
    }

    // Only a volume that answers is shown; a write-protected one after a
    // question that may stop it.
    void gate_data()
    {
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("writeProtected");
        QTest::addColumn<qint16>("answer");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("message");
        const QString protectedText =
            "ドライブ /media/cd は\r\n\r\n書込み禁止なので、データの変更はできません。";
        const QString cannot = "ドライブ /media/cd は\r\n\r\n処理できません。";
        QTest::newRow("writable") << true << true << false << qint16(AnswerYes) << true
                                  << QString();
        QTest::newRow("write-protected, OK")
            << true << false << true << qint16(AnswerYes) << true << protectedText;
        QTest::newRow("write-protected, cancel")
            << true << false << true << qint16(AnswerCancel) << false << protectedText;
        QTest::newRow("not ready")
            << true << false << false << qint16(AnswerYes) << false << cannot;
        QTest::newRow("gone") << false << false << false << qint16(AnswerYes) << false << cannot;
    }
    void gate()
    {
        QFETCH(bool, available);
        QFETCH(bool, writable);
        QFETCH(bool, writeProtected);
        QFETCH(qint16, answer);
        QFETCH(bool, opens);
        QFETCH(QString, message);
        ScriptedMessageService messages;
        messages.enqueue(answer);
        QCOMPARE(propertiesMayOpen(messages, QStringLiteral("/media/cd"), available, writable,
                                   writeProtected),
                 opens);
        QCOMPARE(messages.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(messages.captions(), QStringList{QStringLiteral("プロパティ")});
            QCOMPARE(messages.log().at(0).flags & 7u,
                     message.contains(QStringLiteral("書込み禁止")) ? 1u : 0u);
        }
    }

    // The block device goes to the utility as three separate arguments;
    // everything else is told and starts nothing.
    void format_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<int>("startError");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        QTest::newRow("started") << "/dev/sdb1" << true << 0 << int(FormatStarted) << QString();
        QTest::newRow("device name with blanks")
            << "/dev/disk/by-label/MY DATA" << true << 0 << int(FormatStarted) << QString();
        QTest::newRow("no tool") << "/dev/sdb1" << false << 0 << int(FormatNoTool)
                                 << formatToolMissingText();
        QTest::newRow("network share")
            << "server:/export" << true << 0 << int(FormatNoDevice)
            << "ドライブ /media/usb は\r\n\r\nフォーマットできるデバイスではありません。";
        QTest::newRow("memory file system")
            << "tmpfs" << true << 0 << int(FormatNoDevice)
            << "ドライブ /media/usb は\r\n\r\nフォーマットできるデバイスではありません。";
        QTest::newRow("start fails") << "/dev/sdb1" << true << int(EACCES) << int(FormatStartFailed)
                                     << formatStartFailedText(EACCES);
    }
    void format()
    {
        QFETCH(QString, device);
        QFETCH(bool, installed);
        QFETCH(int, startError);
        QFETCH(int, result);
        QFETCH(QString, message);
        platform::VolumeInfo v;
        v.mountPoint = QStringLiteral("/media/usb");
        v.device = device;
        QStringList looked, started;
        FormatTool tool;
        tool.findProgram = [&](const QString& name) {
            looked << name;
            return installed ? QStringLiteral("/usr/bin/") + name : QString();
        };
        tool.start = [&](const QString& program, const QStringList& args, pid_t& pid) {
            started << program << args;
            pid = 4242;
            return startError;
        };
        ScriptedMessageService messages;
        pid_t pid = -1;
        QCOMPARE(startFormat(messages, v, tool, pid), result);
        if (message.isEmpty()) {
            QVERIFY(messages.log().isEmpty());
            QCOMPARE(started, (QStringList{QStringLiteral("/usr/bin/gnome-disks"),
                                           QStringLiteral("--block-device"), device,
                                           QStringLiteral("--format-device")}));
            QCOMPARE(pid, pid_t(4242));
        } else {
            QCOMPARE(messages.texts(), QStringList{message});
            QCOMPARE(messages.captions(), QStringList{QStringLiteral("フォーマット")});
            if (result != FormatStartFailed)
                QVERIFY(started.isEmpty());
        }
        if (result == FormatNoDevice)
            QVERIFY(looked.isEmpty());
    }
};

QTEST_GUILESS_MAIN(PropertiesTest)
#include "tst_properties.moc"
