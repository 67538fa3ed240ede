// Times the file list's fill and sort over one folder and measures what the
// model keeps per row; bench/run compares the time with find | sort.
//   bench_list DIR [--sort=name|size|time|attr]

#include "core/appsettings.h"
#include "core/mainstate.h"
#include "core/progressservice.h"
#include "core/scriptedservices.h"
#include "fs/volumesource.h"
#include "list/filelist.h"
#include "list/listhost.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <cstring>
#include <malloc.h>

using namespace tovane;

namespace {

class NoHost : public ListHost {
public:
    void openFolder(WindowIndex, const QString&) override {}
    void openFile(WindowIndex, const QString&) override {}
    void driveChosen(WindowIndex, const QString&) override {}
};

// Bytes the allocator has handed out and not yet taken back.
size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Peak resident size of the process so far (VmHWM), bytes.
size_t peakResident()
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    size_t kb = 0;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kb = size_t(std::strtoull(line + 6, nullptr, 10));
    }
    std::fclose(f);
    return kb * 1024;
}

// What the names themselves take on the heap: one shared array per name
// (header, UTF-16 text and its terminator), in the allocator's 16-byte steps
// with its 8-byte chunk header.
size_t nameBytes(const FileListModel& model)
{
    size_t total = 0;
    for (int row = 0; row < model.count(); ++row) {
        const size_t payload = 16 + (size_t(model.nameAt(row).size()) + 1) * 2;
        total += (payload + 8 + 15) / 16 * 16;
    }
    return total;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_list DIR [--sort=name|size|time|attr]\n");
        return 2;
    }
    int column = 0;
    if (argc > 2 && std::strncmp(argv[2], "--sort=", 7) == 0) {
        const char* names[] = {"name", "size", "time", "attr"};
        for (int c = 0; c < 4; ++c)
            if (std::strcmp(argv[2] + 7, names[c]) == 0)
                column = c;
    }
    const QString folder = QString::fromUtf8(argv[1]);

    AppSettings settings;
    for (int flag : {FlagHideReadOnly, FlagHideHidden, FlagHideSystem, FlagHideCompressed})
        settings.setSwitch(flag, false);
    settings.sort[0] = column;
    MainState state;
    ScriptedMessageService messages;
    ProgressService progress;
    PlatformVolumeSource volumes;
    NoHost host;
    FileList list(LeftWindow,
                  ListContext{state, settings, messages, progress, volumes, nullptr, host, {}});

    const size_t heapBefore = heapInUse();
    const size_t peakBefore = peakResident();
    QElapsedTimer timer;
    timer.start();
    list.fill(folder);
    const double fillSeconds = timer.nsecsElapsed() / 1e9;
    const size_t heapAfter = heapInUse();
    const size_t peakAfter = peakResident();

    // A second sort alone, on rows already in memory.
    timer.restart();
    list.model()->sortRows(column, true);
    list.model()->sortRows(column, false);
    const double sortSeconds = timer.nsecsElapsed() / 2e9;

    const FileListModel& model = *list.model();
    const int rows = model.count();
    const double perRow = rows ? 1.0 / rows : 0;
    const size_t names = nameBytes(model);
    std::printf("rows %d\n", rows);
    std::printf("fill+sort %.4f s\n", fillSeconds);
    std::printf("sort alone %.4f s\n", sortSeconds);
    std::printf("heap per row %.0f B (names %.0f B, without names %.0f B)\n",
                double(heapAfter - heapBefore) * perRow, double(names) * perRow,
                (double(heapAfter - heapBefore) - double(names)) * perRow);
    std::printf("peak resident growth per row %.0f B (without names %.0f B)\n",
                double(peakAfter - peakBefore) * perRow,
                (double(peakAfter - peakBefore) - double(names)) * perRow);
    return 0;
}
