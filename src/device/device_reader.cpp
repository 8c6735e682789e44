#include "device/device_reader.h"

#include "base/check.h"

#include <algorithm>
#include <span>

#include "model/editor_sync.h"
#include "model/encodings.h"
#include "device/memory_transfer.h"
#include "model/memory_map.h"
#include "files/preset_file.h"
#include "model/records.h"
#include "model/status_text.h"
#include "model/update_groups.h"

namespace zef {

namespace {

constexpr int kSettingsBlocks = 2;
constexpr int kPresetBlocks = 8;
constexpr int kFirSteps = static_cast<int>(kFirImageSize / kFirReadChunk);  // 6 per output

}  // namespace

DeviceReader::DeviceReader(Model& model, Exchange& exchange, RefreshEvents& events, ResponseObserver& responses)
    : model_(model), exchange_(exchange), events_(events), responses_(responses) {}

Status DeviceReader::ReadBlocks(DeviceSlot slot, std::uint16_t address, std::uint16_t size, int count,
                                const std::function<void()>& step) {
    if (!ZEF_CHECK(static_cast<std::size_t>(size) * static_cast<std::size_t>(count) < kStagingSize)) return kFailed;
    for (int k = 0; k < count; ++k) {
        const auto offset = static_cast<std::size_t>(size) * static_cast<std::size_t>(k);
        const auto at = static_cast<std::uint16_t>(address + offset);
        if (const Status s = ReadMemoryAgreed(exchange_, slot, at, std::span(staging_).subspan(offset, size));
            s != kOk)
            return s;
        if (step) step();
    }
    return kOk;
}

Status DeviceReader::ReadSettingsBlock(DeviceSlot slot, const std::function<void()>& step) {
    if (const Status s = ReadBlocks(slot, 0, kSettingsReadBlock, kSettingsBlocks, step); s != kOk) return s;
    DeviceSettings& read = model_.device(slot).readSettings;
    std::copy_n(staging_.begin(), kSettingsSize, read.bytes.begin());
    return kOk;
}

Status DeviceReader::ReadPresetBlock(DeviceSlot slot, const std::function<void()>& step) {
    if (const Status s = ReadBlocks(slot, kPresetBaseAddress, kPresetReadBlock, kPresetBlocks, step);
        s != kOk)
        return s;
    std::array<std::uint8_t, kPresetSize> device{};
    std::copy_n(staging_.begin(), kPresetSize, device.begin());
    DecodePresetFromDevice(device, model_.device(slot).readPreset);
    return kOk;
}

Status DeviceReader::ReadSettingsBlock(DeviceSlot slot) { return ReadSettingsBlock(slot, {}); }
Status DeviceReader::ReadPresetBlock(DeviceSlot slot) { return ReadPresetBlock(slot, {}); }

std::string DeviceReader::ReadPresetName(DeviceSlot slot) {
    DeviceModel& d = model_.device(slot);
    std::copy_n(d.readPreset.bytes.begin() + pi::kName, pi::kNameSize, d.preset.bytes.begin() + pi::kName);
    return PresetName(d.preset);
}

Status DeviceReader::RereadFir(DeviceSlot slot, int output) {
    const Status status = ReadFirFromDevice(exchange_, model_, slot, output);
    responses_.FirChanged(slot, output);
    events_.firReread.Emit(slot, output);
    events_.memoryReread.Emit(slot);
    return status;
}

void DeviceReader::FollowLiveRecords(DeviceSlot slot) {
    DeviceModel& d = model_.device(slot);
    FollowRecords(d);
    model_.entry(slot).standby = d.settings[ds::kStandby] != 0 ? 1 : 0;
    responses_.DeviceReloaded(slot);
}

void DeviceReader::RefreshWindows(DeviceSlot slot) {
    const LinkState::SuppressSends quiet(exchange_.link());
    events_.outputEditorRefreshed.Emit(slot);
    events_.deviceLevelRefreshed.Emit(slot);
    events_.channelLevelRefreshed.Emit(slot);
}

void DeviceReader::FullRefresh(DeviceSlot slot) {
    DeviceModel& d = model_.device(slot);
    d.settings = d.readSettings;
    d.preset = d.readPreset;
    events_.listEntryChanged.Emit(slot);
    RereadFir(slot, 0);
    RereadFir(slot, 1);
    const LinkState::SuppressSends quiet(exchange_.link());
    pendingChangeBits = 0;
    FollowLiveRecords(slot);
    RefreshWindows(slot);
}

void DeviceReader::IncrementalRefresh(DeviceSlot slot) {
    const std::uint16_t firBits = pendingChangeBits & (kFirChangedOutput1 | kFirChangedOutput2);
    if (firBits & kFirChangedOutput1) RereadFir(slot, 0);
    if (firBits & kFirChangedOutput2) RereadFir(slot, 1);
    {
        const LinkState::SuppressSends quiet(exchange_.link());
        events_.outputEditorRefreshed.Emit(slot);
        for (const auto groups : {DeviceUpdateGroups(), ChannelUpdateGroups()}) {
            for (const UpdateGroup& group : groups) {
                if (!GroupDiffers(model_.device(slot), group)) continue;
                ApplyGroup(model_, slot, group, responses_);
                applied_.push_back(group.group);
                events_.groupRefreshed.Emit(slot, group.group);
            }
        }
    }
    DeviceModel& d = model_.device(slot);
    d.settings = d.readSettings;
    d.preset = d.readPreset;
    if (firBits != 0) pendingChangeBits = 0;
}

UpdateKind DeviceReader::Update(DeviceSlot slot) {
    FlagGuard busy(busy_, true);
    applied_.clear();
    if (ReadSettingsBlock(slot) != kOk || ReadPresetBlock(slot) != kOk) return UpdateKind::Failed;
    const std::string name = ReadPresetName(slot);

    DeviceModel& d = model_.device(slot);
    const bool otherPreset = LoadedPresetSlot(d.readSettings) != LoadedPresetSlot(d.settings);
    if (otherPreset) {
        FullRefresh(slot);
    } else {
        IncrementalRefresh(slot);
    }

    const int presetSlot = LoadedPresetSlot(d.settings);
    events_.statusText.Emit(slot, ProgramLoadedStatus(model_.entry(slot), presetSlot, name));
    if (presetSlot < static_cast<int>(kPresetSlotCount))
        d.values.presetNames[static_cast<std::size_t>(presetSlot)] = name;
    events_.memoryReread.Emit(slot);
    return otherPreset ? UpdateKind::Full : UpdateKind::Incremental;
}

std::optional<UpdateKind> DeviceReader::UpdateIfChanged(DeviceSlot slot) {
    LinkState& link = exchange_.link();
    const DeviceEntry& entry = model_.entry(slot);
    const auto i = SlotIndex(slot);
    if (!entry.inList || !entry.online || !link.deviceChanged[i]) return std::nullopt;
    link.deviceChanged[i] = false;
    pendingChangeBits = link.deviceChangeBits;
    link.deviceChangeBits = 0;
    return Update(slot);
}

Status DeviceReader::ReadWholeDevice(DeviceSlot slot, const Progress& progress) {
    int done = 0;
    auto step = [&] {
        if (progress) progress(++done, kWholeReadSteps);
    };
    if (progress) progress(0, kWholeReadSteps);
    if (const Status s = ReadSettingsBlock(slot, step); s != kOk) return s;
    if (const Status s = ReadPresetBlock(slot, step); s != kOk) return s;
    DeviceModel& d = model_.device(slot);
    d.settings = d.readSettings;
    d.preset = d.readPreset;
    Status status = kOk;
    for (int output = 0; output < 2 && status == kOk; ++output) {
        status = ReadFirFromDevice(exchange_, model_, slot, output);
        if (status != kOk) break;
        done += kFirSteps - 1;
        step();
    }
    FollowLiveRecords(slot);
    events_.memoryReread.Emit(slot);
    return status;
}

Status DeviceReader::WriteWholeDevice(DeviceSlot slot) {
    const DeviceSettings& settings = model_.device(slot).settings;
    const std::span<const std::uint8_t> state(settings.bytes.data() + kDeviceStateFirst, kDeviceStateCount);
    if (const Status s = WriteMemoryBlock(exchange_, slot, kDeviceStateFirst, state); s != kOk) return s;
    return WritePresetToDevice(exchange_, model_, slot);
}

}  // namespace zef
