// fir design, autoeq fit: the FIR designer and the automatic equaliser's fit
// on files and numbers, without a device (autoeq run, on a device, is in
// commands_autoeq.cpp).
#include <QJsonArray>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "autoeq_cli.h"
#include "base/c_number.h"
#include "cli.h"
#include "files/irw_file.h"
#include "measure/autoeq_fit.h"
#include "measure/band_levels.h"
#include "measure/calibration.h"
#include "measure/measurement_exports.h"
#include "measure_options.h"
#include "measure/fir_design.h"
#include "measure/fir_design_io.h"
#include "measure/third_octave.h"
#include "model/tables.h"
#include "output.h"

namespace zefctl {
namespace {

namespace m = zef::measure;

// Comma-separated numbers; a usage error naming `option` when one is not a number.
std::vector<double> NumberList(const std::string& text, const std::string& option) {
    std::vector<double> values;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        const std::optional<double> v = zef::ParseCNumber(item);
        if (!v) Usage(option + ": '" + item + "' is not a number");
        values.push_back(*v);
        start = comma + 1;
    }
    return values;
}

int WholeIn(double v, int low, int high, const std::string& what) {
    if (v != std::floor(v) || v < low || v > high)
        Usage(what + " must be a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    return static_cast<int>(v);
}

int FirDesign(Context& ctx) {
    const std::string& path = Arg(ctx, 1, "IR.irw");
    const std::optional<std::string> out = Named(ctx, "--out");
    if (!out) Usage("fir design needs --out FIR.txt");
    if (!Named(ctx, "--mode")) Usage("fir design needs --mode 0 (phase only) or 1 (magnitude and phase)");

    m::FirDesignSettings s;
    s.mode = NamedInt(ctx, "--mode", 0, 0, 1);
    zef::FirDesignInputs& in = s.inputs;
    in.windowMs = NamedDouble(ctx, "--window-ms", 0, m::kMinWindowMs, m::kMaxWindowMs);
    const double defaultMin = 1000.0 / (in.windowMs > 0 ? in.windowMs : m::kMaxWindowMs);
    in.minFrequency = NamedInt(ctx, "--min-hz", static_cast<int>(std::ceil(defaultMin)), 200, 4000);
    in.maxFrequency = NamedInt(ctx, "--max-hz", 20000, 5000, 20000);
    if (in.windowMs > 0 && in.minFrequency < 1000.0 / in.windowMs)
        Usage("--min-hz must be at least 1000 / window (" + zef::CFixed(1000.0 / in.windowMs, 0) +
              " Hz for " + zef::CFixed(in.windowMs, 1) + " ms)");
    in.smoothingType = 1;
    in.smoothingWidth = 0;
    in.smoothingThreshold = 10;
    if (const auto text = Named(ctx, "--smoothing")) {
        const std::vector<double> v = NumberList(*text, "--smoothing");
        if (v.size() != 3) Usage("--smoothing wants TYPE,WIDTH,THRESHOLD (e.g. 1,0,10)");
        in.smoothingType = WholeIn(v[0], 0, 2, "smoothing type");
        in.smoothingWidth = WholeIn(v[1], 0, 4, "smoothing width index");
        in.smoothingThreshold = WholeIn(v[2], 0, 10, "smoothing threshold");
    }
    in.precision = NamedInt(ctx, "--precision", 10, 1, 10);
    s.latencyMs = NamedDouble(ctx, "--latency-ms", m::kDefaultLatencyMs, m::kMinLatencyMs, m::kMaxLatencyMs);
    s.house = TargetOption(ctx);
    if (!s.house.empty() && s.mode != 1) Usage("--target shapes the magnitude: it needs --mode 1");
    s.fitHeadroom = HasFlag(ctx, "--fit-headroom");

    const zef::IrwReadResult ir = zef::ReadIrwFile(path);
    if (!ir.ok()) Fail(ir.error);
    std::vector<std::vector<double>> positions;
    for (const std::string& more : NamedAll(ctx, "--position")) {
        zef::IrwReadResult p = zef::ReadIrwFile(more);
        if (!p.ok()) Fail(p.error);
        positions.push_back(std::move(p.samples));
    }
    m::FirDesignEngine engine;
    const m::FirDesignResult r = engine.Design(ir.samples, s, positions);
    if (!r.ok) Fail(path + ": " + r.error);
    if (!m::WriteDesignedFirFile(*out, r.coefficients)) Fail("cannot write " + *out);

    if (ctx.options.json) {
        QJsonObject j;
        j["out"] = Q(*out);
        j["taps"] = static_cast<int>(r.coefficients.size());
        j["latency_ms"] = r.latencyMs;
        j["main_tap"] = r.mainTap;
        j["gain_reduced"] = r.gainReduced;
        j["gain_reduction_db"] = r.gainReductionDb;
        j["worst_case_gain_db"] = r.worstCaseGainDb;
        j["exceeds_headroom"] = r.ExceedsHeadroom();
        j["window_ms"] = r.used.inputs.windowMs;
        j["min_hz"] = r.used.inputs.minFrequency;
        j["max_hz"] = r.used.inputs.maxFrequency;
        PrintJson(ctx.out, j);
    } else {
        ctx.out << "latency " << zef::CFixed(r.latencyMs, 4) << " ms (main tap " << r.mainTap << ")\n"
                << "taps " << r.coefficients.size() << "\n"
                << (r.gainReduced
                        ? "gain reduced by " + zef::CFixed(r.gainReductionDb, 2) + " dB to avoid clipping"
                        : std::string("gain not reduced"))
                << "\nworst-case sample gain " << zef::CFixed(r.worstCaseGainDb, 1) << " dB (sum of |taps|)"
                << (r.ExceedsHeadroom() ? ": a full-scale input of the worst shape overflows the device" : "")
                << "\nwrote " << *out << "\n";
    }
    return kExitOk;
}

int Fir(Context& ctx) {
    const std::string& action = Arg(ctx, 0, "design");
    if (action != "design") Usage("fir design IR.irw --mode 0|1 ... --out FIR.txt");
    return FirDesign(ctx);
}

const char* ExclusionName(m::AutoEqExclusion e) {
    switch (e) {
        case m::AutoEqExclusion::LowRollOff: return "low_roll_off";
        case m::AutoEqExclusion::HighRollOff: return "high_roll_off";
        case m::AutoEqExclusion::Dip: return "dip";
        case m::AutoEqExclusion::None: break;
    }
    return "";
}

}  // namespace

void PrintAutoEqFit(Context& ctx, const m::AutoEqFit& fit, const zef::BandSpectrum& levels,
                    const m::AutoEqRange& range, const zef::BandSpectrum& shape,
                    const std::vector<zef::BandSpectrum>& positions) {
    const zef::BandSpectrum spread = m::Spread(positions);
    double sum = 0;
    double worst = 0;
    int count = 0;
    for (int b = range.minBand; b <= range.maxBand; ++b) {
        if (fit.excluded[static_cast<std::size_t>(b)] != m::AutoEqExclusion::None) continue;
        const double r = fit.residualDb[static_cast<std::size_t>(b)];
        sum += r * r;
        worst = std::max(worst, std::fabs(r));
        ++count;
    }
    const double rms = count ? std::sqrt(sum / count) : 0.0;
    const std::vector<std::string> notes = m::AutoEqExclusionNotes(fit);
    if (ctx.options.json) {
        QJsonArray filters;
        QJsonArray bands;
        for (std::size_t k = 0; k < zef::kAnalyserBandCount; ++k) {
            const m::AutoEqFilter& f = fit.filters[k];
            QJsonObject jf;
            jf["band"] = static_cast<int>(k);
            jf["frequency_hz"] = f.frequencyHz;
            jf["gain_code"] = f.gainCode;
            jf["gain_db"] = f.gainCode / 2.0 - 15.0;
            jf["q_index"] = f.qIndex;
            jf["q"] = zef::kEqQ[static_cast<std::size_t>(f.qIndex)];
            jf["type"] = f.type;
            jf["type_name"] = Q(std::string(zef::kEqTypeNames[static_cast<std::size_t>(f.type)]));
            filters.append(jf);
            const int ki = static_cast<int>(k);
            QJsonObject jb;
            jb["band"] = ki;
            jb["level_db"] = levels[k];
            jb["eq_db"] = fit.eqDb[k];
            jb["fitted"] = ki >= range.minBand && ki <= range.maxBand && fit.excluded[k] == m::AutoEqExclusion::None;
            jb["residual_db"] = fit.residualDb[k];
            jb["measured_db"] = levels[k];
            jb["target_db"] = fit.targetDb + shape[k];
            jb["predicted_db"] = levels[k] + fit.eqDb[k];
            jb["excluded"] = Q(std::string(ExclusionName(fit.excluded[k])));
            if (positions.size() > 1) {
                QJsonArray each;
                for (const zef::BandSpectrum& p : positions) each.append(p[k]);
                jb["positions_db"] = each;
                jb["spread_db"] = spread[k];
            }
            bands.append(jb);
        }
        QJsonObject j;
        j["filters"] = filters;
        j["bands"] = bands;
        j["target_db"] = fit.targetDb;
        j["residual_rms_db"] = rms;
        j["residual_max_db"] = worst;
        QJsonArray jn;
        for (const std::string& n : notes) jn.append(Q(n));
        j["not_corrected"] = jn;
        PrintJson(ctx.out, j);
        return;
    }
    ctx.out << "band  freq_hz  type   gain_code  gain_db  q_index      q  level_db   eq_db  target_db  residual_db\n";
    for (std::size_t k = 0; k < zef::kAnalyserBandCount; ++k) {
        const m::AutoEqFilter& f = fit.filters[k];
        const int ki = static_cast<int>(k);
        const bool fitted =
            ki >= range.minBand && ki <= range.maxBand && fit.excluded[k] == m::AutoEqExclusion::None;
        char line[160];
        std::snprintf(line, sizeof line, "%4d  %7d  %-5s  %9d  %s  %7d  %s  %s  %s  %s  %11s\n", ki,
                      f.frequencyHz, std::string(zef::kEqTypeNames[static_cast<std::size_t>(f.type)]).c_str(),
                      f.gainCode, zef::CFixed(f.gainCode / 2.0 - 15.0, 1, 7).c_str(), f.qIndex,
                      zef::CFixed(zef::kEqQ[static_cast<std::size_t>(f.qIndex)], 2, 5).c_str(),
                      zef::CFixed(levels[k], 2, 8).c_str(), zef::CFixed(fit.eqDb[k], 2, 6).c_str(),
                      zef::CFixed(fit.targetDb + shape[k], 2, 9).c_str(), fitted ? zef::CFixed(fit.residualDb[k], 2).c_str() : "-");
        ctx.out << line;
    }
    ctx.out << "residual over bands " << range.minBand << ".." << range.maxBand << ": rms "
            << zef::CFixed(rms, 3) << " dB, largest " << zef::CFixed(worst, 3) << " dB (target "
            << zef::CFixed(fit.targetDb, 2) << " dB)\n";
    for (const std::string& n : notes) ctx.out << n << "\n";
    if (positions.size() > 1) {
        const auto widest = std::max_element(spread.begin() + range.minBand, spread.begin() + range.maxBand + 1);
        ctx.out << "power average of " << positions.size() << " microphone positions; largest spread "
                << zef::CFixed(*widest, 2) << " dB at " << m::kBandLabelsHz[std::size_t(widest - spread.begin())]
                << " Hz\n";
    }
}

m::AutoEqRange AutoEqRangeOptions(const Context& ctx) {
    const int maxGainDb = NamedInt(ctx, "--max-gain", 6, 1, 6);
    const int maxBoostDb = NamedInt(ctx, "--max-boost", maxGainDb, 1, 6);
    const int maxCutDb = NamedInt(ctx, "--max-cut", maxGainDb, 1, 6);
    int minBand = 0;
    int maxBand = m::kAutoEqBands - 1;
    if (const auto bands = Named(ctx, "--bands")) {
        const std::size_t dash = bands->find('-');
        if (dash == std::string::npos) Usage("--bands wants MIN-MAX, e.g. 0-29");
        const auto whole = [&](const std::string& part) {
            int v = -1;
            const auto r = std::from_chars(part.data(), part.data() + part.size(), v);
            if (part.empty() || r.ec != std::errc() || r.ptr != part.data() + part.size() || v < 0 || v > 29)
                Usage("--bands wants two band indices 0..29, e.g. 0-29");
            return v;
        };
        minBand = whole(bands->substr(0, dash));
        maxBand = whole(bands->substr(dash + 1));
        if (minBand > maxBand) Usage("--bands: MIN must not be above MAX");
    }
    return m::NormaliseAutoEqRange(2 * maxBoostDb, 2 * maxCutDb, minBand, maxBand);
}

zef::BandSpectrum TargetShapeOption(const Context& ctx) {
    const zef::FrequencyCurve target = TargetOption(ctx);
    if (target.empty()) return {};
    return m::BandAveragesDb(target);
}

namespace {

// --levels L0,...,L29 or --levels-file FILE.csv (as rta --out writes it).
zef::BandSpectrum LevelsOption(const Context& ctx) {
    zef::BandSpectrum levels{};
    if (const std::optional<std::string> file = Named(ctx, "--levels-file")) {
        if (std::string e = m::ReadBandLevelsCsv(*file, levels); !e.empty()) Fail(e);
        return levels;
    }
    const std::optional<std::string> text = Named(ctx, "--levels");
    if (!text) Usage("autoeq fit needs --levels with 30 band levels in dB, or --levels-file FILE.csv");
    const std::vector<double> values = NumberList(*text, "--levels");
    if (values.size() != zef::kAnalyserBandCount)
        Usage("--levels wants 30 band levels, not " + std::to_string(values.size()));
    std::copy(values.begin(), values.end(), levels.begin());
    return levels;
}

int AutoEq(Context& ctx) {
    const std::string& action = Arg(ctx, 0, "fit or run");
    if (action == "run") return AutoEqRun(ctx);
    if (action != "fit") Usage("autoeq fit --levels L0,...,L29 ... | autoeq run HOST OUTPUT ...");
    const zef::BandSpectrum levels = LevelsOption(ctx);
    const zef::BandSpectrum shape = TargetShapeOption(ctx);
    const m::AutoEqRange range = AutoEqRangeOptions(ctx);
    const m::AutoEqFit fit = m::FitAutoEq(m::Relative(levels, shape), range);
    PrintAutoEqFit(ctx, fit, levels, range, shape);
    return kExitOk;
}

}  // namespace

void AddDesignCommands(SubCommandTable& table) {
    table.push_back({"fir",
                     "fir design IR.irw --mode 0|1 [--window-ms X] [--min-hz N] [--max-hz N] "
                     "[--smoothing TYPE,WIDTH,THRESHOLD] [--precision N] [--latency-ms X] [--target FILE|tilt:DB] "
                     "[--fit-headroom] [--position MORE.irw ...] --out FIR.txt",
                     "design a 384-tap correction FIR from an impulse response (.irw); mode 0 phase only, 1 "
                     "magnitude and phase towards a flat target, or --target's curve; --fit-headroom scales the "
                     "FIR down until no input of full scale can overflow the device (sum of |taps| at most 1); "
                     "--position (repeatable) adds microphone positions whose power average the magnitude corrects",
                     Fir,
                     {{"--mode"},
                      {"--window-ms"},
                      {"--min-hz"},
                      {"--max-hz"},
                      {"--smoothing"},
                      {"--precision"},
                      {"--latency-ms"},
                      {"--target"},
                      {"--fit-headroom", false},
                      {"--position", true, true},
                      {"--out"}}});
    table.push_back({"autoeq",
                     "autoeq fit --levels L0,...,L29 | --levels-file FILE.csv [--max-gain 1..6] [--max-boost 1..6] "
                     "[--max-cut 1..6] [--bands MIN-MAX] [--target FILE|tilt:DB] [--json]\n"
                     "  autoeq run HOST OUTPUT [--rig HOST:PORT | --card N] [--input N] [--level DBU] "
                     "[--average S] [--max-gain 1..6] [--max-boost 1..6] [--max-cut 1..6] [--bands MIN-MAX] "
                     "[--target FILE|tilt:DB] [--mic-cal FILE] [--card-cal FILE] [--positions 1..8] [--apply]",
                     "fit: the 30 output EQ bands for 30 measured third-octave levels (dB), the filters and "
                     "the predicted residual per band; run: the whole loop on output 1 or 2 of a device "
                     "(pink noise, measure, fit, with --apply store the bands and measure again; cards and "
                     "inputs numbered from 1). --target aims at a curve (\"frequency dB\" lines) or a tilt in "
                     "dB per octave through 1 kHz instead of flat; --positions measures several microphone positions "
                     "(asking to move it in between; --yes goes on at once) and fits their power average",
                     AutoEq,
                     {{"--levels"},
                      {"--levels-file"},
                      {"--target"},
                      {"--mic-cal"},
                      {"--card-cal"},
                      {"--positions"},
                      {"--max-gain"},
                      {"--max-boost"},
                      {"--max-cut"},
                      {"--bands"},
                      {"--rig"},
                      {"--card"},
                      {"--input"},
                      {"--level"},
                      {"--average"},
                      {"--apply", false}}});
}

}  // namespace zefctl
