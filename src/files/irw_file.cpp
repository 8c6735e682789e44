#include "files/irw_file.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "files/binary_io.h"

namespace zef::measure {
namespace {

constexpr std::size_t kHeaderBytes = 4;
constexpr std::size_t kMinFileBytes = 10;
// Ten minutes at 48000 Hz: far beyond any room decay.
constexpr std::size_t kMaxSamples = 48000 * 600;

static_assert(std::numeric_limits<double>::is_iec559);

template <typename T>
void PutLittleEndian(std::vector<std::uint8_t>& out, T value) {
    std::uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) std::reverse(bytes, bytes + sizeof(T));
    out.insert(out.end(), bytes, bytes + sizeof(T));
}

template <typename T>
T GetLittleEndian(const std::uint8_t* p) {
    std::uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, p, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) std::reverse(bytes, bytes + sizeof(T));
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

}  // namespace

std::string WriteIrwFile(const std::string& path, std::span<const double> ir) {
    if (ir.empty()) return path + ": there is no impulse response to save";
    if (ir.size() > kMaxSamples) return path + ": the impulse response is too long to save";
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kHeaderBytes + ir.size() * sizeof(double));
    PutLittleEndian(bytes, static_cast<std::int32_t>(ir.size() - 1));
    for (double x : ir) PutLittleEndian(bytes, x);
    if (!WriteFileAtomic(path, bytes)) return path + ": the file cannot be written";
    return {};
}

std::string ReadIrwFile(const std::string& path, std::vector<double>& ir) {
    const FileBytes file = ReadWholeFile(path, kHeaderBytes + kMaxSamples * sizeof(double));
    switch (file.error) {
        case FileReadError::None:
            break;
        case FileReadError::NotFound:
            return path + ": no such file";
        case FileReadError::TooLarge:
            return path + ": the file is too large for an impulse response";
        case FileReadError::Unreadable:
            return path + ": the file cannot be read";
    }
    const std::vector<std::uint8_t>& b = file.bytes;
    if (b.size() < kMinFileBytes) return path + ": the file is too short for an impulse response";
    const auto last = GetLittleEndian<std::int32_t>(b.data());
    if (last < 0 || b.size() != kHeaderBytes + (static_cast<std::size_t>(last) + 1) * sizeof(double))
        return path + ": the file's length does not match its sample count";
    std::vector<double> read(static_cast<std::size_t>(last) + 1);
    for (std::size_t i = 0; i < read.size(); ++i)
        read[i] = GetLittleEndian<double>(b.data() + kHeaderBytes + i * sizeof(double));
    ir = std::move(read);
    return {};
}

std::vector<double> ReduceToSixteenBits(std::span<const double> ir) {
    std::vector<double> out;
    out.reserve(ir.size());
    for (double x : ir) {
        const double scaled = std::nearbyint(x * 32767.0);  // the default rounding: halves to even
        const auto wide = std::isfinite(scaled) ? static_cast<std::int64_t>(std::fmod(scaled, 65536.0)) : 0;
        const auto s16 = static_cast<std::int16_t>(static_cast<std::uint16_t>(wide & 0xFFFF));
        out.push_back(static_cast<double>(s16) / 32767.0);
    }
    return out;
}

}  // namespace zef::measure
