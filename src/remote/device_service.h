#pragma once
// What the remote interfaces do with the devices: every call of the API
// (api_request.h) carried out on the device layer exactly as the editor and
// zefctl do it. A set goes through the parameter writer (snapped, stored,
// sent, the linked partner following) and is confirmed by a read-back before
// it is answered; a batch is one writer step.
//
// A device can be let go and taken back (release, take) where the host holds
// its devices for itself (zefd; HoldControl); a released device is off-line
// and refuses writes (released) until it is taken back.
//
// Writes are refused for a device that is off-line (offline), that the
// interface lock holds (locked), and for a change of the bridge mode, which
// is switched only at the editor where the user is asked first (bad_value).
//
// Devices are named by slot number ("3") or unique ID ("0A0B0C0D0E01").
#include <QJsonObject>
#include <array>
#include <optional>
#include <variant>

#include "api_request.h"
#include "base/signal.h"
#include "device_host.h"
#include "model/meter_readings.h"

namespace zef::remote {

using CallResult = std::variant<QJsonValue, ApiError>;

class DeviceService {
public:
    explicit DeviceService(DeviceStack stack);

    // Carries out a parsed call (not Stream, not OpenApi); the reply body or the error.
    CallResult Execute(const ApiCall& call);

    // The listed slot a path names; nullopt for none.
    std::optional<DeviceSlot> Resolve(const std::string& device) const;
    // The slots of the listed devices, in order.
    std::vector<DeviceSlot> Listed() const;
    // The id the API shows: the slot number as text.
    static std::string IdOf(DeviceSlot slot) { return std::to_string(slot); }

    QJsonObject State(DeviceSlot slot) const;
    // Polls the device's status (command 22) when it is on-line and the link
    // is free, and keeps the reading; the latest reading either way.
    const StatusReading& PollMeters(DeviceSlot slot);
    QJsonObject MetersJson(DeviceSlot slot) const;
    // Every parameter's value by name (illegal values left out).
    QJsonObject ValuesJson(DeviceSlot slot) const;
    bool Locked(DeviceSlot slot) const;

    // After a write went out (the slot); the stream pushes what changed at once.
    Signal<DeviceSlot> wrote;

    DeviceStack& stack() { return stack_; }

private:
    CallResult Write(DeviceSlot slot, const ApiCall& call);
    // Release (let go) or Take (back).
    CallResult Hold(DeviceSlot slot, bool release);
    CallResult SetValues(DeviceSlot slot, const std::vector<ParameterValue>& values);
    CallResult StorePreset(DeviceSlot slot, const ApiCall& call);
    CallResult RecallPreset(DeviceSlot slot, const ApiCall& call);
    CallResult Get(DeviceSlot slot, const Parameter& p) const;
    QJsonObject PresetsJson(DeviceSlot slot) const;

    DeviceStack stack_;
    std::array<StatusReading, kSlotCount> meters_{};
};

// Every parameter with its kind, range and unit, as GET /api/v1/parameters gives them.
QJsonArray ParameterList();

}  // namespace zef::remote
