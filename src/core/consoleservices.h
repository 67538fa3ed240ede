#pragma once
// Message and progress services of the command-line front end: messages go to
// stderr, questions are answered by the policy given on the command line.

#include "core/messageservice.h"
#include "core/progressservice.h"

#include <QFile>
#include <QString>

class QIODevice;

namespace tovane {

enum class AnswerPolicy {
    NoToAll, // every question answered "no" (never overwrites): the default
    YesToAll,
    Ask, // read y/n/a/N/c from the terminal; without one, as NoToAll
};

// "no-to-all", "yes-to-all", "ask"; false for anything else.
bool parseAnswerPolicy(const QString& text, AnswerPolicy& policy);

// CR LF (and lone CR) become "\n" for the terminal.
QString consoleText(const QString& text);

class ConsoleMessageService : public MessageService {
public:
    // `interactive`: stdin and stderr are a terminal (only then Ask asks).
    explicit ConsoleMessageService(AnswerPolicy policy = AnswerPolicy::NoToAll,
                                   bool interactive = false);
    // For tests: explicit devices (not owned).
    ConsoleMessageService(AnswerPolicy policy, QIODevice* output, QIODevice* input,
                          bool interactive);

    AnswerPolicy policy() const { return m_policy; }
    void setPolicy(AnswerPolicy policy) { m_policy = policy; }

    // The answer the policy gives without asking.
    static qint16 automaticAnswer(const DialogLayout& layout, AnswerPolicy policy);

protected:
    qint16 present(DialogRequest& request) override;

private:
    qint16 ask(const DialogLayout& layout);
    void write(const QString& text);

    AnswerPolicy m_policy;
    bool m_interactive;
    QFile m_stderr, m_stdin;
    QIODevice* m_out = nullptr;
    QIODevice* m_in = nullptr;
};

class ConsoleProgressService : public ProgressService {
public:
    // `verbose`: status texts are written to stderr.
    explicit ConsoleProgressService(bool verbose = false, QIODevice* output = nullptr);

    void setStatusText(const QString& text) override;

protected:
    void processEvents() override;

private:
    bool m_verbose;
    QFile m_stderr;
    QIODevice* m_out = nullptr;
};

} // namespace tovane
