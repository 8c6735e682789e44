#include "zefd_query.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <memory>

#include "transport/local_wait.h"

namespace zef::remote {

namespace {

QNetworkRequest RequestTo(const ZefdEndpoint& e, const QString& path, int timeoutMs) {
    QUrl url;
    url.setScheme("http");
    url.setHost(QString::fromStdString(e.host));
    url.setPort(e.port);
    url.setPath(path);
    QNetworkRequest request(url);
    request.setTransferTimeout(std::max(timeoutMs, 1));
    if (!e.token.empty()) request.setRawHeader("Authorization", "Bearer " + QByteArray::fromStdString(e.token));
    return request;
}

// Runs the event loop until every reply has finished or `timeoutMs` passed;
// the unfinished ones are aborted.
void AwaitAll(const std::vector<QNetworkReply*>& replies, int timeoutMs) {
    LocalWait wait;
    for (QNetworkReply* r : replies) wait.WakeOn(r, &QNetworkReply::finished);
    wait.Run(timeoutMs, [&replies] {
        return std::all_of(replies.begin(), replies.end(), [](QNetworkReply* r) { return r->isFinished(); });
    });
    for (QNetworkReply* r : replies)
        if (!r->isFinished()) r->abort();
}

QJsonObject BodyOf(QNetworkReply* reply) {
    if (!reply->isOpen()) return {};  // aborted
    return QJsonDocument::fromJson(reply->readAll()).object();
}

std::optional<HeldDevice> Match(const ZefdEndpoint& endpoint, const QJsonObject& list, const std::string& uniqueId,
                                const std::string& ip) {
    for (const QJsonValue& v : list["devices"].toArray()) {
        const QJsonObject d = v.toObject();
        HeldDevice held{endpoint, d["id"].toString().toStdString(), d["name"].toString().toStdString(),
                        d["uniqueId"].toString().toStdString(), d["address"].toString().toStdString()};
        if (d["released"].toBool()) continue;
        if ((!uniqueId.empty() && held.uniqueId == uniqueId) || (!ip.empty() && held.address == ip)) return held;
    }
    return std::nullopt;
}

}  // namespace

std::optional<HeldDevice> FindHolder(const std::vector<ZefdEndpoint>& endpoints, const std::string& uniqueId,
                                     const std::string& ip, int timeoutMs) {
    if (endpoints.empty() || (uniqueId.empty() && ip.empty())) return std::nullopt;
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    std::vector<QNetworkReply*> replies;
    for (const ZefdEndpoint& e : endpoints) replies.push_back(manager.get(RequestTo(e, "/api/v1/devices", timeoutMs)));
    AwaitAll(replies, timeoutMs);
    std::optional<HeldDevice> found;
    for (std::size_t i = 0; i < replies.size(); ++i) {
        QNetworkReply* r = replies[i];
        const bool ok = r->error() == QNetworkReply::NoError &&
                        r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
        if (ok && !found) found = Match(endpoints[i], BodyOf(r), uniqueId, ip);
        delete r;
    }
    return found;
}

std::string ReleaseHeld(const HeldDevice& device, int timeoutMs) {
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    const QString path = "/api/v1/devices/" + QString::fromStdString(device.id) + "/release";
    std::unique_ptr<QNetworkReply> reply(manager.post(RequestTo(device.endpoint, path, timeoutMs), QByteArray()));
    AwaitAll({reply.get()}, timeoutMs);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 200) return {};
    const std::string message = BodyOf(reply.get())["error"].toObject()["message"].toString().toStdString();
    if (!message.empty()) return message;
    return status == 0 ? "zefd did not answer in time" : "zefd answered " + std::to_string(status);
}

}  // namespace zef::remote
