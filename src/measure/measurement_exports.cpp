#include "measure/measurement_exports.h"

#include <cmath>
#include <complex>
#include <numbers>

#include "base/c_number.h"
#include "base/input_file.h"
#include "files/binary_io.h"
#include "measure/third_octave.h"

namespace zef::measure {
namespace {

constexpr double kLowestHz = 10.0;
constexpr double kHighestHz = 24000.0;
constexpr int kPointsPerOctave = 48;
constexpr std::size_t kMaxCsvBytes = 64 * 1024;

}  // namespace

FrequencyCurve ResponseCurve(std::span<const double> response, std::size_t timeZero, double rate) {
    FrequencyCurve curve;
    curve.hasPhase = true;
    const double top = std::min(kHighestHz, rate / 2);
    for (int i = 0;; ++i) {
        const double hz = std::min(kLowestHz * std::exp2(static_cast<double>(i) / kPointsPerOctave), top);
        // The transform at exactly `hz`, by a rotating phasor (renormalised now
        // and then so that its rounding does not accumulate).
        const double w = 2.0 * std::numbers::pi * hz / rate;
        const std::complex<double> step = std::polar(1.0, -w);
        std::complex<double> turn = std::polar(1.0, w * static_cast<double>(timeZero));
        std::complex<double> sum;
        for (std::size_t n = 0; n < response.size(); ++n) {
            sum += response[n] * turn;
            turn *= step;
            if ((n & 1023) == 1023) turn /= std::abs(turn);
        }
        const double magnitude = std::abs(sum);
        curve.points.push_back({hz, magnitude > 0 ? 20.0 * std::log10(magnitude) : -200.0,
                                std::arg(sum) * 180.0 / std::numbers::pi});
        if (hz >= top) break;
    }
    return curve;
}

std::string BandLevelsCsv(const BandSpectrum& levelsDb) {
    std::string text = "band_hz,level_db\n";
    for (std::size_t b = 0; b < kThirdOctaveBands; ++b)
        text += std::to_string(kBandLabelsHz[b]) + "," + CFixed(levelsDb[b], 2) + "\n";
    return text;
}

std::string ParseBandLevelsCsv(std::string_view text, const std::string& name, BandSpectrum& out) {
    BandSpectrum levels{};
    std::size_t band = 0;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || (lineNumber == 1 && line.starts_with("band_hz"))) continue;
        const auto where = [&] { return name + " line " + std::to_string(lineNumber) + ": "; };
        const std::size_t comma = line.find(',');
        const std::optional<double> hz = ParseCNumber(line.substr(0, comma));
        const std::optional<double> db =
            comma == std::string_view::npos ? std::nullopt : ParseCNumber(line.substr(comma + 1));
        if (!hz || !db) return where() + "expected \"band_hz,level_db\", found \"" + std::string(line) + "\"";
        if (band >= kThirdOctaveBands) return where() + "more than 30 bands";
        if (*hz != kBandLabelsHz[band])
            return where() + "band " + std::to_string(band + 1) + " should be " +
                   std::to_string(kBandLabelsHz[band]) + " Hz, not " + CNumber(*hz);
        levels[band++] = *db;
    }
    if (band != kThirdOctaveBands) return name + ": " + std::to_string(band) + " bands, not 30";
    out = levels;
    return "";
}

std::string WriteBandLevelsCsv(const std::string& path, const BandSpectrum& levelsDb) {
    const std::string text = BandLevelsCsv(levelsDb);
    if (!WriteFileAtomic(path, std::string_view(text))) return "cannot write " + path;
    return "";
}

std::string ReadBandLevelsCsv(const std::string& path, BandSpectrum& out) {
    const FileBytes file = ReadWholeFile(path, kMaxCsvBytes);
    if (!file.ok()) return FileProblemLine(path, file.problem);
    return ParseBandLevelsCsv(std::string_view(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()),
                              path, out);
}

}  // namespace zef::measure
