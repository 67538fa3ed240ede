#include "viewer/render/picture.h"

#include "platform/system.h"
#include "viewer/imagerotation.h"

#include <QPainter>
#include <QTransform>

namespace tovane {

namespace {

QSizeF twipsOf(QSize pixels)
{
    return QSizeF(pixels.width() * TwipsPerPixel, pixels.height() * TwipsPerPixel);
}

} // namespace

bool turnPicture(const QImage& source, int angle, QImage& out)
{
    if (source.isNull())
        return false;
    const int a = ((angle % 360) + 360) % 360;
    const QSize size = turnedSize(source.size(), a);
    if (!turnedSizeFits(size))
        return false;
    if (a % 90 == 0) {
        // Quarter turns move pixels exactly; no smoothing, no blank edge.
        QImage turned = source.transformed(QTransform().rotate(a));
        if (turned.isNull())
            return false;
        out = std::move(turned);
        return true;
    }
    QImage target(size, QImage::Format_ARGB32_Premultiplied);
    if (target.isNull())
        return false;
    // Huge pages: the fill below would otherwise fault on every 4 kB.
    platform::adviseLargeBuffer(target.bits(), size_t(target.sizeInBytes()));
    target.fill(Qt::transparent);
    QPainter p(&target);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(size.width() / 2.0, size.height() / 2.0);
    p.rotate(a);
    p.drawImage(QPointF(-source.width() / 2.0, -source.height() / 2.0), source);
    p.end();
    out = std::move(target);
    return true;
}

QImage mirrorPicture(const QImage& source, bool horizontal)
{
    return source.mirrored(horizontal, !horizontal);
}

ScrollRanges pictureRanges(const QImage& picture, QSize area, const ImageScale& s)
{
    const QSizeF areaTwips = twipsOf(area);
    return scrollRanges(twipsOf(picture.size()), areaTwips, areaTwips.height(), s);
}

ImageScale paintPicture(QPainter& painter, const QImage& picture, QSize area,
                        const QColor& background, PictureView& view)
{
    painter.fillRect(QRect(QPoint(0, 0), area), background);
    const ImageScale s =
        imageScale(view.zoomMode, view.zoom, twipsOf(picture.size()), twipsOf(area));
    if (view.zoomMode != ZoomManual)
        view.zoom = s.zoom;
    if (picture.isNull() || area.isEmpty())
        return s;
    const ScrollRanges r = pictureRanges(picture, area, s);
    const QPointF clamped = clampOffset(view.live, r);
    if (clamped.x() != view.live.x())
        view.committed.setX(clamped.x());
    if (clamped.y() != view.live.y())
        view.committed.setY(clamped.y());
    view.live = clamped;

    // The part of the picture from the offsets on, scaled over the area.
    painter.save();
    painter.setClipRect(QRect(QPoint(0, 0), area));
    painter.setRenderHint(QPainter::SmoothPixmapTransform, s.x < 1.0 || s.y < 1.0);
    painter.translate(-view.live.x() / TwipsPerPixel * s.x, -view.live.y() / TwipsPerPixel * s.y);
    painter.scale(s.x, s.y);
    painter.drawImage(QPointF(0, 0), picture);
    painter.restore();
    return s;
}

} // namespace tovane
