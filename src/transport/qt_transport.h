#pragma once
// The transport on Qt: QTcpSocket per connection slot, QSerialPort, QUdpSocket
// and QNetworkInterface. Needs a QCoreApplication (or QApplication) on the
// calling thread; every wait runs a LocalWait.

#include <QSerialPort>
#include <QTcpSocket>
#include <QUdpSocket>
#include <memory>
#include <vector>

#include "transport/transport.h"

namespace zef {

class QtTcpClient final : public TcpClient {
public:
    QtTcpClient();
    ~QtTcpClient() override;

    int Init(int maxConnections) override;
    std::vector<std::string> Scan(const std::vector<std::string>& addresses, std::uint16_t port,
                                  int timeoutMs, bool wait) override;
    void SetScanResponseHandler(ScanHandler handler) override { scanHandler_ = std::move(handler); }
    int Connect(int slot, const std::string& ip, std::uint16_t port, int timeoutMs) override;
    int Send(int slot, const Bytes& bytes) override;
    int Receive(int slot, Bytes& reply, int timeoutMs) override;
    void Disconnect(int slot) override;
    bool IsConnected(int slot) const override;
    bool ClosedByPeer(int slot) const override;
    std::size_t Unread(int slot) const override;

private:
    struct ScanRun;
    QTcpSocket* socket(int slot) const;
    void FinishScan(bool deliver);

    std::vector<std::unique_ptr<QTcpSocket>> sockets_;
    std::vector<bool> closedByPeer_;
    ScanHandler scanHandler_;
    std::unique_ptr<ScanRun> scan_;
};

class QtSerialPort final : public SerialPort {
public:
    explicit QtSerialPort(const SerialPortMap& ports) : ports_(ports) {}

    int Open(int number, int baud) override;
    void Close() override;
    bool IsOpen() const override { return port_.isOpen(); }
    void Write(const Bytes& bytes) override;
    int Read(Bytes& reply, int timeoutMs) override;

private:
    const SerialPortMap& ports_;
    QSerialPort port_;
    int baud_ = kSerialBaudRate;
    std::size_t lastWriteSize_ = 0;
};

class QtAnnouncementListener final : public AnnouncementListener {
public:
    QtAnnouncementListener();

    void SetHandler(Handler handler) override { handler_ = std::move(handler); }
    int Listen(const std::string& host, std::uint16_t port) override;
    void Stop() override;
    bool IsListening() const override;
    std::uint16_t LocalPort() const override;

private:
    void Drain();

    QUdpSocket socket_;
    Handler handler_;
};

class QtTransport final : public Transport {
public:
    // `ports` decides how serial port numbers map to device files.
    explicit QtTransport(SerialPortMap ports = SerialPortMap());

    TcpClient& tcp() override { return tcp_; }
    SerialPort& serial() override { return serial_; }
    SerialPortMap& serialPorts() override { return ports_; }
    std::unique_ptr<TcpClient> NewTcpClient() override;
    std::unique_ptr<AnnouncementListener> NewAnnouncementListener() override;
    std::vector<std::string> GetLocalAddresses() override;
    void Pause(int ms) override;

private:
    SerialPortMap ports_;
    QtTcpClient tcp_;
    QtSerialPort serial_;
};

}  // namespace zef
