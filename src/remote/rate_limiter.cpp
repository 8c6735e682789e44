#include "rate_limiter.h"

#include <algorithm>

namespace zef::remote {

bool RateLimiter::Allow(const std::string& client, Clock::time_point now) {
    auto it = buckets_.find(client);
    if (it == buckets_.end()) {
        if (buckets_.size() >= kMaxClients) Forget(now);
        if (buckets_.size() >= kMaxClients) return false;
        it = buckets_.emplace(client, Bucket{burst_, now}).first;
    }
    Bucket& b = it->second;
    const double seconds = std::chrono::duration<double>(now - b.last).count();
    b.tokens = std::min(burst_, b.tokens + std::max(0.0, seconds) * rate_);
    b.last = now;
    if (b.tokens < 1) return false;
    b.tokens -= 1;
    return true;
}

void RateLimiter::Forget(Clock::time_point now) {
    std::erase_if(buckets_, [&](const auto& entry) {
        const Bucket& b = entry.second;
        const double seconds = std::chrono::duration<double>(now - b.last).count();
        return b.tokens + seconds * rate_ >= burst_ && seconds >= 60;
    });
}

}  // namespace zef::remote
