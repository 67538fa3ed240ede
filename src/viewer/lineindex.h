#pragma once
// Where each line of a text starts, for views that lay out only the lines
// they show. Lines end at '\n' (the decoded form of every line end); a text
// ending in '\n' has an empty last line, as a text box shows it.

#include <QList>
#include <QStringView>

namespace tovane {

class LineIndex {
public:
    LineIndex() = default;
    // One pass over `text`.
    explicit LineIndex(QStringView text);

    qsizetype lineCount() const { return m_starts.size(); }
    qsizetype lineStart(qsizetype line) const { return m_starts.at(line); }
    // Characters of `line` without its '\n'.
    qsizetype lineLength(qsizetype line) const;
    // The line holding character `position` (0..text length).
    qsizetype lineOf(qsizetype position) const;
    qsizetype longestLine() const { return m_longest; }
    qsizetype textLength() const { return m_length; }

private:
    QList<qsizetype> m_starts{0};
    qsizetype m_length = 0;
    qsizetype m_longest = 0;
};

} // namespace tovane
