#include "session.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "app/editor_options.h"
#include "app/remote_control.h"
#include "app/first_start.h"
#include "base/input_file.h"
#include "base/utf8_path.h"
#include "device/ip_range.h"
#include "app/search.h"
#include "app/serial_access.h"
#include "lock_gate.h"
#include "model/records.h"
#include "remote/zefd_query.h"

namespace zefctl {

std::string ConfigFolder(const Options& options) {
    // The editor's own data folder, so that both use one init.cfg.
    std::string folder = options.config.value_or("");
    if (folder.empty()) {
        // The first of the two programs to start makes the folder and its first-start files.
        const auto opened = zef::OpenDataFolder("");
        if (opened) return opened->path;
        folder = zef::DefaultDataFolder();
    }
    if (folder.empty()) folder = ".";
    std::error_code ec;
    std::filesystem::create_directories(zef::PathFromUtf8(folder), ec);
    return folder;
}

zef::remote::RemoteConfig RemoteConfigIn(const Options& options) {
    const std::string path = zef::Utf8Join(ConfigFolder(options), zef::kRemoteConfigName);
    const std::optional<zef::remote::ConfigResult> parsed = zef::remote::ReadConfigFile(path);
    if (!parsed) return {};  // none: the defaults (the zefd on 127.0.0.1:8320 is asked)
    if (parsed->config) return *parsed->config;
    if (options.notes) *options.notes << "zefctl: " << path << ": " << parsed->errors.front() << "; no zefd asked\n";
    zef::remote::RemoteConfig none = {};
    none.zefdOff = true;
    return none;
}

zef::SerialPortMap SerialPortsFor(const Options& options) {
    zef::SerialPortMap ports = options.serial ? zef::SerialPortMap::RegisteredOnly() : zef::SerialPortMap();
    if (options.serial) ports.Register(*options.serial);
    return ports;
}

namespace {

zef::LinkSettings SettingsFor(const Options& options) {
    zef::LinkSettings s;
    s.devicePort = options.port;
    s.configFolder = ConfigFolder(options);
    return s;
}

}  // namespace

Session::Session(const Options& opts)
    : options(opts),
      dialogs(opts.yes),
      transport(SerialPortsFor(opts)),
      routed(transport),
      exchange(model, link, routed, SettingsFor(opts)),
      linkPresenter(exchange, dialogs),
      list(model),
      reader(model, exchange, events),
      connection(list, exchange, reader, zef::ConnectSettings{true, 1000}),
      writer(model, exchange, zef::NoResponseObserver(), zef::fir::MakeFirWriter(exchange, model)) {
    // One deadline for the whole operation, from the moment the session starts.
    exchange.SetDeadline(zef::DeviceExchange::Clock::now() +
                     std::chrono::milliseconds(static_cast<long long>(std::llround(opts.timeout * 1000))));
    reconnectNote_ = exchange.reconnecting.Connect([this](bool started) {
        if (started) Note("reconnecting…");
    });
    retryNote_ = exchange.retrying.Connect([this](zef::DeviceSlot) { Note("reconnecting…"); });
    if (opts.log) {
        trafficLog_ = std::make_unique<zef::TrafficLogFile>(exchange.monitor(), *opts.log);
        if (!trafficLog_->ok()) Fail("cannot write the traffic log " + *opts.log);
    }
}

void Session::Note(const std::string& text) const {
    if (options.notes) *options.notes << "zefctl: " << text << std::endl;
}

std::string Session::DeadlineNote() const {
    if (!exchange.DeadlinePassed()) return {};
    std::ostringstream s;
    s << " (no answer within the --timeout of " << options.timeout << " s)";
    return s.str();
}

void Session::Check(const zef::WriteReport& report, const std::string& what) const {
    if (report.ok()) return;
    if (report.outcome == zef::WriteOutcome::Failed) Check(zef::kFailed, what);
    Fail(what + ": " + report.Text() + DeadlineNote());
}

Session::~Session() {
    if (connected_) Close();
}

void Session::ListTarget(const std::string& host, zef::DeviceSlot slot) {
    zef::DeviceEntry& e = model.entry(slot);
    e = zef::ClearedEntry(slot);
    e.inList = true;
    if (host.empty()) {
        if (!options.serial) Usage("missing HOST (or --serial PATH)");
        e.interface = zef::kInterfaceUsb;
        e.network = zef::kNetworkUsb;
    } else {
        if (!zef::ParseDottedAddress(host)) Usage("bad host '" + host + "' (dotted IPv4 address expected)");
        e.interface = zef::kInterfaceTcp;
        e.ip = host;
        e.network = zef::kNetworkUnknown;
    }
}

std::string Session::RouteThroughHolder(const std::string& host, zef::DeviceSlot slot) {
    routed.routes().Unroute(slot);
    if (options.noZefd || host.empty()) return {};
    const std::vector<zef::remote::ZefdEndpoint> endpoints = zef::remote::ZefdEndpoints(RemoteConfigIn(options));
    const std::optional<zef::remote::HeldDevice> held = zef::remote::FindHolder(endpoints, "", host);
    if (!held) return {};
    routed.routes().Route(slot, {held->endpoint, held->id});
    const std::string holder = held->endpoint.host + ":" + std::to_string(held->endpoint.port);
    Note(host + " is held by zefd at " + holder + ": working through it (--no-zefd connects directly)");
    return holder;
}

void Session::Connect(const std::string& host, Access access) {
    ListTarget(host);
    const std::string holder = RouteThroughHolder(host, kSlot);
    const std::string where = host.empty()          ? *options.serial
                              : holder.empty()      ? host + ":" + std::to_string(options.port)
                                                    : host + " through zefd at " + holder;
    const zef::ConnectResult result = connection.ConnectDevice(kSlot, zef::ConnectMode::Read);
    if (result == zef::ConnectResult::OldFirmware)
        Fail("cannot connect to " + where + ": firmware " + zef::FirmwareVersionText(model.device(kSlot).settings) +
             " is older than 2.0.0; update it first (zefctl firmware)");
    if (result != zef::ConnectResult::Found) {
        if (host.empty()) CheckSerialPermission();
        const std::string note = dialogs.lastNote();
        if (result == zef::ConnectResult::Refused || result == zef::ConnectResult::NotVerified)
            Fail("cannot load " + where + ": " + connection.problem() + DeadlineNote());
        Fail("cannot connect to " + where + (note.empty() ? ": Device not found" : ": " + note) + DeadlineNote());
    }
    connected_ = true;
    if (model.entry(kSlot).type == zef::kTypeBootLoader) Fail(where + " runs its boot loader");
    if (access == Access::Write) CheckUnlocked(options, model.entry(kSlot), where);
}

void Session::Identify(const std::string& host, zef::DeviceSlot slot) {
    ListTarget(host, slot);
    RouteThroughHolder(host, slot);
    zef::DeviceEntry& e = model.entry(slot);
    std::optional<zef::IdentifyReply> reply;
    connected_ = true;  // whatever answers is told goodbye
    if (e.isUsb()) {
        reply = exchange.FindSerialDevice(slot);
    } else if (routed.tcp().Connect(slot, e.ip, options.port, exchange.Budget(1000)) == zef::kTransportOk) {
        reply = exchange.IdentifyDevice(slot);
    }
    if (!reply && e.isUsb()) CheckSerialPermission();
    if (!reply || !reply->genuine)
        Fail("no device answered at " + (host.empty() ? *options.serial : host) + DeadlineNote());
    const zef::DeviceEntry id = zef::EntryFromIdentify(*reply, e.interface, e.ip, true);
    e.network = id.network;
    e.uniqueId = id.uniqueId;
    e.name = id.name;
    e.type = id.type;
    e.online = true;
}

void Session::Close() {
    if (!connected_) return;
    connected_ = false;
    for (zef::DeviceSlot slot = 1; slot < zef::kSlotCount; ++slot) {
        zef::DeviceEntry& e = model.entry(slot);
        if (!e.inList) continue;
        if (e.online) exchange.SendCommandFrameQuiet(slot, zef::cmd::kClose, zef::CommandParams{});
        e.online = false;
        routed.tcp().Disconnect(slot);
    }
    transport.serial().Close();
}

void Session::Settle(bool restore) {
    if (!connected_ || link.doubtfulRequests[zef::SlotIndex(kSlot)] == 0) return;
    const zef::WriteReport report = zef::SettleWithModel(exchange, model, kSlot, zef::WholeMemory(), restore);
    if (report.outcome == zef::WriteOutcome::Mismatch && !restore) Fail(report.detail + "; read it again");
    Check(report, "checking the device after a link fault");
}

void Session::CheckSerialPermission() const {
    const std::string& path = exchange.serialAccessDenied();
    if (!path.empty()) Fail(ConsoleDialogs::OneLine("", zef::SerialPermissionText(path)));
}

void Session::ExtendDeadline(zef::DeviceExchange::Clock::duration d) {
    if (const auto deadline = exchange.Deadline()) exchange.SetDeadline(*deadline + d);
}

void Session::Check(zef::Status status, const std::string& what) const {
    if (status == zef::kOk && connected_ && !model.entry(kSlot).online)
        Fail(what + ": the device went off-line" + DeadlineNote());
    if (status == zef::kOk) return;
    const std::string note = dialogs.lastNote();
    Fail(what + (note.empty() ? " failed" : ": " + note) + DeadlineNote());
}

}  // namespace zefctl
