// The service's configuration, its tokens and the per-client rate.
#include <gtest/gtest.h>

#include "remote/rate_limiter.h"
#include "remote/remote_config.h"
#include "remote/tokens.h"

namespace zef::remote {
namespace {

const std::string kHash = HashHex(HashToken("s3cret"));

TEST(RemoteConfig, ReadsEverySetting) {
    const ConfigResult r = ParseConfig(
        "# amplifiers\n"
        "device 127.0.0.2\n"
        "device serial:/dev/ttyUSB0   # the one on the desk\n"
        "\n"
        "device-port 10001\n"
        "listen 192.0.2.7:9000\n"
        "token " + kHash + " read\n"
        "token " + HashHex(HashToken("other")) + "\n"
        "rate 20\n"
        "max-body 4096\n"
        "data /var/lib/zefd\n"
        "osc 192.0.2.7:9000\n"
        "osc-allow 192.0.2.20 read\n");
    ASSERT_TRUE(r.config) << (r.errors.empty() ? "" : r.errors[0]);
    const RemoteConfig& c = *r.config;
    ASSERT_EQ(c.devices.size(), 2u);
    EXPECT_EQ(c.devices[0].ip, "127.0.0.2");
    EXPECT_EQ(c.devices[1].serial, "/dev/ttyUSB0");
    EXPECT_EQ(c.devicePort, 10001);
    EXPECT_EQ(c.listenHost, "192.0.2.7");
    EXPECT_EQ(c.listenPort, 9000);
    ASSERT_EQ(c.tokens.size(), 2u);
    EXPECT_EQ(c.tokens[0].access, Access::Read);
    EXPECT_EQ(c.tokens[1].access, Access::Write);  // write unless it says read
    EXPECT_EQ(c.rate, 20);
    EXPECT_EQ(c.maxBody, 4096u);
    EXPECT_EQ(c.dataFolder, "/var/lib/zefd");
    EXPECT_EQ(c.oscHost, "192.0.2.7");
    EXPECT_EQ(c.oscPort, 9000);
    ASSERT_EQ(c.oscAllow.size(), 1u);
    EXPECT_EQ(c.oscAllow[0].address, "192.0.2.20");
    EXPECT_EQ(c.oscAllow[0].access, Access::Read);
}

TEST(RemoteConfig, WrittenTextReadsBackTheSame) {
    RemoteConfig c;
    c.devices = {{"127.0.0.2", ""}, {"", "/dev/ttyUSB0"}};
    c.devicePort = 10001;
    c.listenHost = "192.0.2.7";
    c.listenPort = 9001;
    c.tokens = {{HashToken("a"), Access::Read}, {HashToken("b"), Access::Write}};
    c.rate = 7;
    c.maxBody = 1000;
    c.dataFolder = "/srv/zefd";
    c.oscHost = "127.0.0.1";
    c.oscPort = 9000;
    c.oscAllow = {{"192.0.2.9", Access::Read}};
    c.zefd = {{"127.0.0.1", 8320, ""}, {"192.0.2.30", 8400, "t0ken"}};
    const ConfigResult r = ParseConfig(ConfigText(c));
    ASSERT_TRUE(r.config) << r.errors.at(0);
    EXPECT_EQ(ConfigText(*r.config), ConfigText(c));
    EXPECT_EQ(r.config->tokens[1].hash, HashToken("b"));
    EXPECT_EQ(r.config->oscAllow[0].access, Access::Read);
    EXPECT_EQ(r.config->devices[1].serial, "/dev/ttyUSB0");
    EXPECT_EQ(r.config->zefd, c.zefd);
}

TEST(RemoteConfig, TheEditorAsksTheZefdItIsGivenOrTheDefaultOne) {
    const struct {
        const char* text;
        std::vector<ZefdEndpoint> ask;
    } cases[] = {
        {"", {{"127.0.0.1", kDefaultListenPort, ""}}},
        {"zefd localhost:9100\n", {{"127.0.0.1", 9100, ""}}},
        {"zefd 127.0.0.5:8320 abc\nzefd 127.0.0.6:8321\n", {{"127.0.0.5", 8320, "abc"}, {"127.0.0.6", 8321, ""}}},
        {"zefd off\nzefd 127.0.0.5:8320\n", {}},
    };
    for (const auto& c : cases) {
        const ConfigResult r = ParseConfig(c.text);
        ASSERT_TRUE(r.config) << c.text;
        EXPECT_EQ(ZefdEndpoints(*r.config), c.ask) << c.text;
        EXPECT_EQ(ZefdEndpoints(*ParseConfig(ConfigText(*r.config)).config), c.ask) << c.text;
    }
}

TEST(RemoteConfig, DefaultsToLoopback) {
    const ConfigResult r = ParseConfig("device 127.0.0.2\n");
    ASSERT_TRUE(r.config);
    EXPECT_EQ(r.config->listenHost, "127.0.0.1");
    EXPECT_EQ(r.config->listenPort, kDefaultListenPort);
    EXPECT_TRUE(r.config->tokens.empty());
}

TEST(RemoteConfig, NamesEveryBadLine) {
    const struct {
        std::string text;
        std::vector<std::string> errors;
    } cases[] = {
        {"device 300.1.2.3\n", {"line 1: '300.1.2.3' is no dotted IPv4 address nor serial:PATH"}},
        {"device serial:/a\ndevice serial:/b\n", {"line 2: only one serial device can be held"}},
        {"listen 0.0.0.0:80\n", {"listening on 0.0.0.0 (not loopback) needs at least one token in the configuration"}},
        {"listen 127.0.0.1\n", {"line 1: listen takes ADDRESS:PORT (a dotted IPv4 address), not '127.0.0.1'"}},
        {"token s3cret\n", {"line 1: a token is kept as its SHA-256, 64 hex digits (zefd --new-token)"}},
        {"token " + kHash + " admin\n", {"line 1: a token is 'token SHA256HEX read' or 'token SHA256HEX write'"}},
        {"rate 0\nmax-body 10\n", {"line 1: rate takes requests per second, 1..100000",
                                   "line 2: max-body takes bytes, 256..16777216"}},
        {"colour blue\ndevice-port\n", {"line 1: unknown setting 'colour'", "line 2: 'device-port' takes one value"}},
        {"osc 0.0.0.0:9000\n", {"OSC on 0.0.0.0 (not loopback) needs a token or an osc-allow line in the configuration"}},
        {"osc-allow everyone\n", {"line 1: osc-allow takes a dotted IPv4 address and read or write"}},
        {"osc 9000\n", {"line 1: osc takes ADDRESS:PORT (a dotted IPv4 address), not '9000'"}},
        {"zefd 127.0.0.1\n", {"line 1: zefd takes ADDRESS:PORT (a dotted IPv4 address), not '127.0.0.1'"}},
        {"zefd 127.0.0.1:1 a b\n", {"line 1: zefd takes ADDRESS:PORT and, when that zefd wants one, a token"}},
    };
    for (const auto& c : cases) {
        const ConfigResult r = ParseConfig(c.text);
        EXPECT_FALSE(r.config) << c.text;
        EXPECT_EQ(r.errors, c.errors) << c.text;
    }
    // A token makes another address acceptable; for OSC an allowed client does too.
    EXPECT_TRUE(ParseConfig("listen 0.0.0.0:80\ntoken " + kHash + "\n").config);
    EXPECT_TRUE(ParseConfig("osc 0.0.0.0:9000\nosc-allow 192.0.2.20\n").config);
}

TEST(Tokens, OnlyTheKeptHashesOpen) {
    const TokenTable table({{HashToken("reader"), Access::Read}, {HashToken("writer"), Access::Write}});
    EXPECT_EQ(table.Check("reader"), Access::Read);
    EXPECT_EQ(table.Check("writer"), Access::Write);
    for (const char* wrong : {"", "Writer", "writer ", "write", "readerx"}) EXPECT_EQ(table.Check(wrong), Access::None) << wrong;
    // The known SHA-256 of "abc".
    EXPECT_EQ(HashHex(HashToken("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const auto parsed = ParseHashHex("BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(SameHash(*parsed, HashToken("abc")));
    TokenHash other = *parsed;
    other[31] ^= 1;
    EXPECT_FALSE(SameHash(other, *parsed));
    EXPECT_FALSE(ParseHashHex(std::string(63, 'a')));
    EXPECT_FALSE(ParseHashHex(std::string(63, 'a') + "g"));
}

TEST(Tokens, NewTokensDifferAndReadFromTheHeader) {
    const std::string a = NewToken(), b = NewToken();
    EXPECT_EQ(a.size(), 43u);
    EXPECT_NE(a, b);
    EXPECT_EQ(BearerToken("Bearer abc"), "abc");
    EXPECT_EQ(BearerToken("bearer  abc "), "abc");
    EXPECT_EQ(BearerToken("Basic abc"), "");
    EXPECT_EQ(BearerToken("Bearer "), "");
}

TEST(RateLimiter, AllowsTheBurstThenTheRate) {
    RateLimiter limiter(10, 20);
    const auto t0 = RateLimiter::Clock::time_point{} + std::chrono::hours(1);
    int allowed = 0;
    for (int i = 0; i < 100; ++i) allowed += limiter.Allow("a", t0) ? 1 : 0;
    EXPECT_EQ(allowed, 20);
    EXPECT_TRUE(limiter.Allow("b", t0));  // each client has its own bucket
    // Half a second refills five.
    allowed = 0;
    for (int i = 0; i < 100; ++i) allowed += limiter.Allow("a", t0 + std::chrono::milliseconds(500)) ? 1 : 0;
    EXPECT_EQ(allowed, 5);
}

}  // namespace
}  // namespace zef::remote
