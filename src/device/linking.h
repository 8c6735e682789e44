#pragma once
// Linked channel pairs and the channel copy.
//
// Linking: while a pair is linked (the slot's inputsLinked / outputsLinked,
// mirrored in DS 212), an edit of one channel is repeated on its partner
// (L <-> R, output 1 <-> output 2). The editor calls the routine of the
// group after the edited channel was stored and sent; the routine returns
// at once when the pair is not linked, else copies the group's bytes (and
// EditorValues) to the partner and sends the partner's command:
//
//   dynamic filter  PI 455..457+3o                       28
//   noise gate      PI 20..23+4ch                        10
//   compressor      PI 467..473+7o, 481+o, 483+o         7, then 8
//   limiter         PI 485..488+4o                       9
//   crossover       high-pass and low-pass records       11, 11
//   delay           PI 461..463+3o, bit o of PI 582      2
//   polarity, mute  partner flag and the mask byte       4 / 3
//   gain            gain code                            1
//   channel mode    bit of PI 28                         31
//   EQ band         the band record and its values       5 (input block A: SendInputBlockA)
//   EQ bypass       partner flag and the mask byte       6
//   FIR bypass      bit of PI 418                        30
//   load impedance  DS 215+o                             32
//
// Copy: every group of one input to the other input, or of one output to
// the other, in the model first and then on the device:
//   outputs: EQ bypass 6, polarity 4, compressor 7 and 8, limiter 9, the 30
//            EQ bands 5, the FIR (name, coefficients, tap counts, 29),
//            crossovers 11 and 11, delay 2
//   inputs:  noise gate 10, channel mode 31, EQ bands (both blocks; block B
//            sent with 5, block A as SendInputBlockA), EQ bypass 6, gain 1, mute 3
// A failed send stops nothing; the model keeps the copied values.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "device/memory_transfer.h"
#include "device/senders.h"

namespace zef {

// Writes a FIR into an output (0..1) of a device with the FIR store's write
// sequence, updating the model's name, taps and tap count first. `name` is
// the 16-character stored name. True when every exchange succeeded.
using FirWriter = std::function<bool(DeviceSlot device, int output, const std::string& name,
                                     std::uint16_t tapCount, const FirImage& image)>;

class Linking {
public:
    Linking(Senders& senders, FirWriter firWriter);

    Senders& senders() { return senders_; }

    // Is the pair of `ch` linked on the current device?
    bool PairLinked(ChannelCode ch) const;

    // Propagation, one routine per group; each takes the edited channel and
    // returns the partner's send status (0 when the pair is not linked).
    Status LinkDynamicFilter(ChannelCode edited);
    Status LinkNoiseGate(ChannelCode edited);
    Status LinkCompressor(ChannelCode edited);
    Status LinkLimiter(ChannelCode edited);
    Status LinkCrossover(ChannelCode edited);
    Status LinkDelay(ChannelCode edited);
    Status LinkPolarity(ChannelCode edited);
    Status LinkMute(ChannelCode edited);
    Status LinkGain(ChannelCode edited);
    Status LinkChannelMode(ChannelCode edited);
    // Editor band index 0..83; the partner is the same band of the other
    // channel ("SM" bands have none).
    Status LinkEqBand(int bandIndex);
    Status LinkEqBypass(ChannelCode edited);
    Status LinkFirBypass(ChannelCode edited);
    Status LinkImpedance(ChannelCode edited);

    // Both channels inputs or both outputs, and different.
    Status Copy(ChannelCode source, ChannelCode destination);

private:
    Status CopyOutput(ChannelCode source, ChannelCode destination);
    Status CopyInput(ChannelCode source, ChannelCode destination);

    Senders& senders_;
    FirWriter firWriter_;
};

// The partner of an editor band index, or -1 for the "SM" bands.
int PartnerBand(int bandIndex);

}  // namespace zef
