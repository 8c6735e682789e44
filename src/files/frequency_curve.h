#pragma once
// Frequency curves as text, the format measurement programs exchange for
// microphone and sound-card calibrations, target ("house") curves and
// measured responses:
//
//   * a comment line starts with '*', '"', '#' or ';'
//   "Sens Factor =-1.25dB, SERNO: 7001234     <- optional sensitivity line
//   20      -1.50
//   25.2    -1.10   4.5                       <- frequency (Hz), dB, optional phase (degrees)
//
// Fields are separated by blanks, tabs, ',' or ';'; numbers use '.' as the
// decimal point. Frequencies are positive and rise strictly. Either every
// point has a phase or none has. A sensitivity line is a comment line that
// names "sens" and holds "=<number>dB"; its figure is kept, not applied.
//
// Between points a curve is interpolated linearly in dB over log frequency
// (phase likewise); beyond its ends it holds its end values.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zef {

struct CurvePoint {
    double hz = 0;
    double db = 0;
    double phaseDeg = 0;
};

struct FrequencyCurve {
    std::vector<CurvePoint> points;
    bool hasPhase = false;
    std::optional<double> sensitivityDb;

    bool empty() const { return points.empty(); }
    // dB and phase at `hz` (> 0); 0 for an empty curve.
    double DbAt(double hz) const;
    double PhaseDegAt(double hz) const;
};

// "" and `out` filled, or an error naming `name` and the line: "mic.txt line 7: ...".
std::string ParseFrequencyCurve(std::string_view text, const std::string& name, FrequencyCurve& out);
// Reads and parses a file (at most 4 MiB).
std::string ReadFrequencyCurve(const std::string& path, FrequencyCurve& out);
// The curve as text, `comment` first (each of its lines behind "* ").
std::string FrequencyCurveText(const FrequencyCurve& curve, std::string_view comment = {});
// Writes the text atomically; "" or an error for the user.
std::string WriteFrequencyCurve(const std::string& path, const FrequencyCurve& curve,
                                std::string_view comment = {});

// A tilt of `dbPerOctave` through 0 dB at 1 kHz, as a curve (20 Hz..20 kHz).
FrequencyCurve TiltCurve(double dbPerOctave);

}  // namespace zef
