#pragma once
// init.cfg: the serial port of the last USB device found and the IP search
// range, kept in the program's folder.
//
// One 28-byte block, every field a little-endian signed 16-bit integer:
//
//   offset  0       serial port number n of "COM"n (1..64)
//   offset  2..11   five reserved fields, written as zero
//   offset 12..19   IP search range start, one octet per field
//   offset 20..27   IP search range end, one octet per field
//
// Its first 28 bytes are read; a missing or short file gives zero for every
// field it does not hold completely, bytes beyond 28 are ignored, and so is
// anything that is not a regular file (a FIFO named init.cfg is never
// waited on). It is written
// whole through a temporary file renamed over the old one.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zef {

inline constexpr std::size_t kInitConfigSize = 28;
inline constexpr const char* kInitConfigFileName = "init.cfg";

struct InitConfig {
    std::int16_t serialPortNumber = 0;
    std::array<std::int16_t, 4> rangeStart{};
    std::array<std::int16_t, 4> rangeEnd{};
    bool operator==(const InitConfig&) const = default;
};

InitConfig DecodeInitConfig(const std::vector<std::uint8_t>& bytes);
std::array<std::uint8_t, kInitConfigSize> EncodeInitConfig(const InitConfig& config);

// `folder` is the program's folder; the file is folder/init.cfg.
InitConfig ReadInitConfig(const std::string& folder);
// False when the file could not be written; the old file is then unchanged.
bool WriteInitConfig(const std::string& folder, const InitConfig& config);

}  // namespace zef
