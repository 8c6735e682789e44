#include "files/irw_file.h"

#include <cmath>

#include "files/binary_io.h"
#include "base/input_file.h"

namespace zef {

std::string ReadImpulseSamples(ByteReader& r, std::size_t trailerBytes, std::vector<double>& samples) {
    samples.clear();
    const std::size_t total = r.remaining();
    const std::int32_t last = r.i32();
    if (!r.ok() || last < 0 || static_cast<std::size_t>(last) >= kIrwMaximumSamples)
        return "bad sample count " + std::to_string(static_cast<long long>(last) + 1);
    const std::size_t count = static_cast<std::size_t>(last) + 1;
    if (r.remaining() != count * 8 + trailerBytes)
        return "holds " + std::to_string(total) + " bytes where " + std::to_string(count) + " samples take " +
               std::to_string(4 + count * 8 + trailerBytes);
    samples.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double v = r.f64();
        // A sample that is not a number would spread through every transform of the response.
        if (!std::isfinite(v)) {
            samples.clear();
            return "sample " + std::to_string(i) + " is not a finite number";
        }
        samples[i] = v;
    }
    return {};
}

IrwReadResult ParseIrw(std::span<const std::uint8_t> bytes) {
    IrwReadResult result;
    if (bytes.size() < kIrwMinimumBytes) {
        result.error = "too short for an impulse response (" + std::to_string(bytes.size()) + " bytes)";
        return result;
    }
    ByteReader r(bytes);
    result.error = ReadImpulseSamples(r, 0, result.samples);
    return result;
}

IrwReadResult ReadIrwFile(const std::string& path) {
    const FileBytes file = ReadWholeFile(path, 4 + 8 * kIrwMaximumSamples);
    IrwReadResult result;
    if (file.error == FileReadError::None)
        result = ParseIrw(file.bytes);
    else
        result.error = file.problem;
    if (!result.ok()) result.error = path + ": " + result.error;
    return result;
}

std::vector<std::uint8_t> EncodeIrw(std::span<const double> samples) {
    ByteWriter w;
    w.i32(static_cast<std::int32_t>(samples.size()) - 1);
    for (double v : samples) w.f64(v);
    return w.data();
}

std::string WriteIrwFile(const std::string& path, std::span<const double> samples) {
    if (samples.empty()) return path + ": there is no impulse response to save";
    if (samples.size() > kIrwMaximumSamples) return path + ": the impulse response is too long to save";
    if (!WriteFileAtomic(path, EncodeIrw(samples))) return path + ": the file cannot be written";
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

}  // namespace zef
