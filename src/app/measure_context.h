#pragma once
// What the measuring windows and their use cases act on — the real-time
// analyser, the automatic equaliser and the FIR wizard — and nothing else of
// the session. The device and the output are passed with each call.
//
// The references point into the session that made the context: it must not
// outlive it.

#include <functional>
#include <string>

#include "app/dialogs.h"
#include "app/edit_history.h"
#include "app/measure_session.h"
#include "app/resident_responses.h"
#include "device/exchange.h"
#include "device/link_state.h"
#include "device/parameter_writer.h"
#include "device/refresh_hooks.h"
#include "dsp/grid.h"
#include "dsp/responses.h"
#include "model/device_model.h"

namespace zef {

namespace audio {
class System;
}
class EditorSession;

struct MeasureContext {
    Model& model;
    Exchange& exchange;       // the measuring state and the FIR stores
    ParameterWriter& writer;  // an AutoEQ result applied
    LinkState& link;
    Dialogs& dialogs;
    RefreshEvents& events;  // the editors shown again after an AutoEQ
    EditHistory& history;   // an AutoEQ applied or a designed FIR stored is one undo step
    ResidentResponses& responses;
    dsp::ResponseStore& curves;  // the output curves shown, the FIR wizard's calculator
    const dsp::FrequencyGrid& grid;
    MeasureSession& measure;  // the shared card, input and level, the open AutoEQ
    // The sound cards, made on first use; null with `error` set when they
    // cannot be had.
    std::function<audio::System*(std::string& error)> audio;
    std::string dataFolder;  // the wizard's states and folders
    bool decimalComma;

    // The folder `name` inside the data folder.
    std::string dataSubfolder(const char* name) const;
};

MeasureContext MeasureContextOf(EditorSession& session);

}  // namespace zef
