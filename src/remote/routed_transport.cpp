#include "routed_transport.h"

#include <QNetworkRequest>
#include <QUrl>

#include "transport/local_wait.h"

namespace zef::remote {

namespace {

QUrl LinkUrl(const LinkRoute& r) {
    QUrl url;
    url.setScheme("ws");
    url.setHost(QString::fromStdString(r.endpoint.host));
    url.setPort(r.endpoint.port);
    url.setPath("/api/v1/devices/" + QString::fromStdString(r.device) + "/link");
    return url;
}

}  // namespace

RoutedTcpClient::~RoutedTcpClient() {
    for (Link& l : links_) Close(l);
}

RoutedTcpClient::Link* RoutedTcpClient::routed(int slot) {
    if (slot < 0 || slot >= static_cast<int>(links_.size()) || !links_[slot].route) return nullptr;
    return &links_[slot];
}

const RoutedTcpClient::Link* RoutedTcpClient::routed(int slot) const {
    return const_cast<RoutedTcpClient*>(this)->routed(slot);
}

void RoutedTcpClient::Close(Link& link) {
    if (!link.socket) return;
    link.socket->disconnect();
    link.socket->abort();
    link.socket.release()->deleteLater();
    link.received.clear();
    link.noReply = false;
}

void RoutedTcpClient::Route(int slot, LinkRoute route) {
    if (slot < 0 || slot >= static_cast<int>(links_.size())) return;
    Link& l = links_[slot];
    if (l.route == route) return;
    Close(l);
    direct_.Disconnect(slot);
    l.route = std::move(route);
}

void RoutedTcpClient::Unroute(int slot) {
    Link* l = routed(slot);
    if (!l) return;
    Close(*l);
    l->route.reset();
}

std::optional<LinkRoute> RoutedTcpClient::route(int slot) const {
    const Link* l = routed(slot);
    return l ? l->route : std::nullopt;
}

int RoutedTcpClient::Init(int maxConnections) {
    for (Link& l : links_) Close(l);
    links_.resize(static_cast<std::size_t>(std::max(maxConnections, 0)));
    return direct_.Init(maxConnections);
}

int RoutedTcpClient::Connect(int slot, const std::string& ip, std::uint16_t port, int timeoutMs) {
    Link* l = routed(slot);
    if (!l) return direct_.Connect(slot, ip, port, timeoutMs);
    Close(*l);
    l->closedByPeer = false;
    l->socket = std::make_unique<QWebSocket>();
    QWebSocket* socket = l->socket.get();
    QObject::connect(socket, &QWebSocket::binaryMessageReceived, socket, [l](const QByteArray& m) {
        if (m.isEmpty()) l->noReply = true;
        l->received += m;
    });
    QObject::connect(socket, &QWebSocket::disconnected, socket, [l] { l->closedByPeer = true; });
    QNetworkRequest request(LinkUrl(*l->route));
    if (!l->route->endpoint.token.empty())
        request.setRawHeader("Authorization", "Bearer " + QByteArray::fromStdString(l->route->endpoint.token));
    LocalWait wait;
    wait.WakeOn(socket, &QWebSocket::connected);
    wait.WakeOn(socket, &QWebSocket::disconnected);
    socket->open(request);
    const bool open = wait.Run(timeoutMs, [socket, l] {
        return socket->state() == QAbstractSocket::ConnectedState || l->closedByPeer;
    });
    if (open && socket->state() == QAbstractSocket::ConnectedState) return kTransportOk;
    Close(*l);
    return kTransportFailed;
}

int RoutedTcpClient::Send(int slot, const Bytes& bytes) {
    Link* l = routed(slot);
    if (!l) return direct_.Send(slot, bytes);
    if (!IsConnected(slot)) return kTransportFailed;
    l->received.clear();
    l->noReply = false;
    if (bytes.size() == 1 && bytes[0] == 0) return kTransportOk;  // zefd's link sends its own
    const QByteArray frame(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    return l->socket->sendBinaryMessage(frame) == frame.size() ? kTransportOk : kTransportFailed;
}

int RoutedTcpClient::Receive(int slot, Bytes& reply, int timeoutMs) {
    Link* l = routed(slot);
    if (!l) return direct_.Receive(slot, reply, timeoutMs);
    if (!l->socket) return kTransportFailed;
    const auto want = static_cast<qsizetype>(reply.size());
    LocalWait wait;
    wait.WakeOn(l->socket.get(), &QWebSocket::binaryMessageReceived);
    wait.WakeOn(l->socket.get(), &QWebSocket::disconnected);
    wait.Run(timeoutMs, [l, want] { return l->received.size() >= want || l->noReply || l->closedByPeer; });
    if (l->received.size() < want) return kTransportFailed;
    std::copy_n(l->received.constData(), want, reinterpret_cast<char*>(reply.data()));
    l->received.remove(0, want);
    return kTransportOk;
}

void RoutedTcpClient::Disconnect(int slot) {
    Link* l = routed(slot);
    if (!l) return direct_.Disconnect(slot);
    Close(*l);
}

bool RoutedTcpClient::IsConnected(int slot) const {
    const Link* l = routed(slot);
    if (!l) return direct_.IsConnected(slot);
    return l->socket && l->socket->state() == QAbstractSocket::ConnectedState;
}

std::size_t RoutedTcpClient::Unread(int slot) const {
    const Link* l = routed(slot);
    return l ? static_cast<std::size_t>(l->received.size()) : direct_.Unread(slot);
}

bool RoutedTcpClient::ClosedByPeer(int slot) const {
    const Link* l = routed(slot);
    return l ? l->closedByPeer : direct_.ClosedByPeer(slot);
}

}  // namespace zef::remote
