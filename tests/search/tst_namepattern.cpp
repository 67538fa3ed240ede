// Search patterns as names are matched on Windows, and the live corrections
// of the pattern box.

#include "search/namepattern.h"

#include <QtTest>

using namespace tovane;

class NamePatternTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void matches_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("sets");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("match");
        QTest::newRow("star dot star takes a bare name") << "*.*" << false << "README" << true;
        QTest::newRow("star alone") << "*" << false << ".bashrc" << true;
        QTest::newRow("extension, any case") << "*.txt" << false << "A.TXT" << true;
        QTest::newRow("extension, not a longer one") << "*.txt" << false << "a.txt1" << false;
        QTest::newRow("two dots") << "*.txt" << false << "a.b.txt" << true;
        QTest::newRow("prefix") << "abc*" << false << "ABCdef.c" << true;
        QTest::newRow("prefix missed") << "abc*" << false << "xabc" << false;
        QTest::newRow("question marks") << "*x?z*" << false << "a_xYz_b" << true;
        QTest::newRow("question needs a character") << "*x?z*" << false << "xz" << false;
        QTest::newRow("trailing dot: no extension") << "abc*." << false << "abcd" << true;
        QTest::newRow("trailing dot: extension refused") << "abc*." << false << "abc.d" << false;
        QTest::newRow("trailing dot: a leading dot is no extension")
            << "*." << false << ".profile" << true;
        QTest::newRow("set in narrowing") << "[ab]*" << true << "Beta" << true;
        QTest::newRow("set missed") << "[ab]*" << true << "gamma" << false;
        QTest::newRow("range") << "f[0-3].dat" << true << "f2.dat" << true;
        QTest::newRow("negated set") << "[!a]*" << true << "apple" << false;
        QTest::newRow("bracket literal without sets") << "[ab]*" << false << "[ab]x" << true;
        QTest::newRow("backtracking") << "*a*b" << false << "aXaXb" << true;
        QTest::newRow("exact") << "name.txt" << false << "Name.Txt" << true;
    }
    void matches()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, sets);
        QFETCH(QString, name);
        QFETCH(bool, match);
        QCOMPARE(NamePattern(pattern, sets).matches(name), match);
    }

    void corrections_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("corrected");
        QTest::addColumn<int>("caretAfter");
        QTest::newRow("double star") << "a**b" << 3 << "a*b" << 2;
        QTest::newRow("refused characters") << "a:b/c|d" << 7 << "abcd" << 4;
        QTest::newRow("leading blanks") << "  *.txt" << 7 << "*.txt" << 5;
        QTest::newRow("long extension cut") << "*.abcdefghijkl" << 14 << "*.abcdefghij" << 12;
        QTest::newRow("nothing to do") << "abc*.txt" << 2 << "abc*.txt" << 2;
    }
    void corrections()
    {
        QFETCH(QString, typed);
        QFETCH(int, caret);
        QFETCH(QString, corrected);
        QFETCH(int, caretAfter);
        QCOMPARE(correctedSearchPattern(typed, caret), corrected);
        QCOMPARE(caret, caretAfter);
    }
};

QTEST_GUILESS_MAIN(NamePatternTest)
#include "tst_namepattern.moc"
