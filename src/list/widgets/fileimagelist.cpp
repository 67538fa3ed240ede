#include "list/widgets/fileimagelist.h"

#include "list/fileimagecache.h"
#include "list/widgets/listimages.h"

#include <QBuffer>
#include <QImageReader>
#include <QPixmap>

namespace tovane {

FileImageList::FileImageList()
{
    setAddedImageSource([this](int index) { return image(index); });
}

FileImageList::~FileImageList()
{
    setAddedImageSource({});
}

QIcon FileImageList::image(int index) const
{
    const int at = index - FirstAddedImage;
    if (at < 0 || size_t(at) >= m_icons.size())
        return QIcon();
    return m_icons[size_t(at)];
}

bool FileImageList::add(int index, const QIcon& icon)
{
    if (icon.isNull() || index != FirstAddedImage + addedCount())
        return false;
    m_icons.push_back(icon);
    m_pictures.emplace_back();
    return true;
}

bool FileImageList::addPicture(int index, const QByteArray& png)
{
    if (index != FirstAddedImage + addedCount())
        return false;
    QByteArray copy = png;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setDecideFormatFromContent(false);
    // Only what we wrote: small PNG pictures.
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > 256 || size.height() > 256)
        return false;
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    m_icons.push_back(QIcon(QPixmap::fromImage(image)));
    m_pictures.push_back(png);
    return true;
}

QByteArray pictureOf(const QIcon& icon)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPixmap pixmap = icon.pixmap(QSize(CachedImageSize, CachedImageSize));
    if (pixmap.isNull()) {
        pixmap = QPixmap(CachedImageSize, CachedImageSize);
        pixmap.fill(Qt::transparent);
    }
    pixmap.save(&buffer, "PNG");
    return bytes;
}

QList<QByteArray> FileImageList::pictures() const
{
    QList<QByteArray> out;
    out.reserve(OwnImageCount + qsizetype(m_icons.size()));
    for (int index = 1; index <= OwnImageCount; ++index)
        out.append(pictureOf(listImage(index)));
    for (size_t i = 0; i < m_icons.size(); ++i) {
        if (m_pictures[i].isEmpty())
            m_pictures[i] = pictureOf(m_icons[i]);
        out.append(m_pictures[i]);
    }
    return out;
}

void FileImageList::clear()
{
    m_icons.clear();
    m_pictures.clear();
}

} // namespace tovane
