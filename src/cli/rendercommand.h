#pragma once
// tovane-cli render: a picture file drawn as the content area would show it
// (zoom mode, turn, mirror, area size) and saved as PNG, so that what the
// window draws can be checked without one.

#include <QStringList>

namespace tovane::cli {

// `args` are the words after "render". Returns the exit code.
int runRenderCommand(const QStringList& args);

QString renderUsage();

} // namespace tovane::cli
