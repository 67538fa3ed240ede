#include "core/consoleservices.h"

#include "platform/names.h"

#include <QCoreApplication>
#include <QIODevice>

#include <cstdio>

namespace tovane {

namespace {

// "はい(&Y)" → "はい": the accelerator means nothing on a terminal.
QString plainCaption(QString caption)
{
    const qsizetype amp = caption.indexOf(QLatin1Char('&'));
    if (amp > 0 && caption.at(amp - 1) == QLatin1Char('(') && caption.endsWith(QLatin1Char(')')))
        caption.truncate(amp - 1);
    caption.remove(QLatin1Char('&'));
    return caption;
}

QString answerCaption(const DialogLayout& layout, qint16 answer)
{
    switch (answer) {
    case AnswerYes:
        return plainCaption(layout.yesCaption);
    case AnswerYesAll:
        return plainCaption(layout.yesAllCaption);
    case AnswerNo:
        return plainCaption(layout.noCaption);
    case AnswerNoAll:
        return plainCaption(layout.noAllCaption);
    default:
        return plainCaption(layout.cancelCaption);
    }
}

bool offersChoice(const DialogLayout& layout)
{
    return layout.showNo || layout.showCancel;
}

} // namespace

bool parseAnswerPolicy(const QString& text, AnswerPolicy& policy)
{
    if (text == QLatin1String("no-to-all"))
        policy = AnswerPolicy::NoToAll;
    else if (text == QLatin1String("yes-to-all"))
        policy = AnswerPolicy::YesToAll;
    else if (text == QLatin1String("ask"))
        policy = AnswerPolicy::Ask;
    else
        return false;
    return true;
}

QString consoleText(const QString& text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

ConsoleMessageService::ConsoleMessageService(AnswerPolicy policy, bool interactive)
    : m_policy(policy), m_interactive(interactive)
{
    if (m_stderr.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
        m_out = &m_stderr;
    if (m_stdin.open(stdin, QIODevice::ReadOnly))
        m_in = &m_stdin;
}

ConsoleMessageService::ConsoleMessageService(AnswerPolicy policy, QIODevice* output,
                                             QIODevice* input, bool interactive)
    : m_policy(policy), m_interactive(interactive), m_out(output), m_in(input)
{
}

qint16 ConsoleMessageService::automaticAnswer(const DialogLayout& layout, AnswerPolicy policy)
{
    if (!offersChoice(layout))
        return AnswerYes; // a lone "Ｏ Ｋ" or "はい"
    if (policy == AnswerPolicy::YesToAll)
        return layout.allAnswers ? AnswerYesAll : AnswerYes;
    if (layout.confirmation)
        return layout.allAnswers ? AnswerNoAll : AnswerNo;
    // Plain questions: the button Esc presses leaves things as they are
    // ("いいえ" of yes/no, "キャンセル" where it is offered).
    return answerForButton(layout.escapeButton, false);
}

void ConsoleMessageService::write(const QString& text)
{
    if (!m_out)
        return;
    // Names go back out as the bytes they were read as.
    m_out->write(platform::nameToBytes(text));
}

qint16 ConsoleMessageService::present(DialogRequest& request)
{
    const DialogLayout layout = layoutFor(request, defaultTitle());
    write(QLatin1Char('[') + layout.caption + QStringLiteral("]\n") + consoleText(layout.message) +
          QLatin1Char('\n'));
    if (!offersChoice(layout))
        return AnswerYes;
    const qint16 answer = m_policy == AnswerPolicy::Ask && m_interactive && m_in
                              ? ask(layout)
                              : automaticAnswer(layout, m_policy);
    write(QStringLiteral("-> ") + answerCaption(layout, answer) + QLatin1Char('\n'));
    return answer;
}

qint16 ConsoleMessageService::ask(const DialogLayout& layout)
{
    struct Choice {
        const char* key;
        qint16 answer;
    };
    QList<Choice> choices{{"y", AnswerYes}};
    if (layout.showNo)
        choices.append({"n", AnswerNo});
    if (layout.allAnswers) {
        choices.append({"a", AnswerYesAll});
        choices.append({"N", AnswerNoAll});
    }
    if (layout.showCancel)
        choices.append({"c", AnswerCancel});

    QString prompt = QStringLiteral("(");
    for (const Choice& c : choices) {
        if (prompt.size() > 1)
            prompt += QStringLiteral(", ");
        prompt += QLatin1String(c.key) + QLatin1Char('=') + answerCaption(layout, c.answer);
    }
    prompt += QStringLiteral(") > ");

    for (;;) {
        write(prompt);
        const QByteArray line = m_in->readLine();
        if (line.isEmpty()) {
            write(QStringLiteral("\n"));
            break; // end of input
        }
        const QString reply = QString::fromUtf8(line).trimmed();
        for (const Choice& c : choices) {
            if (reply == QLatin1String(c.key))
                return c.answer;
        }
    }
    return automaticAnswer(layout, AnswerPolicy::NoToAll);
}

ConsoleProgressService::ConsoleProgressService(bool verbose, QIODevice* output)
    : m_verbose(verbose), m_out(output)
{
    if (!m_out && m_stderr.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
        m_out = &m_stderr;
}

void ConsoleProgressService::setStatusText(const QString& text)
{
    ProgressService::setStatusText(text);
    if (m_verbose && m_out && !text.isEmpty())
        m_out->write(platform::nameToBytes(consoleText(text) + QLatin1Char('\n')));
}

void ConsoleProgressService::processEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace tovane
