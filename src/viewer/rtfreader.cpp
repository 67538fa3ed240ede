#include "viewer/rtfreader.h"

namespace tovane {

int readRtf(const QByteArray& bytes, RichText& out)
{
    out = RichText();
    if (!bytes.startsWith("{\\rtf"))
        return RtfNotRtf;
    out.paragraphs.append(RichParagraph());
    return RtfOk;
}

QString rtfPlainText(const QByteArray& bytes, int* error)
{
    RichText text;
    const int e = readRtf(bytes, text);
    if (error)
        *error = e;
    return e == RtfOk ? text.plainText() : QString();
}

} // namespace tovane
