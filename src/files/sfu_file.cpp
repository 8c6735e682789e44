#include "files/sfu_file.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "base/input_file.h"

namespace zef {
namespace {

constexpr std::array<std::uint8_t, 4> kMagic = {'Z', 'S', 'F', 'U'};
constexpr std::size_t kHeaderCrcAt = 28;

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
void PutLe(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::string SfuErrorText(SfuError error) {
    switch (error) {
        case SfuError::None:
            return "";
        case SfuError::Unreadable:
            return "the file cannot be read";
        case SfuError::TooShort:
            return "the file is shorter than a firmware header";
        case SfuError::BadMagic:
            return "not a firmware file";
        case SfuError::BadVersion:
            return "unknown firmware file version";
        case SfuError::HeaderChecksum:
            return "the firmware header is damaged";
        case SfuError::BadLength:
            return "the firmware image length is out of range";
        case SfuError::Truncated:
            return "the firmware file is incomplete";
        case SfuError::TrailingBytes:
            return "the firmware file is longer than its header says";
        case SfuError::ImageChecksum:
            return "the firmware image is damaged";
    }
    return "";
}

SfuParse ParseSfu(std::span<const std::uint8_t> bytes) {
    const auto fail = [](SfuError e) { return SfuParse{e, std::nullopt, SfuErrorText(e)}; };
    if (bytes.size() < kSfuHeaderSize) return fail(SfuError::TooShort);
    if (!std::equal(kMagic.begin(), kMagic.end(), bytes.begin())) return fail(SfuError::BadMagic);
    if (Le16(bytes, 4) != kSfuFormatVersion) return fail(SfuError::BadVersion);
    if (Crc32(bytes.first(kHeaderCrcAt)) != Le32(bytes, kHeaderCrcAt)) return fail(SfuError::HeaderChecksum);
    SfuHeader h;
    h.model = Le16(bytes, 6);
    h.major = bytes[8];
    h.minor = bytes[9];
    h.patch = bytes[10];
    h.imageLength = Le32(bytes, 12);
    h.imageCrc = Le32(bytes, 16);
    if (h.imageLength == 0 || h.imageLength > kSfuMaxImage) return fail(SfuError::BadLength);
    const std::size_t rest = bytes.size() - kSfuHeaderSize;
    if (rest < h.imageLength) return fail(SfuError::Truncated);
    if (rest > h.imageLength) return fail(SfuError::TrailingBytes);
    const auto image = bytes.subspan(kSfuHeaderSize);
    if (Crc32(image) != h.imageCrc) return fail(SfuError::ImageChecksum);
    return SfuParse{SfuError::None, SfuFile{h, std::vector<std::uint8_t>(image.begin(), image.end())}, {}};
}

SfuParse ReadSfuFile(const std::string& path) {
    const FileBytes file = ReadWholeFile(path, kSfuHeaderSize + kSfuMaxImage);
    if (file.ok()) return ParseSfu(file.bytes);
    const SfuError error = file.error == FileReadError::TooLarge ? SfuError::TrailingBytes : SfuError::Unreadable;
    return SfuParse{error, std::nullopt, file.problem};
}

std::vector<std::uint8_t> BuildSfu(const SfuHeader& header, std::span<const std::uint8_t> image) {
    std::vector<std::uint8_t> out(kSfuHeaderSize + image.size(), 0);
    std::copy(kMagic.begin(), kMagic.end(), out.begin());
    PutLe(out, 4, kSfuFormatVersion, 2);
    PutLe(out, 6, header.model, 2);
    out[8] = header.major;
    out[9] = header.minor;
    out[10] = header.patch;
    PutLe(out, 12, static_cast<std::uint32_t>(image.size()), 4);
    PutLe(out, 16, Crc32(image), 4);
    PutLe(out, kHeaderCrcAt, Crc32(std::span(out).first(kHeaderCrcAt)), 4);
    std::copy(image.begin(), image.end(), out.begin() + static_cast<std::ptrdiff_t>(kSfuHeaderSize));
    return out;
}

}  // namespace zef
