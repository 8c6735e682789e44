#include "expected_frames.h"

namespace zef::test {

Bytes BlockWriteFrame(std::uint8_t deviceAddress, std::uint16_t memoryAddress, const Bytes& data) {
    Bytes f{0xF0,
            0x21,
            deviceAddress,
            21,
            static_cast<std::uint8_t>(memoryAddress >> 8),
            static_cast<std::uint8_t>(memoryAddress & 0xFF),
            static_cast<std::uint8_t>(data.size())};
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(0xF7);
    return f;
}

}  // namespace zef::test
