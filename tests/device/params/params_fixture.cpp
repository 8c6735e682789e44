#include "params_fixture.h"

#include <algorithm>
#include <array>

#include "device/fir_store.h"
#include "model/memory_map.h"
#include "model/records.h"

namespace zef::test {

RecordingHooks::RecordingHooks(RefreshEvents& e) {
    auto note = [this](const std::string& text) { calls.push_back(text); };
    subscriptions_.push_back(
        e.groupRefreshed.Connect([note](DeviceSlot, ParamGroup g) { note(std::string(ParamGroupName(g))); }));
    subscriptions_.push_back(e.deviceLevelRefreshed.Connect([note](DeviceSlot) { note("DeviceLevel"); }));
    subscriptions_.push_back(e.channelLevelRefreshed.Connect([note](DeviceSlot) { note("ChannelLevel"); }));
    subscriptions_.push_back(e.outputEditorRefreshed.Connect([note](DeviceSlot) { note("OutputEditor"); }));
    subscriptions_.push_back(e.listEntryChanged.Connect([note](DeviceSlot) { note("DeviceListEntry"); }));
    subscriptions_.push_back(
        e.firReread.Connect([note](DeviceSlot, int output) { note("FirReread " + std::to_string(output)); }));
    subscriptions_.push_back(
        e.statusText.Connect([this](DeviceSlot, const std::string& text) { statusTexts.push_back(text); }));
}

SuppressionWatch::SuppressionWatch(RefreshEvents& e, const LinkState& link) : link_(link) {
    subscriptions_.push_back(e.deviceLevelRefreshed.Connect([this](DeviceSlot) { note(); }));
    subscriptions_.push_back(e.channelLevelRefreshed.Connect([this](DeviceSlot) { note(); }));
    subscriptions_.push_back(e.groupRefreshed.Connect([this](DeviceSlot, ParamGroup) { note(); }));
}

std::vector<std::string> RecordingHooks::groupCalls() const {
    static const std::vector<std::string> kNotGroups = {"DeviceLevel",     "ChannelLevel", "OutputEditor",
                                                        "DeviceListEntry", "FirReread 0",  "FirReread 1"};
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (std::find(kNotGroups.begin(), kNotGroups.end(), c) == kNotGroups.end()) out.push_back(c);
    return out;
}

bool RecordingHooks::called(const std::string& name) const {
    return std::find(calls.begin(), calls.end(), name) != calls.end();
}

Bytes Frame13(std::uint8_t command, const CommandParams& p) {
    // Sized once and filled in place: 13 bytes.
    Bytes f(13);
    f[0] = 0xF0;
    f[1] = 0x21;
    f[2] = kAddress;
    f[3] = command;
    std::copy(p.begin(), p.end(), f.begin() + 4);
    f[12] = 0xF7;
    return f;
}

Bytes WriteFrame(std::uint16_t address, const Bytes& data) {
    return BlockWriteFrame(kAddress, address, data);
}

Bytes ModelImage(const DeviceModel& d) {
    Bytes image(d.settings.bytes.begin(), d.settings.bytes.end());
    std::array<std::uint8_t, kPresetSize> preset{};
    EncodePresetToDevice(d.preset, preset);
    image.insert(image.end(), preset.begin(), preset.end());
    return image;
}

void ParamsTest::SetUp() {
    ConnectTcp();
    entry().name = "Stage Left";
    ASSERT_EQ(reader.ReadWholeDevice(kSlot), kOk);
    device->clearLog();
    observer.events.clear();
}

Bytes ParamsTest::LastFrame() const {
    const auto frames = device->frames();
    return frames.empty() ? Bytes{} : frames.back();
}

void ParamsTest::Poll() {
    ASSERT_EQ(exchange->SendCommandFrame(kSlot, cmd::kStatusPoll, {}), kOk);
    ASSERT_TRUE(link.deviceChanged[kSlot]);
}

void ParamsTest::Fence() { ASSERT_TRUE(exchange->IdentifyDevice(kSlot).has_value()); }

FirWriter ParamsTest::FirWriterFor(Exchange& exchange, Model& model) { return fir::MakeFirWriter(exchange, model); }

Status ParamsTest::Set(const std::string& name, double value) { return Set({{name, value}}); }

Status ParamsTest::Set(const std::vector<std::pair<std::string, double>>& values) {
    std::vector<ParameterValue> batch;
    for (const auto& [name, value] : values) {
        const auto p = FindParameter(name);
        EXPECT_TRUE(p.has_value()) << name;
        if (!p) return kFailed;
        batch.push_back({*p, value});
    }
    return writer.Set(kSlot, batch);
}

}  // namespace zef::test
