#pragma once
// A bounded single-producer, single-consumer ring of trivially copyable
// values, lock-free and allocation-free after construction: the way samples
// leave an audio callback for a worker thread (and back).
//
// Exactly one thread calls Push, exactly one (other) thread calls Pop; either
// may call Size. Push never overwrites: what does not fit is refused and the
// count of refused values is returned, so the producer can count overruns.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <span>
#include <type_traits>
#include <vector>

namespace zef::audio {

template <typename T>
class SpscRing {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    // Room for `capacity` values (at least 1).
    explicit SpscRing(std::size_t capacity) : buffer_(std::max<std::size_t>(capacity, 1) + 1) {}

    std::size_t Capacity() const { return buffer_.size() - 1; }

    // Values ready for the consumer.
    std::size_t Size() const {
        const std::size_t w = write_.load(std::memory_order_acquire);
        const std::size_t r = read_.load(std::memory_order_acquire);
        return w >= r ? w - r : w + buffer_.size() - r;
    }

    // Producer: appends as many of `values` as fit; returns how many did not.
    std::size_t Push(std::span<const T> values) {
        const std::size_t w = write_.load(std::memory_order_relaxed);
        const std::size_t r = read_.load(std::memory_order_acquire);
        const std::size_t n = buffer_.size();
        const std::size_t free = (r + n - w - 1) % n;
        const std::size_t count = std::min(free, values.size());
        const std::size_t first = std::min(count, n - w);
        std::copy_n(values.begin(), first, buffer_.begin() + static_cast<std::ptrdiff_t>(w));
        std::copy_n(values.begin() + static_cast<std::ptrdiff_t>(first), count - first, buffer_.begin());
        write_.store((w + count) % n, std::memory_order_release);
        return values.size() - count;
    }

    // Consumer: moves up to out.size() values into `out`; returns how many.
    std::size_t Pop(std::span<T> out) {
        const std::size_t r = read_.load(std::memory_order_relaxed);
        const std::size_t w = write_.load(std::memory_order_acquire);
        const std::size_t n = buffer_.size();
        const std::size_t ready = (w + n - r) % n;
        const std::size_t count = std::min(ready, out.size());
        const std::size_t first = std::min(count, n - r);
        std::copy_n(buffer_.begin() + static_cast<std::ptrdiff_t>(r), first, out.begin());
        std::copy_n(buffer_.begin(), count - first, out.begin() + static_cast<std::ptrdiff_t>(first));
        read_.store((r + count) % n, std::memory_order_release);
        return count;
    }

private:
    std::vector<T> buffer_;  // one slot stays empty to tell full from empty
    alignas(64) std::atomic<std::size_t> write_{0};
    alignas(64) std::atomic<std::size_t> read_{0};
};

}  // namespace zef::audio
