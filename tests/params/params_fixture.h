#pragma once
// Shared set-up of the parameter tests: the link fixture's real exchange over
// loopback TCP to an in-process simulated amplifier, the device in slot 1
// made current and read once (so model and device agree), and the senders,
// reader, presets and linking on top, with hooks and an observer that
// record what they were told.

#include <cstdint>
#include <string>
#include <vector>

#include "expected_frames.h"
#include "link_fixture.h"
#include "model/commands.h"
#include "model/device_reader.h"
#include "model/linking.h"
#include "model/presets.h"
#include "model/refresh_hooks.h"
#include "model/response_observer.h"
#include "model/senders.h"

namespace zef::test {

using Bytes = std::vector<std::uint8_t>;

// Every hook call as a short text: "Gains", "DeviceLevel", "FirReread 1", ...
class RecordingHooks final : public RefreshHooks {
public:
    std::vector<std::string> calls;
    std::vector<std::string> statusTexts;

    // Calls of the incremental group hooks only.
    std::vector<std::string> groupCalls() const;
    bool called(const std::string& name) const;

    void RefreshGains(DeviceSlot) override { calls.push_back("Gains"); }
    void RefreshMutes(DeviceSlot) override { calls.push_back("Mutes"); }
    void RefreshNoiseGates(DeviceSlot) override { calls.push_back("NoiseGates"); }
    void RefreshDelay(DeviceSlot) override { calls.push_back("Delay"); }
    void RefreshCompressorAuto(DeviceSlot) override { calls.push_back("CompressorAuto"); }
    void RefreshCompressors(DeviceSlot) override { calls.push_back("Compressors"); }
    void RefreshCrossovers(DeviceSlot) override { calls.push_back("Crossovers"); }
    void RefreshChannelModes(DeviceSlot) override { calls.push_back("ChannelModes"); }
    void RefreshEqBypass(DeviceSlot) override { calls.push_back("EqBypass"); }
    void RefreshEqBands(DeviceSlot) override { calls.push_back("EqBands"); }
    void RefreshEqMode(DeviceSlot) override { calls.push_back("EqMode"); }
    void RefreshFirBypass(DeviceSlot) override { calls.push_back("FirBypass"); }
    void RefreshPolarity(DeviceSlot) override { calls.push_back("Polarity"); }
    void RefreshLimiters(DeviceSlot) override { calls.push_back("Limiters"); }
    void RefreshRouting(DeviceSlot) override { calls.push_back("Routing"); }
    void RefreshMasking(DeviceSlot) override { calls.push_back("Masking"); }
    void RefreshDynamicFilter(DeviceSlot) override { calls.push_back("DynamicFilter"); }
    void RefreshFirInfo(DeviceSlot) override { calls.push_back("FirInfo"); }
    void RefreshRemoteEnable(DeviceSlot) override { calls.push_back("RemoteEnable"); }
    void RefreshNoiseGenerator(DeviceSlot) override { calls.push_back("NoiseGenerator"); }
    void RefreshBridgePower(DeviceSlot) override { calls.push_back("BridgePower"); }
    void RefreshSleepMode(DeviceSlot) override { calls.push_back("SleepMode"); }
    void RefreshStandby(DeviceSlot) override { calls.push_back("Standby"); }
    void RefreshLinkMask(DeviceSlot) override { calls.push_back("LinkMask"); }
    void RefreshDeviceLevel(DeviceSlot) override { calls.push_back("DeviceLevel"); }
    void RefreshChannelLevel(DeviceSlot) override { calls.push_back("ChannelLevel"); }
    void RefreshOutputEditor(DeviceSlot) override { calls.push_back("OutputEditor"); }
    void RefreshDeviceListEntry(DeviceSlot) override { calls.push_back("DeviceListEntry"); }
    void FirReread(DeviceSlot, int output) override {
        calls.push_back("FirReread " + std::to_string(output));
    }
    void StatusText(DeviceSlot, const std::string& text) override { statusTexts.push_back(text); }
};

// Notes the link's send suppression at every hook call.
class SuppressionWatch final : public RefreshHooks {
public:
    explicit SuppressionWatch(const LinkState& link) : link_(link) {}
    int unsuppressedCalls = 0;
    void RefreshDeviceLevel(DeviceSlot) override { note(); }
    void RefreshChannelLevel(DeviceSlot) override { note(); }
    void RefreshGains(DeviceSlot) override { note(); }

private:
    void note() { unsuppressedCalls += link_.sendSuppressed ? 0 : 1; }
    const LinkState& link_;
};

class RecordingObserver final : public ResponseObserver {
public:
    std::vector<std::string> events;
    void BandChanged(DeviceSlot, int band) override { events.push_back("band " + std::to_string(band)); }
    void GroupBandsChanged(DeviceSlot, int group) override {
        events.push_back("bands " + std::to_string(group));
    }
    void CrossoverChanged(DeviceSlot, int n) override { events.push_back("crossover " + std::to_string(n)); }
    void GroupChanged(DeviceSlot, int group) override { events.push_back("group " + std::to_string(group)); }
    void FirChanged(DeviceSlot, int output) override { events.push_back("fir " + std::to_string(output)); }
    void DeviceReloaded(DeviceSlot) override { events.push_back("device"); }
};

inline constexpr std::uint8_t kAddress = 0x11;  // the fixture's device address
inline constexpr std::uint32_t kPreset = 240;   // device address of the preset block

// Device addresses, from the device's memory layout (the preset block at
// 240, its 2-D arrays stored channel by channel).
constexpr std::uint32_t P(std::uint32_t deviceOffset) { return kPreset + deviceOffset; }

// The device's 864 bytes as the model holds them: settings, then the preset
// block in device order.
Bytes ModelImage(const DeviceModel& d);

// A 13-byte frame as the device receives it.
Bytes Frame13(std::uint8_t command, const CommandParams& p);
// A one-block memory write frame.
Bytes WriteFrame(std::uint16_t address, const Bytes& data);

class ParamsTest : public LinkTest {
protected:
    void SetUp() override;

    Bytes Mem(std::uint32_t address, std::size_t count) const { return device->memory(address, count); }
    std::uint8_t Mem(std::uint32_t address) const { return device->memory(address, 1)[0]; }
    std::vector<Bytes> Frames() const { return device->frames(); }
    Bytes LastFrame() const;
    // Polls the device; the test has made it change, so the poll reports it.
    void Poll();
    // Once the device has answered an identify, every byte sent before it
    // (the lone 0x00 after each exchange included) has arrived.
    void Fence();
    DeviceModel& dm() { return model.device(kSlot); }

    RecordingHooks hooks;
    RecordingObserver observer;
    Senders senders{model, *rxtx, dialogs, observer};
    DeviceReader reader{model, *rxtx, hooks, observer};
    Presets presets{model, *rxtx, dialogs, reader, hooks};
    Linking linking{senders, FirWriterFor(*rxtx, model)};

private:
    static FirWriter FirWriterFor(Exchange& exchange, Model& model);
};

}  // namespace zef::test
