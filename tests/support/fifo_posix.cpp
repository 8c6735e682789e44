#include "fifo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace zef::test {

Fifo::Fifo(std::string path) : path_(std::move(path)) {
    if (::mkfifo(path_.c_str(), 0600) != 0) throw std::runtime_error("cannot make the FIFO " + path_);
}

Fifo::~Fifo() { ::unlink(path_.c_str()); }

bool Fifo::Returns(const std::function<void()>& reader, std::chrono::milliseconds deadline) const {
    std::atomic<bool> done{false};
    std::thread run([&] {
        reader();
        done = true;
    });
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (!done && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const bool returned = done;
    // A reader waiting in open() or read() counts as one: the write end opens
    // without waiting, and closing it gives the reader the end of the data.
    while (!done) {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.join();
    return returned;
}

}  // namespace zef::test
