#pragma once
// Starting a helper program of the desktop (e.g. the disk utility) without a
// shell: the arguments reach it byte for byte, whatever they contain. The
// program runs on in its own session; the caller may look whether it ended.
// Same error contract as filesystem.h: 0 or a positive errno.

#include "platform/launch.h" // findProgram

#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace tovane::platform {

// Starts `program` (an absolute path) with `arguments`; `pid` receives the
// child's id. An exec that fails is reported here (posix_spawn waits for it).
int startProgram(const QString& program, const QStringList& arguments, pid_t& pid);

// True once the child `pid` has ended (it is reaped then), also when it is
// no child of ours any more (reaped elsewhere).
bool programEnded(pid_t pid);

} // namespace tovane::platform
