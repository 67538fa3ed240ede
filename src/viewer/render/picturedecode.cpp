#include "viewer/render/picture.h"

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
    Q_UNUSED(path);
    out = QImage();
    return LoadFailed;
}

} // namespace tovane
