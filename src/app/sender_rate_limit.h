#pragma once
// How often one sender address may announce a device: a token bucket per
// address. An address may send kBurst datagrams at once, then one per
// kRefill on average; more are dropped before they are looked at.
//
// A device announces itself every few seconds (the simulator every 5 s), so
// one datagram a second with a burst of five never holds back a real device,
// one that restarts and announces again included, while a sender that floods
// (300 made-up unique IDs at once) gets five looked at and then one a second:
// it can neither fill the list nor pile up questions. At most kMaxSenders
// addresses are followed; when more send, the buckets that are full again are
// forgotten first, then the longest silent one.

#include <chrono>
#include <cstddef>
#include <map>
#include <string>

namespace zef {

class SenderRateLimit {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr double kBurst = 5;
    static constexpr Clock::duration kRefill = std::chrono::seconds(1);
    static constexpr std::size_t kMaxSenders = 64;

    // True when a datagram from `sender` arriving at `now` may be handled; it
    // then counts against the sender.
    bool Allow(const std::string& sender, Clock::time_point now);
    std::size_t senders() const { return buckets_.size(); }

private:
    struct Bucket {
        double tokens = kBurst;
        Clock::time_point last;
    };
    static double Refilled(const Bucket& b, Clock::time_point now);
    void MakeRoom(Clock::time_point now);

    std::map<std::string, Bucket> buckets_;
};

}  // namespace zef
