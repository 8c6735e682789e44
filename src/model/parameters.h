#pragma once
// Every editable device parameter, described once. A description carries
// everything about its parameter:
//   - its name, the channels that have it, its kind, unit and range, the
//     slider mapping and the names of its choices;
//   - where its code lives in the records and how a value is coded there
//     (`access`: get reads the user value, set snaps a value the way the
//     device codes it and stores it, EditorValues included);
//   - what reaches the device after a set (`send`, built from the records);
//   - the incremental update's group that holds its bytes (`update`);
//   - how a linked partner follows (`link`, model/link_rules.h);
//   - which response it changes (`response`).
// The channel editor, the output editor, zefctl and the device layer's
// writer (device/parameter_writer.h) all bind to these rows: adding a
// parameter is one row here and one line where a page lays out its control.
//
// Names are CHANNEL.PARAM with CHANNEL one of inL, inR, out1, out2, sm,
// device, and PARAM a path such as gain, hp.freq or eq.5.gain (bands count
// from 1; '#' stands for the band number in a path).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/commands.h"
#include "model/device_model.h"
#include "model/encodings.h"
#include "model/update_groups.h"

namespace zef {

enum class ParamChannel { InL, InR, Out1, Out2, Sm, Device };
inline constexpr int kParamChannelCount = 6;
std::string_view ParamChannelName(ParamChannel channel);
// The ChannelCode of InL..Out2; any other channel is a programming error.
ChannelCode CodeOf(ParamChannel channel);
// The parameter channel of a ChannelCode 0..3.
ParamChannel ChannelOfCode(ChannelCode channel);

enum class ValueKind { Number, Bool, Choice };

// Which parameter a description is.
enum class ParamId {
    Gain, Mute, Polarity, EqBypass, InputBlockB,
    BandType, BandFreq, BandGain, BandQ, BandBypass,
    GateEnable, GateThreshold, GateTimeA, GateTimeB,
    Delay, DelayBypass, HpFreq, HpSlope, LpFreq, LpSlope, RouteL, RouteR,
    CompEnable, CompLevel, CompRatio, CompValue, CompTimeA, CompTimeB, CompGain, CompAuto, CompKnee,
    LimEnable, LimThreshold, LimTimeA, LimTimeB,
    DynEnable, DynValue1, DynValue2, FirBypass, Impedance,
    MaskEnable, MaskLevel, MaskType, MaskInL, MaskInR, MaskOut1, MaskOut2,
    Standby, Sleep, Bridge, Voltage, Remote, NoiseOption, NoiseLevel, DelayUnit, EqMode, LinkInputs, LinkOutputs,
};

// The channel group a linked partner copies (model/link_rules.h).
enum class LinkGroup {
    None, Gain, Mute, Polarity, EqBypass, ChannelMode, EqBand, NoiseGate, Delay, Crossover, Compressor,
    Limiter, DynamicFilter, FirBypass, Impedance,
    // Used by the channel copy only: every band of a channel (both blocks of
    // an input), an output's FIR.
    Bands, Fir,
};

// The response an edit changes: one band, the high-pass or low-pass of an
// output or both, a group's sum, every band of a group and its sum (an input
// switching band blocks, a copy), both outputs' sums (the output EQ mode), an
// output's FIR.
enum class ResponseEffect { None, Band, HighPass, LowPass, Crossovers, GroupSum, GroupBands, OutputSums, Fir };

struct ParamTarget {
    ParamChannel channel = ParamChannel::Device;
    int band = 0;  // 1-based for eq.N parameters, else 0
    bool operator==(const ParamTarget&) const = default;
};

struct ParameterDescription;

// Where a parameter's code lives, for the generic accessors (kCoded, kFlag,
// kWhole). Fields held elsewhere (EditorValues-backed and composite ones)
// leave it empty and have accessors of their own.
struct RecordField {
    enum class Record : std::uint8_t { None, Settings, Preset };
    static constexpr int kChannelBit = -2;  // the bit is the channel's index
    static constexpr int kWholeByte = -1;

    Record record = Record::None;
    std::size_t (*base)(int index) = nullptr;  // the channel's group offset; null: a fixed offset
    std::size_t offset = 0;                    // added to base(index), or the fixed offset
    int bit = kWholeByte;                      // 0..7, kChannelBit or kWholeByte
};

// Reads and writes a parameter's user value in a device's records.
struct FieldAccess {
    // The user value as the records (and EditorValues) hold it.
    double (*get)(const ParameterDescription&, const DeviceModel&, const ParamTarget&);
    // Stores a value inside min..max: snapped as the device codes it, written
    // to the records, EditorValues set to exactly what the code stands for.
    void (*set)(const ParameterDescription&, DeviceModel&, const ParamTarget&, double);
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
    RecordField field;
    const FieldAccess* access;
    Transmissions (*send)(const DeviceModel&, const ParamTarget&);
    ParamGroup update;
    LinkGroup link = LinkGroup::None;
    ResponseEffect response = ResponseEffect::None;

    bool banded() const { return path.find('#') != std::string_view::npos; }
};

// Every description, in the order zefctl lists them.
std::span<const ParameterDescription> ParameterDescriptions();
const ParameterDescription& DescriptionOf(ParamId id);

// Bands of a channel's eq.N parameters: 4 per input, 30 per output, 16 for sm.
int BandCount(ParamChannel channel);
// Editor band index 0..83 of a target's band 1..N.
int BandIndexOf(const ParamTarget& target);
// The target of an editor band index 0..83.
ParamTarget BandTarget(int bandIndex);
// Input or output index 0..1 of a channel target (InL/InR, Out1/Out2).
int ChannelIndex(const ParamTarget& target);

// One concrete parameter: a description applied to a channel (and band).
struct Parameter {
    const ParameterDescription* description = nullptr;
    ParamTarget target;
    std::string name;  // "out1.eq.5.gain"
};

// A value for a parameter, as a batch of edits carries it.
struct ParameterValue {
    Parameter parameter;
    double value = 0;
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

// ---- EQ bands as a whole ----

// The five controls of one EQ band, as EditorValues hold them.
struct EqBandValues {
    std::int16_t type = 0;      // 0 "Bell" .. 7 "AP II"
    double frequencyHz = 1000;  // rounded half to even
    double gainDb = 0;          // snapped to 0.5 dB, clamped to +-15
    double q = 1;               // snapped to the Q table
    bool bypassed = false;
};

EqBandValues BandValues(const DeviceModel& d, int bandIndex);
// The five parameters of a band carrying `values`: one batch, one command.
std::vector<ParameterValue> BandEdit(int bandIndex, const EqBandValues& values);

}  // namespace zef
