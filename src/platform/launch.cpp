#include "platform/launch.h"

#include "platform/names.h"
#include "platform/posixutil.h"

#include <QByteArray>
#include <QList>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tovane::platform {

namespace {

// Blocks until the child ends; a thread per child keeps QProcess's own
// SIGCHLD handling untouched (no waitpid(-1) anywhere).
void reapLater(pid_t pid)
{
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

QByteArray resolved(const QString& program)
{
    const QByteArray bytes = nameToBytes(program);
    if (bytes.contains('/'))
        return bytes;
    const QString found = findProgram(program);
    return found.isEmpty() ? QByteArray() : nameToBytes(found);
}

int spawn(const QString& program, const QStringList& arguments, const QString& folder, pid_t& pid)
{
    const QByteArray file = resolved(program);
    if (file.isEmpty() || file.contains('\0'))
        return ENOENT;
    QList<QByteArray> args;
    if (arguments.isEmpty())
        args.append(nameToBytes(program));
    for (const QString& a : arguments)
        args.append(nameToBytes(a));
    std::vector<char*> argv;
    for (QByteArray& a : args) {
        // An argument cannot hold NUL: it would be cut silently.
        if (a.contains('\0'))
            return EINVAL;
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const QByteArray dir = nameToBytes(folder);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    if (!dir.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, dir.constData());
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    const int e = ::posix_spawn(&pid, file.constData(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return e;
}

} // namespace

int spawnDetached(const QString& program, const QStringList& arguments, const QString& folder)
{
    pid_t pid = -1;
    const int e = spawn(program, arguments, folder, pid);
    if (e == 0)
        reapLater(pid);
    return e;
}

int spawnAndWait(const QString& program, const QStringList& arguments, const QString& folder,
                 int timeoutMs, bool& exited, int& exitCode)
{
    exited = false;
    exitCode = 0;
    pid_t pid = -1;
    const int e = spawn(program, arguments, folder, pid);
    if (e != 0)
        return e;
    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            exited = true;
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return 0;
        }
        if (r < 0 && errno != EINTR) {
            // Reaped by someone else (SIGCHLD ignored): it ran and ended.
            exited = true;
            return 0;
        }
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const qint64 elapsed =
            (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        if (elapsed >= timeoutMs)
            break;
        const timespec step{0, 10 * 1000 * 1000};
        ::nanosleep(&step, nullptr);
    }
    reapLater(pid);
    return 0;
}

bool isExecutableFile(const QString& path)
{
    const QByteArray bytes = nameToBytes(path);
    struct stat st {};
    if (bytes.isEmpty() || ::stat(bytes.constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
        ::access(bytes.constData(), X_OK) != 0)
        return false;
    // O_NONBLOCK: the file was regular a moment ago, but never hang on a FIFO.
    UniqueFd fd(::open(bytes.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.isValid())
        return false;
    char head[4] = {};
    ssize_t n;
    do {
        n = ::pread(fd.get(), head, sizeof head, 0);
    } while (n < 0 && errno == EINTR);
    if (n >= 4 && head[0] == '\x7f' && head[1] == 'E' && head[2] == 'L' && head[3] == 'F')
        return true;
    return n >= 2 && head[0] == '#' && head[1] == '!';
}

bool hasExecuteBit(const QString& path)
{
    struct stat st {};
    return ::stat(nameToBytes(path).constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           (st.st_mode & 0111) != 0;
}

QString findProgram(const QString& name)
{
    const QByteArray bytes = nameToBytes(name);
    if (bytes.isEmpty())
        return QString();
    auto runnable = [](const QByteArray& candidate) {
        struct stat st {};
        return ::stat(candidate.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
               ::access(candidate.constData(), X_OK) == 0;
    };
    // A name with "/" counts only as an absolute path: never relative to
    // wherever Tovane happens to run.
    if (bytes.contains('/'))
        return bytes.startsWith('/') && runnable(bytes) ? name : QString();
    const char* env = std::getenv("PATH");
    const QByteArray path = env ? QByteArray(env) : QByteArray("/usr/local/bin:/usr/bin:/bin");
    for (const QByteArray& dir : path.split(':')) {
        // An empty PATH item means the current folder: never search there.
        if (dir.isEmpty() || !dir.startsWith('/'))
            continue;
        const QByteArray candidate = joinPath(dir, bytes);
        if (runnable(candidate))
            return pathFromBytes(candidate);
    }
    return QString();
}

} // namespace tovane::platform
