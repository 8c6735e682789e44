// Another controller and the service on one amplifier: the service lets a
// device go and takes it back; a controller works a held device through the
// service's link route with its whole device layer (connect, read, write)
// while the service's stream clients see its edits; the holder query finds
// the device by unique ID or address.
#include <QCoreApplication>
#include <QJsonArray>
#include <QTcpServer>
#include <chrono>

#include "device/fir_store.h"
#include "protocol/commands.h"
#include "remote/routed_transport.h"
#include "remote/zefd_query.h"
#include "remote_fixture.h"

namespace zef::test {
namespace {

// The editor's device layer on a routed transport (the slots go straight to
// their device unless routed).
struct Controller {
    explicit Controller(const LinkSettings& settings)
        : routed(qt),
          exchange(model, link, routed, settings),
          list(model),
          reader(model, exchange, events),
          connection(list, exchange, reader, ConnectSettings{true, 1000}),
          writer(model, exchange, NoResponseObserver(), fir::MakeFirWriter(exchange, model)) {}
    ~Controller() { CloseAllLinks(routed); }

    void List(DeviceSlot slot, const std::string& ip) {
        DeviceEntry& e = model.entry(slot);
        e = ClearedEntry(slot);
        e.inList = true;
        e.interface = kInterfaceTcp;
        e.network = kNetworkUnknown;
        e.ip = ip;
    }

    Model model;
    LinkState link;
    QtTransport qt{SerialPortMap::RegisteredOnly()};
    remote::RoutedTransport routed;
    DeviceExchange exchange;
    DeviceList list;
    RefreshEvents events;
    DeviceReader reader;
    Connection connection;
    ParameterWriter writer;
};

constexpr DeviceSlot kMySlot = 5;

class LinkTest : public RemoteTest {
protected:
    remote::ZefdEndpoint Endpoint(const std::string& token = {}) { return {"127.0.0.1", port(), token}; }
    LinkSettings Settings() {
        LinkSettings s = FastLinkSettings(data.path().string());
        s.devicePort = net.port();
        return s;
    }
};

TEST_F(LinkTest, AnEditThroughTheLinkReachesTheDeviceAndTheStream) {
    Controller editor(Settings());
    editor.List(kMySlot, "127.0.0.2");
    editor.routed.routes().Route(kMySlot, {Endpoint(), "1"});
    ASSERT_EQ(editor.connection.ConnectDevice(kMySlot, ConnectMode::Read), ConnectResult::Found);
    EXPECT_EQ(editor.model.entry(kMySlot).name, "Stage Left");
    EXPECT_EQ(editor.model.entry(kMySlot).uniqueId, UidText(1));
    EXPECT_TRUE(host->model.entry(1).online);  // the service still holds it

    StreamClient client(port());
    client.Send({{"subscribe", QJsonArray{"1"}}});
    ASSERT_TRUE(client.WaitFor(Event("device", "1")));
    ClearLogs();
    ASSERT_EQ(editor.writer.Set(kMySlot, *FindParameter("out1.gain"), -10), kOk);
    // Gain of output 1 (channel 2) at code 100, to the device's address 01: once, as the editor sent it.
    EXPECT_EQ(Writes(0), (std::vector<std::vector<std::uint8_t>>{
                             {0xF0, 0x21, kSimAddress, cmd::kGain, 2, 0, 0, 0, 0, 0, 0, 100, 0xF7}}));
    EXPECT_EQ(net.device(0).memory(kPresetBaseAddress + 493, 1)[0], 100);
    const auto changed = client.WaitFor(Event("changed", "1"));
    ASSERT_TRUE(changed);
    EXPECT_EQ((*changed)["values"].toObject()["out1.gain"].toDouble(), -10);
    EXPECT_EQ(Get("/api/v1/devices/1/parameters/out1.gain").json()["value"].toDouble(), -10);
    EXPECT_TRUE(Writes(1).empty());

    // The editor's goodbye ends its link, not the service's hold on the device.
    editor.connection.Disconnect(kMySlot);
    EXPECT_TRUE(FramesWithCode(net.device(0), cmd::kClose).empty());
    EXPECT_TRUE(Get("/api/v1/devices/1").json()["online"].toBool());
}

// A FIR stored through the link (blocks, tap counts, name, activation) is
// read back by the service: its model holds the taps the device now holds.
TEST_F(LinkTest, AFirStoredThroughTheLinkIsReadBackByTheService) {
    Controller editor(Settings());
    editor.List(kMySlot, "127.0.0.2");
    editor.routed.routes().Route(kMySlot, {Endpoint(), "1"});
    ASSERT_EQ(editor.connection.ConnectDevice(kMySlot, ConnectMode::Read), ConnectResult::Found);
    for (const int output : {1, 0}) {
        SCOPED_TRACE(output);
        DeviceModel source = editor.model.device(kMySlot);
        for (std::size_t t = 0; t < 64; ++t)
            source.firTaps[static_cast<std::size_t>(output)][t] = static_cast<std::uint32_t>(0x1000 * (t + 1) + output);
        ASSERT_NE(host->model.device(1).firTaps[static_cast<std::size_t>(output)],
                  source.firTaps[static_cast<std::size_t>(output)]);
        ASSERT_EQ(editor.writer.SetFir(kMySlot, output, source), kOk);
        const auto& held = host->model.device(1).firTaps[static_cast<std::size_t>(output)];
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (held != source.firTaps[static_cast<std::size_t>(output)] && std::chrono::steady_clock::now() < deadline)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_EQ(held, source.firTaps[static_cast<std::size_t>(output)])
            << "the service's model keeps the FIR it held before";
        EXPECT_EQ(host->model.device(1).firTaps[static_cast<std::size_t>(1 - output)],
                  editor.model.device(kMySlot).firTaps[static_cast<std::size_t>(1 - output)]);
    }
}

TEST_F(LinkTest, TheLinkAnswersOnlyWholeFramesAndOnlyWriters) {
    const std::string writer = remote::NewToken();
    const std::string reader = remote::NewToken();
    remote::ServiceSettings settings;
    settings.tokens = {{remote::HashToken(writer), remote::Access::Write},
                       {remote::HashToken(reader), remote::Access::Read}};
    StartService(settings);
    ASSERT_EQ(Post("/api/v1/devices/2/release", "", writer).status, 200);
    Controller editor(Settings());
    const struct {
        const char* what;
        std::string device, token;
        bool opens;
    } cases[] = {
        {"a write token", "1", writer, true},
        {"by unique ID", UidText(1), writer, true},
        {"no token", "1", "", false},
        {"a read-only token", "1", reader, false},
        {"an unknown device", "9", writer, false},
        {"a released device", "2", writer, false},
    };
    for (const auto& c : cases) {
        editor.routed.routes().Route(kMySlot, {Endpoint(c.token), c.device});
        EXPECT_EQ(editor.routed.tcp().Connect(kMySlot, "127.0.0.2", net.port(), 2000) == kTransportOk, c.opens)
            << c.what;
        editor.routed.routes().Unroute(kMySlot);
    }

    editor.routed.routes().Route(kMySlot, {Endpoint(writer), "1"});
    TcpClient& tcp = editor.routed.tcp();
    ASSERT_EQ(tcp.Connect(kMySlot, "127.0.0.2", net.port(), 2000), kTransportOk);
    ClearLogs();
    const Bytes gain = BuildCommandFrame(kSimAddress, {cmd::kGain, {2, 0, 0, 0, 0, 0, 0, 100}, {}});
    Bytes noMarker = gain;
    noMarker[1] = 0x22;
    for (const Bytes& bad : {Bytes{1, 2, 3}, Bytes(gain.begin(), gain.end() - 1), noMarker}) {
        ASSERT_EQ(tcp.Send(kMySlot, bad), kTransportOk);
        Bytes reply(13);
        // Told at once that no reply comes, well before the 5 s wait.
        EXPECT_NE(tcp.Receive(kMySlot, reply, 5000), kTransportOk);
        EXPECT_TRUE(tcp.IsConnected(kMySlot));
    }
    EXPECT_TRUE(net.device(0).frames().empty());
    ASSERT_EQ(tcp.Send(kMySlot, gain), kTransportOk);
    Bytes reply(13);
    ASSERT_EQ(tcp.Receive(kMySlot, reply, 2000), kTransportOk);
    EXPECT_EQ(reply, gain);  // the device echoes a parameter command
    // A message longer than any frame ends the link.
    ASSERT_EQ(tcp.Send(kMySlot, Bytes(80, 0xF0)), kTransportOk);
    EXPECT_NE(tcp.Receive(kMySlot, reply, 2000), kTransportOk);
    EXPECT_FALSE(tcp.IsConnected(kMySlot));
    EXPECT_EQ(FramesWithCode(net.device(0), cmd::kGain).size(), 1u);
}

TEST_F(LinkTest, AReleasedDeviceIsLeftAloneUntilTakenBack) {
    Controller linked(Settings());
    linked.routed.routes().Route(kMySlot, {Endpoint(), "1"});
    ASSERT_EQ(linked.routed.tcp().Connect(kMySlot, "127.0.0.2", net.port(), 2000), kTransportOk);
    ASSERT_EQ(Post("/api/v1/devices/1/release", "").status, 200);
    // A controller working through the link sees its connection taken.
    EXPECT_TRUE(RunUntil([&] { return linked.routed.tcp().ClosedByPeer(kMySlot); }, 2000));
    const QJsonObject released = Get("/api/v1/devices/1").json();
    EXPECT_TRUE(released["released"].toBool());
    EXPECT_FALSE(released["online"].toBool());
    EXPECT_EQ(FramesWithCode(net.device(0), cmd::kClose).size(), 1u);
    EXPECT_EQ(Put("/api/v1/devices/1/parameters/out1.gain", R"({"value":-3})").errorCode(), "released");
    // Neither the poll nor the retries bring it back.
    ClearLogs();
    host->KeepOnline(50, 50);
    RunUntil([] { return false; }, 300);
    EXPECT_FALSE(host->model.entry(1).online);
    EXPECT_TRUE(net.device(0).frames().empty());
    EXPECT_FALSE(net.device(1).frames().empty());  // the other one is polled

    // Another controller may connect it directly meanwhile.
    Controller editor(Settings());
    editor.List(kMySlot, "127.0.0.2");
    EXPECT_EQ(editor.connection.ConnectDevice(kMySlot, ConnectMode::Read), ConnectResult::Found);
    editor.connection.Disconnect(kMySlot);

    const HttpAnswer taken = Post("/api/v1/devices/1/take", "");
    ASSERT_EQ(taken.status, 200) << taken.body.toStdString();
    EXPECT_TRUE(taken.json()["online"].toBool());
    EXPECT_FALSE(taken.json()["released"].toBool());
    EXPECT_EQ(Put("/api/v1/devices/1/parameters/out1.gain", R"({"value":-3})").status, 200);
}

TEST_F(LinkTest, TheHolderIsFoundByUniqueIdOrAddress) {
    QTcpServer silent;  // accepts and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const remote::ZefdEndpoint quiet{"127.0.0.1", silent.serverPort(), ""};
    const std::vector<remote::ZefdEndpoint> endpoints{quiet, Endpoint()};
    const struct {
        const char* what;
        std::string uniqueId, ip, id;
    } cases[] = {
        {"unique ID", UidText(2), "", "2"},
        {"address", "", "127.0.0.3", "2"},
        {"either", UidText(1), "127.0.0.9", "1"},
        {"neither", UidText(9), "127.0.0.9", ""},
        {"nothing to go by", "", "", ""},
    };
    for (const auto& c : cases) {
        const auto held = remote::FindHolder(endpoints, c.uniqueId, c.ip);
        EXPECT_EQ(held ? held->id : "", c.id) << c.what;
        if (held) {
            EXPECT_EQ(held->endpoint, Endpoint()) << c.what;
        }
    }
    const auto held = remote::FindHolder(endpoints, UidText(2), "");
    ASSERT_TRUE(held);
    EXPECT_EQ(held->name, "Stage Right");
    EXPECT_EQ(remote::ReleaseHeld(*held), "");
    EXPECT_FALSE(remote::FindHolder(endpoints, UidText(2), ""));  // released: nobody holds it
    EXPECT_NE(remote::ReleaseHeld({quiet, "1", "", "", ""}, 300), "");
}

}  // namespace
}  // namespace zef::test
