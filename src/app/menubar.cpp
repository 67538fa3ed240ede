#include "app/menubar.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <cstring>
#include <vector>

namespace tovane {

namespace {

constexpr unsigned C = MenuCheck;
constexpr unsigned R = MenuRadio;
constexpr unsigned L = MenuLive;

// clang-format off
constexpr MenuEntry Table[] = {
    {0, "mnuMenu", 0, "ファイル(&F)", nullptr, 0},
    {1, "mnuFileItem", 0, "新規作成(&N)", nullptr, 0},
    {2, "mnuMake", 0, "フォルダ(&F)", "F7", 0},
    {2, "mnuMake", 1, "テキストファイル(&T)", nullptr, 0},
    {1, "mnuFileItem", 1, "ファイル保存(&W)", nullptr, 0},
    {2, "mnuTextSave", 0, "上書き保存(&O)", nullptr, 0},
    {2, "mnuTextSave", 1, "名前を付けて保存(&N)", nullptr, 0},
    {1, "mnuFileItem", 2, "指定選択(&G)", nullptr, 0},
    {2, "mnuFileSel", 0, "全項目を選択(&A)", nullptr, 0},
    {2, "mnuFileSel", 1, "選択状態を反転(&I)", nullptr, 0},
    {2, "mnuFileSel", 2, "選択を解除(&R)", nullptr, 0},
    {1, "mnuFileItem", 3, "比較選択(&H)", "Ctrl+K", 0},
    {1, "mnuFileItem", 4, "コピー(&C)", nullptr, 0},
    {1, "mnuFileItem", 5, "移　動(&V)", nullptr, 0},
    {1, "mnuFileItem", 6, "ごみ箱に移動／抹消(&D)", "Del", MenuKeyHint},
    {1, "mnuFileItem", 7, "ショートカットを作成(&S)  →", nullptr, 0},
    {2, "mnuFileShCt", 0, "選択窓の表示パス(&S)", nullptr, 0},
    {2, "mnuFileShCt", 1, "反対窓の表示パス(&O)", nullptr, 0},
    {2, "mnuFileShCt", 2, "デスクトップ(&D)", nullptr, 0},
    {2, "mnuFileShCt", 3, "クイックランチャ(&Q)", nullptr, 0},
    {2, "mnuFileShCt", 4, "スタートメニュー(&M)", nullptr, 0},
    {2, "mnuFileShCt", 5, "スタートアップ(&U)", nullptr, 0},
    {1, "mnuFileItem", 8, "プロパティ(&R)", nullptr, 0},
    {1, "mnuFileItem", 9, "名前変更(&M)", "F2", 0},
    {1, "mnuFileItem", 10, "連番付け(&B)", nullptr, 0},
    {1, "mnuFileItem", 11, "属性変更(&A)", nullptr, 0},
    {2, "mnuFileAttr", 0, "読取り専用属性 解除(&Q)", nullptr, 0},
    {2, "mnuFileAttr", 1, "読取り専用属性 設定(&R)", nullptr, 0},
    {2, "mnuFileAttr", 2, "隠し属性 解除(&I)", nullptr, 0},
    {2, "mnuFileAttr", 3, "隠し属性 設定(&H)", nullptr, 0},
    {2, "mnuFileAttr", 4, "システム属性 解除(&T)", nullptr, 0},
    {2, "mnuFileAttr", 5, "システム属性 設定(&S)", nullptr, 0},
    {2, "mnuFileAttr", 6, "アーカイブ属性 解除(&B)", nullptr, 0},
    {2, "mnuFileAttr", 7, "アーカイブ属性 設定(&A)", nullptr, 0},
    {1, "mnuFileItem", 12, "日時変更(&T)", nullptr, 0},
    {1, "mnuFileItem", 13, "書庫操作(&L)", nullptr, 0},
    {2, "mnuFileArc", 0, "圧　縮(&C)", nullptr, 0},
    {3, "mnuFileFrz", 0, "cab(&C)", nullptr, 0},
    {3, "mnuFileFrz", 1, "lzh(&L)", nullptr, 0},
    {3, "mnuFileFrz", 2, "zip(&Z)", nullptr, 0},
    {2, "mnuFileArc", 1, "解　凍(&M)", nullptr, 0},
    {1, "mnuFileItem", 14, "検　索(&F)", "F3", 0},
    {1, "mnuFileItem", 15, "フォーマット(&Z)", nullptr, 0},
    {1, "mnuFileItem", 16, "-", nullptr, 0},
    {1, "mnuFileItem", 17, "拡張子関連付け(&E)", nullptr, 0},
    {1, "mnuFileItem", 18, "連番付け対象拡張子(&K)", nullptr, 0},
    {1, "mnuFileItem", 19, "-", nullptr, 0},
    {1, "mnuFileItem", 20, "動作状態を初期化(&I)", nullptr, 0},
    {2, "mnuFileINI", 0, "位置、サイズ、パス、他(&P)", nullptr, L},
    {2, "mnuFileINI", 1, "内容表示拡張子、他(&D)", nullptr, L},
    {2, "mnuFileINI", 2, "関連付け拡張子(&E)", nullptr, L},
    {2, "mnuFileINI", 3, "ファイルイメージ(&I)", nullptr, L},
    {2, "mnuFileINI", 4, "全　部(&A)", nullptr, L},
    {1, "mnuFileItem", 21, "終　了(&X)", nullptr, L},

    {0, "mnuMenu", 1, "表 示(&V)", nullptr, 0},
    {1, "mnuDispItem", 0, "ツリー表示を変更(&T)", nullptr, 0},
    {2, "mnuDispTree", 0, "ｺﾝﾋﾟｭｰﾀ全体(&C)", nullptr, 0},
    {2, "mnuDispTree", 1, "ツリー最上位項目の親項目以下(&P)", nullptr, 0},
    {2, "mnuDispTree", 2, "ツリー選択項目以下(&S)", nullptr, 0},
    {1, "mnuDispItem", 1, "リスト表示形式(&W)", nullptr, 0},
    {2, "mnuListView", 0, "一　覧(&L)", nullptr, R},
    {2, "mnuListView", 1, "詳　細(&D)", nullptr, R},
    {1, "mnuDispItem", 2, "ファイルサイズ表示単位(&U)", nullptr, 0},
    {2, "mnuDispUnit", 0, "B（バイト）(&B)", nullptr, R},
    {2, "mnuDispUnit", 1, "kB（キロバイト）(&K)", nullptr, R},
    {1, "mnuDispItem", 3, "ドライブ容量表示桁数(&K)", nullptr, 0},
    {2, "mnuDispDigit", 0, "３ 桁(&3)", nullptr, R},
    {2, "mnuDispDigit", 1, "６ 桁(&6)", nullptr, R},
    {1, "mnuDispItem", 4, "項目数対応サイズ表示(&Z)", nullptr, 0},
    {2, "mnuDispSize", 0, "必　要(&Y)", nullptr, R},
    {2, "mnuDispSize", 1, "不　要(&N)", nullptr, R},
    {1, "mnuDispItem", 5, "フォルダサイズ表示(&F)", nullptr, 0},
    {2, "mnuDispFldrSz", 0, "必　要(&Y)", nullptr, R},
    {2, "mnuDispFldrSz", 1, "不　要(&N)", nullptr, R},
    {1, "mnuDispItem", 6, "非表示属性(&H)", nullptr, 0},
    {2, "mnuNDispAttr", 0, "読取専用属性(&R)", nullptr, C},
    {2, "mnuNDispAttr", 1, "隠し属性(&H)", nullptr, C},
    {2, "mnuNDispAttr", 2, "システム属性(&S)", nullptr, C},
    {2, "mnuNDispAttr", 3, "圧縮属性(&C)", nullptr, C},
    {1, "mnuDispItem", 7, "-", nullptr, 0},
    {1, "mnuDispItem", 8, "-", nullptr, 0},
    {1, "mnuDispItem", 9, "ファイル内容表示(&D)", nullptr, 0},
    {2, "mnuDispFile", 0, "必　要(&Y)", nullptr, R},
    {2, "mnuDispFile", 1, "不　要(&N)", nullptr, R},
    {1, "mnuDispItem", 10, "内容表示ボックス(&B)", nullptr, 0},
    {2, "mnuDispScrn", 0, "通　常(&N)", nullptr, R},
    {2, "mnuDispScrn", 1, "最　大(&X)", nullptr, R},
    {1, "mnuDispItem", 11, "内容表示拡張子(&E)", nullptr, 0},
    {2, "mnuDispExt", 0, "書庫(&A)", nullptr, 0},
    {2, "mnuDispExt", 1, "イメージ(&I)", nullptr, 0},
    {2, "mnuDispExt", 2, "テキスト1(RTF)(&-)", nullptr, 0},
    {2, "mnuDispExt", 3, "テキスト2(一般)(&T)", nullptr, 0},
    {2, "mnuDispExt", 4, "テキスト3(その他)(&U)", nullptr, 0},
    {2, "mnuDispExt", 5, "言語1(Basic系)(&B)", nullptr, 0},
    {2, "mnuDispExt", 6, "言語2(C系)(&C)", nullptr, 0},
    {2, "mnuDispExt", 7, "言語3(Pascal系)(&D)", nullptr, 0},
    {2, "mnuDispExt", 8, "言語4(Java)(&J)", nullptr, 0},
    {2, "mnuDispExt", 9, "言語5(ML系)(&M)", nullptr, 0},
    {2, "mnuDispExt", 10, "言語6(Perl)(&P)", nullptr, 0},
    {2, "mnuDispExt", 11, "言語7(Ruby)(&R)", nullptr, 0},
    {2, "mnuDispExt", 12, "言語8(&X)", nullptr, 0},
    {2, "mnuDispExt", 13, "言語9(&Y)", nullptr, 0},
    {2, "mnuDispExt", 14, "言語10(&Z)", nullptr, 0},
    {1, "mnuImgCffRtt", 0, "イメージ表示倍率(&I)", nullptr, 0},
    {2, "mnuDispImgCff", 0, "自動（標準）(&A)", nullptr, R},
    {2, "mnuDispImgCff", 1, "自動（はみ出しあり）(&B)", nullptr, R},
    {2, "mnuDispImgCff", 2, "自動（変形あり）(&C)", nullptr, R},
    {2, "mnuDispImgCff", 3, "手動(&M)", nullptr, R},
    {2, "mnuDispImgCff", 4, "　　指定倍率％(&X)", nullptr, 0},
    {3, "mnuDispImg", 0, "現在値 － １００(&M)", nullptr, 0},
    {3, "mnuDispImg", 1, "現在値 － １０(&N)", nullptr, 0},
    {3, "mnuDispImg", 2, "現在値 ÷ ２(&H)", nullptr, 0},
    {3, "mnuDispImg", 3, "-", nullptr, 0},
    {3, "mnuDispImg", 4, "１００（原寸）(&O)", nullptr, 0},
    {3, "mnuDispImg", 5, "-", nullptr, 0},
    {3, "mnuDispImg", 6, "現在値 × ２(&T)", nullptr, 0},
    {3, "mnuDispImg", 7, "現在値 ＋ １０(&Q)", nullptr, 0},
    {3, "mnuDispImg", 8, "現在値 ＋ １００(&P)", nullptr, 0},
    {1, "mnuImgCffRtt", 1, "回転／反転(&O)", nullptr, 0},
    {2, "mnuImgRtt", 0, "右９０°回転(&R)", nullptr, 0},
    {2, "mnuImgRtt", 1, "左９０°回転(&L)", nullptr, 0},
    {2, "mnuImgRtt", 2, "１８０°回転(&X)", nullptr, 0},
    {2, "mnuImgRtt", 3, "回転角度指定(&D)", nullptr, 0},
    {2, "mnuImgRtt", 4, "左右反転(&N)", nullptr, 0},
    {2, "mnuImgRtt", 5, "上下反転(&V)", nullptr, 0},
    {1, "mnuDispItem", 12, "スライドショウ(&S)", nullptr, 0},
    {2, "mnuDispSlide", 0, "開始(&B)", nullptr, 0},
    {2, "mnuDispSlide", 1, "一時停止(&S)", nullptr, 0},
    {2, "mnuDispSlide", 2, "終了(&E)", nullptr, 0},
    {2, "mnuDispSlide", 3, "表示順反転(&X)", nullptr, 0},
    {1, "mnuDispItem", 13, "-", nullptr, 0},
    {1, "mnuDispItem", 14, "リスト表示拡張子(&L)", nullptr, 0},
    {1, "mnuDispItem", 15, "イメージ集約拡張子(&G)", nullptr, 0},
    {1, "mnuDispItem", 16, "-", nullptr, 0},
    {1, "mnuDispItem", 17, "画面の文字サイズ(&P)", nullptr, 0},
    {2, "mnuDispPoint", 0, "　９ポイント(&9)", nullptr, R | L},
    {2, "mnuDispPoint", 1, "１０ポイント(&A)", nullptr, R | L},
    {2, "mnuDispPoint", 2, "１１ポイント(&B)", nullptr, R | L},
    {2, "mnuDispPoint", 3, "１２ポイント(&C)", nullptr, R | L},
    {1, "mnuDispItem", 18, "最新の情報に更新(&R)", "F5", 0},

    {0, "mnuMenu", 2, "編 集(&E)", nullptr, 0},
    {1, "mnuEditItem", 0, "切　取(&T)", nullptr, 0},
    {1, "mnuEditItem", 1, "コピー(&C)", nullptr, 0},
    {1, "mnuEditItem", 2, "貼　付(&P)", nullptr, 0},
    {1, "mnuEditItem", 3, "フォント選択(&F)", nullptr, 0},

    {0, "mnuMenu", 3, "設 定(&S)", nullptr, 0},
    {1, "mnuSetItem", 0, "機能モード(&F)", nullptr, 0},
    {2, "mnuSetType", 0, "基本(&B)", nullptr, R | L},
    {2, "mnuSetType", 1, "拡張１(&X)", nullptr, R | L},
    {2, "mnuSetType", 2, "拡張２(&Y)", nullptr, R | L},
    {2, "mnuSetType", 3, "拡張３(&Z)", nullptr, R | L},
    {1, "mnuSetItem", 1, "比較条件(&C)", nullptr, 0},
    {2, "mnuSetCmp", 0, "存　在(&E)", nullptr, C},
    {2, "mnuSetCmp", 1, "日　付(&D)", nullptr, C},
    {2, "mnuSetCmp", 2, "　　日付内訳(&T)", nullptr, 0},
    {3, "mnuSetCmpDate", 0, "新しい(&N)", nullptr, R},
    {3, "mnuSetCmpDate", 1, "古い(&O)", nullptr, R},
    {3, "mnuSetCmpDate", 2, "差がある(&D)", nullptr, R},
    {2, "mnuSetCmp", 3, "サイズ(&S)", nullptr, C},
    {2, "mnuSetCmp", 4, "　　サイズ内訳(&Z)", nullptr, 0},
    {3, "mnuSetCmpSize", 0, "大きい(&L)", nullptr, R},
    {3, "mnuSetCmpSize", 1, "小さい(&S)", nullptr, R},
    {3, "mnuSetCmpSize", 2, "差がある(&D)", nullptr, R},
    {2, "mnuSetCmp", 5, "属　性(&A)", nullptr, C},
    {2, "mnuSetCmp", 6, "名前大・小文字(&C)", nullptr, C},
    {1, "mnuSetItem", 2, "比較処理窓(&W)", nullptr, 0},
    {2, "mnuSetWndw", 0, "両　 方(&B)", nullptr, R},
    {2, "mnuSetWndw", 1, "選択窓(&S)", nullptr, R},
    {1, "mnuSetItem", 3, "処理階層(&L)", nullptr, 0},
    {2, "mnuSetProc", 0, "全階層(&A)", nullptr, R},
    {2, "mnuSetProc", 1, "１ 階層(&S)", nullptr, R},
    {1, "mnuSetItem", 4, "（１窓時）非表示窓再選択(&R)", nullptr, C},
    {1, "mnuSetItem", 5, "Ａドライブ処理(&A)", nullptr, 0},
    {2, "mnuSetAdrv", 1, "自　動(&A)", nullptr, R},
    {2, "mnuSetAdrv", 2, "手　動(&M)", nullptr, R},
    {1, "mnuSetItem", 6, "確認メッセージ(&M)", nullptr, 0},
    {2, "mnuDispMsg", 0, "必　要(&Y)", nullptr, R},
    {2, "mnuDispMsg", 1, "不　要(&N)", nullptr, R},

    {0, "mnuMenu", 4, "ウィンドウ(&W)", nullptr, 0},
    {1, "mnuWindowItem", 0, "窓数を増減(&W)", "Ctrl+U", C | L},
    {1, "mnuWindowItem", 1, "選択窓を切替(&E)", "Ctrl+E", L},

    {0, "mnuMenu", 5, "ヘルプ(&H)", nullptr, 0},
    {1, "mnuHelpItem", 0, "特殊フォルダ(&S)", nullptr, 0},
    {1, "mnuHelpItem", 1, "ブックマーク(&B)", nullptr, 0},
    {1, "mnuHelpItem", 2, "-", nullptr, 0},
    {1, "mnuHelpItem", 3, "使用方法(&H)", "F1", 0},

    {0, "mnuMenu", 6, "", nullptr, L},
};

// Items of the extended function modes: shown from `fromMode` on.
struct ModeRange {
    const char* control;
    int first;
    int last;
    int fromMode;
};
constexpr ModeRange ModeItems[] = {
    {"mnuMenu", 2, 2, 1},
    {"mnuMake", 1, 1, 1},
    {"mnuFileItem", 1, 1, 1},
    {"mnuFileItem", 7, 7, 1},
    {"mnuFileItem", 8, 8, 1},
    {"mnuFileItem", 10, 10, 1},
    {"mnuFileItem", 12, 13, 1},
    {"mnuFileItem", 15, 15, 1},
    {"mnuFileItem", 17, 18, 1},
    {"mnuFileAttr", 1, 7, 1},
    {"mnuFileINI", 2, 3, 1},
    {"mnuSetItem", 4, 4, 1},
    {"mnuDispExt", 5, 14, 1},
    {"mnuHelpItem", 0, 0, 1},
    {"mnuDispItem", 15, 15, 3},
};
// clang-format on

const ModeRange* modeRangeOf(const char* control, int index)
{
    for (const ModeRange& r : ModeItems)
        if (std::strcmp(r.control, control) == 0 && index >= r.first && index <= r.last)
            return &r;
    return nullptr;
}

QString keyOf(const char* control, int index)
{
    return QLatin1String(control) + QLatin1Char('_') + QString::number(index);
}

bool isSeparator(const MenuEntry& e)
{
    return std::strcmp(e.caption, "-") == 0;
}

} // namespace

std::span<const MenuEntry> menuEntries()
{
    return Table;
}

bool governedByFunctionMode(const char* control, int index)
{
    return modeRangeOf(control, index) != nullptr;
}

bool shownInFunctionMode(const char* control, int index, int mode, bool shortcutsPossible)
{
    const ModeRange* r = modeRangeOf(control, index);
    if (!r)
        return true;
    if (mode < 0 || mode > 3)
        mode = 0;
    if (std::strcmp(control, "mnuFileItem") == 0 && index == 7 && !shortcutsPossible)
        return false;
    return mode >= r->fromMode;
}

QString versionCaption(const QString& captionText)
{
    return QStringLiteral(" ( ") + captionText + QStringLiteral(" )");
}

QAction* MenuBar::action(const char* control, int index) const
{
    return m_actions.value(keyOf(control, index), nullptr);
}

QMenu* MenuBar::menu(const char* control, int index) const
{
    return m_menus.value(keyOf(control, index), nullptr);
}

void MenuBar::add(const MenuEntry& e, QAction* a, QMenu* opens)
{
    const QString name = keyOf(e.control, e.index);
    a->setObjectName(name);
    m_actions.insert(name, a);
    m_order.append(a);
    if (opens) {
        opens->setObjectName(name);
        m_menus.insert(name, opens);
    }
}

void MenuBar::applyFunctionMode(int mode, bool shortcutsPossible)
{
    if (mode < 0 || mode > 3)
        mode = 0;
    m_mode = mode;
    for (const ModeRange& r : ModeItems)
        for (int i = r.first; i <= r.last; ++i)
            if (QAction* a = action(r.control, i))
                a->setVisible(shownInFunctionMode(r.control, i, mode, shortcutsPossible));
    if (QAction* a = action("mnuSetType", mode))
        a->setChecked(true);
}

void MenuBar::applyFixedStates(bool ntFamily, bool driveAPresent)
{
    action("mnuDispItem", 7)->setVisible(false);
    action("mnuDispScrn", 0)->setChecked(true);
    action("mnuImgCffRtt", 1)->setVisible(ntFamily);
    action("mnuSetItem", 5)->setVisible(driveAPresent);
    action("mnuSetProc", 1)->setChecked(true);
}

void MenuBar::setVersionCaption(const QString& captionText)
{
    action("mnuMenu", 6)->setText(versionCaption(captionText));
}

MenuBar buildMenuBar(QMenuBar* bar, QObject* owner)
{
    MenuBar result;
    // parents[d] is the menu that rows of level d + 1 go into.
    std::vector<QMenu*> parents;
    QHash<QString, QActionGroup*> groups;
    const std::span<const MenuEntry> rows = menuEntries();

    for (size_t i = 0; i < rows.size(); ++i) {
        const MenuEntry& e = rows[i];
        const bool opensMenu = i + 1 < rows.size() && rows[i + 1].level > e.level;
        const QString caption = QString::fromUtf8(e.caption);
        parents.resize(size_t(e.level));
        QMenu* into = e.level == 0 ? nullptr : parents.back();

        QAction* a = nullptr;
        QMenu* sub = nullptr;
        if (opensMenu) {
            sub = into ? into->addMenu(caption) : bar->addMenu(caption);
            a = sub->menuAction();
            parents.push_back(sub);
        } else if (isSeparator(e)) {
            a = into->addSeparator();
        } else {
            a = new QAction(caption, owner);
            if (into)
                into->addAction(a);
            else
                bar->addAction(a);
            if (e.shortcut)
                a->setShortcut(QKeySequence(QString::fromLatin1(e.shortcut)));
            if (e.flags & MenuKeyHint)
                a->setShortcutContext(Qt::WidgetShortcut);
            a->setCheckable((e.flags & (MenuCheck | MenuRadio)) != 0);
            a->setEnabled((e.flags & MenuLive) != 0);
            if (e.flags & MenuRadio) {
                const QString groupKey =
                    into->objectName() + QLatin1Char('/') + QLatin1String(e.control);
                QActionGroup*& g = groups[groupKey];
                if (!g) {
                    g = new QActionGroup(owner);
                    g->setExclusive(true);
                }
                g->addAction(a);
            }
        }
        result.add(e, a, sub);
    }

    result.setVersionCaption(QStringLiteral("Tovane　Ver. ") + QStringLiteral(TOVANE_VERSION));
    result.applyFixedStates(true, false);
    result.applyFunctionMode(0);
    return result;
}

} // namespace tovane
