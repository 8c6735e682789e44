#pragma once
// The process-wide state of one program run: the device model, the link state
// and the response arrays. main() makes one; every test makes its own. There
// are no mutable globals anywhere else.

#include "dsp/responses.h"
#include "model/device_model.h"
#include "device/link_state.h"

namespace zef {

struct AppState {
    Model model;
    LinkState link;
    dsp::ResponseStore responses;
};

}  // namespace zef
