#pragma once
// Waiting on the user-interface thread without freezing it: a local event
// loop that excludes user input (timers, socket notifiers and repaints go on)
// and ends when a condition holds or a time-out passes, whichever is first.

#include <QEventLoop>
#include <QObject>
#include <functional>

namespace zef {

class LocalWait {
public:
    LocalWait() = default;
    LocalWait(const LocalWait&) = delete;
    LocalWait& operator=(const LocalWait&) = delete;

    // Re-tests the condition whenever `sender` emits `signal`.
    template <typename Sender, typename Signal>
    void WakeOn(const Sender* sender, Signal signal) {
        QObject::connect(sender, signal, &loop_, [this] { Check(); });
    }

    // Re-tests the condition now (for a waker that is not a signal).
    void Wake() { Check(); }

    // Returns true as soon as `done()` holds, false when `timeoutMs` passed
    // first. `done` is tested before any waiting, so a met condition costs no
    // event-loop pass; a negative time-out counts as zero.
    bool Run(int timeoutMs, std::function<bool()> done);

    // Lets `ms` milliseconds pass with the event loop running.
    static void Pause(int ms);

private:
    void Check();

    QEventLoop loop_;
    std::function<bool()> done_;
};

}  // namespace zef
