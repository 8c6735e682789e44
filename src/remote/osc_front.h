#pragma once
// The OSC interface (osc_request.h) on one UDP address and port. Who may do
// what: an address on the allow-list has its access; any other client
// sends /zef/auth TOKEN first (its address and port then have the token's
// access) — unless the service has no tokens at all, which it may only on
// loopback. Datagrams count against the client address's rate, and the
// clients it remembers (authorised, subscribed) are at most kMaxPeers, the
// oldest forgotten first.
#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>
#include <deque>
#include <set>
#include <vector>

#include "base/signal.h"
#include "osc_request.h"
#include "rate_limiter.h"
#include "remote_config.h"
#include "tokens.h"

namespace zef::remote {

class RemoteService;
class StreamHub;
struct DeviceChanges;

class OscFront : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxPeers = 256;

    OscFront(RemoteService& service, StreamHub& hub, const TokenTable& tokens, RateLimiter& limiter,
             std::vector<OscAllow> allow);
    ~OscFront() override;
    // False when the address cannot be bound; the bound port in `port`.
    bool Listen(const QHostAddress& address, quint16& port);

private:
    struct Peer {
        QHostAddress address;
        quint16 port = 0;
        Access access = Access::None;  // from /zef/auth
        std::set<DeviceSlot> devices;
    };
    void Read();
    void Handle(const QHostAddress& from, quint16 port, const QByteArray& datagram);
    void Carry(const QHostAddress& from, quint16 port, const OscCall& call);
    void Subscribe(const QHostAddress& from, quint16 port, const std::string& device, bool on);
    void Send(const QHostAddress& to, quint16 port, const OscMessage& message);
    void SendError(const QHostAddress& to, quint16 port, const ApiError& e);
    void Changed(DeviceSlot slot, const DeviceChanges& changes);
    Access AccessOf(const QHostAddress& from, quint16 port) const;
    Peer& PeerOf(const QHostAddress& from, quint16 port);

    RemoteService& service_;
    StreamHub& hub_;
    const TokenTable& tokens_;
    RateLimiter& limiter_;
    std::vector<OscAllow> allow_;
    QUdpSocket socket_;
    std::deque<Peer> peers_;
    Subscription changes_;
};

}  // namespace zef::remote
