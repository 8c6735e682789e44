#pragma once
// The accessors and sends the parameter table (parameters.cpp) is made of.
// Generic accessors read the row's RecordField; the others know their
// records (EditorValues-backed fields, composite codes).

#include "model/parameters.h"

namespace zef::access {

// ---- Generic: the row's RecordField ----

// The code of the row's slider mapping (row.control).
extern const FieldAccess kCoded;
// The limiter threshold: coded, then raised to the output's cap (bridge mode
// and load impedance); the model holds the code actually sent.
extern const FieldAccess kLimiterThreshold;
// A 1/0 byte, or one bit of a byte.
extern const FieldAccess kFlag;
// The byte as a whole number, clamped to the row's range.
extern const FieldAccess kWhole;

// ---- Fields with records of their own ----

extern const FieldAccess kGain;      // EditorValues gain, PI 16+ch / 493+o
extern const FieldAccess kMute;      // EditorValues flag, the pair's mask byte
extern const FieldAccess kPolarity;
extern const FieldAccess kEqBypass;
extern const FieldAccess kBlockB;    // bit ch of PI 28; the input's four bands show the other block
extern const FieldAccess kBandType;  // EditorValues band, its BandRecord
extern const FieldAccess kBandFreq;
extern const FieldAccess kBandGain;
extern const FieldAccess kBandQ;
extern const FieldAccess kBandBypass;
extern const FieldAccess kHpFreq;    // EditorValues crossover, its CrossoverRecord
extern const FieldAccess kHpSlope;
extern const FieldAccess kLpFreq;
extern const FieldAccess kLpSlope;
extern const FieldAccess kDelay;     // ms as the coarse and fine counters, PI 461..463+3o
extern const FieldAccess kRouteL;    // the routing byte pair, PI 100+o, 102+o
extern const FieldAccess kRouteR;
extern const FieldAccess kNoiseOption;  // 0/1 keep DS 205 and switch the generator off; 2 switches it on
extern const FieldAccess kLinkInputs;   // the slot's linked flag and DS 212
extern const FieldAccess kLinkOutputs;

// ---- Sends ----

template <Command (*Build)(const DeviceModel&, ChannelCode)>
Transmissions SendChannel(const DeviceModel& d, const ParamTarget& t) {
    return {Transmission::Of(Build(d, CodeOf(t.channel)))};
}

template <Command (*Build)(const DeviceModel&)>
Transmissions SendDevice(const DeviceModel& d, const ParamTarget&) {
    return {Transmission::Of(Build(d))};
}

template <std::size_t SettingsOffset>
Transmissions SendSettingsByte(const DeviceModel&, const ParamTarget&) {
    return {Transmission::Settings(SettingsOffset, 1)};
}

// Command 5 for the band, or block A's write; nothing for a band with no record.
Transmissions SendBand(const DeviceModel& d, const ParamTarget& t);
Transmissions SendHighPass(const DeviceModel& d, const ParamTarget& t);
Transmissions SendLowPass(const DeviceModel& d, const ParamTarget& t);
// Command 12, then command 13 selector 0.
Transmissions SendNoiseOption(const DeviceModel& d, const ParamTarget& t);
// Command 31 for the device's selected output.
Transmissions SendEqMode(const DeviceModel& d, const ParamTarget& t);
Transmissions SendLinkMask(const DeviceModel& d, const ParamTarget& t);

}  // namespace zef::access
