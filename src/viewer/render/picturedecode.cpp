#include "viewer/render/picture.h"

#include "platform/textfile.h"
#include "viewer/contentdisplay.h"

namespace tovane {

// Placeholder until the bounded decoder lands.
int decodePicture(const QByteArray& bytes, const QString& extension, QImage& out)
{
    Q_UNUSED(extension);
    out = QImage::fromData(bytes);
    return out.isNull() ? LoadFailed : 0;
}

int loadPicture(const QString& path, QImage& out)
{
    QByteArray bytes;
    const int error = platform::readWholeFile(path, bytes, MaxPictureFileBytes);
    if (error != 0)
        return error;
    return decodePicture(bytes, QString(), out);
}

} // namespace tovane
