// The device's command handler: one complete frame in, one reply (or none) out.

#include <algorithm>

#include "address_map.h"
#include "simulator.h"

namespace zefsim {
namespace {

enum Code : std::uint8_t {
    kIdentify = 0,
    kClosing = 15,
    kReadMemory = 20,
    kWriteMemory = 21,
    kStatus = 22,
    kStorePreset = 23,
    kRecallPreset = 24,
    kEnterBootloader = 90,  // p1..p4 "BOOT": hand the serial line to the boot loader after the echo
};

// A long-running simulator keeps only the most recent frames.
constexpr std::size_t kFrameLogLimit = 200000;

bool answersInBootloader(std::uint8_t code) {
    return code == kIdentify || code == kStatus || code == kClosing || code == kEnterBootloader;
}

}  // namespace

std::optional<Reply> Device::handleFrame(const std::vector<std::uint8_t>& frame, Link link) {
    std::lock_guard lock(mutex_);
    if (frames_.size() >= kFrameLogLimit)
        frames_.erase(frames_.begin(), frames_.begin() + kFrameLogLimit / 10);
    frames_.push_back(frame);
    if (silenceAfter_ >= 0 && silenceAfter_-- == 0) silent_ = true;
    if (silent_ || frame.size() < 8) return std::nullopt;
    if (config_.bootloader && !answersInBootloader(frame[3])) return std::nullopt;
    std::vector<std::uint8_t> bytes = applyCommand(frame, link);
    if (dropCount_ > 0) {
        --dropCount_;
        return std::nullopt;
    }
    std::chrono::milliseconds delay(delayMs_);
    if (armed_ && armedAfter_-- == 0) {
        const ArmedFault fault = *armed_;
        armed_.reset();
        switch (fault) {
            case ArmedFault::Drop:
                return std::nullopt;
            case ArmedFault::Garbage:
                garbageNext_ = true;
                break;
            case ArmedFault::Short:
                shortNext_ = true;
                break;
            case ArmedFault::Late:
                delay += std::chrono::milliseconds(armedLateMs_);
                break;
            case ArmedFault::WrongCommand:
                bytes[3] = static_cast<std::uint8_t>(bytes[3] == kStatus ? kReadMemory : kStatus);
                break;
            default:  // corruptions are armed apart (armCorruption)
                break;
        }
    }
    distort(bytes);
    corruptReply(bytes, frame[3]);
    return Reply{std::move(bytes), delay};
}

std::vector<std::uint8_t> Device::applyCommand(const std::vector<std::uint8_t>& frame, Link link) {
    const std::uint8_t code = frame[3];
    switch (code) {
        case kIdentify:
            return identifyReply(link);
        case kStatus:
            return statusReply();
        case kReadMemory:
            return readReply(frame);
        case kWriteMemory: {
            const std::uint32_t start = (static_cast<std::uint32_t>(frame[4]) << 8) | frame[5];
            const std::size_t n = frame[6];
            for (std::size_t i = 0; i < n && 7 + i < frame.size() - 1; ++i)
                if (std::uint8_t* p = byteAt(start + static_cast<std::uint32_t>(i))) *p = frame[7 + i];
            return echoReply(frame);
        }
        case kStorePreset: {
            std::vector<std::uint8_t> reply = echoReply(frame);
            if (frame[4] < kPresetSlots) {
                storeSlot(frame[4]);
            } else {
                reply[4] = 255;
            }
            return reply;
        }
        case kRecallPreset: {
            std::vector<std::uint8_t> reply = echoReply(frame);
            if (frame[4] < kPresetSlots && slots_[frame[4]]) {
                loadSlot(frame[4], false);
            } else {
                reply[4] = 255;
            }
            return reply;
        }
        case kEnterBootloader: {
            // The echo keeps "BOOT" only when the device goes (or already is) in its boot loader:
            // asked on a serial line of a device that has one.
            std::vector<std::uint8_t> reply = echoReply(frame);
            const bool asked = std::equal(reply.begin() + 4, reply.begin() + 8, "BOOT");
            if (asked && link == Link::Serial && bootloaderProtocol_) {
                config_.bootloader = true;
            } else {
                std::fill(reply.begin() + 4, reply.begin() + 8, std::uint8_t{0});
            }
            return reply;
        }
        default: {
            std::array<std::uint8_t, 13> f{};
            std::copy_n(frame.begin(), std::min<std::size_t>(frame.size(), 13), f.begin());
            applyLandings(f, memory_);
            return echoReply(frame);
        }
    }
}

}  // namespace zefsim
