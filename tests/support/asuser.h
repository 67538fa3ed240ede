#pragma once
// Root passes every permission check and hides what an ordinary user would
// run into. These run a check in a forked child that dropped to "nobody";
// without root the body runs in place, as the user it already is.
//
// The result is the body's return value (an errno or a small step number,
// cut to 0..255); 250 when the ids could not be dropped, 251 when the child
// did not exit normally.

#include <functional>

namespace tovane::test {

constexpr unsigned NobodyId = 65534;

// For a freshly forked child: no supplementary groups, and real, effective
// and saved ids all "nobody". False when the kernel refused.
bool dropToNobody();

int asUnprivileged(const std::function<int()>& body);

// Only the effective ids become "nobody"; the real ones stay root, so only
// a check made with the effective ids sees the denial.
int asEffectiveNobody(const std::function<int()>& body);

} // namespace tovane::test
