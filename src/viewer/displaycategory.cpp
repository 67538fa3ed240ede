#include "viewer/displaycategory.h"

#include "fs/pathrules.h"

namespace tovane {

int highestCategory(int functionMode)
{
    return functionMode == ModeBasic ? CategoryLastBasic : CategoryLastText;
}

int displayCategory(const std::array<QString, DispExtListCount>& lists, const QString& name,
                    int highest)
{
    const QString ext = extensionOf(name).toLower();
    // A blank or comma would let the search match across two entries.
    if (ext.isEmpty() || ext.contains(u' ') || ext.contains(u','))
        return CategoryNone;
    const QString entry = u' ' + ext + u',';
    for (int c = 0; c <= qMin(highest, int(CategoryLastText)); ++c) {
        if (lists[size_t(c)].contains(entry))
            return c;
    }
    return CategoryNone;
}

} // namespace tovane
