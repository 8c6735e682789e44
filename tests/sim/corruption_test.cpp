// Bit errors on demand: one bit flipped or one byte replaced, in a reply or in a request,
// at the chosen frame and place or at random; a spoilt request is what the device then acts
// on, and the device remembers what it did.

#include <thread>

#include "cli.h"
#include "sim_fixture.h"

namespace simtest {
namespace {

using zefsim::Corruption;
using W = Corruption::Where;
using K = Corruption::Kind;

class SimCorruption : public SimFixture {};

Corruption Spoil(W where, K kind, int after, std::optional<std::size_t> byte = {},
                 std::optional<std::uint8_t> value = {}, std::optional<std::uint8_t> command = {}, int count = 1) {
    return {where, kind, after, byte, value, command, count};
}

// The positions where two frames of one length differ.
std::vector<std::size_t> Differences(const Bytes& a, const Bytes& b) {
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i]) at.push_back(i);
    return at;
}

TEST_F(SimCorruption, ReplyIsSpoiltAtTheChosenFrameByteAndBitOnly) {
    const Bytes request = frame(1, {2, 0, 0, 0, 0, 0, 0, 100});
    const Bytes clean = link.exchange(request, 13).value_or(Bytes{});
    ASSERT_EQ(clean.size(), 13u);
    const struct {
        const char* what;
        Corruption c;
        std::size_t byte;
        std::uint8_t expected;
    } cases[] = {
        {"bit 3 of p8", Spoil(W::Reply, K::Bit, 1, 11, 3), 11, static_cast<std::uint8_t>(100 ^ 8)},
        {"byte 2 replaced", Spoil(W::Reply, K::Byte, 1, 2, 0x7E), 2, 0x7E},
        {"past the end: the last byte", Spoil(W::Reply, K::Bit, 1, 40, 0), 12, 0xF6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dev.armCorruption(c.c);
        EXPECT_EQ(link.exchange(request, 13).value_or(Bytes{}), clean) << "the frame before it";
        Bytes expected = clean;
        expected[c.byte] = c.expected;
        EXPECT_EQ(link.exchange(request, 13).value_or(Bytes{}), expected);
        EXPECT_EQ(link.exchange(request, 13).value_or(Bytes{}), clean) << "the frame after it";
        EXPECT_EQ(dev.memory(D(493), 1)[0], 100) << "the device did what was asked";
    }
}

TEST_F(SimCorruption, ACommandCodeCountsOnlyItsOwnFramesForCountFramesInARow) {
    const Bytes read = frame(20, {0, 1, 3});
    const Bytes clean = link.exchange(read, 8).value_or(Bytes{});
    const Bytes status = link.exchange(frame(22), 24).value_or(Bytes{});
    dev.armCorruption(Spoil(W::Reply, K::Byte, 1, 5, 0xEE, 20, 2));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(link.exchange(frame(22), 24).value_or(Bytes{}), status);
    EXPECT_EQ(link.exchange(read, 8).value_or(Bytes{}), clean) << "the first read is not the one";
    Bytes expected = clean;
    expected[5] = 0xEE;
    EXPECT_EQ(link.exchange(frame(22), 24).value_or(Bytes{}), status);
    EXPECT_EQ(link.exchange(read, 8).value_or(Bytes{}), expected);
    EXPECT_EQ(link.exchange(frame(22), 24).value_or(Bytes{}), status);
    EXPECT_EQ(link.exchange(read, 8).value_or(Bytes{}), expected) << "the second of two";
    EXPECT_EQ(link.exchange(read, 8).value_or(Bytes{}), clean);
}

TEST_F(SimCorruption, RandomPlacesChangeOneBitOrOneByteOfEveryLength) {
    const struct {
        Bytes request;
        std::size_t length;
    } frames[] = {{frame(22), 24}, {frame(20, {0, 0, 120}), 125}, {frame(0, {}, 0), 30}, {frame(25), 13}};
    for (const auto& f : frames) {
        const Bytes clean = link.exchange(f.request, f.length).value_or(Bytes{});
        ASSERT_EQ(clean.size(), f.length);
        for (int i = 0; i < 40; ++i) {
            const bool bit = i % 2 == 0;
            dev.armCorruption(Spoil(W::Reply, bit ? K::Bit : K::Byte, 0));
            const Bytes spoilt = link.exchange(f.request, f.length).value_or(Bytes{});
            ASSERT_EQ(spoilt.size(), f.length);
            const auto at = Differences(clean, spoilt);
            ASSERT_EQ(at.size(), 1u) << "length " << f.length;
            if (bit) {
                EXPECT_EQ(__builtin_popcount(clean[at[0]] ^ spoilt[at[0]]), 1);
            }
        }
    }
}

TEST_F(SimCorruption, SpoiltRequestIsActedOnAsItArrivedAndRemembered) {
    // p1 of a gain command 2 -> 3: output 2's gain changes instead of output 1's, and the
    // echo tells which.
    const std::uint8_t before = dev.memory(D(494), 1)[0];
    dev.armCorruption(Spoil(W::Request, K::Bit, 0, 4, 0));
    const Bytes reply = link.exchange(frame(1, {2, 0, 0, 0, 0, 0, 0, 90}), 13).value_or(Bytes{});
    ASSERT_EQ(reply.size(), 13u);
    EXPECT_EQ(reply[4], 3);
    EXPECT_EQ(dev.memory(D(494), 1)[0], 90);
    EXPECT_NE(dev.memory(D(493), 1)[0], 90);
    const auto altered = dev.alteredRequests();
    ASSERT_EQ(altered.size(), 1u);
    EXPECT_EQ(altered[0].sent, frame(1, {2, 0, 0, 0, 0, 0, 0, 90}));
    EXPECT_EQ(altered[0].received, frame(1, {3, 0, 0, 0, 0, 0, 0, 90}));
    EXPECT_TRUE(altered[0].expectedLength);
    EXPECT_EQ(altered[0].frameIndex, dev.frames().size() - 1);
    EXPECT_EQ(altered[0].changed, (std::vector<std::pair<std::uint32_t, std::uint8_t>>{{D(494), 90}}));
    EXPECT_NE(before, 90);

    // A spoilt start byte: the receiver never sees a frame, nothing is done or answered.
    dev.armCorruption(Spoil(W::Request, K::Byte, 0, 0, 0x00));
    link.send(frame(1, {2, 0, 0, 0, 0, 0, 0, 77}));
    EXPECT_TRUE(link.drain(200ms).empty());
    EXPECT_NE(dev.memory(D(493), 1)[0], 77);
    EXPECT_EQ(dev.alteredRequests().size(), 1u);
    // A read turned into a voltage command (20 -> 16): a 13-byte answer the reader did not expect.
    dev.setMemory(214, {3});
    dev.armCorruption(Spoil(W::Request, K::Bit, 0, 3, 2));
    link.send(frame(20, {0, 0, 120}));
    EXPECT_EQ(link.drain(200ms).size(), 13u);
    ASSERT_EQ(dev.alteredRequests().size(), 2u);
    EXPECT_FALSE(dev.alteredRequests()[1].expectedLength);
    EXPECT_EQ(dev.memory(214, 1)[0], 0);
    dev.clearLog();
    EXPECT_TRUE(dev.alteredRequests().empty());
}

TEST_F(SimCorruption, NoiseAtAHundredPercentSpoilsEveryExchangeAndStopsWhenOff) {
    const Bytes clean = link.exchange(frame(22), 24).value_or(Bytes{});
    dev.setNoisePercent(100);
    int spoilt = 0;
    for (int i = 0; i < 20; ++i) {
        link.send(frame(22));
        const Bytes got = link.drain(100ms, 500ms);
        if (got != clean) ++spoilt;
    }
    EXPECT_EQ(spoilt, 20);
    dev.setNoisePercent(0);
    link.drain(300ms);  // what the spoilt requests left on the line
    for (int i = 0; i < 5; ++i) EXPECT_EQ(link.exchange(frame(22), 24).value_or(Bytes{}), clean);
}

TEST(SimCorruptionCli, CorruptionsParseFromWordsOptionsAndControlLines) {
    const Corruption c = zefsim::parseCorruption({"request", "byte", "7", "11", "200"});
    EXPECT_EQ(c.where, W::Request);
    EXPECT_EQ(c.kind, K::Byte);
    EXPECT_EQ(c.after, 7);
    EXPECT_EQ(c.byte, 11u);
    EXPECT_EQ(c.value, 200);
    const Corruption filtered = zefsim::parseCorruption({"reply", "byte", "2", "4", "9", "command", "20", "count", "3"});
    EXPECT_EQ(filtered.command, 20);
    EXPECT_EQ(filtered.count, 3);
    EXPECT_EQ(filtered.after, 2);
    EXPECT_EQ(filtered.value, 9);
    const Corruption random = zefsim::parseCorruption({"reply", "bit"});
    EXPECT_FALSE(random.command.has_value());
    EXPECT_FALSE(random.byte.has_value());
    EXPECT_FALSE(random.value.has_value());
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"reply"}, {"sideways", "bit"}, {"reply", "nibble"}, {"reply", "bit", "0", "0", "8"},
          {"reply", "byte", "0", "0", "256"}, {"reply", "bit", "-1"}, {"reply", "bit", "0", "count", "0"}}) {
        EXPECT_THROW(zefsim::parseCorruption(bad), std::runtime_error) << bad[0];
    }

    const auto o = zefsim::parseOptions({"--corrupt", "reply,bit,3", "--noise", "2.5", "--tcp", "127.0.0.1:0"});
    ASSERT_EQ(o.devices.size(), 1u);
    ASSERT_EQ(o.devices[0].corruptions.size(), 1u);
    EXPECT_EQ(o.devices[0].corruptions[0].after, 3);
    EXPECT_EQ(o.devices[0].noisePercent, 2.5);
    EXPECT_THROW(zefsim::parseOptions({"--corrupt", "reply,bit", "--corrupt", "reply,byte", "--tcp", "127.0.0.1:0"}),
                 std::runtime_error);
    EXPECT_THROW(zefsim::parseOptions({"--noise", "101", "--tcp", "127.0.0.1:0"}), std::runtime_error);

    zefsim::Simulator sim;
    zefsim::Device& d = sim.addDevice();
    const Stream s = connectTcp("127.0.0.1", sim.listenTcp(d, "127.0.0.1", 0));
    EXPECT_EQ(zefsim::runControl(sim, "corrupt 1 reply byte 0 4 9").output, "ok\n");
    const Bytes reply = s.exchange(frame(25), 13).value_or(Bytes{});
    ASSERT_EQ(reply.size(), 13u);
    EXPECT_EQ(reply[4], 9);
    EXPECT_EQ(zefsim::runControl(sim, "noise 1 0").output, "ok\n");
    EXPECT_EQ(zefsim::runControl(sim, "altered 1").output, "0 spoilt requests acted on\n");
    EXPECT_EQ(zefsim::runControl(sim, "corrupt 1 reply").output.rfind("error:", 0), 0u);
}

}  // namespace
}  // namespace simtest
