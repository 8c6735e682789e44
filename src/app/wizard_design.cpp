#include "app/wizard_design.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/wizard_texts.h"
#include "dsp/fir.h"
#include "files/fir_import.h"
#include "measure/eq_target_curve.h"
#include "measure/fir_design.h"
#include "measure/fir_design_io.h"

namespace zef::wizard {

namespace t = wizard_text;

bool ComputeGridResponse(dsp::ResponseCalculator& calculator, const std::vector<double>& samples,
                         GridResponse& out) {
    if (samples.empty()) return false;
    const std::size_t n = std::min<std::size_t>(samples.size(), dsp::kTransformLength);
    if (calculator.compute(std::span<const double>(samples.data(), n), dsp::kTransformLength,
                           dsp::kSampleRate) != kOk)
        return false;
    const auto db = calculator.magnitudeDb();
    const auto phase = calculator.phase();
    if (db.size() < dsp::kGridPoints || phase.size() < dsp::kGridPoints) return false;
    for (std::size_t k = 0; k < dsp::kGridPoints; ++k) {
        out.db[k] = db[k];
        out.degrees[k] = phase[k] * dsp::kDegreesPerRadian;
    }
    return true;
}

void RemoveDelay(GridResponse& response, int samples) {
    for (std::size_t k = 0; k < dsp::kGridPoints; ++k) {
        const double turns = static_cast<double>(k) * samples / dsp::kTransformLength;  // f * delay
        double deg = response.degrees[k] + 360.0 * (turns - std::floor(turns));
        deg = std::fmod(deg + 180.0, 360.0);
        response.degrees[k] = (deg < 0 ? deg + 360.0 : deg) - 180.0;
    }
}

int MainTap(const std::vector<double>& samples) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < samples.size(); ++i)
        if (std::fabs(samples[i]) > std::fabs(samples[best])) best = i;
    return static_cast<int>(best);
}

std::string WizardFirName(int firSlot, int day, int month, int year) {
    char text[40];
    std::snprintf(text, sizeof text, "Wiz%d:%02d/%02d/%d", firSlot + 3, day, month, year);
    return text;
}

int StoreProgressSteps(int taps) { return taps * 3 / 48 + 4; }

dsp::Curve EqTargetGridCurve(const EqTargetRecord& record) {
    const measure::EqTargetCurve curve(measure::SectionsOfRecord(record), record.leading);
    dsp::Curve out{};
    for (std::size_t k = 1; k < dsp::kGridPoints; ++k)
        out[k] = curve.Db(static_cast<double>(k) * dsp::kGridStepHz);
    return out;
}

void LevelOver(dsp::Curve& db, double lowHz, double highHz) {
    double sum = 0;
    int count = 0;
    for (std::size_t k = 1; k < dsp::kGridPoints; ++k) {
        const double f = static_cast<double>(k) * dsp::kGridStepHz;
        if (f >= lowHz && f <= highHz) sum += db[k], ++count;
    }
    if (count == 0) return;
    const double mean = sum / count;
    for (double& v : db) v -= mean;
}

Design::Design(DesignerFactory makeDesigner, dsp::ResponseCalculator& calculator, Dialogs& dialogs)
    : makeDesigner_(std::move(makeDesigner)), calculator_(calculator), dialogs_(dialogs) {}

bool Design::Calculate(const std::vector<double>& ir, DesignSettings& settings, const EqTargetRecord& target,
                       const std::vector<std::vector<double>>& morePositions) {
    if (ir.empty()) {
        dialogs_.Message(t::kCalculateFir, t::kNoIrText, Icon::Exclamation);
        return false;
    }
    settings = Normalised(settings);
    std::unique_ptr<FirDesigner> designer = makeDesigner_();
    designer->SetFirMode(settings.firMode);
    designer->SetHouseCurve(house_);
    designer->SetFitHeadroom(fitHeadroom_);
    designer->SetMorePositions(morePositions);
    for (const TargetSection& section : measure::SectionsOfRecord(target))
        designer->AddFilterSection(section);
    const FirDesignInputs inputs = DesignInputs(settings);
    double latency = settings.latencyMs;
    int taps = 0;
    std::vector<double> work = ir;
    designer->Design(inputs, latency, taps, work);
    designer->SetTargetLeading(target.leading);
    latency = settings.latencyMs;
    work = ir;
    const int result = designer->Design(inputs, latency, taps, work);

    std::vector<double> coefficients = designer->FirCoefficients();
    if (taps <= 0 || coefficients.empty()) {
        dialogs_.Message(t::kCalculateFir, t::kNoDesignText, Icon::Exclamation);
        return false;
    }
    if (coefficients.size() > fir::kMaxFirTaps) coefficients.resize(fir::kMaxFirTaps);
    if (result == 1) dialogs_.Message(t::kCalculateFir, t::kClippingText, Icon::Information);

    DesignCurves curves;
    curves.irTime = designer->ImpulseResponseArray();
    curves.firTime = coefficients;
    const std::vector<double> combined = designer->CombinedArray();
    const std::vector<double> targetArray = designer->TargetArray();
    const bool ok = ComputeGridResponse(calculator_, curves.irTime, curves.ir) &&
                    ComputeGridResponse(calculator_, coefficients, curves.fir) &&
                    ComputeGridResponse(calculator_, combined, curves.combined) &&
                    ComputeGridResponse(calculator_, targetArray, curves.target);
    if (ok) {
        RemoveDelay(curves.ir, MainTap(curves.irTime));
        RemoveDelay(curves.fir, MainTap(coefficients));
        RemoveDelay(curves.combined, MainTap(combined));
        RemoveDelay(curves.target, MainTap(targetArray));
    }
    if (!ok) {
        dialogs_.Message(t::kCalculateFir, t::kNoDesignText, Icon::Exclamation);
        return false;
    }
    settings.latencyMs = StepLatency(latency, 0);
    worstCaseGainDb_ = designer->WorstCaseGainDb();
    coefficients_ = std::move(coefficients);
    curves_ = std::move(curves);
    stored_ = false;
    after_.reset();
    return true;
}

void Design::SetHouse(FrequencyCurve curve, std::string file) {
    house_ = std::move(curve);
    houseFile_ = house_.empty() ? std::string() : std::move(file);
}

bool Design::SaveFirToPc(const std::string& folder) {
    if (!designed()) return false;
    const std::optional<std::string> path = dialogs_.SavePath(t::kSaveFirTitle, t::kFirTextFilter, folder);
    if (!path) return false;
    if (!measure::WriteDesignedFirFile(*path, coefficients_)) {
        dialogs_.Message(t::kFileErrorTitle, *path + ": the file cannot be written", Icon::Exclamation);
        return false;
    }
    return true;
}

bool Design::OpenCompareFir(const std::string& folder, bool decimalComma) {
    const std::optional<std::string> path = dialogs_.OpenFile(t::kOpenFirTitle, fir::kFirFileFilter, folder);
    if (!path) return false;
    const fir::FirImportResult file = fir::ImportFirFile(*path, decimalComma);
    if (!file.ok()) {
        dialogs_.Message(fir::kFirImportErrorTitle, fir::FirImportMessage(file, *path), Icon::Exclamation);
        return false;
    }
    GridResponse response;
    if (!ComputeGridResponse(calculator_, file.coefficients, response)) return false;
    compare_ = response;
    compareName_ = file.name;
    return true;
}

bool Design::Store(const StoreTarget& target, int day, int month, int year,
                   const fir::StoreProgress& progress) {
    if (!designed()) return false;
    const char* question = stored_ ? t::kAlreadyStoredQuestion : t::kStoreSureQuestion;
    if (dialogs_.Ask(t::kStoreTitle, question, Buttons::YesNo) != Answer::Yes) return false;
    const fir::StoredFir fir =
        fir::MakeStoredFir(WizardFirName(target.firSlot, day, month, year), coefficients_);
    if (!fir::StoreExternalFIR(target.exchange, target.model, target.device, target.firSlot, fir, progress,
                               target.responses)) {
        dialogs_.Message(t::kStoreTitle, t::kStoreFailedText, Icon::Critical);
        return false;
    }
    stored_ = true;
    return true;
}

bool Design::SetVerification(const std::vector<double>& measuredIr, const std::vector<double>& verifiedIr,
                             const DesignSettings& settings) {
    const DesignSettings s = Normalised(settings);
    const double windowMs = WindowLengthMs(s.windowStep);
    GridResponse before, after;
    if (!ComputeGridResponse(calculator_, measure::DirectSoundWindow(measuredIr, windowMs), before) ||
        !ComputeGridResponse(calculator_, measure::DirectSoundWindow(verifiedIr, windowMs), after))
        return false;
    LevelOver(before.db, s.minFrequency, s.maxFrequency);
    LevelOver(after.db, s.minFrequency, s.maxFrequency);
    before_ = before;
    after_ = after;
    return true;
}

}  // namespace zef::wizard
