// Serial numbering and the date/time change through the main window and
// their forms: names planned and carried out, a skipped file leaving its
// number free, the form's checks, and the list following the disk.

#include "app/browsing.h"
#include "app/dialogd.h"
#include "app/dialogn.h"
#include "app/mainwindow.h"
#include "app/operating.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "list/filelist.h"
#include "list/filelistmodel.h"
#include "list/widgets/filelistview.h"
#include "app/windowpane.h"
#include "platform/filesystem.h"
#include "support/tempdir.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

using namespace tovane;
using tovane::test::entries;
using tovane::test::TempDir;

namespace {

struct Started {
    explicit Started(TempDir& dir) : window(dir.filePath(QStringLiteral("cfg")))
    {
        const QByteArray settings = "[Tovane]\r\nApType=x\r\nApMode=3\r\n[Position]\r\nPath=_," +
                                    dir.filePath(QStringLiteral("l")).toUtf8() + ",_," +
                                    dir.filePath(QStringLiteral("r")).toUtf8() + ",\r\n";
        writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        window.setMessageService(&messages);
        messages.setDefaultAnswer(AnswerYes);
        window.startUp();
        window.activateWindowIndex(LeftWindow, 0);
    }
    FileList& list() { return window.browsing()->list(LeftWindow); }
    void mark(const char* name)
    {
        const int row = list().model()->rowOfName(QString::fromUtf8(name));
        QVERIFY(row >= 0);
        list().itemClicked(row, 0);
    }
    void trigger(const char* control, int index)
    {
        QAction* a = window.menus().action(control, index);
        QVERIFY2(a && a->isEnabled(), control);
        a->trigger();
    }
    MainWindow window;
    ScriptedMessageService messages;
};

void prepare(TempDir& dir)
{
    for (const char* f : {"cfg", "l", "r", "l/sub"})
        QVERIFY(dir.makeFolder(f));
    for (const char* f : {"l/p1.jpg", "l/p2.jpg", "l/p3.png", "l/x0.jpg"})
        QVERIFY(dir.writeFile(f, f));
}

QStringList namesIn(const TempDir& dir)
{
    QStringList names;
    for (const QByteArray& n : entries(dir.filePath(QStringLiteral("l")).toUtf8()))
        names << QString::fromUtf8(n);
    names.sort();
    return names;
}

} // namespace

class RenamingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void serialNumbering_data()
    {
        QTest::addColumn<QList<int>>("answers"); // DialogN answers in turn
        QTest::addColumn<QString>("after");
        QTest::newRow("all renamed, past x0")
            << QList<int>{DialogN::Rename} << "sub,x0.jpg,x1.jpg,x2.jpg,x3.png";
        QTest::newRow("first skipped: its number stays free")
            << QList<int>{DialogN::Skip, DialogN::Rename} << "p1.jpg,sub,x0.jpg,x1.jpg,x2.png";
        QTest::newRow("cancelled") << QList<int>{DialogN::Cancel}
                                   << "p1.jpg,p2.jpg,p3.png,sub,x0.jpg";
    }
    void serialNumbering()
    {
        QFETCH(QList<int>, answers);
        QFETCH(QString, after);
        TempDir dir;
        prepare(dir);
        Started s(dir);
        for (const char* n : {"p1.jpg", "p2.jpg", "p3.png", "sub"})
            s.mark(n);
        int shown = 0;
        s.window.operating()->serialForm = [&](DialogN& form) {
            ++shown;
            form.findChild<QLineEdit*>(QStringLiteral("txtTitleFxd"))->setText(QStringLiteral("x"));
            if (!form.checkInput())
                return int(DialogN::Cancel);
            return answers.isEmpty() ? int(DialogN::Cancel) : answers.takeFirst();
        };
        s.messages.clearLog();
        s.trigger("mnuFileItem", 10);
        QCOMPARE(s.messages.texts().first(),
                 QStringLiteral("3 ファイルに連番を付けます。\r\n\r\n\r\nフォルダは対象外です。"));
        QCOMPARE(namesIn(dir).join(u','), after);
        // The list shows the new names at once.
        for (const QString& n : after.split(u','))
            QVERIFY2(s.list().model()->rowOfName(n) >= 0, qPrintable(n));
        Q_UNUSED(shown);
    }

    void serialFormFields()
    {
        ScriptedMessageService messages;
        const QStringList targets{"a1.txt", "a2.txt", "a3.txt", "a4.txt", "a5.txt", "a6.txt",
                                  "a7.txt", "a8.txt", "a9.txt", "a10.txt", "a11.txt", "a12.txt"};
        DialogN form(defaultSerialPlan(targets), targets, targets, 0, targets.first(), messages);
        auto* digits = form.findChild<QLineEdit*>(QStringLiteral("txtNmbr_0"));
        QCOMPARE(digits->text(), QStringLiteral("2")); // twelve files
        QTest::keyClicks(form.findChild<QLineEdit*>(QStringLiteral("txtNmbr_1")), QStringLiteral("x"));
        QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("txtNmbr_1"))->text(), QStringLiteral("0"));
        QVERIFY(form.checkInput());
        // a10 .. a12 exist: the numbers move past them.
        QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("txtName_1"))->text(),
                 QStringLiteral("a13.txt"));
        form.setCheckFirst(true);
        QTest::keyClicks(form.findChild<QLineEdit*>(QStringLiteral("txtTitleFxd")), QStringLiteral("b"));
        QVERIFY(!form.findChild<QPushButton*>(QStringLiteral("CmdButton_1"))->isEnabled());
        QVERIFY(form.checkInput());
        QVERIFY(form.findChild<QPushButton*>(QStringLiteral("CmdButton_1"))->isEnabled());
    }

    void changeTimesFromTheMenu()
    {
        TempDir dir;
        prepare(dir);
        Started s(dir);
        s.mark("p1.jpg");
        s.mark("p2.jpg");
        const qint64 when =
            QDateTime(QDate(2024, 2, 29), QTime(10, 11, 12), Qt::LocalTime).toMSecsSinceEpoch() *
            1000000;
        int asked = 0;
        s.window.operating()->timeForm = [&](const QString&, bool, const platform::FileTimes&,
                                             TimeRequest& r) {
            ++asked;
            r.kinds = platform::TimeWrite;
            r.times.write = when;
            return 0;
        };
        s.trigger("mnuFileItem", 12);
        QCOMPARE(asked, 1);
        for (const char* n : {"l/p1.jpg", "l/p2.jpg"}) {
            platform::FileTimes t;
            QCOMPARE(platform::getTimes(dir.filePath(QLatin1String(n)), t), 0);
            QCOMPARE(t.write, when);
        }
        const FileListModel* m = s.list().model();
        QVERIFY(m->data(m->index(m->rowOfName(QStringLiteral("p1.jpg")), 2)).toString().contains(
                    QStringLiteral("2024/02/29")) ||
                m->data(m->index(m->rowOfName(QStringLiteral("p1.jpg")), 3)).toString().contains(
                    QStringLiteral("2024/02/29")));
    }

    void labelEditRenames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("editAgain");
        QTest::newRow("new name") << "q.jpg" << "p2.jpg,p3.png,q.jpg,sub,x0.jpg" << false;
        QTest::newRow("other letter case") << "P1.JPG" << "P1.JPG,p2.jpg,p3.png,sub,x0.jpg" << false;
        QTest::newRow("same name") << "p1.jpg" << "p1.jpg,p2.jpg,p3.png,sub,x0.jpg" << false;
        QTest::newRow("taken, any case") << "P2.jpg" << "p1.jpg,p2.jpg,p3.png,sub,x0.jpg" << true;
    }
    void labelEditRenames()
    {
        QFETCH(QString, typed);
        QFETCH(QString, after);
        QFETCH(bool, editAgain);
        TempDir dir;
        prepare(dir);
        Started s(dir);
        s.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.window));
        s.list().setCurrent(s.list().model()->rowOfName(QStringLiteral("p1.jpg")));
        s.trigger("mnuFileItem", 9);
        QTreeView* view = s.window.pane(LeftWindow)->list();
        QLineEdit* editor = view->findChild<QLineEdit*>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("p1.jpg"));
        QApplication::setActiveWindow(&s.window);
        editor->setFocus();
        editor->setText(typed);
        QTest::keyClick(editor, Qt::Key_Return);
        // The view commits the edit once the key has been handled.
        QTRY_COMPARE(namesIn(dir).join(u','), after);
        if (editAgain) {
            QTRY_VERIFY(s.messages.texts().join(u'|').contains(QStringLiteral("既に使われています")));
            // The edit opens again on the old name.
            auto reopened = [&] {
                for (QLineEdit* e : view->findChildren<QLineEdit*>())
                    if (e->isVisible() && e->text() == QLatin1String("p1.jpg"))
                        return true;
                return false;
            };
            QTRY_VERIFY(reopened());
        } else if (typed != QLatin1String("p1.jpg")) {
            QVERIFY(s.list().model()->rowOfName(typed) >= 0);
        }
    }

    void aClickEditIsRefusedWithTwoMarked()
    {
        TempDir dir;
        prepare(dir);
        Started s(dir);
        s.mark("p1.jpg");
        s.mark("p2.jpg");
        FileListView* view = s.window.browsing()->listView(LeftWindow);
        QVERIFY(!view->startEdit(s.list().model()->rowOfName(QStringLiteral("p1.jpg")), false));
        // From the menu it goes ahead on the current entry.
        QVERIFY(view->startEdit(s.list().model()->rowOfName(QStringLiteral("p1.jpg")), true));
    }

    // The date form opens where it was left, as wide as it was left.
    void dateFormPlaceAndWidth()
    {
        ScriptedMessageService messages;
        DialogPositions positions;
        DialogEnvironment env;
        env.positions = &positions;
        env.metrics = ScreenMetrics{};
        int designed = 0;
        {
            DialogD form(QStringLiteral("/x/a.txt"), false, platform::FileTimes{}, messages, env);
            QTimer::singleShot(0, &form, [&] {
                designed = form.width();
                form.move(150, 120);
                form.resize(designed * 3 / 2, form.height());
                form.reject();
            });
            form.exec();
        }
        QCOMPARE(positions.left[SlotDateTime], 150 * 15);
        QCOMPARE(positions.top[SlotDateTime], 120 * 15);
        QVERIFY2(qAbs(positions.sizeFactor[SizeSlotDateTime] - 150) <= 2,
                 qPrintable(QString::number(positions.sizeFactor[SizeSlotDateTime])));
        DialogD again(QStringLiteral("/x/a.txt"), false, platform::FileTimes{}, messages, env);
        QTimer::singleShot(0, &again, [&] {
            QVERIFY(qAbs(again.width() - designed * 3 / 2) <= 3);
            QCOMPARE(again.pos(), QPoint(150, 120));
            again.reject();
        });
        again.exec();
    }

    void dateFormChecks()
    {
        ScriptedMessageService messages;
        DialogD form(QStringLiteral("/x/a.txt"), false, platform::FileTimes{}, messages,
                     DialogEnvironment{});
        QVERIFY(!form.button(1)->isEnabled()); // write waits for a check
        form.field(1)->setText(QStringLiteral("13"));
        form.field(2)->setText(QStringLiteral("32"));
        QVERIFY(!form.checkInput());
        QCOMPARE(messages.texts().last(), QStringLiteral("月、日 は範囲外です。"));
        form.field(1)->setText(QStringLiteral("2"));
        form.field(2)->setText(QStringLiteral("1"));
        form.field(5)->setText(QStringLiteral("59"));
        QVERIFY(form.checkInput());
        QCOMPARE(form.field(5)->text(), QStringLiteral("58"));
        QVERIFY(form.button(1)->isEnabled());
        // Any change asks for the check again.
        form.field(4)->clear();
        QTest::keyClicks(form.field(4), QStringLiteral("1"));
        QVERIFY(!form.button(1)->isEnabled());
        QVERIFY(!form.button(2)->isEnabled());
        form.option(3)->setChecked(true);
        QVERIFY(form.button(2)->isEnabled());
        // Full-width digits are taken, other characters go.
        form.field(3)->clear();
        QKeyEvent wide(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("１"));
        QApplication::sendEvent(form.field(3), &wide);
        QTest::keyClick(form.field(3), Qt::Key_A);
        QCOMPARE(form.field(3)->text(), QStringLiteral("1"));
    }
};

QTEST_MAIN(RenamingTest)
#include "tst_renaming.moc"
