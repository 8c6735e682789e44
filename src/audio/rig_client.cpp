// The client side of the rig's wire format (every number little-endian):
//
//   message   type u16 | reserved u16 | payload length u32 | payload
//   1 HELLO   rig -> client: "ZRIG" | version u16 | state u8 (1 busy) | pacing u8 | rate u32 |
//             inputs u16 | outputs u16 | frames per block u16 | reserved u16 |
//             names, inputs then outputs: length u16 + UTF-8
//   2 START   client -> rig
//   3 INPUT   rig -> client: block u32 | xruns u32 | frames x inputs float32
//   4 OUTPUT  client -> rig: block u32 | frames x outputs float32
//   5 ERROR   rig -> client: UTF-8 text, then the rig closes

#include "audio/rig_client.h"

#include <atomic>
#include <bit>
#include <charconv>
#include <cstring>
#include <mutex>
#include <thread>

#include "base/net_socket.h"

namespace zef::audio {
namespace {

static_assert(std::endian::native == std::endian::little, "samples travel in the host's float layout");

using Clock = std::chrono::steady_clock;

enum MessageType : std::uint16_t { kHello = 1, kStart = 2, kInput = 3, kOutput = 4, kError = 5 };
constexpr std::size_t kHeaderSize = 8;
constexpr std::uint32_t kMaxHello = 4096;
constexpr int kMaxChannels = 64;
constexpr int kMaxBlockFrames = 8192;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

enum class Io { kOk, kClosed, kTimeout, kFailed };

// Reads exactly n bytes, waiting at most `timeout` for each piece.
Io ReadExact(const net::Socket& s, std::uint8_t* data, std::size_t n, std::chrono::milliseconds timeout) {
    while (n > 0) {
        if (!net::WaitReadable(s.handle(), timeout)) return Io::kTimeout;
        const net::IoResult got = s.Receive({data, n});
        if (got.status == net::IoStatus::kWouldBlock) continue;
        if (got.status != net::IoStatus::kOk) return got.status == net::IoStatus::kClosed ? Io::kClosed : Io::kFailed;
        data += got.bytes;
        n -= got.bytes;
    }
    return Io::kOk;
}

Io WriteAll(const net::Socket& s, const std::uint8_t* data, std::size_t n, std::chrono::milliseconds timeout) {
    while (n > 0) {
        if (!net::WaitWritable(s.handle(), timeout)) return Io::kTimeout;
        const net::IoResult sent = s.Send({data, n});
        if (sent.status == net::IoStatus::kWouldBlock) continue;
        if (sent.status != net::IoStatus::kOk) return sent.status == net::IoStatus::kClosed ? Io::kClosed : Io::kFailed;
        data += sent.bytes;
        n -= sent.bytes;
    }
    return Io::kOk;
}

net::Socket Connect(const RigEndpoint& e, std::chrono::milliseconds timeout, std::string& error) {
    const std::optional<std::uint32_t> address = net::ParseIpv4(e.host);
    if (!address) {
        error = "the virtual rig at " + e.text() + " is not there (not an IPv4 address)";
        return {};
    }
    std::string why;
    net::Socket s = net::Socket::ConnectTcp(*address, e.port, timeout, why);
    if (!s.valid()) error = "the virtual rig at " + e.text() + " is not there (" + why + ")";
    return s;
}

struct Hello {
    bool busy = false;
    int blockFrames = 0;
    std::vector<std::string> inputs, outputs;
};

// The rig's greeting; false with `error` set when it does not come or makes no sense.
bool ReadHello(const net::Socket& socket, const RigEndpoint& e, std::chrono::milliseconds timeout, Hello& hello,
               std::string& error) {
    std::uint8_t header[kHeaderSize];
    const std::string who = "the virtual rig at " + e.text();
    if (ReadExact(socket, header, kHeaderSize, timeout) != Io::kOk) {
        error = who + " did not greet";
        return false;
    }
    const std::uint32_t size = U32(header + 4);
    if (U16(header) != kHello || size < 20 || size > kMaxHello) {
        error = who + " does not speak the rig protocol";
        return false;
    }
    std::vector<std::uint8_t> p(size);
    if (ReadExact(socket, p.data(), size, timeout) != Io::kOk) {
        error = who + " did not greet";
        return false;
    }
    const int inputs = U16(&p[12]), outputs = U16(&p[14]);
    hello.busy = p[6] != 0;
    hello.blockFrames = U16(&p[16]);
    if (std::memcmp(p.data(), "ZRIG", 4) != 0 || U16(&p[4]) != 1 ||
        U32(&p[8]) != static_cast<std::uint32_t>(kSampleRate) || inputs < 1 || inputs > kMaxChannels ||
        outputs < 1 || outputs > kMaxChannels || hello.blockFrames < 1 ||
        hello.blockFrames > kMaxBlockFrames) {
        error = who + " sent a greeting this program does not understand";
        return false;
    }
    std::size_t at = 20;
    for (int i = 0; i < inputs + outputs; ++i) {
        std::string name =
            (i < inputs ? "In " : "Out ") + std::to_string(i < inputs ? i + 1 : i - inputs + 1);
        if (at + 2 <= p.size() && at + 2 + U16(&p[at]) <= p.size()) {
            name.assign(reinterpret_cast<const char*>(&p[at + 2]), U16(&p[at]));
            at += 2 + U16(&p[at]);
        }
        (i < inputs ? hello.inputs : hello.outputs).push_back(name);
    }
    return true;
}

class RigStream : public Stream {
public:
    RigStream(RigEndpoint endpoint, RigTimeouts timeouts, Callback callback, net::Socket socket, Hello hello)
        : endpoint_(std::move(endpoint)),
          timeouts_(timeouts),
          callback_(std::move(callback)),
          socket_(std::move(socket)),
          hello_(std::move(hello)) {
        const auto frames = static_cast<std::size_t>(hello_.blockFrames);
        in_.resize(kHeaderSize + 8 + frames * hello_.inputs.size() * 4);
        out_.resize(kHeaderSize + 4 + frames * hello_.outputs.size() * 4);
        samplesIn_.resize(frames * hello_.inputs.size());
        samplesOut_.resize(frames * hello_.outputs.size());
    }
    ~RigStream() override { Stop(); }

    std::string Start() override {
        if (active_) return "";
        if (thread_.joinable()) {  // the last run ended by itself: its connection is spent
            thread_.join();
            Disconnect();
        }
        std::string error;
        if (socket_.valid() && !socket_.PeerOpen()) Disconnect();  // the rig dropped an idle connection
        if (!socket_.valid()) {  // after a Stop, or a connection that went stale: a new one
            socket_ = Connect(endpoint_, timeouts_.connect, error);
            Hello hello;
            if (socket_.valid() && !ReadHello(socket_, endpoint_, timeouts_.connect, hello, error)) Disconnect();
            if (!socket_.valid()) return error;
        }
        std::uint8_t start[kHeaderSize] = {kStart, 0, 0, 0, 0, 0, 0, 0};
        if (WriteAll(socket_, start, sizeof start, timeouts_.connect) != Io::kOk) {
            Disconnect();
            return "the virtual rig at " + endpoint_.text() + " closed the connection";
        }
        {
            std::lock_guard lock(mutex_);
            error_.clear();
        }
        stopping_ = false;
        active_ = true;
        thread_ = std::thread([this] { Run(); });
        return "";
    }

    void Stop() override {
        stopping_ = true;
        if (socket_.valid()) socket_.Shutdown();
        if (thread_.joinable()) thread_.join();
        active_ = false;
        Disconnect();
    }

    bool IsActive() const override { return active_; }
    std::string Error() const override {
        std::lock_guard lock(mutex_);
        return error_;
    }
    std::uint64_t Xruns() const override { return xruns_; }
    int InputCount() const override { return static_cast<int>(hello_.inputs.size()); }
    int OutputCount() const override { return static_cast<int>(hello_.outputs.size()); }

private:
    void Disconnect() { socket_.Close(); }

    // The stream's thread: one input block in, one callback, one output block out.
    void Run() {
        const std::string who = "the virtual rig at " + endpoint_.text();
        std::string failure;
        const std::size_t frames = static_cast<std::size_t>(hello_.blockFrames);
        while (!stopping_) {
            Io io = ReadExact(socket_, in_.data(), kHeaderSize, timeouts_.silence);
            const std::uint16_t type = U16(in_.data());
            const std::uint32_t size = U32(in_.data() + 4);
            if (io == Io::kOk && type == kError && size <= kMaxHello) {
                std::string text(size, '\0');
                io = ReadExact(socket_, reinterpret_cast<std::uint8_t*>(text.data()), size, timeouts_.silence);
                failure = who + " reported: " + text;
                break;
            }
            if (io == Io::kOk && (type != kInput || size != in_.size() - kHeaderSize)) {
                failure = who + " sent a block this program does not understand";
                break;
            }
            if (io == Io::kOk) io = ReadExact(socket_, in_.data() + kHeaderSize, size, timeouts_.silence);
            if (io != Io::kOk) {
                if (!stopping_)
                    failure = who + (io == Io::kTimeout ? " stopped answering" : " closed the connection");
                break;
            }
            const std::uint32_t block = U32(in_.data() + kHeaderSize);
            xruns_ = U32(in_.data() + kHeaderSize + 4);
            std::memcpy(samplesIn_.data(), in_.data() + kHeaderSize + 8, samplesIn_.size() * 4);
            callback_(samplesIn_.data(), samplesOut_.data(), frames);

            std::uint8_t* m = out_.data();
            m[0] = kOutput, m[1] = 0, m[2] = 0, m[3] = 0;
            PutU32(m + 4, static_cast<std::uint32_t>(out_.size() - kHeaderSize));
            PutU32(m + 8, block);
            std::memcpy(m + 12, samplesOut_.data(), samplesOut_.size() * 4);
            io = WriteAll(socket_, out_.data(), out_.size(), timeouts_.silence);
            if (io != Io::kOk) {
                if (!stopping_) failure = who + " closed the connection";
                break;
            }
        }
        if (!failure.empty()) {
            std::lock_guard lock(mutex_);
            error_ = failure;
        }
        active_ = false;
    }

    const RigEndpoint endpoint_;
    const RigTimeouts timeouts_;
    Callback callback_;
    net::Socket socket_;
    Hello hello_;
    std::vector<std::uint8_t> in_, out_;
    std::vector<float> samplesIn_, samplesOut_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> active_{false};
    std::atomic<std::uint64_t> xruns_{0};
    mutable std::mutex mutex_;  // guards error_ (written once when the thread ends)
    std::string error_;
};

}  // namespace

bool ParseRigEndpoint(const std::string& text, RigEndpoint& endpoint, std::string& error) {
    const auto colon = text.rfind(':');
    unsigned port = 0;
    const char* end = text.data() + text.size();
    const auto parsed = colon == std::string::npos ? std::from_chars_result{end, std::errc::invalid_argument}
                                                   : std::from_chars(text.data() + colon + 1, end, port);
    if (colon == std::string::npos || parsed.ec != std::errc() || parsed.ptr != end || port == 0 ||
        port > 65535) {
        error = "a rig is given as HOST:PORT, not '" + text + "'";
        return false;
    }
    const std::string host = text.substr(0, colon);
    const std::optional<std::uint32_t> address = net::ParseIpv4(host);
    if (!address || !net::IsLoopback(*address)) {
        error = "a rig must be on a loopback address (127.x.x.x or localhost), not '" + host + "'";
        return false;
    }
    endpoint = {host, static_cast<std::uint16_t>(port)};
    return true;
}

std::string RigDeviceName(const RigEndpoint& endpoint) { return "ZEF virtual rig (" + endpoint.text() + ")"; }

RigSystem::RigSystem(RigEndpoint endpoint, RigTimeouts timeouts)
    : endpoint_(std::move(endpoint)), timeouts_(timeouts) {}

std::vector<DeviceInfo> RigSystem::Devices() {
    DeviceInfo info;
    info.name = RigDeviceName(endpoint_);
    info.hostApi = "rig";
    std::string error;
    Hello hello;
    const net::Socket socket = Connect(endpoint_, timeouts_.connect, error);
    if (socket.valid() && ReadHello(socket, endpoint_, timeouts_.connect, hello, error)) {
        info.inputNames = hello.inputs;
        info.outputNames = hello.outputs;
        info.usable = !hello.busy;
    } else {
        info.inputNames = {"In 1", "In 2"};
        info.outputNames = {"Out 1", "Out 2"};
    }
    return {info};
}

std::unique_ptr<Stream> RigSystem::Open(int device, Callback callback, std::string& error) {
    if (device != 0) {
        error = "no sound card number " + std::to_string(device + 1) + " (the virtual rig is the only one)";
        return nullptr;
    }
    net::Socket socket = Connect(endpoint_, timeouts_.connect, error);
    if (!socket.valid()) return nullptr;
    Hello hello;
    if (!ReadHello(socket, endpoint_, timeouts_.connect, hello, error)) return nullptr;
    if (hello.busy) {
        error = "the virtual rig at " + endpoint_.text() + " is busy: another program streams from it";
        return nullptr;
    }
    return std::make_unique<RigStream>(endpoint_, timeouts_, std::move(callback), std::move(socket), std::move(hello));
}

void RigSystem::OpenControlPanel(int) {}

}  // namespace zef::audio
