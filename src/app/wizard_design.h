#pragma once
// The wizard's FIR: the design ("Calculate FIR"), its four curves, the text
// file ("Save FIR to PC"), a FIR file to compare ("Open FIR from PC"), the
// verification curves and the store into the amplifier ("Store FIR to
// Device"). States: no design -> designed -> stored (a new design clears
// stored). Every question and message goes through the dialogs seam.

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/wizard_settings.h"
#include "device/exchange.h"
#include "device/fir_store.h"
#include "dsp/grid.h"
#include "dsp/response_calculator.h"
#include "measure/fir_designer.h"
#include "model/device_model.h"

namespace zef::wizard {

// Magnitude (dB) and phase (degrees, wrapped) of one curve over the grid.
struct GridResponse {
    dsp::Curve db{};
    dsp::Curve degrees{};
};

// Response of `samples` (48000 Hz, zero-padded to 16384 points; longer
// responses are cut) over grid points 0..6826. False when the calculator fails.
bool ComputeGridResponse(dsp::ResponseCalculator& calculator, const std::vector<double>& samples,
                         GridResponse& out);

// Removes the delay of `samples` taps from a response's phase (wrapped
// again into -180..180 degrees), so that what is left is the shape of the
// phase rather than the many turns of a pure delay.
void RemoveDelay(GridResponse& response, int samples);
// Index of the largest |sample| (the first on ties); 0 for an empty array.
int MainTap(const std::vector<double>& samples);

// The designed FIR's curves: responses of the designer's "IR", "FIR",
// "IRxFIR" and "Target" arrays (each phase without the delay of its own main
// tap), and the IR and FIR in time (samples at 48 kHz).
struct DesignCurves {
    GridResponse ir, fir, combined, target;
    std::vector<double> irTime, firTime;
};

// "Wiz" + (FIR slot + 3) + ":" + dd/mm/yyyy: Wiz3:07/05/2026 for slot 0 on
// 7 May 2026.
std::string WizardFirName(int firSlot, int day, int month, int year);
// Steps of the store's progress bar: taps x 3 / 48 + 4 (28 for 384 taps).
int StoreProgressSteps(int taps);

// Where a store goes.
struct StoreTarget {
    Exchange& exchange;
    Model& model;
    DeviceSlot device;
    int firSlot;                              // 0 or 1
    dsp::ResponseStore* responses = nullptr;  // the output's FIR response is recomputed when given
};

class Design {
public:
    using DesignerFactory = std::function<std::unique_ptr<FirDesigner>()>;

    // `makeDesigner` gives a fresh designer for every design.
    Design(DesignerFactory makeDesigner, dsp::ResponseCalculator& calculator, Dialogs& dialogs);

    // Runs the design on `ir`: a new designer gets the FIR mode and the ten
    // sections of `target`, designs once, gets the target's leading value
    // and designs again with the same inputs; the second result counts.
    // Result 1 shows "Filter gain has been reduced to avoid clipping" and
    // the design is used all the same. The latency the designer achieved is
    // written into `settings`. False (with a message) when no FIR came out.
    // `morePositions`: the responses of further microphone positions, whose
    // power average with `ir` the magnitude mode corrects.
    bool Calculate(const std::vector<double>& ir, DesignSettings& settings, const EqTargetRecord& target,
                   const std::vector<std::vector<double>>& morePositions = {});

    // What the next designs take besides the settings: in the magnitude mode
    // a house curve (read from `file`; an empty curve for none) added to the
    // target's sections, and whether the FIR is scaled down until its
    // worst-case gain fits the device's headroom.
    void SetHouse(FrequencyCurve curve, std::string file);
    const std::string& houseFile() const { return houseFile_; }
    const FrequencyCurve& house() const { return house_; }
    void SetFitHeadroom(bool fit) { fitHeadroom_ = fit; }
    bool fitHeadroom() const { return fitHeadroom_; }
    // The last design's worst-case time-domain gain (dB; above 0 dB a
    // full-scale signal of the worst shape overflows); NaN when unknown.
    double worstCaseGainDb() const { return worstCaseGainDb_; }

    bool designed() const { return !coefficients_.empty(); }
    bool stored() const { return stored_; }
    const std::vector<double>& coefficients() const { return coefficients_; }
    const DesignCurves& curves() const { return curves_; }

    // "Save FIR to PC": a save dialog in `folder`, then the text file. False
    // when cancelled or not written (the failure is shown).
    bool SaveFirToPc(const std::string& folder);
    // "Open FIR from PC": an open dialog in `folder`; the file's magnitude
    // becomes compareCurve(). Import errors are shown as the import shows them.
    bool OpenCompareFir(const std::string& folder, bool decimalComma);
    const std::optional<GridResponse>& compareCurve() const { return compare_; }
    const std::string& compareName() const { return compareName_; }

    // "Store FIR to Device": asks "already stored" or "Are you sure?"; No
    // ends it. Then stores the FIR named WizardFirName(slot, date) with the
    // device write sequence; `progress` runs 0..StoreProgressSteps. Failure
    // shows "Communication problem, can't store FIR." (critical).
    bool Store(const StoreTarget& target, int day, int month, int year,
               const fir::StoreProgress& progress = {});

    // The verification: the measured and the new response, both cut by the
    // design's window and levelled to 0 dB over the design range, become
    // "Before Correction" and "After Correction". False when either cannot
    // be computed.
    bool SetVerification(const std::vector<double>& measuredIr, const std::vector<double>& verifiedIr,
                         const DesignSettings& settings);
    const std::optional<GridResponse>& before() const { return before_; }
    const std::optional<GridResponse>& after() const { return after_; }

private:
    DesignerFactory makeDesigner_;
    dsp::ResponseCalculator& calculator_;
    Dialogs& dialogs_;
    std::vector<double> coefficients_;
    DesignCurves curves_;
    bool stored_ = false;
    std::optional<GridResponse> compare_;
    std::string compareName_;
    std::optional<GridResponse> before_, after_;
    FrequencyCurve house_;
    std::string houseFile_;
    bool fitHeadroom_ = false;
    double worstCaseGainDb_ = std::numeric_limits<double>::quiet_NaN();
};

// The EQ target's summed curve over the grid (dB; point 0 reads 0 dB), as
// the designer reads the record (measure/eq_target_curve.h).
dsp::Curve EqTargetGridCurve(const EqTargetRecord& record);

// The level of `db` over [lowHz, highHz] (mean of the grid points there),
// subtracted from every point.
void LevelOver(dsp::Curve& db, double lowHz, double highHz);

}  // namespace zef::wizard
