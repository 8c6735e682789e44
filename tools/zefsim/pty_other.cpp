// Systems without pseudo-terminals: the serial link is served on the
// in-process line only (Simulator::openSerialLine).
#include <stdexcept>

#include "pty.h"

namespace zefsim {

Pty::Pty(const std::string& symlinkPath) : symlinkPath_(symlinkPath) {
    throw std::runtime_error("cannot serve " + symlinkPath +
                             ": pseudo-terminals exist on POSIX systems only (the in-process serial line "
                             "serves tests everywhere)");
}

Pty::~Pty() = default;

zef::net::NativeHandle Pty::handle() const { return zef::net::kNoHandle; }

std::size_t Pty::Read(std::span<std::uint8_t>) { return 0; }

void Pty::Write(std::span<const std::uint8_t>) {}

}  // namespace zefsim
