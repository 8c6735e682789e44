#pragma once
// The transport seam: every byte to and from an amplifier passes through these
// interfaces. The real implementation is on Qt sockets and Qt's serial port
// (qt_transport.h); the frame protocol on top lives in the link library.
//
// All calls are synchronous on the user-interface thread. A call that waits
// (connect, receive, read, pause) keeps the thread's event loop running for
// timers and repaints but not for user input, and always ends within its
// time-out. Results are 0 for success and non-zero for failure, like the
// device protocol's own status codes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "transport/serial_ports.h"

namespace zef {

using Bytes = std::vector<std::uint8_t>;

inline constexpr int kTransportOk = 0;
inline constexpr int kTransportFailed = -1;
// SerialPort::Open: the device file exists but the system refused this user
// access to it (on Linux the "dialout" group owns USB serial adapters).
inline constexpr int kTransportPermissionDenied = -2;

inline constexpr int kTcpConnectionSlots = 33;
inline constexpr std::uint16_t kDefaultDevicePort = 1001;  // TCP, where the devices listen
// UDP, where the devices (and the simulator) send their announcements.
inline constexpr std::uint16_t kDefaultAnnouncementPort = 30303;
inline constexpr int kSerialBaudRate = 9600;
inline constexpr int kSerialPortCount = 64;  // ports "COM"1 .. "COM"64

// TCP client with numbered connection slots 0 .. maxConnections-1.
class TcpClient {
public:
    virtual ~TcpClient() = default;

    // Prepares `maxConnections` slots (33 for the device list). 0 = ready.
    // Calling it again drops every connection.
    virtual int Init(int maxConnections) = 0;

    // Probes `addresses` (at most 256, dotted IPv4) on `port` all at once; an
    // address answers when a TCP connection to it opens within `timeoutMs`.
    // The probe connections are closed again. The answering addresses, in the
    // order of `addresses`, are delivered once through the scan-response
    // handler after every probe has ended; with `wait` false Scan returns at
    // once and the handler runs from the event loop, with `wait` true Scan
    // returns after the handler has run. Returns the addresses that were
    // probed. A scan started while another runs replaces it.
    virtual std::vector<std::string> Scan(const std::vector<std::string>& addresses, std::uint16_t port,
                                          int timeoutMs, bool wait) = 0;
    using ScanHandler = std::function<void(const std::vector<std::string>& answered)>;
    virtual void SetScanResponseHandler(ScanHandler handler) = 0;

    // Opens a connection in `slot` to `ip`:`port`, dropping any connection
    // the slot had. 0 = connected within `timeoutMs`.
    virtual int Connect(int slot, const std::string& ip, std::uint16_t port, int timeoutMs) = 0;

    // Sends `bytes` on the slot's connection. 0 = handed to the network.
    // Bytes that arrived in the slot unasked since the last Receive (a reply
    // that came after its time-out) are discarded first, so that the next
    // Receive sees only the answer to what is sent now.
    virtual int Send(int slot, const Bytes& bytes) = 0;

    // Waits until exactly `reply.size()` bytes have arrived on the slot and
    // moves them into `reply`. 0 = all of them within `timeoutMs`; on a
    // failure `reply` is unspecified and the bytes that did arrive stay
    // queued until the next Send.
    virtual int Receive(int slot, Bytes& reply, int timeoutMs) = 0;

    // Closes the slot's connection; harmless on a closed slot.
    virtual void Disconnect(int slot) = 0;

    virtual bool IsConnected(int slot) const = 0;

    // Bytes that have arrived on the slot and were not taken by a Receive
    // (part of a reply that timed out, a reply that came after its time-out).
    virtual std::size_t Unread(int slot) const {
        (void)slot;
        return 0;
    }

    // Whether the far end closed the slot's connection since it was opened
    // (a device that serves one connection at a time closes the old one when
    // another client connects). Cleared by Connect.
    virtual bool ClosedByPeer(int slot) const {
        (void)slot;
        return false;
    }
};

// The serial port a USB amplifier appears as, known by its number n in
// 1..64 ("COM"n); how a number maps to a device file is SerialPortMap's.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens port `number` at `baud`, 8 data bits, no parity, one stop bit, no
    // flow control. 0 = open. Fails when no port has that number or it
    // cannot be opened; then the port stays closed.
    virtual int Open(int number, int baud) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Discards unread input (as TcpClient::Send does) and writes `bytes`.
    virtual void Write(const Bytes& bytes) = 0;

    // Waits until exactly `reply.size()` bytes have been read. 0 = all of them
    // in time. The time-out is counted as on a fast link: on top of
    // `timeoutMs` the read allows the time the still unsent request bytes and
    // the expected reply take on the line at the open baud rate (10 bits per
    // byte), so a slow line does not eat the device's own answer time.
    virtual int Read(Bytes& reply, int timeoutMs) = 0;
};

// Receives the amplifiers' UDP announcements.
class AnnouncementListener {
public:
    virtual ~AnnouncementListener() = default;

    // `kind` is 0 for every datagram received from the network; other values
    // are reserved for datagrams the listener makes up itself.
    using Handler =
        std::function<void(const std::string& senderIp, const Bytes& datagram, std::uint8_t kind)>;
    virtual void SetHandler(Handler handler) = 0;

    // Binds UDP `port` on `host` ("" = every local address). 0 = listening.
    // Datagrams are delivered from the event loop, one handler call each.
    virtual int Listen(const std::string& host, std::uint16_t port) = 0;
    virtual void Stop() = 0;
    virtual bool IsListening() const = 0;
    // The bound UDP port (the chosen one when Listen was given port 0).
    virtual std::uint16_t LocalPort() const = 0;
};

// The transport of one program: the program-wide TCP client and serial port,
// and the waits and host queries the link needs.
class Transport {
public:
    virtual ~Transport() = default;

    virtual TcpClient& tcp() = 0;
    virtual SerialPort& serial() = 0;
    // Which device file each serial port number stands for.
    virtual SerialPortMap& serialPorts() = 0;

    // A fresh TCP client with its own slots (the search window's private one).
    virtual std::unique_ptr<TcpClient> NewTcpClient() = 0;
    virtual std::unique_ptr<AnnouncementListener> NewAnnouncementListener() = 0;

    // The PC's IPv4 addresses, the host address first; "127.0.0.1" first
    // means there is no LAN or WLAN. Never empty.
    virtual std::vector<std::string> GetLocalAddresses() = 0;

    // Lets `ms` milliseconds pass with timers and repaints going on.
    virtual void Pause(int ms) = 0;
};

}  // namespace zef
