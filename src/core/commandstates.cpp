#include "core/commandstates.h"

namespace tovane {

QList<CommandState> commandStates(const WindowCommandFacts& f)
{
    const bool rows = f.folderItems && f.rows > 0;
    const bool marked = f.folderItems && f.marked > 0;
    return {
        {"mnuFileItem", 2, rows},                            // 指定選択
        {"mnuFileSel", 0, rows && f.marked < f.rows},        // 全項目を選択
        {"mnuFileSel", 1, rows},                             // 選択状態を反転
        {"mnuFileSel", 2, marked},                           // 選択を解除
        {"mnuFileItem", 3, rows && f.oppositeFolder},        // 比較選択
        {"mnuFileItem", 4, marked && f.copyTargets > 0},     // コピー
        {"mnuFileItem", 5, marked && f.copyTargets > 0},     // 移　動
        {"mnuFileItem", 6, marked},                          // ごみ箱に移動／抹消
        {"mnuFileItem", 11, marked},                         // 属性変更
        // A volume of the drive list stands in for marks there.
        {"mnuFileItem", 7, marked || (!f.folderItems && f.rows > 0)}, // ショートカットを作成
        {"mnuFileShCt", 0, f.folderItems},                   // 選択窓の表示パス
        {"mnuFileShCt", 1, f.oppositeFolder},                // 反対窓の表示パス
        {"mnuFileItem", 8, f.rows > 0},                      // プロパティ
        {"mnuFileItem", 15, f.folderItems || f.rows > 0},    // フォーマット
        {"mnuTextSave", 0, f.textModified && !f.newText},    // 上書き保存
        {"mnuTextSave", 1, f.textShown || f.chosenFile},     // 名前を付けて保存
        {"mnuEditItem", 0, f.textEditable},                  // 切取
        {"mnuEditItem", 1, f.textShown},                     // コピー
        {"mnuEditItem", 2, f.textEditable},                  // 貼付
        {"mnuEditItem", 3, f.textShown},                     // フォント選択
        {"mnuMake", 0, f.folderItems},                       // 新規フォルダ
        {"mnuMake", 1, f.folderItems && f.contentDisplayOn}, // 新規テキスト
        {"mnuImgCffRtt", 1, f.imageShown},                   // 回転／反転
        {"mnuDispImgCff", 4, f.imageShown && f.manualZoom},  // 指定倍率％
        {"mnuDispSlide", 0, !f.slideShowRunning && f.files >= 2}, // 開始
        {"mnuDispSlide", 1, f.slideShowRunning},                   // 一時停止／再開
        {"mnuDispSlide", 2, f.slideShowRunning},                   // 終了
        {"mnuDispSlide", 3, f.slideShowRunning},                   // 表示順反転
    };
}

} // namespace tovane
