// Faults on demand do what they say, and the device recovers when they end.

#include <thread>

#include "sim_fixture.h"

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;

class SimFaults : public SimFixture {};

TEST_F(SimFaults, DropAppliesTheFrameButAnswersNothingForCountFrames) {
    dev.dropReplies(2);
    link.send(frame(1, {0, 0, 0, 0, 0, 0, 0, 77}));
    EXPECT_TRUE(link.drain(200ms).empty());
    EXPECT_EQ(dev.memory(256, 1)[0], 77);
    link.send(frame(22));
    EXPECT_TRUE(link.drain(200ms).empty());
    EXPECT_EQ(link.exchange(frame(22), 24).value_or(Bytes{}).size(), 24u);
    EXPECT_EQ(dev.frames().size(), 3u);
}

TEST_F(SimFaults, DelayHoldsEveryReplyBack) {
    dev.setReplyDelayMs(300);
    const auto t0 = Clock::now();
    link.send(frame(22));
    EXPECT_TRUE(link.drain(150ms, 200ms).empty());
    const auto reply = link.receive(24, 2000ms);
    ASSERT_TRUE(reply.has_value());
    EXPECT_GE(Clock::now() - t0, 300ms);
    dev.setReplyDelayMs(0);
    EXPECT_EQ(ask(25).size(), 13u);
}

TEST_F(SimFaults, SilentDeviceNeitherAppliesNorAnswers) {
    dev.setSilent(true);
    link.send(frame(1, {0, 0, 0, 0, 0, 0, 0, 55}));
    link.send(frame(0, {}, 0));
    EXPECT_TRUE(link.drain(300ms).empty());
    EXPECT_NE(dev.memory(256, 1)[0], 55);
    EXPECT_EQ(dev.frames().size(), 2u);  // received all the same
    dev.setSilent(false);
    EXPECT_EQ(ask(25).size(), 13u);
}

TEST_F(SimFaults, CutClosesTheConnectionAndANewOneIsServed) {
    ASSERT_EQ(ask(25).size(), 13u);
    dev.cutConnections();
    EXPECT_TRUE(link.closedByPeer());
    const Stream again = connectTcp("127.0.0.1", port);
    EXPECT_EQ(again.exchange(frame(22), 24).value_or(Bytes{}).size(), 24u);
}

TEST_F(SimFaults, GarbageAndShortSpoilOnlyTheNextReply) {
    struct Case {
        const char* name;
        bool garbage;  // else short
        Bytes request;
        std::size_t length;
        std::size_t got;
    };
    const Case cases[] = {
        {"garbage status", true, frame(22), 24, 24},
        {"garbage read", true, frame(20, {0, 0, 120}), 125, 125},
        {"short status", false, frame(22), 24, 12},
        {"short identify", false, frame(0, {}, 0), 30, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.garbage) {
            dev.garbageNextReply();
        } else {
            dev.shortNextReply();
        }
        link.send(c.request);
        const Bytes spoilt = link.drain(200ms);
        ASSERT_EQ(spoilt.size(), c.got);
        if (c.got == c.length) {
            EXPECT_NE(spoilt[0], 0xF0);
        }
        link.send(c.request);
        const Bytes fine = link.drain(200ms);
        ASSERT_EQ(fine.size(), c.length);
        EXPECT_EQ(fine[0], 0xF0);
        EXPECT_EQ(fine.back(), 0xF7);
        if (c.got < c.length) {
            EXPECT_EQ(Bytes(fine.begin(), fine.begin() + static_cast<std::ptrdiff_t>(c.got)), spoilt);
        }
    }
}

TEST_F(SimFaults, BootloaderAnswersOnlyIdentifyStatusAndClosing) {
    dev.setBootloader(true);
    const auto id = link.exchange(frame(0, {}, 0), 30);
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ((*id)[12], 255);
    EXPECT_EQ(link.exchange(frame(22), 24).value_or(Bytes{}).size(), 24u);
    EXPECT_EQ(ask(15).size(), 13u);
    for (std::uint8_t code : {1, 20, 21, 24, 25}) {
        link.send(frame(code, {0, 0, 3}));
        EXPECT_TRUE(link.drain(150ms).empty()) << int(code);
    }
    dev.setBootloader(false);
    const auto normal = link.exchange(frame(0, {}, 0), 30);
    ASSERT_TRUE(normal.has_value());
    EXPECT_EQ((*normal)[12], 0);
}

TEST_F(SimFaults, FirmwareVersionIsWhatAReadOfBytesOneToThreeShows) {
    for (const auto& v : {std::array<std::uint8_t, 3>{1, 9, 9}, {2, 0, 0}, {1, 10, 0}}) {
        dev.setFirmware(v[0], v[1], v[2]);
        const auto r = link.exchange(frame(20, {0, 1, 3}), 8);
        ASSERT_TRUE(r.has_value());
        EXPECT_EQ(Bytes(r->begin() + 4, r->begin() + 7), Bytes(v.begin(), v.end()));
    }
}

}  // namespace
}  // namespace simtest
