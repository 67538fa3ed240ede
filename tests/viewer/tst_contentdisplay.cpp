#include "core/mainstate.h"
#include "core/scriptedservices.h"
#include "viewer/contentdisplay.h"

#include <QtTest>

using namespace tovane;

namespace {

// A window's list and widgets as ShowContent sees them: loads are counted
// and answered from `loadError`.
class FakeHost : public ContentHost {
public:
    bool showsDriveList(WindowIndex) const override { return driveList; }
    int itemCount(WindowIndex) const override { return int(items.size()); }
    ContentItem item(WindowIndex, int row) const override { return items.at(row); }
    bool itemPathUsable(WindowIndex, const ContentItem&) override { return pathUsable; }
    bool slideShowRunning() const override { return slideShow; }
    bool locationReadOnly(WindowIndex) const override { return readOnlyLocation; }
    int checkUnsaved(WindowIndex w) override
    {
        ++unsavedChecks;
        return onCheckUnsaved ? onCheckUnsaved(w) : 0;
    }
    void clearPanel(WindowIndex) override { ++panelClears; }
    void hideContent(WindowIndex) override { ++hides; }
    int loadContent(WindowIndex, int category, const QString& path, ContentLoad& out) override
    {
        loads.append({category, path});
        out.width = 640;
        out.height = 480;
        out.textPoints = 12;
        return loadError;
    }
    void showTextBox(WindowIndex, bool readOnly, bool) override { shownReadOnly = readOnly; }
    void showPicture(WindowIndex) override {}
    void contentChanged(WindowIndex) override {}

    void add(const QString& name, const QString& date = QStringLiteral("2024/01/02 03:04:05"),
             bool file = true)
    {
        items.append({QStringLiteral("/data/"), name, date, file});
    }

    QList<ContentItem> items;
    QList<QPair<int, QString>> loads;
    std::function<int(WindowIndex)> onCheckUnsaved;
    bool driveList = false;
    bool pathUsable = true;
    bool slideShow = false;
    bool readOnlyLocation = false;
    bool shownReadOnly = false;
    int loadError = 0;
    int unsavedChecks = 0;
    int panelClears = 0;
    int hides = 0;
};

CategoryLists lists()
{
    CategoryLists l;
    l[0] = QStringLiteral(" zip,");
    l[1] = QStringLiteral(" png, jpg,");
    l[2] = QStringLiteral(" rtf,");
    l[3] = QStringLiteral(" txt, log,");
    l[4] = QStringLiteral(" ini,");
    l[5] = QStringLiteral(" bas,");
    l[9] = QStringLiteral(" log, pl,");
    return l;
}

struct Fixture {
    Fixture(int mode = 1)
        : categories(lists()), display({state, categories, messages, progress, host})
    {
        state.setFunctionMode(mode);
        state.settingsOf(LeftWindow).contentDisplay = true;
        state.setStarted(true);
    }
    MainState state;
    CategoryLists categories;
    ScriptedMessageService messages;
    ScriptedProgressService progress;
    FakeHost host;
    ContentDisplay display;
};

} // namespace

class ContentDisplayTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void category_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("file");
        QTest::addColumn<int>("category"); // -1: nothing loaded
        QTest::newRow("smaller index wins") << "a.log" << 1 << true << 3;
        QTest::newRow("language in an extended mode") << "m.pl" << 2 << true << 9;
        QTest::newRow("basic mode ignores languages") << "m.bas" << 0 << true << -1;
        QTest::newRow("basic mode keeps texts") << "a.ini" << 0 << true << 4;
        QTest::newRow("folder named like a text") << "notes.txt" << 1 << false << -1;
        QTest::newRow("no extension") << "README" << 1 << true << -1;
        QTest::newRow("upper case") << "P.PNG" << 1 << true << 1;
    }
    void category()
    {
        QFETCH(QString, name);
        QFETCH(int, mode);
        QFETCH(bool, file);
        QFETCH(int, category);
        Fixture f(mode);
        f.host.add(name, QStringLiteral("2024/01/02 03:04:05"), file);
        const QString shown = f.display.showContent(LeftWindow, 1, false);
        if (category < 0) {
            QVERIFY(f.host.loads.isEmpty());
            QVERIFY(shown.isEmpty());
        } else {
            QCOMPARE(f.host.loads.size(), 1);
            QCOMPARE(f.host.loads.first().first, category);
            QCOMPARE(f.host.loads.first().second, QStringLiteral("/data/") + name);
            QCOMPARE(shown, QStringLiteral("/data/") + name);
        }
    }

    // A text shown before, then an item nothing can show: the area is
    // cleared in the basic mode as in any other.
    void undisplayableItemClearsShownContent()
    {
        Fixture f(0);
        f.host.add(QStringLiteral("a.txt"));
        f.host.add(QStringLiteral("m.bas"));
        f.display.showContent(LeftWindow, 1, false);
        QVERIFY(f.display.state(LeftWindow).text);
        QCOMPARE(f.state.shownContent(LeftWindow), ContentKind::Text);
        f.display.showContent(LeftWindow, 2, false);
        QCOMPARE(f.host.loads.size(), 1);
        QVERIFY(!f.display.state(LeftWindow).anything());
        QCOMPARE(f.state.shownContent(LeftWindow), ContentKind::None);
        QVERIFY(f.host.hides > 0);
    }

    void reload_data()
    {
        QTest::addColumn<int>("second");   // item chosen the second time
        QTest::addColumn<QString>("date"); // date text of item 1 by then
        QTest::addColumn<bool>("force");
        QTest::addColumn<int>("loads");
        const QString same = QStringLiteral("2024/01/02 03:04:05");
        QTest::newRow("same item again") << 1 << same << false << 1;
        QTest::newRow("same item, date changed")
            << 1 << QStringLiteral("2024/01/02 03:04:06") << false << 2;
        QTest::newRow("same item, forced") << 1 << same << true << 2;
        QTest::newRow("other item") << 2 << same << false << 2;
    }
    void reload()
    {
        QFETCH(int, second);
        QFETCH(QString, date);
        QFETCH(bool, force);
        QFETCH(int, loads);
        Fixture f;
        f.host.add(QStringLiteral("a.txt"));
        f.host.add(QStringLiteral("b.txt"));
        f.display.showContent(LeftWindow, 1, false);
        f.host.items[0].dateText = date;
        f.display.showContent(LeftWindow, second, force);
        QCOMPARE(f.host.loads.size(), loads);
    }

    void displayOffLoadsNothing()
    {
        Fixture f;
        f.host.add(QStringLiteral("a.txt"));
        f.display.showContent(LeftWindow, 1, false);
        f.state.settingsOf(LeftWindow).contentDisplay = false;
        f.host.add(QStringLiteral("b.txt"));
        f.display.showContent(LeftWindow, 2, true);
        QCOMPARE(f.host.loads.size(), 1);
        QVERIFY(!f.display.state(LeftWindow).anything());
        QCOMPARE(f.host.unsavedChecks, 1);
    }

    void failure_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("messagesOn");
        QTest::addColumn<bool>("slideShow");
        QTest::addColumn<int>("messagesShown");
        QTest::newRow("unreadable, messages on") << int(EILSEQ) << true << false << 1;
        QTest::newRow("unreadable, messages off") << int(EILSEQ) << false << false << 0;
        QTest::newRow("during a slide show") << int(LoadFailed) << true << true << 0;
        QTest::newRow("listing reported already") << int(LoadReported) << true << false << 0;
    }
    void failure()
    {
        QFETCH(int, error);
        QFETCH(bool, messagesOn);
        QFETCH(bool, slideShow);
        QFETCH(int, messagesShown);
        Fixture f;
        f.messages.setConfirmationMessages(messagesOn);
        f.host.slideShow = slideShow;
        f.host.loadError = error;
        f.host.add(QStringLiteral("bad.txt"));
        QVERIFY(f.display.showContent(LeftWindow, 1, false).isEmpty());
        QCOMPARE(f.messages.log().size(), messagesShown);
        if (messagesShown) {
            QCOMPARE(f.messages.log().first().text,
                     QStringLiteral(
                         "ファイル bad.txt は\r\n\r\n処理対象形式ではないので表示できません。"));
            QCOMPARE(f.messages.log().first().caption, QStringLiteral("ファイル内容表示"));
        }
        const ContentState& s = f.display.state(LeftWindow);
        QVERIFY(!s.anything());
        QVERIFY(s.shownPath.isEmpty());
        QVERIFY(f.host.hides > 0);
        // Busy and the progress text are left again.
        QVERIFY(!f.progress.busy());
        QVERIFY(f.progress.progress().isEmpty());
    }

    void readOnly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("locationReadOnly");
        QTest::addColumn<bool>("slideShow");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("extended, writable") << "a.txt" << 1 << false << false << false;
        QTest::newRow("basic mode") << "a.txt" << 0 << false << false << true;
        QTest::newRow("protected location") << "a.txt" << 3 << true << false << true;
        QTest::newRow("slide show") << "a.txt" << 1 << false << true << true;
        QTest::newRow("archive listing") << "a.zip" << 1 << false << false << true;
        QTest::newRow("rich text, writable") << "a.rtf" << 1 << false << false << false;
    }
    void readOnly()
    {
        QFETCH(QString, name);
        QFETCH(int, mode);
        QFETCH(bool, locationReadOnly);
        QFETCH(bool, slideShow);
        QFETCH(bool, readOnly);
        Fixture f(mode);
        f.host.readOnlyLocation = locationReadOnly;
        f.host.slideShow = slideShow;
        f.host.add(name);
        f.display.showContent(LeftWindow, 1, false);
        QCOMPARE(f.display.state(LeftWindow).readOnly, readOnly);
        QCOMPARE(f.host.shownReadOnly, readOnly);
    }

    // Whatever the unsaved-text question did, the content is replaced only
    // when the edited text is no longer pending: a save that was chosen but
    // did not happen keeps the text on display.
    void unsavedText_data()
    {
        QTest::addColumn<int>("answer");     // what checkUnsaved returns
        QTest::addColumn<bool>("saveWorks"); // the modified flag is cleared by the save
        QTest::addColumn<bool>("replaced");
        QTest::newRow("no: forgotten") << 0 << false << true;
        QTest::newRow("yes, saved") << 1 << true << true;
        QTest::newRow("yes, the save failed") << 1 << false << false;
    }
    void unsavedText()
    {
        QFETCH(int, answer);
        QFETCH(bool, saveWorks);
        QFETCH(bool, replaced);
        Fixture f;
        f.host.add(QStringLiteral("a.txt"));
        f.host.add(QStringLiteral("b.txt"));
        f.display.showContent(LeftWindow, 1, false);
        f.display.textEdited(LeftWindow);
        f.host.onCheckUnsaved = [&](WindowIndex w) {
            if (answer == 1 && saveWorks)
                f.display.textSaved(w, QStringLiteral("/data/a.txt"), QString());
            return answer;
        };
        f.display.showContent(LeftWindow, 2, false);
        QCOMPARE(f.host.unsavedChecks, 2);
        QCOMPARE(f.host.loads.size(), replaced ? 2 : 1);
        const ContentState& s = f.display.state(LeftWindow);
        QCOMPARE(s.modified, !replaced);
        QCOMPARE(s.shownPath,
                 replaced ? QStringLiteral("/data/b.txt") : QStringLiteral("/data/a.txt"));
    }

    void driveListClears()
    {
        Fixture f;
        f.host.add(QStringLiteral("a.txt"));
        f.display.showContent(LeftWindow, 1, false);
        f.host.driveList = true;
        f.display.showContent(LeftWindow, 1, false);
        QCOMPARE(f.host.loads.size(), 1);
        QVERIFY(!f.display.state(LeftWindow).anything());
        QCOMPARE(f.state.shownContent(LeftWindow), ContentKind::None);
    }

    void noItemHidesWidgets()
    {
        Fixture f;
        f.host.add(QStringLiteral("a.txt"));
        f.display.showContent(LeftWindow, 1, false);
        const int hides = f.host.hides;
        f.display.showContent(LeftWindow, 5, false);
        QVERIFY(f.host.hides > hides);
        QVERIFY(!f.display.state(LeftWindow).shown);
    }

    void brokenPathStops()
    {
        Fixture f;
        f.host.add(QStringLiteral("a.txt"));
        f.host.pathUsable = false;
        f.display.showContent(LeftWindow, 1, false);
        QVERIFY(f.host.loads.isEmpty());
        QCOMPARE(f.host.unsavedChecks, 0);
    }

    void labels_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QString>("label");
        QTest::newRow("100 %") << 10000 << QStringLiteral("表示倍率 100%");
        QTest::newRow("fraction") << 12550 << QStringLiteral("表示倍率 125.5%");
        QTest::newRow("two places") << 3333 << QStringLiteral("表示倍率 33.33%");
        QTest::newRow("large") << 80000 << QStringLiteral("表示倍率 800%");
    }
    void labels()
    {
        QFETCH(int, zoom);
        QFETCH(QString, label);
        QCOMPARE(zoomLabel(zoom), label);
    }

    void viewLabel()
    {
        Fixture f;
        f.host.add(QStringLiteral("p.png"));
        f.host.add(QStringLiteral("r.rtf"));
        f.display.showContent(LeftWindow, 1, false);
        QCOMPARE(f.display.viewLabel(LeftWindow, 5000),
                 QStringLiteral("表示倍率 50%　(W:640 × H:480)"));
        f.display.showContent(LeftWindow, 2, false);
        // Rich text shows its own size at the start.
        QCOMPARE(f.display.viewLabel(LeftWindow, 5000), QStringLiteral("文字サイズ 12P"));
        f.state.settingsOf(LeftWindow).contentDisplay = false;
        QVERIFY(f.display.viewLabel(LeftWindow, 5000).isEmpty());
    }

    void labelPanel_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<bool>("two");
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<int>("panel");
        QTest::newRow("left of two") << 0 << true << false << 1;
        QTest::newRow("right of two") << 1 << true << false << 3;
        QTest::newRow("right alone") << 1 << false << false << 1;
        QTest::newRow("right, maximized") << 1 << true << true << 1;
    }
    void labelPanel()
    {
        QFETCH(int, window);
        QFETCH(bool, two);
        QFETCH(bool, maximized);
        QFETCH(int, panel);
        QCOMPARE(ContentDisplay::labelPanel(window, two, maximized), panel);
    }
};

QTEST_GUILESS_MAIN(ContentDisplayTest)
#include "tst_contentdisplay.moc"
