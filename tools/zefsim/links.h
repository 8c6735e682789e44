#pragma once
// Link-side pieces shared by the transports: the command protocol that feeds a Device, the
// serial pacing, and small address and datagram helpers.

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "frame_reader.h"
#include "simulator.h"

namespace zefsim {

// 9600 baud, 8N1: ten bit times per byte.
inline constexpr std::chrono::nanoseconds kSerialByteTime{1041667};

// The device's own command protocol on one link: frames in, replies out. A request the
// device has armed a corruption for (Device::takeRequestCorruption) is spoilt as it arrives
// and its bytes go through the receiver again: whatever frames they make (none, one, or one
// that takes in the bytes after it) are handled as altered requests.
class CommandSession : public ByteProtocol {
public:
    CommandSession(Device& device, Link link) : device_(device), link_(link) {}
    void receive(std::uint8_t byte, Clock::time_point at, std::vector<Outgoing>& out) override;

private:
    void answer(const std::vector<std::uint8_t>& frame, const std::vector<std::uint8_t>* sent, Clock::time_point at,
                std::vector<Outgoing>& out);
    void spoil(const std::vector<std::uint8_t>& frame, const Corruption& c, Clock::time_point at,
               std::vector<Outgoing>& out);

    Device& device_;
    Link link_;
    FrameReader reader_;
    // The request whose spoilt bytes began the frame the receiver is assembling now.
    std::optional<std::vector<std::uint8_t>> spoiltPending_;
    std::size_t zerosSeen_ = 0;
    std::size_t discardedSeen_ = 0;
};

// Parses "a.b.c.d" or "localhost" into a host-order address; throws std::runtime_error on
// anything else.
std::uint32_t parseIPv4(const std::string& host);
bool isLoopback(std::uint32_t address);
// Splits "HOST:PORT"; throws std::runtime_error when malformed.
std::pair<std::string, std::uint16_t> splitHostPort(const std::string& text);

// Sends one datagram from `source` (port chosen by the system) to a loopback destination.
// Returns false when it could not be sent.
bool sendDatagram(const std::string& source, std::uint32_t destination, std::uint16_t port,
                  std::span<const std::uint8_t> bytes);

}  // namespace zefsim
