#include "app/browsing.h"
#include "app/mainwindow.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "list/listcolumns.h"
#include "support/tempdir.h"

#include "viewer/editrules.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>
#include <QtTest>

using namespace tovane;
using tovane::test::TempDir;

namespace {

// The rest of `ColWidth` after the left window's folder set, as shipped.
const QByteArray OtherColumnSets =
    "1700,880,880,1060,700,0,0,5500,1300,2000,800,0,0,0,5000,1500,1500,1100,750,0,0,"
    "2000,1100,1200,700,0,0,0,1700,880,880,1060,700,0,0,2000,2800,1100,1800,800,";

// Left folder l with a 12-digit file, a dated file and a folder; right
// folder r empty. `extra` goes into [Position].
struct Started {
    Started(TempDir& dir, const QByteArray& extra = QByteArray())
        : window(dir.filePath(QStringLiteral("cfg")))
    {
        for (const char* f : {"cfg", "l", "l/sub", "r"})
            dir.makeFolder(f);
        if (!tovane::test::makeSparse(tovane::test::joined(dir, "l/big.bin"), 999999999999LL))
            dir.writeFile("l/big.bin", "no holes here");
        dir.writeFile("l/a.txt", "alpha");
        const QByteArray settings = "[Tovane]\r\n[Position]\r\nPath=_," +
                                    dir.filePath(QStringLiteral("l")).toUtf8() + ",_," +
                                    dir.filePath(QStringLiteral("r")).toUtf8() + ",\r\n" + extra;
        writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        window.setMessageService(&messages);
        window.startUp();
        window.activateWindowIndex(LeftWindow, 0);
        QApplication::processEvents();
    }
    void trigger(const char* control, int index)
    {
        QAction* a = window.menus().action(control, index);
        QVERIFY2(a && a->isEnabled(), control);
        a->trigger();
        QApplication::processEvents();
    }
    QTreeView* view(WindowIndex w) { return window.pane(w)->list(); }
    MainWindow window;
    ScriptedMessageService messages;
};

} // namespace

class ListFitTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void defaultWidthsShowWholeTexts_data();
    void defaultWidthsShowWholeTexts();
    void widthsTheUserSetStay_data();
    void widthsTheUserSetStay();
    void countLineIsNeverCut_data();
    void countLineIsNeverCut();
    void sizeTotalsLeaveTheWindowClosable();
};

void ListFitTest::defaultWidthsShowWholeTexts_data()
{
    QTest::addColumn<int>("fontIndex");
    for (int i = 0; i < 4; ++i)
        QTest::addRow("%d points", 9 + i) << i;
}

void ListFitTest::defaultWidthsShowWholeTexts()
{
    QFETCH(int, fontIndex);
    TempDir dir;
    Started s(dir);
    s.trigger("mnuDispPoint", fontIndex);
    // Labels, the tree and the destination list take the size too; the
    // content area keeps the window's text font.
    for (const char* name : {"lblListCount_0", "lblDrive_1", "lblP_0", "TreeView_1", "ListF"}) {
        auto* c = s.window.findChild<QWidget*>(QLatin1String(name));
        QVERIFY2(c, name);
        QCOMPARE(c->font().pointSize(), 9 + fontIndex);
        if (name[0] == 'l')
            QVERIFY(c->minimumHeight() >= labelHeightPixels(fontIndex));
    }
    for (const WindowIndex w : {LeftWindow, RightWindow}) {
        QTreeView* v = s.view(w);
        QCOMPARE(v->font().pointSize(), 9 + fontIndex);
        const QFontMetrics fm = v->fontMetrics();
        const QHeaderView* h = v->header();
        QVERIFY2(h->sectionSize(ColumnTime) >=
                     fm.horizontalAdvance(QStringLiteral("2023/12/31 23:59:58")),
                 qPrintable(QString::number(h->sectionSize(ColumnTime))));
        QVERIFY2(h->sectionSize(ColumnSize) >=
                     fm.horizontalAdvance(QStringLiteral("999,999,999,999")),
                 qPrintable(QString::number(h->sectionSize(ColumnSize))));
        // What the cells of the rows there ask for, margins included.
        const QAbstractItemView* cells = v;
        for (const int c : {int(ColumnSize), int(ColumnTime)})
            QVERIFY2(cells->sizeHintForColumn(c) <= h->sectionSize(c),
                     qPrintable(QStringLiteral("column %1: %2 > %3")
                                    .arg(c)
                                    .arg(cells->sizeHintForColumn(c))
                                    .arg(h->sectionSize(c))));
    }
}

void ListFitTest::widthsTheUserSetStay_data()
{
    QTest::addColumn<int>("fontIndex");
    for (int i = 0; i < 4; ++i)
        QTest::addRow("%d points", 9 + i) << i;
}

void ListFitTest::widthsTheUserSetStay()
{
    QFETCH(int, fontIndex);
    TempDir dir;
    // Size 60 and time 100 pixels, chosen by the user in an earlier run.
    Started s(dir, "ColWidth=2000,900,1500,700,0,0,0," + OtherColumnSets + "\r\n");
    s.trigger("mnuDispPoint", fontIndex);
    QCOMPARE(s.view(LeftWindow)->header()->sectionSize(ColumnSize), 60);
    QCOMPARE(s.view(LeftWindow)->header()->sectionSize(ColumnTime), 100);
    QCOMPARE(s.view(LeftWindow)->header()->sectionSize(ColumnName), 133);
    // Only widths the user changes are written back.
    QVERIFY(s.window.close());
    const QString text = readSettingsText(s.window.settingsFile());
    QVERIFY(text.contains(QStringLiteral("ColWidth=2000,900,1500,700,0,0,0,1700,")));
}

void ListFitTest::countLineIsNeverCut_data()
{
    QTest::addColumn<int>("treeDivision");
    QTest::newRow("wide list") << 100;
    QTest::newRow("default") << 350;
    QTest::newRow("narrow list") << 750;
    QTest::newRow("very narrow list") << 900;
}

void ListFitTest::countLineIsNeverCut()
{
    QFETCH(int, treeDivision);
    TempDir dir;
    Started s(dir, "Scroll=" + QByteArray::number(treeDivision) + ",700,400,700,350,700,\r\n");
    s.trigger("mnuDispSize", 0); // the totals make the labels longest
    FileList& list = s.window.browsing()->list(LeftWindow);
    for (const char* name : {"sub", "a.txt", "big.bin"})
        list.itemClicked(list.model()->rowOfName(QString::fromUtf8(name)), 0);
    QApplication::processEvents();

    WindowPane* pane = s.window.pane(LeftWindow);
    const QStringList texts{list.listLabel(), list.selectionLabel(), list.copyTargetLabel()};
    QList<QRect> taken;
    for (int i = 0; i < 3; ++i) {
        static const char* names[3] = {"lblListCount_0", "lblSelCount_0", "lblCopyCount_0"};
        auto* label = s.window.findChild<QLabel*>(QLatin1String(names[i]));
        QVERIFY(label && label->isVisible());
        QVERIFY(!texts[i].isEmpty());
        QCOMPARE(label->text(), texts[i]);
        const bool whole =
            label->fontMetrics().horizontalAdvance(texts[i]) <= label->contentsRect().width();
        const bool wrapped =
            label->wordWrap() && label->heightForWidth(label->width()) <= label->height();
        QVERIFY2(whole || wrapped, qPrintable(texts[i]));
        // Inside the pane, beside the list and above the volume line.
        const QRect r(label->mapTo(pane, QPoint(0, 0)), label->size());
        QVERIFY(r.left() >= pane->list()->geometry().left());
        QVERIFY(r.right() <= pane->list()->geometry().right());
        QVERIFY(r.top() >= pane->list()->geometry().bottom());
        QVERIFY(r.bottom() < pane->driveStatus()->geometry().top());
        for (const QRect& other : taken)
            QVERIFY(!other.intersects(r));
        taken << r;
    }
}

void ListFitTest::sizeTotalsLeaveTheWindowClosable()
{
    TempDir dir;
    Started s(dir);
    s.trigger("mnuDispSize", 0);
    QVERIFY(s.window.findChild<QLabel*>(QStringLiteral("lblListCount_0"))
                ->text()
                .endsWith(QStringLiteral(" B")));
    // A progress text left standing refuses the close.
    QCOMPARE(s.window.progress().progress(), QString());
    QVERIFY(s.window.close());
}

QTEST_MAIN(ListFitTest)
#include "tst_listfit.moc"
