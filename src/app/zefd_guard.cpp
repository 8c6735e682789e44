#include "app/zefd_guard.h"

namespace zef {

std::string HeldQuestion(const remote::HeldDevice& held, bool usb) {
    const std::string who = held.name.empty() ? "UniqueID=" + held.uniqueId : held.name;
    std::string text = "zefd at " + held.endpoint.host + ":" + std::to_string(held.endpoint.port) + " holds " + who +
                       " (" + (held.address == "usb" ? std::string("USB") : "IP " + held.address) +
                       "). An amplifier accepts one controller at a time.\n\n";
    if (usb) return text + "Yes: ask zefd to let the device go, then connect it here\nNo: do not connect";
    return text +
           "Yes: work through zefd (zefd stays its controller; its other clients see your edits)\n"
           "No: ask zefd to let the device go, then connect it directly\n"
           "Cancel: do not connect";
}

ZefdGuard::ZefdGuard(const Model& model, remote::RoutedTcpClient& routes, Dialogs& dialogs, Endpoints endpoints)
    : model_(model), routes_(routes), dialogs_(dialogs), endpoints_(std::move(endpoints)) {}

bool ZefdGuard::BeforeConnect(DeviceSlot slot) {
    const DeviceEntry& e = model_.entry(slot);
    const bool usb = e.isUsb();
    const std::optional<remote::HeldDevice> held =
        remote::FindHolder(endpoints_ ? endpoints_() : std::vector<remote::ZefdEndpoint>{}, e.uniqueId,
                           usb ? std::string() : e.ip);
    if (!held) {
        routes_.Unroute(slot);
        return true;
    }
    const Answer answer = dialogs_.Ask(kHeldByZefdTitle, HeldQuestion(*held, usb),
                                       usb ? Buttons::YesNo : Buttons::YesNoCancel);
    const bool release = usb ? answer == Answer::Yes : answer == Answer::No;
    if (!usb && answer == Answer::Yes) {
        routes_.Route(slot, {held->endpoint, held->id});
        return true;
    }
    if (!release) return false;
    const std::string problem = remote::ReleaseHeld(*held);
    if (!problem.empty()) {
        dialogs_.Message(kHeldByZefdTitle, "zefd did not let the device go: " + problem, Icon::Exclamation);
        return false;
    }
    routes_.Unroute(slot);
    return true;
}

}  // namespace zef
