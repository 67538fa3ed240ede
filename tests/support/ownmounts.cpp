#include "support/ownmounts.h"

#include <QByteArray>
#include <QtTest>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tovane::test {

namespace {

bool writeProc(const char* file, const QByteArray& text)
{
    const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.constData(), size_t(text.size())) == text.size();
    ::close(fd);
    return ok;
}

} // namespace

bool enterOwnMounts()
{
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (uid == 0) {
        if (::unshare(CLONE_NEWNS) != 0)
            return false;
    } else {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        writeProc("/proc/self/setgroups", "deny");
        if (!writeProc("/proc/self/uid_map",
                       QByteArray::number(uid) + ' ' + QByteArray::number(uid) + " 1") ||
            !writeProc("/proc/self/gid_map",
                       QByteArray::number(gid) + ' ' + QByteArray::number(gid) + " 1"))
            return false;
    }
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

int runInChild(const std::function<bool()>& setUp, const std::function<void()>& body)
{
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return ChildSkipped;
    if (pid == 0) {
        if (!setUp())
            ::_exit(ChildSkipped);
        body();
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(QTest::currentTestFailed() ? 1 : 0);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

int runWithOwnMounts(const std::function<void()>& body)
{
    return runInChild(enterOwnMounts, body);
}

} // namespace tovane::test
