#pragma once
// Page 1 of the FIR wizard, "Welcome to FIR Wizard": open an IR file, or
// tick the three conditions of a measurement.

#include <string>
#include <vector>

#include "ui/fir_wizard_page.h"

class QCheckBox;
class QRadioButton;

namespace zef {

class Dialogs;
class FirWizardRun;

class FirWizardWelcomePage final : public FirWizardPage {
    Q_OBJECT
public:
    FirWizardWelcomePage(FirWizardRun& run, Dialogs& dialogs, std::string irFolder);

    bool Complete() const override;
    // "Open an existing IR" is chosen: "Next" opens a file instead of going on.
    bool opensIr() const;
    // The open dialog in the IR folder; a file read becomes the IR, then irOpened().
    void ClickOpenIr();

signals:
    void irOpened();

private:
    FirWizardRun& run_;
    Dialogs& dialogs_;
    std::string irFolder_;
    QRadioButton* openIrChoice_ = nullptr;
    QRadioButton* measureChoice_ = nullptr;
    std::vector<QCheckBox*> conditions_;
};

}  // namespace zef
