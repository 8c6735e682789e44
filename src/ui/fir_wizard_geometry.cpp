#include "ui/fir_wizard_geometry.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/wizard_texts.h"
#include "ui/wizard_widgets.h"

namespace zef {

namespace t = wizard_text;

FirWizardGeometryPage::FirWizardGeometryPage() {
    auto* v = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new GeometryPicture(GeometryPicture::Kind::Suspended, t::kGeometrySuspended, this));
    row->addWidget(new GeometryPicture(GeometryPicture::Kind::GroundMonitor, t::kGeometryMonitor, this));
    row->addWidget(new GeometryPicture(GeometryPicture::Kind::OnGround, t::kGeometryOnGround, this));
    v->addLayout(row, 1);
    geometryOk_ = new QCheckBox(t::kGeometryOk, this);
    geometryOk_->setObjectName("CheckGeometry");
    connect(geometryOk_, &QCheckBox::toggled, this, &FirWizardPage::changed);
    v->addWidget(geometryOk_);
}

bool FirWizardGeometryPage::Complete() const { return geometryOk_->isChecked(); }

}  // namespace zef
