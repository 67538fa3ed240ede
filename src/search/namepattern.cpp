#include "search/namepattern.h"

#include "fs/namevalidation.h"

#include <algorithm>

namespace tovane {

namespace {

// Classic wildcard matching with a single back-track point per "*".
bool wildMatch(QStringView p, QStringView s, bool sets)
{
    qsizetype pi = 0, si = 0, starP = -1, starS = 0;
    while (si < s.size()) {
        if (pi < p.size()) {
            const QChar c = p[pi];
            if (c == u'*') {
                starP = pi++;
                starS = si;
                continue;
            }
            if (c == u'?') {
                ++pi;
                ++si;
                continue;
            }
            if (c == u'[' && sets) {
                const qsizetype close = p.indexOf(u']', pi + 1);
                if (close > pi + 1) {
                    const QStringView set = p.mid(pi + 1, close - pi - 1);
                    const bool negate = set.startsWith(u'!');
                    bool hit = false;
                    for (qsizetype k = negate ? 1 : 0; k < set.size(); ++k) {
                        if (k + 2 < set.size() && set[k + 1] == u'-') {
                            hit = hit || (s[si] >= set[k] && s[si] <= set[k + 2]);
                            k += 2;
                        } else {
                            hit = hit || s[si] == set[k];
                        }
                    }
                    if (hit != negate) {
                        pi = close + 1;
                        ++si;
                        continue;
                    }
                } else if (s[si] == c) {
                    ++pi;
                    ++si;
                    continue;
                }
            } else if (s[si] == c) {
                ++pi;
                ++si;
                continue;
            }
        }
        if (starP < 0)
            return false;
        pi = starP + 1;
        si = ++starS;
    }
    while (pi < p.size() && p[pi] == u'*')
        ++pi;
    return pi == p.size();
}

} // namespace

NamePattern::NamePattern(const QString& pattern, bool sets) : m_sets(sets)
{
    QString p = pattern.toLower();
    m_all = p == QLatin1String("*.*") || p == QLatin1String("*");
    if (p.size() > 1 && p.endsWith(u'.') && !m_all) {
        m_noExtension = true;
        p.chop(1);
    }
    m_pattern = p;
    m_wild = p.contains(u'*') || p.contains(u'?') || (sets && p.contains(u'['));
}

bool NamePattern::matches(const QString& name) const
{
    if (m_all)
        return true;
    const QString lower = name.toLower();
    // No extension: no "." after the first character.
    if (m_noExtension && lower.indexOf(u'.', 1) >= 0)
        return false;
    return wildMatch(m_pattern, lower, m_sets);
}

QString correctedSearchPattern(const QString& text, int& caret)
{
    static const QString refused = QStringLiteral("\\:\"/<>|");
    QString out;
    int newCaret = caret;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool drop = refused.contains(c) || (c == u'*' && out.endsWith(u'*')) ||
                          (c == u' ' && out.isEmpty());
        if (drop) {
            if (i < caret)
                --newCaret;
            continue;
        }
        out += c;
    }
    const qsizetype dot = out.lastIndexOf(u'.');
    if (dot >= 0 && out.size() - dot - 1 > MaxExtensionLength)
        out.truncate(dot + 1 + MaxExtensionLength);
    caret = std::clamp(newCaret, 0, int(out.size()));
    return out;
}

} // namespace tovane
