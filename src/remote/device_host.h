#pragma once
// The devices a headless service holds: the editor's own link, model, device
// reader, connection and parameter writer, with the configured amplifiers in
// slots 1..N. Hold() lists and connects them; the keep-alive timer polls them
// as the editor's status timer does (a device that stops answering goes
// off-line and is brought back when it answers again, read back and compared
// with the model) and tries again, every few seconds, the devices that were
// never reached.
//
// DeviceStack is what the service works through; the editor can hand in its
// own.
//
// A held device can be let go (Release of one slot: command 15, the link
// closed, not tried again) so that another controller may connect it, until
// it is taken back (connected and read again).
#include <QObject>
#include <QTimer>
#include <array>
#include <functional>
#include <vector>

#include "device/connection.h"
#include "device/device_exchange.h"
#include "device/device_list.h"
#include "device/device_reader.h"
#include "device/link_state.h"
#include "device/parameter_writer.h"
#include "device/presets.h"
#include "device/refresh_hooks.h"
#include "model/device_model.h"
#include "remote_config.h"
#include "transport/qt_transport.h"

namespace zef::remote {

// Letting a held device go and taking it back: a host that holds its devices
// for itself (zefd) can; the editor's service cannot (left unset).
struct HoldControl {
    std::function<bool(DeviceSlot)> released;
    std::function<void(DeviceSlot)> release;
    std::function<bool(DeviceSlot)> take;  // true: on-line again
    explicit operator bool() const { return bool(released) && bool(release) && bool(take); }
};

struct DeviceStack {
    Model& model;
    DeviceExchange& exchange;
    ParameterWriter& writer;
    Presets& presets;
    Connection& connection;
    RefreshEvents& events;
    DeviceReader& reader;
    // Whether the editor's interface lock holds the device (besides the
    // model's own lock value); none: only the model's.
    std::function<bool(DeviceSlot)> locked = {};
    HoldControl hold = {};
};

class DeviceHost : public QObject {
    Q_OBJECT
public:
    static constexpr int kPollMs = 1000;
    static constexpr int kRetryMs = 3000;

    // `serialPath`: the serial port a "device serial:PATH" names ("" for none).
    DeviceHost(LinkSettings settings, const std::string& serialPath);
    ~DeviceHost() override;

    // Lists each address in the next free slot and connects it; the slots, in order.
    std::vector<DeviceSlot> Hold(const std::vector<DeviceAddress>& devices);
    // Starts the status poll and the retries.
    void KeepOnline(int pollMs = kPollMs, int retryMs = kRetryMs);
    // Command 15 to every on-line device and the links closed.
    void Release();
    // One held device let go until TakeBack; TakeBack connects it again
    // (true: on-line).
    void Release(DeviceSlot slot);
    bool TakeBack(DeviceSlot slot);
    bool released(DeviceSlot slot) const { return released_[SlotIndex(slot)]; }

    DeviceStack stack();

    Model model;
    LinkState link;
    QtTransport transport;
    DeviceExchange exchange;
    DeviceList list;
    RefreshEvents events;
    DeviceReader reader;
    Connection connection;
    ParameterWriter writer;
    Presets presets;

private:
    void RetryUnreached();
    std::vector<DeviceSlot> held_;
    std::array<bool, kSlotCount> released_{};
    QTimer poll_;
    QTimer retry_;
};

}  // namespace zef::remote
