#include "links.h"

#include <stdexcept>

#include "base/net_socket.h"

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

std::uint32_t parseIPv4(const std::string& host) {
    const std::optional<std::uint32_t> a = zef::net::ParseIpv4(host);
    if (!a) throw std::runtime_error("not an IPv4 address: " + host);
    return *a;
}

bool isLoopback(std::uint32_t address) { return zef::net::IsLoopback(address); }

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

bool sendDatagram(const std::string& source, std::uint32_t destination, std::uint16_t port,
                  std::span<const std::uint8_t> bytes) {
    if (!isLoopback(destination)) return false;
    std::string error;
    // From the source address when it can be bound (so the sender is the address to connect
    // to), else from wherever the system chooses.
    const std::optional<std::uint32_t> from = zef::net::ParseIpv4(source);
    zef::net::Socket s = zef::net::Socket::BindUdp(from.value_or(0), 0, error);
    if (!s.valid()) s = zef::net::Socket::BindUdp(0, 0, error);
    if (!s.valid()) return false;
    const zef::net::IoResult sent = s.SendTo(destination, port, bytes);
    return sent.status == zef::net::IoStatus::kOk && sent.bytes == bytes.size();
}

}  // namespace zefsim
