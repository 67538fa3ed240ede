#pragma once
// The file images added to the list's image list at run time: one image per
// key (an extension, or an extension and a file name), looked up once per key
// and never removed during a run. Indices 1-15 belong to the program; added
// images take 16, 17, ... in the order they were added. The pictures
// themselves live with the widgets; this side keeps the keys, the limit and
// the cache file's record.
//
// QtCore only, UI thread only.

#include "list/fileimages.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace tovane {

class MessageService;

inline constexpr int OwnImageCount = 15;
inline constexpr int FirstAddedImage = OwnImageCount + 1;
inline constexpr int MaxAddedImages = 5000;
// Adding the image at an index above this fills the cache.
inline constexpr int LastImageIndex = OwnImageCount + MaxAddedImages - 1;

// The message shown when the cache became full with `added` images.
QString imageLimitMessage(int added);
QString imageLimitTitle(); // "リスト表示"

// The keys of a key list ("exe_,ico_a,"), in order; an empty item ends it.
QStringList splitImageKeys(const QString& text);

class FileImageCache {
public:
    // Puts the picture of `name` in `folder` (with "/") at `index`; false
    // when there is none.
    using Extractor = std::function<bool(const QString& folder, const QString& name, int index)>;

    explicit FileImageCache(MessageService* messages = nullptr) : m_messages(messages) {}

    void setExtractor(Extractor extractor) { m_extract = std::move(extractor); }
    void setMessageService(MessageService* messages) { m_messages = messages; }

    bool individualImages() const { return m_individual; }
    void setIndividualImages(bool on) { m_individual = on; }
    bool full() const { return m_full; }
    void setFull(bool on) { m_full = on; }

    // The image of a file row: NotListed when the list filter leaves it
    // out, the category image while individual images are off, else the
    // added image of its key (added now when new), or ImageFile without one.
    int fileImage(const FileImageRules& rules, const QString& folder, const QString& name);

    // Index of a key, or -1.
    int indexOf(const QString& key) const { return m_index.value(key, -1); }
    int addedCount() const { return int(m_keys.size()); }
    // All images of the list, the program's own included.
    int imageCount() const { return OwnImageCount + addedCount(); }
    const QStringList& keys() const { return m_keys; }
    // The keys as the settings keep them: each followed by ",".
    QString keysText() const;

    // Takes a picture restored from the cache file under `key`: its index,
    // or -1 for an empty or repeated key, or when the cache is at its limit.
    int addRestored(const QString& key);
    // Takes back the last key when its picture could not be stored.
    void dropLast();
    // Images the list held after start-up: a save is due only beyond them.
    int startCount() const { return m_startCount; }
    void markStart() { m_startCount = imageCount(); }
    // Every added image and key goes; the limit is lifted.
    void clear();

private:
    MessageService* m_messages = nullptr;
    Extractor m_extract;
    bool m_individual = false;
    bool m_full = false;
    QStringList m_keys;
    QHash<QString, int> m_index;
    // Keys without a picture: asked once per run.
    QSet<QString> m_failed;
    int m_startCount = OwnImageCount;
};

// The cache file: a 12-byte header (value type 0x2011, one dimension, the
// byte count N, lower bound 0; little-endian) and N bytes of our own
// serialisation of the pictures (PNG), every image of the list in order.
inline constexpr qint64 MaxImageCacheBytes = 64 * 1024 * 1024;
inline constexpr qint64 MaxImageBytes = 1024 * 1024;
inline constexpr int MaxCachedImages = OwnImageCount + MaxAddedImages;

enum ImageCacheError : int {
    ImageCacheDamaged = -2, // not a record we wrote, cut short or out of bounds
};

QByteArray encodeImageCache(const QList<QByteArray>& pictures);
// 0 and the pictures in order, or ImageCacheDamaged (nothing kept).
int decodeImageCache(const QByteArray& record, QList<QByteArray>& pictures);

// 0 written (through a complete temporary), else a positive errno.
int saveImageCacheFile(const QString& path, const QList<QByteArray>& pictures);
// 0 read, ENOENT without a file, another errno, or ImageCacheDamaged.
int readImageCacheFile(const QString& path, QList<QByteArray>& pictures);

// LoadImageCache over pictures read from the file: -1 when they hold no
// added image; else each picture from index 16 on is given, with the next
// key of `keysText`, to `add` (which decodes it and stores it at the index
// the cache gives the key); the first refusal stops the walk and gives
// ImageCacheDamaged, the images before it stay. 1 when every one was taken.
using RestoreImage = std::function<bool(int index, const QByteArray& picture)>;
int restoreImageCache(FileImageCache& cache, const QList<QByteArray>& pictures,
                      const QString& keysText, const RestoreImage& add);

} // namespace tovane
