#include "selection/compareflags.h"

namespace tovane {

bool filePairDiffers(const CompareFlags& flags, qint64 sourceSeconds, qint64 destinationSeconds,
                     quint64 sourceSize, quint64 destinationSize, quint32 sourceAttributes,
                     quint32 destinationAttributes, bool namesDifferInCase)
{
    // Halving first lets copies on coarse (2 s) file systems count as equal:
    // only a difference of 4 s or more gives |D| > 1.
    const qint64 d = (sourceSeconds - destinationSeconds) / 2;
    if (flags.newer && d > 1)
        return true;
    if (flags.older && d < -1)
        return true;
    if (flags.larger && sourceSize > destinationSize)
        return true;
    if (flags.smaller && sourceSize < destinationSize)
        return true;
    if (flags.fileAttributes && sourceAttributes != destinationAttributes)
        return true;
    return flags.letterCase && namesDifferInCase;
}

} // namespace tovane
