#pragma once
// A serial line inside the process: the computer's end of a simulated device's serial link
// without a pseudo-terminal. The simulator's I/O thread takes the bytes the computer wrote and
// delivers the device's answer to it, pacing both directions at 9600 baud exactly as it does
// on a pseudo-terminal; the line itself is only the two byte queues between them.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace zefsim {

class SerialLine {  // every method is thread-safe
public:
    // The computer's side.
    void write(const std::vector<std::uint8_t>& bytes);  // towards the device
    std::size_t available() const;                       // received bytes not yet taken
    // Moves up to `count` received bytes out, oldest first.
    std::vector<std::uint8_t> take(std::size_t count);
    void discardInput();

    // The simulator's side.
    std::vector<std::uint8_t> takeWritten();  // everything written since the last call
    bool hasWritten() const;
    void deliver(const std::vector<std::uint8_t>& bytes);  // towards the computer
    // Called after every write (the simulator wakes its I/O thread); never under the line's lock.
    void setWakeHook(std::function<void()> wake);

private:
    mutable std::mutex mutex_;
    std::deque<std::uint8_t> toDevice_;
    std::deque<std::uint8_t> toComputer_;
    std::function<void()> wake_;
};

}  // namespace zefsim
