#pragma once
// Reading a device's state back into the model, and the update that follows
// a change the device made by itself (front panel, recall on the device,
// another controller, a FIR written elsewhere).
//
// Memory reads (command 20; reply data from byte 4), each block read until
// two replies agree (ReadMemoryAgreed: a memory reply has no checksum), into
// the staging buffer at the block's offset, then decoded into the slot's
// read records:
//   settings   2 x 120 bytes at 0, 120              -> readSettings (straight copy)
//   preset     8 x  78 bytes at 240 + 78k           -> readPreset (device order ->
//                                                      record order)
//   FIR        6 x 192 bytes per output (fir_device_io.h)
//
// Update(slot):
//   read settings, preset and preset name; a failed read ends the update
//   with nothing applied (the slot is off-line by then).
//   Bits 0..6 of DS 204 differ (the device runs another preset): full
//     refresh: both records copied over the live ones, device-list row,
//     both FIRs read again, output editor, then with sends suppressed
//     EditorValues reloaded, responses recomputed, device-level and
//     channel-level refresh; the pending change bits are cleared.
//   Same preset: incremental: the FIR of output 1 / 2 is read again when the
//     pending bits hold 0x20 / 0x40; with sends suppressed the output editor
//     is refreshed and the device-level groups, then the channel-level groups
//     (update_groups.h) are compared; each group that differs is copied,
//     followed (EditorValues, responses) and its hook called. The remaining
//     bytes (preset name, copied-only bytes, network settings) are then taken
//     over silently, so the live records equal the device.
//   Then the status text (status_text.h) and the preset name of the loaded
//   slot in EditorValues.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/device_model.h"
#include "device/exchange.h"
#include "device/refresh_hooks.h"
#include "model/response_observer.h"

namespace zef {

// Progress of a multi-step device operation: steps done of `maximum`.
using Progress = std::function<void(int value, int maximum)>;

inline constexpr std::uint16_t kSettingsReadBlock = 120;
inline constexpr std::uint16_t kPresetReadBlock = 78;
inline constexpr std::size_t kStagingSize = 769;
inline constexpr std::uint16_t kFirChangedOutput1 = 0x20;
inline constexpr std::uint16_t kFirChangedOutput2 = 0x40;

// Steps of ReadWholeDevice: 2 settings reads, 8 preset reads, 2 x 6 FIR reads.
inline constexpr int kWholeReadSteps = 22;

enum class UpdateKind { Full, Incremental, Failed };

class DeviceReader {
public:
    DeviceReader(Model& model, Exchange& exchange, RefreshEvents& events,
                 ResponseObserver& responses = NoResponseObserver());

    // Two reads of 120 bytes into readSettings. A failed read returns its
    // status at once and leaves readSettings as it was.
    Status ReadSettingsBlock(DeviceSlot slot);
    // Eight reads of 78 bytes into readPreset; same failure rule.
    Status ReadPresetBlock(DeviceSlot slot);
    // Copies the name bytes (PI 0..15) of readPreset into the live preset
    // and returns the name without leading and trailing blanks.
    std::string ReadPresetName(DeviceSlot slot);
    // Reads an output's (0..1) FIR into the model, then tells the observer
    // and the FirReread hook (also after a failed read: the response is made
    // from what is stored).
    Status RereadFir(DeviceSlot slot, int output);

    // The whole update described above.
    UpdateKind Update(DeviceSlot slot);

    // The editor's update timer: when the slot is listed, on-line and the
    // link marked it changed, clears the mark, moves the link's change bits
    // into pendingChangeBits and runs Update. nullopt when nothing was due.
    std::optional<UpdateKind> UpdateIfChanged(DeviceSlot slot);

    // Connecting in read mode: settings, preset and both FIRs into the live
    // model, EditorValues and the linked flags from it, responses recomputed.
    // Progress runs 0..kWholeReadSteps. Stops at the first failed read
    // (the live records are only replaced when both blocks were read).
    Status ReadWholeDevice(DeviceSlot slot, const Progress& progress = {});

    // With sends suppressed: the output editor, the device-level and the
    // channel-level refresh of the windows (after a whole read or a recall).
    void RefreshWindows(DeviceSlot slot);

    // Connecting in load mode: the editable device state (DS 205..217) as
    // one memory write, then the preset block, both FIRs and command 25
    // (WritePresetToDevice). Identity, firmware, network settings and the
    // loaded-slot byte stay the device's own. Stops at the first failure.
    Status WriteWholeDevice(DeviceSlot slot);

    // Groups applied by the last incremental update, in order.
    const std::vector<ParamGroup>& lastAppliedGroups() const { return applied_; }

    // 0x20 / 0x40: output 1 / 2 FIR changed; set from the link's change bits.
    std::uint16_t pendingChangeBits = 0;
    // True while an update runs (control events of the windows do nothing).
    bool busy() const { return busy_; }

private:
    Status ReadBlocks(DeviceSlot slot, std::uint16_t address, std::uint16_t size, int count,
                      const std::function<void()>& step);
    Status ReadSettingsBlock(DeviceSlot slot, const std::function<void()>& step);
    Status ReadPresetBlock(DeviceSlot slot, const std::function<void()>& step);
    // EditorValues, linked flags and list-entry standby from the live
    // records; the observer recomputes everything.
    void FollowLiveRecords(DeviceSlot slot);
    void FullRefresh(DeviceSlot slot);
    void IncrementalRefresh(DeviceSlot slot);

    Model& model_;
    Exchange& exchange_;
    RefreshEvents& events_;
    ResponseObserver& responses_;
    std::array<std::uint8_t, kStagingSize> staging_{};
    std::vector<ParamGroup> applied_;
    bool busy_ = false;
};

// Where the editable device state starts and how long it is (DS 205..217).
inline constexpr std::size_t kDeviceStateFirst = 205;
inline constexpr std::size_t kDeviceStateCount = 13;

}  // namespace zef
