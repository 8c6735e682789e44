// Every parameter command lands at the device addresses the command table implies. Expected
// addresses are written from the device layout (settings at their own address, preset block at
// 240 + device offset, two-dimensional arrays channel by channel), not taken from the simulator.

#include "sim_fixture.h"

namespace simtest {
namespace {

struct Expect {
    std::uint16_t address;
    std::uint8_t before;  // primed into memory first
    std::uint8_t after;
};

struct LandingCase {
    const char* name;
    Bytes frame;
    std::vector<Expect> expect;  // every other byte of the address space stays as it was
};

std::vector<LandingCase> cases() {
    return {
        {"gain input R", frame(1, {1, 0, 0, 0, 0, 0, 0, 0x55}), {{D(17), 0, 0x55}}},
        {"gain output 1", frame(1, {2, 0, 0, 0, 0, 0, 0, 0x56}), {{D(493), 0, 0x56}}},
        {"gain output 2", frame(1, {3, 0, 0, 0, 0, 0, 0, 0x57}), {{D(494), 0, 0x57}}},
        {"delay output 2, bypass on",
         frame(2, {3, 0, 0, 0, 1, 0x12, 0x34, 0x21}),
         {{D(582), 0x51, 0x53}, {D(464), 0, 0x12}, {D(465), 0, 0x34}, {D(466), 0, 0x21}}},
        {"delay output 1, bypass off",
         frame(2, {2, 0, 0, 0, 0, 0x01, 0x02, 0x03}),
         {{D(582), 0xAB, 0xAA}, {D(461), 0, 0x01}, {D(462), 0, 0x02}, {D(463), 0, 0x03}}},
        {"mute input R", frame(3, {1, 0, 0, 0, 0, 0, 0, 1}), {{D(18), 0x55, 0x57}}},
        {"unmute output 1", frame(3, {2, 0, 0, 0, 0, 0, 0, 0}), {{D(495), 0xAB, 0xAA}}},
        {"polarity input L", frame(4, {0, 0, 0, 0, 0, 0, 0, 1}), {{D(19), 0x40, 0x41}}},
        {"polarity output 2", frame(4, {3, 0, 0, 0, 0, 0, 0, 1}), {{D(496), 0x00, 0x02}}},
        {"input R block B band 2",
         frame(5, {1, 2, 1, 0x03, 0x9E, 0x0F, 0xA0, 0x21}),
         {{D(95), 0, 0x03}, {D(96), 0, 0x0F}, {D(97), 0, 0xA0}, {D(98), 0, 0x21}, {D(99), 0, 0x9E}}},
        {"input L block B band 0",
         frame(5, {0, 0, 1, 0x01, 0x22, 0x00, 0x64, 0x10}),
         {{D(70), 9, 0x01}, {D(71), 9, 0x00}, {D(72), 0, 0x64}, {D(73), 0, 0x10}, {D(74), 0, 0x22}}},
        {"output 1 band 7",
         frame(5, {2, 7, 0, 0x02, 0x1F, 0x03, 0xE8, 0x11}),
         {{D(153), 0, 0x02}, {D(154), 0, 0x03}, {D(155), 0, 0xE8}, {D(156), 0, 0x11}, {D(157), 0, 0x1F}}},
        {"output 2 band 29",
         frame(5, {3, 29, 0, 0x04, 0x2A, 0x4E, 0x20, 0x33}),
         {{D(413), 0, 0x04}, {D(414), 0, 0x4E}, {D(415), 0, 0x20}, {D(416), 0, 0x33}, {D(417), 0, 0x2A}}},
        {"masking band 0 (p1 17)",
         frame(5, {17, 0, 0, 0x05, 0x1E, 0x00, 0x50, 0x44}),
         {{D(500), 0, 0x05}, {D(501), 9, 0x00}, {D(502), 0, 0x50}, {D(503), 0, 0x44}, {D(504), 0, 0x1E}}},
        {"masking band 15 (p1 20)",
         frame(5, {20, 15, 0, 0x06, 0x3C, 0x27, 0x10, 0x55}),
         {{D(575), 0, 0x06}, {D(576), 0, 0x27}, {D(577), 0, 0x10}, {D(578), 0, 0x55}, {D(579), 0, 0x3C}}},
        {"EQ bypass input R", frame(6, {1, 0, 0, 0, 0, 0, 0, 1}), {{D(29), 0x00, 0x02}}},
        {"EQ bypass output 1", frame(6, {2, 0, 0, 0, 0, 0, 0, 1}), {{D(117), 0x80, 0x81}}},
        {"compressor output 2",
         frame(7, {3, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67}),
         {{D(474), 0, 0x61},
          {D(475), 0, 0x62},
          {D(476), 0, 0x63},
          {D(477), 0, 0x64},
          {D(478), 0, 0x65},
          {D(479), 0, 0x66},
          {D(480), 0, 0x67}}},
        {"compressor automatics output 2",
         frame(8, {3, 0, 0, 0, 0, 0, 0x07, 0x08}),
         {{D(484), 0, 0x07}, {D(482), 0, 0x08}}},
        {"limiter output 2",
         frame(9, {3, 0, 0, 0, 0x71, 0x72, 0x73, 0x74}),
         {{D(489), 0, 0x71}, {D(490), 0, 0x72}, {D(491), 0, 0x73}, {D(492), 0, 0x74}}},
        {"noise gate input R",
         frame(10, {1, 0, 0, 0, 0x81, 0x82, 0x83, 0x84}),
         {{D(24), 0, 0x81}, {D(25), 0, 0x82}, {D(27), 0, 0x83}, {D(26), 0, 0x84}}},
        {"high-pass output 2",
         frame(11, {3, 0, 0, 0, 0, 0x05, 0x01, 0x2C}),
         {{D(107), 0, 0x05}, {D(108), 0, 0x01}, {D(109), 0, 0x2C}}},
        {"low-pass output 1",
         frame(11, {2, 0, 0, 0, 1, 0x07, 0x3A, 0x98}),
         {{D(110), 0, 0x07}, {D(111), 0, 0x3A}, {D(112), 0, 0x98}}},
        {"noise option", frame(12, {0, 0, 0, 0, 0, 0, 0, 0x01}), {{205, 0, 0x01}}},
        {"noise generator (selector 0)",
         frame(13, {0, 0, 0, 0x44, 0x45, 0x01, 0x02, 0x33}),
         {{208, 0, 0x01}, {209, 0, 0x02}, {210, 0, 0x33}}},
        {"masking block (selector 1)",
         frame(13, {1, 0, 0, 0x01, 0x28, 0x0C, 0x01, 0x02}),
         {{D(581), 0, 0x01}, {D(580), 0, 0x28}, {D(497), 0, 0x0C}, {D(498), 0, 0x01}, {D(499), 0, 0x02}}},
        {"standby", frame(14, {0, 0, 0, 0, 0, 0, 0, 1}), {{206, 0, 1}}},
        {"voltage", frame(16, {0, 0, 0, 0, 0, 0, 0, 3}), {{214, 0, 3}}},
        {"routing output 1", frame(17, {2, 0, 0, 0, 0, 0, 152, 152}), {{D(100), 0, 152}, {D(101), 0, 152}}},
        {"routing output 2", frame(17, {3, 0, 0, 0, 0, 0, 158, 30}), {{D(102), 0, 158}, {D(103), 0, 30}}},
        {"bridge", frame(18, {0, 0, 0, 0, 0, 0, 0, 1}), {{213, 0, 1}}},
        {"sleep", frame(19, {0, 0, 0, 0, 0, 0, 0, 1}), {{211, 0, 1}}},
        {"dynamic filter output 2",
         frame(28, {3, 0, 0, 0, 0, 0x01, 0x32, 0x4B}),
         {{D(458), 0, 0x01}, {D(459), 0, 0x32}, {D(460), 0, 0x4B}}},
        {"FIR bypass output 2", frame(30, {3, 0, 0, 0, 0, 0, 0, 1}), {{D(418), 0x01, 0x03}}},
        {"channel mode output 2 and EQ mode",
         frame(31, {3, 1, 0, 0, 0, 0, 0, 1}),
         {{D(28), 0x00, 0x08}, {D(116), 0, 1}}},
        {"channel mode input L cleared",
         frame(31, {0, 0, 0, 0, 0, 0, 0, 0}),
         {{D(28), 0x0F, 0x0E}, {D(116), 1, 0}}},
        {"load impedance output 2", frame(32, {3, 0, 0, 0, 0, 0, 0, 2}), {{216, 0, 2}}},
        {"remote control enable in p1", frame(33, {1, 0, 0, 0, 0, 0, 0, 0}), {{217, 0, 1}}},
        // Frames that must leave memory alone.
        {"gain with an unknown channel", frame(1, {7, 0, 0, 0, 0, 0, 0, 0x55}), {}},
        {"output band 30 does not exist", frame(5, {2, 30, 0, 1, 2, 3, 4, 5}), {}},
        {"block B band 3 does not exist", frame(5, {0, 3, 1, 1, 2, 3, 4, 5}), {}},
        {"crossover with an input channel", frame(11, {1, 0, 0, 0, 0, 1, 2, 3}), {}},
        {"closing", frame(15, {1, 2, 3, 4, 5, 6, 7, 8}), {}},
        {"activate settings", frame(25, {1, 2, 3, 4, 5, 6, 7, 8}), {}},
        {"activate FIR", frame(29, {2, 0, 0, 0, 0, 0, 0, 0}), {}},
        {"unknown command", frame(99, {1, 2, 3, 4, 5, 6, 7, 8}), {}},
    };
}

Bytes pattern() {
    Bytes p(zefsim::kAddressSpaceEnd);
    for (std::size_t a = 0; a < p.size(); ++a) p[a] = static_cast<std::uint8_t>(a * 37 + 11);
    return p;
}

class SimLanding : public SimFixture {};

TEST_F(SimLanding, EveryCommandWritesExactlyItsDeviceAddresses) {
    for (const LandingCase& c : cases()) {
        SCOPED_TRACE(c.name);
        dev.setMemory(0, pattern());
        for (const Expect& e : c.expect) {
            ASSERT_NE(e.before, e.after) << "case would pass without a write at " << e.address;
            dev.setMemory(e.address, {e.before});
        }
        const Bytes before = dev.memory(0, zefsim::kAddressSpaceEnd);

        const auto reply = link.exchange(c.frame, 13);
        ASSERT_TRUE(reply.has_value());

        Bytes expected = before;
        for (const Expect& e : c.expect) expected[e.address] = e.after;
        const Bytes after = dev.memory(0, zefsim::kAddressSpaceEnd);
        for (std::size_t a = 0; a < after.size(); ++a) {
            EXPECT_EQ(int(after[a]), int(expected[a])) << "address " << a;
        }
    }
}

}  // namespace
}  // namespace simtest
