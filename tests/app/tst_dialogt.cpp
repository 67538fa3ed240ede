#include "app/dialogt.h"
#include "support/widgets/dialogdriver.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace tovane;
using tovane::test::dialogEnvironment;
using tovane::test::keyTarget;
using tovane::test::showAndActivate;

namespace {

QString selectedText(DialogT& d)
{
    if (auto* line = qobject_cast<QLineEdit*>(d.textBox()))
        return line->selectedText();
    return static_cast<QPlainTextEdit*>(d.textBox())->textCursor().selectedText();
}

QString boxText(DialogT& d)
{
    if (auto* line = qobject_cast<QLineEdit*>(d.textBox()))
        return line->text();
    return static_cast<QPlainTextEdit*>(d.textBox())->toPlainText();
}

} // namespace

class DialogTTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { tovane::test::rejectOpenDialogs(); }

    void answers_data()
    {
        QTest::addColumn<bool>("singleLine");
        QTest::addColumn<QString>("typed"); // replaces the selected default text
        QTest::addColumn<QString>("finish");
        QTest::addColumn<QString>("answer");
        const QString cancel = u"</:CANCEL:/>"_qs;
        for (bool single : {true, false}) {
            const char* mode = single ? "single" : "multi";
            QTest::addRow("%s, OK keeps the default", mode)
                << single << QString() << u"ok"_qs << u"既定値"_qs;
            QTest::addRow("%s, typing replaces it", mode)
                << single << u"new name"_qs << u"ok"_qs << u"new name"_qs;
            QTest::addRow("%s, Enter", mode) << single << u"abc"_qs << u"enter"_qs << u"abc"_qs;
            QTest::addRow("%s, cancel", mode) << single << u"abc"_qs << u"cancel"_qs << cancel;
            QTest::addRow("%s, Esc", mode) << single << u"abc"_qs << u"esc"_qs << cancel;
            QTest::addRow("%s, close box", mode) << single << u"abc"_qs << u"close"_qs << cancel;
        }
    }
    void answers()
    {
        QFETCH(bool, singleLine);
        QFETCH(QString, typed);
        QFETCH(QString, finish);
        QFETCH(QString, answer);
        DialogT d(u"新規フォルダ"_qs, u"名前を入力してください。"_qs, u"既定値"_qs, singleLine,
                  dialogEnvironment());
        QVERIFY(showAndActivate(d));
        QCOMPARE(d.answer(), DialogT::cancelAnswer()); // until OK
        if (!typed.isEmpty())
            QTest::keyClicks(keyTarget(d), typed);
        if (finish == u"ok")
            QTest::mouseClick(d.findChild<QPushButton*>(u"CmdButtonT_0"_qs), Qt::LeftButton);
        else if (finish == u"cancel")
            QTest::mouseClick(d.findChild<QPushButton*>(u"CmdButtonT_1"_qs), Qt::LeftButton);
        else if (finish == u"enter")
            QTest::keyClick(keyTarget(d), Qt::Key_Return);
        else if (finish == u"esc")
            QTest::keyClick(keyTarget(d), Qt::Key_Escape);
        else
            d.close();
        QVERIFY(!d.isVisible());
        QCOMPARE(d.answer(), answer);
    }

    void askDrivesTheDialog()
    {
        QTimer::singleShot(0, [] {
            if (auto* d = qobject_cast<DialogT*>(QApplication::activeModalWidget())) {
                QApplication::setActiveWindow(d);
                QTest::keyClicks(keyTarget(*d), u"45"_qs);
                QTest::keyClick(keyTarget(*d), Qt::Key_Return);
                if (d->isVisible())
                    d->reject();
            }
        });
        QCOMPARE(DialogT::ask(nullptr, DialogT::angleTitle(), u"角度"_qs, u"90"_qs, true,
                              dialogEnvironment()),
                 u"45"_qs);
    }

    void lineBreaksRemoved_data()
    {
        QTest::addColumn<QString>("defaultText");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("singleLine");
        QTest::newRow("single line, CR LF") << u"a\r\nb"_qs << u"ab"_qs << true;
        QTest::newRow("single line, CR alone kept") << u"a\rb"_qs << u"a\rb"_qs << true;
        QTest::newRow("CR LF") << u"bmp, gif,\r\n jpg,"_qs << u"bmp, gif, jpg,"_qs << false;
        QTest::newRow("several") << u"a\r\nb\r\n\r\nc"_qs << u"abc"_qs << false;
        QTest::newRow("line feed of the box") << u"a\nb"_qs << u"ab"_qs << false;
        QTest::newRow("no-break space kept") << u"a\u00A0b"_qs << u"a\u00A0b"_qs << false;
        QTest::newRow("blanks kept") << u"  a  b  "_qs << u"  a  b  "_qs << false;
    }
    void lineBreaksRemoved()
    {
        QFETCH(QString, defaultText);
        QFETCH(QString, answer);
        QFETCH(bool, singleLine);
        DialogT d(u"拡張子"_qs, u"一覧"_qs, defaultText, singleLine, dialogEnvironment());
        QVERIFY(showAndActivate(d));
        QTest::mouseClick(d.findChild<QPushButton*>(u"CmdButtonT_0"_qs), Qt::LeftButton);
        QCOMPARE(d.answer(), answer);
    }

    void typedLineBreaksRemoved()
    {
        DialogT d(u"拡張子"_qs, u"一覧"_qs, QString(), false, dialogEnvironment());
        QVERIFY(showAndActivate(d));
        auto* box = static_cast<QPlainTextEdit*>(d.textBox());
        box->insertPlainText(u"one\ntwo\r\nthree"_qs); // as a paste would
        QTest::mouseClick(d.findChild<QPushButton*>(u"CmdButtonT_0"_qs), Qt::LeftButton);
        QCOMPARE(d.answer(), u"onetwothree"_qs);
    }

    void angleInputLimited_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("singleLine");
        QTest::addColumn<QString>("defaultText");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("answer");
        const QString angle = u"回転角度の入力"_qs;
        QTest::newRow("typed past four") << angle << true << u"90"_qs << u"-12345"_qs << u"-123"_qs;
        QTest::newRow("four fit") << angle << true << u"90"_qs << u"-180"_qs << u"-180"_qs;
        QTest::newRow("long default cut")
            << angle << true << u"123456"_qs << QString() << u"1234"_qs;
        QTest::newRow("multi-line too") << angle << false << u"90"_qs << u"123456"_qs << u"1234"_qs;
        QTest::newRow("other title unlimited")
            << u"回転角度"_qs << true << u"90"_qs << u"123456"_qs << u"123456"_qs;
    }
    void angleInputLimited()
    {
        QFETCH(QString, title);
        QFETCH(bool, singleLine);
        QFETCH(QString, defaultText);
        QFETCH(QString, typed);
        QFETCH(QString, answer);
        DialogT d(title, u"回転角度（度）を整数で入力してください。"_qs, defaultText, singleLine,
                  dialogEnvironment());
        QVERIFY(showAndActivate(d));
        if (!typed.isEmpty())
            QTest::keyClicks(keyTarget(d), typed);
        QTest::mouseClick(d.findChild<QPushButton*>(u"CmdButtonT_0"_qs), Qt::LeftButton);
        QCOMPARE(d.answer(), answer);
    }

    void controls_data()
    {
        QTest::addColumn<bool>("singleLine");
        QTest::newRow("single") << true;
        QTest::newRow("multi") << false;
    }
    void controls()
    {
        QFETCH(bool, singleLine);
        DialogEnvironment env = dialogEnvironment();
        env.fontSizeIndex = 2;
        DialogT d(u"題名"_qs, u"一行目\r\n二行目"_qs, u"既定のテキスト"_qs, singleLine, env);
        QVERIFY(showAndActivate(d));
        QCOMPARE(d.windowTitle(), u"題名"_qs);
        QCOMPARE(d.findChild<QLabel*>(u"LabelT1"_qs)->text(), u"一行目\n二行目"_qs);
        QCOMPARE(d.findChild<QLabel*>(u"LabelT2"_qs)->text(),
                 singleLine ? QString() : u"このボックスは高さを変更できます"_qs);
        QCOMPARE(d.findChild<QPushButton*>(u"CmdButtonT_0"_qs)->text(), u"Ｏ Ｋ"_qs);
        QCOMPARE(d.findChild<QPushButton*>(u"CmdButtonT_1"_qs)->text(), u"キャンセル"_qs);
        QWidget* box = d.findChild<QWidget*>(u"TextT"_qs);
        QCOMPARE(box, d.textBox());
        QTRY_VERIFY(box->hasFocus());
        QCOMPARE(selectedText(d), u"既定のテキスト"_qs);
        QCOMPARE(d.font().pointSize(), 11);
        // A single line box keeps its height; only the multi-line one may change.
        QCOMPARE(d.minimumHeight() == d.maximumHeight(), singleLine);
        d.reject();
    }

    void multiLineHeightRemembered()
    {
        DialogPositions positions;
        DialogT first(u"拡張子"_qs, u"一覧"_qs, u"txt,"_qs, false, dialogEnvironment(&positions));
        QVERIFY(showAndActivate(first));
        const int designed = first.designedBoxHeight();
        QWidget* box = first.textBox();
        QVERIFY(qAbs(box->height() - designed) <= 1);
        first.resize(first.width(), first.height() + 60);
        QTRY_VERIFY(qAbs(box->height() - (designed + 60)) <= 1);
        const int height = box->height();
        QTest::mouseClick(first.findChild<QPushButton*>(u"CmdButtonT_0"_qs), Qt::LeftButton);
        QCOMPARE(positions.sizeFactor[SizeSlotTextInput], sizeFactorFor(designed, height));
        QVERIFY(positions.sizeFactor[SizeSlotTextInput] > 100);

        // Cancelled or not, the next use opens with that height.
        DialogT second(u"拡張子"_qs, u"一覧"_qs, u"txt,"_qs, false, dialogEnvironment(&positions));
        QVERIFY(showAndActivate(second));
        QVERIFY(qAbs(second.textBox()->height() - height) <= 1);
        second.reject();
        QCOMPARE(positions.sizeFactor[SizeSlotTextInput], sizeFactorFor(designed, height));
    }

    void singleLineLeavesTheHeightAlone()
    {
        DialogPositions positions;
        positions.sizeFactor[SizeSlotTextInput] = 180;
        DialogT d(u"新規フォルダ"_qs, u"名前"_qs, u"a"_qs, true, dialogEnvironment(&positions));
        QVERIFY(showAndActivate(d));
        d.reject();
        QCOMPARE(positions.sizeFactor[SizeSlotTextInput], 180);
    }

    void damagedSizeFactorOpensAtTheDesignedHeight_data()
    {
        QTest::addColumn<int>("factor");
        QTest::newRow("0") << 0;
        QTest::newRow("negative") << -50;
    }
    void damagedSizeFactorOpensAtTheDesignedHeight()
    {
        QFETCH(int, factor);
        DialogPositions positions;
        positions.sizeFactor[SizeSlotTextInput] = factor;
        DialogT d(u"拡張子"_qs, u"一覧"_qs, QString(), false, dialogEnvironment(&positions));
        QVERIFY(showAndActivate(d));
        QVERIFY(qAbs(d.textBox()->height() - d.designedBoxHeight()) <= 1);
        d.reject();
    }

    void hugeSizeFactorStaysOnTheScreen()
    {
        DialogPositions positions;
        positions.sizeFactor[SizeSlotTextInput] = 100000;
        DialogT d(u"拡張子"_qs, u"一覧"_qs, QString(), false, dialogEnvironment(&positions));
        QVERIFY(showAndActivate(d));
        QVERIFY(d.height() <= 768);
        d.reject();
    }

    void positionRemembered_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<QString>("expectX");
        QTest::addColumn<int>("expectY");
        QTest::newRow("inside") << 1500 << 1500 << u"100"_qs << 100;
        QTest::newRow("far right") << 100000 << 1500 << u"right"_qs << 100;
        QTest::newRow("far left") << -100000 << 1500 << u"left"_qs << 100;
        QTest::newRow("above") << 1500 << -100 << u"100"_qs << 0;
    }
    void positionRemembered()
    {
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(QString, expectX);
        QFETCH(int, expectY);
        DialogPositions positions;
        positions.left[SlotTextInput] = left;
        positions.top[SlotTextInput] = top;
        DialogT d(u"題名"_qs, u"入力"_qs, QString(), true, dialogEnvironment(&positions));
        QVERIFY(showAndActivate(d));
        int x = expectX.toInt();
        if (expectX == u"right")
            x = 1024 - 40;
        else if (expectX == u"left")
            x = 40 - d.width();
        QCOMPARE(d.pos(), QPoint(x, expectY));
        d.move(321, 123);
        d.reject();
        QCOMPARE(positions.left[SlotTextInput], 321 * 15);
        QCOMPARE(positions.top[SlotTextInput], 123 * 15);
        QCOMPARE(positions.left[SlotConfirmation], DialogPositions::DefaultLeft);
    }

    void ctrlKeys_data()
    {
        QTest::addColumn<bool>("singleLine");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("toHook");
        QTest::addColumn<QSize>("grow");
        for (bool single : {true, false}) {
            const char* mode = single ? "single" : "multi";
            QTest::addRow("%s, Ctrl+K to the main window", mode)
                << single << int(Qt::Key_K) << true << QSize(0, 0);
            // Editing keys stay with the box.
            QTest::addRow("%s, Ctrl+A selects", mode)
                << single << int(Qt::Key_A) << false << QSize(0, 0);
            QTest::addRow("%s, Ctrl+Left moves", mode)
                << single << int(Qt::Key_Left) << false << QSize(0, 0);
            QTest::addRow("%s, Ctrl+. wider", mode)
                << single << int(Qt::Key_Period) << false << QSize(1, 0);
        }
        QTest::newRow("multi, Ctrl+P higher") << false << int(Qt::Key_P) << false << QSize(0, 1);
        QTest::newRow("single, Ctrl+P keeps the height")
            << true << int(Qt::Key_P) << false << QSize(0, 0);
    }
    void ctrlKeys()
    {
        QFETCH(bool, singleLine);
        QFETCH(int, key);
        QFETCH(bool, toHook);
        QFETCH(QSize, grow);
        QList<int> hooked;
        DialogEnvironment env = dialogEnvironment();
        env.keyHook = [&](QKeyEvent* e) { hooked << e->key(); };
        DialogT d(u"題名"_qs, u"入力"_qs, u"abc"_qs, singleLine, env);
        QVERIFY(showAndActivate(d));
        const QSize before = d.size();
        QTest::keyClick(keyTarget(d), Qt::Key(key), Qt::ControlModifier);
        QVERIFY(d.isVisible());
        QCOMPARE(hooked, toHook ? QList<int>{key} : QList<int>{});
        QCOMPARE(d.size(), before + grow);
        QCOMPARE(boxText(d), u"abc"_qs);
        d.reject();
    }
};

QTEST_MAIN(DialogTTest)
#include "tst_dialogt.moc"
