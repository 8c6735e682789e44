#include "link/command_frame.h"

#include <cassert>

namespace zef {

std::vector<std::uint8_t> BuildCommandFrame(std::uint8_t address, std::uint8_t command,
                                            const CommandParams& p,
                                            const std::array<std::uint8_t, kBlockPayloadSize>& payload) {
    const std::uint8_t addressByte = command == kCmdIdentify ? 0 : address;
    if (command == kCmdWriteMemory) {
        const std::size_t n = p[2];
        assert(n <= kMaxBlockWrite && "block write longer than the payload buffer");
        std::vector<std::uint8_t> frame{kFrameStart, kFrameMarker, addressByte, command, p[0], p[1], p[2]};
        frame.insert(frame.end(), payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(n));
        frame.push_back(kFrameEnd);
        return frame;
    }
    std::vector<std::uint8_t> frame{kFrameStart, kFrameMarker, addressByte, command};
    frame.insert(frame.end(), p.begin(), p.end());
    frame.push_back(kFrameEnd);
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
