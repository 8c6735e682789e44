#pragma once
// Requests per second per client: a token bucket per client address that
// holds up to `burst` requests and refills at `rate` per second. A request
// that finds the bucket empty is refused (rate_limited) and costs nothing.
// The table forgets buckets that have been full for a minute, so a scan from
// many addresses cannot grow it without bound (at most kMaxClients).
#include <chrono>
#include <string>
#include <unordered_map>

namespace zef::remote {

class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMaxClients = 4096;

    RateLimiter(double rate, double burst) : rate_(rate), burst_(burst) {}
    // True when `client` may make a request at `now` (and counts it).
    bool Allow(const std::string& client, Clock::time_point now = Clock::now());

private:
    struct Bucket {
        double tokens = 0;
        Clock::time_point last;
    };
    void Forget(Clock::time_point now);
    double rate_;
    double burst_;
    std::unordered_map<std::string, Bucket> buckets_;
};

}  // namespace zef::remote
