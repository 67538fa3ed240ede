#include "ops/operationtexts.h"

#include "ops/operationrun.h"
#include "platform/errortext.h"
#include "platform/itemrecord.h"

namespace tovane {

namespace {

const QString crlf = QStringLiteral("\r\n");

QString itemPhrase(const SummaryFacts& f, bool partly)
{
    const QString part = QStringLiteral(" またはその一部");
    if (f.items == 1)
        return f.firstName + (partly ? crlf + part : QString()) + QStringLiteral(" を") + crlf +
               crlf;
    if (f.folders == 0)
        return QString::number(f.items) + QStringLiteral(" ファイル を ");
    return QString::number(f.items) + QStringLiteral(" 項目") + (partly ? part : QString()) +
           QStringLiteral("を ");
}

QString deleteAction(const SummaryFacts& f)
{
    return (f.unconditional ? QStringLiteral("無条件で、") : QString()) +
           (f.code == OpErase ? QStringLiteral("ごみ箱に移さず抹消します。")
                              : QStringLiteral("ごみ箱に移動します。"));
}

} // namespace

QString OperationRun::nameOf(int code)
{
    switch (code) {
    case OpCopy:
        return QStringLiteral("コピー");
    case OpMove:
        return QStringLiteral("移動");
    case OpTrash:
        return QStringLiteral("削除");
    case OpErase:
        return QStringLiteral("抹消");
    default:
        return QStringLiteral("属性変更");
    }
}

QString summaryText(const SummaryFacts& f, bool full)
{
    const QString name = OperationRun::nameOf(f.code);
    const bool remove = f.code == OpTrash || f.code == OpErase;
    if (!full) {
        if (remove)
            return QStringLiteral("選択項目を") + deleteAction(f);
        return QStringLiteral("コピー対象項目を") + name + QStringLiteral("します。");
    }

    QString marks;
    if (f.code == OpCopy)
        marks = QStringLiteral("指定選択マークは両方の窓とも保持され");
    else if (f.code == OpMove)
        marks =
            QStringLiteral("指定選択マークは 選択窓：更新、反対窓：保持") + QStringLiteral(" され");
    else
        marks = QStringLiteral("指定選択マークは 選択窓：更新、反対窓：保持") +
                QStringLiteral("か更新 され");

    QString folderLine;
    bool partly = false;
    if (f.folders > 0) {
        if (f.allLevels) {
            folderLine =
                name + QStringLiteral("対象選択項目がフォルダの場合は") + crlf +
                QStringLiteral("そのフォルダ以下の") +
                (f.compareSelection ? QStringLiteral("選択対象") : QStringLiteral("全部")) +
                QStringLiteral("を") + name + QStringLiteral("します。") + crlf + crlf;
            partly = f.compareSelection;
        } else if (f.code == OpCopy) {
            folderLine = name + QStringLiteral("対象選択項目がフォルダの場合は") + crlf +
                         QStringLiteral("それ自身だけを") + name + QStringLiteral("します。") +
                         crlf;
            partly = true;
        }
    }
    const QString phrase = itemPhrase(f, partly);

    QString action;
    QString note;
    if (remove) {
        action = phrase + deleteAction(f);
    } else {
        action = phrase;
        if (f.destinationPhrase != QStringLiteral("反対窓の表示パス に") && !phrase.endsWith(crlf))
            action += crlf + crlf;
        action += f.destinationPhrase + name + QStringLiteral("します。");
        if (f.folders > 0 && !f.folderAttributesSettable)
            note = QStringLiteral("フォルダの属性はコピーできません。") + crlf + crlf + crlf;
    }
    return action + crlf + crlf + folderLine + note + marks + crlf +
           QStringLiteral("比較選択マークは両方の窓とも更新されます。");
}

QString destinationPhrase(const QString& selectedFolder, const QString& destination,
                          bool oppositeShowsDestination, bool twoWindows)
{
    if (selectedFolder == destination)
        return QStringLiteral("選択窓の表示パス に");
    if (oppositeShowsDestination && twoWindows)
        return QStringLiteral("反対窓の表示パス に");
    return destination + QStringLiteral(" に");
}

QString shortenedDestination(const QString& destination)
{
    const QString text = QLatin1Char(' ') + destination + QLatin1Char(' ');
    if (text.size() <= 50)
        return text;
    return text.left(20) + QStringLiteral("･･･") + text.right(20);
}

QString runStatusText(bool compareSelection, const QString& operationName, const QString& pathText,
                      bool oneWindowDisplay, const QString& destination, bool destinationIsOpposite)
{
    const QString head = (compareSelection ? QStringLiteral("比較") : QStringLiteral("指定")) +
                         QStringLiteral("選択項目を") + operationName + QStringLiteral("中 ");
    if (destination.isEmpty())
        return head + pathText;
    const QString source =
        oneWindowDisplay
            ? pathText.chopped(qMin<qsizetype>(2, pathText.size())) + QStringLiteral("）から")
            : pathText.chopped(qMin<qsizetype>(1, pathText.size())) + QStringLiteral("から");
    const QString target = destinationIsOpposite && !oneWindowDisplay
                               ? QStringLiteral(" 反対側の窓 ")
                               : shortenedDestination(destination);
    return head + source + target + QStringLiteral("に");
}

QString itemErrorText(int errorNumber, const QString& path, bool isFolder)
{
    QString where;
    if (isFolder)
        where = QStringLiteral("フォルダ ") + path +
                (path.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/"));
    else
        where = QStringLiteral("ファイル ") + path;
    return platform::systemErrorText(errorNumber) + crlf + crlf + where +
           QStringLiteral(" について");
}

QString renameErrorText(const QString& oldPath, int errorNumber)
{
    return oldPath + QStringLiteral(" は") + crlf + crlf +
           QStringLiteral("エラーが発生して、名前を変更できません。") + crlf + crlf +
           platform::systemErrorText(errorNumber);
}

quint32 attributeBitOf(int menuIndex)
{
    static const quint32 bits[] = {AttrReadOnly, AttrHidden, AttrSystem, AttrArchive};
    return menuIndex >= 0 && menuIndex < 8 ? bits[menuIndex / 2] : 0;
}

bool attributeSetBy(int menuIndex)
{
    return menuIndex % 2 == 1;
}

QString attributeNameOf(int menuIndex)
{
    static const char16_t* names[] = {u"読取専用", u"隠し", u"システム", u"アーカイブ"};
    return menuIndex >= 0 && menuIndex < 8 ? QString::fromUtf16(names[menuIndex / 2]) : QString();
}

QString attributeSummaryText(int menuIndex, int items, int folders, const QString& firstName,
                             bool allLevels, bool folderAttributesSettable, bool full)
{
    const QString change =
        attributeNameOf(menuIndex) + QStringLiteral("属性 を") +
        (attributeSetBy(menuIndex) ? QStringLiteral("設定") : QStringLiteral("解除")) +
        QStringLiteral("します。");
    if (!full)
        return QStringLiteral("選択項目の ") + change;
    QString phrase;
    if (items == 1)
        phrase = firstName + QStringLiteral(" の") + crlf + crlf;
    else if (folders == 0)
        phrase = QString::number(items) + QStringLiteral(" ファイルの ");
    else
        phrase = QString::number(items) + QStringLiteral(" 項目の ");
    QString text = phrase + change;
    if (folders > 0) {
        QString note;
        if (folderAttributesSettable)
            note = QStringLiteral("フォルダは") +
                   (allLevels ? QStringLiteral("その内部も含めて全体")
                              : QStringLiteral("それ自身だけ")) +
                   QStringLiteral("を対象にします。");
        else
            note = QStringLiteral("フォルダ") +
                   (allLevels ? QStringLiteral("はその内部のファイルだけを対象にします。")
                              : QStringLiteral("それ自身は対象外です。"));
        text += crlf + crlf + note;
    }
    return text;
}

} // namespace tovane
