#pragma once
// The picture side of the content areas: zoom modes and steps, turns and
// mirrors, the picture background, dragging, and the slide show over the
// selected window's list.
//
// GUI thread only.

#include "core/keymap.h"
#include "viewer/render/picture.h"
#include "viewer/slideshow.h"

#include <QElapsedTimer>
#include <QObject>

#include <array>

namespace tovane {

class Browsing;
class ContentArea;
class ImageView;
class MainWindow;
struct WindowCommandFacts;

class Imaging : public QObject, private SlideShowHost {
    Q_OBJECT
public:
    Imaging(MainWindow& window, Browsing& browsing, ContentArea& content,
            std::array<ImageView*, 2> views);

    void wireMenus();
    bool handleKey(const KeyAction& action);
    void fillFacts(WindowIndex w, WindowCommandFacts& facts) const;

    // The view slot's state of window w.
    PictureView& view(WindowIndex w);
    SlideShow& slideShow() { return m_show; }
    bool slideShowRunning() const { return m_show.running(); }
    bool testRun() const { return m_show.testRun(); }

    // PictureCPaint: the picture of w drawn at once, with the status text
    // while it is drawn (`announce`).
    void paintNow(WindowIndex w, bool announce = true);

    // mnuDispImgCff 0-3.
    void setZoomMode(int index);
    // mnuDispImg 0-8.
    void stepZoom(int index);
    // mnuImgRtt 0-5; `angleAnswer` stands in for the angle dialog (tests).
    void rotate(int index);
    std::function<QString(const QString& defaultText)> askAngle;
    // Ctrl+C.
    void cycleBackground();
    // mnuDispSlide 0-3; 開始 looks at F1 itself unless `testRun` is given.
    void startSlideShow(int testRun = -1);
    void slidePause();
    void slideEnd();
    void slideReverse();

private:
    ImageView& imageView(WindowIndex w) const { return *m_views[w == RightWindow ? 1 : 0]; }
    bool imageShown(WindowIndex w) const;
    void redraw(WindowIndex w);
    void menusChanged();
    QString askAngleDialog(const QString& defaultText);

    // SlideShowHost
    int itemCount() const override;
    int fileCount() const override;
    int shownItem() const override;
    bool showItem(int item, bool testRun) override;
    void begin() override;
    void shown(int item) override;
    void unmark(int item) override;
    void setStatus(const QString& text) override;
    void armStep(int intervalMs) override;
    void disarmStep() override;
    bool confirmationMessages() const override;
    void message(const QString& text, const QString& title) override;
    void finish(int lastShown, bool testRun) override;
    void pauseCaption(const QString& caption) override;
    void setMark(int item, bool on);
    void slideTimerFired();

    MainWindow& m_window;
    Browsing& m_browsing;
    ContentArea& m_content;
    std::array<ImageView*, 2> m_views;
    std::array<PictureView, 3> m_slots;
    SlideShow m_show;
    WindowIndex m_showWindow = LeftWindow;
    QElapsedTimer m_stepDue;
    int m_stepWait = 0;
    std::array<int, 2> m_labelZoom{};
    int m_showFiles = 0;
};

} // namespace tovane
