#include "viewer/textsaverules.h"

#include "fs/pathrules.h"
#include "platform/errortext.h"

#include <QStringList>

#include <cerrno>

namespace tovane {

namespace {

const QString crlf = QStringLiteral("\r\n");

QString typeCaption(const QString& caption)
{
    QString c = caption;
    const qsizetype slash = c.indexOf(u'/');
    if (slash >= 0)
        c.truncate(slash);
    const qsizetype amp = c.indexOf(u'&');
    if (amp >= 1)
        c.truncate(amp - 1);
    return c;
}

} // namespace

bool saveAsNeeded(bool newText, bool locationProtected, bool driveFull, bool driveWritable)
{
    return newText || locationProtected || driveFull || !driveWritable;
}

SavePlan planSave(const SaveFacts& f, const CategoryLists& lists, const LanguageCaptions& languages)
{
    SavePlan plan;
    plan.textMode =
        f.mode == SaveOverwrite || (f.contentDisplayOn && (f.modified || f.newText || f.textShown));
    plan.source = plan.textMode ? f.shownPath : f.chosenPath;
    plan.proposedName = f.newText ? QStringLiteral("新しいファイル.txt") : fileNameOf(plan.source);
    const QString extension = extensionOf(plan.proposedName);
    if (baseNameOf(plan.proposedName).isEmpty())
        plan.proposedName = QStringLiteral("　") + plan.proposedName;

    if (!f.fixedDestination.isEmpty())
        plan.proposedFolder = f.fixedDestination;
    else if (f.locationProtected || f.driveFull || !f.driveWritable)
        plan.proposedFolder = f.homeFolder;
    else
        plan.proposedFolder = f.windowFolder;
    plan.proposedFolder = addSeparator(plan.proposedFolder);

    const QString lower = extension.toLower();
    if (plan.textMode) {
        QStringList entries{QStringLiteral("リッチテキスト(*.rtf)|*.rtf")};
        int match = 0;
        for (int c = CategoryPlainText; c <= CategoryLastLanguage; ++c) {
            const QString caption = typeCaption(categoryCaption(c, languages));
            for (QStringView e : QStringView(lists[size_t(c)]).split(u',', Qt::SkipEmptyParts)) {
                const QString ext = e.trimmed().toString();
                if (ext.isEmpty())
                    continue;
                entries.append(caption + QStringLiteral("(*.") + ext + QStringLiteral(")|*.") +
                               ext);
                if (!match && ext == lower)
                    match = int(entries.size());
            }
        }
        entries.append(QStringLiteral("その他(*.*)|*.*"));
        plan.filter = entries.join(u'|');
        plan.preselected = lower == QLatin1String("rtf") ? 1 : match ? match : 2;
    } else {
        plan.filter = QStringLiteral("変更なし(*.") + extension + QStringLiteral(")|*.") +
                      extension + QStringLiteral("|その他(*.*)|*.*");
        plan.preselected = 1;
    }
    return plan;
}

QString saveAsTitle()
{
    return QStringLiteral("名前を付けて保存");
}

QString saveAsDialogTitle()
{
    return QStringLiteral(
        "名前を付けて保存 ：「ファイルの種類」を「その他」にすると任意の拡張子を指定できます。");
}

QString unsavedQuestion(bool newText, bool saveAs)
{
    return (newText ? QStringLiteral("作成中の新規") : QStringLiteral("編集中の")) +
           QStringLiteral("ファイルが保存されていません。") + crlf + crlf + crlf +
           (saveAs ? QStringLiteral("名前を付けて") : QStringLiteral("上書き")) +
           QStringLiteral("保存しますか ？");
}

QString unsavedTitle()
{
    return QStringLiteral("ファイル保存チェック");
}

QString overwriteQuestion(const QString& path, bool messagesOn)
{
    if (!messagesOn)
        return QStringLiteral("対象ファイルを上書き保存します。");
    return QStringLiteral("ファイル ") + path + QStringLiteral(" を") + crlf + crlf +
           QStringLiteral("上書き保存します。");
}

QString overwriteTitle()
{
    return QStringLiteral("上書き保存");
}

QString changedOnDiskQuestion(const QString& path)
{
    return QStringLiteral("ファイル ") + path + QStringLiteral(" は") + crlf + crlf +
           QStringLiteral("表示した後で変更されています。") + crlf + crlf +
           QStringLiteral("その変更を失って上書き保存しますか ？");
}

QString hiddenDestinationText()
{
    return QStringLiteral("保存先のパス、または保存先にある同名ファイルは") + crlf + crlf +
           QStringLiteral("非表示属性なので、他の保存先を指定してください。");
}

QString driveFullText(const QString& drive)
{
    return QStringLiteral("ドライブ ") + drive + QStringLiteral(" には空きがありません。") + crlf +
           crlf + QStringLiteral("他のドライブを選択してください。");
}

QString fixedDestinationText()
{
    return QStringLiteral("ツリー上で右クリックした保存先は変更できません。");
}

QString saveErrorText(const QString& path, int errorNumber, bool& writeProtected)
{
    QString text = QStringLiteral("ファイル名 = ") + path + crlf + crlf;
    switch (errorNumber) {
    case EROFS:
    case EACCES:
    case EPERM:
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ECANCELED:
        writeProtected = true;
        return text + QStringLiteral("ドライブが書込み禁止、またはパス名が無効です。");
    default:
        writeProtected = false;
        return text + QStringLiteral("エラー番号 = ") + QString::number(errorNumber) + crlf +
               platform::systemErrorText(errorNumber);
    }
}

QString saveErrorTitle()
{
    return QStringLiteral("ファイル保存");
}

QString encodingQuestion(const QString& path, const QString& encoding)
{
    return QStringLiteral("ファイル ") + path + QStringLiteral(" の文字コード ") + encoding +
           QStringLiteral(" では") + crlf + crlf + QStringLiteral("表せない文字があります。") +
           crlf + crlf + QStringLiteral("UTF-8 で保存しますか ？");
}

} // namespace tovane
