#include "remote_client.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QTimer>
#include <optional>

namespace zef::test {

QJsonObject HttpAnswer::json() const { return QJsonDocument::fromJson(body).object(); }

std::string HttpAnswer::errorCode() const { return json()["error"].toObject()["code"].toString().toStdString(); }

bool RunUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

namespace {

// Status, headers and body once the answer is complete; nullopt before.
std::optional<HttpAnswer> Complete(const QByteArray& data) {
    const qsizetype end = data.indexOf("\r\n\r\n");
    if (end < 0) return std::nullopt;
    HttpAnswer a;
    const QList<QByteArray> lines = data.left(end).split('\n');
    const QList<QByteArray> status = lines[0].trimmed().split(' ');
    a.status = status.size() > 1 ? status[1].toInt() : -1;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon < 0) continue;
        a.headers[lines[i].left(colon).trimmed().toLower().toStdString()] = lines[i].mid(colon + 1).trimmed().toStdString();
    }
    const qsizetype length = QByteArray::fromStdString(a.headers["content-length"]).toLongLong();
    if (data.size() - end - 4 < length) return std::nullopt;
    a.body = data.mid(end + 4, length);
    return a;
}

}  // namespace

HttpAnswer SendRaw(std::uint16_t port, const QByteArray& raw, int waitMs) {
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", port);
    RunUntil([&] {
        return socket.state() == QAbstractSocket::ConnectedState || socket.error() != QAbstractSocket::UnknownSocketError;
    }, waitMs);
    if (socket.state() != QAbstractSocket::ConnectedState) return {};
    socket.write(raw);
    QByteArray data;
    std::optional<HttpAnswer> answer;
    RunUntil([&] {
        data += socket.readAll();
        answer = Complete(data);
        return answer.has_value() || socket.state() == QAbstractSocket::UnconnectedState;
    }, waitMs);
    return answer.value_or(HttpAnswer{});
}

HttpAnswer Request(std::uint16_t port, const std::string& method, const std::string& path, const std::string& body,
                   const std::string& token) {
    std::string raw = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    if (!token.empty()) raw += "Authorization: Bearer " + token + "\r\n";
    if (!body.empty()) raw += "Content-Type: application/json\r\n";
    raw += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    return SendRaw(port, QByteArray::fromStdString(raw));
}

StreamClient::StreamClient(std::uint16_t port, const std::string& token, const std::string& path)
    : socket_(std::make_unique<QWebSocket>()) {
    QObject::connect(socket_.get(), &QWebSocket::textMessageReceived, [this](const QString& text) {
        messages_.push_back(QJsonDocument::fromJson(text.toUtf8()).object());
    });
    QObject::connect(socket_.get(), &QWebSocket::disconnected, [this] { closed_ = true; });
    QNetworkRequest request(QUrl(QString("ws://127.0.0.1:%1%2").arg(port).arg(QString::fromStdString(path))));
    if (!token.empty()) request.setRawHeader("Authorization", QByteArray::fromStdString("Bearer " + token));
    socket_->open(request);
    RunUntil([this] { return connected() || closed_; }, 3000);
}

void StreamClient::Send(const QJsonObject& message) {
    socket_->sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
}

std::optional<QJsonObject> StreamClient::WaitFor(const std::function<bool(const QJsonObject&)>& match, int ms,
                                                 std::size_t from) {
    std::optional<QJsonObject> found;
    RunUntil([&] {
        for (std::size_t i = from; i < messages_.size(); ++i)
            if (match(messages_[i])) {
                found = messages_[i];
                return true;
            }
        return false;
    }, ms);
    return found;
}

std::function<bool(const QJsonObject&)> Event(const std::string& event, const std::string& device) {
    return [event, device](const QJsonObject& m) {
        return m["event"].toString().toStdString() == event &&
               (device.empty() || m["device"].toString().toStdString() == device);
    };
}

}  // namespace zef::test
