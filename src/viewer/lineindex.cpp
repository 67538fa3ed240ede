#include "viewer/lineindex.h"

#include <algorithm>

namespace tovane {

LineIndex::LineIndex(QStringView text) : m_length(text.size())
{
    m_starts.clear();
    // A rough guess saves most regrowing on long logs.
    m_starts.reserve(text.size() / 48 + 16);
    m_starts.append(0);
    qsizetype from = 0;
    for (;;) {
        // QStringView::indexOf runs a vectorised search for one character.
        const qsizetype nl = text.indexOf(u'\n', from);
        if (nl < 0)
            break;
        m_longest = std::max(m_longest, nl - from);
        from = nl + 1;
        m_starts.append(from);
    }
    m_longest = std::max(m_longest, text.size() - from);
}

qsizetype LineIndex::lineLength(qsizetype line) const
{
    const qsizetype end = line + 1 < m_starts.size() ? m_starts.at(line + 1) - 1 : m_length;
    return end - m_starts.at(line);
}

qsizetype LineIndex::lineOf(qsizetype position) const
{
    const auto it = std::upper_bound(m_starts.cbegin(), m_starts.cend(), position);
    return qsizetype(it - m_starts.cbegin()) - 1;
}

} // namespace tovane
