#pragma once
// Writing described parameters (model/parameters.h) to a device, exactly as
// the editor's controls do: each value is snapped and stored in the model by
// its description's accessor (EditorValues included), the description's
// transmissions are built from the model's records and sent, the response
// observer hears what changed, and — while the pair is linked — the
// partner channel follows by the description's link rule
// (model/link_rules.h). Questions the editor asks first (the bridge mode)
// are the caller's.
//
// A failed send leaves the model changed; nothing is retried. While sends
// are suppressed or the device is off-line the exchange sends nothing and
// reports success, so the model still follows.
//
// Confirming: the writer remembers, per device, the device bytes its writes
// changed in the model, until Confirm reads them back. The
// caller confirms at the end of a step the user sees as one (a command-line
// set, a drag released, a copy, an equaliser applied).
//
// The device is always named by the caller; nothing here is "current".

#include <functional>
#include <span>
#include <string>

#include "device/exchange.h"
#include "device/readback.h"
#include "model/link_rules.h"
#include "model/parameters.h"
#include "model/response_observer.h"

namespace zef {

// Writes the FIR of output `output` (0..1) that the model holds for the
// device with the FIR store's write sequence. True when every exchange succeeded.
using FirWriter = std::function<bool(DeviceSlot device, int output)>;

class ParameterWriter {
public:
    ParameterWriter(Model& model, Exchange& exchange, ResponseObserver& responses = NoResponseObserver(),
                    FirWriter firWriter = {});

    // One parameter. The value must lie in the description's range and the
    // parameter on a channel that has it (programming errors otherwise).
    // The first failed send ends the write (the partner's included) and is
    // returned; the model keeps the new values.
    Status Set(DeviceSlot device, const Parameter& p, double value);

    // Several parameters as one step: every value is checked, then stored,
    // the observer hears of each changed response once, each distinct
    // transmission is sent once in the order of the values (the five fields
    // of a band make one command 5), and the linked partners follow; the
    // first failed send ends it. A value the parameter cannot take refuses
    // the whole batch: nothing is stored.
    Status Set(DeviceSlot device, std::span<const ParameterValue> values);

    // Output `output`'s (0..1) FIR as `source` holds it (taps, tap count,
    // name): stored in the model, the observer told, sent with the FIR
    // writer; Confirm reads it back like any other write.
    Status SetFir(DeviceSlot device, int output, const DeviceModel& source);

    // Sends what a transmission names, from the device's model.
    Status Transmit(DeviceSlot device, const Transmission& t);
    Status Transmit(DeviceSlot device, const Command& c) { return Transmit(device, Transmission::Of(c)); }

    // The channel copy: every group of ChannelCopyGroups from `source` to
    // `destination` (both inputs or both outputs, different) in the model,
    // then on the device. A failed send stops nothing; the first failure is
    // returned and the model keeps the copied values.
    Status Copy(DeviceSlot device, ChannelCode source, ChannelCode destination);

    // Confirms what the writes to `device` changed since its last
    // confirmation: reads back only the blocks holding the device bytes they
    // changed in the model and compares them with the model; bytes that
    // differ are sent again once, as memory writes from the model followed by
    // the command that makes the device take them (readback.h
    // WriteMemoryBytes), and read back again.
    // When a request to the device may have reached it altered and no whole
    // check has settled that yet (readback.h DoubtsPending), everything the
    // editor writes (readback.h EditableMemory) is compared, and bytes that
    // differ outside the written ones are written back from the model —
    // unless the device has reported a change of its own, which its update
    // reads instead. Nothing pending, an
    // off-line device or suppressed sends: Done without a read.
    Confirmation Confirm(DeviceSlot device);

    Model& model() { return model_; }
    Exchange& exchange() { return exchange_; }
    ResponseObserver& responses() { return responses_; }

private:
    void Notify(DeviceSlot device, ResponseEffect effect, const ParamTarget& target);
    // Writes reach the device now (on-line, sends not suppressed).
    bool Reaches(DeviceSlot device) const;
    // Remembers the bytes that changed since `before` was taken.
    void NoteChanges(DeviceSlot device, const DeviceMemory& before);

    Model& model_;
    Exchange& exchange_;
    ResponseObserver& responses_;
    FirWriter firWriter_;
    // Per device: the bytes its writes changed since its last confirmation.
    std::array<MemoryScope, kSlotCount> pending_;
};

}  // namespace zef
