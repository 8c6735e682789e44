#pragma once
// How the reconnect window appears to the user. The link runs the window's
// work itself (replay, wait, reconnect, replay again) between Show and Close;
// the presenter only makes the window visible and modal meanwhile, so that
// the user can do nothing else while timers and repaints go on.

namespace zef {

inline constexpr const char* kReconnectingCaption = "Reconnecting ...";

class ReconnectPresenter {
public:
    virtual ~ReconnectPresenter() = default;
    // The modal window with the caption kReconnectingCaption appears.
    virtual void Show() = 0;
    // The work has ended; the window goes away.
    virtual void Close() = 0;
};

// For programs without windows (the command-line controller).
class NullReconnectPresenter final : public ReconnectPresenter {
public:
    void Show() override {}
    void Close() override {}
};

}  // namespace zef
