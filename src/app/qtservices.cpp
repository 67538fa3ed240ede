#include "app/qtservices.h"

#include <QApplication>

namespace tovane {

namespace {

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
    const bool plain = request.kind <= 0;
    const int before = plain && selectedWindow ? selectedWindow() : -1;
    const qint16 answer = Dialog::present(request, m_environment, defaultTitle(), m_parent);
    if (before >= 0 && reselectWindow && selectedWindow && selectedWindow() != before)
        reselectWindow(before);
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
