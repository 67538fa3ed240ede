#include "viewer/editrules.h"

#include "core/layoutrules.h"

#include <cmath>

namespace tovane {

namespace {
const QString crlf = QStringLiteral("\r\n");
} // namespace

EditTarget editTarget(int selectionStart, int selectionLength, int textLength)
{
    EditTarget t;
    textLength = qMax(0, textLength);
    if (selectionLength <= 0 || selectionStart < 0 || selectionStart >= textLength) {
        t.wholeText = true;
        t.start = 0;
        t.length = textLength;
        return t;
    }
    t.start = selectionStart;
    // A selection reaching past the end is cut back to the text.
    t.length = qMin(selectionLength, textLength - selectionStart);
    return t;
}

QString editExplanation(int command, bool wholeText, bool slideShow)
{
    switch (command) {
    case EditCut:
        return QStringLiteral("選択文字をクリップボードに移動します。");
    case EditCopy:
        return QStringLiteral("選択文字をクリップボードにコピーします。");
    case EditPaste:
        return QStringLiteral("クリップボードの内容をカーソル位置に貼り付けます。");
    case EditFont:
        return (wholeText ? QStringLiteral("テキスト全体") : QStringLiteral("選択文字")) +
               QStringLiteral("のフォントを選択・変更します。") + crlf + crlf +
               (slideShow ? QString() : QStringLiteral("リッチテキスト（rtf）以外は")) +
               QStringLiteral("変更結果の保存はできません。");
    default:
        return QString();
    }
}

QString editTitle()
{
    return QStringLiteral("編集");
}

bool editSetsModified(int command, bool richText)
{
    switch (command) {
    case EditCut:
    case EditPaste:
        return true;
    case EditFont:
        return richText;
    default:
        return false;
    }
}

bool fontSizeAllowed(double points)
{
    return points >= MinFontPoints && points <= MaxFontPoints;
}

QString fontSizeText()
{
    return QStringLiteral("サイズには ") + QString::number(MinFontPoints) +
           QStringLiteral(" から ") + QString::number(MaxFontPoints) +
           QStringLiteral(" ポイントを指定してください。");
}

QString fontErrorText(int errorNumber, const QString& description)
{
    return QStringLiteral("「フォント選択」") + crlf + crlf + QStringLiteral("エラー番号 = ") +
           QString::number(errorNumber) + crlf + crlf + description;
}

QString fontTitle()
{
    return QStringLiteral("フォント選択");
}

int screenTextPoints(int index)
{
    return 9 + qBound(0, index, ScreenTextSizeCount - 1);
}

bool takesScreenTextSize(const QString& objectName)
{
    for (const char* prefix : {"lb", "Li", "lv", "Tr", "tx"}) {
        if (objectName.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

bool isSizedLabel(const QString& objectName)
{
    return objectName.startsWith(QLatin1String("lb"));
}

int labelHeightTwips(int index)
{
    const int i = qBound(0, index, ScreenTextSizeCount - 1);
    return 15 * (2 * i + 11) - 4 * i;
}

int labelHeightPixels(int index)
{
    return int(std::lround(double(labelHeightTwips(index)) / TwipsPerPixel));
}

} // namespace tovane
