#include "app/edit_actions.h"

namespace zef {

Confirmed SendBridgeAsked(Senders& senders, Dialogs& dialogs, bool bridged) {
    const Answer answer =
        dialogs.Ask(kBridgeTitle, bridged ? kBridgeEnableQuestion : kBridgeDisableQuestion, Buttons::YesNo);
    if (answer != Answer::Yes) return Confirmed::Declined;
    return senders.SendBridge(bridged) == kOk ? Confirmed::Sent : Confirmed::Failed;
}

CopyResult ConfirmCopy(Linking& linking, Dialogs& dialogs, ChannelCode source, ChannelCode destination) {
    if (source == destination) {
        dialogs.Message(kCopyTitle, kCopySameText, Icon::Critical);
        return CopyResult::SameChannel;
    }
    if (dialogs.Ask(kCopyTitle, kCopySureQuestion, Buttons::YesNo) != Answer::Yes) return CopyResult::Declined;
    return linking.Copy(source, destination) == kOk ? CopyResult::Copied : CopyResult::Failed;
}

}  // namespace zef
