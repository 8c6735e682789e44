// The virtual card end to end: what its inputs hear for the amplifier's routing switches, the
// loopback's timing, and how a client copes with a rig that is busy, missing, silent or gone.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>

#include "base/net_socket.h"
#include "dsp/response_calculator.h"
#include "rig_harness.h"
#include "room.h"

namespace zef::test {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kSecond = 48000;

// Device memory addresses the amplifier reads (preset block from 240).
constexpr std::uint32_t kGeneratorOn = 208, kGeneratorLevel = 210, kStandby = 206, kBridge = 213;
constexpr std::uint32_t kOutputMute = 240 + 495;

void Poke(zefsim::Device& d, std::uint32_t address, std::uint8_t value) { d.setMemory(address, {value}); }

Recording Silence(RigBench& bench, std::size_t frames) {
    return bench.Record(frames, [](std::size_t, float* out) { out[0] = out[1] = 0.0f; });
}

// Energy of the octave [lo, 2 lo) in dB, from one long transform of the recording's tail.
double OctaveDb(const std::vector<double>& spectrumDb, double lo) {
    double sum = 0;
    const double step = 48000.0 / 65536;
    for (std::size_t k = std::size_t(lo / step); k < std::size_t(2 * lo / step); ++k)
        sum += std::pow(10.0, spectrumDb[k] / 10);
    return 10 * std::log10(sum);
}

TEST(RigRouting, TheGeneratorPlaysPinkNoiseAtItsLevelOnlyWhenOn) {
    struct Case {
        bool on;
        std::uint8_t levelCode;  // dBu = code - 80
        double expectedDbfs;     // at the microphone: dBu - 18
    };
    for (const Case c : {Case{false, 80, -999}, Case{true, 80, -18}, Case{true, 60, -38}}) {
        SCOPED_TRACE(std::string(c.on ? "on" : "off") + " at code " + std::to_string(c.levelCode));
        RigBench bench(20);
        Poke(bench.device(), kGeneratorOn, c.on ? 1 : 0);
        Poke(bench.device(), kGeneratorLevel, c.levelCode);
        const Recording r = Silence(bench, 3 * kSecond);
        ASSERT_EQ(r.error, "");
        if (!c.on) {
            EXPECT_LT(LevelDbfs(r.mic, 0, r.mic.size()), -250);
            continue;
        }
        EXPECT_NEAR(LevelDbfs(r.mic, kSecond, r.mic.size()), c.expectedDbfs, 0.5);
        // Pink: the same energy in every octave.
        dsp::FftwResponseCalculator fft;
        std::vector<double> tail(r.mic.end() - 65536, r.mic.end());
        ASSERT_EQ(fft.compute(tail, 65536, 48000), kOk);
        const std::vector<double> db(fft.magnitudeDb().begin(), fft.magnitudeDb().end());
        EXPECT_NEAR(OctaveDb(db, 125), OctaveDb(db, 2000), 1.5);
        EXPECT_NEAR(OctaveDb(db, 500), OctaveDb(db, 8000), 1.5);
    }
}

TEST(RigRouting, MutesStandbyAndBridgeReachTheMicrophone) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::uint32_t, std::uint8_t>> pokes;
        int heard;            // output wired to the microphone
        double expectedDbfs;  // -999: silence
    };
    const std::vector<Case> cases = {
        {"both running, output 1", {}, 0, -18},
        {"both running, output 2", {}, 1, -18},
        {"output 1 muted", {{kOutputMute, 1}}, 0, -999},
        {"output 1 muted, output 2 plays on", {{kOutputMute, 1}}, 1, -18},
        {"output 2 muted", {{kOutputMute, 2}}, 1, -999},
        {"standby", {{kStandby, 1}}, 0, -999},
        {"bridged: output 1 across both terminals", {{kBridge, 1}}, 0, -18 + 6.02},
        {"bridged: output 2 silent", {{kBridge, 1}}, 1, -999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RigBench bench(20, c.heard);
        Poke(bench.device(), kGeneratorOn, 1);
        Poke(bench.device(), kGeneratorLevel, 80);
        for (const auto& [address, value] : c.pokes) Poke(bench.device(), address, value);
        const Recording r = Silence(bench, kSecond);
        ASSERT_EQ(r.error, "");
        const double level = LevelDbfs(r.mic, kSecond / 4, r.mic.size());
        if (c.expectedDbfs < -900)
            EXPECT_LT(level, -250);
        else
            EXPECT_NEAR(level, c.expectedDbfs, 1.0);
    }
}

TEST(RigRouting, TheLoopbackIsOutput1DelayedByTheRoundTrip) {
    for (const double latencyMs : {5.0, 37.5, 200.0}) {
        SCOPED_TRACE(std::to_string(latencyMs) + " ms");
        RigBench bench(latencyMs);
        EXPECT_DOUBLE_EQ(bench.rig().latencyMs(), latencyMs);
        const std::size_t lag = std::size_t(std::lround(latencyMs * 48));
        std::mt19937 random(3);
        std::uniform_real_distribution<float> value(-0.5f, 0.5f);
        std::vector<float> one(kSecond), two(kSecond);
        for (std::size_t i = 0; i < kSecond; ++i) one[i] = value(random), two[i] = value(random);
        const Recording r = bench.Record(kSecond, [&](std::size_t n, float* out) {
            out[0] = n < kSecond ? one[n] : 0.0f;
            out[1] = n < kSecond ? two[n] : 0.0f;
        });
        ASSERT_EQ(r.error, "");
        std::size_t wrong = 0, micWrong = 0;
        for (std::size_t n = 0; n < kSecond; ++n) {
            const float sent = n < lag ? 0.0f : one[n - lag];
            wrong += r.loopback[n] != sent;
            // The amplifier at its power-on settings passes input L to output 1 unchanged.
            micWrong += std::abs(r.mic[n] - sent) > 1e-6f;
        }
        EXPECT_EQ(wrong, 0u);
        EXPECT_EQ(micWrong, 0u);
    }
}

TEST(RigClient, AStreamEndsWithAClearErrorWhenTheRigGoesAway) {
    for (const bool destroyed : {false, true}) {
        SCOPED_TRACE(destroyed ? "rig destroyed" : "client dropped");
        auto bench = std::make_unique<RigBench>(20);
        audio::RigSystem system(bench->endpoint());
        std::atomic<std::size_t> blocks{0};
        std::string error;
        auto stream = system.Open(
            0,
            [&](const float*, float* out, std::size_t n) {
                std::fill_n(out, 2 * n, 0.0f);
                ++blocks;
            },
            error);
        ASSERT_NE(stream, nullptr) << error;
        ASSERT_EQ(stream->Start(), "");
        for (int i = 0; i < 2000 && blocks < 10; ++i) std::this_thread::sleep_for(1ms);
        ASSERT_GE(blocks, 10u);
        const std::string endpoint = bench->endpoint().text();
        if (destroyed)
            bench.reset();
        else
            bench->rig().dropClient();
        for (int i = 0; i < 5000 && stream->IsActive(); ++i) std::this_thread::sleep_for(1ms);
        EXPECT_FALSE(stream->IsActive());
        EXPECT_EQ(stream->Error(), "the virtual rig at " + endpoint + " closed the connection");
        stream->Stop();  // stopping a stream that ended by itself is harmless
    }
}

TEST(RigClient, AStreamOpenedLongBeforeItStartsConnectsAgain) {
    RigBench bench(20);
    audio::RigSystem system(bench.endpoint());
    std::atomic<int> blocks{0};
    std::string error;
    auto stream = system.Open(
        0,
        [&](const float*, float* out, std::size_t n) {
            std::fill_n(out, 2 * n, 0.0f);
            ++blocks;
        },
        error);
    ASSERT_NE(stream, nullptr) << error;
    bench.rig().dropClient();  // what the rig does to a connection idle for 10 s
    std::this_thread::sleep_for(50ms);
    ASSERT_EQ(stream->Start(), "");
    for (int i = 0; i < 2000 && blocks < 10; ++i) std::this_thread::sleep_for(1ms);
    EXPECT_GE(blocks, 10);
    EXPECT_EQ(stream->Error(), "");
    stream->Stop();
}

// A server that greets like a rig and then says nothing more.
class SilentRig {
public:
    SilentRig() {
        std::string error;
        listener_ = net::Socket::ListenTcp(kLoopback, 0, error);
        EXPECT_TRUE(listener_.valid()) << error;
        thread_ = std::thread([this] { Serve(); });
    }
    ~SilentRig() {
        done_ = true;
        thread_.join();
    }
    audio::RigEndpoint endpoint() const { return {"127.0.0.1", listener_.LocalPort()}; }

private:
    static constexpr std::uint32_t kLoopback = 0x7F000001u;

    // Every wait in slices, so that the destructor ends it.
    bool Wait(const net::Socket& s) const {
        while (!done_)
            if (net::WaitReadable(s.handle(), 20ms)) return true;
        return false;
    }

    void Serve() const {
        if (!Wait(listener_)) return;
        const net::Socket c = listener_.Accept();
        if (!c.valid()) return;
        // HELLO: type 1, payload: "ZRIG", version 1, ready, fast, 48000 Hz, 2 in, 2 out,
        // 240 frames, reserved, then no names (the client makes "In 1"...).
        const std::uint8_t hello[] = {1, 0, 0,    0,    20, 0, 0, 0, 'Z', 'R', 'I', 'G', 1, 0,
                                      0, 1, 0x80, 0xBB, 0,  0, 2, 0, 2,   0,   240, 0,   0, 0};
        EXPECT_EQ(c.Send(hello).bytes, sizeof hello);
        std::vector<std::uint8_t> start;
        while (start.size() < 8 && Wait(c)) {
            std::uint8_t buf[8];
            const net::IoResult got = c.Receive({buf, 8 - start.size()});
            if (got.status == net::IoStatus::kClosed || got.status == net::IoStatus::kFailed) break;
            start.insert(start.end(), buf, buf + got.bytes);
        }
        ASSERT_EQ(start.size(), 8u);
        EXPECT_EQ(start[0], 2);  // START
        while (Wait(c)) {  // until the client hangs up
            std::uint8_t any;
            if (c.Receive({&any, 1}).status != net::IoStatus::kWouldBlock) break;
        }
    }

    net::Socket listener_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

TEST(RigClient, ARigThatStopsAnsweringEndsTheStreamWithinTheSilenceTimeout) {
    SilentRig silent;
    audio::RigSystem system(silent.endpoint(),
                            {std::chrono::milliseconds(1000), std::chrono::milliseconds(300)});
    std::string error;
    auto stream = system.Open(
        0, [](const float*, float*, std::size_t) {}, error);
    ASSERT_NE(stream, nullptr) << error;
    EXPECT_EQ(stream->InputCount(), 2);
    ASSERT_EQ(stream->Start(), "");
    const auto started = std::chrono::steady_clock::now();
    while (stream->IsActive() && std::chrono::steady_clock::now() - started < 10s)
        std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(stream->IsActive());
    EXPECT_EQ(stream->Error(), "the virtual rig at " + silent.endpoint().text() + " stopped answering");
    stream->Stop();
}

TEST(RigClient, TheListShowsWhetherTheRigCanBeOpened) {
    RigBench bench(20);
    audio::RigSystem system(bench.endpoint());
    auto list = system.Devices();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "ZEF virtual rig (" + bench.endpoint().text() + ")");
    EXPECT_TRUE(list[0].usable);
    EXPECT_EQ(list[0].inputNames, (std::vector<std::string>{"Microphone", "Loopback (output 1)"}));
    EXPECT_EQ(list[0].outputNames, (std::vector<std::string>{"Amplifier input L", "Amplifier input R"}));

    std::string error;
    auto first = system.Open(
        0, [](const float*, float* out, std::size_t n) { std::fill_n(out, 2 * n, 0.0f); }, error);
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(first->Start(), "");
    EXPECT_FALSE(system.Devices()[0].usable);  // busy while another client streams
    EXPECT_EQ(system.Open(
                  0, [](const float*, float*, std::size_t) {}, error),
              nullptr);
    EXPECT_EQ(error,
              "the virtual rig at " + bench.endpoint().text() + " is busy: another program streams from it");
    first->Stop();
    EXPECT_TRUE(system.Devices()[0].usable);
    EXPECT_EQ(first->Start(), "");  // a stopped stream starts again
    EXPECT_TRUE(first->IsActive());
    first->Stop();
    EXPECT_EQ(system.Open(
                  1, [](const float*, float*, std::size_t) {}, error),
              nullptr);
}

TEST(RigClient, AMissingRigIsListedUnusableAndCannotBeOpened) {
    std::string error;
    std::uint16_t port = 0;
    {
        // A port that was free a moment ago: nobody listens there now.
        const net::Socket probe = net::Socket::ListenTcp(0x7F000001u, 0, error);
        ASSERT_TRUE(probe.valid()) << error;
        port = probe.LocalPort();
    }
    const audio::RigEndpoint endpoint{"127.0.0.1", port};
    audio::RigSystem system(endpoint);
    const auto list = system.Devices();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_FALSE(list[0].usable);
    EXPECT_EQ(list[0].inputNames, (std::vector<std::string>{"In 1", "In 2"}));
    EXPECT_EQ(system.Open(
                  0, [](const float*, float*, std::size_t) {}, error),
              nullptr);
    EXPECT_EQ(error.rfind("the virtual rig at " + endpoint.text() + " is not there (", 0), 0u) << error;
}

TEST(RigClient, ARealTimeRigCountsTheBlocksASlowClientMissed) {
    zefsim::Device device(zefsim::DeviceConfig{});
    zefsim::RigConfig config;
    config.latencyMs = 10;
    config.room = zefsim::DirectWire(0);
    zefsim::Rig rig(device, config);  // paced like a card
    audio::RigSystem system({"127.0.0.1", rig.port()});
    std::atomic<int> blocks{0};
    std::string error;
    auto stream = system.Open(
        0,
        [&](const float*, float* out, std::size_t n) {
            std::fill_n(out, 2 * n, 0.0f);
            if (++blocks % 10 == 0) std::this_thread::sleep_for(30ms);  // misses its deadline
        },
        error);
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(stream->Start(), "");
    for (int i = 0; i < 5000 && blocks < 60; ++i) std::this_thread::sleep_for(1ms);
    stream->Stop();
    EXPECT_GE(stream->Xruns(), 2u);  // each 30 ms stall is six blocks late
}

TEST(RigClient, EndpointsAreLoopbackHostsWithAPort) {
    struct Case {
        std::string text;
        bool ok;
    };
    for (const Case& c : std::vector<Case>{{"127.0.0.1:30400", true},
                                           {"127.1.2.3:1", true},
                                           {"localhost:65535", true},
                                           {"127.0.0.1", false},
                                           {"127.0.0.1:0", false},
                                           {"127.0.0.1:65536", false},
                                           {"127.0.0.1:12x", false},
                                           {"192.0.2.10:30400", false},
                                           {"198.51.100.1:30400", false},
                                           {"rig.example:30400", false},
                                           {":30400", false}}) {
        audio::RigEndpoint e;
        std::string error;
        EXPECT_EQ(audio::ParseRigEndpoint(c.text, e, error), c.ok) << c.text;
        EXPECT_EQ(error.empty(), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(e.text(), c.text);
        }
    }
}

}  // namespace
}  // namespace zef::test
