// The remote-control service's goals, each printed with its figures; the
// program exits 1 when one is missed:
//   - a set through the HTTP API, written to a simulated amplifier over
//     loopback TCP, read back and pushed to a WebSocket client: from the
//     request sent to the change received, median <= 5 ms, p99 <= 20 ms;
//   - 1,000 malformed requests (bad JSON, unknown parameters, values out of
//     range, huge bodies, wrong tokens): every one answered with an error,
//     nothing sent to a device, the service still serving;
//   - zefd itself (the program, in its own process) holding 8 simulated
//     amplifiers with 100 WebSocket clients subscribed to all of them with
//     meters at 10 Hz: under 10 % of one core and under 80 MB resident.
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "protocol/commands.h"
#include "remote/device_host.h"
#include "remote/remote_service.h"
#include "remote_client.h"
#include "sim_link.h"
#include "sim_network.h"
#include "temp_folder.h"

namespace {

using namespace zef::test;
namespace remote = zef::remote;

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(v.size())));
    return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

// The service in this process on one simulated amplifier.
struct InProcess {
    explicit InProcess(remote::ServiceSettings settings) {
        net.Start({{"127.0.0.2", Config("Bench", 1)}});
        zef::LinkSettings link = FastLinkSettings(data.path().string());
        link.devicePort = net.port();
        host = std::make_unique<remote::DeviceHost>(link, "");
        host->Hold({{"127.0.0.2", ""}});
        settings.host = "127.0.0.1";
        settings.port = 0;
        service = std::make_unique<remote::RemoteService>(host->stack(), settings);
        std::string error;
        if (!service->Start(error)) throw std::runtime_error(error);
    }
    ~InProcess() {
        service.reset();
        host->Release();
    }
    TempFolder data;
    SimNetwork net;
    std::unique_ptr<remote::DeviceHost> host;
    std::unique_ptr<remote::RemoteService> service;
};

bool SetToStream() {
    remote::ServiceSettings settings;
    settings.rate = 1000000;
    InProcess p(settings);
    StreamClient client(p.service->port());
    client.Send({{"subscribe", QJsonArray{"1"}}});
    if (!client.WaitFor(Event("device", "1"))) return false;
    std::vector<double> ms;
    for (int i = 0; i < 400; ++i) {
        const double gain = -10 - (i % 40) * 0.5;
        const std::size_t from = client.messages().size();
        const auto start = std::chrono::steady_clock::now();
        const HttpAnswer a = Request(p.service->port(), "PUT", "/api/v1/devices/1/parameters/out1.gain",
                                     "{\"value\":" + std::to_string(gain) + "}");
        const auto seen = client.WaitFor(
            [gain](const QJsonObject& m) { return m["values"].toObject()["out1.gain"].toDouble() == gain; }, 2000,
            from);
        if (a.status != 200 || !seen) {
            std::printf("set %d: answer %d, change %s\n", i, a.status, seen ? "seen" : "NOT seen");
            return false;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    const double median = Percentile(ms, 0.5), p99 = Percentile(ms, 0.99);
    const bool met = median <= 5 && p99 <= 20;
    std::printf("set -> device -> stream: %zu sets, median %.2f ms, p99 %.2f ms (goal <= 5 / <= 20 ms): %s\n",
                ms.size(), median, p99, met ? "met" : "MISSED");
    return met;
}

bool MalformedFlood() {
    remote::ServiceSettings settings;
    settings.tokens = {{remote::HashToken("bench-token"), remote::Access::Write}};
    settings.rate = 1000000;
    InProcess p(settings);
    const std::string auth = "Authorization: Bearer bench-token\r\n";
    const auto put = [&](const std::string& path, const std::string& body, const std::string& header) {
        return QByteArray::fromStdString("PUT " + path + " HTTP/1.1\r\nHost: x\r\n" + header +
                                         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    };
    const std::string gain = "/api/v1/devices/1/parameters/out1.gain";
    const std::vector<QByteArray> kinds = {
        put(gain, "{\"value\":", auth),                              // bad JSON
        put("/api/v1/devices/1/parameters/out7.gain", "{\"value\":1}", auth),  // unknown parameter
        put(gain, "{\"value\":99}", auth),                           // out of range
        put(gain, std::string(200 * 1024, '{'), auth),                // huge body
        put(gain, "{\"value\":-3}", "Authorization: Bearer guess\r\n"),  // wrong token
        put(gain, "{\"value\":-3}", ""),                             // no token
        put("/api/v1/devices/5/parameters/out1.gain", "{\"value\":1}", auth),  // unknown device
        put(gain, "[]", auth),                                       // not an object
    };
    p.net.device(0).clearLog();
    int answered = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i) {
        const HttpAnswer a = SendRaw(p.service->port(), kinds[static_cast<std::size_t>(i) % kinds.size()]);
        answered += a.status >= 400 && a.status < 500 && !a.errorCode().empty();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::size_t sent = 0;
    for (const auto& f : p.net.device(0).frames()) sent += f[3] != zef::cmd::kStatusPoll;
    const bool serving = Request(p.service->port(), "GET", "/api/v1/devices", "", "bench-token").status == 200;
    const bool met = answered == 1000 && sent == 0 && serving;
    std::printf("1000 malformed requests in %.2f s: %d answered with an error, %zu frames to the device, %s: %s\n",
                seconds, answered, sent, serving ? "still serving" : "NOT serving", met ? "met" : "MISSED");
    return met;
}

// utime + stime of a process in clock ticks, and its resident set in kB.
std::pair<long, long> Usage(qint64 pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string f;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14) utime = std::stol(f);
        if (i == 15) stime = std::stol(f);
    }
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    long rss = 0;
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) rss = std::stol(line.substr(6));
    return {utime + stime, rss};
}

bool ManyClients() {
    constexpr int kDevices = 8, kClients = 100, kSeconds = 10;
    TempFolder data;
    SimNetwork net;
    std::vector<std::pair<std::string, zefsim::DeviceConfig>> plan;
    QJsonArray ids;
    for (int i = 0; i < kDevices; ++i) {
        plan.push_back({"127.0.0." + std::to_string(2 + i), Config("Amp " + std::to_string(i + 1),
                                                                     static_cast<std::uint8_t>(i + 1))});
        ids.append(QString::number(i + 1));
    }
    net.Start(plan);
    const int port = 20000 + static_cast<int>(std::random_device{}() % 20000);
    std::string config = "device-port " + std::to_string(net.port()) + "\nlisten 127.0.0.1:" + std::to_string(port) +
                         "\nrate 100000\ndata " + data.path().string() + "\n";
    for (const auto& [host, _] : plan) config += "device " + host + "\n";
    std::ofstream(data.file("zefd.conf")) << config;
    QProcess zefd;
    zefd.start(ZEFD_PATH, {"--config", QString::fromStdString(data.file("zefd.conf"))});
    const bool up = RunUntil([&] { return zefd.readAllStandardOutput(), Request(port, "GET", "/api/v1/devices").status == 200; }, 10000);
    std::vector<std::unique_ptr<StreamClient>> clients;
    for (int i = 0; up && i < kClients; ++i) {
        clients.push_back(std::make_unique<StreamClient>(static_cast<std::uint16_t>(port)));
        clients.back()->Send({{"subscribe", ids}, {"meters", 10}});
    }
    RunUntil([] { return false; }, 2000);  // everyone subscribed, the meters flowing
    const auto [ticks0, rss0] = Usage(zefd.processId());
    const auto start = std::chrono::steady_clock::now();
    RunUntil([] { return false; }, kSeconds * 1000);
    const auto [ticks1, rss1] = Usage(zefd.processId());
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::size_t meters = 0;
    for (const auto& c : clients)
        meters += std::count_if(c->messages().begin(), c->messages().end(), Event("meters"));
    zefd.terminate();
    zefd.waitForFinished(5000);
    const double cpu = static_cast<double>(ticks1 - ticks0) / static_cast<double>(sysconf(_SC_CLK_TCK)) / wall;
    const double perClientHz = static_cast<double>(meters) / kClients / kDevices / (wall + 2);
    const bool met = up && cpu < 0.10 && rss1 < 80 * 1024 && perClientHz > 5;
    std::printf("zefd, %d devices, %d clients, meters at 10 Hz: %.1f %% of a core, %ld kB resident, %.1f meter "
                "messages per client and device per second (goal < 10 %%, < 80 MB): %s\n",
                kDevices, kClients, cpu * 100, rss1, perClientHz, met ? "met" : "MISSED");
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bool met = true;
    met = SetToStream() && met;
    met = MalformedFlood() && met;
    met = ManyClients() && met;
    return met ? 0 : 1;
}
