#include "support/asuser.h"

#include <cerrno>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tovane::test {

namespace {

bool dropEffectiveToNobody()
{
    return ::setgroups(0, nullptr) == 0 && ::setresgid(0, NobodyId, 0) == 0 &&
           ::setresuid(0, NobodyId, 0) == 0;
}

int inChild(bool (*drop)(), const std::function<int()>& body)
{
    if (::geteuid() != 0)
        return body();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!drop())
            ::_exit(250);
        ::_exit(body() & 0xff);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 251;
}

} // namespace

bool dropToNobody()
{
    return ::setgroups(0, nullptr) == 0 && ::setresgid(NobodyId, NobodyId, NobodyId) == 0 &&
           ::setresuid(NobodyId, NobodyId, NobodyId) == 0;
}

int asUnprivileged(const std::function<int()>& body)
{
    return inChild(dropToNobody, body);
}

int asEffectiveNobody(const std::function<int()>& body)
{
    return inChild(dropEffectiveToNobody, body);
}

} // namespace tovane::test
