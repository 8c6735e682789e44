#pragma once
// LinkMonitor: what the link did, per device slot — counters, round-trip
// times, the last error and a bounded log of the frames that went each way.
// The exchange feeds it at each step; windows, zefctl and the log file read it.
//
// What counts as what (each event is counted once, where it happens):
//   exchange    one Transact or one identify (however many frames it took)
//   bytes out   every byte handed to the link: request frames, frames sent
//               again, the identify that resynchronises a serial line and
//               the lone 0x00 after a TCP exchange
//   bytes in    every reply received in full (garbled ones too) and the
//               late bytes found on a link
//   retry       a request frame sent again within the same exchange
//   time-out    a reply that did not arrive in full within its wait while
//               the link stayed up (a closed connection is an error, not a
//               time-out)
//   garbled     a reply of the right length that failed its checks
//   late        bytes of a reply that came after its time-out, found before
//               the link was trusted again (TCP: on the connection being
//               dropped; serial: skipped by the resynchronisation)
//   reconnect   a new TCP connection made by the link's recovery
// Round trips are measured from the frame handed to the link to its reply
// checked, for the replies that passed; the median and the 99th percentile
// come from the most recent kRoundTrips of them.
//
// Recording is a few counter updates and one ring write: well under 1 % of the
// fastest exchange. Disabled, every call returns at once. Single thread.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/slots.h"
#include "protocol/frame.h"

namespace zef {

enum class Direction : std::uint8_t { Out, In };

// How a logged frame ended.
enum class FrameStatus : std::uint8_t {
    Sent,        // out: handed to the link
    SendFailed,  // out: the link refused it
    Ok,          // in: the reply passed its checks
    Garbled,     // in: full length, failed its checks
    TimedOut,    // in: nothing (or not enough) within the wait
    Lost,        // in: the connection closed while waiting
    Late,        // in: bytes of an earlier reply, discarded
};

struct TrafficRecord {
    std::chrono::system_clock::time_point time;
    DeviceSlot slot = 0;
    Direction direction = Direction::Out;
    std::uint8_t command = 0;
    CommandParams params{};  // p1..p8 of the request (out); of the reply when it echoes them (in)
    std::uint16_t bytes = 0;
    FrameStatus status = FrameStatus::Sent;
};

struct LinkFigures {
    std::uint64_t exchanges = 0;
    std::uint64_t bytesOut = 0;
    std::uint64_t bytesIn = 0;
    std::uint64_t retries = 0;
    std::uint64_t timeouts = 0;
    std::uint64_t garbled = 0;
    std::uint64_t late = 0;
    std::uint64_t reconnects = 0;
    std::optional<double> medianMs;  // round trip, over the recent ones; none yet: nullopt
    std::optional<double> p99Ms;
    std::string lastError;  // "" when none since the figures were cleared
    std::optional<std::chrono::system_clock::time_point> lastErrorTime;
};

// The median (the mean of the middle two for an even count) and the 99th
// percentile (nearest rank) of `ms`, into `f`; nothing for none. Reorders `ms`.
void SetRoundTripFigures(std::vector<float>& ms, LinkFigures& f);

// "read-memory" for a known command, "command 77" otherwise.
std::string CommandName(std::uint8_t code);
std::string_view DirectionText(Direction d);  // "->" out, "<-" in
std::string_view FrameStatusText(FrameStatus s);
// "read-memory (20)"; "earlier reply" for late bytes.
std::string CommandText(const TrafficRecord& r);
// "00 1A 78 00 00 00 00 00"
std::string ParamsText(const CommandParams& p);
// "17:40:01.123" in local time.
std::string ClockText(std::chrono::system_clock::time_point t);
// One line of the traffic log, without a newline:
// "2026-12-06 17:40:01.123 slot 1 -> read-memory (20) p 00 00 78 00 00 00 00 00 13 B sent";
// the parameters only for what went out and for echo replies that passed.
std::string FormatTrafficRecord(const TrafficRecord& r);

class LinkMonitor {
public:
    static constexpr std::size_t kRoundTrips = 256;
    static constexpr std::size_t kDefaultTrafficFrames = 500;

    explicit LinkMonitor(std::size_t trafficFrames = kDefaultTrafficFrames);
    ~LinkMonitor();
    LinkMonitor(const LinkMonitor&) = delete;
    LinkMonitor& operator=(const LinkMonitor&) = delete;

    void SetEnabled(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }

    // Every record as it is made (the log file); one sink, replaced by the next.
    using Sink = std::function<void(const TrafficRecord&)>;
    void SetSink(Sink sink) { sink_ = std::move(sink); }

    // ---- fed by the exchange ----
    void BeginExchange(DeviceSlot slot);
    // A request frame handed to the link (`again`: within the same exchange,
    // a retry); `ok` false when the link refused it.
    void FrameSent(DeviceSlot slot, const Request& request, std::size_t bytes, bool again, bool ok);
    // Bytes that are not a request (the lone 0x00 after a TCP exchange).
    void ExtraBytesOut(DeviceSlot slot, std::size_t bytes);
    void Replied(DeviceSlot slot, std::uint8_t command, std::span<const std::uint8_t> reply);
    void Garbled(DeviceSlot slot, std::uint8_t command, std::size_t bytes, const std::string& why);
    // No full reply within `waitedMs`; `lost` when the connection closed
    // meanwhile; `partial` bytes of it did arrive.
    void NoReply(DeviceSlot slot, std::uint8_t command, int waitedMs, bool lost, std::size_t partial);
    void LateBytes(DeviceSlot slot, std::size_t bytes);
    void Reconnected(DeviceSlot slot);
    void Error(DeviceSlot slot, std::string text);

    // ---- read by the views ----
    LinkFigures Figures(DeviceSlot slot) const;
    // The slot's recent frames, oldest first.
    std::vector<TrafficRecord> Traffic(DeviceSlot slot) const;
    // Whether anything was recorded for the slot since it was last cleared.
    bool Used(DeviceSlot slot) const { return slots_[SlotIndex(slot)] != nullptr; }
    void Clear(DeviceSlot slot);

private:
    struct SlotData;
    SlotData& Data(DeviceSlot slot);
    // Stamps `r` with the wall-clock time of `at` (one clock reading per record).
    void Log(SlotData& d, TrafficRecord r, std::chrono::steady_clock::time_point at);
    void Log(SlotData& d, const TrafficRecord& r);
    std::chrono::system_clock::time_point WallTime(std::chrono::steady_clock::time_point t) const;

    bool enabled_ = true;
    std::size_t trafficFrames_;
    std::chrono::steady_clock::time_point steadyBase_;
    std::chrono::system_clock::time_point wallBase_;
    Sink sink_;
    std::array<std::unique_ptr<SlotData>, kSlotCount> slots_;
};

}  // namespace zef
