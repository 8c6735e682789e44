// OSC over real UDP on loopback against simulated amplifiers: a set reaching
// the device, a query, subscriptions, errors, and tokens.
#include <QNetworkDatagram>
#include <QUdpSocket>

#include "expected_frames.h"
#include "protocol/commands.h"
#include "remote/osc_codec.h"
#include "remote_fixture.h"

namespace zef::test {
namespace {

using remote::OscMessage;

class OscTest : public RemoteTest {
protected:
    void SetUp() override {
        RemoteTest::SetUp();
        StartOsc({});
    }
    void StartOsc(remote::ServiceSettings settings) {
        settings.oscPort = 0;
        StartService(settings);
        ASSERT_NE(service->oscPort(), 0);
        ASSERT_TRUE(client.bind(QHostAddress("127.0.0.1"), 0));
    }
    void Send(const OscMessage& m) {
        client.writeDatagram(remote::EncodeOsc(m), QHostAddress("127.0.0.1"), service->oscPort());
    }
    // The next message received within `ms` whose path is `path`.
    std::optional<OscMessage> Receive(const std::string& path, int ms = 2000) {
        std::optional<OscMessage> found;
        RunUntil([&] {
            while (client.hasPendingDatagrams()) {
                const QByteArray d = client.receiveDatagram().data();
                auto m = remote::DecodeOsc({reinterpret_cast<const std::uint8_t*>(d.data()), static_cast<std::size_t>(d.size())});
                if (m && m->path == path) {
                    found = m;
                    return true;
                }
            }
            return false;
        }, ms);
        return found;
    }
    QUdpSocket client;
};

TEST_F(OscTest, ASetReachesTheDeviceAndIsAnswered) {
    Send({"/zef/1/out1.mute", {true}});
    const auto ack = Receive("/zef/1/out1.mute");
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->args, std::vector<remote::OscArg>{std::string("on")});
    EXPECT_EQ(Writes(0), std::vector<Bytes>{CommandFrame(kSimAddress, cmd::kMute, {2, 0, 0, 0, 0, 0, 0, 1})});
    Send({"/zef/1/out1.gain", {-3.3}});
    const auto gain = Receive("/zef/1/out1.gain");
    ASSERT_TRUE(gain);
    EXPECT_EQ(gain->args, std::vector<remote::OscArg>{-3.5});  // snapped as the device codes it
    Send({"/zef/2/out2.gain", {}});
    const auto query = Receive("/zef/2/out2.gain");
    ASSERT_TRUE(query);
    EXPECT_EQ(query->args, std::vector<remote::OscArg>{GetValue(host->model.device(2), *FindParameter("out2.gain"))});
    EXPECT_TRUE(Writes(1).empty());
}

TEST_F(OscTest, RefusalsAreAnsweredAndSendNothing) {
    const struct {
        OscMessage message;
        const char* code;
    } cases[] = {
        {{"/zef/1/out1.gain", {99.0}}, "out_of_range"},
        {{"/zef/1/out1.nothing", {1.0}}, "unknown_parameter"},
        {{"/zef/7/out1.gain", {1.0}}, "unknown_device"},
        {{"/zef/1/recall", {std::int64_t{0}}}, "bad_value"},
        {{"/zef/subscribe", {std::string("9")}}, "unknown_device"},
    };
    for (const auto& c : cases) {
        Send(c.message);
        const auto error = Receive("/zef/error");
        ASSERT_TRUE(error) << c.message.path;
        EXPECT_EQ(std::get<std::string>(error->args.at(0)), c.code) << c.message.path;
    }
    client.writeDatagram(QByteArray("garbage"), QHostAddress("127.0.0.1"), service->oscPort());
    const auto garbage = Receive("/zef/error");
    ASSERT_TRUE(garbage);
    EXPECT_EQ(std::get<std::string>(garbage->args.at(0)), "bad_request");
    EXPECT_TRUE(Writes(0).empty());
    EXPECT_TRUE(Writes(1).empty());
}

TEST_F(OscTest, SubscribersHearEveryChange) {
    Send({"/zef/subscribe", {std::string("2")}});
    ASSERT_TRUE(Receive("/zef/subscribe"));
    ASSERT_EQ(Put("/api/v1/devices/2/parameters/out1.gain", R"({"value":-12})").status, 200);
    const auto change = Receive("/zef/2/out1.gain");
    ASSERT_TRUE(change);
    EXPECT_EQ(change->args, std::vector<remote::OscArg>{-12.0});
    host->connection.Disconnect(2);
    const auto off = Receive("/zef/2/online");
    ASSERT_TRUE(off);
    EXPECT_EQ(off->args, std::vector<remote::OscArg>{false});
}

TEST_F(OscTest, TokensAndAllowedAddresses) {
    remote::ServiceSettings settings;
    settings.tokens = {{remote::HashToken("osc-reader"), remote::Access::Read},
                       {remote::HashToken("osc-writer"), remote::Access::Write}};
    client.close();
    StartOsc(settings);
    Send({"/zef/1/out1.mute", {true}});
    auto e = Receive("/zef/error");
    ASSERT_TRUE(e);
    EXPECT_EQ(std::get<std::string>(e->args.at(0)), "unauthorized");
    Send({"/zef/auth", {std::string("osc-reader")}});
    ASSERT_TRUE(Receive("/zef/auth"));
    Send({"/zef/1/out1.mute", {}});
    EXPECT_TRUE(Receive("/zef/1/out1.mute"));  // reading is allowed
    Send({"/zef/1/out1.mute", {true}});
    e = Receive("/zef/error");
    ASSERT_TRUE(e);
    EXPECT_EQ(std::get<std::string>(e->args.at(0)), "read_only");
    EXPECT_TRUE(Writes(0).empty());
    Send({"/zef/auth", {std::string("osc-writer")}});
    ASSERT_TRUE(Receive("/zef/auth"));
    Send({"/zef/1/out1.mute", {true}});
    EXPECT_TRUE(Receive("/zef/1/out1.mute"));
    EXPECT_EQ(Writes(0).size(), 1u);

    // An allowed address needs no token.
    settings.oscAllow = {{"127.0.0.1", remote::Access::Write}};
    client.close();
    StartOsc(settings);
    Send({"/zef/1/out2.mute", {true}});
    EXPECT_TRUE(Receive("/zef/1/out2.mute"));
}

}  // namespace
}  // namespace zef::test
