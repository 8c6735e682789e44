#pragma once
// Every editable device parameter, described once: its name, the channels
// that have it, its kind, unit, range and step, the slider mapping, how its
// user value is read from a device's records, which channel group linking
// repeats it on, and which response it changes. The channel editor, the
// output editor and zefctl all bind to these descriptions; the device layer
// (device/parameter_writer.h) sets a value through the editor's own sender.
//
// Names are CHANNEL.PARAM with CHANNEL one of inL, inR, out1, out2, sm,
// device, and PARAM a path such as gain, hp.freq or eq.5.gain (bands count
// from 1; '#' stands for the band number in a path).

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/device_model.h"
#include "model/encodings.h"

namespace zef {

enum class ParamChannel { InL, InR, Out1, Out2, Sm, Device };
inline constexpr int kParamChannelCount = 6;
std::string_view ParamChannelName(ParamChannel channel);
// The ChannelCode of InL..Out2; any other channel is a programming error.
ChannelCode CodeOf(ParamChannel channel);

enum class ValueKind { Number, Bool, Choice };

// Which parameter a description is: the device layer's writer dispatches on it.
enum class ParamId {
    Gain, Mute, Polarity, EqBypass, InputBlockB,
    BandType, BandFreq, BandGain, BandQ, BandBypass,
    GateEnable, GateThreshold, GateTimeA, GateTimeB,
    Delay, DelayBypass, HpFreq, HpSlope, LpFreq, LpSlope, RouteL, RouteR,
    CompEnable, CompLevel, CompRatio, CompValue, CompTimeA, CompTimeB, CompGain, CompAuto, CompKnee,
    LimEnable, LimThreshold, LimTimeA, LimTimeB,
    DynEnable, DynValue1, DynValue2, FirBypass, Impedance,
    MaskEnable, MaskLevel, MaskType,
    Standby, Sleep, Bridge, Voltage, Remote, NoiseOption, NoiseLevel, DelayUnit, EqMode, LinkInputs, LinkOutputs,
};

// The channel group linking repeats an edit on (device/linking.h).
enum class LinkGroup {
    None, Gain, Mute, Polarity, EqBypass, ChannelMode, EqBand, NoiseGate, Delay, Crossover, Compressor,
    Limiter, DynamicFilter, FirBypass, Impedance,
};

// The response graph an edit changes.
enum class ResponseEffect { None, Band, Crossover, GroupSum };

struct ParamTarget {
    ParamChannel channel = ParamChannel::Device;
    int band = 0;  // 1-based for eq.N parameters, else 0
};

struct ParameterDescription {
    ParamId id;
    std::string_view path;  // "gain", "eq.#.gain"
    unsigned channels;      // bit (1 << ParamChannel)
    ValueKind kind;
    std::string_view unit;
    double min = 0;
    double max = 1;
    std::optional<Control> control;             // the slider mapping, when the parameter has a slider
    std::span<const std::string_view> choices;  // names of 0, 1, ... for Bool and Choice
    LinkGroup link = LinkGroup::None;
    ResponseEffect response = ResponseEffect::None;
    // The user value as the device's records (and EditorValues) hold it.
    double (*get)(const DeviceModel&, const ParamTarget&);

    bool banded() const { return path.find('#') != std::string_view::npos; }
};

// Every description, in the order zefctl lists them.
std::span<const ParameterDescription> ParameterSpecs();
const ParameterDescription& DescriptionOf(ParamId id);

// Bands of a channel's eq.N parameters: 4 per input, 30 per output, 16 for sm.
int BandCount(ParamChannel channel);
// Editor band index 0..83 of a target's band 1..N.
int BandIndexOf(const ParamTarget& target);

// One concrete parameter: a description applied to a channel (and band).
struct Parameter {
    const ParameterDescription* description = nullptr;
    ParamTarget target;
    std::string name;  // "out1.eq.5.gain"
};

// Every concrete parameter, channel by channel, in table order.
std::vector<Parameter> AllParameters();
// nullopt for an unknown name. Channels are case-sensitive, paths are not.
std::optional<Parameter> FindParameter(std::string_view name);
// The parameter of a description on a channel (and band).
Parameter ParameterOf(ParamId id, ParamTarget target);

// The range as text: "-60..12 dB", "on|off", "Bell|HiShQ|...".
std::string RangeText(const ParameterDescription& description);

// Parses a user value: numbers ("-3", "+2.5"), booleans (on/off, true/false,
// yes/no, 1/0) and choice names (any case) or indices. nullopt when the text
// is no value of that kind or lies outside the range.
std::optional<double> ParseValue(const ParameterDescription& description, std::string_view text);

// The value as text: numbers shortest round-trip, booleans on/off, choices by name.
std::string ValueText(const ParameterDescription& description, double value);

double GetValue(const DeviceModel& device, const Parameter& p);

}  // namespace zef
