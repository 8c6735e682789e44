// The simulator's frame reader and command handling: any byte stream on a
// link yields only well-formed frames, and every frame is applied to the
// simulated device and answered with a reply of the shape its command has.

#include <chrono>

#include "frame_reader.h"
#include "fuzz_check.h"
#include "simulator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zefsim::FrameReader reader;
    zefsim::Device device{zefsim::DeviceConfig{}};
    std::vector<std::vector<std::uint8_t>> frames;
    // Byte times 1 ms apart, with a pause after each 0xFF so that stale partial frames occur.
    auto at = zefsim::Clock::time_point{} + std::chrono::hours(1);
    for (std::size_t i = 0; i < size; ++i) {
        at += data[i] == 0xFF ? std::chrono::milliseconds(600) : std::chrono::milliseconds(1);
        reader.push(data[i], at, frames);
    }
    for (const auto& f : frames) {
        FUZZ_CHECK(f.size() >= 8 && f[0] == 0xF0 && f[1] == 0x21 && f.back() == 0xF7);
        if (f[3] == 21) {
            FUZZ_CHECK(f[6] <= 65 && f.size() == std::size_t{f[6]} + 8);
        } else {
            FUZZ_CHECK(f.size() == 13);
        }
        const auto link = (f[2] & 1) ? zefsim::Link::Serial : zefsim::Link::Network;
        const auto reply = device.handleFrame(f, link);
        if (!reply) continue;
        const auto& r = reply->bytes;
        FUZZ_CHECK(r.size() >= 5 && r[0] == 0xF0 && r[1] == 0x21 && r.back() == 0xF7);
        FUZZ_CHECK(r[3] == f[3]);
        // A memory read answers with exactly the bytes asked for (none for a length of 0).
        FUZZ_CHECK(f[3] == 20 ? r.size() == std::size_t{f[6]} + 5 : r.size() >= 13);
    }
    return 0;
}
