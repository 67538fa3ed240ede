#pragma once
// Renaming one item in place and the texts of the new-folder question. A
// rename never replaces: the platform refuses a new name that exists.

#include <QString>

namespace tovane {

class MessageService;

// The one-item rename: -1 when the names are equal (letter case counts),
// 0 when renamed, else the errno after the message (flags 0, `title`).
int renameOne(MessageService& messages, const QString& folder, const QString& oldName,
              const QString& newName, bool isFolder, const QString& title);
QString renameFailedText(const QString& oldPath, int errorNumber);

QString renameTitle();       // 名前変更
QString invalidOldNameText(); // この項目には名前に使用できない文字があるので処理できません。

QString newFolderTitle();   // 作成フォルダ名の入力
QString newFolderPrompt();
QString newFolderDefault(); // 新しいフォルダ
QString folderCreateTitle(); // フォルダ作成

} // namespace tovane
