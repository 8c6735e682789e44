#include "serial_line.h"

#include <algorithm>

namespace zefsim {

void SerialLine::write(const std::vector<std::uint8_t>& bytes) {
    std::function<void()> wake;
    {
        std::lock_guard lock(mutex_);
        toDevice_.insert(toDevice_.end(), bytes.begin(), bytes.end());
        wake = wake_;
    }
    if (wake) wake();
}

std::size_t SerialLine::available() const {
    std::lock_guard lock(mutex_);
    return toComputer_.size();
}

std::vector<std::uint8_t> SerialLine::take(std::size_t count) {
    std::lock_guard lock(mutex_);
    const auto n = static_cast<std::ptrdiff_t>(std::min(count, toComputer_.size()));
    std::vector<std::uint8_t> out(toComputer_.begin(), toComputer_.begin() + n);
    toComputer_.erase(toComputer_.begin(), toComputer_.begin() + n);
    return out;
}

void SerialLine::discardInput() {
    std::lock_guard lock(mutex_);
    toComputer_.clear();
}

std::vector<std::uint8_t> SerialLine::takeWritten() {
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> out(toDevice_.begin(), toDevice_.end());
    toDevice_.clear();
    return out;
}

bool SerialLine::hasWritten() const {
    std::lock_guard lock(mutex_);
    return !toDevice_.empty();
}

void SerialLine::deliver(const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(mutex_);
    toComputer_.insert(toComputer_.end(), bytes.begin(), bytes.end());
}

void SerialLine::setWakeHook(std::function<void()> wake) {
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

}  // namespace zefsim
