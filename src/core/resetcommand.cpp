#include "core/resetcommand.h"

#include "core/messageservice.h"
#include "fs/numberformat.h"

namespace tovane {

namespace {

const QString CrLf = QStringLiteral("\r\n");

bool validIndex(int index)
{
    return index >= 0 && index < ResetItemCount;
}

QString detailText(int index)
{
    switch (index) {
    case ResetItemPositions:
        return QStringLiteral("画面位置・サイズ、パス、他の");
    case ResetItemExtensions:
        return QStringLiteral("内容表示・リスト表示・イメージ集約・連番付け対象") + CrLf + CrLf +
               QStringLiteral("各拡張子");
    case ResetItemAssociations:
        return QStringLiteral("関連付け拡張子");
    case ResetItemImages:
        return QStringLiteral("リストのファイルイメージ");
    case ResetItemAll:
        return QStringLiteral("すべての");
    default:
        return QString();
    }
}

} // namespace

QString resetCommandTitle()
{
    return QStringLiteral("動作状態を初期化");
}

QString resetCaption(int index)
{
    switch (index) {
    case ResetItemPositions:
        return QStringLiteral("位置、サイズ、パス、他(&P)");
    case ResetItemExtensions:
        return QStringLiteral("内容表示拡張子、他(&D)");
    case ResetItemAssociations:
        return QStringLiteral("関連付け拡張子(&E)");
    case ResetItemImages:
        return QStringLiteral("ファイルイメージ(&I)");
    case ResetItemAll:
        return QStringLiteral("全　部(&A)");
    default:
        return QString();
    }
}

QString resetCaptionWithCount(int index, int count)
{
    if (index != ResetItemAssociations && index != ResetItemImages)
        return resetCaption(index);
    return resetCaption(index) + QStringLiteral("  (") + formatCount(count) + QStringLiteral("個)");
}

QString resetQuestionText(int index, bool confirmationMessagesOn)
{
    if (!validIndex(index))
        return QString();
    const QString subject = QStringLiteral("動作状態保存データ");
    const QString ending = QStringLiteral("を初期化して終了します。");
    if (!confirmationMessagesOn)
        return subject +
               (index == ResetItemAll ? QStringLiteral("の全部") : QStringLiteral("の一部")) +
               ending;
    QString text = subject + QStringLiteral("内の") + CrLf + CrLf + detailText(index) +
                   QStringLiteral("データ") + ending;
    if (index == ResetItemAll)
        text += CrLf + CrLf + QStringLiteral("次回の起動時は初期状態に戻ります。");
    return text;
}

bool confirmReset(MessageService& messages, int index)
{
    if (!validIndex(index))
        return false;
    // Without an answer (the box closed by other means) nothing is reset.
    int answer = MsgCancel;
    messages.showMessage(resetQuestionText(index, messages.confirmationMessages()), ButtonsOkCancel,
                         resetCommandTitle(), true, answer);
    return answer != MsgCancel;
}

} // namespace tovane
