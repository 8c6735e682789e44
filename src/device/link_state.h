#pragma once
// Program-wide state of the device link: plain data shared by the exchange,
// the device-state reader, the timers and the windows.

#include <array>
#include <cstdint>

#include "model/slots.h"

namespace zef {

struct LinkState {
    std::array<std::uint8_t, kSlotCount> deviceAddress{};  // learned from identify reply byte 2
    std::array<bool, kSlotCount> deviceChanged{};          // a reply's address byte differed
    std::uint16_t deviceChangeBits = 0;  // reply byte 2 AND 0x60 of the last mismatching reply

    bool linkIdle = true;       // false while an exchange runs
    bool linkRecovery = false;  // true while the reconnect window runs or a failure closes down
    bool sendSuppressed = false;
    bool nestedSendSuppressed = false;

    std::int16_t serialPortNumber = 0;  // port n of "COM"n used for USB devices
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
