// Times the platform layer's hot paths; bench/run compares them with the
// standard tools measured in the same run.
//   bench_platform list DIR [--no-store]   list one folder, print entries/ms
//   bench_platform copy SRC DST            copy one file

#include "platform/fileops.h"
#include "platform/filesystem.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <cstdio>
#include <cstring>

using namespace tovane;

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_platform list DIR [--no-store] | copy SRC DST\n");
        return 2;
    }
    QElapsedTimer t;
    t.start();
    if (std::strcmp(argv[1], "list") == 0) {
        platform::ListOptions options;
        options.readAttributeStore = !(argc > 3 && std::strcmp(argv[3], "--no-store") == 0);
        quint64 count = 0, bytes = 0;
        const int rc = platform::listFolder(QString::fromUtf8(argv[2]), [&](const ItemRecord& r) {
            ++count;
            bytes += r.size;
            return true;
        }, options);
        std::printf("%llu entries %llu bytes %.3f s rc=%d\n", (unsigned long long)count,
                    (unsigned long long)bytes, t.nsecsElapsed() / 1e9, rc);
        return rc;
    }
    if (std::strcmp(argv[1], "copy") == 0 && argc > 3) {
        platform::CopyOptions options;
        options.replaceExisting = true;
        const int rc = platform::copyFile(QString::fromUtf8(argv[2]), QString::fromUtf8(argv[3]), options);
        std::printf("copy %.3f s rc=%d\n", t.nsecsElapsed() / 1e9, rc);
        return rc;
    }
    return 2;
}
