#include "dsp/fir_views.h"

#include <algorithm>
#include <cmath>

#include "model/locale.h"

namespace zef::fir {
namespace {

constexpr double kLogLowHz = 20.0;
constexpr double kHighHz = 20000.0;
constexpr double kDecades = 3.0;

// Adding 0.0 turns -0 into 0.
double Round1(double v) { return std::round(v * 10.0) / 10.0 + 0.0; }

}  // namespace

double ClampThreshold(double dbfs) {
    if (std::isnan(dbfs)) return kThresholdHighDb;
    return std::clamp(dbfs, kThresholdLowDb, kThresholdHighDb);
}

int ThresholdSliderPosition(double dbfs) {
    return static_cast<int>(std::lround(kThresholdHighDb - ClampThreshold(dbfs)));
}

double ThresholdFromSlider(int position) {
    return kThresholdHighDb - std::clamp(position, 0, kThresholdSliderMax);
}

std::vector<double> GroupDelayMs(std::span<const double> phaseDeg, std::span<const double> hz) {
    const std::size_t n = std::min(phaseDeg.size(), hz.size());
    std::vector<double> out(n, 0.0);
    if (n < 2) return out;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t lo = k == 0 ? 0 : k - 1;
        const std::size_t hi = k + 1 == n ? k : k + 1;
        const double df = hz[hi] - hz[lo];
        out[k] = df > 0.0 ? -(phaseDeg[hi] - phaseDeg[lo]) / (360.0 * df) * 1000.0 : 0.0;
    }
    return out;
}

ValueRange ViewRange(FirView view, int phaseRange) {
    switch (view) {
        case FirView::Magnitude:
            return {-90.0, 10.0, 10.0, "dB"};
        case FirView::GroupDelay:
            return {-2.0, 10.0, 1.0, "ms/Hz"};
        case FirView::Phase:
            break;
    }
    static constexpr ValueRange kPhase[] = {
        {-500.0, 100.0, 100.0, "Deg"}, {-5000.0, 1000.0, 1000.0, "Deg"}, {-50000.0, 10000.0, 10000.0, "Deg"}};
    return kPhase[std::clamp(phaseRange, 0, 2)];
}

double FirPlotMapping::lowHz() const { return logarithmic ? kLogLowHz : 0.0; }

double FirPlotMapping::x(double hz) const {
    if (logarithmic) return width / kDecades * std::log10(std::max(hz, 1e-9) / kLogLowHz);
    return width * hz / kHighHz;
}

double FirPlotMapping::y(double value) const {
    const double span = range.top - range.bottom;
    return span > 0.0 ? height * (range.top - value) / span : height / 2.0;
}

double FirPlotMapping::frequencyAt(double px) const {
    const double t = width > 0.0 ? std::clamp(px / width, 0.0, 1.0) : 0.0;
    if (logarithmic) return kLogLowHz * std::pow(10.0, kDecades * t);
    return kHighHz * t;
}

std::vector<double> FrequencyLines(bool logarithmic) {
    std::vector<double> lines;
    if (!logarithmic) {
        for (int f = 2000; f < 20000; f += 2000) lines.push_back(f);
        return lines;
    }
    for (double decade = 10.0; decade < kHighHz; decade *= 10.0)
        for (int m = 1; m <= 9; ++m) {
            const double f = m * decade;
            if (f > kLogLowHz && f < kHighHz) lines.push_back(f);
        }
    return lines;
}

std::vector<double> ValueLines(const ValueRange& range) {
    std::vector<double> lines;
    if (range.step <= 0.0) return lines;
    const int count = static_cast<int>(std::floor((range.top - range.bottom) / range.step + 1e-9));
    for (int i = 0; i <= count; ++i) lines.push_back(range.bottom + i * range.step);
    return lines;
}

std::vector<std::vector<dsp::PlotPoint>> SeriesPolylines(std::span<const double> values,
                                                         std::span<const double> hz,
                                                         const FirPlotMapping& mapping,
                                                         std::span<const double> magnitudeDb,
                                                         double thresholdDb) {
    std::vector<std::vector<dsp::PlotPoint>> runs;
    const std::size_t n = std::min(values.size(), hz.size());
    const bool gated = !magnitudeDb.empty();
    auto passes = [&](std::size_t k) {
        return !gated || (k < magnitudeDb.size() && magnitudeDb[k] >= thresholdDb);
    };
    auto point = [&](std::size_t k) { return dsp::PlotPoint{mapping.x(hz[k]), mapping.y(values[k])}; };
    std::vector<dsp::PlotPoint> run;
    for (std::size_t k = 1; k < n; ++k) {
        const bool drawn = hz[k] >= mapping.lowHz() && hz[k] > 0.0 && passes(k - 1) && passes(k) &&
                           std::isfinite(values[k - 1]) && std::isfinite(values[k]) &&
                           (hz[k - 1] > 0.0 || !mapping.logarithmic);
        if (!drawn) {
            if (run.size() >= 2) runs.push_back(std::move(run));
            run.clear();
            continue;
        }
        if (run.empty()) run.push_back(point(k - 1));
        run.push_back(point(k));
    }
    if (run.size() >= 2) runs.push_back(std::move(run));
    return runs;
}

std::size_t NearestBin(double hz, double binHz, std::size_t bins) {
    if (bins == 0 || binHz <= 0.0 || !(hz > 0.0)) return 0;
    const double k = std::round(hz / binHz);
    return static_cast<std::size_t>(std::min(k, static_cast<double>(bins - 1)));
}

std::string FirReadout(FirView view, double value, double hz, bool decimalComma) {
    const char* unit = view == FirView::Magnitude ? "dB; " : view == FirView::Phase ? "Deg; " : "ms; ";
    return FormatNumber(Round1(value), decimalComma) + unit + FormatNumber(Round1(hz), decimalComma) + "Hz";
}

}  // namespace zef::fir
