#include "device/measuring_state.h"

#include <algorithm>

#include "base/check.h"
#include "model/encodings.h"
#include "model/memory_map.h"

namespace zef {
namespace {

ChannelCode OtherOutput(ChannelCode output) { return output == kOutput1 ? kOutput2 : kOutput1; }

// Bridged, both terminals carry output 1: there is no other output to mute.
bool MutesOther(const DeviceModel& d) { return d.settings[ds::kBridge] == 0; }

}  // namespace

DeviceModel MeasuringModel(const DeviceModel& user, const MeasuringSetup& setup) {
    DeviceModel m = user;
    const int o = OutputIndex(setup.output);
    if (MutesOther(user)) SetBit8(m.preset[pi::kOutputMute], OutputIndex(OtherOutput(setup.output)), true);
    if (setup.eq != EqDuringMeasurement::AsItIs)
        SetBit8(m.preset[pi::kOutputEqBypass], o, setup.eq == EqDuringMeasurement::Bypassed);
    if (setup.dynamicsOff) {
        m.preset[pi::Compressor(o) + pi::kCompEnable] = 0;
        m.preset[pi::DynamicFilter(o)] = 0;
        for (int input = 0; input < 2; ++input) m.preset[pi::Gate(input) + pi::kGateEnable] = 0;
    }
    m.settings[ds::kNoiseOn] = 1;
    m.settings[ds::kNoiseLevel] = setup.noiseLevel;
    return m;
}

std::vector<Command> MeasuringCommands(const DeviceModel& state, const MeasuringSetup& setup) {
    std::vector<Command> commands;
    if (MutesOther(state)) commands.push_back(MuteCommand(state, OtherOutput(setup.output)));
    if (setup.eq != EqDuringMeasurement::AsItIs) commands.push_back(EqBypassCommand(state, setup.output));
    if (setup.dynamicsOff) {
        commands.push_back(CompressorCommand(state, setup.output));
        commands.push_back(DynamicFilterCommand(state, setup.output));
        commands.push_back(NoiseGateCommand(state, kInputL));
        commands.push_back(NoiseGateCommand(state, kInputR));
    }
    commands.push_back(GeneratorCommand(state));
    return commands;
}

Status EnterMeasuringState(Exchange& exchange, DeviceSlot device, const DeviceModel& user,
                           const MeasuringSetup& setup) {
    if (!ZEF_CHECK(setup.output == kOutput1 || setup.output == kOutput2)) return kFailed;
    for (const Command& c : MeasuringCommands(MeasuringModel(user, setup), setup))
        if (const Status s = exchange.SendCommandFrame(device, c.code, c.p); s != kOk) return s;
    return kOk;
}

Status LeaveMeasuringState(Exchange& exchange, DeviceSlot device, const DeviceModel& user,
                           const MeasuringSetup& setup) {
    if (!ZEF_CHECK(setup.output == kOutput1 || setup.output == kOutput2)) return kFailed;
    std::vector<Command> commands = MeasuringCommands(user, setup);
    // The generator first: silence before the rest comes back.
    std::rotate(commands.rbegin(), commands.rbegin() + 1, commands.rend());
    Status first = kOk;
    for (const Command& c : commands)
        if (const Status s = exchange.SendCommandFrame(device, c.code, c.p); s != kOk && first == kOk) first = s;
    return first;
}

Status SendMeasuringGenerator(Exchange& exchange, DeviceSlot device, const DeviceModel& user,
                              const MeasuringSetup& setup) {
    const Command c = GeneratorCommand(MeasuringModel(user, setup));
    return exchange.SendCommandFrame(device, c.code, c.p);
}

}  // namespace zef
