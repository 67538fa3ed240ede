#include "app/imaging.h"

#include "app/browsing.h"
#include "app/contentarea.h"
#include "app/dialogt.h"
#include "app/mainwindow.h"
#include "app/menubar.h"
#include "app/qtservices.h"
#include "app/selecting.h"
#include "app/windowpane.h"
#include "core/commandstates.h"
#include "list/filelist.h"
#include "list/filelistmodel.h"
#include "viewer/imagerotation.h"
#include "viewer/widgets/contentviews.h"

#include <QTreeView>

#include <cmath>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>

namespace tovane {

namespace {

QColor backgroundColour(int index)
{
    const quint32 rgb = rgbFromBgr(pictureBackgroundColour(index));
    return QColor::fromRgb(rgb);
}

// Whether F1 is down: the slide show started with F1 held is a test run.
class F1Watch : public QObject {
public:
    bool down = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            auto* k = static_cast<QKeyEvent*>(event);
            if (k->key() == Qt::Key_F1 && !k->isAutoRepeat())
                down = event->type() == QEvent::KeyPress;
        } else if (event->type() == QEvent::ApplicationDeactivate) {
            down = false;
        }
        return QObject::eventFilter(watched, event);
    }
};

F1Watch* f1Watch()
{
    static F1Watch* watch = [] {
        auto* w = new F1Watch;
        if (qApp) {
            w->setParent(qApp);
            qApp->installEventFilter(w);
        }
        return w;
    }();
    return watch;
}

} // namespace

Imaging::Imaging(MainWindow& window, Browsing& browsing, ContentArea& content,
                 std::array<ImageView*, 2> views)
    : m_window(window), m_browsing(browsing), m_content(content), m_views(views), m_show(*this)
{
    f1Watch();
    for (const WindowIndex w : {LeftWindow, RightWindow}) {
        ImageView& v = imageView(w);
        v.view = [this, w]() -> PictureView& { return view(w); };
        v.dragAllowed = [this] { return m_show.running() || !m_window.progress().busy(); };
        v.dragPointer = [this](bool on) {
            m_window.progress().showProgress(on ? ProgressService::PointerMove
                                                : ProgressService::PointerDefault,
                                             QString(), ProgressService::SetPointer);
        };
        // The label shares its panel with the status line: it is written
        // again only when an automatic zoom changed with the area.
        v.painted = [this, w] {
            const int zoom = int(std::lround(view(w).zoom));
            if (zoom != m_labelZoom[w == RightWindow ? 1 : 0]) {
                m_labelZoom[w == RightWindow ? 1 : 0] = zoom;
                m_content.updateViewLabel(w);
            }
        };
        v.setBackground(backgroundColour(m_window.state().pictureBackground()));
    }
    window.slideStep = [this] { slideTimerFired(); };
    window.slidePause = [this] { slidePause(); };
    window.slideShowRunning = [this] { return m_show.running(); };
}

void Imaging::wireMenus()
{
    MenuBar& menus = m_window.menus();
    auto on = [this, &menus](const char* control, int index, auto handler) {
        if (QAction* a = menus.action(control, index)) {
            connect(a, &QAction::triggered, this, handler);
            a->setEnabled(true);
        }
    };
    for (int i = 0; i <= 3; ++i)
        on("mnuDispImgCff", i, [this, i] { setZoomMode(i); });
    for (int i : {0, 1, 2, 4, 6, 7, 8})
        on("mnuDispImg", i, [this, i] { stepZoom(i); });
    if (QAction* a = menus.action("mnuDispImgCff", 4))
        a->setEnabled(true);
    if (QAction* a = menus.action("mnuImgCffRtt", 1))
        a->setEnabled(true);
    for (int i = 0; i <= 5; ++i)
        on("mnuImgRtt", i, [this, i] { rotate(i); });
    on("mnuDispSlide", 0, [this] { startSlideShow(); });
    on("mnuDispSlide", 1, [this] { slidePause(); });
    on("mnuDispSlide", 2, [this] { slideEnd(); });
    on("mnuDispSlide", 3, [this] { slideReverse(); });
}

void Imaging::fillFacts(WindowIndex w, WindowCommandFacts& facts) const
{
    facts.imageShown = imageShown(w);
    facts.manualZoom = m_window.state().settingsOf(w).zoomMode == ZoomManual;
    facts.slideShowRunning = m_show.running();
    const FileList& l = m_browsing.list(w);
    int files = 0;
    if (!l.showsDriveList()) {
        const FileListModel* model = l.model();
        for (int r = 0, n = model->count(); r < n && files < 2; ++r)
            files += model->isFolderRow(r) ? 0 : 1;
    }
    facts.files = files;
}

PictureView& Imaging::view(WindowIndex w)
{
    const int slot = qBound(0, m_window.state().viewSlot(w), 2);
    PictureView& v = m_slots[size_t(slot)];
    v.zoomMode = m_window.state().settingsOf(w).zoomMode;
    return v;
}

bool Imaging::imageShown(WindowIndex w) const
{
    return m_window.state().displayedContent(w) == ContentKind::Image &&
           !imageView(w).image().isNull();
}

void Imaging::redraw(WindowIndex w)
{
    if (imageShown(w))
        paintNow(w);
}

void Imaging::paintNow(WindowIndex w, bool announce)
{
    QtProgressService& progress = m_window.progress();
    const QString before = progress.progress();
    if (announce)
        progress.showProgress(ProgressService::PointerDefault,
                              m_window.state().windowLabel(w) + QStringLiteral("画像更新処理中 "),
                              ProgressService::SetText);
    m_window.pane(w)->picture()->repaint();
    if (announce)
        progress.showProgress(ProgressService::PointerDefault, before, ProgressService::SetText);
}

void Imaging::menusChanged()
{
    m_window.applyMenuMarks();
    m_window.updateMenus(m_window.selectedWindow());
}

// ---------------------------------------------------------------- zoom

void Imaging::setZoomMode(int index)
{
    if (index < 0 || index > 3)
        return;
    const WindowIndex w = m_window.selectedWindow();
    ViewSlotSettings& s = m_window.state().settingsOf(w);
    PictureView& v = view(w);
    if (index == ZoomManual && s.zoomMode != ZoomManual)
        v.zoom = ZoomActualSize;
    s.zoomMode = index;
    v.zoomMode = index;
    v.committed = v.live = QPointF();
    menusChanged();
    redraw(w);
    m_content.updateViewLabel(w);
}

void Imaging::stepZoom(int index)
{
    const WindowIndex w = m_window.selectedWindow();
    PictureView& v = view(w);
    bool reset = false;
    if (!tovane::stepZoom(index, v.zoom, reset))
        return;
    if (reset)
        v.committed = v.live = QPointF();
    redraw(w);
    m_content.updateViewLabel(w);
    menusChanged();
}

// ---------------------------------------------------------------- turning

QString Imaging::askAngleDialog(const QString& defaultText)
{
    if (askAngle)
        return askAngle(defaultText);
    return DialogT::ask(&m_window, rotationTitle(), rotationPrompt(), defaultText, true,
                        m_window.dialogEnvironment());
}

void Imaging::rotate(int index)
{
    const WindowIndex w = m_window.selectedWindow();
    if (!imageShown(w) || index < 0 || index > 5)
        return;
    ImageView& image = imageView(w);
    QtProgressService& progress = m_window.progress();
    const QString label = m_window.state().windowLabel(w);
    const bool show = m_show.running();
    progress.showProgress(show ? ProgressService::PointerDefault : ProgressService::PointerBusy,
                          label + QStringLiteral("画像を回転／反転処理中 "),
                          (show ? 0 : ProgressService::SetPointer) | ProgressService::SetText);
    auto done = [&] {
        progress.showProgress(ProgressService::PointerDefault, QString(),
                              (show ? 0 : ProgressService::SetPointer) | ProgressService::SetText);
    };

    int angle = 0;
    switch (index) {
    case 0:
        angle = 90;
        break;
    case 1:
        angle = -90;
        break;
    case 2:
        angle = 180;
        break;
    case 3:
        for (;;) {
            const QString answer = askAngleDialog(
                image.lastAngle() != 0 ? QString::number(image.lastAngle()) : QString());
            if (answer == DialogT::cancelAnswer()) {
                done();
                return;
            }
            if (parseRotationAnswer(answer, angle))
                break;
            if (m_window.messages().confirmationMessages())
                m_window.messages().showMessage(rotationNotWholeText(), ButtonsOk, rotationTitle());
        }
        if (angle == 0) {
            done();
            return;
        }
        image.setLastAngle(angle);
        break;
    default:
        break;
    }

    bool turned = true;
    if (index >= 4) {
        image.mirror(index == 4);
    } else if (turnsAsTwoQuarters(angle)) {
        turned = image.turn(90) && image.turn(90);
    } else {
        turned = image.turn(angle);
    }
    if (!turned) {
        done();
        m_window.messages().showMessage(rotationTooLargeText(), ButtonsOk, rotationFailureTitle());
        return;
    }

    progress.showProgress(ProgressService::PointerDefault, label + QStringLiteral("ファイル内容を表示中"),
                          ProgressService::SetText);
    PictureView& v = view(w);
    const bool upright = index != 3 || isRightAngle(angle);
    if (upright) {
        v.committed = v.live = QPointF();
    } else {
        // A turned picture grows: its middle is brought into view.
        const QSize area = m_window.pane(w)->picture()->size();
        const QSizeF picture(image.image().width() * double(TwipsPerPixel),
                             image.image().height() * double(TwipsPerPixel));
        const ImageScale s = imageScale(v.zoomMode, v.zoom, picture,
                                        QSizeF(area.width() * double(TwipsPerPixel),
                                               area.height() * double(TwipsPerPixel)));
        const QPointF centre(
            std::max(0.0, (picture.width() - area.width() * TwipsPerPixel / s.x) / 2),
            std::max(0.0, (picture.height() - area.height() * TwipsPerPixel / s.y) / 2));
        v.committed = v.live = centre;
    }
    redraw(w);
    if (!upright) {
        image.setFreeAngle(true);
        menusChanged();
    }
    done();
}

void Imaging::cycleBackground()
{
    MainState& state = m_window.state();
    state.setPictureBackground(nextPictureBackground(state.pictureBackground()));
    const QColor colour = backgroundColour(state.pictureBackground());
    for (const WindowIndex w : {LeftWindow, RightWindow})
        imageView(w).setBackground(colour);
}

// ---------------------------------------------------------------- keys

bool Imaging::handleKey(const KeyAction& a)
{
    switch (a.command) {
    case KeyCommand::CyclePictureBackground:
        cycleBackground();
        return true;
    case KeyCommand::RotateImage:
        rotate(a.argument);
        return true;
    case KeyCommand::SetZoomMode:
        setZoomMode(a.argument);
        return true;
    case KeyCommand::ImageZoom:
        stepZoom(a.argument);
        return true;
    case KeyCommand::StartSlideShow:
        startSlideShow(a.argument == 1 ? 1 : -1);
        return true;
    case KeyCommand::SlideLonger:
        m_show.changeInterval(1000);
        return true;
    case KeyCommand::SlideShorter:
        m_show.changeInterval(-1000);
        return true;
    case KeyCommand::SlidePause:
        // Outside the key's own event, as the menu item would run.
        m_window.deferredJobs().set(GlobalSlidePause);
        m_window.deferredJobs().arm(1);
        return true;
    case KeyCommand::SlideEnd:
        slideEnd();
        return true;
    default:
        return false;
    }
}

// ---------------------------------------------------------------- slide show

void Imaging::startSlideShow(int testRun)
{
    if (m_show.running())
        return;
    const WindowIndex w = m_window.selectedWindow();
    if (m_browsing.list(w).showsDriveList())
        return;
    // Nothing could be shown with the display switched off.
    if (!m_window.state().settingsOf(w).contentDisplay)
        m_content.setDisplaySwitch(w, true);
    m_showWindow = w;
    m_show.setLabel(m_window.state().windowLabel(w));
    m_show.start(testRun < 0 ? f1Watch()->down : testRun == 1);
}

void Imaging::slidePause()
{
    m_show.togglePause();
}

void Imaging::slideEnd()
{
    m_show.end();
}

void Imaging::slideReverse()
{
    m_show.reverse();
    if (m_show.running() && m_show.paused())
        return;
}

int Imaging::itemCount() const
{
    const FileList& l = m_browsing.list(m_showWindow);
    return l.showsDriveList() ? 0 : l.model()->count();
}

int Imaging::fileCount() const
{
    return m_showFiles;
}

int Imaging::shownItem() const
{
    if (m_window.state().displayedContent(m_showWindow) == ContentKind::None)
        return 0;
    return m_browsing.list(m_showWindow).currentRow() + 1;
}

bool Imaging::showItem(int item, bool testRun)
{
    Q_UNUSED(testRun); // the content display asks testRun() itself
    return !m_content.showContent(m_showWindow, item, true).isEmpty();
}

void Imaging::setMark(int item, bool on)
{
    FileList& l = m_browsing.list(m_showWindow);
    const int row = item - 1;
    if (row < 0 || row >= l.model()->count() || l.model()->marked(row) == on)
        return;
    l.model()->setMarked(row, on);
    if (Selecting* s = m_window.selecting()) {
        s->marks().processNewMarks(m_showWindow, row);
        s->marks().publishCounts(m_showWindow);
    }
}

void Imaging::begin()
{
    // Counted once: every step caps the picture count by it.
    const FileListModel* model = m_browsing.list(m_showWindow).model();
    m_showFiles = 0;
    for (int r = 0, n = model->count(); r < n; ++r)
        m_showFiles += model->isFolderRow(r) ? 0 : 1;
    if (Selecting* s = m_window.selecting()) {
        s->marks().clear(m_showWindow);
        s->marks().publishCounts(m_showWindow);
    }
    m_window.updateMenus(m_showWindow);
}

void Imaging::shown(int item)
{
    const FileList& l = m_browsing.list(m_showWindow);
    if (!(m_content.maximized() && m_window.windowState() != Qt::WindowNoState))
        m_window.setWindowTitle(l.model()->folder() + l.model()->nameAt(item - 1));
    if (!m_content.maximized()) {
        setMark(item, true);
        QAbstractItemView* list = m_window.pane(m_showWindow)->list();
        list->scrollTo(list->model()->index(item - 1, 0));
    }
}

void Imaging::unmark(int item)
{
    setMark(item, false);
}

void Imaging::setStatus(const QString& text)
{
    m_window.progress().showProgress(ProgressService::PointerDefault, text, ProgressService::SetText);
}

void Imaging::armStep(int intervalMs)
{
    DeferredJobs& jobs = m_window.deferredJobs();
    m_stepDue.start();
    m_stepWait = intervalMs;
    // Other jobs waiting keep their short wait; the step waits on below.
    const bool others = (jobs.mask() & ~quint32(GlobalSlideStep)) != 0;
    jobs.set(GlobalSlideStep);
    jobs.arm(others ? 1 : intervalMs);
}

void Imaging::slideTimerFired()
{
    // The timer is shared: another job may have brought it in early.
    const qint64 left = m_stepWait - m_stepDue.elapsed();
    if (m_show.running() && left > 1) {
        DeferredJobs& jobs = m_window.deferredJobs();
        jobs.set(GlobalSlideStep);
        jobs.arm(int(left));
        return;
    }
    m_show.step();
}

void Imaging::disarmStep()
{
    DeferredJobs& jobs = m_window.deferredJobs();
    jobs.clear(GlobalSlideStep);
    if (jobs.mask() == 0)
        jobs.disarm();
}

bool Imaging::confirmationMessages() const
{
    return m_window.messages().confirmationMessages();
}

void Imaging::message(const QString& text, const QString& title)
{
    m_window.messages().showMessage(text, ButtonsOk, title);
}

void Imaging::finish(int lastShown, bool testRun)
{
    const WindowIndex w = m_showWindow;
    m_content.functionModeChanged(); // shown texts may be edited again
    m_window.setWindowTitle(m_window.state().listedPath(m_window.selectedWindow()));
    setStatus(QString());
    FileList& l = m_browsing.list(w);
    if (lastShown > 0 && lastShown <= l.model()->count()) {
        l.setCurrent(lastShown - 1);
        setMark(lastShown, true);
        m_content.showContent(w, lastShown, true);
    }
    if (testRun) {
        if (Selecting* s = m_window.selecting()) {
            s->marks().clear(w);
            s->marks().publishCounts(w);
        }
    }
    m_window.layoutPanes();
    menusChanged();
}

void Imaging::pauseCaption(const QString& caption)
{
    if (QAction* a = m_window.menus().action("mnuDispSlide", 1))
        a->setText(caption);
}

} // namespace tovane
