#pragma once
// Working a device through zefd: the editor's transport with a TCP client
// whose slots each go either straight to the device (the Qt client) or
// through a zefd's link route (link_tunnel.h), so that the whole device layer
// above works unchanged on a device that zefd holds.
//
// A routed slot's "connection" is a WebSocket to
// ws://HOST:PORT/api/v1/devices/ID/link (the token as a bearer header). Send
// writes one frame as one binary message (the lone 0x00 that follows each
// TCP exchange is not sent: zefd's own link sends its own); each reply comes
// back as one binary message and is queued for Receive. An empty message is
// zefd saying there was no reply: Receive fails at once instead of waiting
// out its time-out. Every wait is a LocalWait, bounded by its time-out.
#include <QByteArray>
#include <QWebSocket>
#include <memory>
#include <optional>
#include <vector>

#include "remote_config.h"
#include "transport/transport.h"

namespace zef::remote {

// Where a routed slot's frames go: a zefd and its id of the device.
struct LinkRoute {
    ZefdEndpoint endpoint;
    std::string device;  // zefd's id (slot number or unique ID)
    bool operator==(const LinkRoute&) const = default;
};

class RoutedTcpClient final : public TcpClient {
public:
    explicit RoutedTcpClient(TcpClient& direct) : direct_(direct) {}
    ~RoutedTcpClient() override;

    // From the next Connect on, the slot's connection is the route's link
    // (a link the slot has open is closed now unless it is the same route).
    void Route(int slot, LinkRoute route);
    // The slot goes straight to its device again (its link is closed).
    void Unroute(int slot);
    std::optional<LinkRoute> route(int slot) const;

    int Init(int maxConnections) override;
    std::vector<std::string> Scan(const std::vector<std::string>& addresses, std::uint16_t port, int timeoutMs,
                                  bool wait) override {
        return direct_.Scan(addresses, port, timeoutMs, wait);
    }
    void SetScanResponseHandler(ScanHandler handler) override { direct_.SetScanResponseHandler(std::move(handler)); }
    int Connect(int slot, const std::string& ip, std::uint16_t port, int timeoutMs) override;
    int Send(int slot, const Bytes& bytes) override;
    int Receive(int slot, Bytes& reply, int timeoutMs) override;
    void Disconnect(int slot) override;
    bool IsConnected(int slot) const override;
    std::size_t Unread(int slot) const override;
    bool ClosedByPeer(int slot) const override;

private:
    struct Link {
        std::optional<LinkRoute> route;
        std::unique_ptr<QWebSocket> socket;
        QByteArray received;
        bool noReply = false;  // zefd answered a frame with nothing
        bool closedByPeer = false;
    };
    Link* routed(int slot);
    const Link* routed(int slot) const;
    void Close(Link& link);

    TcpClient& direct_;
    std::vector<Link> links_ = std::vector<Link>(kTcpConnectionSlots);
};

// The editor's transport with the routed TCP client; everything else is `inner`'s.
class RoutedTransport final : public Transport {
public:
    explicit RoutedTransport(Transport& inner) : inner_(inner), tcp_(inner.tcp()) {}

    RoutedTcpClient& routes() { return tcp_; }
    TcpClient& tcp() override { return tcp_; }
    SerialPort& serial() override { return inner_.serial(); }
    SerialPortMap& serialPorts() override { return inner_.serialPorts(); }
    std::unique_ptr<TcpClient> NewTcpClient() override { return inner_.NewTcpClient(); }
    std::unique_ptr<AnnouncementListener> NewAnnouncementListener() override {
        return inner_.NewAnnouncementListener();
    }
    std::vector<std::string> GetLocalAddresses() override { return inner_.GetLocalAddresses(); }
    void Pause(int ms) override { inner_.Pause(ms); }

private:
    Transport& inner_;
    RoutedTcpClient tcp_;
};

}  // namespace zef::remote
