#include "ui/fir_wizard_welcome.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/wizard_texts.h"
#include "ui/fir_wizard_run.h"

namespace zef {

namespace t = wizard_text;

FirWizardWelcomePage::FirWizardWelcomePage(FirWizardRun& run, Dialogs& dialogs, std::string irFolder)
    : run_(run), dialogs_(dialogs), irFolder_(std::move(irFolder)) {
    auto* v = new QVBoxLayout(this);
    auto* text = new QLabel(t::kWelcomeText, this);
    text->setWordWrap(true);
    v->addWidget(text);
    v->addSpacing(10);
    openIrChoice_ = new QRadioButton(t::kOpenExistingIr, this);
    openIrChoice_->setObjectName("OptOpenIr");
    measureChoice_ = new QRadioButton(t::kMeasureIrChoice, this);
    measureChoice_->setObjectName("OptMeasureIr");
    measureChoice_->setChecked(true);
    v->addWidget(openIrChoice_);
    v->addWidget(measureChoice_);
    auto* box = new QGroupBox(t::kConditionsCaption, this);
    auto* bv = new QVBoxLayout(box);
    int n = 0;
    for (const char* c : {t::kConditionCard, t::kConditionFlat, t::kConditionDynamics}) {
        auto* check = new QCheckBox(c, box);
        check->setObjectName(QString("CheckCondition%1").arg(n++));
        bv->addWidget(check);
        conditions_.push_back(check);
        connect(check, &QCheckBox::toggled, this, &FirWizardPage::changed);
    }
    v->addWidget(box);
    v->addStretch(1);
    connect(openIrChoice_, &QRadioButton::toggled, this, [this, box] {
        box->setEnabled(measureChoice_->isChecked());
        emit changed();
    });
}

bool FirWizardWelcomePage::Complete() const {
    return opensIr() || std::all_of(conditions_.begin(), conditions_.end(),
                                    [](const QCheckBox* c) { return c->isChecked(); });
}

bool FirWizardWelcomePage::opensIr() const { return openIrChoice_->isChecked(); }

void FirWizardWelcomePage::ClickOpenIr() {
    std::optional<std::vector<double>> ir = wizard::OpenIr(dialogs_, irFolder_);
    if (!ir) return;
    run_.SetImpulseResponse(std::move(*ir));
    emit irOpened();
}

}  // namespace zef
