#pragma once
// The configuration of the remote-control service (zefd --config FILE). One
// setting a line, a keyword and its values separated by blanks; '#' starts a
// comment; blank lines are ignored:
//
//   device 127.0.0.2            a network amplifier (dotted IPv4, the device port below)
//   device serial:/dev/ttyUSB0  the amplifier on a USB serial port (at most one)
//   device-port 1001            TCP port of the network amplifiers (default 1001)
//   listen 127.0.0.1:8320       address and port of HTTP and the WebSocket stream
//   token SHA256HEX write       a token's SHA-256 (zefd --new-token makes both) and
//   token SHA256HEX read        what it may do: write (everything) or read (GET and stream)
//   rate 50                     requests per second per client address (burst: twice that)
//   max-body 65536              the largest request body accepted, in bytes
//   data /var/lib/zefd          the data folder (init.cfg, the interface locks)
//   osc 127.0.0.1:9000          OSC over UDP there (off without this line)
//   osc-allow 192.0.2.20 write  an OSC client address allowed without a token (read or write)
//   zefd 127.0.0.1:8320 TOKEN   the editor only: a zefd it asks before it connects a device
//                               (the token, when that zefd wants one, as given: the editor
//                               presents it); several lines for several
//   zefd off                    the editor asks no zefd
//
// Without "zefd" the editor asks 127.0.0.1:8320, zefd's default address.
//
// Without "listen" the service listens on 127.0.0.1:8320. Binding to an
// address outside 127.0.0.0/8 needs at least one token (for OSC: a token or
// an allow-list entry): the configuration is refused otherwise. With tokens,
// every request needs one, on every address.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tokens.h"

namespace zef::remote {

inline constexpr std::uint16_t kDefaultListenPort = 8320;
inline constexpr std::size_t kDefaultMaxBody = 64 * 1024;
inline constexpr int kDefaultRate = 50;

// An OSC client address allowed without a token.
struct OscAllow {
    std::string address;  // dotted IPv4
    Access access = Access::Write;
};

struct DeviceAddress {
    std::string ip;      // dotted IPv4, or "" for the serial device
    std::string serial;  // the serial port's path, or ""
};

// A zefd the editor asks whether it holds a device (zefd_query.h).
struct ZefdEndpoint {
    std::string host = "127.0.0.1";
    std::uint16_t port = kDefaultListenPort;
    std::string token;  // "" = none
    bool operator==(const ZefdEndpoint&) const = default;
};

struct RemoteConfig {
    std::vector<DeviceAddress> devices;
    std::uint16_t devicePort = 1001;
    std::string listenHost = "127.0.0.1";
    std::uint16_t listenPort = kDefaultListenPort;
    std::vector<TokenEntry> tokens;
    int rate = kDefaultRate;
    std::size_t maxBody = kDefaultMaxBody;
    std::string dataFolder;
    std::string oscHost;  // "" = no OSC
    std::uint16_t oscPort = 0;
    std::vector<OscAllow> oscAllow;
    std::vector<ZefdEndpoint> zefd;  // empty: the default one
    bool zefdOff = false;            // "zefd off": none
};

// The zefd endpoints the editor asks: the configured ones, or the default.
std::vector<ZefdEndpoint> ZefdEndpoints(const RemoteConfig& config);

struct ConfigResult {
    std::optional<RemoteConfig> config;
    std::vector<std::string> errors;  // "line 3: ...", one per problem; empty when config is set
};

// Parses the text of a configuration; every line with a problem is named.
ConfigResult ParseConfig(const std::string& text);
// The configuration file at `path` parsed; nullopt when it cannot be read
// (missing, not a regular file, above kMaxConfigFileBytes, unreadable).
inline constexpr std::size_t kMaxConfigFileBytes = 1 << 20;
std::optional<ConfigResult> ReadConfigFile(const std::string& path);
// The text of a configuration, one setting a line, that ParseConfig reads
// back to the same configuration.
std::string ConfigText(const RemoteConfig& config);
// True for 127.0.0.0/8 ("localhost" included).
bool IsLoopbackHost(const std::string& host);

}  // namespace zef::remote
