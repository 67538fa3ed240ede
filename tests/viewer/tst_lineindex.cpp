#include "viewer/lineindex.h"

#include <QtTest>

using namespace tovane;

class LineIndexTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lines_data();
    void lines();
    void lineOf_data();
    void lineOf();
};

void LineIndexTest::lines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<qsizetype>>("starts");
    QTest::addColumn<QList<qsizetype>>("lengths");
    QTest::addColumn<qsizetype>("longest");
    QTest::newRow("empty") << "" << QList<qsizetype>{0} << QList<qsizetype>{0} << qsizetype(0);
    QTest::newRow("no line end") << "abc" << QList<qsizetype>{0} << QList<qsizetype>{3}
                                 << qsizetype(3);
    QTest::newRow("final line end: empty last line")
        << "ab\ncdef\n"
        << QList<qsizetype>{0, 3, 8} << QList<qsizetype>{2, 4, 0} << qsizetype(4);
    QTest::newRow("empty lines") << "\n\n"
                                 << QList<qsizetype>{0, 1, 2} << QList<qsizetype>{0, 0, 0}
                                 << qsizetype(0);
    QTest::newRow("longest last, CR kept") << "a\nbc\r\nlongest" << QList<qsizetype>{0, 2, 6}
                                           << QList<qsizetype>{1, 3, 7} << qsizetype(7);
    // Long enough for the vectorised search to run in blocks and leave a tail.
    QString many;
    QList<qsizetype> starts{0};
    QList<qsizetype> lengths;
    for (int i = 0; i < 1000; ++i) {
        many += QString(i % 37, QChar(u'あ')) + u'\n';
        lengths.append(i % 37);
        starts.append(many.size());
    }
    lengths.append(0);
    QTest::newRow("1000 lines of varying length") << many << starts << lengths << qsizetype(36);
}

void LineIndexTest::lines()
{
    QFETCH(QString, text);
    QFETCH(QList<qsizetype>, starts);
    QFETCH(QList<qsizetype>, lengths);
    QFETCH(qsizetype, longest);
    const LineIndex index(text);
    QCOMPARE(index.lineCount(), starts.size());
    for (qsizetype i = 0; i < starts.size(); ++i) {
        QCOMPARE(index.lineStart(i), starts.at(i));
        QCOMPARE(index.lineLength(i), lengths.at(i));
    }
    QCOMPARE(index.longestLine(), longest);
    QCOMPARE(index.textLength(), text.size());
}

void LineIndexTest::lineOf_data()
{
    QTest::addColumn<qsizetype>("position");
    QTest::addColumn<qsizetype>("line");
    // "ab\ncd\n": the line end belongs to its line, the text's end to the last line.
    QTest::newRow("start") << qsizetype(0) << qsizetype(0);
    QTest::newRow("on the first line end") << qsizetype(2) << qsizetype(0);
    QTest::newRow("start of second line") << qsizetype(3) << qsizetype(1);
    QTest::newRow("on the second line end") << qsizetype(5) << qsizetype(1);
    QTest::newRow("end of text") << qsizetype(6) << qsizetype(2);
}

void LineIndexTest::lineOf()
{
    QFETCH(qsizetype, position);
    QFETCH(qsizetype, line);
    const LineIndex index(u"ab\ncd\n");
    QCOMPARE(index.lineOf(position), line);
}

QTEST_APPLESS_MAIN(LineIndexTest)
#include "tst_lineindex.moc"
