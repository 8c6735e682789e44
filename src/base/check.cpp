#include "base/check.h"

#include <cstdio>
#include <cstdlib>

namespace zef {

bool CheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "zef: internal check failed: %s (%s:%d); the operation was refused\n", condition,
                 file, line);
#ifndef NDEBUG
    std::abort();
#endif
    return false;
}

}  // namespace zef
