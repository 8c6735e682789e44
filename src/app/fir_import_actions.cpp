#include "app/fir_import_actions.h"

#include "app/texts.h"
#include "dsp/fir.h"
#include "dsp/fir_views.h"
#include "files/fir_import.h"
#include "model/records.h"

namespace zef {
namespace {

std::string Trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

}  // namespace

FirImport::FirImport(FirImportPorts ports, DeviceSlot device, int firSlot, std::string firFolder,
                     bool decimalComma, int& filterIndex)
    : ports_(ports),
      device_(device),
      firSlot_(firSlot == 1 ? 1 : 0),
      folder_(std::move(firFolder)),
      decimalComma_(decimalComma),
      filterIndex_(filterIndex) {
    const dsp::FrequencyGrid& grid = ports_.store.grid();
    hz_.assign(grid.hz.begin(), grid.hz.begin() + static_cast<std::ptrdiff_t>(fir::kFirBins));
}

bool FirImport::Load() {
    const auto path =
        ports_.dialogs.OpenFileRemembering(kOpenFirTitle, fir::kFirFileFilter, folder_, filterIndex_);
    if (!path) return false;
    return LoadFile(*path);
}

bool FirImport::LoadFile(const std::string& path) {
    fir::FirImportResult result = fir::ImportFirFile(path, decimalComma_);
    if (!result.ok()) {
        ports_.dialogs.Message(fir::kFirImportErrorTitle, fir::FirImportMessage(result, path), Icon::Exclamation);
        return false;
    }
    if (!Analyse(std::move(result.coefficients), std::move(result.name))) return false;
    imported_ = true;
    unsaved_ = true;
    state_ = State::Loaded;
    return true;
}

bool FirImport::ShowStored() {
    const DeviceModel& d = ports_.model.device(device_);
    const int taps = std::clamp(FirTapCount(d.preset, firSlot_), 0, static_cast<int>(kFirTapCount));
    if (taps == 0) return false;
    const dsp::FirCoefficients all = dsp::TapCoefficients(d.firTaps[static_cast<std::size_t>(firSlot_)]);
    return Analyse(std::vector<double>(all.begin(), all.begin() + taps),
                   Trimmed(FirName(d.preset, firSlot_)));
}

bool FirImport::Analyse(std::vector<double> coefficients, std::string name) {
    auto analysis = fir::AnalyseFir(coefficients, ports_.store.calculator(), ports_.store.grid());
    if (!analysis) return false;
    analysis_ = std::move(*analysis);
    coefficients_ = std::move(coefficients);
    name_ = std::move(name);
    delay_ = fir::GroupDelayMs(analysis_->series.unwrapped, hz_);
    delayNoLatency_ = fir::GroupDelayMs(analysis_->series.unwrappedNoLatency, hz_);
    return true;
}

bool FirImport::Store(const fir::StoreProgress& progress) {
    if (state_ != State::Loaded) return false;
    const fir::StoredFir stored = fir::MakeStoredFir(name_, coefficients_);
    const bool ok = fir::StoreExternalFIR(ports_.exchange, ports_.model, device_, firSlot_, stored, progress);
    ports_.responses.FirChanged(device_, firSlot_);
    if (!ok) {
        ports_.dialogs.Message(kStoreFailedTitle, kStoreFailedText, Icon::Critical);
        return false;
    }
    bool linkedOk = true;
    const int other =
        fir::LinkUpdateExternalFIR(ports_.exchange, ports_.model, device_, firSlot_, stored, linkedOk);
    if (other >= 0) {
        ports_.responses.FirChanged(device_, other);
        if (!linkedOk) ports_.dialogs.Message(kStoreFailedTitle, kStoreFailedText, Icon::Critical);
    }
    unsaved_ = false;
    state_ = State::Stored;
    return true;
}

bool FirImport::MayClose() {
    if (!unsaved_) return true;
    return ports_.dialogs.Ask(kFirNotImportedTitle, SureThat(kSureQuestion, kFirUnstoredConsequence), Buttons::YesNo,
                             Icon::Question) ==
           Answer::Yes;
}

std::string FirImport::windowTitle() const {
    if (!imported_) return kImportFirTitle;
    return "Imported FIR - " + name_ + " - Taps = " + std::to_string(taps());
}

std::string FirImport::tapsCaption() const { return "Filter FIR with " + std::to_string(taps()) + " taps."; }

}  // namespace zef
