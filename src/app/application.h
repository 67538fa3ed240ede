#pragma once

#include <QIcon>

namespace tovane {

// The program's own icon (built in), for every window and dialog.
QIcon applicationIcon();

// Parses the command line (--config-dir DIR, --screenshot FILE), starts the
// GUI and returns the exit code.
int runApplication(int argc, char** argv);

} // namespace tovane
