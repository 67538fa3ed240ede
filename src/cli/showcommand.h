#pragma once
// tovane-cli show and resave: a file's content as the content area shows it,
// and a file loaded and saved again as the viewer does.

#include <QStringList>

namespace tovane {
class MessageService;
}

namespace tovane::cli {

// `args` are the words after "show" / "resave". Return the exit code.
int runShowCommand(const QStringList& args);
int runResaveCommand(const QStringList& args, MessageService& messages);

QString showUsage();

} // namespace tovane::cli
