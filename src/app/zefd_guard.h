#pragma once
// Before the editor connects a device: an amplifier takes one controller, so
// the running zefd services (remote/zefd_query.h) are asked first whether one
// of them holds it (same unique ID or address). When one does, the user
// chooses:
//   Yes     work through zefd: the slot's frames go over zefd's link route
//           (remote/routed_transport.h) and zefd stays the device's controller
//   No      ask zefd to let the device go (its release route), then connect
//           directly; zefd keeps it released until it is told to take it back
//   Cancel  do not connect
// A USB device cannot be worked through zefd: the question offers letting it
// go (Yes) or not connecting (No). A device no zefd holds is connected
// directly. The query waits at most kHolderQueryMs; nothing waits for input.
#include <functional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "model/device_model.h"
#include "remote/routed_transport.h"
#include "remote/zefd_query.h"

namespace zef {

inline constexpr const char* kHeldByZefdTitle = "Device held by zefd";

// The question's text for a device `held` by zefd; `usb`: it can only be let go.
std::string HeldQuestion(const remote::HeldDevice& held, bool usb);

class ZefdGuard {
public:
    using Endpoints = std::function<std::vector<remote::ZefdEndpoint>()>;
    ZefdGuard(const Model& model, remote::RoutedTcpClient& routes, Dialogs& dialogs, Endpoints endpoints);

    // True: go on connecting the slot (directly, or through zefd with its
    // route set); false: the user cancelled, or zefd did not let the device
    // go (the user was told why).
    bool BeforeConnect(DeviceSlot slot);

private:
    const Model& model_;
    remote::RoutedTcpClient& routes_;
    Dialogs& dialogs_;
    Endpoints endpoints_;
};

}  // namespace zef
