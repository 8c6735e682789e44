#pragma once
// The control commands typed into the simulator (or piped to it), a line at
// a time, with a bounded wait, so that the main loop can look for a stop
// request between lines. A thread of its own reads standard input with the
// standard library, which waits the same way on every platform.

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace zefsim {

class StdinLines {
public:
    StdinLines();
    // The reading thread is left to end with the process: a read of standard
    // input cannot be interrupted portably. It touches only state it shares.
    ~StdinLines();
    StdinLines(const StdinLines&) = delete;
    StdinLines& operator=(const StdinLines&) = delete;

    // The next line without its line end, waiting at most `wait`; nothing
    // when no line came in time or the input has ended.
    std::optional<std::string> Next(std::chrono::milliseconds wait);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace zefsim
