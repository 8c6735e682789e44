#pragma once
// One device session of zefctl: the editor's own link, model, device reader
// and senders, with the device in slot 1.

#include <memory>
#include <string>

#include "cli.h"
#include "console_dialogs.h"
#include "link/connection.h"
#include "link/device_list.h"
#include "link/mod_rxtx.h"
#include "model/device_model.h"
#include "model/device_reader.h"
#include "model/link_state.h"
#include "model/senders.h"
#include "platform/qt_transport.h"

namespace zefctl {

inline constexpr zef::DeviceSlot kSlot = 1;

// The folder of init.cfg: --config, else the per-user configuration folder.
std::string ConfigFolder(const Options& options);

// The serial ports zefctl may open: only --serial PATH when given (port 1),
// else the system's USB serial devices.
zef::SerialPortMap SerialPortsFor(const Options& options);

class Session {
public:
    explicit Session(const Options& options);
    ~Session();

    // Lists HOST (dotted IPv4) or, for host "" with --serial, the serial device
    // in slot 1 and connects it. `mode` Read reads the whole device into the
    // model; Load writes the model into the device. Throws CliError.
    void Connect(const std::string& host, zef::ConnectMode mode = zef::ConnectMode::Read);
    // Only the link and identify, no firmware check and no read. Throws CliError.
    void Identify(const std::string& host);
    // Command 15 and the link closed.
    void Close();

    // Throws CliError with the last dialog message when `status` failed.
    void Check(zef::Status status, const std::string& what) const;

    const Options& options;
    ConsoleDialogs dialogs;
    zef::Model model;
    zef::LinkState link;
    zef::QtTransport transport;
    zef::NullReconnectPresenter presenter;
    zef::ModRxTx rxtx;
    zef::DeviceList list;
    zef::RefreshHooks hooks;
    zef::DeviceReader reader;
    zef::Connection connection;
    zef::Senders senders;

private:
    void ListTarget(const std::string& host);
    bool connected_ = false;
};

}  // namespace zefctl
