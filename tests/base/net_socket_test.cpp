// The loopback socket layer: addresses, TCP and UDP on 127.0.0.1, and waits that end on
// time.

#include "base/net_socket.h"

#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "descriptor_flags.h"

namespace zef::net {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kLoopback = 0x7F000001u;

TEST(NetAddress, ParsesDottedQuadsAndLocalhostOnly) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> address;
    };
    const Case cases[] = {
        {"127.0.0.1", 0x7F000001u},   {"localhost", 0x7F000001u}, {"127.0.0.40", 0x7F000028u},
        {"127.1.2.3", 0x7F010203u},   {"127.255.255.255", 0x7FFFFFFFu},
        {"256.0.0.1", std::nullopt},  {"1.2.3", std::nullopt},    {"", std::nullopt},
        {" 127.0.0.1", std::nullopt}, {"127.0.0.1:80", std::nullopt}, {"example", std::nullopt},
        {"0.0.0.0", 0u},              {"127.0.0.01", std::nullopt}, {"+1.2.3.4", std::nullopt},
        {"1.2.3.4.", std::nullopt},   {"1..2.3", std::nullopt},   {"-1.2.3.4", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseIpv4(c.text), c.address);
        if (c.address && std::string(c.text) != "localhost") {
            EXPECT_EQ(Ipv4Text(*c.address), c.text);
        }
    }
}

TEST(NetAddress, LoopbackIsTheWhole127Network) {
    const std::pair<std::uint32_t, bool> cases[] = {
        {0x7F000001u, true}, {0x7FFFFFFFu, true}, {0x7F000000u, true},
        {0x7EFFFFFFu, false}, {0x80000001u, false}, {0x00000000u, false}, {0xC0A80001u, false},
    };
    for (const auto& [address, loopback] : cases) EXPECT_EQ(IsLoopback(address), loopback) << Ipv4Text(address);
}

// A listener on 127.0.0.1 and one accepted connection to it.
struct Pair {
    Socket listener, client, server;
};

Pair Connected() {
    Pair p;
    std::string error;
    p.listener = Socket::ListenTcp(kLoopback, 0, error);
    EXPECT_TRUE(p.listener.valid()) << error;
    EXPECT_NE(p.listener.LocalPort(), 0);
    p.client = Socket::ConnectTcp(kLoopback, p.listener.LocalPort(), 2000ms, error);
    EXPECT_TRUE(p.client.valid()) << error;
    EXPECT_TRUE(WaitReadable(p.listener.handle(), 2000ms));
    p.server = p.listener.Accept();
    EXPECT_TRUE(p.server.valid());
    return p;
}

// Everything `n` bytes long that arrives within two seconds.
Bytes ReceiveAll(const Socket& s, std::size_t n) {
    Bytes out;
    const auto deadline = Clock::now() + 2s;
    while (out.size() < n && Clock::now() < deadline) {
        if (!WaitReadable(s.handle(), 100ms)) continue;
        std::uint8_t buf[256];
        const IoResult got = s.Receive({buf, std::min(sizeof buf, n - out.size())});
        if (got.status == IoStatus::kClosed || got.status == IoStatus::kFailed) break;
        out.insert(out.end(), buf, buf + got.bytes);
    }
    return out;
}

TEST(NetTcp, BytesCrossBothWaysAndTheEndOfTheStreamIsSeen) {
    const Pair p = Connected();
    const Bytes request{0xF0, 0x21, 0x01, 0x00, 0xF7};
    const Bytes reply(300, 0x5A);
    ASSERT_EQ(p.client.Send(request).bytes, request.size());
    EXPECT_EQ(ReceiveAll(p.server, request.size()), request);
    ASSERT_EQ(p.server.Send(reply).bytes, reply.size());
    EXPECT_EQ(ReceiveAll(p.client, reply.size()), reply);

    // Nothing to read: the call does not wait.
    std::uint8_t byte = 0;
    const auto t0 = Clock::now();
    EXPECT_EQ(p.client.Receive({&byte, 1}).status, IoStatus::kWouldBlock);
    EXPECT_LT(Clock::now() - t0, 100ms);

    // Peeking at the peer leaves an unread byte in place.
    ASSERT_EQ(p.server.Send(Bytes{0x42}).bytes, 1u);
    ASSERT_TRUE(WaitReadable(p.client.handle(), 2000ms));
    EXPECT_TRUE(p.client.PeerOpen());
    EXPECT_EQ(ReceiveAll(p.client, 1), Bytes{0x42});

    p.server.ShutdownSend();
    ASSERT_TRUE(WaitReadable(p.client.handle(), 2000ms));
    EXPECT_EQ(p.client.Receive({&byte, 1}).status, IoStatus::kClosed);
    EXPECT_FALSE(p.client.PeerOpen());
}

TEST(NetTcp, ConnectingWhereNobodyListensFailsWithAReason) {
    std::string error;
    std::uint16_t port = 0;
    {
        const Socket probe = Socket::ListenTcp(kLoopback, 0, error);  // a port that was free a moment ago
        port = probe.LocalPort();
    }
    const auto t0 = Clock::now();
    const Socket s = Socket::ConnectTcp(kLoopback, port, 1000ms, error);
    EXPECT_FALSE(s.valid());
    EXPECT_FALSE(error.empty());
    EXPECT_LT(Clock::now() - t0, 1500ms);
}

TEST(NetTcp, ABusyPortCannotBeListenedOnTwice) {
    std::string error;
    const Socket first = Socket::ListenTcp(kLoopback, 0, error);
    ASSERT_TRUE(first.valid()) << error;
    const Socket second = Socket::ListenTcp(kLoopback, first.LocalPort(), error);
    EXPECT_FALSE(second.valid());
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(first.Accept().valid(), false) << "nobody is waiting to be accepted";
}

TEST(NetTcp, ShuttingDownWakesAThreadThatWaitsOnTheSocket) {
    const Pair p = Connected();
    auto waiting = std::async(std::launch::async, [&] {
        const auto t0 = Clock::now();
        WaitReadable(p.client.handle(), 5000ms);
        return Clock::now() - t0;
    });
    std::this_thread::sleep_for(50ms);
    p.client.Shutdown();
    ASSERT_EQ(waiting.wait_for(2s), std::future_status::ready);
    EXPECT_LT(waiting.get(), 2s);
}

#ifndef _WIN32
TEST(NetTcp, SocketsAreNonBlockingAndNotInherited) {
    const Pair p = Connected();
    for (const Socket* s : {&p.listener, &p.client, &p.server}) {
        EXPECT_TRUE(test::ClosedOnExec(s->handle()));
        EXPECT_TRUE(test::NonBlocking(s->handle()));
    }
}
#endif

TEST(NetUdp, ADatagramArrivesWholeWithItsSender) {
    std::string error;
    const Socket receiver = Socket::BindUdp(kLoopback, 0, error);
    const Socket sender = Socket::BindUdp(kLoopback, 0, error);
    ASSERT_TRUE(receiver.valid() && sender.valid()) << error;
    const Bytes datagram{0x21, 2, 1, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
    EXPECT_EQ(sender.SendTo(kLoopback, receiver.LocalPort(), datagram).bytes, datagram.size());
    ASSERT_TRUE(WaitReadable(receiver.handle(), 2000ms));
    std::uint8_t buf[64];
    std::uint32_t from = 0;
    const IoResult got = receiver.ReceiveFrom(buf, from);
    ASSERT_EQ(got.status, IoStatus::kOk);
    EXPECT_EQ(Bytes(buf, buf + got.bytes), datagram);
    EXPECT_EQ(from, kLoopback);
    EXPECT_EQ(receiver.ReceiveFrom(buf, from).status, IoStatus::kWouldBlock);
}

TEST(NetPoll, WaitsEndOnTimeOrOnAWake) {
    Waker waker;
    PollItem item{waker.handle()};
    // Quiet: the wait lasts its time-out; below a millisecond it still waits (no busy loop).
    for (const std::chrono::nanoseconds timeout : {std::chrono::nanoseconds(300us), std::chrono::nanoseconds(30ms)}) {
        const auto t0 = Clock::now();
        EXPECT_EQ(Poll({&item, 1}, timeout), 0);
        const auto took = Clock::now() - t0;
        EXPECT_GE(took, timeout);
        EXPECT_LT(took, timeout + 500ms);
        EXPECT_FALSE(item.readable);
    }
    // A wake from another thread ends a long wait early; draining quiets it again.
    std::thread other([&] {
        std::this_thread::sleep_for(30ms);
        waker.Wake();
    });
    const auto t0 = Clock::now();
    EXPECT_EQ(Poll({&item, 1}, 5s), 1);
    EXPECT_LT(Clock::now() - t0, 2s);
    EXPECT_TRUE(item.readable);
    other.join();
    waker.Drain();
    EXPECT_EQ(Poll({&item, 1}, 0ms), 0);
    // A skipped entry is never ready.
    PollItem none{kNoHandle};
    EXPECT_EQ(Poll({&none, 1}, 1ms), 0);
}

}  // namespace
}  // namespace zef::net
