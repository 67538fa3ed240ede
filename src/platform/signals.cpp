#include "platform/signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tovane::platform {

namespace {
int g_pipe[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Only async-signal-safe calls here.
    [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}
} // namespace

int installTerminationHandler(std::function<void(int)> onRequest)
{
    if (g_pipe[0] >= 0)
        return EBUSY;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return errno;
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [onRequest]() {
        unsigned char byte = 0;
        while (::read(g_pipe[0], &byte, 1) == 1)
            onRequest(byte);
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    if (::sigaction(SIGTERM, &sa, nullptr) != 0 || ::sigaction(SIGINT, &sa, nullptr) != 0)
        return errno;
    return 0;
}

} // namespace tovane::platform
