#pragma once
// The remote-control service on a set of devices: HTTP/JSON and the
// WebSocket stream on one address and port, with the checks every request
// passes in this order — the client's rate (rate_limited), the size
// (too_large), the token when tokens are configured (unauthorized), the
// route and its body (api_request.h), a read-only token asking to write
// (read_only) — before the call is carried out (device_service.h).
//
// A WebSocket upgrade goes to the stream (/api/v1/stream) or to a device's
// link (link_tunnel.h; a write token, a held device that is not released).
//
// The link does one exchange at a time and keeps the event loop running
// while it waits, so a request that arrives while an exchange runs waits in
// a queue (at most kMaxQueued, then busy) and is carried out when the link is
// free, in arrival order.
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "device_service.h"
#include "http_front.h"
#include "link_tunnel.h"
#include "osc_front.h"
#include "rate_limiter.h"
#include "remote_config.h"
#include "stream_hub.h"

namespace zef::remote {

struct ServiceSettings {
    std::string host = "127.0.0.1";
    std::uint16_t port = kDefaultListenPort;  // 0: any free port
    std::vector<TokenEntry> tokens;
    int rate = kDefaultRate;
    std::size_t maxBody = kDefaultMaxBody;
    std::optional<std::uint16_t> oscPort;  // OSC on host:port when set (0: any free port)
    std::string oscHost = "127.0.0.1";
    std::vector<OscAllow> oscAllow;
    int idleMs = HttpFront::kDefaultIdleMs;  // a connection without a request is closed after this
};

ServiceSettings SettingsOf(const RemoteConfig& config);

class RemoteService : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxQueued = 64;

    RemoteService(DeviceStack stack, ServiceSettings settings);
    ~RemoteService() override;

    // Listens; false with `error` set when the address cannot be bound, or is
    // no loopback address and no token is configured.
    bool Start(std::string& error);
    bool StartOsc(std::string& error);
    std::uint16_t port() const { return port_; }
    std::uint16_t oscPort() const { return oscPort_; }

    // Carries out a parsed call when the link is free (at once when it is),
    // then calls `done` with the result; busy when the queue is full.
    void Submit(ApiCall call, std::function<void(const CallResult&)> done);
    // Runs `work` when the link is free, after what is queued before it;
    // false (nothing queued) when the queue is full.
    bool Enqueue(std::function<void()> work);

    DeviceService& devices() { return service_; }
    StreamHub& stream() { return *hub_; }
    LinkTunnel& links() { return *tunnel_; }
    // Requests answered so far, errors included.
    std::uint64_t answered() const { return answered_; }

private:
    // An upgrade allowed and not yet taken: to the stream, or to a device's link.
    struct Upgrade {
        Access access = Access::Read;
        std::optional<DeviceSlot> link;
    };
    void Handle(Incoming in, QHttpServerResponder&& responder);
    void Answer(QHttpServerResponder& responder, const CallResult& result);
    void ServePage(QHttpServerResponder& responder);
    Access AccessOf(const std::string& token) const;
    void Drain();
    std::optional<ApiError> CheckUpgrade(const Incoming& in, quint16 peerPort);
    std::variant<Upgrade, ApiError> UpgradeOf(const Incoming& in, Access access);
    void NewWebSocket();

    ServiceSettings settings_;
    TokenTable tokens_;
    RateLimiter limiter_;
    DeviceService service_;
    std::unique_ptr<StreamHub> hub_;
    std::unique_ptr<LinkTunnel> tunnel_;
    std::unique_ptr<HttpFront> front_;
    std::deque<std::function<void()>> queue_;
    // Upgrades allowed and not yet taken, by the client's port.
    std::map<quint16, Upgrade> upgrades_;
    bool running_ = false;
    QTimer drain_;
    std::unique_ptr<OscFront> osc_;
    std::uint16_t port_ = 0;
    std::uint16_t oscPort_ = 0;
    std::uint64_t answered_ = 0;
};

}  // namespace zef::remote
