#pragma once
// One device session of zefctl: the editor's own link, model, device reader
// and parameter writer, with the device in slot 1.

#include <memory>
#include <string>

#include "cli.h"
#include "console_dialogs.h"
#include "app/link_presenter.h"
#include "device/connection.h"
#include "device/verified_writes.h"
#include "device/fir_store.h"
#include "device/parameter_writer.h"
#include "device/device_list.h"
#include "device/device_exchange.h"
#include "model/device_model.h"
#include "device/device_reader.h"
#include "device/link_state.h"
#include "device/traffic_log_file.h"
#include "remote/routed_transport.h"
#include "transport/qt_transport.h"

namespace zefctl {

inline constexpr zef::DeviceSlot kSlot = 1;

// The folder of init.cfg: --config, else the editor's per-user data folder.
std::string ConfigFolder(const Options& options);

// remote.conf beside init.cfg (the editor's, by default): the zefd services
// to ask before a network device is connected. Without the file the
// defaults; a file with a problem asks none (a note says why).
zef::remote::RemoteConfig RemoteConfigIn(const Options& options);

// The serial ports zefctl may open: only --serial PATH when given (port 1),
// else the system's USB serial devices.
zef::SerialPortMap SerialPortsFor(const Options& options);

class Session {
public:
    explicit Session(const Options& options);
    ~Session();

    // What a sub-command does with the device it connects to.
    enum class Access {
        Write,     // changes it: refused for a device locked in the editor without its password
        ReadOnly,  // only reads it
    };

    // Lists HOST (dotted IPv4) or, for host "" with --serial, the serial device
    // in slot 1, connects it and reads the whole device into the model. For
    // Write (every sub-command that does not say otherwise) the device's
    // interface lock is checked before anything is written (lock_gate.h).
    // Throws CliError.
    void Connect(const std::string& host, Access access = Access::Write);
    // Only the link and identify, no firmware check and no read, with the
    // device in `slot`. Throws CliError.
    void Identify(const std::string& host, zef::DeviceSlot slot = kSlot);
    // Command 15 to every listed device and the links closed.
    void Close();

    // Throws CliError with the last dialog message when `status` failed, and
    // when the device has gone off-line (an off-line device takes writes into
    // the model only, so they report success without having reached it).
    void Check(zef::Status status, const std::string& what) const;
    // Throws CliError telling how to get access when the last serial search
    // or open was refused for lack of permission; does nothing otherwise.
    void CheckSerialPermission() const;
    // Throws CliError unless the verified write succeeded.
    void Check(const zef::WriteReport& report, const std::string& what) const;
    // After a command's work: when a request since the connect may have
    // reached the device altered (a reply failed its checks or never came),
    // the whole device is compared with the model — identity and network
    // settings included, which zefctl's model holds as read. `restore`
    // (commands that write): what differs is written back from the model;
    // otherwise a difference fails the command ("the device changed while it
    // was read"). Throws CliError.
    void Settle(bool restore);
    // " (no answer within the --timeout of N s)" once the deadline has passed, else "".
    std::string DeadlineNote() const;
    // Moves the --timeout deadline later by `d`: time spent listening to a
    // sound card, with no exchange pending, is no device operation.
    void ExtendDeadline(zef::DeviceExchange::Clock::duration d);

    const Options& options;
    ConsoleDialogs dialogs;
    zef::Model model;
    zef::LinkState link;
    zef::QtTransport transport;
    // The device's TCP connection goes through a zefd service that holds it
    // (its link route), else straight to the device.
    zef::remote::RoutedTransport routed;
    zef::DeviceExchange exchange;
    zef::LinkPresenter linkPresenter;
    zef::DeviceList list;
    zef::RefreshEvents events;
    zef::DeviceReader reader;
    zef::Connection connection;
    zef::ParameterWriter writer;

private:
    void ListTarget(const std::string& host, zef::DeviceSlot slot = kSlot);
    // Unless --no-zefd: asks the zefd services of remote.conf whether one
    // holds the network device at `host` and, when one does, routes the
    // slot through its link (a note says so). Returns the holder's
    // "HOST:PORT", "" when none holds it.
    std::string RouteThroughHolder(const std::string& host, zef::DeviceSlot slot);
    void Note(const std::string& text) const;
    bool connected_ = false;
    zef::Subscription reconnectNote_;
    zef::Subscription retryNote_;
    std::unique_ptr<zef::TrafficLogFile> trafficLog_;  // --log FILE
};

}  // namespace zefctl
