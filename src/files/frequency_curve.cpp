#include "files/frequency_curve.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>
#include <span>

#include "base/c_number.h"
#include "base/input_file.h"
#include "files/binary_io.h"

namespace zef {
namespace {

constexpr std::size_t kMaxFileBytes = 4 << 20;

bool IsComment(std::string_view line) {
    return !line.empty() && (line[0] == '*' || line[0] == '"' || line[0] == '#' || line[0] == ';');
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    const auto separator = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == ';'; };
    while (at < line.size()) {
        while (at < line.size() && separator(line[at])) ++at;
        const std::size_t start = at;
        while (at < line.size() && !separator(line[at])) ++at;
        if (at > start) fields.push_back(line.substr(start, at - start));
    }
    return fields;
}

// "=-1.25dB" anywhere in a comment line that names the sensitivity.
std::optional<double> SensitivityOf(std::string_view line) {
    std::string lower(line);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.find("sens") == std::string::npos) return std::nullopt;
    const std::size_t eq = lower.find('=');
    const std::size_t db = lower.find("db", eq == std::string::npos ? 0 : eq);
    if (eq == std::string::npos || db == std::string::npos) return std::nullopt;
    return ParseCNumber(Trim(std::string_view(lower).substr(eq + 1, db - eq - 1)));
}

// Linear in dB (or degrees) over log frequency between the points around `hz`.
template <typename Field>
double Interpolate(const std::vector<CurvePoint>& points, double hz, Field field) {
    if (points.empty()) return 0;
    if (hz <= points.front().hz) return field(points.front());
    if (hz >= points.back().hz) return field(points.back());
    const auto upper =
        std::upper_bound(points.begin(), points.end(), hz, [](double f, const CurvePoint& p) { return f < p.hz; });
    const CurvePoint& b = *upper;
    const CurvePoint& a = *std::prev(upper);
    const double t = std::log(hz / a.hz) / std::log(b.hz / a.hz);
    return field(a) + t * (field(b) - field(a));
}

}  // namespace

double FrequencyCurve::DbAt(double hz) const {
    return Interpolate(points, hz, [](const CurvePoint& p) { return p.db; });
}

double FrequencyCurve::PhaseDegAt(double hz) const {
    return Interpolate(points, hz, [](const CurvePoint& p) { return p.phaseDeg; });
}

std::string ParseFrequencyCurve(std::string_view text, const std::string& name, FrequencyCurve& out) {
    FrequencyCurve curve;
    std::size_t lineNumber = 0;
    std::optional<bool> phases;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        const std::string_view line = Trim(raw);
        const auto where = [&] { return name + " line " + std::to_string(lineNumber) + ": "; };
        if (line.empty()) continue;
        if (IsComment(line)) {
            if (const auto s = SensitivityOf(line); s && !curve.sensitivityDb) curve.sensitivityDb = s;
            continue;
        }
        const std::vector<std::string_view> fields = Fields(line);
        if (fields.size() < 2 || fields.size() > 3)
            return where() + "expected \"frequency dB\" or \"frequency dB phase\", found \"" + std::string(line) +
                   "\"";
        CurvePoint p;
        double* values[] = {&p.hz, &p.db, &p.phaseDeg};
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const std::optional<double> v = ParseCNumber(fields[i]);
            if (!v) return where() + "\"" + std::string(fields[i]) + "\" is not a number";
            *values[i] = *v;
        }
        if (!(p.hz > 0)) return where() + "the frequency must be above 0 Hz";
        if (!curve.points.empty() && p.hz <= curve.points.back().hz)
            return where() + "the frequencies must rise (" + CNumber(p.hz) + " Hz follows " +
                   CNumber(curve.points.back().hz) + " Hz)";
        const bool hasPhase = fields.size() == 3;
        if (phases && *phases != hasPhase)
            return where() + (hasPhase ? "a phase where the lines before have none"
                                       : "no phase where the lines before have one");
        phases = hasPhase;
        curve.points.push_back(p);
    }
    if (curve.points.empty()) return name + ": no \"frequency dB\" lines";
    curve.hasPhase = phases.value_or(false);
    out = std::move(curve);
    return "";
}

std::string ReadFrequencyCurve(const std::string& path, FrequencyCurve& out) {
    const FileBytes file = ReadWholeFile(path, kMaxFileBytes);
    if (!file.ok()) return FileProblemLine(path, file.problem);
    return ParseFrequencyCurve(std::string_view(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()),
                               path, out);
}

std::string FrequencyCurveText(const FrequencyCurve& curve, std::string_view comment) {
    std::string text;
    while (!comment.empty()) {
        const std::size_t end = comment.find('\n');
        text += "* ";
        text += comment.substr(0, end);
        text += '\n';
        comment.remove_prefix(end == std::string_view::npos ? comment.size() : end + 1);
    }
    if (curve.sensitivityDb) text += "\"Sens Factor =" + CNumber(*curve.sensitivityDb) + "dB\n";
    for (const CurvePoint& p : curve.points) {
        text += CGeneral(p.hz, 9) + ' ' + CFixed(p.db, 4);
        if (curve.hasPhase) text += ' ' + CFixed(p.phaseDeg, 3);
        text += '\n';
    }
    return text;
}

std::string WriteFrequencyCurve(const std::string& path, const FrequencyCurve& curve, std::string_view comment) {
    const std::string text = FrequencyCurveText(curve, comment);
    if (!WriteFileAtomic(path, std::string_view(text))) return "cannot write " + path;
    return "";
}

FrequencyCurve TiltCurve(double dbPerOctave) {
    FrequencyCurve c;
    for (double hz : {20.0, 20000.0}) c.points.push_back({hz, dbPerOctave * std::log2(hz / 1000.0), 0});
    return c;
}

}  // namespace zef
