#pragma once
// Page 2 of the FIR wizard, "Measurement geometry": the three set-ups as
// drawings, and a tick to go on.

#include "ui/fir_wizard_page.h"

class QCheckBox;

namespace zef {

class FirWizardGeometryPage final : public FirWizardPage {
    Q_OBJECT
public:
    FirWizardGeometryPage();
    bool Complete() const override;

private:
    QCheckBox* geometryOk_ = nullptr;
};

}  // namespace zef
