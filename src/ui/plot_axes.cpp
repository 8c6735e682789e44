#include "ui/plot_axes.h"

#include <algorithm>
#include <cmath>

namespace zef {

double PlotAxis::ToPixel(double value, double length) const {
    if (log) {
        const double lo = std::log10(min), hi = std::log10(max);
        return (std::log10(std::max(value, 1e-12)) - lo) / (hi - lo) * length;
    }
    return (value - min) / (max - min) * length;
}

double PlotAxis::FromPixel(double pixel, double length) const {
    const double r = length > 0 ? pixel / length : 0;
    if (log) return std::pow(10.0, std::log10(min) + r * (std::log10(max) - std::log10(min)));
    return min + r * (max - min);
}

std::vector<double> AxisTicks(const PlotAxis& axis, int maxTicks) {
    std::vector<double> ticks;
    if (!(axis.max > axis.min)) return ticks;
    if (axis.log) {
        for (double decade = std::pow(10.0, std::floor(std::log10(axis.min))); decade <= axis.max;
             decade *= 10)
            for (double m : {1.0, 2.0, 5.0})
                if (const double v = m * decade; v >= axis.min * (1 - 1e-9) && v <= axis.max * (1 + 1e-9))
                    ticks.push_back(v);
        return ticks;
    }
    const double span = axis.max - axis.min;
    const double raw = span / std::max(1, maxTicks - 1);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = power;
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw * (1 - 1e-9)) {
            step = m * power;
            break;
        }
    for (double v = std::ceil(axis.min / step - 1e-9) * step; v <= axis.max + step * 1e-9; v += step)
        ticks.push_back(std::abs(v) < step * 1e-9 ? 0.0 : v);
    return ticks;
}

QString TickLabel(const PlotAxis& axis, double value, double step) {
    if (axis.unit == "Hz" && value >= 1000) {
        const double k = value / 1000;
        return QString::number(k, 'g', 3) + "k";
    }
    int decimals = 0;
    if (step > 0 && step < 1) decimals = static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    return QString::number(value, 'f', std::clamp(decimals, 0, 4));
}

std::vector<AxisTick> AxisTickMarks(const PlotAxis& axis, int maxTicks, double length) {
    const std::vector<double> ticks = AxisTicks(axis, maxTicks);
    const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 0;
    std::vector<AxisTick> marks;
    marks.reserve(ticks.size());
    for (double v : ticks) marks.push_back({axis.ToPixel(v, length), TickLabel(axis, v, step)});
    return marks;
}

QString PointerReadout(const PlotAxis& x, double xValue, const PlotAxis& y, double yValue) {
    auto part = [](const PlotAxis& a, double v) {
        const int decimals = a.unit == "Hz" ? 0 : (a.unit == "ms" ? 2 : 1);
        const QString number = QString::number(v, 'f', decimals);
        return a.unit.isEmpty() ? number : number + " " + a.unit;
    };
    return part(x, xValue) + "; " + part(y, yValue);
}

}  // namespace zef
