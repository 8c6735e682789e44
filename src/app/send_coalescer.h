#pragma once
// Sends of a control that moves faster than the link answers (a band dragged
// on the graph, a fader, over a 9600-baud USB link). The view updates at
// once; the send is posted here. Only the latest posted send is kept: while
// an exchange is in flight, or until the posted flush runs, a newer post
// replaces the pending one, so no backlog builds and the device ends at the
// last position. Flush() sends whatever is pending now (on release).

#include <functional>

#include "device/link_state.h"

namespace zef {

class SendCoalescer {
public:
    using Send = std::function<void()>;
    // Runs `flush` later on the window thread, after `delayMs`.
    using Scheduler = std::function<void(int delayMs, std::function<void()> flush)>;

    SendCoalescer(const LinkState& link, Scheduler scheduler);

    // Keeps `send` as the pending one and makes sure a flush will run.
    void Post(Send send);
    // Sends the pending one, and any posted while it was in flight, until
    // none is left. Nothing happens inside a running flush (the running one
    // picks the new post up) or while another exchange runs (a flush is
    // scheduled again).
    void Flush();
    // Forgets the pending send.
    void Cancel() { pending_ = nullptr; }

    bool pending() const { return static_cast<bool>(pending_); }
    int sends() const { return sends_; }
    int posts() const { return posts_; }

private:
    void Schedule(int delayMs);

    const LinkState& link_;
    Scheduler scheduler_;
    Send pending_;
    bool flushing_ = false;
    bool scheduled_ = false;
    int sends_ = 0;
    int posts_ = 0;
};

}  // namespace zef
