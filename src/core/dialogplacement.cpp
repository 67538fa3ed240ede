#include "core/dialogplacement.h"

#include "core/progressservice.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace tovane {

namespace {

int floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return int(q);
}

bool inTable(int slot)
{
    return slot >= 0 && slot < DialogPositions::Slots;
}

} // namespace

int ScreenMetrics::toPixels(int twips) const
{
    const int s = scale();
    return floorDiv(qint64(twips) + s / 2, s);
}

QPoint clampDialogPosition(QPoint twips, QSize sizeTwips, const ScreenMetrics& m)
{
    const int margin = m.placementMargin();
    int left = twips.x() - m.screenLeft;
    int top = twips.y() - m.screenTop;
    if (left + sizeTwips.width() < margin)
        left = margin - sizeTwips.width();
    if (left > m.screenWidth - margin)
        left = m.screenWidth - margin;
    if (top < 0)
        top = 0;
    if (top > m.screenHeight - margin)
        top = m.screenHeight - margin;
    return QPoint(left + m.screenLeft, top + m.screenTop);
}

QPoint centredDialogPosition(QSize sizeTwips, const ScreenMetrics& m)
{
    return QPoint(m.screenLeft + (m.screenWidth - sizeTwips.width()) / 2,
                  m.screenTop + (m.screenHeight - sizeTwips.height()) / 2);
}

QPoint placeDialog(DialogPositions& positions, int slot, QSize sizeTwips, const ScreenMetrics& m)
{
    if (!inTable(slot))
        return centredDialogPosition(sizeTwips, m);
    const QPoint place =
        clampDialogPosition(QPoint(positions.left[slot], positions.top[slot]), sizeTwips, m);
    positions.left[slot] = place.x();
    positions.top[slot] = place.y();
    return place;
}

void rememberDialogPosition(DialogPositions& positions, int slot, QPoint twips)
{
    if (!inTable(slot))
        return;
    positions.left[slot] = twips.x();
    positions.top[slot] = twips.y();
}

int charactersPerLine(int left, int extraWidth, int fontSizeIndex, const ScreenMetrics& m)
{
    static constexpr int tenths[] = {67, 74, 81, 82};
    const int index = std::clamp(fontSizeIndex, 0, 3);
    const qint64 room = qint64(m.screenWidth) - left - extraWidth - m.scale();
    const qint64 chars = room * 10 / (qint64(tenths[index]) * m.scale());
    return int(std::max<qint64>(chars, 1));
}

int textLinesFor(const QString& text, int left, int extraWidth, int& widest, int fontSizeIndex,
                 const ScreenMetrics& m)
{
    const int limit = charactersPerLine(left, extraWidth, fontSizeIndex, m);
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    int lines = 0;
    int widestLine = std::max(widest, 0);
    for (const QString& line : normalised.split(QLatin1Char('\n'))) {
        const int bytes = ansiByteLength(line);
        lines += bytes > limit ? (bytes + limit - 1) / limit : 1;
        widestLine = std::max(widestLine, bytes);
    }
    widest = std::min(widestLine, limit);
    return lines;
}

int formKeyDirection(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_G:
        return FormLeft;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return FormNarrower;
    case Qt::Key_H:
        return FormRight;
    case Qt::Key_O:
        return FormLower;
    case Qt::Key_Y:
        return FormUp;
    case Qt::Key_P:
        return FormHigher;
    case Qt::Key_B:
        return FormDown;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return FormWider;
    default:
        return -1;
    }
}

QRect resizeFormByKey(const QRect& form, int direction, bool shiftHeld, QSize minimum,
                      const ScreenMetrics& m)
{
    const int step = m.scale() * (shiftHeld ? 10 : 1);
    const int edge = 8 * m.scale();
    int width = form.width();
    int height = form.height();
    auto shrink = [](int size, int by, int floor) {
        return size <= floor ? size : std::max(size - by, floor);
    };
    auto grow = [](int size, int by, int ceiling) {
        return size >= ceiling ? size : std::min(size + by, ceiling);
    };
    const int maxWidth = m.screenLeft + m.screenWidth - edge - form.left();
    const int maxHeight = m.screenTop + m.screenHeight - edge - form.top();
    switch (direction) {
    case FormLeft:
    case FormNarrower:
        width = shrink(width, step, minimum.width());
        break;
    case FormRight:
    case FormWider:
        width = grow(width, step, maxWidth);
        break;
    case FormUp:
    case FormLower:
        height = shrink(height, step, minimum.height());
        break;
    case FormDown:
    case FormHigher:
        height = grow(height, step, maxHeight);
        break;
    default:
        break;
    }
    return QRect(form.topLeft(), QSize(width, height));
}

int scaledBySizeFactor(int designed, int factor)
{
    if (factor <= 0)
        factor = DialogPositions::DefaultSizeFactor;
    return int(std::lround(double(designed) * factor / 100.0));
}

int sizeFactorFor(int designed, int actual)
{
    if (designed <= 0)
        return DialogPositions::DefaultSizeFactor;
    return std::max(1, int(std::lround(double(actual) * 100.0 / designed)));
}

} // namespace tovane
