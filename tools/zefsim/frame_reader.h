#pragma once
// Assembles request frames from a byte stream, the way the device's receiver does.
//
//   F0 21 addr code p1..p8 F7            13 bytes
//   F0 21 addr 15 hi lo n data[n] F7     n + 8 bytes (block write, n <= 65)
//
// Between frames a lone 0x00 (the editor's trailing byte over TCP) is counted and ignored;
// any other byte that is not F0 is discarded. A frame whose second byte is not 0x21, whose
// block length is above 65 or whose last byte is not F7 is abandoned: its first byte is
// dropped and the rest is scanned again for F0. A partial frame older than kStaleAfter is
// dropped before the next byte is taken.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "simulator.h"

namespace zefsim {

class FrameReader {
public:
    static constexpr std::chrono::milliseconds kStaleAfter{500};

    // Takes one byte; complete frames are appended to `frames`.
    void push(std::uint8_t byte, Clock::time_point at, std::vector<std::vector<std::uint8_t>>& frames);

    std::size_t loneZeros() const { return zeros_; }
    bool partial() const { return !buffer_.empty(); }  // a frame has begun
    std::size_t discarded() const { return discarded_; }

private:
    void take(std::uint8_t byte, bool rescan, std::vector<std::vector<std::uint8_t>>& frames);
    void abandon(std::vector<std::vector<std::uint8_t>>& frames);

    std::vector<std::uint8_t> buffer_;
    Clock::time_point last_{};
    std::size_t zeros_ = 0;
    std::size_t discarded_ = 0;
};

}  // namespace zefsim
