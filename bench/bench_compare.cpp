// Test data and engine timings for the compare selection; bench/compare.sh
// times tovane-cli compare against rsync with the trees made here.
//   bench_compare tree DIR FILES FOLDERS PERMILLE  two trees DIR/L and DIR/R
//   bench_compare flat DIR FILES                   one folder DIR/L and its copy DIR/R
//   bench_compare engine LEFT RIGHT [--all-levels] [--both]
//                                                  fill and compare, times apart
//   bench_compare click DIR [CLICKS]               cost of one mark click

#include "core/appsettings.h"
#include "core/mainstate.h"
#include "core/scriptedservices.h"
#include "fs/pathcheck.h"
#include "fs/volumesource.h"
#include "list/filelist.h"
#include "list/listhost.h"
#include "platform/filesystem.h"
#include "selection/compareselection.h"
#include "selection/selectionhost.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

#include <array>
#include <cstdio>
#include <memory>

using namespace tovane;

namespace {

constexpr qint64 BaseTime = qint64(1600000000) * 1000000000;

bool makeFile(const QString& path, qint64 writeTime)
{
    if (platform::createEmptyFile(path) != 0)
        return false;
    platform::FileTimes t;
    t.write = t.access = writeTime;
    return platform::setTimes(path, t, platform::TimeWrite | platform::TimeAccess) == 0;
}

// FOLDERS folders in two levels (about sqrt(FOLDERS) at the top), the files
// spread evenly over the lower ones; every PERMILLE-th file of a thousand
// is 10 s newer in R.
int makeTrees(const QString& dir, int files, int folders, int permille)
{
    int top = 1;
    while (top * top < folders)
        ++top;
    const int lower = folders - top;
    const int perFolder = lower > 0 ? (files + lower - 1) / lower : files;
    int made = 0, differing = 0, folderNumber = 0;
    for (const char* side : {"L", "R"})
        platform::createFolder(dir + u'/' + QLatin1String(side));
    for (int t = 0; t < top; ++t) {
        const QString topName = QStringLiteral("/t%1").arg(t, 4, 10, QLatin1Char('0'));
        for (const char* side : {"L", "R"})
            platform::createFolder(dir + u'/' + QLatin1String(side) + topName);
        for (int s = 0; s < (lower + top - 1) / top && folderNumber < lower; ++s, ++folderNumber) {
            const QString sub = topName + QStringLiteral("/s%1").arg(s, 4, 10, QLatin1Char('0'));
            for (const char* side : {"L", "R"})
                platform::createFolder(dir + u'/' + QLatin1String(side) + sub);
            for (int f = 0; f < perFolder && made < files; ++f, ++made) {
                const QString name =
                    sub + QStringLiteral("/file%1.dat").arg(f, 5, 10, QLatin1Char('0'));
                const bool differs = permille > 0 && made % 1000 < permille;
                differing += differs;
                if (!makeFile(dir + QStringLiteral("/L") + name, BaseTime) ||
                    !makeFile(dir + QStringLiteral("/R") + name,
                              differs ? BaseTime + qint64(10) * 1000000000 : BaseTime)) {
                    std::fprintf(stderr, "cannot create %s\n", qPrintable(name));
                    return 1;
                }
            }
        }
    }
    std::printf("made %d files in %d folders per side, %d differ\n", made, top + folderNumber,
                differing);
    return 0;
}

int makeFlat(const QString& dir, int files)
{
    for (const char* side : {"L", "R"})
        platform::createFolder(dir + u'/' + QLatin1String(side));
    for (int f = 0; f < files; ++f) {
        const QString name = QStringLiteral("/file%1.txt").arg(f, 6, 10, QLatin1Char('0'));
        if (!makeFile(dir + QStringLiteral("/L") + name, BaseTime) ||
            !makeFile(dir + QStringLiteral("/R") + name, BaseTime))
            return 1;
    }
    std::printf("made %d files per side\n", files);
    return 0;
}

class NoListHost : public ListHost {
public:
    DesignatedSelection* marks = nullptr;
    void openFolder(WindowIndex, const QString&) override {}
    void openFile(WindowIndex, const QString&) override {}
    void driveChosen(WindowIndex, const QString&) override {}
    void markClicked(WindowIndex w, int row, int modifiers) override
    {
        if (marks)
            marks->markClicked(w, row, modifiers);
    }
};

class BenchHost : public SelectionHost {
public:
    std::array<FileList*, 2> lists{};
    bool levels = false;
    bool both = false;
    FileList* list(WindowIndex w) override { return lists[size_t(w)]; }
    QString windowPath(WindowIndex w) const override { return lists[size_t(w)]->model()->folder(); }
    WindowIndex selectedWindow() const override { return LeftWindow; }
    bool twoWindowsShown() const override { return true; }
    bool allLevels(WindowIndex) const override { return levels; }
    bool compareBothWindows() const override { return both; }
    bool confirmMessages() const override { return false; }
    bool folderAttributesSettable() const override { return true; }
    bool sizeTotalsShown() const override { return false; }
    QString windowLabel(WindowIndex) const override { return QString(); }
    int checkPathWithRepair(WindowIndex, const QString&) override { return 0; }
    void rebuildAndRefill(WindowIndex w) override { lists[size_t(w)]->refill(); }
    bool confirmUnsavedText(WindowIndex) override { return true; }
    void makeCurrentRow(WindowIndex, int) override {}
    void setStatusText(const QString&) override {}
};

struct Bench {
    MainState state;
    AppSettings settings;
    ScriptedMessageService messages;
    ProgressService progress;
    PlatformVolumeSource volumes;
    NoListHost listHost;
    BenchHost host;
    std::array<std::unique_ptr<FileList>, 2> lists;
    std::unique_ptr<DesignatedSelection> marks;
    std::unique_ptr<CompareSelection> compare;

    Bench()
    {
        messages.setConfirmationMessages(false);
        for (WindowIndex w : {LeftWindow, RightWindow}) {
            lists[size_t(w)] = std::make_unique<FileList>(
                w, ListContext{state, settings, messages, progress, volumes, nullptr, listHost,
                               [] { return std::make_pair(1.0, 1.0); }});
            host.lists[size_t(w)] = lists[size_t(w)].get();
        }
        const SelectionContext context{settings, messages, progress, host};
        marks = std::make_unique<DesignatedSelection>(context);
        compare = std::make_unique<CompareSelection>(context, *marks);
        listHost.marks = marks.get();
    }
};

int engine(const QString& left, const QString& right, bool levels, bool both)
{
    Bench b;
    b.host.levels = levels;
    b.host.both = both;
    QElapsedTimer timer;
    timer.start();
    b.lists[0]->fill(left);
    b.lists[1]->fill(right);
    const double fill = timer.nsecsElapsed() / 1e9;
    timer.restart();
    CompareConditions c;
    c.setBox(BoxExistence, true);
    c.setBox(BoxDate, true);
    c.setBox(BoxSize, true);
    c.dateDetail = DetailAny;
    c.sizeDetail = DetailAny;
    const int rc = b.compare->compareSelect(c);
    const double compare = timer.nsecsElapsed() / 1e9;
    std::printf("fill %.4f\ncompare %.4f\nlookups %lld\nmarked %lld %lld\nresult %d\n", fill,
                compare, qlonglong(b.compare->lookups()),
                qlonglong(b.marks->counters(LeftWindow).marked.items),
                qlonglong(b.marks->counters(RightWindow).marked.items), rc);
    return rc == 0 ? 0 : 1;
}

int clicks(const QString& dir, int count)
{
    Bench b;
    b.lists[0]->fill(dir);
    b.lists[1]->fill(dir);
    const int rows = b.lists[0]->model()->count();
    if (rows == 0)
        return 1;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i)
        b.lists[0]->itemClicked(int((qint64(i) * 7919) % rows), 0);
    const double each = timer.nsecsElapsed() / 1e3 / count;
    std::printf("rows %d\nclick %.2f us\nprocessed %lld\n", rows, each,
                qlonglong(b.marks->itemsProcessed()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() >= 5 && args[0] == QLatin1String("tree"))
        return makeTrees(args[1], args[2].toInt(), args[3].toInt(), args[4].toInt());
    if (args.size() >= 3 && args[0] == QLatin1String("flat"))
        return makeFlat(args[1], args[2].toInt());
    if (args.size() >= 3 && args[0] == QLatin1String("engine"))
        return engine(args[1], args[2], args.contains(QLatin1String("--all-levels")),
                      args.contains(QLatin1String("--both")));
    if (args.size() >= 2 && args[0] == QLatin1String("click"))
        return clicks(args[1], args.size() >= 3 ? args[2].toInt() : 1000);
    std::fprintf(stderr, "usage: bench_compare tree DIR FILES FOLDERS PERMILLE | flat DIR FILES |"
                         " engine LEFT RIGHT [--all-levels] [--both] | click DIR [CLICKS]\n");
    return 2;
}
