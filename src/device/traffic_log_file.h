#pragma once
// The traffic log on disk: as it happens (`--log FILE`: every frame the
// monitor logs, one line each, in a bounded file rotated to FILE.1), and as a
// snapshot of a slot's recent frames saved at once.

#include <cstdint>
#include <string>
#include <vector>

#include "device/link_monitor.h"
#include "files/rotating_log.h"

namespace zef {

class TrafficLogFile {
public:
    // Becomes the monitor's sink for as long as it lives; both FILE and
    // FILE.1 stay under `maxBytes` each.
    TrafficLogFile(LinkMonitor& monitor, const std::string& path,
                   std::uintmax_t maxBytes = RotatingLog::kDefaultMaxBytes);
    ~TrafficLogFile();
    TrafficLogFile(const TrafficLogFile&) = delete;
    TrafficLogFile& operator=(const TrafficLogFile&) = delete;

    // Whether FILE could be opened.
    bool ok() const { return log_.ok(); }

private:
    LinkMonitor& monitor_;
    RotatingLog log_;
};

// The records as text, one FormatTrafficRecord line each.
std::string TrafficLogText(const std::vector<TrafficRecord>& records);
// Writes TrafficLogText to `path` atomically; false when it could not be written.
bool SaveTrafficLog(const std::string& path, const std::vector<TrafficRecord>& records);

}  // namespace zef
