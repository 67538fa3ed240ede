#include "tree/widgets/treeicons.h"

#include "tree/treerules.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tovane {

namespace {

const QColor Outline(60, 60, 60);
const QColor FolderYellow(244, 200, 80);
const QColor FolderShade(214, 160, 40);
const QColor DiskGrey(200, 200, 204);
const QColor DiskDark(130, 130, 136);
const QColor Led(40, 200, 60);
const QColor Screen(70, 130, 200);
const QColor Floppy(50, 70, 140);

void folder(QPainter& p, bool open)
{
    p.setPen(QPen(Outline, 0.8));
    p.setBrush(FolderShade);
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(FolderYellow);
    if (open) {
        QPainterPath front;
        front.moveTo(1.5, 13.5);
        front.lineTo(4, 7.5);
        front.lineTo(15.5, 7.5);
        front.lineTo(13, 13.5);
        front.closeSubpath();
        p.drawPath(front);
    } else {
        p.drawRect(QRectF(1.5, 6.5, 13, 7));
    }
}

void disk(QPainter& p, double top)
{
    p.setPen(QPen(Outline, 0.8));
    p.setBrush(DiskGrey);
    p.drawRoundedRect(QRectF(1.5, top, 13, 5), 1.2, 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(Led);
    p.drawEllipse(QRectF(11, top + 1.8, 1.8, 1.8));
    p.setBrush(DiskDark);
    p.drawRect(QRectF(3, top + 2.2, 5, 0.8));
}

void paint(QPainter& p, int image)
{
    switch (image) {
    case ImageFloppy:
        p.setPen(QPen(Outline, 0.8));
        p.setBrush(Floppy);
        p.drawRect(QRectF(2.5, 2.5, 11, 11));
        p.setBrush(DiskGrey);
        p.drawRect(QRectF(5, 2.5, 6, 4));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 8.5, 8, 5));
        break;
    case ImageFixed:
        disk(p, 6);
        break;
    case ImageNetwork:
        disk(p, 3);
        p.setPen(QPen(Outline, 1.2));
        p.drawLine(QPointF(8, 8), QPointF(8, 12));
        p.drawLine(QPointF(3, 12.5), QPointF(13, 12.5));
        p.setBrush(Screen);
        p.setPen(QPen(Outline, 0.6));
        p.drawRect(QRectF(6.5, 11, 3, 3));
        break;
    case ImageCdRom:
        p.setPen(QPen(Outline, 0.8));
        p.setBrush(QColor(220, 220, 235));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(QColor(170, 190, 230));
        p.drawEllipse(QRectF(4.5, 4.5, 7, 7));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(6.8, 6.8, 2.4, 2.4));
        break;
    case ImageRemovableMedia:
        p.setPen(QPen(Outline, 0.8));
        p.setBrush(DiskGrey);
        p.drawRect(QRectF(6, 1.5, 4, 3.5));
        p.setBrush(QColor(60, 120, 190));
        p.drawRoundedRect(QRectF(4.5, 5, 7, 9.5), 1.2, 1.2);
        p.setPen(Qt::NoPen);
        p.setBrush(Led);
        p.drawEllipse(QRectF(7.2, 11.5, 1.6, 1.6));
        break;
    case ImageFolder:
        folder(p, false);
        break;
    case ImageFolderOpen:
        folder(p, true);
        break;
    case ImageTrash: {
        p.setPen(QPen(Outline, 0.8));
        p.setBrush(DiskGrey);
        p.drawRect(QRectF(2.5, 3.5, 11, 1.5));
        p.drawRect(QRectF(6, 2, 4, 1.5));
        p.setBrush(QColor(170, 200, 170));
        QPainterPath bin;
        bin.moveTo(3.5, 5);
        bin.lineTo(12.5, 5);
        bin.lineTo(11.5, 14.5);
        bin.lineTo(4.5, 14.5);
        bin.closeSubpath();
        p.drawPath(bin);
        p.drawLine(QPointF(6.5, 7), QPointF(6.8, 13));
        p.drawLine(QPointF(9.5, 7), QPointF(9.2, 13));
        break;
    }
    case ImageComputer:
        p.setPen(QPen(Outline, 0.8));
        p.setBrush(DiskGrey);
        p.drawRect(QRectF(1.5, 1.5, 13, 9.5));
        p.setBrush(Screen);
        p.drawRect(QRectF(3, 3, 10, 6.5));
        p.setBrush(DiskDark);
        p.drawRect(QRectF(6.5, 11, 3, 2));
        p.drawRect(QRectF(3.5, 13, 9, 1.5));
        break;
    default:
        break;
    }
}

} // namespace

void paintTreeImage(QPainter& painter, int image, const QRectF& rect)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / 16.0, rect.height() / 16.0);
    paint(painter, image);
    painter.restore();
}

QIcon treeImageIcon(int image)
{
    if (image < 1 || image > TreeImageCount)
        return QIcon();
    static QHash<int, QIcon> cache;
    if (const auto it = cache.constFind(image); it != cache.constEnd())
        return *it;
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paintTreeImage(painter, image, QRectF(0, 0, size, size));
        painter.end();
        icon.addPixmap(pixmap);
    }
    cache.insert(image, icon);
    return icon;
}

} // namespace tovane
