#include "remote_service.h"

#include <QFile>
#include <QPointer>
#include <QTcpSocket>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrlQuery>
#include <QWebSocket>

namespace zef::remote {

ServiceSettings SettingsOf(const RemoteConfig& config) {
    ServiceSettings s;
    s.host = config.listenHost;
    s.port = config.listenPort;
    s.tokens = config.tokens;
    s.rate = config.rate;
    s.maxBody = config.maxBody;
    if (!config.oscHost.empty()) {
        s.oscHost = config.oscHost;
        s.oscPort = config.oscPort;
        s.oscAllow = config.oscAllow;
    }
    return s;
}

RemoteService::RemoteService(DeviceStack stack, ServiceSettings settings)
    : settings_(std::move(settings)),
      tokens_(settings_.tokens),
      limiter_(settings_.rate, 2.0 * settings_.rate),
      service_(std::move(stack)),
      hub_(std::make_unique<StreamHub>(service_, limiter_)),
      tunnel_(std::make_unique<LinkTunnel>(service_, [this](std::function<void()> work) {
          return Enqueue(std::move(work));
      })) {
    drain_.setSingleShot(true);
    connect(&drain_, &QTimer::timeout, this, &RemoteService::Drain);
}

RemoteService::~RemoteService() = default;

bool RemoteService::Start(std::string& error) {
    if (!IsLoopbackHost(settings_.host) && tokens_.empty()) {
        error = "listening on " + settings_.host + " (not loopback) needs a token";
        return false;
    }
    const QHostAddress address(QString::fromStdString(settings_.host));
    if (address.isNull()) {
        error = "'" + settings_.host + "' is no address";
        return false;
    }
    front_ = std::make_unique<HttpFront>(
        settings_.maxBody, [this](Incoming in, QHttpServerResponder&& r) { Handle(std::move(in), std::move(r)); },
        [this](const Incoming& in, quint16 peerPort) { return CheckUpgrade(in, peerPort); }, settings_.idleMs);
    connect(front_.get(), &HttpFront::newWebSocketConnection, this, &RemoteService::NewWebSocket);
    quint16 port = settings_.port;
    if (!front_->Listen(address, port)) {
        error = "cannot listen on " + settings_.host + ":" + std::to_string(settings_.port);
        front_.reset();
        return false;
    }
    port_ = port;
    return !settings_.oscPort || StartOsc(error);
}

bool RemoteService::StartOsc(std::string& error) {
    if (!IsLoopbackHost(settings_.oscHost) && tokens_.empty() && settings_.oscAllow.empty()) {
        error = "OSC on " + settings_.oscHost + " (not loopback) needs a token or an allowed address";
        return false;
    }
    osc_ = std::make_unique<OscFront>(*this, *hub_, tokens_, limiter_, settings_.oscAllow);
    quint16 port = *settings_.oscPort;
    if (!osc_->Listen(QHostAddress(QString::fromStdString(settings_.oscHost)), port)) {
        error = "cannot listen for OSC on " + settings_.oscHost + ":" + std::to_string(*settings_.oscPort);
        osc_.reset();
        return false;
    }
    oscPort_ = port;
    return true;
}

Access RemoteService::AccessOf(const std::string& token) const {
    return tokens_.empty() ? Access::Write : tokens_.Check(token);
}

void RemoteService::Answer(QHttpServerResponder& responder, const CallResult& result) {
    ++answered_;
    if (const auto* e = std::get_if<ApiError>(&result)) {
        const QByteArray body = QJsonDocument(e->Json()).toJson(QJsonDocument::Compact);
        if (e->status == 401) HttpFront::Reply(responder, e->status, body, "WWW-Authenticate", "Bearer");
        else HttpFront::Reply(responder, e->status, body);
        return;
    }
    const QJsonValue& v = std::get<QJsonValue>(result);
    const QJsonDocument doc = v.isArray() ? QJsonDocument(v.toArray()) : QJsonDocument(v.toObject());
    HttpFront::Reply(responder, 200, doc.toJson(QJsonDocument::Compact));
}

void RemoteService::Handle(Incoming in, QHttpServerResponder&& responder) {
    if (!limiter_.Allow(in.client)) return Answer(responder, RateLimited());
    if (static_cast<std::size_t>(in.body.size()) > settings_.maxBody)
        return Answer(responder, TooLarge(settings_.maxBody));
    // The page holds no data: it asks for the token itself (#token=… in the address).
    if (in.method == "GET" && in.path == "/") return ServePage(responder);
    const Access access = AccessOf(BearerToken(in.authorization));
    if (access == Access::None) return Answer(responder, Unauthorized("a valid bearer token is needed"));
    ParsedCall parsed = ParseApiRequest(in.method, in.path, in.body);
    if (auto* e = std::get_if<ApiError>(&parsed)) return Answer(responder, *e);
    ApiCall& call = std::get<ApiCall>(parsed);
    if (call.writes && access != Access::Write) return Answer(responder, ReadOnly());
    if (call.route == RouteId::OpenApi) {
        QFile file(":/remote/openapi.json");
        file.open(QIODevice::ReadOnly);
        ++answered_;
        return HttpFront::Reply(responder, 200, file.readAll());
    }
    if (call.route == RouteId::Stream) return Answer(responder, BadRequest("the stream is a WebSocket upgrade"));
    if (call.route == RouteId::Link) return Answer(responder, BadRequest("the link is a WebSocket upgrade"));
    if (call.route == RouteId::WebRemote) return ServePage(responder);
    // The responder must outlive this call (the call may wait for the link);
    // the connection it writes to may go meanwhile.
    auto kept = std::make_shared<QHttpServerResponder>(std::move(responder));
    QPointer<QTcpSocket> socket = kept->socket();
    Submit(std::move(call), [this, kept, socket](const CallResult& result) {
        if (socket) Answer(*kept, result);
    });
}

void RemoteService::ServePage(QHttpServerResponder& responder) {
    QFile file(":/remote/web/index.html");
    file.open(QIODevice::ReadOnly);
    ++answered_;
    // Nothing from elsewhere: scripts and styles are the page's own, connections go to this service only.
    responder.write(file.readAll(),
                    {{"Content-Type", "text/html; charset=utf-8"},
                     {"Content-Security-Policy",
                      "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; connect-src 'self'; "
                      "img-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'"},
                     {"X-Content-Type-Options", "nosniff"},
                     {"Cache-Control", "no-store"}});
}

void RemoteService::Submit(ApiCall call, std::function<void(const CallResult&)> done) {
    const bool queued = Enqueue([this, call = std::move(call), done] { done(service_.Execute(call)); });
    if (queued) return;
    ++answered_;
    done(Busy());
}

bool RemoteService::Enqueue(std::function<void()> work) {
    if (queue_.size() >= kMaxQueued) return false;
    queue_.push_back(std::move(work));
    Drain();
    return true;
}

void RemoteService::Drain() {
    if (running_) return;
    if (!service_.stack().exchange.link().idle()) {
        // The status poll or a meter poll holds the link: look again shortly.
        if (!queue_.empty()) drain_.start(1);
        return;
    }
    running_ = true;
    while (!queue_.empty()) {
        const std::function<void()> work = std::move(queue_.front());
        queue_.pop_front();
        // Requests that arrive during this work's exchanges join the queue.
        work();
    }
    running_ = false;
}

std::optional<ApiError> RemoteService::CheckUpgrade(const Incoming& in, quint16 peerPort) {
    if (!limiter_.Allow(in.client)) return RateLimited();
    // Browsers cannot set a header on a WebSocket: the token may come in the query.
    std::string token = BearerToken(in.authorization);
    if (token.empty()) token = QUrlQuery(QString::fromStdString(in.query)).queryItemValue("token").toStdString();
    const Access access = AccessOf(token);
    if (access == Access::None) return Unauthorized("a valid token is needed");
    std::variant<Upgrade, ApiError> upgrade = UpgradeOf(in, access);
    if (const auto* e = std::get_if<ApiError>(&upgrade)) return *e;
    if (upgrades_.size() >= kMaxQueued) upgrades_.clear();  // handshakes that never finished
    upgrades_[peerPort] = std::get<Upgrade>(upgrade);
    return std::nullopt;
}

std::variant<RemoteService::Upgrade, ApiError> RemoteService::UpgradeOf(const Incoming& in, Access access) {
    if (in.path == "/api/v1/stream") return Upgrade{access, std::nullopt};
    const ParsedCall parsed = ParseApiRequest("GET", in.path, {});
    const auto* call = std::get_if<ApiCall>(&parsed);
    if (!call || call->route != RouteId::Link)
        return NotFound("the stream is at /api/v1/stream, a device's link at /api/v1/devices/DEVICE/link");
    if (access != Access::Write) return ReadOnly();
    const std::optional<DeviceSlot> slot = service_.Resolve(call->device);
    if (!slot) return UnknownDevice(call->device);
    const HoldControl& hold = service_.stack().hold;
    if (hold && hold.released(*slot)) return Released(call->device);
    return Upgrade{access, slot};
}

void RemoteService::NewWebSocket() {
    while (front_->hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> socket = front_->nextPendingWebSocketConnection();
        if (!socket) continue;
        const auto allowed = upgrades_.find(socket->peerPort());
        if (allowed == upgrades_.end()) {
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated, "unauthorized");
            socket.release()->deleteLater();
            continue;
        }
        const Upgrade upgrade = allowed->second;
        upgrades_.erase(allowed);
        if (upgrade.link) tunnel_->Add(std::move(socket), *upgrade.link);
        else hub_->Add(std::move(socket), upgrade.access);
    }
}

}  // namespace zef::remote
