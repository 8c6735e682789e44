#pragma once
// Applying an automatic-equaliser result to an output's 30-band equaliser
// through the parameter writer (store in the model, send command 5 per band).
// Filter k replaces the output's band k (editor band 8 + k for output 1,
// 38 + k for output 2). Filters outside minBand..maxBand are not used: their
// bands become flat Bells (0 dB, Q 1) at the band's frequency. No band is
// left bypassed.

#include <array>

#include "measure/autoeq_engine.h"
#include "device/parameter_writer.h"
#include "model/slots.h"

namespace zef::measure {

using AutoEqBandEditList = std::array<EqBandValues, kAnalyserBandCount>;

// The band settings of `result` (gain = code / 2 - 15 dB, Q from the EQ Q
// table, the type code as it is).
AutoEqBandEditList AutoEqBandEdits(const AutoEqResult& result, int minBand, int maxBand);

// The editor band index of band `k` (0..29) of `output` (kOutput1/kOutput2).
int OutputBandIndex(ChannelCode output, int k);

// Stores the 30 bands in the device's model, sends them as one batch, in
// band order, and confirms them (ParameterWriter::Confirm); the first failed
// send, or -1 when the device does not hold the bands, is returned. All or
// nothing: on a failure the model's bands are set back to what they were and
// sent again, so neither the model nor the device keeps a partial set.
Status ApplyAutoEq(ParameterWriter& writer, DeviceSlot device, ChannelCode output, const AutoEqResult& result,
                   int minBand, int maxBand);

}  // namespace zef::measure
