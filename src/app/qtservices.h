#pragma once
// Qt implementations of the two services. The message service is a
// QMessageBox stand-in until the real confirmation dialog exists.

#include "core/messageservice.h"
#include "core/progressservice.h"

#include <functional>

class QWidget;

namespace tovane {

class QtMessageService : public MessageService {
public:
    explicit QtMessageService(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

protected:
    qint16 present(DialogRequest& request) override;

private:
    QWidget* m_parent;
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
