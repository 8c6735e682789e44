#pragma once
// Frames written out by hand, as a device receives them, for comparing with
// what the code under test sent.

#include <cstdint>
#include <vector>

namespace zef::test {

using Bytes = std::vector<std::uint8_t>;

// A block write (command 21) of `data` to device memory `memoryAddress`:
//   F0 21 deviceAddress 15 addrHi addrLo n data[0..n) F7   (8 + n bytes)
Bytes BlockWriteFrame(std::uint8_t deviceAddress, std::uint16_t memoryAddress, const Bytes& data);

}  // namespace zef::test
