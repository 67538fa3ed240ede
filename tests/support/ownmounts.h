#pragma once
// Tests that mount things (tmpfs, bind mounts) run in a forked child with a
// mount namespace of its own (through a user namespace when not root), so
// that every mount vanishes with the child.

#include <functional>

namespace tovane::test {

// The child's exit status when its namespace could not be set up.
constexpr int ChildSkipped = 77;

// For a freshly forked child: private mounts of its own. False when the
// kernel refused.
bool enterOwnMounts();

// Runs `body` (which may use QCOMPARE) in a forked child after `setUp`.
// 0 when it passed, 1 when it failed, ChildSkipped when `setUp` failed.
int runInChild(const std::function<bool()>& setUp, const std::function<void()>& body);

// runInChild with enterOwnMounts as the set-up.
int runWithOwnMounts(const std::function<void()>& body);

} // namespace tovane::test
