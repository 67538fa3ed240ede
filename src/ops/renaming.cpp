#include "ops/renaming.h"

#include "core/messageservice.h"
#include "fs/pathrules.h"
#include "platform/errortext.h"
#include "platform/filesystem.h"

namespace tovane {

QString renameFailedText(const QString& oldPath, int errorNumber)
{
    return oldPath + QStringLiteral(" は\r\n\r\nエラーが発生して、名前を変更できません。\r\n\r\n") +
           platform::systemErrorText(errorNumber);
}

int renameOne(MessageService& messages, const QString& folder, const QString& oldName,
              const QString& newName, bool isFolder, const QString& title)
{
    if (oldName == newName)
        return -1;
    const QString base = addSeparator(folder);
    QString oldPath = base + oldName;
    const int rc = platform::renameItem(oldPath, base + newName);
    if (rc == 0)
        return 0;
    if (isFolder)
        oldPath += u'/';
    messages.showMessage(renameFailedText(oldPath, rc), ButtonsOk, title);
    return rc;
}

QString renameTitle()
{
    return QStringLiteral("名前変更");
}

QString invalidOldNameText()
{
    return QStringLiteral("この項目には名前に使用できない文字があるので処理できません。");
}

QString newFolderTitle()
{
    return QStringLiteral("作成フォルダ名の入力");
}

QString newFolderPrompt()
{
    return QStringLiteral("作成フォルダ名を入力してください。\r\n\r\n"
                          "今のフォルダ内にある名前は使えません。　　　　　\r\n\r\n"
                          "半角文字と倍角文字は区別されます。");
}

QString newFolderDefault()
{
    return QStringLiteral("新しいフォルダ");
}

QString folderCreateTitle()
{
    return QStringLiteral("フォルダ作成");
}

} // namespace tovane
