#pragma once
// For every parameter command (codes in protocol/commands.h), the frame
// parameters p1..p8 built from the model's bytes.
//
// Every builder reads the records only (never EditorValues) so that what is
// sent is exactly what the model holds. Parameters a command leaves unused
// are 0. "ch" is a ChannelCode; o = ch - 2 for outputs. PI n / DS n are
// PresetImage / DeviceSettings offsets.
//
//  code  p1        p2    p3  p4      p5        p6         p7         p8
//   1    ch                                                          gain code
//   2    ch (out)                    bypass    PI 461+3o  PI 462+3o  PI 463+3o
//   3/4  ch                                                          1 = muted / inverted
//   5    channel   band  blk byte 0  byte 4    byte 1     byte 2     byte 3
//   6    ch                                                          1 = bypassed
//   7    ch (out)  PI 467+7o .. PI 473+7o in p2..p8
//   8    ch (out)                                         knee 483+o mode 481+o
//   9    ch (out)                    PI 485+4o PI 486+4o  PI 487+4o  PI 488+4o
//  10    ch (in)                     PI 20+4ch PI 21+4ch  PI 23+4ch  PI 22+4ch
//  11    ch (out)                    0 HP/1 LP slope      freq high  freq low
//  12                                                                DS 205
//  13    0                                     DS 208     DS 209     DS 210
//  13    1                   PI 581  PI 580    PI 497     PI 498     PI 499
//  14/16/18/19                                                       DS 206/214/213/211
//  17    ch (out)                                         PI 100+o   PI 102+o
//  23/24 preset slot
//  28    ch (out)                              PI 455+3o  PI 456+3o  PI 457+3o
//  30    ch (out)                                                    1 = FIR bypassed
//  31    ch        bit ch of PI 28                                   PI 116
//  32    ch (out)                                                    DS 215+o
//  33    DS 217

#include <cstdint>
#include <optional>
#include <vector>

#include "model/device_model.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "model/records.h"
#include "model/slots.h"

namespace zef {

// Command 13 selectors.
inline constexpr std::uint8_t kSelectorGenerator = 0;
inline constexpr std::uint8_t kSelectorMasking = 1;

// Command 11, p5.
enum class CrossoverSide : std::uint8_t { HighPass = 0, LowPass = 1 };

// One parameter command: code and p1..p8.
struct Command {
    std::uint8_t code = 0;
    CommandParams p{};
    bool operator==(const Command&) const = default;
};

bool IsInputChannel(ChannelCode ch);
bool IsOutputChannel(ChannelCode ch);
// Output index 0..1 of an output channel; any other channel is a programming error.
int OutputIndex(ChannelCode ch);
// Input index 0..1 of an input channel; any other channel is a programming error.
int InputIndex(ChannelCode ch);
// The other channel of the pair (L <-> R, 1 <-> 2).
ChannelCode PartnerChannel(ChannelCode ch);
// Response group of a channel: 0 L, 1 R, 2 output 1, 3 output 2.
inline int GroupOf(ChannelCode ch) { return static_cast<int>(ch); }
// Crossover filter number 0..3 of an output side: 2o + side.
int CrossoverFilter(ChannelCode output, CrossoverSide side);

Command GainCommand(const DeviceModel& d, ChannelCode ch);
Command DelayCommand(const DeviceModel& d, ChannelCode output);
Command MuteCommand(const DeviceModel& d, ChannelCode ch);
Command PolarityCommand(const DeviceModel& d, ChannelCode ch);
Command EqBypassCommand(const DeviceModel& d, ChannelCode ch);
// Command 5 for the band record at `where` (its p1..p3 come from the location).
Command EqBandCommand(const PresetImage& preset, const BandLocation& where);
// Command 5 for an editor band index; nullopt when the band has no record or
// lives in input block A, which no command 5 carries.
std::optional<Command> EqBandCommand(const DeviceModel& d, int bandIndex);
// Band `band` 0..2 of input block B, whatever the input currently shows.
BandLocation InputBlockBLocation(int input, int band);
Command CompressorCommand(const DeviceModel& d, ChannelCode output);
Command CompressorAutoCommand(const DeviceModel& d, ChannelCode output);
Command LimiterCommand(const DeviceModel& d, ChannelCode output);
Command NoiseGateCommand(const DeviceModel& d, ChannelCode input);
Command CrossoverCommand(const DeviceModel& d, ChannelCode output, CrossoverSide side);
Command NoiseOptionCommand(const DeviceModel& d);
Command GeneratorCommand(const DeviceModel& d);
Command MaskingCommand(const DeviceModel& d);
Command StandbyCommand(const DeviceModel& d);
Command VoltageCommand(const DeviceModel& d);
Command RoutingCommand(const DeviceModel& d, ChannelCode output);
Command BridgeCommand(const DeviceModel& d);
Command SleepModeCommand(const DeviceModel& d);
Command DynamicFilterCommand(const DeviceModel& d, ChannelCode output);
Command FirBypassCommand(const DeviceModel& d, ChannelCode output);
Command ChannelModeCommand(const DeviceModel& d, ChannelCode ch);
Command ImpedanceCommand(const DeviceModel& d, ChannelCode output);
Command RemoteEnableCommand(const DeviceModel& d);
// Commands 23 and 24: p1 = preset slot 0..2.
Command StorePresetCommand(int presetSlot);
Command RecallPresetCommand(int presetSlot);

// What one parameter write puts on the link, read from the model's records
// when it is built:
//   Command        one parameter command
//   SettingsBytes  DS [offset, offset + count) as one memory write at the
//                  same device address (delay unit 207, link mask 212)
//   PresetBytes    PI [offset, offset + count) in device order as one memory
//                  write, then command 25 so that the device takes them (input
//                  band block A, which no command 5 carries)
//   Fir            the FIR of output `offset` (0 or 1) with the FIR write
//                  sequence: name, coefficients, tap counts, command 29
struct Transmission {
    enum class Kind : std::uint8_t { Command, SettingsBytes, PresetBytes, Fir };
    Kind kind = Kind::Command;
    Command command{};
    std::uint16_t offset = 0;
    std::uint16_t count = 0;

    static Transmission Of(const Command& c) { return {Kind::Command, c, 0, 0}; }
    static Transmission Settings(std::size_t offset, std::size_t count) {
        return {Kind::SettingsBytes, {}, static_cast<std::uint16_t>(offset), static_cast<std::uint16_t>(count)};
    }
    static Transmission Preset(std::size_t offset, std::size_t count) {
        return {Kind::PresetBytes, {}, static_cast<std::uint16_t>(offset), static_cast<std::uint16_t>(count)};
    }
    static Transmission FirOf(int output) { return {Kind::Fir, {}, static_cast<std::uint16_t>(output), 0}; }
    bool operator==(const Transmission&) const = default;
};
using Transmissions = std::vector<Transmission>;

// Input band block A of both inputs (PI 30..69) as one write.
Transmission InputBlockATransmission();

}  // namespace zef
