// RTF in and out without a window: code pages and Unicode escapes, what is
// skipped, formats, round trips through the writer, and hostile input that
// must neither crash nor hang.

#include "viewer/rtfreader.h"
#include "viewer/rtfwriter.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QtTest>

using namespace tovane;

namespace {

// `text` as \'hh escapes in `codec`, encoded by Qt, not by the code under test.
QByteArray hexIn(const char* codec, const QString& text)
{
    QStringEncoder encoder(codec, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return "<unencodable>";
    QByteArray out;
    for (const char b : bytes)
        out += "\\'" + QByteArray::number(uchar(b), 16).rightJustified(2, '0');
    return out;
}

QByteArray rtf(const QByteArray& body)
{
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}" + body + "}";
}

// One line per paragraph: alignment, then each run as [flags]text.
QString dump(const RichText& text)
{
    QStringList lines;
    for (const RichParagraph& p : text.paragraphs) {
        QString line;
        if (p.alignment != RichAlignment::Default)
            line += QStringLiteral("<%1>").arg(int(p.alignment));
        for (const RichRun& run : p.runs) {
            const RichCharFormat& f = run.format;
            QStringList flags;
            if (run.picture >= 0) {
                const RichPicture& pic = text.pictures.at(run.picture);
                flags << QStringLiteral("pic %1 %2x%3 %4")
                             .arg(QString::fromLatin1(pic.format))
                             .arg(pic.widthTwips)
                             .arg(pic.heightTwips)
                             .arg(QString::fromLatin1(pic.data.left(8).toHex()));
            }
            if (f.bold)
                flags << QStringLiteral("b");
            if (f.italic)
                flags << QStringLiteral("i");
            if (f.underline)
                flags << QStringLiteral("u");
            if (f.strike)
                flags << QStringLiteral("s");
            if (f.halfPoints != RichDefaultHalfPoints)
                flags << QStringLiteral("fs%1").arg(f.halfPoints);
            if (f.color != RichNoColor)
                flags << QStringLiteral("c%1").arg(f.color, 6, 16, QLatin1Char('0'));
            if (const RichFont* font = text.fontOf(f); font && f.font != 0)
                flags << QStringLiteral("f=") + font->name;
            QString t = run.text;
            t.replace(QChar::LineSeparator, QStringLiteral("<br>"));
            t.replace(u'\t', QStringLiteral("<tab>"));
            line += u'[' + flags.join(u' ') + u']' + t;
        }
        lines << line;
    }
    return lines.join(u'\n');
}

const QString MsPGothic = QStringLiteral("ＭＳ Ｐゴシック");
const QString MsGothic = QStringLiteral("ＭＳ ゴシック");

RichText sampleText()
{
    RichText text;
    text.fonts = {RichFont{MsPGothic, 128, false}, RichFont{QStringLiteral("Arial"), 0, false},
                  RichFont{MsGothic, 128, true}};
    RichCharFormat plain;
    RichCharFormat bold = plain;
    bold.bold = true;
    RichCharFormat mixed;
    mixed.font = 2;
    mixed.halfPoints = 36;
    mixed.italic = mixed.underline = mixed.strike = true;
    mixed.color = 0xff0000;
    RichCharFormat arial;
    arial.font = 1;
    arial.color = 0x0080ff;

    RichParagraph first;
    first.runs = {RichRun{QStringLiteral("日本語と"), plain}, RichRun{QStringLiteral("太字"), bold},
                  RichRun{QStringLiteral("\tタブ\u2028改行 {}\\ 😀"), mixed}};
    RichParagraph empty;
    empty.endFormat = mixed;
    RichParagraph centred;
    centred.alignment = RichAlignment::Center;
    centred.runs = {RichRun{QStringLiteral("Café ½ ｱｲｳ \u00a0end"), arial}};
    RichParagraph right;
    right.alignment = RichAlignment::Right;
    right.runs = {RichRun{QStringLiteral("右"), bold}};
    text.pictures = {RichPicture{QByteArray("\x89PNG\r\n\x1a\n\0\xff", 10), "png", 1440, 720}};
    right.runs.append(RichRun{QString(QChar::ObjectReplacementCharacter), bold, 0});
    right.runs.append(RichRun{QStringLiteral("後"), bold});
    text.paragraphs = {first, empty, centred, right, RichParagraph()};
    text.normalize();
    return text;
}

bool sevenBit(const QByteArray& bytes)
{
    for (const char b : bytes) {
        if (uchar(b) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

class RtfTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("expected");

        const QByteArray japaneseTable = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 " +
                                         hexIn("windows-31j", MsPGothic) +
                                         ";}{\\f1\\fswiss\\fcharset0 Arial;}}";
        QTest::newRow("paragraphs") << rtf("one\\par two\\par\r\nthree") << "[]one\n[]two\n[]three";
        QTest::newRow("line ends in the file are not text")
            << rtf("a\r\nb\nc\\\r\nd") << "[]abc\n[]d";
        QTest::newRow("CP932 pairs under fcharset128")
            << japaneseTable + "\\f0\\fs18 " +
                   hexIn("windows-31j", QStringLiteral("日本語テキスト")) + "\\par}"
            << "[fs18]日本語テキスト";
        QTest::newRow("CP932 trail bytes that are ASCII")
            << japaneseTable + "\\f0 \\'95\\'5c\\'83\\'5c\\'83A\\'83\\'7b}"
            << "[]表ソアボ";
        QTest::newRow("CP932 through ansicpg932 alone")
            << "{\\rtf1\\ansi\\ansicpg932 " + hexIn("windows-31j", QStringLiteral("ｶﾀｶﾅと漢字")) +
                   "}"
            << "[]ｶﾀｶﾅと漢字";
        QTest::newRow("Western code page and a Western font in a Japanese file")
            << japaneseTable + "\\f1 caf\\'e9 \\f0 " + hexIn("windows-31j", QStringLiteral("日")) +
                   "}"
            << "[f=Arial]café []日";
        QTest::newRow("Mac character set") << QByteArray("{\\rtf1\\mac caf\\'8e}") << "[]café";
        QTest::newRow("fcharset204 Cyrillic")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset204 Times;}}"
                          "\\f0 \\'e4\\'e0}")
            << "[]да";
        QTest::newRow("font table without groups, deff1")
            << "{\\rtf1\\ansi\\deff1{\\fonttbl\\f0\\fswiss Arial;\\f1\\fcharset128 " +
                   hexIn("windows-31j", MsGothic) + ";}" +
                   hexIn("windows-31j", QStringLiteral("全角")) + "\\f0 x}"
            << "[f=" + MsGothic + "]全角[]x";
        QTest::newRow("u with uc1") << rtf("\\u26085?\\u26412?x") << "[]日本x";
        QTest::newRow("u with uc0") << rtf("\\uc0\\u26085 \\u26412 x") << "[]日本x";
        QTest::newRow("u with uc2 and a CP932 fallback")
            << rtf("\\uc2\\u26085\\'93\\'fa\\u26412\\'96\\'7bx") << "[]日本x";
        QTest::newRow("u negative and a surrogate pair")
            << rtf("\\u-143?\\u-10179?\\u-8704?") << "[]ｱ😀";
        QTest::newRow("a control word counts as one fallback character")
            << rtf("\\uc2\\u26085\\tab\\'3fx") << "[]日x";
        QTest::newRow("fallback cut short by a group") << rtf("{\\uc3\\u26085 a}b") << "[]日b";
        QTest::newRow("uc belongs to its group")
            << rtf("{\\uc2\\u26085 ab}\\u26412 ?c") << "[]日本c";
        QTest::newRow("nested groups") << rtf("{\\b bold {\\i both {\\ul all}} bold}plain")
                                       << "[b]bold [b i]both [b i u]all[b] bold[]plain";
        QTest::newRow("star destinations skipped")
            << rtf("{\\*\\generator Riched20 10.0;}{\\*\\unknown{\\b hidden}}shown") << "[]shown";
        QTest::newRow("known destinations skipped without star")
            << rtf("{\\info{\\title T}{\\author A}}{\\stylesheet{\\s0 Normal;}}"
                   "{\\header head}body")
            << "[]body";
        QTest::newRow("bin skipped by count, braces and all")
            << rtf("a\\bin4 }{\\}b{\\*\\blob\\bin3 }}}c}d") << "[]abd";
        QTest::newRow("metafile skipped, PNG kept, its stand-in skipped")
            << rtf("x{\\pict\\wmetafile8\\picw100\\pich100 0102abcd{\\*\\blipuid 00}}y"
                   "{\\*\\shppict{\\pict\\pngblip\\picwgoal300\\pichgoal150\\picscalex50 "
                   "89504e47\r\n0d0a 1a0a{\\*\\blipuid 1234}}}{\\nonshppict{\\pict 00}}z")
            << "[]xy[pic png 150x150 89504e470d0a1a0a]\uFFFC[]z";
        QTest::newRow("picture bytes given by bin")
            << rtf("{\\pict\\jpegblip\\bin4 \xff\xd8}\\x}") << "[pic jpeg 0x0 ffd87d5c]\uFFFC";
        QTest::newRow("pict outside the text skipped")
            << rtf("{\\colortbl;{\\pict\\pngblip 00};}a") << "[]a";
        QTest::newRow("field result shown, instruction not")
            << rtf("{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}") << "[]link";
        QTest::newRow("line, tab and symbols")
            << rtf("a\\line b\\tab c\\emdash\\lquote q\\rquote\\~\\_")
            << "[]a<br>b<tab>c—‘q’\u00a0‑";
        QTest::newRow("escaped braces and backslash") << rtf("\\{x\\}\\\\") << "[]{x}\\";
        QTest::newRow("plain and pard reset")
            << rtf("\\qc\\b\\i\\fs40 x\\par y\\pard\\plain\\par z")
            << "<2>[b i fs40]x\n[b i fs40]y\n[]z";
        QTest::newRow("alignments")
            << rtf("\\ql l\\par\\qr r\\par\\qj j\\par") << "<1>[]l\n<3>[]r\n<4>[]j";
        QTest::newRow("colour table, auto colour and one out of range")
            << rtf("{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}"
                   "\\cf1 red\\cf2 blue\\cf0 auto\\cf9 none")
            << "[c=ff0000]red[c=0080ff]blue[]autonone";
        QTest::newRow("switches off")
            << rtf("\\b\\i\\ul\\strike on\\b0\\i0\\ulnone\\strike0 off\\uldb u\\ul0 n")
            << "[b i u s]on[]off[u]u[]n";
        QTest::newRow("font size zero is the default") << rtf("\\fs20 a\\fs0 b") << "[fs20]a[]b";
        QTest::newRow("list text shown") << rtf("{\\pntext\\'b7\\tab}item") << "[]·<tab>item";
        QTest::newRow("text after the document ignored") << QByteArray("{\\rtf1 a}b{c}") << "[]a";
        QTest::newRow("empty paragraphs kept, trailing par closes")
            << rtf("a\\par\\par b\\par") << "[]a\n\n[]b";
        QTest::newRow("leading white space") << QByteArray("\r\n {\\rtf1 a}") << "[]a";
    }
    void read()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, expected);
        RichText text;
        QCOMPARE(readRtf(input, text), int(RtfOk));
        expected.replace(QStringLiteral("[c="), QStringLiteral("[c"));
        expected.replace(QStringLiteral(" c="), QStringLiteral(" c"));
        QCOMPARE(dump(text), expected);
    }

    void fontTable()
    {
        const QByteArray input = "{\\rtf1\\ansi{\\fonttbl{\\f3\\fnil\\fcharset128 " +
                                 hexIn("windows-31j", MsPGothic) +
                                 "{\\*\\panose 020b0600070205080204};}"
                                 "{\\f5\\fmodern\\fprq1\\fcharset128 \\u-211?\\u-205? "
                                 "\\u-211?\\u-205?;}}\\f5 x}";
        RichText text;
        QCOMPARE(readRtf(input, text), int(RtfOk));
        QCOMPARE(text.fonts.size(), 2);
        QCOMPARE(text.fonts.at(0).name, MsPGothic);
        QCOMPARE(text.fonts.at(0).charset, 128);
        QCOMPARE(text.fonts.at(1).name, QStringLiteral("ＭＳ ＭＳ"));
        QVERIFY(text.fonts.at(1).fixedPitch);
        QCOMPARE(text.paragraphs.at(0).runs.at(0).format.font, 1);
    }

    void plainText_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one line per paragraph, line breaks too")
            << rtf("a\\par b\\line c\\par\\par") << "a\nb\nc\n";
        QTest::newRow("empty document") << QByteArray("{\\rtf1}") << "";
    }
    void plainText()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, expected);
        int error = -1;
        QCOMPARE(rtfPlainText(input, &error), expected);
        QCOMPARE(error, int(RtfOk));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("every format") << writeRtf(sampleText());
        QTest::newRow("Japanese font table and CP932 text")
            << "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 " +
                   hexIn("windows-31j", MsPGothic) + ";}}\\f0\\fs18 " +
                   hexIn("windows-31j", QStringLiteral("日本語")) + "\\par\\b " +
                   hexIn("windows-31j", QStringLiteral("太字")) + "\\par}";
        QTest::newRow("trailing empty paragraph") << rtf("a\\par\\par");
        QTest::newRow("only empty paragraphs") << rtf("\\fs40\\par\\b\\par");
        QTest::newRow("empty") << QByteArray("{\\rtf1}");
        QTest::newRow("nested formats and colours")
            << rtf("{\\colortbl;\\red1\\green2\\blue3;}{\\b a{\\cf1\\i b}}\\qc c\\tab\\line d");
        QTest::newRow("plain text as rich text")
            << plainTextAsRtf(QStringLiteral("一行目\r\n\tタブ {} \\\n\n最後\n"));
    }
    void roundTrip()
    {
        QFETCH(QByteArray, input);
        RichText first;
        QCOMPARE(readRtf(input, first), int(RtfOk));
        first.normalize();
        const QByteArray written = writeRtf(first);
        QVERIFY2(sevenBit(written), written.constData());
        RichText second;
        QCOMPARE(readRtf(written, second), int(RtfOk));
        second.normalize();
        QCOMPARE(dump(second), dump(first));
        QCOMPARE(second.plainText(), first.plainText());
        // Names and charsets of the fonts in use survive.
        for (const RichParagraph& p : std::as_const(second.paragraphs)) {
            for (const RichRun& run : p.runs) {
                const RichFont* font = second.fontOf(run.format);
                QVERIFY(font);
                const RichFont* before = first.fontOf(run.format);
                if (before) {
                    QCOMPARE(font->name, before->name);
                    QCOMPARE(font->charset, before->charset);
                }
            }
        }
        int error = -1;
        QCOMPARE(resaveRtf(input, &error).isEmpty(), false);
        QCOMPARE(error, int(RtfOk));
    }

    void sampleSurvivesExactly()
    {
        const RichText text = sampleText();
        RichText back;
        QCOMPARE(readRtf(writeRtf(text), back), int(RtfOk));
        back.normalize();
        QCOMPARE(dump(back), dump(text));
        QCOMPARE(back.fonts, text.fonts);
    }

    void plainTextAsRich_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("font");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("read");
        QTest::addColumn<int>("charset");
        QTest::newRow("CR LF, trailing line end")
            << QStringLiteral("一行目\r\n二行目\r\n") << MsPGothic << 9
            << QStringLiteral("一行目\n二行目\n") << 128;
        QTest::newRow("LF and CR, no end") << QStringLiteral("a\nb\rc") << QStringLiteral("Arial")
                                           << 12 << QStringLiteral("a\nb\nc") << 0;
        QTest::newRow("Japanese text in a Western font")
            << QStringLiteral("漢字") << QStringLiteral("Arial") << 10 << QStringLiteral("漢字")
            << 128;
        QTest::newRow("empty") << QString() << MsGothic << 9 << QString() << 128;
        QTest::newRow("RTF-looking text stays text")
            << QStringLiteral("{\\rtf1 \\b x}") << MsPGothic << 9
            << QStringLiteral("{\\rtf1 \\b x}") << 128;
    }
    void plainTextAsRich()
    {
        QFETCH(QString, text);
        QFETCH(QString, font);
        QFETCH(int, points);
        QFETCH(QString, read);
        QFETCH(int, charset);
        const QByteArray bytes = tovane::plainTextAsRtf(text, font, points);
        QVERIFY(sevenBit(bytes));
        RichText rich;
        QCOMPARE(readRtf(bytes, rich), int(RtfOk));
        QCOMPARE(rich.plainText(), read);
        QCOMPARE(rich.fonts.size(), 1);
        QCOMPARE(rich.fonts.at(0).name, font);
        QCOMPARE(rich.fonts.at(0).charset, charset);
        for (const RichParagraph& p : std::as_const(rich.paragraphs)) {
            QCOMPARE(p.endFormat.halfPoints, points * 2);
            for (const RichRun& run : p.runs)
                QCOMPARE(run.format.halfPoints, points * 2);
        }
    }

    void hostile_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("text"); // checked when no error

        QTest::newRow("empty") << QByteArray() << int(RtfNotRtf) << QString();
        QTest::newRow("not RTF") << QByteArray("hello {\\rtf1 x}") << int(RtfNotRtf) << QString();
        QTest::newRow("unclosed groups")
            << QByteArray("{\\rtf1 a{\\b b{\\i c") << int(RtfOk) << QStringLiteral("abc");
        QTest::newRow("too many closing braces")
            << QByteArray("{\\rtf1 a}}}}b") << int(RtfOk) << QStringLiteral("a");
        QTest::newRow("deep nesting")
            << "{\\rtf1 " + QByteArray(1000000, '{') + "x" << int(RtfTooDeep) << QString();
        QTest::newRow("nesting just inside the limit")
            << "{\\rtf1 " + QByteArray(RtfMaxDepth - 1, '{') + "x" + QByteArray(RtfMaxDepth, '}')
            << int(RtfOk) << QStringLiteral("x");
        QTest::newRow("huge numbers")
            << QByteArray("{\\rtf1 \\fs99999999999999999999999 a\\u-99999999999?b"
                          "{\\uc99999999999 \\u26085 cd}e\\cf-7 \\f99999999999 f"
                          "\\ansicpg-932 g\\'e9}")
            << int(RtfOk) << QStringLiteral("a\ufffdb日efg\u00e9");
        QTest::newRow("bin past the end")
            << QByteArray("{\\rtf1 a\\bin100 xy") << int(RtfOk) << QStringLiteral("a");
        QTest::newRow("bin of a huge count") << QByteArray("{\\rtf1 a\\bin999999999999999999 xy}")
                                             << int(RtfOk) << QStringLiteral("a");
        QTest::newRow("bin negative")
            << QByteArray("{\\rtf1 a\\bin-5 b}") << int(RtfOk) << QStringLiteral("ab");
        QTest::newRow("truncated hex escape")
            << QByteArray("{\\rtf1 a\\'8") << int(RtfOk) << QStringLiteral("a");
        QTest::newRow("hex escape at the very end")
            << QByteArray("{\\rtf1 a\\'") << int(RtfOk) << QStringLiteral("a");
        QTest::newRow("bad hex digits")
            << QByteArray("{\\rtf1 a\\'zz}") << int(RtfOk) << QStringLiteral("azz");
        QTest::newRow("lone CP932 lead byte")
            << QByteArray("{\\rtf1\\ansi\\ansicpg932 a\\'82\\par b}") << int(RtfOk)
            << QStringLiteral("a\ufffd\nb");
        QTest::newRow("lead byte then a control word, then its would-be trail")
            << QByteArray("{\\rtf1\\ansicpg932 \\'82\\b\\'a0}") << int(RtfOk)
            << QStringLiteral("\ufffd\ufffd");
        QTest::newRow("backslash at the end")
            << QByteArray("{\\rtf1 a\\") << int(RtfOk) << QStringLiteral("a");
        QTest::newRow("endless control word") << "{\\rtf1 a\\" + QByteArray(100000, 'x') + " b}"
                                              << int(RtfOk) << QStringLiteral("ab");
        QTest::newRow("control characters are no text")
            << QByteArray("{\\rtf1 a\x01\x00\\'0a\\'0d\\'00b}", 24) << int(RtfOk)
            << QStringLiteral("ab");
        QTest::newRow("font table never closed")
            << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}\\f1 x") << int(RtfOk) << QString();
        QTest::newRow("unpaired surrogate")
            << QByteArray("{\\rtf1 \\u-10179?x}") << int(RtfOk) << QStringLiteral("\ufffdx");
    }
    void hostile()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, error);
        QFETCH(QString, text);
        QElapsedTimer timer;
        timer.start();
        RichText rich;
        QCOMPARE(readRtf(input, rich), error);
        QVERIFY(timer.elapsed() < 5000);
        if (error != RtfOk) {
            QVERIFY(rich.paragraphs.isEmpty());
            return;
        }
        QCOMPARE(rich.plainText(), text);
        // Whatever was read, the writer gives RTF that reads back the same.
        rich.normalize();
        RichText back;
        QCOMPARE(readRtf(writeRtf(rich), back), int(RtfOk));
        QCOMPARE(back.plainText(), rich.plainText());
    }

    // Random bytes flipped, cut, doubled and inserted into valid documents
    // for a bounded time: every reading ends, and what reads writes back.
    void mutationFuzz()
    {
        const QList<QByteArray> seeds = {
            writeRtf(sampleText()),
            plainTextAsRtf(QStringLiteral("日本語\nabc\t{}")),
            rtf("{\\*\\x{\\b y}}{\\pict\\bin3 {{{}\\uc2\\u26085\\'93\\'fa{\\colortbl;\\red1;}\\cf1"
                "\\'82\\'a0\\fs30000\\par"),
        };
        static const char tokens[][10] = {"{",   "}",     "\\",     "\\'", "\\bin",   "\\u", "\\uc",
                                          "\\*", "\\par", "\\pict", "-",   "9999999", "\\f", ";"};
        // A fixed seed repeats a failure; TOVANE_FUZZ_SEED explores further.
        const quint32 seed = qEnvironmentVariableIsSet("TOVANE_FUZZ_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("TOVANE_FUZZ_SEED"))
                                 : 1234;
        QRandomGenerator random(seed);
        QElapsedTimer timer;
        timer.start();
        int rounds = 0;
        while (timer.elapsed() < 2000) {
            QByteArray bytes = seeds.at(random.bounded(int(seeds.size())));
            const int edits = 1 + random.bounded(8);
            for (int e = 0; e < edits && !bytes.isEmpty(); ++e) {
                const int at = random.bounded(int(bytes.size()));
                switch (random.bounded(5)) {
                case 0:
                    bytes[at] = char(random.bounded(256));
                    break;
                case 1:
                    bytes.truncate(at);
                    break;
                case 2:
                    bytes.remove(at, random.bounded(16));
                    break;
                case 3:
                    bytes.insert(at, bytes.mid(at, random.bounded(64)));
                    break;
                default:
                    bytes.insert(at, tokens[random.bounded(int(std::size(tokens)))]);
                    break;
                }
            }
            RichText rich;
            const int error = readRtf(bytes, rich);
            QVERIFY(error >= RtfOk && error <= RtfTooLarge);
            if (error == RtfOk) {
                QVERIFY(!rich.paragraphs.isEmpty());
                rich.normalize();
                const QByteArray written = writeRtf(rich);
                QVERIFY(sevenBit(written));
                RichText back;
                QCOMPARE(readRtf(written, back), int(RtfOk));
                back.normalize();
                if (dump(back) != dump(rich)) {
                    qWarning() << dump(rich) << dump(back);
                    QFAIL(bytes.toPercentEncoding().constData());
                }
            }
            ++rounds;
        }
        QVERIFY(rounds > 100);
    }
};

QTEST_GUILESS_MAIN(RtfTest)
#include "tst_rtf.moc"
