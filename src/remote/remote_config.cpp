#include "remote_config.h"

#include <charconv>
#include <sstream>

#include "base/input_file.h"
#include "device/ip_range.h"

namespace zef::remote {

namespace {

std::vector<std::string> Words(const std::string& line) {
    std::string text = line.substr(0, line.find('#'));
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

template <typename T>
std::optional<T> Number(const std::string& text, T min, T max) {
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max) return std::nullopt;
    return value;
}

struct LineParser {
    RemoteConfig& config;
    std::string error;
    bool sawSerial = false;

    void Device(const std::vector<std::string>& w) {
        static constexpr std::string_view kSerial = "serial:";
        if (w[1].rfind(kSerial, 0) == 0 && w[1].size() > kSerial.size()) {
            if (sawSerial) error = "only one serial device can be held";
            sawSerial = true;
            config.devices.push_back({"", w[1].substr(kSerial.size())});
        } else if (ParseDottedAddress(w[1])) {
            config.devices.push_back({w[1], ""});
        } else {
            error = "'" + w[1] + "' is no dotted IPv4 address nor serial:PATH";
        }
    }

    // ADDRESS:PORT into host and port; false (and the error) for anything else.
    bool Endpoint(const std::string& key, const std::string& value, std::string& host, std::uint16_t& port) {
        const auto colon = value.rfind(':');
        const auto p = colon == std::string::npos ? std::nullopt
                                                  : Number<std::uint16_t>(value.substr(colon + 1), 1, 65535);
        const std::string h = colon == std::string::npos ? "" : value.substr(0, colon);
        if (!p || (h != "localhost" && !ParseDottedAddress(h))) {
            error = key + " takes ADDRESS:PORT (a dotted IPv4 address), not '" + value + "'";
            return false;
        }
        host = h == "localhost" ? "127.0.0.1" : h;
        port = *p;
        return true;
    }

    void OscAllowed(const std::vector<std::string>& w) {
        const std::string access = w.size() > 2 ? w[2] : "write";
        if (!ParseDottedAddress(w[1]) || w.size() > 3 || (access != "read" && access != "write")) {
            error = "osc-allow takes a dotted IPv4 address and read or write";
            return;
        }
        config.oscAllow.push_back({w[1], access == "read" ? Access::Read : Access::Write});
    }

    void Token(const std::vector<std::string>& w) {
        const auto hash = ParseHashHex(w[1]);
        if (!hash) {
            error = "a token is kept as its SHA-256, 64 hex digits (zefd --new-token)";
            return;
        }
        const std::string access = w.size() > 2 ? w[2] : "write";
        if (w.size() > 3 || (access != "read" && access != "write")) {
            error = "a token is 'token SHA256HEX read' or 'token SHA256HEX write'";
            return;
        }
        config.tokens.push_back({*hash, access == "read" ? Access::Read : Access::Write});
    }

    void Zefd(const std::vector<std::string>& w) {
        ZefdEndpoint e;
        if (w.size() == 2 && w[1] == "off") {
            config.zefdOff = true;
            return;
        }
        if (w.size() > 3) {
            error = "zefd takes ADDRESS:PORT and, when that zefd wants one, a token";
            return;
        }
        if (!Endpoint("zefd", w[1], e.host, e.port)) return;
        if (w.size() == 3) e.token = w[2];
        config.zefd.push_back(e);
    }

    void Line(const std::vector<std::string>& w) {
        const std::string& key = w[0];
        const bool one = w.size() == 2;
        if (key == "zefd" && w.size() >= 2) return Zefd(w);
        if (key == "token" && w.size() >= 2) return Token(w);
        if (key == "osc-allow" && w.size() >= 2) return OscAllowed(w);
        if (!one) {
            error = "'" + key + "' takes one value";
            return;
        }
        if (key == "device") {
            Device(w);
        } else if (key == "device-port") {
            const auto v = Number<std::uint16_t>(w[1], 1, 65535);
            if (v) config.devicePort = *v; else error = "device-port takes a port 1..65535";
        } else if (key == "listen") {
            Endpoint(key, w[1], config.listenHost, config.listenPort);
        } else if (key == "osc") {
            Endpoint(key, w[1], config.oscHost, config.oscPort);
        } else if (key == "rate") {
            const auto v = Number<int>(w[1], 1, 100000);
            if (v) config.rate = *v; else error = "rate takes requests per second, 1..100000";
        } else if (key == "max-body") {
            const auto v = Number<std::size_t>(w[1], 256, 16 * 1024 * 1024);
            if (v) config.maxBody = *v; else error = "max-body takes bytes, 256..16777216";
        } else if (key == "data") {
            config.dataFolder = w[1];
        } else {
            error = "unknown setting '" + key + "'";
        }
    }
};

}  // namespace

std::string ConfigText(const RemoteConfig& c) {
    std::ostringstream out;
    for (const DeviceAddress& d : c.devices) out << "device " << (d.ip.empty() ? "serial:" + d.serial : d.ip) << "\n";
    out << "device-port " << c.devicePort << "\n";
    out << "listen " << c.listenHost << ":" << c.listenPort << "\n";
    for (const TokenEntry& t : c.tokens)
        out << "token " << HashHex(t.hash) << (t.access == Access::Read ? " read" : " write") << "\n";
    out << "rate " << c.rate << "\nmax-body " << c.maxBody << "\n";
    if (!c.dataFolder.empty()) out << "data " << c.dataFolder << "\n";
    if (!c.oscHost.empty()) out << "osc " << c.oscHost << ":" << c.oscPort << "\n";
    for (const OscAllow& a : c.oscAllow)
        out << "osc-allow " << a.address << (a.access == Access::Read ? " read" : " write") << "\n";
    if (c.zefdOff) out << "zefd off\n";
    for (const ZefdEndpoint& z : c.zefd)
        out << "zefd " << z.host << ":" << z.port << (z.token.empty() ? "" : " " + z.token) << "\n";
    return out.str();
}

std::vector<ZefdEndpoint> ZefdEndpoints(const RemoteConfig& config) {
    if (config.zefdOff) return {};
    return config.zefd.empty() ? std::vector<ZefdEndpoint>{ZefdEndpoint{}} : config.zefd;
}

bool IsLoopbackHost(const std::string& host) {
    if (host == "localhost") return true;
    const auto octets = ParseDottedAddress(host);
    return octets && (*octets)[0] == 127;
}

ConfigResult ParseConfig(const std::string& text) {
    ConfigResult result;
    RemoteConfig config;
    LineParser parser{config, {}};
    std::istringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        const std::vector<std::string> words = Words(line);
        if (words.empty()) continue;
        parser.error.clear();
        parser.Line(words);
        if (!parser.error.empty()) result.errors.push_back("line " + std::to_string(number) + ": " + parser.error);
    }
    if (!IsLoopbackHost(config.listenHost) && config.tokens.empty())
        result.errors.push_back("listening on " + config.listenHost +
                                " (not loopback) needs at least one token in the configuration");
    if (!config.oscHost.empty() && !IsLoopbackHost(config.oscHost) && config.tokens.empty() &&
        config.oscAllow.empty())
        result.errors.push_back("OSC on " + config.oscHost +
                                " (not loopback) needs a token or an osc-allow line in the configuration");
    if (result.errors.empty()) result.config = std::move(config);
    return result;
}

std::optional<ConfigResult> ReadConfigFile(const std::string& path) {
    const FileBytes file = ReadWholeFile(path, kMaxConfigFileBytes);
    if (!file.ok()) return std::nullopt;
    return ParseConfig(std::string(file.bytes.begin(), file.bytes.end()));
}

}  // namespace zef::remote
