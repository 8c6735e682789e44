#include "stream_hub.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>

namespace zef::remote {

namespace {

QString Id(DeviceSlot slot) { return QString::fromStdString(DeviceService::IdOf(slot)); }

QString Text(const QJsonObject& message) {
    return QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

}  // namespace

StreamHub::StreamHub(DeviceService& service, RateLimiter& limiter)
    : service_(service), limiter_(limiter), tracker_(service.stack().model) {
    connect(&tick_, &QTimer::timeout, this, &StreamHub::Tick);
    tick_.start(kTickMs);
    subscriptions_.push_back(service_.wrote.Connect([this](DeviceSlot s) { Flush(s); }));
    RefreshEvents& events = service_.stack().events;
    subscriptions_.push_back(events.deviceLevelRefreshed.Connect([this](DeviceSlot s) { Flush(s); }));
    subscriptions_.push_back(events.groupRefreshed.Connect([this](DeviceSlot s, ParamGroup) { Flush(s); }));
}

StreamHub::~StreamHub() = default;

void StreamHub::Add(std::unique_ptr<QWebSocket> socket, Access access) {
    QWebSocket* raw = socket.get();
    if (clients_.size() >= kMaxClients) {
        raw->close(QWebSocketProtocol::CloseCodeTooMuchData, "too many clients");
        return;
    }
    raw->setMaxAllowedIncomingMessageSize(kMaxMessageBytes);
    raw->setMaxAllowedIncomingFrameSize(kMaxMessageBytes);
    auto client = std::make_unique<Client>();
    client->socket = std::move(socket);
    client->access = access;
    Client* c = client.get();
    clients_.push_back(std::move(client));
    connect(raw, &QWebSocket::textMessageReceived, this, [this, c](const QString& text) { Message(*c, text); });
    connect(raw, &QWebSocket::binaryMessageReceived, this, [this, c](const QByteArray&) {
        Send(*c, BadRequest("messages are JSON text").Json());
    });
    connect(raw, &QWebSocket::disconnected, this, [this, raw] { Remove(raw); });
    Send(*c, {{"event", "hello"}, {"access", access == Access::Write ? "write" : "read"}});
}

void StreamHub::Remove(QWebSocket* socket) {
    for (auto it = clients_.begin(); it != clients_.end(); ++it) {
        if ((*it)->socket.get() != socket) continue;
        // Deleted once its own signal has returned.
        (*it)->socket.release()->deleteLater();
        clients_.erase(it);
        break;
    }
    for (DeviceSlot s = 1; s < kSlotCount; ++s)
        if (tracker_.watching(s) && !Followed(s)) tracker_.Forget(s);
}

void StreamHub::Follow(DeviceSlot slot, bool on) {
    int& n = otherFollowers_[SlotIndex(slot)];
    if (on) {
        if (n++ == 0 && !tracker_.watching(slot)) tracker_.Watch(slot);
        return;
    }
    if (n > 0 && --n == 0 && !Followed(slot)) tracker_.Forget(slot);
}

bool StreamHub::Followed(DeviceSlot slot) const {
    if (otherFollowers_[SlotIndex(slot)] > 0) return true;
    for (const auto& c : clients_)
        if (c->devices.count(slot)) return true;
    return false;
}

void StreamHub::Send(Client& client, const QJsonObject& message) { client.socket->sendTextMessage(Text(message)); }

void StreamHub::Message(Client& client, const QString& text) {
    if (!limiter_.Allow(client.socket->peerAddress().toString().toStdString())) {
        Send(client, RateLimited().Json());
        return;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        Send(client, BadRequest("a message is a JSON object").Json());
        return;
    }
    const QJsonObject o = doc.object();
    if (o.contains("meters")) {
        const double hz = o["meters"].toDouble(-1);
        if (!o["meters"].isDouble() || hz < 0 || hz > kMaxMeterHz) {
            Send(client, OutOfRange("meters is a rate 0..10 per second").Json());
            return;
        }
        client.meterHz = static_cast<int>(hz);
    }
    if (o.contains("subscribe") && !o["subscribe"].isArray()) {
        Send(client, BadRequest("subscribe takes a list of device ids").Json());
        return;
    }
    if (o.contains("unsubscribe") && !o["unsubscribe"].isArray()) {
        Send(client, BadRequest("unsubscribe takes a list of device ids").Json());
        return;
    }
    if (!o.contains("subscribe") && !o.contains("unsubscribe") && !o.contains("meters")) {
        Send(client, BadRequest("a message holds subscribe, unsubscribe or meters").Json());
        return;
    }
    if (o.contains("subscribe")) Subscribe(client, o["subscribe"].toArray(), true);
    if (o.contains("unsubscribe")) Subscribe(client, o["unsubscribe"].toArray(), false);
}

void StreamHub::Subscribe(Client& client, const QJsonArray& ids, bool on) {
    for (const QJsonValue& id : ids) {
        const std::string key = id.isDouble() ? std::to_string(id.toInt()) : id.toString().toStdString();
        const std::optional<DeviceSlot> slot = service_.Resolve(key);
        if (!slot) {
            Send(client, UnknownDevice(key).Json());
            continue;
        }
        if (!on) {
            client.devices.erase(*slot);
            if (!Followed(*slot)) tracker_.Forget(*slot);
            continue;
        }
        // Whatever changed before this client came is reported to the others first.
        if (tracker_.watching(*slot)) Flush(*slot); else tracker_.Watch(*slot);
        client.devices.insert(*slot);
        Send(client, {{"event", "device"}, {"device", Id(*slot)}, {"state", service_.State(*slot)},
                      {"values", service_.ValuesJson(*slot)}});
    }
}

void StreamHub::Flush(DeviceSlot slot) {
    if (!tracker_.watching(slot)) return;
    const DeviceChanges changes = tracker_.Take(slot);
    if (changes.empty()) return;
    changed.Emit(slot, changes);
    QJsonObject online, changed;
    if (changes.online) online = {{"event", "online"}, {"device", Id(slot)}, {"online", *changes.online}};
    if (!changes.values.empty()) {
        QJsonObject values;
        for (const ParameterChange& c : changes.values)
            values[QString::fromStdString(c.parameter->name)] = ValueToJson(*c.parameter, c.value);
        changed = {{"event", "changed"}, {"device", Id(slot)}, {"values", values}};
    }
    const QString onlineText = online.isEmpty() ? QString() : Text(online);
    const QString changedText = changed.isEmpty() ? QString() : Text(changed);
    for (const auto& c : clients_) {
        if (!c->devices.count(slot)) continue;
        if (!onlineText.isEmpty()) c->socket->sendTextMessage(onlineText);
        if (!changedText.isEmpty()) c->socket->sendTextMessage(changedText);
    }
}

void StreamHub::Tick() {
    for (DeviceSlot s = 1; s < kSlotCount; ++s) Flush(s);
    SendMeters(std::chrono::steady_clock::now());
}

void StreamHub::SendMeters(std::chrono::steady_clock::time_point now) {
    std::set<const Client*> due;
    std::set<DeviceSlot> polled;
    for (const auto& c : clients_) {
        if (c->meterHz == 0 || now < c->nextMeters) continue;
        c->nextMeters = now + std::chrono::milliseconds(1000 / c->meterHz);
        due.insert(c.get());
        polled.insert(c->devices.begin(), c->devices.end());
    }
    // One poll per device, however many clients want it. The polls wait for
    // the link, and clients may come and go meanwhile: the clients are
    // looked up again afterwards.
    for (const DeviceSlot s : polled) service_.PollMeters(s);
    // Each device's message is made once for all its clients.
    std::map<DeviceSlot, QString> texts;
    for (const DeviceSlot s : polled)
        texts[s] = Text({{"event", "meters"}, {"device", Id(s)}, {"meters", service_.MetersJson(s)}});
    for (const auto& c : clients_) {
        if (!due.count(c.get())) continue;
        for (const DeviceSlot s : c->devices)
            if (texts.count(s)) c->socket->sendTextMessage(texts[s]);
    }
}

}  // namespace zef::remote
