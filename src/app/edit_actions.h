#pragma once
// The editors' edits that take more than one plain write: switching the
// bridge mode and copying one channel onto another (both ask first), and a
// band dragged on a graph.

#include "app/texts.h"
#include "app/dialogs.h"
#include "app/entry_rules.h"
#include "app/send_coalescer.h"
#include "device/parameter_writer.h"

namespace zef {

inline constexpr std::array<const char*, 2> kInputCopyItems = {"Input L", "Input R"};
inline constexpr std::array<const char*, 2> kOutputCopyItems = {"Out 1", "Out 2"};

inline constexpr const char* kCrossoverTitle = "Crossover";

inline constexpr const char* kNotHeldTitle = "Write not confirmed";
inline constexpr const char* kNotHeldText = "The device does not hold what was sent: ";

// Confirms the writer's pending writes to `device` (ParameterWriter::Confirm).
// A device that reads back other bytes even after they were sent again is
// told ("Write not confirmed", exclamation: kNotHeldText + the first
// differing field); a failed exchange has told the user already. True when
// the device holds what was written.
bool ConfirmWrites(ParameterWriter& writer, DeviceSlot device, Dialogs& dialogs);

// Result of an edit that asks the user first.
enum class Confirmed { Sent, Declined, Failed };

// Asks "Do you want to enable/disable the Bridge Mode?" (title "Bridge
// Mode"); only Yes writes DS 213, sends command 18 and confirms it.
Confirmed SendBridgeAsked(ParameterWriter& writer, DeviceSlot device, Dialogs& dialogs, bool bridged);

enum class CopyResult { Copied, SameChannel, Declined, Failed };

// The copy dialog's confirm: the same channel on both sides shows "Copy not
// possible, Source=Destination" ("Copy", critical) and sends nothing; then
// "               Are you sure ? " ("Copy", Yes/No); Yes copies and
// confirms the copy (Failed when the device does not hold it).
CopyResult ConfirmCopy(ParameterWriter& writer, DeviceSlot device, Dialogs& dialogs, ChannelCode source,
                       ChannelCode destination);

// A band marker of `device` dragged to `drag`: when the band's frequency or
// gain changes, the model takes the new values at once (the curve and the
// boxes follow), the writer's response observer recomputes the band, and
// the send — with its linked copy — is posted to `coalescer`, which keeps
// only the newest pending one. True when the band changed.
bool DragBand(ParameterWriter& writer, DeviceSlot device, int band, const BandDrag& drag, SendCoalescer& coalescer);

// The warning for an output whose high-pass is above its low-pass (the
// output then passes nothing; both values are kept as set): "" when the
// crossover is open. `channel` is the output's.
std::string CrossoverClosedText(const DeviceModel& device, ParamChannel channel);

}  // namespace zef
