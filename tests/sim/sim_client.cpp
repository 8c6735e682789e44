#include "sim_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <stdexcept>

#include "expected_frames.h"

namespace simtest {
namespace {

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
        if (fd_ >= 0) close(fd_);
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

Stream::~Stream() {
    if (fd_ >= 0) close(fd_);
}

void Stream::send(const Bytes& bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
        if (n <= 0) throw std::runtime_error("write failed");
        done += static_cast<std::size_t>(n);
    }
}

std::optional<Bytes> Stream::receive(std::size_t n, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    Bytes out;
    while (out.size() < n) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, remainingMs(deadline)) <= 0) return std::nullopt;
        std::uint8_t buf[512];
        const ssize_t got = read(fd_, buf, std::min(sizeof buf, n - out.size()));
        if (got <= 0) return std::nullopt;
        out.insert(out.end(), buf, buf + got);
    }
    return out;
}

Bytes Stream::drain(std::chrono::milliseconds quiet, std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    Bytes out;
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        const int wait = std::min(static_cast<int>(quiet.count()), remainingMs(deadline));
        if (wait <= 0 || poll(&p, 1, wait) <= 0) return out;
        std::uint8_t buf[512];
        const ssize_t got = read(fd_, buf, sizeof buf);
        if (got <= 0) return out;
        out.insert(out.end(), buf, buf + got);
    }
}

bool Stream::closedByPeer(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, remainingMs(deadline)) <= 0) return false;
        std::uint8_t buf[256];
        const ssize_t got = read(fd_, buf, sizeof buf);
        if (got <= 0) return true;
    }
}

std::optional<Bytes> Stream::exchange(const Bytes& request, std::size_t n) const {
    send(request);
    return receive(n);
}

Stream connectTcp(const std::string& host, std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, host.c_str(), &a.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        throw std::runtime_error("cannot connect to " + host + ":" + std::to_string(port));
    }
    return Stream(fd);
}

Stream openTerminal(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    return Stream(fd);
}

UdpReceiver::UdpReceiver() {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("udp bind");
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
}

UdpReceiver::~UdpReceiver() { close(fd_); }

std::optional<UdpReceiver::Datagram> UdpReceiver::receive(std::chrono::milliseconds timeout) const {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return std::nullopt;
    std::uint8_t buf[1500];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const ssize_t n = recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return std::nullopt;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    return Datagram{Bytes(buf, buf + n), text};
}

}  // namespace simtest
