// The HTTP API over real sockets against simulated amplifiers: what reaches
// the device for a set and a batch, the refusals that send nothing, tokens,
// limits, presets, a dump loaded into another device, and the OpenAPI
// document against the routes the service really serves.
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>
#include <set>

#include "expected_frames.h"
#include "protocol/commands.h"
#include "remote/api_request.h"
#include "remote_fixture.h"

namespace zef::test {
namespace {

using Frames = std::vector<Bytes>;
constexpr std::uint8_t kOut1 = 2, kOut2 = 3;  // channel codes
constexpr std::uint32_t kOut1GainAddress = 240 + 493;

Bytes Cmd(std::uint8_t command, std::uint8_t channel, std::uint8_t value) {
    return CommandFrame(kSimAddress, command, {channel, 0, 0, 0, 0, 0, 0, value});
}

TEST_F(RemoteTest, ASetIsSnappedSentAndReadBack) {
    const HttpAnswer a = Put("/api/v1/devices/1/parameters/out1.gain", R"({"value":-3.3})");
    ASSERT_EQ(a.status, 200) << a.body.toStdString();
    // -3.3 dB is held as the nearest half decibel: code 2 (dB + 60).
    EXPECT_EQ(a.json()["values"].toObject()["out1.gain"].toDouble(), -3.5);
    EXPECT_EQ(Writes(0), Frames{Cmd(cmd::kGain, kOut1, 113)});
    EXPECT_EQ(net.device(0).memory(kOut1GainAddress, 1), Bytes{113});
    // Confirmed: the written block was read back.
    EXPECT_FALSE(FramesWithCode(net.device(0), cmd::kReadMemory).empty());
    EXPECT_TRUE(Writes(1).empty());
    EXPECT_EQ(Get("/api/v1/devices/1/parameters/out1.gain").json()["value"].toDouble(), -3.5);
}

TEST_F(RemoteTest, ABatchIsOneStepInNameOrder) {
    const HttpAnswer a = Post("/api/v1/devices/0A0B0C0D0E02/parameters",
                              R"({"values":{"out2.polarity":true,"out1.mute":"on","out1.gain":-3.5}})");
    ASSERT_EQ(a.status, 200) << a.body.toStdString();
    EXPECT_EQ(Writes(1), (Frames{Cmd(cmd::kGain, kOut1, 113), Cmd(cmd::kMute, kOut1, 1), Cmd(cmd::kPolarity, kOut2, 1)}));
    EXPECT_TRUE(Writes(0).empty());
}

TEST_F(RemoteTest, ALinkedPartnerFollowsAsInTheEditor) {
    ASSERT_EQ(Put("/api/v1/devices/1/parameters/device.link.outputs", R"({"value":true})").status, 200);
    ClearLogs();
    ASSERT_EQ(Put("/api/v1/devices/1/parameters/out1.mute", R"({"value":true})").status, 200);
    EXPECT_EQ(Writes(0), (Frames{Cmd(cmd::kMute, kOut1, 1), Cmd(cmd::kMute, kOut2, 1)}));
    EXPECT_EQ(Get("/api/v1/devices/1/parameters/out2.mute").json()["value"].toString(), "on");
}

TEST_F(RemoteTest, RefusedRequestsSendNothing) {
    const struct {
        const char* method;
        const char* path;
        const char* body;
        int status;
        const char* code;
    } cases[] = {
        {"PUT", "/api/v1/devices/1/parameters/out1.gain", R"({"value":12.5})", 422, "out_of_range"},
        {"PUT", "/api/v1/devices/1/parameters/out1.gain", R"({"value":"loud"})", 422, "bad_value"},
        {"PUT", "/api/v1/devices/1/parameters/out1.gainz", R"({"value":1})", 404, "unknown_parameter"},
        {"PUT", "/api/v1/devices/9/parameters/out1.gain", R"({"value":1})", 404, "unknown_device"},
        {"PUT", "/api/v1/devices/1/parameters/out1.gain", R"({"value":1)", 400, "bad_request"},
        {"POST", "/api/v1/devices/1/parameters", R"({"values":{"out1.gain":1,"out2.gain":99}})", 422, "out_of_range"},
        {"PUT", "/api/v1/devices/1/parameters/device.bridge", R"({"value":"on"})", 422, "bad_value"},
        {"PUT", "/api/v1/devices/1/presets/1", R"({"name":" "})", 422, "bad_value"},
        {"DELETE", "/api/v1/devices/1", "", 405, "method_not_allowed"},
        {"GET", "/etc/passwd", "", 404, "not_found"},
    };
    for (const auto& c : cases) {
        const HttpAnswer a = Request(port(), c.method, c.path, c.body);
        EXPECT_EQ(a.status, c.status) << c.path << " " << c.body;
        EXPECT_EQ(a.errorCode(), c.code) << c.path << " " << c.body;
        EXPECT_EQ(a.headers.at("content-type"), "application/json");
    }
    EXPECT_TRUE(Writes(0).empty());
    EXPECT_TRUE(Writes(1).empty());
    EXPECT_EQ(Get("/api/v1/devices/1/parameters/out1.gain").json()["value"].toDouble(),
              GetValue(host->model.device(1), *FindParameter("out1.gain")));
}

TEST_F(RemoteTest, OfflineAndLockedDevicesRefuseWrites) {
    host->connection.Disconnect(2);
    ClearLogs();
    EXPECT_EQ(Put("/api/v1/devices/2/parameters/out1.mute", R"({"value":true})").errorCode(), "offline");
    EXPECT_FALSE(Get("/api/v1/devices/2").json()["online"].toBool());

    host->model.device(1).values.lock = 1;
    const HttpAnswer locked = Put("/api/v1/devices/1/parameters/out1.mute", R"({"value":true})");
    EXPECT_EQ(locked.status, 423);
    EXPECT_EQ(locked.errorCode(), "locked");
    EXPECT_EQ(Post("/api/v1/devices/1/presets/1/recall", "").errorCode(), "locked");
    EXPECT_EQ(Get("/api/v1/devices/1/parameters/out1.mute").status, 200);  // reading is allowed
    EXPECT_TRUE(Get("/api/v1/devices/1").json()["locked"].toBool());
    host->model.device(1).values.lock = 0;
    EXPECT_EQ(Put("/api/v1/devices/1/parameters/out1.mute", R"({"value":true})").status, 200);
    EXPECT_EQ(Writes(0), Frames{Cmd(cmd::kMute, kOut1, 1)});
    EXPECT_TRUE(Writes(1).empty());
}

TEST_F(RemoteTest, TokensOpenWhatTheyMayDo) {
    remote::ServiceSettings settings;
    settings.tokens = {{remote::HashToken("reader-token"), remote::Access::Read},
                       {remote::HashToken("writer-token"), remote::Access::Write}};
    StartService(settings);
    const std::string set = "/api/v1/devices/1/parameters/out1.mute";
    const HttpAnswer none = Get("/api/v1/devices");
    EXPECT_EQ(none.status, 401);
    EXPECT_EQ(none.headers.count("www-authenticate"), 1u);
    EXPECT_EQ(Get("/api/v1/devices", "writer-tokeN").status, 401);
    EXPECT_EQ(Get("/openapi.json").status, 401);
    EXPECT_EQ(Get("/api/v1/devices", "reader-token").status, 200);
    EXPECT_EQ(Put(set, R"({"value":true})", "reader-token").errorCode(), "read_only");
    EXPECT_EQ(Put(set, R"({"value":true})").errorCode(), "unauthorized");
    EXPECT_TRUE(Writes(0).empty());
    EXPECT_EQ(Put(set, R"({"value":true})", "writer-token").status, 200);
    EXPECT_EQ(Writes(0), Frames{Cmd(cmd::kMute, kOut1, 1)});
}

TEST_F(RemoteTest, OversizedRequestsAreRefusedAndTheServiceGoesOn) {
    remote::ServiceSettings settings;
    settings.maxBody = 1024;
    StartService(settings);
    const std::string padding(2000, ' ');
    const HttpAnswer within = Post("/api/v1/devices/1/parameters", R"({"values":{"out1.mute":true}})" + padding);
    EXPECT_EQ(within.errorCode(), "too_large");  // over the limit, under what the socket lets through
    const std::string huge(4 * 1024 * 1024, 'x');
    const HttpAnswer flood = Post("/api/v1/devices/1/parameters", huge);
    EXPECT_EQ(flood.status, 413);
    EXPECT_EQ(flood.errorCode(), "too_large");
    EXPECT_TRUE(Writes(0).empty());
    EXPECT_EQ(Get("/api/v1/devices").status, 200);
}

TEST_F(RemoteTest, IdleConnectionsAreClosed) {
    remote::ServiceSettings settings;
    settings.idleMs = 300;
    StartService(settings);
    for (const QByteArray& sent : {QByteArray(), QByteArray("GET /api/v1/devices HTTP/1.1\r\nHost: x\r\n")}) {
        QTcpSocket socket;
        socket.connectToHost("127.0.0.1", port());
        ASSERT_TRUE(RunUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 2000));
        socket.write(sent);
        EXPECT_TRUE(RunUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 3000))
            << sent.toStdString();
    }
    // A stream client is not idle: it stays.
    StreamClient client(port());
    RunUntil([] { return false; }, 600);
    EXPECT_TRUE(client.connected());
    EXPECT_EQ(Get("/api/v1/devices").status, 200);
}

TEST_F(RemoteTest, EachClientHasItsRate) {
    remote::ServiceSettings settings;
    settings.rate = 5;  // a burst of 10
    StartService(settings);
    int ok = 0, limited = 0;
    for (int i = 0; i < 15; ++i) {
        const HttpAnswer a = Get("/api/v1/devices");
        ok += a.status == 200;
        limited += a.errorCode() == "rate_limited" && a.status == 429;
    }
    // The burst, maybe one refilled meanwhile; the rest refused.
    EXPECT_GE(ok, 10);
    EXPECT_LE(ok, 12);
    EXPECT_EQ(ok + limited, 15);
}

TEST_F(RemoteTest, DevicesShowTheirState) {
    const QJsonArray devices = Get("/api/v1/devices").json()["devices"].toArray();
    ASSERT_EQ(devices.size(), 2);
    const struct {
        const char* id;
        const char* name;
        std::uint8_t uid;
        const char* address;
    } expected[] = {{"1", "Stage Left", 1, "127.0.0.2"}, {"2", "Stage Right", 2, "127.0.0.3"}};
    for (int i = 0; i < 2; ++i) {
        const QJsonObject d = devices[i].toObject();
        EXPECT_EQ(d["id"].toString(), expected[i].id);
        EXPECT_EQ(d["name"].toString(), expected[i].name);
        EXPECT_EQ(d["uniqueId"].toString().toStdString(), UidText(expected[i].uid));
        EXPECT_EQ(d["address"].toString(), expected[i].address);
        EXPECT_TRUE(d["online"].toBool());
        EXPECT_EQ(d["firmware"].toString(), "2.1.0");
        EXPECT_EQ(d["meters"].toObject()["levels"].toArray().size(), 12);
    }
    EXPECT_EQ(Get("/api/v1/devices/" + UidText(2)).json()["name"].toString(), "Stage Right");
}

TEST_F(RemoteTest, PresetsAreStoredAndRecalled) {
    ASSERT_EQ(Put("/api/v1/devices/1/presets/2", R"({"name":"Matinee"})").status, 200);
    EXPECT_EQ(Get("/api/v1/devices/1/presets").json()["presets"].toArray()[1].toString(), "Matinee");
    EXPECT_EQ(FramesWithCode(net.device(0), cmd::kStorePreset).size(), 1u);
    ASSERT_EQ(Put("/api/v1/devices/1/parameters/out1.gain", R"({"value":-20})").status, 200);
    const HttpAnswer recalled = Post("/api/v1/devices/1/presets/2/recall", "");
    ASSERT_EQ(recalled.status, 200) << recalled.body.toStdString();
    EXPECT_EQ(recalled.json()["preset"].toString(), "Matinee");
    EXPECT_NE(Get("/api/v1/devices/1/parameters/out1.gain").json()["value"].toDouble(), -20);
    EXPECT_EQ(Post("/api/v1/devices/1/presets/3/recall", "").errorCode(), "empty_preset");
}

TEST_F(RemoteTest, ADumpLoadsIntoAnotherDevice) {
    ASSERT_EQ(Post("/api/v1/devices/1/parameters",
                   R"({"values":{"out1.gain":-7,"out2.eq.12.freq":2500,"out2.delay.bypass":"on","out1.hp.slope":3}})")
                  .status,
              200);
    const QJsonObject dump = Get("/api/v1/devices/1/parameters").json();
    ASSERT_GT(dump["values"].toObject().size(), 100);
    const QJsonObject load{{"values", dump["values"]}};
    const HttpAnswer loaded = Post("/api/v1/devices/2/parameters", QJsonDocument(load).toJson().toStdString());
    ASSERT_EQ(loaded.status, 200) << loaded.body.toStdString();
    EXPECT_EQ(Get("/api/v1/devices/2/parameters").json()["values"], dump["values"]);
    // The device holds it too: its memory equals the first device's where the preset lies.
    EXPECT_EQ(net.device(1).memory(240 + 16, 624 - 16), net.device(0).memory(240 + 16, 624 - 16));
}

TEST_F(RemoteTest, TheOpenApiDocumentDescribesTheServedRoutes) {
    const HttpAnswer a = Get("/openapi.json");
    ASSERT_EQ(a.status, 200);
    const QJsonObject paths = a.json()["paths"].toObject();
    std::set<std::string> documented, served;
    for (auto p = paths.begin(); p != paths.end(); ++p)
        for (const QString& method : p.value().toObject().keys())
            documented.insert(method.toUpper().toStdString() + " " + p.key().toStdString());
    for (const remote::Route& r : remote::Routes()) {
        served.insert(std::string(r.method) + " " + r.pattern);
        // Each route is really served: a request to it is not a 404/405 of the router.
        std::string path = r.pattern;
        for (const auto& [from, to] : {std::pair{"{device}", "1"}, {"{param}", "out1.gain"}, {"{preset}", "3"}})
            if (const auto at = path.find(from); at != std::string::npos) path.replace(at, std::string(from).size(), to);
        const HttpAnswer answer = Request(port(), r.method, path, r.writes ? "{}" : "");
        EXPECT_NE(answer.errorCode(), "not_found") << path;
        EXPECT_NE(answer.errorCode(), "method_not_allowed") << path;
    }
    EXPECT_EQ(documented, served);
}

TEST_F(RemoteTest, AThousandMalformedRequestsChangeNothing) {
    remote::ServiceSettings settings;
    settings.rate = 100000;
    StartService(settings);
    const std::vector<QByteArray> bad = {
        "PUT /api/v1/devices/1/parameters/out1.gain HTTP/1.1\r\nContent-Length: 3\r\n\r\n{x}",
        "POST /api/v1/devices/1/parameters HTTP/1.1\r\nContent-Length: 13\r\n\r\n{\"values\":[]}",
        "PUT /api/v1/devices/1/parameters/nope HTTP/1.1\r\nContent-Length: 11\r\n\r\n{\"value\":1}",
        "PUT /api/v1/devices/1/parameters/out1.gain HTTP/1.1\r\nContent-Length: 13\r\n\r\n{\"value\":1e9}",
        "GET /api/v1/devices/%00 HTTP/1.1\r\n\r\n",
        "BREW /api/v1/devices HTTP/1.1\r\n\r\n",
        "PUT /api/v1/devices/1/standby HTTP/1.1\r\nContent-Length: 2\r\n\r\n[]",
    };
    int errors = 0;
    for (int i = 0; i < 1000; ++i) {
        const HttpAnswer a = SendRaw(port(), bad[i % bad.size()]);
        errors += a.status >= 400 && a.status < 500 && !a.errorCode().empty();
    }
    EXPECT_EQ(errors, 1000);
    EXPECT_TRUE(Writes(0).empty());
    EXPECT_TRUE(Writes(1).empty());
    EXPECT_EQ(Get("/api/v1/devices").status, 200);
}

}  // namespace
}  // namespace zef::test
