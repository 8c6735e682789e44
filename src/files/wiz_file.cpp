#include "files/wiz_file.h"

#include "files/binary_io.h"
#include "files/eq_target.h"
#include "base/input_file.h"
#include "files/irw_file.h"

namespace zef {

std::vector<std::uint8_t> EncodeWiz(const WizardFile& f) {
    ByteWriter w;
    w.i32(static_cast<std::int32_t>(f.ir.size()) - 1);
    for (double v : f.ir) w.f64(v);
    WriteEqTargetRecord(w, f.target);
    w.i16(f.precision);
    w.i16(f.maxFrequency);
    w.i16(f.smoothingWord);
    w.f64(f.latencyMs);
    w.i16(f.firMode);
    w.i16(f.tapChoice);
    w.i16(f.minFrequency);
    w.i16(f.windowStep);
    return w.data();
}

WizReadResult ParseWiz(std::span<const std::uint8_t> bytes) {
    WizReadResult result;
    if (bytes.size() < kWizMinimumBytes) {
        result.error = "too short for a wizard file (" + std::to_string(bytes.size()) + " bytes)";
        return result;
    }
    ByteReader r(bytes);
    WizardFile& f = result.file;
    if (std::string error = ReadImpulseSamples(r, kWizTrailerBytes, f.ir); !error.empty()) {
        result.error = error;
        return result;
    }
    f.target = ReadEqTargetRecord(r);
    f.precision = r.i16();
    f.maxFrequency = r.i16();
    f.smoothingWord = r.i16();
    f.latencyMs = r.f64();
    f.firMode = r.i16();
    f.tapChoice = r.i16();
    f.minFrequency = r.i16();
    f.windowStep = r.i16();
    if (!r.ok()) {  // cannot happen after the length check; kept as the reader's contract
        result = {};
        result.error = "truncated";
    }
    return result;
}

WizReadResult ReadWizFile(const std::string& path) {
    const FileBytes file = ReadWholeFile(path, 4 + 8 * kIrwMaximumSamples + kWizTrailerBytes);
    WizReadResult result;
    if (file.error == FileReadError::None)
        result = ParseWiz(file.bytes);
    else
        result.error = file.problem;
    if (!result.ok()) result.error = path + ": " + result.error;
    return result;
}

std::string WriteWizFile(const std::string& path, const WizardFile& file) {
    if (file.ir.empty()) return path + ": there is no impulse response to save";
    if (file.ir.size() > kIrwMaximumSamples) return path + ": the impulse response is too long to save";
    if (!WriteFileAtomic(path, EncodeWiz(file))) return path + ": the file cannot be written";
    return {};
}

}  // namespace zef
