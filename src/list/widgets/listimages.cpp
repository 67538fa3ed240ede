#include "list/widgets/listimages.h"

#include "list/fileimages.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace tovane {

namespace {

ImageProvider& provider()
{
    static ImageProvider p;
    return p;
}

ImageProvider& addedImages()
{
    static ImageProvider p;
    return p;
}

QHash<int, QIcon>& cache()
{
    static QHash<int, QIcon> icons;
    return icons;
}

// A sheet of paper with a folded corner; returns the area inside the sheet.
QRectF drawSheet(QPainter& p, int size, const QColor& fill)
{
    const qreal s = size;
    const qreal left = s * 0.16, right = s * 0.84, top = s * 0.06, bottom = s * 0.94;
    const qreal fold = s * 0.25;
    QPainterPath sheet;
    sheet.moveTo(left, top);
    sheet.lineTo(right - fold, top);
    sheet.lineTo(right, top + fold);
    sheet.lineTo(right, bottom);
    sheet.lineTo(left, bottom);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), qMax(1.0, s / 16)));
    p.setBrush(fill);
    p.drawPath(sheet);
    QPainterPath corner;
    corner.moveTo(right - fold, top);
    corner.lineTo(right - fold, top + fold);
    corner.lineTo(right, top + fold);
    p.setBrush(QColor(210, 210, 210));
    p.drawPath(corner);
    return QRectF(left + s * 0.08, top + fold + s * 0.04, right - left - s * 0.16,
                  bottom - top - fold - s * 0.1);
}

void drawArchive(QPainter& p, int size)
{
    const qreal s = size;
    const QRectF box(s * 0.1, s * 0.3, s * 0.8, s * 0.62);
    p.setPen(QPen(QColor(110, 70, 20), qMax(1.0, s / 16)));
    p.setBrush(QColor(222, 170, 90));
    p.drawRect(box);
    p.drawRect(QRectF(s * 0.06, s * 0.18, s * 0.88, s * 0.14)); // lid
    // Strap across lid and box.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 90, 30));
    p.drawRect(QRectF(s * 0.42, s * 0.18, s * 0.16, s * 0.74));
}

void drawPicture(QPainter& p, int size)
{
    const qreal s = size;
    const QRectF frame(s * 0.06, s * 0.16, s * 0.88, s * 0.7);
    p.setPen(QPen(QColor(60, 60, 60), qMax(1.0, s / 16)));
    p.setBrush(QColor(150, 200, 255));
    p.drawRect(frame);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 210, 40));
    p.drawEllipse(QPointF(s * 0.7, s * 0.36), s * 0.1, s * 0.1);
    QPainterPath hill;
    hill.moveTo(frame.left(), frame.bottom());
    hill.lineTo(s * 0.36, s * 0.46);
    hill.lineTo(s * 0.58, s * 0.7);
    hill.lineTo(s * 0.74, s * 0.56);
    hill.lineTo(frame.right(), frame.bottom());
    hill.closeSubpath();
    p.setBrush(QColor(60, 160, 60));
    p.drawPath(hill);
}

void drawText(QPainter& p, int size)
{
    const QRectF inner = drawSheet(p, size, Qt::white);
    p.setPen(QPen(QColor(70, 70, 160), qMax(1.0, size / 16.0)));
    const int lines = size >= 24 ? 5 : 3;
    for (int i = 0; i < lines; ++i) {
        const qreal y = inner.top() + inner.height() * (i + 0.5) / lines;
        const qreal right = i == lines - 1 ? inner.left() + inner.width() * 0.6 : inner.right();
        p.drawLine(QPointF(inner.left(), y), QPointF(right, y));
    }
}

void drawSource(QPainter& p, int size)
{
    const QRectF inner = drawSheet(p, size, QColor(240, 248, 255));
    QFont font = QApplication::font();
    font.setBold(true);
    font.setPixelSize(qMax(6, int(inner.height() * 0.9)));
    p.setFont(font);
    p.setPen(QColor(20, 90, 200));
    p.drawText(inner.adjusted(-size * 0.08, 0, size * 0.08, 0), Qt::AlignCenter,
               QStringLiteral("{}"));
}

QIcon standardIcon(int index)
{
    QStyle* style = QApplication::style();
    if (!style)
        return QIcon();
    switch (index) {
    case ImageFloppy:
    case ImageRemovableMedia:
        return style->standardIcon(QStyle::SP_DriveFDIcon);
    case ImageFixed:
        return style->standardIcon(QStyle::SP_DriveHDIcon);
    case ImageNetwork:
        return style->standardIcon(QStyle::SP_DriveNetIcon);
    case ImageCdRom:
        return style->standardIcon(QStyle::SP_DriveCDIcon);
    case ImageFolder:
        return style->standardIcon(QStyle::SP_DirClosedIcon);
    case ImageFolderOpen:
        return style->standardIcon(QStyle::SP_DirOpenIcon);
    case ImageTrash:
        return style->standardIcon(QStyle::SP_TrashIcon);
    case ImageComputer:
        return style->standardIcon(QStyle::SP_ComputerIcon);
    default:
        return QIcon();
    }
}

} // namespace

QPixmap drawnFileImage(int index, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case ImageArchive:
        drawArchive(p, size);
        break;
    case ImagePicture:
        drawPicture(p, size);
        break;
    case ImageText:
        drawText(p, size);
        break;
    case ImageSource:
        drawSource(p, size);
        break;
    default:
        drawSheet(p, size, Qt::white);
        break;
    }
    return pixmap;
}

QIcon listImage(int index)
{
    if (index > ImageSource)
        return addedImages() ? addedImages()(index) : QIcon();
    if (index >= ImageFile && index <= ImageSource) {
        auto it = cache().constFind(index);
        if (it != cache().constEnd())
            return *it;
        QIcon icon;
        for (int size : {16, 24, 32, 48})
            icon.addPixmap(drawnFileImage(index, size));
        cache().insert(index, icon);
        return icon;
    }
    if (index < 1 || index > ImageComputer)
        return QIcon();
    if (provider()) {
        const QIcon icon = provider()(index);
        if (!icon.isNull())
            return icon;
    }
    auto it = cache().constFind(index);
    if (it != cache().constEnd())
        return *it;
    const QIcon icon = standardIcon(index);
    cache().insert(index, icon);
    return icon;
}

void setAddedImageSource(ImageProvider source)
{
    addedImages() = std::move(source);
}

void setListImageProvider(ImageProvider p)
{
    provider() = std::move(p);
}

} // namespace tovane
