#include "app/edit_history.h"

#include <utility>

#include "device/readback.h"
#include "device/state_send.h"
#include "model/state_diff.h"

namespace zef {
namespace {

std::size_t Index(EditState s) { return static_cast<std::size_t>(s); }

}  // namespace

struct EditHistory::Step {
    std::string name;
    DeviceModel before;
    DeviceModel after;
};

struct EditHistory::Device {
    DeviceModel start;  // where the next step starts
    EditState active = EditState::A;
    std::array<std::optional<DeviceModel>, 2> states;  // the inactive state's model
    std::array<std::vector<Step>, 2> undo;
    std::array<std::vector<Step>, 2> redo;

    std::vector<Step>& undos() { return undo[Index(active)]; }
    std::vector<Step>& redos() { return redo[Index(active)]; }
    const std::vector<Step>& undos() const { return undo[Index(active)]; }
    const std::vector<Step>& redos() const { return redo[Index(active)]; }
};

EditHistory::EditHistory(ParameterWriter& writer, RefreshEvents& events, std::function<void(DeviceSlot)> refreshWindows)
    : writer_(writer), refreshWindows_(std::move(refreshWindows)),
      reread_(events.memoryReread.Connect([this](DeviceSlot device) { Reread(device); })) {}

EditHistory::~EditHistory() = default;

EditHistory::Device* EditHistory::find(DeviceSlot device) const { return devices_[SlotIndex(device)].get(); }

EditHistory::Device& EditHistory::at(DeviceSlot device) {
    Track(device);
    return *devices_[SlotIndex(device)];
}

void EditHistory::Track(DeviceSlot device) {
    std::unique_ptr<Device>& d = devices_[SlotIndex(device)];
    if (d) return;
    d = std::make_unique<Device>();
    d->start = writer_.model().device(device);
}

bool EditHistory::tracked(DeviceSlot device) const { return find(device) != nullptr; }

bool EditHistory::Busy(DeviceSlot device) const {
    const DeviceEntry& e = writer_.model().entry(device);
    return e.online && !ExchangesReach(writer_.exchange().link(), e);
}

bool EditHistory::EndStep(DeviceSlot device, const std::string& name) {
    if (!tracked(device)) {
        Track(device);
        return false;
    }
    Device& d = *find(device);
    const DeviceModel& live = writer_.model().device(device);
    const bool differs = !DiffStates(d.start, live).empty();
    if (differs) {
        std::vector<Step>& undos = d.undos();
        undos.push_back({name, d.start, live});
        if (undos.size() > kMaxSteps) undos.erase(undos.begin());
        d.redos().clear();
    }
    d.start = live;
    if (differs) changed.Emit(device);
    return differs;
}

std::string EditHistory::undoName(DeviceSlot device) const {
    const Device* d = find(device);
    return d && !d->undos().empty() ? d->undos().back().name : std::string();
}

std::string EditHistory::redoName(DeviceSlot device) const {
    const Device* d = find(device);
    return d && !d->redos().empty() ? d->redos().back().name : std::string();
}

std::size_t EditHistory::undoCount(DeviceSlot device) const {
    const Device* d = find(device);
    return d ? d->undos().size() : 0;
}

EditOutcome EditHistory::Undo(DeviceSlot device) { return Replay(device, true); }
EditOutcome EditHistory::Redo(DeviceSlot device) { return Replay(device, false); }

EditOutcome EditHistory::Replay(DeviceSlot device, bool undo) {
    Device* d = find(device);
    if (!d) return {};
    std::vector<Step>& from = undo ? d->undos() : d->redos();
    std::vector<Step>& to = undo ? d->redos() : d->undos();
    if (from.empty()) return {};
    if (Busy(device)) return {EditOutcome::Kind::Busy, kLinkBusyText};
    const EditOutcome out = SendTo(device, undo ? from.back().before : from.back().after, true);
    if (out.kind != EditOutcome::Kind::Failed) {
        to.push_back(std::move(from.back()));
        from.pop_back();
    }
    d->start = writer_.model().device(device);
    refreshWindows_(device);
    changed.Emit(device);
    return out;
}

EditOutcome EditHistory::SendTo(DeviceSlot device, const DeviceModel& target, bool confirm) {
    const StateSend sent = SendState(writer_, device, target);
    if (sent.status != kOk) return {EditOutcome::Kind::Failed, std::string(kSendFailedText) + "the link failed."};
    if (confirm) {
        const Confirmation c = writer_.Confirm(device);
        if (!c.report.ok()) return {EditOutcome::Kind::NotConfirmed, std::string(kSendFailedText) + c.report.Text()};
    }
    return {EditOutcome::Kind::Done, {}};
}

EditState EditHistory::active(DeviceSlot device) const {
    const Device* d = find(device);
    return d ? d->active : EditState::A;
}

const DeviceModel* EditHistory::inactive(DeviceSlot device) const {
    const Device* d = find(device);
    if (!d) return nullptr;
    const std::optional<DeviceModel>& other = d->states[1 - Index(d->active)];
    return other ? &*other : nullptr;
}

EditOutcome EditHistory::SwitchTo(DeviceSlot device, EditState state) {
    Device& d = at(device);
    if (state == d.active) return {};
    if (Busy(device)) return {EditOutcome::Kind::Busy, kLinkBusyText};
    const DeviceModel leaving = writer_.model().device(device);
    const DeviceModel target = d.states[Index(state)].value_or(leaving);
    const EditOutcome out = SendTo(device, target, false);
    // Also after a failed send: the model holds the target, and switching
    // back sends the difference to what was left.
    d.states[Index(d.active)] = leaving;
    d.states[Index(state)].reset();
    d.active = state;
    d.start = writer_.model().device(device);
    refreshWindows_(device);
    changed.Emit(device);
    return out;
}

EditOutcome EditHistory::CopyAToB(DeviceSlot device) {
    Device& d = at(device);
    if (d.active == EditState::A) {
        d.states[Index(EditState::B)] = writer_.model().device(device);
        d.undo[Index(EditState::B)].clear();
        d.redo[Index(EditState::B)].clear();
        changed.Emit(device);
        return {EditOutcome::Kind::Done, {}};
    }
    if (Busy(device)) return {EditOutcome::Kind::Busy, kLinkBusyText};
    const DeviceModel a = *d.states[Index(EditState::A)];
    const EditOutcome out = SendTo(device, a, true);
    EndStep(device, "Copy A to B");
    refreshWindows_(device);
    return out;
}

void EditHistory::Reread(DeviceSlot device) {
    Device* d = find(device);
    if (!d) {
        Track(device);
        return;
    }
    const DeviceModel& live = writer_.model().device(device);
    const bool differs = !DiffStates(d->start, live).empty();
    d->start = live;
    if (!differs) return;
    const bool hadSteps = !d->undos().empty() || !d->redos().empty();
    d->undos().clear();
    d->redos().clear();
    if (hadSteps) {
        noted.Emit(device, kHistoryClearedText);
        changed.Emit(device);
    }
}

}  // namespace zef
