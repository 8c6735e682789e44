#include "files/init_config.h"

#include <filesystem>
#include <limits>

#include "base/utf8_path.h"
#include "files/binary_io.h"
#include "base/input_file.h"

namespace zef {
namespace {

constexpr std::size_t kPortOffset = 0;
constexpr std::size_t kRangeStartOffset = 12;
constexpr std::size_t kRangeEndOffset = 20;

std::int16_t FieldAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    if (offset + 2 > bytes.size()) return 0;
    return static_cast<std::int16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

void PutField(std::array<std::uint8_t, kInitConfigSize>& out, std::size_t offset, std::int16_t value) {
    const auto v = static_cast<std::uint16_t>(value);
    out[offset] = static_cast<std::uint8_t>(v & 0xFF);
    out[offset + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::string PathIn(const std::string& folder) {
    return Utf8Join(folder, kInitConfigFileName);
}

}  // namespace

InitConfig DecodeInitConfig(const std::vector<std::uint8_t>& bytes) {
    InitConfig c;
    c.serialPortNumber = FieldAt(bytes, kPortOffset);
    for (std::size_t i = 0; i < 4; ++i) {
        c.rangeStart[i] = FieldAt(bytes, kRangeStartOffset + 2 * i);
        c.rangeEnd[i] = FieldAt(bytes, kRangeEndOffset + 2 * i);
    }
    return c;
}

std::array<std::uint8_t, kInitConfigSize> EncodeInitConfig(const InitConfig& c) {
    std::array<std::uint8_t, kInitConfigSize> out{};
    PutField(out, kPortOffset, c.serialPortNumber);
    for (std::size_t i = 0; i < 4; ++i) {
        PutField(out, kRangeStartOffset + 2 * i, c.rangeStart[i]);
        PutField(out, kRangeEndOffset + 2 * i, c.rangeEnd[i]);
    }
    return out;
}

InitConfig ReadInitConfig(const std::string& folder) {
    InputFile file(PathIn(folder), std::numeric_limits<std::size_t>::max());
    std::vector<std::uint8_t> bytes(kInitConfigSize);
    bytes.resize(file.Read(bytes));
    return DecodeInitConfig(bytes);
}

bool WriteInitConfig(const std::string& folder, const InitConfig& config) {
    const auto bytes = EncodeInitConfig(config);
    return WriteFileAtomic(PathIn(folder), bytes);
}

}  // namespace zef
