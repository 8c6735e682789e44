#include "http_front.h"

#include <QHttpServerRequest>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include "api_error.h"
#include <QJsonDocument>

namespace zef::remote {

namespace {

const char* kBytesProperty = "zefBytesSinceRequest";
const char* kRefusedProperty = "zefRefused";
const char* kUpgradeErrorProperty = "zefUpgradeError";
const char* kIdleTimerName = "zefIdle";

// Hands every accepted socket to `guard` before the HTTP server sees it, so
// that the guard's reading slot runs first.
class GuardedServer : public QTcpServer {
public:
    explicit GuardedServer(std::function<void(QTcpSocket*)> guard) : guard_(std::move(guard)) {}

protected:
    void incomingConnection(qintptr handle) override {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(handle)) {
            delete socket;
            return;
        }
        guard_(socket);
        addPendingConnection(socket);
    }

private:
    std::function<void(QTcpSocket*)> guard_;
};

const char* MethodName(QHttpServerRequest::Method m) {
    switch (m) {
        case QHttpServerRequest::Method::Get:
            return "GET";
        case QHttpServerRequest::Method::Put:
            return "PUT";
        case QHttpServerRequest::Method::Post:
            return "POST";
        case QHttpServerRequest::Method::Delete:
            return "DELETE";
        case QHttpServerRequest::Method::Head:
            return "HEAD";
        case QHttpServerRequest::Method::Options:
            return "OPTIONS";
        case QHttpServerRequest::Method::Patch:
            return "PATCH";
        default:
            return "OTHER";
    }
}

}  // namespace

HttpFront::HttpFront(std::size_t maxBody, Handler handler, UpgradeCheck upgrade, int idleMs)
    : maxBody_(maxBody), idleMs_(idleMs), handler_(std::move(handler)), upgrade_(std::move(upgrade)) {}

bool HttpFront::Listen(const QHostAddress& address, quint16& port) {
    auto* server = new GuardedServer([this](QTcpSocket* s) { Guard(s); });
    server->setParent(this);
    if (!server->listen(address, port)) {
        delete server;
        return false;
    }
    port = server->serverPort();
    bind(server);
    return true;
}

void HttpFront::Guard(QTcpSocket* socket) {
    ++open_;
    connect(socket, &QObject::destroyed, this, [this] { --open_; });
    if (open_ > kMaxConnections) {
        socket->abort();
        return;
    }
    auto* idle = new QTimer(socket);
    idle->setObjectName(kIdleTimerName);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, socket, [socket] { socket->abort(); });
    idle->start(idleMs_);
    socket->setProperty(kBytesProperty, qint64(0));
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        if (socket->property(kRefusedProperty).toBool()) {
            socket->readAll();  // nothing more of this connection is parsed
            return;
        }
        const qint64 total = socket->property(kBytesProperty).toLongLong() + socket->bytesAvailable();
        socket->setProperty(kBytesProperty, total);
        if (total <= static_cast<qint64>(maxBody_) + kMaxHeaderBytes) return;
        socket->setProperty(kRefusedProperty, true);
        socket->readAll();
        const QByteArray body = QJsonDocument(TooLarge(maxBody_).Json()).toJson(QJsonDocument::Compact);
        socket->write("HTTP/1.1 413 Payload Too Large\r\nContent-Type: application/json\r\nConnection: close\r\n"
                      "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        // Closing while the client still sends would reset the connection
        // and lose the answer: what it sends is read and dropped for a
        // moment first.
        QTimer::singleShot(kRefusedGraceMs, socket, [socket] { socket->disconnectFromHost(); });
    });
}

bool HttpFront::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    if (socket->property(kRefusedProperty).toBool()) return true;
    socket->setProperty(kBytesProperty, qint64(0));
    QTimer* idle = socket->findChild<QTimer*>(kIdleTimerName);
    Incoming in;
    in.method = MethodName(request.method());
    in.path = request.url().path().toStdString();
    in.query = request.url().query().toStdString();
    in.authorization = request.value("authorization").toStdString();
    in.client = request.remoteAddress().toString().toStdString();
    in.body = request.body();
    if (request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0) {
        // The server upgrades the connection when this returns true, and
        // answers through missingHandler when it returns false.
        const std::optional<ApiError> refused = upgrade_(in, socket->peerPort());
        if (!refused) {
            if (idle) idle->stop();  // the stream's from now on
            return true;
        }
        socket->setProperty(kUpgradeErrorProperty, QVariant::fromValue(refused->status));
        socket->setProperty("zefUpgradeBody", QJsonDocument(refused->Json()).toJson(QJsonDocument::Compact));
        return false;
    }
    if (idle) idle->start(idleMs_);
    handler_(std::move(in), makeResponder(request, socket));
    return true;
}

void HttpFront::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    QHttpServerResponder responder = makeResponder(request, socket);
    const QVariant status = socket->property(kUpgradeErrorProperty);
    if (status.isValid()) {
        Reply(responder, status.toInt(), socket->property("zefUpgradeBody").toByteArray());
        return;
    }
    Reply(responder, 404, QJsonDocument(NotFound("nothing is served here").Json()).toJson(QJsonDocument::Compact));
}

void HttpFront::Reply(QHttpServerResponder& responder, int status, const QByteArray& json,
                      const QByteArray& extraHeader, const QByteArray& extraValue) {
    const auto code = static_cast<QHttpServerResponder::StatusCode>(status);
    if (extraHeader.isEmpty()) {
        responder.write(json, {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}}, code);
    } else {
        responder.write(json, {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"},
                               {extraHeader, extraValue}}, code);
    }
}

}  // namespace zef::remote
