#include "core/scriptedservices.h"
#include "fs/pathrules.h"
#include "fs/volumesource.h"
#include "list/filelistmodel.h"
#include "ops/fileoperations.h"
#include "ops/markedlist.h"
#include "ops/operationhost.h"
#include "platform/filesystem.h"
#include "platform/names.h"
#include "support/asuser.h"
#include "support/tempdir.h"

#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace tovane;
using tovane::test::entries;
using tovane::test::readAll;
using tovane::test::TempDir;
using tovane::test::writeBytes;

namespace {

class RecordingHost : public OperationHost {
public:
    FileListModel lists[2];
    QString folders[2];
    bool levels = true;
    bool compare = false;
    CompareFlags flags;
    QStringList calls;

    const FileListModel* listModel(WindowIndex w) const override { return &lists[w]; }
    QString folderPath(WindowIndex w) const override { return folders[w]; }
    bool allLevels(WindowIndex) const override { return levels; }
    bool compareSelection(WindowIndex) const override { return compare; }
    CompareFlags compareFlags(WindowIndex) const override { return flags; }
    void setListHidden(WindowIndex w, bool hidden) override
    {
        calls << QStringLiteral("hidden %1 %2").arg(w).arg(hidden ? "true" : "false");
    }
    void listEntryRemoved(WindowIndex w, const QString& name, bool) override
    {
        calls << QStringLiteral("removed %1 %2").arg(w).arg(name);
    }
    void listEntryAdded(WindowIndex w, const ItemRecord& r) override
    {
        calls << QStringLiteral("added %1 %2").arg(w).arg(r.name);
    }
    void listEntryUpdated(WindowIndex w, const QString& old, const ItemRecord& r) override
    {
        calls << QStringLiteral("updated %1 %2 %3").arg(w).arg(old, r.name);
    }
};

struct Env {
    ScriptedMessageService messages;
    ScriptedProgressService progress;
    FakeVolumeSource volumes;
    RecordingHost host;
    FileOperations ops{OperationContext{messages, progress, volumes, nullptr, host}};

    Env() { progress.setPumpInterval(0); }
    // Left shows `left` with `marked` marked, right shows `right`.
    void show(const QString& left, const QString& right, const QStringList& marked)
    {
        host.folders[0] = addSeparator(left);
        host.folders[1] = addSeparator(right);
        loadFolderModel(host.lists[0], left);
        loadFolderModel(host.lists[1], right);
        markNames(host.lists[0], marked);
    }
    // The confirmation kinds presented, in order (plain messages left out).
    QList<int> kinds() const
    {
        QList<int> out;
        for (const auto& p : messages.log())
            if (p.kind > 0)
                out << p.kind;
        return out;
    }
    QStringList plainTexts() const
    {
        QStringList out;
        for (const auto& p : messages.log())
            if (p.kind == 0)
                out << p.text;
        return out;
    }
};

QByteArray pattern(qsizetype size)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 x = 12345;
    for (qsizetype i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        data[i] = char(x >> 16);
    }
    return data;
}

bool hasTemporaries(const QByteArray& folder)
{
    for (const QByteArray& n : entries(folder))
        if (n.startsWith(".tovane-"))
            return true;
    return false;
}

bool hasAttributeRecord(const QByteArray& path)
{
    return ::lgetxattr(path.constData(), "user.DOSATTRIB", nullptr, 0) >= 0;
}

ino_t inodeOf(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 ? st.st_ino : 0;
}

// Whether this process holds a file of `folder` open that has no name yet.
bool openUnnamedIn(const QByteArray& folder)
{
    for (const QByteArray& n : entries("/proc/self/fd")) {
        char target[4096];
        const ssize_t len = ::readlink(("/proc/self/fd/" + n).constData(), target, sizeof target);
        if (len > 0 && QByteArray(target, len).startsWith(folder + '/') &&
            QByteArray(target, len).endsWith(" (deleted)"))
            return true;
    }
    return false;
}

bool isLink(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

QString q(const QByteArray& b)
{
    return platform::nameFromBytes(b);
}

} // namespace

class CopyMoveTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Trash tests elsewhere; a move that erases must never fill it.
        QVERIFY(m_data.isValid());
        qputenv("XDG_DATA_HOME", m_data.pathBytes());
    }

    // A folder copied or moved into itself or below is refused with kind 1,
    // however the destination is spelled.
    void destinationInsideSource_data()
    {
        QTest::addColumn<QByteArray>("destination"); // relative to the temp dir
        QTest::addColumn<bool>("move");
        QTest::addColumn<bool>("messagesOn");
        QTest::newRow("subfolder") << QByteArray("L/A/sub") << false << true;
        QTest::newRow("itself") << QByteArray("L/A") << false << true;
        QTest::newRow("move into subfolder") << QByteArray("L/A/sub") << true << true;
        QTest::newRow("through a link") << QByteArray("link") << false << true;
        QTest::newRow("other spelling") << QByteArray("L/../L/A/sub") << true << true;
        QTest::newRow("quiet") << QByteArray("L/A/sub") << false << false;
    }
    void destinationInsideSource()
    {
        QFETCH(QByteArray, destination);
        QFETCH(bool, move);
        QFETCH(bool, messagesOn);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("L/A") && dir.makeFolder("L/A/sub"));
        QVERIFY(dir.writeFile("L/A/f.txt", "data"));
        QVERIFY(::symlink("L/A/sub", (dir.pathBytes() + "/link").constData()) == 0);
        Env env;
        env.messages.setConfirmationMessages(messagesOn);
        env.show(dir.filePath("L"), q(dir.pathBytes() + '/' + destination), {"A"});
        QCOMPARE(env.ops.copyOrMove(LeftWindow, move), 0);
        const QStringList texts = env.plainTexts();
        QCOMPARE(texts.size(), messagesOn ? 2 : 1); // summary (+ conflict)
        if (messagesOn)
            QVERIFY(texts.last().contains(QStringLiteral("同じかまたは下位のフォルダなので")));
        QCOMPARE(entries(dir.pathBytes() + "/L/A"), (QList<QByteArray>{"f.txt", "sub"}));
        QCOMPARE(entries(dir.pathBytes() + "/L/A/sub"), QList<QByteArray>{});
        QCOMPARE(env.ops.lastRun().outcome.skipped, 1);
    }

    // The answers for all items: yes-to-all silences overwrites but not a
    // protected destination; no-to-all silences every later question.
    void answersForAllItems_data()
    {
        QTest::addColumn<QByteArray>("readOnly"); // destination files made read-only
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QList<int>>("kinds");
        QTest::addColumn<QByteArray>("replaced"); // files that got the new contents
        QTest::newRow("yes-all, read-only still asks kind 2")
            << QByteArray("c") << QList<int>{AnswerYesAll, AnswerYes} << QList<int>{11, 2}
            << QByteArray("abc");
        QTest::newRow("yes-all, read-only declined")
            << QByteArray("c") << QList<int>{AnswerYesAll, AnswerNo} << QList<int>{11, 2}
            << QByteArray("ab");
        QTest::newRow("yes-all to read-only accepts it")
            << QByteArray("ac") << QList<int>{AnswerYesAll} << QList<int>{12} << QByteArray("abc");
        QTest::newRow("no-all") << QByteArray("") << QList<int>{AnswerNoAll} << QList<int>{11}
                                << QByteArray("");
        QTest::newRow("no-all to an attribute question silences overwrites")
            << QByteArray("a") << QList<int>{AnswerNoAll} << QList<int>{12} << QByteArray("");
        QTest::newRow("one by one") << QByteArray("") << QList<int>{AnswerYes, AnswerNo, AnswerYes}
                                    << QList<int>{11, 11, 1} << QByteArray("ac");
        QTest::newRow("cancel stops") << QByteArray("") << QList<int>{AnswerYes, AnswerCancel}
                                      << QList<int>{11, 11} << QByteArray("a");
    }
    void answersForAllItems()
    {
        QFETCH(QByteArray, readOnly);
        QFETCH(QList<int>, answers);
        QFETCH(QList<int>, kinds);
        QFETCH(QByteArray, replaced);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R"));
        for (char c : QByteArray("abc")) {
            const QByteArray name(1, c);
            QVERIFY(dir.writeFile("L/" + name, "new " + name));
            QVERIFY(dir.writeFile("R/" + name, "old"));
            if (readOnly.contains(c))
                QVERIFY(::chmod((dir.pathBytes() + "/R/" + name).constData(), 0444) == 0);
        }
        Env env;
        env.messages.enqueue(AnswerYes); // the summary
        for (int a : answers)
            env.messages.enqueue(qint16(a));
        env.show(dir.filePath("L"), dir.filePath("R"), {"a", "b", "c"});
        env.ops.copyOrMove(LeftWindow, false);
        QCOMPARE(env.kinds(), kinds);
        for (char c : QByteArray("abc")) {
            const QByteArray name(1, c);
            QCOMPARE(readAll(dir.pathBytes() + "/R/" + name),
                     replaced.contains(c) ? "new " + name : QByteArray("old"));
        }
        QVERIFY(!hasTemporaries(dir.pathBytes() + "/R"));
    }

    // Moving where the item is absent is one rename; onto an existing file it
    // copies and then erases the source, which never goes to the trash.
    void moveFile_data()
    {
        QTest::addColumn<bool>("destinationExists");
        QTest::newRow("absent: one rename") << false;
        QTest::newRow("existing: copy, then erase") << true;
    }
    void moveFile()
    {
        QFETCH(bool, destinationExists);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R"));
        QVERIFY(dir.writeFile("L/f.txt", "moved"));
        if (destinationExists)
            QVERIFY(dir.writeFile("R/f.txt", "old"));
        const ino_t before = inodeOf(dir.pathBytes() + "/L/f.txt");
        Env env;
        env.messages.setDefaultAnswer(AnswerYes);
        env.show(dir.filePath("L"), dir.filePath("R"), {"f.txt"});
        QCOMPARE(env.ops.copyOrMove(LeftWindow, true), 0);
        QCOMPARE(entries(dir.pathBytes() + "/L"), QList<QByteArray>{});
        QCOMPARE(readAll(dir.pathBytes() + "/R/f.txt"), QByteArray("moved"));
        QCOMPARE(inodeOf(dir.pathBytes() + "/R/f.txt") == before, !destinationExists);
        QCOMPARE(entries(m_data.pathBytes() + "/Trash/files"), QList<QByteArray>{});
        QVERIFY(env.host.calls.contains(QStringLiteral("removed 0 f.txt")));
        QVERIFY(env.host.calls.contains(destinationExists ? QStringLiteral("updated 1 f.txt f.txt")
                                                          : QStringLiteral("added 1 f.txt")));
        QCOMPARE(env.ops.lastRun().outcome.done, 1);
    }

    // An overwritten destination takes the source's name (letter case) and
    // its attributes plus archive; archive only where the source keeps a record.
    void overwriteTakesSourceName_data()
    {
        QTest::addColumn<QByteArray>("sourceName");
        QTest::addColumn<QByteArray>("destinationName");
        QTest::addColumn<quint32>("sourceAttributes");
        QTest::addColumn<quint32>("expected");
        QTest::newRow("other letter case")
            << QByteArray("Readme.TXT") << QByteArray("README.txt") << quint32(AttrHidden)
            << quint32(AttrHidden | AttrArchive);
        QTest::newRow("same name")
            << QByteArray("a.txt") << QByteArray("a.txt") << quint32(0) << quint32(0);
        QTest::newRow("read-only source") << QByteArray("b.txt") << QByteArray("B.TXT")
                                          << quint32(AttrReadOnly) << quint32(AttrReadOnly);
        QTest::newRow("system source")
            << QByteArray("c.txt") << QByteArray("c.txt") << quint32(AttrSystem | AttrReadOnly)
            << quint32(AttrSystem | AttrReadOnly | AttrArchive);
    }
    void overwriteTakesSourceName()
    {
        QFETCH(QByteArray, sourceName);
        QFETCH(QByteArray, destinationName);
        QFETCH(quint32, sourceAttributes);
        QFETCH(quint32, expected);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R"));
        QVERIFY(dir.writeFile("L/" + sourceName, "new"));
        QVERIFY(dir.writeFile("R/" + destinationName, "old"));
        const QString source = q(dir.pathBytes() + "/L/" + sourceName);
        if (sourceAttributes && platform::setAttributes(source, sourceAttributes) != 0)
            QSKIP("no attribute store on this file system");
        Env env;
        env.messages.setDefaultAnswer(AnswerYes);
        env.show(dir.filePath("L"), dir.filePath("R"), {q(sourceName)});
        env.ops.copyOrMove(LeftWindow, false);
        QCOMPARE(env.kinds(), QList<int>{1});
        QCOMPARE(entries(dir.pathBytes() + "/R"), QList<QByteArray>{sourceName});
        QCOMPARE(readAll(dir.pathBytes() + "/R/" + sourceName), QByteArray("new"));
        quint32 attributes = 0;
        QCOMPARE(platform::getAttributes(q(dir.pathBytes() + "/R/" + sourceName), attributes), 0);
        QCOMPARE(attributes & (AttrReadOnly | AttrHidden | AttrSystem | AttrArchive), expected);
    }

    // A source without an attribute record gives copies without one, new or
    // overwritten alike, at the top and inside a copied folder.
    void copyAddsNoAttributeRecord_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<quint32>("attributes");
        QTest::addColumn<bool>("inFolder");
        QTest::newRow("plain") << QByteArray("plain.txt") << 0u << false;
        QTest::newRow("read-only") << QByteArray("ro.txt") << quint32(AttrReadOnly) << false;
        QTest::newRow("dot name") << QByteArray(".config") << 0u << false;
        QTest::newRow("plain in a folder") << QByteArray("plain.txt") << 0u << true;
        QTest::newRow("read-only in a folder")
            << QByteArray("ro.txt") << quint32(AttrReadOnly) << true;
        QTest::newRow("recorded archive") << QByteArray("a.txt") << quint32(AttrArchive) << false;
        QTest::newRow("recorded hidden archive in a folder")
            << QByteArray("h.txt") << quint32(AttrHidden | AttrArchive) << true;
    }
    void copyAddsNoAttributeRecord()
    {
        QFETCH(QByteArray, name);
        QFETCH(quint32, attributes);
        QFETCH(bool, inFolder);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R") && dir.makeFolder("L/F"));
        const QByteArray relative = inFolder ? "F/" + name : name;
        QVERIFY(dir.writeFile("L/" + relative, "data"));
        const QByteArray source = dir.pathBytes() + "/L/" + relative;
        if (attributes && platform::setAttributes(q(source), attributes) != 0)
            QSKIP("no attribute store on this file system");
        const bool recorded = hasAttributeRecord(source);
        QCOMPARE(recorded, bool(attributes & ~quint32(AttrReadOnly)));
        quint32 sourceAttributes = 0;
        QCOMPARE(platform::getAttributes(q(source), sourceAttributes), 0);

        const QByteArray copy = dir.pathBytes() + "/R/" + relative;
        for (const char* step : {"new", "overwritten"}) {
            Env env;
            env.messages.setDefaultAnswer(AnswerYes);
            env.show(dir.filePath("L"), dir.filePath("R"), {q(inFolder ? QByteArray("F") : name)});
            QCOMPARE(env.ops.copyOrMove(LeftWindow, false), 0);
            QCOMPARE(env.ops.lastRun().outcome.failed, 0);
            QVERIFY2(hasAttributeRecord(copy) == recorded, step);
            quint32 copied = 0;
            QCOMPARE(platform::getAttributes(q(copy), copied), 0);
            QCOMPARE(copied, sourceAttributes);
        }
    }

    // 確認メッセージ 不要: the short summary, conflicts skipped silently.
    void quietMode_data()
    {
        QTest::addColumn<bool>("messagesOn");
        QTest::newRow("messages on") << true;
        QTest::newRow("messages off") << false;
    }
    void quietMode()
    {
        QFETCH(bool, messagesOn);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R") && dir.makeFolder("L/x"));
        QVERIFY(dir.writeFile("R/x", "a file"));
        QVERIFY(dir.writeFile("L/y", "copied"));
        Env env;
        env.messages.setConfirmationMessages(messagesOn);
        env.show(dir.filePath("L"), dir.filePath("R"), {"x", "y"});
        env.ops.copyOrMove(LeftWindow, false);
        const QStringList texts = env.plainTexts();
        if (messagesOn) {
            QCOMPARE(texts.size(), 2);
            QVERIFY(texts[1].contains(QStringLiteral("種類の異なる同名項目があるので")));
        } else {
            QCOMPARE(texts, QStringList{QStringLiteral("コピー対象項目をコピーします。")});
        }
        QCOMPARE(readAll(dir.pathBytes() + "/R/x"), QByteArray("a file"));
        QCOMPARE(readAll(dir.pathBytes() + "/R/y"), QByteArray("copied"));
    }

    // The interrupt request in the middle of a big file: the old destination
    // (or nothing) stays under the real name, no temporary is left.
    void interruptMidFile_data()
    {
        QTest::addColumn<bool>("destinationExists");
        QTest::addColumn<bool>("move");
        QTest::newRow("overwrite") << true << false;
        QTest::newRow("new file") << false << false;
        QTest::newRow("move onto existing") << true << true;
    }
    void interruptMidFile()
    {
        QFETCH(bool, destinationExists);
        QFETCH(bool, move);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R"));
        const QByteArray big = pattern(8 << 20);
        QVERIFY(writeBytes(dir.pathBytes() + "/L/big", big));
        if (destinationExists)
            QVERIFY(dir.writeFile("R/big", "old contents"));
        Env env;
        env.messages.setDefaultAnswer(AnswerYes);
        env.show(dir.filePath("L"), dir.filePath("R"), {"big"});
        // A few chunks in: after the summary and the start, inside the file.
        int chunks = 0;
        env.progress.onPump = [&] {
            if (++chunks == 6)
                env.progress.requestInterrupt();
        };
        QCOMPARE(env.ops.copyOrMove(LeftWindow, move), int(StepCancelled));
        QVERIFY(env.ops.lastRun().outcome.cancelled);
        QCOMPARE(readAll(dir.pathBytes() + "/R/big"),
                 destinationExists ? QByteArray("old contents") : QByteArray("<missing>"));
        QCOMPARE(readAll(dir.pathBytes() + "/L/big"), big);
        QVERIFY(!hasTemporaries(dir.pathBytes() + "/R"));
    }

    // Another volume (tmpfs at /dev/shm when it is one): copy, check, then
    // remove the source; folders are moved piece by piece.
    void moveAcrossVolumes()
    {
        if (FakeVolumeSource().volumeOf(QStringLiteral("/dev/shm")).mountPoint.isEmpty() ||
            ::access("/dev/shm", W_OK) != 0)
            QSKIP("no /dev/shm");
        struct stat a, b;
        if (::stat("/dev/shm", &a) != 0 || ::stat("/tmp", &b) != 0 || a.st_dev == b.st_dev)
            QSKIP("/dev/shm is on the same volume as /tmp");
        TempDir dir;
        QByteArray shm = "/dev/shm/tovane-ops-XXXXXX";
        QVERIFY(::mkdtemp(shm.data()));
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("L/tree") && dir.makeFolder("L/tree/sub"));
        QVERIFY(dir.writeFile("L/tree/one", "1") && dir.writeFile("L/tree/sub/two", "22"));
        QVERIFY(dir.writeFile("L/single", pattern(3 << 20)));
        Env env;
        env.show(dir.filePath("L"), q(shm), {"tree", "single"});
        QCOMPARE(env.ops.copyOrMove(LeftWindow, true), 0);
        QCOMPARE(entries(dir.pathBytes() + "/L"), QList<QByteArray>{});
        QCOMPARE(readAll(shm + "/tree/sub/two"), QByteArray("22"));
        QCOMPARE(readAll(shm + "/single"), pattern(3 << 20));
        QCOMPARE(env.ops.lastRun().outcome.failed, 0);
        tovane::test::removeTree(shm);
    }

    // Links are copied as links and never walked; a link loop ends.
    void linksCopiedAsLinks()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R") && dir.makeFolder("L/A"));
        QVERIFY(dir.makeFolder("outside") && dir.writeFile("outside/secret", "s"));
        QVERIFY(::symlink("../../outside", (dir.pathBytes() + "/L/A/toFolder").constData()) == 0);
        QVERIFY(::symlink("..", (dir.pathBytes() + "/L/A/loop").constData()) == 0);
        Env env;
        env.show(dir.filePath("L"), dir.filePath("R"), {"A"});
        QCOMPARE(env.ops.copyOrMove(LeftWindow, false), 0);
        QVERIFY(isLink(dir.pathBytes() + "/R/A/toFolder"));
        QVERIFY(isLink(dir.pathBytes() + "/R/A/loop"));
        QCOMPARE(env.ops.lastRun().filesCopied, 2);
    }

    // Names that are not UTF-8 arrive byte for byte.
    void invalidUtf8Names()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R") && dir.makeFolder("L/d\xfe"));
        QVERIFY(dir.writeFile("L/d\xfe/caf\xe9", "latin-1"));
        Env env;
        env.show(dir.filePath("L"), dir.filePath("R"), {q("d\xfe")});
        QCOMPARE(env.ops.copyOrMove(LeftWindow, false), 0);
        QCOMPARE(readAll(dir.pathBytes() + "/R/d\xfe/caf\xe9"), QByteArray("latin-1"));
    }

    // Two names that differ only in letter case stay two files; neither
    // overwrites the copy of the other.
    void namesDifferingInCase_data()
    {
        QTest::addColumn<bool>("insideFolder");
        QTest::newRow("marked items") << false;
        QTest::newRow("inside a marked folder") << true;
    }
    void namesDifferingInCase()
    {
        QFETCH(bool, insideFolder);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R") && dir.makeFolder("L/F"));
        const QByteArray at = insideFolder ? "L/F/" : "L/";
        QVERIFY(dir.writeFile(at + "A", "upper") && dir.writeFile(at + "a", "lower"));
        Env env;
        env.show(dir.filePath("L"), dir.filePath("R"),
                 insideFolder ? QStringList{"F"} : QStringList{"A", "a"});
        env.ops.copyOrMove(LeftWindow, false);
        const QByteArray to = dir.pathBytes() + (insideFolder ? "/R/F/" : "/R/");
        QCOMPARE(readAll(to + "A"), QByteArray("upper"));
        QCOMPARE(readAll(to + "a"), QByteArray("lower"));
        QCOMPARE(env.kinds(), QList<int>{});
    }

    // A source that vanished after the list was filled is skipped silently;
    // the run goes on.
    void sourceVanished()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R"));
        QVERIFY(dir.writeFile("L/a", "a") && dir.writeFile("L/b", "b"));
        Env env;
        env.show(dir.filePath("L"), dir.filePath("R"), {"a", "b"});
        QVERIFY(::unlink((dir.pathBytes() + "/L/a").constData()) == 0);
        QCOMPARE(env.ops.copyOrMove(LeftWindow, false), 0);
        QCOMPARE(env.plainTexts().size(), 1);
        QCOMPARE(entries(dir.pathBytes() + "/R"), QList<QByteArray>{"b"});
        QCOMPARE(env.ops.lastRun().outcome.skipped, 1);
    }

    // A file that cannot be read gives its message and the run goes on; the
    // old destination stays. As an unprivileged user, since root reads all.
    void unreadableSourceReported()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R"));
        QVERIFY(dir.writeFile("L/a", "new a") && dir.writeFile("L/b", "new b"));
        QVERIFY(dir.writeFile("R/a", "old a"));
        QVERIFY(::chmod((dir.pathBytes() + "/L/a").constData(), 0) == 0);
        QVERIFY(::chmod(dir.pathBytes().constData(), 0777) == 0);
        QVERIFY(::chmod((dir.pathBytes() + "/R").constData(), 0777) == 0);
        QVERIFY(::chmod((dir.pathBytes() + "/R/a").constData(), 0666) == 0);
        const int status = tovane::test::asUnprivileged([&] {
            Env env;
            env.messages.setDefaultAnswer(AnswerYes);
            env.show(dir.filePath("L"), dir.filePath("R"), {"a", "b"});
            env.ops.copyOrMove(LeftWindow, false);
            if (env.ops.lastRun().outcome.failed != 1)
                return 10;
            const QStringList texts = env.plainTexts();
            if (texts.size() != 2 ||
                !texts[1].endsWith(QStringLiteral("ファイル ") + dir.filePath("L/a") +
                                   QStringLiteral(" について")))
                return 11;
            if (readAll(dir.pathBytes() + "/R/a") != "old a")
                return 12;
            if (readAll(dir.pathBytes() + "/R/b") != "new b")
                return 13;
            return hasTemporaries(dir.pathBytes() + "/R") ? 14 : 0;
        });
        QCOMPARE(status, 0);
    }

    // A write that fails midway (the file size limit here, as a full disk
    // would) is reported; the old destination and a moved source stay, the
    // next item is still done.
    void writeFailureKeepsOld_data()
    {
        QTest::addColumn<bool>("move");
        QTest::newRow("copy") << false;
        QTest::newRow("move") << true;
    }
    void writeFailureKeepsOld()
    {
        QFETCH(bool, move);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R"));
        const QByteArray big = pattern(4 << 20);
        QVERIFY(writeBytes(dir.pathBytes() + "/L/big", big));
        QVERIFY(dir.writeFile("L/small", "s") && dir.writeFile("R/big", "old"));
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const struct rlimit limit {
                1 << 20, 1 << 20
            };
            ::setrlimit(RLIMIT_FSIZE, &limit);
            Env env;
            env.messages.setDefaultAnswer(AnswerYes);
            env.show(dir.filePath("L"), dir.filePath("R"), {"big", "small"});
            env.ops.copyOrMove(LeftWindow, move);
            const QStringList texts = env.plainTexts();
            int code = 0;
            if (env.ops.lastRun().outcome.failed != 1 || texts.size() != 2)
                code = 10;
            else if (!texts[1].endsWith(dir.filePath("L/big") + QStringLiteral(" について")))
                code = 11;
            ::_exit(code);
        }
        int status = 0;
        QVERIFY(::waitpid(pid, &status, 0) == pid);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(readAll(dir.pathBytes() + "/R/big"), QByteArray("old"));
        QCOMPARE(readAll(dir.pathBytes() + "/L/big"), big);
        QCOMPARE(readAll(dir.pathBytes() + "/R/small"), QByteArray("s"));
        QCOMPARE(entries(dir.pathBytes() + "/L"),
                 move ? QList<QByteArray>{"big"} : (QList<QByteArray>{"big", "small"}));
        QVERIFY(!hasTemporaries(dir.pathBytes() + "/R"));
    }

    // The selective folder copy of a compare selection copies only what the
    // stored flags call different.
    void selectiveFolderCopy_data()
    {
        QTest::addColumn<bool>("existence");
        QTest::addColumn<bool>("larger");
        QTest::addColumn<QList<QByteArray>>("expected");
        QTest::newRow("existence only")
            << true << false << QList<QByteArray>{"d", "new", "same", "size"};
        QTest::newRow("larger only") << false << true << QList<QByteArray>{"same", "size"};
        QTest::newRow("both") << true << true << QList<QByteArray>{"d", "new", "same", "size"};
    }
    void selectiveFolderCopy()
    {
        QFETCH(bool, existence);
        QFETCH(bool, larger);
        QFETCH(QList<QByteArray>, expected);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R") && dir.makeFolder("L/F"));
        QVERIFY(dir.makeFolder("R/F") && dir.makeFolder("L/F/d"));
        QVERIFY(dir.writeFile("L/F/new", "n") && dir.writeFile("L/F/d/x", "x"));
        QVERIFY(dir.writeFile("L/F/same", "s") && dir.writeFile("R/F/same", "s"));
        QVERIFY(dir.writeFile("L/F/size", "larger") && dir.writeFile("R/F/size", "l"));
        Env env;
        env.host.compare = true;
        env.host.flags.existence = existence;
        env.host.flags.larger = larger;
        env.show(dir.filePath("L"), dir.filePath("R"), {"F"});
        env.messages.setDefaultAnswer(AnswerYes);
        env.ops.copyOrMove(LeftWindow, false);
        QCOMPARE(entries(dir.pathBytes() + "/R/F"), expected);
        QCOMPARE(readAll(dir.pathBytes() + "/R/F/size"),
                 larger ? QByteArray("larger") : QByteArray("l"));
    }

    // Inside a copied folder every item keeps its R/H/S/A: new files, files
    // that replace others, folders, and those below them.
    void walkKeepsAttributes_data()
    {
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("existing");
        QTest::addColumn<quint32>("attributes");
        QTest::addColumn<quint32>("expected");
        const quint32 hs = AttrHidden | AttrSystem;
        QTest::newRow("new file") << QByteArray("file") << false << false << hs << hs;
        QTest::newRow("new read-only file")
            << QByteArray("ro") << false << false << quint32(AttrReadOnly | AttrArchive)
            << quint32(AttrReadOnly | AttrArchive);
        QTest::newRow("replacing file")
            << QByteArray("file") << false << true << hs << (hs | AttrArchive);
        QTest::newRow("new folder") << QByteArray("sub") << true << false << hs << hs;
        QTest::newRow("existing folder") << QByteArray("sub") << true << true << hs << 0u;
        QTest::newRow("file below a new folder") << QByteArray("sub/inner") << false << false
                                                 << quint32(AttrSystem) << quint32(AttrSystem);
    }
    void walkKeepsAttributes()
    {
        QFETCH(QByteArray, item);
        QFETCH(bool, folder);
        QFETCH(bool, existing);
        QFETCH(quint32, attributes);
        QFETCH(quint32, expected);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R") && dir.makeFolder("L/F"));
        if (item.contains('/'))
            QVERIFY(dir.makeFolder("L/F/" + item.left(item.indexOf('/'))));
        QVERIFY(folder ? dir.makeFolder("L/F/" + item) : dir.writeFile("L/F/" + item, "new"));
        QVERIFY(dir.writeFile("L/F/plain", "plain"));
        if (existing) {
            QVERIFY(dir.makeFolder("R/F"));
            QVERIFY(folder ? dir.makeFolder("R/F/" + item) : dir.writeFile("R/F/" + item, "old"));
        }
        const QString source = q(dir.pathBytes() + "/L/F/" + item);
        if (platform::setAttributes(source, attributes) != 0)
            QSKIP("no attribute store on this file system");
        Env env;
        env.messages.setDefaultAnswer(AnswerYes);
        env.show(dir.filePath("L"), dir.filePath("R"), {"F"});
        QCOMPARE(env.ops.copyOrMove(LeftWindow, false), 0);
        QCOMPARE(env.ops.lastRun().outcome.failed, 0);
        if (!folder)
            QCOMPARE(readAll(dir.pathBytes() + "/R/F/" + item), QByteArray("new"));
        QCOMPARE(readAll(dir.pathBytes() + "/R/F/plain"), QByteArray("plain"));
        const quint32 settable = AttrReadOnly | AttrHidden | AttrSystem | AttrArchive;
        quint32 copied = 0;
        QCOMPARE(platform::getAttributes(q(dir.pathBytes() + "/R/F/" + item), copied), 0);
        QCOMPARE(copied & settable, expected);
        QVERIFY(!hasTemporaries(dir.pathBytes() + "/R/F"));
    }

    // One level copies a marked folder as itself only.
    void oneLevelCopiesFolderOnly()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R") && dir.makeFolder("L/F"));
        QVERIFY(dir.writeFile("L/F/inside", "i"));
        Env env;
        env.host.levels = false;
        env.show(dir.filePath("L"), dir.filePath("R"), {"F"});
        env.ops.copyOrMove(LeftWindow, false);
        QCOMPARE(entries(dir.pathBytes() + "/R"), QList<QByteArray>{"F"});
        QCOMPARE(entries(dir.pathBytes() + "/R/F"), QList<QByteArray>{});
        QVERIFY(env.plainTexts().first().contains(QStringLiteral("それ自身だけをコピーします。")));
    }

    // The progress line keeps the run's text and adds the files and bytes
    // carried inside a marked folder, or the part of a large file copied.
    void progressShowsTransfer_data()
    {
        QTest::addColumn<bool>("move");
        QTest::addColumn<QByteArray>("marked");
        QTest::addColumn<QString>("expectedPart");
        QTest::newRow("files inside a copied folder")
            << false << QByteArray("F") << u"  3 ファイル 6 B 完了"_qs;
        QTest::newRow("files inside a folder moved whole")
            << true << QByteArray("F") << u"  3 ファイル 6 B 完了"_qs;
        QTest::newRow("large file under way") << false << QByteArray("big") << u" / 17.0 MB"_qs;
        QTest::newRow("large file done")
            << false << QByteArray("big") << u"  1 ファイル 17.0 MB 完了"_qs;
    }
    void progressShowsTransfer()
    {
        QFETCH(bool, move);
        QFETCH(QByteArray, marked);
        QFETCH(QString, expectedPart);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R") && dir.makeFolder("L/F"));
        for (const char* name : {"a", "b", "c"})
            QVERIFY(dir.writeFile(QByteArray("L/F/") + name, "12"));
        QVERIFY(dir.writeFile("L/big", pattern(17 * 1024 * 1024)));
        Env env;
        env.progress.setTransferInterval(0);
        env.show(dir.filePath("L"), dir.filePath("R"), {q(marked)});
        QCOMPARE(env.ops.copyOrMove(LeftWindow, move), 0);
        QCOMPARE(env.ops.lastRun().outcome.failed, 0);
        const QString head = move ? u"指定選択項目を移動中 "_qs : u"指定選択項目をコピー中 "_qs;
        int withPart = 0;
        for (const QString& text : env.progress.progressTexts()) {
            if (text.isEmpty())
                continue;
            QVERIFY2(text.startsWith(head), qPrintable(text));
            if (text.contains(expectedPart)) {
                ++withPart;
                QVERIFY2(text.contains(QStringLiteral(" 0/1")), qPrintable(text));
            }
        }
        QVERIFY2(withPart > 0, qPrintable(env.progress.progressTexts().join(u'\n')));
        // The run's end clears the line, numbers and all.
        QCOMPARE(env.progress.progress(), QString());
    }

    // After Esc the status line says the run was interrupted and how many
    // items were carried out; the next run starts with a clear line.
    void interruptedRunSaysHowFar_data()
    {
        QTest::addColumn<bool>("move");
        QTest::addColumn<bool>("inFolder");
        QTest::addColumn<int>("stopAt");
        QTest::addColumn<QString>("expected");
        QTest::newRow("copy of files")
            << false << false << 2 << u"コピーを中断しました（処理済み 2 項目）"_qs;
        QTest::newRow("copy inside a folder")
            << false << true << 4 << u"コピーを中断しました（処理済み 4 項目）"_qs;
        QTest::newRow("move of files")
            << true << false << 3 << u"移動を中断しました（処理済み 3 項目）"_qs;
        QTest::newRow("not interrupted") << false << false << 0 << QString();
    }
    void interruptedRunSaysHowFar()
    {
        QFETCH(bool, move);
        QFETCH(bool, inFolder);
        QFETCH(int, stopAt);
        QFETCH(QString, expected);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R") && dir.makeFolder("L/F"));
        QStringList marked;
        for (const char* name : {"a", "b", "c", "d", "e"}) {
            QVERIFY(dir.writeFile((inFolder ? QByteArray("L/F/") : QByteArray("L/")) + name, "x"));
            if (!inFolder)
                marked << QString::fromLatin1(name);
        }
        if (inFolder)
            marked << QStringLiteral("F");
        const QByteArray destination = dir.pathBytes() + (inFolder ? "/R/F" : "/R");
        Env env;
        env.progress.onPump = [&] {
            if (stopAt <= 0 || env.progress.interruptRequested())
                return;
            int arrived = 0;
            for (const QByteArray& n : entries(destination))
                arrived += n.startsWith(".tovane-") ? 0 : 1;
            if (arrived >= stopAt)
                env.progress.requestInterrupt();
        };
        env.progress.setStatusText(u"前の実行"_qs);
        env.show(dir.filePath("L"), dir.filePath("R"), marked);
        const int result = env.ops.copyOrMove(LeftWindow, move);
        QCOMPARE(result, stopAt > 0 ? int(StepCancelled) : 0);
        QCOMPARE(env.progress.statusText(), expected);
        QCOMPARE(env.progress.progress(), QString());
        if (stopAt > 0)
            QCOMPARE(env.ops.lastRun().outcome.done, stopAt);
    }

    // More than 29 participants hide the lists for the run.
    void manyItemsHideLists()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R"));
        QStringList names;
        for (int i = 0; i < 30; ++i) {
            const QByteArray name = "f" + QByteArray::number(i);
            QVERIFY(dir.writeFile("L/" + name, name));
            names << QString::fromLatin1(name);
        }
        Env env;
        env.show(dir.filePath("L"), dir.filePath("R"), names);
        env.ops.copyOrMove(LeftWindow, true);
        QCOMPARE(env.host.calls.count(QStringLiteral("hidden 0 true")), 1);
        QCOMPARE(env.host.calls.count(QStringLiteral("hidden 1 true")), 1);
        QCOMPARE(env.host.calls.last(), QStringLiteral("hidden 1 false"));
        QCOMPARE(entries(dir.pathBytes() + "/R").size(), 30);
    }

    // A destination that is the source itself, by any path, is refused with
    // kind 1 and nothing changes: a move would otherwise erase it.
    void destinationIsTheSource_data()
    {
        QTest::addColumn<QByteArray>("destination"); // the opposite window's folder
        QTest::addColumn<QByteArray>("marked");
        QTest::addColumn<bool>("move");
        QTest::newRow("folder onto itself, move") << QByteArray("T/A") << QByteArray("sub") << true;
        QTest::newRow("folder onto itself, copy")
            << QByteArray("T/A") << QByteArray("sub") << false;
        QTest::newRow("file onto itself, move") << QByteArray("T/A") << QByteArray("f") << true;
        QTest::newRow("through a link to the folder, move")
            << QByteArray("T/L") << QByteArray("sub") << true;
        QTest::newRow("file through a link, move") << QByteArray("T/L") << QByteArray("f") << true;
        QTest::newRow("hard link elsewhere, move") << QByteArray("T/H") << QByteArray("f") << true;
        QTest::newRow("hard link elsewhere, copy") << QByteArray("T/H") << QByteArray("f") << false;
    }
    void destinationIsTheSource()
    {
        QFETCH(QByteArray, destination);
        QFETCH(QByteArray, marked);
        QFETCH(bool, move);
        TempDir dir;
        const QByteArray base = dir.pathBytes() + '/';
        QVERIFY(dir.makeFolder("T") && dir.makeFolder("T/A") && dir.makeFolder("T/A/sub"));
        QVERIFY(dir.makeFolder("T/H") && dir.writeFile("T/A/sub/g", "data"));
        QVERIFY(dir.writeFile("T/A/f", "file"));
        QVERIFY(::link((base + "T/A/f").constData(), (base + "T/H/f").constData()) == 0);
        QVERIFY(::symlink("A", (base + "T/L").constData()) == 0);
        Env env;
        env.messages.setDefaultAnswer(AnswerYes);
        env.show(dir.filePath("T/A"), q(base + destination), {q(marked)});
        QCOMPARE(env.ops.copyOrMove(LeftWindow, move), 0);
        QCOMPARE(readAll(base + "T/A/sub/g"), QByteArray("data"));
        QCOMPARE(readAll(base + "T/A/f"), QByteArray("file"));
        QCOMPARE(readAll(base + "T/H/f"), QByteArray("file"));
        QCOMPARE(inodeOf(base + "T/A/f"), inodeOf(base + "T/H/f"));
        QCOMPARE(env.ops.lastRun().outcome.skipped, 1);
        QCOMPARE(env.ops.lastRun().outcome.done, 0);
        QVERIFY(
            env.plainTexts().last().contains(QStringLiteral("同じかまたは下位のフォルダなので")));
        QVERIFY(!hasTemporaries(base + "T/A") && !hasTemporaries(base + "T/H"));
    }

    // Letter case is ignored only where it cannot merge two files: a
    // destination entry pairs with at most one source entry.
    void caseVariantsStayApart_data()
    {
        QTest::addColumn<bool>("move");
        QTest::addColumn<bool>("inFolder");
        QTest::addColumn<QByteArrayList>("source");      // name=contents
        QTest::addColumn<QByteArrayList>("destination"); // name=contents
        QTest::addColumn<QByteArrayList>("after");       // the destination afterwards
        using L = QByteArrayList;
        const L pair{"README.TXT=U", "readme.txt=l"};
        QTest::newRow("move, exact name there")
            << true << false << pair << L{"README.TXT=old"} << L{"README.TXT=U", "readme.txt=l"};
        QTest::newRow("copy, exact name there")
            << false << false << pair << L{"README.TXT=old"} << L{"README.TXT=U", "readme.txt=l"};
        QTest::newRow("move inside a folder")
            << true << true << pair << L{"README.TXT=old"} << L{"README.TXT=U", "readme.txt=l"};
        QTest::newRow("move, only the variant there")
            << true << false << pair << L{"Readme.txt=old"}
            << L{"README.TXT=U", "Readme.txt=old", "readme.txt=l"};
        QTest::newRow("one on each side takes the source's case")
            << false << false << L{"Readme.txt=new"} << L{"README.TXT=old"} << L{"Readme.txt=new"};
        QTest::newRow("two variants there, neither pairs")
            << false << false << L{"readme=new"} << L{"README=a", "Readme=b"}
            << L{"README=a", "Readme=b", "readme=new"};
    }
    void caseVariantsStayApart()
    {
        QFETCH(bool, move);
        QFETCH(bool, inFolder);
        QFETCH(QByteArrayList, source);
        QFETCH(QByteArrayList, destination);
        QFETCH(QByteArrayList, after);
        TempDir dir;
        QVERIFY(dir.makeFolder("S") && dir.makeFolder("D"));
        const QByteArray sub = inFolder ? "F/" : "";
        if (inFolder)
            QVERIFY(dir.makeFolder("S/F") && dir.makeFolder("D/F"));
        QStringList marked;
        for (const QByteArray& item : source) {
            const QByteArrayList parts = item.split('=');
            QVERIFY(dir.writeFile("S/" + sub + parts[0], parts[1]));
            marked << q(parts[0]);
        }
        for (const QByteArray& item : destination) {
            const QByteArrayList parts = item.split('=');
            QVERIFY(dir.writeFile("D/" + sub + parts[0], parts[1]));
        }
        Env env;
        env.messages.setDefaultAnswer(AnswerYes);
        env.show(dir.filePath("S"), dir.filePath("D"), inFolder ? QStringList{"F"} : marked);
        QCOMPARE(env.ops.copyOrMove(LeftWindow, move), 0);
        QByteArrayList got;
        for (const QByteArray& name : entries(dir.pathBytes() + "/D/" + sub))
            got << name + '=' + readAll(dir.pathBytes() + "/D/" + sub + name);
        QCOMPARE(got, after);
        if (move)
            QCOMPARE(entries(dir.pathBytes() + "/S/" + sub), QList<QByteArray>{});
    }

    // Ten pairs of case variants through all levels: none is lost.
    void manyCaseVariantsThroughAllLevels()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("S") && dir.makeFolder("S/sub") && dir.makeFolder("D") &&
                dir.makeFolder("D/sub"));
        for (int i = 0; i < 10; ++i) {
            const QByteArray n = "File" + QByteArray::number(i);
            QVERIFY(dir.writeFile("S/sub/" + n.toUpper(), "upper" + QByteArray::number(i)));
            QVERIFY(dir.writeFile("S/sub/" + n.toLower(), "lower" + QByteArray::number(i)));
            QVERIFY(dir.writeFile("D/sub/" + n.toUpper(), "old"));
        }
        Env env;
        env.messages.setDefaultAnswer(AnswerYes);
        env.show(dir.filePath("S"), dir.filePath("D"), {"sub"});
        QCOMPARE(env.ops.copyOrMove(LeftWindow, true), 0);
        QCOMPARE(entries(dir.pathBytes() + "/D/sub").size(), 20);
        for (int i = 0; i < 10; ++i) {
            const QByteArray n = "File" + QByteArray::number(i);
            QCOMPARE(readAll(dir.pathBytes() + "/D/sub/" + n.toUpper()),
                     "upper" + QByteArray::number(i));
            QCOMPARE(readAll(dir.pathBytes() + "/D/sub/" + n.toLower()),
                     "lower" + QByteArray::number(i));
        }
        QCOMPARE(entries(dir.pathBytes() + "/S"), QList<QByteArray>{});
    }

    // A source written to while a move copies it stays, with everything
    // written; the destination keeps what it had.
    void sourceWrittenDuringMove_data()
    {
        QTest::addColumn<QByteArray>("change");
        QTest::newRow("grows") << QByteArray("append");
        QTest::newRow("shrinks") << QByteArray("truncate");
    }
    void sourceWrittenDuringMove()
    {
        QFETCH(QByteArray, change);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R"));
        const QByteArray src = dir.pathBytes() + "/L/big";
        QVERIFY(dir.writeFile("L/big", pattern(4 << 20)) && dir.writeFile("R/big", "old"));
        Env env;
        env.messages.setDefaultAnswer(AnswerYes);
        env.show(dir.filePath("L"), dir.filePath("R"), {"big"});
        bool changed = false;
        env.progress.onPump = [&] {
            // The first pump inside the file's data: an unnamed file is open.
            if (changed || !openUnnamedIn(dir.pathBytes() + "/R"))
                return;
            const int fd = ::open(src.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
            changed = change == "truncate" ? ::ftruncate(fd, 5) == 0 : ::write(fd, "tail", 4) == 4;
            ::close(fd);
        };
        QCOMPARE(env.ops.copyOrMove(LeftWindow, true), 0);
        QVERIFY(changed);
        const QByteArray expected =
            change == "truncate" ? pattern(4 << 20).left(5) : pattern(4 << 20) + "tail";
        QCOMPARE(readAll(src), expected);
        QCOMPARE(readAll(dir.pathBytes() + "/R/big"), QByteArray("old"));
        QCOMPARE(env.ops.lastRun().outcome.failed, 1);
        QVERIFY(!hasTemporaries(dir.pathBytes() + "/R"));
    }

private:
    TempDir m_data;
};

QTEST_GUILESS_MAIN(CopyMoveTest)
#include "tst_copymove.moc"
