#include "app/sender_rate_limit.h"

#include <algorithm>

namespace zef {

double SenderRateLimit::Refilled(const Bucket& b, Clock::time_point now) {
    const std::chrono::duration<double> elapsed = now - b.last;
    const std::chrono::duration<double> refill = kRefill;
    return std::min(kBurst, b.tokens + std::max(0.0, elapsed / refill));
}

void SenderRateLimit::MakeRoom(Clock::time_point now) {
    std::erase_if(buckets_, [&](const auto& entry) { return Refilled(entry.second, now) >= kBurst; });
    if (buckets_.size() < kMaxSenders) return;
    const auto oldest = std::min_element(buckets_.begin(), buckets_.end(), [](const auto& a, const auto& b) {
        return a.second.last < b.second.last;
    });
    buckets_.erase(oldest);
}

bool SenderRateLimit::Allow(const std::string& sender, Clock::time_point now) {
    auto it = buckets_.find(sender);
    if (it == buckets_.end()) {
        if (buckets_.size() >= kMaxSenders) MakeRoom(now);
        it = buckets_.emplace(sender, Bucket{kBurst, now}).first;
    }
    Bucket& b = it->second;
    b.tokens = Refilled(b, now);
    b.last = now;
    if (b.tokens < 1) return false;
    b.tokens -= 1;
    return true;
}

}  // namespace zef
