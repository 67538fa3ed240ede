// tovane-cli show and resave as scripts see them: UTF-8 text with the
// file's line ends, the --info lines, files given back byte for byte, rich
// text that reads back the same, the not-displayable message, and arguments
// that are refused.

#include "support/tempdir.h"
#include "viewer/rtfreader.h"

#include <QProcess>
#include <QStringEncoder>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using tovane::test::readAll;
using tovane::test::TempDir;
using tovane::test::writeBytes;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QStringList& args, const QString& workingFolder = QString())
{
    QProcess p;
    if (!workingFolder.isEmpty())
        p.setWorkingDirectory(workingFolder);
    p.start(qEnvironmentVariable("TOVANE_BUILD_DIR") + QStringLiteral("/src/tovane-cli"), args);
    Run r;
    p.closeWriteChannel();
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray encoded(const char* codec, const QString& text)
{
    QStringEncoder encoder(codec, QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

const QString Text = QStringLiteral("日本語のテキストです。漢字とひらがな、カタカナを含みます。\r\n"
                                    "二行目：全角記号と数字 12345。①\r\n");

// `text` as the \'hh escapes of CP932.
QByteArray cp932Escaped(const QString& text)
{
    QByteArray out;
    for (const char b : encoded("windows-31j", text))
        out += "\\'" + QByteArray::number(uchar(b), 16).rightJustified(2, '0');
    return out;
}

const QByteArray JapaneseRtf =
    "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 " +
    cp932Escaped(QStringLiteral("ＭＳ Ｐゴシック")) +
    ";}}{\\colortbl ;\\red255\\green0\\blue0;}{\\*\\generator x;}\\f0\\fs18 " +
    cp932Escaped(QStringLiteral("日本語")) +
    "\\b\\cf1  bold\\b0\\par\\qc\\i\\u12354?\\line x\\tab "
    "y\\par\\pard{\\pict\\wmetafile8 0102}\\par end}";

QByteArray notDisplayableText(const QByteArray& name)
{
    return "ファイル " + name + " は\n\n処理対象形式ではないので表示できません。\n";
}

} // namespace

class ShowCommandTest : public QObject {
    Q_OBJECT
    TempDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        const QString mixed = QStringLiteral("a\r\nb\nc\rd");
        QVERIFY(m_dir.writeFile("utf8.txt", Text.toUtf8()));
        QVERIFY(m_dir.writeFile("bom.log", "\xEF\xBB\xBF" + QString(Text).remove(u'\r').toUtf8()));
        QVERIFY(m_dir.writeFile("u16.ini", "\xFF\xFE" + encoded("UTF-16LE", Text)));
        QVERIFY(m_dir.writeFile("u16be.csv", encoded("UTF-16BE", Text)));
        QVERIFY(m_dir.writeFile("sjis.txt", encoded("windows-31j", Text)));
        QVERIFY(m_dir.writeFile("euc.txt", encoded("EUC-JP", QString(Text).remove(u'①'))));
        QVERIFY(m_dir.writeFile("jis.txt", encoded("ISO-2022-JP", QString(Text).remove(u'①'))));
        QVERIFY(m_dir.writeFile("mixed.txt", mixed.toUtf8()));
        QVERIFY(m_dir.writeFile("cr.TXT", "one\rtwo\r"));
        QVERIFY(m_dir.writeFile("m.c", "int x;\n"));
        QVERIFY(m_dir.writeFile("bin.txt", QByteArray("\x00\xFF\x00\x80\x81\x00\xFE\x01", 8)));
        QVERIFY(m_dir.writeFile("a.zip", "PK"));
        QVERIFY(m_dir.writeFile("p.bmp", "BM"));
        QVERIFY(m_dir.writeFile("noext", "text"));
        QVERIFY(m_dir.writeFile("ja.rtf", JapaneseRtf));
        QVERIFY(m_dir.writeFile("ja.txt", "ja\n"));
        QVERIFY(m_dir.writeFile("upper.RTF", "{\\rtf1 one}"));
        QVERIFY(m_dir.writeFile("empty.rtf", "{\\rtf1\\ansi }"));
        QVERIFY(m_dir.writeFile("plain.rtf", "just text\n"));
        QVERIFY(m_dir.writeFile("deep.rtf", "{\\rtf1 " + QByteArray(100000, '{')));
        QVERIFY(m_dir.makeFolder("folder.txt"));
        QVERIFY(::mkfifo((m_dir.pathBytes() + "/fifo.txt").constData(), 0600) == 0);
    }

    // The text as UTF-8, line ends as in the file, no BOM; --info tells what
    // was found.
    void show_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("extended");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QByteArray>("info"); // category encoding bom newline
        const QByteArray utf8 = Text.toUtf8();
        const QByteArray noCircle = QString(Text).remove(u'①').toUtf8();
        QTest::newRow("UTF-8") << "utf8.txt"
                               << "" << utf8 << QByteArray("3 UTF-8 no CRLF");
        QTest::newRow("UTF-8 BOM, LF")
            << "bom.log"
            << "" << QString(Text).remove(u'\r').toUtf8() << QByteArray("3 UTF-8 yes LF");
        QTest::newRow("UTF-16LE BOM") << "u16.ini"
                                      << "" << utf8 << QByteArray("3 UTF-16LE yes CRLF");
        QTest::newRow("UTF-16BE") << "u16be.csv"
                                  << "" << utf8 << QByteArray("3 UTF-16BE no CRLF");
        QTest::newRow("Shift_JIS") << "sjis.txt"
                                   << "" << utf8 << QByteArray("3 Shift_JIS no CRLF");
        QTest::newRow("EUC-JP") << "euc.txt"
                                << "" << noCircle << QByteArray("3 EUC-JP no CRLF");
        QTest::newRow("ISO-2022-JP") << "jis.txt"
                                     << "" << noCircle << QByteArray("3 ISO-2022-JP no CRLF");
        QTest::newRow("mixed line ends")
            << "mixed.txt"
            << "" << QByteArray("a\r\nb\nc\rd") << QByteArray("3 UTF-8 no mixed");
        QTest::newRow("CR, upper-case extension")
            << "cr.TXT"
            << "" << QByteArray("one\rtwo\r") << QByteArray("3 UTF-8 no CR");
        QTest::newRow("language list with --extended")
            << "m.c"
            << "--extended" << QByteArray("int x;\n") << QByteArray("6 UTF-8 no LF");
    }
    void show()
    {
        QFETCH(QString, file);
        QFETCH(QString, extended);
        QFETCH(QByteArray, expected);
        QFETCH(QByteArray, info);
        const QStringList options = extended.isEmpty() ? QStringList() : QStringList{extended};
        Run r = run(QStringList{"show"} + options + QStringList{"--", m_dir.filePath(file)});
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, expected);

        r = run(QStringList{"show", "--info"} + options + QStringList{m_dir.filePath(file)});
        QCOMPARE(r.exitCode, 0);
        const QList<QByteArray> v = info.split(' ');
        QCOMPARE(r.out, "category\t" + v[0] + "\nencoding\t" + v[1] + "\nbom\t" + v[2] +
                            "\nnewline\t" + v[3] + "\n");
    }

    // Rich text: one line per paragraph, pictures and hidden groups left out.
    void showRichText_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("CP932, Unicode, line break, tab")
            << "ja.rtf" << QStringLiteral("日本語 bold\nあ\nx\ty\n\nend\n").toUtf8();
        QTest::newRow("upper-case extension") << "upper.RTF" << QByteArray("one\n");
        QTest::newRow("no text at all") << "empty.rtf" << QByteArray();
    }
    void showRichText()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, expected);
        Run r = run({"show", m_dir.filePath(file)});
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, expected);
        r = run({"show", "--info", m_dir.filePath(file)});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("category\t2\n"));
    }

    // Pictures of the image list: their size; a broken one is not shown.
    void showImage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("expected"); // empty: not displayable
        const QByteArray bmp = QByteArray("BM") + QByteArray(12, '\0') +
                               QByteArray::fromHex("28000000"
                                                   "05000000"
                                                   "03000000") +
                               QByteArray(28, '\0');
        QTest::newRow("bmp") << bmp << "pic.bmp" << QByteArray("image 5x3\n");
        QTest::newRow("dib, upper case") << bmp << "P.DIB" << QByteArray("image 5x3\n");
        QTest::newRow("gif") << QByteArray("GIF89a\x0b\0\x02\0", 10) + QByteArray(8, '\0')
                             << "g.gif" << QByteArray("image 11x2\n");
        QTest::newRow("text under .jpg") << QByteArray("not a picture") << "x.jpg" << QByteArray();
    }
    void showImage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(QByteArray, expected);
        QVERIFY(writeBytes(m_dir.filePath(name).toUtf8(), bytes));
        Run r = run({"show", m_dir.filePath(name)});
        QCOMPARE(r.exitCode, expected.isEmpty() ? 1 : 0);
        QCOMPARE(r.out, expected);
        if (expected.isEmpty()) {
            QVERIFY(QString::fromUtf8(r.err).contains(QStringLiteral("処理対象形式ではない")));
            return;
        }
        r = run({"show", "--info", m_dir.filePath(name)});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("category\t1\n"));
    }

    // Saved again, rich text is 7-bit RTF with the same text and formats;
    // under another name it is plain text, and plain text under .rtf rich.
    void resaveRichText_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("text"); // of the file written
        QTest::newRow("over itself")
            << "ja.rtf" << QString() << QStringLiteral("日本語 bold\nあ\nx\ty\n\nend");
        QTest::newRow("as another .rtf")
            << "ja.rtf"
            << "copy.RTF" << QStringLiteral("日本語 bold\nあ\nx\ty\n\nend");
        QTest::newRow("RTF as plain text")
            << "ja.rtf"
            << "copy.txt" << QStringLiteral("日本語 bold\nあ\nx\ty\n\nend");
        QTest::newRow("plain text as RTF") << "ja.txt"
                                           << "copy.rtf" << QStringLiteral("ja\n");
    }
    void resaveRichText()
    {
        QFETCH(QString, file);
        QFETCH(QString, to);
        QFETCH(QString, text);
        TempDir dir;
        const QByteArray original = readAll(m_dir.pathBytes() + "/" + file.toUtf8());
        QVERIFY(dir.writeFile(file.toUtf8(), original));
        const QByteArray target = dir.pathBytes() + "/" + (to.isEmpty() ? file : to).toUtf8();
        if (to.isEmpty())
            QVERIFY(::chmod(target.constData(), 0640) == 0);
        QStringList args{"resave", file};
        if (!to.isEmpty())
            args << "--to" << to;
        const Run r = run(args, dir.path());
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.exitCode, 0);
        const QByteArray written = readAll(target);
        if (to.endsWith(QLatin1String(".txt"))) {
            QCOMPARE(written, text.toUtf8());
            return;
        }
        for (const char b : written)
            QVERIFY(uchar(b) < 0x80);
        tovane::RichText before;
        tovane::RichText after;
        QCOMPARE(tovane::readRtf(written, after), 0);
        QCOMPARE(after.plainText(), text);
        if (file.endsWith(QLatin1String(".rtf"))) {
            QCOMPARE(tovane::readRtf(original, before), 0);
            before.normalize();
            after.normalize();
            QCOMPARE(after.paragraphs, before.paragraphs);
            QCOMPARE(after.fonts.at(0).name, QStringLiteral("ＭＳ Ｐゴシック"));
        }
        if (to.isEmpty()) {
            struct stat st;
            QVERIFY(::stat(target.constData(), &st) == 0);
            QCOMPARE(int(st.st_mode & 07777), 0640);
        }
    }

    // Exit 1 with the viewer's message, nothing on stdout, never a hang.
    void notDisplayable_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("language list in basic mode") << QStringList{"m.c"} << QByteArray("m.c");
        QTest::newRow("no text in any encoding") << QStringList{"bin.txt"} << QByteArray("bin.txt");
        QTest::newRow("no extension") << QStringList{"noext"} << QByteArray("noext");
        QTest::newRow("a folder") << QStringList{"folder.txt"} << QByteArray("folder.txt");
        QTest::newRow("a FIFO") << QStringList{"fifo.txt"} << QByteArray("fifo.txt");
        QTest::newRow("archive (not built yet)") << QStringList{"a.zip"} << QByteArray("a.zip");
        QTest::newRow("an image cut after its mark")
            << QStringList{"--info", "p.bmp"} << QByteArray("p.bmp");
        QTest::newRow("no RTF under .rtf") << QStringList{"plain.rtf"} << QByteArray("plain.rtf");
        QTest::newRow("RTF nested too deep")
            << QStringList{"--info", "deep.rtf"} << QByteArray("deep.rtf");
        QTest::newRow("resave of no RTF")
            << QStringList{"resave", "plain.rtf"} << QByteArray("plain.rtf");
        QTest::newRow("resave of a FIFO")
            << QStringList{"resave", "fifo.txt"} << QByteArray("fifo.txt");
    }
    void notDisplayable()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, name);
        if (args.first() != QLatin1String("resave"))
            args.prepend(QStringLiteral("show"));
        const Run r = run(args, m_dir.path());
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(r.err, notDisplayableText(name));
    }

    void missingFile()
    {
        const Run r = run({"show", path("gone.txt")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.endsWith(notDisplayableText("gone.txt")));
        QVERIFY(r.err.startsWith("tovane-cli show: " + path("gone.txt").toUtf8() + ": "));
    }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("show without a file") << QStringList{"show"};
        QTest::newRow("show, two files") << QStringList{"show", "a.txt", "b.txt"};
        QTest::newRow("show, unknown option") << QStringList{"show", "--fast", "a.txt"};
        QTest::newRow("show, --to is resave's") << QStringList{"show", "--to", "b", "a.txt"};
        QTest::newRow("show, empty file") << QStringList{"show", ""};
        QTest::newRow("resave without a file") << QStringList{"resave"};
        QTest::newRow("resave, --to without a file") << QStringList{"resave", "a.txt", "--to"};
        QTest::newRow("resave, --to twice")
            << QStringList{"resave", "a.txt", "--to", "b.txt", "--to=c.txt"};
        QTest::newRow("resave, empty --to") << QStringList{"resave", "a.txt", "--to="};
        QTest::newRow("resave, --info is show's") << QStringList{"resave", "--info", "a.txt"};
    }
    void badUsage()
    {
        QFETCH(QStringList, args);
        const Run r = run(args, m_dir.path());
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.out, QByteArray());
        QVERIFY(r.err.contains("usage") || r.err.contains("show [--info]"));
    }

    // Loaded and saved again, every encoding comes back byte for byte, and
    // the file keeps its mode.
    void resave_data()
    {
        QTest::addColumn<QString>("file");
        for (const char* f : {"utf8.txt", "bom.log", "u16.ini", "u16be.csv", "sjis.txt", "euc.txt",
                              "jis.txt", "mixed.txt", "cr.TXT", "m.c"})
            QTest::newRow(f) << QString::fromLatin1(f);
    }
    void resave()
    {
        QFETCH(QString, file);
        TempDir dir;
        const QByteArray original = readAll(m_dir.pathBytes() + "/" + file.toUtf8());
        QVERIFY(dir.writeFile(file.toUtf8(), original));
        const QByteArray target = dir.pathBytes() + "/" + file.toUtf8();
        QVERIFY(::chmod(target.constData(), 0640) == 0);

        Run r = run({"resave", file}, dir.path());
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(readAll(target), original);
        struct stat st;
        QVERIFY(::stat(target.constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 07777), 0640);

        r = run({"resave", file, "--to", "copy/out.txt"}, dir.path());
        QCOMPARE(r.exitCode, 1); // the folder is missing
        QVERIFY(r.err.contains("ドライブが書込み禁止、またはパス名が無効です。"));
        QVERIFY(dir.makeFolder("copy"));
        r = run({"resave", file, "--to=copy/out.txt"}, dir.path());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(readAll(dir.pathBytes() + "/copy/out.txt"), original);
    }

    // A read-only target is saved over only when the attribute question is
    // answered yes.
    void resaveReadOnly_data()
    {
        QTest::addColumn<QStringList>("global");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("default answers no") << QStringList() << 1;
        QTest::newRow("yes to all") << QStringList{"--answers=yes-to-all"} << 0;
    }
    void resaveReadOnly()
    {
        QFETCH(QStringList, global);
        QFETCH(int, exitCode);
        TempDir dir;
        const QByteArray text = "a\r\nb\r\n";
        QVERIFY(dir.writeFile("r.txt", text) && dir.writeFile("src.txt", "other\n"));
        const QByteArray target = dir.pathBytes() + "/r.txt";
        QVERIFY(::chmod(target.constData(), 0444) == 0);
        const Run r = run(global + QStringList{"resave", "src.txt", "--to", "r.txt"}, dir.path());
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY(r.err.contains("読取専用属性"));
        QCOMPARE(readAll(target), exitCode == 0 ? QByteArray("other\n") : text);
        struct stat st;
        QVERIFY(::stat(target.constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 07777), 0444);
    }
};

QTEST_GUILESS_MAIN(ShowCommandTest)
#include "tst_showcommand.moc"
