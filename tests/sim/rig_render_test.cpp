// The virtual rig's rendering pieces: the long convolution, the amplifier's time-domain
// settings read from raw memory, the built-in room, room files and the rig's options.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <complex>
#include <fstream>
#include <filesystem>
#include <random>

#include "address_map.h"
#include "amp_chain.h"
#include "cli.h"
#include "convolver.h"
#include "mic_response.h"
#include "rig.h"
#include "rig_cli.h"
#include "room.h"
#include "simulator.h"

namespace simtest {
namespace {

using namespace zefsim;

TEST(Convolver, EqualsTheDirectSumForAnyLengthAndBlocking) {
    std::mt19937 random(5);
    std::normal_distribution<double> gauss;
    for (const std::size_t length : {1u, 63u, 64u, 65u, 300u, 384u, 1500u, 5000u, 21000u}) {
        SCOPED_TRACE(length);
        std::vector<double> h(length);
        for (double& v : h) v = gauss(random);
        std::vector<double> x(3 * length + 700);
        for (double& v : x) v = gauss(random);
        Convolver c(h);
        std::vector<double> y(x.size());
        for (std::size_t at = 0; at < x.size();) {  // blocks of odd sizes, some larger than a partition
            const std::size_t n = std::min<std::size_t>(x.size() - at, 1 + (at * 7919) % 3000);
            c.process({x.data() + at, n}, {y.data() + at, n});
            at += n;
        }
        double worst = 0;
        for (std::size_t t = 0; t < x.size(); t += 7) {
            double expected = 0;
            for (std::size_t i = 0; i < length && i <= t; ++i) expected += h[i] * x[t - i];
            worst = std::max(worst, std::abs(y[t] - expected));
        }
        EXPECT_LT(worst, 1e-9 * std::sqrt(double(length)));
        c.reset();  // a fresh start forgets the past
        std::vector<double> one(1, 1.0), out(1);
        c.process(one, out);
        EXPECT_DOUBLE_EQ(out[0], h[0]);
    }
}

// Output 1's response to a unit impulse on input L, for the power-on memory with some bytes
// changed (device addresses).
std::vector<double> ImpulseResponse(const std::vector<std::pair<std::uint32_t, std::uint8_t>>& pokes) {
    std::array<std::uint8_t, kMemorySize> memory{};
    std::array<std::uint8_t, 2 * kFirSize> fir{};
    powerOnMemory(memory);
    powerOnFir(fir);
    for (const auto& [address, value] : pokes) memory[address] = value;
    AmpChain amp;
    amp.configure(DecodeAmpSettings(memory, fir));
    std::vector<double> l(400, 0.0), r(400, 0.0), one(400), two(400);
    l[0] = 1.0;
    amp.process(l.data(), r.data(), one.data(), two.data(), l.size());
    return one;
}

TEST(AmpChain, DelayGainsPolarityAndRoutingActOnTheSignal) {
    constexpr std::uint32_t P = 240;
    struct Case {
        const char* what;
        std::vector<std::pair<std::uint32_t, std::uint8_t>> pokes;
        std::size_t at;  // where the impulse comes out
        double value;
    };
    const std::vector<Case> cases = {
        {"power-on: straight through", {}, 0, 1.0},
        {"3 ms and 7 fine steps of delay", {{P + 462, 3}, {P + 463, 7}}, 3 * 48 + 7, 1.0},
        {"delay bypassed", {{P + 462, 3}, {P + 463, 7}, {P + 582, 1}}, 0, 1.0},
        {"output 2's delay leaves output 1 alone", {{P + 465, 3}}, 0, 1.0},
        {"output polarity", {{P + 496, 1}}, 0, -1.0},
        {"input and output polarity", {{P + 496, 1}, {P + 19, 1}}, 0, 1.0},
        {"output gain -6 dB", {{P + 493, 108}}, 0, std::pow(10.0, -6.0 / 20)},
        {"input gain +6 dB", {{P + 16, 132}}, 0, std::pow(10.0, 6.0 / 20)},
        {"input R's gain is not input L's", {{P + 17, 132}}, 0, 1.0},
        {"input muted", {{P + 18, 1}}, 0, 0.0},
        {"both sources routed, each at -3 dB",
         {{P + 100, 152}, {P + 101, 152}},
         0,
         std::pow(10.0, -3.0 / 20)},
        {"output 1 from R alone", {{P + 100, 30}, {P + 101, 158}}, 0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto y = ImpulseResponse(c.pokes);
        for (std::size_t i = 0; i < y.size(); ++i)
            EXPECT_NEAR(y[i], i == c.at ? c.value : 0.0, 1e-12) << "at " << i;
    }
}

double Level(const std::vector<double>& h, std::size_t from, std::size_t to) {
    double e = 0;
    for (std::size_t i = from; i < to && i < h.size(); ++i) e += h[i] * h[i];
    return 10 * std::log10(e + 1e-300);
}

TEST(BuiltInRoom, ALoudspeakerTwoMetresAwayInARoomOfAboutPointFourSeconds) {
    const RoomResponse room = BuiltInRoom();
    const std::size_t directAt[2] = {280, 350};  // 2 m and 2.5 m at 343 m/s
    for (std::size_t o = 0; o < 2; ++o) {
        SCOPED_TRACE(o);
        const auto& h = room.output[o];
        ASSERT_EQ(h.size(), 48000u);
        EXPECT_LT(Level(h, 0, directAt[o] - 2), -100);  // nothing before the direct sound
        // Reverberation time from the backward-integrated decay between -5 and -25 dB.
        std::vector<double> decay(h.size());
        double sum = 0;
        for (std::size_t i = h.size(); i-- > 0;) decay[i] = sum += h[i] * h[i];
        const auto when = [&](double db) {
            std::size_t i = 0;
            while (i < decay.size() && 10 * std::log10(decay[i] / decay[0]) > db) ++i;
            return double(i) / 48000;
        };
        const double rt60 = 3 * (when(-25) - when(-5));
        EXPECT_NEAR(rt60, 0.4, 0.08);
        // The box rolls off the lows: around 30 Hz far below around 1 kHz (the power of the
        // whole response averaged over a few frequencies, the room's modes smoothed out).
        const auto bandDb = [&](double centreHz) {
            double power = 0;
            for (double hz = 0.8 * centreHz; hz <= 1.2 * centreHz; hz += 0.05 * centreHz) {
                double re = 0, im = 0;
                for (std::size_t i = 0; i < h.size(); ++i) {
                    re += h[i] * std::cos(2 * M_PI * hz * double(i) / 48000);
                    im -= h[i] * std::sin(2 * M_PI * hz * double(i) / 48000);
                }
                power += re * re + im * im;
            }
            return 10 * std::log10(power);
        };
        EXPECT_LT(bandDb(30), bandDb(1000) - 15);
    }
    EXPECT_NE(room.output[0], room.output[1]);
    EXPECT_EQ(BuiltInRoom().output[0], room.output[0]);  // always the same numbers
}

void WriteWav(const std::string& path, int rate, int channels, std::size_t frames) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    std::vector<float> samples(frames * std::size_t(channels));
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = float(i % 5) * 0.1f;
    sf_writef_float(f, samples.data(), sf_count_t(frames));
    sf_close(f);
}

TEST(RoomFile, OneChannelPerOutputAt48kHz) {
    const auto dir = std::filesystem::temp_directory_path() / ("zef-room-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto file = [&](const char* name) { return (dir / name).string(); };
    WriteWav(file("two.wav"), 48000, 2, 10);
    WriteWav(file("one.wav"), 48000, 1, 10);
    WriteWav(file("44k.wav"), 44100, 2, 10);
    WriteWav(file("three.wav"), 48000, 3, 10);
    const RoomResponse two = LoadRoom(file("two.wav"));
    EXPECT_EQ(two.output[0], (std::vector<double>{0, 0.2f, 0.4f, 0.1f, 0.3f, 0, 0.2f, 0.4f, 0.1f, 0.3f}));
    EXPECT_EQ(two.output[1][0], double(0.1f));
    const RoomResponse one = LoadRoom(file("one.wav"));
    EXPECT_EQ(one.output[0], one.output[1]);
    for (const char* bad : {"44k.wav", "three.wav", "missing.wav"}) {
        EXPECT_THROW(LoadRoom(file(bad)), std::runtime_error) << bad;
    }
    std::filesystem::remove_all(dir);
}

// The microphone response file: calibration-style text, a bad line named; the
// filter made from it has that magnitude.
TEST(MicResponse, ReadsCalibrationStyleTextAndItsFilterFollowsIt) {
    const std::string path = (std::filesystem::temp_directory_path() / "zefsim_mic_response.txt").string();
    const auto write = [&](const char* text) { std::ofstream(path) << text; };
    write("\"Sens Factor =-1.2dB\n* comment\n100 -6\n1000 0 12.5\n10000 6\n");
    const MicResponse r = ReadMicResponse(path);
    ASSERT_EQ(r.points.size(), 3u);
    EXPECT_NEAR(r.DbAt(316.227766), -3.0, 1e-6);
    EXPECT_EQ(r.DbAt(20), -6.0);
    const std::vector<double> filter = MicFilter([&](double hz) { return r.DbAt(hz); });
    for (const double hz : {100.0, 1000.0, 10000.0}) {
        std::complex<double> sum;
        for (std::size_t n = 0; n < filter.size(); ++n)
            sum += filter[n] * std::polar(1.0, -2 * 3.14159265358979 * hz * static_cast<double>(n) / 48000);
        EXPECT_NEAR(20 * std::log10(std::abs(sum)), r.DbAt(hz), 0.1) << hz;
    }
    write("100 -6\n90 0\n");
    EXPECT_THROW(
        {
            try {
                ReadMicResponse(path);
            } catch (const std::runtime_error& e) {
                EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
                throw;
            }
        },
        std::runtime_error);
    std::filesystem::remove(path);
}

TEST(RigOptions, TakenFromTheCommandLineAndAttachedToTheirDevice) {
    std::vector<std::string> args = {"--rig",          "127.0.0.1:30400",
                                     "--tcp",          "127.0.0.2:1001",
                                     "--tcp",          "127.0.0.3:1001",
                                     "--rig",          "127.0.0.1:30401",
                                     "--mic-noise",    "-70",
                                     "--rig-speed",    "fast",
                                     "--card-latency", "12.5",
                                     "--room",         "r.wav",
                                     "--room",         "s.wav"};
    const RigOptions o = takeRigOptions(args);
    EXPECT_EQ(args, (std::vector<std::string>{"--tcp", "127.0.0.2:1001", "--tcp", "127.0.0.3:1001"}));
    ASSERT_EQ(o.rigs.size(), 2u);
    EXPECT_EQ(o.rigs[0].device, 0u);  // before any device: the first one
    EXPECT_EQ(o.rigs[1].device, 1u);  // after the second --tcp
    EXPECT_EQ(o.rigs[1].port, 30401);
    EXPECT_EQ(o.config.micNoiseDbfs, std::optional<double>(-70));
    EXPECT_TRUE(o.config.fast);
    EXPECT_EQ(o.config.latencyMs, std::optional<double>(12.5));
    EXPECT_EQ(o.roomFiles, (std::vector<std::string>{"r.wav", "s.wav"}));

    std::vector<std::string> off = {"--mic-noise", "off"};
    EXPECT_EQ(takeRigOptions(off).config.micNoiseDbfs, std::nullopt);

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--rig", "192.0.2.7:30400"},
                                               {"--rig", "127.0.0.1"},
                                               {"--card-latency", "2"},
                                               {"--card-latency", "2001"},
                                               {"--mic-noise", "loud"},
                                               {"--rig-speed", "slow"},
                                               {"--room"}}) {
        std::vector<std::string> a = bad;
        EXPECT_THROW(takeRigOptions(a), std::runtime_error)
            << bad[0] << " " << (bad.size() > 1 ? bad[1] : "");
    }
    EXPECT_NE(rigUsage().find("Dynamics (gate,\n"), std::string::npos);
    EXPECT_NE(rigUsage().find("are NOT rendered"), std::string::npos);
}

TEST(RigOptions, TheRigListensOnLoopbackOnlyAndPicksALatencyInRange) {
    Device device(DeviceConfig{});
    RigConfig config;
    config.host = "192.0.2.1";
    EXPECT_THROW(Rig(device, config), std::runtime_error);
    config.host = "127.0.0.1";
    config.latencyMs = 3;
    EXPECT_THROW(Rig(device, config), std::runtime_error);
    config.latencyMs.reset();
    config.room = DirectWire();
    for (int i = 0; i < 5; ++i) {
        Rig rig(device, config);
        EXPECT_GE(rig.latencyMs(), 5.0);
        EXPECT_LE(rig.latencyMs(), 200.0);
        EXPECT_EQ(rig.endpoint(), "127.0.0.1:" + std::to_string(rig.port()));
    }
}

}  // namespace
}  // namespace simtest
