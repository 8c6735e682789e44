#pragma once
// Saving what the measuring windows measured, in files other programs open:
// an impulse response as a 32-bit float WAV or as "frequency dB phase" text,
// third-octave band levels as CSV. Each asks for the file through the save
// dialog (the filter's extension added to a name typed without one) and
// shows a failure under its title. True when written; false when the user
// cancelled, nothing was measured yet, or the file could not be written.

#include <cstddef>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "measure/analyser.h"

namespace zef {

inline constexpr const char* kSaveImpulseWavTitle = "Save impulse response (WAV)";
inline constexpr const char* kSaveResponseTitle = "Save frequency response";
inline constexpr const char* kSaveBandLevelsTitle = "Save band levels";
inline constexpr const char* kWavFilter = "WAV files (*.wav)|*.wav";
inline constexpr const char* kResponseFilter = "Frequency responses (*.txt)|*.txt";
inline constexpr const char* kCsvFilter = "CSV files (*.csv)|*.csv";

// `rate` Hz; the response's time zero is sample `timeZero` (its phase is
// measured from there).
bool SaveImpulseWav(Dialogs& dialogs, const std::vector<double>& ir, int rate, const std::string& folder);
bool SaveResponseText(Dialogs& dialogs, const std::vector<double>& ir, std::size_t timeZero, int rate,
                      const std::string& folder);
bool SaveBandLevels(Dialogs& dialogs, const BandSpectrum& levelsDb, const std::string& folder);

}  // namespace zef
