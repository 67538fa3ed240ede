#include "viewer/imagezoom.h"

#include <algorithm>

namespace tovane {

namespace {

constexpr double KeptStrip = 450;    // twips of the picture that stay in view
constexpr double LowBoxHeight = 480; // below this the whole box height is kept

ScrollRange rangeOf(double picture, double area, double ratio, double keep)
{
    ScrollRange r;
    r.upper = picture > keep ? picture - keep : 1;
    r.lowerRoom = area / ratio - keep;
    return r;
}

bool inside(double v, const ScrollRange& r)
{
    return v >= -r.lowerRoom && v <= r.upper;
}

} // namespace

ImageScale imageScale(int mode, double zoom, QSizeF picture, QSizeF area)
{
    ImageScale s;
    if (picture.width() <= 0 || picture.height() <= 0 || area.width() <= 0 || area.height() <= 0) {
        s.zoom = mode == ZoomManual ? zoom : ZoomActualSize;
        return s;
    }
    double rx = area.width() / picture.width();
    double ry = area.height() / picture.height();
    switch (mode) {
    case ZoomManual:
        rx = ry = zoom / 10000.0;
        s.zoom = zoom;
        break;
    case ZoomAuto:
        rx = ry = std::min(rx, ry);
        s.zoom = ry * 10000.0;
        break;
    case ZoomAutoOverflow:
        rx = ry = std::max(rx, ry);
        s.zoom = ry * 10000.0;
        break;
    default: // stretched: each axis its own
        s.zoom = ry * 10000.0;
        break;
    }
    s.x = rx;
    s.y = ry;
    return s;
}

ScrollRanges scrollRanges(QSizeF picture, QSizeF area, double boxHeight, const ImageScale& s)
{
    const double keep = (boxHeight >= LowBoxHeight ? KeptStrip : boxHeight) / s.y;
    return {rangeOf(picture.width(), area.width(), s.x, keep),
            rangeOf(picture.height(), area.height(), s.y, keep)};
}

QPointF clampOffset(QPointF offset, const ScrollRanges& r)
{
    auto clamp = [](double v, const ScrollRange& range) {
        if (v < -range.lowerRoom)
            return 1 - range.lowerRoom;
        return std::min(v, range.upper);
    };
    return {clamp(offset.x(), r.x), clamp(offset.y(), r.y)};
}

bool stepZoom(int index, double& zoom, bool& resetOffsets)
{
    resetOffsets = false;
    double z = zoom;
    switch (index) {
    case 0:
        z -= 10000;
        break;
    case 1:
        z -= 1000;
        break;
    case 2:
        z /= 2;
        break;
    case 3:
        z -= 100;
        break;
    case 4:
        z = ZoomActualSize;
        resetOffsets = true;
        break;
    case 5:
        z += 100;
        break;
    case 6:
        z *= 2;
        break;
    case 7:
        z += 1000;
        break;
    case 8:
        z += 10000;
        break;
    default:
        return false;
    }
    if (z < ZoomMinimum || z > ZoomMaximum) {
        resetOffsets = false;
        return false;
    }
    zoom = z;
    return true;
}

bool dragOffset(QPointF committed, QPointF press, QPointF position, double zoom,
                const ScrollRanges& r, QPointF& out)
{
    if (zoom <= 0)
        return false;
    // The pointer moves in pixels; the offsets are the picture's twips.
    const double scale = zoom / 10000.0;
    const QPointF candidate = committed - (position - press) * TwipsPerPixel / scale;
    if (!inside(candidate.x(), r.x) || !inside(candidate.y(), r.y))
        return false;
    out = candidate;
    return true;
}

} // namespace tovane
