#include "sim_client.h"

#ifndef _WIN32
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <stdexcept>

#include "expected_frames.h"

namespace simtest {
namespace {

// The terminal side of a Stream: zefsim's pty, which exists on POSIX only;
// on Windows no terminal is ever opened (openTerminal refuses).
#ifndef _WIN32
void closeTerminal(int fd) { close(fd); }
long readTerminal(int fd, std::uint8_t* into, std::size_t n) {
    const ssize_t got = read(fd, into, n);
    return got < 0 ? -1 : static_cast<long>(got);
}
long writeTerminal(int fd, const std::uint8_t* bytes, std::size_t n) { return static_cast<long>(write(fd, bytes, n)); }
#else
void closeTerminal(int) {}
long readTerminal(int, std::uint8_t*, std::size_t) { return 0; }
long writeTerminal(int, const std::uint8_t*, std::size_t) { return -1; }
#endif

int remainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

Bytes frame(std::uint8_t code, std::initializer_list<std::uint8_t> params, std::uint8_t address) {
    std::array<std::uint8_t, 8> p{};
    if (params.size() > p.size()) throw std::out_of_range("more than eight parameters");
    std::copy(params.begin(), params.end(), p.begin());
    return zef::test::CommandFrame(address, code, p);
}

Bytes blockWrite(std::uint16_t address, const Bytes& data, std::uint8_t deviceAddress) {
    return zef::test::BlockWriteFrame(deviceAddress, address, data);
}

Stream& Stream::operator=(Stream&& o) noexcept {
    if (this != &o) {
        if (terminal_ >= 0) closeTerminal(terminal_);
        socket_ = std::move(o.socket_);
        terminal_ = o.terminal_;
        o.terminal_ = -1;
    }
    return *this;
}

Stream::~Stream() {
    if (terminal_ >= 0) closeTerminal(terminal_);
}

long Stream::readSome(std::uint8_t* into, std::size_t n) const {
    if (terminal_ >= 0) return readTerminal(terminal_, into, n);
    const zef::net::IoResult got = socket_.Receive({into, n});
    if (got.status == zef::net::IoStatus::kOk) return static_cast<long>(got.bytes);
    return got.status == zef::net::IoStatus::kWouldBlock ? -1 : 0;
}

void Stream::send(const Bytes& bytes) const {
    std::size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + 2000ms;
    while (done < bytes.size()) {
        if (!zef::net::WaitWritable(handle(), std::chrono::milliseconds(remainingMs(deadline))))
            throw std::runtime_error("write timed out");
        std::size_t n = 0;
        if (terminal_ >= 0) {
            const long wrote = writeTerminal(terminal_, bytes.data() + done, bytes.size() - done);
            if (wrote <= 0) throw std::runtime_error("write failed");
            n = static_cast<std::size_t>(wrote);
        } else {
            const zef::net::IoResult sent = socket_.Send({bytes.data() + done, bytes.size() - done});
            if (sent.status == zef::net::IoStatus::kWouldBlock) continue;
            if (sent.status != zef::net::IoStatus::kOk) throw std::runtime_error("write failed");
            n = sent.bytes;
        }
        done += n;
    }
}

std::optional<Bytes> Stream::receive(std::size_t n, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    Bytes out;
    while (out.size() < n) {
        if (!zef::net::WaitReadable(handle(), std::chrono::milliseconds(remainingMs(deadline)))) return std::nullopt;
        std::uint8_t buf[512];
        const long got = readSome(buf, std::min(sizeof buf, n - out.size()));
        if (got == 0) return std::nullopt;
        if (got > 0) out.insert(out.end(), buf, buf + got);
    }
    return out;
}

Bytes Stream::drain(std::chrono::milliseconds quiet, std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    Bytes out;
    for (;;) {
        const int wait = std::min(static_cast<int>(quiet.count()), remainingMs(deadline));
        if (wait <= 0 || !zef::net::WaitReadable(handle(), std::chrono::milliseconds(wait))) return out;
        std::uint8_t buf[512];
        const long got = readSome(buf, sizeof buf);
        if (got == 0) return out;
        if (got > 0) out.insert(out.end(), buf, buf + got);
    }
}

bool Stream::closedByPeer(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (!zef::net::WaitReadable(handle(), std::chrono::milliseconds(remainingMs(deadline)))) return false;
        std::uint8_t buf[256];
        if (readSome(buf, sizeof buf) == 0) return true;
    }
}

std::optional<Bytes> Stream::exchange(const Bytes& request, std::size_t n) const {
    send(request);
    return receive(n);
}

Stream connectTcp(const std::string& host, std::uint16_t port) {
    std::string error;
    const std::optional<std::uint32_t> address = zef::net::ParseIpv4(host);
    zef::net::Socket s = address ? zef::net::Socket::ConnectTcp(*address, port, 2000ms, error) : zef::net::Socket();
    if (!s.valid()) throw std::runtime_error("cannot connect to " + host + ":" + std::to_string(port) + ": " + error);
    return Stream(std::move(s));
}

Stream openTerminal(const std::string& path) {
#ifdef _WIN32
    throw std::runtime_error("no terminal to open at " + path + " here: zefsim's pty is POSIX only");
#else
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    return Stream(fd);
#endif
}

UdpReceiver::UdpReceiver() {
    std::string error;
    socket_ = zef::net::Socket::BindUdp(0x7F000001u, 0, error);
    if (!socket_.valid()) throw std::runtime_error("udp bind: " + error);
}

std::optional<UdpReceiver::Datagram> UdpReceiver::receive(std::chrono::milliseconds timeout) const {
    if (!zef::net::WaitReadable(socket_.handle(), timeout)) return std::nullopt;
    std::uint8_t buf[1500];
    std::uint32_t from = 0;
    const zef::net::IoResult got = socket_.ReceiveFrom(buf, from);
    if (got.status != zef::net::IoStatus::kOk) return std::nullopt;
    return Datagram{Bytes(buf, buf + got.bytes), zef::net::Ipv4Text(from)};
}

}  // namespace simtest
