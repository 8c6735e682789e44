// Replies as bytes: the length each request implies, the check that a reply
// answers its request, and each decoder on exact reply images, on every
// truncation and on replies spoiled one byte at a time.

#include "protocol/replies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "expected_frames.h"
#include "protocol/commands.h"

namespace zef {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Sixteen single-byte characters, one of them above 7Fh.
const std::string kIdentifyName = "Stage Left \xE9    ";

// 30 bytes: F0 21 addr 00 | 21 net uid[6] boot name[16] | F7
Bytes IdentifyImage(std::uint8_t address, std::uint8_t marker, std::uint8_t network, std::uint8_t boot) {
    Bytes r = {0xF0, 0x21, address, 0x00, marker, network, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, boot};
    for (const char c : kIdentifyName) r.push_back(static_cast<std::uint8_t>(c));
    r.push_back(0xF7);
    return r;
}

// 24 bytes: F0 21 addr 16 | levels 01..12h | flags | F7
Bytes StatusImage(std::uint8_t address, std::uint8_t flags) {
    Bytes r = {0xF0, 0x21, address, 0x16};
    for (std::uint8_t level = 1; level <= 18; ++level) r.push_back(level);
    r.push_back(flags);
    r.push_back(0xF7);
    return r;
}

// n + 5 bytes: F0 21 addr 14 | data | F7
Bytes MemoryImage(std::uint8_t address, const Bytes& data) {
    Bytes r(data.size() + 5);
    r[0] = 0xF0;
    r[1] = 0x21;
    r[2] = address;
    r[3] = 0x14;
    std::copy(data.begin(), data.end(), r.begin() + 4);
    r.back() = 0xF7;
    return r;
}

// 13 bytes: F0 21 addr code | p1..p8 | F7
Bytes EchoImage(std::uint8_t address, std::uint8_t code, std::uint8_t p1) {
    return test::CommandFrame(address, code, {p1, 0, 0, 0, 0, 0, 0, 0});
}

Request Command(std::uint8_t code, std::uint8_t p3 = 0) {
    Request r{code, {}, {}};
    r.p[2] = p3;
    return r;
}

TEST(ReplyLength, FollowsTheCommandsReplyShape) {
    const struct {
        const char* what;
        Request request;
        std::size_t length;
    } cases[] = {
        {"identify", Command(0), 30},
        {"status poll", Command(22), 24},
        {"read of 0 bytes", Command(20, 0), 5},
        {"read of 120 bytes", Command(20, 120), 125},
        {"read of 255 bytes", Command(20, 255), 260},
        {"gain", Command(1, 9), 13},
        {"block write of 65 bytes", Command(21, 65), 13},
        {"recall", Command(24), 13},
        {"enter boot loader", Command(90), 13},
        {"code the device does not know", Command(26), 13},
        {"code 255", Command(255, 40), 13},
    };
    for (const auto& c : cases) EXPECT_EQ(ExpectedReplyLength(c.request), c.length) << c.what;
}

TEST(CheckReply, NamesTheFirstThingThatIsWrong) {
    Request gain = Command(cmd::kGain);
    gain.p[0] = 7;
    const Bytes good = EchoImage(0x91, cmd::kGain, 7);  // address 11h with a change mark
    const auto with = [&](std::size_t at, std::uint8_t value) {
        Bytes b = good;
        b[at] = value;
        return b;
    };
    Bytes longer = good;
    longer.push_back(0xF7);
    const Bytes shorter(good.begin(), good.end() - 1);
    Bytes startAndMarker = with(1, 0x22);
    startAndMarker[0] = 0x00;
    const Bytes noStart = with(0, 0x00);
    const Bytes startAndLength(noStart.begin(), noStart.end() - 1);
    const struct {
        const char* what;
        Bytes reply;
        ReplyFault fault;
    } cases[] = {
        {"good", good, ReplyFault::None},
        {"any address byte", with(2, 0x00), ReplyFault::None},
        {"another parameter byte", with(11, 0xFF), ReplyFault::Echo},
        {"empty", {}, ReplyFault::Length},
        {"one byte more", longer, ReplyFault::Length},
        {"one byte less", shorter, ReplyFault::Length},
        {"start", with(0, 0xF1), ReplyFault::Start},
        {"marker", with(1, 0x22), ReplyFault::Marker},
        {"another command", with(3, cmd::kMute), ReplyFault::Command},
        {"end", with(12, 0x00), ReplyFault::End},
        {"start and marker", startAndMarker, ReplyFault::Start},
        {"length before start", startAndLength, ReplyFault::Length},
    };
    for (const auto& c : cases) EXPECT_EQ(CheckReply(gain, c.reply), c.fault) << c.what;

    // A memory read's reply is as long as the read asked.
    EXPECT_EQ(CheckReply(Command(cmd::kReadMemory, 3), MemoryImage(0x11, {1, 2, 3})), ReplyFault::None);
    EXPECT_EQ(CheckReply(Command(cmd::kReadMemory, 4), MemoryImage(0x11, {1, 2, 3})), ReplyFault::Length);
}

// An echo repeats the request's p1..p8 in bytes 4..11; a single bit flipped
// in any byte it repeats is caught, in the bytes it does not repeat it is not.
TEST(CheckReply, ComparesEveryEchoedParameterWithTheRequest) {
    const std::uint8_t data[] = {9, 8, 7, 6, 5};
    const struct {
        const char* what;
        Request request;
        std::size_t echoed;  // parameters the echo repeats, from p1
    } cases[] = {
        {"gain", Request{cmd::kGain, {2, 0, 0, 0, 0, 0, 0, 104}, {}}, 8},
        {"EQ band", Request{cmd::kEqBand, {3, 16, 0, 1, 0xA4, 0x03, 0xE8, 20}, {}}, 8},
        {"compressor", Request{cmd::kCompressor, {2, 1, 12, 3, 40, 5, 60, 0x80}, {}}, 8},
        {"recall", Request{cmd::kRecallPreset, {2, 0, 0, 0, 0, 0, 0, 0}, {}}, 8},
        {"block write", WriteMemoryRequest(0x1234, data), 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes echo = test::CommandFrame(0x11, c.request.command, c.request.p);
        if (c.request.command == cmd::kWriteMemory) std::fill(echo.begin() + 7, echo.end() - 1, 0xEE);
        ASSERT_EQ(CheckReply(c.request, echo), ReplyFault::None);
        for (std::size_t i = 0; i < 8; ++i) {
            for (int bit = 0; bit < 8; ++bit) {
                Bytes flipped = echo;
                flipped[kReplyDataOffset + i] ^= static_cast<std::uint8_t>(1u << bit);
                EXPECT_EQ(CheckReply(c.request, flipped), i < c.echoed ? ReplyFault::Echo : ReplyFault::None)
                    << "p" << i + 1 << " bit " << bit;
            }
        }
    }
    // An empty slot answers 255 in place of the slot number; nothing else may stand there.
    const Request recall{cmd::kRecallPreset, {2, 0, 0, 0, 0, 0, 0, 0}, {}};
    EXPECT_EQ(CheckReply(recall, EchoImage(0x11, cmd::kRecallPreset, 255)), ReplyFault::None);
    EXPECT_EQ(CheckReply(recall, EchoImage(0x11, cmd::kRecallPreset, 1)), ReplyFault::Echo);
    EXPECT_EQ(CheckReply(Request{cmd::kGain, {2, 0, 0, 0, 0, 0, 0, 0}, {}}, EchoImage(0x11, cmd::kGain, 255)),
              ReplyFault::Echo);
}

TEST(DecodeIdentify, TakesEveryFieldFromItsByte) {
    const struct {
        const char* what;
        Bytes reply;
        std::uint8_t address, network;
        bool genuine, bootLoader;
    } cases[] = {
        {"LAN device", IdentifyImage(0x11, 0x21, 2, 0), 0x11, 2, true, false},
        {"WLAN device", IdentifyImage(0x7E, 0x21, 1, 3), 0x7E, 1, true, false},
        {"boot loader", IdentifyImage(0x11, 0x21, 2, 255), 0x11, 2, true, true},
        {"boot byte 254", IdentifyImage(0x11, 0x21, 2, 254), 0x11, 2, true, false},
        {"no marker", IdentifyImage(0x05, 0x20, 2, 0), 0x05, 2, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<IdentifyReply> r = DecodeIdentify(c.reply);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->address, c.address);
        EXPECT_EQ(r->network, c.network);
        EXPECT_EQ(r->genuine, c.genuine);
        EXPECT_EQ(r->bootLoader, c.bootLoader);
        EXPECT_EQ(r->uniqueId, (std::array<std::uint8_t, 6>{0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6}));
        EXPECT_EQ(std::string(r->name.begin(), r->name.end()), kIdentifyName);
    }
}

TEST(DecodeStatus, LevelsAndTheTwoFlagBits) {
    const struct {
        std::uint8_t flags;
        bool standby, alert;
    } cases[] = {
        {0x00, false, false}, {0x04, true, false},  {0x02, false, true},  {0x06, true, true},
        {0x01, false, false}, {0x08, false, false}, {0xF9, false, false}, {0xFF, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(+c.flags);
        const std::optional<StatusReply> r = DecodeStatus(StatusImage(0xB1, c.flags));
        ASSERT_TRUE(r);
        EXPECT_EQ(r->address, 0xB1);
        EXPECT_EQ(r->flags, c.flags);
        EXPECT_EQ(r->standby(), c.standby);
        EXPECT_EQ(r->alert(), c.alert);
        for (std::size_t i = 0; i < r->levels.size(); ++i) EXPECT_EQ(r->levels[i], i + 1) << i;
    }
}

TEST(DecodeMemory, GivesExactlyTheDataOfTheReadItAnswers) {
    const Bytes data = {0x00, 0xF7, 0xF0, 0x21, 0x14, 0xFF};  // frame bytes inside the data are data
    const Bytes reply = MemoryImage(0x11, data);
    const auto got = DecodeMemory(reply, data.size());
    ASSERT_TRUE(got);
    EXPECT_EQ(Bytes(got->begin(), got->end()), data);
    EXPECT_EQ(got->data(), reply.data() + 4);  // a view into the reply, not a copy

    const auto none = DecodeMemory(MemoryImage(0x11, {}), 0);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
    const Bytes full(255, 0x5A);
    ASSERT_TRUE(DecodeMemory(MemoryImage(0x11, full), 255));
    EXPECT_EQ(DecodeMemory(MemoryImage(0x11, full), 255)->size(), 255u);

    Bytes written = reply;
    written[3] = cmd::kWriteMemory;
    const struct {
        const char* what;
        Bytes reply;
        std::size_t count;
    } refused[] = {
        {"one byte fewer asked", reply, data.size() - 1},
        {"one byte more asked", reply, data.size() + 1},
        {"reply to a block write", written, data.size()},
        {"count past one read", MemoryImage(0x11, Bytes(255, 1)), 256},
        {"count that wraps to 0", MemoryImage(0x11, {}), 256},
    };
    for (const auto& c : refused) EXPECT_FALSE(DecodeMemory(c.reply, c.count)) << c.what;
}

TEST(DecodeRecallEmpty, OnlyTwoFiftyFiveMeansEmpty) {
    const struct {
        std::uint8_t p1;
        bool empty;
    } cases[] = {{0, false}, {1, false}, {2, false}, {254, false}, {255, true}};
    for (const auto& c : cases) {
        const std::optional<bool> r = DecodeRecallEmpty(EchoImage(0x11, cmd::kRecallPreset, c.p1));
        ASSERT_TRUE(r) << +c.p1;
        EXPECT_EQ(*r, c.empty) << +c.p1;
    }
    EXPECT_FALSE(DecodeRecallEmpty(EchoImage(0x11, cmd::kStorePreset, 255)));
}

// Every decoder refuses its own good reply cut short at any length or with
// the start, marker, command or end byte spoilt.
TEST(Decoders, RefuseTruncatedAndSpoiltReplies) {
    const struct {
        const char* what;
        Bytes good;
        bool (*decodes)(const Bytes&);
    } decoders[] = {
        {"identify", IdentifyImage(0x11, 0x21, 2, 0),
         [](const Bytes& b) { return DecodeIdentify(b).has_value(); }},
        {"status", StatusImage(0x11, 0), [](const Bytes& b) { return DecodeStatus(b).has_value(); }},
        {"memory", MemoryImage(0x11, {1, 2, 3, 4}),
         [](const Bytes& b) { return DecodeMemory(b, 4).has_value(); }},
        {"recall", EchoImage(0x11, cmd::kRecallPreset, 1),
         [](const Bytes& b) { return DecodeRecallEmpty(b).has_value(); }},
    };
    for (const auto& d : decoders) {
        SCOPED_TRACE(d.what);
        ASSERT_TRUE(d.decodes(d.good));
        for (std::size_t n = 0; n < d.good.size(); ++n)
            EXPECT_FALSE(d.decodes(Bytes(d.good.begin(), d.good.begin() + static_cast<std::ptrdiff_t>(n))))
                << n;
        Bytes longer = d.good;
        longer.push_back(0xF7);
        EXPECT_FALSE(d.decodes(longer));
        for (const std::size_t at : {std::size_t{0}, std::size_t{1}, std::size_t{3}, d.good.size() - 1}) {
            Bytes spoilt = d.good;
            spoilt[at] ^= 0x01;
            EXPECT_FALSE(d.decodes(spoilt)) << "byte " << at;
        }
    }
}

}  // namespace
}  // namespace zef
