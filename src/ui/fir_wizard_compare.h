#pragma once
// Page 7 of the FIR wizard, "Compare FIR and Store on DSP": the verification
// measurement ("Before Correction" against "After Correction") with a card
// of its own (the wiring page's choice at first), a FIR file to compare,
// the FIR text file, and the store into the amplifier.

#include <string>

#include "ui/fir_wizard_context.h"
#include "ui/fir_wizard_page.h"

class QLabel;
class QVBoxLayout;
class QProgressBar;
class QPushButton;

namespace zef {

class FirWizardRun;

class FirWizardComparePage final : public FirWizardPage {
    Q_OBJECT
public:
    // FIR files are opened and saved in `firFolder`, read with a decimal
    // comma when `decimalComma`; `storeFir` stores into the amplifier.
    FirWizardComparePage(FirWizardRun& run, std::string firFolder, bool decimalComma,
                         decltype(FirWizardContext::storeFir) storeFir);

    bool Complete() const override { return true; }
    void Refresh(bool idle) override;
    // The wiring page chose card `index` of `count`: the verification takes
    // it while it has none of its own.
    void FollowCard(int index, int count);

    void ClickVerify();
    void ClickOpenFir();
    void ClickSaveFir();
    void ClickStore();

private:
    QWidget* BuildSide();
    void BuildCardLists(QVBoxLayout* side);
    void CardChosen();
    void ChannelChosen();
    void Ticked(wizard::Action action, const wizard::Measurement::Tick& tick);
    void ShowCompareCurves();

    FirWizardRun& run_;
    std::string firFolder_;
    bool decimalComma_;
    decltype(FirWizardContext::storeFir) storeFir_;
    WizardCardLists cards_;
    QPushButton* verify_ = nullptr;
    QPushButton* openFir_ = nullptr;
    QPushButton* saveFir_ = nullptr;
    QPushButton* store_ = nullptr;
    QProgressBar* storeProgress_ = nullptr;
    QLabel* verifyStatus_ = nullptr;
    WizardGraphs graphs_;
};

}  // namespace zef
