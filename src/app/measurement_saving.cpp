#include "app/measurement_saving.h"

#include <functional>
#include <optional>

#include "audio/wav_file.h"
#include "measure/measurement_exports.h"

namespace zef {
namespace {

// Asks for the path and writes with `write` ("" or the failure).
bool SaveWith(Dialogs& dialogs, const char* title, const char* filter, const std::string& folder,
              const std::function<std::string(const std::string& path)>& write) {
    const std::optional<std::string> path = dialogs.SavePath(title, filter, folder);
    if (!path) return false;
    if (std::string e = write(*path); !e.empty()) {
        dialogs.Message(title, e, Icon::Exclamation);
        return false;
    }
    return true;
}

}  // namespace

bool SaveImpulseWav(Dialogs& dialogs, const std::vector<double>& ir, int rate, const std::string& folder) {
    if (ir.empty()) return false;
    return SaveWith(dialogs, kSaveImpulseWavTitle, kWavFilter, folder,
                    [&](const std::string& path) { return audio::WriteWavAtomic(path, ir, rate); });
}

bool SaveResponseText(Dialogs& dialogs, const std::vector<double>& ir, std::size_t timeZero, int rate,
                      const std::string& folder) {
    if (ir.empty()) return false;
    return SaveWith(dialogs, kSaveResponseTitle, kResponseFilter, folder, [&](const std::string& path) {
        return WriteFrequencyCurve(path, measure::ResponseCurve(ir, timeZero, rate),
                                   "measured response: frequency (Hz), dB, phase (degrees) from time zero");
    });
}

bool SaveBandLevels(Dialogs& dialogs, const BandSpectrum& levelsDb, const std::string& folder) {
    return SaveWith(dialogs, kSaveBandLevelsTitle, kCsvFilter, folder, [&](const std::string& path) {
        return measure::WriteBandLevelsCsv(path, levelsDb);
    });
}

}  // namespace zef
