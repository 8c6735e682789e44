#include "model/fir_device_io.h"

#include <algorithm>
#include <cassert>

namespace zef {

namespace {

CommandParams MemoryParams(std::uint16_t address, std::size_t count) {
    CommandParams p{};
    p[0] = static_cast<std::uint8_t>(address >> 8);
    p[1] = static_cast<std::uint8_t>(address & 0xFF);
    p[2] = static_cast<std::uint8_t>(count);
    return p;
}

constexpr std::size_t kReplyDataOffset = 4;

}  // namespace

FirImage FirImageFromTaps(const FirTapWords& taps) {
    FirImage image{};
    for (std::size_t t = 0; t < taps.size(); ++t) {
        image[3 * t] = static_cast<std::uint8_t>(taps[t] >> 16 & 0xFF);
        image[3 * t + 1] = static_cast<std::uint8_t>(taps[t] >> 8 & 0xFF);
        image[3 * t + 2] = static_cast<std::uint8_t>(taps[t] & 0xFF);
    }
    return image;
}

FirTapWords TapsFromFirImage(const FirImage& image) {
    FirTapWords taps{};
    for (std::size_t t = 0; t < taps.size(); ++t)
        taps[t] = std::uint32_t{image[3 * t]} << 16 | std::uint32_t{image[3 * t + 1]} << 8 | image[3 * t + 2];
    return taps;
}

Status WriteMemoryBlock(Exchange& exchange, DeviceSlot slot, std::uint16_t address,
                        std::span<const std::uint8_t> data) {
    assert(!data.empty() && data.size() <= kBlockPayloadSize);
    auto& payload = exchange.link().blockPayload;
    std::copy(data.begin(), data.end(), payload.begin());
    return exchange.SendCommandFrame(slot, kCommandWriteMemory, MemoryParams(address, data.size()));
}

Status ReadMemoryBlock(Exchange& exchange, DeviceSlot slot, std::uint16_t address,
                       std::span<std::uint8_t> out) {
    assert(!out.empty() && out.size() <= 255);
    const Status status =
        exchange.SendCommandFrame(slot, kCommandReadMemory, MemoryParams(address, out.size()));
    if (status != kOk) return status;
    const auto& reply = exchange.link().replyBuffer;
    std::copy_n(reply.begin() + kReplyDataOffset, out.size(), out.begin());
    return kOk;
}

Status ReadFirFromDevice(Exchange& exchange, Model& model, DeviceSlot slot, int output) {
    assert(output == 0 || output == 1);
    constexpr std::size_t kTapsPerChunk = kFirReadChunk / 3;
    auto& taps = model.device(slot).firTaps[static_cast<std::size_t>(output)];
    std::array<std::uint8_t, kFirReadChunk> chunk{};
    for (std::size_t k = 0; k < kFirImageSize / kFirReadChunk; ++k) {
        const auto address = static_cast<std::uint16_t>(FirAddress(output) + kFirReadChunk * k);
        if (ReadMemoryBlock(exchange, slot, address, chunk) != kOk) return kFailed;
        for (std::size_t i = 0; i < kTapsPerChunk; ++i)
            taps[kTapsPerChunk * k + i] =
                std::uint32_t{chunk[3 * i]} << 16 | std::uint32_t{chunk[3 * i + 1]} << 8 | chunk[3 * i + 2];
    }
    return kOk;
}

Status WriteFirToDevice(Exchange& exchange, DeviceSlot slot, int output, const FirImage& image,
                        const std::function<void()>& afterWrite) {
    assert(output == 0 || output == 1);
    for (std::size_t k = 0; k < kFirWriteCount; ++k) {
        const auto address = static_cast<std::uint16_t>(FirAddress(output) + kFirWriteChunk * k);
        const std::span<const std::uint8_t> data(image.data() + kFirWriteChunk * k, kFirWriteChunk);
        if (WriteMemoryBlock(exchange, slot, address, data) != kOk) return kFailed;
        if (afterWrite) afterWrite();
    }
    return kOk;
}

}  // namespace zef
