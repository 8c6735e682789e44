#pragma once
// The HTTP edge of the service: Qt's HTTP server on one address and port,
// turning each request into an Incoming (a plain value that outlives the
// server's request object) and writing JSON answers. A WebSocket upgrade is
// handed over (newWebSocketConnection) once `upgrade` has allowed it.
//
// Size limits are kept at the socket, before the server gathers a request:
// a connection that sends more than maxBody + kMaxHeaderBytes bytes without
// completing a request is answered 413 and closed, and nothing of it is
// parsed further. A connection that completes no request for idleMs is
// closed (one that became a WebSocket is the stream's), and at most
// kMaxConnections are open at a time: more are closed at once.
#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QHttpServerResponder>

#include "api_error.h"
#include <functional>
#include <optional>
#include <memory>
#include <string>

namespace zef::remote {

struct Incoming {
    std::string method;     // "GET", "PUT", ...
    std::string path;       // decoded, without the query
    std::string query;      // as sent
    std::string authorization;
    std::string client;     // the peer's address
    QByteArray body;
};

class HttpFront : public QAbstractHttpServer {
    Q_OBJECT
public:
    static constexpr qint64 kMaxHeaderBytes = 16 * 1024;
    static constexpr int kRefusedGraceMs = 1000;
    static constexpr int kMaxConnections = 512;
    static constexpr int kDefaultIdleMs = 30000;

    using Handler = std::function<void(Incoming, QHttpServerResponder&&)>;
    // Decides on a WebSocket upgrade request: nullopt lets it through, an
    // error is the answer and the connection is not upgraded.
    using UpgradeCheck = std::function<std::optional<ApiError>(const Incoming&, quint16 peerPort)>;
    HttpFront(std::size_t maxBody, Handler handler, UpgradeCheck upgrade, int idleMs = kDefaultIdleMs);
    int openConnections() const { return open_; }
    // False when the address cannot be bound; the bound port in `port`.
    bool Listen(const QHostAddress& address, quint16& port);

    static void Reply(QHttpServerResponder& responder, int status, const QByteArray& json,
                      const QByteArray& extraHeader = {}, const QByteArray& extraValue = {});

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    void Guard(QTcpSocket* socket);
    std::size_t maxBody_;
    int idleMs_;
    int open_ = 0;
    Handler handler_;
    UpgradeCheck upgrade_;
};

}  // namespace zef::remote
