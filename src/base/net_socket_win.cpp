// The socket layer on Winsock 2. Links against ws2_32.
#ifdef _WIN32

#include <algorithm>
#include <climits>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "base/net_socket.h"
#include "base/windows_api.h"

namespace zef::net {
namespace {

// Winsock is started once, on first use, and left running until the process ends.
void Startup() {
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data{};
        WSAStartup(MAKEWORD(2, 2), &data);
    });
}

std::string ErrorText(int code) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n > 0 && text ? std::string(text, n) : "Winsock error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    return out;
}

void NonBlocking(SOCKET s) {
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
}

void NoDelay(SOCKET s) {
    const BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}

sockaddr_in Address(std::uint32_t address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(address);
    a.sin_port = htons(port);
    return a;
}

// Not inherited by child processes, non-blocking.
SOCKET NewSocket(int type, int protocol, std::string& error) {
    Startup();
    const SOCKET s = WSASocketW(AF_INET, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) {
        error = "cannot make a socket: " + ErrorText(WSAGetLastError());
        return INVALID_SOCKET;
    }
    NonBlocking(s);
    return s;
}

IoResult Moved(int n) {
    if (n > 0) return {IoStatus::kOk, static_cast<std::size_t>(n), {}};
    const int code = WSAGetLastError();
    if (code == WSAEWOULDBLOCK || code == WSAEINTR) return {IoStatus::kWouldBlock, 0, {}};
    if (code == WSAECONNRESET || code == WSAECONNABORTED || code == WSAESHUTDOWN) return {IoStatus::kClosed, 0, {}};
    return {IoStatus::kFailed, 0, ErrorText(code)};
}

int Length(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, INT_MAX)); }

}  // namespace

void Socket::Close() {
    if (handle_ != kNoHandle) closesocket(static_cast<SOCKET>(handle_));
    handle_ = kNoHandle;
}

Socket Socket::ConnectTcp(std::uint32_t address, std::uint16_t port, std::chrono::milliseconds timeout,
                          std::string& error) {
    Socket s(NewSocket(SOCK_STREAM, IPPROTO_TCP, error));
    if (!s.valid()) return s;
    const sockaddr_in a = Address(address, port);
    int code = 0;
    if (connect(static_cast<SOCKET>(s.handle_), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        code = WSAGetLastError();
        if (code == WSAEWOULDBLOCK) {
            // A refused connection shows as an error, not as writable.
            PollItem item{s.handle_, false, true};
            code = WSAETIMEDOUT;
            if (Poll({&item, 1}, timeout) > 0) {
                int soError = 0;
                int len = sizeof soError;
                getsockopt(static_cast<SOCKET>(s.handle_), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError),
                           &len);
                code = soError;
            }
        }
    }
    if (code != 0) {
        error = ErrorText(code);
        return Socket();
    }
    NoDelay(static_cast<SOCKET>(s.handle_));
    return s;
}

Socket Socket::ListenTcp(std::uint32_t address, std::uint16_t port, std::string& error) {
    Socket s(NewSocket(SOCK_STREAM, IPPROTO_TCP, error));
    if (!s.valid()) return s;
    // Windows lets SO_REUSEADDR steal a port another program is listening on; the
    // exclusive option is what keeps a busy port busy there.
    const BOOL one = TRUE;
    setsockopt(static_cast<SOCKET>(s.handle_), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one),
               sizeof one);
    const sockaddr_in a = Address(address, port);
    if (bind(static_cast<SOCKET>(s.handle_), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 ||
        listen(static_cast<SOCKET>(s.handle_), 4) != 0) {
        error = ErrorText(WSAGetLastError());
        return Socket();
    }
    return s;
}

Socket Socket::BindUdp(std::uint32_t address, std::uint16_t port, std::string& error) {
    Socket s(NewSocket(SOCK_DGRAM, IPPROTO_UDP, error));
    if (!s.valid()) return s;
    const sockaddr_in a = Address(address, port);
    if (bind(static_cast<SOCKET>(s.handle_), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        error = ErrorText(WSAGetLastError());
        return Socket();
    }
    return s;
}

Socket Socket::Accept() const {
    const SOCKET s = accept(static_cast<SOCKET>(handle_), nullptr, nullptr);
    if (s == INVALID_SOCKET) return Socket();
    // An accepted socket inherits the listener's non-blocking mode, not its inheritance flag.
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    NonBlocking(s);
    NoDelay(s);
    return Socket(static_cast<NativeHandle>(s));
}

std::uint16_t Socket::LocalPort() const {
    sockaddr_in a{};
    int len = sizeof a;
    if (!valid() || getsockname(static_cast<SOCKET>(handle_), reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
    return ntohs(a.sin_port);
}

IoResult Socket::Send(std::span<const std::uint8_t> bytes) const {
    if (bytes.empty()) return {IoStatus::kOk, 0, {}};
    return Moved(send(static_cast<SOCKET>(handle_), reinterpret_cast<const char*>(bytes.data()), Length(bytes.size()), 0));
}

IoResult Socket::Receive(std::span<std::uint8_t> into) const {
    if (into.empty()) return {IoStatus::kOk, 0, {}};
    const int n = recv(static_cast<SOCKET>(handle_), reinterpret_cast<char*>(into.data()), Length(into.size()), 0);
    if (n == 0) return {IoStatus::kClosed, 0, {}};
    return Moved(n);
}

bool Socket::PeerOpen() const {
    // The socket is non-blocking, so the peek returns at once.
    char byte = 0;
    const int n = recv(static_cast<SOCKET>(handle_), &byte, 1, MSG_PEEK);
    return n > 0 || (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK);
}

void Socket::ShutdownSend() const { shutdown(static_cast<SOCKET>(handle_), SD_SEND); }

void Socket::Shutdown() const { shutdown(static_cast<SOCKET>(handle_), SD_BOTH); }

IoResult Socket::SendTo(std::uint32_t address, std::uint16_t port, std::span<const std::uint8_t> bytes) const {
    const sockaddr_in a = Address(address, port);
    return Moved(sendto(static_cast<SOCKET>(handle_), reinterpret_cast<const char*>(bytes.data()), Length(bytes.size()),
                        0, reinterpret_cast<const sockaddr*>(&a), sizeof a));
}

IoResult Socket::ReceiveFrom(std::span<std::uint8_t> into, std::uint32_t& from) const {
    sockaddr_in a{};
    int len = sizeof a;
    const int n = recvfrom(static_cast<SOCKET>(handle_), reinterpret_cast<char*>(into.data()), Length(into.size()), 0,
                           reinterpret_cast<sockaddr*>(&a), &len);
    if (n >= 0) {
        from = ntohl(a.sin_addr.s_addr);
        return {IoStatus::kOk, static_cast<std::size_t>(n), {}};
    }
    return Moved(n);
}

int Poll(std::span<PollItem> items, std::chrono::nanoseconds timeout) {
    // WSAPoll refuses an empty set and skipped entries, so only the valid ones go in.
    std::vector<WSAPOLLFD> fds;
    std::vector<std::size_t> index;
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i].readable = items[i].writable = false;
        if (items[i].handle == kNoHandle) continue;
        const SHORT events = static_cast<SHORT>((items[i].wantRead ? POLLRDNORM : 0) | (items[i].wantWrite ? POLLWRNORM : 0));
        fds.push_back({static_cast<SOCKET>(items[i].handle), events, 0});
        index.push_back(i);
    }
    if (fds.empty()) {
        Sleep(static_cast<DWORD>(detail::PollMilliseconds(timeout)));
        return 0;
    }
    const int ready = WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), detail::PollMilliseconds(timeout));
    if (ready <= 0) return 0;
    for (std::size_t k = 0; k < fds.size(); ++k) {
        PollItem& item = items[index[k]];
        const SHORT got = fds[k].revents;
        item.readable = item.wantRead && (got & (POLLRDNORM | POLLHUP | POLLERR)) != 0;
        item.writable = item.wantWrite && (got & (POLLWRNORM | POLLHUP | POLLERR)) != 0;
    }
    return ready;
}

Waker::Waker() {
    std::string error;
    socket_ = Socket::BindUdp(0x7F000001u, 0, error);
    if (!socket_.valid()) throw std::runtime_error("cannot make a wake-up socket: " + error);
}

Waker::~Waker() = default;

void Waker::Wake() const {
    const std::uint8_t byte = 1;
    (void)socket_.SendTo(0x7F000001u, socket_.LocalPort(), {&byte, 1});
}

void Waker::Drain() const {
    std::uint8_t drain[64];
    std::uint32_t from = 0;
    while (socket_.ReceiveFrom(drain, from).status == IoStatus::kOk) {
    }
}

NativeHandle Waker::handle() const { return socket_.handle(); }

}  // namespace zef::net

#endif  // _WIN32
