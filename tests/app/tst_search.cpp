// The search dialog: the pattern box's corrections and history, search and
// narrowing with the two lists, the result texts, the column sort, and the
// jump back into the main window.

#include "app/browsing.h"
#include "app/dialogi.h"
#include "core/dialogplacement.h"
#include "app/mainwindow.h"
#include "app/operating.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "list/filelist.h"
#include "list/filelistmodel.h"
#include "search/searchresultmodel.h"
#include "support/tempdir.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

using namespace tovane;
using tovane::test::TempDir;

namespace {

void prepare(TempDir& dir)
{
    for (const char* f : {"cfg", "l", "r", "l/sub", "l/sub/deep"})
        QVERIFY(dir.makeFolder(f));
    for (const char* f : {"l/a.txt", "l/b.log", "l/sub/c.txt", "l/sub/deep/d.txt"})
        QVERIFY(dir.writeFile(f, f));
}

SearchPlace placeOf(const TempDir& dir)
{
    SearchPlace p;
    p.roots << dir.filePath(QStringLiteral("l/"));
    p.shownPlace = p.roots.first();
    p.kilobytes = false;
    p.columnTwips = {1500, 1500, 900, 1800, 600};
    return p;
}

} // namespace

class SearchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void historyIsARingOfFifty()
    {
        PatternHistory h;
        for (int i = 0; i < 52; ++i)
            h.add(QStringLiteral("p%1").arg(i));
        const QStringList e = h.entries();
        QCOMPARE(e.size(), 50);
        QCOMPARE(e[0], QStringLiteral("p50")); // the oldest slots are reused in turn
        QCOMPARE(e[1], QStringLiteral("p51"));
        QCOMPARE(e[2], QStringLiteral("p2"));
        h.add(QStringLiteral("p2")); // known: nothing moves
        QCOMPARE(h.entries(), e);
    }

    void searchNarrowAndSort()
    {
        TempDir dir;
        prepare(dir);
        ScriptedProgressService progress;
        DialogI d(placeOf(dir), progress);
        QCOMPARE(d.windowTitle(), QStringLiteral("ファイル・フォルダ 検索"));
        QCOMPARE(DialogI::hintText(true), QStringLiteral("* や *.* は要注意  拡張子は最大10文字"));
        QCOMPARE(DialogI::hintText(false), QStringLiteral("* や *.* は不可  拡張子は最大10文字"));
        // Typed corrections: "**" and ":" go.
        d.patternBox()->setEditText(QStringLiteral("*:*.txt"));
        QCOMPARE(d.patternBox()->currentText(), QStringLiteral("*.txt"));
        d.search(false);
        QCOMPARE(d.resultLine()->text(), QStringLiteral(" 該当 3 件（ 0 フォルダ、 3 ファイル ）"));
        QVERIFY(d.progressLine()->text().contains(QStringLiteral("ダブルクリック")));
        QCOMPARE(d.shownModel().hit(0).name, QStringLiteral("a.txt"));
        QCOMPARE(d.shownModel().headerData(2, Qt::Horizontal).toString(), QStringLiteral("サイズ B "));
        QTreeView* first = d.shownList();
        // Narrowing shows the other list and keeps the previous result.
        d.patternBox()->setEditText(QStringLiteral("[cd]*"));
        d.search(true);
        QVERIFY(d.shownList() != first);
        QVERIFY(!first->isVisible() || !d.isVisible());
        QCOMPARE(d.resultLine()->text(), QStringLiteral(" 該当 2 件（ 0 フォルダ、 2 ファイル ）"));
        // A column click sorts; the path column puts deeper hits last.
        d.shownModel().sort(SearchResultModel::Path);
        QCOMPARE(d.shownModel().hit(1).path, QStringLiteral("sub/deep/"));
        QVERIFY(d.patternBox()->count() >= 2); // both patterns in the history
    }

    // The dialog opens where and as large as it was left, also after the
    // list columns were widened.
    void geometryIsRemembered()
    {
        TempDir dir;
        prepare(dir);
        ScriptedProgressService progress;
        DialogPositions positions;
        DialogEnvironment env;
        env.positions = &positions;
        ScreenMetrics metrics;
        metrics.screenWidth = 1600 * 15;
        metrics.screenHeight = 1000 * 15;
        env.metrics = metrics;
        QSize left;
        {
            DialogI d(placeOf(dir), progress);
            d.setEnvironment(env);
            QTimer::singleShot(0, &d, [&] {
                d.resize(d.width() + 120, d.height() + 70);
                d.move(210, 140);
                left = d.size();
                d.reject();
            });
            d.exec();
        }
        QCOMPARE(positions.left[SlotSearch], 210 * 15);
        QCOMPARE(positions.top[SlotSearch], 140 * 15);
        QVERIFY(positions.sizeFactor[SizeSlotSearchWidth] > 100);
        QSize reopened;
        QPoint at;
        {
            DialogI d(placeOf(dir), progress);
            d.setEnvironment(env);
            QTimer::singleShot(0, &d, [&] {
                reopened = d.size();
                at = d.pos();
                d.reject();
            });
            d.exec();
        }
        QVERIFY2(qAbs(reopened.width() - left.width()) <= 2 && qAbs(reopened.height() - left.height()) <= 2,
                 qPrintable(QStringLiteral("%1x%2").arg(reopened.width()).arg(reopened.height())));
        QCOMPARE(at, QPoint(210, 140));
    }

    void jumpFromTheMenu()
    {
        TempDir dir;
        prepare(dir);
        MainWindow window(dir.filePath(QStringLiteral("cfg")));
        const QByteArray settings = "[Position]\r\nPath=_," + dir.filePath(QStringLiteral("l")).toUtf8() +
                                    ",_," + dir.filePath(QStringLiteral("r")).toUtf8() + ",\r\n";
        writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        ScriptedMessageService messages;
        window.setMessageService(&messages);
        window.startUp();
        window.activateWindowIndex(LeftWindow, 0);
        auto* timer = new QTimer(&window);
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, timer, [timer] {
            auto* d = qobject_cast<DialogI*>(QApplication::activeModalWidget());
            if (!d)
                return;
            timer->stop();
            d->patternBox()->setEditText(QStringLiteral("d.txt"));
            d->search(false);
            d->chooseHit(0);
        });
        timer->start();
        QAction* a = window.menus().action("mnuFileItem", 14);
        QVERIFY(a && a->isEnabled());
        a->trigger();
        FileList& list = window.browsing()->list(window.selectedWindow());
        QCOMPARE(window.state().listedPath(window.selectedWindow()),
                 dir.filePath(QStringLiteral("l/sub/deep/")));
        QCOMPARE(list.model()->nameAt(list.currentRow()), QStringLiteral("d.txt"));
    }
};

QTEST_MAIN(SearchTest)
#include "tst_search.moc"
