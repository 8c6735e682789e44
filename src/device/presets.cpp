#include "device/presets.h"

#include "base/cp1252.h"

#include "base/check.h"

#include <algorithm>

#include "model/encodings.h"
#include "device/memory_transfer.h"
#include "device/readback.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "model/status_text.h"

namespace zef {

bool PresetNameAllowed(std::string_view text) { return StorableText(text); }

bool IsBlankPresetName(std::string_view name) { return name.empty() || name == " "; }

std::string PaddedPresetName(std::string_view name) {
    // Counted in the device's single-byte characters, not in UTF-8 bytes.
    std::string bytes = DeviceBytes(name).substr(0, pi::kNameSize);
    bytes.resize(pi::kNameSize, ' ');
    return Cp1252ToUtf8(bytes);
}

std::string PresetSlotRow(int presetSlot, const std::string& name) {
    return FormatTwoDigits(presetSlot + 1) + ": " + name;
}

std::vector<std::string> PresetSlotRows(const DeviceModel& device) {
    std::vector<std::string> rows;
    for (std::size_t s = 0; s < kPresetSlotCount; ++s)
        rows.push_back(PresetSlotRow(static_cast<int>(s), device.values.presetNames[s]));
    return rows;
}

Presets::Presets(Model& model, Exchange& exchange, DeviceReader& reader, RefreshEvents& events)
    : model_(model), exchange_(exchange), reader_(reader), events_(events) {}

void Presets::ShowStatus(DeviceSlot slot) {
    const DeviceModel& d = model_.device(slot);
    events_.statusText.Emit(
        slot, ProgramLoadedStatus(model_.entry(slot), LoadedPresetSlot(d.settings), PresetName(d.preset)));
}

PresetResult Presets::Store(DeviceSlot slot, int presetSlot, std::string_view name, const Progress& progress) {
    if (!ZEF_CHECK(presetSlot >= 0 && presetSlot < static_cast<int>(kPresetSlotCount))) return PresetResult::Failed;
    if (IsBlankPresetName(name)) return PresetResult::NoName;

    DeviceModel& d = model_.device(slot);
    const std::string padded = PaddedPresetName(name);
    d.values.presetNames[static_cast<std::size_t>(presetSlot)] = padded;
    SetPresetName(d.preset, padded);
    auto report = [&](int value) {
        if (progress) progress(value, kStoreProgressSteps);
    };

    report(0);
    const std::span<const std::uint8_t> nameBytes(d.preset.bytes.data() + pi::kName, pi::kNameSize);
    if (WriteMemoryBlock(exchange_, slot, kPresetBaseAddress, nameBytes) != kOk) return PresetResult::Failed;
    // The slot takes the running program as it is: the name must be in it first.
    if (ExchangesReach(exchange_.link(), model_.entry(slot)) &&
        !ConfirmMemory(exchange_, slot, ImageOf(d), AddressRange(kPresetBaseAddress, pi::kNameSize),
                       [&](const MemoryScope&) { return WriteMemoryBlock(exchange_, slot, kPresetBaseAddress, nameBytes); })
             .report.ok())
        return PresetResult::Failed;
    report(1);
    const Command store = StorePresetCommand(presetSlot);
    if (exchange_.SendCommandFrame(slot, store.code, store.p) != kOk) return PresetResult::Failed;
    report(2);
    std::uint8_t& loaded = d.settings[ds::kLoadedPreset];
    loaded = static_cast<std::uint8_t>((loaded & ~ds::kLoadedPresetMask) | presetSlot);
    ShowStatus(slot);
    report(kStoreProgressSteps);
    return PresetResult::Done;
}

PresetResult Presets::Recall(DeviceSlot slot, int presetSlot, const Progress& progress) {
    if (!ZEF_CHECK(presetSlot >= 0 && presetSlot < static_cast<int>(kPresetSlotCount))) return PresetResult::Failed;
    const ExchangeResult recall =
        exchange_.Transact(slot, {cmd::kRecallPreset, RecallPresetCommand(presetSlot).p, {}}, Reporting::Tell);
    if (recall.failed()) return PresetResult::Failed;
    const bool online = recall.replied();
    if (online && DecodeRecallEmpty(recall.reply()).value_or(false)) return PresetResult::Empty;
    if (online) {
        if (reader_.ReadWholeDevice(slot, progress) != kOk) return PresetResult::Failed;
        DeviceModel& d = model_.device(slot);
        const int loaded = LoadedPresetSlot(d.settings);
        if (loaded < static_cast<int>(kPresetSlotCount))
            d.values.presetNames[static_cast<std::size_t>(loaded)] = PresetName(d.preset);
    }
    reader_.RefreshWindows(slot);
    ShowStatus(slot);
    return PresetResult::Done;
}

}  // namespace zef
