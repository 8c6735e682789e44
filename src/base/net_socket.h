#pragma once
// Sockets for the programs' own loopback links (the virtual rig, the simulator, test
// clients): IPv4 TCP and UDP, every socket non-blocking and not inherited by child
// processes, every wait bounded by a time-out, errors as text. One implementation on
// POSIX sockets and one on Winsock; callers see neither.
//
// A call that would wait returns IoStatus::kWouldBlock instead; Poll is the only call that
// waits, and never longer than the time-out it is given.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zef::net {

// What the system calls the socket: a descriptor on POSIX (any descriptor Poll may wait
// on), a SOCKET on Windows.
#ifdef _WIN32
using NativeHandle = std::uintptr_t;
inline constexpr NativeHandle kNoHandle = ~NativeHandle{0};
#else
using NativeHandle = int;
inline constexpr NativeHandle kNoHandle = -1;
#endif

// "a.b.c.d" (or "localhost", read as 127.0.0.1) as a host-order address; nothing for any
// other text.
std::optional<std::uint32_t> ParseIpv4(const std::string& text);
std::string Ipv4Text(std::uint32_t address);
bool IsLoopback(std::uint32_t address);  // 127.0.0.0/8

enum class IoStatus : std::uint8_t {
    kOk,          // `bytes` moved (at least one)
    kWouldBlock,  // nothing can move now; Poll for it
    kClosed,      // the peer closed or reset the connection
    kFailed,      // any other error; `error` says which
};

struct IoResult {
    IoStatus status = IoStatus::kFailed;
    std::size_t bytes = 0;
    std::string error;
};

class Socket {
public:
    Socket() = default;
    ~Socket() { Close(); }
    Socket(Socket&& other) noexcept : handle_(other.handle_) { other.handle_ = kNoHandle; }
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool valid() const { return handle_ != kNoHandle; }
    NativeHandle handle() const { return handle_; }
    void Close();

    // A TCP connection to `address`:`port` with the Nagle delay off, established within
    // `timeout`; an invalid socket and the reason in `error` otherwise.
    static Socket ConnectTcp(std::uint32_t address, std::uint16_t port, std::chrono::milliseconds timeout,
                             std::string& error);
    // Listens on `address`:`port` (0 = a free port; the address may be reused at once after
    // an earlier listener closed).
    static Socket ListenTcp(std::uint32_t address, std::uint16_t port, std::string& error);
    // A UDP socket bound to `address`:`port` (0 = a free port).
    static Socket BindUdp(std::uint32_t address, std::uint16_t port, std::string& error);

    // The next waiting connection of a listener, with the Nagle delay off; invalid when none
    // is waiting.
    Socket Accept() const;
    std::uint16_t LocalPort() const;  // 0 when unbound or invalid

    IoResult Send(std::span<const std::uint8_t> bytes) const;
    IoResult Receive(std::span<std::uint8_t> into) const;
    // Whether the peer still holds the connection; unread bytes stay unread.
    bool PeerOpen() const;
    // No more bytes will be sent; the peer reads the end of the stream.
    void ShutdownSend() const;
    // Neither direction carries bytes any more: a thread polling the socket wakes.
    void Shutdown() const;

    // One datagram each; `from` receives the sender's address.
    IoResult SendTo(std::uint32_t address, std::uint16_t port, std::span<const std::uint8_t> bytes) const;
    IoResult ReceiveFrom(std::span<std::uint8_t> into, std::uint32_t& from) const;

private:
    explicit Socket(NativeHandle handle) : handle_(handle) {}
    NativeHandle handle_ = kNoHandle;
};

// One handle Poll watches, and what it found.
struct PollItem {
    NativeHandle handle = kNoHandle;  // kNoHandle: skipped
    bool wantRead = true;
    bool wantWrite = false;
    bool readable = false;  // also set at the end of the stream and on an error: a read tells which
    bool writable = false;
};

// Waits until one of the items is ready or `timeout` has passed (a time-out below a
// millisecond waits a whole one; negative is zero). Returns how many items are ready;
// 0 after the time-out or a signal.
int Poll(std::span<PollItem> items, std::chrono::nanoseconds timeout);
// The same for one handle: true when it became ready.
bool WaitReadable(NativeHandle handle, std::chrono::milliseconds timeout);
bool WaitWritable(NativeHandle handle, std::chrono::milliseconds timeout);

namespace detail {
// Poll's time-out in whole milliseconds, rounded up and clamped to [0, INT_MAX].
int PollMilliseconds(std::chrono::nanoseconds timeout);
}  // namespace detail

// Ends another thread's Poll early: the thread polls handle() for reading, and Drain()s it
// when it turns readable.
class Waker {
public:
    Waker();  // throws std::runtime_error when the system has no handle left
    ~Waker();
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;

    void Wake() const;  // from any thread
    void Drain() const;
    NativeHandle handle() const;

private:
#ifdef _WIN32
    Socket socket_;  // a loopback UDP socket that sends itself one byte
#else
    int read_ = -1;
    int write_ = -1;
#endif
};

}  // namespace zef::net
