#include "core/appsettings.h"
#include "viewer/textsaverules.h"

#include <QtTest>

#include <cerrno>

using namespace tovane;

namespace {

CategoryLists lists()
{
    CategoryLists l;
    l[3] = QStringLiteral(" txt, log,");
    l[5] = QStringLiteral(" bas,");
    return l;
}

LanguageCaptions captions()
{
    LanguageCaptions c;
    const auto stored = defaultExtTitles();
    for (int i = 0; i < LanguageCount; ++i)
        c[size_t(i)] = stored[size_t(i)];
    return c;
}

SaveFacts facts()
{
    SaveFacts f;
    f.windowFolder = QStringLiteral("/w/");
    f.homeFolder = QStringLiteral("/home/u");
    f.shownPath = QStringLiteral("/w/notes.log");
    f.chosenPath = QStringLiteral("/w/picture.jpg");
    f.textShown = true;
    return f;
}

} // namespace

class TextSaveRulesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void plan_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("textMode");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("preselected");
        QTest::newRow("overwrite") << "overwrite" << true << "/w/"
                                   << "notes.log" << 3;
        QTest::newRow("save as of the shown text") << "as" << true << "/w/"
                                                   << "notes.log" << 3;
        QTest::newRow("new text") << "new" << true << "/w/"
                                  << "新しいファイル.txt" << 2;
        QTest::newRow("new text, protected place") << "new protected" << true << "/home/u/"
                                                   << "新しいファイル.txt" << 2;
        QTest::newRow("drive no longer writable") << "as unwritable" << true << "/home/u/"
                                                  << "notes.log" << 3;
        QTest::newRow("nothing shown: a copy of the chosen file") << "as hidden" << false << "/w/"
                                                                  << "picture.jpg" << 1;
        QTest::newRow("fixed destination") << "as fixed" << true << "/dest/"
                                           << "notes.log" << 3;
        QTest::newRow("rich text") << "as rtf" << true << "/w/"
                                   << "a.rtf" << 1;
        QTest::newRow("name without a title") << "as dotname" << true << "/w/"
                                              << "　.log" << 3;
    }
    void plan()
    {
        QFETCH(QString, situation);
        QFETCH(bool, textMode);
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(int, preselected);
        SaveFacts f = facts();
        f.mode = situation.startsWith(u"overwrite") ? SaveOverwrite : SaveAs;
        if (situation.contains(u"new")) {
            f.newText = true;
            f.textShown = false;
            f.shownPath.clear();
        }
        f.locationProtected = situation.contains(u"protected");
        f.driveWritable = !situation.contains(u"unwritable");
        if (situation.contains(u"hidden")) {
            f.contentDisplayOn = false;
        }
        if (situation.contains(u"fixed"))
            f.fixedDestination = QStringLiteral("/dest");
        if (situation.contains(u"rtf"))
            f.shownPath = QStringLiteral("/w/a.rtf");
        if (situation.contains(u"dotname"))
            f.shownPath = QStringLiteral("/w/.log");
        const SavePlan p = planSave(f, lists(), captions());
        QCOMPARE(p.textMode, textMode);
        QCOMPARE(p.proposedFolder, folder);
        QCOMPARE(p.proposedName, name);
        QCOMPARE(p.preselected, preselected);
    }

    void typeList()
    {
        SaveFacts f = facts();
        QCOMPARE(planSave(f, lists(), captions()).filter,
                 QStringLiteral("リッチテキスト(*.rtf)|*.rtf|テキスト2(一般)(*.txt)|*.txt|"
                                "テキスト2(一般)(*.log)|*.log|言語1(Basic系)(*.bas)|*.bas|"
                                "その他(*.*)|*.*"));
        f.mode = SaveAs;
        f.textShown = false;
        QCOMPARE(planSave(f, lists(), captions()).filter,
                 QStringLiteral("変更なし(*.jpg)|*.jpg|その他(*.*)|*.*"));
    }

    void questions()
    {
        QCOMPARE(unsavedQuestion(true, true),
                 QStringLiteral("作成中の新規ファイルが保存されていません。\r\n\r\n\r\n"
                                "名前を付けて保存しますか ？"));
        QCOMPARE(unsavedQuestion(false, false),
                 QStringLiteral(
                     "編集中のファイルが保存されていません。\r\n\r\n\r\n上書き保存しますか ？"));
        QCOMPARE(overwriteQuestion(QStringLiteral("/a"), false),
                 QStringLiteral("対象ファイルを上書き保存します。"));
        QVERIFY(saveAsNeeded(false, false, false, false));
        QVERIFY(!saveAsNeeded(false, false, false, true));
    }

    void errors_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("protectedDrive");
        QTest::newRow("read-only volume") << EROFS << true;
        QTest::newRow("denied") << EACCES << true;
        QTest::newRow("name too long") << ENAMETOOLONG << true;
        QTest::newRow("disk full") << ENOSPC << false;
    }
    void errors()
    {
        QFETCH(int, error);
        QFETCH(bool, protectedDrive);
        bool writeProtected = !protectedDrive;
        const QString text = saveErrorText(QStringLiteral("/x/a.txt"), error, writeProtected);
        QCOMPARE(writeProtected, protectedDrive);
        QVERIFY(text.startsWith(QStringLiteral("ファイル名 = /x/a.txt\r\n\r\n")));
        QCOMPARE(text.contains(QStringLiteral("ドライブが書込み禁止、またはパス名が無効です。")),
                 protectedDrive);
        QCOMPARE(text.contains(QStringLiteral("エラー番号 = ") + QString::number(error)),
                 !protectedDrive);
    }
};

QTEST_GUILESS_MAIN(TextSaveRulesTest)
#include "tst_textsaverules.moc"
