#include "base/check.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace zef {
namespace {

std::mutex& HandlerMutex() {
    static std::mutex m;
    return m;
}
CheckHandler& Handler() {
    static CheckHandler handler;
    return handler;
}
std::atomic<long> failures{0};

}  // namespace

void SetCheckHandler(CheckHandler handler) {
    std::lock_guard lock(HandlerMutex());
    Handler() = std::move(handler);
}

bool CheckFailed(const char* condition, const char* file, int line) {
    failures.fetch_add(1, std::memory_order_relaxed);
    CheckHandler handler;
    {
        std::lock_guard lock(HandlerMutex());
        handler = Handler();
    }
    const CheckFailure failure{condition, file, line};
    if (handler) {
        handler(failure);
    } else {
        std::fprintf(stderr, "zef: internal check failed: %s (%s:%d); the operation was refused\n", condition,
                     file, line);
    }
#ifndef NDEBUG
    std::abort();
#endif
    return false;
}

long FailedCheckCount() { return failures.load(std::memory_order_relaxed); }

}  // namespace zef
