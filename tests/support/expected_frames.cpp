#include "expected_frames.h"

#include <algorithm>

namespace zef::test {

Bytes CommandFrame(std::uint8_t deviceAddress, std::uint8_t command,
                   const std::array<std::uint8_t, 8>& params) {
    Bytes f(13);
    f[0] = 0xF0;
    f[1] = 0x21;
    f[2] = deviceAddress;
    f[3] = command;
    std::copy(params.begin(), params.end(), f.begin() + 4);
    f[12] = 0xF7;
    return f;
}

Bytes BlockWriteFrame(std::uint8_t deviceAddress, std::uint16_t memoryAddress, const Bytes& data) {
    // Sized once and filled in place: data.size() + 8 bytes.
    Bytes f(data.size() + 8);
    f[0] = 0xF0;
    f[1] = 0x21;
    f[2] = deviceAddress;
    f[3] = 21;
    f[4] = static_cast<std::uint8_t>(memoryAddress >> 8);
    f[5] = static_cast<std::uint8_t>(memoryAddress & 0xFF);
    f[6] = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), f.begin() + 7);
    f.back() = 0xF7;
    return f;
}

}  // namespace zef::test
