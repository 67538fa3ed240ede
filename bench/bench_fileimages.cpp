// Times the file list's fill of one folder with individual file images off
// and on (the desktop theme's icons, one lookup per key) and prints the
// ratio; bench/fileimages.sh builds the folders.
//   bench_fileimages DIR [ROUNDS]

#include "core/appsettings.h"
#include "core/mainstate.h"
#include "core/progressservice.h"
#include "core/scriptedservices.h"
#include "fs/volumesource.h"
#include "list/fileimagecache.h"
#include "list/filelist.h"
#include "list/listhost.h"
#include "list/widgets/fileiconsource.h"
#include "list/widgets/fileimagelist.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

using namespace tovane;

namespace {

class NoHost : public ListHost {
public:
    void openFolder(WindowIndex, const QString&) override {}
    void openFile(WindowIndex, const QString&) override {}
    void driveChosen(WindowIndex, const QString&) override {}
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_fileimages DIR [ROUNDS]\n");
        return 2;
    }
    const QString folder = QString::fromUtf8(argv[1]);
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;

    AppSettings settings;
    MainState state;
    ScriptedMessageService messages;
    ProgressService progress;
    PlatformVolumeSource volumes;
    NoHost host;
    FileList list(LeftWindow,
                  ListContext{state, settings, messages, progress, volumes, nullptr, host, {}});
    FileIconSource icons;
    FileImageList images;
    FileImageCache cache(&messages);
    int lookups = 0;
    QElapsedTimer lookupTime;
    qint64 lookupNs = 0;
    cache.setExtractor([&](const QString& f, const QString& name, int index) {
        ++lookups;
        lookupTime.start();
        const bool ok = images.add(index, icons.iconFor(f, name));
        lookupNs += lookupTime.nsecsElapsed();
        return ok;
    });
    list.setImageCache(&cache);

    const auto timedFill = [&](bool individual) {
        cache.setIndividualImages(individual);
        QElapsedTimer timer;
        timer.start();
        list.fill(folder);
        return timer.nsecsElapsed() / 1e9;
    };

    timedFill(false); // the folder's entries into the page cache
    const double cold = timedFill(true);
    const int coldLookups = lookups;
    double off = 1e9, on = 1e9;
    for (int i = 0; i < rounds; ++i) {
        off = std::min(off, timedFill(false));
        on = std::min(on, timedFill(true));
    }
    std::printf("rows %d\n", list.model()->count());
    std::printf("images off      %.4f s (best of %d)\n", off, rounds);
    std::printf("images on, warm %.4f s (best of %d)  ratio %.2f\n", on, rounds, on / off);
    std::printf("images on, cold %.4f s (first fill)   ratio %.2f\n", cold, cold / off);
    std::printf("keys looked up %d (%.1f us each), images added %d, limit message %s\n",
                coldLookups, coldLookups ? lookupNs / 1e3 / coldLookups : 0.0, cache.addedCount(),
                messages.log().isEmpty() ? "no" : "yes");
    return 0;
}
