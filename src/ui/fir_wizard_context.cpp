#include "ui/fir_wizard_context.h"

#include "app/editor_session.h"
#include "model/defaults.h"
#include "ui/fir_wizard.h"

namespace zef {

namespace {

// A slot that was never given defaults holds an all-zero record: such a
// device starts from the default target instead.
wizard::WizardState StartState(EditorSession& session, DeviceSlot slot) {
    if (std::optional<wizard::WizardState> kept =
            wizard::KeptState(session.dataFolder(), session.model(), slot))
        return *kept;
    wizard::WizardState state;
    const EqTargetRecord& target = session.model().device(slot).eqTarget;
    state.target = target == EqTargetRecord{} ? DefaultEqTarget() : target;
    return state;
}

}  // namespace

FirWizardContext MakeFirWizardContext(EditorSession& session, DeviceSlot slot, int firSlot,
                                      audio::System* audio) {
    if (!audio) {
        std::string error;
        audio = session.audio(error);
    }
    return FirWizardContext{
        .dialogs = session.dialogs(),
        .audio = audio,
        .calculator = session.state().responses.calculator(),
        .sweepFolder = session.dataSubfolder("TS"),
        .irFolder = session.dataSubfolder(wizard::kIrFolder),
        .wizardFolder = session.dataSubfolder(wizard::kWizardFolder),
        .firFolder = session.dataSubfolder("FIR"),
        .decimalComma = session.decimalComma(),
        .start = StartState(session, slot),
        .deviceOnline = [&session, slot] { return session.model().entry(slot).online; },
        .keepState =
            [&session, slot](const wizard::WizardState& state) {
                wizard::KeepState(session.dataFolder(), session.model(), slot, state);
            },
        .storeFir =
            [&session, slot, firSlot](wizard::Design& design, int day, int month, int year,
                                      const fir::StoreProgress& progress) {
                const wizard::StoreTarget target{session.exchange(), session.model(), slot, firSlot,
                                                 &session.state().responses};
                return design.Store(target, day, month, year, progress);
            },
    };
}

void OpenFirWizard(EditorSession& session, DeviceSlot slot, ChannelCode output, QWidget* parent) {
    FirWizardWindow wizard(MakeFirWizardContext(session, slot, output == kOutput2 ? 1 : 0), parent);
    wizard.exec();
}

}  // namespace zef
