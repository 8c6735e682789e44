#pragma once
// A transport whose device answers with the fuzzer's bytes: every Receive or
// Read takes the next bytes of one script, in order, whatever was asked. A
// script that runs out fails the receive with the bytes it had. Nothing
// waits: pauses and time-outs return at once.

#include <algorithm>
#include <span>

#include "transport/transport.h"

namespace zef::fuzz {

class ScriptedTransport final : public Transport, public TcpClient, public SerialPort {
public:
    explicit ScriptedTransport(std::span<const std::uint8_t> script)
        : script_(script), ports_(SerialPortMap::RegisteredOnly()) {}

    TcpClient& tcp() override { return *this; }
    SerialPort& serial() override { return *this; }
    SerialPortMap& serialPorts() override { return ports_; }
    std::unique_ptr<TcpClient> NewTcpClient() override { return nullptr; }
    std::unique_ptr<AnnouncementListener> NewAnnouncementListener() override { return nullptr; }
    std::vector<std::string> GetLocalAddresses() override { return {"127.0.0.1"}; }
    void Pause(int) override {}

    // TcpClient
    int Init(int) override { return kTransportOk; }
    std::vector<std::string> Scan(const std::vector<std::string>&, std::uint16_t, int, bool) override { return {}; }
    void SetScanResponseHandler(ScanHandler) override {}
    int Connect(int, const std::string&, std::uint16_t, int) override {
        connected_ = true;
        return kTransportOk;
    }
    int Send(int, const Bytes& bytes) override {
        sent_ += bytes.size();
        return connected_ ? kTransportOk : kTransportFailed;
    }
    int Receive(int, Bytes& reply, int) override { return Take(reply); }
    void Disconnect(int) override { connected_ = false; }
    bool IsConnected(int) const override { return connected_; }

    // SerialPort
    int Open(int, int) override {
        open_ = true;
        return kTransportOk;
    }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    void Write(const Bytes& bytes) override { sent_ += bytes.size(); }
    int Read(Bytes& reply, int) override { return Take(reply); }

    std::size_t sent() const { return sent_; }
    bool exhausted() const { return script_.empty(); }

private:
    int Take(Bytes& reply) {
        const std::size_t n = std::min(reply.size(), script_.size());
        std::copy_n(script_.begin(), n, reply.begin());
        script_ = script_.subspan(n);
        return n == reply.size() ? kTransportOk : kTransportFailed;
    }

    std::span<const std::uint8_t> script_;
    SerialPortMap ports_;
    bool connected_ = true;
    bool open_ = true;
    std::size_t sent_ = 0;
};

}  // namespace zef::fuzz
