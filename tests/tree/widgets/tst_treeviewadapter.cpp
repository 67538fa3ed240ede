#include "tree/treerules.h"
#include "tree/treetestenv.h"
#include "tree/widgets/destinationlistwidget.h"
#include "tree/widgets/treeicons.h"
#include "tree/widgets/treeviewadapter.h"

#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

using namespace tovane;
using tovane::test::TreeEnv;

namespace {

const QString Slash = QStringLiteral("/");

struct ViewEnv : TreeEnv {
    QWidget window;
    QTreeView* view = nullptr;
    std::unique_ptr<TreeViewAdapter> adapter;

    ViewEnv()
    {
        window.resize(400, 600);
        view = new QTreeView(&window);
        view->setObjectName(QStringLiteral("TreeView_0"));
        view->setGeometry(0, 0, 400, 600);
        adapter = std::make_unique<TreeViewAdapter>(view, *navigator, LeftWindow);
    }
    bool show()
    {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
    QModelIndex index(const QString& relative) const
    {
        return navigator->model(LeftWindow)
            .indexOf(relative.isEmpty() ? dir.path() : path(relative));
    }
    QPoint centre(const QString& relative) const
    {
        return view->visualRect(index(relative)).center();
    }
    QPoint expander(const QString& relative) const
    {
        const QRect r = view->visualRect(index(relative));
        return QPoint(r.left() - view->indentation() / 2, r.center().y());
    }
};

} // namespace

class TreeViewAdapterTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void icons()
    {
        QList<QImage> images;
        for (int i = 1; i <= TreeImageCount; ++i) {
            const QIcon icon = treeImageIcon(i);
            QVERIFY(!icon.isNull());
            const QImage image = icon.pixmap(16, 16).toImage();
            QVERIFY(!image.isNull());
            // Something is drawn, and every picture differs from the others.
            QVERIFY(image != QImage(image.size(), image.format()));
            for (const QImage& other : std::as_const(images))
                QVERIFY(image != other);
            images.append(image);
        }
        QVERIFY(treeImageIcon(0).isNull());
        QVERIFY(treeImageIcon(TreeImageCount + 1).isNull());
    }

    // After a build (one model reset) the view shows what the model holds.
    void buildIsShown()
    {
        ViewEnv env;
        QVERIFY(env.make({"a/b/c/", "x/"}));
        QVERIFY(env.show());
        env.trees().buildTree(LeftWindow, env.root(), env.path("a/b"), true);
        QVERIFY(env.view->isExpanded(env.index("")));
        QVERIFY(env.view->isExpanded(env.index("a")));
        QCOMPARE(env.view->currentIndex(), env.index("a/b"));
        QVERIFY(env.view->updatesEnabled());
        QVERIFY(!env.index("a").data(Qt::DecorationRole).value<QIcon>().isNull());
    }

    void clickSelects()
    {
        ViewEnv env;
        QVERIFY(env.make({"a/", "x/"}));
        QVERIFY(env.show());
        env.host.paths[0] = env.path("a/");
        env.host.selected = RightWindow;
        env.trees().buildTree(LeftWindow, env.root(), env.path("a"), true);
        env.host.fills.clear();
        QTest::mouseClick(env.view->viewport(), Qt::LeftButton, {}, env.centre("x"));
        QCOMPARE(env.host.selected, LeftWindow); // the press made it the selected window
        QCOMPARE(env.host.paths[0], env.path("x/"));
        QCOMPARE(env.host.fillsOf(LeftWindow), QStringList{env.path("x/")});
        QCOMPARE(env.view->currentIndex(), env.index("x"));

        QTest::keyClick(env.view, Qt::Key_Up);
        QCOMPARE(env.host.paths[0], env.path("a/"));
        QCOMPARE(env.model().selectedKey(), env.path("a"));

        // A declined path change puts the view's current node back.
        env.host.loads[RightWindow] = {true, true, 9000, false, 0};
        env.messages.enqueue(AnswerNo);
        QTest::mouseClick(env.view->viewport(), Qt::LeftButton, {}, env.centre("x"));
        QCOMPARE(env.messages.log().size(), 1);
        QCOMPARE(env.host.paths[0], env.path("a/"));
        QCOMPARE(env.view->currentIndex(), env.index("a"));
        env.messages.enqueue(AnswerNo);
        QTest::keyClick(env.view, Qt::Key_Down);
        QCOMPARE(env.view->currentIndex(), env.index("a"));
    }

    // Shift on the expander loads and unfolds everything below.
    void shiftExpander()
    {
        ViewEnv env;
        QVERIFY(env.make({"w/0/0/0/", "w/0/1/", "w/1/0/0/"}));
        QVERIFY(env.show());
        env.trees().buildTree(LeftWindow, env.root(), env.root(), true);
        QVERIFY(!env.view->isExpanded(env.index("w")));
        QTest::mouseClick(env.view->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          env.expander("w"));
        QVERIFY(env.model().contains(env.path("w/1/0/0")));
        QVERIFY(env.view->isExpanded(env.index("w")));
        QVERIFY(env.view->isExpanded(env.index("w/0/0")));
        QVERIFY(env.view->isExpanded(env.index("w/1/0")));
        // The expander is no node click.
        QCOMPARE(env.model().selectedKey(), env.root());
        QVERIFY(!env.trees().fullExpandRequest(LeftWindow));
    }

    void plainExpanderThenCollapse()
    {
        ViewEnv env;
        QVERIFY(env.make({"w/0/0/0/"}));
        QVERIFY(env.show());
        env.host.paths[0] = env.root() + Slash;
        env.trees().buildTree(LeftWindow, env.root(), env.root(), true);
        QTest::mouseClick(env.view->viewport(), Qt::LeftButton, {}, env.expander("w"));
        QVERIFY(env.view->isExpanded(env.index("w")));
        QVERIFY(env.model().contains(env.path("w/0/0")));
        QVERIFY(!env.model().contains(env.path("w/0/0/0")));
        QTest::mouseClick(env.view->viewport(), Qt::LeftButton, {}, env.centre("w/0"));
        QCOMPARE(env.host.paths[0], env.path("w/0/"));
        env.host.fills.clear();
        // Collapsing the node that holds the path selects it.
        QTest::mouseClick(env.view->viewport(), Qt::LeftButton, {}, env.expander("w"));
        QVERIFY(!env.view->isExpanded(env.index("w")));
        QCOMPARE(env.host.paths[0], env.path("w/"));
        QCOMPARE(env.view->currentIndex(), env.index("w"));
        QCOMPARE(env.host.fillsOf(LeftWindow), QStringList{env.path("w/")});
    }

    // A right-click with marked items opens the destination list and leaves
    // the selection alone.
    void rightClickDestination()
    {
        ViewEnv env;
        QVERIFY(env.make({"a/", "dest/"}));
        QVERIFY(env.show());
        env.host.paths[0] = env.path("a/");
        env.host.marked[0] = true;
        env.trees().buildTree(LeftWindow, env.root(), env.path("a"), true);
        env.navigator->registerDestinationEntry({DestinationOperation::Copy, {}, {}});
        env.navigator->registerDestinationEntry({DestinationOperation::Move, {}, {}});
        QTest::mouseClick(env.view->viewport(), Qt::RightButton, {}, env.centre("dest"));
        QCOMPARE(env.host.shownLists.size(), 1);
        QCOMPARE(env.host.shownLists.first().nodeKey, env.path("dest"));
        QCOMPARE(env.view->currentIndex(), env.index("a"));
        QCOMPARE(env.host.paths[0], env.path("a/"));
        // The next click on the tree closes it.
        QTest::mouseClick(env.view->viewport(), Qt::LeftButton, {}, env.centre("a"));
        QVERIFY(!env.navigator->destinationListOpen());
    }

    void destinationWidget()
    {
        ViewEnv env;
        QVERIFY(env.make({"dest/"}));
        env.trees().buildTree(LeftWindow, env.root(), env.root(), true);
        DestinationListWidget list(&env.window);
        QVERIFY(env.show());
        DestinationListView view;
        view.nodeKey = env.path("dest");
        view.heading = QStringLiteral("（ 左窓の選択項目を下部バーの処理先に ） ");
        view.entries = {QStringLiteral(" コピー"), QStringLiteral(" 移　動")};
        view.widthChars = 41;
        list.showFor(view, env.view);
        QVERIFY(list.isVisible());
        QCOMPARE(list.objectName(), QStringLiteral("ListF"));
        QCOMPARE(list.entryCount(), 2);
        QVERIFY(env.window.rect().contains(list.geometry()));
        QSignalSpy chosen(&list, &DestinationListWidget::entryChosen);
        // The heading is no entry.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualItemRect(list.item(0)).center());
        QCOMPARE(chosen.count(), 0);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualItemRect(list.item(2)).center());
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.first().first().toInt(), 1);
        QVERIFY(!list.isVisible());
    }
};

QTEST_MAIN(TreeViewAdapterTest)
#include "tst_treeviewadapter.moc"
