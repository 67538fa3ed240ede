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

// The console's not-displayable message for `path`.
void writeNotDisplayable(const QString& path);
// Errors that say the content is not of a kind shown, not that reading failed.
bool isContentError(int error);
// A read failure of `command`: the system's reason of its own unless the
// content is the fault, then the not-displayable message.
void writeLoadFailure(const QString& command, const QString& path, int error);

} // namespace tovane::cli
