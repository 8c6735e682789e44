#pragma once
// Page 5 of the FIR wizard, "View Impulse Response": the run's IR in time and
// in frequency, and "Save" to an IR file.

#include <string>

#include "ui/fir_wizard_page.h"

class QPushButton;

namespace zef {

class Dialogs;
class FirWizardRun;

class FirWizardViewPage final : public FirWizardPage {
    Q_OBJECT
public:
    FirWizardViewPage(FirWizardRun& run, Dialogs& dialogs, std::string irFolder);

    bool Complete() const override;
    void Refresh(bool idle) override;
    void ClickSaveIr();

private:
    void ShowIrGraphs();

    FirWizardRun& run_;
    Dialogs& dialogs_;
    std::string irFolder_;
    WizardGraphs graphs_;
    QPushButton* saveIr_ = nullptr;
};

}  // namespace zef
