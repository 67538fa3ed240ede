#include "core/layoutrules.h"

#include <QtGlobal>

#include <cmath>

namespace tovane {

namespace {
int roundHalfUp(double v)
{
    return int(std::floor(v + 0.5));
}
} // namespace

int boundDivision(int wanted, int usable, int minimum, int otherMinimum)
{
    // The minimum wins when the window is too small for both parts.
    return qMax(minimum, qMin(wanted, usable - otherMinimum));
}

int divisionSize(int proportion, int usable, int minimum, int otherMinimum)
{
    const int p = qBound(0, proportion, MaxDivision);
    const int size = roundHalfUp(double(p) * qMax(usable, 0) * 80.0 / 100000.0);
    return boundDivision(size, usable, minimum, otherMinimum);
}

int divisionProportion(int size, int usable, int previous)
{
    if (usable <= 0)
        return previous;
    const int p = roundHalfUp(double(size) * 100000.0 / usable / 80.0);
    return qBound(0, p, MaxDivision);
}

DivisionChange dragDivision(const DivisionGeometry& g, int dx, int dy, int treeDivision,
                            int upperDivision, const DivisionLimits& limits)
{
    DivisionChange c;
    c.treeWidth = boundDivision(g.treeWidth + dx, g.usableWidth, limits.minTree, limits.minList);
    c.upperHeight =
        boundDivision(g.upperHeight + dy, g.usableHeight, limits.minUpper, limits.minLower);
    c.treeDivision = divisionProportion(c.treeWidth, g.usableWidth, treeDivision);
    c.upperDivision = divisionProportion(c.upperHeight, g.usableHeight, upperDivision);
    return c;
}

int moveDirectionForKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_G:
        return MoveLeft;
    case Qt::Key_H:
        return MoveRight;
    case Qt::Key_Y:
        return MoveUp;
    case Qt::Key_B:
        return MoveDown;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return MoveNarrower; // "," with Shift
    case Qt::Key_O:
        return MoveLower;
    case Qt::Key_P:
        return MoveHigher;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return MoveWider; // "." with Shift
    default:
        return -1;
    }
}

DividerNudge nudgeFor(int direction, bool shift)
{
    const int step = shift ? 10 : 1;
    DividerNudge n;
    switch (direction) {
    case MoveLeft:
    case MoveNarrower:
        n.dx = -step;
        break;
    case MoveRight:
    case MoveWider:
        n.dx = step;
        break;
    case MoveUp:
    case MoveLower:
        n.dy = -step;
        break;
    case MoveDown:
    case MoveHigher:
        n.dy = step;
        break;
    default:
        break;
    }
    return n;
}

int clampMainExtent(int extent, int screenExtent)
{
    const int low = screenExtent / 2;
    const int high = screenExtent + 8;
    return qBound(low, extent, qMax(low, high));
}

MainResize noteMainResize(Frm1Size& frm1, const QRect& geometry, const QSize& screen,
                          bool twoWindows, bool minimised, bool switching)
{
    MainResize r;
    if (switching || minimised) {
        r.ignored = true;
        return r;
    }
    r.closeDestinationList = true;
    r.size = QSize(clampMainExtent(geometry.width(), screen.width()),
                   clampMainExtent(geometry.height(), screen.height()));
    r.setBack = r.size != geometry.size();
    frm1[Frm1Top] = geometry.top() * TwipsPerPixel;
    frm1[Frm1Left] = geometry.left() * TwipsPerPixel;
    frm1[Frm1Height] = r.size.height() * TwipsPerPixel;
    frm1[frm1WidthItem(twoWindows)] = r.size.width() * TwipsPerPixel;
    return r;
}

Frm1Size defaultFrm1Size(int designTop, int designLeft, const QSize& screenTwips)
{
    return {designTop, designLeft, screenTwips.height() - 4 * designTop,
            screenTwips.width() - 3 * designLeft, screenTwips.width() - 2 * designLeft};
}

void checkFrm1Size(Frm1Size& frm1, const QSize& screenTwips)
{
    if (frm1[Frm1Top] < -200 || frm1[Frm1Top] > screenTwips.height() - 1000)
        frm1[Frm1Top] = 0;
    if (frm1[Frm1Left] < 1500 - screenTwips.width() || frm1[Frm1Left] > screenTwips.width() - 1000)
        frm1[Frm1Left] = 0;
}

double twipsPerPixelForDpi(double logicalDpi)
{
    return logicalDpi > 0 ? 1440.0 / logicalDpi : double(TwipsPerPixel);
}

QString screenScaleWarning(double twipsPerPixel)
{
    if (!(twipsPerPixel > 0))
        return QString();
    for (double standard : {15.0, 12.0, 10.0, 20.0})
        if (std::fabs(twipsPerPixel - standard) < 1e-9)
            return QString();
    // The factor is shown as a single-precision number: at most 7 digits.
    const float factor = float(15.0 / twipsPerPixel);
    return QStringLiteral("フォントサイズは標準の ") + QString::number(factor, 'g', 7) +
           QStringLiteral(
               " 倍です。\r\n\r\n倍数が 0.75、1、1.25、1.5 以外は、画面を正常に表示できません。");
}

} // namespace tovane
