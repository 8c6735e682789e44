#pragma once
// How the windows hear that the model of a device changed under them (a
// device read, a recalled preset). The device-state reader and the preset
// code call these hooks while LinkState::sendSuppressed is set, after the
// records and EditorValues hold the new values and the response observer
// was told; a window only sets its controls from the model and redraws.
//
// The channel editor implements the group methods it shows, the output
// EQ/FIR editor RefreshOutputEditor, the device list RefreshDeviceListEntry.
// Every method has an empty default, so a window overrides only its own.

#include <cstdint>
#include <string>

#include "model/slots.h"

namespace zef {

// Parameter groups of the incremental update, channel level first (in the
// order they are compared) and then device level.
enum class ParamGroup : std::uint8_t {
    // channel level
    Gains,           // PI 16..17, 493..494
    Mutes,           // PI 18, 495
    NoiseGates,      // PI 20..27
    Delay,           // PI 461..466, 582
    CompressorAuto,  // PI 481..484
    Compressors,     // PI 467..480
    Crossovers,      // PI 104..115
    ChannelModes,    // PI 28
    EqBypass,        // PI 29, 117
    EqBands,         // PI 30..99, 118..417, 500..579
    EqMode,          // PI 116
    FirBypass,       // PI 418
    Polarity,        // PI 19, 496
    Limiters,        // PI 485..492
    Routing,         // PI 100..103
    Masking,         // PI 497..499, 580..581
    DynamicFilter,   // PI 455..460
    FirInfo,         // PI 419..454: FIR names and tap counts
    // device level
    RemoteEnable,    // DS 217
    NoiseGenerator,  // DS 205, 208..210
    BridgePower,     // DS 213..216: bridge, voltage, load impedances
    SleepMode,       // DS 211
    Standby,         // DS 206
    LinkMask,        // DS 212 and the linked flags
};
inline constexpr int kParamGroupCount = 24;

class RefreshHooks {
public:
    virtual ~RefreshHooks() = default;

    // ---- incremental update: one call per group whose bytes changed ----
    virtual void RefreshGains(DeviceSlot) {}
    virtual void RefreshMutes(DeviceSlot) {}
    virtual void RefreshNoiseGates(DeviceSlot) {}
    virtual void RefreshDelay(DeviceSlot) {}
    virtual void RefreshCompressorAuto(DeviceSlot) {}
    virtual void RefreshCompressors(DeviceSlot) {}
    virtual void RefreshCrossovers(DeviceSlot) {}
    virtual void RefreshChannelModes(DeviceSlot) {}
    virtual void RefreshEqBypass(DeviceSlot) {}
    virtual void RefreshEqBands(DeviceSlot) {}  // the observer already recomputed the changed bands
    virtual void RefreshEqMode(DeviceSlot) {}
    virtual void RefreshFirBypass(DeviceSlot) {}
    virtual void RefreshPolarity(DeviceSlot) {}
    virtual void RefreshLimiters(DeviceSlot) {}
    virtual void RefreshRouting(DeviceSlot) {}
    virtual void RefreshMasking(DeviceSlot) {}
    virtual void RefreshDynamicFilter(DeviceSlot) {}
    virtual void RefreshFirInfo(DeviceSlot) {}
    virtual void RefreshRemoteEnable(DeviceSlot) {}
    virtual void RefreshNoiseGenerator(DeviceSlot) {}
    virtual void RefreshBridgePower(DeviceSlot) {}
    virtual void RefreshSleepMode(DeviceSlot) {}
    virtual void RefreshStandby(DeviceSlot) {}
    virtual void RefreshLinkMask(DeviceSlot) {}

    // ---- whole-device refresh (the device runs another preset, a recall) ----
    // Every device-level control of the channel editor.
    virtual void RefreshDeviceLevel(DeviceSlot) {}
    // Every channel-level control and the graph; the channel editor does
    // this only while it shows a channel page.
    virtual void RefreshChannelLevel(DeviceSlot) {}

    // ---- the other windows ----
    // The output EQ/FIR editor, when it is open.
    virtual void RefreshOutputEditor(DeviceSlot) {}
    // The device list row of the slot.
    virtual void RefreshDeviceListEntry(DeviceSlot) {}
    // An output's (0..1) FIR was read again from the device into the model.
    virtual void FirReread(DeviceSlot, int /*output*/) {}
    // The channel editor's status line.
    virtual void StatusText(DeviceSlot, const std::string& /*text*/) {}
};

// Calls the hook of one incremental group.
void CallGroupHook(RefreshHooks& hooks, ParamGroup group, DeviceSlot slot);

}  // namespace zef
