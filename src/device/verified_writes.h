#pragma once
// Writes that are checked before and after: the model is validated
// (model/validation.h) before any byte is sent, and what the device holds
// afterwards is read back (device/readback.h) and compared with what was
// written; bytes that differ are written once more and read back again. A
// write is a success only when the device answered every step and reads
// back exactly the model's bytes.
//
// Read-back reads the same blocks the reader uses (settings 2 x 120, preset
// 8 x 78 bytes at 240, FIRs 6 x 192 bytes per output), only those holding
// written bytes, into scratch buffers: the model is never changed by a
// verification. A device the exchanges do not reach (off-line, its model
// edited alone; sends suppressed) sends and reads nothing: the checks of
// the model still refuse, and what was stored in the model is Done.

#include <cstddef>
#include <optional>
#include <string>

#include "device/device_reader.h"
#include "device/exchange.h"
#include "device/fir_store.h"
#include "device/readback.h"
#include "model/device_model.h"

namespace zef {

// Connecting in load mode and zefctl's project load: validates settings,
// preset and both FIRs, writes them (DeviceReader::WriteWholeDevice) and
// reads back DS 205..217, the preset and both FIRs.
WriteReport LoadWholeDevice(DeviceReader& reader, Exchange& exchange, const Model& model, DeviceSlot slot);

// A preset file's contents already in the slot's live preset and FIRs:
// validates them, writes them (WritePresetToDevice) and reads them back.
WriteReport LoadPresetIntoDevice(Exchange& exchange, const Model& model, DeviceSlot slot);

// Imports a FIR into FIR slot `firSlot` (and the linked partner, when the
// outputs are linked): validates its tap count, stores it
// (fir::StoreExternalFIR, fir::LinkUpdateExternalFIR) and reads back the
// coefficients, the FIR names and the tap counts. `partner` receives the
// linked slot that was also written, or -1.
WriteReport StoreFirVerified(Exchange& exchange, Model& model, DeviceSlot slot, int firSlot,
                             const fir::StoredFir& fir, int& partner);

// After a preset store: the device's running preset (which the store
// copied into the slot) equals the model's live preset. Nothing is written
// again: the slot holds what it took.
WriteReport VerifyStoredPreset(Exchange& exchange, const Model& model, DeviceSlot slot);

}  // namespace zef
