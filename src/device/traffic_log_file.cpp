#include "device/traffic_log_file.h"

#include "files/binary_io.h"

namespace zef {

TrafficLogFile::TrafficLogFile(LinkMonitor& monitor, const std::string& path, std::uintmax_t maxBytes)
    : monitor_(monitor), log_(path, maxBytes) {
    if (log_.ok()) monitor_.SetSink([this](const TrafficRecord& r) { log_.Append(FormatTrafficRecord(r)); });
}

TrafficLogFile::~TrafficLogFile() {
    if (log_.ok()) monitor_.SetSink({});
}

std::string TrafficLogText(const std::vector<TrafficRecord>& records) {
    std::string text;
    for (const TrafficRecord& r : records) text += FormatTrafficRecord(r) + "\n";
    return text;
}

bool SaveTrafficLog(const std::string& path, const std::vector<TrafficRecord>& records) {
    const std::string text = TrafficLogText(records);
    return WriteFileAtomic(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace zef
