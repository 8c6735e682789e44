#pragma once
// Writes that are checked before and after: the model is validated
// (model/validation.h) before any byte is sent, and what the device holds
// afterwards is read back and compared with what was written. A write is a
// success only when the device answered every step and reads back exactly
// the model's bytes.
//
// Read-back reads the same blocks the reader uses (settings state 13 bytes
// at 205, preset 8 x 78 bytes at 240, FIRs 6 x 192 bytes per output) into
// scratch buffers: the model is never changed by a verification.

#include <cstddef>
#include <optional>
#include <string>

#include "device/device_reader.h"
#include "device/exchange.h"
#include "device/fir_store.h"
#include "model/device_model.h"

namespace zef {

enum class WriteOutcome {
    Done,       // written and read back equal
    Refused,    // the model holds an illegal value; nothing was sent
    Failed,     // an exchange failed; the device holds what was written before it
    Unread,     // written, but the read-back failed: the result is unknown
    Mismatch,   // written, but the device reads back different bytes
};

struct WriteReport {
    WriteOutcome outcome = WriteOutcome::Done;
    // For Refused the first bad field ("preset byte 118 (output 1 band 1
    // type) is 9; legal 0..7"); for Mismatch the first differing field
    // ("preset byte 493 (outputGain) reads 100, written 120").
    std::string detail;

    bool ok() const { return outcome == WriteOutcome::Done; }
    // One line for the user: "refused: ...", "write failed", "read-back
    // failed", "read-back differs: ...".
    std::string Text() const;
};

// Compares the device with the model; nullopt when they agree, else the
// report (Unread or Mismatch).
std::optional<WriteReport> CompareDeviceState(Exchange& exchange, const Model& model, DeviceSlot slot);
// Preset record bytes [first, first + count) of the live preset.
std::optional<WriteReport> ComparePreset(Exchange& exchange, const Model& model, DeviceSlot slot,
                                         std::size_t first = 0, std::size_t count = kPresetSize);
std::optional<WriteReport> CompareFir(Exchange& exchange, const Model& model, DeviceSlot slot, int output);

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
// copied into the slot) equals the model's live preset.
WriteReport VerifyStoredPreset(Exchange& exchange, const Model& model, DeviceSlot slot);

}  // namespace zef
