#pragma once
// How a channel's settings reach the other channel of its pair (input L <->
// input R, output 1 <-> output 2): the rules of linking and of the channel
// copy. A rule copies its group's bytes, with the EditorValues that mirror
// them, from one channel to the other and names what is then sent for the
// receiving channel:
//
//   group           bytes copied                                sent
//   dynamic filter  PI 455..457+3o                              28
//   noise gate      PI 20..23+4ch                               10
//   compressor      PI 467..473+7o, 481+o, 483+o                7, then 8
//   limiter         PI 485..488+4o                              9
//   crossover       high-pass and low-pass records              11, 11
//   delay           PI 461..463+3o, bit o of PI 582             2
//   polarity, mute  the flag and the pair's mask byte           4 / 3
//   gain            gain code                                   1
//   channel mode    bit ch of PI 28                             31
//   EQ band         one band's record and values                5 (input block A: its write)
//   EQ bypass       the flag and the pair's mask byte           6
//   FIR bypass      bit o of PI 418                             30
//   load impedance  DS 215+o                                    32
//   bands (copy)    every band record of the channel            5 each (input block A: its write)
//   FIR (copy)      name, tap count and taps                    the FIR write sequence
//
// While a pair is linked (the slot's inputsLinked / outputsLinked, mirrored
// in DS 212), the parameter writer applies the rule of an edited parameter's
// description after the edit. The channel copy applies a fixed list of
// rules to every group of one input or one output.

#include <span>

#include "model/parameters.h"

namespace zef {

struct LinkRule {
    LinkGroup group;
    // Copies the group from one channel target to the other (same band).
    void (*copy)(DeviceModel&, const ParamTarget& from, const ParamTarget& to);
    // What reaches the device for the receiving channel, from the records.
    Transmissions (*send)(const DeviceModel&, const ParamTarget& to);
    // The receiving channel's response that changes.
    ResponseEffect response;
};

// The rule of a group; LinkGroup::None has none (nullptr).
const LinkRule* LinkRuleOf(LinkGroup group);

// The other channel of the pair, same band. Only input and output targets have one.
ParamTarget PartnerOf(const ParamTarget& target);
// Is the pair a channel belongs to linked on the device? "SM" and device
// parameters have no pair.
bool PairLinked(const DeviceModel& d, ParamChannel channel);

// The groups the copy of one input onto the other (outputs = false), or of
// one output onto the other, copies, in the order they are sent:
//   inputs:  noise gate, channel mode, bands (both blocks), EQ bypass, gain, mute
//   outputs: EQ bypass, polarity, compressor, limiter, the 30 bands, FIR,
//            crossovers, delay
// An output copy leaves the destination's gain, mute and routing as they are.
std::span<const LinkGroup> ChannelCopyGroups(bool outputs);

}  // namespace zef
