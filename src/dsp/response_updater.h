#pragma once
// The response layer's side of ResponseObserver: senders, the device-state
// reader, presets and linking tell it what changed in the model, and it
// recomputes exactly that in the ResponseStore — one band, one crossover, one
// group sum, one FIR — then tells the view which group sums changed.

#include <functional>

#include "dsp/responses.h"
#include "model/device_model.h"
#include "model/response_observer.h"

namespace zef::dsp {

class ResponseUpdater final : public ResponseObserver {
public:
    // Called once per group (0..4) whose GroupResponse was rebuilt.
    using Redraw = std::function<void(DeviceSlot, int group)>;

    ResponseUpdater(ResponseStore& store, const Model& model, Redraw redraw = {});

    void Changed(DeviceSlot slot, ResponseChange change) override;

private:
    void Announce(DeviceSlot slot, int group) const;

    ResponseStore& store_;
    const Model& model_;
    Redraw redraw_;
};

}  // namespace zef::dsp
