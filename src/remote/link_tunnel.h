#pragma once
// The link route (GET /api/v1/devices/DEVICE/link, a WebSocket upgrade that
// needs a write token): another controller works a held device through this
// service, so that the device keeps one controller.
//
// Each binary message from the client is one request frame (protocol/frame.h)
// and is answered by one binary message: the device's reply as it came, or
// an empty message when there was none (no answer, the device off-line, a
// message that is not one whole frame — then nothing is sent). The frames
// join the service's queue with its own requests and polls and go out
// through its exchange, one at a time, in order. The closing command (15) is
// answered here with its own echo and not sent: it ends the client's
// session, not the service's. A lone 0x00 byte (what a TCP controller sends
// after each exchange) is dropped unanswered.
//
// After a frame that changes the device (any command but identify, memory
// read, status poll and close) the service reads the device back as it does
// after a change made on the device itself (DeviceReader::Update), kSettleMs
// after the last such frame, so that its model and the stream's clients
// follow the edits made through the link. A FIR is written as memory blocks
// and then activated (command 29, p1 = its output's channel code): the
// activation marks that output's FIR to be read back with the rest.
//
// When the service lets the device go (release), its links are closed: the
// controller at the other end sees its connection taken.
#include <QObject>
#include <QTimer>
#include <QWebSocket>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "device_service.h"

namespace zef::remote {

class LinkTunnel : public QObject {
    Q_OBJECT
public:
    static constexpr int kSettleMs = 100;
    static constexpr std::size_t kMaxClients = 16;

    // `enqueue` runs work when the link is free (the service's queue); false
    // when the queue is full.
    using Enqueue = std::function<bool(std::function<void()>)>;
    LinkTunnel(DeviceService& service, Enqueue enqueue);
    ~LinkTunnel() override;

    // Takes a client whose upgrade to the link of `slot` was allowed.
    void Add(std::unique_ptr<QWebSocket> socket, DeviceSlot slot);
    std::size_t clientCount() const { return clients_.size(); }
    // Frames forwarded to a device so far.
    std::uint64_t forwarded() const { return forwarded_; }

private:
    struct Client {
        std::unique_ptr<QWebSocket> socket;
        DeviceSlot slot = 0;
    };
    void Frame(Client& client, const QByteArray& message);
    void Settle();
    void Remove(QWebSocket* socket);
    void CloseReleased(DeviceSlot slot);

    DeviceService& service_;
    Enqueue enqueue_;
    std::vector<std::unique_ptr<Client>> clients_;
    std::set<DeviceSlot> changed_;
    std::map<DeviceSlot, std::uint16_t> firsChanged_;  // DeviceReader's pending FIR bits per slot
    QTimer settle_;
    std::uint64_t forwarded_ = 0;
    Subscription wrote_;
};

// Whether a request of this command changes the device.
bool ChangesDevice(std::uint8_t command);

}  // namespace zef::remote
