#pragma once
// Bringing listed devices on-line and off-line: connecting (identify, the
// firmware check, then reading the device into the model or writing the
// model into the device), disconnecting, the status poll that keeps the
// on-line state current, standby, and the goodbye to every device when the
// program ends. Nothing here asks the user; the connect dialog's and the
// list window's actions are app/connect_actions.h.
//
// Connecting a slot (ConnectDevice):
//   1. only listed entries; the entry is marked on-line
//   2. network: a connection of the slot that is still open is used as it
//      is; otherwise connect (200 ms) and identify — failing either, not
//      found (the entry keeps its fields: nothing is read or written on an
//      identity that was not verified) and, when its unique ID is known,
//      remembered as unreachable until it is reached (DeviceList::unreachable).
//      USB: search the serial ports; not found when none answers.
//   3. the entry takes network, unique ID, name and boot-loader type from
//      the identify reply
//   4. a boot-loader device is not read: its model goes back to defaults
//      and it counts as found
//   5. ReadMemory of the 3 firmware bytes at address 1 (major, minor,
//      patch); version = 100 major + 10 minor + patch; 200 or more marks the
//      slot's firmware as good (for the rest of the program run)
//   6. good firmware: read mode reads settings, preset and both FIRs into
//      the model; load mode first checks every field of the model against
//      its legal codes (a model that fails is refused and nothing is
//      written), writes the model's device state, preset and FIRs into the
//      device and reads them back (verified_writes.h)
//   7. old firmware: not found (the caller tells the user: a network device
//      gets a message, a USB device the firmware update window).
// A slot that is not found ends off-line.

#include <array>
#include <optional>
#include <string>

#include "base/signal.h"
#include "device/device_list.h"
#include "device/device_exchange.h"
#include "device/device_reader.h"
#include "device/verified_writes.h"
#include "model/state_diff.h"

namespace zef {

enum class ConnectMode { Read, Load };

inline constexpr int kMinimumFirmware = 200;  // 2.0.0

// major*100 + minor*10 + patch: 1.10.0 gives 200 like 2.0.0.
int FirmwareVersion(std::uint8_t major, std::uint8_t minor, std::uint8_t patch);

// "Reading from device: IP " + address + "...." / "Reading from device: USB...."
std::string ReadingCaption(const DeviceEntry& entry);
// "Loading settings to device: IP " + address + "...." / "...: USB...."
std::string LoadingCaption(const DeviceEntry& entry);

struct ConnectSettings {
    bool loopbackIsNetwork = false;  // see search.h
    int connectTimeoutMs = 200;
};

enum class ConnectResult {
    Found,        // identified, firmware checked, read or written
    NotFound,     // no answer, or a transfer failed
    OldFirmware,  // identified, but the firmware is older than 2.0.0
    Refused,      // load mode: the model holds an illegal value; nothing was written
    NotVerified,  // load mode: written, but the device did not read back the same
};

class Connection {
public:
    Connection(DeviceList& list, DeviceExchange& exchange, DeviceReader& reader, ConnectSettings settings = {});

    // The steps above. Found also for a boot-loader device.
    ConnectResult ConnectDevice(DeviceSlot slot, ConnectMode mode);
    // Whether the last ConnectDevice read the device's settings into the model.
    bool settingsRead() const { return settingsRead_; }
    // Why the last ConnectDevice ended Refused or NotVerified (WriteReport::Text).
    const std::string& problem() const { return problem_; }

    // Without asking: command 15, the link closed, off-line, and the device
    // remembered as offered so that its next announcement does not ask.
    void Disconnect(DeviceSlot slot);
    // Disconnect for every listed on-line entry, then the serial port closes.
    void DisconnectAll();

    // The main window's status timer. Skipped until polling is enabled (the
    // list window was loaded), while an exchange runs, during link recovery
    // and while a previous tick is still under way. Polls every listed
    // on-line slot that is not in its boot loader with command 22; a slot
    // that does not answer goes off-line and pollFailed tells it (after the
    // tick, so that the ticks go on while the message is open). Then each
    // network device that was lost (not disconnected by the user, not taken
    // by another client) is tried again: connected, identified as the same
    // device, read back and compared with the model as after a change on the
    // device (DeviceReader::Update); rejoined tells it.
    void StatusPollTick();
    // Whether the slot went off-line by a failure and is tried again by the ticks.
    bool lost(DeviceSlot slot) const { return lost_[SlotIndex(slot)]; }
    void EnablePolling(bool on) { pollingEnabled_ = on; }

    // Sends the entry's Standby to the device (DS 206 follows it).
    void ApplyStandby(DeviceSlot slot);
    // The row's standby button.
    void ToggleStandby(DeviceSlot slot);
    // Every listed entry with standby off (on) is switched on (off).
    void AllStandbyOn();
    void AllStandbyOff();

    // Program exit: command 15 to every on-line device (serial ones while
    // the port is open, then it closes), every TCP connection closed.
    void Exit();

    // The connect dialog's caption and progress bar during a connect.
    Signal<std::string> caption;
    Signal<int, int> progress;
    // A polled slot did not answer (it is off-line now).
    Signal<DeviceSlot> pollFailed;
    // A lost device answered again and is on-line with its state read back.
    Signal<DeviceSlot> rejoined;
    // The edits made here to a slot while its device was lost (what differs
    // between its model at the loss and at the rejoin), less what the device
    // holds already. The rejoin put the device's state into the model; these
    // edits are the caller's to offer. nullopt when there are none; taken once.
    struct EditsWhileLost {
        StateDiff changes;  // parameter values and FIR outputs, as made here
        DeviceModel here;   // the model at the rejoin: the source of the FIRs
    };
    std::optional<EditsWhileLost> TakeEditsMadeWhileLost(DeviceSlot slot);
    // The slot's standby changed (an open editor shows the new state).
    Signal<DeviceSlot> standbyChanged;

    DeviceList& list() { return list_; }
    DeviceExchange& exchange() { return exchange_; }
    const ConnectSettings& settings() const { return settings_; }

private:
    bool Identify(DeviceSlot slot);
    void TakeIdentity(DeviceSlot slot, const IdentifyReply& reply);
    bool ReadFirmware(DeviceSlot slot);
    ConnectResult Transfer(DeviceSlot slot, ConnectMode mode);
    // False when the slot did not answer (it is off-line then).
    bool PollSlot(DeviceSlot slot);
    // One attempt to bring a lost device back; true = on-line again.
    bool Rejoin(DeviceSlot slot);
    void SendClose(DeviceSlot slot);
    void SetStandby(DeviceSlot slot, int standby);
    // The slot went off-line by a failure: lost unless another client took
    // the connection; the model at the first loss is kept to tell edits made
    // while it is away.
    void MarkLost(DeviceSlot slot);
    void ClearLost(DeviceSlot slot);

    DeviceList& list_;
    Model& model_;
    DeviceExchange& exchange_;
    DeviceReader& reader_;
    ConnectSettings settings_;
    bool settingsRead_ = false;
    std::string problem_;
    bool pollingEnabled_ = false;
    bool polling_ = false;
    std::array<bool, kSlotCount> lost_{};
    std::array<std::optional<DeviceModel>, kSlotCount> modelAtLoss_;
    std::array<std::optional<EditsWhileLost>, kSlotCount> editsMadeWhileLost_;
    Subscription wentOffline_;
};

}  // namespace zef
