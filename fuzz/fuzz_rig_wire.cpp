// The virtual rig's wire format, both ends, over loopback TCP. The first
// input byte picks the side:
//   even  the rig (server) receives the bytes from a client after its
//         greeting; afterwards it still greets the next client properly.
//   odd   the sound-card client (RigSystem) receives the bytes as the rig's
//         side of two connections (the device list's probe, then the
//         stream); it lists a device and a stream that ends by itself.
// Every wait is bounded; nothing leaves 127.0.0.1.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "audio/rig_client.h"
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

int Connect(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return fd;
    if (fd >= 0) close(fd);
    return -1;
}

// Reads what arrives within `wait` (or until the peer closes); at most `limit` bytes.
std::vector<std::uint8_t> ReadFor(int fd, std::chrono::milliseconds wait, std::size_t limit) {
    std::vector<std::uint8_t> got;
    const auto end = std::chrono::steady_clock::now() + wait;
    while (got.size() < limit) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        std::uint8_t buf[4096];
        const ssize_t n = recv(fd, buf, std::min(sizeof buf, limit - got.size()), 0);
        if (n <= 0) break;
        got.insert(got.end(), buf, buf + n);
    }
    return got;
}

void SendAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return;
        bytes = bytes.subspan(static_cast<std::size_t>(n));
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
    const int fd = Connect(side.rig.port());
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(IsHello(ReadFor(fd, kGreetingWait, kHelloFixed)));
    SendAll(fd, bytes);
    ReadFor(fd, 20ms, 1 << 20);
    close(fd);
    // The rig is still there and greets a probe (ready, or busy while it notices the close).
    const int probe = Connect(side.rig.port());
    FUZZ_CHECK(probe >= 0);
    FUZZ_CHECK(IsHello(ReadFor(probe, kGreetingWait, kHelloFixed)));
    close(probe);
}

// A one-port loopback server that answers each accepted connection with the same bytes.
class FakeRig {
public:
    FakeRig() {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        FUZZ_CHECK(bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(listen_, 4) == 0 &&
                   getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) == 0);
        port_ = ntohs(a.sin_port);
    }
    std::uint16_t port() const { return port_; }

    // Serves up to `connections` clients with `bytes` each, then closes them.
    void Serve(std::span<const std::uint8_t> bytes, int connections, std::atomic<bool>& done) {
        for (int i = 0; i < connections && !done; ++i) {
            pollfd p{listen_, POLLIN, 0};
            int ready = 0;
            for (int slice = 0; slice < 100 && !done && ready == 0; ++slice) ready = poll(&p, 1, 20);
            if (ready <= 0) return;
            const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) return;
            SendAll(fd, bytes);
            shutdown(fd, SHUT_WR);
            ReadFor(fd, 50ms, 1 << 20);
            close(fd);
        }
    }

private:
    int listen_ = -1;
    std::uint16_t port_ = 0;
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
