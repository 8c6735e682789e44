#include "link_tunnel.h"

#include <QPointer>
#include <algorithm>

#include "protocol/commands.h"
#include "protocol/frame.h"

namespace zef::remote {

namespace {

QByteArray AsMessage(std::span<const std::uint8_t> bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

bool ChangesDevice(std::uint8_t command) {
    return command != cmd::kIdentify && command != cmd::kReadMemory && command != cmd::kStatusPoll &&
           command != cmd::kClose;
}

LinkTunnel::LinkTunnel(DeviceService& service, Enqueue enqueue)
    : service_(service),
      enqueue_(std::move(enqueue)),
      wrote_(service.wrote.Connect([this](DeviceSlot slot) { CloseReleased(slot); })) {
    settle_.setSingleShot(true);
    connect(&settle_, &QTimer::timeout, this, &LinkTunnel::Settle);
}

LinkTunnel::~LinkTunnel() {
    for (auto& c : clients_) c->socket->disconnect(this);
}

void LinkTunnel::Add(std::unique_ptr<QWebSocket> socket, DeviceSlot slot) {
    if (clients_.size() >= kMaxClients) {
        socket->close(QWebSocketProtocol::CloseCodeTooMuchData, "too many links");
        socket.release()->deleteLater();
        return;
    }
    auto client = std::make_unique<Client>(Client{std::move(socket), slot});
    QWebSocket* raw = client->socket.get();
    Client* c = client.get();
    raw->setMaxAllowedIncomingMessageSize(kMaxFrameSize);
    connect(raw, &QWebSocket::binaryMessageReceived, this, [this, c](const QByteArray& m) { Frame(*c, m); });
    connect(raw, &QWebSocket::textMessageReceived, this, [raw] { raw->sendBinaryMessage({}); });
    connect(raw, &QWebSocket::disconnected, this, [this, raw] { Remove(raw); });
    clients_.push_back(std::move(client));
}

void LinkTunnel::Frame(Client& client, const QByteArray& message) {
    QWebSocket* socket = client.socket.get();
    if (message.size() == 1 && message[0] == 0) return;  // the lone byte after a TCP exchange
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(message.constData());
    const std::optional<ParsedFrame> frame = ParseCommandFrame({bytes, static_cast<std::size_t>(message.size())});
    if (!frame) return void(socket->sendBinaryMessage({}));
    if (frame->request.command == cmd::kClose) return void(socket->sendBinaryMessage(message));
    QPointer<QWebSocket> kept(socket);
    const DeviceSlot slot = client.slot;
    const Request request = frame->request;
    const bool queued = enqueue_([this, kept, slot, request] {
        const ExchangeResult r = service_.stack().exchange.Transact(slot, request, Reporting::Quiet);
        ++forwarded_;
        if (r.replied() && ChangesDevice(request.command)) {
            changed_.insert(slot);
            if (request.command == cmd::kActivateFir && request.p[0] == kOutput1)
                firsChanged_[slot] |= kFirChangedOutput1;
            if (request.command == cmd::kActivateFir && request.p[0] == kOutput2)
                firsChanged_[slot] |= kFirChangedOutput2;
            settle_.start(kSettleMs);
        }
        if (kept) kept->sendBinaryMessage(AsMessage(r.reply()));
    });
    if (!queued) socket->sendBinaryMessage({});
}

void LinkTunnel::Settle() {
    const std::set<DeviceSlot> changed = std::exchange(changed_, {});
    for (const DeviceSlot slot : changed) {
        const bool queued = enqueue_([this, slot] {
            DeviceStack& stack = service_.stack();
            if (!stack.model.entry(slot).online) return;
            const auto firs = firsChanged_.find(slot);
            if (firs != firsChanged_.end()) {
                stack.reader.pendingChangeBits |= firs->second;
                firsChanged_.erase(firs);
            }
            stack.reader.Update(slot);
            service_.wrote.Emit(slot);
        });
        if (!queued) {
            changed_.insert(slot);
            settle_.start(kSettleMs);
        }
    }
}

void LinkTunnel::CloseReleased(DeviceSlot slot) {
    const HoldControl& hold = service_.stack().hold;
    if (!hold || !hold.released(slot)) return;
    std::vector<QWebSocket*> closing;
    for (const auto& c : clients_)
        if (c->slot == slot) closing.push_back(c->socket.get());
    for (QWebSocket* s : closing) {
        s->close(QWebSocketProtocol::CloseCodeNormal, "released");
        Remove(s);
    }
}

void LinkTunnel::Remove(QWebSocket* socket) {
    const auto it = std::find_if(clients_.begin(), clients_.end(),
                                 [socket](const auto& c) { return c->socket.get() == socket; });
    if (it == clients_.end()) return;
    (*it)->socket->disconnect(this);
    (*it)->socket.release()->deleteLater();
    clients_.erase(it);
}

}  // namespace zef::remote
