#pragma once
// SIGTERM and SIGINT become a normal close request on the event loop, so a
// session logout or automation still saves the settings.

#include <functional>

namespace tovane::platform {

// Installs the handlers once; `onRequest` runs on the thread that called this
// (through the event loop), never inside the signal handler. Returns 0 or an
// errno.
int installTerminationHandler(std::function<void(int signalNumber)> onRequest);

} // namespace tovane::platform
