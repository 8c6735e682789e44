#include "osc_front.h"

#include <QNetworkDatagram>

#include "remote_service.h"

namespace zef::remote {

OscFront::OscFront(RemoteService& service, StreamHub& hub, const TokenTable& tokens, RateLimiter& limiter,
                   std::vector<OscAllow> allow)
    : service_(service), hub_(hub), tokens_(tokens), limiter_(limiter), allow_(std::move(allow)) {
    connect(&socket_, &QUdpSocket::readyRead, this, &OscFront::Read);
    changes_ = hub_.changed.Connect([this](DeviceSlot s, const DeviceChanges& c) { Changed(s, c); });
}

OscFront::~OscFront() {
    for (const Peer& p : peers_)
        for (const DeviceSlot s : p.devices) hub_.Follow(s, false);
}

bool OscFront::Listen(const QHostAddress& address, quint16& port) {
    if (!socket_.bind(address, port)) return false;
    port = socket_.localPort();
    return true;
}

void OscFront::Read() {
    while (socket_.hasPendingDatagrams()) {
        const QNetworkDatagram d = socket_.receiveDatagram(static_cast<qint64>(kMaxOscDatagram) + 1);
        if (!d.isValid()) continue;
        Handle(d.senderAddress(), static_cast<quint16>(d.senderPort()), d.data());
    }
}

Access OscFront::AccessOf(const QHostAddress& from, quint16 port) const {
    for (const OscAllow& a : allow_)
        if (QHostAddress(QString::fromStdString(a.address)).isEqual(from, QHostAddress::ConvertV4MappedToIPv4))
            return a.access;
    for (const Peer& p : peers_)
        if (p.port == port && p.address == from && p.access != Access::None) return p.access;
    return tokens_.empty() ? Access::Write : Access::None;
}

OscFront::Peer& OscFront::PeerOf(const QHostAddress& from, quint16 port) {
    for (Peer& p : peers_)
        if (p.port == port && p.address == from) return p;
    if (peers_.size() >= kMaxPeers) {
        for (const DeviceSlot s : peers_.front().devices) hub_.Follow(s, false);
        peers_.pop_front();
    }
    peers_.push_back(Peer{from, port, Access::None, {}});
    return peers_.back();
}

void OscFront::Handle(const QHostAddress& from, quint16 port, const QByteArray& datagram) {
    if (!limiter_.Allow(from.toString().toStdString())) return SendError(from, port, RateLimited());
    if (static_cast<std::size_t>(datagram.size()) > kMaxOscDatagram) return SendError(from, port, TooLarge(kMaxOscDatagram));
    const auto message = DecodeOsc(std::span(reinterpret_cast<const std::uint8_t*>(datagram.data()),
                                             static_cast<std::size_t>(datagram.size())));
    if (!message) return SendError(from, port, BadRequest("no OSC message this service reads"));
    const auto parsed = ParseOscRequest(*message);
    if (const auto* e = std::get_if<ApiError>(&parsed)) return SendError(from, port, *e);
    const OscCall& call = std::get<OscCall>(parsed);
    if (call.kind == OscCall::Kind::Auth) {
        const Access access = tokens_.Check(call.text);
        if (access == Access::None) return SendError(from, port, Unauthorized("not a known token"));
        PeerOf(from, port).access = access;
        return Send(from, port, {"/zef/auth", {std::string(access == Access::Write ? "write" : "read")}});
    }
    const Access access = AccessOf(from, port);
    if (access == Access::None) return SendError(from, port, Unauthorized("send /zef/auth TOKEN first"));
    if (call.kind != OscCall::Kind::Call) return Subscribe(from, port, call.text, call.kind == OscCall::Kind::Subscribe);
    if (call.call.writes && access != Access::Write) return SendError(from, port, ReadOnly());
    Carry(from, port, call);
}

void OscFront::Carry(const QHostAddress& from, quint16 port, const OscCall& call) {
    // A set and a query are answered with the value the device holds.
    service_.Submit(call.call, [this, from, port, call](const CallResult& result) {
        if (const auto* e = std::get_if<ApiError>(&result)) return SendError(from, port, *e);
        if (!call.call.parameter) return;
        const auto slot = service_.devices().Resolve(call.call.device);
        if (!slot) return;
        const Parameter& p = *call.call.parameter;
        const double value = GetValue(service_.devices().stack().model.device(*slot), p);
        Send(from, port, {"/zef/" + call.call.device + "/" + p.name, {OscValue(p, value)}});
    });
}

void OscFront::Subscribe(const QHostAddress& from, quint16 port, const std::string& device, bool on) {
    const auto slot = service_.devices().Resolve(device);
    if (!slot) return SendError(from, port, UnknownDevice(device));
    Peer& peer = PeerOf(from, port);
    const bool had = peer.devices.count(*slot) > 0;
    if (on && !had) {
        peer.devices.insert(*slot);
        hub_.Follow(*slot, true);
    } else if (!on && had) {
        peer.devices.erase(*slot);
        hub_.Follow(*slot, false);
    }
    Send(from, port, {on ? "/zef/subscribe" : "/zef/unsubscribe", {device}});
}

void OscFront::Changed(DeviceSlot slot, const DeviceChanges& changes) {
    const std::string id = DeviceService::IdOf(slot);
    std::vector<QByteArray> datagrams;
    for (const ParameterChange& c : changes.values)
        datagrams.push_back(EncodeOsc({"/zef/" + id + "/" + c.parameter->name, {OscValue(*c.parameter, c.value)}}));
    if (changes.online) datagrams.push_back(EncodeOsc({"/zef/" + id + "/online", {*changes.online}}));
    for (const Peer& p : peers_) {
        if (!p.devices.count(slot)) continue;
        for (const QByteArray& d : datagrams) socket_.writeDatagram(d, p.address, p.port);
    }
}

void OscFront::Send(const QHostAddress& to, quint16 port, const OscMessage& message) {
    socket_.writeDatagram(EncodeOsc(message), to, port);
}

void OscFront::SendError(const QHostAddress& to, quint16 port, const ApiError& e) {
    Send(to, port, {"/zef/error", {e.code, e.message}});
}

}  // namespace zef::remote
