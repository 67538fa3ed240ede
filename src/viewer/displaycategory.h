#pragma once
// Which viewer shows a file: the display-extension lists 0-14 searched by the
// file's extension, the smallest index winning.

#include "core/appsettings.h"

#include <QString>

#include <array>

namespace tovane {

enum DisplayCategory : int {
    CategoryNone = -1,
    CategoryArchive = 0,
    CategoryImage = 1,
    CategoryRichText = 2,
    CategoryFirstText = 3,
    CategoryLastBasic = 4, // basic function mode searches up to here
    CategoryLastText = 14,
};

// 4 in basic function mode, 14 in the extended ones.
int highestCategory(int functionMode);

// The smallest index 0..highest whose list holds " " + ext + ",", ext being
// the lower-case extension of `name`; CategoryNone without an extension, for
// one with a blank or comma (no list entry has them), or without a list
// that holds it.
int displayCategory(const std::array<QString, DispExtListCount>& lists, const QString& name,
                    int highest);

// Categories 3-14, loaded as plain text.
inline bool isPlainTextCategory(int category)
{
    return category >= CategoryFirstText && category <= CategoryLastText;
}

} // namespace tovane
