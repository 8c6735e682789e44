#pragma once
// Guards that hold in every build. A broken precondition is a programming
// error; it must never cost a user's data or a device's settings, and it
// must not vanish in the build users run.
//
//   if (!ZEF_CHECK(index < size)) return kFailed;   // report, then refuse
//
// ZEF_CHECK(cond) is true when `cond` holds. Otherwise it reports the broken
// condition (one line on stderr), aborts in a debug build (NDEBUG not
// defined), and is false in every other build, so the caller refuses the
// operation instead of going on.

namespace zef {

// Reports the failure; aborts in a debug build. Always returns false.
bool CheckFailed(const char* condition, const char* file, int line);

}  // namespace zef

#define ZEF_CHECK(cond) (static_cast<bool>(cond) ? true : ::zef::CheckFailed(#cond, __FILE__, __LINE__))
