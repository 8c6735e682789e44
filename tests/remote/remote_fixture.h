#pragma once
// Two simulated amplifiers on 127.0.0.2 and 127.0.0.3, held by the service's
// own device host over loopback TCP (slots 1 and 2), and the service on
// 127.0.0.1 at a free port. Tests that want tokens or other limits call
// StartService themselves.
#include <gtest/gtest.h>

#include <memory>

#include "remote_client.h"
#include "remote/device_host.h"
#include "remote/remote_service.h"
#include "sim_link.h"
#include "sim_network.h"
#include "temp_folder.h"

namespace zef::test {

inline constexpr std::uint8_t kSimAddress = 0x01;  // the simulated devices' address byte

class RemoteTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // (Re)starts the service with these settings on 127.0.0.1 at `port` (0: a free one).
    void StartService(remote::ServiceSettings settings = {}, std::uint16_t port = 0);

    HttpAnswer Get(const std::string& path, const std::string& token = {}) { return Request(port(), "GET", path, {}, token); }
    HttpAnswer Put(const std::string& path, const std::string& body, const std::string& token = {}) {
        return Request(port(), "PUT", path, body, token);
    }
    HttpAnswer Post(const std::string& path, const std::string& body, const std::string& token = {}) {
        return Request(port(), "POST", path, body, token);
    }
    std::uint16_t port() const { return service->port(); }
    // The frames device i received since its log was last cleared, without
    // the read-backs and polls (read-memory 20, status 22).
    std::vector<std::vector<std::uint8_t>> Writes(std::size_t i);
    void ClearLogs();

    TempFolder data;
    SimNetwork net;
    std::unique_ptr<remote::DeviceHost> host;
    std::unique_ptr<remote::RemoteService> service;
};

}  // namespace zef::test
