#pragma once
// What one channel editor acts on, and nothing else of the session.
//
// EditorContext is the narrow part every page, panel and graph of the editor
// may see: its device, the model it edits, the parameter writer, the dialogs
// seam, the response arrays and their residency, the refresh events, the
// shared graph view, the device's selection and the edit history.
//
// EditorTools is what only the editor's timers and its button bar need
// besides: the link's state, the exchange for the status poll, the device
// reader, the device's presets, the password store and the folders of
// preset files and FIR files.
//
// Both hold references into the session that made them: they must not
// outlive it.

#include <string>

#include "app/dialogs.h"
#include "app/edit_history.h"
#include "app/editor_view_state.h"
#include "app/interface_lock.h"
#include "app/resident_responses.h"
#include "device/device_reader.h"
#include "device/exchange.h"
#include "device/link_state.h"
#include "device/parameter_writer.h"
#include "device/presets.h"
#include "device/refresh_hooks.h"
#include "dsp/responses.h"
#include "model/device_model.h"

namespace zef {

class EditorSession;

struct EditorContext {
    DeviceSlot slot;
    Model& model;
    ParameterWriter& writer;
    Dialogs& dialogs;
    ResidentResponses& responses;    // keeps the device's arrays resident, announces changed groups
    dsp::ResponseStore& curves;      // the graphs copy their curves from it; the FIR tools compute with it
    RefreshEvents& events;
    GraphViewState& graphView;
    EditorSelection& selection;  // this device's page, channel group and band
    EditHistory& history;        // undo, redo and the A/B states of every device
    bool decimalComma;

    DeviceModel& device() const { return model.device(slot); }
    DeviceEntry& entry() const { return model.entry(slot); }
};

struct EditorTools {
    const LinkState& link;
    Exchange& exchange;
    DeviceReader& reader;
    Presets& presets;
    PasswordStore& passwords;
    std::string presetFolder;
    std::string firFolder;
};

// The context and the tools of an editor of `slot` in `session`.
EditorContext EditorContextOf(EditorSession& session, DeviceSlot slot);
EditorTools EditorToolsOf(EditorSession& session);

}  // namespace zef
