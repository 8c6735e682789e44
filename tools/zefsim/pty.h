#pragma once
// A device's serial link as a pseudo-terminal: a device file that another
// program (zefctl, the editor) opens like a USB serial adapter, reached
// through a symlink of the caller's choosing. POSIX only (pty_posix.cpp);
// elsewhere (pty_other.cpp) opening one fails with a message that points to
// the in-process line, Simulator::openSerialLine.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "base/net_socket.h"

namespace zefsim {

class Pty {
public:
    // Opens a raw 9600-baud pseudo-terminal and points `symlinkPath` at its
    // device file (replacing an older symlink, never anything else). Throws
    // std::runtime_error with the reason.
    explicit Pty(const std::string& symlinkPath);
    // Removes the symlink while it still points at this terminal.
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& devicePath() const { return slavePath_; }
    // The simulator's end, for the poll of its loop (never blocks).
    zef::net::NativeHandle handle() const;
    // What the other program wrote, up to out.size() bytes; 0 when nothing is waiting.
    std::size_t Read(std::span<std::uint8_t> out);
    // Bytes the line cannot take now are lost, as on a real line without flow control.
    void Write(std::span<const std::uint8_t> bytes);

private:
    int master_ = -1;
    int slaveKeep_ = -1;  // keeps the line open (and raw) while no client has it open
    std::string slavePath_;
    std::string symlinkPath_;
};

}  // namespace zefsim
