#include "ui/fir_wizard_context.h"

#include "model/defaults.h"
#include "ui/fir_wizard.h"

namespace zef {

namespace {

// A slot that was never given defaults holds an all-zero record: such a
// device starts from the default target instead.
wizard::WizardState StartState(const MeasureContext& context, DeviceSlot slot) {
    if (std::optional<wizard::WizardState> kept = wizard::KeptState(context.dataFolder, context.model, slot))
        return *kept;
    wizard::WizardState state;
    const EqTargetRecord& target = context.model.device(slot).eqTarget;
    state.target = target == EqTargetRecord{} ? DefaultEqTarget() : target;
    return state;
}

}  // namespace

FirWizardContext MakeFirWizardContext(const MeasureContext& context, DeviceSlot slot, int firSlot,
                                      audio::System* audio) {
    if (!audio) {
        std::string error;
        audio = context.audio(error);
    }
    return FirWizardContext{
        .dialogs = context.dialogs,
        .audio = audio,
        .calculator = context.curves.calculator(),
        .sweepFolder = context.dataSubfolder("TS"),
        .irFolder = context.dataSubfolder(wizard::kIrFolder),
        .wizardFolder = context.dataSubfolder(wizard::kWizardFolder),
        .firFolder = context.dataSubfolder("FIR"),
        .dataFolder = context.dataFolder,
        .decimalComma = context.decimalComma,
        .start = StartState(context, slot),
        .keptCards = &context.measure.settings().firWizardCards,
        .deviceOnline = [&model = context.model, slot] { return model.entry(slot).online; },
        .keepState = [&model = context.model, folder = context.dataFolder, slot](
                         const wizard::WizardState& state) { wizard::KeepState(folder, model, slot, state); },
        .storeFir =
            [&exchange = context.exchange, &model = context.model, &curves = context.curves,
             &history = context.history, slot, firSlot](wizard::Design& design, int day, int month, int year,
                                                        const fir::StoreProgress& progress) {
                const wizard::StoreTarget target{exchange, model, slot, firSlot, &curves};
                const bool stored = design.Store(target, day, month, year, progress);
                if (stored) history.EndStep(slot, "FIR wizard store");
                return stored;
            },
    };
}

void OpenFirWizard(const MeasureContext& context, DeviceSlot slot, ChannelCode output, QWidget* parent) {
    FirWizardWindow wizard(MakeFirWizardContext(context, slot, output == kOutput2 ? 1 : 0), parent);
    wizard.exec();
}

}  // namespace zef
