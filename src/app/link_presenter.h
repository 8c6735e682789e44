#pragma once
// What the user sees of the link: the "Communication Error" message when an
// exchange fails for good, and the modal reconnect window while the link
// tries to get a lost TCP connection back.

#include "app/texts.h"
#include "app/dialogs.h"
#include "base/signal.h"
#include "device/device_exchange.h"

namespace zef {

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
    Subscription reconnecting_;
};

}  // namespace zef
