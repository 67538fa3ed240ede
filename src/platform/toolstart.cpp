#include "platform/toolstart.h"

#include "platform/names.h"
#include "platform/posixutil.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace tovane::platform {

int startProgram(const QString& program, const QStringList& arguments, pid_t& pid)
{
    const QByteArray path = pathToBytes(program);
    if (!path.startsWith('/') || path.contains('\0'))
        return EINVAL;
    std::vector<QByteArray> bytes;
    bytes.reserve(size_t(arguments.size()) + 1);
    bytes.push_back(path);
    for (const QString& a : arguments) {
        bytes.push_back(nameToBytes(a));
        if (bytes.back().contains('\0'))
            return EINVAL;
    }
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    if (const int e = ::posix_spawnattr_init(&attributes))
        return e;
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGCHLD);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setsigdefault(&attributes, &defaults);
    // Its own session: a Ctrl+C in our terminal does not reach it.
    ::posix_spawnattr_setflags(&attributes,
                               POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const int e =
        ::posix_spawn(&pid, path.constData(), &actions, &attributes, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    return e;
}

bool programEnded(pid_t pid)
{
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    return r != 0;
}

} // namespace tovane::platform
