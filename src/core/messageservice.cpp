#include "core/messageservice.h"

#include "fs/numberformat.h"

#include <cmath>

namespace tovane {

namespace {

const QString crlf = QStringLiteral("\r\n");

QString timeText(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

QString attributeText(quint16 mask)
{
    static const struct {
        quint16 bit;
        const char16_t* name;
    } names[] = {{1, u"読取専用"}, {2, u"隠し"}, {4, u"システム"}};
    QString text;
    for (const auto& n : names) {
        if (mask & n.bit)
            text += QString::fromUtf16(n.name) + QStringLiteral("属性・");
    }
    text.chop(1);
    return text;
}

QString overwriteText(const DialogRequest& r, int units, const QString& attributes)
{
    QString prefix = r.prefix;
    if (!prefix.isEmpty())
        prefix += QStringLiteral(" の") + crlf + crlf;
    const QString qualifier =
        units == ConfirmOverwriteAttr
            ? QStringLiteral("それ自身または上位パスが") + attributes + QStringLiteral("の")
            : QString();
    return prefix + r.title + QStringLiteral("先の") + crlf + r.folder + QStringLiteral(" には") +
           crlf + crlf + qualifier + QStringLiteral("ファイル") + crlf + r.text + crlf +
           QStringLiteral(" が存在します。") + crlf + crlf + crlf + r.title +
           QStringLiteral("元 サ イ ズ : ") + formatCount(r.sourceSize) +
           QStringLiteral(" Bytes") + crlf + QStringLiteral("          更新日時 : ") +
           timeText(r.sourceTime) + QStringLiteral(" を") + crlf + crlf + r.title +
           QStringLiteral("先 サ イ ズ : ") + formatCount(r.destinationSize) +
           QStringLiteral(" Bytes") + crlf + QStringLiteral("          更新日時 : ") +
           timeText(r.destinationTime) + QStringLiteral(" に上書き");
}

QString confirmationText(const DialogRequest& r, int units)
{
    const QString attributes =
        (r.attributeMask & 7) && units > 1 ? attributeText(r.attributeMask) : QString();
    const QString word =
        r.title.endsWith(QStringLiteral("保存")) ? QStringLiteral("保存") : r.title;
    QString text;
    switch (units) {
    case ConfirmOverwrite:
    case ConfirmOverwriteAttr:
        text = overwriteText(r, units, attributes);
        break;
    case ConfirmDestAttr: {
        QString name = r.text;
        if (!name.isEmpty())
            name += QStringLiteral(" の") + crlf + crlf;
        text = name + r.title + QStringLiteral(" 先のフォルダ") + crlf + r.folder + crlf + crlf +
               QStringLiteral("または上位パスは　") + attributes + QStringLiteral(" です。") +
               crlf + crlf + crlf + word;
        break;
    }
    default: {
        QString subject;
        if (units == ConfirmFileAttr)
            subject = QStringLiteral("ファイル") + crlf + r.text;
        else if (units == ConfirmFolderAttr)
            subject = QStringLiteral("フォルダ") + crlf + r.folder;
        else
            subject = QStringLiteral("項目") + crlf + r.text;
        text = r.title + QStringLiteral(" 対象") + subject + crlf + crlf +
               QStringLiteral("または上位パスは ") + attributes + QStringLiteral(" です。") + crlf +
               crlf + crlf + word;
        break;
    }
    }
    return text + QStringLiteral("しますか ？");
}

} // namespace

DialogLayout layoutFor(const DialogRequest& request, const QString& defaultTitle)
{
    DialogLayout l;
    l.yesCaption = QStringLiteral("はい(&Y)");
    l.noCaption = QStringLiteral("いいえ(&N)");
    l.cancelCaption = QStringLiteral("キャンセル");
    l.yesAllCaption = QStringLiteral("すべて はい(&Y)");
    l.noAllCaption = QStringLiteral("すべて いいえ(&N)");

    if (request.kind > 0) {
        const int tens = request.kind / 10;
        l.units = request.kind % 10;
        l.confirmation = true;
        l.caption = request.title + QStringLiteral(" 確認");
        l.rememberedSlot = 0;
        if (l.units < 1 || l.units > 6 || tens > 1) {
            l.valid = false;
            l.units = 0;
            l.showYes = false;
            return l;
        }
        l.allAnswers = tens == 1;
        l.message = confirmationText(request, l.units);
        l.showNo = true;
        l.showCancel = l.allAnswers;
        l.escapeButton = l.allAnswers ? 2 : 1;
        if (l.allAnswers)
            l.hint = QStringLiteral("はい／いいえ は[Shift]キー併用で すべて はい／いいえ");
        return l;
    }

    l.caption = request.title.isEmpty() ? defaultTitle : request.title;
    l.message = request.text;
    l.rememberedSlot = 7;
    l.buttonSet = int(request.flags & 7);
    l.showNo = l.buttonSet > 2;
    l.showCancel = l.buttonSet & 1;
    l.escapeButton = l.showCancel ? 2 : (l.showNo ? 1 : 0);
    if (l.buttonSet <= 1)
        l.yesCaption = QStringLiteral("Ｏ Ｋ");
    // Moving the focus to a hidden "いいえ" would fail: only when it is shown.
    l.focusNoLater = (request.flags & FocusSecondButton) && l.showNo;
    return l;
}

qint16 answerForButton(int button, bool shiftHeld)
{
    switch (button) {
    case 0:
        return shiftHeld ? AnswerYesAll : AnswerYes;
    case 1:
        return shiftHeld ? AnswerNoAll : AnswerNo;
    default:
        return AnswerCancel;
    }
}

bool messageAnswerFor(qint16 answerCode, quint32 flags, int& answer)
{
    switch (answerCode) {
    case AnswerYes:
        answer = (flags & 7) >= 3 ? MsgYes : MsgOk;
        return true;
    case AnswerYesAll:
        answer = MsgYes;
        return true;
    case AnswerNo:
        answer = MsgNo;
        return true;
    case AnswerCancel:
        answer = MsgCancel;
        return true;
    default:
        return false;
    }
}

MessageService::~MessageService() = default;

qint16 MessageService::showMessage(const QString& text, quint32 flags, const QString& title,
                                   bool wantAnswer, int& answer)
{
    DialogRequest request;
    request.kind = 0;
    request.flags = flags;
    request.text = text;
    request.title = title.isEmpty() ? m_defaultTitle : title;
    qint16 code = presentCounted(request);
    if (code < AnswerYes || code > AnswerNoAll)
        code = AnswerCancel;
    if (wantAnswer)
        messageAnswerFor(code, flags, answer);
    return code;
}

qint16 MessageService::showMessage(const QString& text, quint32 flags, const QString& title)
{
    int unused = 0;
    return showMessage(text, flags, title, false, unused);
}

qint16 MessageService::confirm(DialogRequest& request, bool interruptPending)
{
    if (request.kind <= 0)
        request.kind = 0;
    if (interruptPending || !layoutFor(request, m_defaultTitle).valid) {
        request.kind = AnswerCancel;
        return AnswerCancel;
    }
    qint16 code = presentCounted(request);
    if (code < AnswerYes || code > AnswerNoAll)
        code = AnswerCancel;
    request.kind = code;
    return code;
}

qint16 MessageService::presentCounted(DialogRequest& request)
{
    ++m_presenting;
    const qint16 code = present(request);
    --m_presenting;
    return code;
}

} // namespace tovane
