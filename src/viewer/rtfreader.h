#pragma once
// Reading RTF. Input is untrusted: group depth, number sizes and the amount
// of text are bounded, and malformed input gives an error code or a best
// reading, never a crash or an endless loop. PNG and JPEG pictures are
// kept; metafiles and other pictures are skipped.

#include "viewer/richtext.h"

#include <QByteArray>

namespace tovane {

enum RtfError : int {
    RtfOk = 0,
    RtfNotRtf = 1,   // does not start with "{\rtf"
    RtfTooDeep = 2,  // groups nested deeper than RtfMaxDepth
    RtfTooLarge = 3, // input or text beyond the limits below
};

inline constexpr int RtfMaxDepth = 256;
inline constexpr qsizetype RtfMaxInputBytes = qsizetype(256) * 1024 * 1024;
inline constexpr qsizetype RtfMaxTextChars = qsizetype(64) * 1024 * 1024;

// Fills `out` (replaced, not appended to); returns an RtfError. Unclosed
// groups at the end are taken as closed (a cut-off file still shows what it
// has); text after the closing brace of the document is ignored.
int readRtf(const QByteArray& bytes, RichText& out);

// The text of `bytes` with one line per paragraph ('\n' between them).
// `error` (when given) receives the RtfError; the text is empty on error.
QString rtfPlainText(const QByteArray& bytes, int* error = nullptr);

} // namespace tovane
