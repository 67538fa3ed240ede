// Writes one LZH archive of every file under a folder and prints its size
// and the time taken: bench_lzh FOLDER ARCHIVE [5|6|7]
#include "archive/lzhwriter.h"
#include "platform/filesystem.h"
#include "platform/streamfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace tovane;

namespace {

void collect(const QString& folder, const QString& prefix, QList<LzhSource>& out)
{
    QList<ItemRecord> items;
    platform::listFolder(folder, [&](const ItemRecord& r) {
        items.append(r);
        return true;
    });
    for (const ItemRecord& r : items) {
        const QString path = folder + u'/' + r.name;
        const QString stored = prefix.isEmpty() ? r.name : prefix + u'/' + r.name;
        out.append({path, stored, r.isFolder()});
        if (r.isFolder())
            collect(path, stored, out);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_lzh FOLDER ARCHIVE [5|6|7]\n");
        return 2;
    }
    LzhOptions options;
    if (args.size() > 3)
        options.method = LzhMethod(args[3].toInt());
    QList<LzhSource> sources;
    collect(args[1], QString(), sources);
    QElapsedTimer timer;
    timer.start();
    const int result = writeLzh(args[2], sources, options);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    platform::InputFile archive;
    archive.open(args[2]);
    std::printf("entries %lld result %d size %lld seconds %.3f\n", (long long)sources.size(),
                result, (long long)archive.size(), seconds);
    return result == 0 ? 0 : 1;
}
