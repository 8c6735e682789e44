#pragma once
// What the user sees of the link: the "Communication Error" message when an
// exchange fails for good, the message of a connection another client took,
// and the modal reconnect window while the link tries to get a lost TCP
// connection back.

#include <string>

#include "app/texts.h"
#include "app/dialogs.h"
#include "base/signal.h"
#include "device/device_exchange.h"

namespace zef {

// "IP:" + address + " disconnected" CR LF and why: the device closed the
// connection, which it does when another program connects to it (it serves
// one connection at a time) or when it restarts.
inline std::string ConnectionTakenText(const DeviceEntry& entry) {
    return "IP:" + entry.ip +
           " disconnected\r\nThe device closed this connection: another program has connected to it (the device "
           "serves one connection at a time), or the device was restarted.\r\nConnect it again from the device "
           "list when it is free.";
}

// How the reconnect window appears. The link does the window's work itself
// (replay, wait, reconnect, replay again) between Show and Close; the view
// only makes the window visible and modal meanwhile, so that the user can do
// nothing else while timers and repaints go on.
class ReconnectView {
public:
    virtual ~ReconnectView() = default;
    // The modal window with the caption kReconnectingCaption appears.
    virtual void Show() = 0;
    // The work has ended; the window goes away.
    virtual void Close() = 0;
};

class LinkPresenter {
public:
    // `view` may be null (programs without windows).
    LinkPresenter(DeviceExchange& exchange, Dialogs& dialogs, ReconnectView* view = nullptr)
        : errors_(exchange.communicationError.Connect([&dialogs](DeviceSlot) {
              dialogs.Message(kCommErrorTitle, kCommErrorText, Icon::Exclamation);
          })),
          taken_(exchange.connectionTaken.Connect([&exchange, &dialogs](DeviceSlot slot) {
              dialogs.Message(kCommProblemTitle, ConnectionTakenText(exchange.model().entry(slot)),
                              Icon::Exclamation);
          })),
          reconnecting_(exchange.reconnecting.Connect([view](bool on) {
              if (!view) return;
              if (on) {
                  view->Show();
              } else {
                  view->Close();
              }
          })) {}

private:
    Subscription errors_;
    Subscription taken_;
    Subscription reconnecting_;
};

}  // namespace zef
