// The date and time form's input check and texts, and the time change over
// real files: times written and read back, the creation time through the
// DOS-attribute store, read-only items put back, folders on all levels.

#include "core/scriptedservices.h"
#include "fs/volumesource.h"
#include "list/filelistmodel.h"
#include "ops/fileoperations.h"
#include "ops/markedlist.h"
#include "ops/operationhost.h"
#include "ops/timechange.h"
#include "platform/filesystem.h"
#include "support/tempdir.h"

#include <QtTest>

#include <sys/stat.h>

using namespace tovane;
using tovane::test::TempDir;

namespace {

class Host : public OperationHost {
public:
    FileListModel left;
    QString folder;
    bool levels = false;
    int updated = 0;
    const FileListModel* listModel(WindowIndex w) const override
    {
        return w == LeftWindow ? &left : nullptr;
    }
    QString folderPath(WindowIndex w) const override { return w == LeftWindow ? folder : QString(); }
    bool allLevels(WindowIndex) const override { return levels; }
    void listEntryUpdated(WindowIndex, const QString&, const ItemRecord&) override { ++updated; }
};

qint64 localNs(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::LocalTime).toMSecsSinceEpoch() * 1000000;
}

} // namespace

class TimeChangeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void inputCheck_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("second"); // the second field afterwards
        QTest::addColumn<int>("firstWrong");
        QTest::newRow("fine") << QStringList{"2026", "6", "13", "12", "30", "40"} << "" << "40" << -1;
        QTest::newRow("59 becomes 58") << QStringList{"2026", "6", "13", "0", "0", "59"} << ""
                                       << "58" << -1;
        QTest::newRow("07 becomes 06") << QStringList{"2026", "6", "13", "0", "0", "07"} << ""
                                       << "06" << -1;
        QTest::newRow("7 becomes 6") << QStringList{"2026", "6", "13", "0", "0", "7"} << "" << "6"
                                     << -1;
        QTest::newRow("29 Feb of 2100 is no day")
            << QStringList{"2100", "2", "29", "0", "0", "0"} << "日 は範囲外です。" << "0" << 2;
        QTest::newRow("29 Feb of 2000 is one")
            << QStringList{"2000", "2", "29", "0", "0", "0"} << "" << "0" << -1;
        QTest::newRow("month 13, day 31") << QStringList{"2026", "13", "31", "0", "0", "0"}
                                          << "月 は範囲外です。" << "0" << 1;
        QTest::newRow("month 13, day 32") << QStringList{"2026", "13", "32", "0", "0", "0"}
                                          << "月、日 は範囲外です。" << "0" << 1;
        QTest::newRow("one year too late") << QStringList{"2028", "1", "1", "0", "0", "0"}
                                           << "年 は範囲外です。" << "0" << 0;
        QTest::newRow("the earliest year") << QStringList{"2021", "1", "1", "0", "0", "0"} << ""
                                           << "0" << -1;
        QTest::newRow("hour, minute") << QStringList{"2026", "1", "1", "24", "60", "0"}
                                      << "時、分 は範囲外です。" << "0" << 3;
        QTest::newRow("empty day") << QStringList{"2026", "1", "", "0", "0", "0"}
                                   << "日 は範囲外です。" << "0" << 2;
    }
    void inputCheck()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, message);
        QFETCH(QString, second);
        QFETCH(int, firstWrong);
        TimeInput input;
        input.fields = fields;
        // Leap-year rows are checked in their own year.
        const int year = fields[0].toInt();
        input.presentYear = year == 2000 || year == 2100 ? year : 2026;
        int wrong = -2;
        QCOMPARE(checkTimeInput(input, wrong), message);
        QCOMPARE(input.fields[5], second);
        QCOMPARE(wrong, firstWrong);
    }

    void texts()
    {
        QCOMPARE(yearRangeText(5, 1), QStringLiteral("（ 　５年前の年初 ～ 来年の年末 ）"));
        QCOMPARE(yearRangeText(10, 10), QStringLiteral("（ 　１０年前の年初 ～ 　１０年後の年末 ）"));
        QCOMPARE(timeChangeConfirmation(1, 1, 0, QStringLiteral("a.txt"), true, false),
                 QStringLiteral("a.txt の\r\n\r\n日時を変更します。"));
        QCOMPARE(timeChangeConfirmation(3, 3, 0, QString(), true, false),
                 QStringLiteral("3 ファイルの日時を変更します。"));
        QCOMPARE(timeChangeConfirmation(3, 2, 1, QString(), true, true),
                 QStringLiteral("3 項目の日時を変更します。\r\n\r\n\r\nフォルダはそれ自身を含めて"
                                "非表示属性対象外の全項目\r\n\r\nを対象にします。"));
        QCOMPARE(timeChangeConfirmation(2, 1, 1, QString(), false, false),
                 QStringLiteral("2 項目の日時を変更します。\r\n\r\n\r\nフォルダはそれ自身だけを対象にします。"));
    }

    void writesAndReadsBack()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("d"));
        QVERIFY(dir.makeFolder("d/sub"));
        QVERIFY(dir.writeFile("d/a.txt", "a"));
        QVERIFY(dir.writeFile("d/ro.txt", "r"));
        QVERIFY(dir.writeFile("d/sub/in.txt", "i"));
        const QString ro = dir.filePath(QStringLiteral("d/ro.txt"));
        QCOMPARE(::chmod(ro.toUtf8().constData(), 0444), 0);
        Host host;
        host.folder = dir.filePath(QStringLiteral("d/"));
        host.levels = true;
        QCOMPARE(loadFolderModel(host.left, host.folder), 0);
        QVERIFY(markNames(host.left, {"a.txt", "ro.txt", "sub"}).isEmpty());
        ScriptedMessageService messages;
        messages.setDefaultAnswer(AnswerYes);
        ScriptedProgressService progress;
        PlatformVolumeSource volumes;
        OperationContext context{messages, progress, volumes, nullptr, host};
        TimeChange change(context);
        int asked = 0;
        change.form = [&](const QString&, bool, const platform::FileTimes&, TimeRequest& r) {
            ++asked;
            r.kinds = platform::TimeWrite | platform::TimeCreation;
            r.times.write = localNs(2024, 2, 29, 10, 11, 12);
            r.times.creation = localNs(2023, 1, 2, 3, 4, 6);
            return 0;
        };
        QCOMPARE(change.run(LeftWindow), 0);
        QCOMPARE(asked, 1); // once for all items
        QCOMPARE(change.written(), 4);
        for (const char* name : {"d/a.txt", "d/ro.txt", "d/sub", "d/sub/in.txt"}) {
            platform::FileTimes t;
            QCOMPARE(platform::getTimes(dir.filePath(QLatin1String(name)), t), 0);
            QCOMPARE(t.write, localNs(2024, 2, 29, 10, 11, 12));
            if (!qEnvironmentVariableIsSet("TOVANE_NO_XATTR"))
                QCOMPARE(t.creation, localNs(2023, 1, 2, 3, 4, 6));
        }
        struct stat st;
        QCOMPARE(::stat(ro.toUtf8().constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0444)); // read-only again
        QCOMPARE(host.updated, 3); // the listed entries show their new dates
    }

    void skipAndCancelFromTheForm()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("a.txt", "a"));
        QVERIFY(dir.writeFile("b.txt", "b"));
        Host host;
        host.folder = dir.path() + u'/';
        QCOMPARE(loadFolderModel(host.left, host.folder), 0);
        QVERIFY(markNames(host.left, {"a.txt", "b.txt"}).isEmpty());
        ScriptedMessageService messages;
        ScriptedProgressService progress;
        PlatformVolumeSource volumes;
        OperationContext context{messages, progress, volumes, nullptr, host};
        TimeChange change(context);
        change.perItem = true;
        QList<int> answers{1, -10};
        change.form = [&](const QString&, bool, const platform::FileTimes&, TimeRequest& r) {
            r.kinds = platform::TimeWrite;
            r.times.write = localNs(2020, 1, 1, 0, 0, 0);
            return answers.takeFirst();
        };
        platform::FileTimes before;
        QCOMPARE(platform::getTimes(dir.filePath(QStringLiteral("b.txt")), before), 0);
        QCOMPARE(change.run(LeftWindow), 3);
        platform::FileTimes after;
        QCOMPARE(platform::getTimes(dir.filePath(QStringLiteral("b.txt")), after), 0);
        QCOMPARE(after.write, before.write);
        QCOMPARE(change.written(), 0);
    }
};

QTEST_GUILESS_MAIN(TimeChangeTest)
#include "tst_timechange.moc"
