// The Help-menu items of the places: the jump of the selected window to the
// chosen folder (inside or outside its tree, or not at all), the bookmarks
// kept however the dialog closed, and the special-folder item that is
// offered only while every item is listed.

#include "app/browsing.h"
#include "app/dialogb.h"
#include "app/dialogf.h"
#include "app/mainwindow.h"
#include "app/placing.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "support/tempdir.h"
#include "tree/treerules.h"

#include <QAction>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace tovane;
using tovane::test::TempDir;

namespace {

struct Fixture {
    TempDir dir;
    std::unique_ptr<MainWindow> window;
    ScriptedMessageService messages;

    // `leftTop`: the left tree's top below the temp folder, or "_".
    // `mode`: the function mode (the special folders are offered from 1 on).
    bool start(const QByteArray& leftTop, int mode = 1)
    {
        for (const char* f : {"cfg", "l", "r", "l/sub", "l/sub/deep", "l/sub/deep/er"})
            if (!dir.makeFolder(f))
                return false;
        window = std::make_unique<MainWindow>(dir.filePath(QStringLiteral("cfg")));
        const QByteArray top = leftTop == "_" ? leftTop : dir.pathBytes() + '/' + leftTop;
        // The extended modes need the marker; without it the mode is basic.
        const QByteArray settings =
            (mode > 0 ? "[Tovane]\r\nApType=x\r\nApMode=" + QByteArray::number(mode) + "\r\n"
                      : QByteArray()) +
            "[Position]\r\nPath=" + top + ',' + dir.pathBytes() + "/l,_," + dir.pathBytes() +
            "/r,\r\n";
        writeSettingsText(window->settingsFile(), QString::fromUtf8(settings));
        window->setMessageService(&messages);
        window->startUp();
        window->activateWindowIndex(LeftWindow, 0);
        return window->placing() != nullptr;
    }
    QString path(const QString& relative) const
    {
        return relative.startsWith(u'/') ? relative : dir.filePath(relative);
    }
    QString listed() const { return window->state().listedPath(window->selectedWindow()); }
};

// Chooses the row whose path ends in `tail` and closes the dialog as `how`.
std::function<void(PlaceDialog&)> choose(const QString& tail, const QString& how)
{
    return [tail, how](PlaceDialog& d) {
        QTreeWidget* list = d.list();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0).endsWith(tail))
                list->setCurrentItem(list->topLevelItem(i));
        if (how == QLatin1String("enter"))
            QTest::keyClick(&d, Qt::Key_Return);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(&d, Qt::Key_Escape);
        else
            d.closeButton()->click();
    };
}

} // namespace

class PlacingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bookmarkJump_data()
    {
        QTest::addColumn<QByteArray>("leftTop");
        QTest::addColumn<QString>("target"); // bookmark, below the temp folder
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("listed"); // the left window's path afterwards
        QTest::addColumn<bool>("refused");

        QTest::newRow("inside, Enter") << QByteArray("l") << "l/sub"
                                       << "enter"
                                       << "l/sub/" << false;
        QTest::newRow("not loaded yet") << QByteArray("l") << "l/sub/deep/er"
                                        << "enter"
                                        << "l/sub/deep/er/" << false;
        QTest::newRow("outside the tree") << QByteArray("l") << "r"
                                          << "enter"
                                          << "l/" << true;
        QTest::newRow("whole computer") << QByteArray("_") << "r"
                                        << "enter"
                                        << "r/" << false;
        QTest::newRow("close button") << QByteArray("l") << "l/sub"
                                      << "close"
                                      << "l/" << false;
        QTest::newRow("Esc") << QByteArray("l") << "l/sub"
                             << "escape"
                             << "l/" << false;
    }
    void bookmarkJump()
    {
        QFETCH(QByteArray, leftTop);
        QFETCH(QString, target);
        QFETCH(QString, how);
        QFETCH(QString, listed);
        QFETCH(bool, refused);
        Fixture f;
        QVERIFY(f.start(leftTop));
        QCOMPARE(f.listed(), f.path(QStringLiteral("l/")));
        f.window->settings().bookmarks = {{f.path(target), QStringLiteral("c")}};
        f.window->placing()->form = choose(target, how);
        f.messages.clearLog();
        QAction* a = f.window->menus().action("mnuHelpItem", 1);
        QVERIFY(a && a->isEnabled());
        a->trigger();
        QCOMPARE(f.listed(), f.path(listed));
        QCOMPARE(f.messages.texts(),
                 refused ? QStringList{jumpOutsideTreeText(f.path(target))} : QStringList());
    }

    void bookmarksKeptHoweverClosed_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("close button") << "close";
        QTest::newRow("Esc") << "escape";
        QTest::newRow("Enter") << "enter";
    }
    void bookmarksKeptHoweverClosed()
    {
        QFETCH(QString, how);
        Fixture f;
        QVERIFY(f.start("_"));
        f.window->settings().bookmarks = {{f.path(QStringLiteral("r")), QStringLiteral("r")}};
        QStringList asked;
        f.window->placing()->askComment = [&asked](const QString& title, const QString&,
                                                   const QString& proposal) {
            asked << title << proposal;
            return proposal;
        };
        f.window->placing()->form = [how](PlaceDialog& d) {
            static_cast<DialogB&>(d).button(0)->click();
            choose(QStringLiteral("/r"), how)(d);
        };
        f.window->menus().action("mnuHelpItem", 1)->trigger();
        QCOMPARE(asked, (QStringList{QStringLiteral("コメント入力"), QStringLiteral("　")}));
        const QList<Bookmark> expected{{f.path(QStringLiteral("r")), QStringLiteral("r")},
                                       {f.path(QStringLiteral("l")), QStringLiteral("　")}};
        QCOMPARE(f.window->settings().bookmarks, expected);
        // Enter chose the kept row; the other ways leave the window where it was.
        QCOMPARE(f.listed(), f.path(how == QLatin1String("enter") ? QStringLiteral("r/")
                                                                  : QStringLiteral("l/")));
    }

    void specialFolderJump_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("listed");
        QTest::newRow("Enter") << "enter"
                               << "l/sub/deep/";
        QTest::newRow("close button") << "close"
                                      << "l/";
    }
    void specialFolderJump()
    {
        QFETCH(QString, how);
        QFETCH(QString, listed);
        Fixture f;
        QVERIFY(f.start("_"));
        const QString deep = f.path(QStringLiteral("l/sub/deep"));
        f.window->placing()->lookup = [deep](platform::Place p) {
            return p == platform::Place::Documents ? deep : QString();
        };
        QStringList comments;
        f.window->placing()->form = [&comments, how](PlaceDialog& d) {
            for (int i = 0; i < d.list()->topLevelItemCount(); ++i)
                comments << d.list()->topLevelItem(i)->text(1);
            choose(QStringLiteral("deep"), how)(d);
        };
        for (int i : {1, 2, 3})
            f.window->menus().action("mnuNDispAttr", i)->trigger();
        QAction* a = f.window->menus().action("mnuHelpItem", 0);
        QVERIFY(a && a->isEnabled());
        a->trigger();
        QCOMPARE(comments, QStringList{QStringLiteral("ドキュメント")});
        QCOMPARE(f.listed(), f.path(listed));
    }

    void specialFoldersOnlyWithoutHiddenAttributes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<int>>("toggles"); // mnuNDispAttr items triggered in turn
        QTest::addColumn<bool>("enabled");
        // Hidden, system and compressed items are left out by default.
        QTest::newRow("default") << 1 << QList<int>() << false;
        QTest::newRow("every item listed") << 1 << QList<int>{1, 2, 3} << true;
        QTest::newRow("then read-only left out") << 1 << QList<int>{1, 2, 3, 0} << false;
        QTest::newRow("then hidden left out again") << 1 << QList<int>{1, 2, 3, 1} << false;
        QTest::newRow("read-only on and off") << 1 << QList<int>{1, 2, 3, 0, 0} << true;
        QTest::newRow("basic mode: not offered") << 0 << QList<int>{1, 2, 3} << false;
        QTest::newRow("basic mode, then extended") << 0 << QList<int>{1, 2, 3, -1} << true;
        QTest::newRow("hidden left out in basic mode, then extended")
            << 0 << QList<int>{1, 2, 3, 1, -1} << false;
    }
    void specialFoldersOnlyWithoutHiddenAttributes()
    {
        QFETCH(int, mode);
        QFETCH(QList<int>, toggles);
        QFETCH(bool, enabled);
        Fixture f;
        QVERIFY(f.start("_", mode));
        for (int i : toggles) {
            // -1: 拡張１ chosen
            QAction* a = i < 0 ? f.window->menus().action("mnuSetType", 1)
                               : f.window->menus().action("mnuNDispAttr", i);
            a->trigger();
        }
        QAction* item = f.window->menus().action("mnuHelpItem", 0);
        QCOMPARE(item->isEnabled(), enabled);
        QCOMPARE(item->isVisible(), toggles.contains(-1) || mode > 0);
        // The bookmarks stay available either way.
        QVERIFY(f.window->menus().action("mnuHelpItem", 1)->isEnabled());
    }
};

QTEST_MAIN(PlacingTest)
#include "tst_placing.moc"
