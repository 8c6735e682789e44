#include "transport/local_wait.h"

#include <QDeadlineTimer>
#include <QTimer>

namespace zef {

void LocalWait::Check() {
    if (done_ && done_()) loop_.quit();
}

bool LocalWait::Run(int timeoutMs, std::function<bool()> done) {
    if (done && done()) return true;
    done_ = std::move(done);
    QDeadlineTimer deadline(std::max(timeoutMs, 0), Qt::PreciseTimer);
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop_, &QEventLoop::quit);
    // A wake-up may quit the loop early for a condition that flips back, so
    // the loop is resumed until the condition holds or the deadline passes.
    while (!deadline.hasExpired()) {
        timer.start(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0)));
        loop_.exec(QEventLoop::ExcludeUserInputEvents);
        if (done_ && done_()) break;
    }
    timer.stop();
    const bool met = done_ && done_();
    done_ = nullptr;
    return met;
}

void LocalWait::Pause(int ms) {
    LocalWait wait;
    wait.Run(ms, [] { return false; });
}

}  // namespace zef
