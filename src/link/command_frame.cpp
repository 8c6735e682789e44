#include "link/command_frame.h"

#include <algorithm>
#include <cassert>

namespace zef {

std::vector<std::uint8_t> BuildCommandFrame(std::uint8_t address, std::uint8_t command,
                                            const CommandParams& p,
                                            const std::array<std::uint8_t, kBlockPayloadSize>& payload) {
    const std::uint8_t addressByte = command == kCmdIdentify ? 0 : address;
    const bool block = command == kCmdWriteMemory;
    const std::size_t n = block ? std::min<std::size_t>(p[2], kMaxBlockWrite) : 0;
    assert((!block || p[2] <= kMaxBlockWrite) && "block write longer than the payload buffer");
    std::vector<std::uint8_t> frame(block ? n + kBlockWriteOverhead : kFrameSize);
    frame[0] = kFrameStart;
    frame[1] = kFrameMarker;
    frame[2] = addressByte;
    frame[3] = command;
    if (block) {
        std::copy_n(p.begin(), 3, frame.begin() + 4);
        std::copy_n(payload.begin(), n, frame.begin() + 7);
    } else {
        std::copy(p.begin(), p.end(), frame.begin() + 4);
    }
    frame.back() = kFrameEnd;
    return frame;
}

ReplyExpectation ExpectedReply(std::uint8_t command, std::uint8_t p3, LinkKind link, const ReplyTimeouts& t,
                               bool replay) {
    switch (command) {
        case kCmdReadMemory:
            return {std::size_t{p3} + 5, t.memory};
        case kCmdActivateFir:
            return {kFrameSize, replay ? t.replayActivateFir : t.memory};
        case kCmdWriteMemory:
        case kCmdStorePreset:
        case kCmdRecallPreset:
        case kCmdActivateSettings:
            return {kFrameSize, t.memory};
        case kCmdStatusPoll:
            return {24, t.statusPoll};
        case kCmdClose:
            return {kFrameSize, t.close};
        case kCmdIdentify:
            return {kIdentifyReplySize, link == LinkKind::Tcp ? t.identifyTcp : t.identifyUsb};
        default:
            return {kFrameSize, t.other};
    }
}

}  // namespace zef
