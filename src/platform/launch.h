#pragma once
// Starting other programs: always directly (posix_spawn, never a shell), so
// every argument reaches the program as one argv entry with the bytes of the
// name as they are on disk. A start reports at once whether the program ran
// (glibc reports a failed exec from posix_spawn); children are reaped in the
// background so none is left as a zombie, and they run in their own session
// so closing Tovane or its terminal leaves them alone.

#include <QString>
#include <QStringList>

namespace tovane::platform {

// Starts `arguments` (argv[0] first; empty: `program` alone) with `program`
// as the file to run, in `folder` (empty: the current folder). `program`
// without "/" is looked up in PATH. 0 or the errno of the failed start.
int spawnDetached(const QString& program, const QStringList& arguments,
                  const QString& folder = QString());

// As spawnDetached, then waits up to `timeoutMs` for the program to end.
// `exited` tells whether it did; `exitCode` is its exit status then (128 +
// the signal when it was killed). One that runs on is reaped later.
int spawnAndWait(const QString& program, const QStringList& arguments, const QString& folder,
                 int timeoutMs, bool& exited, int& exitCode);

// A regular file (links followed) that we may execute and that the kernel
// can run itself: an ELF program (AppImages included) or a script that
// starts with "#!".
bool isExecutableFile(const QString& path);

// A file (links followed) with any execute bit set: how desktops mark a
// desktop entry as one the user trusts.
bool hasExecuteBit(const QString& path);

// The full path of `name` from PATH (relative PATH entries skipped), or the
// name itself when it is an absolute path of an executable file; empty when
// there is none.
QString findProgram(const QString& name);

} // namespace tovane::platform
