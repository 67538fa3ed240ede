#include "app/dialog.h"
#include "app/qtservices.h"
#include "support/widgets/dialogdriver.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace tovane;
using tovane::test::keyTarget;
using tovane::test::showAndActivate;

namespace {

// "いいえ" takes the focus soon, so that tests need not wait long for it.
DialogEnvironment environment(DialogPositions* positions = nullptr)
{
    DialogEnvironment env = tovane::test::dialogEnvironment(positions);
    env.focusDelayMs = 10;
    return env;
}

DialogRequest plain(int flags, const QString& text = u"メッセージです。"_qs)
{
    DialogRequest r;
    r.kind = 0;
    r.flags = quint32(flags);
    r.text = text;
    r.title = u"題名"_qs;
    return r;
}

DialogRequest confirmation(int kind)
{
    DialogRequest r;
    r.kind = qint16(kind);
    r.attributeMask = 1;
    r.text = u"a.txt"_qs;
    r.folder = u"/home/u/dest"_qs;
    r.title = u"コピー"_qs;
    r.sourceSize = 1234;
    r.destinationSize = 5678;
    r.sourceTime = QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5));
    r.destinationTime = QDateTime(QDate(2021, 6, 7), QTime(8, 9, 10));
    return r;
}

// Performs space-separated steps: click0..2, shiftclick0..2 (Shift pressed,
// then a click with Shift), modclick0..2 (a click with Shift only), enter, shiftenter,
// esc, shiftesc, tab, shift (press), unshift (release), close, key:x,
// shiftkey:x, altkey:x.
void perform(Dialog& d, const QString& steps)
{
    for (const QString& step : steps.split(u' ', Qt::SkipEmptyParts)) {
        if (!d.isVisible())
            return;
        if (step.startsWith(u"click")) {
            QTest::mouseClick(d.button(step.back().digitValue()), Qt::LeftButton);
        } else if (step.startsWith(u"shiftclick")) {
            QTest::keyPress(keyTarget(d), Qt::Key_Shift);
            QTest::mouseClick(d.button(step.back().digitValue()), Qt::LeftButton,
                              Qt::ShiftModifier);
        } else if (step.startsWith(u"modclick")) {
            QTest::mouseClick(d.button(step.back().digitValue()), Qt::LeftButton,
                              Qt::ShiftModifier);
        } else if (step == u"enter") {
            QTest::keyClick(keyTarget(d), Qt::Key_Return);
        } else if (step == u"shiftenter") {
            QTest::keyClick(keyTarget(d), Qt::Key_Return, Qt::ShiftModifier);
        } else if (step == u"esc") {
            QTest::keyClick(keyTarget(d), Qt::Key_Escape);
        } else if (step == u"shiftesc") {
            QTest::keyClick(keyTarget(d), Qt::Key_Escape, Qt::ShiftModifier);
        } else if (step == u"tab") {
            QTest::keyClick(keyTarget(d), Qt::Key_Tab);
        } else if (step == u"shift") {
            QTest::keyPress(keyTarget(d), Qt::Key_Shift);
        } else if (step == u"unshift") {
            QTest::keyRelease(keyTarget(d), Qt::Key_Shift);
        } else if (step == u"close") {
            d.close();
        } else if (step.startsWith(u"key:")) {
            QTest::keyClick(keyTarget(d), step.back().toLatin1());
        } else if (step.startsWith(u"shiftkey:")) {
            QTest::keyClick(keyTarget(d), step.back().toLatin1(), Qt::ShiftModifier);
        } else if (step.startsWith(u"altkey:")) {
            QTest::keyClick(keyTarget(d), step.back().toLatin1(), Qt::AltModifier);
        }
    }
}

QString visibleButtons(const Dialog& d)
{
    QString shown;
    for (int i = 0; i < 3; ++i) {
        if (d.button(i)->isVisibleTo(&d))
            shown += QString::number(i);
    }
    return shown;
}

} // namespace

class DialogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { tovane::test::rejectOpenDialogs(); }

    // Every button set through the message service, as callers see it: the
    // answer code and the value written back.
    void buttonSets_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("written"); // -1: nothing written

        QTest::newRow("0 enter") << 0 << u"enter"_qs << 0 << 1;
        QTest::newRow("0 esc") << 0 << u"esc"_qs << 0 << 1;
        QTest::newRow("0 click") << 0 << u"click0"_qs << 0 << 1;
        QTest::newRow("0 close box") << 0 << u"close"_qs << 3 << 2;
        QTest::newRow("1 enter") << 1 << u"enter"_qs << 0 << 1;
        QTest::newRow("1 esc") << 1 << u"esc"_qs << 3 << 2;
        QTest::newRow("1 cancel") << 1 << u"click2"_qs << 3 << 2;
        QTest::newRow("1 tab to cancel, enter") << 1 << u"tab enter"_qs << 3 << 2;
        QTest::newRow("3 yes") << 3 << u"click0"_qs << 0 << 6;
        QTest::newRow("3 no") << 3 << u"click1"_qs << 2 << 7;
        QTest::newRow("3 cancel") << 3 << u"click2"_qs << 3 << 2;
        QTest::newRow("3 esc") << 3 << u"esc"_qs << 3 << 2;
        QTest::newRow("3 enter") << 3 << u"enter"_qs << 0 << 6;
        QTest::newRow("3 tab enter") << 3 << u"tab enter"_qs << 2 << 7;
        QTest::newRow("3 tab tab enter") << 3 << u"tab tab enter"_qs << 3 << 2;
        QTest::newRow("3 key n") << 3 << u"key:n"_qs << 2 << 7;
        QTest::newRow("3 alt y") << 3 << u"altkey:y"_qs << 0 << 6;
        QTest::newRow("3 shift no writes nothing") << 3 << u"shiftclick1"_qs << 4 << -1;
        QTest::newRow("4 yes") << 4 << u"click0"_qs << 0 << 6;
        QTest::newRow("4 no") << 4 << u"click1"_qs << 2 << 7;
        QTest::newRow("4 esc") << 4 << u"esc"_qs << 2 << 7;
        QTest::newRow("4 enter") << 4 << u"enter"_qs << 0 << 6;
        QTest::newRow("4 shift yes") << 4 << u"shiftclick0"_qs << 1 << 6;
        QTest::newRow("4 shift enter") << 4 << u"shiftenter"_qs << 1 << 6;
        QTest::newRow("4 close box") << 4 << u"close"_qs << 3 << 2;
    }
    void buttonSets()
    {
        QFETCH(int, flags);
        QFETCH(QString, steps);
        QFETCH(int, code);
        QFETCH(int, written);

        QtMessageService service;
        service.environment() = environment();
        bool driven = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (!d)
                return;
            driven = true;
            QApplication::setActiveWindow(d);
            perform(*d, steps);
            if (d->isVisible()) // the steps did not close it: fail, but never hang
                d->done(QDialog::Rejected);
        });
        int answer = -1;
        const qint16 result =
            service.showMessage(u"続けますか ？"_qs, quint32(flags), u"題名"_qs, true, answer);
        QVERIFY(driven);
        QCOMPARE(int(result), code);
        QCOMPARE(answer, written);
    }

    void buttonsShownAndCaptions_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("caption");
        QTest::newRow("set 0") << 0 << 0 << u"0"_qs << u"Ｏ Ｋ"_qs << u"題名"_qs;
        QTest::newRow("set 1") << 0 << 1 << u"02"_qs << u"Ｏ Ｋ"_qs << u"題名"_qs;
        QTest::newRow("set 3") << 0 << 3 << u"012"_qs << u"はい(&Y)"_qs << u"題名"_qs;
        QTest::newRow("set 4") << 0 << 4 << u"01"_qs << u"はい(&Y)"_qs << u"題名"_qs;
        QTest::newRow("kind 1") << 1 << 0 << u"01"_qs << u"はい(&Y)"_qs << u"コピー 確認"_qs;
        QTest::newRow("kind 11") << 11 << 0 << u"012"_qs << u"はい(&Y)"_qs << u"コピー 確認"_qs;
    }
    void buttonsShownAndCaptions()
    {
        QFETCH(int, kind);
        QFETCH(int, flags);
        QFETCH(QString, shown);
        QFETCH(QString, first);
        QFETCH(QString, caption);
        const DialogRequest r = kind ? confirmation(kind) : plain(flags);
        Dialog d(r, environment());
        QVERIFY(showAndActivate(d));
        QCOMPARE(visibleButtons(d), shown);
        QCOMPARE(d.button(0)->text(), first);
        QCOMPARE(d.windowTitle(), caption);
        auto* label = d.findChild<QLabel*>(u"Label1"_qs);
        QVERIFY(label);
        // The form shows line breaks, never a stray CR.
        QVERIFY(!label->text().contains(u'\r'));
        QCOMPARE(label->text().count(u'\n'), layoutFor(r).message.count(u"\r\n"_qs));
        d.reject();
    }

    void secondButtonFocusedAfterTimerTick_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("timerUsed");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("answer");
        QTest::newRow("set 4, enter") << 4 + 256 << true << u"enter"_qs << 2;
        QTest::newRow("set 4, esc") << 4 + 256 << true << u"esc"_qs << 2;
        QTest::newRow("set 3, enter") << 3 + 256 << true << u"enter"_qs << 2;
        QTest::newRow("set 3, tab enter") << 3 + 256 << true << u"tab enter"_qs << 3;
        QTest::newRow("set 3 without bit 8") << 3 << false << u"enter"_qs << 0;
        // No "いいえ" to move to.
        QTest::newRow("set 0 with bit 8") << 0 + 256 << false << u"enter"_qs << 0;
    }
    void secondButtonFocusedAfterTimerTick()
    {
        QFETCH(int, flags);
        QFETCH(bool, timerUsed);
        QFETCH(QString, steps);
        QFETCH(int, answer);
        Dialog d(plain(flags), environment());
        auto* timer = d.findChild<QTimer*>(u"Timer"_qs);
        QVERIFY(timer);
        QSignalSpy ticks(timer, &QTimer::timeout);
        QVERIFY(showAndActivate(d));
        QCOMPARE(timer->isActive(), timerUsed);
        if (timerUsed) {
            QVERIFY(ticks.count() == 1 || ticks.wait(5000));
            QVERIFY(!timer->isActive()); // the first tick stops it
            QCOMPARE(d.lastFocusedButton(), 1);
            QTRY_VERIFY(d.button(1)->hasFocus());
        } else {
            QCOMPARE(d.lastFocusedButton(), 0);
        }
        perform(d, steps);
        QVERIFY(!d.isVisible());
        QCOMPARE(int(d.answer()), answer);
        QCOMPARE(ticks.count(), timerUsed ? 1 : 0);
    }

    void confirmations_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("answer");
        QTest::newRow("1 yes") << 1 << u"click0"_qs << 0;
        QTest::newRow("1 esc is no") << 1 << u"esc"_qs << 2;
        QTest::newRow("1 enter") << 1 << u"enter"_qs << 0;
        // Shift works outside the all-answers mode too, without the captions.
        QTest::newRow("1 shift no") << 1 << u"shiftclick1"_qs << 4;
        QTest::newRow("1 shift yes") << 1 << u"shiftclick0"_qs << 1;
        QTest::newRow("11 yes") << 11 << u"click0"_qs << 0;
        QTest::newRow("11 no") << 11 << u"click1"_qs << 2;
        QTest::newRow("11 shift yes") << 11 << u"shiftclick0"_qs << 1;
        QTest::newRow("11 shift no") << 11 << u"shiftclick1"_qs << 4;
        QTest::newRow("11 cancel") << 11 << u"click2"_qs << 3;
        QTest::newRow("11 shift cancel") << 11 << u"shiftclick2"_qs << 3;
        QTest::newRow("11 esc") << 11 << u"esc"_qs << 3;
        QTest::newRow("11 shift held, enter") << 11 << u"shift shiftenter"_qs << 1;
        QTest::newRow("11 shift released, yes") << 11 << u"shift unshift click0"_qs << 0;
        QTest::newRow("11 shift, key n") << 11 << u"shift shiftkey:n"_qs << 4;
        QTest::newRow("11 close box") << 11 << u"close"_qs << 3;
        // The click's own modifier state decides, whatever the form saw before.
        QTest::newRow("11 Shift only on the click") << 11 << u"modclick1"_qs << 4;
        QTest::newRow("11 Shift release lost, plain click") << 11 << u"shift click1"_qs << 2;
        QTest::newRow("3 yes") << 3 << u"click0"_qs << 0;
        QTest::newRow("16 tab tab enter") << 16 << u"tab tab enter"_qs << 3;
    }
    void confirmations()
    {
        QFETCH(int, kind);
        QFETCH(QString, steps);
        QFETCH(int, answer);
        QtMessageService service;
        service.environment() = environment();
        QTimer::singleShot(0, [&] {
            if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
                QApplication::setActiveWindow(d);
                perform(*d, steps);
                if (d->isVisible())
                    d->done(QDialog::Rejected);
            }
        });
        DialogRequest r = confirmation(kind);
        QCOMPARE(int(service.confirm(r, false)), answer);
        QCOMPARE(int(r.kind), answer); // the answer is left in the request
    }

    void shiftSwitchesCaptions_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("switches");
        QTest::addColumn<QString>("hint");
        const QString hint = u"はい／いいえ は[Shift]キー併用で すべて はい／いいえ"_qs;
        QTest::newRow("11") << 11 << true << hint;
        QTest::newRow("16") << 16 << true << hint;
        QTest::newRow("1") << 1 << false << QString();
        QTest::newRow("6") << 6 << false << QString();
        QTest::newRow("plain") << 0 << false << QString();
    }
    void shiftSwitchesCaptions()
    {
        QFETCH(int, kind);
        QFETCH(bool, switches);
        QFETCH(QString, hint);
        Dialog d(kind ? confirmation(kind) : plain(3), environment());
        QVERIFY(showAndActivate(d));
        QCOMPARE(d.findChild<QLabel*>(u"Label2"_qs)->text(), hint);
        const QString yes = u"はい(&Y)"_qs, no = u"いいえ(&N)"_qs;
        QCOMPARE(d.button(0)->text(), yes);
        QCOMPARE(d.button(1)->text(), no);
        perform(d, u"shift"_qs);
        QVERIFY(d.shiftHeld());
        QCOMPARE(d.button(0)->text(), switches ? u"すべて はい(&Y)"_qs : yes);
        QCOMPARE(d.button(1)->text(), switches ? u"すべて いいえ(&N)"_qs : no);
        QCOMPARE(d.button(2)->text(), u"キャンセル"_qs);
        perform(d, u"unshift"_qs);
        QVERIFY(!d.shiftHeld());
        QCOMPARE(d.button(0)->text(), yes);
        QCOMPARE(d.button(1)->text(), no);
        d.reject();
    }

    // Shift let go while another window had the keyboard: the dialog must not
    // keep offering "すべて".
    void shiftForgottenWhenDeactivated()
    {
        Dialog d(confirmation(11), environment());
        QVERIFY(showAndActivate(d));
        perform(d, u"shift"_qs);
        QCOMPARE(d.button(0)->text(), u"すべて はい(&Y)"_qs);
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        if (!QTest::qWaitForWindowActive(&other))
            QSKIP("this platform cannot move the activation away from the dialog");
        QVERIFY(!d.shiftHeld());
        QCOMPARE(d.button(0)->text(), u"はい(&Y)"_qs);
        d.button(0)->click(); // no input event: the form's own Shift state counts
        QCOMPARE(int(d.answer()), int(AnswerYes));
    }

    void invalidKindsNeverShown_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("17") << 17;
        QTest::newRow("21") << 21;
        QTest::newRow("7") << 7;
        QTest::newRow("10") << 10;
        QTest::newRow("20") << 20;
        QTest::newRow("99") << 99;
    }
    void invalidKindsNeverShown()
    {
        QFETCH(int, kind);
        QAction stop;
        stop.setEnabled(true);
        DialogPositions positions;
        DialogEnvironment env = environment(&positions);
        env.stopAction = &stop;
        bool shown = false;
        QTimer guard;
        connect(&guard, &QTimer::timeout, [&] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                shown = true;
                d->done(QDialog::Rejected);
            }
        });
        guard.start(0);
        QCOMPARE(int(Dialog::present(confirmation(kind), env, u"tovane"_qs, nullptr)),
                 int(AnswerCancel));
        QVERIFY(!shown);
        QVERIFY(stop.isEnabled());
        QCOMPARE(positions.left[0], DialogPositions::DefaultLeft);

        // Through the service: the request is answered without being presented.
        QtMessageService service;
        service.environment() = env;
        DialogRequest r = confirmation(kind);
        QCOMPARE(int(service.confirm(r, false)), int(AnswerCancel));
        QCOMPARE(int(r.kind), int(AnswerCancel));
        QVERIFY(!shown);
    }

    void stopActionDisabledWhileOpen_data()
    {
        QTest::addColumn<bool>("enabledBefore");
        QTest::addColumn<QString>("steps");
        QTest::newRow("enabled, button") << true << u"click0"_qs;
        QTest::newRow("enabled, close box") << true << u"close"_qs;
        QTest::newRow("disabled, esc") << false << u"esc"_qs;
        QTest::newRow("disabled, button") << false << u"click1"_qs;
    }
    void stopActionDisabledWhileOpen()
    {
        QFETCH(bool, enabledBefore);
        QFETCH(QString, steps);
        QAction stop;
        stop.setEnabled(enabledBefore);
        DialogEnvironment env = environment();
        env.stopAction = &stop;
        Dialog d(confirmation(11), env);
        QVERIFY(showAndActivate(d));
        QVERIFY(!stop.isEnabled());
        perform(d, steps);
        QVERIFY(!d.isVisible());
        QCOMPARE(stop.isEnabled(), enabledBefore);
    }

    void stopActionGoneWhileOpen()
    {
        auto* stop = new QAction;
        DialogEnvironment env = environment();
        env.stopAction = stop;
        Dialog d(plain(0), env);
        QVERIFY(showAndActivate(d));
        delete stop; // the main window went away first
        perform(d, u"enter"_qs);
        QCOMPARE(int(d.answer()), int(AnswerYes));
    }

    void placement_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("messagesRemembered");
        QTest::addColumn<int>("slot");
        QTest::addColumn<bool>("centred");
        QTest::newRow("confirmation at slot 0") << 1 << false << 0 << false;
        QTest::newRow("all-answers confirmation at slot 0") << 11 << false << 0 << false;
        QTest::newRow("message centred") << 0 << false << 7 << true;
        QTest::newRow("message at slot 7") << 0 << true << 7 << false;
    }
    void placement()
    {
        QFETCH(int, kind);
        QFETCH(bool, messagesRemembered);
        QFETCH(int, slot);
        QFETCH(bool, centred);
        DialogPositions positions;
        positions.left[slot] = 3000; // 200 px
        positions.top[slot] = 2250;  // 150 px
        DialogEnvironment env = environment(&positions);
        env.messagesAtRememberedPosition = messagesRemembered;
        Dialog d(kind ? confirmation(kind) : plain(4), env);
        QVERIFY(showAndActivate(d));
        if (centred) {
            const int captionPx = env.metrics->toPixels(env.metrics->captionHeight);
            QCOMPARE(d.x(), (1024 - d.width()) / 2);
            QCOMPARE(d.y(), (768 - d.height() - captionPx) / 2);
        } else {
            QCOMPARE(d.pos(), QPoint(200, 150));
        }
        // Where the user leaves it is remembered, in twips, for its slot only.
        d.move(300, 220);
        perform(d, u"click0"_qs);
        QCOMPARE(positions.left[slot], 300 * 15);
        QCOMPARE(positions.top[slot], 220 * 15);
        const int other = slot == 0 ? 7 : 0;
        QCOMPARE(positions.left[other], DialogPositions::DefaultLeft);
        QCOMPARE(positions.top[other], DialogPositions::DefaultTop);
    }

    void offScreenPositionBroughtInside_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<QString>("expectX"); // "right", "left" or a pixel value
        QTest::addColumn<int>("expectY");
        QTest::newRow("far right") << 100000 << 3000 << u"right"_qs << 200;
        QTest::newRow("far left") << -100000 << 3000 << u"left"_qs << 200;
        QTest::newRow("above") << 3000 << -5000 << u"200"_qs << 0;
        QTest::newRow("below") << 3000 << 100000 << u"200"_qs << 768 - 40;
    }
    void offScreenPositionBroughtInside()
    {
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(QString, expectX);
        QFETCH(int, expectY);
        DialogPositions positions;
        positions.left[0] = left;
        positions.top[0] = top;
        Dialog d(confirmation(1), environment(&positions));
        QVERIFY(showAndActivate(d));
        int x = expectX.toInt();
        if (expectX == u"right")
            x = 1024 - 40; // its left 40 px stay on the screen
        else if (expectX == u"left")
            x = 40 - d.width(); // its right 40 px stay on the screen
        QCOMPARE(d.pos(), QPoint(x, expectY));
        d.reject();
        QCOMPARE(positions.left[0], x * 15);
        QCOMPARE(positions.top[0], expectY * 15);
    }

    void layoutRules_data()
    {
        QTest::addColumn<int>("fontSizeIndex");
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("longMessage");
        for (int fsi = 0; fsi < 4; ++fsi) {
            for (int flags : {0, 1, 3, 4}) {
                for (bool longMessage : {false, true}) {
                    QTest::addRow("index %d, set %d, %s", fsi, flags,
                                  longMessage ? "long text" : "short text")
                        << fsi << flags << longMessage;
                }
            }
        }
    }
    void layoutRules()
    {
        QFETCH(int, fontSizeIndex);
        QFETCH(int, flags);
        QFETCH(bool, longMessage);
        DialogEnvironment env = environment();
        env.fontSizeIndex = fontSizeIndex;
        const QString text = longMessage ? QString(60, u'長') + u"\r\n二行目"_qs : u"短"_qs;
        Dialog d(plain(flags, text), env);
        QVERIFY(showAndActivate(d));
        QCOMPARE(d.font().pointSize(), 9 + fontSizeIndex);

        QList<QRect> row;
        for (int i = 0; i < 3; ++i) {
            if (d.button(i)->isVisibleTo(&d))
                row << d.button(i)->geometry();
        }
        const int width = 8 * fontSizeIndex + 104;
        const int gap = 4 * fontSizeIndex + 8;
        for (int i = 0; i < row.size(); ++i) {
            QCOMPARE(row[i].width(), width);
            QCOMPARE(row[i].top(), row[0].top());
            if (i > 0)
                QCOMPARE(row[i].left() - row[i - 1].right() - 1, gap);
        }
        const QRect label = d.findChild<QLabel*>(u"Label1"_qs)->geometry();
        const int rowLeft = row.first().left(), rowRight = row.last().right();
        QVERIFY(row[0].top() > label.bottom());
        if (label.width() < rowRight - rowLeft + 1) {
            // The message is centred over the row, which starts at the margin.
            QVERIFY(qAbs((label.left() + label.right()) - (rowLeft + rowRight)) <= 1);
            QCOMPARE(d.width() - 1 - rowRight, rowLeft);
        } else {
            QVERIFY(longMessage);
            QVERIFY(qAbs((label.left() + label.right()) - (rowLeft + rowRight)) <= 1);
            QCOMPARE(d.width() - 1 - label.right(), label.left());
        }
        // Nothing sticks out of the form.
        QVERIFY(d.rect().contains(label));
        QVERIFY(d.rect().contains(row.last()));
        QVERIFY(d.findChild<QLabel*>(u"Label2"_qs)->geometry().top() > row[0].bottom());
        d.reject();
    }

    void ctrlKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<bool>("toHook");
        QTest::addColumn<QSize>("grow");
        QTest::newRow("Ctrl+K to the main window") << int(Qt::Key_K) << false << true << QSize();
        QTest::newRow("Ctrl+Tab to the main window")
            << int(Qt::Key_Tab) << false << true << QSize();
        QTest::newRow("Ctrl+. wider") << int(Qt::Key_Period) << false << false << QSize(1, 0);
        QTest::newRow("Ctrl+Shift+. ten wider")
            << int(Qt::Key_Period) << true << false << QSize(10, 0);
        QTest::newRow("Ctrl+G narrower") << int(Qt::Key_G) << false << false << QSize(-1, 0);
        QTest::newRow("Ctrl+P higher") << int(Qt::Key_P) << false << false << QSize(0, 1);
        QTest::newRow("Ctrl+Shift+O ten lower") << int(Qt::Key_O) << true << false << QSize(0, -10);
    }
    void ctrlKeys()
    {
        QFETCH(int, key);
        QFETCH(bool, shift);
        QFETCH(bool, toHook);
        QFETCH(QSize, grow);
        QList<int> hooked;
        DialogEnvironment env = environment();
        env.keyHook = [&](QKeyEvent* e) { hooked << e->key(); };
        Dialog d(plain(3), env);
        QVERIFY(showAndActivate(d));
        const QSize before = d.size();
        const Qt::KeyboardModifiers mods =
            Qt::ControlModifier | (shift ? Qt::ShiftModifier : Qt::NoModifier);
        QTest::keyClick(keyTarget(d), Qt::Key(key), mods);
        QVERIFY(d.isVisible()); // Ctrl keys never press a button
        QCOMPARE(hooked, toHook ? QList<int>{key} : QList<int>{});
        if (!toHook)
            QCOMPARE(d.size(), before + grow);
        d.reject();
    }

    // Keys sent to the main window may select the other window while a
    // message is open; afterwards the window selected before is selected again.
    void selectedWindowRestored_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("switchInside");
        QTest::addColumn<QList<int>>("reselected");
        QTest::newRow("message, switched") << 0 << true << QList<int>{0};
        QTest::newRow("message, not switched") << 0 << false << QList<int>{};
        QTest::newRow("confirmation, switched") << 1 << true << QList<int>{};
    }
    void selectedWindowRestored()
    {
        QFETCH(int, kind);
        QFETCH(bool, switchInside);
        QFETCH(QList<int>, reselected);
        int selected = 0;
        QList<int> calls;
        QtMessageService service;
        service.environment() = environment();
        service.environment().keyHook = [&](QKeyEvent* e) {
            if (e->key() == Qt::Key_Tab)
                selected = 1 - selected;
        };
        service.selectedWindow = [&] { return selected; };
        service.reselectWindow = [&](int w) {
            calls << w;
            selected = w;
        };
        QTimer::singleShot(0, [&] {
            if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
                QApplication::setActiveWindow(d);
                if (switchInside)
                    QTest::keyClick(keyTarget(*d), Qt::Key_Tab, Qt::ControlModifier);
                perform(*d, u"click0"_qs);
                if (d->isVisible())
                    d->done(QDialog::Rejected);
            }
        });
        if (kind == 0) {
            service.showMessage(u"テスト"_qs, 0, u"題名"_qs);
        } else {
            DialogRequest r = confirmation(kind);
            service.confirm(r, false);
        }
        QCOMPARE(calls, reselected);
    }
};

QTEST_MAIN(DialogTest)
#include "tst_dialog.moc"
