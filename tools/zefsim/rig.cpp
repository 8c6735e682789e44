// The rig's server side. Wire layout (docs/rig.md), every number little-endian:
//
//   message   type u16 | reserved u16 (0) | payload length u32 | payload
//   1 HELLO   rig -> client on connect: "ZRIG" | version u16 (1) | state u8 (0 ready, 1 busy) |
//             pacing u8 (0 real time, 1 fast) | rate u32 | inputs u16 | outputs u16 |
//             frames per block u16 | reserved u16 | names (inputs, then outputs): length u16, UTF-8
//   2 START   client -> rig: start streaming (no payload)
//   3 INPUT   rig -> client: block u32 | xruns u32 | frames x inputs float32, interleaved
//   4 OUTPUT  client -> rig: block u32 (the INPUT it answers) | frames x outputs float32
//   5 ERROR   rig -> client: UTF-8 text; the rig closes the connection after it

#include "rig.h"

#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>

#include "amp_settings.h"
#include "base/net_socket.h"
#include "links.h"
#include "rig_renderer.h"
#include "simulator.h"

namespace zefsim {
namespace {

using Clock = std::chrono::steady_clock;

// Samples travel as IEEE 754 float32, little-endian: this host's own layout.
static_assert(std::endian::native == std::endian::little);

enum MessageType : std::uint16_t { kHello = 1, kStart = 2, kInput = 3, kOutput = 4, kError = 5 };
constexpr std::size_t kHeaderSize = 8;
constexpr std::uint32_t kMaxPayload = 1 << 20;
constexpr std::size_t kMaxQueuedBytes = 256 * 1024;
// A connection that completes no message for this long is closed, streaming or not.
constexpr auto kIdleTimeout = std::chrono::seconds(10);
constexpr auto kBlockPeriod = std::chrono::microseconds(5000);  // 240 frames at 48 kHz
constexpr const char* kInputNames[] = {"Microphone", "Loopback (output 1)"};
constexpr const char* kOutputNames[] = {"Amplifier input L", "Amplifier input R"};

void PutU16(std::vector<std::uint8_t>& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutU32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
std::uint32_t GetU32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}

void PutHeader(std::vector<std::uint8_t>& b, MessageType type, std::size_t payload) {
    PutU16(b, type);
    PutU16(b, 0);
    PutU32(b, static_cast<std::uint32_t>(payload));
}

std::vector<std::uint8_t> Hello(bool busy, bool fast) {
    std::vector<std::uint8_t> p{'Z', 'R', 'I', 'G'};
    PutU16(p, 1);
    p.push_back(busy ? 1 : 0);
    p.push_back(fast ? 1 : 0);
    PutU32(p, 48000);
    PutU16(p, kRigInputs);
    PutU16(p, kRigOutputs);
    PutU16(p, kRigBlockFrames);
    PutU16(p, 0);
    for (const char* names : {kInputNames[0], kInputNames[1], kOutputNames[0], kOutputNames[1]}) {
        const std::size_t n = std::strlen(names);
        PutU16(p, static_cast<std::uint16_t>(n));
        p.insert(p.end(), names, names + n);
    }
    std::vector<std::uint8_t> m;
    PutHeader(m, kHello, p.size());
    m.insert(m.end(), p.begin(), p.end());
    return m;
}

std::vector<std::uint8_t> ErrorMessage(const std::string& text) {
    std::vector<std::uint8_t> m;
    PutHeader(m, kError, text.size());
    m.insert(m.end(), text.begin(), text.end());
    return m;
}

std::size_t LatencyFrames(const std::optional<double>& ms) {
    double value = 0;
    if (ms) {
        if (!(*ms >= kRigMinLatencyMs && *ms <= kRigMaxLatencyMs))
            throw std::runtime_error("the card latency must be 5 to 2000 ms");
        value = *ms;
    } else {
        std::random_device seed;
        std::mt19937 random(seed());
        value = std::uniform_real_distribution<double>(5.0, 200.0)(random);
    }
    return static_cast<std::size_t>(std::lround(value * 48.0));
}

struct Connection {
    zef::net::Socket socket;
    std::vector<std::uint8_t> in;
    std::vector<std::uint8_t> out;
    std::size_t outSent = 0;
    bool streaming = false;
    std::uint32_t sent = 0;      // INPUT blocks sent
    std::uint32_t answered = 0;  // OUTPUT blocks received
    std::uint32_t xruns = 0;
    bool late = false;  // the block due now waits for the client
    Clock::time_point start{};
    Clock::time_point heard{};

    std::size_t queued() const { return out.size() - outSent; }
    bool open() const { return socket.valid(); }
    void close() { *this = Connection{}; }
};

}  // namespace

struct Rig::Impl {
    Impl(Device& d, const RigConfig& c)
        : device(d),
          config(c),
          renderer(std::make_unique<RoomConvolvers>(c.room ? *c.room : BuiltInRoom()), c.micNoiseDbfs,
                   LatencyFrames(c.latencyMs), c.driftPpm) {
        for (const RoomResponse& r : c.morePositions) positions.push_back(std::make_shared<RoomConvolvers>(r));
        if (!positions.empty())
            positions.insert(positions.begin(),
                             std::make_shared<RoomConvolvers>(c.room ? *c.room : BuiltInRoom()));
    }

    void loop();
    void accept();
    void receive();
    bool handle(std::uint16_t type, const std::uint8_t* payload, std::size_t size);
    void produce(Clock::time_point now);
    void flush();
    void fail(const std::string& text);
    void refreshSettings(bool force);

    Device& device;
    RigConfig config;
    RigRenderer renderer;
    std::string host;
    std::uint16_t port = 0;
    zef::net::Socket listener;
    zef::net::Waker waker;
    std::atomic<bool> running{true};
    std::thread thread;

    std::mutex mutex;  // guards the two requests below
    std::unique_ptr<RoomConvolvers> newRoom;
    bool dropRequested = false;
    // With more than one microphone position: every room, and the next stream's.
    std::vector<std::shared_ptr<RoomConvolvers>> positions;
    std::size_t nextPosition = 0;

    // Rig thread only.
    Connection conn;
    std::vector<std::uint8_t> memory, fir;
    std::vector<float> block;
};

Rig::Rig(Device& device, const RigConfig& config) {
    const std::uint32_t address = parseIPv4(config.host);
    if (!isLoopback(address))
        throw std::runtime_error("the rig listens on loopback addresses (127.x.x.x) only");
    MakeFftPlanningThreadSafe();
    impl_ = std::make_unique<Impl>(device, config);
    Impl& m = *impl_;
    m.host = config.host == "localhost" ? "127.0.0.1" : config.host;

    std::string why;
    m.listener = zef::net::Socket::ListenTcp(address, config.port, why);
    if (!m.listener.valid())
        throw std::runtime_error("the rig cannot listen on " + m.host + ":" + std::to_string(config.port) +
                                 ": " + why);
    m.port = m.listener.LocalPort();
    m.thread = std::thread([&m] { m.loop(); });
}

Rig::~Rig() {
    Impl& m = *impl_;
    m.running = false;
    m.waker.Wake();
    m.thread.join();
}

std::uint16_t Rig::port() const { return impl_->port; }
std::size_t Rig::positions() const { return std::max<std::size_t>(1, impl_->config.morePositions.size() + 1); }
std::string Rig::endpoint() const { return impl_->host + ":" + std::to_string(impl_->port); }
double Rig::latencyMs() const { return static_cast<double>(impl_->renderer.latencyFrames()) / 48.0; }
bool Rig::fast() const { return impl_->config.fast; }

void Rig::setRoom(const RoomResponse& room) {
    auto convolvers = std::make_unique<RoomConvolvers>(room);
    std::lock_guard lock(impl_->mutex);
    impl_->newRoom = std::move(convolvers);
}

void Rig::dropClient() {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->dropRequested = true;
    }
    impl_->waker.Wake();
}

void Rig::Impl::loop() {
    while (running) {
        const auto now = Clock::now();
        auto wait = std::chrono::milliseconds(200);
        if (conn.streaming && !config.fast) {
            const auto due = conn.start + kBlockPeriod * conn.sent;
            wait = std::clamp(std::chrono::ceil<std::chrono::milliseconds>(due - now),
                              std::chrono::milliseconds(0), wait);
        }
        zef::net::PollItem items[3] = {{waker.handle()}, {listener.handle()}, {conn.socket.handle()}};
        items[2].wantWrite = conn.queued() > 0;
        zef::net::Poll(items, wait);
        if (items[0].readable) waker.Drain();
        {
            std::lock_guard lock(mutex);
            if (dropRequested) conn.close();
            dropRequested = false;
            if (newRoom && !conn.streaming) renderer.setRoom(std::move(newRoom));
        }
        if (conn.open() && items[2].readable) receive();
        if (items[1].readable) accept();
        if (conn.open()) produce(Clock::now());
        if (conn.open()) flush();
        if (conn.open() && Clock::now() - conn.heard > kIdleTimeout) conn.close();
    }
}

void Rig::Impl::accept() {
    zef::net::Socket client = listener.Accept();
    if (!client.valid()) return;
    if (conn.streaming && !conn.socket.PeerOpen()) conn.close();  // the streaming client has just left
    if (conn.streaming) {
        const auto busy = Hello(true, config.fast);
        (void)client.Send(busy);
        return;
    }
    conn.close();  // a new client replaces one that has not started
    conn.socket = std::move(client);
    conn.heard = Clock::now();
    conn.out = Hello(false, config.fast);
}

void Rig::Impl::receive() {
    std::uint8_t buf[65536];
    for (int reads = 0; reads < 16; ++reads) {
        const zef::net::IoResult got = conn.socket.Receive(buf);
        if (got.status == zef::net::IoStatus::kWouldBlock) break;
        if (got.status != zef::net::IoStatus::kOk) {
            conn.close();
            return;
        }
        conn.in.insert(conn.in.end(), buf, buf + got.bytes);
    }
    std::size_t at = 0;
    while (conn.in.size() - at >= kHeaderSize) {
        const std::uint8_t* h = conn.in.data() + at;
        const std::uint16_t type = static_cast<std::uint16_t>(h[0] | h[1] << 8);
        const std::uint32_t size = GetU32(h + 4);
        if (size > kMaxPayload) return fail("message too long");
        if (conn.in.size() - at < kHeaderSize + size) break;
        if (!handle(type, h + kHeaderSize, size)) return;
        // Only whole messages keep a connection: a byte now and then does not.
        conn.heard = Clock::now();
        at += kHeaderSize + size;
    }
    conn.in.erase(conn.in.begin(), conn.in.begin() + static_cast<std::ptrdiff_t>(at));
}

bool Rig::Impl::handle(std::uint16_t type, const std::uint8_t* payload, std::size_t size) {
    if (type == kStart) {
        std::lock_guard lock(mutex);
        if (newRoom) positions.clear();
        if (newRoom) renderer.setRoom(std::move(newRoom));
        if (!positions.empty()) renderer.setRoom(positions[nextPosition++ % positions.size()]);
        renderer.restart();
        refreshSettings(true);
        conn.streaming = true;
        conn.sent = conn.answered = conn.xruns = 0;
        conn.late = false;
        conn.start = Clock::now();
        return true;
    }
    if (type != kOutput) {
        fail("unexpected message type " + std::to_string(type));
        return false;
    }
    const std::size_t samples = kRigBlockFrames * kRigOutputs;
    const char* wrong = !conn.streaming              ? "output before start"
                        : conn.answered >= conn.sent ? "output without an input block"
                        : size != 4 + 4 * samples    ? "output block of the wrong size"
                                                     : nullptr;
    if (wrong) {
        fail(wrong);
        return false;
    }
    block.resize(samples);
    std::memcpy(block.data(), payload + 4, 4 * samples);  // IEEE 754 little-endian, as this host
    ++conn.answered;
    refreshSettings(false);
    renderer.play(block.data(), kRigBlockFrames);
    return true;
}

void Rig::Impl::refreshSettings(bool force) {
    auto m = device.memory(0, kMemorySize);
    auto f = device.memory(kFirBase, 2 * kFirSize);
    if (!force && m == memory && f == fir) return;
    memory = std::move(m);
    fir = std::move(f);
    renderer.configure(DecodeAmpSettings(memory, fir));
}

void Rig::Impl::produce(Clock::time_point now) {
    const std::size_t samples = kRigBlockFrames * kRigInputs;
    while (conn.streaming && conn.queued() < kMaxQueuedBytes) {
        const auto due = conn.start + kBlockPeriod * conn.sent;
        if (!config.fast && now < due) return;
        if (renderer.available() < kRigBlockFrames) {
            // Waiting for the client's output: a real card would have run dry by now.
            if (!config.fast && !conn.late && now > due + kBlockPeriod) {
                ++conn.xruns;
                conn.late = true;
            }
            return;
        }
        if (conn.late) conn.start = now - kBlockPeriod * conn.sent;  // the clock restarts
        conn.late = false;
        block.resize(samples);
        renderer.capture(block.data(), kRigBlockFrames);
        PutHeader(conn.out, kInput, 8 + 4 * samples);
        PutU32(conn.out, conn.sent);
        PutU32(conn.out, conn.xruns);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(block.data());
        conn.out.insert(conn.out.end(), bytes, bytes + 4 * samples);
        ++conn.sent;
    }
}

void Rig::Impl::flush() {
    while (conn.queued() > 0) {
        const zef::net::IoResult sent = conn.socket.Send({conn.out.data() + conn.outSent, conn.queued()});
        if (sent.status == zef::net::IoStatus::kWouldBlock) break;
        if (sent.status != zef::net::IoStatus::kOk) {
            conn.close();
            return;
        }
        conn.outSent += sent.bytes;
    }
    if (conn.outSent == conn.out.size()) {
        conn.out.clear();
        conn.outSent = 0;
    } else if (conn.outSent > kMaxQueuedBytes) {
        conn.out.erase(conn.out.begin(), conn.out.begin() + static_cast<std::ptrdiff_t>(conn.outSent));
        conn.outSent = 0;
    }
}

void Rig::Impl::fail(const std::string& text) {
    const auto m = ErrorMessage("rig: " + text);
    (void)conn.socket.Send(m);  // non-blocking: what does not fit now is lost with the connection
    conn.close();
}

}  // namespace zefsim
