#include "device/link_monitor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "protocol/commands.h"

namespace zef {

using SteadyClock = std::chrono::steady_clock;

struct LinkMonitor::SlotData {
    LinkFigures figures;
    std::array<float, kRoundTrips> roundTripsMs{};
    std::size_t roundTripCount = 0;  // all ever taken; the ring holds the last kRoundTrips
    SteadyClock::time_point sentAt{};
    std::vector<TrafficRecord> traffic;  // ring of trafficFrames_ records
    std::size_t trafficCount = 0;        // all ever logged
    std::size_t trafficNext = 0;         // where the next record goes
};

namespace {

TrafficRecord MakeRecord(DeviceSlot slot, Direction d, std::uint8_t command, std::size_t bytes, FrameStatus s) {
    TrafficRecord r;
    r.slot = slot;
    r.direction = d;
    r.command = command;
    r.bytes = static_cast<std::uint16_t>(std::min<std::size_t>(bytes, 0xFFFF));
    r.status = s;
    return r;
}

}  // namespace

void SetRoundTripFigures(std::vector<float>& v, LinkFigures& f) {
    if (v.empty()) return;
    const std::size_t n = v.size();
    std::sort(v.begin(), v.end());
    f.medianMs = n % 2 ? v[n / 2] : (static_cast<double>(v[n / 2 - 1]) + v[n / 2]) / 2;
    const auto rank = static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(n)));
    f.p99Ms = v[std::max<std::size_t>(rank, 1) - 1];
}

std::string CommandName(std::uint8_t code) {
    if (const CommandInfo* info = FindCommand(code)) return std::string(info->name);
    return "command " + std::to_string(code);
}

std::string CommandText(const TrafficRecord& r) {
    if (r.status == FrameStatus::Late) return "earlier reply";
    return CommandName(r.command) + " (" + std::to_string(r.command) + ")";
}

std::string_view DirectionText(Direction d) { return d == Direction::Out ? "->" : "<-"; }

std::string_view FrameStatusText(FrameStatus s) {
    switch (s) {
        case FrameStatus::Sent: return "sent";
        case FrameStatus::SendFailed: return "send failed";
        case FrameStatus::Ok: return "ok";
        case FrameStatus::Garbled: return "garbled";
        case FrameStatus::TimedOut: return "timed out";
        case FrameStatus::Lost: return "connection lost";
        case FrameStatus::Late: return "late, discarded";
    }
    return "?";
}

std::string ParamsText(const CommandParams& p) {
    char text[3 * 8] = {};
    for (std::size_t i = 0; i < p.size(); ++i)
        std::snprintf(text + 3 * i, 4, i + 1 < p.size() ? "%02X " : "%02X", p[i]);
    return text;
}

std::string ClockText(std::chrono::system_clock::time_point t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(ms));
    return text;
}

std::string FormatTrafficRecord(const TrafficRecord& r) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(r.time);
    std::tm local{};
    localtime_r(&seconds, &local);
    char date[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    std::string line = std::string(date) + " " + ClockText(r.time) + " slot " + std::to_string(r.slot) + " " +
                       std::string(DirectionText(r.direction)) + " " + CommandText(r);
    const bool echoed = r.status == FrameStatus::Ok && r.bytes == kFrameSize;
    const bool withParams = r.direction == Direction::Out || echoed;
    if (withParams) line += " p " + ParamsText(r.params);
    return line + " " + std::to_string(r.bytes) + " B " + std::string(FrameStatusText(r.status));
}

LinkMonitor::LinkMonitor(std::size_t trafficFrames)
    : trafficFrames_(std::max<std::size_t>(trafficFrames, 1)),
      steadyBase_(SteadyClock::now()),
      wallBase_(std::chrono::system_clock::now()) {}

std::chrono::system_clock::time_point LinkMonitor::WallTime(std::chrono::steady_clock::time_point t) const {
    return wallBase_ + std::chrono::duration_cast<std::chrono::system_clock::duration>(t - steadyBase_);
}

LinkMonitor::~LinkMonitor() = default;

LinkMonitor::SlotData& LinkMonitor::Data(DeviceSlot slot) {
    std::unique_ptr<SlotData>& d = slots_[SlotIndex(slot)];
    if (!d) {
        d = std::make_unique<SlotData>();
        d->traffic.resize(trafficFrames_);
    }
    return *d;
}

void LinkMonitor::Log(SlotData& d, TrafficRecord r, std::chrono::steady_clock::time_point at) {
    r.time = WallTime(at);
    d.traffic[d.trafficNext] = r;
    d.trafficNext = d.trafficNext + 1 == trafficFrames_ ? 0 : d.trafficNext + 1;
    ++d.trafficCount;
    if (sink_) sink_(r);
}

void LinkMonitor::Log(SlotData& d, const TrafficRecord& r) { Log(d, r, SteadyClock::now()); }

void LinkMonitor::BeginExchange(DeviceSlot slot) {
    if (enabled_) ++Data(slot).figures.exchanges;
}

void LinkMonitor::FrameSent(DeviceSlot slot, const Request& request, std::size_t bytes, bool again, bool ok) {
    if (!enabled_) return;
    SlotData& d = Data(slot);
    d.figures.retries += again ? 1 : 0;
    if (ok) d.figures.bytesOut += bytes;
    d.sentAt = SteadyClock::now();
    TrafficRecord r = MakeRecord(slot, Direction::Out, request.command, bytes,
                                 ok ? FrameStatus::Sent : FrameStatus::SendFailed);
    r.params = request.p;
    Log(d, r, d.sentAt);
}

void LinkMonitor::ExtraBytesOut(DeviceSlot slot, std::size_t bytes) {
    if (enabled_) Data(slot).figures.bytesOut += bytes;
}

void LinkMonitor::Replied(DeviceSlot slot, std::uint8_t command, std::span<const std::uint8_t> reply) {
    if (!enabled_) return;
    SlotData& d = Data(slot);
    d.figures.bytesIn += reply.size();
    const SteadyClock::time_point now = SteadyClock::now();
    const std::chrono::duration<float, std::milli> rtt = now - d.sentAt;
    d.roundTripsMs[d.roundTripCount++ % kRoundTrips] = rtt.count();
    TrafficRecord r = MakeRecord(slot, Direction::In, command, reply.size(), FrameStatus::Ok);
    // An echo reply carries p1..p8 in bytes 4..11.
    if (reply.size() == kFrameSize) std::copy(reply.begin() + 4, reply.begin() + 12, r.params.begin());
    Log(d, r, now);
}

void LinkMonitor::Garbled(DeviceSlot slot, std::uint8_t command, std::size_t bytes, const std::string& why) {
    if (!enabled_) return;
    SlotData& d = Data(slot);
    d.figures.bytesIn += bytes;
    ++d.figures.garbled;
    Log(d, MakeRecord(slot, Direction::In, command, bytes, FrameStatus::Garbled));
    Error(slot, "reply to " + CommandName(command) + " failed its checks (" + why + ")");
}

void LinkMonitor::NoReply(DeviceSlot slot, std::uint8_t command, int waitedMs, bool lost, std::size_t partial) {
    if (!enabled_) return;
    SlotData& d = Data(slot);
    d.figures.timeouts += lost ? 0 : 1;
    d.figures.bytesIn += partial;
    Log(d, MakeRecord(slot, Direction::In, command, partial, lost ? FrameStatus::Lost : FrameStatus::TimedOut));
    Error(slot, lost ? "connection closed while waiting for the reply to " + CommandName(command)
                     : "no reply to " + CommandName(command) + " within " + std::to_string(waitedMs) + " ms");
}

void LinkMonitor::LateBytes(DeviceSlot slot, std::size_t bytes) {
    if (!enabled_ || bytes == 0) return;
    SlotData& d = Data(slot);
    d.figures.bytesIn += bytes;
    ++d.figures.late;
    Log(d, MakeRecord(slot, Direction::In, 0, bytes, FrameStatus::Late));
}

void LinkMonitor::Reconnected(DeviceSlot slot) {
    if (enabled_) ++Data(slot).figures.reconnects;
}

void LinkMonitor::Error(DeviceSlot slot, std::string text) {
    if (!enabled_) return;
    LinkFigures& f = Data(slot).figures;
    f.lastError = std::move(text);
    f.lastErrorTime = std::chrono::system_clock::now();
}

LinkFigures LinkMonitor::Figures(DeviceSlot slot) const {
    const SlotData* d = slots_[SlotIndex(slot)].get();
    if (!d) return {};
    LinkFigures f = d->figures;
    const std::size_t n = std::min(d->roundTripCount, kRoundTrips);
    std::vector<float> recent(d->roundTripsMs.begin(), d->roundTripsMs.begin() + static_cast<std::ptrdiff_t>(n));
    SetRoundTripFigures(recent, f);
    return f;
}

std::vector<TrafficRecord> LinkMonitor::Traffic(DeviceSlot slot) const {
    const SlotData* d = slots_[SlotIndex(slot)].get();
    if (!d) return {};
    const std::size_t n = std::min(d->trafficCount, trafficFrames_);
    std::vector<TrafficRecord> out;
    out.reserve(n);
    const std::size_t first = n < trafficFrames_ ? 0 : d->trafficNext;
    for (std::size_t i = 0; i < n; ++i) out.push_back(d->traffic[(first + i) % trafficFrames_]);
    return out;
}

void LinkMonitor::Clear(DeviceSlot slot) { slots_[SlotIndex(slot)].reset(); }

}  // namespace zef
