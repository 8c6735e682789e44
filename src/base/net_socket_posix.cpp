// The socket layer on POSIX sockets (Linux, macOS).
#ifndef _WIN32

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "base/net_socket.h"

namespace zef::net {
namespace {

// macOS has no MSG_NOSIGNAL; its sockets carry SO_NOSIGPIPE instead.
#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif

std::string ErrorText(int code) { return std::strerror(code); }

// Non-blocking and closed in a child after exec.
void Prepare(int fd) {
    fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
#ifdef SO_NOSIGPIPE
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
}

void NoDelay(int fd) {
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

sockaddr_in Address(std::uint32_t address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(address);
    a.sin_port = htons(port);
    return a;
}

int NewSocket(int type, std::string& error) {
#ifdef SOCK_CLOEXEC
    type |= SOCK_CLOEXEC;  // no window in which a forking thread could inherit it
#endif
    const int fd = socket(AF_INET, type, 0);
    if (fd < 0) {
        error = "cannot make a socket: " + ErrorText(errno);
        return -1;
    }
    Prepare(fd);
    return fd;
}

bool IsTransient(int code) { return code == EAGAIN || code == EWOULDBLOCK || code == EINTR; }

IoResult Moved(ssize_t n) {
    if (n > 0) return {IoStatus::kOk, static_cast<std::size_t>(n), {}};
    const int code = errno;
    if (IsTransient(code)) return {IoStatus::kWouldBlock, 0, {}};
    if (code == EPIPE || code == ECONNRESET) return {IoStatus::kClosed, 0, {}};
    return {IoStatus::kFailed, 0, ErrorText(code)};
}

}  // namespace

void Socket::Close() {
    if (handle_ != kNoHandle) ::close(handle_);
    handle_ = kNoHandle;
}

Socket Socket::ConnectTcp(std::uint32_t address, std::uint16_t port, std::chrono::milliseconds timeout,
                          std::string& error) {
    Socket s(NewSocket(SOCK_STREAM, error));
    if (!s.valid()) return s;
    const sockaddr_in a = Address(address, port);
    int code = 0;
    if (connect(s.handle_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        code = errno;
        if (code == EINPROGRESS) {
            code = ETIMEDOUT;
            if (WaitWritable(s.handle_, timeout)) {
                socklen_t len = sizeof code;
                if (getsockopt(s.handle_, SOL_SOCKET, SO_ERROR, &code, &len) != 0) code = errno;
            }
        }
    }
    if (code != 0) {
        error = ErrorText(code);
        return Socket();
    }
    NoDelay(s.handle_);
    return s;
}

Socket Socket::ListenTcp(std::uint32_t address, std::uint16_t port, std::string& error) {
    Socket s(NewSocket(SOCK_STREAM, error));
    if (!s.valid()) return s;
    const int one = 1;
    setsockopt(s.handle_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const sockaddr_in a = Address(address, port);
    if (bind(s.handle_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || listen(s.handle_, 4) != 0) {
        error = ErrorText(errno);
        return Socket();
    }
    return s;
}

Socket Socket::BindUdp(std::uint32_t address, std::uint16_t port, std::string& error) {
    Socket s(NewSocket(SOCK_DGRAM, error));
    if (!s.valid()) return s;
    const sockaddr_in a = Address(address, port);
    if (bind(s.handle_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        error = ErrorText(errno);
        return Socket();
    }
    return s;
}

Socket Socket::Accept() const {
#ifdef __linux__
    const int fd = accept4(handle_, nullptr, nullptr, SOCK_CLOEXEC);
#else
    const int fd = accept(handle_, nullptr, nullptr);
#endif
    if (fd < 0) return Socket();
    Prepare(fd);
    NoDelay(fd);
    return Socket(fd);
}

std::uint16_t Socket::LocalPort() const {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (!valid() || getsockname(handle_, reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
    return ntohs(a.sin_port);
}

IoResult Socket::Send(std::span<const std::uint8_t> bytes) const {
    if (bytes.empty()) return {IoStatus::kOk, 0, {}};
    return Moved(send(handle_, bytes.data(), bytes.size(), kSendFlags));
}

IoResult Socket::Receive(std::span<std::uint8_t> into) const {
    if (into.empty()) return {IoStatus::kOk, 0, {}};
    const ssize_t n = recv(handle_, into.data(), into.size(), 0);
    if (n == 0) return {IoStatus::kClosed, 0, {}};
    return Moved(n);
}

bool Socket::PeerOpen() const {
    std::uint8_t byte = 0;
    const ssize_t n = recv(handle_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n > 0 || (n < 0 && IsTransient(errno));
}

void Socket::ShutdownSend() const { shutdown(handle_, SHUT_WR); }

void Socket::Shutdown() const { shutdown(handle_, SHUT_RDWR); }

IoResult Socket::SendTo(std::uint32_t address, std::uint16_t port, std::span<const std::uint8_t> bytes) const {
    const sockaddr_in a = Address(address, port);
    return Moved(sendto(handle_, bytes.data(), bytes.size(), kSendFlags, reinterpret_cast<const sockaddr*>(&a),
                        sizeof a));
}

IoResult Socket::ReceiveFrom(std::span<std::uint8_t> into, std::uint32_t& from) const {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    const ssize_t n = recvfrom(handle_, into.data(), into.size(), 0, reinterpret_cast<sockaddr*>(&a), &len);
    if (n >= 0) {
        from = ntohl(a.sin_addr.s_addr);
        return {IoStatus::kOk, static_cast<std::size_t>(n), {}};
    }
    return Moved(n);
}

int Poll(std::span<PollItem> items, std::chrono::nanoseconds timeout) {
    std::vector<pollfd> fds;
    fds.reserve(items.size());
    for (const PollItem& item : items) {
        const short events = static_cast<short>((item.wantRead ? POLLIN : 0) | (item.wantWrite ? POLLOUT : 0));
        fds.push_back({item.handle, events, 0});  // a negative descriptor is skipped
    }
    const int ready = poll(fds.data(), fds.size(), detail::PollMilliseconds(timeout));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const short got = ready > 0 ? fds[i].revents : 0;
        items[i].readable = items[i].wantRead && (got & (POLLIN | POLLHUP | POLLERR)) != 0;
        items[i].writable = items[i].wantWrite && (got & (POLLOUT | POLLHUP | POLLERR)) != 0;
    }
    return std::max(ready, 0);
}

Waker::Waker() {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("cannot make a wake-up pipe: " + ErrorText(errno));
    for (const int fd : fds) {
        fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    read_ = fds[0];
    write_ = fds[1];
}

Waker::~Waker() {
    ::close(read_);
    ::close(write_);
}

void Waker::Wake() const {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(write_, &c, 1);  // a full pipe is awake already
}

void Waker::Drain() const {
    char drain[64];
    while (::read(read_, drain, sizeof drain) > 0) {
    }
}

NativeHandle Waker::handle() const { return read_; }

}  // namespace zef::net

#endif  // !_WIN32
