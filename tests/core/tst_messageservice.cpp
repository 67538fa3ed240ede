#include "core/messageservice.h"
#include "core/scriptedservices.h"

#include <QtTest>

using namespace tovane;

class MessageServiceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Which buttons a request shows, which one Esc presses, captions, focus.
    void buttons_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("shown"); // "ync": yes, no, cancel visible
        QTest::addColumn<int>("escape");
        QTest::addColumn<QString>("yesCaption");
        QTest::addColumn<bool>("focusNoLater");
        QTest::addColumn<bool>("allAnswers");
        QTest::addColumn<int>("slot");

        const QString ok = u"Ｏ Ｋ"_qs, yes = u"はい(&Y)"_qs;
        QTest::newRow("set 0") << 0 << 0 << u"y"_qs << 0 << ok << false << false << 7;
        QTest::newRow("set 1") << 0 << 1 << u"yc"_qs << 2 << ok << false << false << 7;
        QTest::newRow("set 2") << 0 << 2 << u"y"_qs << 0 << yes << false << false << 7;
        QTest::newRow("set 3") << 0 << 3 << u"ync"_qs << 2 << yes << false << false << 7;
        QTest::newRow("set 4") << 0 << 4 << u"yn"_qs << 1 << yes << false << false << 7;
        QTest::newRow("set 4 focus no")
            << 0 << 4 + 256 << u"yn"_qs << 1 << yes << true << false << 7;
        QTest::newRow("set 3 focus no")
            << 0 << 3 + 256 << u"ync"_qs << 2 << yes << true << false << 7;
        QTest::newRow("set 5") << 0 << 5 << u"ync"_qs << 2 << yes << false << false << 7;
        QTest::newRow("set 6") << 0 << 6 << u"yn"_qs << 1 << yes << false << false << 7;
        // No second button to move the focus to.
        QTest::newRow("set 0 focus no") << 0 << 256 << u"y"_qs << 0 << ok << false << false << 7;
        QTest::newRow("other bits ignored")
            << 0 << (4 | 8 | 512) << u"yn"_qs << 1 << yes << false << false << 7;
        QTest::newRow("negative kind is plain")
            << -3 << 4 << u"yn"_qs << 1 << yes << false << false << 7;
        QTest::newRow("kind 1") << 1 << 0 << u"yn"_qs << 1 << yes << false << false << 0;
        QTest::newRow("kind 6") << 6 << 0 << u"yn"_qs << 1 << yes << false << false << 0;
        QTest::newRow("kind 11") << 11 << 0 << u"ync"_qs << 2 << yes << false << true << 0;
        QTest::newRow("kind 16") << 16 << 0 << u"ync"_qs << 2 << yes << false << true << 0;
        // Flags belong to plain messages only.
        QTest::newRow("kind 2 flags ignored")
            << 2 << 1 + 256 << u"yn"_qs << 1 << yes << false << false << 0;
    }
    void buttons()
    {
        QFETCH(int, kind);
        QFETCH(int, flags);
        QFETCH(QString, shown);
        QFETCH(int, escape);
        QFETCH(QString, yesCaption);
        QFETCH(bool, focusNoLater);
        QFETCH(bool, allAnswers);
        QFETCH(int, slot);
        DialogRequest r;
        r.kind = qint16(kind);
        r.flags = quint32(flags);
        r.title = u"コピー"_qs;
        const DialogLayout l = layoutFor(r);
        QVERIFY(l.valid);
        QString visible;
        if (l.showYes)
            visible += u'y';
        if (l.showNo)
            visible += u'n';
        if (l.showCancel)
            visible += u'c';
        QCOMPARE(visible, shown);
        QCOMPARE(l.escapeButton, escape);
        QCOMPARE(l.yesCaption, yesCaption);
        QCOMPARE(l.noCaption, u"いいえ(&N)"_qs);
        QCOMPARE(l.cancelCaption, u"キャンセル"_qs);
        QCOMPARE(l.focusNoLater, focusNoLater);
        QCOMPARE(l.focusButton, 0);
        QCOMPARE(l.allAnswers, allAnswers);
        QCOMPARE(l.rememberedSlot, slot);
        QCOMPARE(l.hint, allAnswers ? u"はい／いいえ は[Shift]キー併用で すべて はい／いいえ"_qs
                                    : QString());
        // Shift switches the captions in all-answers mode only.
        QCOMPARE(l.yesCaptionFor(true), allAnswers ? u"すべて はい(&Y)"_qs : yesCaption);
        QCOMPARE(l.noCaptionFor(true), allAnswers ? u"すべて いいえ(&N)"_qs : u"いいえ(&N)"_qs);
        QCOMPARE(l.yesCaptionFor(false), yesCaption);
    }

    void captions_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("caption");
        QTest::newRow("plain") << 0 << u"コピー"_qs << u"コピー"_qs;
        QTest::newRow("plain untitled") << 0 << QString() << u"default-name"_qs;
        QTest::newRow("negative untitled") << -1 << QString() << u"default-name"_qs;
        QTest::newRow("confirmation") << 1 << u"移動"_qs << u"移動 確認"_qs;
        QTest::newRow("confirmation all") << 14 << u"削除"_qs << u"削除 確認"_qs;
    }
    void captions()
    {
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(QString, caption);
        DialogRequest r;
        r.kind = qint16(kind);
        r.title = title;
        QCOMPARE(layoutFor(r, u"default-name"_qs).caption, caption);
    }

    // Invalid kinds are answered cancel and never presented.
    void invalidKinds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("7") << 7;
        QTest::newRow("10") << 10;
        QTest::newRow("17") << 17;
        QTest::newRow("20") << 20;
        QTest::newRow("21") << 21;
        QTest::newRow("111") << 111;
    }
    void invalidKinds()
    {
        QFETCH(int, kind);
        DialogRequest r;
        r.kind = qint16(kind);
        r.title = u"コピー"_qs;
        QVERIFY(!layoutFor(r).valid);
        ScriptedMessageService s;
        s.enqueue(AnswerYes);
        QCOMPARE(s.confirm(r, false), qint16(AnswerCancel));
        QCOMPARE(r.kind, qint16(AnswerCancel));
        QVERIFY(s.log().isEmpty());
        QCOMPARE(s.pendingAnswers(), 1);
    }

    void answerForButton_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << 0 << false << int(AnswerYes);
        QTest::newRow("shift yes") << 0 << true << int(AnswerYesAll);
        QTest::newRow("no") << 1 << false << int(AnswerNo);
        QTest::newRow("shift no") << 1 << true << int(AnswerNoAll);
        QTest::newRow("cancel") << 2 << false << int(AnswerCancel);
        QTest::newRow("shift cancel") << 2 << true << int(AnswerCancel);
        QTest::newRow("close box") << -1 << false << int(AnswerCancel);
        QTest::newRow("close box shift") << -1 << true << int(AnswerCancel);
    }
    void answerForButton()
    {
        QFETCH(int, button);
        QFETCH(bool, shift);
        QFETCH(int, answer);
        QCOMPARE(int(tovane::answerForButton(button, shift)), answer);
    }

    // showMessage writes the classic values; no-to-all leaves the variable.
    void showMessageAnswer_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("written");
        QTest::newRow("ok") << 0 << int(AnswerYes) << int(MsgOk);
        QTest::newRow("ok of ok/cancel") << 1 << int(AnswerYes) << int(MsgOk);
        QTest::newRow("set 2 yes") << 2 << int(AnswerYes) << int(MsgOk);
        QTest::newRow("yes of yes/no/cancel") << 3 << int(AnswerYes) << int(MsgYes);
        QTest::newRow("yes of yes/no") << 4 << int(AnswerYes) << int(MsgYes);
        QTest::newRow("yes with focus bit") << 4 + 256 << int(AnswerYes) << int(MsgYes);
        QTest::newRow("shift ok") << 0 << int(AnswerYesAll) << int(MsgYes);
        QTest::newRow("shift yes") << 4 << int(AnswerYesAll) << int(MsgYes);
        QTest::newRow("no") << 4 << int(AnswerNo) << int(MsgNo);
        QTest::newRow("cancel") << 1 << int(AnswerCancel) << int(MsgCancel);
        QTest::newRow("cancel of ok") << 0 << int(AnswerCancel) << int(MsgCancel);
        QTest::newRow("shift no keeps") << 4 << int(AnswerNoAll) << -99;
        QTest::newRow("bad code is cancel") << 4 << 9 << int(MsgCancel);
    }
    void showMessageAnswer()
    {
        QFETCH(int, flags);
        QFETCH(int, code);
        QFETCH(int, written);
        ScriptedMessageService s;
        s.enqueue(qint16(code));
        int answer = -99;
        const qint16 returned = s.showMessage(u"本文"_qs, quint32(flags), u"題"_qs, true, answer);
        QCOMPARE(answer, written);
        QCOMPARE(int(returned), code > 4 ? int(AnswerCancel) : code);

        // Without wantAnswer nothing is written.
        s.enqueue(qint16(code));
        int untouched = -5;
        s.showMessage(u"本文"_qs, quint32(flags), u"題"_qs, false, untouched);
        QCOMPARE(untouched, -5);
    }

    void showMessageRequest()
    {
        ScriptedMessageService s;
        s.setDefaultTitle(u"tovane"_qs);
        s.showMessage(u"一行\r\n二行"_qs, 4 + 256);
        s.showMessage(u"x"_qs, 0, u"題名"_qs);
        QCOMPARE(s.log().size(), 2);
        const auto& first = s.log().at(0);
        QCOMPARE(first.kind, qint16(0));
        QCOMPARE(first.text, u"一行\r\n二行"_qs);
        QCOMPARE(first.caption, u"tovane"_qs);
        QCOMPARE(first.flags, quint32(4 + 256));
        QCOMPARE(first.request.title, u"tovane"_qs);
        QCOMPARE(s.captions(), (QStringList{u"tovane"_qs, u"題名"_qs}));
        QCOMPARE(s.texts(), (QStringList{u"一行\r\n二行"_qs, u"x"_qs}));
    }

    // An interrupt pending takes cancel without showing, whatever the kind.
    void confirmInterruptPending_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("1") << 1;
        QTest::newRow("11") << 11;
        QTest::newRow("3") << 3;
        QTest::newRow("16") << 16;
    }
    void confirmInterruptPending()
    {
        QFETCH(int, kind);
        ScriptedMessageService s;
        s.enqueue(AnswerYesAll);
        DialogRequest r;
        r.kind = qint16(kind);
        r.title = u"コピー"_qs;
        QCOMPARE(s.confirm(r, true), qint16(AnswerCancel));
        QCOMPARE(r.kind, qint16(AnswerCancel));
        QVERIFY(s.log().isEmpty());

        // Without the interrupt the same request is shown.
        r.kind = qint16(kind);
        QCOMPARE(s.confirm(r, false), qint16(AnswerYesAll));
        QCOMPARE(r.kind, qint16(AnswerYesAll));
        QCOMPARE(s.log().size(), 1);
        QCOMPARE(s.log().at(0).kind, qint16(kind));
        QCOMPARE(s.log().at(0).caption, u"コピー 確認"_qs);
    }

    // The answer stays in kind; unknown answers from a front end count as cancel.
    void confirmAnswers_data()
    {
        QTest::addColumn<int>("given");
        QTest::addColumn<int>("left");
        for (int a = 0; a <= 4; ++a)
            QTest::addRow("answer %d", a) << a << a;
        QTest::newRow("out of range") << 7 << int(AnswerCancel);
        QTest::newRow("negative") << -1 << int(AnswerCancel);
    }
    void confirmAnswers()
    {
        QFETCH(int, given);
        QFETCH(int, left);
        ScriptedMessageService s;
        s.enqueue(qint16(given));
        DialogRequest r;
        r.kind = 12;
        r.attributeMask = 1;
        r.title = u"コピー"_qs;
        r.text = u"a.txt"_qs;
        QCOMPARE(int(s.confirm(r, false)), left);
        QCOMPARE(int(r.kind), left);
        QVERIFY(s.log().at(0).text.contains(u"読取専用属性のファイル"_qs));
    }

    void scriptedQueue()
    {
        ScriptedMessageService s;
        s.enqueue({AnswerNo, AnswerYesAll});
        QStringList seen;
        s.onPresent = [&](const ScriptedMessageService::Presented& p) { seen << p.caption; };
        DialogRequest r;
        r.kind = 1;
        r.title = u"移動"_qs;
        QCOMPARE(s.confirm(r, false), qint16(AnswerNo));
        r.kind = 11;
        QCOMPARE(s.confirm(r, false), qint16(AnswerYesAll));
        QCOMPARE(s.unscripted(), 0);
        // Queue used up: the default answer, counted.
        QCOMPARE(s.showMessage(u"m"_qs), qint16(AnswerYes));
        s.setDefaultAnswer(AnswerCancel);
        r.kind = 4;
        QCOMPARE(s.confirm(r, false), qint16(AnswerCancel));
        QCOMPARE(s.unscripted(), 2);
        QCOMPARE(seen.size(), 4);
        QCOMPARE(s.log().at(1).answer, qint16(AnswerYesAll));
        QCOMPARE(s.log().at(1).kind, qint16(11));
        s.clearLog();
        QVERIFY(s.log().isEmpty());
        QCOMPARE(s.unscripted(), 0);
    }

    void confirmationMessagesSwitch()
    {
        ScriptedMessageService s;
        QVERIFY(s.confirmationMessages());
        s.setConfirmationMessages(false);
        QVERIFY(!s.confirmationMessages());
        // Questions are still asked with the switch off.
        DialogRequest r;
        r.kind = 1;
        r.title = u"コピー"_qs;
        s.enqueue(AnswerNo);
        QCOMPARE(s.confirm(r, false), qint16(AnswerNo));
        QCOMPARE(s.log().size(), 1);
    }
};

QTEST_GUILESS_MAIN(MessageServiceTest)
#include "tst_messageservice.moc"
