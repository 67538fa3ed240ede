#include "core/scriptedservices.h"

namespace tovane {

QStringList ScriptedMessageService::texts() const
{
    QStringList out;
    for (const Presented& p : m_log)
        out << p.text;
    return out;
}

QStringList ScriptedMessageService::captions() const
{
    QStringList out;
    for (const Presented& p : m_log)
        out << p.caption;
    return out;
}

qint16 ScriptedMessageService::present(DialogRequest& request)
{
    const DialogLayout layout = layoutFor(request, defaultTitle());
    Presented entry;
    entry.kind = request.kind;
    entry.text = layout.message;
    entry.caption = layout.caption;
    entry.flags = request.flags;
    entry.request = request;
    if (onPresent)
        onPresent(entry);
    if (m_answers.isEmpty()) {
        entry.answer = m_defaultAnswer;
        ++m_unscripted;
    } else {
        entry.answer = m_answers.takeFirst();
    }
    m_log.append(entry);
    return entry.answer;
}

void ScriptedProgressService::setStatusText(const QString& text)
{
    ProgressService::setStatusText(text);
    m_statusTexts.append(text);
}

void ScriptedProgressService::processEvents()
{
    ++m_pumps;
    if (m_interruptAt > 0 && m_pumps >= m_interruptAt) {
        m_interruptAt = 0;
        requestInterrupt();
    }
    if (onPump)
        onPump();
}

} // namespace tovane
