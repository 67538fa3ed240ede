// Times a large photo: decoding it and drawing it fitted into an 800x600
// area as the content area does, beside libjpeg-turbo's own decode
// (djpeg) of the same file in the same run; then a turn by a free angle.
//   bench_image [WIDTH HEIGHT]   (default 6000 4000, a 24-megapixel JPEG)

#include "viewer/render/picture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace tovane;

namespace {

double medianSeconds(int runs, const std::function<bool()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        if (!work())
            return -1;
        times.push_back(t.nsecsElapsed() / 1e9);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Gradients with noise, so the JPEG is as hard to decode as a photo.
QImage photo(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int noise = int(random.bounded(48)) - 24;
            line[x] = qRgb(std::clamp(x * 255 / size.width() + noise, 0, 255),
                           std::clamp(y * 255 / size.height() + noise, 0, 255),
                           std::clamp(((x + y) / 16 % 256) + noise, 0, 255));
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QSize size = argc >= 3 ? QSize(atoi(argv[1]), atoi(argv[2])) : QSize(6000, 4000);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("photo.jpg"));
    if (!photo(size).save(file, "JPEG", 90)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }

    QImage picture;
    const QSize area(800, 600);
    QImage canvas(area, QImage::Format_RGB32);
    const double load = medianSeconds(5, [&] { return loadPicture(file, picture) == 0; });
    const double paint = medianSeconds(5, [&] {
        PictureView view;
        view.zoomMode = ZoomAuto;
        QPainter painter(&canvas);
        paintPicture(painter, picture, area, Qt::white, view);
        return true;
    });
    const double both = medianSeconds(5, [&] {
        if (loadPicture(file, picture) != 0)
            return false;
        PictureView view;
        view.zoomMode = ZoomAuto;
        QPainter painter(&canvas);
        paintPicture(painter, picture, area, Qt::white, view);
        return true;
    });
    // Qt's reader on its own, for what the bounds and checks around it cost.
    QByteArray bytes;
    {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        bytes = f.readAll();
    }
    const double bare = medianSeconds(5, [&] { return !QImage::fromData(bytes).isNull(); });
    const double djpeg = medianSeconds(5, [&] {
        return QProcess::execute(QStringLiteral("djpeg"),
                                 {"-scale", "1/1", "-outfile", "/dev/null", file}) == 0;
    });
    QImage turned;
    const double turn = medianSeconds(3, [&] { return turnPicture(picture, 30, turned); });

    std::printf("picture %dx%d JPEG q90 (%lld bytes)\n", size.width(), size.height(),
                static_cast<long long>(QFileInfo(file).size()));
    std::printf("decode                          %8.3f s\n", load);
    std::printf("Qt's reader alone               %8.3f s\n", bare);
    std::printf("fit draw into 800x600           %8.3f s\n", paint);
    std::printf("decode + fit draw               %8.3f s   djpeg %8.3f s   ratio %5.2f\n", both,
                djpeg, djpeg > 0 ? both / djpeg : 0.0);
    std::printf("turn by 30 degrees              %8.3f s\n", turn);
    return 0;
}
