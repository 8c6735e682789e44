#pragma once
// zefctl's command line: global options, the sub-command table and the run.
//
// Sub-commands live in groups, each in its own file, each adding its rows to
// the table with an Add...Commands function; main() lists the groups. A new
// group (network setup, firmware) is one more file and one more line there.

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "transport/transport.h"

namespace zefctl {

// Long enough for a whole load with its read-back over the 9600-baud serial
// line and one full recovery of a lost link; short enough for a script.
inline constexpr double kDefaultTimeoutSeconds = 60;

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the device or a file said no
inline constexpr int kExitUsage = 2;   // the command line was wrong

// A failure the user sees as one line "zefctl: <message>".
struct CliError : std::runtime_error {
    CliError(int exitCode, const std::string& message) : std::runtime_error(message), code(exitCode) {}
    int code;
};
[[noreturn]] inline void Usage(const std::string& message) { throw CliError(kExitUsage, message); }
[[noreturn]] inline void Fail(const std::string& message) { throw CliError(kExitFailed, message); }

struct Options {
    bool help = false;  // --help, -h: the usage text, exit 0
    bool json = false;
    bool yes = false;
    bool csv = false;
    bool usb = false;
    // --no-zefd: connect a device directly even when a zefd service holds it
    // (which takes the device from that service).
    bool noZefd = false;
    std::uint16_t port = zef::kDefaultDevicePort;
    std::optional<std::uint16_t> listenPort;  // "--port" of listen: the UDP port
    std::optional<std::string> serial;        // --serial PATH
    std::optional<std::string> range;         // --range A-B
    std::optional<std::string> preset;        // --preset FILE.zef
    std::optional<std::string> config;        // --config DIR (init.cfg)
    std::optional<std::string> passwordFile;  // --password-file FILE: a locked device's password
    std::optional<std::string> version;       // --version X.Y.Z (make-sfu)
    std::optional<std::string> log;           // --log FILE: the traffic log, as it happens
    double seconds = 10;
    // --timeout: the overall deadline of one device operation; no wait of
    // the link goes past it.
    double timeout = kDefaultTimeoutSeconds;
    // Where progress notes ("reconnecting…") go; the run's error stream.
    std::ostream* notes = nullptr;
    std::vector<std::string> args;  // positional arguments after the sub-command name
    // Options a sub-command declares for itself (SubCommand::options), by
    // name with its dashes ("--card"); a flag without a value holds "".
    std::map<std::string, std::string> named;
    // Every value of each such option in command-line order (named keeps the last).
    std::map<std::string, std::vector<std::string>> namedAll;
};

struct Context {
    const Options& options;
    std::ostream& out;
    std::ostream& err;
};

// An option only some sub-commands take.
struct OptionSpec {
    std::string name;  // "--card"
    bool takesValue = true;
    bool repeatable = false;  // meant to be given more than once (read with NamedAll)
};

struct SubCommand {
    std::string name;   // first word ("preset", "fir" take a second word themselves)
    std::string usage;  // "get HOST PARAM"
    std::string summary;
    int (*run)(Context&);
    std::vector<OptionSpec> options = {};  // its own options beyond the global ones
};
using SubCommandTable = std::vector<SubCommand>;

// The groups of sub-commands.
void AddDiscoveryCommands(SubCommandTable& table);  // search, listen, identify
void AddParameterCommands(SubCommandTable& table);  // params, get, set, standby
void AddFileCommands(SubCommandTable& table);       // dump, load, preset, demo, fir
void AddResponseCommands(SubCommandTable& table);   // response
void AddNetworkCommands(SubCommandTable& table);    // net
void AddFirmwareCommands(SubCommandTable& table);   // firmware, make-sfu
void AddAudioCommands(SubCommandTable& table);      // cards, play, record
void AddMeasureCommands(SubCommandTable& table);    // measure ir, rta
void AddDesignCommands(SubCommandTable& table);     // fir design, autoeq fit
void AddMonitorCommands(SubCommandTable& table);    // monitor
void AddDiffCommands(SubCommandTable& table);       // diff

// Parses `args` (without the program name), runs the sub-command and returns
// the exit code; errors are printed to `err` as one line.
int RunCli(const SubCommandTable& table, const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err);

// The usage text of every sub-command.
std::string UsageText(const SubCommandTable& table);

// Positional argument i, or a usage error naming `what`.
const std::string& Arg(const Context& ctx, std::size_t i, const char* what);

// A sub-command's own option: its value, or nullopt when it was not given.
std::optional<std::string> Named(const Context& ctx, const std::string& name);
bool HasFlag(const Context& ctx, const std::string& name);
// Every value of a repeatable option, in order; empty when it was not given.
std::vector<std::string> NamedAll(const Context& ctx, const std::string& name);
// The option's value as a number in [min, max], `fallback` when not given; a
// usage error naming the option otherwise.
int NamedInt(const Context& ctx, const std::string& name, int fallback, int min, int max);
double NamedDouble(const Context& ctx, const std::string& name, double fallback, double min, double max);

// The device a sub-command talks to: HOST as the first positional argument,
// or "" with --serial PATH (then no HOST is given). `next` receives the index
// of the first argument after it.
std::string HostArg(const Context& ctx, std::size_t& next);

}  // namespace zefctl
