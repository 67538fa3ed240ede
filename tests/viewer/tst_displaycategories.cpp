#include "core/appsettings.h"
#include "core/scriptedservices.h"
#include "viewer/displaycategories.h"

#include <QtTest>

using namespace tovane;

namespace {

CategoryLists defaults()
{
    CategoryLists lists;
    const auto stored = defaultDispExtLists();
    for (int i = 0; i < CategoryListCount; ++i)
        lists[size_t(i)] = stored[size_t(i)];
    return lists;
}

LanguageCaptions captions()
{
    LanguageCaptions c;
    const auto stored = defaultExtTitles();
    for (int i = 0; i < LanguageCount; ++i)
        c[size_t(i)] = stored[size_t(i)];
    return c;
}

} // namespace

class DisplayCategoriesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void category_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("extended");
        QTest::addColumn<int>("category");
        QTest::newRow("archive") << "a.ZIP" << false << 0;
        QTest::newRow("image") << "p.jpg" << false << 1;
        QTest::newRow("rich text") << "r.rtf" << false << 2;
        QTest::newRow("plain text") << "t.txt" << false << 3;
        QTest::newRow("language, extended") << "m.cpp" << true << 6;
        QTest::newRow("language ignored in the basic mode") << "m.cpp" << false << -1;
        QTest::newRow("no extension") << "README" << true << -1;
        QTest::newRow("c is no part of dsp") << "x.ds" << true << -1;
        QTest::newRow("the smaller index wins") << "both.log" << true << 3;
        QTest::newRow("upper-case extension") << "P.JPG" << false << 1;
        QTest::newRow("the last dot counts") << "a.txt.bak" << true << -1;
        QTest::newRow("a comma would match across entries") << "a.log, txt" << true << -1;
    }
    void category()
    {
        QFETCH(QString, name);
        QFETCH(bool, extended);
        QFETCH(int, category);
        CategoryLists lists = defaults();
        lists[9] += QStringLiteral(" log,"); // also in list 3
        QCOMPARE(categoryOf(lists, name, extended), category);
    }

    void serialSet()
    {
        CategoryLists lists;
        lists[1] = QStringLiteral(" bmp, jpg,");
        lists[3] = QStringLiteral(" txt, jpg,");
        lists[17] = QStringLiteral(" dat,");
        lists[5] = QStringLiteral(" bas,");
        QCOMPARE(serialNumberingSet(lists), QStringLiteral(" bmp, jpg, txt, dat,"));
    }

    // The answers of the list editor: what is stored, or which message.
    void answer_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("list"); // the stored list, or the message's start
        QTest::newRow("entries once, lower case") << 3 << " TXT , txt ,log " << true << ""
                                                  << " txt, log,";
        QTest::newRow("cleared by a blank") << 3 << " " << true << ""
                                            << "";
        QTest::newRow("full-width language answer") << 7 << "ＶＢ(&V) ／ bas" << true << "VB(&V)"
                                                    << " bas,";
        QTest::newRow("after the closing bracket dropped")
            << 7 << "VB(&V)junk ／ bas" << true << "VB(&V)"
            << " bas,";
        QTest::newRow("language reset") << 7 << "・ ／" << true << "・"
                                        << "";
        QTest::newRow("no full-width slash")
            << 7 << "VB(&V) / bas" << false << ""
            << "メニュー名と拡張子リストを区切る ／ がありません。";
        QTest::newRow("no access key") << 7 << "VB ／ bas" << false << ""
                                       << "アクセスキー前置文字 (& がありません。";
        QTest::newRow("nothing before the key") << 7 << " (&V) ／ bas" << false << ""
                                                << "(& の前に文字がありません。";
        QTest::newRow("key not alphanumeric") << 7 << "VB(&-) ／ bas" << false << ""
                                              << "アクセスキー文字が英数字ではありません。";
        QTest::newRow("key not closed") << 7 << "VB(&VX ／ bas" << false << ""
                                        << "アクセスキーの後が ) ではありません。";
        QTest::newRow("caption too long") << 7 << "ABCDEFGHIJKLMNOPQ(&V) ／ bas" << false << ""
                                          << "メニュー名が 20 文字を超えています。";
        QTest::newRow("title of another language")
            << 7 << "言語1(Basic系)(&Q) ／ bas" << false << ""
            << "他のサブメニューに同じタイトルがあります。";
        QTest::newRow("archive outside the set") << 0 << "zip, rar" << false << ""
                                                 << "解凍書庫対象外の拡張子があります。";
        QTest::newRow("archive inside the set") << 0 << "zip,cab" << true << ""
                                                << " zip, cab,";
        QTest::newRow("bad extension") << 3 << "t*t" << false << ""
                                       << "入力された";
    }
    void answer()
    {
        QFETCH(int, index);
        QFETCH(QString, answer);
        QFETCH(bool, ok);
        QFETCH(QString, caption);
        QFETCH(QString, list);
        ScriptedMessageService messages;
        CategoryAnswer out;
        const bool got =
            parseCategoryAnswer(index, answer, captions(), QStringLiteral(" cab, zip,"), messages,
                                QStringLiteral("t"), out);
        QCOMPARE(got, ok);
        if (ok) {
            QCOMPARE(out.caption, caption);
            QCOMPARE(out.list, list);
            QCOMPARE(messages.texts(), QStringList());
        } else {
            QCOMPARE(messages.texts().size(), 1);
            QVERIFY2(messages.texts().first().startsWith(list),
                     qPrintable(messages.texts().first()));
        }
    }

    void tooLongList()
    {
        // 26 entries of 10 letters: 312 characters in list form, over 250.
        QString answer;
        for (char c = 'a'; c <= 'z'; ++c)
            answer += QString(10, QLatin1Char(c)).left(9) + u',';
        ScriptedMessageService messages;
        CategoryAnswer out;
        QVERIFY(!parseCategoryAnswer(3, answer, captions(), QString(), messages,
                                     QStringLiteral("t"), out));
        QCOMPARE(messages.texts(), QStringList{"拡張子文字列が 250 文字を超えています。"});
    }

    void texts()
    {
        QCOMPARE(categoryEditTitle(3, captions()),
                 QStringLiteral("テキスト2(一般)表示対象拡張子の変更入力"));
        QCOMPARE(categoryEditTitle(15, captions()),
                 QStringLiteral("リスト表示対象拡張子の変更入力"));
        QCOMPARE(categoryEditTitle(17, captions()), QStringLiteral("連番付け対象拡張子の変更入力"));
        QCOMPARE(categoryEditText(5, QStringLiteral(" bas, frm,"), captions()),
                 QStringLiteral("言語1(Basic系)(&B) ／ bas, frm,"));
        QVERIFY(categoryEditPrompt(0, QStringLiteral(" cab, zip,"))
                    .startsWith(QStringLiteral("解凍処理用 DLL がインストールされている\r\ncab, "
                                               "zip\r\nの中にある拡張子だけを入力できます。")));
        QCOMPARE(
            categoryStoredText(15, "a", "a", QString()),
            QStringLiteral(
                "対象拡張子リストを\r\n\r\nすべてのファイルとフォルダ　に\r\n\r\n設定しました。"));
        QCOMPARE(categoryResetQuestion(7, captions(), true),
                 QStringLiteral("言語3(Pascal系)表示の\r\n\r\nメニュー名を ・ "
                                "にして\r\n\r\nリストをクリアします。"));
        QString many;
        for (int i = 0; i < 40; ++i)
            many += QStringLiteral(" e%1,").arg(i, 2, 10, QLatin1Char('0'));
        QVERIFY(categoryStoredText(3, "x", "x", many).contains(QStringLiteral("　・・・　に")));
    }

    void sameExtension_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("holds");
        QTest::newRow("one kind") << QStringList{"a.jpg", "b.JPG"} << true;
        QTest::newRow("two kinds") << QStringList{"a.jpg", "b.bmp"} << false;
        QTest::newRow("not numbered") << QStringList{"a.exe", "b.exe"} << false;
        QTest::newRow("a single file") << QStringList{"a.jpg"} << false;
    }
    void sameExtension()
    {
        QFETCH(QStringList, names);
        QFETCH(bool, holds);
        SameExtension s;
        for (const QString& n : names)
            s.feed(n, QStringLiteral(" bmp, jpg,"));
        QCOMPARE(s.holds(int(names.size())), holds);
    }
};

QTEST_GUILESS_MAIN(DisplayCategoriesTest)
#include "tst_displaycategories.moc"
