// The WebSocket stream over real sockets: the snapshot on subscribing,
// changes from the API and from elsewhere, on-line changes, meters at the
// chosen rate, bad messages and tokens.
#include <QElapsedTimer>
#include <QJsonArray>

#include "remote_fixture.h"

namespace zef::test {
namespace {

using remote::Access;

QJsonObject Subscribe(std::initializer_list<QString> ids, int meters = 0) {
    QJsonArray list;
    for (const QString& id : ids) list.append(id);
    return {{"subscribe", list}, {"meters", meters}};
}

TEST_F(RemoteTest, SubscribingGivesTheDeviceThenEveryChange) {
    StreamClient client(port());
    ASSERT_TRUE(client.connected());
    ASSERT_TRUE(client.WaitFor(Event("hello")));
    client.Send(Subscribe({"1"}));
    const auto snapshot = client.WaitFor(Event("device", "1"));
    ASSERT_TRUE(snapshot);
    EXPECT_EQ((*snapshot)["state"].toObject()["name"].toString(), "Stage Left");
    EXPECT_EQ((*snapshot)["values"].toObject()["out1.gain"].toDouble(),
              GetValue(host->model.device(1), *FindParameter("out1.gain")));

    ASSERT_EQ(Put("/api/v1/devices/1/parameters/out1.gain", R"({"value":-12})").status, 200);
    const auto changed = client.WaitFor(Event("changed", "1"));
    ASSERT_TRUE(changed);
    EXPECT_EQ((*changed)["values"].toObject(), (QJsonObject{{"out1.gain", -12}}));

    // A change that did not come through the service (an editor window) is streamed too.
    const std::size_t seen = client.messages().size();
    ASSERT_EQ(host->writer.Set(1, *FindParameter("out2.mute"), 1), kOk);
    const auto edited = client.WaitFor(Event("changed", "1"), 2000, seen);
    ASSERT_TRUE(edited);
    EXPECT_EQ((*edited)["values"].toObject(), (QJsonObject{{"out2.mute", "on"}}));

    // Device 2 is not followed: nothing about it.
    ASSERT_EQ(Put("/api/v1/devices/2/parameters/out1.gain", R"({"value":-9})").status, 200);
    RunUntil([] { return false; }, 200);
    for (const QJsonObject& m : client.messages()) EXPECT_NE(m["device"].toString(), "2");
}

TEST_F(RemoteTest, OnlineChangesAreStreamed) {
    StreamClient client(port());
    client.Send(Subscribe({"2"}));
    ASSERT_TRUE(client.WaitFor(Event("device", "2")));
    host->connection.Disconnect(2);
    const auto off = client.WaitFor(Event("online", "2"));
    ASSERT_TRUE(off);
    EXPECT_FALSE((*off)["online"].toBool());
}

TEST_F(RemoteTest, MetersComeAtTheChosenRate) {
    const struct {
        int hz;
        int least, most;  // meters messages in one second
    } cases[] = {{10, 7, 11}, {2, 1, 3}, {0, 0, 0}};
    for (const auto& c : cases) {
        StreamClient client(port());
        client.Send(Subscribe({"1"}, c.hz));
        ASSERT_TRUE(client.WaitFor(Event("device", "1")));
        const std::size_t from = client.messages().size();
        RunUntil([] { return false; }, 1000);
        int meters = 0;
        for (std::size_t i = from; i < client.messages().size(); ++i) {
            if (!Event("meters", "1")(client.messages()[i])) continue;
            ++meters;
            EXPECT_EQ(client.messages()[i]["meters"].toObject()["levels"].toArray().size(), 12);
        }
        EXPECT_GE(meters, c.least) << c.hz << " Hz";
        EXPECT_LE(meters, c.most) << c.hz << " Hz";
    }
}

TEST_F(RemoteTest, BadMessagesAreAnsweredAndChangeNothing) {
    StreamClient client(port());
    const struct {
        QJsonObject message;
        const char* code;
    } cases[] = {
        {{{"subscribe", "1"}}, "bad_request"},
        {{{"meters", 11}}, "out_of_range"},
        {{{"meters", -1}}, "out_of_range"},
        {{{"hello", 1}}, "bad_request"},
        {Subscribe({"7"}), "unknown_device"},
    };
    for (const auto& c : cases) {
        const std::size_t from = client.messages().size();
        client.Send(c.message);
        const auto answer = client.WaitFor([](const QJsonObject& m) { return m.contains("error"); }, 2000, from);
        ASSERT_TRUE(answer) << c.code;
        EXPECT_EQ((*answer)["error"].toObject()["code"].toString(), c.code);
    }
    const std::size_t from = client.messages().size();
    ASSERT_EQ(Put("/api/v1/devices/1/parameters/out1.gain", R"({"value":-12})").status, 200);
    RunUntil([] { return false; }, 200);
    EXPECT_EQ(client.messages().size(), from);  // subscribed to nothing
    EXPECT_TRUE(client.connected());
}

TEST_F(RemoteTest, TheStreamNeedsAToken) {
    remote::ServiceSettings settings;
    settings.tokens = {{remote::HashToken("reader-token"), Access::Read}};
    StartService(settings);
    StreamClient refused(port());
    EXPECT_FALSE(refused.connected());
    const QByteArray upgrade =
        "GET %1 HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: Upgrade\r\nUpgrade: websocket\r\n"
        "Sec-WebSocket-Version: 13\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n%2\r\n";
    const auto raw = [&](const char* path, const char* header) {
        return SendRaw(port(), QString::fromLatin1(upgrade).arg(path, header).toLatin1());
    };
    EXPECT_EQ(raw("/api/v1/stream", "").errorCode(), "unauthorized");
    EXPECT_EQ(raw("/api/v1/stream", "Authorization: Bearer wrong\r\n").status, 401);
    EXPECT_EQ(raw("/elsewhere", "Authorization: Bearer reader-token\r\n").errorCode(), "not_found");
    StreamClient reader(port(), "reader-token");
    const auto hello = reader.WaitFor(Event("hello"));
    ASSERT_TRUE(hello);
    EXPECT_EQ((*hello)["access"].toString(), "read");
    StreamClient byQuery(port(), "", "/api/v1/stream?token=reader-token");
    EXPECT_TRUE(byQuery.WaitFor(Event("hello")));
}

}  // namespace
}  // namespace zef::test
