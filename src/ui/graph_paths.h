#pragma once
// Pure geometry of the plot widgets: the polyline of a curve reduced to what
// a pixel grid can show, the plot area inside a widget, and where a graph's
// labels go. No painting here.

#include <QPointF>
#include <QRect>
#include <vector>

#include "dsp/graph.h"
#include "ui/plot_axes.h"

namespace zef {

// Keeps, for every run of points that falls into one pixel column, the
// first, the lowest, the highest and the last point (in order), so that a
// narrow peak or notch survives while a 6827-point curve drawn 800 pixels
// wide costs a few thousand segments at most. Points are offset by `origin`.
std::vector<QPointF> ColumnReducedPolyline(const std::vector<dsp::PlotPoint>& points, QPointF origin = {});

// The lines that draw the curve (x[i], y[i]) in a plot `width` x `height`
// pixels, in pixels from its top left corner. A point is left out where y is
// not finite or, on a logarithmic x axis, x is not above 0; y is held within
// 10 pixels of the plot. A step of more than `wrapJump` between neighbouring
// values ends a line and starts the next (a phase curve's wrap).
std::vector<std::vector<dsp::PlotPoint>> CurveLines(const std::vector<double>& x,
                                                    const std::vector<double>& y, const PlotAxis& xAxis,
                                                    const PlotAxis& yAxis, double width, double height,
                                                    double wrapJump);

// The plot area of a graph widget of `size`: a left margin for the amplitude
// labels and a bottom margin for the frequency labels.
struct PlotMargins {
    int left = 34;
    int top = 6;
    int right = 14;
    int bottom = 16;
};
QRect PlotArea(const QSize& size, const PlotMargins& margins);

// Frequency labels under the plot: (frequency, text) of 20, 50, 100, 200,
// 500, 1k, 2k, 5k, 10k, 20k.
struct FrequencyTick {
    double hz;
    const char* text;
};
const std::vector<FrequencyTick>& FrequencyTicks();

}  // namespace zef
