#pragma once
// The device parameters zefctl knows by name, from one table.
//
// A name is CHANNEL.PARAM with CHANNEL one of inL, inR, out1, out2, sm,
// device, and PARAM a path such as gain, hp.freq or eq.5.gain (bands count
// from 1). Every row of the table says which channels have the parameter,
// its unit and range, how to read its user value from the model, and how to
// set it through the editor's own senders — so a value is snapped exactly as
// the editor snaps a typed value, stored in the model and sent as one
// command.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/device_model.h"
#include "model/senders.h"

namespace zefctl {

enum class Channel { InL, InR, Out1, Out2, Sm, Device };
inline constexpr int kChannelCount = 6;
std::string_view ChannelName(Channel channel);

enum class ValueKind { Number, Bool, Choice };

struct Target {
    Channel channel = Channel::Device;
    int band = 0;  // 1-based for eq.N parameters, else 0
};

struct ParamDef {
    std::string_view path;  // "gain", "eq.#.gain" ('#' stands for the band number)
    unsigned channels;      // bit (1 << Channel)
    ValueKind kind;
    std::string_view unit;
    double min = 0;
    double max = 1;
    std::span<const std::string_view> choices;  // names of 0, 1, ... for Choice
    double (*get)(const zef::DeviceModel&, const Target&);
    zef::Status (*set)(zef::Senders&, const Target&, double);
};

// Every parameter definition.
std::span<const ParamDef> ParameterTable();

// Bands of a channel's eq.N parameters: 4 per input, 30 per output, 16 for sm.
int BandCount(Channel channel);

// One concrete parameter: a definition applied to a channel (and band).
struct Parameter {
    const ParamDef* def = nullptr;
    Target target;
    std::string name;  // "out1.eq.5.gain"
};

// Every concrete parameter name, in table order, channel by channel.
std::vector<Parameter> AllParameters();
// nullopt for an unknown name.
std::optional<Parameter> FindParameter(std::string_view name);

// The range as text: "-60..12 dB", "on|off", "Bell|HiShQ|...".
std::string RangeText(const ParamDef& def);

// Parses a user value for the parameter: numbers ("-3", "2.5"), booleans
// (on/off, true/false, yes/no, 1/0) and choice names (any case) or indices.
// nullopt when the text is no value of that kind or lies outside the range.
std::optional<double> ParseValue(const ParamDef& def, std::string_view text);

// The value as text: numbers shortest round-trip, booleans on/off, choices by name.
std::string ValueText(const ParamDef& def, double value);

double GetValue(const zef::DeviceModel& device, const Parameter& p);
// Stores and sends through `senders` (which address Model::currentDevice()).
zef::Status SetValue(zef::Senders& senders, const Parameter& p, double value);

}  // namespace zefctl
