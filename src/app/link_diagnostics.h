#pragma once
// What the link diagnostics window shows and does, without widgets: the
// figures table (one row per device), the traffic table of the chosen device,
// and saving that device's traffic log as a text file.

#include <string>
#include <vector>

#include "app/dialogs.h"
#include "device/link_monitor.h"
#include "model/device_model.h"

namespace zef {

inline constexpr const char* kSaveTrafficTitle = "Save Traffic Log";
inline constexpr const char* kTrafficFilter = "Text file (*.txt)|*.txt";

// Column titles of the figures table, and one row: device name, IP (or
// "USB"), "On-line"/"Off-line", the counters, the round trips in ms ("-"
// before the first) and the last error with its time.
const std::vector<std::string>& FigureHeaders();
std::vector<std::string> FigureCells(DeviceSlot slot, const DeviceEntry& e, const LinkFigures& f);

// Column titles of the traffic table and one row: time, "->"/"<-", command,
// parameters ("" for a reply that does not echo them), bytes, status.
const std::vector<std::string>& TrafficHeaders();
std::vector<std::string> TrafficCells(const TrafficRecord& r);

// The slots the window lists, in order: every listed device, and any other
// slot the link has figures for (a device removed from the list since).
std::vector<DeviceSlot> DiagnosedSlots(const Model& model, const LinkMonitor& monitor);

// Asks where to save `slot`'s recent frames (a name without an extension gets
// ".txt") and writes them atomically; a file that cannot be written is told.
// False when nothing was saved.
bool SaveTrafficLogAs(Dialogs& dialogs, const LinkMonitor& monitor, DeviceSlot slot, const std::string& folder);

}  // namespace zef
