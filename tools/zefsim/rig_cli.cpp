#include "rig_cli.h"

#include <stdexcept>

#include "base/c_number.h"
#include "links.h"
#include "mic_response.h"
#include "simulator.h"

namespace zefsim {
namespace {

constexpr std::size_t kMaxPositions = 8;

double ParseDouble(const std::string& text, double lo, double hi, const std::string& what) {
    const std::optional<double> v = zef::ParseCNumber(text);
    if (!v || !(*v >= lo && *v <= hi))
        throw std::runtime_error(what + " takes a number from " + zef::CGeneral(lo, 6) + " to " +
                                 zef::CGeneral(hi, 6) + ", not '" + text + "'");
    return *v;
}

}  // namespace

std::string rigUsage() {
    return R"(
Virtual measurement rig (a sound card over loopback TCP; wire format in docs/rig.md):
  --rig HOST:PORT        serve a rig for the device defined before it (the first device when
                         it comes first); 127.x.x.x only. Card outputs 1, 2 drive the amplifier's
                         inputs L, R; card input 1 is a microphone in the room, input 2 a
                         loopback of output 1. The amplifier is rendered from its memory: gains,
                         mutes, polarity, input and output EQ, routing, crossovers, FIR, delay,
                         bridge, standby and the pink-noise generator. Dynamics (gate,
                         compressor, limiter, dynamic filter) and masking are NOT rendered.
  --room FILE.wav        loudspeaker-to-microphone responses, 48000 Hz, one channel per output
                         (default: a built-in two-way loudspeaker in a small room). Given up to 8
                         times: microphone positions; each stream a client starts is heard at
                         the next position in turn, as if the microphone moved between runs
  --mic-response FILE    the microphone's own response, "frequency dB" lines (the format of
                         calibration files): the rooms are heard through it
  --mic-noise DBFS|off   microphone noise floor, RMS re a full-scale sine (default -90)
  --card-latency MS      round-trip latency 5..2000 ms (default: random 5..200 ms)
  --drift-ppm PPM        the card's input clock runs PPM parts per million fast (-1000..1000;
                         default 0), as two devices joined into one do
  --rig-speed fast|real-time  fast serves blocks as fast as the client takes them (tests)
  Levels: X dBu at an amplifier output reaches the microphone at X - 18 dBFS plus the room's
  gain (0 dB for the built-in room's direct sound at 1 kHz); a card's full-scale sine is +18 dBu.
)";
}

RigOptions takeRigOptions(std::vector<std::string>& args) {
    RigOptions o;
    std::vector<std::string> rest;
    std::size_t devices = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw std::runtime_error(a + " needs a value");
            return args[++i];
        };
        if (a == "--rig") {
            const auto [host, port] = splitHostPort(value());
            if (!isLoopback(parseIPv4(host)))
                throw std::runtime_error("--rig listens on loopback addresses (127.x.x.x) only");
            o.rigs.push_back({devices == 0 ? 0 : devices - 1, host, port});
        } else if (a == "--room") {
            if (o.roomFiles.size() == kMaxPositions)
                throw std::runtime_error("--room: at most " + std::to_string(kMaxPositions) + " positions");
            o.roomFiles.push_back(value());
        } else if (a == "--mic-response") {
            o.micResponseFile = value();
        } else if (a == "--mic-noise") {
            const std::string& v = value();
            o.config.micNoiseDbfs = v == "off" ? std::nullopt : std::optional(ParseDouble(v, -200, 0, a));
        } else if (a == "--drift-ppm") {
            o.config.driftPpm = ParseDouble(value(), -1000, 1000, a);
        } else if (a == "--card-latency") {
            o.config.latencyMs = ParseDouble(value(), kRigMinLatencyMs, kRigMaxLatencyMs, a);
        } else if (a == "--rig-speed") {
            const std::string& v = value();
            if (v != "fast" && v != "real-time")
                throw std::runtime_error("--rig-speed takes fast or real-time");
            o.config.fast = v == "fast";
        } else {
            if (a == "--tcp" || a == "--serial") ++devices;
            rest.push_back(a);
        }
    }
    args.swap(rest);
    return o;
}

std::vector<std::unique_ptr<Rig>> startRigs(Simulator& sim, const RigOptions& options) {
    std::vector<std::unique_ptr<Rig>> rigs;
    RigConfig config = options.config;
    std::vector<RoomResponse> rooms;
    for (const std::string& file : options.roomFiles) rooms.push_back(LoadRoom(file));
    if (rooms.empty()) rooms.push_back(BuiltInRoom());
    if (options.micResponseFile) {
        const MicResponse response = ReadMicResponse(*options.micResponseFile);
        const std::vector<double> microphone = MicFilter([&](double hz) { return response.DbAt(hz); });
        for (RoomResponse& room : rooms) room = ThroughMicrophone(room, microphone);
    }
    config.room = rooms.front();
    config.morePositions.assign(rooms.begin() + 1, rooms.end());
    for (const RigPlan& plan : options.rigs) {
        if (plan.device >= sim.deviceCount()) throw std::runtime_error("--rig needs a device");
        config.host = plan.host;
        config.port = plan.port;
        rigs.push_back(std::make_unique<Rig>(sim.device(plan.device), config));
    }
    return rigs;
}

std::string describeRig(const Rig& rig, const RigPlan& plan) {
    const std::string latency = zef::CFixed(rig.latencyMs(), 3);
    return "virtual rig for device " + std::to_string(plan.device + 1) + " on " + rig.endpoint() +
           " (latency " + latency + " ms, " + (rig.fast() ? "fast" : "real time") + ")\n";
}

}  // namespace zefsim
