#pragma once

namespace tovane {

// Parses the command line (--config-dir DIR, --screenshot FILE), starts the
// GUI and returns the exit code.
int runApplication(int argc, char** argv);

} // namespace tovane
