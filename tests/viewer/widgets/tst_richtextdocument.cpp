// RTF through a QTextDocument: what the document shows, what a save writes
// back (font names of the file kept, families chosen here named), and the
// clipboard's text/rtf.

#include "viewer/rtfreader.h"
#include "viewer/widgets/richtextdocument.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QStringEncoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QtTest>

using namespace tovane;

namespace {

QByteArray cp932(const QString& text)
{
    QStringEncoder encoder("windows-31j", QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    QByteArray out;
    for (const char b : bytes)
        out += "\\'" + QByteArray::number(uchar(b), 16).rightJustified(2, '0');
    return out;
}

const QString MsPGothic = QStringLiteral("ＭＳ Ｐゴシック");
const QString MsGothic = QStringLiteral("ＭＳ ゴシック");

QByteArray japaneseDocument()
{
    return "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 " +
           cp932(MsPGothic) + ";}{\\f1\\fmodern\\fprq1\\fcharset128 " + cp932(MsGothic) +
           ";}{\\f2\\fswiss Arial;}}{\\colortbl ;\\red255\\green0\\blue0;}"
           "\\pard\\qc\\f0\\fs18 " +
           cp932(QStringLiteral("日本語")) + "\\b bold\\b0\\par\\pard\\f1\\fs40\\i\\cf1 " +
           cp932(QStringLiteral("等幅")) + "\\line x\\tab y\\par\\pard\\plain\\f2\\ul\\strike z}";
}

QTextCharFormat formatAt(const QTextDocument& doc, int position)
{
    QTextCursor cursor(const_cast<QTextDocument*>(&doc));
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

} // namespace

class RichTextDocumentTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void load_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("family");
        QTest::addColumn<double>("points");
        QTest::addColumn<QString>("flags"); // b i u s
        QTest::addColumn<QString>("color");

        // "日本語bold\n等幅\u2028x\ty\nz"
        QTest::newRow("proportional Japanese font") << 0 << "Noto Sans CJK JP" << 9.0 << ""
                                                    << "";
        QTest::newRow("bold run") << 3 << "Noto Sans CJK JP" << 9.0 << "b"
                                  << "";
        QTest::newRow("monospaced Japanese font, colour")
            << 8 << "Noto Sans Mono CJK JP" << 20.0 << "i"
            << "#ff0000";
        QTest::newRow("unmapped font by its own name") << 15 << "Arial" << 12.0 << "us"
                                                       << "";
    }
    void load()
    {
        QFETCH(int, position);
        QFETCH(QString, family);
        QFETCH(double, points);
        QFETCH(QString, flags);
        QFETCH(QString, color);
        QTextDocument doc;
        QCOMPARE(loadRtf(doc, japaneseDocument()), int(RtfOk));
        QCOMPARE(doc.toRawText(), QStringLiteral("日本語bold\u2029等幅\u2028x\ty\u2029z"));
        QCOMPARE(doc.blockCount(), 3);
        QCOMPARE(doc.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);
        const QTextCharFormat f = formatAt(doc, position);
        QCOMPARE(f.fontFamilies().toStringList().value(0), family);
        QCOMPARE(f.fontPointSize(), points);
        QString actual;
        if (f.fontWeight() >= QFont::Bold)
            actual += u'b';
        if (f.fontItalic())
            actual += u'i';
        if (f.fontUnderline())
            actual += u'u';
        if (f.fontStrikeOut())
            actual += u's';
        QCOMPARE(actual, flags);
        QCOMPARE(f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name()
                                                             : QString(),
                 color);
    }

    void saveKeepsFileNames()
    {
        QTextDocument doc;
        QCOMPARE(loadRtf(doc, japaneseDocument()), int(RtfOk));
        RichText back;
        QCOMPARE(readRtf(saveRtf(doc), back), int(RtfOk));
        QCOMPARE(back.plainText(), QStringLiteral("日本語bold\n等幅\nx\ty\nz"));
        QStringList names;
        for (const RichParagraph& p : std::as_const(back.paragraphs)) {
            for (const RichRun& run : p.runs)
                names << back.fontOf(run.format)->name;
        }
        names.removeDuplicates();
        QCOMPARE(names, (QStringList{MsPGothic, MsGothic, QStringLiteral("Arial")}));
        const RichFont* gothic = back.fontOf(back.paragraphs.at(1).runs.at(0).format);
        QCOMPARE(gothic->charset, 128);
    }

    // Shown and saved with no change, a file reads back as it read first:
    // text, formats and font names (a missing font is the default one).
    void roundTripThroughDocument_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::newRow("Japanese fonts, colours, alignment") << japaneseDocument();
        QTest::newRow("font with an empty name")
            << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fnil;}{\\f1 Arial;}}\\f0\\fs18 x\\par\\f1 y}");
        QTest::newRow("no font table") << QByteArray("{\\rtf1\\b\\fs19 odd size\\par\\par}");
    }
    void roundTripThroughDocument()
    {
        QFETCH(QByteArray, rtf);
        RichText read;
        QCOMPARE(readRtf(rtf, read), int(RtfOk));
        read.normalize();
        QTextDocument doc;
        QCOMPARE(loadRtf(doc, rtf), int(RtfOk));
        RichText saved;
        QCOMPARE(readRtf(saveRtf(doc), saved), int(RtfOk));
        saved.normalize();
        QCOMPARE(saved.paragraphs.size(), read.paragraphs.size());
        for (qsizetype i = 0; i < read.paragraphs.size(); ++i) {
            const RichParagraph& a = read.paragraphs.at(i);
            const RichParagraph& b = saved.paragraphs.at(i);
            QCOMPARE(b.alignment, a.alignment);
            QCOMPARE(b.runs.size(), a.runs.size());
            for (qsizetype r = 0; r < a.runs.size(); ++r) {
                QCOMPARE(b.runs.at(r).text, a.runs.at(r).text);
                RichCharFormat fa = a.runs.at(r).format;
                RichCharFormat fb = b.runs.at(r).format;
                const RichFont* fontA = read.fontOf(fa);
                QCOMPARE(saved.fontOf(fb)->name, fontA ? fontA->name : MsPGothic);
                fa.font = fb.font = 0;
                QVERIFY(fa == fb);
            }
        }
        const RichText first = richTextOf(doc);
        QTextDocument again;
        QCOMPARE(loadRtf(again, saveRtf(doc)), int(RtfOk));
        QCOMPARE(richTextOf(again), first);
    }

    void fontChosenHere_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<int>("charset");
        QTest::newRow("mapped family saved as the system font")
            << "Noto Sans Mono CJK JP" << MsGothic << 128;
        QTest::newRow("other family by its name") << "DejaVu Serif"
                                                  << "DejaVu Serif" << 0;
    }
    void fontChosenHere()
    {
        QFETCH(QString, family);
        QFETCH(QString, saved);
        QFETCH(int, charset);
        QTextDocument doc;
        QCOMPARE(loadRtf(doc, japaneseDocument()), int(RtfOk));
        // What the font command does to a selection.
        QTextCursor cursor(&doc);
        cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, 3);
        QTextCharFormat change;
        change.setFontFamilies(QStringList{family});
        cursor.mergeCharFormat(change);
        RichText back;
        QCOMPARE(readRtf(saveRtf(doc), back), int(RtfOk));
        const RichRun& run = back.paragraphs.at(0).runs.at(0);
        QCOMPARE(run.text, QStringLiteral("日本語"));
        QCOMPARE(back.fontOf(run.format)->name, saved);
        QCOMPARE(back.fontOf(run.format)->charset, charset);
    }

    void clipboardFragment()
    {
        QTextDocument doc;
        QCOMPARE(loadRtf(doc, japaneseDocument()), int(RtfOk));
        QTextCursor cursor(&doc);
        cursor.setPosition(2);
        cursor.setPosition(10, QTextCursor::KeepAnchor); // "語bold\n等幅"
        const QString rtf = rtfFromFragment(cursor.selection());
        for (const QChar c : rtf)
            QVERIFY(c.unicode() < 0x80);
        const QTextDocumentFragment fragment = fragmentFromRtf(rtf.toLatin1());
        QCOMPARE(fragment.toPlainText(), QStringLiteral("語bold\n等幅"));

        QTextDocument target;
        target.setPlainText(QStringLiteral("[]"));
        QTextCursor paste(&target);
        paste.setPosition(1);
        paste.insertFragment(fragment);
        QCOMPARE(target.toPlainText(), QStringLiteral("[語bold\n等幅]"));
        QVERIFY(formatAt(target, 2).fontWeight() >= QFont::Bold);
        QCOMPARE(formatAt(target, 7).fontFamilies().toStringList().value(0),
                 QStringLiteral("Noto Sans Mono CJK JP"));
    }

    // fontconfig knows none of these names; without the substitutes they
    // would come out in a Western font.
    void fontSubstitutes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("family");
        QTest::newRow("proportional") << MsPGothic << "Noto Sans CJK JP";
        QTest::newRow("monospaced") << MsGothic << "Noto Sans Mono CJK JP";
    }
    void fontSubstitutes()
    {
        QFETCH(QString, name);
        QFETCH(QString, family);
        registerFontSubstitutes();
        QCOMPARE(QFontInfo(QFont(name)).family(), family);
        QCOMPARE(fontDisplayFamily(name), family);
        QCOMPARE(fontFileName(family), name);
    }

    // A picture is shown at its size and saved back as the bytes it came
    // as, also through the clipboard; one pasted from elsewhere becomes PNG.
    void pictures()
    {
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&buffer, "PNG"));
        const QByteArray rtf =
            "{\\rtf1 a{\\*\\shppict{\\pict\\pngblip\\picwgoal1200\\pichgoal600 " + png.toHex() +
            "}}{\\nonshppict{\\pict\\wmetafile8 00}}b}";
        QTextDocument doc;
        QCOMPARE(loadRtf(doc, rtf), int(RtfOk));
        QCOMPARE(doc.toPlainText(), QStringLiteral("a\uFFFCb"));
        const QTextCharFormat f = formatAt(doc, 1);
        QVERIFY(f.isImageFormat());
        QCOMPARE(f.toImageFormat().width(), 80.0);
        const QImage shown = qvariant_cast<QImage>(
            doc.resource(QTextDocument::ImageResource, QUrl(f.toImageFormat().name())));
        QCOMPARE(shown.size(), QSize(40, 20));

        RichText back;
        QCOMPARE(readRtf(saveRtf(doc), back), int(RtfOk));
        QCOMPARE(back.pictures.size(), 1);
        QCOMPARE(back.pictures.at(0).data, png);
        QCOMPARE(back.pictures.at(0).widthTwips, 1200);

        QTextCursor cursor(&doc);
        cursor.setPosition(1);
        cursor.setPosition(2, QTextCursor::KeepAnchor);
        QTextDocument target;
        QTextCursor paste(&target);
        paste.insertFragment(fragmentFromRtf(rtfFromFragment(cursor.selection()).toLatin1()));
        addPictureResources(target);
        QCOMPARE(
            qvariant_cast<QImage>(target.resource(QTextDocument::ImageResource,
                                                  QUrl(formatAt(target, 0).toImageFormat().name())))
                .size(),
            QSize(40, 20));

        QTextDocument other;
        other.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:x")), image);
        QTextCursor c(&other);
        c.insertImage(QStringLiteral("mem:x"));
        QCOMPARE(readRtf(saveRtf(other), back), int(RtfOk));
        QCOMPARE(back.pictures.size(), 1);
        QCOMPARE(back.pictures.at(0).format, QByteArray("png"));
        QCOMPARE(QImage::fromData(back.pictures.at(0).data).size(), QSize(40, 20));
    }

    void badInputLeavesDocument_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("error");
        QTest::newRow("not RTF") << QByteArray("plain") << int(RtfNotRtf);
        QTest::newRow("too deep") << "{\\rtf1" + QByteArray(5000, '{') << int(RtfTooDeep);
    }
    void badInputLeavesDocument()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, error);
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("kept"));
        QCOMPARE(loadRtf(doc, bytes), error);
        QCOMPARE(doc.toPlainText(), QStringLiteral("kept"));
        QVERIFY(fragmentFromRtf(bytes).isEmpty());
    }
};

QTEST_MAIN(RichTextDocumentTest)
#include "tst_richtextdocument.moc"
