// A folder of many files that a script keeps touching, shown in the main
// window (offscreen): how often the list is refreshed, how much of the time
// the refreshes take, and how late a 10 ms timer runs meanwhile (the
// window's responsiveness). Run by hand: bench/watch.sh.
//
// bench_watch FOLDER SECONDS

#include "app/browsing.h"
#include "app/mainwindow.h"
#include "app/watching.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "list/filelist.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tovane;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_watch FOLDER SECONDS\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int seconds = std::max(1, atoi(argv[2]));
    QTemporaryDir cfg;
    MainWindow window(cfg.path());
    writeSettingsText(window.settingsFile(),
                      QStringLiteral("[Position]\r\nPath=_,%1,_,%2,\r\n").arg(folder, cfg.path()));
    ScriptedMessageService messages;
    window.setMessageService(&messages);
    QElapsedTimer started;
    started.start();
    window.startUp();
    const qint64 startUp = started.elapsed();

    FileList& list = window.browsing()->list(LeftWindow);
    QElapsedTimer fillClock;
    qint64 filling = 0;
    int fills = 0;
    QObject::connect(&list, &FileList::fillStarted, [&] { fillClock.start(); });
    QObject::connect(&list, &FileList::fillFinished, [&] {
        filling += fillClock.elapsed();
        ++fills;
    });

    // Lateness of a 10 ms timer: what a user's key would wait at most.
    std::vector<qint64> late;
    QElapsedTimer tick;
    tick.start();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout,
                     [&] { late.push_back(std::max<qint64>(0, tick.restart() - 10)); });
    probe.start(10);

    QElapsedTimer run;
    run.start();
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    app.exec();
    const qint64 total = run.elapsed();

    std::sort(late.begin(), late.end());
    const auto at = [&](double q) {
        return late.empty() ? 0 : late[std::min(late.size() - 1, size_t(q * double(late.size())))];
    };
    std::printf("rows %d  start-up %lld ms\n", list.model()->count(), (long long)startUp);
    std::printf("refreshes %d in %lld ms (%.2f/s)  filling %lld ms (%.1f %% of the time)  "
                "last gap %lld ms\n",
                window.watching()->watch(LeftWindow).refreshCount(), (long long)total,
                1000.0 * window.watching()->watch(LeftWindow).refreshCount() / double(total),
                (long long)filling, 100.0 * double(filling) / double(total),
                (long long)window.watching()->watch(LeftWindow).pacer().gap());
    std::printf("10 ms timer late: median %lld ms  p99 %lld ms  max %lld ms\n", (long long)at(0.5),
                (long long)at(0.99), (long long)(late.empty() ? 0 : late.back()));
    return 0;
}
