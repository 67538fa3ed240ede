// A text file loaded as the viewer loads it and saved as 上書き保存 saves it:
// same bytes when unchanged, nothing written when a character does not fit,
// and the save messages.

#include "platform/names.h"
#include "support/tempdir.h"
#include "viewer/plaintextfile.h"

#include <QStringEncoder>
#include <QtTest>

#include <cerrno>
#include <sys/stat.h>

using namespace tovane;
using tovane::test::readAll;
using tovane::test::TempDir;

namespace {

QByteArray sjis(const QString& text)
{
    QStringEncoder encoder("windows-31j", QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

} // namespace

class PlainTextFileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void load_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("error");
        QTest::newRow("text") << QByteArray("t.txt") << 0;
        QTest::newRow("folder") << QByteArray("sub") << EISDIR;
        QTest::newRow("FIFO, not waited on") << QByteArray("fifo") << EINVAL;
        QTest::newRow("no text in any encoding") << QByteArray("bin") << EILSEQ;
        QTest::newRow("missing") << QByteArray("none") << ENOENT;
    }
    void load()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, error);
        TempDir dir;
        QVERIFY(dir.writeFile("t.txt", sjis(QStringLiteral("表示する\r\n"))));
        QVERIFY(dir.writeFile("bin", QByteArray("\x00\xFF\x00\x80\x81\x00\xFE\x01", 8)));
        QVERIFY(dir.makeFolder("sub"));
        QVERIFY(::mkfifo((dir.pathBytes() + "/fifo").constData(), 0600) == 0);
        LoadedText loaded;
        QCOMPARE(loadPlainText(platform::pathFromBytes(dir.pathBytes() + "/" + name), loaded),
                 error);
        if (error == 0) {
            QCOMPARE(loaded.decoded.text, QStringLiteral("表示する\n"));
            QCOMPARE(loaded.stamp.size, qint64(10));
        }
    }

    // Unchanged, the file comes back as it was; a character its encoding
    // cannot hold writes nothing, and UTF-8 then takes it.
    void save()
    {
        TempDir dir;
        const QByteArray original = sjis(QStringLiteral("一行目\r\n二行目\r\n"));
        QVERIFY(dir.writeFile("t.txt", original));
        const QString path = dir.filePath(QStringLiteral("t.txt"));
        LoadedText loaded;
        QCOMPARE(loadPlainText(path, loaded), 0);
        qint64 written = 0;
        QCOMPARE(savePlainText(path, loaded.decoded.text, loaded.decoded.format, nullptr, &written),
                 0);
        QCOMPARE(readAll(dir.pathBytes() + "/t.txt"), original);
        QCOMPARE(written, qint64(original.size()));

        qsizetype at = -1;
        const QString edited = loaded.decoded.text + QStringLiteral("😀");
        QCOMPARE(savePlainText(path, edited, loaded.decoded.format, &at), EILSEQ);
        QCOMPARE(at, loaded.decoded.text.size());
        QCOMPARE(readAll(dir.pathBytes() + "/t.txt"), original);

        QCOMPARE(savePlainText(path, edited, utf8Format(loaded.decoded.format), nullptr, &written),
                 0);
        const QByteArray utf8 = QStringLiteral("一行目\r\n二行目\r\n😀").toUtf8();
        QCOMPARE(readAll(dir.pathBytes() + "/t.txt"), utf8);
        QCOMPARE(written, qint64(utf8.size()));
    }

    void saveErrors_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("tail");
        const QString protectedText =
            QStringLiteral("ドライブが書込み禁止、またはパス名が無効です。");
        for (int e : {EROFS, EACCES, EPERM, ENOENT, ENOTDIR, ENAMETOOLONG, EINVAL, ECANCELED})
            QTest::newRow(qPrintable(QString::number(e))) << e << protectedText;
        QTest::newRow("disk full") << int(ENOSPC) << QStringLiteral("エラー番号 = 28\r\n");
        QTest::newRow("I/O error") << int(EIO) << QStringLiteral("エラー番号 = 5\r\n");
    }
    void saveErrors()
    {
        QFETCH(int, error);
        QFETCH(QString, tail);
        const QString text = saveErrorText(QStringLiteral("/m/a.txt"), error);
        QVERIFY2(text.startsWith(QStringLiteral("ファイル名 = /m/a.txt\r\n\r\n") + tail),
                 qPrintable(text));
        QCOMPARE(isWriteProtectionError(error), !tail.startsWith(u'エ'));
    }
};

QTEST_GUILESS_MAIN(PlainTextFileTest)
#include "tst_plaintextfile.moc"
