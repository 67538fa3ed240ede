#pragma once
// Scripted services for tests: answers come from a queue, and everything the
// engines present, show or pump is recorded for the test to inspect.

#include "core/messageservice.h"
#include "core/progressservice.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace tovane {

class ScriptedMessageService : public MessageService {
public:
    struct Presented {
        qint16 kind = 0; // the request's kind as presented (0 plain, else kind (+10))
        QString text;    // the message as it would be shown
        QString caption;
        quint32 flags = 0;
        qint16 answer = AnswerCancel;
        DialogRequest request; // the request as the caller filled it
    };

    // Answers are taken in order, one per presented request; once the queue
    // is empty every request gets defaultAnswer() (AnswerYes: acknowledges
    // plain messages) and counts as unscripted.
    void enqueue(qint16 answer) { m_answers.append(answer); }
    void enqueue(std::initializer_list<qint16> answers)
    {
        for (qint16 a : answers)
            m_answers.append(a);
    }
    int pendingAnswers() const { return int(m_answers.size()); }
    void setDefaultAnswer(qint16 answer) { m_defaultAnswer = answer; }
    qint16 defaultAnswer() const { return m_defaultAnswer; }

    const QList<Presented>& log() const { return m_log; }
    QStringList texts() const;
    QStringList captions() const;
    int unscripted() const { return m_unscripted; }
    void clearLog()
    {
        m_log.clear();
        m_unscripted = 0;
    }

    // Runs inside present, before the answer is taken (e.g. to press Esc).
    std::function<void(const Presented&)> onPresent;

protected:
    qint16 present(DialogRequest& request) override;

private:
    QList<qint16> m_answers;
    QList<Presented> m_log;
    qint16 m_defaultAnswer = AnswerYes;
    int m_unscripted = 0;
};

class ScriptedProgressService : public ProgressService {
public:
    struct BusyChange {
        bool on = false;
        int mode = 0;
    };

    const QList<BusyChange>& busyChanges() const { return m_busyChanges; }
    const QStringList& progressTexts() const { return m_progressTexts; }
    const QList<int>& pointers() const { return m_pointers; }
    const QStringList& statusTexts() const { return m_statusTexts; }
    // How often pending events were let through.
    int pumps() const { return m_pumps; }

    // The n-th event run from now requests the interrupt (0: never).
    void interruptAfterPumps(int n) { m_interruptAt = n > 0 ? m_pumps + n : 0; }
    void setPanelCapacity(int chars) { m_capacity = chars; }

    // Runs on every event run, after the interrupt check.
    std::function<void()> onPump;

    void setStatusText(const QString& text) override;

protected:
    void applyBusy(bool on, int mode) override { m_busyChanges.append({on, mode}); }
    void applyPointer(int pointer) override { m_pointers.append(pointer); }
    void applyProgressText(const QString& text) override { m_progressTexts.append(text); }
    void processEvents() override;
    int panelCapacity() const override { return m_capacity; }

private:
    QList<BusyChange> m_busyChanges;
    QStringList m_progressTexts;
    QList<int> m_pointers;
    QStringList m_statusTexts;
    int m_pumps = 0;
    int m_interruptAt = 0;
    int m_capacity = 80;
};

} // namespace tovane
