#include "viewer/imagerotation.h"

#include "fs/namevalidation.h"

#include <cmath>
#include <cstdlib>

namespace tovane {

namespace {
const QString CrLf = QStringLiteral("\r\n");

// A picture of more pixels than this is not made: 16384 × 16384 at most,
// which is 1 GiB at four bytes a pixel.
constexpr qint64 MaxPixels = qint64(16384) * 16384;
constexpr int MaxSide = 32767;
} // namespace

QString rotationTitle()
{
    return QStringLiteral("回転角度の入力");
}

QString rotationPrompt()
{
    return QStringLiteral("回転角度（度）を整数で入力してください。") + CrLf + CrLf +
           QStringLiteral("時計回り回転なら正数、反時計回り回転なら負数です。") + CrLf + CrLf +
           QStringLiteral("符号を含めて４文字まで入力できます。") + CrLf + CrLf +
           QStringLiteral("回転角度が０か３６０の倍数なら表示は変わりません。");
}

QString rotationNotWholeText()
{
    return QStringLiteral("整数を入力してください。");
}

bool parseRotationAnswer(const QString& answer, int& angle)
{
    const QString text = narrowWidth(answer.trimmed());
    if (text.isEmpty() || text.contains(u',') || text.contains(u'.'))
        return false;
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        return false;
    angle = value % 360;
    return true;
}

bool turnsAsTwoQuarters(int angle)
{
    return (angle >= 179 && angle <= 181) || (angle >= -181 && angle <= -179);
}

bool isRightAngle(int angle)
{
    const int rest = ((angle % 90) + 90) % 90;
    return rest < 2 || rest == 89;
}

QSize turnedSize(QSize size, int angle)
{
    const int a = ((angle % 360) + 360) % 360;
    const double rad = a * 0.017453293;
    const double s = std::fabs(std::sin(rad));
    const double c = std::fabs(std::cos(rad));
    const double w = size.width();
    const double h = size.height();
    return QSize(int(std::lround(w * c) + std::lround(h * s)),
                 int(std::lround(w * s) + std::lround(h * c)));
}

bool turnedSizeFits(QSize size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= MaxSide &&
           size.height() <= MaxSide && qint64(size.width()) * size.height() <= MaxPixels;
}

QString rotationTooLargeText()
{
    return QStringLiteral("画像が大きくなったので、回転できませんでした。");
}

QString rotationFailureTitle()
{
    return QStringLiteral("画像回転");
}

} // namespace tovane
