#include "device_service.h"

#include <QJsonArray>
#include <QString>

#include "model/records.h"
#include "model/validation.h"
#include "model/value_kinds.h"
#include "protocol/commands.h"
#include "protocol/replies.h"

namespace zef::remote {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

QJsonArray ParameterList() {
    QJsonArray list;
    for (const Parameter& p : AllParameters()) {
        const ParameterDescription& d = *p.description;
        QJsonObject o{{"name", Q(p.name)}, {"kind", Q(ValueKindName(d.kind))}, {"range", Q(RangeText(d))},
                      {"unit", Q(d.unit)}, {"min", d.min}, {"max", d.max}};
        if (!d.choices.empty()) {
            QJsonArray choices;
            for (const std::string_view c : d.choices) choices.append(Q(c));
            o["choices"] = choices;
        }
        list.append(o);
    }
    return list;
}

DeviceService::DeviceService(DeviceStack stack) : stack_(std::move(stack)) {}

std::vector<DeviceSlot> DeviceService::Listed() const {
    std::vector<DeviceSlot> held;
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s)
        if (stack_.model.entry(s).inList) held.push_back(s);
    return held;
}

std::optional<DeviceSlot> DeviceService::Resolve(const std::string& device) const {
    for (const DeviceSlot s : Listed()) {
        const DeviceEntry& e = stack_.model.entry(s);
        if (device == IdOf(s) || (!e.uniqueId.empty() && device == e.uniqueId)) return s;
    }
    return std::nullopt;
}

bool DeviceService::Locked(DeviceSlot slot) const {
    return stack_.model.device(slot).values.lock == 1 || (stack_.locked && stack_.locked(slot));
}

const StatusReading& DeviceService::PollMeters(DeviceSlot slot) {
    StatusReading& reading = meters_[SlotIndex(slot)];
    const DeviceEntry& e = stack_.model.entry(slot);
    if (!e.online || !stack_.exchange.link().idle()) return reading;
    const ExchangeResult r = stack_.exchange.Transact(slot, Request{cmd::kStatusPoll, {}, {}}, Reporting::Quiet);
    const std::optional<StatusReply> status = r.failed() ? std::nullopt : DecodeStatus(r.reply());
    if (status) {
        reading = DecodeStatusReading(std::span<const std::uint8_t, 18>(status->levels), status->flags, true);
        stack_.model.device(slot).alert = status->alert();
    }
    return reading;
}

QJsonObject DeviceService::MetersJson(DeviceSlot slot) const {
    const StatusReading& r = meters_[SlotIndex(slot)];
    static constexpr const char* kIndicators[] = {"signalL",    "signalR",    "clipL",      "clipR",
                                                  "signalOut1", "signalOut2", "clipOut1",   "clipOut2",
                                                  "limitOut1",  "limitOut2",  "protectOut1", "protectOut2"};
    QJsonArray levels, reductions;
    for (const double v : r.levels) levels.append(v);
    for (const double v : r.reductions) reductions.append(v);
    QJsonObject lamps;
    for (std::size_t i = 0; i < r.indicators.size(); ++i) lamps[kIndicators[i]] = bool(r.indicators[i]);
    return {{"levels", levels}, {"reductions", reductions}, {"indicators", lamps}, {"alert", r.alert},
            {"standby", r.standby}};
}

QJsonObject DeviceService::State(DeviceSlot slot) const {
    const DeviceEntry& e = stack_.model.entry(slot);
    const DeviceModel& d = stack_.model.device(slot);
    return {{"id", Q(IdOf(slot))},
            {"uniqueId", Q(e.uniqueId)},
            {"name", Q(e.name)},
            {"address", e.isUsb() ? QString("usb") : Q(e.ip)},
            {"online", e.online},
            {"firmware", d.firmwareOk ? Q(FirmwareVersionText(d.settings)) : QString()},
            {"standby", e.standby == 1},
            {"alert", d.alert},
            {"locked", Locked(slot)},
            {"preset", Q(Trimmed(PresetName(d.preset)))},
            {"released", stack_.hold && stack_.hold.released(slot)},
            {"meters", MetersJson(slot)}};
}

QJsonObject DeviceService::PresetsJson(DeviceSlot slot) const {
    QJsonArray names;
    for (const std::string& n : stack_.model.device(slot).values.presetNames) names.append(Q(Trimmed(n)));
    return {{"device", Q(IdOf(slot))}, {"presets", names}};
}

CallResult DeviceService::Get(DeviceSlot slot, const Parameter& p) const {
    const DeviceModel& d = stack_.model.device(slot);
    QJsonObject o{{"name", Q(p.name)}, {"unit", Q(p.description->unit)}};
    if (const auto illegal = IllegalValueOf(d, p)) {
        o["illegal"] = Q(illegal->Text());
    } else {
        o["value"] = ValueToJson(p, GetValue(d, p));
    }
    return o;
}

QJsonObject DeviceService::ValuesJson(DeviceSlot slot) const {
    const DeviceModel& d = stack_.model.device(slot);
    QJsonObject values;
    for (const Parameter& p : AllParameters())
        if (!IllegalValueOf(d, p)) values[Q(p.name)] = ValueToJson(p, GetValue(d, p));
    return values;
}

CallResult DeviceService::Execute(const ApiCall& call) {
    if (call.route == RouteId::Parameters) return ParameterList();
    if (call.route == RouteId::Devices) {
        QJsonArray devices;
        for (const DeviceSlot s : Listed()) devices.append(State(s));
        return QJsonObject{{"devices", devices}};
    }
    const std::optional<DeviceSlot> slot = Resolve(call.device);
    if (!slot) return UnknownDevice(call.device);
    if (call.route == RouteId::Release || call.route == RouteId::Take)
        return Hold(*slot, call.route == RouteId::Release);
    if (call.writes) return Write(*slot, call);
    switch (call.route) {
        case RouteId::Device:
            return State(*slot);
        case RouteId::Dump:
            return QJsonObject{{"device", Q(IdOf(*slot))}, {"values", ValuesJson(*slot)}};
        case RouteId::GetParameter:
            return Get(*slot, *call.parameter);
        case RouteId::Presets:
            return PresetsJson(*slot);
        default:
            return NotFound("nothing is served here");
    }
}

CallResult DeviceService::Write(DeviceSlot slot, const ApiCall& call) {
    const std::string id = IdOf(slot);
    if (stack_.hold && stack_.hold.released(slot)) return Released(id);
    if (!stack_.model.entry(slot).online) return DeviceOffline(id);
    if (Locked(slot)) return remote::Locked(id);
    if (stack_.model.entry(slot).type == kTypeBootLoader) return DeviceOffline(id + " (it runs its boot loader)");
    CallResult result;
    switch (call.route) {
        case RouteId::SetParameter:
        case RouteId::Batch:
            result = SetValues(slot, call.values);
            break;
        case RouteId::Standby:
            result = SetValues(slot, {{*FindParameter("device.standby"), call.standby ? 1.0 : 0.0}});
            break;
        case RouteId::StorePreset:
            result = StorePreset(slot, call);
            break;
        case RouteId::RecallPreset:
            result = RecallPreset(slot, call);
            break;
        default:
            return NotFound("nothing is served here");
    }
    wrote.Emit(slot);
    return result;
}

CallResult DeviceService::Hold(DeviceSlot slot, bool release) {
    const HoldControl& hold = stack_.hold;
    if (!hold) return NotHeldHere("the editor that hosts this service holds its devices itself");
    if (release && !hold.released(slot)) hold.release(slot);
    if (!release && hold.released(slot) && !hold.take(slot))
        return DeviceFailed("device " + IdOf(slot) + " did not answer; it stays off-line");
    wrote.Emit(slot);
    return State(slot);
}

CallResult DeviceService::SetValues(DeviceSlot slot, const std::vector<ParameterValue>& values) {
    // A dump loaded back carries the bridge mode the device already has: that is no switch.
    for (const ParameterValue& v : values)
        if (v.parameter.description->id == ParamId::Bridge &&
            v.value != GetValue(stack_.model.device(slot), v.parameter))
            return BadValue(v.parameter.name + " is switched only at the editor, which asks first");
    if (stack_.writer.Set(slot, values) != kOk)
        return DeviceFailed("device " + IdOf(slot) + " did not take the values (no answer)");
    const Confirmation c = stack_.writer.Confirm(slot);
    if (!c.report.ok()) return DeviceFailed("device " + IdOf(slot) + ": " + c.report.Text());
    QJsonObject applied;
    const DeviceModel& d = stack_.model.device(slot);
    for (const ParameterValue& v : values) applied[Q(v.parameter.name)] = ValueToJson(v.parameter, GetValue(d, v.parameter));
    return QJsonObject{{"device", Q(IdOf(slot))}, {"values", applied}};
}

CallResult DeviceService::StorePreset(DeviceSlot slot, const ApiCall& call) {
    if (IsBlankPresetName(call.presetName) || !PresetNameAllowed(call.presetName))
        return BadValue("a preset name needs a character other than a blank, and only characters the device "
                        "can store");
    const PresetResult r = stack_.presets.Store(slot, call.presetSlot, call.presetName);
    if (r != PresetResult::Done) return DeviceFailed("device " + IdOf(slot) + " did not store the preset");
    return PresetsJson(slot);
}

CallResult DeviceService::RecallPreset(DeviceSlot slot, const ApiCall& call) {
    const PresetResult r = stack_.presets.Recall(slot, call.presetSlot);
    if (r == PresetResult::Empty) return EmptyPreset(call.presetSlot + 1);
    if (r != PresetResult::Done) return DeviceFailed("device " + IdOf(slot) + " did not recall the preset");
    return State(slot);
}

}  // namespace zef::remote
