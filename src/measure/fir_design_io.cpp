#include "measure/fir_design_io.h"

#include "model/binary_io.h"
#include "model/locale.h"

namespace zef::measure {

IrwReadResult ParseIrw(std::span<const std::uint8_t> bytes) {
    IrwReadResult result;
    if (bytes.size() < kIrwMinimumBytes) {
        result.error = "too short for an impulse response (" + std::to_string(bytes.size()) + " bytes)";
        return result;
    }
    ByteReader r(bytes);
    const std::int32_t last = r.i32();
    if (last < 0 || static_cast<std::size_t>(last) >= kIrwMaximumSamples) {
        result.error = "bad sample count " + std::to_string(static_cast<long long>(last) + 1);
        return result;
    }
    const std::size_t count = static_cast<std::size_t>(last) + 1;
    if (r.remaining() != count * 8) {
        result.error = "holds " + std::to_string(r.remaining()) + " bytes of samples where " +
                       std::to_string(count) + " samples take " + std::to_string(count * 8);
        return result;
    }
    result.samples.resize(count);
    for (double& v : result.samples) v = r.f64();
    return result;
}

IrwReadResult ReadIrwFile(const std::string& path) {
    const FileBytes file = ReadWholeFile(path, 4 + 8 * kIrwMaximumSamples);
    if (file.error != FileReadError::None) {
        IrwReadResult result;
        result.error =
            file.error == FileReadError::TooLarge ? "too large for an impulse response" : "cannot be read";
        return result;
    }
    return ParseIrw(file.bytes);
}

std::vector<std::uint8_t> EncodeIrw(std::span<const double> samples) {
    ByteWriter w;
    w.i32(static_cast<std::int32_t>(samples.size()) - 1);
    for (double v : samples) w.f64(v);
    return w.data();
}

bool WriteIrwFile(const std::string& path, std::span<const double> samples) {
    if (samples.empty() || samples.size() > kIrwMaximumSamples) return false;
    return WriteFileAtomic(path, EncodeIrw(samples));
}

std::string DesignedFirText(std::span<const double> coefficients) {
    std::string text;
    for (double c : coefficients) {
        if (!(c < 0)) text += ' ';
        text += FormatNumber(c, false);
        text += "\r\n";
    }
    return text;
}

bool WriteDesignedFirFile(const std::string& path, std::span<const double> coefficients) {
    const std::string text = DesignedFirText(coefficients);
    return WriteFileAtomic(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace zef::measure
