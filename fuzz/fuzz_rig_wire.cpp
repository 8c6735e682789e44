// The virtual rig's wire format, both ends, over loopback TCP. The first
// input byte picks the side:
//   even  the rig (server) receives the bytes from a client after its
//         greeting; afterwards it still greets the next client properly.
//   odd   the sound-card client (RigSystem) receives the bytes as the rig's
//         side of two connections (the device list's probe, then the
//         stream); it lists a device and a stream that ends by itself.
// Every wait is bounded; nothing leaves 127.0.0.1.

#include <atomic>
#include <chrono>
#include <thread>

#include "audio/rig_client.h"
#include "base/net_socket.h"
#include "fuzz_check.h"
#include "rig.h"
#include "simulator.h"

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kHelloFixed = 28;  // 8-byte header and the fixed greeting fields
// How long a greeting may take. The rig answers within milliseconds; a bound
// of 2 s once ran out, under the sanitisers, on a build machine with every
// core busy (the same input replays clean on its own), so this one allows for
// a loaded machine.
constexpr auto kGreetingWait = 5000ms;

using zef::net::IoStatus;
using zef::net::Socket;
constexpr std::uint32_t kLoopback = 0x7F000001u;

Socket Connect(std::uint16_t port) {
    std::string error;
    return Socket::ConnectTcp(kLoopback, port, kGreetingWait, error);
}

// Reads what arrives within `wait` (or until the peer closes); at most `limit` bytes.
std::vector<std::uint8_t> ReadFor(const Socket& s, std::chrono::milliseconds wait, std::size_t limit) {
    std::vector<std::uint8_t> got;
    const auto end = std::chrono::steady_clock::now() + wait;
    while (got.size() < limit) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !zef::net::WaitReadable(s.handle(), left)) break;
        std::uint8_t buf[4096];
        const zef::net::IoResult n = s.Receive({buf, std::min(sizeof buf, limit - got.size())});
        if (n.status == IoStatus::kWouldBlock) continue;
        if (n.status != IoStatus::kOk) break;
        got.insert(got.end(), buf, buf + n.bytes);
    }
    return got;
}

// Sends what the peer takes within a second.
void SendAll(const Socket& s, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty() && zef::net::WaitWritable(s.handle(), 1000ms)) {
        const zef::net::IoResult n = s.Send(bytes);
        if (n.status == IoStatus::kWouldBlock) continue;
        if (n.status != IoStatus::kOk) return;
        bytes = bytes.subspan(n.bytes);
    }
}

bool IsHello(const std::vector<std::uint8_t>& m) {
    return m.size() >= kHelloFixed && m[0] == 1 && m[1] == 0 && m[8] == 'Z' && m[9] == 'R' && m[10] == 'I' &&
           m[11] == 'G';
}

struct RigSide {
    zefsim::Device device{zefsim::DeviceConfig{}};
    zefsim::Rig rig{device, [] {
                        zefsim::RigConfig c;
                        c.latencyMs = 5;
                        c.fast = true;
                        c.micNoiseDbfs = std::nullopt;
                        return c;
                    }()};
};

void FuzzRig(std::span<const std::uint8_t> bytes) {
    static RigSide side;
    {
        const Socket s = Connect(side.rig.port());
        FUZZ_CHECK(s.valid());
        FUZZ_CHECK(IsHello(ReadFor(s, kGreetingWait, kHelloFixed)));
        SendAll(s, bytes);
        ReadFor(s, 20ms, 1 << 20);
    }
    // The rig is still there and greets a probe (ready, or busy while it notices the close).
    const Socket probe = Connect(side.rig.port());
    FUZZ_CHECK(probe.valid());
    FUZZ_CHECK(IsHello(ReadFor(probe, kGreetingWait, kHelloFixed)));
}

// A one-port loopback server that answers each accepted connection with the same bytes.
class FakeRig {
public:
    FakeRig() {
        std::string error;
        listen_ = Socket::ListenTcp(kLoopback, 0, error);
        FUZZ_CHECK(listen_.valid());
    }
    std::uint16_t port() const { return listen_.LocalPort(); }

    // Serves up to `connections` clients with `bytes` each, then closes them.
    void Serve(std::span<const std::uint8_t> bytes, int connections, std::atomic<bool>& done) {
        for (int i = 0; i < connections && !done; ++i) {
            bool ready = false;
            for (int slice = 0; slice < 100 && !done && !ready; ++slice)
                ready = zef::net::WaitReadable(listen_.handle(), 20ms);
            if (!ready) return;
            const Socket s = listen_.Accept();
            if (!s.valid()) return;
            SendAll(s, bytes);
            s.ShutdownSend();
            ReadFor(s, 50ms, 1 << 20);
        }
    }

private:
    Socket listen_;
};

void FuzzClient(std::span<const std::uint8_t> bytes) {
    static FakeRig fake;
    std::atomic<bool> done{false};
    std::thread server([&] { fake.Serve(bytes, 2, done); });
    zef::audio::RigTimeouts timeouts;
    timeouts.connect = 500ms;
    timeouts.silence = 300ms;
    zef::audio::RigSystem system({"127.0.0.1", fake.port()}, timeouts);
    const std::vector<zef::audio::DeviceInfo> devices = system.Devices();
    FUZZ_CHECK(devices.size() == 1);
    if (devices[0].usable) {
        std::string error;
        std::atomic<long> blocks{0};
        auto stream = system.Open(
            0, [&blocks](const float*, float* out, std::size_t frames) {
                std::fill(out, out + frames * 2, 0.0f);
                ++blocks;
            },
            error);
        if (stream && stream->Start().empty()) {
            const auto end = std::chrono::steady_clock::now() + 2s;
            while (stream->IsActive() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(1ms);
            // The server has closed: the stream must have ended by itself.
            FUZZ_CHECK(!stream->IsActive());
            stream->Stop();
        }
    }
    done = true;
    server.join();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > (1 << 16)) return 0;
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    if (data[0] & 1) {
        FuzzClient(bytes);
    } else {
        FuzzRig(bytes);
    }
    return 0;
}
