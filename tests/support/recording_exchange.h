#pragma once
// An Exchange that records every frame and plays a device memory: WriteMemory
// (21) stores the payload at the frame's address, ReadMemory (20) answers with
// the stored bytes from reply byte 4. One frame, chosen by index, can be made
// to fail.

#include <cstdint>
#include <vector>

#include "device/exchange.h"

namespace zef::test {

struct RecordedFrame {
    DeviceSlot slot = 0;
    std::uint8_t command = 0;
    CommandParams p{};
    std::vector<std::uint8_t> payload;  // the p3 data bytes of a WriteMemory

    std::uint16_t address() const { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
};

class RecordingExchange : public Exchange {
public:
    std::vector<RecordedFrame> frames;
    std::vector<std::uint8_t> memory = std::vector<std::uint8_t>(0x2000, 0);
    int failAt = -1;  // index of the frame whose exchange fails

    // A failing frame fails; a read is answered with the bytes of `memory`
    // in the reply's shape, every other frame with its echo.
    ExchangeResult Transact(DeviceSlot slot, const Request& request, Reporting) override {
        RecordedFrame f{slot, request.command, request.p, {}};
        const std::size_t address = static_cast<std::size_t>(request.p[0] << 8 | request.p[1]);
        if (request.command == 21) f.payload.assign(request.payload.begin(), request.payload.begin() + request.p[2]);
        frames.push_back(f);
        if (static_cast<int>(frames.size()) - 1 == failAt) return ExchangeResult::Failed();
        std::vector<std::uint8_t> reply(ExpectedReplyLength(request), 0);
        reply[0] = 0xF0;
        reply[1] = 0x21;
        reply[3] = request.command;
        reply.back() = 0xF7;
        if (request.command == 21) {
            for (std::size_t i = 0; i < f.payload.size(); ++i) memory.at(address + i) = f.payload[i];
        } else if (request.command == 20) {
            for (std::size_t i = 0; i < request.p[2]; ++i) reply[4 + i] = memory.at(address + i);
        }
        return ExchangeResult::Replied(std::move(reply));
    }
    LinkState& link() override { return state_; }

private:
    LinkState state_;
};

}  // namespace zef::test
