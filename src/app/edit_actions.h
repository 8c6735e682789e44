#pragma once
// The editors' questions before an edit reaches the device: switching the
// bridge mode and copying one channel onto another.

#include "app/texts.h"
#include "app/dialogs.h"
#include "device/parameter_writer.h"

namespace zef {

inline constexpr std::array<const char*, 2> kInputCopyItems = {"Input L", "Input R"};
inline constexpr std::array<const char*, 2> kOutputCopyItems = {"Out 1", "Out 2"};

// Result of an edit that asks the user first.
enum class Confirmed { Sent, Declined, Failed };

// Asks "Do you want to enable/disable the Bridge Mode?" (title "Bridge
// Mode"); only Yes writes DS 213 and sends command 18.
Confirmed SendBridgeAsked(ParameterWriter& writer, DeviceSlot device, Dialogs& dialogs, bool bridged);

enum class CopyResult { Copied, SameChannel, Declined, Failed };

// The copy dialog's confirm: the same channel on both sides shows "Copy not
// possible, Source=Destination" ("Copy", critical) and sends nothing; then
// "               Are you sure ? " ("Copy", Yes/No); Yes copies.
CopyResult ConfirmCopy(ParameterWriter& writer, DeviceSlot device, Dialogs& dialogs, ChannelCode source,
                       ChannelCode destination);

}  // namespace zef
