// Times ShowContent of one text file in the real main window (offscreen):
// from the call to the first painted text, then a jump to the last line;
// beside it a bare read + decode of the same file, and the memory the
// shown text takes. bench/content.sh runs it on a large log and a CP932 text.
//   QT_QPA_PLATFORM=offscreen bench_content FILE

#include "app/browsing.h"
#include "app/contentarea.h"
#include "app/mainwindow.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "fs/pathrules.h"
#include "viewer/plaintextfile.h"
#include "viewer/widgets/contentviews.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

using namespace tovane;

namespace {

// Resident size now (VmRSS) and at its peak (VmHWM), bytes.
size_t statusValue(const char* key)
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    size_t kb = 0;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, std::strlen(key)) == 0)
            kb = size_t(std::strtoull(line + std::strlen(key), nullptr, 10));
    }
    std::fclose(f);
    return kb * 1024;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_content FILE\n");
        return 2;
    }
    const QString file = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();

    QElapsedTimer t;
    t.start();
    {
        LoadedText bare;
        if (loadPlainText(file, bare) != 0) {
            std::fprintf(stderr, "cannot read %s\n", argv[1]);
            return 1;
        }
    }
    const double bareMs = t.nsecsElapsed() / 1e6;

    QTemporaryDir config;
    const QString folder = parentOf(file);
    MainWindow window(config.path());
    writeSettingsText(window.settingsFile(), QStringLiteral("[Position]\r\nPath=_,") + folder +
                                                 QStringLiteral(",_,") + folder +
                                                 QStringLiteral(",\r\n"));
    ScriptedMessageService messages;
    messages.setConfirmationMessages(false);
    window.setMessageService(&messages);
    window.startUp();
    window.resize(1400, 900);
    ContentArea& content = *window.content();
    content.setDisplaySwitch(LeftWindow, true);
    app.processEvents();
    const int row = window.browsing()->list(LeftWindow).model()->rowOfName(fileNameOf(file));
    const size_t before = statusValue("VmRSS:");

    t.restart();
    content.showContent(LeftWindow, row + 1, true);
    // Whichever widget shows the text: the text box or the large-text view.
    auto* shown = qobject_cast<QAbstractScrollArea*>(content.plainView(LeftWindow).widget());
    shown->viewport()->repaint();
    const double showMs = t.nsecsElapsed() / 1e6;

    t.restart();
    // Ctrl+End as the user presses it.
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QCoreApplication::sendEvent(shown, &end);
    shown->viewport()->repaint();
    const double endMs = t.nsecsElapsed() / 1e6;
    const qsizetype lastLine = content.plainView(LeftWindow).selectionStart();

    const size_t peak = statusValue("VmHWM:");
    const bool large = content.plainView(LeftWindow).isLarge();

    // The first edit of a large text: it moves into the text box.
    t.restart();
    content.handOverLarge(LeftWindow);
    window.pane(LeftWindow)->plainText()->viewport()->repaint();
    const double handOverMs = large ? t.nsecsElapsed() / 1e6 : 0;
    const qint64 size = QFileInfo(file).size();
    std::printf("%-12s %7.1f MB  show+paint %7.1f ms  last line %6.1f ms  read+decode %7.1f ms  "
                "ratio %4.2f  memory %5.1f MB (%.2f x file)%s%s\n",
                qPrintable(fileNameOf(file)), size / 1048576.0, showMs, endMs, bareMs,
                showMs / bareMs, (peak - before) / 1048576.0, double(peak - before) / size,
                lastLine > 0 ? "" : "  NOT SHOWN", large ? "  (large view)" : "");
    if (large)
        std::printf("%-12s first edit: hand-over to the text box %7.1f ms\n",
                    qPrintable(fileNameOf(file)), handOverMs);
    return 0;
}
