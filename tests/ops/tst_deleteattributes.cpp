#include "core/scriptedservices.h"
#include "fs/pathcheck.h"
#include "fs/pathrules.h"
#include "fs/volumesource.h"
#include "list/filelistmodel.h"
#include "ops/fileoperations.h"
#include "ops/markedlist.h"
#include "ops/operationhost.h"
#include "platform/filesystem.h"
#include "support/tempdir.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using tovane::test::entries;
using tovane::test::readAll;
using tovane::test::TempDir;

namespace {

class RecordingHost : public OperationHost {
public:
    FileListModel lists[2];
    QString folders[2];
    bool levels = true;
    bool full = true;
    bool settable = true;
    QStringList calls;

    const FileListModel* listModel(WindowIndex w) const override { return &lists[w]; }
    QString folderPath(WindowIndex w) const override { return folders[w]; }
    bool allLevels(WindowIndex) const override { return levels; }
    bool fullSelection(WindowIndex) const override { return full; }
    quint32 mask = 0;
    QString filter;
    quint32 hiddenMask() const override { return mask; }
    QString listFilterExtensions() const override { return filter; }
    bool folderAttributesSettable() const override { return settable; }
    void listEntryRemoved(WindowIndex w, const QString& name, bool) override
    {
        calls << QStringLiteral("removed %1 %2").arg(w).arg(name);
    }
    void listEntryUpdated(WindowIndex w, const QString&, const ItemRecord& r) override
    {
        calls << QStringLiteral("updated %1 %2 %3").arg(w).arg(r.name).arg(r.attributes);
    }
    void markForRefresh(WindowIndex w) override { calls << QStringLiteral("refresh %1").arg(w); }
};

struct Env {
    ScriptedMessageService messages;
    ScriptedProgressService progress;
    FakeVolumeSource volumes;
    RecordingHost host;
    FileOperations ops{OperationContext{messages, progress, volumes, nullptr, host}};

    Env() { progress.setPumpInterval(0); }
    void show(const QString& left, const QString& right, const QStringList& marked)
    {
        host.folders[0] = addSeparator(left);
        host.folders[1] = right.isEmpty() ? QString() : addSeparator(right);
        loadFolderModel(host.lists[0], left);
        if (!right.isEmpty())
            loadFolderModel(host.lists[1], right);
        markNames(host.lists[0], marked);
    }
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

quint32 attributesOf(const QString& path)
{
    quint32 a = 0;
    platform::getAttributes(path, a);
    return a & (AttrReadOnly | AttrHidden | AttrSystem | AttrArchive);
}

} // namespace

class DeleteAttributesTest : public QObject {
    Q_OBJECT

    QByteArray trashFiles() const { return m_data.pathBytes() + "/Trash/files"; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_data.isValid());
        qputenv("XDG_DATA_HOME", m_data.pathBytes());
    }
    void init() { tovane::test::removeTree(m_data.pathBytes() + "/Trash"); }

    // Shift or a volume that is not a fixed disk erases; otherwise the items
    // go to the trash.
    void trashOrErase_data()
    {
        QTest::addColumn<int>("driveType");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("erased");
        QTest::newRow("fixed disk") << int(platform::DriveFixed) << 0 << false;
        QTest::newRow("fixed disk, Shift")
            << int(platform::DriveFixed) << int(ModifierShift) << true;
        QTest::newRow("removable") << int(platform::DriveRemovable) << 0 << true;
        QTest::newRow("network") << int(platform::DriveNetwork) << 0 << true;
        QTest::newRow("ram disk") << int(platform::DriveRamDisk) << 0 << true;
    }
    void trashOrErase()
    {
        QFETCH(int, driveType);
        QFETCH(int, modifiers);
        QFETCH(bool, erased);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("L/F"));
        QVERIFY(dir.writeFile("L/f.txt", "f") && dir.writeFile("L/F/g", "g"));
        Env env;
        FakeVolumeSource::Volume volume;
        volume.mountPoint = dir.path();
        volume.driveType = driveType;
        env.volumes.addVolume(volume);
        env.show(dir.filePath("L"), QString(), {"f.txt", "F"});
        QCOMPARE(env.ops.deleteItems(LeftWindow, modifiers), 0);
        QCOMPARE(env.ops.lastRun().name, erased ? QStringLiteral("抹消") : QStringLiteral("削除"));
        QVERIFY(env.plainTexts().first().contains(erased
                                                      ? QStringLiteral("ごみ箱に移さず抹消します。")
                                                      : QStringLiteral("ごみ箱に移動します。")));
        QCOMPARE(entries(dir.pathBytes() + "/L"), QList<QByteArray>{});
        QCOMPARE(entries(trashFiles()).isEmpty(), erased);
        QVERIFY(env.host.calls.contains(QStringLiteral("removed 0 F")));
        QVERIFY(env.host.calls.contains(QStringLiteral("removed 0 f.txt")));
    }

    // No usable trash: reported for the item, nothing is erased instead.
    void trashImpossibleReported()
    {
        TempDir dir;
        TempDir data;
        QVERIFY(dir.makeFolder("L") && dir.writeFile("L/keep", "kept"));
        QVERIFY(data.writeFile("Trash", "a file where the trash should be"));
        qputenv("XDG_DATA_HOME", data.pathBytes());
        Env env;
        env.show(dir.filePath("L"), QString(), {"keep"});
        env.ops.deleteItems(LeftWindow, 0);
        qputenv("XDG_DATA_HOME", m_data.pathBytes());
        QCOMPARE(readAll(dir.pathBytes() + "/L/keep"), QByteArray("kept"));
        QCOMPARE(env.ops.lastRun().outcome.failed, 1);
        const QStringList texts = env.plainTexts();
        QCOMPARE(texts.size(), 2);
        QVERIFY(texts[1].startsWith(QStringLiteral("削除実行中にエラーが発生しました。")));
        QVERIFY(texts[1].endsWith(dir.filePath("L/keep") + QStringLiteral(" について")));
        QVERIFY(env.host.calls.isEmpty());
    }

    // Deleting a folder that holds a link to another folder deletes the link,
    // never what it points at.
    void linkToFolderKeepsTarget_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::newRow("erase") << int(ModifierShift);
        QTest::newRow("trash") << 0;
        QTest::newRow("erase, unconditional") << int(ModifierShift | ModifierCtrl);
    }
    void linkToFolderKeepsTarget()
    {
        QFETCH(int, modifiers);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("L/F") && dir.makeFolder("target"));
        QVERIFY(dir.writeFile("target/precious", "p"));
        QVERIFY(::symlink("../../target", (dir.pathBytes() + "/L/F/link").constData()) == 0);
        QVERIFY(::symlink("../target", (dir.pathBytes() + "/L/direct").constData()) == 0);
        Env env;
        env.show(dir.filePath("L"), QString(), {"F", "direct"});
        env.ops.deleteItems(LeftWindow, modifiers);
        QCOMPARE(entries(dir.pathBytes() + "/L"), QList<QByteArray>{});
        QCOMPARE(readAll(dir.pathBytes() + "/target/precious"), QByteArray("p"));
    }

    // A protected item asks kind 4/5 unless the run is unconditional (Ctrl
    // with a full selection). A folder is walked (its protected items asked
    // about) while the marks carry no unaccepted protected bits, else it goes
    // whole; what is declined in a walk stays, and so does its folder.
    void protectedItems_data()
    {
        QTest::addColumn<QStringList>("marks");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("fullSelection");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QList<int>>("kinds");
        QTest::addColumn<QList<QByteArray>>("left");
        const QStringList both{QStringLiteral("F"), QStringLiteral("ro")};
        QTest::newRow("walk, declined inside")
            << QStringList{QStringLiteral("F")} << int(ModifierShift) << true << int(AnswerNo)
            << QList<int>{14} << QList<QByteArray>{"F", "ro"};
        QTest::newRow("walk, accepted inside")
            << QStringList{QStringLiteral("F")} << int(ModifierShift) << true << int(AnswerYes)
            << QList<int>{14} << QList<QByteArray>{"ro"};
        QTest::newRow("protected mark: the folder goes whole")
            << both << int(ModifierShift) << true << int(AnswerNo) << QList<int>{4}
            << QList<QByteArray>{"ro"};
        QTest::newRow("unconditional") << both << int(ModifierShift | ModifierCtrl) << true
                                       << int(AnswerNo) << QList<int>{} << QList<QByteArray>{};
        QTest::newRow("Ctrl without full selection: ordinary")
            << both << int(ModifierShift | ModifierCtrl) << false << int(AnswerNoAll)
            << QList<int>{4} << QList<QByteArray>{"ro"};
    }
    void protectedItems()
    {
        QFETCH(QStringList, marks);
        QFETCH(int, modifiers);
        QFETCH(bool, fullSelection);
        QFETCH(int, answer);
        QFETCH(QList<int>, kinds);
        QFETCH(QList<QByteArray>, left);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("L/F"));
        QVERIFY(dir.writeFile("L/ro", "r") && dir.writeFile("L/F/inner", "i"));
        QVERIFY(dir.writeFile("L/F/inner-ro", "i"));
        QVERIFY(::chmod((dir.pathBytes() + "/L/ro").constData(), 0444) == 0);
        QVERIFY(::chmod((dir.pathBytes() + "/L/F/inner-ro").constData(), 0444) == 0);
        Env env;
        env.host.full = fullSelection;
        env.messages.enqueue(AnswerYes);
        env.messages.setDefaultAnswer(qint16(answer));
        env.show(dir.filePath("L"), QString(), marks);
        env.ops.deleteItems(LeftWindow, modifiers);
        QCOMPARE(env.kinds(), kinds);
        QCOMPARE(entries(dir.pathBytes() + "/L"), left);
        if (left.contains("F"))
            QCOMPARE(entries(dir.pathBytes() + "/L/F"), QList<QByteArray>{"inner-ro"});
    }

    // The window that shows the deleted folder (or a folder below it) is
    // refreshed; a window beside it is not.
    void deletedFolderRefreshesItsWindow_data()
    {
        QTest::addColumn<QByteArray>("opposite");
        QTest::addColumn<bool>("refreshed");
        QTest::newRow("shows the folder") << QByteArray("L/F") << true;
        QTest::newRow("shows a folder below") << QByteArray("L/F/sub") << true;
        QTest::newRow("shows a neighbour") << QByteArray("L/F2") << false;
    }
    void deletedFolderRefreshesItsWindow()
    {
        QFETCH(QByteArray, opposite);
        QFETCH(bool, refreshed);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("L/F") && dir.makeFolder("L/F/sub"));
        QVERIFY(dir.makeFolder("L/F2"));
        Env env;
        env.show(dir.filePath("L"), QString::fromUtf8(dir.pathBytes() + '/' + opposite), {"F"});
        env.ops.deleteItems(LeftWindow, ModifierShift);
        QCOMPARE(entries(dir.pathBytes() + "/L"), QList<QByteArray>{"F2"});
        QCOMPARE(env.host.calls.contains(QStringLiteral("refresh 1")), refreshed);
        QVERIFY(!env.host.calls.contains(QStringLiteral("refresh 0")));
    }

    // Attribute change: each entry sets or clears its bit; a bit already in
    // place costs no platform call and the item still counts.
    void changeAttribute_data()
    {
        QTest::addColumn<int>("menuIndex");
        QTest::addColumn<quint32>("before");
        QTest::addColumn<quint32>("after");
        QTest::addColumn<bool>("updated");
        QTest::newRow("-R on a file that is not read-only") << 0 << 0u << 0u << false;
        QTest::newRow("+R") << 1 << 0u << quint32(AttrReadOnly) << true;
        QTest::newRow("-R") << 0 << quint32(AttrReadOnly) << 0u << true;
        QTest::newRow("+H") << 3 << 0u << quint32(AttrHidden) << true;
        QTest::newRow("+S keeps R")
            << 5 << quint32(AttrReadOnly) << quint32(AttrReadOnly | AttrSystem) << true;
        QTest::newRow("-A") << 6 << quint32(AttrArchive) << 0u << true;
        QTest::newRow("+A already set")
            << 7 << quint32(AttrArchive) << quint32(AttrArchive) << false;
    }
    void changeAttribute()
    {
        QFETCH(int, menuIndex);
        QFETCH(quint32, before);
        QFETCH(quint32, after);
        QFETCH(bool, updated);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.writeFile("L/f", "f"));
        const QString path = dir.filePath("L/f");
        if (platform::setAttributes(path, before) != 0)
            QSKIP("no attribute store on this file system");
        Env env;
        env.show(dir.filePath("L"), dir.filePath("L"), {"f"});
        QCOMPARE(env.ops.changeAttributes(LeftWindow, menuIndex), 0);
        QCOMPARE(attributesOf(path), after);
        QCOMPARE(env.ops.lastRun().outcome.done, 1);
        // Both windows show the folder: both entries follow.
        QCOMPARE(env.host.calls.size(), updated ? 2 : 0);
    }

    // Folders: all levels reach inside; without the folder-attribute
    // capability a folder itself is left alone.
    void attributeLevels_data()
    {
        QTest::addColumn<bool>("allLevels");
        QTest::addColumn<bool>("settable");
        QTest::addColumn<bool>("folderChanged");
        QTest::addColumn<bool>("insideChanged");
        QTest::addColumn<QString>("note");
        QTest::newRow("all levels")
            << true << true << true << true
            << QStringLiteral("フォルダはその内部も含めて全体を対象にします。");
        QTest::newRow("one level") << false << true << true << false
                                   << QStringLiteral("フォルダはそれ自身だけを対象にします。");
        QTest::newRow("one level, no capability")
            << false << false << false << false << QStringLiteral("フォルダそれ自身は対象外です。");
        QTest::newRow("all levels, no capability")
            << true << false << false << true
            << QStringLiteral("フォルダはその内部のファイルだけを対象にします。");
    }
    void attributeLevels()
    {
        QFETCH(bool, allLevels);
        QFETCH(bool, settable);
        QFETCH(bool, folderChanged);
        QFETCH(bool, insideChanged);
        QFETCH(QString, note);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("L/F") && dir.makeFolder("L/F/sub"));
        QVERIFY(dir.writeFile("L/F/sub/deep", "d"));
        if (platform::setAttributes(dir.filePath("L/F"), 0) != 0)
            QSKIP("no attribute store on this file system");
        Env env;
        env.host.levels = allLevels;
        env.host.settable = settable;
        env.show(dir.filePath("L"), QString(), {"F"});
        env.ops.changeAttributes(LeftWindow, 5); // +S
        QVERIFY(env.plainTexts().first().endsWith(note));
        QCOMPARE(bool(attributesOf(dir.filePath("L/F")) & AttrSystem), folderChanged);
        QCOMPARE(bool(attributesOf(dir.filePath("L/F/sub/deep")) & AttrSystem), insideChanged);
    }

    // A failing change is reported per item and the command goes on.
    void attributeFailureReported()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.writeFile("L/b", "b"));
        QVERIFY(::symlink("/nonexistent/x", (dir.pathBytes() + "/L/a").constData()) == 0);
        Env env;
        env.show(dir.filePath("L"), QString(), {"a", "b"});
        env.ops.changeAttributes(LeftWindow, 1); // +R
        const QStringList texts = env.plainTexts();
        QCOMPARE(texts.size(), 2);
        QCOMPARE(texts[1],
                 dir.filePath("L/a") + QStringLiteral("\r\n\r\nは属性変更できませんでした。"));
        QCOMPARE(attributesOf(dir.filePath("L/b")), quint32(AttrReadOnly));
    }

    // A folder whose walk would take every entry goes to the trash as one
    // entry (restored as one); the walk stays where it keeps something back.
    void folderToTheTrash_data()
    {
        QTest::addColumn<QByteArray>("inside");
        QTest::addColumn<QList<QByteArray>>("trashed");
        QTest::addColumn<QList<QByteArray>>("left");
        using L = QList<QByteArray>;
        QTest::newRow("nothing held back") << QByteArray() << L{"F"} << L{};
        // The walk passes over what the lists do not show; the folder then
        // goes with it, after the rest.
        QTest::newRow("an item the lists do not show")
            << QByteArray("hidden") << L{"F", "g"} << L{};
        QTest::newRow("a read-only item declined") << QByteArray("read-only") << L{"g"} << L{"ro"};
        QTest::newRow("the list filter on") << QByteArray("filter") << L{"F", "g", "x.txt"} << L{};
    }
    void folderToTheTrash()
    {
        QFETCH(QByteArray, inside);
        QFETCH(QList<QByteArray>, trashed);
        QFETCH(QList<QByteArray>, left);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("L/F") && dir.writeFile("L/F/g", "g"));
        Env env;
        if (inside == "hidden") {
            QVERIFY(dir.writeFile("L/F/.dot", "d"));
            env.host.mask = AttrHidden;
        } else if (inside == "read-only") {
            QVERIFY(dir.writeFile("L/F/ro", "r"));
            QVERIFY(::chmod((dir.pathBytes() + "/L/F/ro").constData(), 0444) == 0);
            env.messages.enqueue({AnswerYes, AnswerNo});
        } else if (inside == "filter") {
            QVERIFY(dir.writeFile("L/F/x.txt", "x"));
            env.host.filter = QStringLiteral(" txt,");
        }
        env.show(dir.filePath("L"), QString(), {"F"});
        QCOMPARE(env.ops.deleteItems(LeftWindow, 0), 0);
        QCOMPARE(entries(trashFiles()), trashed);
        if (left.isEmpty())
            QCOMPARE(entries(dir.pathBytes() + "/L"), QList<QByteArray>{});
        else
            QCOMPARE(entries(dir.pathBytes() + "/L/F"), left);
    }

    // A volume mounted read-only is refused once, with its message, before
    // any item fails on it.
    void readOnlyVolumeRefusedOnce_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("attributes") << QByteArray("attr");
        QTest::newRow("trash") << QByteArray("delete");
        QTest::newRow("copy into it") << QByteArray("copy");
    }
    void readOnlyVolumeRefusedOnce()
    {
        QFETCH(QByteArray, command);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("R"));
        for (int i = 0; i < 5; ++i)
            QVERIFY(dir.writeFile("L/f" + QByteArray::number(i), "f"));
        ScriptedMessageService messages;
        ScriptedProgressService progress;
        progress.setPumpInterval(0);
        FakeVolumeSource volumes;
        FakeVolumeSource::Volume volume;
        volume.mountPoint = dir.filePath(command == "copy" ? "R" : "L");
        volume.readOnly = true;
        volumes.addVolume(volume);
        PathChecker checker(CheckContext{messages, progress, volumes, QStringLiteral("tovane"),
                                         [] { return LeftWindow; }});
        RecordingHost host;
        FileOperations ops(OperationContext{messages, progress, volumes, &checker, host});
        host.folders[0] = addSeparator(dir.filePath("L"));
        host.folders[1] = addSeparator(dir.filePath("R"));
        loadFolderModel(host.lists[0], dir.filePath("L"));
        markNames(host.lists[0], {"f0", "f1", "f2", "f3", "f4"});
        int r = 0;
        if (command == "attr")
            r = ops.changeAttributes(LeftWindow, 1);
        else if (command == "delete")
            r = ops.deleteItems(LeftWindow, 0);
        else
            r = ops.copyOrMove(LeftWindow, false);
        QCOMPARE(r, int(StepCheckFailed));
        const QStringList texts = messages.texts();
        QCOMPARE(texts.size(), 2); // the summary, then the volume once
        QVERIFY2(texts.last().endsWith(QStringLiteral("書込み禁止状態です。")),
                 qPrintable(texts.last()));
        QCOMPARE(ops.lastRun().outcome.failed, 0);
        QCOMPARE(entries(dir.pathBytes() + "/L").size(), 5);
        QCOMPARE(entries(dir.pathBytes() + "/R").size(), 0);
        QCOMPARE(attributesOf(dir.filePath("L/f0")) & AttrReadOnly, 0u);
    }

    // A saved web page and the folder of its parts change together.
    void webPagePairs_data()
    {
        QTest::addColumn<QStringList>("marked");
        QTest::addColumn<bool>("settable");
        QTest::addColumn<QStringList>("changed");
        QTest::addColumn<QString>("notice");
        QTest::newRow("page marked, its folder follows")
            << QStringList{"page.htm"} << true << QStringList{"page.htm", "page_files"}
            << "page_files は\r\n\r\n選択されていませんが、ペア項目なので処理対象です。";
        QTest::newRow("folder marked, its page follows")
            << QStringList{"page_files"} << true << QStringList{"page.htm", "page_files"}
            << "page.htm は\r\n\r\n選択されていませんが、ペア項目なので処理対象です。";
        QTest::newRow("both marked, no notice")
            << QStringList{"page.htm", "page_files"} << true
            << QStringList{"page.htm", "page_files"} << QString();
        QTest::newRow("other files are no pairs")
            << QStringList{"note.txt"} << true << QStringList{"note.txt"} << QString();
        QTest::newRow("folders cannot change: neither half does")
            << QStringList{"page.htm", "note.txt"} << false << QStringList{"note.txt"}
            << "このＯＳではフォルダの属性変更が不可能なため";
    }
    void webPagePairs()
    {
        QFETCH(QStringList, marked);
        QFETCH(bool, settable);
        QFETCH(QStringList, changed);
        QFETCH(QString, notice);
        TempDir dir;
        QVERIFY(dir.makeFolder("L") && dir.makeFolder("L/page_files"));
        QVERIFY(dir.writeFile("L/page.htm", "p") && dir.writeFile("L/note.txt", "n") &&
                dir.writeFile("L/page_files/img", "i"));
        Env env;
        env.host.settable = settable;
        env.host.levels = false;
        env.show(dir.filePath("L"), QString(), marked);
        env.ops.changeAttributes(LeftWindow, 1); // read-only on
        for (const QString& name : {"page.htm", "page_files", "note.txt"}) {
            const bool readOnly = attributesOf(dir.filePath("L/" + name)) & AttrReadOnly;
            QVERIFY2(readOnly == changed.contains(name), qPrintable(name));
        }
        const QStringList texts = env.plainTexts();
        if (notice.isEmpty()) {
            QCOMPARE(texts.size(), 1);
        } else {
            QCOMPARE(texts.size(), 2);
            QVERIFY2(texts.last().startsWith(notice), qPrintable(texts.last()));
        }
    }

private:
    TempDir m_data;
};

QTEST_GUILESS_MAIN(DeleteAttributesTest)
#include "tst_deleteattributes.moc"
