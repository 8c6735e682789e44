#include "device/verified_writes.h"

#include <array>
#include <span>

#include "device/memory_transfer.h"
#include "model/fir_image.h"
#include "model/memory_map.h"
#include "model/validation.h"

namespace zef {
namespace {

WriteReport Report(WriteOutcome outcome, std::string detail = {}) { return {outcome, std::move(detail)}; }

std::string FieldName(const MemoryField* field) { return field ? std::string(field->name) : "?"; }

std::string Differs(const std::string& where, std::uint32_t read, std::uint32_t written) {
    return where + " reads " + std::to_string(read) + ", written " + std::to_string(written);
}

// Reads `out.size()` bytes from `address` in blocks of `block` bytes.
bool ReadRange(Exchange& exchange, DeviceSlot slot, std::uint16_t address, std::span<std::uint8_t> out,
               std::size_t block) {
    for (std::size_t at = 0; at < out.size(); at += block) {
        const std::size_t n = std::min(block, out.size() - at);
        if (ReadMemoryBlock(exchange, slot, static_cast<std::uint16_t>(address + at), out.subspan(at, n)) != kOk)
            return false;
    }
    return true;
}

std::optional<WriteReport> Check(std::optional<WriteReport> first, std::optional<WriteReport> second) {
    return first ? first : second;
}

}  // namespace

std::string WriteReport::Text() const {
    switch (outcome) {
        case WriteOutcome::Done:
            return "done";
        case WriteOutcome::Refused:
            return "refused: " + detail;
        case WriteOutcome::Failed:
            return "write failed";
        case WriteOutcome::Unread:
            return "written, but the read-back failed";
        case WriteOutcome::Mismatch:
            return "read-back differs: " + detail;
    }
    return "";
}

std::optional<WriteReport> CompareDeviceState(Exchange& exchange, const Model& model, DeviceSlot slot) {
    std::array<std::uint8_t, kDeviceStateCount> state{};
    if (ReadMemoryBlock(exchange, slot, kDeviceStateFirst, state) != kOk) return Report(WriteOutcome::Unread);
    const DeviceSettings& settings = model.device(slot).settings;
    for (std::size_t i = 0; i < state.size(); ++i) {
        const std::size_t at = kDeviceStateFirst + i;
        if (state[i] != settings[at])
            return Report(WriteOutcome::Mismatch,
                          Differs("settings byte " + std::to_string(at) + " (" + FieldName(SettingsFieldAt(at)) + ")",
                                  state[i], settings[at]));
    }
    return std::nullopt;
}

std::optional<WriteReport> ComparePreset(Exchange& exchange, const Model& model, DeviceSlot slot, std::size_t first,
                                         std::size_t count) {
    std::array<std::uint8_t, kPresetSize> deviceOrder{};
    if (!ReadRange(exchange, slot, kPresetBaseAddress, deviceOrder, kPresetReadBlock))
        return Report(WriteOutcome::Unread);
    PresetImage read;
    DecodePresetFromDevice(deviceOrder, read);
    const PresetImage& written = model.device(slot).preset;
    for (std::size_t at = first; at < first + count && at < kPresetSize; ++at) {
        if (read[at] != written[at])
            return Report(WriteOutcome::Mismatch,
                          Differs("preset byte " + std::to_string(at) + " (" + FieldName(PresetFieldAt(at)) + ")",
                                  read[at], written[at]));
    }
    return std::nullopt;
}

std::optional<WriteReport> CompareFir(Exchange& exchange, const Model& model, DeviceSlot slot, int output) {
    FirImage image{};
    if (!ReadRange(exchange, slot, FirAddress(output), image, kFirReadChunk)) return Report(WriteOutcome::Unread);
    const FirTapWords read = TapsFromFirImage(image);
    const FirTapWords& written = model.device(slot).firTaps[static_cast<std::size_t>(output)];
    for (std::size_t t = 0; t < read.size(); ++t) {
        if (read[t] != written[t])
            return Report(WriteOutcome::Mismatch,
                          Differs("output " + std::to_string(output + 1) + " FIR tap " + std::to_string(t), read[t],
                                  written[t]));
    }
    return std::nullopt;
}

WriteReport LoadWholeDevice(DeviceReader& reader, Exchange& exchange, const Model& model, DeviceSlot slot) {
    if (const auto v = ValidateDeviceModel(model.device(slot))) return Report(WriteOutcome::Refused, v->Text());
    if (reader.WriteWholeDevice(slot) != kOk) return Report(WriteOutcome::Failed);
    auto differs = Check(CompareDeviceState(exchange, model, slot), ComparePreset(exchange, model, slot));
    for (int o = 0; o < 2 && !differs; ++o) differs = CompareFir(exchange, model, slot, o);
    return differs ? *differs : Report(WriteOutcome::Done);
}

WriteReport LoadPresetIntoDevice(Exchange& exchange, const Model& model, DeviceSlot slot) {
    if (const auto v = ValidatePresetAndFirs(model.device(slot))) return Report(WriteOutcome::Refused, v->Text());
    if (WritePresetToDevice(exchange, model, slot) != kOk) return Report(WriteOutcome::Failed);
    auto differs = ComparePreset(exchange, model, slot);
    for (int o = 0; o < 2 && !differs; ++o) differs = CompareFir(exchange, model, slot, o);
    return differs ? *differs : Report(WriteOutcome::Done);
}

WriteReport StoreFirVerified(Exchange& exchange, Model& model, DeviceSlot slot, int firSlot, const fir::StoredFir& fir,
                             int& partner) {
    partner = -1;
    PresetImage counts;
    counts[pi::FirTapsHigh(firSlot)] = static_cast<std::uint8_t>(fir.tapCount >> 8);
    counts[pi::FirTapsLow(firSlot)] = static_cast<std::uint8_t>(fir.tapCount & 0xFF);
    if (const auto v = ValidateTapCount(counts, firSlot)) return Report(WriteOutcome::Refused, v->Text());
    if (!fir::StoreExternalFIR(exchange, model, slot, firSlot, fir)) return Report(WriteOutcome::Failed);
    bool linkedOk = true;
    partner = fir::LinkUpdateExternalFIR(exchange, model, slot, firSlot, fir, linkedOk);
    if (!linkedOk) return Report(WriteOutcome::Failed);
    // Names (PI 419..450) and tap counts (451..454) of both slots, then the coefficients.
    auto differs = ComparePreset(exchange, model, slot, pi::kFirNames, pi::kFirTapsLowBase + 2 - pi::kFirNames);
    if (!differs) differs = CompareFir(exchange, model, slot, firSlot);
    if (!differs && partner >= 0) differs = CompareFir(exchange, model, slot, partner);
    return differs ? *differs : Report(WriteOutcome::Done);
}

WriteReport VerifyStoredPreset(Exchange& exchange, const Model& model, DeviceSlot slot) {
    const auto differs = ComparePreset(exchange, model, slot);
    return differs ? *differs : Report(WriteOutcome::Done);
}

}  // namespace zef
