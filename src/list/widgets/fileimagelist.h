#pragma once
// The pictures of the added file images (index 16 on), shown by every list
// through listImage() while this object lives. Each keeps its PNG form for
// the cache file: the bytes it was restored from, or made when first saved.
//
// GUI thread only; one instance at a time.

#include <QByteArray>
#include <QIcon>
#include <QList>

#include <vector>

namespace tovane {

// The edge of the pictures kept in the cache file, pixels.
inline constexpr int CachedImageSize = 32;

class FileImageList {
public:
    FileImageList();
    ~FileImageList();
    FileImageList(const FileImageList&) = delete;
    FileImageList& operator=(const FileImageList&) = delete;

    // The picture of an added image, null outside.
    QIcon image(int index) const;
    int addedCount() const { return int(m_icons.size()); }

    // Stores the next image; `index` must be the next free one.
    bool add(int index, const QIcon& icon);
    // The next image from a cached PNG; false when it is not a small PNG.
    bool addPicture(int index, const QByteArray& png);

    // Every image of the list in PNG form, the program's own 1-15 first.
    QList<QByteArray> pictures() const;

    void clear();

private:
    std::vector<QIcon> m_icons;
    mutable std::vector<QByteArray> m_pictures;
};

// The PNG form of an icon at the cached size.
QByteArray pictureOf(const QIcon& icon);

} // namespace tovane
