#include "app/link_diagnostics.h"


#include "base/c_number.h"
#include "device/traffic_log_file.h"

namespace zef {
namespace {

std::string Count(std::uint64_t n) { return std::to_string(n); }

std::string Ms(const std::optional<double>& ms) {
    return ms ? CFixed(*ms, 3) : std::string("-");
}

}  // namespace

const std::vector<std::string>& FigureHeaders() {
    static const std::vector<std::string> headers = {
        "Device", "IP", "Status", "Exchanges", "Bytes out", "Bytes in", "Retries", "Time-outs",
        "Garbled", "Late", "Reconnects", "RTT med. ms", "RTT p99 ms", "Last error"};
    return headers;
}

std::vector<std::string> FigureCells(DeviceSlot slot, const DeviceEntry& e, const LinkFigures& f) {
    const std::string lastError =
        f.lastError.empty() ? std::string() : ClockText(*f.lastErrorTime) + "  " + f.lastError;
    return {e.name.empty() ? "Slot " + std::to_string(slot) : e.name,
            e.isUsb() ? std::string("USB") : e.ip,
            e.online ? "On-line" : "Off-line",
            Count(f.exchanges),
            Count(f.bytesOut),
            Count(f.bytesIn),
            Count(f.retries),
            Count(f.timeouts),
            Count(f.garbled),
            Count(f.late),
            Count(f.reconnects),
            Ms(f.medianMs),
            Ms(f.p99Ms),
            lastError};
}

const std::vector<std::string>& TrafficHeaders() {
    static const std::vector<std::string> headers = {"Time", "Dir", "Command", "Parameters", "Bytes", "Status"};
    return headers;
}

std::vector<std::string> TrafficCells(const TrafficRecord& r) {
    const bool echoed = r.direction == Direction::In && r.status == FrameStatus::Ok && r.bytes == kFrameSize;
    return {ClockText(r.time),
            std::string(DirectionText(r.direction)),
            CommandText(r),
            r.direction == Direction::Out || echoed ? ParamsText(r.params) : std::string(),
            std::to_string(r.bytes),
            std::string(FrameStatusText(r.status))};
}

std::vector<DeviceSlot> DiagnosedSlots(const Model& model, const LinkMonitor& monitor) {
    std::vector<DeviceSlot> slots;
    for (DeviceSlot s = 1; s < kSlotCount; ++s)
        if (model.entry(s).inList || monitor.Used(s)) slots.push_back(s);
    return slots;
}

bool SaveTrafficLogAs(Dialogs& dialogs, const LinkMonitor& monitor, DeviceSlot slot, const std::string& folder) {
    const std::optional<std::string> path = dialogs.SavePath(kSaveTrafficTitle, kTrafficFilter, folder);
    if (!path) return false;
    if (SaveTrafficLog(*path, monitor.Traffic(slot))) return true;
    dialogs.Message(kSaveTrafficTitle, "Could not write " + *path, Icon::Critical);
    return false;
}

}  // namespace zef
