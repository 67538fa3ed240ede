#pragma once
// The conditions of one comparison, fixed when it starts and kept per window
// so that a re-run and the selective folder copy apply exactly the same rules.

#include "fs/itemtext.h" // localTimeSeconds gives the seconds compared

#include <QtGlobal>

namespace tovane {

struct CompareFlags {
    bool existence = false;
    bool newer = false;
    bool older = false;
    bool larger = false;
    bool smaller = false;
    bool fileAttributes = false;
    bool folderAttributes = false; // only where folder attributes can be set
    bool letterCase = false;
};

// What one file pair decides under `flags`: times are the local time texts'
// seconds (differences below 4 s never count), sizes in bytes, attributes as
// stored. True when the source side differs.
bool filePairDiffers(const CompareFlags& flags, qint64 sourceSeconds, qint64 destinationSeconds,
                     quint64 sourceSize, quint64 destinationSize, quint32 sourceAttributes,
                     quint32 destinationAttributes, bool namesDifferInCase);

} // namespace tovane
