#include "list/fileimagecache.h"

#include "core/messageservice.h"
#include "fs/numberformat.h"
#include "fs/pathrules.h"
#include "platform/textfile.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

#include <cerrno>

namespace tovane {

namespace {

const QString CrLf2 = QStringLiteral("\r\n\r\n");

// The outer record: a byte array as one stored variant.
constexpr quint16 RecordValueType = 0x2011;
constexpr quint16 RecordDimensions = 1;
constexpr int RecordHeaderBytes = 12;

// Our serialisation inside it.
constexpr char InnerMagic[8] = {'T', 'V', 'N', 'I', 'M', 'G', '\r', '\n'};
constexpr quint32 InnerVersion = 1;

} // namespace

QString imageLimitTitle()
{
    return QStringLiteral("リスト表示");
}

QString imageLimitMessage(int added)
{
    return QStringLiteral("主メモリや処理時間の制約で、リストに表示できるイメージの") + CrLf2 +
           QStringLiteral("種類はこれ以上増やせません。") + CrLf2 +
           QStringLiteral("（現在の追加イメージ数は ") + QString::number(added) +
           QStringLiteral(" 種類）") + CrLf2 +
           QStringLiteral("この表示パスで、ファイルの個別イメージを表示するには") + CrLf2 +
           QStringLiteral("メニューの「ファイル」→「動作状態を初期化」") + CrLf2 +
           QStringLiteral("→「ファイルイメージ」を選択して、") + CrLf2 +
           QStringLiteral("ファイルの個別イメージをクリアしてから再起動してください。");
}

QStringList splitImageKeys(const QString& text)
{
    QStringList keys;
    QString rest = text;
    while (!rest.isEmpty()) {
        const QString key = nextToken(rest, u',');
        if (key.isEmpty())
            break;
        keys.append(key);
    }
    return keys;
}

int FileImageCache::fileImage(const FileImageRules& rules, const QString& folder,
                              const QString& name)
{
    const QString ext = extensionOf(name).toLower();
    if (!rules.listed(ext))
        return NotListed;
    if (!m_individual)
        return rules.categoryImage(ext);
    const QString key = rules.imageKey(name, ext);
    if (key.isEmpty())
        return ImageFile;
    if (const auto found = m_index.constFind(key); found != m_index.constEnd())
        return *found;
    if (m_full || m_failed.contains(key))
        return ImageFile;
    if (addedCount() >= MaxAddedImages) {
        // Restored up to the limit without the flag that says so.
        m_full = true;
        return ImageFile;
    }
    const int index = imageCount() + 1;
    if (!m_extract || !m_extract(folder, name, index)) {
        m_failed.insert(key);
        return ImageFile;
    }
    m_keys.append(key);
    m_index.insert(key, index);
    if (index > LastImageIndex) {
        m_full = true;
        if (m_messages)
            m_messages->showMessage(imageLimitMessage(index - OwnImageCount), ButtonsOk,
                                    imageLimitTitle());
    }
    return index;
}

QString FileImageCache::keysText() const
{
    QString text;
    for (const QString& key : m_keys)
        text += key + u',';
    return text;
}

int FileImageCache::addRestored(const QString& key)
{
    if (key.isEmpty() || m_index.contains(key) || addedCount() >= MaxAddedImages)
        return -1;
    const int index = imageCount() + 1;
    m_keys.append(key);
    m_index.insert(key, index);
    m_failed.remove(key);
    return index;
}

void FileImageCache::dropLast()
{
    if (m_keys.isEmpty())
        return;
    m_index.remove(m_keys.takeLast());
}

void FileImageCache::clear()
{
    m_keys.clear();
    m_index.clear();
    m_failed.clear();
    m_full = false;
    m_startCount = OwnImageCount;
}

QByteArray encodeImageCache(const QList<QByteArray>& pictures)
{
    // Many keys share one picture (every text file of a folder, say): each
    // distinct picture is stored once and the images refer to it.
    QList<QByteArray> distinct;
    QHash<QByteArray, quint16> seen;
    QList<quint16> refs;
    refs.reserve(pictures.size());
    for (const QByteArray& picture : pictures) {
        auto it = seen.constFind(picture);
        if (it == seen.constEnd()) {
            it = seen.insert(picture, quint16(distinct.size()));
            distinct.append(picture);
        }
        refs.append(*it);
    }

    QByteArray inner;
    {
        QDataStream out(&inner, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        out.writeRawData(InnerMagic, sizeof InnerMagic);
        out << InnerVersion << quint32(distinct.size());
        for (const QByteArray& picture : distinct) {
            out << quint32(picture.size());
            out.writeRawData(picture.constData(), int(picture.size()));
        }
        out << quint32(refs.size());
        for (const quint16 ref : refs)
            out << ref;
    }

    QByteArray record(RecordHeaderBytes, '\0');
    qToLittleEndian<quint16>(RecordValueType, record.data());
    qToLittleEndian<quint16>(RecordDimensions, record.data() + 2);
    qToLittleEndian<quint32>(quint32(inner.size()), record.data() + 4);
    qToLittleEndian<quint32>(0, record.data() + 8);
    return record + inner;
}

int decodeImageCache(const QByteArray& record, QList<QByteArray>& pictures)
{
    pictures.clear();
    if (record.size() < RecordHeaderBytes || record.size() > MaxImageCacheBytes)
        return ImageCacheDamaged;
    const char* head = record.constData();
    const quint32 length = qFromLittleEndian<quint32>(head + 4);
    if (qFromLittleEndian<quint16>(head) != RecordValueType ||
        qFromLittleEndian<quint16>(head + 2) != RecordDimensions ||
        qFromLittleEndian<quint32>(head + 8) != 0 ||
        qint64(length) != qint64(record.size()) - RecordHeaderBytes)
        return ImageCacheDamaged;

    QDataStream in(QByteArray::fromRawData(head + RecordHeaderBytes, qsizetype(length)));
    in.setByteOrder(QDataStream::LittleEndian);
    char magic[sizeof InnerMagic];
    if (in.readRawData(magic, sizeof magic) != int(sizeof magic) ||
        memcmp(magic, InnerMagic, sizeof magic) != 0)
        return ImageCacheDamaged;
    quint32 version = 0, distinctCount = 0;
    in >> version >> distinctCount;
    if (in.status() != QDataStream::Ok || version != InnerVersion ||
        distinctCount > quint32(MaxCachedImages))
        return ImageCacheDamaged;
    QList<QByteArray> distinct;
    distinct.reserve(distinctCount);
    for (quint32 i = 0; i < distinctCount; ++i) {
        quint32 size = 0;
        in >> size;
        // Never allocate more than the record still holds.
        const qint64 left = qint64(length) - in.device()->pos();
        if (in.status() != QDataStream::Ok || size == 0 || qint64(size) > MaxImageBytes ||
            qint64(size) > left)
            return ImageCacheDamaged;
        QByteArray picture(qsizetype(size), Qt::Uninitialized);
        if (in.readRawData(picture.data(), int(size)) != int(size))
            return ImageCacheDamaged;
        distinct.append(picture);
    }
    quint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok || count > quint32(MaxCachedImages) ||
        qint64(count) * 2 != qint64(length) - in.device()->pos())
        return ImageCacheDamaged;
    QList<QByteArray> out;
    out.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        quint16 ref = 0;
        in >> ref;
        if (in.status() != QDataStream::Ok || ref >= distinct.size())
            return ImageCacheDamaged;
        out.append(distinct[ref]);
    }
    pictures = std::move(out);
    return 0;
}

int saveImageCacheFile(const QString& path, const QList<QByteArray>& pictures)
{
    const QByteArray record = encodeImageCache(pictures);
    if (record.size() > MaxImageCacheBytes)
        return EFBIG; // it could never be read back
    return platform::writeFileAtomically(path, record);
}

int readImageCacheFile(const QString& path, QList<QByteArray>& pictures)
{
    pictures.clear();
    QByteArray record;
    const int error = platform::readWholeFile(path, record, MaxImageCacheBytes + 1);
    if (error != 0)
        return error == EFBIG ? int(ImageCacheDamaged) : error;
    return decodeImageCache(record, pictures);
}

int restoreImageCache(FileImageCache& cache, const QList<QByteArray>& pictures,
                      const QString& keysText, const RestoreImage& add)
{
    if (pictures.size() <= OwnImageCount)
        return -1;
    const QStringList keys = splitImageKeys(keysText);
    for (qsizetype i = OwnImageCount; i < pictures.size(); ++i) {
        const qsizetype k = i - OwnImageCount;
        // A picture without its key could never be found again.
        if (k >= keys.size())
            return ImageCacheDamaged;
        const int index = cache.addRestored(keys[k]);
        if (index < 0)
            return ImageCacheDamaged;
        if (!add(index, pictures[i])) {
            cache.dropLast();
            return ImageCacheDamaged;
        }
    }
    return 1;
}

} // namespace tovane
