#include "core/messageservice.h"

#include <QLocale>
#include <QtTest>

using namespace tovane;

// The exact words of the confirmations, as the dialog, the CLI and the engine
// tests all see them.
class ConfirmationTextTest : public QObject {
    Q_OBJECT

    static DialogRequest request(int kind, quint16 mask, const QString& title, const QString& text,
                                 const QString& prefix, const QString& folder)
    {
        DialogRequest r;
        r.kind = qint16(kind);
        r.attributeMask = mask;
        r.title = title;
        r.text = text;
        r.prefix = prefix;
        r.folder = folder;
        r.sourceSize = 1234567;
        r.destinationSize = 0;
        r.sourceTime = QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5));
        r.destinationTime = QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59));
        return r;
    }

private Q_SLOTS:
    void exactText_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("mask");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");

        const QString sizesAndTimes =
            u"コピー元 サ イ ズ : 1,234,567 Bytes\r\n"
            u"          更新日時 : 2024/01/02 03:04:05 を\r\n\r\n"
            u"コピー先 サ イ ズ : 0 Bytes\r\n"
            u"          更新日時 : 2023/12/31 23:59:59 に上書きしますか ？"_qs;

        QTest::newRow("overwrite")
            << 1 << 0 << u"コピー"_qs << u"a.txt"_qs << QString() << u"/home/u/dst/"_qs
            << u"コピー先の\r\n/home/u/dst/ には\r\n\r\nファイル\r\na.txt\r\n"
               u" が存在します。\r\n\r\n\r\n"_qs +
                   sizesAndTimes;
        // Kind 1 names no attribute even when the mask has some.
        QTest::newRow("overwrite ignores mask")
            << 11 << 7 << u"コピー"_qs << u"a.txt"_qs << u"ファイル\r\n/src/a.txt"_qs << u"/d/"_qs
            << u"ファイル\r\n/src/a.txt の\r\n\r\nコピー先の\r\n/d/ "
               u"には\r\n\r\nファイル\r\na.txt\r\n"
               u" が存在します。\r\n\r\n\r\n"_qs +
                   sizesAndTimes;
        QTest::newRow("overwrite protected")
            << 2 << 1 << u"コピー"_qs << u"a.txt"_qs << u"ファイル\r\n/src/a.txt"_qs << u"/d/"_qs
            << u"ファイル\r\n/src/a.txt の\r\n\r\nコピー先の\r\n/d/ には\r\n\r\n"
               u"それ自身または上位パスが読取専用属性のファイル\r\na.txt\r\n"
               u" が存在します。\r\n\r\n\r\n"_qs +
                   sizesAndTimes;
        QTest::newRow("overwrite protected, other bits ignored")
            << 12 << (32 | 4) << u"コピー"_qs << u"a.txt"_qs << QString() << u"/d/"_qs
            << u"コピー先の\r\n/d/ には\r\n\r\n"
               u"それ自身または上位パスがシステム属性のファイル\r\na.txt\r\n"
               u" が存在します。\r\n\r\n\r\n"_qs +
                   sizesAndTimes;
        QTest::newRow("destination folder")
            << 3 << 5 << u"移動"_qs << u"フォルダ\r\n/src/sub"_qs << QString() << u"/dst/"_qs
            << u"フォルダ\r\n/src/sub の\r\n\r\n移動 先のフォルダ\r\n/dst/\r\n\r\n"
               u"または上位パスは　読取専用属性・システム属性 です。\r\n\r\n\r\n移動しますか ？"_qs;
        QTest::newRow("destination folder, no name")
            << 13 << 2 << u"移動"_qs << QString() << QString() << u"/dst/"_qs
            << u"移動 先のフォルダ\r\n/dst/\r\n\r\n"
               u"または上位パスは　隠し属性 です。\r\n\r\n\r\n移動しますか ？"_qs;
        QTest::newRow("file") << 4 << 2 << u"削除"_qs << u"/src/a.txt"_qs << QString()
                              << u"/src/"_qs
                              << u"削除 対象ファイル\r\n/src/a.txt\r\n\r\n"
                                 u"または上位パスは 隠し属性 です。\r\n\r\n\r\n削除しますか ？"_qs;
        QTest::newRow("folder") << 15 << 6 << u"削除"_qs << u"ignored"_qs << QString()
                                << u"/src/sub"_qs
                                << u"削除 対象フォルダ\r\n/src/sub\r\n\r\n"
                                   u"または上位パスは 隠し属性・システム属性 です。\r\n\r\n\r\n"
                                   u"削除しますか ？"_qs;
        QTest::newRow("item") << 6 << 7 << u"抹消"_qs << u"x"_qs << QString() << u"/src/"_qs
                              << u"抹消 対象項目\r\nx\r\n\r\n"
                                 u"または上位パスは 読取専用属性・隠し属性・システム属性 です。"
                                 u"\r\n\r\n\r\n抹消しますか ？"_qs;
        QTest::newRow("no protected bit")
            << 4 << 32 << u"削除"_qs << u"f"_qs << QString() << QString()
            << u"削除 対象ファイル\r\nf\r\n\r\n"
               u"または上位パスは  です。\r\n\r\n\r\n削除しますか ？"_qs;
        QTest::newRow("plain text unchanged") << 0 << 7 << u"t"_qs << u"一行目\r\n二行目"_qs
                                              << u"p"_qs << u"/f/"_qs << u"一行目\r\n二行目"_qs;
    }
    void exactText()
    {
        QFETCH(int, kind);
        QFETCH(int, mask);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(QString, prefix);
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        const DialogLayout l = layoutFor(request(kind, quint16(mask), title, text, prefix, folder));
        QVERIFY(l.valid);
        QCOMPARE(l.message, expected);
    }

    // Any title ending in "保存" asks "保存しますか ？", whatever precedes it.
    void saveWord_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("ending");
        QTest::newRow("3 save as")
            << 3 << u"名前を付けて保存"_qs << u" です。\r\n\r\n\r\n保存しますか ？"_qs;
        QTest::newRow("4 overwrite save")
            << 4 << u"上書き保存"_qs << u"\r\n\r\n\r\n保存しますか ？"_qs;
        QTest::newRow("5 save") << 15 << u"保存"_qs << u"\r\n\r\n\r\n保存しますか ？"_qs;
        QTest::newRow("6 save as")
            << 16 << u"名前を付けて保存"_qs << u"\r\n\r\n\r\n保存しますか ？"_qs;
        QTest::newRow("not at the end") << 4 << u"保存先"_qs << u"\r\n\r\n\r\n保存先しますか ？"_qs;
        QTest::newRow("other title") << 6 << u"コピー"_qs << u"\r\n\r\n\r\nコピーしますか ？"_qs;
        // The overwrite kinds end in their own words.
        QTest::newRow("1 keeps 上書き")
            << 1 << u"名前を付けて保存"_qs << u" に上書きしますか ？"_qs;
    }
    void saveWord()
    {
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(QString, ending);
        DialogRequest r = request(kind, 1, title, u"n"_qs, QString(), u"/f/"_qs);
        const DialogLayout l = layoutFor(r);
        QVERIFY2(l.message.endsWith(ending), qPrintable(l.message));
        // The operation name itself still begins the text.
        QVERIFY(l.message.contains(title));
        QCOMPARE(l.caption, title + u" 確認"_qs);
    }

    void sizes_data()
    {
        QTest::addColumn<double>("size");
        QTest::addColumn<QString>("shown");
        QTest::newRow("zero") << 0.0 << u"0"_qs;
        QTest::newRow("three digits") << 999.0 << u"999"_qs;
        QTest::newRow("four digits") << 1000.0 << u"1,000"_qs;
        QTest::newRow("over 4 GiB") << 5368709120.0 << u"5,368,709,120"_qs;
        QTest::newRow("huge") << 1e15 << u"1,000,000,000,000,000"_qs;
        QTest::newRow("fraction rounds") << 1499.6 << u"1,500"_qs;
    }
    void sizes()
    {
        QFETCH(double, size);
        QFETCH(QString, shown);
        // A locale with other separators must not change the text.
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        DialogRequest r = request(1, 0, u"コピー"_qs, u"a"_qs, QString(), u"/d/"_qs);
        r.destinationSize = size;
        const QString message = layoutFor(r).message;
        QLocale::setDefault(previous);
        QVERIFY2(message.contains(u"コピー先 サ イ ズ : "_qs + shown + u" Bytes\r\n"_qs),
                 qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(ConfirmationTextTest)
#include "tst_confirmationtext.moc"
