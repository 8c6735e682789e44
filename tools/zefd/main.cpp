// zefd: holds the amplifiers a configuration names, keeps them on-line and
// serves the remote-control interfaces (HTTP/JSON and the WebSocket stream)
// until it is told to stop (SIGINT, SIGTERM; Ctrl-C or Ctrl-Break on Windows).
#include <QCoreApplication>
#include <QTimer>
#include <iostream>

#include "base/stop_requests.h"
#include "build_version.h"
#include "remote/device_host.h"
#include "remote/remote_config.h"
#include "remote/remote_service.h"

namespace {

constexpr const char* kUsage =
    "usage: zefd --config FILE      serve the devices FILE names (zefd(1) describes it)\n"
    "       zefd --new-token [read|write]\n"
    "                               print a new token and its configuration line\n"
    "       zefd --version | --help\n";

// How often the event loop looks for a stop request: a signal handler may
// only set a flag, and the loop ends itself when it sees it.
constexpr int kStopCheckMs = 50;

// A stop request ends the event loop from inside it.
void QuitOnSignals(QCoreApplication& app) {
    zef::WatchStopRequests();
    auto* timer = new QTimer(&app);
    QObject::connect(timer, &QTimer::timeout, &app, [&app] {
        if (zef::StopRequested()) app.quit();
    });
    timer->start(kStopCheckMs);
}

int NewToken(const std::string& access) {
    if (access != "read" && access != "write") {
        std::cerr << "zefd: a token may 'read' or 'write'\n";
        return 2;
    }
    const std::string token = zef::remote::NewToken();
    std::cout << "token:              " << token << "\n"
              << "configuration line: token " << zef::remote::HashHex(zef::remote::HashToken(token)) << " "
              << access << "\n";
    return 0;
}

int Serve(QCoreApplication& app, const std::string& path) {
    const std::optional<zef::remote::ConfigResult> parsed = zef::remote::ReadConfigFile(path);
    if (!parsed) {
        std::cerr << "zefd: cannot read " << path << "\n";
        return 1;
    }
    if (!parsed->config) {
        for (const std::string& e : parsed->errors) std::cerr << "zefd: " << path << ": " << e << "\n";
        return 2;
    }
    const zef::remote::RemoteConfig& config = *parsed->config;
    zef::LinkSettings link;
    link.devicePort = config.devicePort;
    link.configFolder = config.dataFolder.empty() ? "." : config.dataFolder;
    std::string serial;
    for (const auto& d : config.devices)
        if (!d.serial.empty()) serial = d.serial;
    zef::remote::DeviceHost host(link, serial);
    zef::remote::RemoteService service(host.stack(), zef::remote::SettingsOf(config));
    std::string error;
    if (!service.Start(error)) {
        std::cerr << "zefd: " << error << "\n";
        return 1;
    }
    std::cout << "zefd: serving on " << config.listenHost << ":" << service.port() << std::endl;
    if (service.oscPort() != 0) std::cout << "zefd: OSC on " << config.oscHost << ":" << service.oscPort() << std::endl;
    for (const zef::DeviceSlot s : host.Hold(config.devices)) {
        const zef::DeviceEntry& e = host.model.entry(s);
        std::cout << "zefd: device " << s << " " << (e.isUsb() ? serial : e.ip) << " "
                  << (e.online ? "on-line (" + e.name + ")" : "off-line; trying again") << std::endl;
    }
    host.KeepOnline();
    QuitOnSignals(app);
    const int code = app.exec();
    host.Release();
    std::cout << "zefd: stopped" << std::endl;
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "zefd " << zef::kBuildVersion << "\n";
        return 0;
    }
    if (!args.isEmpty() && args[0] == "--new-token" && args.size() <= 2)
        return NewToken(args.size() == 2 ? args[1].toStdString() : "write");
    if (args.size() == 2 && args[0] == "--config") return Serve(app, args[1].toStdString());
    std::cerr << kUsage;
    return 2;
}
