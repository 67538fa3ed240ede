#include "list/fileimages.h"

#include "fs/pathrules.h"

#include <algorithm>

namespace tovane {

namespace {

// The four category groups: list 0, list 1, lists 2-4, lists 5-14.
struct Group {
    int first;
    int last;
    int image;
};
constexpr Group Groups[] = {
    {0, 0, ImageArchive},
    {1, 1, ImagePicture},
    {2, 4, ImageText},
    {5, 14, ImageSource},
};

} // namespace

QStringList extensionsOfList(const QString& list)
{
    // " cab, lzh," -> cab, lzh
    QStringList extensions;
    for (QStringView item : QStringView(list).split(u',', Qt::SkipEmptyParts)) {
        const QStringView ext = item.trimmed();
        if (!ext.isEmpty())
            extensions.append(ext.toString());
    }
    return extensions;
}

FileImageRules::FileImageRules(const std::array<QString, 18>& lists)
{
    // Membership is a whole-entry match, so a group later in the order
    // overrides an earlier one exactly as "the highest group holding it" does.
    for (const Group& g : Groups) {
        for (int l = g.first; l <= g.last; ++l) {
            for (const QString& ext : extensionsOfList(lists[size_t(l)]))
                m_categories.insert(ext.toLower(), g.image);
        }
    }
    for (const QString& ext : extensionsOfList(lists[ListFilterList]))
        m_filter.insert(ext.toLower());
    m_filterActive = !lists[ListFilterList].isEmpty();
    for (const QString& ext : extensionsOfList(lists[ImageAggregationList]))
        m_aggregated.insert(ext.toLower());
}

bool FileImageRules::aggregated(const QString& lowerExtension) const
{
    if (lowerExtension.size() == 3 && lowerExtension.endsWith(u'_'))
        return true;
    return m_aggregated.contains(lowerExtension);
}

namespace {

bool plainKeyChar(char16_t u)
{
    return u != u',' && u != u'%' && u >= 0x20 && u != 0x7f;
}

void appendKeyText(QString& key, const QString& text)
{
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return plainKeyChar(c.unicode()); })) {
        key += text;
        return;
    }
    for (const QChar c : text) {
        if (plainKeyChar(c.unicode())) {
            key += c;
        } else {
            key += u'%';
            key += QString::number(c.unicode(), 16).rightJustified(2, u'0').toUpper();
        }
    }
}

} // namespace

QString FileImageRules::imageKey(const QString& name) const
{
    return imageKey(name, extensionOf(name).toLower());
}

QString FileImageRules::imageKey(const QString& name, const QString& lowerExtension) const
{
    QString key;
    appendKeyText(key, lowerExtension);
    key += u'_';
    if (!aggregated(lowerExtension))
        appendKeyText(key, baseNameOf(name).toLower());
    return key.size() > MaxImageKeyLength ? QString() : key;
}

bool FileImageRules::listed(const QString& lowerExtension) const
{
    return !m_filterActive || m_filter.contains(lowerExtension);
}

int FileImageRules::categoryImage(const QString& lowerExtension) const
{
    if (lowerExtension.isEmpty())
        return ImageFile;
    return m_categories.value(lowerExtension, ImageFile);
}

int FileImageRules::fileImage(const QString& name) const
{
    const QString ext = extensionOf(name).toLower();
    if (!listed(ext))
        return NotListed;
    return categoryImage(ext);
}

} // namespace tovane
