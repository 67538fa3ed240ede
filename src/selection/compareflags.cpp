#include "selection/compareflags.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <cstdlib>
#include <string>

namespace tovane {

namespace {

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - (a % b < 0 ? 1 : 0);
}

// The C library re-reads the zone on every conversion, which two trees of
// 200,000 files feel. The offset is remembered at every sixth hour of UTC; a
// time between two such points with the same offset takes it, any other is
// converted exactly. Dropped when TZ changes and after two seconds.
class LocalOffsets {
public:
    int at(qint64 utcSeconds)
    {
        refresh();
        const qint64 span = floorDiv(utcSeconds, SpanSeconds);
        const int first = boundary(span);
        return first == boundary(span + 1) ? first : exact(utcSeconds);
    }

private:
    static constexpr qint64 SpanSeconds = 6 * 3600;
    static constexpr qsizetype MaxEntries = 32768;

    static int exact(qint64 utcSeconds)
    {
        return QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::LocalTime).offsetFromUtc();
    }

    int boundary(qint64 span)
    {
        const auto it = m_offsets.constFind(span);
        if (it != m_offsets.constEnd())
            return *it;
        const int offset = exact(span * SpanSeconds);
        m_offsets.insert(span, offset);
        return offset;
    }

    void refresh()
    {
        const char* zone = std::getenv("TZ");
        const bool sameZone = (zone != nullptr) == m_hasZone && (!zone || m_zone == zone);
        if (m_age.isValid() && m_age.elapsed() < 2000 && sameZone && m_offsets.size() < MaxEntries)
            return;
        m_offsets.clear();
        m_hasZone = zone != nullptr;
        m_zone = zone ? zone : "";
        m_age.start();
    }

    QHash<qint64, int> m_offsets;
    QElapsedTimer m_age;
    std::string m_zone;
    bool m_hasZone = false;
};

} // namespace

qint64 localTimeSeconds(qint64 ns)
{
    // Fractions go towards the past, as the time text drops them.
    const qint64 seconds = floorDiv(ns, 1000000000);
    thread_local LocalOffsets offsets;
    return seconds + offsets.at(seconds);
}

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
