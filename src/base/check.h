#pragma once
// Guards that hold in every build. A broken precondition is a programming
// error; it must never cost a user's data or a device's settings, and it
// must not vanish in the build users run.
//
//   if (!ZEF_CHECK(index < size)) return kFailed;   // report, then refuse
//
// ZEF_CHECK(cond) is true when `cond` holds. Otherwise it reports the broken
// condition (through the check handler: stderr by default), aborts in a
// debug build (NDEBUG not defined), and is false in every other build, so
// the caller refuses the operation instead of going on.

#include <functional>
#include <string>

namespace zef {

struct CheckFailure {
    const char* condition;
    const char* file;
    int line;
};

// Receives every failed check. Replaces the previous handler; an empty
// function restores the default (one line on stderr).
using CheckHandler = std::function<void(const CheckFailure&)>;
void SetCheckHandler(CheckHandler handler);

// Reports the failure; aborts in a debug build. Always returns false.
bool CheckFailed(const char* condition, const char* file, int line);

// The number of failed checks so far in this process (tests read it).
long FailedCheckCount();

}  // namespace zef

#define ZEF_CHECK(cond) (static_cast<bool>(cond) ? true : ::zef::CheckFailed(#cond, __FILE__, __LINE__))
