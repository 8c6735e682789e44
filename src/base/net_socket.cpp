// The parts of the socket layer that are the same on every system.

#include <algorithm>
#include <charconv>
#include <climits>

#include "base/net_socket.h"

namespace zef::net {

std::optional<std::uint32_t> ParseIpv4(const std::string& text) {
    if (text == "localhost") return 0x7F000001u;
    // Four decimal numbers 0..255 separated by points, without signs, spaces or leading zeros.
    std::uint32_t address = 0;
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at == end || *at != '.') return std::nullopt;
            ++at;
        }
        unsigned value = 0;
        const auto [next, ec] = std::from_chars(at, end, value);
        if (ec != std::errc() || next == at || value > 255 || (*at == '0' && next - at > 1)) return std::nullopt;
        address = address << 8 | value;
        at = next;
    }
    if (at != end) return std::nullopt;
    return address;
}

std::string Ipv4Text(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

bool IsLoopback(std::uint32_t address) { return (address >> 24) == 127; }

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = kNoHandle;
    }
    return *this;
}

bool WaitReadable(NativeHandle handle, std::chrono::milliseconds timeout) {
    PollItem item{handle, true, false};
    return Poll({&item, 1}, timeout) > 0 && item.readable;
}

bool WaitWritable(NativeHandle handle, std::chrono::milliseconds timeout) {
    PollItem item{handle, false, true};
    return Poll({&item, 1}, timeout) > 0 && item.writable;
}

namespace detail {

int PollMilliseconds(std::chrono::nanoseconds timeout) {
    if (timeout <= std::chrono::nanoseconds::zero()) return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
    return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

}  // namespace detail
}  // namespace zef::net
