#include "cli.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "base/c_number.h"

namespace zefctl {
namespace {

std::uint16_t ParsePort(const std::string& text) {
    unsigned value = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || value == 0 || value > 65535)
        Usage("bad port '" + text + "'");
    return static_cast<std::uint16_t>(value);
}

double ParseSeconds(const std::string& text) {
    const std::optional<double> value = zef::ParseCNumber(text);
    if (!value || *value < 0 || *value > 86400) Usage("bad number of seconds '" + text + "'");
    return *value;
}

const OptionSpec* FindOwnOption(const SubCommandTable& table, const std::string& name) {
    for (const SubCommand& c : table)
        for (const OptionSpec& o : c.options)
            if (o.name == name) return &o;
    return nullptr;
}

// Splits options from positional arguments; the first positional is the sub-command.
Options ParseOptions(const SubCommandTable& table, const std::vector<std::string>& args,
                     std::string& command) {
    Options o;
    bool sawPort = false;
    std::string portText;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) Usage(a + " needs a value");
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--yes") {
            o.yes = true;
        } else if (a == "--csv") {
            o.csv = true;
        } else if (a == "--usb") {
            o.usb = true;
        } else if (a == "--no-zefd") {
            o.noZefd = true;
        } else if (a == "--port") {
            portText = value();
            sawPort = true;
        } else if (a == "--serial") {
            o.serial = value();
        } else if (a == "--range") {
            o.range = value();
        } else if (a == "--preset") {
            o.preset = value();
        } else if (a == "--config") {
            o.config = value();
        } else if (a == "--password-file") {
            o.passwordFile = value();
        } else if (a == "--version") {
            o.version = value();
        } else if (a == "--log") {
            o.log = value();
        } else if (a == "--seconds") {
            o.seconds = ParseSeconds(value());
        } else if (a == "--timeout") {
            o.timeout = ParseSeconds(value());
            if (o.timeout <= 0) Usage("--timeout needs a positive number of seconds");
        } else if (const OptionSpec* own = FindOwnOption(table, a)) {
            o.named[a] = own->takesValue ? value() : std::string();
            o.namedAll[a].push_back(o.named[a]);
        } else if (a.size() > 1 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9')) {
            Usage("unknown option '" + a + "'");
        } else if (command.empty()) {
            command = a;
        } else {
            o.args.push_back(a);
        }
    }
    if (sawPort) {
        // "listen --port N" names the UDP port; everywhere else the device port.
        if (command == "listen") {
            o.listenPort = ParsePort(portText);
        } else {
            o.port = ParsePort(portText);
        }
    }
    return o;
}

// "fir design IR.irw ..." -> "design".
std::string SecondWord(const std::string& usage) {
    std::istringstream words(usage);
    std::string first, second;
    words >> first >> second;
    return second;
}

}  // namespace

const std::string& Arg(const Context& ctx, std::size_t i, const char* what) {
    if (i >= ctx.options.args.size()) Usage(std::string("missing ") + what);
    return ctx.options.args[i];
}

std::optional<std::string> Named(const Context& ctx, const std::string& name) {
    const auto it = ctx.options.named.find(name);
    if (it == ctx.options.named.end()) return std::nullopt;
    return it->second;
}

bool HasFlag(const Context& ctx, const std::string& name) { return ctx.options.named.count(name) != 0; }

std::vector<std::string> NamedAll(const Context& ctx, const std::string& name) {
    const auto it = ctx.options.namedAll.find(name);
    return it == ctx.options.namedAll.end() ? std::vector<std::string>{} : it->second;
}

double NamedDouble(const Context& ctx, const std::string& name, double fallback, double min, double max) {
    const std::optional<std::string> text = Named(ctx, name);
    if (!text) return fallback;
    const std::optional<double> value = zef::ParseCNumber(*text);
    if (!value || !(*value >= min && *value <= max))
        Usage(name + " must be a number from " + zef::CNumber(min) + " to " + zef::CNumber(max) + ", not '" +
              *text + "'");
    return *value;
}

int NamedInt(const Context& ctx, const std::string& name, int fallback, int min, int max) {
    const std::optional<std::string> text = Named(ctx, name);
    if (!text) return fallback;
    int value = 0;
    const auto r = std::from_chars(text->data(), text->data() + text->size(), value);
    if (r.ec != std::errc() || r.ptr != text->data() + text->size() || value < min || value > max)
        Usage(name + " must be a whole number from " + std::to_string(min) + " to " + std::to_string(max) +
              ", not '" + *text + "'");
    return value;
}

std::string HostArg(const Context& ctx, std::size_t& next) {
    if (ctx.options.serial) {
        next = 0;
        return {};
    }
    next = 1;
    return Arg(ctx, 0, "HOST");
}

std::string UsageText(const SubCommandTable& table) {
    std::ostringstream s;
    s << "usage: zefctl [--json] [--yes] [--port N] [--config DIR] [--timeout SECONDS] [--password-file FILE] "
         "[--log FILE] [--no-zefd] COMMAND ...\n\ncommands:\n";
    for (const SubCommand& c : table) s << "  " << c.usage << "\n      " << c.summary << "\n";
    s << "\nParameters are CHANNEL.PARAM (channels inL, inR, out1, out2, sm, device); `zefctl params` "
         "lists them.\n--port sets the device TCP port (default 1001); --yes answers questions with Yes.\n"
         "--timeout bounds each device operation (default 60 s).\n"
         "--log FILE writes every frame sent and received to FILE as it happens; FILE is kept under 1 MiB,\n"
         "the lines before moving to FILE.1 (at most 2 MiB in all).\n"
         "A device locked in the editor is written to only with its password: --password-file FILE, or\n"
         "typed when asked at a terminal.\n"
         "A network device held by a zefd service named in DIR/remote.conf (default 127.0.0.1:8320) is worked\n"
         "through that service's link, so that the device keeps one controller; --no-zefd connects directly.\n"
         "zefctl --version prints the program's version.\n";
    return s.str();
}

int RunCli(const SubCommandTable& table, const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err) {
    try {
        std::string command;
        Options options = ParseOptions(table, args, command);
        options.notes = &err;
        if (command.empty() || command == "help" || options.help) {
            out << UsageText(table);
            return command.empty() && !options.help ? kExitUsage : kExitOk;
        }
        // Rows that share a name ("fir import ...", "fir design ...") are told
        // apart by the second word of their usage; otherwise the first row counts.
        const SubCommand* chosen = nullptr;
        for (const SubCommand& c : table) {
            if (c.name != command) continue;
            if (!chosen) chosen = &c;
            if (!options.args.empty() && SecondWord(c.usage) == options.args[0]) {
                chosen = &c;
                break;
            }
        }
        if (chosen) {
            const SubCommand& c = *chosen;
            for (const auto& [name, value] : options.named) {
                const bool mine = std::any_of(c.options.begin(), c.options.end(),
                                              [&](const OptionSpec& o) { return o.name == name; });
                if (!mine) Usage("option " + name + " does not apply to " + command);
            }
            Context ctx{options, out, err};
            return c.run(ctx);
        }
        Usage("unknown command '" + command + "' (try zefctl help)");
    } catch (const CliError& e) {
        err << "zefctl: " << e.what() << "\n";
        return e.code;
    }
}

}  // namespace zefctl
