#include "app/dialog.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace tovane {

namespace {

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_Meta || key == Qt::Key_AltGr;
}

bool shiftIn(const QInputEvent* event)
{
    return event->modifiers() & Qt::ShiftModifier;
}

} // namespace

ScreenMetrics screenMetricsFor(const QWidget* widget)
{
    ScreenMetrics m;
    m.twipsPerPixel = 15;
    QScreen* screen = widget ? widget->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        m.screenLeft = m.toTwips(area.x());
        m.screenTop = m.toTwips(area.y());
        m.screenWidth = m.toTwips(area.width());
        m.screenHeight = m.toTwips(area.height());
    }
    const QStyle* style = widget ? widget->style() : QApplication::style();
    if (style)
        m.captionHeight = m.toTwips(style->pixelMetric(QStyle::PM_TitleBarHeight));
    m.menuHeight = m.toTwips(QFontMetrics(QApplication::font()).height() + 8);
    return m;
}

QFont dialogFont(int fontSizeIndex)
{
    QFont font = QApplication::font();
    font.setPointSize(9 + std::clamp(fontSizeIndex, 0, 3));
    return font;
}

bool handleDialogCtrlEvent(QWidget* dialog, QEvent* event, const DialogEnvironment& env,
                           QSize minimum)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!(key->modifiers() & Qt::ControlModifier))
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return handleDialogCtrlKey(dialog, key, env, minimum);
}

bool handleDialogCtrlKey(QWidget* dialog, QKeyEvent* event, const DialogEnvironment& env,
                         QSize minimum)
{
    if (!(event->modifiers() & Qt::ControlModifier) || isModifierKey(event->key()))
        return false;
    const int direction = formKeyDirection(event->key());
    if (direction < 0) {
        if (env.keyHook)
            env.keyHook(event);
        return true;
    }
    const ScreenMetrics m = env.metrics.value_or(screenMetricsFor(dialog));
    const QRect now = dialog->geometry();
    const QRect twips(m.toTwips(now.x()), m.toTwips(now.y()), m.toTwips(now.width()),
                      m.toTwips(now.height()));
    const QRect next =
        resizeFormByKey(twips, direction, shiftIn(event),
                        QSize(m.toTwips(minimum.width()), m.toTwips(minimum.height())), m);
    const QSize size(m.toPixels(next.width()), m.toPixels(next.height()));
    if (dialog->minimumSize() == dialog->maximumSize())
        dialog->setFixedSize(size);
    else
        dialog->resize(size.expandedTo(dialog->minimumSize()));
    return true;
}

Dialog::Dialog(const DialogRequest& request, const DialogEnvironment& env,
               const QString& defaultTitle, QWidget* parent)
    : QDialog(parent), m_layout(layoutFor(request, defaultTitle)), m_env(env)
{
    m_env.fontSizeIndex = std::clamp(m_env.fontSizeIndex, 0, 3);
    m_metrics = m_env.metrics.value_or(screenMetricsFor(parent ? parent : this));

    m_shiftHeld = false;
    if (m_env.stopAction) {
        m_stopWasEnabled = m_env.stopAction->isEnabled();
        m_env.stopAction->setEnabled(false);
    }
    m_closedByButton = false;
    if (!m_layout.valid) {
        m_answer = AnswerCancel;
        m_closedByButton = true;
    }

    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(m_layout.caption);
    setModal(true);
    buildControls();
    layOut();
}

Dialog::~Dialog()
{
    unload();
}

qint16 Dialog::present(const DialogRequest& request, const DialogEnvironment& env,
                       const QString& defaultTitle, QWidget* parent)
{
    qint16 answer = AnswerCancel;
    {
        Dialog dialog(request, env, defaultTitle, parent);
        answer = qint16(dialog.exec());
    }
    // What the form's closing set off (repaints, deferred jobs) runs before
    // the caller goes on.
    QCoreApplication::processEvents();
    return answer;
}

void Dialog::buildControls()
{
    setFont(dialogFont(m_env.fontSizeIndex));

    m_label1 = new QLabel(this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setTextFormat(Qt::PlainText);
    m_label1->setText(
        QString(m_layout.message).replace(QLatin1String("\r\n"), QLatin1String("\n")));

    const QString captions[3] = {m_layout.yesCaption, m_layout.noCaption, m_layout.cancelCaption};
    const bool shown[3] = {m_layout.showYes, m_layout.showNo, m_layout.showCancel};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(captions[i], this);
        b->setObjectName(QStringLiteral("DlgButton_%1").arg(i));
        b->setVisible(shown[i]);
        b->installEventFilter(this);
        connect(b, &QPushButton::clicked, this, [this, i] {
            const bool shift = m_eventShift.value_or(m_shiftHeld);
            m_eventShift.reset();
            press(i, shift);
        });
        m_buttons[i] = b;
    }

    m_label2 = new QLabel(m_layout.hint, this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setTextFormat(Qt::PlainText);
    m_label2->setAlignment(Qt::AlignCenter);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer"));
    m_timer->setInterval(std::max(m_env.focusDelayMs, 0));
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_timer->stop();
        if (m_layout.showNo) {
            m_buttons[1]->setFocus(Qt::OtherFocusReason);
            m_lastFocused = 1;
        }
    });
}

void Dialog::layOut()
{
    const int fsi = m_env.fontSizeIndex;
    const QFontMetrics fm(font());
    const int margin = 12 + 2 * fsi;
    const int maxLabelWidth =
        std::max(200, m_metrics.toPixels(m_metrics.screenWidth) - 4 * margin - 16);

    m_label1->setWordWrap(false);
    QSize label = m_label1->sizeHint();
    if (m_layout.message.isEmpty())
        label = QSize(0, fm.height());
    if (label.width() > maxLabelWidth) {
        m_label1->setWordWrap(true);
        label = QSize(maxLabelWidth, m_label1->heightForWidth(maxLabelWidth));
    }

    const int width = buttonWidth(fsi);
    const int gap = buttonGap(fsi);
    const int height = std::max(fm.height() + 10, 25);
    int visible = 0;
    for (QPushButton* b : m_buttons)
        visible += b->isVisibleTo(this) ? 1 : 0;
    const int row = visible > 0 ? visible * width + (visible - 1) * gap : 0;

    int labelLeft = margin, rowLeft = margin;
    if (label.width() < row)
        labelLeft = margin + (row - label.width()) / 2;
    else
        rowLeft = margin + (label.width() - row) / 2;
    m_label1->setGeometry(labelLeft, margin, label.width(), label.height());

    const int rowTop = margin + label.height() + 2 * margin;
    int x = rowLeft;
    for (QPushButton* b : m_buttons) {
        if (!b->isVisibleTo(this))
            continue;
        b->setGeometry(x, rowTop, width, height);
        x += width + gap;
    }

    const int clientWidth = std::max(label.width(), row) + 2 * margin;
    const int hintTop = rowTop + height + margin;
    const int clientHeight =
        std::max(rowTop + height + 3 * margin, hintTop + fm.height() + margin / 2);
    m_label2->setGeometry(margin, hintTop, clientWidth - 2 * margin, fm.height());
    setFixedSize(clientWidth, clientHeight);
    m_minimum = QSize(std::min(clientWidth, width + 2 * margin),
                      std::min(clientHeight, rowTop + height + margin));
}

QPushButton* Dialog::button(int index) const
{
    return index >= 0 && index < 3 ? m_buttons[index] : nullptr;
}

void Dialog::place()
{
    if (m_placed)
        return;
    m_placed = true;
    const ScreenMetrics& m = m_metrics;
    const QSize size(m.toTwips(width()), m.toTwips(height()) + m.captionHeight);
    const bool remembered = m_layout.confirmation || m_env.messagesAtRememberedPosition;
    QPoint twips;
    if (!remembered) {
        twips = centredDialogPosition(size, m);
    } else if (m_env.positions) {
        twips = placeDialog(*m_env.positions, m_layout.rememberedSlot, size, m);
    } else {
        DialogPositions defaults;
        twips = placeDialog(defaults, m_layout.rememberedSlot, size, m);
    }
    move(m.toPixels(twips.x()), m.toPixels(twips.y()));
}

int Dialog::exec()
{
    if (!m_layout.valid) {
        unload();
        return m_answer;
    }
    place();
    QDialog::exec();
    return m_answer;
}

void Dialog::open()
{
    if (!m_layout.valid) {
        done(QDialog::Rejected);
        return;
    }
    place();
    QDialog::open();
}

void Dialog::showEvent(QShowEvent* event)
{
    if (!m_placed)
        place();
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    m_lastFocused = m_layout.focusButton;
    if (QPushButton* b = button(m_layout.focusButton); b && b->isVisibleTo(this))
        b->setFocus(Qt::OtherFocusReason);
    if (m_layout.focusNoLater)
        m_timer->start();
}

void Dialog::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_timer->stop();
    // A form that was never on the screen has no position worth keeping.
    if (m_shown && m_env.positions) {
        rememberDialogPosition(*m_env.positions, m_layout.rememberedSlot,
                               QPoint(m_metrics.toTwips(x()), m_metrics.toTwips(y())));
    }
    if (m_env.stopAction)
        m_env.stopAction->setEnabled(m_stopWasEnabled);
    if (!m_closedByButton)
        m_answer = AnswerCancel;
}

void Dialog::done(int result)
{
    unload();
    QDialog::done(result);
}

void Dialog::reject()
{
    // The close box and the window menu: not a button, so the answer is cancel.
    done(QDialog::Rejected);
}

void Dialog::press(int index, bool shiftHeld)
{
    QPushButton* b = button(index);
    if (!b || !b->isVisibleTo(this) || m_unloaded)
        return;
    m_answer = answerForButton(index, shiftHeld);
    m_closedByButton = true;
    done(QDialog::Accepted);
}

void Dialog::setShiftHeld(bool held)
{
    if (m_shiftHeld == held)
        return;
    m_shiftHeld = held;
    if (m_layout.allAnswers) {
        m_buttons[0]->setText(m_layout.yesCaptionFor(held));
        m_buttons[1]->setText(m_layout.noCaptionFor(held));
    }
}

int Dialog::buttonIndex(const QObject* object) const
{
    for (int i = 0; i < 3; ++i) {
        if (m_buttons[i] == object)
            return i;
    }
    return -1;
}

int Dialog::mnemonicButton(int key) const
{
    for (int i = 0; i < 3; ++i) {
        if (!m_buttons[i]->isVisibleTo(this))
            continue;
        const QKeySequence mnemonic = QKeySequence::mnemonic(m_buttons[i]->text());
        if (!mnemonic.isEmpty() && mnemonic[0].key() == key)
            return i;
    }
    return -1;
}

bool Dialog::handleKeyPress(QKeyEvent* event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (key == Qt::Key_Shift) {
        setShiftHeld(true);
        return false;
    }
    if (isModifierKey(key))
        return false;
    if (mods & Qt::ControlModifier)
        return handleDialogCtrlKey(this, event, m_env, m_minimum);
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        press(m_lastFocused, shiftIn(event));
        return true;
    case Qt::Key_Escape:
        press(m_layout.escapeButton, shiftIn(event));
        return true;
    default:
        break;
    }
    // The underlined letter presses its button, with Alt or without, as in
    // the message boxes users know.
    if (!(mods & (Qt::ControlModifier | Qt::MetaModifier))) {
        const int index = mnemonicButton(key);
        if (index >= 0) {
            press(index, shiftIn(event));
            return true;
        }
    }
    return false;
}

// The keys the form handles itself must not become shortcuts elsewhere.
static bool overridesShortcut(const Dialog* dialog, QKeyEvent* event)
{
    const int key = event->key();
    if (isModifierKey(key))
        return false;
    if (event->modifiers() & Qt::ControlModifier)
        return true;
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
           (!(event->modifiers() & Qt::MetaModifier) && key >= Qt::Key_A && key <= Qt::Key_Z &&
            dialog->requestLayout().valid);
}

bool Dialog::takeKeyEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        if (overridesShortcut(this, static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
        return false;
    case QEvent::KeyPress:
        return handleKeyPress(static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Shift)
            setShiftHeld(false);
        return false;
    default:
        return false;
    }
}

bool Dialog::event(QEvent* event)
{
    return takeKeyEvent(event) || QDialog::event(event);
}

bool Dialog::eventFilter(QObject* watched, QEvent* event)
{
    const int index = buttonIndex(watched);
    if (index < 0)
        return QDialog::eventFilter(watched, event);
    if (takeKeyEvent(event))
        return true;
    switch (event->type()) {
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && !key->isAutoRepeat())
            m_eventShift = shiftIn(key);
        break;
    }
    case QEvent::MouseButtonPress:
        m_eventShift.reset();
        break;
    case QEvent::MouseButtonRelease:
        m_eventShift = shiftIn(static_cast<QMouseEvent*>(event));
        break;
    case QEvent::FocusIn:
        m_lastFocused = index;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void Dialog::changeEvent(QEvent* event)
{
    // A Shift released while another window had the keyboard never reaches
    // the form: the "すべて" meaning must not outlive the key.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        setShiftHeld(false);
    QDialog::changeEvent(event);
}

} // namespace tovane
