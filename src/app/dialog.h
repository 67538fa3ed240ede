#pragma once
// The one modal form through which every message and confirmation of the
// program is shown. What it shows (caption, text, buttons, focus, hint) comes
// from layoutFor(); this widget adds the keys, the Shift captions, the layout
// arithmetic and the remembered position.

#include "core/dialogplacement.h"
#include "core/messageservice.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <optional>

class QAction;
class QKeyEvent;
class QLabel;
class QPushButton;
class QTimer;

namespace tovane {

// What the main window lends its dialogs: the remembered positions, the
// screen, the screen character size, the stop button and its key handling.
struct DialogEnvironment {
    DialogPositions* positions = nullptr;      // nullptr: centred, nothing remembered
    std::optional<ScreenMetrics> metrics;      // unset: taken from the screen when shown
    int fontSizeIndex = 0;                     // 0-3: 9, 10, 11, 12 points
    bool messagesAtRememberedPosition = false; // plain messages at slot 7, else centred
    QPointer<QAction> stopAction;              // disabled while a dialog is open
    // Ctrl+key presses the dialog does not use itself go to the main window.
    std::function<void(QKeyEvent*)> keyHook;
    int focusDelayMs = 50; // "いいえ" gets the focus this long after showing
};

// The screen the widget is on (else the primary screen), in twips.
ScreenMetrics screenMetricsFor(const QWidget* widget);

// The dialog font: the application font at 9 + index points.
QFont dialogFont(int fontSizeIndex);

// Ctrl keys of dialogs: the size keys resize `dialog` within the screen (not
// below `minimum` pixels), any other Ctrl+key goes to the key hook. Returns
// true when the key was taken.
bool handleDialogCtrlKey(QWidget* dialog, QKeyEvent* event, const DialogEnvironment& env,
                         QSize minimum);
// The same from a dialog's event(): Ctrl+key presses are claimed before any
// shortcut sees them and then handled as above. True when the event was taken.
bool handleDialogCtrlEvent(QWidget* dialog, QEvent* event, const DialogEnvironment& env,
                           QSize minimum);

class Dialog : public QDialog {
    Q_OBJECT
public:
    Dialog(const DialogRequest& request, const DialogEnvironment& env,
           const QString& defaultTitle = QStringLiteral("tovane"), QWidget* parent = nullptr);
    ~Dialog() override;

    // Shows the request modally and returns its answer code, after letting
    // pending events run. A request that is not valid is answered
    // AnswerCancel without being shown.
    static qint16 present(const DialogRequest& request, const DialogEnvironment& env,
                          const QString& defaultTitle, QWidget* parent);

    int exec() override; // returns the answer code
    void open() override;

    qint16 answer() const { return m_answer; }
    const DialogLayout& requestLayout() const { return m_layout; }
    QPushButton* button(int index) const;
    int lastFocusedButton() const { return m_lastFocused; }
    bool shiftHeld() const { return m_shiftHeld; }

    // Layout arithmetic, in pixels.
    static int buttonWidth(int fontSizeIndex) { return 8 * fontSizeIndex + 104; }
    static int buttonGap(int fontSizeIndex) { return 4 * fontSizeIndex + 8; }

public Q_SLOTS:
    void done(int result) override;
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildControls();
    void layOut();
    void place();
    void unload();
    bool handleKeyPress(QKeyEvent* event);
    // The keys the form and its buttons treat alike; true when taken.
    bool takeKeyEvent(QEvent* event);
    void press(int index, bool shiftHeld);
    void setShiftHeld(bool held);
    int buttonIndex(const QObject* object) const;
    int mnemonicButton(int key) const;

    DialogLayout m_layout;
    DialogEnvironment m_env;
    ScreenMetrics m_metrics;
    QSize m_minimum;
    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    QPushButton* m_buttons[3] = {};
    QTimer* m_timer = nullptr;

    qint16 m_answer = AnswerCancel;
    bool m_shiftHeld = false;
    bool m_closedByButton = false;
    bool m_stopWasEnabled = false;
    bool m_unloaded = false;
    bool m_placed = false;
    bool m_shown = false;
    int m_lastFocused = 0;
    // Shift as the input event that pressed a button reported it.
    std::optional<bool> m_eventShift;
};

} // namespace tovane
