#include "platform/names.h"

#include <QtTest>

using namespace tovane::platform;

class NamesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << QByteArray("readme.txt");
        QTest::newRow("japanese") << QByteArray("\xe6\x97\xa5\xe6\x9c\xac.txt");
        QTest::newRow("emoji") << QByteArray("\xf0\x9f\x98\x80");
        QTest::newRow("latin1 byte") << QByteArray("caf\xe9");
        QTest::newRow("lone continuation") << QByteArray("a\x80z");
        QTest::newRow("truncated sequence") << QByteArray("x\xe6\x97");
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf");
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80");
        QTest::newRow("above U+10FFFF") << QByteArray("\xf4\x90\x80\x80");
        QTest::newRow("escape lookalike") << QByteArray("\xed\xb2\x80"); // UTF-8 of U+DC80
        QTest::newRow("newline and space") << QByteArray("a b\nc");
        QTest::newRow("all high bytes") << QByteArray("\xff\xfe\xfd");
    }
    void roundTrip()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(nameToBytes(nameFromBytes(bytes)), bytes);
    }

    void decodesValidUtf8AsText()
    {
        QCOMPARE(nameFromBytes("\xe6\x97\xa5"), QString(QChar(0x65E5)));
        QCOMPARE(nameFromBytes("\xf0\x9f\x98\x80").size(), 2);
    }

    void invalidBytesBecomeEscapes()
    {
        const QString s = nameFromBytes("a\xff");
        QCOMPARE(s.size(), 2);
        QCOMPARE(s.at(1).unicode(), char16_t(0xDCFF));
        // Different invalid names must stay different names.
        QVERIFY(nameFromBytes("\xe9") != nameFromBytes("\xe8"));
    }
};

QTEST_GUILESS_MAIN(NamesTest)
#include "tst_names.moc"
