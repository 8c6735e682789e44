#pragma once
// The editors' questions before an edit reaches the device: switching the
// bridge mode and copying one channel onto another.

#include "app/dialogs.h"
#include "device/linking.h"
#include "device/senders.h"

namespace zef {

inline constexpr const char* kBridgeTitle = "Bridge Mode";
inline constexpr const char* kBridgeEnableQuestion = "Do you want to enable the Bridge Mode?";
inline constexpr const char* kBridgeDisableQuestion = "Do you want to disable the Bridge Mode?";

inline constexpr const char* kCopyTitle = "Copy";
inline constexpr const char* kCopySameText = "Copy not possible, Source=Destination";
inline constexpr const char* kCopySureQuestion = "               Are you sure ? ";
inline constexpr const char* kInputCopyCaption = "Input Copy";
inline constexpr const char* kOutputCopyCaption = "Output Copy";
inline constexpr const char* kInputSourceLabel = "Input Source";
inline constexpr const char* kInputDestinationLabel = "Input Destination";
inline constexpr const char* kOutputSourceLabel = "Output Source";
inline constexpr const char* kOutputDestinationLabel = "Output Destination";
inline constexpr std::array<const char*, 2> kInputCopyItems = {"Input L", "Input R"};
inline constexpr std::array<const char*, 2> kOutputCopyItems = {"Out 1", "Out 2"};

// Result of an edit that asks the user first.
enum class Confirmed { Sent, Declined, Failed };

// Asks "Do you want to enable/disable the Bridge Mode?" (title "Bridge
// Mode"); only Yes writes DS 213 and sends command 18.
Confirmed SendBridgeAsked(Senders& senders, Dialogs& dialogs, bool bridged);

enum class CopyResult { Copied, SameChannel, Declined, Failed };

// The copy dialog's confirm: the same channel on both sides shows "Copy not
// possible, Source=Destination" ("Copy", critical) and sends nothing; then
// "               Are you sure ? " ("Copy", Yes/No); Yes copies.
CopyResult ConfirmCopy(Linking& linking, Dialogs& dialogs, ChannelCode source, ChannelCode destination);

}  // namespace zef
