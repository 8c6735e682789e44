#include "ui/graph_paths.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zef {

std::vector<QPointF> ColumnReducedPolyline(const std::vector<dsp::PlotPoint>& points, QPointF origin) {
    std::vector<QPointF> out;
    out.reserve(std::min<std::size_t>(points.size(), 4096));
    std::size_t i = 0;
    while (i < points.size()) {
        const double column = std::floor(points[i].x);
        std::size_t end = i + 1;
        std::size_t lo = i, hi = i;
        while (end < points.size() && std::floor(points[end].x) == column) {
            if (points[end].y < points[lo].y) lo = end;
            if (points[end].y > points[hi].y) hi = end;
            ++end;
        }
        const std::size_t last = end - 1;
        // In index order, without repeats.
        std::size_t keep[4] = {i, std::min(lo, hi), std::max(lo, hi), last};
        std::size_t previous = static_cast<std::size_t>(-1);
        for (std::size_t k : keep) {
            if (k == previous) continue;
            if (previous != static_cast<std::size_t>(-1) && k < previous) continue;
            out.emplace_back(origin.x() + points[k].x, origin.y() + points[k].y);
            previous = k;
        }
        i = end;
    }
    return out;
}

std::vector<std::vector<dsp::PlotPoint>> CurveLines(const std::vector<double>& x,
                                                    const std::vector<double>& y, const PlotAxis& xAxis,
                                                    const PlotAxis& yAxis, double width, double height,
                                                    double wrapJump) {
    std::vector<std::vector<dsp::PlotPoint>> lines(1);
    const std::size_t n = std::min(x.size(), y.size());
    double previous = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t i = 0; i < n; ++i) {
        if (xAxis.log && x[i] <= 0) continue;
        if (!std::isfinite(y[i])) continue;
        if (std::abs(y[i] - previous) > wrapJump && !lines.back().empty()) lines.emplace_back();
        previous = y[i];
        const double py = std::clamp(height - yAxis.ToPixel(y[i], height), -10.0, height + 10.0);
        lines.back().push_back({xAxis.ToPixel(x[i], width), py});
    }
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

QRect PlotArea(const QSize& size, const PlotMargins& m) {
    return QRect(m.left, m.top, std::max(1, size.width() - m.left - m.right),
                 std::max(1, size.height() - m.top - m.bottom));
}

const std::vector<FrequencyTick>& FrequencyTicks() {
    static const std::vector<FrequencyTick> ticks = {
        {20, "20"},   {50, "50"},   {100, "100"}, {200, "200"},   {500, "500"},
        {1000, "1k"}, {2000, "2k"}, {5000, "5k"}, {10000, "10k"}, {20000, "20k"}};
    return ticks;
}

}  // namespace zef
