// Pictures in the real main window (offscreen), run by bench/picture.sh:
//   bench_picture show FILE      ShowContent of FILE to the painted picture in
//                                fit mode (median of 5), then a turn by 30°
//                                (median of 3), in milliseconds
//   bench_picture slides FOLDER  a slide-show test run (interval 1) over the
//                                folder: pictures per second

#include "app/browsing.h"
#include "app/contentarea.h"
#include "app/imaging.h"
#include "app/mainwindow.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "fs/pathrules.h"
#include "list/filelist.h"
#include "list/filelistmodel.h"
#include "viewer/widgets/contentviews.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tovane;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Window {
    explicit Window(const QString& folder) : window(config.path())
    {
        writeSettingsText(window.settingsFile(), QStringLiteral("[Position]\r\nPath=_,") + folder +
                                                     QStringLiteral(",_,") + folder +
                                                     QStringLiteral(",\r\n"));
        messages.setConfirmationMessages(false);
        window.setMessageService(&messages);
        window.startUp();
        window.resize(1400, 900);
        window.content()->setDisplaySwitch(LeftWindow, true);
        window.activateWindowIndex(LeftWindow, 0);
        QCoreApplication::processEvents();
    }
    QTemporaryDir config;
    MainWindow window;
    ScriptedMessageService messages;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_picture show FILE | slides FOLDER\n");
        return 2;
    }
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString target = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();

    if (mode == QLatin1String("show")) {
        Window w(parentOf(target));
        ContentArea& content = *w.window.content();
        w.window.content()->imaging().setZoomMode(ZoomAuto);
        const int item =
            w.window.browsing()->list(LeftWindow).model()->rowOfName(fileNameOf(target)) + 1;
        std::vector<double> show, turn;
        QElapsedTimer t;
        for (int i = 0; i < 5; ++i) {
            t.start();
            content.showContent(LeftWindow, item, true);
            w.window.pane(LeftWindow)->picture()->repaint();
            show.push_back(t.nsecsElapsed() / 1e6);
        }
        if (content.imageView(LeftWindow).image().isNull()) {
            std::fprintf(stderr, "not shown: %s\n", argv[2]);
            return 1;
        }
        Imaging& imaging = content.imaging();
        imaging.askAngle = [](const QString&) { return QStringLiteral("30"); };
        for (int i = 0; i < 3; ++i) {
            content.showContent(LeftWindow, item, true);
            t.start();
            imaging.rotate(3);
            w.window.pane(LeftWindow)->picture()->repaint();
            turn.push_back(t.nsecsElapsed() / 1e6);
        }
        const QImage& shown = content.imageView(LeftWindow).image();
        std::printf("show+paint (fit) %8.1f ms   turn 30 degrees %8.1f ms   (%dx%d turned)\n",
                    median(show), median(turn), shown.width(), shown.height());
        return 0;
    }

    if (mode == QLatin1String("slides")) {
        Window w(target);
        Imaging& imaging = w.window.content()->imaging();
        SlideShow& show = imaging.slideShow();
        QElapsedTimer t;
        t.start();
        imaging.startSlideShow(1);
        int shown = 0;
        while (show.running()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            shown = std::max(shown, show.picturesShown());
        }
        const double s = t.nsecsElapsed() / 1e9;
        std::printf("slide show test run: %d pictures in %.2f s = %.1f pictures/s\n", shown, s,
                    shown / s);
        return 0;
    }
    std::fprintf(stderr, "usage: bench_picture show FILE | slides FOLDER\n");
    return 2;
}
