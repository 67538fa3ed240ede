#include "core/appsettings.h"
#include "viewer/editrules.h"

#include <QtTest>

using namespace tovane;

class EditRulesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void target_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("textLength");
        QTest::addColumn<int>("targetStart");
        QTest::addColumn<int>("targetLength");
        QTest::addColumn<bool>("whole");
        QTest::newRow("selection") << 2 << 3 << 10 << 2 << 3 << false;
        QTest::newRow("nothing selected") << 4 << 0 << 10 << 0 << 10 << true;
        QTest::newRow("caret at the end") << 10 << 0 << 10 << 0 << 10 << true;
        QTest::newRow("starts at the end") << 10 << 2 << 10 << 0 << 10 << true;
        QTest::newRow("starts past the end") << 12 << 1 << 10 << 0 << 10 << true;
        QTest::newRow("reaches past the end") << 8 << 5 << 10 << 8 << 2 << false;
        QTest::newRow("empty text") << 0 << 0 << 0 << 0 << 0 << true;
        QTest::newRow("first character") << 0 << 1 << 10 << 0 << 1 << false;
    }
    void target()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(int, textLength);
        QFETCH(int, targetStart);
        QFETCH(int, targetLength);
        QFETCH(bool, whole);
        const EditTarget t = editTarget(start, length, textLength);
        QCOMPARE(t.start, targetStart);
        QCOMPARE(t.length, targetLength);
        QCOMPARE(t.wholeText, whole);
    }

    void explanation_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<bool>("slideShow");
        QTest::addColumn<QString>("text");
        QTest::newRow("cut") << 0 << false << false << "選択文字をクリップボードに移動します。";
        QTest::newRow("copy") << 1 << true << false << "選択文字をクリップボードにコピーします。";
        QTest::newRow("paste") << 2 << false << false
                               << "クリップボードの内容をカーソル位置に貼り付けます。";
        QTest::newRow("font, whole text")
            << 3 << true << false
            << "テキスト全体のフォントを選択・変更します。\r\n\r\n"
               "リッチテキスト（rtf）以外は変更結果の保存はできません。";
        QTest::newRow("font, selection, slide show")
            << 3 << false << true
            << "選択文字のフォントを選択・変更します。\r\n\r\n変更結果の保存はできません。";
    }
    void explanation()
    {
        QFETCH(int, command);
        QFETCH(bool, whole);
        QFETCH(bool, slideShow);
        QFETCH(QString, text);
        QCOMPARE(editExplanation(command, whole, slideShow), text);
    }

    void modifies_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("plain");
        QTest::addColumn<bool>("rich");
        QTest::newRow("cut") << 0 << true << true;
        QTest::newRow("copy") << 1 << false << false;
        QTest::newRow("paste") << 2 << true << true;
        QTest::newRow("font") << 3 << false << true;
    }
    void modifies()
    {
        QFETCH(int, command);
        QFETCH(bool, plain);
        QFETCH(bool, rich);
        QCOMPARE(editSetsModified(command, false), plain);
        QCOMPARE(editSetsModified(command, true), rich);
        // A new text typed in the rich-text box is edited as plain text.
        QVERIFY(!editsRichText(true, true));
    }

    void fontSize_data()
    {
        QTest::addColumn<double>("points");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("below") << 3.5 << false;
        QTest::newRow("lowest") << 4.0 << true;
        QTest::newRow("highest") << 512.0 << true;
        QTest::newRow("above") << 512.5 << false;
        QTest::newRow("zero") << 0.0 << false;
    }
    void fontSize()
    {
        QFETCH(double, points);
        QFETCH(bool, allowed);
        QCOMPARE(fontSizeAllowed(points), allowed);
        QCOMPARE(fontSizeText(),
                 QStringLiteral("サイズには 4 から 512 ポイントを指定してください。"));
        QCOMPARE(fontErrorText(7, QStringLiteral("x")),
                 QStringLiteral("「フォント選択」\r\n\r\nエラー番号 = 7\r\n\r\nx"));
    }

    void screenTextSize_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("9") << 0 << 9 << 165 << 11;
        QTest::newRow("10") << 1 << 10 << 191 << 13;
        QTest::newRow("11") << 2 << 11 << 217 << 14;
        QTest::newRow("12") << 3 << 12 << 243 << 16;
    }
    void screenTextSize()
    {
        QFETCH(int, index);
        QFETCH(int, points);
        QFETCH(int, twips);
        QFETCH(int, pixels);
        QCOMPARE(screenTextPoints(index), points);
        QCOMPARE(labelHeightTwips(index), twips);
        QCOMPARE(labelHeightPixels(index), pixels);
    }

    void controlNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("sized");
        QTest::addColumn<bool>("label");
        QTest::newRow("label") << "lbPath_0" << true << true;
        QTest::newRow("destination list") << "ListF" << true << false;
        QTest::newRow("file list") << "lvwFiles_1" << true << false;
        QTest::newRow("tree") << "TreeView1_0" << true << false;
        QTest::newRow("text box") << "txtPath_0" << true << false;
        QTest::newRow("lower-case tree") << "treeView" << false << false;
        QTest::newRow("upper-case label") << "LbPath" << false << false;
        QTest::newRow("rich-text box") << "RTBoxC_0" << false << false;
    }
    void controlNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, sized);
        QFETCH(bool, label);
        QCOMPARE(takesScreenTextSize(name), sized);
        QCOMPARE(isSizedLabel(name), label);
    }

    void dialogSizesReset()
    {
        AppSettings s;
        s.dialogSize.fill(130);
        resetDialogSizes(s.dialogSize);
        for (int v : s.dialogSize)
            QCOMPARE(v, 100);
    }
};

QTEST_GUILESS_MAIN(EditRulesTest)
#include "tst_editrules.moc"
