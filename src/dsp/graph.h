#pragma once
// Geometry and texts of the response graphs, as pure functions; the widgets
// only draw what these compute.
//
// A picture box of width W and height H shows three decades on a logarithmic
// frequency axis, 20 Hz at the left edge and 20 kHz at the right:
//   x(f)  = (W/3) log10(f / 20)
//   y(dB) = H/2 - (H / 2R) (dB + shift)
// with the half-range R = 15 (z + 1) dB for zoom index z = 0..3 and the shift
// s R / 3 dB for shift step s = 0..5. The "View All Graph" window uses a fixed
// +-30 dB scale without shift.

#include <array>
#include <span>
#include <string>
#include <vector>

#include "dsp/grid.h"
#include "dsp/responses.h"

namespace zef::dsp {

inline constexpr int kZoomLevels = 4;
inline constexpr int kShiftSteps = 6;
inline constexpr int kAmplitudeLabels = 7;
inline constexpr double kGraphLowHz = 20.0;

// Half-range R of zoom index 0..3: 15, 30, 45, 60 dB.
double ZoomRangeDb(int zoom);
// Shift of step 0..5 at a zoom index: step * R / 3 dB (single precision, as kept by the view).
float ShiftDb(int zoom, int step);

// The mapping of one picture box.
struct GraphMapping {
    double width = 0.0;
    double height = 0.0;
    double rangeDb = 15.0;  // R
    double shiftDb = 0.0;

    static GraphMapping Editor(double width, double height, int zoom, int shiftStep);
    // +-30 dB, no shift.
    static GraphMapping ViewAll(double width, double height);

    double x(double frequencyHz) const;
    double y(double db) const;
    // Inverses, for pointer positions.
    double frequencyAt(double x) const;
    double dbAt(double y) const;
};

// Frequencies of the vertical grid lines (no lines at 60..90 Hz; the last one
// at 19900 Hz so that it falls inside the box).
std::span<const double> GridLineFrequencies();
// The 11 horizontal grid lines that cut the height into twelve equal bands.
std::array<double, 11> HorizontalGridLines(double height);

// Amplitude labels, top to bottom: from R - s R/3 down in steps of R/3. Text
// is the signed whole number ("+15", "-100"), "0" for zero, with a leading
// blank when it has one digit (" +5", " 0", " -5").
std::string AmplitudeLabelText(int valueDb);
const std::array<std::string, kAmplitudeLabels>& AmplitudeLabels(int zoom, int shiftStep);
// Vertical position of label row 0..6 (top edge to bottom edge, H/6 apart).
double AmplitudeLabelY(int row, double height);

struct PlotPoint {
    double x;
    double y;
    bool operator==(const PlotPoint&) const = default;
};

// The polyline of a curve: the first point is where the pen is put (the last
// grid point below 20 Hz, never point 0), every further point is the end of
// one straight segment, for every grid point from 20 Hz up.
std::vector<PlotPoint> CurvePolyline(const FrequencyGrid& grid, const Curve& curve,
                                     const GraphMapping& mapping);

// The horizontal half of CurvePolyline, which every curve of one graph
// shares: the pen point and each point's distance above the graph's low end
// in decades. A graph drawing several curves computes it once per paint.
struct PolylineAxis {
    std::size_t pen = 0;
    std::vector<double> decades;  // for grid points pen, pen + 1, ...
};
PolylineAxis PolylineAxisOf(const FrequencyGrid& grid);
std::vector<PlotPoint> CurvePolyline(const PolylineAxis& axis, const Curve& curve, const GraphMapping& mapping);

// "View All Graph": what each output's curve adds from the inputs.
enum class InputAddition { None = 0, InputL = 1, InputR = 2, BothInputs = 3 };

// A group's curve as the window draws it: GroupResponse, and for an output
// group plus the chosen inputs' GroupResponse (ignored for other groups).
void ViewAllCurve(const DeviceResponses& responses, int group, InputAddition addition, Curve& out);

// Captions of the four option buttons: "No Input", "+ " first, "+ " second,
// "+ " first "+" second.
std::array<std::string, 4> ViewAllOptionCaptions(std::string_view firstInputName,
                                                 std::string_view secondInputName);

// The read-out while the button is held at (x, y) in a W x H "View All Graph"
// picture: x and y limited to the picture, frequency 20 * 10^(3x/W), gain on
// the +-30 dB scale, both rounded to one decimal: "3.5dB; 1000Hz". Numbers are
// written like the entry boxes (decimal comma when the flag is set).
struct CursorReading {
    double gainDb;
    double frequencyHz;
    std::string text;
};
CursorReading ViewAllCursorReading(double x, double y, double width, double height, bool decimalComma);

}  // namespace zef::dsp
