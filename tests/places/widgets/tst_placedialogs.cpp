// The bookmark and special-folder dialogs as a user drives them: what they
// show, how they close, the refused label edit, the bookmark commands and
// the geometry kept in their slots.

#include "app/dialogb.h"
#include "app/dialogf.h"
#include "core/scriptedservices.h"
#include "support/widgets/dialogdriver.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace tovane;
using namespace tovane::test;

namespace {

QList<PlaceRow> threeRows()
{
    return {{QStringLiteral("/a"), QStringLiteral("A")},
            {QStringLiteral("/b"), QStringLiteral("B")},
            {QStringLiteral("/c"), QStringLiteral("C")}};
}

QPoint rowPoint(QTreeWidget* list, int row)
{
    return list->visualItemRect(list->topLevelItem(row)).center();
}

void clickRow(QTreeWidget* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowPoint(list, row));
}

} // namespace

class PlaceDialogsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { rejectOpenDialogs(); }

    void form_data()
    {
        QTest::addColumn<bool>("bookmarks");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<QList<int>>("widths"); // pixels at 15 twips a pixel
        QTest::addColumn<int>("minimumHeight");
        QTest::addColumn<QStringList>("buttons"); // Command1, Command2...
        QTest::newRow("DialogB") << true << "ブックマーク" << QStringList{"フルパス名", "コメント"}
                                 << QList<int>{267, 187} << 267
                                 << QStringList{"終　了", "パス追加", "パス削除", "初期化"};
        QTest::newRow("DialogF") << false << "特殊フォルダー"
                                 << QStringList{"  フルパス名", "  コメント"}
                                 << QList<int>{533, 267} << 400 << QStringList{"終　了"};
    }
    void form()
    {
        QFETCH(bool, bookmarks);
        QFETCH(QString, caption);
        QFETCH(QStringList, columns);
        QFETCH(QList<int>, widths);
        QFETCH(int, minimumHeight);
        QFETCH(QStringList, buttons);
        ScriptedMessageService messages;
        BookmarkList list({}, messages);
        PlaceChoice choice;
        const DialogEnvironment env = dialogEnvironment();
        std::unique_ptr<PlaceDialog> d;
        if (bookmarks)
            d = std::make_unique<DialogB>(list, QStringLiteral("/x/"), CommentAsk(), choice, env);
        else
            d = std::make_unique<DialogF>(threeRows(), choice, env);
        QVERIFY(showAndActivate(*d));
        QCOMPARE(d->windowTitle(), caption);
        QCOMPARE(
            d->label(1)->text(),
            QStringLiteral("所望の行をダブルクリックすると、そのフルパスが選択窓のツリーの範囲内"
                           "なら選択窓の表示パスにします。\r\n所望の行をクリックしてから "
                           "[Enter] キーを押しても同様です。"));
        QCOMPARE(d->label(2)->text(), QStringLiteral("このボックスは幅と高さを変更できます"));
        QTreeWidget* view = d->list();
        for (int c = 0; c < 2; ++c) {
            QCOMPARE(view->headerItem()->text(c), columns[c]);
            QCOMPARE(view->columnWidth(c), widths[c]);
        }
        for (int i = 0; i < buttons.size(); ++i) {
            auto* b = d->findChild<QPushButton*>(QStringLiteral("Command%1").arg(i + 1));
            QVERIFY(b);
            QCOMPARE(b->text(), buttons[i]);
        }
        QCOMPARE(d->findChildren<QPushButton*>().size(), buttons.size());
        // Never below the minimum, which starts at 7000 twips wide.
        QCOMPARE(d->minimumHeight(), minimumHeight);
        QVERIFY(d->minimumWidth() > 7000 / 15);
        QVERIFY(d->width() >= d->minimumWidth() && d->height() >= minimumHeight);
        QCOMPARE(d->font().pointSize(), 9);
    }

    void closing_data()
    {
        QTest::addColumn<int>("clickedRow"); // -1: none
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("open"); // still open after the action
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("cancelFlag");

        QTest::newRow("opened, close button") << -1 << "close" << false << "/a" << 1;
        QTest::newRow("Enter on row 1") << -1 << "enter" << false << "/a" << 0;
        QTest::newRow("clicked, Enter") << 1 << "enter" << false << "/b" << 0;
        QTest::newRow("clicked, keypad Enter") << 1 << "keypad enter" << false << "/b" << 0;
        QTest::newRow("clicked, close button") << 1 << "close" << false << "/b" << 1;
        QTest::newRow("clicked, Esc") << 1 << "escape" << false << "/b" << 1;
        QTest::newRow("arrow down, Enter") << 0 << "down enter" << false << "/b" << 0;
        QTest::newRow("double click, still held") << 2 << "double" << true << "/c" << 0;
        QTest::newRow("double click, released") << 2 << "double release" << false << "/c" << 0;
        QTest::newRow("plain release does not close") << 2 << "release" << true << "/c" << 1;
    }
    void closing()
    {
        QFETCH(int, clickedRow);
        QFETCH(QString, action);
        QFETCH(bool, open);
        QFETCH(QString, path);
        QFETCH(int, cancelFlag);
        PlaceChoice choice{QStringLiteral("/earlier"), 0};
        DialogF d(threeRows(), choice, dialogEnvironment());
        QCOMPARE(choice.cancelFlag, 1);
        QVERIFY(showAndActivate(d));
        QTreeWidget* list = d.list();
        if (clickedRow >= 0)
            clickRow(list, clickedRow);
        const QPoint at = clickedRow >= 0 ? rowPoint(list, clickedRow) : QPoint();
        if (action == QLatin1String("close")) {
            d.closeButton()->click();
        } else if (action == QLatin1String("enter")) {
            QTest::keyClick(keyTarget(d), Qt::Key_Return);
        } else if (action == QLatin1String("keypad enter")) {
            QTest::keyClick(keyTarget(d), Qt::Key_Enter, Qt::KeypadModifier);
        } else if (action == QLatin1String("escape")) {
            QTest::keyClick(keyTarget(d), Qt::Key_Escape);
        } else if (action == QLatin1String("down enter")) {
            QTest::keyClick(keyTarget(d), Qt::Key_Down);
            QTest::keyClick(keyTarget(d), Qt::Key_Return);
        } else if (action.startsWith(QLatin1String("double"))) {
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
            if (action.endsWith(QLatin1String("release")))
                QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
        } else if (action == QLatin1String("release")) {
            QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
        }
        QCOMPARE(d.isVisible(), open);
        QCOMPARE(choice.path, path);
        QCOMPARE(choice.cancelFlag, cancelFlag);
    }

    void emptyListKeepsTheEarlierPath_data()
    {
        QTest::addColumn<bool>("pressEnter");
        QTest::newRow("close button") << false;
        QTest::newRow("Enter") << true;
    }
    void emptyListKeepsTheEarlierPath()
    {
        QFETCH(bool, pressEnter);
        ScriptedMessageService messages;
        BookmarkList list({}, messages);
        PlaceChoice choice{QStringLiteral("/earlier"), 0};
        DialogB d(list, QStringLiteral("/x/"), CommentAsk(), choice, dialogEnvironment());
        QVERIFY(showAndActivate(d));
        QCOMPARE(d.list()->topLevelItemCount(), 0);
        if (pressEnter)
            QTest::keyClick(keyTarget(d), Qt::Key_Return);
        else
            d.closeButton()->click();
        QVERIFY(!d.isVisible());
        QCOMPARE(choice.path, QStringLiteral("/earlier"));
        QCOMPARE(choice.cancelFlag, 1); // no jump to a path this dialog never showed
    }

    void labelEditRefused_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("F2") << int(Qt::Key_F2);
        QTest::newRow("typing") << int(Qt::Key_A);
    }
    void labelEditRefused()
    {
        QFETCH(int, key);
        PlaceChoice choice;
        DialogF d(threeRows(), choice, dialogEnvironment());
        QVERIFY(showAndActivate(d));
        clickRow(d.list(), 1);
        QTest::keyClick(d.list(), Qt::Key(key));
        d.list()->editItem(d.list()->topLevelItem(1), 0);
        QVERIFY(d.list()->findChildren<QLineEdit*>().isEmpty());
        QCOMPARE(d.list()->topLevelItem(1)->text(0), QStringLiteral("/b"));
        QVERIFY(d.isVisible());
    }

    void bookmarkCommands_data()
    {
        QTest::addColumn<QStringList>("steps");  // add:<comment>, click:<row>, delete, clear, enter
        QTest::addColumn<QList<int>>("answers"); // scripted answers of the questions
        QTest::addColumn<QStringList>("rows");   // path|comment left in the list
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("cancelFlag");

        const QString notSelected = QStringLiteral("フルパス名が選択されていません。\r\n\r\n");
        QTest::newRow("add shows the row")
            << QStringList{"add:仕事"} << QList<int>() << QStringList{"/a|A", "/b|B", "/x|仕事"}
            << QStringList() << "/a" << 1;
        QTest::newRow("add twice: one row")
            << QStringList{"add:1", "add:2"} << QList<int>() << QStringList{"/a|A", "/b|B", "/x|1"}
            << QStringList{QStringLiteral("このフルパス名は登録済みです。")} << "/a" << 1;
        QTest::newRow("delete needs a click")
            << QStringList{"delete"} << QList<int>() << QStringList{"/a|A", "/b|B"}
            << QStringList{notSelected} << "/a" << 1;
        QTest::newRow("delete the clicked row")
            << QStringList{"click:1", "delete"} << QList<int>{AnswerYes} << QStringList{"/a|A"}
            << QStringList{QStringLiteral("/b\r\n\r\nを削除します。\r\n\r\n")} << "/b" << 1;
        QTest::newRow("delete twice needs a second click")
            << QStringList{"click:1", "delete", "delete"} << QList<int>{AnswerYes}
            << QStringList{"/a|A"}
            << QStringList{QStringLiteral("/b\r\n\r\nを削除します。\r\n\r\n"), notSelected} << "/b"
            << 1;
        QTest::newRow("Enter after a delete takes the row on show")
            << QStringList{"click:1", "delete", "enter"} << QList<int>{AnswerYes}
            << QStringList{"/a|A"}
            << QStringList{QStringLiteral("/b\r\n\r\nを削除します。\r\n\r\n")} << "/a" << 0;
        QTest::newRow("clear, then Enter")
            << QStringList{"clear", "enter"} << QList<int>{AnswerYes} << QStringList()
            << QStringList{QStringLiteral("フルパス名項目をクリアします。\r\n\r\n")} << "/a" << 1;
        QTest::newRow("clear declined")
            << QStringList{"clear"} << QList<int>{AnswerCancel} << QStringList{"/a|A", "/b|B"}
            << QStringList{QStringLiteral("フルパス名項目をクリアします。\r\n\r\n")} << "/a" << 1;
    }
    void bookmarkCommands()
    {
        QFETCH(QStringList, steps);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, messages);
        QFETCH(QString, path);
        QFETCH(int, cancelFlag);
        ScriptedMessageService service;
        for (int a : answers)
            service.enqueue(qint16(a));
        BookmarkList store({{QStringLiteral("/a"), QStringLiteral("A")},
                            {QStringLiteral("/b"), QStringLiteral("B")}},
                           service);
        QString typed;
        PlaceChoice choice;
        DialogB d(
            store, QStringLiteral("/x/"),
            [&typed](const QString&, const QString&, const QString&) { return typed; }, choice,
            dialogEnvironment());
        QVERIFY(showAndActivate(d));
        for (const QString& step : steps) {
            if (step.startsWith(QLatin1String("add:"))) {
                typed = step.mid(4);
                d.button(0)->click();
            } else if (step.startsWith(QLatin1String("click:"))) {
                clickRow(d.list(), step.mid(6).toInt());
            } else if (step == QLatin1String("delete")) {
                d.button(1)->click();
            } else if (step == QLatin1String("clear")) {
                d.button(2)->click();
            } else if (step == QLatin1String("enter")) {
                QTest::keyClick(keyTarget(d), Qt::Key_Return);
            }
        }
        QStringList shown, kept;
        for (int i = 0; i < d.list()->topLevelItemCount(); ++i)
            shown << d.list()->topLevelItem(i)->text(0) + u'|' + d.list()->topLevelItem(i)->text(1);
        for (const Bookmark& b : store.rows())
            kept << b.path + u'|' + b.comment;
        QCOMPARE(shown, rows);
        QCOMPARE(kept, rows);
        QCOMPARE(service.texts(), messages);
        QCOMPARE(choice.path, path);
        QCOMPARE(choice.cancelFlag, cancelFlag);
    }

    void enterOnAButtonCloses()
    {
        // Enter anywhere accepts: on the add button it adds nothing.
        ScriptedMessageService service;
        BookmarkList store({{QStringLiteral("/a"), QStringLiteral("A")}}, service);
        int asked = 0;
        PlaceChoice choice;
        DialogB d(
            store, QStringLiteral("/x/"),
            [&asked](const QString&, const QString&, const QString&) {
                ++asked;
                return QStringLiteral("c");
            },
            choice, dialogEnvironment());
        QVERIFY(showAndActivate(d));
        d.button(0)->setFocus();
        QTest::keyClick(d.button(0), Qt::Key_Return);
        QVERIFY(!d.isVisible());
        QCOMPARE(asked, 0);
        QCOMPARE(store.count(), 1);
        QCOMPARE(choice.cancelFlag, 0);
        QCOMPARE(choice.path, QStringLiteral("/a"));
    }

    void geometrySlots_data()
    {
        QTest::addColumn<bool>("bookmarks");
        QTest::addColumn<int>("positionSlot");
        QTest::addColumn<int>("heightSlot");
        QTest::addColumn<int>("widthSlot");
        QTest::newRow("DialogB") << true << 9 << 8 << 9;
        QTest::newRow("DialogF") << false << 8 << 6 << 7;
    }
    void geometrySlots()
    {
        QFETCH(bool, bookmarks);
        QFETCH(int, positionSlot);
        QFETCH(int, heightSlot);
        QFETCH(int, widthSlot);
        DialogPositions positions;
        const DialogPositions untouched = positions;
        ScriptedMessageService service;
        BookmarkList store({}, service);
        PlaceChoice choice;
        auto make = [&]() -> std::unique_ptr<PlaceDialog> {
            if (bookmarks)
                return std::make_unique<DialogB>(store, QStringLiteral("/x/"), CommentAsk(), choice,
                                                 dialogEnvironment(&positions));
            return std::make_unique<DialogF>(threeRows(), choice, dialogEnvironment(&positions));
        };
        QSize wanted;
        {
            auto d = make();
            QVERIFY(showAndActivate(*d));
            // Never opened before: not the slot's 100 twips but a usable size.
            QVERIFY(d->width() > d->minimumWidth() && d->height() > d->minimumHeight());
            wanted = d->size() + QSize(37, 23);
            d->resize(wanted);
            d->move(120, 90);
            QCOMPARE(d->size(), wanted);
            // The size keys stop at the minimum.
            d->resize(d->minimumSize());
            QTest::keyClick(keyTarget(*d), Qt::Key_Comma, Qt::ControlModifier);
            QCOMPARE(d->size(), d->minimumSize());
            d->resize(wanted);
            d->closeButton()->click();
        }
        QCOMPARE(positions.sizeFactor[size_t(heightSlot)], wanted.height() * 15);
        QCOMPARE(positions.sizeFactor[size_t(widthSlot)], wanted.width() * 15);
        QCOMPARE(positions.left[size_t(positionSlot)], 120 * 15);
        QCOMPARE(positions.top[size_t(positionSlot)], 90 * 15);
        for (int i = 0; i < DialogPositions::Slots; ++i) {
            if (i != positionSlot) {
                QCOMPARE(positions.left[size_t(i)], untouched.left[size_t(i)]);
                QCOMPARE(positions.top[size_t(i)], untouched.top[size_t(i)]);
            }
            if (i != heightSlot && i != widthSlot)
                QCOMPARE(positions.sizeFactor[size_t(i)], untouched.sizeFactor[size_t(i)]);
        }
        // Opened again, it comes back as it was left.
        auto again = make();
        QVERIFY(showAndActivate(*again));
        QCOMPARE(again->size(), wanted);
        QCOMPARE(again->pos(), QPoint(120, 90));
    }
};

QTEST_MAIN(PlaceDialogsTest)
#include "tst_placedialogs.moc"
