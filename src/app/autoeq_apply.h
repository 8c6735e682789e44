#pragma once
// Applying an automatic-equaliser result to an output's 30-band equaliser
// through the parameter senders (store in the model, send command 5 per band).
// Filter k replaces the output's band k (editor band 8 + k for output 1,
// 38 + k for output 2). Filters outside minBand..maxBand are not used: their
// bands become flat Bells (0 dB, Q 1) at the band's frequency. No band is
// left bypassed.

#include <array>

#include "measure/autoeq_engine.h"
#include "device/senders.h"
#include "model/slots.h"

namespace zef::measure {

using AutoEqBandEditList = std::array<EqBandEdit, kAnalyserBandCount>;

// The band settings of `result` (gain = code / 2 - 15 dB, Q from the EQ Q
// table, the type code as it is).
AutoEqBandEditList AutoEqBandEdits(const AutoEqResult& result, int minBand, int maxBand);

// The editor band index of band `k` (0..29) of `output` (kOutput1/kOutput2).
int OutputBandIndex(ChannelCode output, int k);

// Sends the 30 bands to the current device of `senders`, in band order; the
// first failed send ends it and is returned (the bands before it are sent,
// the model holds them all up to that band).
Status ApplyAutoEq(Senders& senders, ChannelCode output, const AutoEqResult& result, int minBand,
                   int maxBand);

}  // namespace zef::measure
