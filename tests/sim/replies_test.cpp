// Reply lengths and contents: echo replies, identify, status, read memory and block write.

#include "sim_fixture.h"

namespace simtest {
namespace {

class SimReplies : public SimFixture {};

TEST_F(SimReplies, LengthsFollowTheCommandAndEchoTheParameters) {
    struct Case {
        std::uint8_t code;
        std::size_t length;
    };
    const Case table[] = {{0, 30},  {1, 13},  {5, 13},  {13, 13}, {15, 13}, {22, 24}, {23, 13},
                          {24, 13}, {25, 13}, {29, 13}, {31, 13}, {33, 13}, {77, 13}};
    for (const Case& c : table) {
        SCOPED_TRACE(int(c.code));
        const Bytes request = frame(c.code, {2, 0, 0, 0, 0, 0, 0, 0});
        link.send(request);
        const Bytes reply = link.drain();
        ASSERT_EQ(reply.size(), c.length);
        EXPECT_EQ(reply[0], 0xF0);
        EXPECT_EQ(reply[1], 0x21);
        EXPECT_EQ(reply[2], 0x01);
        EXPECT_EQ(reply[3], c.code);
        EXPECT_EQ(reply.back(), 0xF7);
        if (c.length == 13 && c.code != 24) {
            EXPECT_EQ(Bytes(reply.begin() + 4, reply.begin() + 12),
                      Bytes(request.begin() + 4, request.begin() + 12));
        }
    }
}

TEST_F(SimReplies, IdentifyCarriesAddressNetworkUidBootByteAndName) {
    zefsim::DeviceConfig c;
    c.name = "Stage Left";
    c.uid = {0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6};
    c.address = 0x07;
    c.network = 1;
    zefsim::Device& other = sim.addDevice(c);
    const Stream s = connectTcp("127.0.0.1", sim.listenTcp(other, "127.0.0.1", 0));
    const auto reply = s.exchange(frame(0, {}, 0x00), 30);
    ASSERT_TRUE(reply.has_value());
    const Bytes& r = *reply;
    EXPECT_EQ(r[2], 0x07);
    EXPECT_EQ(r[4], 0x21);
    EXPECT_EQ(r[5], 1);
    EXPECT_EQ(Bytes(r.begin() + 6, r.begin() + 12), (Bytes{0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6}));
    EXPECT_EQ(r[12], 0);
    EXPECT_EQ(std::string(r.begin() + 13, r.begin() + 29), "Stage Left      ");
    EXPECT_EQ(r[29], 0xF7);
    // The name lives in settings memory 5..20: a write there changes the identify reply.
    EXPECT_EQ(other.memory(5, 16), Bytes(r.begin() + 13, r.begin() + 29));
    const std::string renamed = "Renamed Amp 0123";
    ASSERT_TRUE(s.exchange(blockWrite(5, Bytes(renamed.begin(), renamed.end()), 0x07), 13));
    const auto again = s.exchange(frame(0, {}, 0x00), 30);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(std::string(again->begin() + 13, again->begin() + 29), renamed);
}

TEST_F(SimReplies, StatusCarriesLevelsIndicatorsAlertAndStandby) {
    std::array<std::uint8_t, 18> levels{};
    for (std::size_t i = 0; i < levels.size(); ++i) levels[i] = static_cast<std::uint8_t>(40 + i);
    dev.setStatusBytes(levels);
    struct Case {
        bool standby, alert;
        std::uint8_t flags;
    };
    for (const Case c :
         {Case{false, false, 0}, Case{true, false, 4}, Case{false, true, 2}, Case{true, true, 6}}) {
        ASSERT_EQ(ask(14, {0, 0, 0, 0, 0, 0, 0, std::uint8_t(c.standby)}).size(), 13u);
        dev.setAlert(c.alert);
        const auto r = link.exchange(frame(22), 24);
        ASSERT_TRUE(r.has_value());
        EXPECT_EQ(Bytes(r->begin() + 4, r->begin() + 22), Bytes(levels.begin(), levels.end()));
        EXPECT_EQ((*r)[22], c.flags);
        EXPECT_EQ((*r)[23], 0xF7);
    }
}

TEST_F(SimReplies, MovingMetersStayInRangeAndRestInStandby) {
    dev.setMeterAnimation(true);
    const auto running = link.exchange(frame(22), 24);
    ASSERT_TRUE(running.has_value());
    for (int i = 4; i < 16; ++i) {
        EXPECT_GE((*running)[i], 10) << i;  // -20 dB .. +6 dB
        EXPECT_LE((*running)[i], 36) << i;
    }
    for (int i = 16; i < 20; ++i) {
        EXPECT_GE((*running)[i], 30) << i;  // a few dB of gain reduction at most
        EXPECT_LE((*running)[i], 34) << i;
    }
    ASSERT_EQ(ask(14, {0, 0, 0, 0, 0, 0, 0, 1}).size(), 13u);
    const auto standby = link.exchange(frame(22), 24);
    ASSERT_TRUE(standby.has_value());
    EXPECT_EQ(Bytes(standby->begin() + 4, standby->begin() + 16), Bytes(12, 10));
    EXPECT_EQ(Bytes(standby->begin() + 16, standby->begin() + 20), Bytes(4, 30));
    EXPECT_EQ((*standby)[20], 0);
    EXPECT_EQ((*standby)[22], 4);
}

TEST_F(SimReplies, ReadMemoryReturnsTheRequestedBytesAcrossTheAddressSpace) {
    Bytes all(zefsim::kAddressSpaceEnd);
    for (std::size_t a = 0; a < all.size(); ++a) all[a] = static_cast<std::uint8_t>(a ^ (a >> 8));
    dev.setMemory(0, all);
    struct Case {
        std::uint16_t address;
        std::uint8_t count;
    };
    for (const Case c :
         {Case{0, 120}, Case{120, 120}, Case{240 + 78 * 7, 78}, Case{1, 3}, Case{4096, 192},
          Case{4096 + 1152 + 960, 192}, Case{860, 10}, Case{4090, 8}, Case{6396, 8}, Case{0, 0}}) {
        SCOPED_TRACE(c.address);
        const auto r = link.exchange(
            frame(20, {std::uint8_t(c.address >> 8), std::uint8_t(c.address), c.count}), c.count + 5u);
        ASSERT_TRUE(r.has_value());
        EXPECT_EQ((*r)[3], 20);
        EXPECT_EQ(r->back(), 0xF7);
        for (std::size_t i = 0; i < c.count; ++i) {
            const std::size_t a = c.address + i;
            const bool mapped =
                a < zefsim::kMemorySize || (a >= zefsim::kFirBase && a < zefsim::kAddressSpaceEnd);
            EXPECT_EQ(int((*r)[4 + i]), mapped ? int(all[a]) : 0) << "address " << a;
        }
    }
    EXPECT_TRUE(link.drain(100ms).empty());
}

TEST_F(SimReplies, BlockWriteLandsItsPayloadAndHasVariableLength) {
    Bytes payload(65);
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(0xA0 + i);
    const Bytes request = blockWrite(240, payload);
    ASSERT_EQ(request.size(), 73u);
    const auto reply = link.exchange(request, 13);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(Bytes(reply->begin() + 3, reply->begin() + 7), (Bytes{21, 0, 240, 65}));
    EXPECT_EQ(dev.memory(240, 65), payload);

    // FIR coefficients: 48-byte blocks at 0x1000 + 0x480 * output.
    const Bytes taps(48, 0x5C);
    ASSERT_TRUE(link.exchange(blockWrite(0x1000 + 0x480 + 48, taps), 13));
    EXPECT_EQ(dev.memory(4096 + 1152 + 48, 48), taps);
    EXPECT_EQ(dev.memory(4096 + 1152 + 96, 3), (Bytes{0, 0, 0}));

    // More than 65 bytes is not a frame: nothing is written and nothing is answered.
    const Bytes before = dev.memory(0, 864);
    link.send(blockWrite(300, Bytes(66, 0x77)));
    EXPECT_TRUE(link.drain(200ms).empty());
    EXPECT_EQ(dev.memory(0, 864), before);
    // The device still answers the next frame.
    EXPECT_EQ(ask(25).size(), 13u);
}

}  // namespace
}  // namespace simtest
