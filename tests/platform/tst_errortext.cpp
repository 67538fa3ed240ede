#include "platform/errortext.h"

#include <QtTest>

#include <cerrno>
#include <cstring>

using namespace tovane::platform;

class ErrorTextTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void knownValues_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        auto row = [](const char* name, int number, const char* text) {
            QTest::newRow(name) << number << QString::fromUtf8(text);
        };
        row("EACCES", EACCES, "アクセスが拒否されました。");
        row("EPERM", EPERM, "アクセスが拒否されました。");
        row("ENOENT", ENOENT, "指定されたファイルが見つかりません。");
        row("ENOTDIR", ENOTDIR, "指定されたパスが見つかりません。");
        row("ENOSPC", ENOSPC, "ディスクに十分な空き領域がありません。");
        row("EROFS", EROFS, "メディアは書き込み禁止になっています。");
        row("EEXIST", EEXIST, "ファイルが既に存在するため、作成できません。");
        row("ENOTEMPTY", ENOTEMPTY, "ディレクトリが空ではありません。");
        row("EIO", EIO, "I/O デバイス エラーのため、要求を実行できませんでした。");
        row("ENOMEDIUM", ENOMEDIUM, "デバイスの準備ができていません。");
        row("EOPNOTSUPP", EOPNOTSUPP, "要求はサポートされていません。");
        row("EWOULDBLOCK", EWOULDBLOCK, "要求されたリソースは使用中です。");
        row("EILSEQ", EILSEQ,
            "ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。");
        row("EUCLEAN", EUCLEAN, "ディスクの構造が壊れているため、読み取ることができません。");
        row("EBADMSG", EBADMSG,
            "ファイルまたはディレクトリが壊れているため、読み取ることができません。");
        row("ESPIPE", ESPIPE,
            "ファイル ポインターを指定したデバイスまたはファイルに設定できません。");
        row("ENOEXEC", ENOEXEC, "このファイルは有効なアプリケーションではありません。");
        row("E2BIG", E2BIG, "引数の一覧が長すぎます。");
    }
    void knownValues()
    {
        QFETCH(int, number);
        QFETCH(QString, text);
        QCOMPARE(systemErrorMessage(number), text);
    }

    // Every value the file operations may report has a Japanese text of its
    // own, one sentence ending in "。" without line breaks.
    void listedValuesAreJapanese_data()
    {
        QTest::addColumn<int>("number");
        const int numbers[] = {
            EPERM,     EACCES,       ENOENT,   ENOTDIR, ENOSPC,    EROFS,     EEXIST,    EBUSY,
            ENOTEMPTY, ENAMETOOLONG, EXDEV,    EIO,     ENOMEDIUM, ETIMEDOUT, ENOTSUP,   EINVAL,
            EMFILE,    ENOMEM,       ELOOP,    EISDIR,  ETXTBSY,   EDQUOT,    ECANCELED, EFBIG,
            ENXIO,     EHOSTDOWN,    ENOTCONN, ESTALE,  EBADF,     EINTR,     EILSEQ,    EOVERFLOW,
            ENOEXEC,   E2BIG,        ENODATA,  EUCLEAN, EBADMSG,   ENOTTY,    ESPIPE};
        for (int n : numbers)
            QTest::newRow(strerrorname_np(n)) << n;
    }
    void listedValuesAreJapanese()
    {
        QFETCH(int, number);
        const QString text = systemErrorMessage(number);
        QVERIFY2(text != QString::fromLocal8Bit(std::strerror(number)), qPrintable(text));
        QVERIFY(text.endsWith(u'。'));
        QVERIFY(!text.contains(u'\n') && !text.contains(u'\r'));
    }

    void unknownFallsBackToLibc_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("unused number") << 98765;
        QTest::newRow("negative") << -3;
        QTest::newRow("EDOM") << EDOM;
    }
    void unknownFallsBackToLibc()
    {
        QFETCH(int, number);
        const QString text = systemErrorMessage(number);
        QVERIFY(!text.isEmpty());
        QCOMPARE(text, QString::fromLocal8Bit(std::strerror(number)));
    }

    void tidy_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("tidy");
        auto row = [](const char* name, const char* raw, const char* tidy) {
            QTest::newRow(name) << QString::fromUtf8(raw) << QString::fromUtf8(tidy);
        };
        row("final period", "アクセスが拒否されました。", "アクセスが拒否されました");
        row("system line end", "アクセスが拒否されました。\r\n", "アクセスが拒否されました");
        row("LF only", "パイプは終了しました。\n", "パイプは終了しました");
        row("surrounding blanks", "  要求はサポートされていません。  ", "要求はサポートされていません");
        row("full-width space", "\u3000ハンドルが無効です。", "ハンドルが無効です");
        row("no period", "Permission denied", "Permission denied");
        row("only the last period", "一。二。", "一。二");
        row("two lines", "一行目。\r\n二行目。\r\n", "一行目。\r\n\r\n二行目");
        row("LF widened to CRLF pair", "一行目\n二行目", "一行目\r\n\r\n二行目");
        row("only the first break", "一\r\n二\r\n三", "一\r\n\r\n二\r\n三");
        row("period inside kept", "。だけ", "。だけ");
        row("empty", "", "");
        row("period only", "。", "");
    }
    void tidy()
    {
        QFETCH(QString, raw);
        QFETCH(QString, tidy);
        QCOMPARE(tidySystemMessage(raw), tidy);
    }

    void systemErrorTextIsTidied()
    {
        QCOMPARE(systemErrorText(EACCES), QString::fromUtf8("アクセスが拒否されました"));
        QCOMPARE(systemErrorText(98765),
                 QString::fromLocal8Bit(std::strerror(98765)).trimmed());
    }
};

QTEST_GUILESS_MAIN(ErrorTextTest)
#include "tst_errortext.moc"
