#include "base/stop_requests.h"

#include <atomic>
#include <csignal>

namespace zef {
namespace {

// Lock-free, so a signal handler may set it.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopRequest(int) { stopRequested.store(true); }

}  // namespace

void WatchStopRequests() {
    std::signal(SIGINT, OnStopRequest);
    std::signal(SIGTERM, OnStopRequest);
#ifdef SIGBREAK
    std::signal(SIGBREAK, OnStopRequest);
#endif
}

bool StopRequested() { return stopRequested.load(); }

void IgnoreBrokenPipes() {
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

}  // namespace zef
