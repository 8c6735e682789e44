#pragma once
// A named pipe (FIFO) for readers that must refuse one without waiting on it.
//
// Returns() runs a reader with a deadline: a reader that opens the FIFO and
// waits for a writer (or for data) is released once the deadline passes, by
// opening and closing the write end, so a reader that hangs fails its test
// instead of hanging the test program.

#include <chrono>
#include <functional>
#include <string>

namespace zef::test {

class Fifo {
public:
    // Makes the FIFO at `path`; throws std::runtime_error when it cannot.
    explicit Fifo(std::string path);
    ~Fifo();
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    const std::string& path() const { return path_; }

    // Runs `reader` on a thread of its own; true when it returned within
    // `deadline` by itself, false when it had to be released.
    bool Returns(const std::function<void()>& reader,
                 std::chrono::milliseconds deadline = std::chrono::seconds(5)) const;

private:
    std::string path_;
};

}  // namespace zef::test
