#pragma once
// Pure geometry and texts of the measurement plots (XyPlot): an axis maps
// values to pixels (linear, or logarithmic in frequency), chooses its tick
// values and writes their labels; the pointer read-out text. No painting.

#include <QString>
#include <vector>

namespace zef {

struct PlotAxis {
    double min = 0;
    double max = 1;
    bool log = false;  // logarithmic (min must be > 0)
    QString unit;      // "ms", "Hz", "dB", "Deg"

    // Pixel of `value` on an axis `length` pixels long, 0 at `min`.
    double ToPixel(double value, double length) const;
    double FromPixel(double pixel, double length) const;
};

// Tick values inside [min, max]: for a log axis 1-2-5 per decade, otherwise
// a round step (1, 2 or 5 times a power of ten) giving at most `maxTicks`.
std::vector<double> AxisTicks(const PlotAxis& axis, int maxTicks);
// Label of a tick: whole numbers as they are, thousands of Hz as "1k", "20k",
// other values with the decimals the step needs.
QString TickLabel(const PlotAxis& axis, double value, double step);

// A tick as drawn: its distance from the axis' minimum in pixels and its label.
struct AxisTick {
    double pixel;
    QString label;
};
// The ticks of AxisTicks(axis, maxTicks) on an axis `length` pixels long,
// each labelled with TickLabel at the step between the ticks.
std::vector<AxisTick> AxisTickMarks(const PlotAxis& axis, int maxTicks, double length);

// The read-out beside the pointer: "1250 Hz; -3.5 dB" (x then y, each with
// its unit; Hz whole, ms to two decimals, the rest to one).
QString PointerReadout(const PlotAxis& x, double xValue, const PlotAxis& y, double yValue);

}  // namespace zef
