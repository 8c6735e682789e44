#pragma once
// The FIR import window ("Import FIR") without its widgets: choosing and
// reading a coefficient file, the analysis the window draws, storing the
// FIR into one FIR slot of a device (and into the other slot when the
// outputs are linked), and the close question. Every message goes through
// the dialogs seam.
//
// States: Open (nothing loaded; the window hides its store button and
// views, or shows the output's present FIR for looking only) -> Loaded
// (after a successful import) -> Stored (the window closes). A failed
// import changes nothing: the earlier FIR stays shown and its flags stay.

#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "device/exchange.h"
#include "device/fir_store.h"
#include "dsp/fir_coefficients.h"
#include "dsp/responses.h"
#include "model/response_observer.h"

namespace zef {

inline constexpr const char* kImportFirTitle = "Import FIR";
inline constexpr const char* kLoadFirCaption = "Load FIR from PC";
inline constexpr const char* kStoreFirCaption = "Update FIR to Device";
inline constexpr const char* kFirNotImportedTitle = "Exit - FIR not imported";
inline constexpr const char* kOpenFirTitle = "Load FIR";

struct FirImportPorts {
    Model& model;
    Exchange& exchange;
    dsp::ResponseStore& store;    // calculator and grid of the analysis
    ResponseObserver& responses;  // told when a slot's taps changed
    Dialogs& dialogs;
};

class FirImport {
public:
    enum class State { Open, Loaded, Stored };

    // `firSlot` 0 or 1 (output 1 or 2) of `device`; `firFolder` is where the
    // file dialog opens; `filterIndex` is the remembered file filter, read
    // and written by every load.
    FirImport(FirImportPorts ports, DeviceSlot device, int firSlot, std::string firFolder, bool decimalComma,
              int& filterIndex);

    // "Load FIR from PC": the file dialog, then LoadFile. Cancel: false,
    // nothing said.
    bool Load();
    // Reads and analyses one file. An import error shows its text under
    // " Error" (exclamation) and returns false.
    bool LoadFile(const std::string& path);
    // Shows the FIR the slot holds now (for looking; nothing to store). False
    // when the slot has no taps.
    bool ShowStored();

    // "Update FIR to Device": the store sequence with `progress` (0..28), then
    // the linked slot. A failure says "FIR not updated" ("Store FIR to
    // Device", critical) and returns false; the state stays Loaded.
    bool Store(const fir::StoreProgress& progress = {});

    // The close question while a loaded FIR is not stored; true = close.
    bool MayClose();

    State state() const { return state_; }
    bool unsaved() const { return unsaved_; }
    int firSlot() const { return firSlot_; }
    // True once something can be drawn (a load, or ShowStored).
    bool hasAnalysis() const { return analysis_.has_value(); }
    const fir::FirAnalysis& analysis() const { return *analysis_; }
    // Group delay in ms per bin, from the unwrapped phase with or without the latency.
    const std::vector<double>& groupDelay(bool withoutLatency) const {
        return withoutLatency ? delayNoLatency_ : delay_;
    }
    const std::vector<double>& frequencies() const { return hz_; }
    const std::string& name() const { return name_; }
    int taps() const { return static_cast<int>(coefficients_.size()); }
    // "Imported FIR - " name " - Taps = " n after a load, else "Import FIR".
    std::string windowTitle() const;
    // "Filter FIR with " n " taps."
    std::string tapsCaption() const;

private:
    bool Analyse(std::vector<double> coefficients, std::string name);

    FirImportPorts ports_;
    DeviceSlot device_;
    int firSlot_;
    std::string folder_;
    bool decimalComma_;
    int& filterIndex_;
    State state_ = State::Open;
    bool unsaved_ = false;
    bool imported_ = false;
    std::vector<double> coefficients_;
    std::string name_;
    std::optional<fir::FirAnalysis> analysis_;
    std::vector<double> hz_;
    std::vector<double> delay_;
    std::vector<double> delayNoLatency_;
};

}  // namespace zef
