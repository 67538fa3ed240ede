// Text files in and out: the encoding, BOM and line ends found, the bytes
// given back unchanged, characters an encoding cannot hold, and hostile
// input that must neither crash nor be misread.

#include "viewer/textcodec.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QtTest>

#include <cerrno>

using namespace tovane;

Q_DECLARE_METATYPE(TextEncoding)
Q_DECLARE_METATYPE(NewlineStyle)

namespace {

// Encoded by Qt's own codecs, independent of the code under test.
QByteArray in(const char* codec, const QString& text)
{
    QStringEncoder encoder(codec, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    return encoder.hasError() ? QByteArray("<unencodable>") : bytes;
}

const QString Japanese =
    QStringLiteral("日本語のテキストです。漢字とひらがな、カタカナを含みます。\n"
                   "二行目：全角記号「～」と半角ｶﾀｶﾅ、数字 12345。\n"
                   "三行目はここで終わります。\n");

QString withEnds(QString text, const QString& end)
{
    return text.replace(u'\n', end);
}

} // namespace

class TextCodecTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<bool>("bom");
        QTest::addColumn<NewlineStyle>("newline");
        QTest::addColumn<QString>("text");

        const QString crlf = withEnds(Japanese, QStringLiteral("\r\n"));
        const QString cr = withEnds(Japanese, QStringLiteral("\r"));
        const QString mixed = QStringLiteral("一行目\r\n二行目\n三行目\r四行目\r\n\r\n最後");
        const QString mixedRead = QStringLiteral("一行目\n二行目\n三行目\n四行目\n\n最後");

        QTest::newRow("empty") << QByteArray() << TextEncoding::Utf8 << false << NewlineStyle::Lf
                               << QString();
        QTest::newRow("UTF-8 LF") << Japanese.toUtf8() << TextEncoding::Utf8 << false
                                  << NewlineStyle::Lf << Japanese;
        QTest::newRow("UTF-8 CRLF")
            << crlf.toUtf8() << TextEncoding::Utf8 << false << NewlineStyle::CrLf << Japanese;
        QTest::newRow("UTF-8 CR") << cr.toUtf8() << TextEncoding::Utf8 << false << NewlineStyle::Cr
                                  << Japanese;
        QTest::newRow("UTF-8 mixed")
            << mixed.toUtf8() << TextEncoding::Utf8 << false << NewlineStyle::Mixed << mixedRead;
        QTest::newRow("UTF-8 BOM CRLF")
            << QByteArray("\xEF\xBB\xBF" + crlf.toUtf8()) << TextEncoding::Utf8 << true
            << NewlineStyle::CrLf << Japanese;
        QTest::newRow("UTF-8 two BOMs: the second is text")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx") << TextEncoding::Utf8 << true
            << NewlineStyle::Lf << QStringLiteral("\uFEFFx");
        QTest::newRow("UTF-16LE BOM CRLF")
            << QByteArray("\xFF\xFE" + in("UTF-16LE", crlf)) << TextEncoding::Utf16LE << true
            << NewlineStyle::CrLf << Japanese;
        QTest::newRow("UTF-16BE BOM LF")
            << QByteArray("\xFE\xFF" + in("UTF-16BE", Japanese)) << TextEncoding::Utf16BE << true
            << NewlineStyle::Lf << Japanese;
        QTest::newRow("UTF-16LE BOM mixed")
            << QByteArray("\xFF\xFE" + in("UTF-16LE", mixed)) << TextEncoding::Utf16LE << true
            << NewlineStyle::Mixed << mixedRead;
        QTest::newRow("UTF-16LE no BOM CRLF") << in("UTF-16LE", crlf) << TextEncoding::Utf16LE
                                              << false << NewlineStyle::CrLf << Japanese;
        QTest::newRow("UTF-16BE no BOM LF") << in("UTF-16BE", Japanese) << TextEncoding::Utf16BE
                                            << false << NewlineStyle::Lf << Japanese;
        QTest::newRow("UTF-16LE no BOM, ASCII only (valid UTF-8 with NULs)")
            << in("UTF-16LE", QStringLiteral("plain ASCII\r\nline two\r\n"))
            << TextEncoding::Utf16LE << false << NewlineStyle::CrLf
            << QStringLiteral("plain ASCII\nline two\n");
        QTest::newRow("Shift_JIS CRLF") << in("windows-31j", crlf) << TextEncoding::ShiftJis
                                        << false << NewlineStyle::CrLf << Japanese;
        QTest::newRow("Shift_JIS LF") << in("windows-31j", Japanese) << TextEncoding::ShiftJis
                                      << false << NewlineStyle::Lf << Japanese;
        QTest::newRow("Shift_JIS mixed")
            << in("windows-31j", Japanese + mixed) << TextEncoding::ShiftJis << false
            << NewlineStyle::Mixed << Japanese + mixedRead;
        QTest::newRow("CP932 NEC and IBM rows")
            << in("windows-31j", QStringLiteral("①②Ⅰ㈱髙﨑\r\n") + crlf) << TextEncoding::ShiftJis
            << false << NewlineStyle::CrLf << QStringLiteral("①②Ⅰ㈱髙﨑\n") + Japanese;
        // 0x8790 and 0xED40 have second forms 0x81E0 and 0xFA5C: kept as read.
        QTest::newRow("CP932 second forms")
            << QByteArray(in("windows-31j", Japanese) + "\x87\x90\xED\x40\x81\xE0\xFA\x5C\n")
            << TextEncoding::ShiftJis << false << NewlineStyle::Lf
            << Japanese + QStringLiteral("≒纊≒纊\n");
        QTest::newRow("EUC-JP LF") << in("EUC-JP", Japanese) << TextEncoding::EucJp << false
                                   << NewlineStyle::Lf << Japanese;
        QTest::newRow("EUC-JP CRLF")
            << in("EUC-JP", crlf) << TextEncoding::EucJp << false << NewlineStyle::CrLf << Japanese;
        const QString jis = QStringLiteral("日本語のテキストです。\n全角の文字だけ。\n");
        QTest::newRow("ISO-2022-JP LF (7-bit)") << in("ISO-2022-JP", jis) << TextEncoding::Iso2022Jp
                                                << false << NewlineStyle::Lf << jis;
        QTest::newRow("ISO-2022-JP CRLF")
            << in("ISO-2022-JP", withEnds(jis, QStringLiteral("\r\n"))) << TextEncoding::Iso2022Jp
            << false << NewlineStyle::CrLf << jis;
        // Another writer's choices: JIS X 0208-1978, JIS Roman, no return to
        // ASCII at the end. The bytes still come back as they were.
        QTest::newRow("ISO-2022-JP other escapes")
            << QByteArray("\x1B$@$\"$$\x1B(Jabc\n\x1B$B$&") << TextEncoding::Iso2022Jp << false
            << NewlineStyle::Lf << QStringLiteral("あいabc\nう");
    }
    void roundTrip()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(TextEncoding, encoding);
        QFETCH(bool, bom);
        QFETCH(NewlineStyle, newline);
        QFETCH(QString, text);
        QVERIFY(!bytes.startsWith("<unencodable>"));

        DecodedText read;
        QCOMPARE(decodeText(bytes, read), 0);
        QCOMPARE(encodingName(read.format.encoding), encodingName(encoding));
        QCOMPARE(read.format.bom, bom);
        QCOMPARE(newlineName(read.format.newline), newlineName(newline));
        QCOMPARE(read.text, text);

        QByteArray written;
        QCOMPARE(encodeText(read.text, read.format, written), 0);
        QCOMPARE(written, bytes);
    }

    // Edited texts go out in the file's encoding, BOM and line ends.
    void editedText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("edited");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("CRLF") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\nx\ny\n")
                              << QByteArray("a\r\nx\r\ny\r\n");
        QTest::newRow("CR") << QByteArray("a\rb") << QStringLiteral("a\nb\nc")
                            << QByteArray("a\rb\rc");
        QTest::newRow("mixed: lines past the known ones take the commonest end")
            << QByteArray("a\r\nb\nc\r\n") << QStringLiteral("a\nb\nc\nd\ne")
            << QByteArray("a\r\nb\nc\r\nd\r\ne");
        QTest::newRow("UTF-16BE BOM")
            << QByteArray("\xFE\xFF\x00\x61\x00\x0A", 6) << QStringLiteral("あ\n")
            << QByteArray("\xFE\xFF\x30\x42\x00\x0A", 6);
        QTest::newRow("Shift_JIS second forms are dropped once edited")
            << QByteArray(in("windows-31j", Japanese) + "\x87\x90")
            << Japanese + QStringLiteral("≒!")
            << QByteArray(in("windows-31j", Japanese) + "\x81\xE0!");
    }
    void editedText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, edited);
        QFETCH(QByteArray, expected);
        DecodedText read;
        QCOMPARE(decodeText(bytes, read), 0);
        QByteArray written;
        QCOMPARE(encodeText(edited, read.format, written), 0);
        QCOMPARE(written, expected);
    }

    void newText()
    {
        QByteArray written;
        QCOMPARE(encodeText(QStringLiteral("新規\nテキスト"), TextFormat(), written), 0);
        QCOMPARE(written, QStringLiteral("新規\nテキスト").toUtf8());
    }

    // What is not clean text in any encoding is refused, never read with
    // U+FFFD in place of its bytes; what is, is not taken for UTF-8.
    void notText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("readable");

        QByteArray utf8 = Japanese.repeated(2000).toUtf8();
        utf8.insert(utf8.size() - 7, '\xFF');
        QTest::newRow("UTF-8 but one byte near the end") << utf8 << false;
        QTest::newRow("ASCII but CP932 near the end")
            << QByteArray(QByteArray(200000, 'a') + in("windows-31j", QStringLiteral("終わり")))
            << true;
        QTest::newRow("UTF-8 BOM over CP932")
            << QByteArray("\xEF\xBB\xBF" + in("windows-31j", Japanese)) << false;
        QTest::newRow("UTF-16LE BOM, odd length") << QByteArray("\xFF\xFE\x41\x00\x42", 5) << false;
        QTest::newRow("UTF-16LE BOM, lone surrogate")
            << QByteArray("\xFF\xFE\x00\xD8\x41\x00", 6) << false;
        QTest::newRow("binary with NUL bytes")
            << QByteArray("\x00\x01\x02\x03\xFF\xFE\x80\x00\x10\x00", 10) << false;
        QTest::newRow("ISO-2022-JP escape in 8-bit data")
            << QByteArray("\x1B$B$\"\x1B(B" + in("windows-31j", Japanese)) << true;
        QTest::newRow("UTF-8 cut in a character") << QByteArray("abc\xE3\x81") << false;
        QTest::newRow("overlong UTF-8 slash") << QByteArray("a\xC0\xAF") << false;
    }
    void notText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, readable);
        DecodedText read;
        const int rc = decodeText(bytes, read);
        if (!readable) {
            if (rc == 0) // another encoding may take it, but never UTF-8 with a hole
                QVERIFY(read.format.encoding != TextEncoding::Utf8);
            else
                QCOMPARE(rc, EILSEQ);
        } else {
            QCOMPARE(rc, 0);
            QVERIFY(read.format.encoding != TextEncoding::Utf8);
        }
        if (rc == 0) {
            QVERIFY(!read.text.contains(QChar(0xFFFD)));
            QByteArray again;
            QCOMPARE(encodeText(read.text, read.format, again), 0);
            QCOMPARE(again, bytes);
        }
    }

    // UTF-8 is read in slices: a character or a fault across a slice edge.
    void sliceEdges_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("error");
        const QByteArray pad((1 << 20) - 1, 'x');
        QTest::newRow("3-byte character across") << QByteArray(pad + "\xE3\x81\x82" + "y") << 0;
        QTest::newRow("4-byte character across") << QByteArray(pad + "\xF0\x9F\x98\x80") << 0;
        QTest::newRow("lead byte alone before the edge")
            << QByteArray(pad + "\xE3" + "abc") << EILSEQ;
        QTest::newRow("continuation bytes alone after the edge")
            << QByteArray(QByteArray(1 << 20, 'x') + "\x81\x82\x83\x84z") << EILSEQ;
    }
    void sliceEdges()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, error);
        DecodedText read;
        const int rc = decodeText(bytes, read);
        if (error == 0) {
            QCOMPARE(rc, 0);
            QCOMPARE(read.format.encoding, TextEncoding::Utf8);
            QCOMPARE(read.text, QString::fromUtf8(bytes));
        } else {
            QVERIFY(rc != 0 || read.format.encoding != TextEncoding::Utf8);
        }
    }

    // A character the file's encoding cannot hold is reported where it is,
    // and nothing ("?" least of all) is written; UTF-8 then holds it.
    void unencodable_data()
    {
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("position");

        const QString pad = QStringLiteral("あ").repeated(9000) + u'\n';
        QTest::newRow("CP932: yen sign")
            << TextEncoding::ShiftJis << QStringLiteral("abc¥") << qsizetype(3);
        QTest::newRow("CP932: wave dash of JIS")
            << TextEncoding::ShiftJis << QStringLiteral("a\n〜") << qsizetype(2);
        QTest::newRow("CP932: far in the text")
            << TextEncoding::ShiftJis << pad + QStringLiteral("x😀") << pad.size() + 1;
        QTest::newRow("EUC-JP: emoji")
            << TextEncoding::EucJp << QStringLiteral("絵文字😀") << qsizetype(3);
        QTest::newRow("ISO-2022-JP: half-width kana")
            << TextEncoding::Iso2022Jp << QStringLiteral("あｱ") << qsizetype(1);
        QTest::newRow("ISO-2022-JP: accented letter")
            << TextEncoding::Iso2022Jp << QStringLiteral("café") << qsizetype(3);
        QTest::newRow("UTF-8: lone surrogate")
            << TextEncoding::Utf8 << QStringLiteral("ab") + QChar(0xD800) << qsizetype(2);
        QTest::newRow("UTF-16LE: lone low surrogate")
            << TextEncoding::Utf16LE << QString(QChar(0xDC00)) + u'a' << qsizetype(0);
    }
    void unencodable()
    {
        QFETCH(TextEncoding, encoding);
        QFETCH(QString, text);
        QFETCH(qsizetype, position);
        TextFormat format;
        format.encoding = encoding;
        format.newline = NewlineStyle::CrLf;
        QByteArray out("old");
        qsizetype at = -2;
        QCOMPARE(encodeText(text, format, out, &at), EILSEQ);
        QCOMPARE(at, position);
        QVERIFY(out.isEmpty());

        if (encoding != TextEncoding::Utf8 && encoding != TextEncoding::Utf16LE) {
            const TextFormat utf8 = utf8Format(format);
            QCOMPARE(encodeText(text, utf8, out), 0);
            QCOMPARE(out, QString(text).replace(u'\n', QStringLiteral("\r\n")).toUtf8());
        }
    }

    // Every double-byte CP932 code that decodes comes back as the same bytes.
    void cp932EveryCode()
    {
        const QByteArray context = in("windows-31j", Japanese);
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const QByteArray bytes = context + char(lead) + char(trail) + '\n';
                DecodedText read;
                if (decodeText(bytes, read) != 0)
                    continue;
                QByteArray again;
                QCOMPARE(encodeText(read.text, read.format, again), 0);
                QVERIFY2(again == bytes, qPrintable(QString::number(lead * 256 + trail, 16)));
            }
        }
    }

    // Random damage to files of every kind, for a bounded time: no crash, no
    // U+FFFD made up, and whatever is read goes back byte for byte.
    void mutations()
    {
        const QList<QByteArray> seeds = {
            Japanese.toUtf8(),
            QByteArray("\xEF\xBB\xBF" + withEnds(Japanese, QStringLiteral("\r\n")).toUtf8()),
            QByteArray("\xFF\xFE" + in("UTF-16LE", Japanese)),
            in("UTF-16BE", withEnds(Japanese, QStringLiteral("\r\n"))),
            in("windows-31j", Japanese + QStringLiteral("①髙")),
            in("EUC-JP", Japanese),
            in("ISO-2022-JP", QStringLiteral("日本語のテキスト\r\n二行目\r\n")),
        };
        QRandomGenerator random(20240613);
        QElapsedTimer timer;
        timer.start();
        int rounds = 0;
        while (timer.elapsed() < 4000 && rounds < 20000) {
            QByteArray bytes = seeds[rounds % seeds.size()];
            const int changes = 1 + int(random.bounded(4));
            for (int c = 0; c < changes && !bytes.isEmpty(); ++c) {
                const qsizetype at = qsizetype(random.bounded(quint32(bytes.size())));
                switch (random.bounded(4)) {
                case 0:
                    bytes[at] = char(bytes[at] ^ (1 << random.bounded(8)));
                    break;
                case 1:
                    bytes[at] = char(random.bounded(256));
                    break;
                case 2:
                    bytes.insert(at, char(random.bounded(256)));
                    break;
                default:
                    bytes.remove(at, 1 + random.bounded(3));
                    break;
                }
            }
            ++rounds;
            DecodedText read;
            const int rc = decodeText(bytes, read);
            if (rc != 0) {
                QCOMPARE(rc, EILSEQ);
                continue;
            }
            if (read.format.encoding == TextEncoding::Utf8)
                QVERIFY(!read.text.contains(QChar(0xFFFD)) || bytes.contains("\xEF\xBF\xBD"));
            QByteArray again;
            QCOMPARE(encodeText(read.text, read.format, again), 0);
            QVERIFY2(again == bytes, qPrintable(bytes.toHex()));
        }
        QVERIFY(rounds > 100);
    }
};

QTEST_GUILESS_MAIN(TextCodecTest)
#include "tst_textcodec.moc"
