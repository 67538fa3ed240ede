#include "core/consoleservices.h"
#include "platform/names.h"

#include <QBuffer>
#include <QtTest>

using namespace tovane;

class ConsoleServicesTest : public QObject {
    Q_OBJECT

    struct Run {
        qint16 code = -1;
        int answer = -99;
        QByteArray output;
    };

    static Run ask(AnswerPolicy policy, bool interactive, int kind, int flags,
                   const QByteArray& input = QByteArray())
    {
        QBuffer out, in;
        in.setData(input);
        out.open(QIODevice::WriteOnly);
        in.open(QIODevice::ReadOnly);
        ConsoleMessageService s(policy, &out, &in, interactive);
        Run run;
        if (kind == 0) {
            run.code = s.showMessage(u"続けますか？\r\n二行目"_qs, quint32(flags), u"題"_qs, true,
                                     run.answer);
        } else {
            DialogRequest r;
            r.kind = qint16(kind);
            r.attributeMask = 1;
            r.title = u"コピー"_qs;
            r.text = u"a.txt"_qs;
            r.folder = u"/d/"_qs;
            run.code = s.confirm(r, false);
        }
        run.output = out.data();
        return run;
    }

private Q_SLOTS:
    // Without a terminal, and by default, nothing is ever overwritten.
    void automaticAnswers_data()
    {
        QTest::addColumn<int>("policy");
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("code");
        const int no = int(AnswerPolicy::NoToAll), yes = int(AnswerPolicy::YesToAll),
                  askPolicy = int(AnswerPolicy::Ask);
        QTest::newRow("overwrite: no") << no << false << 1 << 0 << int(AnswerNo);
        QTest::newRow("overwrite for all: no to all") << no << false << 11 << 0 << int(AnswerNoAll);
        QTest::newRow("attribute: no") << no << false << 4 << 0 << int(AnswerNo);
        QTest::newRow("attribute for all: no to all") << no << false << 13 << 0 << int(AnswerNoAll);
        QTest::newRow("interactive tty does not matter") << no << true << 1 << 0 << int(AnswerNo);
        QTest::newRow("ask without tty: no") << askPolicy << false << 1 << 0 << int(AnswerNo);
        QTest::newRow("ask without tty: no to all")
            << askPolicy << false << 12 << 0 << int(AnswerNoAll);
        QTest::newRow("yes/no: no") << no << false << 0 << 4 << int(AnswerNo);
        QTest::newRow("yes/no/cancel: cancel") << no << false << 0 << 3 << int(AnswerCancel);
        QTest::newRow("ok/cancel: cancel") << no << false << 0 << 1 << int(AnswerCancel);
        QTest::newRow("ok only") << no << false << 0 << 0 << int(AnswerYes);
        QTest::newRow("ok only, ask") << askPolicy << true << 0 << 0 << int(AnswerYes);
        QTest::newRow("yes to all: overwrite") << yes << false << 1 << 0 << int(AnswerYes);
        QTest::newRow("yes to all: for all") << yes << false << 11 << 0 << int(AnswerYesAll);
        QTest::newRow("yes to all: yes/no") << yes << false << 0 << 4 << int(AnswerYes);
        QTest::newRow("invalid kind") << yes << false << 17 << 0 << int(AnswerCancel);
    }
    void automaticAnswers()
    {
        QFETCH(int, policy);
        QFETCH(bool, interactive);
        QFETCH(int, kind);
        QFETCH(int, flags);
        QFETCH(int, code);
        // Input that would say yes must not be read unless asked for.
        const Run run = ask(AnswerPolicy(policy), interactive, kind, flags, "y\na\n");
        QCOMPARE(int(run.code), code);
    }

    void interactive_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("prompts");
        QTest::newRow("y") << 1 << 0 << QByteArray("y\n") << int(AnswerYes) << 1;
        QTest::newRow("n") << 1 << 0 << QByteArray("n\n") << int(AnswerNo) << 1;
        QTest::newRow("a") << 11 << 0 << QByteArray("a\n") << int(AnswerYesAll) << 1;
        QTest::newRow("N") << 11 << 0 << QByteArray("N\n") << int(AnswerNoAll) << 1;
        QTest::newRow("c") << 11 << 0 << QByteArray("c\n") << int(AnswerCancel) << 1;
        QTest::newRow("spaces around")
            << 11 << 0 << QByteArray("  a \r\n") << int(AnswerYesAll) << 1;
        QTest::newRow("retry after junk")
            << 1 << 0 << QByteArray("x\nyes\ny\n") << int(AnswerYes) << 3;
        // Answers the request does not offer are asked again.
        QTest::newRow("no all answers for kind 1")
            << 1 << 0 << QByteArray("a\nN\nc\nn\n") << int(AnswerNo) << 4;
        QTest::newRow("end of input: no") << 1 << 0 << QByteArray() << int(AnswerNo) << 1;
        QTest::newRow("end of input: no to all")
            << 11 << 0 << QByteArray("?\n") << int(AnswerNoAll) << 2;
        QTest::newRow("plain yes") << 0 << 4 << QByteArray("y\n") << int(AnswerYes) << 1;
        QTest::newRow("plain cancel") << 0 << 3 << QByteArray("c\n") << int(AnswerCancel) << 1;
        QTest::newRow("plain no cancel offered")
            << 0 << 4 << QByteArray("c\n") << int(AnswerNo) << 2;
        QTest::newRow("ok/cancel ok") << 0 << 1 << QByteArray("y\n") << int(AnswerYes) << 1;
    }
    void interactive()
    {
        QFETCH(int, kind);
        QFETCH(int, flags);
        QFETCH(QByteArray, input);
        QFETCH(int, code);
        QFETCH(int, prompts);
        const Run run = ask(AnswerPolicy::Ask, true, kind, flags, input);
        QCOMPARE(int(run.code), code);
        QCOMPARE(int(run.output.count(") > ")), prompts);
    }

    void plainAnswerWritten()
    {
        // A yes/no question answered no by default gives the caller "no" (7).
        const Run run = ask(AnswerPolicy::NoToAll, false, 0, 4);
        QCOMPARE(run.answer, int(MsgNo));
        const Run ok = ask(AnswerPolicy::NoToAll, false, 0, 0);
        QCOMPARE(ok.answer, int(MsgOk));
    }

    void output()
    {
        const Run plain = ask(AnswerPolicy::NoToAll, false, 0, 4);
        const QString text = QString::fromUtf8(plain.output);
        QVERIFY(!plain.output.contains('\r'));
        QVERIFY2(text.startsWith(u"[題]\n続けますか？\n二行目\n"_qs), qPrintable(text));
        QVERIFY2(text.contains(u"-> いいえ\n"_qs), qPrintable(text));

        const Run confirm = ask(AnswerPolicy::NoToAll, false, 11, 0);
        const QString shown = QString::fromUtf8(confirm.output);
        QVERIFY(shown.startsWith(u"[コピー 確認]\nコピー先の\n/d/ には\n"_qs));
        QVERIFY(shown.contains(u"に上書きしますか ？\n-> すべて いいえ\n"_qs));

        const Run asked = ask(AnswerPolicy::Ask, true, 11, 0, "y\n");
        QVERIFY(QString::fromUtf8(asked.output)
                    .contains(
                        u"(y=はい, n=いいえ, a=すべて はい, N=すべて いいえ, c=キャンセル) > "_qs));
    }

    // Names with bytes that are not UTF-8 reach the terminal as those bytes.
    void rawNameBytes()
    {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        ConsoleMessageService s(AnswerPolicy::NoToAll, &out, nullptr, false);
        s.showMessage(platform::nameFromBytes("bad\xff.txt"), 0, u"t"_qs);
        QVERIFY(out.data().contains("bad\xff.txt"));
    }

    void consoleText_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("crlf") << u"a\r\nb"_qs << u"a\nb"_qs;
        QTest::newRow("double crlf") << u"a\r\n\r\nb"_qs << u"a\n\nb"_qs;
        QTest::newRow("lone cr") << u"a\rb"_qs << u"a\nb"_qs;
        QTest::newRow("lf kept") << u"a\nb"_qs << u"a\nb"_qs;
    }
    void consoleText()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(tovane::consoleText(in), out);
    }

    void parsePolicy_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("policy");
        QTest::newRow("no") << u"no-to-all"_qs << true << int(AnswerPolicy::NoToAll);
        QTest::newRow("yes") << u"yes-to-all"_qs << true << int(AnswerPolicy::YesToAll);
        QTest::newRow("ask") << u"ask"_qs << true << int(AnswerPolicy::Ask);
        QTest::newRow("unknown") << u"maybe"_qs << false << int(AnswerPolicy::Ask);
        QTest::newRow("empty") << QString() << false << int(AnswerPolicy::Ask);
    }
    void parsePolicy()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, policy);
        AnswerPolicy parsed = AnswerPolicy::Ask;
        QCOMPARE(parseAnswerPolicy(text, parsed), ok);
        QCOMPARE(int(parsed), policy);
    }

    void progressStatus()
    {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        ConsoleProgressService quiet(false, &out);
        quiet.setStatusText(u"silent"_qs);
        QVERIFY(out.data().isEmpty());
        ConsoleProgressService verbose(true, &out);
        verbose.setStatusText(u"コピー中\r\n続き"_qs);
        QCOMPARE(QString::fromUtf8(out.data()), u"コピー中\n続き\n"_qs);
        QCOMPARE(verbose.statusText(), u"コピー中\r\n続き"_qs);
        verbose.pumpEventsNow(); // no event loop needed
    }
};

QTEST_GUILESS_MAIN(ConsoleServicesTest)
#include "tst_consoleservices.moc"
