#pragma once
// Program-wide state of the device link: plain data shared by the exchange,
// the device-state reader, the timers and the windows.

#include <array>
#include <cstdint>
#include <vector>

#include "model/slots.h"

namespace zef {

inline constexpr std::size_t kReplyBufferSize = 8193;
inline constexpr std::size_t kBlockPayloadSize = 65;

struct LinkState {
    std::array<std::uint8_t, kSlotCount> deviceAddress{};  // learned from identify reply byte 2
    std::array<bool, kSlotCount> deviceChanged{};          // a reply's address byte differed
    std::uint16_t deviceChangeBits = 0;  // reply byte 2 AND 0x60 of the last mismatching reply
    std::array<std::uint8_t, kReplyBufferSize> replyBuffer{};  // last successful reply, from index 0
    std::array<std::uint8_t, kBlockPayloadSize> blockPayload{};  // data of the next block write

    bool linkIdle = true;       // false while an exchange runs
    bool linkRecovery = false;  // true while the reconnect window runs or a failure closes down
    bool sendSuppressed = false;
    bool nestedSendSuppressed = false;

    std::int16_t serialPortNumber = 0;  // port n of "COM"n used for USB devices

    // Replay record of the reconnect window.
    std::vector<std::uint8_t> replayFrame;  // up to 257 bytes
    DeviceSlot replaySlot = 0;
    int replayResult = 0;  // 1 = replay succeeded
};

// Sets a flag for the lifetime of the guard and restores its previous value.
class FlagGuard {
public:
    FlagGuard(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
    ~FlagGuard() { flag_ = saved_; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
    bool saved_;
};

}  // namespace zef
