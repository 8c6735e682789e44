#pragma once
// The WebSocket stream (GET /api/v1/stream, an upgrade). A client sends JSON
// text messages:
//   {"subscribe":["1","0A0B0C0D0E02"], "meters":5}   devices to follow; meters and
//                                                    status per second, 0..10 (0: none)
//   {"unsubscribe":["1"]}
// and receives, for every device it follows:
//   {"event":"device","device":"1","state":{...},"values":{...}}   at once on subscribing
//   {"event":"changed","device":"1","values":{"out1.gain":-3}}     every change, from any source
//   {"event":"online","device":"1","online":false}
//   {"event":"meters","device":"1","meters":{...}}                 at the rate it chose
// A message it cannot use is answered {"error":{...}} and changes nothing.
// Messages are at most kMaxMessageBytes and count against the client's rate.
//
// Changes are found by comparing each followed device with what was last
// reported (change_tracker.h): at once after a remote write and a device
// read-back, and kTickMs after anything else (an editor window).
#include <QObject>
#include <QTimer>
#include <QWebSocket>
#include <array>
#include <chrono>
#include <memory>
#include <set>
#include <vector>

#include "change_tracker.h"
#include "device_service.h"
#include "rate_limiter.h"
#include "tokens.h"

namespace zef::remote {

class StreamHub : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 50;
    static constexpr int kMaxMeterHz = 10;
    static constexpr qint64 kMaxMessageBytes = 16 * 1024;
    static constexpr std::size_t kMaxClients = 256;

    StreamHub(DeviceService& service, RateLimiter& limiter);
    ~StreamHub() override;

    // Takes a client whose upgrade was allowed with `access`.
    void Add(std::unique_ptr<QWebSocket> socket, Access access);
    std::size_t clientCount() const { return clients_.size(); }
    // Reports what changed in `slot` to its followers now.
    void Flush(DeviceSlot slot);
    // Followers other than stream clients (OSC): while a slot has any, its
    // changes are tracked and told through `changed`.
    void Follow(DeviceSlot slot, bool on);
    Signal<DeviceSlot, const DeviceChanges&> changed;

private:
    struct Client {
        std::unique_ptr<QWebSocket> socket;
        Access access = Access::Read;
        std::set<DeviceSlot> devices;
        int meterHz = 0;
        std::chrono::steady_clock::time_point nextMeters{};
    };
    void Message(Client& client, const QString& text);
    void Subscribe(Client& client, const QJsonArray& ids, bool on);
    void Send(Client& client, const QJsonObject& message);
    void Tick();
    void SendMeters(std::chrono::steady_clock::time_point now);
    void Remove(QWebSocket* socket);
    bool Followed(DeviceSlot slot) const;

    DeviceService& service_;
    RateLimiter& limiter_;
    ChangeTracker tracker_;
    std::vector<std::unique_ptr<Client>> clients_;
    std::array<int, kSlotCount> otherFollowers_{};
    QTimer tick_;
    std::vector<Subscription> subscriptions_;
};

}  // namespace zef::remote
