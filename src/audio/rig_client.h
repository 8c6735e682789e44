#pragma once
// The virtual measurement rig as a sound card: a System with one device, "ZEF virtual rig
// (HOST:PORT)", served by the simulator over loopback TCP (docs/rig.md has the wire format).
//
// The stream's callback runs on the client's own network thread: it waits for the rig's next
// input block, calls the callback once per block, and sends the output block back. When the
// rig closes the connection, reports an error or stops answering, the stream stops by itself
// and Error() says why. Every wait is bounded.

#include <chrono>
#include <cstdint>
#include <string>

#include "audio/audio_io.h"

namespace zef::audio {

// A rig endpoint: a loopback host (127.x.x.x or "localhost") and a TCP port.
struct RigEndpoint {
    std::string host;
    std::uint16_t port = 0;
    std::string text() const { return host + ":" + std::to_string(port); }
    bool operator==(const RigEndpoint&) const = default;
};

// "HOST:PORT" with a loopback host and a port 1..65535; false with `error` set otherwise.
bool ParseRigEndpoint(const std::string& text, RigEndpoint& endpoint, std::string& error);

// The name the device lists show: "ZEF virtual rig (HOST:PORT)".
std::string RigDeviceName(const RigEndpoint& endpoint);

struct RigTimeouts {
    std::chrono::milliseconds connect{1000};  // connection and greeting
    std::chrono::milliseconds silence{3000};  // a running stream without data is dead
};

class RigSystem : public System {
public:
    explicit RigSystem(RigEndpoint endpoint, RigTimeouts timeouts = {});

    // One device. Usable when the rig answers its greeting and is not busy; when it does not,
    // the device is listed unusable with two inputs and two outputs.
    std::vector<DeviceInfo> Devices() override;
    std::unique_ptr<Stream> Open(int device, Callback callback, std::string& error) override;
    void OpenControlPanel(int device) override;  // the rig has none

private:
    RigEndpoint endpoint_;
    RigTimeouts timeouts_;
};

}  // namespace zef::audio
