// Texts of the list that need no folder: headers and their marks, width
// sets, count labels with totals, the memory label, drive cells, the name
// order and the category/filter rules.

#include "list/drivelist.h"
#include "list/fileimages.h"
#include "list/filelistmodel.h"
#include "list/listcolumns.h"
#include "list/listlabels.h"

#include <QtTest>

using namespace tovane;

class ListTextsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sortMarks_data()
    {
        QTest::addColumn<QStringList>("headers");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QStringList>("expected");
        const QStringList fresh = folderHeaders(false).mid(0, 4);
        QTest::newRow("fresh, name ascending")
            << fresh << 0 << false << QStringList{"名　　　前↑", "サイズ B", "更新日時", "属性"};
        QTest::newRow("moves to size, descending")
            << QStringList{"名　　　前↑", "サイズ B", "更新日時", "属性"} << 1 << true
            << QStringList{"名　　　前", "サイズ B↓", "更新日時", "属性"};
        QTest::newRow("size header with trailing blank")
            << QStringList{"名　　　前", sizeHeaderText(true, true), "更新日時", "属性"} << 1
            << false << QStringList{"名　　　前", "ｻｲｽﾞ kB ↑", "更新日時", "属性"};
        QTest::newRow("only one mark is taken off")
            << QStringList{"a↑↓", "b", "c", "d"} << 3 << false << QStringList{"a↑", "b", "c", "d↑"};
    }
    void sortMarks()
    {
        QFETCH(QStringList, headers);
        QFETCH(int, column);
        QFETCH(bool, descending);
        QFETCH(QStringList, expected);
        markSortedHeader(headers, column, descending);
        QCOMPARE(headers, expected);
    }

    void layouts()
    {
        QCOMPARE(folderHeaders(true),
                 (QStringList{"名　　　前", "ｻｲｽﾞ kB", "更新日時", "属性", "", "", ""}));
        QCOMPARE(driveHeaders().size(), 5);
        const auto folder = folderAlignments();
        QCOMPARE((std::vector<bool>(folder.begin(), folder.end())),
                 (std::vector<bool>{false, true, false, false, false, true, true}));
        const auto drive = driveAlignments();
        QCOMPARE((std::vector<bool>(drive.begin(), drive.end())),
                 (std::vector<bool>{false, true, true, false, true}));
    }

    void widthSets_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<bool>("drives");
        QTest::addColumn<int>("set");
        QTest::newRow("left folder items") << 0 << false << 0;
        QTest::newRow("left drives") << 0 << true << 1;
        QTest::newRow("one window folder items") << 2 << false << 2;
        QTest::newRow("one window drives") << 2 << true << 3;
        QTest::newRow("right folder items") << 1 << false << 4;
        QTest::newRow("right drives") << 1 << true << 5;
    }
    void widthSets()
    {
        QFETCH(int, slot);
        QFETCH(bool, drives);
        QFETCH(int, set);
        QCOMPARE(columnWidthSet(slot, drives ? ListLayout::Drives : ListLayout::FolderItems), set);
    }

    void hiddenWidths()
    {
        const int widths[7] = {100, 50, 60, 40, 0, 12, 0};
        QCOMPARE(hiddenColumnsToReset(widths), QList<int>{5});
        const int zero[7] = {100, 50, 60, 40, 0, 0, 0};
        QVERIFY(hiddenColumnsToReset(zero).isEmpty());
    }

    void countTexts_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("compare");
        QTest::addColumn<bool>("folderItems");
        QTest::addColumn<qint64>("items");
        QTest::addColumn<QString>("text");
        QTest::newRow("list of folder items") << "list" << false << true << qint64(1234)
                                              << " リスト 1,234 項目( 34 ﾌｫﾙﾀﾞ, 1,200 ﾌｧｲﾙ)";
        QTest::newRow("list of drives")
            << "list" << false << false << qint64(3) << " リスト 3 項目";
        QTest::newRow("designated selection")
            << "selection" << false << true << qint64(2) << " 指定選択　 2 項目";
        QTest::newRow("compare selection") << "selection" << true << true << qint64(2)
                                           << " 比較選択　 2 項目( 34 ﾌｫﾙﾀﾞ, 1,200 ﾌｧｲﾙ)";
        QTest::newRow("no selection") << "selection" << true << true << qint64(0) << "";
        QTest::newRow("copy targets")
            << "copy" << false << true << qint64(5) << " コピー対象 5 項目";
        QTest::newRow("copy targets, compare")
            << "copy" << true << true << qint64(5) << " コピー対象 5 項目( 34 ﾌｫﾙﾀﾞ, 1,200 ﾌｧｲﾙ)";
        QTest::newRow("no copy targets") << "copy" << false << true << qint64(0) << "";
    }
    void countTexts()
    {
        QFETCH(QString, kind);
        QFETCH(bool, compare);
        QFETCH(bool, folderItems);
        QFETCH(qint64, items);
        QFETCH(QString, text);
        const ItemCounts counts{items, 34, 1200, 0};
        const QString got = kind == "list" ? listCountText(counts, folderItems)
                            : kind == "selection"
                                ? selectionCountText(counts, compare, folderItems)
                                : copyTargetCountText(counts, compare, folderItems);
        QCOMPARE(got, text);
    }

    void sizeTotals_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("bytes");
        QTest::addColumn<bool>("kilobytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("after the last parenthesis")
            << " リスト 2 項目( 1 ﾌｫﾙﾀﾞ, 1 ﾌｧｲﾙ)" << 1025.0 << false
            << " リスト 2 項目( 1 ﾌｫﾙﾀﾞ, 1 ﾌｧｲﾙ)    1,025 B";
        QTest::newRow("after 目 without parenthesis")
            << " 指定選択　 2 項目" << 1025.0 << true << " 指定選択　 2 項目    2 kB";
        QTest::newRow("an old total is replaced")
            << " リスト 1 項目    9 B" << 0.0 << false << " リスト 1 項目    0 B";
        QTest::newRow("empty stays empty") << "" << 10.0 << false << "";
        QTest::newRow("over 4 GiB")
            << " リスト 1 項目" << 4294967296.0 << true << " リスト 1 項目    4,194,304 kB";
    }
    void sizeTotals()
    {
        QFETCH(QString, text);
        QFETCH(double, bytes);
        QFETCH(bool, kilobytes);
        QFETCH(QString, expected);
        QCOMPARE(withSizeTotal(text, bytes, kilobytes), expected);
    }

    void memoryText_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        const QString mb = "主メモリ容量：2,048MB  空きメモリ容量：1,536MB";
        QTest::newRow("no modifier") << 0 << mb;
        QTest::newRow("both") << (ModifierShift | ModifierCtrl) << mb;
        QTest::newRow("shift: kB")
            << int(ModifierShift) << "主メモリ容量：2,097,152kB  空きメモリ容量：1,572,864kB";
        QTest::newRow("ctrl: bytes")
            << int(ModifierCtrl) << "主メモリ容量：2,147,483,648B  空きメモリ容量：1,610,612,736B";
    }
    void memoryText()
    {
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QCOMPARE(memoryStatusText(2147483648.0, 1610612736.0, modifiers), text);
    }

    void driveCells_data()
    {
        QTest::addColumn<double>("total");
        QTest::addColumn<bool>("six");
        QTest::addColumn<QString>("text");
        QTest::newRow("500 MiB, three digits") << 500.0 * (1 << 20) << false << "500MB";
        QTest::newRow("500 MiB, six digits") << 500.0 * (1 << 20) << true << "512,000kB";
        QTest::newRow("5 GiB, three digits") << 5.0 * (1 << 30) << false << "5.00GB";
        QTest::newRow("under 1,000 kB") << 999.0 * 1024 << false << "999kB";
    }
    void driveCells()
    {
        QFETCH(double, total);
        QFETCH(bool, six);
        QFETCH(QString, text);
        DriveRow row;
        row.ready = row.hasCapacity = true;
        row.totalBytes = total;
        QCOMPARE(driveCellText(row, DriveColumnTotal, six), text);
        row.hasCapacity = false;
        QCOMPARE(driveCellText(row, DriveColumnTotal, six), QString());
    }

    void clusterSizes_data()
    {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("512") << quint64(512) << "512B";
        QTest::newRow("1023") << quint64(1023) << "1,023B";
        QTest::newRow("1024") << quint64(1024) << "1kB";
        QTest::newRow("65536") << quint64(65536) << "64kB";
        QTest::newRow("unknown") << quint64(0) << "";
    }
    void clusterSizes()
    {
        QFETCH(quint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(clusterSizeText(bytes), text);
    }

    void nameOrder_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("sign");
        QTest::newRow("case ignored first") << "apple"
                                            << "Banana" << -1;
        QTest::newRow("exact comparison breaks ties") << "README"
                                                      << "readme" << -1;
        QTest::newRow("equal") << "x"
                               << "x" << 0;
        QTest::newRow("prefix first") << "ab"
                                      << "abc" << -1;
        QTest::newRow("full-width case pair") << "Ａb"
                                              << "ａc" << -1;
        QTest::newRow("blank before letters") << " z"
                                              << "a" << -1;
        QTest::newRow("invalid byte after letters")
            << (QStringLiteral("a") + QChar(0xDCFF)) << "ab" << 1;
        QTest::newRow("differs after eight") << "REPORT_12" << "report_13" << -1;
        QTest::newRow("eight and nine") << "abcdefgh" << "abcdefgh0" << -1;
        QTest::newRow("case within eight, longer after") << "ABCDEFGx" << "abcdefgh1" << 1;
    }
    void nameOrder()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, sign);
        const int c = compareNames(a, b);
        QCOMPARE((c > 0) - (c < 0), sign);
        const int r = compareNames(b, a);
        QCOMPARE((r > 0) - (r < 0), -sign);
        // Sorting on prefix keys first must never contradict the names.
        const auto ka = namePrefixKey(a);
        const auto kb = namePrefixKey(b);
        if (ka != kb)
            QCOMPARE(ka < kb, sign < 0);
    }

    void imageRules_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("image");
        QTest::newRow("later group wins") << "x.both"
                                          << "" << int(ImageSource);
        QTest::newRow("filter lets listed extension through") << "a.TXT"
                                                              << " txt," << int(ImageText);
        QTest::newRow("filter leaves others out") << "a.doc"
                                                  << " txt," << int(NotListed);
        QTest::newRow("filter leaves files without extension out") << "README"
                                                                   << " txt," << int(NotListed);
        QTest::newRow("whole entries only") << "a.xt"
                                            << " txt," << int(NotListed);
        QTest::newRow("no filter") << "a.doc"
                                   << "" << int(ImageFile);
    }
    void imageRules()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(int, image);
        std::array<QString, 18> lists;
        lists[0] = " both,";
        lists[3] = " txt,";
        lists[7] = " both,";
        lists[ListFilterList] = filter;
        const FileImageRules rules(lists);
        QCOMPARE(rules.filterActive(), !filter.isEmpty());
        QCOMPARE(rules.fileImage(name), image);
    }
};

QTEST_GUILESS_MAIN(ListTextsTest)
#include "tst_listtexts.moc"
