#include "device_host.h"

#include "device/fir_store.h"

namespace zef::remote {

namespace {

SerialPortMap PortsFor(const std::string& serialPath) {
    SerialPortMap ports = SerialPortMap::RegisteredOnly();
    if (!serialPath.empty()) ports.Register(serialPath);
    return ports;
}

}  // namespace

DeviceHost::DeviceHost(LinkSettings settings, const std::string& serialPath)
    : transport(PortsFor(serialPath)),
      exchange(model, link, transport, std::move(settings)),
      list(model),
      reader(model, exchange, events),
      connection(list, exchange, reader, ConnectSettings{true, 1000}),
      writer(model, exchange, NoResponseObserver(), fir::MakeFirWriter(exchange, model)),
      presets(model, exchange, reader, events) {
    connect(&poll_, &QTimer::timeout, this, [this] { connection.StatusPollTick(); });
    connect(&retry_, &QTimer::timeout, this, [this] { RetryUnreached(); });
}

DeviceHost::~DeviceHost() { Release(); }

std::vector<DeviceSlot> DeviceHost::Hold(const std::vector<DeviceAddress>& devices) {
    for (const DeviceAddress& a : devices) {
        const std::optional<DeviceSlot> slot = list.FirstFreeSlot();
        if (!slot) break;
        DeviceEntry& e = model.entry(*slot);
        e = ClearedEntry(*slot);
        e.inList = true;
        e.interface = a.ip.empty() ? kInterfaceUsb : kInterfaceTcp;
        e.network = a.ip.empty() ? kNetworkUsb : kNetworkUnknown;
        e.ip = a.ip;
        list.ResetModel(*slot);
        held_.push_back(*slot);
        connection.ConnectDevice(*slot, ConnectMode::Read);
    }
    return held_;
}

void DeviceHost::KeepOnline(int pollMs, int retryMs) {
    connection.EnablePolling(true);
    poll_.start(pollMs);
    retry_.start(retryMs);
}

void DeviceHost::RetryUnreached() {
    if (!link.idle()) return;
    for (const DeviceSlot s : held_) {
        const DeviceEntry& e = model.entry(s);
        // A device once reached is brought back by the status poll (it knows its unique ID).
        if (!e.online && !released(s) && (e.uniqueId.empty() || e.isUsb()) && !connection.lost(s))
            connection.ConnectDevice(s, ConnectMode::Read);
    }
}

void DeviceHost::Release() {
    poll_.stop();
    retry_.stop();
    if (!held_.empty()) connection.Exit();
    held_.clear();
}

void DeviceHost::Release(DeviceSlot slot) {
    released_[SlotIndex(slot)] = true;
    // Command 15, then the connection (or the serial port) is closed.
    if (model.entry(slot).online) connection.Disconnect(slot);
}

bool DeviceHost::TakeBack(DeviceSlot slot) {
    released_[SlotIndex(slot)] = false;
    link.connectionTaken[SlotIndex(slot)] = false;
    return connection.ConnectDevice(slot, ConnectMode::Read) == ConnectResult::Found;
}

DeviceStack DeviceHost::stack() {
    HoldControl hold{[this](DeviceSlot s) { return released(s); }, [this](DeviceSlot s) { Release(s); },
                     [this](DeviceSlot s) { return TakeBack(s); }};
    return DeviceStack{model, exchange, writer, presets, connection, events, reader, {}, std::move(hold)};
}

}  // namespace zef::remote
