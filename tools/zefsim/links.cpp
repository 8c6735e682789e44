#include "links.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace zefsim {

void CommandSession::receive(std::uint8_t byte, Clock::time_point at, std::vector<Outgoing>& out) {
    std::vector<std::vector<std::uint8_t>> frames;
    reader_.push(byte, at, frames);
    for (; zerosSeen_ < reader_.loneZeros(); ++zerosSeen_) device_.noteLoneZero();
    if (reader_.discarded() != discardedSeen_) {
        device_.noteDiscarded(reader_.discarded() - discardedSeen_);
        discardedSeen_ = reader_.discarded();
    }
    for (const auto& frame : frames) {
        // A frame completed from a spoilt request's leftover bytes is altered too.
        std::optional<std::vector<std::uint8_t>> sent = std::move(spoiltPending_);
        spoiltPending_.reset();
        if (const std::optional<Corruption> c = sent ? std::nullopt : device_.takeRequestCorruption(frame)) {
            spoil(frame, *c, at, out);
            continue;
        }
        answer(frame, sent ? &*sent : nullptr, at, out);
    }
}

void CommandSession::answer(const std::vector<std::uint8_t>& frame, const std::vector<std::uint8_t>* sent,
                            Clock::time_point at, std::vector<Outgoing>& out) {
    std::optional<Reply> reply = sent ? device_.handleAlteredFrame(frame, link_, *sent) : device_.handleFrame(frame, link_);
    if (reply) out.push_back({std::move(reply->bytes), at + reply->delay});
}

void CommandSession::spoil(const std::vector<std::uint8_t>& frame, const Corruption& c, Clock::time_point at,
                           std::vector<Outgoing>& out) {
    std::vector<std::uint8_t> bytes = frame;
    corrupt(bytes, c, device_.lineRandom());
    std::vector<std::vector<std::uint8_t>> frames;
    for (const std::uint8_t b : bytes) reader_.push(b, at, frames);
    for (const auto& f : frames) answer(f, &frame, at, out);
    if (reader_.partial()) spoiltPending_ = frame;
}

in_addr parseIPv4(const std::string& host) {
    in_addr a{};
    const std::string h = host == "localhost" ? "127.0.0.1" : host;
    if (inet_pton(AF_INET, h.c_str(), &a) != 1) throw std::runtime_error("not an IPv4 address: " + host);
    return a;
}

bool isLoopback(const in_addr& address) { return (ntohl(address.s_addr) >> 24) == 127; }

std::pair<std::string, std::uint16_t> splitHostPort(const std::string& text) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size())
        throw std::runtime_error("expected HOST:PORT, got '" + text + "'");
    const std::string portText = text.substr(colon + 1);
    if (portText.find_first_not_of("0123456789") != std::string::npos || portText.size() > 5)
        throw std::runtime_error("bad port in '" + text + "'");
    const unsigned long port = std::stoul(portText);
    if (port > 65535) throw std::runtime_error("bad port in '" + text + "'");
    return {text.substr(0, colon), static_cast<std::uint16_t>(port)};
}

bool sendDatagram(const std::string& source, const in_addr& destination, std::uint16_t port,
                  std::span<const std::uint8_t> bytes) {
    if (!isLoopback(destination)) return false;
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in from{};
    from.sin_family = AF_INET;
    if (inet_pton(AF_INET, source.c_str(), &from.sin_addr) == 1) {
        (void)bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from);  // best effort
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr = destination;
    to.sin_port = htons(port);
    const ssize_t sent =
        sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    close(fd);
    return sent == static_cast<ssize_t>(bytes.size());
}

}  // namespace zefsim
