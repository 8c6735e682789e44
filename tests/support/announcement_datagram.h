#pragma once
// An amplifier's UDP announcement written out by hand: 21h, network, type
// code, unique ID 0A 0B 0C 0D 0E uidLast, the name blank padded to 16
// characters (longer names are cut), and the sum of bytes 0..24 modulo 256.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zef::test {

std::vector<std::uint8_t> AnnouncementDatagram(std::uint8_t network, std::uint8_t type, std::uint8_t uidLast,
                                               const std::string& name);
// The same for any unique ID (the six bytes as given).
std::vector<std::uint8_t> AnnouncementDatagramOf(std::uint8_t network, std::uint8_t type,
                                                 const std::array<std::uint8_t, 6>& uid, const std::string& name);

}  // namespace zef::test
