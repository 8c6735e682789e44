#pragma once
// Firmware files (.sfu): one firmware image for one amplifier model, with a
// header that lets the loader refuse a wrong, damaged or incomplete file
// before anything is sent to a device.
//
//   offset  size  field (little-endian, like the program's other data files)
//        0     4  magic "ZSFU"
//        4     2  header format version, 1
//        6     2  model code (4260 = ZEF-4.260)
//        8     1  firmware major
//        9     1  firmware minor
//       10     1  firmware patch
//       11     1  reserved, 0 (ignored by readers)
//       12     4  image length n, 1 .. kSfuMaxImage
//       16     4  CRC-32 of the image
//       20     8  reserved, 0 (ignored by readers)
//       28     4  CRC-32 of bytes 0..27
//       32     n  the image
//
// The file is exactly 32 + n bytes long. CRC-32 is the IEEE 802.3 one
// (reflected polynomial 0xEDB88320, initial value and final XOR 0xFFFFFFFF;
// the CRC of "123456789" is 0xCBF43926).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "protocol/firmware_image.h"

#include "files/binary_io.h"

namespace zef {

inline constexpr std::size_t kSfuHeaderSize = 32;
inline constexpr std::uint16_t kSfuFormatVersion = 1;
inline constexpr std::uint32_t kSfuMaxImage = 1u << 20;  // 1 MiB
struct SfuFile {
    SfuHeader header;
    std::vector<std::uint8_t> image;
};

enum class SfuError {
    None,
    Unreadable,      // the file cannot be opened or read
    TooShort,        // fewer than 32 bytes
    BadMagic,        // not a firmware file
    BadVersion,      // a header format this program does not know
    HeaderChecksum,  // header bytes damaged
    BadLength,       // image length 0 or above kSfuMaxImage
    Truncated,       // fewer image bytes than the header announces
    TrailingBytes,   // more bytes than the header announces
    ImageChecksum,   // image bytes damaged
};

// A short English description of `error` ("" for None).
std::string SfuErrorText(SfuError error);

struct SfuParse {
    SfuError error = SfuError::None;
    std::optional<SfuFile> file;  // set exactly when error is None
    std::string problem;          // why it was refused, for the user after the file's name
};

// Checks the whole file: header, lengths and both checksums.
SfuParse ParseSfu(std::span<const std::uint8_t> bytes);
// Reads and checks the file at `path`; a file larger than the biggest valid
// one is refused (TrailingBytes) without being read, and so is anything
// that is not a regular file (Unreadable).
SfuParse ReadSfuFile(const std::string& path);

// The file bytes for `image` (1 .. kSfuMaxImage bytes) with the model and
// version of `header`; its length and CRC fields are computed here.
std::vector<std::uint8_t> BuildSfu(const SfuHeader& header, std::span<const std::uint8_t> image);

// The program's one atomic writer (binary_io.h), under the name the firmware
// tools use.
inline bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    return WriteFileAtomic(path, bytes);
}

}  // namespace zef
