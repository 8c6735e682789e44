// Command frames as bytes, and the command vocabulary they are built from.

#include "protocol/frame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "protocol/commands.h"

namespace zef {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Counting(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i + 1);
    return b;
}

TEST(CommandFrame, ExactBytes) {
    const Bytes three = {0xAA, 0xBB, 0xCC};
    const struct {
        const char* what;
        std::uint8_t address;
        Request request;
        Bytes frame;
    } cases[] = {
        {"identify goes to address 0",
         0x11,
         {0, {1, 2, 3, 4, 5, 6, 7, 8}, {}},
         {0xF0, 0x21, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 0xF7}},
        {"gain",
         0x11,
         {1, {2, 0, 0, 0, 0, 0, 0, 80}, {}},
         {0xF0, 0x21, 0x11, 0x01, 2, 0, 0, 0, 0, 0, 0, 80, 0xF7}},
        {"read of 120 bytes at 0100h",
         0x7E,
         ReadMemoryRequest(0x0100, 120),
         {0xF0, 0x21, 0x7E, 0x14, 0x01, 0x00, 120, 0, 0, 0, 0, 0, 0xF7}},
        {"block write of three bytes at 1234h",
         0x11,
         WriteMemoryRequest(0x1234, three),
         {0xF0, 0x21, 0x11, 0x15, 0x12, 0x34, 0x03, 0xAA, 0xBB, 0xCC, 0xF7}},
        {"block write sends no more than p3 says",
         0x11,
         {cmd::kWriteMemory, {0x00, 0x10, 2, 9, 9, 9, 9, 9}, three},
         {0xF0, 0x21, 0x11, 0x15, 0x00, 0x10, 0x02, 0xAA, 0xBB, 0xF7}},
        {"block write sends no more than it holds",
         0x11,
         {cmd::kWriteMemory, {0x00, 0x10, 9, 0, 0, 0, 0, 0}, three},
         {0xF0, 0x21, 0x11, 0x15, 0x00, 0x10, 0x03, 0xAA, 0xBB, 0xCC, 0xF7}},
        {"empty block write", 0x11, WriteMemoryRequest(0x0000, {}), {0xF0, 0x21, 0x11, 0x15, 0, 0, 0, 0xF7}},
    };
    for (const auto& c : cases) EXPECT_EQ(BuildCommandFrame(c.address, c.request), c.frame) << c.what;
}

TEST(CommandFrame, BlockWritesStopAtSixtyFiveBytes) {
    const Bytes data = Counting(70);
    const Request w = WriteMemoryRequest(0xABCD, data);
    EXPECT_EQ(w.p[2], 65);
    EXPECT_EQ(w.payload, Bytes(data.begin(), data.begin() + 65));
    const Bytes frame = BuildCommandFrame(0x11, w);
    ASSERT_EQ(frame.size(), 73u);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 7), (Bytes{0xF0, 0x21, 0x11, 0x15, 0xAB, 0xCD, 65}));
    EXPECT_EQ(Bytes(frame.begin() + 7, frame.end() - 1), Bytes(data.begin(), data.begin() + 65));
    EXPECT_EQ(frame.back(), 0xF7);

    // Even a request made by hand with a longer payload.
    const Request big{cmd::kWriteMemory, {0, 0, 200, 0, 0, 0, 0, 0}, Counting(200)};
    EXPECT_EQ(BuildCommandFrame(0x11, big).size(), 73u);
}

TEST(CommandFrame, ParsingGivesBackWhatWasBuilt) {
    const Request requests[] = {
        {cmd::kGain, {2, 0, 0, 0, 0, 0, 0, 80}, {}},
        {cmd::kEqBand, {3, 4, 1, 9, 8, 7, 6, 5}, {}},
        ReadMemoryRequest(0x0100, 120),
        WriteMemoryRequest(0x1234, Counting(1)),
        WriteMemoryRequest(0x00F0, Counting(65)),
    };
    for (const Request& r : requests) {
        const auto parsed = ParseCommandFrame(BuildCommandFrame(0x5A, r));
        ASSERT_TRUE(parsed) << int(r.command);
        EXPECT_EQ(parsed->address, 0x5A);
        EXPECT_EQ(parsed->request, r) << int(r.command);
    }
}

TEST(CommandFrame, ParsingRefusesAnythingButOneWholeFrame) {
    const Bytes gain = BuildCommandFrame(0x11, {cmd::kGain, {2, 0, 0, 0, 0, 0, 0, 80}, {}});
    const Bytes write = BuildCommandFrame(0x11, WriteMemoryRequest(0x10, Counting(3)));
    auto with = [](Bytes b, std::size_t i, std::uint8_t v) {
        b[i] = v;
        return b;
    };
    Bytes twoFrames = gain;
    twoFrames.insert(twoFrames.end(), gain.begin(), gain.end());
    const struct {
        const char* what;
        Bytes frame;
    } cases[] = {
        {"empty", {}},
        {"no start", with(gain, 0, 0xF1)},
        {"no marker", with(gain, 1, 0x22)},
        {"no end", with(gain, 12, 0x00)},
        {"one byte short", Bytes(gain.begin(), gain.end() - 1)},
        {"two frames", twoFrames},
        {"a block write longer than its count", with(write, 6, 2)},
        {"a block write shorter than its count", with(write, 6, 4)},
        {"an empty block write", BuildCommandFrame(0x11, WriteMemoryRequest(0, {}))},
        {"a block write of 66 bytes", with(with(with(with(with(Bytes(74, 0), 0, 0xF0), 1, 0x21), 3, 0x15), 6, 66), 73, 0xF7)},
    };
    for (const auto& c : cases) EXPECT_FALSE(ParseCommandFrame(c.frame)) << c.what;
}

TEST(MemoryParams, AddressHighLowThenCountClampedTo255) {
    const struct {
        std::uint16_t address;
        std::size_t count;
        CommandParams p;
    } cases[] = {
        {0x0000, 0, {0, 0, 0, 0, 0, 0, 0, 0}},
        {0xABCD, 7, {0xAB, 0xCD, 7, 0, 0, 0, 0, 0}},
        {0x00FF, 255, {0x00, 0xFF, 255, 0, 0, 0, 0, 0}},
        {0xFF00, 256, {0xFF, 0x00, 255, 0, 0, 0, 0, 0}},
        {0x1234, 1000, {0x12, 0x34, 255, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MemoryParams(c.address, c.count), c.p) << c.address << " " << c.count;
        EXPECT_EQ(ReadMemoryRequest(c.address, c.count), (Request{cmd::kReadMemory, c.p, {}}));
    }
}

TEST(DeviceCommandTable, EveryCodeOnceAndFoundByCode) {
    // The codes the device knows; every other one is unknown.
    std::set<int> known;
    for (int c = 0; c <= 25; ++c) known.insert(c);
    for (int c = 28; c <= 33; ++c) known.insert(c);
    known.insert(90);

    std::set<int> inTable;
    std::set<std::string_view> names;
    for (const CommandInfo& c : DeviceCommandTable()) {
        EXPECT_TRUE(inTable.insert(c.code).second) << "code " << +c.code << " twice";
        EXPECT_TRUE(names.insert(c.name).second) << c.name << " twice";
    }
    EXPECT_EQ(inTable, known);
    for (int code = 0; code <= 255; ++code) {
        const CommandInfo* info = FindCommand(static_cast<std::uint8_t>(code));
        ASSERT_EQ(info != nullptr, known.count(code) == 1) << code;
        if (info) {
            EXPECT_EQ(info->code, code);
        }
    }
}

}  // namespace
}  // namespace zef
