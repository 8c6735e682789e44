#include "dsp/graph.h"

#include "base/check.h"

#include <algorithm>
#include <cmath>

#include "model/locale.h"

namespace zef::dsp {

namespace {

constexpr std::array<double, 24> kGridLineHz = {20,   30,   40,   50,   100,  200,  300,   400,
                                                500,  600,  700,  800,  900,  1000, 2000,  3000,
                                                4000, 5000, 6000, 7000, 8000, 9000, 10000, 19900};

constexpr double kDecades = 3.0;
constexpr double kViewAllRangeDb = 30.0;

using LabelTable =
    std::array<std::array<std::array<std::string, kAmplitudeLabels>, kShiftSteps>, kZoomLevels>;

LabelTable BuildLabelTable() {
    LabelTable table;
    for (int z = 0; z < kZoomLevels; ++z) {
        const int step = 5 * (z + 1);  // R / 3
        for (int s = 0; s < kShiftSteps; ++s) {
            for (int row = 0; row < kAmplitudeLabels; ++row) {
                table[static_cast<std::size_t>(z)][static_cast<std::size_t>(s)]
                     [static_cast<std::size_t>(row)] = AmplitudeLabelText(step * (3 - s - row));
            }
        }
    }
    return table;
}

double RoundToTenth(double v) {
    const double r = std::round(v * 10.0) / 10.0;
    return r == 0.0 ? 0.0 : r;  // no "-0"
}

}  // namespace

double ZoomRangeDb(int zoom) {
    if (!ZEF_CHECK(zoom >= 0 && zoom < kZoomLevels)) zoom = 0;
    return 15.0 * (zoom + 1);
}

float ShiftDb(int zoom, int step) {
    if (!ZEF_CHECK(step >= 0 && step < kShiftSteps)) step = 0;
    return static_cast<float>(step * ZoomRangeDb(zoom) / 3.0);
}

GraphMapping GraphMapping::Editor(double width, double height, int zoom, int shiftStep) {
    return {width, height, ZoomRangeDb(zoom), ShiftDb(zoom, shiftStep)};
}

GraphMapping GraphMapping::ViewAll(double width, double height) {
    return {width, height, kViewAllRangeDb, 0.0};
}

double GraphMapping::x(double frequencyHz) const {
    return (width / kDecades) * std::log10(frequencyHz / kGraphLowHz);
}

double GraphMapping::y(double db) const { return height / 2 - (height / (2 * rangeDb)) * (db + shiftDb); }

double GraphMapping::frequencyAt(double px) const {
    return kGraphLowHz * std::pow(10.0, kDecades * px / width);
}

double GraphMapping::dbAt(double py) const { return (height / 2 - py) * (2 * rangeDb) / height - shiftDb; }

std::span<const double> GridLineFrequencies() { return kGridLineHz; }

std::array<double, 11> HorizontalGridLines(double height) {
    std::array<double, 11> lines{};
    for (std::size_t i = 0; i < lines.size(); ++i) lines[i] = height * static_cast<double>(i + 1) / 12.0;
    return lines;
}

std::string AmplitudeLabelText(int valueDb) {
    const int magnitude = valueDb < 0 ? -valueDb : valueDb;
    std::string text = valueDb > 0 ? "+" : (valueDb < 0 ? "-" : "");
    text += std::to_string(magnitude);
    if (magnitude < 10) text.insert(text.begin(), ' ');
    return text;
}

const std::array<std::string, kAmplitudeLabels>& AmplitudeLabels(int zoom, int shiftStep) {
    if (!ZEF_CHECK(zoom >= 0 && zoom < kZoomLevels && shiftStep >= 0 && shiftStep < kShiftSteps)) zoom = shiftStep = 0;
    static const LabelTable table = BuildLabelTable();
    return table[static_cast<std::size_t>(zoom)][static_cast<std::size_t>(shiftStep)];
}

double AmplitudeLabelY(int row, double height) {
    ZEF_CHECK(row >= 0 && row < kAmplitudeLabels);
    return height * row / (kAmplitudeLabels - 1);
}

PolylineAxis PolylineAxisOf(const FrequencyGrid& grid) {
    std::size_t first = 1;
    while (first < kGridPoints && grid[first] < kGraphLowHz) ++first;
    PolylineAxis axis;
    if (first >= kGridPoints) return axis;
    axis.pen = std::max<std::size_t>(1, first - 1);
    axis.decades.reserve(kGridPoints - axis.pen);
    for (std::size_t k = axis.pen; k < kGridPoints; ++k) axis.decades.push_back(std::log10(grid[k] / kGraphLowHz));
    return axis;
}

std::vector<PlotPoint> CurvePolyline(const PolylineAxis& axis, const Curve& curve, const GraphMapping& mapping) {
    std::vector<PlotPoint> points;
    points.reserve(axis.decades.size());
    const double perDecade = mapping.width / kDecades;  // the factor GraphMapping::x applies
    for (std::size_t i = 0; i < axis.decades.size(); ++i)
        points.push_back({perDecade * axis.decades[i], mapping.y(curve[axis.pen + i])});
    return points;
}

std::vector<PlotPoint> CurvePolyline(const FrequencyGrid& grid, const Curve& curve,
                                     const GraphMapping& mapping) {
    return CurvePolyline(PolylineAxisOf(grid), curve, mapping);
}

void ViewAllCurve(const DeviceResponses& responses, int group, InputAddition addition, Curve& out) {
    out = responses.group(group);
    if (!IsOutputGroup(group)) return;
    const bool addL = addition == InputAddition::InputL || addition == InputAddition::BothInputs;
    const bool addR = addition == InputAddition::InputR || addition == InputAddition::BothInputs;
    const Curve& l = responses.group(kGroupInputL);
    const Curve& r = responses.group(kGroupInputR);
    for (std::size_t k = 0; k < kGridPoints; ++k) {
        if (addL) out[k] += l[k];
        if (addR) out[k] += r[k];
    }
}

std::array<std::string, 4> ViewAllOptionCaptions(std::string_view firstInputName,
                                                 std::string_view secondInputName) {
    const std::string first(firstInputName);
    const std::string second(secondInputName);
    return {"No Input", "+ " + first, "+ " + second, "+ " + first + "+" + second};
}

CursorReading ViewAllCursorReading(double x, double y, double width, double height, bool decimalComma) {
    const double cx = std::clamp(x, 0.0, width);
    const double cy = std::clamp(y, 0.0, height);
    const double perDb = height / (2 * kViewAllRangeDb);
    const double frequency = RoundToTenth(kGraphLowHz * std::pow(10.0, kDecades * cx / width));
    const double gain = RoundToTenth((kViewAllRangeDb * perDb - cy) / perDb);
    return {gain, frequency,
            FormatNumber(gain, decimalComma) + "dB; " + FormatNumber(frequency, decimalComma) + "Hz"};
}

}  // namespace zef::dsp
