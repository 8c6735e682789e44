#include "stdin_lines.h"

#include <condition_variable>
#include <deque>
#include <iostream>
#include <mutex>
#include <thread>

namespace zefsim {

struct StdinLines::Shared {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<std::string> lines;
    bool ended = false;
};

StdinLines::StdinLines() : shared_(std::make_shared<Shared>()) {
    std::thread([shared = shared_] {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::lock_guard lock(shared->mutex);
            shared->lines.push_back(std::move(line));
            shared->arrived.notify_one();
        }
        std::lock_guard lock(shared->mutex);
        shared->ended = true;
    }).detach();
}

StdinLines::~StdinLines() = default;

std::optional<std::string> StdinLines::Next(std::chrono::milliseconds wait) {
    std::unique_lock lock(shared_->mutex);
    if (!shared_->arrived.wait_for(lock, wait, [this] { return !shared_->lines.empty(); })) {
        if (shared_->ended) {
            // Nothing more will come: wait out the time without spinning.
            lock.unlock();
            std::this_thread::sleep_for(wait);
        }
        return std::nullopt;
    }
    std::string line = std::move(shared_->lines.front());
    shared_->lines.pop_front();
    return line;
}

}  // namespace zefsim
