#pragma once
// Storing an imported or designed FIR into one of the two FIR slots of a
// device (slot s belongs to output s + 1, ChannelCode s + 2).
//
// Write sequence, every step a WriteMemory (command 21) unless stated:
//   1. name: 16 characters at 240 + 419 + 16s (659 / 675); the PresetImage
//      keeps them at 419 + s + 2i
//   2. coefficients: 24 x 48 bytes at 0x1000 + 0x480s + 48k, k ascending
//   3. tap counts: PresetImage 451..454 (high s0, high s1, low s0, low s1),
//      all 4 bytes at 691
//   4. command 29 (activate written FIR), p1 = s + 2, the rest 0
// The model (name, tap words, tap count) takes the FIR only when every step
// succeeded; a failed exchange ends the sequence, the model keeps the FIR it
// had and the device keeps what was written before the failure.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dsp/responses.h"
#include "model/device_model.h"
#include "device/exchange.h"
#include "device/memory_transfer.h"
#include "device/parameter_writer.h"

namespace zef::fir {

inline constexpr int kStoreProgressMax = 28;  // 0 at the start .. 28 when done


// A FIR ready to be stored: its name, tap count and device image.
struct StoredFir {
    std::string name;            // up to 16 characters; stored blank padded
    std::uint16_t tapCount = 0;  // 1..384
    FirImage image{};            // taps from tapCount on are zero
};

// The FIR of a list of coefficients (QuantiseFir) under a name.
StoredFir MakeStoredFir(const std::string& name, const std::vector<double>& coefficients);

// Called with the progress value 0..kStoreProgressMax as the store advances.
using StoreProgress = std::function<void(int)>;

// Stores `fir` into FIR slot `firSlot` (0 or 1) of device `device`: runs the
// write sequence above and, when it succeeded, updates the model (FIR name,
// tap words, tap count) and recomputes that output's FIR response when
// `responses` is given.
// True when every exchange succeeded.
bool StoreExternalFIR(Exchange& exchange, Model& model, DeviceSlot device, int firSlot, const StoredFir& fir,
                      const StoreProgress& progress = {}, dsp::ResponseStore* responses = nullptr);

// After a store to `firSlot`: when the device's outputs are linked, stores the
// same FIR into the other slot as well (model, response arrays when
// `responses` is given, device). Returns the slot that was updated, or -1
// when the outputs are not linked; `ok` receives false when a write failed.
int LinkUpdateExternalFIR(Exchange& exchange, Model& model, DeviceSlot device, int firSlot,
                          const StoredFir& fir, bool& ok, const StoreProgress& progress = {},
                          dsp::ResponseStore* responses = nullptr);

// The FIR writer the output copy uses: StoreExternalFIR of the FIR the
// model holds for the output (its stored name as it stands, tap count and
// taps) on `exchange` and `model` (and `responses` when given), without progress.
FirWriter MakeFirWriter(Exchange& exchange, Model& model, dsp::ResponseStore* responses = nullptr);

}  // namespace zef::fir
