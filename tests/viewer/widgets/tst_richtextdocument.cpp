// RTF through a QTextDocument: what the document shows, what a save writes
// back (font names of the file kept, families chosen here named), and the
// clipboard's text/rtf.

#include "viewer/rtfreader.h"
#include "viewer/widgets/richtextdocument.h"

#include <QGuiApplication>
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

    void roundTripThroughDocument()
    {
        QTextDocument doc;
        QCOMPARE(loadRtf(doc, japaneseDocument()), int(RtfOk));
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
