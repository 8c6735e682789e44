// The virtual rig serves one streaming client at a time: a client that sends START and then
// trickles a byte every few seconds, never completing a message, loses the rig once 10 s
// have passed without a whole message, and the next client finds the rig ready.

#include <gtest/gtest.h>

#include <thread>

#include "rig.h"
#include "sim_client.h"
#include "simulator.h"

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kHeader = 8;
constexpr std::size_t kHelloStateByte = kHeader + 6;  // after "ZRIG" and the version

// HELLO of a fresh connection: its state byte (0 ready, 1 busy), or -1 when none came.
int HelloState(std::uint16_t port) {
    const Stream s = connectTcp("127.0.0.1", port);
    const Bytes hello = s.drain(200ms, 2000ms);
    return hello.size() > kHelloStateByte ? hello[kHelloStateByte] : -1;
}

TEST(RigDeadline, AClientTricklingBytesAfterStartLosesTheRig) {
    zefsim::Device device(zefsim::DeviceConfig{});
    zefsim::RigConfig config;
    config.latencyMs = 20;
    zefsim::Rig rig(device, config);

    const Stream slow = connectTcp("127.0.0.1", rig.port());
    ASSERT_GT(slow.drain(200ms, 2000ms).size(), kHelloStateByte);
    slow.send(Bytes{2, 0, 0, 0, 0, 0, 0, 0});  // START
    const auto started = Clock::now();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(HelloState(rig.port()), 1) << "busy while the first client streams";

    // An OUTPUT header, one byte every 4 s: never a whole message.
    const Bytes output = {4, 0, 0, 0, 0x84, 0x07, 0, 0};
    bool closed = false;
    for (std::size_t i = 0; i < output.size() && !closed; ++i) {
        slow.send(Bytes{output[i]});
        closed = slow.closedByPeer(4000ms);
    }
    ASSERT_TRUE(closed) << "the rig must not stay busy for a client that completes nothing";
    const double after = std::chrono::duration<double>(Clock::now() - started).count();
    EXPECT_GE(after, 9.5);
    EXPECT_LE(after, 13.0);
    EXPECT_EQ(HelloState(rig.port()), 0) << "ready for the next client";
}

}  // namespace
}  // namespace simtest
