#include "cli.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "base/c_number.h"
#include "bootloader.h"
#include "links.h"

namespace zefsim {
namespace {

std::runtime_error bad(const std::string& text) { return std::runtime_error(text); }

unsigned long parseNumber(const std::string& text, unsigned long max, const std::string& what) {
    std::size_t used = 0;
    unsigned long value = 0;
    try {
        value = std::stoul(text, &used, 0);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text.empty() || used != text.size() || text[0] == '-' || value > max)
        throw bad(what + " must be a number 0.." + std::to_string(max) + ", not '" + text + "'");
    return value;
}

unsigned long parseRange(const std::string& text, unsigned long lo, unsigned long hi,
                         const std::string& what) {
    const unsigned long v = parseNumber(text, hi, what);
    if (v < lo) throw bad(what + " must be " + std::to_string(lo) + ".." + std::to_string(hi));
    return v;
}

std::array<std::uint8_t, 6> parseUid(const std::string& text) {
    if (text.size() != 12 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw bad("--uid takes 12 hex digits, not '" + text + "'");
    std::array<std::uint8_t, 6> uid{};
    for (std::size_t i = 0; i < 6; ++i)
        uid[i] = static_cast<std::uint8_t>(std::stoul(text.substr(2 * i, 2), nullptr, 16));
    return uid;
}

std::array<std::uint8_t, 3> parseVersion(const std::string& text) {
    std::array<std::uint8_t, 3> v{};
    std::istringstream in(text);
    std::string part;
    std::size_t i = 0;
    while (std::getline(in, part, '.')) {
        if (i == 3) throw bad("firmware takes X.Y.Z, not '" + text + "'");
        v[i++] = static_cast<std::uint8_t>(parseNumber(part, 255, "a firmware number"));
    }
    if (i != 3) throw bad("firmware takes X.Y.Z, not '" + text + "'");
    return v;
}

std::string hex(const std::array<std::uint8_t, 6>& uid) {
    std::string s;
    char b[3];
    for (auto x : uid) {
        std::snprintf(b, sizeof b, "%02X", x);
        s += b;
    }
    return s;
}

std::vector<std::string> splitCommas(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; std::getline(in, word, ',');) words.push_back(word);
    return words;
}

double parseNoise(const std::string& text) {
    const std::optional<double> v = zef::ParseCNumber(text);
    if (!v || !(*v >= 0 && *v <= 100)) throw bad("PERCENT must be a number 0..100, not '" + text + "'");
    return *v;
}

void checkOnePerDirection(const std::vector<Corruption>& corruptions) {
    for (std::size_t i = 0; i < corruptions.size(); ++i)
        for (std::size_t j = i + 1; j < corruptions.size(); ++j)
            if (corruptions[i].where == corruptions[j].where)
                throw bad("one --corrupt per device for requests and one for replies");
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

Corruption parseCorruption(const std::vector<std::string>& all) {
    std::vector<std::string> words = all;
    Corruption c;
    // Trailing "command CODE" and "count N", in either order.
    for (int tail = 0; tail < 2 && words.size() >= 4; ++tail) {
        const std::string& key = words[words.size() - 2];
        if (key == "command") c.command = static_cast<std::uint8_t>(parseNumber(words.back(), 255, "CODE"));
        else if (key == "count") c.count = static_cast<int>(parseRange(words.back(), 1, 1000000, "COUNT"));
        else break;
        words.resize(words.size() - 2);
    }
    if (words.size() < 2 || words.size() > 5)
        throw bad("a corruption is request|reply bit|byte [FRAME [BYTE [VALUE]]] [command CODE] [count N]");
    if (words[0] != "request" && words[0] != "reply") throw bad("request or reply, not '" + words[0] + "'");
    if (words[1] != "bit" && words[1] != "byte") throw bad("bit or byte, not '" + words[1] + "'");
    c.where = words[0] == "request" ? Corruption::Where::Request : Corruption::Where::Reply;
    c.kind = words[1] == "bit" ? Corruption::Kind::Bit : Corruption::Kind::Byte;
    if (words.size() > 2) c.after = static_cast<int>(parseNumber(words[2], 1000000, "FRAME"));
    if (words.size() > 3) c.byte = parseNumber(words[3], 72, "BYTE");
    if (words.size() > 4)
        c.value = static_cast<std::uint8_t>(parseNumber(words[4], c.kind == Corruption::Kind::Bit ? 7 : 255, "VALUE"));
    return c;
}

std::string usage() {
    return R"(usage: zefsim [DEVICE OPTIONS] (--tcp HOST:PORT | --serial PATH) ... [--announce HOST:PORT]

A simulated ZEF-4.260 amplifier, one or many in one process.

Devices (each --tcp or --serial defines one more device):
  --tcp HOST:PORT        a device listening on HOST:PORT (port 0 = any free port)
  --serial PATH          a device on a pseudo-terminal paced at 9600 baud; PATH becomes a
                         symlink to the terminal
Settings for the next device defined after them:
  --name TEXT            device name, at most 16 characters (default "ZEF-4.260 #N")
  --uid HEX12            unique ID, 12 hex digits (default 025A4546000N)
  --firmware X.Y.Z       firmware version (default 2.1.0)
  --bootloader           start in boot-loader mode
  --wlan                 report the WLAN interface instead of LAN
  --corrupt WHERE,WHAT[,FRAME[,BYTE[,VALUE]]][,command,CODE][,count,N]
                         spoil one frame as a bit error on the line would: WHERE is request or
                         reply, WHAT is bit (flip one bit; VALUE = the bit 0..7) or byte (replace
                         one byte; VALUE = the new value); FRAME counts from 0, the device's first
                         frame (with command CODE only, when given); BYTE is the position in the
                         frame; left out = random; N frames in a row (default 1). One per WHERE.
  --noise PERCENT        spoil each request and each reply with this probability (one random bit
                         or byte)
Announcements:
  --announce HOST:PORT   send 26-byte UDP announcements of every device there (127.x.x.x only)
  --announce-interval MS period of the announcements, 0 = only on request (default 5000)
  --meters               moving meter levels in every device's status reply
  --allow-remote         let --tcp listen on an address outside 127.x.x.x (refused otherwise)
  --help                 this text
  --version              the program's version

Control commands on standard input (DEVICE is the number shown at start and by `list`):
  set DEVICE ADDR VALUE  change a memory byte as the front panel would (marks the change)
  fir DEVICE OUTPUT      change output 1 or 2's FIR (marks 0x20 / 0x40)
  recall DEVICE SLOT     recall preset slot 1..3 on the device (marks the change)
  drop DEVICE COUNT      do not answer the next COUNT frames
  delay DEVICE MS        answer every frame MS milliseconds late (0 = on time)
  silent DEVICE on|off   answer nothing
  cut DEVICE             close the device's TCP connections
  garbage DEVICE         next reply: random bytes of the right length
  short DEVICE           next reply: only its first half
  corrupt DEVICE request|reply bit|byte [FRAME [BYTE [VALUE]]] [command CODE] [count N]
                         spoil one frame FRAME frames from now (0 = the next; counting only
                         frames with command CODE when given), and N - 1 more after it: flip
                         bit VALUE or replace the byte by VALUE at BYTE; left out = random
  noise DEVICE PERCENT   spoil each request and reply with this probability (0 = off)
  altered DEVICE         the spoilt requests the device acted on, and what they changed
  bootloader DEVICE on|off   boot-loader mode
  firmware DEVICE X.Y.Z  change the firmware version
  alert DEVICE on|off    the alert flag of the status reply
  meters DEVICE on|off   moving meter levels
  dump DEVICE            hex dump of the 864 bytes of settings and preset memory
  frames DEVICE          frames received, lone zero bytes and the last frames
  announce DEVICE        send one announcement now
  list                   list the devices
  quit                   stop the simulator
The simulator keeps running when standard input ends; SIGINT or SIGTERM stop it.
)" + bootloaderUsage();
}

namespace {

// The settings options gave for the next device defined, and the last of those options.
struct NextDevice {
    DevicePlan plan;
    std::string option;  // "" while none was given
};

// Takes `a` when it is a setting of the next device (--name ... --noise); false otherwise.
bool takeDeviceSetting(const std::string& a, const std::function<const std::string&()>& value, NextDevice& next) {
    DeviceConfig& c = next.plan.config;
    if (a == "--name") {
        c.name = value();
        if (c.name.empty() || c.name.size() > 16) throw bad("--name takes 1 to 16 characters");
    } else if (a == "--uid") {
        c.uid = parseUid(value());
    } else if (a == "--firmware") {
        const auto v = parseVersion(value());
        c.major = v[0], c.minor = v[1], c.patch = v[2];
    } else if (a == "--bootloader") {
        c.bootloader = true;
    } else if (a == "--wlan") {
        c.network = 1;
    } else if (a == "--corrupt") {
        next.plan.corruptions.push_back(parseCorruption(splitCommas(value())));
        checkOnePerDirection(next.plan.corruptions);
    } else if (a == "--noise") {
        next.plan.noisePercent = parseNoise(value());
    } else {
        return false;
    }
    next.option = a;
    return true;
}

NextDevice freshDevice() {
    NextDevice next;
    next.plan.config.name.clear();
    return next;
}

void checkLoopback(const Options& o) {
    for (const DevicePlan& plan : o.devices)
        if (plan.tcp && !o.allowRemote && !isLoopback(parseIPv4(plan.tcp->first)))
            throw bad("--tcp " + plan.tcp->first + " is not a loopback address (127.x.x.x): zefsim would answer "
                      "anyone on that network; --allow-remote lets it");
}

}  // namespace

Options parseOptions(const std::vector<std::string>& args) {
    Options o;
    NextDevice next = freshDevice();
    const auto value = [&](std::size_t& i) -> const std::string& {
        if (i + 1 >= args.size()) throw bad(args[i] + " needs a value");
        return args[++i];
    };
    const auto define = [&](DevicePlan plan) {
        plan.config = next.plan.config;
        plan.corruptions = next.plan.corruptions;
        plan.noisePercent = next.plan.noisePercent;
        if (plan.config.name.empty()) plan.config.name = "ZEF-4.260 #" + std::to_string(o.devices.size() + 1);
        o.devices.push_back(std::move(plan));
        next = freshDevice();
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (takeDeviceSetting(a, [&]() -> const std::string& { return value(i); }, next)) continue;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--tcp") {
            DevicePlan plan;
            plan.tcp = splitHostPort(value(i));
            parseIPv4(plan.tcp->first);
            define(std::move(plan));
        } else if (a == "--serial") {
            DevicePlan plan;
            plan.serial = value(i);
            define(std::move(plan));
        } else if (a == "--announce") {
            o.announce = splitHostPort(value(i));
            if (!isLoopback(parseIPv4(o.announce->first)))
                throw bad("--announce sends to loopback addresses (127.x.x.x) only");
        } else if (a == "--announce-interval") {
            o.announceIntervalMs = static_cast<int>(parseNumber(value(i), 3600000, "--announce-interval"));
        } else if (a == "--meters") {
            o.meters = true;
        } else if (a == "--allow-remote") {
            o.allowRemote = true;
        } else {
            throw bad("unknown option '" + a + "'");
        }
    }
    if (o.help || o.version) return o;
    if (!next.option.empty())
        throw bad(next.option + " applies to the next device, but no --tcp or --serial follows it");
    if (o.devices.empty()) throw bad("no device: give at least one --tcp HOST:PORT or --serial PATH");
    checkLoopback(o);
    return o;
}

std::string hexDump(const std::vector<std::uint8_t>& bytes, std::uint32_t base) {
    std::string out;
    char b[16];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % 16 == 0) {
            std::snprintf(b, sizeof b, "%s%04X:", i ? "\n" : "", static_cast<unsigned>(base + i));
            out += b;
        }
        std::snprintf(b, sizeof b, " %02X", bytes[i]);
        out += b;
    }
    return out + "\n";
}

std::string describeDevice(Simulator& sim, std::size_t index) {
    Device& d = sim.device(index);
    const DeviceConfig c = d.config();
    std::ostringstream s;
    s << index + 1 << ": \"" << trimmed(c.name) << "\" uid " << hex(c.uid) << " firmware " << int(c.major)
      << '.' << int(c.minor) << '.' << int(c.patch);
    const auto e = sim.endpoints(d);
    if (!e.tcp.empty()) s << (c.network == 1 ? " WLAN" : " LAN");
    for (const auto& t : e.tcp) s << " tcp " << t;
    for (const auto& t : e.serial) s << " serial " << t;
    if (!e.announce.empty()) s << " announce " << e.announce;
    if (c.bootloader) s << " [boot loader]";
    char marks[8];
    std::snprintf(marks, sizeof marks, "%02X", d.changeMarks());
    s << " marks 0x" << marks << '\n';
    return s.str();
}

namespace {

struct Command {
    const char* name;
    std::size_t args;  // after the device number (the device is always the first argument)
    std::function<std::string(Simulator&, Device&, const std::vector<std::string>&)> run;
    std::size_t maxArgs = 0;  // more than `args` may follow, up to this many
};

std::string hexLine(const std::vector<std::uint8_t>& bytes) {
    const std::string dump = hexDump(bytes, 0);
    std::string line;
    for (std::size_t at = dump.find(':'); at != std::string::npos; at = dump.find(':', at + 1)) {
        const std::size_t end = dump.find('\n', at);
        line += dump.substr(at + 1, end - at - 1);
    }
    return line;
}

std::string describeAltered(const Device& d) {
    const auto altered = d.alteredRequests();
    std::string out = std::to_string(altered.size()) + " spoilt requests acted on\n";
    for (const AlteredRequest& a : altered) {
        out += "  sent" + hexLine(a.sent) + "\n  got " + hexLine(a.received) + "\n  changed";
        for (const auto& [address, value] : a.changed)
            out += " " + std::to_string(address) + "=" + std::to_string(value);
        for (const int slot : a.slotsChanged) out += " slot" + std::to_string(slot + 1);
        out += a.expectedLength ? "; answered as expected\n" : "; answered otherwise\n";
    }
    return out;
}

bool onOff(const std::string& s) {
    if (s == "on" || s == "1") return true;
    if (s == "off" || s == "0") return false;
    throw bad("expected on or off, not '" + s + "'");
}

// A command that turns one of the device's switches on or off ("on"/"off").
Command Switch(const char* name, void (Device::*set)(bool)) {
    return {name, 1, [set](Simulator&, Device& d, const auto& a) {
                (d.*set)(onOff(a[0]));
                return std::string("ok\n");
            }};
}

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"set", 2,
         [](Simulator&, Device& d, const auto& a) {
             const auto address = static_cast<std::uint32_t>(parseNumber(a[0], kAddressSpaceEnd - 1, "ADDR"));
             d.frontPanelWrite(address, static_cast<std::uint8_t>(parseNumber(a[1], 255, "VALUE")));
             return std::string("ok\n");
         }},
        {"fir", 1,
         [](Simulator&, Device& d, const auto& a) {
             d.frontPanelFirChange(static_cast<int>(parseRange(a[0], 1, 2, "OUTPUT")) - 1);
             return std::string("ok\n");
         }},
        {"recall", 1,
         [](Simulator&, Device& d, const auto& a) {
             const int slot = static_cast<int>(parseRange(a[0], 1, 3, "SLOT")) - 1;
             if (d.presetSlot(slot).empty()) return std::string("slot empty\n");
             d.frontPanelRecall(slot);
             return std::string("ok\n");
         }},
        Switch("bootloader", &Device::setBootloader),
        {"firmware", 1,
         [](Simulator&, Device& d, const auto& a) {
             const auto v = parseVersion(a[0]);
             d.setFirmware(v[0], v[1], v[2]);
             return std::string("ok\n");
         }},
        Switch("meters", &Device::setMeterAnimation),
        Switch("alert", &Device::setAlert),
        {"dump", 0, [](Simulator&, Device& d, const auto&) { return hexDump(d.memory(0, kMemorySize), 0); }},
        {"frames", 0,
         [](Simulator&, Device& d, const auto&) {
             const auto frames = d.frames();
             std::string out = std::to_string(frames.size()) + " frames, " +
                               std::to_string(d.trailingZeros()) + " lone zero bytes, " +
                               std::to_string(d.discardedBytes()) + " discarded bytes\n";
             const std::size_t first = frames.size() > 10 ? frames.size() - 10 : 0;
             for (std::size_t i = first; i < frames.size(); ++i) {
                 std::string line = hexDump(frames[i], 0);
                 out += "  " + line.substr(line.find(':') + 2);
             }
             return out;
         }},
        {"announce", 0,
         [](Simulator& s, Device& d, const auto&) {
             s.announceNow(d);
             return std::string("ok\n");
         }},
    };
    return table;
}

// Faults on demand.
const std::vector<Command>& faultCommands() {
    static const std::vector<Command> table = {
        {"drop", 1,
         [](Simulator&, Device& d, const auto& a) {
             d.dropReplies(static_cast<int>(parseNumber(a[0], 1000000, "COUNT")));
             return std::string("ok\n");
         }},
        {"delay", 1,
         [](Simulator&, Device& d, const auto& a) {
             d.setReplyDelayMs(static_cast<int>(parseNumber(a[0], 600000, "MS")));
             return std::string("ok\n");
         }},
        Switch("silent", &Device::setSilent),
        {"cut", 0,
         [](Simulator&, Device& d, const auto&) {
             d.cutConnections();
             return std::string("ok\n");
         }},
        {"garbage", 0,
         [](Simulator&, Device& d, const auto&) {
             d.garbageNextReply();
             return std::string("ok\n");
         }},
        {"short", 0,
         [](Simulator&, Device& d, const auto&) {
             d.shortNextReply();
             return std::string("ok\n");
         }},
        {"corrupt", 2,
         [](Simulator&, Device& d, const auto& a) {
             d.armCorruption(parseCorruption(a));
             return std::string("ok\n");
         },
         9},
        {"noise", 1,
         [](Simulator&, Device& d, const auto& a) {
             d.setNoisePercent(parseNoise(a[0]));
             return std::string("ok\n");
         }},
        {"altered", 0, [](Simulator&, Device& d, const auto&) { return describeAltered(d); }},
    };
    return table;
}

std::vector<Command> allCommands() {
    std::vector<Command> all = commands();
    all.insert(all.end(), faultCommands().begin(), faultCommands().end());
    return all;
}

}  // namespace

ControlResult runControl(Simulator& sim, const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words.empty()) return {};
    const std::string& name = words[0];
    try {
        if (name == "quit" || name == "exit") return {"bye\n", true};
        if (name == "help") return {usage()};
        if (name == "list") {
            std::string out;
            for (std::size_t i = 0; i < sim.deviceCount(); ++i) out += describeDevice(sim, i);
            return {out};
        }
        for (const Command& c : allCommands()) {
            if (name != c.name) continue;
            if (words.size() < c.args + 2 || words.size() > std::max(c.args, c.maxArgs) + 2)
                throw bad(name + " takes a DEVICE and " + std::to_string(c.args) +
                          (c.maxArgs > c.args ? " to " + std::to_string(c.maxArgs) : "") + " more");
            const auto number = parseNumber(words[1], 1000000, "DEVICE");
            if (number < 1 || number > sim.deviceCount()) throw bad("no device " + words[1] + " (see list)");
            const std::vector<std::string> rest(words.begin() + 2, words.end());
            return {c.run(sim, sim.device(number - 1), rest)};
        }
        if (auto out = bootloaderControl(sim, words)) return {*out};
        throw bad("unknown command '" + name + "' (try help)");
    } catch (const std::exception& e) {
        return {std::string("error: ") + e.what() + "\n"};
    }
}

}  // namespace zefsim
