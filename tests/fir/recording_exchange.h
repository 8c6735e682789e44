#pragma once
// An Exchange that records every frame and plays a device memory: WriteMemory
// (21) stores the payload at the frame's address, ReadMemory (20) answers with
// the stored bytes from reply byte 4. One frame, chosen by index, can be made
// to fail.

#include <cstdint>
#include <vector>

#include "model/exchange.h"

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

    Status SendCommandFrame(DeviceSlot slot, std::uint8_t command, const CommandParams& p) override {
        RecordedFrame f{slot, command, p, {}};
        const std::size_t address = static_cast<std::size_t>(p[0] << 8 | p[1]);
        if (command == 21) f.payload.assign(state_.blockPayload.begin(), state_.blockPayload.begin() + p[2]);
        frames.push_back(f);
        if (static_cast<int>(frames.size()) - 1 == failAt) return kFailed;
        if (command == 21) {
            for (std::size_t i = 0; i < f.payload.size(); ++i) memory.at(address + i) = f.payload[i];
        } else if (command == 20) {
            state_.replyBuffer.fill(0xEE);
            for (std::size_t i = 0; i < p[2]; ++i) state_.replyBuffer[4 + i] = memory.at(address + i);
        }
        return kOk;
    }
    Status SendCommandFrameQuiet(DeviceSlot slot, std::uint8_t command, const CommandParams& p) override {
        return SendCommandFrame(slot, command, p);
    }
    LinkState& link() override { return state_; }

private:
    LinkState state_;
};

}  // namespace zef::test
