#include "ui/masking_page.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QLabel>

namespace zef {

MaskingPage::MaskingPage(ControlHost& host, QWidget* parent) : BoundPage(host, parent) {
    auto* row = new QHBoxLayout(this);
    row->addWidget(Masking(this), 1);
    auto* level = Number(ParamId::MaskLevel, ParamChannel::Sm, "Level dB", {true, true, {}, "TextMasking", 44}, this);
    level->fader()->setObjectName("ImageMaskingSl");
    row->addWidget(level);
    row->addWidget(NoiseGenerator(this), 1);
}

QWidget* MaskingPage::Masking(QWidget* parent) {
    auto* masking = Frame("Masking", parent);
    auto* mv = new QVBoxLayout(masking);
    mv->addWidget(Check(ParamId::MaskEnable, ParamChannel::Sm, "Masking on", "CheckMasking", masking));
    auto* type = Options(ParamId::MaskType, ParamChannel::Sm, {"Type A", "Type B"}, masking);
    type->setObjectName("OptionMaskingType");
    mv->addWidget(type);
    auto* channels = new QHBoxLayout;
    channels->addWidget(Check(ParamId::MaskInL, ParamChannel::Sm, "L", "CheckLinkSM0", masking));
    channels->addWidget(Check(ParamId::MaskInR, ParamChannel::Sm, "R", "CheckLinkSM1", masking));
    channels->addWidget(Check(ParamId::MaskOut1, ParamChannel::Sm, "1", "CheckLinkSM2", masking));
    channels->addWidget(Check(ParamId::MaskOut2, ParamChannel::Sm, "2", "CheckLinkSM3", masking));
    mv->addWidget(new QLabel("Masked channels:", masking));
    mv->addLayout(channels);
    mv->addStretch(1);
    return masking;
}

QWidget* MaskingPage::NoiseGenerator(QWidget* parent) {
    auto* gen = Frame("Noise generator", parent);
    auto* gv = new QVBoxLayout(gen);
    // The first two pick the noise and switch the generator off; the third
    // switches it on with the noise picked last.
    auto* option = Options(ParamId::NoiseOption, ParamChannel::Device,
                           {"Pink, generator off", "White, generator off", "Generator on"}, gen);
    option->setObjectName("OptionNoiseLev");
    gv->addWidget(option);
    auto* noise =
        Number(ParamId::NoiseLevel, ParamChannel::Device, "Level dB", {true, false, {}, "TextNoiseLev", 44}, gen);
    noise->fader()->setObjectName("SlNoiseLev");
    gv->addWidget(noise);
    gv->addStretch(1);
    return gen;
}

}  // namespace zef
