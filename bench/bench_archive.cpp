// The archive back ends timed from the command line; bench/archive.sh sets
// them against unzip and zip on the same data.
//   bench_archive list ARCHIVE                 list a zip
//   bench_archive extract ARCHIVE DEST         extract a zip into DEST/
//   bench_archive create ARCHIVE FOLDER NAME   zip FOLDER/NAME recursively

#include "archive/archivebackends.h"
#include "platform/names.h"
#include "platform/system.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace tovane;

namespace {

QString arg(const char* text)
{
    return platform::pathFromBytes(QByteArray(text));
}

QString folder(const char* text)
{
    QString path = arg(text);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    platform::pinLocalTimeZone(); // as the program does
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_archive list|extract|create ...\n");
        return 2;
    }
    const QByteArray command(argv[1]);
    QElapsedTimer timer;
    timer.start();
    int result = 2;
    if (command == "list") {
        QString listing;
        result = ArchiveBackends::list(arg(argv[2]), ArchiveZip, listing);
        std::printf("%lld lines\n", (long long)listing.count(QLatin1Char('\n')));
    } else if (command == "extract" && argc >= 4) {
        result = ArchiveBackends::extract(arg(argv[2]), ArchiveZip, folder(argv[3]));
    } else if (command == "create" && argc >= 5) {
        result = ArchiveBackends::create(ArchiveZip, arg(argv[2]), folder(argv[3]), {arg(argv[4])},
                                         true);
    }
    std::printf("%s %.4f s result %d\n", command.constData(), timer.nsecsElapsed() / 1e9, result);
    return result == 0 ? 0 : 1;
}
