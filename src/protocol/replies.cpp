#include "protocol/replies.h"

#include <algorithm>

#include "protocol/commands.h"

namespace zef {

std::size_t ExpectedReplyLength(const Request& request) {
    const CommandInfo* info = FindCommand(request.command);
    switch (info ? info->reply : ReplyShape::Echo) {
        case ReplyShape::Identify:
            return kIdentifyReplySize;
        case ReplyShape::Status:
            return kStatusReplySize;
        case ReplyShape::Memory:
            return std::size_t{request.p[2]} + kMemoryReplyOverhead;
        case ReplyShape::Echo:
            break;
    }
    return kEchoReplySize;
}

namespace {

// Does echo byte 4 + i repeat parameter p[i] of `request`?
bool Echoes(const Request& request, std::size_t i, std::uint8_t echoed) {
    if (request.command == cmd::kWriteMemory && i >= kBlockWriteParams) return true;
    if (echoed == request.p[i]) return true;
    return i == 0 && request.command == cmd::kRecallPreset && echoed == kEmptyPresetSlot;
}

bool EchoRepeatsRequest(const Request& request, std::span<const std::uint8_t> reply) {
    for (std::size_t i = 0; i < request.p.size(); ++i)
        if (!Echoes(request, i, reply[kReplyDataOffset + i])) return false;
    return true;
}

bool IsEcho(const Request& request) {
    const CommandInfo* info = FindCommand(request.command);
    return !info || info->reply == ReplyShape::Echo;
}

}  // namespace

ReplyFault CheckReply(const Request& request, std::span<const std::uint8_t> reply) {
    if (reply.size() != ExpectedReplyLength(request)) return ReplyFault::Length;
    if (reply[0] != kFrameStart) return ReplyFault::Start;
    if (reply[1] != kFrameMarker) return ReplyFault::Marker;
    if (reply[kReplyCommandByte] != request.command) return ReplyFault::Command;
    if (reply.back() != kFrameEnd) return ReplyFault::End;
    if (IsEcho(request) && !EchoRepeatsRequest(request, reply)) return ReplyFault::Echo;
    return ReplyFault::None;
}

std::optional<IdentifyReply> DecodeIdentify(std::span<const std::uint8_t> reply) {
    if (CheckReply(Request{cmd::kIdentify, {}, {}}, reply) != ReplyFault::None) return std::nullopt;
    IdentifyReply r;
    r.address = reply[kReplyAddressByte];
    r.genuine = reply[kIdentifyMarker] == kFrameMarker;
    r.network = reply[kIdentifyNetwork];
    std::copy_n(reply.begin() + kIdentifyUniqueId, r.uniqueId.size(), r.uniqueId.begin());
    r.bootLoader = reply[kIdentifyBootLoader] == kBootLoaderMark;
    std::copy_n(reply.begin() + kIdentifyName, r.name.size(), r.name.begin());
    return r;
}

std::optional<StatusReply> DecodeStatus(std::span<const std::uint8_t> reply) {
    if (CheckReply(Request{cmd::kStatusPoll, {}, {}}, reply) != ReplyFault::None) return std::nullopt;
    StatusReply r;
    r.address = reply[kReplyAddressByte];
    std::copy_n(reply.begin() + kReplyDataOffset, r.levels.size(), r.levels.begin());
    r.flags = reply[kStatusFlagsByte];
    return r;
}

std::optional<std::span<const std::uint8_t>> DecodeMemory(std::span<const std::uint8_t> reply, std::size_t count) {
    if (count > 255 || CheckReply(ReadMemoryRequest(0, count), reply) != ReplyFault::None) return std::nullopt;
    return reply.subspan(kReplyDataOffset, count);
}

std::optional<bool> DecodeRecallEmpty(std::span<const std::uint8_t> reply) {
    if (reply.size() != kEchoReplySize) return std::nullopt;
    Request recall{cmd::kRecallPreset, {}, {}};
    std::copy_n(reply.begin() + kReplyDataOffset, recall.p.size(), recall.p.begin());
    if (CheckReply(recall, reply) != ReplyFault::None) return std::nullopt;
    return reply[kReplyDataOffset] == kEmptyPresetSlot;
}

}  // namespace zef
