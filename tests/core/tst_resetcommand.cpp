#include "core/resetcommand.h"
#include "core/scriptedservices.h"

#include <QtTest>

using namespace tovane;

class ResetCommandTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void question_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("text");
        // clang-format off
        QTest::newRow("positions") << 0 << true << "動作状態保存データ内の\r\n\r\n画面位置・サイズ、パス、他のデータを初期化して終了します。";
        QTest::newRow("extensions") << 1 << true << "動作状態保存データ内の\r\n\r\n内容表示・リスト表示・イメージ集約・連番付け対象\r\n\r\n各拡張子データを初期化して終了します。";
        QTest::newRow("associations") << 2 << true << "動作状態保存データ内の\r\n\r\n関連付け拡張子データを初期化して終了します。";
        QTest::newRow("images") << 3 << true << "動作状態保存データ内の\r\n\r\nリストのファイルイメージデータを初期化して終了します。";
        QTest::newRow("all") << 4 << true << "動作状態保存データ内の\r\n\r\nすべてのデータを初期化して終了します。\r\n\r\n次回の起動時は初期状態に戻ります。";
        QTest::newRow("part, messages off") << 2 << false << "動作状態保存データの一部を初期化して終了します。";
        QTest::newRow("first part, messages off") << 0 << false << "動作状態保存データの一部を初期化して終了します。";
        QTest::newRow("all, messages off") << 4 << false << "動作状態保存データの全部を初期化して終了します。";
        QTest::newRow("unknown") << 5 << true << "";
        QTest::newRow("negative") << -1 << false << "";
        // clang-format on
    }
    void question()
    {
        QFETCH(int, index);
        QFETCH(bool, confirm);
        QFETCH(QString, text);
        QCOMPARE(resetQuestionText(index, confirm), text);
    }

    void captions_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("withCount");
        // clang-format off
        QTest::newRow("positions") << 0 << 7 << "位置、サイズ、パス、他(&P)" << "位置、サイズ、パス、他(&P)";
        QTest::newRow("extensions") << 1 << 7 << "内容表示拡張子、他(&D)" << "内容表示拡張子、他(&D)";
        QTest::newRow("associations") << 2 << 12 << "関連付け拡張子(&E)" << "関連付け拡張子(&E)  (12個)";
        QTest::newRow("no associations") << 2 << 0 << "関連付け拡張子(&E)" << "関連付け拡張子(&E)  (0個)";
        QTest::newRow("images") << 3 << 4321 << "ファイルイメージ(&I)" << "ファイルイメージ(&I)  (4,321個)";
        QTest::newRow("all") << 4 << 3 << "全　部(&A)" << "全　部(&A)";
        QTest::newRow("unknown") << 5 << 3 << "" << "";
        // clang-format on
    }
    void captions()
    {
        QFETCH(int, index);
        QFETCH(int, count);
        QFETCH(QString, caption);
        QFETCH(QString, withCount);
        QCOMPARE(resetCaption(index), caption);
        QCOMPARE(resetCaptionWithCount(index, count), withCount);
    }

    void modes()
    {
        for (int index = 0; index < ResetItemCount; ++index)
            QCOMPARE(resetModeForItem(index), index + 1);
    }

    void confirm_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("messagesOn");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("reset");
        QTest::newRow("ok") << 4 << true << int(AnswerYes) << true;
        QTest::newRow("cancel") << 0 << true << int(AnswerCancel) << false;
        QTest::newRow("no answer written") << 1 << false << int(AnswerNoAll) << false;
        QTest::newRow("ok with messages off") << 3 << false << int(AnswerYes) << true;
    }
    void confirm()
    {
        QFETCH(int, index);
        QFETCH(bool, messagesOn);
        QFETCH(int, answer);
        QFETCH(bool, reset);
        ScriptedMessageService messages;
        messages.setConfirmationMessages(messagesOn);
        messages.enqueue(qint16(answer));
        QCOMPARE(confirmReset(messages, index), reset);
        QCOMPARE(messages.log().size(), 1);
        QCOMPARE(messages.log().first().text, resetQuestionText(index, messagesOn));
        QCOMPARE(messages.log().first().caption, QStringLiteral("動作状態を初期化"));
        QCOMPARE(messages.log().first().flags & 7, quint32(ButtonsOkCancel));
    }

    void unknownItemAsksNothing()
    {
        ScriptedMessageService messages;
        QVERIFY(!confirmReset(messages, ResetItemCount));
        QVERIFY(messages.log().isEmpty());
    }
};

QTEST_GUILESS_MAIN(ResetCommandTest)
#include "tst_resetcommand.moc"
