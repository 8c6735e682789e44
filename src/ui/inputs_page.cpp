#include "ui/inputs_page.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QStackedWidget>

#include "dsp/groups.h"

namespace zef {

InputsPage::InputsPage(ControlHost& host, const EditorSelection& selection, QWidget* parent)
    : ChannelsPage(host, parent), selection_(selection) {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 4, 4, 4);
    v->addLayout(ChannelRow(this, {{0, "Input L"}, {1, "Input R"}}, ParamId::LinkInputs, "Link L+R", "CheckLinkIn", true));
    stack_ = new QStackedWidget(this);
    stack_->addWidget(InputChannel(ParamChannel::InL, stack_));
    stack_->addWidget(InputChannel(ParamChannel::InR, stack_));
    v->addWidget(stack_, 1);
    ShowChosenChannel(stack_, 0);
}

void InputsPage::RefreshOthers() {
    if (dsp::IsInputGroup(selection_.group)) stack_->setCurrentIndex(selection_.group);
}

QWidget* InputsPage::InputChannel(ParamChannel ch, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(2, 2, 2, 2);
    row->addWidget(GainStrip(ch, page));
    auto* gate = Frame("Noise Gate", page);
    auto* g = new QVBoxLayout(gate);
    g->addWidget(Check(ParamId::GateEnable, ch, "Enable", "CheckNGByp", gate));
    g->addWidget(Number(ParamId::GateThreshold, ch, "Threshold dB", {true, false, {}, "NGText", 44}, gate));
    // Gate time B (17 positions) is the attack, time A (26 positions) the release.
    g->addWidget(Number(ParamId::GateTimeB, ch, "Attack ms", {true, false, {}, "NGTextB", 44}, gate));
    g->addWidget(Number(ParamId::GateTimeA, ch, "Release ms", {true, false, {}, "NGTextA", 44}, gate));
    g->addStretch(1);
    row->addWidget(gate, 2);
    auto* eq = Frame("EQ", page);
    auto* e = new QVBoxLayout(eq);
    e->addWidget(Check(ParamId::InputBlockB, ch, "3-band block", "CheckMidMorph", eq));
    e->addWidget(Check(ParamId::EqBypass, ch, "EQ bypass", "CheckEqByp", eq));
    e->addStretch(1);
    row->addWidget(eq, 1);
    return page;
}

}  // namespace zef
