#include "support/tempdir.h"

#include <QProcess>
#include <QtTest>

using namespace tovane;

// Runs the real executable: the command line is a contract for scripts.
class CliTest : public QObject {
    Q_OBJECT
    static QByteArray printfEscaped(const QByteArray& bytes)
    {
        QByteArray out;
        for (unsigned char c : bytes) {
            if (c >= 0x80 || c == '%' || c == '\\')
                out += '\\' + QByteArray::number(c, 8).rightJustified(3, '0');
            else
                out += char(c);
        }
        return out;
    }
    QString exe() const { return qEnvironmentVariable("TOVANE_BUILD_DIR") + QStringLiteral("/src/tovane-cli"); }

private Q_SLOTS:
    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("no command") << QStringList{} << 2;
        QTest::newRow("unknown") << QStringList{QStringLiteral("frobnicate")} << 2;
        QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0;
        QTest::newRow("version") << QStringList{QStringLiteral("version")} << 0;
        QTest::newRow("stat without path") << QStringList{QStringLiteral("stat")} << 2;
        QTest::newRow("stat missing") << QStringList{QStringLiteral("stat"), QStringLiteral("/nonexistent/x")} << 1;
        QTest::newRow("volumes") << QStringList{QStringLiteral("volumes")} << 0;
        QTest::newRow("answer policy")
            << QStringList{QStringLiteral("--answers=yes-to-all"), QStringLiteral("version")} << 0;
        QTest::newRow("bad answer policy")
            << QStringList{QStringLiteral("--answers=maybe"), QStringLiteral("version")} << 2;
        QTest::newRow("options only") << QStringList{QStringLiteral("--verbose")} << 2;
    }
    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QProcess p;
        p.start(exe(), args);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), exitCode);
    }

    void volumesListRootFirst()
    {
        QProcess p;
        p.start(exe(), {QStringLiteral("volumes")});
        QVERIFY(p.waitForFinished(20000));
        const QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
        QVERIFY(!lines.isEmpty());
        QVERIFY(lines.first().startsWith("/\t"));
    }

    void statKeepsNameBytes()
    {
        test::TempDir dir;
        const QByteArray name = "caf\xe9 \xff.txt";
        QVERIFY(dir.writeFile(name, "12345"));
        // Build argv by hand: QProcess would re-encode the invalid bytes.
        const QByteArray path = dir.pathBytes() + '/' + name;
        QProcess p;
        p.setProgram(QStringLiteral("/bin/sh"));
        p.setArguments({QStringLiteral("-c"), QStringLiteral("exec \"$0\" stat \"$(printf \"$1\")\""), exe(),
                        QString::fromLatin1(printfEscaped(path))});
        p.start();
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        const QByteArray out = p.readAllStandardOutput();
        QVERIFY2(out.startsWith(path + "\t5\t"), out.constData());
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
