// Bit errors on the line: single-bit and single-byte corruption of requests and replies, at
// a chosen frame or as random noise, and the record of what spoilt requests made the device do.

#include <algorithm>

#include "simulator.h"

namespace zefsim {
namespace {

constexpr std::uint8_t kIdentifyCode = 0;
constexpr std::uint8_t kReadMemoryCode = 20;
constexpr std::uint8_t kStatusCode = 22;

// Everything a spoilt request could change: memory, both FIRs, the preset slots.
struct Snapshot {
    std::vector<std::uint8_t> memory, fir;
    std::array<std::vector<std::uint8_t>, kPresetSlots> slots;
};

Snapshot take(const Device& d) {
    Snapshot s{d.memory(0, kMemorySize), d.memory(kFirBase, 2 * kFirSize), {}};
    for (int i = 0; i < kPresetSlots; ++i) s.slots[static_cast<std::size_t>(i)] = d.presetSlot(i);
    return s;
}

void noteChanges(const Snapshot& before, const Snapshot& after, AlteredRequest& a) {
    for (std::uint32_t i = 0; i < kMemorySize; ++i)
        if (before.memory[i] != after.memory[i]) a.changed.emplace_back(i, after.memory[i]);
    for (std::uint32_t i = 0; i < 2 * kFirSize; ++i)
        if (before.fir[i] != after.fir[i]) a.changed.emplace_back(kFirBase + i, after.fir[i]);
    for (int i = 0; i < kPresetSlots; ++i)
        if (before.slots[static_cast<std::size_t>(i)] != after.slots[static_cast<std::size_t>(i)])
            a.slotsChanged.push_back(i);
}

Corruption randomCorruption(Corruption::Where where, std::mt19937& random) {
    Corruption c;
    c.where = where;
    c.kind = std::bernoulli_distribution(0.5)(random) ? Corruption::Kind::Bit : Corruption::Kind::Byte;
    return c;
}

// Takes an armed corruption when its frame (of `command`) has come.
std::optional<Corruption> due(std::optional<Corruption>& armed, std::uint8_t command) {
    if (!armed || (armed->command && *armed->command != command)) return std::nullopt;
    if (armed->after > 0) {
        --armed->after;
        return std::nullopt;
    }
    std::optional<Corruption> c = armed;
    if (--armed->count <= 0) armed.reset();
    return c;
}

}  // namespace

void corrupt(std::vector<std::uint8_t>& frame, const Corruption& c, std::mt19937& random) {
    if (frame.empty()) return;
    const std::size_t last = frame.size() - 1;
    const std::size_t at = c.byte ? std::min(*c.byte, last) : std::uniform_int_distribution<std::size_t>(0, last)(random);
    if (c.kind == Corruption::Kind::Bit) {
        const int bit = c.value ? (*c.value & 7) : std::uniform_int_distribution<int>(0, 7)(random);
        frame[at] = static_cast<std::uint8_t>(frame[at] ^ (1u << bit));
        return;
    }
    if (c.value) {
        frame[at] = *c.value;
        return;
    }
    // Another value than the one there: 255 choices.
    const int other = std::uniform_int_distribution<int>(1, 255)(random);
    frame[at] = static_cast<std::uint8_t>(frame[at] + other);
}

std::size_t expectedReplyLength(const std::vector<std::uint8_t>& frame) {
    if (frame.size() < 7) return 13;
    switch (frame[3]) {
        case kIdentifyCode:
            return 30;
        case kStatusCode:
            return 24;
        case kReadMemoryCode:
            return std::size_t{frame[6]} + 5;
        default:
            return 13;
    }
}

void Device::armCorruption(const Corruption& corruption) {
    std::lock_guard lock(mutex_);
    Corruption c = corruption;
    c.after = std::max(0, c.after);
    (c.where == Corruption::Where::Request ? requestCorruption_ : replyCorruption_) = c;
}

void Device::setNoisePercent(double percent) {
    std::lock_guard lock(mutex_);
    noisePercent_ = std::clamp(percent, 0.0, 100.0);
}

std::vector<AlteredRequest> Device::alteredRequests() const {
    std::lock_guard lock(mutex_);
    return altered_;
}

bool Device::noiseStrikes() {
    return noisePercent_ > 0 && std::uniform_real_distribution<double>(0, 100)(random_) < noisePercent_;
}

std::optional<Corruption> Device::takeRequestCorruption(const std::vector<std::uint8_t>& frame) {
    std::lock_guard lock(mutex_);
    if (std::optional<Corruption> c = due(requestCorruption_, frame.size() > 3 ? frame[3] : 0)) return c;
    if (noiseStrikes()) return randomCorruption(Corruption::Where::Request, random_);
    return std::nullopt;
}

void Device::corruptReply(std::vector<std::uint8_t>& reply, std::uint8_t command) {
    if (std::optional<Corruption> c = due(replyCorruption_, command)) {
        corrupt(reply, *c, random_);
    } else if (noiseStrikes()) {
        corrupt(reply, randomCorruption(Corruption::Where::Reply, random_), random_);
    }
}

std::optional<Reply> Device::handleAlteredFrame(const std::vector<std::uint8_t>& frame, Link link,
                                                const std::vector<std::uint8_t>& sent) {
    const Snapshot before = take(*this);
    std::optional<Reply> reply = handleFrame(frame, link);
    AlteredRequest a;
    a.sent = sent;
    a.received = frame;
    a.expectedLength = reply && reply->bytes.size() == expectedReplyLength(sent);
    noteChanges(before, take(*this), a);
    std::lock_guard lock(mutex_);
    a.frameIndex = frames_.empty() ? 0 : frames_.size() - 1;
    altered_.push_back(std::move(a));
    return reply;
}

}  // namespace zefsim
