#include "app/qtservices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace tovane {

namespace {

// Switches the captions of buttons 0 and 1 while Shift is held (all-answers
// mode only).
class ShiftCaptions : public QObject {
public:
    ShiftCaptions(const DialogLayout& layout, QAbstractButton* yes, QAbstractButton* no)
        : m_layout(layout), m_yes(yes), m_no(no)
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Shift)
                update(event->type() == QEvent::KeyPress);
        }
        return QObject::eventFilter(watched, event);
    }

    void update(bool shiftHeld)
    {
        m_yes->setText(m_layout.yesCaptionFor(shiftHeld));
        if (m_no)
            m_no->setText(m_layout.noCaptionFor(shiftHeld));
    }

private:
    const DialogLayout& m_layout;
    QAbstractButton* m_yes;
    QAbstractButton* m_no;
};

Qt::CursorShape cursorFor(int pointer)
{
    switch (pointer) {
    case ProgressService::PointerBusy:
        return Qt::WaitCursor;
    case ProgressService::PointerMove:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor;
    }
}

} // namespace

qint16 QtMessageService::present(DialogRequest& request)
{
    const DialogLayout layout = layoutFor(request, defaultTitle());
    if (!layout.valid)
        return AnswerCancel;

    QMessageBox box(m_parent);
    box.setWindowTitle(layout.caption);
    box.setText(QString(layout.message).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    box.setTextFormat(Qt::PlainText);
    if (!layout.hint.isEmpty())
        box.setInformativeText(layout.hint);

    QPushButton* buttons[3] = {};
    buttons[0] = box.addButton(layout.yesCaption, QMessageBox::AcceptRole);
    if (layout.showNo)
        buttons[1] = box.addButton(layout.noCaption, QMessageBox::RejectRole);
    if (layout.showCancel)
        buttons[2] = box.addButton(layout.cancelCaption, QMessageBox::RejectRole);
    if (QPushButton* escape = buttons[layout.escapeButton])
        box.setEscapeButton(escape);
    box.setDefaultButton(buttons[layout.focusButton] ? buttons[layout.focusButton] : buttons[0]);
    if (layout.focusNoLater && buttons[1]) {
        QPushButton* no = buttons[1];
        QTimer::singleShot(0, &box, [&box, no] {
            box.setDefaultButton(no);
            no->setFocus();
        });
    }

    ShiftCaptions captions(layout, buttons[0], buttons[1]);
    if (layout.allAnswers) {
        box.installEventFilter(&captions);
        for (QPushButton* b : buttons) {
            if (b)
                b->installEventFilter(&captions);
        }
        captions.update(QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier);
    }

    box.exec();
    const bool shiftHeld = QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier;
    QAbstractButton* clicked = box.clickedButton();
    int index = -1; // closed from the window menu or the close box
    for (int i = 0; i < 3; ++i) {
        if (clicked && clicked == buttons[i])
            index = i;
    }
    const qint16 answer = answerForButton(index, shiftHeld);
    QCoreApplication::processEvents();
    return answer;
}

void QtProgressService::setStatusText(const QString& text)
{
    ProgressService::setStatusText(text);
    if (statusTextChanged)
        statusTextChanged(text);
}

void QtProgressService::applyBusy(bool on, int mode)
{
    m_busyOn = on;
    refreshCursor();
    if (busyChanged)
        busyChanged(on, mode);
}

void QtProgressService::applyPointer(int pointer)
{
    m_pointer = pointer;
    refreshCursor();
}

// One override cursor at most, so busy and pointer changes cannot unbalance
// Qt's cursor stack.
void QtProgressService::refreshCursor()
{
    const bool wanted = m_pointer != PointerDefault || m_busyOn;
    const Qt::CursorShape shape =
        m_pointer != PointerDefault ? cursorFor(m_pointer) : Qt::WaitCursor;
    if (!wanted) {
        if (m_overridden)
            QGuiApplication::restoreOverrideCursor();
        m_overridden = false;
    } else if (m_overridden) {
        QGuiApplication::changeOverrideCursor(shape);
    } else {
        QGuiApplication::setOverrideCursor(shape);
        m_overridden = true;
    }
}

void QtProgressService::applyProgressText(const QString& text)
{
    if (progressTextChanged)
        progressTextChanged(text);
}

void QtProgressService::processEvents()
{
    QCoreApplication::processEvents();
}

int QtProgressService::panelCapacity() const
{
    return capacity ? capacity() : ProgressService::panelCapacity();
}

} // namespace tovane
