#include "app/menubar.h"
#include "app/toolbar.h"
#include "core/keymap.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QSignalSpy>
#include <QToolBar>
#include <QtTest>

using namespace tovane;

namespace {

struct Built {
    QMainWindow window;
    MenuBar menus;
    Toolbar tools;
    Built()
    {
        menus = buildMenuBar(window.menuBar(), &window);
        auto* bar = new QToolBar(&window);
        window.addToolBar(bar);
        tools = buildToolbar(bar, &window);
    }
};

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

// Every action reachable from the bar, depth first.
void collect(const QList<QAction*>& actions, QList<QAction*>& out)
{
    for (QAction* a : actions) {
        out.append(a);
        if (a->menu())
            collect(a->menu()->actions(), out);
    }
}
QList<QAction*> allActions(QMenuBar* bar)
{
    QList<QAction*> out;
    collect(bar->actions(), out);
    return out;
}

QChar accessKey(const QString& text)
{
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (text[i + 1] != QLatin1Char('&'))
                return text[i + 1].toUpper();
            ++i;
        }
    }
    return QChar();
}

} // namespace

class MenuBarTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void topLevelMenusInOrder_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("caption");
        QTest::newRow("file") << 0 << u("ファイル(&F)");
        QTest::newRow("view") << 1 << u("表 示(&V)");
        QTest::newRow("edit") << 2 << u("編 集(&E)");
        QTest::newRow("settings") << 3 << u("設 定(&S)");
        QTest::newRow("window") << 4 << u("ウィンドウ(&W)");
        QTest::newRow("help") << 5 << u("ヘルプ(&H)");
        QTest::newRow("version") << 6
                                 << u(" ( Tovane　Ver. ") + QStringLiteral(TOVANE_VERSION) +
                                        u(" )");
    }
    void topLevelMenusInOrder()
    {
        QFETCH(int, position);
        QFETCH(QString, caption);
        Built b;
        const QList<QAction*> top = b.window.menuBar()->actions();
        QCOMPARE(top.size(), 7);
        QAction* a = top.at(position);
        QCOMPARE(a->objectName(), QStringLiteral("mnuMenu_%1").arg(position));
        QCOMPARE(a->text(), caption);
        QCOMPARE(b.menus.action("mnuMenu", position), a);
        QCOMPARE(a->menu() != nullptr, position < 6); // the version item opens no menu
    }

    void itemsCarryCaptionShortcutAndPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("previous"); // the item above it in its menu
        auto row = [](const char* name, const char* caption, const char* key, const char* parent,
                      const char* previous) {
            QTest::newRow(name) << QString::fromLatin1(name) << u(caption)
                                << QString::fromLatin1(key) << QString::fromLatin1(parent)
                                << QString::fromLatin1(previous);
        };
        row("mnuFileItem_0", "新規作成(&N)", "", "mnuMenu_0", "");
        row("mnuMake_0", "フォルダ(&F)", "F7", "mnuFileItem_0", "");
        row("mnuMake_1", "テキストファイル(&T)", "", "mnuFileItem_0", "mnuMake_0");
        row("mnuTextSave_1", "名前を付けて保存(&N)", "", "mnuFileItem_1", "mnuTextSave_0");
        row("mnuFileSel_2", "選択を解除(&R)", "", "mnuFileItem_2", "mnuFileSel_1");
        row("mnuFileItem_3", "比較選択(&H)", "Ctrl+K", "mnuMenu_0", "mnuFileItem_2");
        row("mnuFileItem_4", "コピー(&C)", "", "mnuMenu_0", "mnuFileItem_3");
        row("mnuFileItem_5", "移　動(&V)", "", "mnuMenu_0", "mnuFileItem_4");
        row("mnuFileItem_6", "ごみ箱に移動／抹消(&D)", "Del", "mnuMenu_0", "mnuFileItem_5");
        row("mnuFileItem_7", "ショートカットを作成(&S)  →", "", "mnuMenu_0", "mnuFileItem_6");
        row("mnuFileShCt_5", "スタートアップ(&U)", "", "mnuFileItem_7", "mnuFileShCt_4");
        row("mnuFileItem_9", "名前変更(&M)", "F2", "mnuMenu_0", "mnuFileItem_8");
        row("mnuFileAttr_0", "読取り専用属性 解除(&Q)", "", "mnuFileItem_11", "");
        row("mnuFileAttr_7", "アーカイブ属性 設定(&A)", "", "mnuFileItem_11", "mnuFileAttr_6");
        row("mnuFileItem_12", "日時変更(&T)", "", "mnuMenu_0", "mnuFileItem_11");
        row("mnuFileFrz_2", "zip(&Z)", "", "mnuFileArc_0", "mnuFileFrz_1");
        row("mnuFileArc_1", "解　凍(&M)", "", "mnuFileItem_13", "mnuFileArc_0");
        row("mnuFileItem_14", "検　索(&F)", "F3", "mnuMenu_0", "mnuFileItem_13");
        row("mnuFileItem_18", "連番付け対象拡張子(&K)", "", "mnuMenu_0", "mnuFileItem_17");
        row("mnuFileINI_0", "位置、サイズ、パス、他(&P)", "", "mnuFileItem_20", "");
        row("mnuFileINI_4", "全　部(&A)", "", "mnuFileItem_20", "mnuFileINI_3");
        row("mnuDispTree_1", "ツリー最上位項目の親項目以下(&P)", "", "mnuDispItem_0",
            "mnuDispTree_0");
        row("mnuListView_1", "詳　細(&D)", "", "mnuDispItem_1", "mnuListView_0");
        row("mnuDispUnit_1", "kB（キロバイト）(&K)", "", "mnuDispItem_2", "mnuDispUnit_0");
        row("mnuNDispAttr_3", "圧縮属性(&C)", "", "mnuDispItem_6", "mnuNDispAttr_2");
        row("mnuDispScrn_1", "最　大(&X)", "", "mnuDispItem_10", "mnuDispScrn_0");
        row("mnuDispExt_2", "テキスト1(RTF)(&-)", "", "mnuDispItem_11", "mnuDispExt_1");
        row("mnuDispExt_14", "言語10(&Z)", "", "mnuDispItem_11", "mnuDispExt_13");
        row("mnuImgCffRtt_0", "イメージ表示倍率(&I)", "", "mnuMenu_1", "mnuDispItem_11");
        row("mnuDispImgCff_4", "　　指定倍率％(&X)", "", "mnuImgCffRtt_0", "mnuDispImgCff_3");
        row("mnuDispImg_4", "１００（原寸）(&O)", "", "mnuDispImgCff_4", "mnuDispImg_3");
        row("mnuDispImg_8", "現在値 ＋ １００(&P)", "", "mnuDispImgCff_4", "mnuDispImg_7");
        row("mnuImgRtt_5", "上下反転(&V)", "", "mnuImgCffRtt_1", "mnuImgRtt_4");
        row("mnuDispSlide_3", "表示順反転(&X)", "", "mnuDispItem_12", "mnuDispSlide_2");
        row("mnuDispItem_15", "イメージ集約拡張子(&G)", "", "mnuMenu_1", "mnuDispItem_14");
        row("mnuDispPoint_0", "　９ポイント(&9)", "", "mnuDispItem_17", "");
        row("mnuDispItem_18", "最新の情報に更新(&R)", "F5", "mnuMenu_1", "mnuDispItem_17");
        row("mnuEditItem_3", "フォント選択(&F)", "", "mnuMenu_2", "mnuEditItem_2");
        row("mnuSetType_3", "拡張３(&Z)", "", "mnuSetItem_0", "mnuSetType_2");
        row("mnuSetCmp_3", "サイズ(&S)", "", "mnuSetItem_1", "mnuSetCmp_2");
        row("mnuSetCmpDate_2", "差がある(&D)", "", "mnuSetCmp_2", "mnuSetCmpDate_1");
        row("mnuSetCmpSize_0", "大きい(&L)", "", "mnuSetCmp_4", "");
        row("mnuSetWndw_0", "両　 方(&B)", "", "mnuSetItem_2", "");
        row("mnuSetProc_1", "１ 階層(&S)", "", "mnuSetItem_3", "mnuSetProc_0");
        row("mnuSetItem_4", "（１窓時）非表示窓再選択(&R)", "", "mnuMenu_3", "mnuSetItem_3");
        row("mnuSetAdrv_2", "手　動(&M)", "", "mnuSetItem_5", "mnuSetAdrv_1");
        row("mnuWindowItem_0", "窓数を増減(&W)", "Ctrl+U", "mnuMenu_4", "");
        row("mnuWindowItem_1", "選択窓を切替(&E)", "Ctrl+E", "mnuMenu_4", "mnuWindowItem_0");
        row("mnuHelpItem_1", "ブックマーク(&B)", "", "mnuMenu_5", "mnuHelpItem_0");
        row("mnuHelpItem_3", "使用方法(&H)", "F1", "mnuMenu_5", "mnuHelpItem_2");
    }
    void itemsCarryCaptionShortcutAndPlace()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, shortcut);
        QFETCH(QString, parent);
        QFETCH(QString, previous);
        Built b;
        const QString control = name.section(QLatin1Char('_'), 0, 0);
        const int index = name.section(QLatin1Char('_'), 1).toInt();
        QAction* a = b.menus.action(control.toLatin1().constData(), index);
        QVERIFY(a);
        QCOMPARE(a->objectName(), name);
        QCOMPARE(a->text(), caption);
        QCOMPARE(a->shortcut().toString(QKeySequence::PortableText), shortcut);

        auto* menu = b.window.menuBar()->findChild<QMenu*>(parent);
        QVERIFY2(menu, qPrintable(parent));
        const QList<QAction*> siblings = menu->actions();
        const qsizetype at = siblings.indexOf(a);
        QVERIFY2(at >= 0, "not in the expected menu");
        QCOMPARE(at == 0 ? QString() : siblings.at(at - 1)->objectName(), previous);
    }

    void separatorsHoldTheirIndexes_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("index");
        for (int i : {16, 19})
            QTest::addRow("mnuFileItem_%d", i) << QStringLiteral("mnuFileItem") << i;
        for (int i : {7, 8, 13, 16})
            QTest::addRow("mnuDispItem_%d", i) << QStringLiteral("mnuDispItem") << i;
        for (int i : {3, 5}) // the zoom steps reached only by keys
            QTest::addRow("mnuDispImg_%d", i) << QStringLiteral("mnuDispImg") << i;
        QTest::newRow("mnuHelpItem_2") << QStringLiteral("mnuHelpItem") << 2;
    }
    void separatorsHoldTheirIndexes()
    {
        QFETCH(QString, control);
        QFETCH(int, index);
        Built b;
        QAction* a = b.menus.action(control.toLatin1().constData(), index);
        QVERIFY(a);
        QVERIFY(a->isSeparator());
    }

    void radioItemsAreExclusiveWithinTheirMenu_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("list form") << QStringLiteral("mnuListView") << 0 << 1;
        QTest::newRow("size unit") << QStringLiteral("mnuDispUnit") << 0 << 1;
        QTest::newRow("content display") << QStringLiteral("mnuDispFile") << 0 << 1;
        QTest::newRow("zoom modes") << QStringLiteral("mnuDispImgCff") << 0 << 3;
        QTest::newRow("text size") << QStringLiteral("mnuDispPoint") << 0 << 3;
        QTest::newRow("function mode") << QStringLiteral("mnuSetType") << 0 << 3;
        QTest::newRow("date detail") << QStringLiteral("mnuSetCmpDate") << 0 << 2;
        QTest::newRow("levels") << QStringLiteral("mnuSetProc") << 0 << 1;
        QTest::newRow("a drive") << QStringLiteral("mnuSetAdrv") << 1 << 2;
        QTest::newRow("messages") << QStringLiteral("mnuDispMsg") << 0 << 1;
    }
    void radioItemsAreExclusiveWithinTheirMenu()
    {
        QFETCH(QString, control);
        QFETCH(int, first);
        QFETCH(int, last);
        Built b;
        const QByteArray c = control.toLatin1();
        for (int pick = first; pick <= last; ++pick) {
            QAction* a = b.menus.action(c.constData(), pick);
            a->setEnabled(true);
            a->trigger();
            for (int i = first; i <= last; ++i)
                QCOMPARE(b.menus.action(c.constData(), i)->isChecked(), i == pick);
        }
    }

    void sameCaptionsInOtherMenusStayIndependent()
    {
        Built b;
        QAction* sizeOn = b.menus.action("mnuDispSize", 0);
        QAction* folderOff = b.menus.action("mnuDispFldrSz", 1);
        QAction* dateAny = b.menus.action("mnuSetCmpDate", 2);
        QAction* sizeAny = b.menus.action("mnuSetCmpSize", 2);
        for (QAction* a : {sizeOn, folderOff, dateAny, sizeAny})
            a->setChecked(true);
        QVERIFY(sizeOn->isChecked());
        QVERIFY(folderOff->isChecked());
        QVERIFY(dateAny->isChecked());
        QVERIFY(sizeAny->isChecked());
        // The entry that opens the manual steps is not one of the modes.
        QVERIFY(!b.menus.action("mnuDispImgCff", 4)->isCheckable());
    }

    void checkItemsToggleOnTheirOwn_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QList<int>>("indexes");
        QTest::newRow("hidden attributes")
            << QStringLiteral("mnuNDispAttr") << QList<int>{0, 1, 2, 3};
        QTest::newRow("compare conditions")
            << QStringLiteral("mnuSetCmp") << QList<int>{0, 1, 3, 5, 6};
    }
    void checkItemsToggleOnTheirOwn()
    {
        QFETCH(QString, control);
        QFETCH(QList<int>, indexes);
        Built b;
        const QByteArray c = control.toLatin1();
        for (int i : indexes) {
            b.menus.action(c.constData(), i)->setEnabled(true);
            b.menus.action(c.constData(), i)->trigger();
        }
        for (int i : indexes)
            QVERIFY(b.menus.action(c.constData(), i)->isChecked());
        b.menus.action(c.constData(), indexes.first())->trigger();
        QVERIFY(!b.menus.action(c.constData(), indexes.first())->isChecked());
        QVERIFY(b.menus.action(c.constData(), indexes.last())->isChecked());
    }

    void onlyWiredItemsStartEnabled_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("enabled");
        for (const char* live : {"mnuWindowItem_0", "mnuWindowItem_1", "mnuSetType_0",
                                 "mnuSetType_3", "mnuFileINI_0", "mnuFileINI_4", "mnuDispPoint_2",
                                 "mnuMenu_6", "mnuFileItem_21", "mnuMenu_0", "mnuFileItem_20"})
            QTest::newRow(live) << QString::fromLatin1(live) << true;
        for (const char* later : {"mnuFileItem_3", "mnuFileItem_4", "mnuFileItem_9", "mnuMake_0",
                                  "mnuDispItem_18", "mnuEditItem_0", "mnuSetCmp_0", "mnuHelpItem_3",
                                  "mnuDispTree_0", "mnuFileFrz_0", "mnuDispImg_0"})
            QTest::newRow(later) << QString::fromLatin1(later) << false;
    }
    void onlyWiredItemsStartEnabled()
    {
        QFETCH(QString, name);
        QFETCH(bool, enabled);
        Built b;
        QAction* a = nullptr;
        for (QAction* x : allActions(b.window.menuBar()))
            if (x->objectName() == name)
                a = x;
        QVERIFY(a);
        QCOMPARE(a->isEnabled(), enabled);
    }

    void functionModeShowsExactlyTheListedItems_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("shortcuts");
        for (int m = 0; m <= 3; ++m)
            for (bool s : {false, true})
                QTest::addRow("mode %d%s", m, s ? " with shortcuts" : "") << m << s;
        QTest::newRow("out of range") << 7 << true;
    }
    void functionModeShowsExactlyTheListedItems()
    {
        QFETCH(int, mode);
        QFETCH(bool, shortcuts);
        const QStringList extended = {
            "mnuMenu_2",      "mnuMake_1",      "mnuFileItem_1",  "mnuFileItem_8",
            "mnuFileItem_10", "mnuFileItem_12", "mnuFileItem_13", "mnuFileItem_15",
            "mnuFileItem_17", "mnuFileItem_18", "mnuFileAttr_1",  "mnuFileAttr_2",
            "mnuFileAttr_3",  "mnuFileAttr_4",  "mnuFileAttr_5",  "mnuFileAttr_6",
            "mnuFileAttr_7",  "mnuFileINI_2",   "mnuFileINI_3",   "mnuSetItem_4",
            "mnuDispExt_5",   "mnuDispExt_6",   "mnuDispExt_7",   "mnuDispExt_8",
            "mnuDispExt_9",   "mnuDispExt_10",  "mnuDispExt_11",  "mnuDispExt_12",
            "mnuDispExt_13",  "mnuDispExt_14",  "mnuHelpItem_0"};
        const int effective = (mode >= 0 && mode <= 3) ? mode : 0;

        Built b;
        QHash<QString, bool> before;
        for (QAction* a : allActions(b.window.menuBar()))
            before.insert(a->objectName(), a->isVisible());

        b.menus.applyFunctionMode(3, true); // leave a stale state behind first
        b.menus.applyFunctionMode(mode, shortcuts);
        QCOMPARE(b.menus.functionMode(), effective);
        QVERIFY(b.menus.action("mnuSetType", effective)->isChecked());

        for (QAction* a : allActions(b.window.menuBar())) {
            const QString n = a->objectName();
            bool expected = before.value(n);
            if (extended.contains(n))
                expected = effective >= 1;
            else if (n == QLatin1String("mnuDispItem_15"))
                expected = effective == 3;
            else if (n == QLatin1String("mnuFileItem_7"))
                expected = effective >= 1 && shortcuts;
            QVERIFY2(a->isVisible() == expected, qPrintable(n));
        }
    }

    void basicModeIsTheStartingState()
    {
        Built b;
        QCOMPARE(b.menus.functionMode(), 0);
        QVERIFY(!b.menus.action("mnuMenu", 2)->isVisible());
        QVERIFY(b.menus.action("mnuFileAttr", 0)->isVisible());
        QVERIFY(b.menus.action("mnuDispExt", 4)->isVisible());
        QVERIFY(!b.menus.action("mnuDispExt", 5)->isVisible());
    }

    void machineStates_data()
    {
        QTest::addColumn<bool>("nt");
        QTest::addColumn<bool>("driveA");
        QTest::newRow("this platform") << true << false;
        QTest::newRow("old system with drive A") << false << true;
    }
    void machineStates()
    {
        QFETCH(bool, nt);
        QFETCH(bool, driveA);
        Built b;
        b.menus.applyFixedStates(nt, driveA);
        QVERIFY(!b.menus.action("mnuDispItem", 7)->isVisible());
        QVERIFY(b.menus.action("mnuDispScrn", 0)->isChecked());
        QVERIFY(b.menus.action("mnuSetProc", 1)->isChecked());
        QVERIFY(!b.menus.action("mnuSetProc", 0)->isChecked());
        QCOMPARE(b.menus.action("mnuImgCffRtt", 1)->isVisible(), nt);
        QCOMPARE(b.menus.action("mnuSetItem", 5)->isVisible(), driveA);
    }

    void startsWithThisPlatformsStates()
    {
        Built b;
        QVERIFY(b.menus.action("mnuImgCffRtt", 1)->isVisible()); // counts as the newest family
        QVERIFY(!b.menus.action("mnuSetItem", 5)->isVisible());  // there is no drive A
        QVERIFY(!b.tools.button(ToolbarStopButton)->isEnabled());
    }

    void shortcutsAreUnique()
    {
        Built b;
        QHash<QString, QString> seen;
        int count = 0;
        for (QAction* a : allActions(b.window.menuBar())) {
            if (a->shortcut().isEmpty())
                continue;
            ++count;
            const QString key = a->shortcut().toString(QKeySequence::PortableText);
            QVERIFY2(!seen.contains(key),
                     qPrintable(key + u(" on ") + seen.value(key) + u(" and ") + a->objectName()));
            seen.insert(key, a->objectName());
            // Shown only: the main window carries the key out itself.
            if (a->shortcutContext() == Qt::WidgetShortcut)
                continue;
            // The main window sees keys first and must pass this one on.
            const QKeyCombination k = a->shortcut()[0];
            const KeyAction action = classifyKey(k.key(), k.keyboardModifiers(), KeyContext());
            QVERIFY2(action.command == KeyCommand::LeftToMenus, qPrintable(key));
        }
        QVERIFY(count >= 5);
    }

    void keysOfTheMainWindowAreNoMenuShortcuts_data()
    {
        QTest::addColumn<QString>("key");
        for (const char* k :
             {"Ctrl+C",       "Ctrl+F",       "Ctrl+L",       "Ctrl+R",       "Ctrl+X",
              "Ctrl+N",       "Ctrl+V",       "Ctrl+A",       "Ctrl+M",       "Ctrl+S",
              "Ctrl+F1",      "Ctrl+T",       "Ctrl+W",       "Ctrl+G",       "Ctrl+H",
              "Ctrl+Y",       "Ctrl+B",       "Ctrl+,",       "Ctrl+O",       "Ctrl+P",
              "Ctrl+.",       "Ctrl+Shift+L", "Ctrl+Shift+M", "Ctrl+Shift+S", "Ctrl+Shift+X",
              "Ctrl+Shift+Z", "Ctrl+Shift+T", "Ctrl+Shift+V", "Esc",          "Return",
              "Tab"})
            QTest::newRow(k) << QString::fromLatin1(k);
    }
    void keysOfTheMainWindowAreNoMenuShortcuts()
    {
        QFETCH(QString, key);
        Built b;
        const QKeySequence seq(key);
        for (QAction* a : allActions(b.window.menuBar()))
            QVERIFY2(a->shortcut() != seq, qPrintable(a->objectName()));
    }

    void objectNamesAreUnique()
    {
        Built b;
        QSet<QString> actions;
        QSet<QString> menus;
        for (QAction* a : allActions(b.window.menuBar())) {
            QVERIFY(!a->objectName().isEmpty());
            QVERIFY2(!actions.contains(a->objectName()), qPrintable(a->objectName()));
            actions.insert(a->objectName());
            if (QMenu* m = a->menu()) {
                QVERIFY2(!menus.contains(m->objectName()), qPrintable(m->objectName()));
                menus.insert(m->objectName());
            }
        }
        QCOMPARE(qsizetype(actions.size()), b.menus.actions().size());
    }

    void accessKeysAreUniqueWithinEachMenu()
    {
        Built b;
        for (QMenu* m : b.window.menuBar()->findChildren<QMenu*>()) {
            QHash<QChar, QString> keys;
            for (QAction* a : m->actions()) {
                if (a->isSeparator())
                    continue;
                const QChar k = accessKey(a->text());
                QVERIFY2(!k.isNull(), qPrintable(a->objectName() + u(" has no access key")));
                QVERIFY2(!keys.contains(k),
                         qPrintable(m->objectName() + u(": ") + k + u(" on ") + keys.value(k) +
                                    u(" and ") + a->objectName()));
                keys.insert(k, a->objectName());
            }
        }
    }

    void accessorAnswersOnlyForExistingItems()
    {
        Built b;
        QVERIFY(!b.menus.action("mnuNothing", 0));
        QVERIFY(!b.menus.action("mnuFileItem", 22));
        QVERIFY(!b.menus.action("mnuSetAdrv", 0)); // its items are 1 and 2
        QVERIFY(!b.menus.menu("mnuFileItem", 4));  // a command opens no menu
        QMenu* attr = b.menus.menu("mnuFileItem", 11);
        QVERIFY(attr);
        QCOMPARE(attr->actions().first(), b.menus.action("mnuFileAttr", 0));
        QCOMPARE(b.menus.menu("mnuMenu", 2)->menuAction(), b.menus.action("mnuMenu", 2));
    }

    void versionCaptionIsWrapped()
    {
        Built b;
        b.menus.setVersionCaption(u("Tovane　Ver. 9.8.7"));
        QCOMPARE(b.menus.action("mnuMenu", 6)->text(), u(" ( Tovane　Ver. 9.8.7 )"));
        QCOMPARE(versionCaption(QString()), u(" (  )"));
    }

    void shortcutReachesOnlyAnEnabledItem()
    {
        Built b;
        b.window.show();
        b.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&b.window));
        QAction* refresh = b.menus.action("mnuDispItem", 18);
        QAction* rename = b.menus.action("mnuFileItem", 9);
        QSignalSpy refreshed(refresh, &QAction::triggered);
        QSignalSpy renamed(rename, &QAction::triggered);
        QTest::keyClick(&b.window, Qt::Key_F2); // still disabled
        refresh->setEnabled(true);
        QTest::keyClick(&b.window, Qt::Key_F5);
        QCOMPARE(refreshed.count(), 1);
        QCOMPARE(renamed.count(), 0);
    }

    // The toolbar.

    void toolbarPositions_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("separator");
        const QList<int> separators = {3, 6, 9, 13, 15, 19, 23, 25, 27};
        for (int p = 1; p <= 28; ++p)
            QTest::addRow("%d", p) << p << separators.contains(p);
    }
    void toolbarPositions()
    {
        QFETCH(int, position);
        QFETCH(bool, separator);
        Built b;
        auto* bar = b.window.findChild<QToolBar*>(QStringLiteral("ToolbarT"));
        QVERIFY(bar);
        QCOMPARE(bar->actions().size(), 28);
        QAction* a = bar->actions().at(position - 1);
        QCOMPARE(a, b.tools.button(position));
        QCOMPARE(a->objectName(), QStringLiteral("ToolbarT_%1").arg(position));
        QCOMPARE(a->isSeparator(), separator);
        QCOMPARE(isToolbarSeparator(position), separator);
        QCOMPARE(toolbarIcon(position).isNull(), separator);
    }

    void toolbarButtons_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<QString>("command");
        auto row = [](int p, const char* tip, const char* command) {
            QTest::addRow("%d", p) << p << u(tip) << QString::fromLatin1(command);
        };
        row(1, " 窓数を増減 ： １窓 ←→ ２窓 ", "mnuWindowItem_0");
        row(2, " 選択窓を切替 ： 左 ←→ 右 ", "mnuWindowItem_1");
        row(4, " 新規フォルダを作成 ： 表示パス内に ", "mnuMake_0");
        row(5, " 新規テキストを作成 ： 内容表示ボックス表示中に ", "mnuMake_1");
        row(7, " 上書き保存 ： 変更した内容表示テキストファイル", "mnuTextSave_0");
        row(8, " 名前を付けて保存 ： 指定選択１ファイル ", "mnuTextSave_1");
        row(10, " 全項目を選択 ： 選択可能対象のすべてにマーク ", "mnuFileSel_0");
        row(11, " 選択状態を反転 ： 選択マークの有無を反転 ", "mnuFileSel_1");
        row(12, " 選択を解除 ： 選択マークをすべてクリア ", "mnuFileSel_2");
        row(14, " 比較選択 ： 比較条件に応じて差のある項目を選択", "mnuFileItem_3");
        row(16, " コピー ： 選択（コピー対象）項目を反対窓にコピー ", "mnuFileItem_4");
        row(17, " 移動 ： 選択（コピー対象）項目を反対窓に移動 ", "mnuFileItem_5");
        row(18, " 削除 ： 選択項目をごみ箱に移動／抹消 ", "mnuFileItem_6");
        row(20, " ｺﾝﾋﾟｭｰﾀ全体をツリー表示 ", "mnuDispTree_0");
        row(21, " ツリー最上位項目の親項目以下をツリー表示 ", "mnuDispTree_1");
        row(22, " ツリー選択項目以下をツリー表示 ", "mnuDispTree_2");
        row(24, " 最新の情報に更新 ： ツリーやリスト表示を更新 ", "mnuDispItem_18");
        row(26, " キャンセル ： 実行中の処理を中断 ", "");
        row(28, " 使用方法 ： ヘルプを表示 ", "mnuHelpItem_3");
    }
    void toolbarButtons()
    {
        QFETCH(int, position);
        QFETCH(QString, tooltip);
        QFETCH(QString, command);
        Built b;
        QAction* a = b.tools.button(position);
        QVERIFY(a);
        QCOMPARE(a->toolTip(), tooltip);
        QCOMPARE(a->isEnabled(), position <= 2);

        const ToolbarButton* entry = nullptr;
        for (const ToolbarButton& t : tovane::toolbarButtons())
            if (t.position == position)
                entry = &t;
        QVERIFY(entry);
        if (command.isEmpty()) {
            QVERIFY(!entry->control);
            return;
        }
        QCOMPARE(QStringLiteral("%1_%2").arg(QLatin1String(entry->control)).arg(entry->index),
                 command);
        QVERIFY2(b.menus.action(entry->control, entry->index), "the menu item it stands for");
    }

    void toolbarIconsAreDrawnAndDistinct_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("16") << 16;
        QTest::newRow("24") << 24;
    }
    void toolbarIconsAreDrawnAndDistinct()
    {
        QFETCH(int, size);
        QHash<QByteArray, int> seen;
        for (const ToolbarButton& t : tovane::toolbarButtons()) {
            const QIcon icon = toolbarIcon(t.position);
            QVERIFY(icon.availableSizes().contains(QSize(size, size)));
            const QImage img =
                icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(img.size(), QSize(size, size));
            int opaque = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    opaque += qAlpha(img.pixel(x, y)) > 0;
            QVERIFY2(opaque > size * size / 8, qPrintable(QString::number(t.position)));
            const QByteArray bytes(reinterpret_cast<const char*>(img.constBits()),
                                   img.sizeInBytes());
            QVERIFY2(
                !seen.contains(bytes),
                qPrintable(
                    QStringLiteral("%1 looks like %2").arg(t.position).arg(seen.value(bytes))));
            seen.insert(bytes, t.position);
        }
        QCOMPARE(seen.size(), 19);
    }
};

QTEST_MAIN(MenuBarTest)
#include "tst_menubar.moc"
