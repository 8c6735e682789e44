#include "device/verified_writes.h"

#include "device/memory_transfer.h"
#include "model/fir_image.h"
#include "model/memory_map.h"
#include "model/validation.h"

namespace zef {
namespace {

WriteReport Report(WriteOutcome outcome, std::string detail = {}) { return {outcome, std::move(detail)}; }

MemoryScope PresetBytes() { return AddressRange(kPresetBaseAddress, kPresetSize); }
MemoryScope FirBytes(int output) { return AddressRange(FirAddress(output), kFirImageSize); }
MemoryScope BothFirs() { return FirBytes(0) | FirBytes(1); }

// The scope read back and compared with the model; what differs is written once more.
// A device the exchanges skip (off-line: edited on its model) has nothing to read back.
WriteReport Confirmed(Exchange& exchange, const Model& model, DeviceSlot slot, const MemoryScope& scope) {
    if (!ExchangesReach(exchange.link(), model.entry(slot))) return Report(WriteOutcome::Done);
    return ConfirmMemory(exchange, slot, ImageOf(model.device(slot)), scope).report;
}

}  // namespace

WriteReport LoadWholeDevice(DeviceReader& reader, Exchange& exchange, const Model& model, DeviceSlot slot) {
    if (const auto v = ValidateDeviceModel(model.device(slot))) return Report(WriteOutcome::Refused, v->Text());
    if (reader.WriteWholeDevice(slot) != kOk) return Report(WriteOutcome::Failed);
    return Confirmed(exchange, model, slot,
                     AddressRange(kDeviceStateFirst, kDeviceStateCount) | PresetBytes() | BothFirs());
}

WriteReport LoadPresetIntoDevice(Exchange& exchange, const Model& model, DeviceSlot slot) {
    if (const auto v = ValidatePresetAndFirs(model.device(slot))) return Report(WriteOutcome::Refused, v->Text());
    if (WritePresetToDevice(exchange, model, slot) != kOk) return Report(WriteOutcome::Failed);
    return Confirmed(exchange, model, slot, PresetBytes() | BothFirs());
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
    // Names (PI 419..450) and tap counts (451..454) of both slots, and the coefficients.
    MemoryScope scope = AddressRange(kPresetBaseAddress + pi::kFirNames, pi::kFirTapsLowBase + 2 - pi::kFirNames);
    scope |= FirBytes(firSlot);
    if (partner >= 0) scope |= FirBytes(partner);
    return Confirmed(exchange, model, slot, scope);
}

WriteReport VerifyStoredPreset(Exchange& exchange, const Model& model, DeviceSlot slot) {
    const DeviceMemory expected = ImageOf(model.device(slot));
    const ReadBack r = ReadBackMemory(exchange, slot, expected, PresetBytes());
    if (r.result == ReadBack::Result::Unread) return Report(WriteOutcome::Unread);
    if (r.result == ReadBack::Result::Differs)
        return Report(WriteOutcome::Mismatch, DescribeDifference(r.device, expected, r.differing));
    return Report(WriteOutcome::Done);
}

}  // namespace zef
