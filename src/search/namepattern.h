#pragma once
// Name patterns as the search takes them: letter case ignored, "*" any run,
// "?" one character, "[...]" a set (narrowing); "*.*" matches every name,
// also one without a dot; a pattern ending in "." matches only names without
// an extension.

#include <QString>

namespace tovane {

class NamePattern {
public:
    // `sets`: "[" starts a character set (narrowing); otherwise it is literal.
    explicit NamePattern(const QString& pattern, bool sets = false);
    bool matches(const QString& name) const;
    bool isWild() const { return m_wild; }

private:
    QString m_pattern; // lower-case, without a final "."
    bool m_all = false;
    bool m_noExtension = false;
    bool m_sets = false;
    bool m_wild = false;
};

// The live corrections of the pattern box: "**" becomes "*", characters
// names never hold (\ : " / < > |) and leading blanks go, an extension over
// ten characters is cut. `caret` follows the removals.
QString correctedSearchPattern(const QString& text, int& caret);

} // namespace tovane
