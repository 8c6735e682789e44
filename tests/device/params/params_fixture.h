#pragma once
// Shared set-up of the parameter tests: the link fixture's real exchange over
// loopback TCP to an in-process simulated amplifier, the device in slot 1
// read once (so model and device agree), and the parameter writer, reader
// and presets on top, with a listener and an observer that record what they
// were told.

#include <cstdint>
#include <string>
#include <vector>

#include "expected_frames.h"
#include "link_fixture.h"
#include "model/commands.h"
#include "device/device_reader.h"
#include "device/parameter_writer.h"
#include "app/preset_actions.h"
#include "device/presets.h"
#include "device/refresh_hooks.h"
#include "model/response_observer.h"

namespace zef::test {

using Bytes = std::vector<std::uint8_t>;

// Every refresh event as a short text: "Gains", "DeviceLevel", "FirReread 1", ...
class RecordingHooks {
public:
    explicit RecordingHooks(RefreshEvents& events);

    std::vector<std::string> calls;
    std::vector<std::string> statusTexts;

    // The incremental group events only.
    std::vector<std::string> groupCalls() const;
    bool called(const std::string& name) const;

private:
    std::vector<Subscription> subscriptions_;
};

// Counts the refresh events that arrive while sends are not suppressed.
class SuppressionWatch {
public:
    SuppressionWatch(RefreshEvents& events, const LinkState& link);
    int unsuppressedCalls = 0;

private:
    void note() { unsuppressedCalls += link_.sendsSuppressed() ? 0 : 1; }
    const LinkState& link_;
    std::vector<Subscription> subscriptions_;
};

class RecordingObserver final : public ResponseObserver {
public:
    std::vector<std::string> events;
    void Changed(DeviceSlot, ResponseChange change) override {
        static constexpr const char* kNames[] = {"band ", "bands ", "crossover ", "group ", "fir ", "device"};
        const char* name = kNames[static_cast<int>(change.kind)];
        const bool indexed = change.kind != Kind::Device;
        events.push_back(indexed ? name + std::to_string(change.index) : std::string(name));
    }
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

    RefreshEvents events;
    RecordingHooks hooks{events};
    RecordingObserver observer;
    ParameterWriter writer{model, *exchange, observer, FirWriterFor(*exchange, model)};
    DeviceReader reader{model, *exchange, events, observer};
    Presets presets{model, *exchange, reader, events};
    PresetActions presetActions{presets, dialogs, kSlot};

    // Writes parameters by name, as the editor's controls do.
    Status Set(const std::string& name, double value);
    Status Set(const std::vector<std::pair<std::string, double>>& values);

private:
    static FirWriter FirWriterFor(Exchange& exchange, Model& model);
};

}  // namespace zef::test
