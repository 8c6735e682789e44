#include "remote_fixture.h"

#include "protocol/commands.h"

namespace zef::test {

void RemoteTest::SetUp() {
    net.Start({{"127.0.0.2", Config("Stage Left", 1)}, {"127.0.0.3", Config("Stage Right", 2)}});
    LinkSettings settings = FastLinkSettings(data.path().string());
    settings.devicePort = net.port();
    host = std::make_unique<remote::DeviceHost>(settings, "");
    const auto held = host->Hold({{"127.0.0.2", ""}, {"127.0.0.3", ""}});
    ASSERT_EQ(held, (std::vector<DeviceSlot>{1, 2}));
    ASSERT_TRUE(host->model.entry(1).online);
    ASSERT_TRUE(host->model.entry(2).online);
    StartService();
    ClearLogs();
}

void RemoteTest::TearDown() {
    service.reset();
    if (host) host->Release();
    host.reset();
}

void RemoteTest::StartService(remote::ServiceSettings settings, std::uint16_t port) {
    service.reset();
    settings.host = "127.0.0.1";
    settings.port = port;
    service = std::make_unique<remote::RemoteService>(host->stack(), settings);
    std::string error;
    ASSERT_TRUE(service->Start(error)) << error;
}

std::vector<std::vector<std::uint8_t>> RemoteTest::Writes(std::size_t i) {
    std::vector<std::vector<std::uint8_t>> writes;
    for (const auto& f : net.device(i).frames())
        if (f.size() > 3 && f[3] != cmd::kReadMemory && f[3] != cmd::kStatusPoll) writes.push_back(f);
    return writes;
}

void RemoteTest::ClearLogs() {
    net.device(0).clearLog();
    net.device(1).clearLog();
}

}  // namespace zef::test
