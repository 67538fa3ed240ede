#pragma once
// Result codes shared by every engine: procedures return these instead of
// throwing. Platform functions return errno values; engines turn them into
// these codes (or pass the errno on after showing its message).

namespace tovane {

enum ResultCode : int {
    ResultDone = 0,
    ResultSkipped = 1,
    ResultCancelled = -10, // the user cancelled: stop the run
    ResultFailed = -20,    // failed on this item
};

// An availability result below this ends the whole command.
constexpr int ResultEndsCommand = -3;

} // namespace tovane
