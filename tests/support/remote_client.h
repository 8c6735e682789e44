#pragma once
// A test's HTTP and WebSocket clients for the service in the same thread:
// every wait runs the event loop (so the service answers) and is bounded.
#include <QByteArray>
#include <QJsonObject>
#include <QWebSocket>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zef::test {

struct HttpAnswer {
    int status = 0;  // 0: no answer within the wait
    std::map<std::string, std::string> headers;  // names in lower case
    QByteArray body;
    QJsonObject json() const;
    std::string errorCode() const;  // error.code of the body, "" when none
};

// Sends `raw` bytes as they are and reads one answer (Content-Length framed).
HttpAnswer SendRaw(std::uint16_t port, const QByteArray& raw, int waitMs = 3000);
// A request with a JSON body (none when empty) and an optional bearer token.
HttpAnswer Request(std::uint16_t port, const std::string& method, const std::string& path,
                   const std::string& body = {}, const std::string& token = {});

// Runs the event loop until `done` or `ms` passed; whether done.
bool RunUntil(const std::function<bool()>& done, int ms);

// A WebSocket client that keeps every text message it receives.
class StreamClient {
public:
    // Opens ws://127.0.0.1:PORT/PATH (the token as a bearer header when given).
    StreamClient(std::uint16_t port, const std::string& token = {}, const std::string& path = "/api/v1/stream");
    bool connected() const { return socket_->state() == QAbstractSocket::ConnectedState; }
    void Send(const QJsonObject& message);
    // The first kept message (from `from` on) that satisfies `match`, waiting up to `ms`.
    std::optional<QJsonObject> WaitFor(const std::function<bool(const QJsonObject&)>& match, int ms = 2000,
                                       std::size_t from = 0);
    const std::vector<QJsonObject>& messages() const { return messages_; }
    bool closed() const { return closed_; }

private:
    std::unique_ptr<QWebSocket> socket_;
    std::vector<QJsonObject> messages_;
    bool closed_ = false;
};

// A message with this "event" (and device, when given).
std::function<bool(const QJsonObject&)> Event(const std::string& event, const std::string& device = {});

}  // namespace zef::test
