#include "app/send_coalescer.h"

namespace zef {

namespace {
constexpr int kBusyRetryMs = 5;
}

SendCoalescer::SendCoalescer(const LinkState& link, Scheduler scheduler)
    : link_(link), scheduler_(std::move(scheduler)) {}

void SendCoalescer::Post(Send send) {
    ++posts_;
    pending_ = std::move(send);
    if (!flushing_) Schedule(0);
}

void SendCoalescer::Schedule(int delayMs) {
    if (scheduled_) return;
    scheduled_ = true;
    scheduler_(delayMs, [this] {
        scheduled_ = false;
        Flush();
    });
}

void SendCoalescer::Flush() {
    if (flushing_ || !pending_) return;
    if (!link_.idle()) {
        Schedule(kBusyRetryMs);
        return;
    }
    flushing_ = true;
    while (pending_) {
        Send send = std::move(pending_);
        pending_ = nullptr;
        ++sends_;
        send();
    }
    flushing_ = false;
}

}  // namespace zef
