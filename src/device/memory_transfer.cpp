#include "device/memory_transfer.h"

#include <algorithm>
#include <vector>

#include "base/check.h"
#include "model/memory_map.h"
#include "protocol/commands.h"

namespace zef {

Status WriteMemoryBlock(Exchange& exchange, DeviceSlot slot, std::uint16_t address,
                        std::span<const std::uint8_t> data) {
    if (!ZEF_CHECK(!data.empty() && data.size() <= kMaxBlockWrite)) return kFailed;
    return exchange.Transact(slot, WriteMemoryRequest(address, data), Reporting::Tell).status();
}

Status ReadMemoryBlock(Exchange& exchange, DeviceSlot slot, std::uint16_t address,
                       std::span<std::uint8_t> out) {
    if (!ZEF_CHECK(!out.empty() && out.size() <= 255)) return kFailed;
    const ExchangeResult result = exchange.Transact(slot, ReadMemoryRequest(address, out.size()), Reporting::Tell);
    if (!result.replied()) return kFailed;
    const auto data = DecodeMemory(result.reply(), out.size());
    if (!data) return kFailed;
    std::copy(data->begin(), data->end(), out.begin());
    return kOk;
}

Status ReadMemoryAgreed(Exchange& exchange, DeviceSlot slot, std::uint16_t address, std::span<std::uint8_t> out,
                        std::span<const std::uint8_t> first) {
    std::vector<std::uint8_t> last(first.begin(), first.end());
    std::vector<std::uint8_t> next(out.size());
    for (int reads = first.empty() ? 0 : 1; reads < kReadAttempts; ++reads) {
        if (ReadMemoryBlock(exchange, slot, address, next) != kOk) return kFailed;
        if (next == last) {
            std::copy(next.begin(), next.end(), out.begin());
            return kOk;
        }
        std::swap(last, next);
        next.resize(out.size());
    }
    return kFailed;
}

Status ReadFirFromDevice(Exchange& exchange, Model& model, DeviceSlot slot, int output) {
    if (!ZEF_CHECK(output == 0 || output == 1)) return kFailed;
    FirImage image{};
    for (std::size_t k = 0; k < kFirImageSize / kFirReadChunk; ++k) {
        const auto address = static_cast<std::uint16_t>(FirAddress(output) + kFirReadChunk * k);
        if (ReadMemoryAgreed(exchange, slot, address, std::span(image).subspan(kFirReadChunk * k, kFirReadChunk)) !=
            kOk)
            return kFailed;
    }
    model.device(slot).firTaps[static_cast<std::size_t>(output)] = TapsFromFirImage(image);
    return kOk;
}

Status WriteFirToDevice(Exchange& exchange, DeviceSlot slot, int output, const FirImage& image,
                        const std::function<void()>& afterWrite) {
    if (!ZEF_CHECK(output == 0 || output == 1)) return kFailed;
    for (std::size_t k = 0; k < kFirWriteCount; ++k) {
        const auto address = static_cast<std::uint16_t>(FirAddress(output) + kFirWriteChunk * k);
        const std::span<const std::uint8_t> data(image.data() + kFirWriteChunk * k, kFirWriteChunk);
        if (WriteMemoryBlock(exchange, slot, address, data) != kOk) return kFailed;
        if (afterWrite) afterWrite();
    }
    return kOk;
}

Status WritePresetRange(Exchange& exchange, const Model& model, DeviceSlot slot, std::size_t first,
                        std::size_t count) {
    if (!ZEF_CHECK(first + count <= kPresetSize)) return kFailed;
    std::array<std::uint8_t, kPresetSize> deviceOrder{};
    EncodePresetToDevice(model.device(slot).preset, deviceOrder);
    for (std::size_t at = first; at < first + count; at += kPresetWriteChunk) {
        const std::size_t n = std::min(kPresetWriteChunk, first + count - at);
        const auto address = static_cast<std::uint16_t>(kPresetBaseAddress + at);
        if (WriteMemoryBlock(exchange, slot, address, std::span(deviceOrder).subspan(at, n)) != kOk) return kFailed;
    }
    return kOk;
}

Status WritePresetToDevice(Exchange& exchange, const Model& model, DeviceSlot slot) {
    const DeviceModel& device = model.device(slot);
    std::array<std::uint8_t, kPresetSize> deviceOrder{};
    EncodePresetToDevice(device.preset, deviceOrder);
    for (std::size_t k = 0; k < kPresetSize / kPresetWriteChunk; ++k) {
        const auto address = static_cast<std::uint16_t>(kPresetBaseAddress + kPresetWriteChunk * k);
        const std::span<const std::uint8_t> data(deviceOrder.data() + kPresetWriteChunk * k,
                                                 kPresetWriteChunk);
        if (WriteMemoryBlock(exchange, slot, address, data) != kOk) return kFailed;
    }
    for (int output = 0; output < 2; ++output) {
        const FirImage image = FirImageFromTaps(device.firTaps[static_cast<std::size_t>(output)]);
        if (WriteFirToDevice(exchange, slot, output, image) != kOk) return kFailed;
    }
    return exchange.SendCommandFrame(slot, cmd::kActivateSettings, CommandParams{});
}

}  // namespace zef
