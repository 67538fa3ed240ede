// The list control over the engine: key columns snapping back to width 0,
// header clicks, widths to and from the settings, the two list forms, row
// clicks and the drawn file images.

#include "core/appsettings.h"
#include "core/mainstate.h"
#include "core/scriptedservices.h"
#include "fs/volumesource.h"
#include "list/filelist.h"
#include "list/listhost.h"
#include "list/widgets/filelistview.h"
#include "list/widgets/listimages.h"
#include "support/tempdir.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QTreeView>
#include <QtTest>

#include <memory>

using namespace tovane;
using test::TempDir;

namespace {

class Host : public ListHost {
public:
    QStringList calls;
    void openFolder(WindowIndex, const QString& p) override { calls << "folder " + p; }
    void openFile(WindowIndex, const QString& p) override { calls << "file " + p; }
    void driveChosen(WindowIndex, const QString& m) override { calls << "drive " + m; }
};

class ProbeDelegate : public FileListDelegate {
public:
    using FileListDelegate::FileListDelegate;
    using FileListDelegate::initStyleOption;
};

struct Fixture {
    TempDir dir;
    MainState state;
    AppSettings settings;
    ScriptedMessageService messages;
    ScriptedProgressService progress;
    FakeVolumeSource volumes;
    Host host;
    std::unique_ptr<FileList> list;
    QTreeView view;
    std::unique_ptr<FileListView> adapter;

    Fixture()
    {
        for (int f : {FlagHideReadOnly, FlagHideHidden, FlagHideSystem, FlagHideCompressed})
            settings.setSwitch(f, false);
        settings.listColumnWidths[0] = {1500, 750, 1200, 600, 0, 0, 0};
        dir.writeFile("b.txt", "bb");
        dir.writeFile("a.txt", "a");
        dir.makeFolder("sub");
        list = std::make_unique<FileList>(
            LeftWindow,
            ListContext{state, settings, messages, progress, volumes, nullptr, host, {}});
        view.resize(600, 300);
        adapter = std::make_unique<FileListView>(&view, list.get(), &settings);
        view.show();
        list->fill(dir.path());
    }
    QHeaderView* header() { return view.header(); }
    void moveMouse()
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(20, 20),
                         view.viewport()->mapToGlobal(QPointF(20, 20)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &move);
    }
    QPoint rowCentre(int row)
    {
        return view.visualRect(list->model()->index(row, ColumnTime)).center();
    }
};

} // namespace

class FileListViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keyColumnsSnapBack_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::newRow("mouse move") << "move";
        QTest::newRow("sort") << "sort";
        QTest::newRow("click on a key header") << "click";
    }
    void keyColumnsSnapBack()
    {
        QFETCH(QString, trigger);
        Fixture f;
        for (int c = ColumnNameKey; c < FolderColumnCount; ++c)
            QCOMPARE(f.header()->sectionSize(c), 0);
        f.header()->resizeSection(ColumnSizeKey, 40);
        f.header()->resizeSection(ColumnAttributeNumber, 25);
        if (trigger == "move")
            f.moveMouse();
        else if (trigger == "sort")
            f.list->sortList();
        else
            f.list->columnClicked(ColumnSizeKey);
        QCOMPARE(f.header()->sectionSize(ColumnSizeKey), 0);
        QCOMPARE(f.header()->sectionSize(ColumnAttributeNumber), 0);
        // Stored widths of the key columns stay 0.
        QCOMPARE(f.settings.listColumnWidths[0][ColumnSizeKey], 0);
    }

    void headerClickSorts()
    {
        Fixture f;
        QCOMPARE(f.list->model()->nameAt(1), QStringLiteral("a.txt"));
        const int x = f.header()->sectionViewportPosition(ColumnSize) + 5;
        QTest::mouseClick(f.header()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
        QCOMPARE(f.settings.sort[0], 11);
        QCOMPARE(f.list->model()->nameAt(0), QStringLiteral("b.txt"));
        QCOMPARE(f.list->model()->headerData(ColumnSize, Qt::Horizontal).toString(),
                 QStringLiteral("サイズ B↓"));
    }

    void widthsFromAndToSettings()
    {
        Fixture f;
        QCOMPARE(f.header()->sectionSize(ColumnName), 100);
        QCOMPARE(f.header()->sectionSize(ColumnSize), 50);
        f.header()->resizeSection(ColumnTime, 90);
        QCOMPARE(f.settings.listColumnWidths[0][ColumnTime], 1350);
        f.header()->resizeSection(ColumnAttributes, 1);
        QCOMPARE(f.settings.listColumnWidths[0][ColumnAttributes],
                 FileListView::MinimumStoredTwips);
        // The drive list takes its own set.
        f.settings.listColumnWidths[1] = {3000, 900, 900, 600, 450, 0, 0};
        f.list->fill(QStringLiteral("_"));
        QCOMPARE(f.header()->count(), 5);
        QCOMPARE(f.header()->sectionSize(0), 200);
        QCOMPARE(f.header()->sectionSize(4), 30);
    }

    void listForms()
    {
        Fixture f;
        f.list->setListForm(ListFormList);
        QVERIFY(f.view.isHeaderHidden());
        for (int c = 1; c < FolderColumnCount; ++c)
            QVERIFY(f.view.isColumnHidden(c));
        // Hiding is not a width the user chose.
        QCOMPARE(f.settings.listColumnWidths[0][ColumnSize], 750);
        f.list->setListForm(ListFormDetails);
        QVERIFY(!f.view.isHeaderHidden());
        QVERIFY(!f.view.isColumnHidden(ColumnAttributes));
        QCOMPARE(f.header()->sectionSize(ColumnSize), 50);
        QCOMPARE(f.header()->sectionSize(ColumnNameKey), 0);
    }

    void rowClicks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("call");
        QTest::newRow("file") << "b.txt"
                              << "file ";
        QTest::newRow("folder") << "sub"
                                << "folder ";
    }
    void rowClicks()
    {
        QFETCH(QString, name);
        QFETCH(QString, call);
        Fixture f;
        const int row = f.list->model()->rowOfName(name);
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, f.rowCentre(row));
        QVERIFY(f.list->model()->marked(row));
        QCOMPARE(f.list->currentRow(), row);
        QVERIFY(f.host.calls.isEmpty());
        QTest::mouseDClick(f.view.viewport(), Qt::LeftButton, {}, f.rowCentre(row));
        QCOMPARE(f.host.calls, QStringList{call + f.dir.filePath(name)});
    }

    void rowPictures()
    {
        Fixture f;
        ProbeDelegate delegate;
        QStyleOptionViewItem option;
        delegate.initStyleOption(&option, f.list->model()->index(0, 0));
        QVERIFY(option.features & QStyleOptionViewItem::HasDecoration);
        QVERIFY(!option.icon.isNull());
        QStyleOptionViewItem other;
        delegate.initStyleOption(&other, f.list->model()->index(0, ColumnSize));
        QVERIFY(!(other.features & QStyleOptionViewItem::HasDecoration));
    }

    void drawnImagesDiffer()
    {
        QList<QImage> images;
        for (int i = ImageFile; i <= ImageSource; ++i) {
            QVERIFY(!listImage(i).isNull());
            const QImage image = drawnFileImage(i, 16).toImage();
            for (const QImage& earlier : std::as_const(images))
                QVERIFY(image != earlier);
            images.append(image);
        }
        QVERIFY(listImage(0).isNull());
        QVERIFY(listImage(10).isNull());
        QVERIFY(!listImage(ImageFolder).isNull());
        const QIcon theme = listImage(ImageComputer);
        QPixmap red(16, 16);
        red.fill(Qt::red);
        setListImageProvider([&](int) { return QIcon(red); });
        QCOMPARE(listImage(ImageComputer).pixmap(16).toImage().pixel(3, 3), QColor(Qt::red).rgb());
        setListImageProvider({});
        QCOMPARE(listImage(ImageComputer).cacheKey(), theme.cacheKey());
    }

    void countLabels()
    {
        Fixture f;
        FileListLabels labels(f.list.get());
        QCOMPARE(labels.listLabel()->objectName(), QStringLiteral("lblListCount_0"));
        QCOMPARE(labels.listLabel()->text(), QStringLiteral(" リスト 3 項目( 1 ﾌｫﾙﾀﾞ, 2 ﾌｧｲﾙ)"));
        QVERIFY(labels.selectionLabel()->isHidden());
        f.list->setSelectionCounts({1, 0, 1, 0}, false);
        QVERIFY(!labels.selectionLabel()->isHidden());
        QCOMPARE(labels.selectionLabel()->text(), QStringLiteral(" 指定選択　 1 項目"));
    }
};

QTEST_MAIN(FileListViewTest)
#include "tst_filelistview.moc"
