#pragma once
// Frames written out by hand, as a device receives them, for comparing with
// what the code under test sent.

#include <array>
#include <cstdint>
#include <vector>

namespace zef::test {

using Bytes = std::vector<std::uint8_t>;

// A 13-byte command frame, laid out as the echo reply to it is too:
//   F0 21 deviceAddress command p1..p8 F7
Bytes CommandFrame(std::uint8_t deviceAddress, std::uint8_t command,
                   const std::array<std::uint8_t, 8>& params);

// A block write (command 21) of `data` to device memory `memoryAddress`:
//   F0 21 deviceAddress 15 addrHi addrLo n data[0..n) F7   (8 + n bytes)
Bytes BlockWriteFrame(std::uint8_t deviceAddress, std::uint16_t memoryAddress, const Bytes& data);

}  // namespace zef::test
