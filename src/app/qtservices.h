#pragma once
// Qt implementations of the two services. Messages and confirmations are
// shown by the program's own confirmation form `Dialog`.

#include "app/dialog.h"
#include "core/messageservice.h"
#include "core/progressservice.h"

#include <functional>

class QWidget;

namespace tovane {

class QtMessageService : public MessageService {
public:
    explicit QtMessageService(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    // Positions, screen, font size, stop button and key hook of the dialogs.
    DialogEnvironment& environment() { return m_environment; }
    const DialogEnvironment& environment() const { return m_environment; }

    // Keys forwarded to the main window may switch the selected window while
    // a plain message is open; the window selected before is selected again.
    std::function<int()> selectedWindow;
    std::function<void(int)> reselectWindow;

protected:
    qint16 present(DialogRequest& request) override;

private:
    QWidget* m_parent;
    DialogEnvironment m_environment;
};

class QtProgressService : public ProgressService {
public:
    // The main window connects these to its status bar and controls.
    std::function<void(const QString&)> progressTextChanged;
    std::function<void(const QString&)> statusTextChanged;
    std::function<void(bool on, int mode)> busyChanged;
    std::function<int()> capacity;

    void setStatusText(const QString& text) override;

protected:
    void applyBusy(bool on, int mode) override;
    void applyPointer(int pointer) override;
    void applyProgressText(const QString& text) override;
    void processEvents() override;
    int panelCapacity() const override;

private:
    void refreshCursor();

    bool m_busyOn = false;
    int m_pointer = PointerDefault;
    bool m_overridden = false;
};

} // namespace tovane
