#pragma once
// A tiny raw-frame client for the simulator's tests: TCP, pseudo-terminal and UDP, with every
// wait bounded in time.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/net_socket.h"

namespace simtest {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// F0 21 addr code p1..p8 F7
Bytes frame(std::uint8_t code, std::initializer_list<std::uint8_t> params = {}, std::uint8_t address = 0x01);
// F0 21 addr 15 hi lo n data F7
Bytes blockWrite(std::uint16_t address, const Bytes& data, std::uint8_t deviceAddress = 0x01);

// A byte stream over a TCP connection or a terminal.
class Stream {
public:
    Stream() = default;
    explicit Stream(zef::net::Socket socket) : socket_(std::move(socket)) {}
    explicit Stream(int terminal) : terminal_(terminal) {}
    Stream(Stream&& o) noexcept : socket_(std::move(o.socket_)), terminal_(o.terminal_) { o.terminal_ = -1; }
    Stream& operator=(Stream&& o) noexcept;
    ~Stream();

    bool ok() const { return socket_.valid() || terminal_ >= 0; }
    void send(const Bytes& bytes) const;
    // Exactly n bytes, or nullopt when they did not all arrive within `timeout`.
    std::optional<Bytes> receive(std::size_t n, std::chrono::milliseconds timeout = 2000ms) const;
    // Whatever arrives until the line has been quiet for `quiet` (at most `limit` in all).
    Bytes drain(std::chrono::milliseconds quiet = 150ms, std::chrono::milliseconds limit = 2000ms) const;
    // True when the peer closed the connection within `timeout`.
    bool closedByPeer(std::chrono::milliseconds timeout = 2000ms) const;
    // Sends a request and reads a reply of n bytes.
    std::optional<Bytes> exchange(const Bytes& request, std::size_t n) const;

private:
    zef::net::NativeHandle handle() const { return socket_.valid() ? socket_.handle() : terminal_; }
    // Bytes read (> 0), 0 at the end of the stream, -1 when nothing can be read now.
    long readSome(std::uint8_t* into, std::size_t n) const;

    zef::net::Socket socket_;
    int terminal_ = -1;
};

Stream connectTcp(const std::string& host, std::uint16_t port);
Stream openTerminal(const std::string& path);  // raw, 9600 baud

class UdpReceiver {
public:
    UdpReceiver();  // bound to 127.0.0.1, free port
    std::uint16_t port() const { return socket_.LocalPort(); }
    struct Datagram {
        Bytes bytes;
        std::string sender;
    };
    std::optional<Datagram> receive(std::chrono::milliseconds timeout = 2000ms) const;

private:
    zef::net::Socket socket_;
};

}  // namespace simtest
