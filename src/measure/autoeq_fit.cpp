#include "measure/autoeq_fit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "base/c_number.h"
#include "dsp/biquad.h"
#include "measure/autoeq_points.h"
#include "model/tables.h"

namespace zef::measure {

namespace {

constexpr std::size_t kBands = kAnalyserBandCount;
constexpr std::size_t kPoints = kAutoEqPoints;
constexpr int kQCount = static_cast<int>(kEqQ.size());

// Q indices tried for the whole set before each filter finds its own.
constexpr int kStartQIndices[] = {10, 16, 22, 28, 34};
// Q index steps tried per filter in the discrete search.
constexpr int kQSteps[] = {-4, -2, -1, 1, 2, 4};
constexpr int kPairQSteps[] = {-2, -1, 1, 2};
constexpr int kMaxSweeps = 60;
constexpr std::size_t kRefinedStarts = 10;
const double kSixthOctave = std::exp2(1.0 / 6.0);
constexpr int kSolverIterations = 12;
// A violation of the band limit costs this much per dB squared: any
// violation outweighs every residual the fit can have.
constexpr double kLimitWeight = 1e6;
// Band levels may exceed the limit by rounding only.
constexpr double kLimitSlackDb = 1e-9;

using PointArray = AutoEqPointArray;

// Solves (A + lambda diag(A)) x = y in place (n x n, row-major); false when singular.
bool SolveDamped(std::vector<double> a, std::vector<double> y, int n, double lambda, std::vector<double>& x) {
    for (int i = 0; i < n; ++i) a[static_cast<std::size_t>(i * n + i)] *= 1.0 + lambda;
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r)
            if (std::fabs(a[static_cast<std::size_t>(r * n + col)]) >
                std::fabs(a[static_cast<std::size_t>(pivot * n + col)]))
                pivot = r;
        const double pv = a[static_cast<std::size_t>(pivot * n + col)];
        if (std::fabs(pv) < 1e-12) return false;
        if (pivot != col) {
            for (int c = 0; c < n; ++c)
                std::swap(a[static_cast<std::size_t>(col * n + c)],
                          a[static_cast<std::size_t>(pivot * n + c)]);
            std::swap(y[static_cast<std::size_t>(col)], y[static_cast<std::size_t>(pivot)]);
        }
        for (int r = col + 1; r < n; ++r) {
            const double f = a[static_cast<std::size_t>(r * n + col)] / pv;
            if (f == 0) continue;
            for (int c = col; c < n; ++c)
                a[static_cast<std::size_t>(r * n + c)] -= f * a[static_cast<std::size_t>(col * n + c)];
            y[static_cast<std::size_t>(r)] -= f * y[static_cast<std::size_t>(col)];
        }
    }
    x.assign(static_cast<std::size_t>(n), 0.0);
    for (int r = n - 1; r >= 0; --r) {
        double s = y[static_cast<std::size_t>(r)];
        for (int c = r + 1; c < n; ++c)
            s -= a[static_cast<std::size_t>(r * n + c)] * x[static_cast<std::size_t>(c)];
        x[static_cast<std::size_t>(r)] = s / a[static_cast<std::size_t>(r * n + r)];
    }
    return true;
}

class Fitter {
public:
    // `range` spans the first to the last band kept; `excluded` marks the
    // bands inside it that are left out.
    Fitter(const BandSpectrum& levels, const AutoEqRange& range, const std::array<bool, kBands>& excluded)
        : levels_(levels), range_(range), excluded_(excluded) {
        boostDb_ = range.maxGainHalfDb / 2.0;
        cutDb_ = range.maxCutHalfDb / 2.0;
        double sum = 0;
        int count = 0;
        for (int b = range.minBand; b <= range.maxBand; ++b) {
            if (excluded_[static_cast<std::size_t>(b)]) continue;
            sum += levels[static_cast<std::size_t>(b)];
            ++count;
        }
        target_ = count ? sum / count : 0.0;
        for (std::size_t k = 0; k < kBands; ++k) filters_[k].frequencyHz = kAutoEqBandHz[k];
    }

    double target() const { return target_; }

    AutoEqFilters Run() {
        // 1. Starting sets: the edge filters as Bells or as shelves reaching
        // beyond the range, every filter at one Q, the gains solved
        // continuously and rounded to codes.
        struct Start {
            double cost;
            AutoEqFilters set;
        };
        std::vector<Start> starts;
        for (bool shelves : {false, true}) {
            if (shelves && !HasShelfEdge()) break;
            for (int qIndex : kStartQIndices) {
                AutoEqFilters set = filters_;
                for (int k = range_.minBand; k <= range_.maxBand; ++k)
                    set[static_cast<std::size_t>(k)].qIndex = qIndex;
                if (shelves) SetEdgeShelves(set);
                const std::vector<double> gains = SolveGains(set);
                for (int k = range_.minBand; k <= range_.maxBand; ++k)
                    set[static_cast<std::size_t>(k)].gainCode =
                        CodeOf(gains[static_cast<std::size_t>(k - range_.minBand)]);
                starts.push_back({CostOf(set), set});
            }
        }
        // 2. From the best few: gain codes, Q indices and neighbour pairs
        // moved a step at a time while the cost falls. The lowest cost wins
        // (the earlier start on a tie).
        std::stable_sort(starts.begin(), starts.end(),
                         [](const Start& x, const Start& y) { return x.cost < y.cost; });
        AutoEqFilters best{};
        double bestCost = 0;
        const std::size_t tries = std::min<std::size_t>(starts.size(), kRefinedStarts);
        for (std::size_t i = 0; i < tries; ++i) {
            const AutoEqFilters refined = Refine(starts[i].set);
            const double cost = CostOf(refined);
            if (i == 0 || cost < bestCost) {
                bestCost = cost;
                best = refined;
            }
        }
        return best;
    }

private:
    int CodeOf(double gainDb) const {
        const int steps = static_cast<int>(std::lround(2.0 * gainDb));
        return kFlatGainCode + std::clamp(steps, -range_.maxCutHalfDb, range_.maxGainHalfDb);
    }

    // The filter's power ratio 10^(dB/10) at every point; the search
    // multiplies these instead of adding decibels, which saves every
    // exponential of a trial.
    const std::vector<double>& Cached(const AutoEqFilter& f) {
        const auto key = std::make_tuple(f.frequencyHz, f.gainCode, f.qIndex, f.type);
        auto it = cache_.find(key);
        if (it == cache_.end()) {
            std::vector<double> r(kPoints);
            FilterResponseAtPoints(f, r.data());
            for (double& v : r) v = std::exp(kPowerPerDb * v);
            it = cache_.emplace(key, std::move(r)).first;
        }
        return it->second;
    }

    double CostOfLevels(const BandSpectrum& eq) const {
        double cost = 0;
        for (std::size_t b = 0; b < kBands; ++b) {
            const int bi = static_cast<int>(b);
            if (bi >= range_.minBand && bi <= range_.maxBand && !excluded_[b]) {
                const double r = levels_[b] + eq[b] - target_;
                cost += r * r;
            }
            const double over = OverLimit(eq[b]);
            if (over > kLimitSlackDb) cost += kLimitWeight * (1.0 + over * over);
        }
        return cost;
    }

    double CostOf(const AutoEqFilters& set) {
        PointArray power;
        power.fill(1.0);
        for (const AutoEqFilter& f : set) {
            const std::vector<double>& r = Cached(f);
            for (std::size_t p = 0; p < kPoints; ++p) power[p] *= r[p];
        }
        return CostOfLevels(BandLevelsOfPower(power));
    }

    // Levenberg-Marquardt on the real-valued gains of the fitted filters of
    // `set` (types, frequencies and Q as given), from the clamped correction.
    std::vector<double> SolveGains(const AutoEqFilters& set) {
        const int n = range_.maxBand - range_.minBand + 1;
        std::vector<double> gains(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const auto bi = static_cast<std::size_t>(range_.minBand + i);
            gains[static_cast<std::size_t>(i)] =
                excluded_[bi] ? 0.0 : std::clamp(target_ - levels_[bi], -cutDb_, boostDb_);
        }
        std::vector<std::vector<double>> responses(static_cast<std::size_t>(n), std::vector<double>(kPoints));
        auto responseOf = [&](int i, double gain, double* out) {
            const AutoEqFilter& f = set[static_cast<std::size_t>(range_.minBand + i)];
            BandResponseAtPoints(f.type, f.frequencyHz, kEqQ[static_cast<std::size_t>(f.qIndex)], gain, out);
        };
        for (int i = 0; i < n; ++i)
            responseOf(i, gains[static_cast<std::size_t>(i)], responses[static_cast<std::size_t>(i)].data());
        auto levelsOf = [&](const std::vector<std::vector<double>>& rs) {
            PointArray total{};
            for (const auto& r : rs)
                for (std::size_t p = 0; p < kPoints; ++p) total[p] += r[p];
            return BandLevelsOfDb(total);
        };
        auto costOf = [&](const BandSpectrum& eq) {
            double cost = 0;
            for (int b = range_.minBand; b <= range_.maxBand; ++b) {
                if (excluded_[static_cast<std::size_t>(b)]) continue;
                const double r =
                    levels_[static_cast<std::size_t>(b)] + eq[static_cast<std::size_t>(b)] - target_;
                cost += r * r;
            }
            return cost;
        };

        BandSpectrum eq = levelsOf(responses);
        double cost = costOf(eq);
        double lambda = 1e-3;
        std::vector<double> column(kPoints);
        for (int iteration = 0; iteration < kSolverIterations; ++iteration) {
            // Jacobian of the fitted bands' levels by finite differences.
            std::vector<double> jac(static_cast<std::size_t>(n * n));
            PointArray total{};
            for (const auto& r : responses)
                for (std::size_t p = 0; p < kPoints; ++p) total[p] += r[p];
            for (int i = 0; i < n; ++i) {
                const double g = gains[static_cast<std::size_t>(i)];
                const double h = g + 0.25 > boostDb_ ? -0.25 : 0.25;
                responseOf(i, g + h, column.data());
                PointArray moved = total;
                const auto& r = responses[static_cast<std::size_t>(i)];
                for (std::size_t p = 0; p < kPoints; ++p) moved[p] += column[p] - r[p];
                const BandSpectrum eqMoved = BandLevelsOfDb(moved);
                for (int b = 0; b < n; ++b) {
                    const auto bi = static_cast<std::size_t>(range_.minBand + b);
                    jac[static_cast<std::size_t>(b * n + i)] = (eqMoved[bi] - eq[bi]) / h;
                }
            }
            std::vector<double> jtj(static_cast<std::size_t>(n * n), 0.0);
            std::vector<double> jtr(static_cast<std::size_t>(n), 0.0);
            for (int b = 0; b < n; ++b) {
                const auto bi = static_cast<std::size_t>(range_.minBand + b);
                if (excluded_[bi]) continue;
                const double r = target_ - levels_[bi] - eq[bi];
                for (int i = 0; i < n; ++i) {
                    const double ji = jac[static_cast<std::size_t>(b * n + i)];
                    jtr[static_cast<std::size_t>(i)] += ji * r;
                    for (int j = 0; j < n; ++j)
                        jtj[static_cast<std::size_t>(i * n + j)] +=
                            ji * jac[static_cast<std::size_t>(b * n + j)];
                }
            }
            // An excluded band's filter stays flat: its step solves to 0.
            for (int i = 0; i < n; ++i) {
                if (!excluded_[static_cast<std::size_t>(range_.minBand + i)]) continue;
                for (int j = 0; j < n; ++j) {
                    jtj[static_cast<std::size_t>(i * n + j)] = 0.0;
                    jtj[static_cast<std::size_t>(j * n + i)] = 0.0;
                }
                jtj[static_cast<std::size_t>(i * n + i)] = 1.0;
                jtr[static_cast<std::size_t>(i)] = 0.0;
            }
            bool improved = false;
            for (int attempt = 0; attempt < 6 && !improved; ++attempt) {
                std::vector<double> step;
                if (!SolveDamped(jtj, jtr, n, lambda, step)) {
                    lambda *= 10;
                    continue;
                }
                std::vector<double> trial = gains;
                for (int i = 0; i < n; ++i)
                    trial[static_cast<std::size_t>(i)] =
                        std::clamp(trial[static_cast<std::size_t>(i)] + step[static_cast<std::size_t>(i)],
                                   -cutDb_, boostDb_);
                auto trialResponses = responses;
                for (int i = 0; i < n; ++i)
                    if (trial[static_cast<std::size_t>(i)] != gains[static_cast<std::size_t>(i)])
                        responseOf(i, trial[static_cast<std::size_t>(i)],
                                   trialResponses[static_cast<std::size_t>(i)].data());
                const BandSpectrum trialEq = levelsOf(trialResponses);
                const double trialCost = costOf(trialEq);
                if (trialCost < cost) {
                    gains = std::move(trial);
                    responses = std::move(trialResponses);
                    eq = trialEq;
                    cost = trialCost;
                    lambda = std::max(lambda / 3, 1e-6);
                    improved = true;
                } else {
                    lambda *= 10;
                }
            }
            if (!improved) break;
        }
        return gains;
    }

    bool HasShelfEdge() const {
        return range_.minBand < range_.maxBand && (range_.minBand > 0 || range_.maxBand < kAutoEqBands - 1);
    }

    // The first fitted filter as a low shelf, the last as a high shelf, each
    // with its corner at the band's inner edge.
    void SetEdgeShelves(AutoEqFilters& set) const {
        if (range_.minBand == range_.maxBand) return;
        if (range_.minBand > 0) {
            AutoEqFilter& f = set[static_cast<std::size_t>(range_.minBand)];
            f.type = static_cast<int>(dsp::BandType::LowShelf);
            f.frequencyHz = static_cast<int>(
                std::lround(kAutoEqBandHz[static_cast<std::size_t>(range_.minBand)] * kSixthOctave));
        }
        if (range_.maxBand < kAutoEqBands - 1) {
            AutoEqFilter& f = set[static_cast<std::size_t>(range_.maxBand)];
            f.type = static_cast<int>(dsp::BandType::HighShelf);
            f.frequencyHz = static_cast<int>(
                std::lround(kAutoEqBandHz[static_cast<std::size_t>(range_.maxBand)] / kSixthOctave));
        }
    }

    AutoEqFilters Refine(AutoEqFilters set) {
        PointArray total{};  // power ratio of the whole set per point
        auto rebuild = [&] {
            total.fill(1.0);
            for (const AutoEqFilter& f : set) {
                const std::vector<double>& r = Cached(f);
                for (std::size_t p = 0; p < kPoints; ++p) total[p] *= r[p];
            }
        };
        rebuild();
        double cost = CostOfLevels(BandLevelsOfPower(total));
        const int low = kFlatGainCode - range_.maxCutHalfDb;
        const int high = kFlatGainCode + range_.maxGainHalfDb;
        auto legal = [&](const AutoEqFilter& f) {
            return f.gainCode >= low && f.gainCode <= high && f.qIndex >= 0 && f.qIndex < kQCount;
        };

        // A move changes one filter, or two neighbours together.
        struct Move {
            int count = 0;
            std::array<int, 2> index{};
            std::array<AutoEqFilter, 2> filter{};
        };
        auto costAfter = [&](const Move& m) {
            PointArray moved = total;
            for (int i = 0; i < m.count; ++i) {
                const auto ui = static_cast<std::size_t>(i);
                const std::vector<double>& before = Cached(set[static_cast<std::size_t>(m.index[ui])]);
                const std::vector<double>& after = Cached(m.filter[ui]);
                for (std::size_t p = 0; p < kPoints; ++p) moved[p] *= after[p] / before[p];
            }
            return CostOfLevels(BandLevelsOfPower(moved));
        };

        for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
            bool changed = false;
            for (int k = range_.minBand; k <= range_.maxBand; ++k) {
                const auto ki = static_cast<std::size_t>(k);
                if (excluded_[ki]) continue;
                Move best;
                double bestCost = cost;
                auto consider = [&](const Move& m) {
                    for (int i = 0; i < m.count; ++i)
                        if (!legal(m.filter[static_cast<std::size_t>(i)])) return;
                    const double c = costAfter(m);
                    if (c < bestCost) {
                        bestCost = c;
                        best = m;
                    }
                };
                auto single = [&](int dGain, int dQ) {
                    Move m{1, {k, 0}, {set[ki], {}}};
                    m.filter[0].gainCode += dGain;
                    m.filter[0].qIndex += dQ;
                    return m;
                };
                for (int step : {-1, 1}) consider(single(step, 0));
                if (set[ki].gainCode != kFlatGainCode)
                    for (int step : kQSteps) consider(single(0, step));
                for (int j : {k - 1, k + 1}) {
                    if (j < range_.minBand || j > range_.maxBand || excluded_[static_cast<std::size_t>(j)]) continue;
                    for (int dj : {-1, 1}) {
                        Move m = single(0, 0);
                        m.count = 2;
                        m.index[1] = j;
                        m.filter[1] = set[static_cast<std::size_t>(j)];
                        m.filter[1].gainCode += dj;
                        // Neighbours' gains against each other (once per pair).
                        if (j == k + 1) {
                            for (int dk : {-1, 1}) {
                                Move g = m;
                                g.filter[0].gainCode += dk;
                                consider(g);
                            }
                        }
                        // A filter's width against its neighbour's gain.
                        if (set[ki].gainCode != kFlatGainCode) {
                            for (int dq : kPairQSteps) {
                                Move w = m;
                                w.filter[0].qIndex += dq;
                                consider(w);
                            }
                        }
                    }
                }
                if (best.count > 0) {
                    for (int i = 0; i < best.count; ++i)
                        set[static_cast<std::size_t>(best.index[static_cast<std::size_t>(i)])] =
                            best.filter[static_cast<std::size_t>(i)];
                    rebuild();
                    cost = CostOfLevels(BandLevelsOfPower(total));
                    changed = true;
                }
            }
            if (!changed) break;
        }
        RepairLimit(set);
        return set;
    }

    // Steps gain codes towards 0 dB until no band exceeds the limit (the
    // search above only leaves a violation when it started from one).
    void RepairLimit(AutoEqFilters& set) {
        for (int guard = 0; guard < kAutoEqBands * kMaxGainHalfDbLimit * 2; ++guard) {
            const BandSpectrum eq = AutoEqBandLevels(set);
            std::size_t worst = kBands;
            double worstOver = kLimitSlackDb;
            for (std::size_t b = 0; b < kBands; ++b) {
                const double over = OverLimit(eq[b]);
                if (over > worstOver) {
                    worstOver = over;
                    worst = b;
                }
            }
            if (worst == kBands) return;
            // The filter nearest the band that pushes the same way.
            const bool boost = eq[worst] > 0;
            int pick = -1;
            for (int d = 0; d < kAutoEqBands && pick < 0; ++d) {
                for (int k : {static_cast<int>(worst) - d, static_cast<int>(worst) + d}) {
                    if (k < 0 || k >= kAutoEqBands) continue;
                    const int code = set[static_cast<std::size_t>(k)].gainCode;
                    if ((boost && code > kFlatGainCode) || (!boost && code < kFlatGainCode)) {
                        pick = k;
                        break;
                    }
                }
            }
            if (pick < 0) return;
            set[static_cast<std::size_t>(pick)].gainCode += boost ? -1 : 1;
        }
    }

    // How far a band's equaliser level lies beyond the boost or cut limit (negative: inside).
    double OverLimit(double eqDb) const { return eqDb > 0 ? eqDb - boostDb_ : -eqDb - cutDb_; }

    BandSpectrum levels_;
    AutoEqRange range_;
    std::array<bool, kBands> excluded_{};
    double boostDb_ = 0;
    double cutDb_ = 0;
    double target_ = 0;
    AutoEqFilters filters_{};
    std::map<std::tuple<int, int, int, int>, std::vector<double>> cache_;
};

}  // namespace

namespace {

double MedianOfKept(const BandSpectrum& levels, const AutoEqRange& range, const AutoEqFit& fit) {
    std::vector<double> kept;
    for (int b = range.minBand; b <= range.maxBand; ++b)
        if (fit.excluded[static_cast<std::size_t>(b)] == AutoEqExclusion::None)
            kept.push_back(levels[static_cast<std::size_t>(b)]);
    if (kept.empty()) return 0.0;
    std::sort(kept.begin(), kept.end());
    const std::size_t mid = kept.size() / 2;
    return kept.size() % 2 ? kept[mid] : 0.5 * (kept[mid - 1] + kept[mid]);
}

// Marks the bands no boost within the limit can bring up to the kept bands'
// median: twice, so that a deep band does not drag the median it is judged by.
void MarkUnreachable(AutoEqFit& fit, const BandSpectrum& levels, const AutoEqRange& range) {
    const double reach = range.maxGainHalfDb / 2.0 + kAutoEqReachMarginDb;
    for (int pass = 0; pass < 2; ++pass) {
        const double median = MedianOfKept(levels, range, fit);
        for (int b = range.minBand; b <= range.maxBand; ++b) {
            const auto bi = static_cast<std::size_t>(b);
            const bool out = median - levels[bi] > reach;
            fit.excluded[bi] = out ? AutoEqExclusion::Dip : AutoEqExclusion::None;
            fit.shortfallDb[bi] = out ? median - levels[bi] : 0.0;
        }
    }
    // Runs touching the ends of the range are the loudspeaker's roll-off.
    for (int b = range.minBand; b <= range.maxBand && fit.excluded[static_cast<std::size_t>(b)] != AutoEqExclusion::None; ++b)
        fit.excluded[static_cast<std::size_t>(b)] = AutoEqExclusion::LowRollOff;
    for (int b = range.maxBand; b >= range.minBand && fit.excluded[static_cast<std::size_t>(b)] == AutoEqExclusion::Dip; --b)
        fit.excluded[static_cast<std::size_t>(b)] = AutoEqExclusion::HighRollOff;
}

}  // namespace

AutoEqFit FitAutoEq(const BandSpectrum& levelsDb, int maxGainHalfDb, int minBand, int maxBand) {
    return FitAutoEq(levelsDb, NormaliseAutoEqRange(maxGainHalfDb, minBand, maxBand));
}

AutoEqFit FitAutoEq(const BandSpectrum& levelsDb, const AutoEqRange& range) {
    const BandSpectrum levels = SanitisedLevels(levelsDb);
    AutoEqFit fit;
    MarkUnreachable(fit, levels, range);
    // The fitted span runs from the first to the last band kept.
    AutoEqRange kept = range;
    std::array<bool, kBands> excluded{};
    for (std::size_t b = 0; b < kBands; ++b) excluded[b] = fit.excluded[b] != AutoEqExclusion::None;
    while (kept.minBand < kept.maxBand && excluded[static_cast<std::size_t>(kept.minBand)]) ++kept.minBand;
    while (kept.maxBand > kept.minBand && excluded[static_cast<std::size_t>(kept.maxBand)]) --kept.maxBand;
    if (excluded[static_cast<std::size_t>(kept.minBand)]) {
        for (std::size_t b = 0; b < kBands; ++b) fit.filters[b].frequencyHz = kAutoEqBandHz[b];
    } else {
        Fitter fitter(levels, kept, excluded);
        fit.filters = fitter.Run();
    }
    EvaluateAutoEqFit(fit, levels, range.minBand, range.maxBand);
    return fit;
}

std::vector<std::string> AutoEqExclusionNotes(const AutoEqFit& fit) {
    std::vector<std::string> notes;
    for (std::size_t b = 0; b < kBands; ++b) {
        const char* why = nullptr;
        switch (fit.excluded[b]) {
            case AutoEqExclusion::None: continue;
            case AutoEqExclusion::LowRollOff: why = "below the loudspeaker's low roll-off"; break;
            case AutoEqExclusion::HighRollOff: why = "above the loudspeaker's high roll-off"; break;
            case AutoEqExclusion::Dip: why = "a boost cannot fill a cancellation"; break;
        }
        const bool dip = fit.excluded[b] == AutoEqExclusion::Dip;
        notes.push_back(std::to_string(kAutoEqBandHz[b]) + " Hz: " + CFixed(fit.shortfallDb[b], 1) + " dB " +
                        (dip ? "dip" : "below the target") + ", not corrected - " + why);
    }
    return notes;
}

}  // namespace zef::measure
