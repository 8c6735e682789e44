// autoeq run: the automatic equaliser on a device — the device plays its pink
// noise in the measuring state, a card's microphone input is averaged and
// fitted, and with --apply the 30 bands go to the output and the room is
// measured again with them playing. The device's other settings are sent back
// from the model when the run ends, whichever way it ends.
#include <QJsonArray>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <thread>

#include "app/autoeq_apply.h"
#include "audio_backend.h"
#include "autoeq_cli.h"
#include "base/c_number.h"
#include "base/terminal.h"
#include "device/measuring_state.h"
#include "measure/autoeq_measurement.h"
#include "measure/band_levels.h"
#include "measure/calibration.h"
#include "measure/card_analyser.h"
#include "measure/third_octave.h"
#include "model/memory_map.h"
#include "measure_options.h"
#include "output.h"
#include "session.h"

namespace zefctl {
namespace {

namespace m = zef::measure;
using Clock = std::chrono::steady_clock;

constexpr auto kPollInterval = std::chrono::milliseconds(50);
// The device's generator and the analyser's first spectra need a moment
// before the engine starts listening.
constexpr auto kSettle = std::chrono::milliseconds(200);
// Beyond the average itself: settling, the fit, a slow card.
constexpr double kSpareSeconds = 10.0;

// Leaves the measuring state however the run ends.
class MeasuringGuard {
public:
    MeasuringGuard(Session& session, const zef::MeasuringSetup& setup) : session_(session), setup_(setup) {
        session.Check(zef::EnterMeasuringState(session.exchange, kSlot, session.model.device(kSlot), setup), "the measuring state");
    }
    ~MeasuringGuard() { zef::LeaveMeasuringState(session_.exchange, kSlot, session_.model.device(kSlot), setup_); }
    MeasuringGuard(const MeasuringGuard&) = delete;
    MeasuringGuard& operator=(const MeasuringGuard&) = delete;

private:
    Session& session_;
    zef::MeasuringSetup setup_;
};

// The time spent listening does not count against --timeout, which bounds
// device operations: the deadline moves on by it before the measuring state
// is left (declare after the MeasuringGuard).
class ListeningTime {
public:
    explicit ListeningTime(Session& session) : session_(session), start_(zef::DeviceExchange::Clock::now()) {}
    ~ListeningTime() { session_.ExtendDeadline(zef::DeviceExchange::Clock::now() - start_); }
    ListeningTime(const ListeningTime&) = delete;
    ListeningTime& operator=(const ListeningTime&) = delete;

private:
    Session& session_;
    zef::DeviceExchange::Clock::time_point start_;
};

struct Listener {
    int card = 0;
    int input = 0;
    double averageSeconds = 20.0;
    int positions = 1;  // microphone positions, power-averaged
    m::Calibration calibration;
    zef::BandSpectrum shape{};  // the target's shape
};

// One averaged measurement (the engine's Start) in `setup`: the 30 band levels.
zef::BandSpectrum Measure(Context& ctx, Session& session, zef::audio::System& system,
                          const Listener& listener, const zef::MeasuringSetup& setup, m::AutoEqRange& range) {
    MeasuringGuard guard(session, setup);
    ListeningTime listening(session);
    std::this_thread::sleep_for(kSettle);
    m::CardAnalyser card(system);
    m::CalibratedAnalyser analyser(card, listener.calibration);
    m::AutoEqEngineOptions options;
    options.averageSeconds = listener.averageSeconds;
    options.maxCutHalfDb = range.maxCutHalfDb;
    options.targetShapeDb = listener.shape;
    // The average counts the card's audio: a card (or rig) faster than real
    // time averages the same audio in less time.
    options.clock = [&analyser] {
        return static_cast<double>(analyser.Delivered()) / m::CardAnalyser::kSpectraPerSecond;
    };
    m::AnalyserAutoEqEngine engine(analyser, options);
    int progress = zef::AutoEqEngine::kRunning;
    engine.SetProgressHandler([&](int p) { progress = p; });
    if (std::string e =
            engine.Start(listener.card, listener.input, range.maxGainHalfDb, range.minBand, range.maxBand);
        !e.empty())
        Fail(e);
    const auto limit =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(listener.averageSeconds + kSpareSeconds));
    while (progress != zef::AutoEqEngine::kFinished) {
        std::this_thread::sleep_for(kPollInterval);
        card.DeliverPending();
        if (progress == zef::AutoEqEngine::kInputTooHigh)
            Fail(
                "the microphone level is too high (above -1 dBFS): lower the pink noise with --level or the "
                "microphone gain");
        if (progress == zef::AutoEqEngine::kInputTooLow)
            Fail(
                "the microphone level is too low (below -30 dBFS): raise the pink noise with --level or the "
                "microphone gain");
        if (!analyser.IsRunning() && progress != zef::AutoEqEngine::kFinished)
            Fail("the sound card stopped: " + card.Error());
        if (Clock::now() > limit) Fail("the measurement did not finish in time: check the sound card");
        if (!ctx.options.json) {
            const double done = options.clock();
            char line[96];
            std::snprintf(line, sizeof line, "\rmeasuring %s / %s s, microphone %s dBFS",
                          zef::CFixed(done, 1, 4).c_str(), zef::CFixed(listener.averageSeconds, 0).c_str(),
                          zef::CFixed(engine.MicLevelDb(), 1, 6).c_str());
            ctx.err << line << std::flush;
        }
    }
    if (!ctx.options.json) ctx.err << "\n";
    return engine.Results().levelsDb;
}

// Waits for the user to move the microphone: Enter at a terminal, at once with --yes.
void AskToMove(Context& ctx, int position, int positions) {
    const std::string where =
        "move the microphone to position " + std::to_string(position) + " of " + std::to_string(positions);
    if (ctx.options.yes) {
        if (!ctx.options.json) ctx.err << where << " (--yes: going on)\n";
        return;
    }
    if (!zef::terminal::StdinIsTerminal())
        Fail("--positions asks the user to move the microphone: run at a terminal or give --yes");
    ctx.err << where << ", then press Enter " << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) Fail("no answer: the measurement stops");
}

// Each microphone position measured in turn (asking the user to move it
// in between), and their power average.
struct PositionLevels {
    zef::BandSpectrum average{};
    std::vector<zef::BandSpectrum> each;
};

PositionLevels MeasurePositions(Context& ctx, Session& session, zef::audio::System& system,
                                const Listener& listener, const zef::MeasuringSetup& setup, m::AutoEqRange& range) {
    PositionLevels levels;
    for (int p = 0; p < listener.positions; ++p) {
        if (p > 0) AskToMove(ctx, p + 1, listener.positions);
        levels.each.push_back(Measure(ctx, session, system, listener, setup, range));
    }
    levels.average = m::PowerAverage(levels.each);
    return levels;
}

zef::ChannelCode OutputArg(const std::string& text) {
    if (text == "1") return zef::kOutput1;
    if (text == "2") return zef::kOutput2;
    Usage("OUTPUT is 1 or 2, not '" + text + "'");
}

// Before and after, and what the fit predicted (before plus the equaliser);
// the deviations from the target over the bands the fit corrects.
void PrintComparison(Context& ctx, const zef::BandSpectrum& before, const zef::BandSpectrum& after,
                     const m::AutoEqRange& range, const zef::BandSpectrum& shape, const m::AutoEqFit& fit) {
    std::array<bool, zef::kAnalyserBandCount> corrected{};
    for (std::size_t k = 0; k < corrected.size(); ++k) corrected[k] = fit.excluded[k] == m::AutoEqExclusion::None;
    const m::BandDeviation b = m::DeviationFromShape(before, shape, range.minBand, range.maxBand, &corrected);
    const m::BandDeviation a = m::DeviationFromShape(after, shape, range.minBand, range.maxBand, &corrected);
    const std::vector<std::string> notes = m::AutoEqExclusionNotes(fit);
    if (ctx.options.json) {
        QJsonObject j;
        QJsonArray jb, ja, jp;
        for (std::size_t k = 0; k < zef::kAnalyserBandCount; ++k) {
            jb.append(before[k]);
            ja.append(after[k]);
            jp.append(before[k] + fit.eqDb[k]);
        }
        j["bands"] = QJsonArray{range.minBand, range.maxBand};
        j["before_db"] = jb;
        j["after_db"] = ja;
        j["predicted_db"] = jp;
        j["before_rms_db"] = b.rms;
        j["before_largest_db"] = b.largest;
        j["after_rms_db"] = a.rms;
        j["after_largest_db"] = a.largest;
        QJsonArray jn;
        for (const std::string& n : notes) jn.append(Q(n));
        j["not_corrected"] = jn;
        PrintJson(ctx.out, j);
        return;
    }
    ctx.out << "band  freq_hz  before_db  after_db  predicted_db\n";
    for (int k = range.minBand; k <= range.maxBand; ++k) {
        const std::size_t i = std::size_t(k);
        char line[80];
        std::snprintf(line, sizeof line, "%4d  %7d  %s  %s  %s\n", k, m::kBandLabelsHz[i],
                      zef::CFixed(before[i], 2, 9).c_str(), zef::CFixed(after[i], 2, 8).c_str(),
                      zef::CFixed(before[i] + fit.eqDb[i], 2, 12).c_str());
        ctx.out << line;
    }
    for (const std::string& n : notes) ctx.out << n << "\n";
    ctx.out << "deviation from the target over the corrected bands of " << range.minBand << ".." << range.maxBand
            << ": before rms " << zef::CFixed(b.rms, 2) << " dB, largest " << zef::CFixed(b.largest, 2)
            << " dB; after rms " << zef::CFixed(a.rms, 2) << " dB, largest " << zef::CFixed(a.largest, 2)
            << " dB\n";
}

}  // namespace

int AutoEqRun(Context& ctx) {
    std::size_t next = 1;  // after "run"
    if (ctx.options.serial) Usage("autoeq run talks to a device on the network: HOST, not --serial");
    const std::string host = Arg(ctx, next, "HOST");
    const zef::ChannelCode output = OutputArg(Arg(ctx, next + 1, "OUTPUT (1 or 2)"));
    m::AutoEqRange range = AutoEqRangeOptions(ctx);
    Listener listener;
    listener.card = NamedInt(ctx, "--card", 1, 1, 1024) - 1;
    listener.input = NamedInt(ctx, "--input", 1, 1, 1024) - 1;
    listener.averageSeconds = NamedDouble(ctx, "--average", 20.0, 2.0, 120.0);
    listener.positions = NamedInt(ctx, "--positions", 1, 1, 8);
    listener.calibration = CalibrationOptions(ctx);
    listener.shape = TargetShapeOption(ctx);
    const bool apply = HasFlag(ctx, "--apply");

    std::unique_ptr<zef::audio::System> system = CommandAudioSystem(ctx);
    const std::size_t cards = system->Devices().size();
    if (std::size_t(listener.card) >= cards)
        Fail("there is no card " + std::to_string(listener.card + 1) + " (zefctl cards lists " +
             std::to_string(cards) + ")");
    Session session(ctx.options);
    session.Connect(host);
    zef::DeviceModel& device = session.model.device(kSlot);
    if (apply && device.preset[zef::pi::kEqMode] != 0)
        Fail("the outputs are in the 10-band + FIR mode; AutoEQ fills 30 bands: switch the EQ mode first");

    zef::MeasuringSetup setup;
    setup.output = output;
    setup.noiseLevel = device.settings[zef::ds::kNoiseLevel];
    if (Named(ctx, "--level"))
        setup.noiseLevel = static_cast<std::uint8_t>(NamedInt(ctx, "--level", 0, -80, 0) + 80);
    if (!ctx.options.json)
        ctx.err << "pink noise at " << int(setup.noiseLevel) - 80 << " dBu on output "
                << (output == zef::kOutput1 ? 1 : 2) << ", averaging "
                << zef::CFixed(listener.averageSeconds, 0) << " s\n";

    const PositionLevels measured = MeasurePositions(ctx, session, *system, listener, setup, range);
    const zef::BandSpectrum& before = measured.average;
    const m::AutoEqFit fit = m::FitAutoEq(m::Relative(before, listener.shape), range);
    if (!apply) {
        PrintAutoEqFit(ctx, fit, before, range, listener.shape, measured.each);
        return kExitOk;
    }
    session.Check(
        m::ApplyAutoEq(session.writer, kSlot, output, m::ToAutoEqResult(fit, before), range.minBand, range.maxBand),
        "storing the equaliser bands");
    // The bands play now: the output's EQ is switched on for the second
    // measurement whatever its bypass was.
    setup.eq = zef::EqDuringMeasurement::Active;
    if (listener.positions > 1) AskToMove(ctx, 1, listener.positions);
    const zef::BandSpectrum after = MeasurePositions(ctx, session, *system, listener, setup, range).average;
    PrintComparison(ctx, before, after, range, listener.shape, fit);
    return kExitOk;
}

}  // namespace zefctl
