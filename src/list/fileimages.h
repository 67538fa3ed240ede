#pragma once
// Image indices of list rows and the list filter. The list and the tree share
// one numbering (1-9 are the tree's volume, folder and computer images); the
// widgets map the numbers to pictures. Files get the image of their category
// (archive, picture, text, program source) or the plain file image; the list
// filter decides whether a file is listed at all.

#include "tree/treerules.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <array>

namespace tovane {

enum FileImage : int {
    ImageFile = 11, // any file without a better image
    ImageArchive = 12,
    ImagePicture = 13,
    ImageText = 14,
    ImageSource = 15, // program-language files
};
constexpr int NotListed = -1;

// Index of the list filter among the display-extension lists.
constexpr int ListFilterList = 15;
// The image aggregation list: one image per extension for these.
constexpr int ImageAggregationList = 16;
// The settings refuse a key list with a longer key.
constexpr int MaxImageKeyLength = 256;

class FileImageRules {
public:
    FileImageRules() = default;
    // `lists` in their normal form (" ext," runs), as the settings keep them:
    // 0 archive, 1 picture, 2-4 text, 5-14 program languages, 15 filter.
    explicit FileImageRules(const std::array<QString, 18>& lists);

    bool filterActive() const { return m_filterActive; }

    // The image of a file row, or NotListed when the filter leaves it out.
    int fileImage(const QString& name) const;
    // The category image of a lower-case extension (11 when it has none).
    int categoryImage(const QString& lowerExtension) const;
    // False when the filter is active and does not hold the extension.
    bool listed(const QString& lowerExtension) const;

    // The key of a file's own image: the lower-case extension and "_", then
    // the lower-case name without its extension unless the extension is
    // aggregated (in list 16, or three characters ending in "_"). "," "%"
    // and control characters are written as %XX so that a key list stays a
    // "," list of one line. Empty when the key would be too long to keep.
    QString imageKey(const QString& name) const;
    QString imageKey(const QString& name, const QString& lowerExtension) const;
    bool aggregated(const QString& lowerExtension) const;

    // 8 for a trash folder or a folder inside one, else 6.
    static int folderImage(const QString& path) { return folderImages(path).image; }

private:
    QHash<QString, int> m_categories; // extension -> image; the later group wins
    QSet<QString> m_filter;
    QSet<QString> m_aggregated;
    bool m_filterActive = false;
};

// The extensions of a list in normal form, in order.
QStringList extensionsOfList(const QString& list);

} // namespace tovane
