#pragma once
// Keeps EditorValues (engineering units) and the device records of one slot
// in step.
//
// Load*: records -> EditorValues, after a read, a recalled preset or a loaded
// file. Codes outside their range are clamped to it; the records themselves
// are never changed by a load.
//
// Store*: EditorValues -> records, the first half of every sender. The value
// is converted to its code (snapped to the allowed grid or table, clamped to
// the range) and written; EditorValues is then set to exactly what the code
// stands for, so the editors show what the device holds.
//
// Channel-indexed EditorValues fields use the ChannelCode 0..3: channelGainDb,
// mute, polarity and eqBypass. The other slots (channelGainDb/mute/polarity
// 4..6, eqBypass 4) belong to the editor and are not touched here.

#include <optional>

#include "model/device_model.h"
#include "model/records.h"
#include "model/slots.h"

namespace zef {

// Band index 0..83. An input band with no record (the fourth band while the
// input shows block B) is left unchanged by a load and ignored by a store.
void LoadBandValues(DeviceModel& device, int bandIndex);
// Crossover filter 0..3.
void LoadCrossoverValues(DeviceModel& device, int n);
// Gains, mutes, polarities and EQ bypass flags of the four channels.
void LoadChannelValues(DeviceModel& device);
// Everything above.
void LoadEditorValues(DeviceModel& device);
// A model whose records were filled as a whole (a device read, a project or
// the saved list loaded): EditorValues and the linked flags of both pairs
// follow the records.
void FollowRecords(DeviceModel& device);

// Writes the band's record and returns where it lives (nullopt: no record).
std::optional<BandLocation> StoreBand(DeviceModel& device, int bandIndex);
void StoreCrossover(DeviceModel& device, int n);
void StoreGain(DeviceModel& device, ChannelCode channel);
// The pair's mask byte is rebuilt from both channels: 2*second + first.
void StoreMute(DeviceModel& device, ChannelCode channel);
void StorePolarity(DeviceModel& device, ChannelCode channel);
void StoreEqBypass(DeviceModel& device, ChannelCode channel);

}  // namespace zef
