#include "viewer/rtfwriter.h"

#include "viewer/rtfreader.h"

namespace tovane {

QByteArray writeRtf(const RichText&)
{
    return QByteArrayLiteral("{\\rtf1\\ansi }");
}

QByteArray plainTextAsRtf(const QString&, const QString&, int)
{
    return QByteArrayLiteral("{\\rtf1\\ansi }");
}

QByteArray resaveRtf(const QByteArray& bytes, int* error)
{
    RichText text;
    const int e = readRtf(bytes, text);
    if (error)
        *error = e;
    return e == RtfOk ? writeRtf(text) : QByteArray();
}

} // namespace tovane
