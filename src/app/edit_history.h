#pragma once
// The undo and redo history of every device, and its two compare states A
// and B. A plain class: no windows; the windows call it and listen to it.
//
// A step is what one edit changed: the device's model before and after it
// and a name ("Out 1 EQ band 5 gain"). Where a step starts is the model as
// the last step left it (Track, EndStep, an undo or a switch); the edit
// changes the model and sends through the parameter writer as always, and
// whoever ends the edit — a value committed, a drag released, a batch done —
// calls EndStep with its name. An edit that changed nothing is no step.
//
// Undo sends the difference between the model now and the step's "before"
// (model/state_diff.h, device/state_send.h) through the writer as one batch,
// FIRs with the FIR writer when they differ, confirms it by reading back and
// refreshes every window of the device; redo does the same with "after".
// A device that is not on-line (a project's, edited off-line) is edited on
// its model alone: undo, redo and the A/B switch change the model, send
// nothing and refresh the windows. An on-line device the link cannot reach
// now (sends suppressed while the link is busy) is left as it is: nothing is
// sent, the history is kept and the user is told.
//
// When the device's memory is read again (RefreshEvents::memoryReread) and
// the model then differs from where the next step would start — another
// controller, the front panel, a recall or a load changed it — the history
// of the active state is cleared, and `noted` says so.
//
// A and B: each device has two states; the active one is the model. A
// switch sends only the parameters (and FIRs) that differ between the model
// and the other state, as one batch without reading back (it is the fast
// path of a listening comparison; every byte still goes through the
// writer's checked path). Each state keeps its own undo history. A state
// that was never visited starts as a copy of the active one.

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/signal.h"
#include "device/parameter_writer.h"
#include "device/refresh_hooks.h"

namespace zef {

inline constexpr const char* kUndoTitle = "Undo";
inline constexpr const char* kRedoTitle = "Redo";
inline constexpr const char* kCompareTitle = "A/B compare";
inline constexpr const char* kLinkBusyText = "The link is busy: nothing was sent. The history is kept.";
inline constexpr const char* kSendFailedText = "Sending to the device failed: ";
inline constexpr const char* kHistoryClearedText =
    "Undo history cleared: the device's settings were read again and differ from the editor's "
    "(a recall, a load or another controller changed them).";

enum class EditState { A = 0, B = 1 };

// What an undo, redo, switch or copy did.
struct EditOutcome {
    enum class Kind {
        Done,         // sent (and for undo and redo read back equal), or applied off-line
        Nothing,      // nothing to undo or redo, or the state is already active
        Busy,         // on-line but not reached now: not sent, history kept
        Failed,       // a send failed; the model holds the target, the device may not
        NotConfirmed  // sent, but the device reads back other bytes
    };
    Kind kind = Kind::Nothing;
    std::string text;  // for the user; "" for Done and Nothing
    bool ok() const { return kind == Kind::Done; }
};

class EditHistory {
public:
    // `refreshWindows` refills every window of a device from the model
    // (DeviceReader::RefreshWindows).
    EditHistory(ParameterWriter& writer, RefreshEvents& events, std::function<void(DeviceSlot)> refreshWindows);
    ~EditHistory();
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    // Steps kept per state; the oldest goes first.
    static constexpr std::size_t kMaxSteps = 100;

    // Starts watching `device` (nothing when watched already): its model
    // now is where the next step starts.
    void Track(DeviceSlot device);
    bool tracked(DeviceSlot device) const;

    // Ends the current edit of `device` as one step named `name`: recorded
    // when its parameters or FIRs differ from where the step started (the
    // redo list is dropped then). True when a step was recorded.
    bool EndStep(DeviceSlot device, const std::string& name);

    // Names of the next undo and redo steps; "" when there is none.
    std::string undoName(DeviceSlot device) const;
    std::string redoName(DeviceSlot device) const;
    std::size_t undoCount(DeviceSlot device) const;

    EditOutcome Undo(DeviceSlot device);
    EditOutcome Redo(DeviceSlot device);

    EditState active(DeviceSlot device) const;
    // The inactive state's model; nullptr while it was never made (it then
    // starts as a copy of the active one).
    const DeviceModel* inactive(DeviceSlot device) const;
    // Makes `state` the active one: the difference to it is sent.
    EditOutcome SwitchTo(DeviceSlot device, EditState state);
    // State B becomes what A is: while A is active B takes the model (its
    // history is cleared); while B is active the difference to A is sent as
    // a step of B ("Copy A to B").
    EditOutcome CopyAToB(DeviceSlot device);

    // The device's undo names, redo names or A/B state changed.
    Signal<DeviceSlot> changed;
    // A note for the device's status line (the history was cleared).
    Signal<DeviceSlot, std::string> noted;

private:
    struct Step;
    struct Device;

    Device* find(DeviceSlot device) const;
    Device& at(DeviceSlot device);
    // On-line, but the link does not reach it now.
    bool Busy(DeviceSlot device) const;
    // Undo (from `undo` to `redo`, restoring `before`) or redo.
    EditOutcome Replay(DeviceSlot device, bool undo);
    // Sends the difference to `target`, with or without a read-back.
    EditOutcome SendTo(DeviceSlot device, const DeviceModel& target, bool confirm);
    void Reread(DeviceSlot device);

    ParameterWriter& writer_;
    std::function<void(DeviceSlot)> refreshWindows_;
    std::array<std::unique_ptr<Device>, kSlotCount> devices_;
    Subscription reread_;
};

}  // namespace zef
