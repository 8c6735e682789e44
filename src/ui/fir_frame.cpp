#include "ui/fir_frame.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/output_eq_actions.h"
#include "dsp/groups.h"
#include "ui/editor_control_host.h"
#include "ui/eq_band_panel.h"
#include "ui/fir_import_window.h"

namespace zef {

FirFrame::FirFrame(const EditorContext& context, const EditorTools& tools, EditorControlHost& host,
                   int& filterIndex, QWidget* parent)
    : QGroupBox("FIR", parent), context_(context), tools_(tools), host_(host), filterIndex_(filterIndex) {
    setObjectName("FrameFir");
    auto* v = new QVBoxLayout(this);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel("Name:", this));
    name_ = new QLabel(this);
    name_->setObjectName("LabelNameFir");
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);
    nameRow->addWidget(name_, 1);
    v->addLayout(nameRow);
    taps_ = new QLabel(this);
    taps_->setObjectName("LabelTapsFir");
    v->addWidget(taps_);
    auto* menu = new QVBoxLayout;
    const char* captions[] = {"Wizard", "Import / View", "Save"};
    const char* tips[] = {"FIR wizard: measure the loudspeaker and design a FIR for this output",
                          "Load a FIR file, look at it and store it on the amplifier",
                          "Write this output's FIR as a text file, one coefficient per line"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(captions[i], this);
        b->setObjectName(QString("LabelFirMenu%1").arg(i));
        b->setToolTip(tips[i]);
        connect(b, &QPushButton::clicked, this, [this, i] { ClickMenu(i); });
        menu->addWidget(b);
        menu_[static_cast<std::size_t>(i)] = b;
    }
    v->addLayout(menu);
    bypass_ =
        new CheckControl(host_, ParameterOf(ParamId::FirBypass, {ParamChannel::Out1, 0}), "FIR bypass", this);
    bypass_->check()->setObjectName("LabelFIRByp");
    v->addWidget(bypass_);
    v->addStretch(1);
}

void FirFrame::ShowOutput(int output) {
    output_ = output;
    bypass_->Rebind(ParameterOf(ParamId::FirBypass, {ChannelOfGroup(dsp::kGroupOutput1 + output), 0}));
    RefreshNameTaps();
}

void FirFrame::RefreshNameTaps() {
    name_->setText(QString::fromStdString(FirNameCaption(context_.device(), output_)));
    taps_->setText(QString::fromStdString(FirTapsCaption(context_.device(), output_)));
}

void FirFrame::ShowWizardAvailable(bool available) {
    menu_[0]->setEnabled(available);
    if (!available) menu_[0]->setToolTip(menu_[0]->toolTip() + " (not available in this version)");
}

void FirFrame::ClickMenu(int index) {
    if (host_.controlsQuiet()) return;
    switch (index) {
        case 0:
            if (wizard) wizard();
            break;
        case 1: {
            FirImportWindow importer(context_, tools_, output_, filterIndex_, window());
            importer.exec();
            break;
        }
        case 2:
            SaveFirTextAsked(context_.device(), output_, context_.dialogs, tools_.firFolder,
                             context_.decimalComma);
            return;
        default:
            return;
    }
    // After a modal window: the FIR's response and the editor again.
    context_.responses.FirChanged(context_.slot, output_);
    if (firChanged) firChanged();
}

}  // namespace zef
