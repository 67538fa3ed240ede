#include "tree/foldertreemodel.h"
#include "tree/treerules.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

using namespace tovane;

namespace {

NodeSpec folder(const QString& key)
{
    const qsizetype slash = key.lastIndexOf(QLatin1Char('/'));
    return {key, key.mid(slash + 1), ImageFolder, ImageFolderOpen, NodeKind::Folder};
}

// The model's texts in display order, depth-first, children indented.
QStringList outline(const QAbstractItemModel& model, const QModelIndex& parent = {},
                    const QString& indent = QString())
{
    QStringList out;
    for (int r = 0; r < model.rowCount(parent); ++r) {
        const QModelIndex at = model.index(r, 0, parent);
        out.append(indent + at.data().toString());
        out += outline(model, at, indent + QLatin1Char(' '));
    }
    return out;
}

struct Fixture {
    FolderTreeModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
    Fixture()
    {
        model.addNode(QString(), {QStringLiteral("/r"), QStringLiteral("/r"), ImageFolder,
                                  ImageFolderOpen, NodeKind::Top});
    }
};

} // namespace

class FolderTreeModelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Children stay in text order whatever order they arrive in, one by one,
    // in a batch, or during a bulk change.
    void order_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("how"); // 0 single, 1 batch, 2 bulk
        QTest::addColumn<QStringList>("expected");
        const QStringList names{"delta", "Alpha", "charlie", "bravo", "alpha"};
        const QStringList sorted{"/r", " Alpha", " alpha", " bravo", " charlie", " delta"};
        QTest::newRow("single") << names << 0 << sorted;
        QTest::newRow("batch") << names << 1 << sorted;
        QTest::newRow("bulk") << names << 2 << sorted;
    }
    void order()
    {
        QFETCH(QStringList, names);
        QFETCH(int, how);
        QFETCH(QStringList, expected);
        Fixture f;
        if (how == 2)
            f.model.beginBulk();
        if (how == 1) {
            QList<NodeSpec> specs;
            for (const QString& n : names)
                specs.append(folder(QStringLiteral("/r/") + n));
            QCOMPARE(f.model.addNodes(QStringLiteral("/r"), specs), int(names.size()));
        } else {
            for (const QString& n : names)
                QCOMPARE(f.model.addNode(QStringLiteral("/r"), folder(QStringLiteral("/r/") + n)),
                         FolderTreeModel::Added);
        }
        if (how == 2)
            f.model.endBulk();
        QCOMPARE(outline(f.model), expected);
        // Rows and parents agree after every kind of insert.
        for (const QString& n : names) {
            const QModelIndex at = f.model.indexOf(QStringLiteral("/r/") + n);
            QCOMPARE(at.data().toString(), n);
            QCOMPARE(FolderTreeModel::keyOf(at.parent()), QStringLiteral("/r"));
        }
    }

    // Adding into a populated parent in a batch keeps the order too.
    void batchIntoPopulated()
    {
        Fixture f;
        f.model.addNode(QStringLiteral("/r"), folder(QStringLiteral("/r/m")));
        QList<NodeSpec> specs{folder("/r/z"), folder("/r/m"), folder("/r/a"), folder("/r/a")};
        QCOMPARE(f.model.addNodes(QStringLiteral("/r"), specs), 2);
        QCOMPARE(specs.size(), 2); // the existing key and the repeat are dropped
        QCOMPARE(f.model.childKeys(QStringLiteral("/r")), (QStringList{"/r/a", "/r/m", "/r/z"}));
    }

    void addFailures_data()
    {
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("existing key") << "/r"
                                      << "/r/a" << int(FolderTreeModel::KeyExists);
        QTest::newRow("existing top") << ""
                                      << "/r" << int(FolderTreeModel::KeyExists);
        QTest::newRow("no parent") << "/missing"
                                   << "/missing/x" << int(FolderTreeModel::NoParent);
    }
    void addFailures()
    {
        QFETCH(QString, parent);
        QFETCH(QString, key);
        QFETCH(int, result);
        Fixture f;
        f.model.addNode(QStringLiteral("/r"), folder(QStringLiteral("/r/a")));
        const int before = f.model.nodeCount();
        QCOMPARE(int(f.model.addNode(parent, folder(key))), result);
        QCOMPARE(f.model.nodeCount(), before);
    }

    void nodeLimit()
    {
        Fixture f;
        f.model.setNodeLimit(3);
        QCOMPARE(f.model.addNode(QStringLiteral("/r"), folder("/r/a")), FolderTreeModel::Added);
        QCOMPARE(f.model.addNode(QStringLiteral("/r"), folder("/r/b")), FolderTreeModel::Added);
        QCOMPARE(f.model.addNode(QStringLiteral("/r"), folder("/r/c")), FolderTreeModel::NodeLimit);
        QList<NodeSpec> specs{folder("/r/d")};
        bool limit = false;
        QCOMPARE(f.model.addNodes(QStringLiteral("/r"), specs, &limit), 0);
        QVERIFY(limit);
        QCOMPARE(f.model.nodeCount(), 3);
    }

    void removeSubtree()
    {
        Fixture f;
        for (const char* k : {"/r/a", "/r/b"})
            f.model.addNode(QStringLiteral("/r"), folder(QString::fromLatin1(k)));
        f.model.addNode(QStringLiteral("/r/a"), folder("/r/a/x"));
        f.model.addNode(QStringLiteral("/r/a/x"), folder("/r/a/x/y"));
        QVERIFY(f.model.select(QStringLiteral("/r/a/x/y")));
        QVERIFY(f.model.removeNode(QStringLiteral("/r/a")));
        QVERIFY(!f.model.contains(QStringLiteral("/r/a/x")));
        QVERIFY(!f.model.contains(QStringLiteral("/r/a/x/y")));
        QCOMPARE(f.model.nodeCount(), 2);
        // A removed selection is no selection, never a dangling key.
        QCOMPARE(f.model.selectedKey(), QString());
        QCOMPARE(f.model.indexOf(QStringLiteral("/r/b")).row(), 0);
        QVERIFY(!f.model.removeNode(QStringLiteral("/r/a")));
        // The key can be used again.
        QCOMPARE(f.model.addNode(QStringLiteral("/r"), folder("/r/a")), FolderTreeModel::Added);
    }

    void changeKeepsOrder_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("to the end") << "/r/b"
                                    << "z" << QStringList{"/r", " a", " c", " z"};
        QTest::newRow("to the front") << "/r/c"
                                      << "0" << QStringList{"/r", " 0", " a", " b"};
        QTest::newRow("stays") << "/r/b"
                               << "bb" << QStringList{"/r", " a", " bb", " c"};
        QTest::newRow("one step") << "/r/a"
                                  << "bz" << QStringList{"/r", " b", " bz", " c"};
    }
    void changeKeepsOrder()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        Fixture f;
        for (const char* k : {"/r/a", "/r/b", "/r/c"})
            f.model.addNode(QStringLiteral("/r"), folder(QString::fromLatin1(k)));
        f.model.addNode(key, folder(key + QStringLiteral("/kid")));
        QVERIFY(f.model.changeNode(key, text, ImageFixed, ImageFixed));
        QStringList shown = outline(f.model);
        shown.removeAll(QStringLiteral("  kid"));
        QCOMPARE(shown, expected);
        const QModelIndex at = f.model.indexOf(key);
        QCOMPARE(at.data().toString(), text);
        QCOMPARE(f.model.rowCount(at), 1); // children move with the node
        QCOMPARE(at.data(FolderTreeModel::ImageRole).toInt(), int(ImageFixed));
    }

    // The selected image shows only on the selected node.
    void selectedImage()
    {
        Fixture f;
        f.model.addNode(QStringLiteral("/r"), folder("/r/a"));
        f.model.addNode(QStringLiteral("/r"), folder("/r/b"));
        const auto image = [&](const char* key) {
            return f.model.indexOf(QString::fromLatin1(key))
                .data(FolderTreeModel::ImageRole)
                .toInt();
        };
        QCOMPARE(image("/r/a"), int(ImageFolder));
        QSignalSpy changed(&f.model, &QAbstractItemModel::dataChanged);
        QVERIFY(f.model.select(QStringLiteral("/r/a")));
        QCOMPARE(image("/r/a"), int(ImageFolderOpen));
        QVERIFY(f.model.select(QStringLiteral("/r/b")));
        QCOMPARE(image("/r/a"), int(ImageFolder));
        QCOMPARE(image("/r/b"), int(ImageFolderOpen));
        QVERIFY(changed.count() >= 3);
        QVERIFY(!f.model.select(QStringLiteral("/r/none")));
        QCOMPARE(f.model.selectedKey(), QStringLiteral("/r/b"));
    }

    void ensureVisible()
    {
        Fixture f;
        f.model.addNode(QStringLiteral("/r"), folder("/r/a"));
        f.model.addNode(QStringLiteral("/r/a"), folder("/r/a/b"));
        f.model.addNode(QStringLiteral("/r/a/b"), folder("/r/a/b/c"));
        QSignalSpy expands(&f.model, &FolderTreeModel::expandRequested);
        QSignalSpy scrolls(&f.model, &FolderTreeModel::scrollRequested);
        f.model.ensureVisible(QStringLiteral("/r/a/b/c"));
        QCOMPARE(f.model.expandedKeys(), (QStringList{"/r", "/r/a", "/r/a/b"}));
        QVERIFY(!f.model.isExpanded(QStringLiteral("/r/a/b/c")));
        QCOMPARE(expands.count(), 3);
        // Outer nodes first, so each expansion has a visible parent.
        QCOMPARE(FolderTreeModel::keyOf(expands.at(0).at(0).toModelIndex()), QStringLiteral("/r"));
        QCOMPARE(scrolls.count(), 1);
    }

    void recursiveExpansion()
    {
        Fixture f;
        f.model.addNode(QStringLiteral("/r"), folder("/r/a"));
        f.model.addNode(QStringLiteral("/r/a"), folder("/r/a/b"));
        f.model.addNode(QStringLiteral("/r"), folder("/r/c"));
        f.model.setExpanded(QStringLiteral("/r"), true, true);
        QCOMPARE(f.model.expandedKeys(), (QStringList{"/r", "/r/a", "/r/a/b", "/r/c"}));
        f.model.setExpanded(QStringLiteral("/r/a"), false, true);
        QCOMPARE(f.model.expandedKeys(), (QStringList{"/r", "/r/c"}));
    }

    // A bulk change resets once and sends no per-node signals.
    void bulkSignals()
    {
        Fixture f;
        QSignalSpy inserted(&f.model, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&f.model, &QAbstractItemModel::modelReset);
        QSignalSpy finished(&f.model, &FolderTreeModel::bulkFinished);
        QSignalSpy expands(&f.model, &FolderTreeModel::expandRequested);
        f.model.beginBulk();
        f.model.beginBulk(); // nested
        for (int i = 0; i < 50; ++i)
            f.model.addNode(QStringLiteral("/r"), folder(QStringLiteral("/r/n%1").arg(49 - i)));
        f.model.setExpanded(QStringLiteral("/r"), true);
        f.model.endBulk();
        QCOMPARE(reset.count(), 0);
        f.model.endBulk();
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(expands.count(), 0);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(f.model.childKeys(QStringLiteral("/r")).first(), QStringLiteral("/r/n0"));
        QCOMPARE(f.model.childKeys(QStringLiteral("/r")).last(), QStringLiteral("/r/n9"));
        QVERIFY(f.model.isExpanded(QStringLiteral("/r")));
    }

    // Removing and renaming inside a bulk change leaves a consistent model.
    void bulkMixed()
    {
        Fixture f;
        f.model.beginBulk();
        for (const char* k : {"/r/c", "/r/a", "/r/b"})
            f.model.addNode(QStringLiteral("/r"), folder(QString::fromLatin1(k)));
        f.model.removeNode(QStringLiteral("/r/a"));
        f.model.changeNode(QStringLiteral("/r/c"), QStringLiteral("0"), ImageFolder,
                           ImageFolderOpen);
        f.model.endBulk();
        QCOMPARE(outline(f.model), (QStringList{"/r", " 0", " b"}));
    }

    void decoration()
    {
        Fixture f;
        f.model.setDecorationProvider([](int image) { return QVariant(image * 10); });
        QCOMPARE(f.model.indexOf(QStringLiteral("/r")).data(Qt::DecorationRole).toInt(), 60);
        f.model.select(QStringLiteral("/r"));
        QCOMPARE(f.model.indexOf(QStringLiteral("/r")).data(Qt::DecorationRole).toInt(), 70);
    }

    void subtreeKeys()
    {
        Fixture f;
        f.model.addNode(QStringLiteral("/r"), folder("/r/b"));
        f.model.addNode(QStringLiteral("/r"), folder("/r/a"));
        f.model.addNode(QStringLiteral("/r/a"), folder("/r/a/x"));
        QCOMPARE(f.model.subtreeKeys(QStringLiteral("/r")),
                 (QStringList{"/r", "/r/a", "/r/a/x", "/r/b"}));
        QCOMPARE(f.model.subtreeKeys(QStringLiteral("/none")), QStringList());
    }
};

QTEST_GUILESS_MAIN(FolderTreeModelTest)
#include "tst_foldertreemodel.moc"
