#include "ops/operationrun.h"
#include "ops/operationtexts.h"

#include <QtTest>

#include <cerrno>

using namespace tovane;

class OperationTextsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void summary_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("folders");
        QTest::addColumn<bool>("allLevels");
        QTest::addColumn<bool>("compare");
        QTest::addColumn<bool>("unconditional");
        QTest::addColumn<bool>("settable");
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("expected");
        const QString tail = QStringLiteral("比較選択マークは両方の窓とも更新されます。");
        QTest::newRow("short copy")
            << int(OpCopy) << 3 << 1 << true << false << false << true << QStringLiteral("/d/ に")
            << false << QStringLiteral("コピー対象項目をコピーします。");
        QTest::newRow("short move")
            << int(OpMove) << 1 << 0 << true << false << false << true << QStringLiteral("/d/ に")
            << false << QStringLiteral("コピー対象項目を移動します。");
        QTest::newRow("short erase, unconditional")
            << int(OpErase) << 2 << 0 << true << false << true << true << QString() << false
            << QStringLiteral("選択項目を無条件で、ごみ箱に移さず抹消します。");
        QTest::newRow("one file to the opposite window")
            << int(OpCopy) << 1 << 0 << true << false << false << true
            << QStringLiteral("反対窓の表示パス に") << true
            << QStringLiteral("a.txt を\r\n\r\n反対窓の表示パス にコピーします。\r\n\r\n"
                              "指定選択マークは両方の窓とも保持され\r\n") +
                   tail;
        QTest::newRow("files to a named folder")
            << int(OpMove) << 3 << 0 << true << false << false << true << QStringLiteral("/d/ に")
            << true
            << QStringLiteral("3 ファイル を \r\n\r\n/d/ に移動します。\r\n\r\n"
                              "指定選択マークは 選択窓：更新、反対窓：保持 され\r\n") +
                   tail;
        QTest::newRow("compare selection, all levels")
            << int(OpCopy) << 2 << 1 << true << true << false << true
            << QStringLiteral("反対窓の表示パス に") << true
            << QStringLiteral("2 項目 またはその一部を 反対窓の表示パス にコピーします。\r\n\r\n"
                              "コピー対象選択項目がフォルダの場合は\r\nそのフォルダ以下の選択対象を"
                              "コピーします。\r\n\r\n指定選択マークは両方の窓とも保持され\r\n") +
                   tail;
        QTest::newRow("one folder, one level, no folder attributes")
            << int(OpCopy) << 1 << 1 << false << false << false << false << QStringLiteral("/d/ に")
            << true
            << QStringLiteral("a.txt\r\n またはその一部 を\r\n\r\n/d/ にコピーします。\r\n\r\n"
                              "コピー対象選択項目がフォルダの場合は\r\nそれ自身だけをコピーします。"
                              "\r\nフォルダの属性はコピーできません。\r\n\r\n\r\n"
                              "指定選択マークは両方の窓とも保持され\r\n") +
                   tail;
        QTest::newRow("delete to the trash")
            << int(OpTrash) << 4 << 2 << true << false << false << true << QString() << true
            << QStringLiteral(
                   "4 項目を ごみ箱に移動します。\r\n\r\n削除対象選択項目がフォルダの場合は"
                   "\r\nそのフォルダ以下の全部を削除します。\r\n\r\n指定選択マークは "
                   "選択窓：更新、反対窓：保持か更新 され\r\n") +
                   tail;
    }
    void summary()
    {
        QFETCH(int, code);
        QFETCH(int, items);
        QFETCH(int, folders);
        QFETCH(bool, allLevels);
        QFETCH(bool, compare);
        QFETCH(bool, unconditional);
        QFETCH(bool, settable);
        QFETCH(QString, phrase);
        QFETCH(bool, full);
        QFETCH(QString, expected);
        SummaryFacts f;
        f.code = code;
        f.items = items;
        f.folders = folders;
        f.firstName = QStringLiteral("a.txt");
        f.allLevels = allLevels;
        f.compareSelection = compare;
        f.unconditional = unconditional;
        f.folderAttributesSettable = settable;
        f.destinationPhrase = phrase;
        QCOMPARE(summaryText(f, full), expected);
    }

    void destination_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<bool>("oppositeShows");
        QTest::addColumn<bool>("twoWindows");
        QTest::addColumn<QString>("expected");
        QTest::newRow("same folder")
            << "/a/"
            << "/a/" << true << true << QStringLiteral("選択窓の表示パス に");
        QTest::newRow("opposite") << "/a/"
                                  << "/b/" << true << true << QStringLiteral("反対窓の表示パス に");
        QTest::newRow("one window shown") << "/a/"
                                          << "/b/" << true << false << QStringLiteral("/b/ に");
        QTest::newRow("destination list") << "/a/"
                                          << "/c/" << false << true << QStringLiteral("/c/ に");
    }
    void destination()
    {
        QFETCH(QString, selected);
        QFETCH(QString, destination);
        QFETCH(bool, oppositeShows);
        QFETCH(bool, twoWindows);
        QFETCH(QString, expected);
        QCOMPARE(destinationPhrase(selected, destination, oppositeShows, twoWindows), expected);
    }

    void status_data()
    {
        QTest::addColumn<bool>("compare");
        QTest::addColumn<QString>("pathText");
        QTest::addColumn<bool>("oneWindow");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<bool>("isOpposite");
        QTest::addColumn<QString>("expected");
        const QString d48 = QLatin1Char('/') + QString(46, u'x') + QLatin1Char('/'); // 48 + 2 = 50
        const QString d49 = QLatin1Char('/') + QString(47, u'y') + QLatin1Char('/');
        QTest::newRow("opposite window")
            << false << QStringLiteral("左窓の") << false << QStringLiteral("/b/") << true
            << QStringLiteral("指定選択項目をコピー中 左窓から 反対側の窓 に");
        QTest::newRow("one window")
            << true << QStringLiteral("（右窓の）") << true << QStringLiteral("/b/") << true
            << QStringLiteral("比較選択項目をコピー中 （右窓）から /b/ に");
        QTest::newRow("50 characters kept")
            << false << QStringLiteral("左窓の") << false << d48 << false
            << QStringLiteral("指定選択項目をコピー中 左窓から ") + d48 + QStringLiteral(" に");
        QTest::newRow("51 characters shortened")
            << false << QStringLiteral("左窓の") << false << d49 << false
            << QStringLiteral("指定選択項目をコピー中 左窓から") +
                   (QStringLiteral(" /") + QString(18, u'y')) + QStringLiteral("･･･") +
                   (QString(18, u'y') + QStringLiteral("/ ")) + QStringLiteral("に");
        QTest::newRow("delete") << false << QStringLiteral("右窓の") << false << QString() << false
                                << QStringLiteral("指定選択項目をコピー中 右窓の");
    }
    void status()
    {
        QFETCH(bool, compare);
        QFETCH(QString, pathText);
        QFETCH(bool, oneWindow);
        QFETCH(QString, destination);
        QFETCH(bool, isOpposite);
        QFETCH(QString, expected);
        QCOMPARE(runStatusText(compare, QStringLiteral("コピー"), pathText, oneWindow, destination,
                               isOpposite),
                 expected);
    }

    void errorText_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("ending");
        QTest::newRow("file") << false << QStringLiteral("/a/b")
                              << QStringLiteral("\r\n\r\nファイル /a/b について");
        QTest::newRow("folder") << true << QStringLiteral("/a/b")
                                << QStringLiteral("\r\n\r\nフォルダ /a/b/ について");
        QTest::newRow("folder with slash")
            << true << QStringLiteral("/a/b/") << QStringLiteral("\r\n\r\nフォルダ /a/b/ について");
    }
    void errorText()
    {
        QFETCH(bool, folder);
        QFETCH(QString, path);
        QFETCH(QString, ending);
        const QString text = itemErrorText(ENOSPC, path, folder);
        QVERIFY2(text.endsWith(ending), qPrintable(text));
        QVERIFY(text.size() > ending.size()); // the system's words come first
        QVERIFY(!text.startsWith(QStringLiteral("\r\n")));
    }

    void attributeSummary_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("folders");
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one item") << 1 << 1 << 0 << true
                                  << QStringLiteral("x の\r\n\r\n読取専用属性 を設定します。");
        QTest::newRow("files") << 2 << 3 << 0 << true
                               << QStringLiteral("3 ファイルの 隠し属性 を解除します。");
        QTest::newRow("items with folders")
            << 7 << 2 << 1 << true
            << QStringLiteral(
                   "2 項目の アーカイブ属性 "
                   "を設定します。\r\n\r\nフォルダはその内部も含めて全体を対象にします。");
        QTest::newRow("short") << 4 << 2 << 1 << false
                               << QStringLiteral("選択項目の システム属性 を解除します。");
    }
    void attributeSummary()
    {
        QFETCH(int, index);
        QFETCH(int, items);
        QFETCH(int, folders);
        QFETCH(bool, full);
        QFETCH(QString, expected);
        QCOMPARE(attributeSummaryText(index, items, folders, QStringLiteral("x"), true, true, full),
                 expected);
    }
};

QTEST_GUILESS_MAIN(OperationTextsTest)
#include "tst_operationtexts.moc"
