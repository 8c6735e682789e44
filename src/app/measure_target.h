#pragma once
// The curve of a measuring target (flat, tilt or file) and its band shape.

#include <string>

#include "app/dialogs.h"
#include "app/measure_session.h"
#include "files/frequency_curve.h"
#include "measure/analyser.h"

namespace zef {

// "" and `out` set (empty for flat), or the file reader's message naming the line.
std::string TargetCurve(const MeasureTarget& target, FrequencyCurve& out);
// The target's level per third-octave band (zeros for flat); "" or the reader's message.
std::string TargetShape(const MeasureTarget& target, BandSpectrum& out);

// Reads a curve file the user chose: true and `out` filled, or the reader's
// message (naming the line) shown under `title` and `out` untouched.
bool ReadChosenCurve(Dialogs& dialogs, const std::string& title, const std::string& path, FrequencyCurve& out);

}  // namespace zef
