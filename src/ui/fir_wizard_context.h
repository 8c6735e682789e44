#pragma once
// What the FIR wizard needs from the editor, and nothing more: the dialogs,
// the sound cards, the response calculator, its folders, the number format,
// the state to start from, and three operations on the device (whether it
// is on-line, keeping the wizard's state for it, storing a FIR into it).
// MakeFirWizardContext makes it from the measuring windows' context.

#include <functional>
#include <string>

#include "app/dialogs.h"
#include "app/measure_context.h"
#include "app/wizard_design.h"
#include "app/wizard_files.h"
#include "model/slots.h"

namespace zef {

struct FirWizardContext {
    Dialogs& dialogs;
    // The sound cards (the machine's and the virtual rigs); null when none
    // can be had.
    audio::System* audio = nullptr;
    dsp::ResponseCalculator& calculator;
    // Folders of the data folder: sweep files (made when the wizard opens),
    // IR files, wizard files, FIR text files.
    std::string sweepFolder, irFolder, wizardFolder, firFolder;
    // The data folder: the calibrations kept per card input (empty: none).
    std::string dataFolder;
    bool decimalComma = false;
    // Where the wizard starts: the state kept for the device, or else its EQ
    // target (the default target for a device never given one).
    wizard::WizardState start;
    // The card and channels the wizard starts from and keeps the user's
    // choice in (the measuring settings'); null: the wizard starts with none.
    wizard::CardSelection* keptCards = nullptr;
    // Whether the device is on-line now.
    std::function<bool()> deviceOnline;
    // Keeps `state` for the device (the exit question answered Yes).
    std::function<void(const wizard::WizardState& state)> keepState;
    // Stores the design into the wizard's output of the device as
    // wizard::Design::Store does, named with the date given.
    std::function<bool(wizard::Design& design, int day, int month, int year,
                       const fir::StoreProgress& progress)>
        storeFir;
};

// The context of the wizard for FIR slot `firSlot` (0 = output 1, 1 =
// output 2) of device `slot`. `audio` replaces the context's sound cards
// (tests); null takes context.audio.
FirWizardContext MakeFirWizardContext(const MeasureContext& context, DeviceSlot slot, int firSlot,
                                      audio::System* audio = nullptr);

}  // namespace zef
