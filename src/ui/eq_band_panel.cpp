#include "ui/eq_band_panel.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <cmath>

#include "dsp/groups.h"
#include "model/encodings.h"
#include "model/tables.h"

namespace zef {

ParamChannel ChannelOfGroup(int group) {
    static constexpr ParamChannel kChannels[] = {ParamChannel::InL, ParamChannel::InR, ParamChannel::Out1,
                                                 ParamChannel::Out2, ParamChannel::Sm};
    return kChannels[std::clamp(group, 0, 4)];
}

int BandNumberInGroup(int bandIndex) {
    return bandIndex - dsp::kGroupInfo[static_cast<std::size_t>(dsp::GroupOfBand(bandIndex))].firstBand + 1;
}

EqBandPanel::EqBandPanel(ControlHost& host, const char* typeMenuName, QWidget* parent)
    : QWidget(parent), host_(host) {
    setObjectName("EqBandPanel");
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 2, 4, 2);
    outer->setSpacing(4);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Band:", this));
    buttonRow_ = new QHBoxLayout;
    buttonRow_->setSpacing(2);
    top->addLayout(buttonRow_);
    top->addStretch(1);
    outer->addLayout(top);
    buttons_ = new QButtonGroup(this);
    buttons_->setExclusive(true);
    connect(buttons_, &QButtonGroup::idClicked, this, [this](int id) {
        selectBand(id);
        if (bandSelected) bandSelected(id);
    });

    const Parameter first = ParameterOf(ParamId::BandGain, {ParamChannel::InL, 1});
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    gain_ = new NumberControl(host_, first, "Gain dB", {true, false, 31, "TxtEqGain", 48}, this);
    gain_->fader()->setObjectName("ImgEQGain");
    auto* right = new QGridLayout;
    right->setHorizontalSpacing(6);
    right->setVerticalSpacing(3);
    type_ = new QPushButton("Bell", this);
    type_->setObjectName("LblEQType");
    type_->setToolTip("Filter Type");
    typeMenu_ = new QMenu(this);
    typeMenu_->setObjectName(typeMenuName);
    for (int i = 0; i < static_cast<int>(kBandTypeItems.size()); ++i)
        typeMenu_->addAction(kBandTypeItems[static_cast<std::size_t>(i)], this, [this, i] { ChooseType(i); });
    connect(type_, &QPushButton::clicked, this, [this] {
        if (!host_.controlsQuiet()) typeMenu_->popup(type_->mapToGlobal(QPoint(0, type_->height())));
    });
    frequency_ = new NumberControl(host_, ParameterOf(ParamId::BandFreq, {ParamChannel::InL, 1}), "Freq Hz",
                                   {false, false, {}, "TxtEqFreq", 56}, this);
    q_ = new NumberControl(host_, ParameterOf(ParamId::BandQ, {ParamChannel::InL, 1}), "Q", {false, false, {}, "TxtEqQ", 44},
                           this);
    auto* up = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    up->setObjectName("UDEqQUp");
    auto* down = new QToolButton(this);
    down->setArrowType(Qt::DownArrow);
    down->setObjectName("UDEqQDown");
    connect(up, &QToolButton::clicked, this, [this] { StepQ(+1); });
    connect(down, &QToolButton::clicked, this, [this] { StepQ(-1); });
    bandBypass_ = new CheckControl(host_, ParameterOf(ParamId::BandBypass, {ParamChannel::InL, 1}), "Band bypass", this);
    eqBypass_ = new CheckControl(host_, ParameterOf(ParamId::EqBypass, {ParamChannel::InL, 0}), "EQ bypass", this);
    eqBypass_->check()->setObjectName("CheckEqByp");
    flat_ = new QPushButton("Flat EQ", this);
    flat_->setObjectName("BtnFlatEQ");
    connect(flat_, &QPushButton::clicked, this, [this] {
        if (flatRequested && !host_.controlsQuiet()) flatRequested();
    });
    right->addWidget(new QLabel("Type", this), 0, 0);
    right->addWidget(type_, 0, 1, 1, 2);
    right->addWidget(frequency_, 1, 0, 1, 3);
    right->addWidget(q_, 2, 0, 1, 1);
    auto* ud = new QHBoxLayout;
    ud->setSpacing(1);
    ud->addWidget(up);
    ud->addWidget(down);
    right->addLayout(ud, 2, 1);
    right->addWidget(bandBypass_, 3, 0, 1, 3);
    right->addWidget(eqBypass_, 4, 0, 1, 2);
    right->addWidget(flat_, 4, 2);
    row->addWidget(gain_, 2, Qt::AlignTop);
    row->addLayout(right, 1);
    outer->addLayout(row);
}

std::vector<BoundControl*> EqBandPanel::controls() const {
    return {gain_, frequency_, q_, bandBypass_, eqBypass_};
}

Parameter EqBandPanel::BandParameter(ParamId id) const {
    return ParameterOf(id, {ChannelOfGroup(group_), BandNumberInGroup(band_)});
}

void EqBandPanel::RebuildButtons(int bandCount) {
    for (QAbstractButton* b : buttons_->buttons()) {
        buttons_->removeButton(b);
        delete b;
    }
    const int first = dsp::kGroupInfo[static_cast<std::size_t>(group_)].firstBand;
    for (int i = 0; i < bandCount; ++i) {
        auto* b = new QToolButton(this);
        b->setText(QString::number(i + 1));
        b->setCheckable(true);
        b->setObjectName(QString("BandBtn%1").arg(i + 1));
        b->setFixedWidth(bandCount > 10 ? 22 : 26);
        buttons_->addButton(b, first + i);
        buttonRow_->addWidget(b);
    }
}

void EqBandPanel::setGroup(int group, int bandCount, int band) {
    const bool same = group == group_ && static_cast<int>(buttons_->buttons().size()) == bandCount;
    group_ = group;
    if (!same) RebuildButtons(bandCount);
    eqBypass_->Rebind(ParameterOf(ParamId::EqBypass, {ChannelOfGroup(group), 0}));
    eqBypass_->setVisible(group != dsp::kGroupMasking);
    const int first = dsp::kGroupInfo[static_cast<std::size_t>(group)].firstBand;
    selectBand(std::clamp(band, first, first + std::max(1, bandCount) - 1));
}

void EqBandPanel::selectBand(int band) {
    band_ = band;
    if (QAbstractButton* b = buttons_->button(band)) b->setChecked(true);
    gain_->Rebind(BandParameter(ParamId::BandGain));
    frequency_->Rebind(BandParameter(ParamId::BandFreq));
    q_->Rebind(BandParameter(ParamId::BandQ));
    bandBypass_->Rebind(BandParameter(ParamId::BandBypass));
    Refresh();
}

void EqBandPanel::Refresh() {
    for (BoundControl* c : controls()) c->Refresh();
    const int type = static_cast<int>(GetValue(host_.device(), BandParameter(ParamId::BandType)));
    type_->setText(QString::fromUtf8(kEqTypeNames[static_cast<std::size_t>(std::clamp(type, 0, 7))].data()));
}

void EqBandPanel::StepQ(int direction) {
    if (host_.controlsQuiet()) return;
    const Parameter p = BandParameter(ParamId::BandQ);
    const int code = SnapToTable(GetValue(host_.device(), p), kEqQ);
    const int next = std::clamp(code + direction, 0, static_cast<int>(kEqQ.size()) - 1);
    if (next == code) return;
    host_.Commit(p, kEqQ[static_cast<std::size_t>(next)], false);
}

void EqBandPanel::ChooseType(int type) { host_.Commit(BandParameter(ParamId::BandType), type, false); }

}  // namespace zef
